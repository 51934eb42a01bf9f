#include "user_records.h"

#include "common/json.h"
#include "param_messages.h"
#include "password_rules.h"
#include "records.h"
#include "request_checks.h"
#include "vlnet.h"
#include "web_secrets.h"
#include "wire.h"

#include <algorithm>
#include <cstring>

namespace devsim
{

namespace
{

constexpr const char* kGetPath = "/API/SystemConfig/User/Get";
constexpr const char* kSetPath = "/API/SystemConfig/User/Set";

template <std::size_t N> std::string slotText(const char (&slot)[N])
{
    return std::string(slot, strnlen(slot, N));
}

template <std::size_t N> void putSlot(char (&slot)[N], const std::string& text)
{
    std::memset(slot, 0, N);
    std::memcpy(slot, text.data(), std::min(text.size(), N));
}

// The main account: the first administrator, else the first user.
const User* mainAccount(const Device& d)
{
    for (const auto& u : d.users)
        if (u.admin)
            return &u;
    return d.users.empty() ? nullptr : &d.users.front();
}

// A name in an 8-byte slot matches a longer one that it begins.
User* userBySlot(Device& d, const std::string& name, std::size_t slotSize)
{
    if (name.empty())
        return nullptr;
    if (User* u = d.findUser(name))
        return u;
    if (name.size() < slotSize)
        return nullptr;
    for (auto& u : d.users)
        if (u.name.compare(0, slotSize, name) == 0)
            return &u;
    return nullptr;
}

} // namespace

bool c32Passwords(const Device& d)
{
    return (deviceInfoRecord(d, nullptr).flags228 & VLNET_F228_C32_PASSWORD) != 0;
}

std::vector<std::uint8_t> userHeader(const Device& d)
{
    VLNET_USER_HEADER header;
    std::memset(&header, 0, sizeof header);
    putSlot(header.text[0], "users");
    putSlot(header.text[1], std::to_string(d.users.size()));
    putSlot(header.text[2], c32Passwords(d) ? "c32" : "c8");
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&header);
    return std::vector<std::uint8_t>(bytes, bytes + sizeof header);
}

std::vector<std::uint8_t> userRecords(const Device& d)
{
    const bool c32 = c32Passwords(d);
    std::vector<std::uint8_t> out;
    out.reserve(d.users.size() * sizeof(VLNET_USER_RECORD));
    for (const auto& u : d.users) {
        VLNET_USER_RECORD r;
        std::memset(&r, 0, sizeof r);
        r.size = sizeof r;
        r.enabled = u.enabled ? 1 : 0;
        r.admin = u.admin ? 1 : 0;
        if (c32) {
            putSlot(r.c32_password, u.password);
            putSlot(r.user_name2, u.name);
        } else {
            putSlot(r.password, u.password);
            putSlot(r.user_name, u.name);
        }
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&r);
        out.insert(out.end(), bytes, bytes + sizeof r);
    }
    return out;
}

std::int32_t applyUserRecords(
    Device& d, const std::string& user, const std::uint8_t* records, std::size_t count, Json::Value& note)
{
    note["count"] = Json::UInt(count);
    note["changed"] = Json::Value(Json::arrayValue);
    const User* writer = d.findUser(user);
    if (!writer || !writer->enabled || !writer->admin)
        return noted(note, vlwire::kNoRight, "the user may not change accounts");
    const bool c32 = c32Passwords(d);
    note["layout"] = c32 ? "c32" : "c8";
    Device copy = d;
    for (std::size_t i = 0; i < count; ++i) {
        VLNET_USER_RECORD r;
        std::memcpy(&r, records + i * sizeof r, sizeof r);
        if (r.have_switch != 1)
            continue;
        const std::string name = c32 ? slotText(r.user_name2) : slotText(r.user_name);
        const std::string password = c32 ? slotText(r.c32_password) : slotText(r.password);
        User* target = userBySlot(copy, name, c32 ? sizeof r.user_name2 : sizeof r.user_name);
        if (!target)
            return noted(note, vlwire::kBadRequest, "no user " + vljson::valid_utf8(name));
        if (!c32 && slotText(r.password2) != password)
            return noted(note, vlwire::kBadRequest, "the confirmation differs");
        const PasswordCheck check = checkPassword(password, target->name);
        if (check != PasswordCheck::Ok)
            return noted(note, vlwire::kBadRequest,
                std::string("the password breaks a rule: ") + passwordCheckName(check));
        target->password = password;
        note["changed"].append(vljson::valid_utf8(target->name));
    }
    d = std::move(copy);
    return noted(note, vlwire::kOk);
}

std::int32_t writeUserRecords(
    DeviceStore& store, int id, const std::string& user, const std::string& records, Json::Value& note)
{
    constexpr std::size_t kSize = sizeof(VLNET_USER_RECORD);
    if (records.empty() || records.size() % kSize != 0)
        return noted(note, vlwire::kBadRequest, "no whole number of user records");
    std::int32_t result = vlwire::kUnsupported;
    store.modify(id, [&](Device& d) {
        result = applyUserRecords(
            d, user, reinterpret_cast<const std::uint8_t*>(records.data()), records.size() / kSize, note);
    });
    return result;
}

namespace
{

std::int32_t readUsers(const Device& d, ParamRead& r)
{
    const auto header = userHeader(d);
    r.header.assign(header.begin(), header.end());
    const auto records = userRecords(d);
    for (std::size_t at = 0; at < records.size(); at += sizeof(VLNET_USER_RECORD))
        std::memcpy(r.addRecord(), records.data() + at, sizeof(VLNET_USER_RECORD));
    r.note["users"] = Json::UInt(d.users.size());
    return vlwire::kOk;
}

std::int32_t writeUsers(Device& d, ParamWrite& w)
{
    return applyUserRecords(d, w.user, w.records, w.count, w.note);
}

} // namespace

ParamRows userParamRows()
{
    return { { VLNET_PARAM_USERS, VLNET_PARAM_USERS_SIZE, VLNET_PARAM_USERS_HEADER_SIZE, ParamShape::List,
        readUsers, writeUsers } };
}

void addUserPaths(WebServer& web, WebSecrets& secrets)
{
    WebPath get;
    get.handle = [](WebCall& c) {
        Json::Value admin;
        c.store.read(c.device, [&](const Device& d) {
            if (const User* u = mainAccount(d)) {
                admin = Json::Value(Json::objectValue);
                admin["username"] = vljson::valid_utf8(u->name);
                admin["enabled"] = u->enabled;
                admin["level"] = u->admin ? "administrator" : "user";
            }
        });
        Json::Value info(Json::objectValue);
        if (!admin.isNull())
            info["ADMIN"] = admin;
        Json::Value data(Json::objectValue);
        data["user_info"] = info;
        return WebAnswer::success(data);
    };
    web.addPath(kGetPath, std::move(get));

    WebPath set;
    set.handle = [&secrets](WebCall& c) {
        if (c.secrets.secondaryAuth != "ok")
            return WebAnswer::failure("auth_failed", 200);
        const Json::Value& data = vljson::member(c.json, "data");
        const Json::Value& admin = vljson::member(vljson::member(data, "user_info"), "ADMIN");
        if (vljson::member(data, "type") != "SavePassword" || !admin.isObject()
            || !vljson::has(admin, "base_enc_password"))
            return WebAnswer::failure("invalid_param", 200);
        std::string name;
        bool known = false;
        c.store.read(c.device, [&](const Device& d) {
            const Json::Value& given = vljson::member(admin, "username");
            const User* u = given.isString() ? d.findUser(given.asString()) : mainAccount(d);
            if (u) {
                name = u->name;
                known = true;
            }
        });
        if (!known)
            return WebAnswer::failure("invalid_param", 200);
        std::string password;
        const std::string opened
            = secrets.openPassword(c.device, name, admin["base_enc_password"], &password);
        c.note["enc_password"] = opened;
        c.note["account"] = vljson::valid_utf8(name);
        if (opened != "ok")
            return WebAnswer::failure(opened, 200);
        c.store.modify(c.device, [&](Device& d) {
            if (User* u = d.findUser(name))
                u->password = password;
        });
        return WebAnswer::success();
    };
    web.addPath(kSetPath, std::move(set));
}

} // namespace devsim
