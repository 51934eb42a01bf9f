#include "custom_factory.h"

#include "common/json.h"
#include "vlnet.h"
#include "wire.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace devsim
{

namespace
{

constexpr const char* kFirstLoginPath = "/API/FirstLogin/Password/Set";
constexpr const char* kGetPath = "/API/Maintenance/Customfactory/Get";
constexpr const char* kSetPath = "/API/Maintenance/Customfactory/Set";
constexpr const char* kDeveloperModePath = "/API/Maintenance/DeveloperMode/Get";

// One text field of a record: up to its first zero, never past its end.
std::string fieldText(const std::vector<std::uint8_t>& record, std::size_t offset, std::size_t size)
{
    if (offset >= record.size())
        return std::string();
    const std::size_t available = std::min(size, record.size() - offset);
    const auto* begin = reinterpret_cast<const char*>(record.data() + offset);
    return std::string(begin, strnlen(begin, available));
}

} // namespace

const char* videoFormatName(int format)
{
    return format == 1 ? "NTSC" : "PAL";
}

bool videoFormatFromName(const std::string& name, int* format)
{
    if (name == "PAL")
        *format = 0;
    else if (name == "NTSC")
        *format = 1;
    else
        return false;
    return true;
}

void applyDeviceInfoRecord(Device& d, const std::vector<std::uint8_t>& record, Json::Value& note)
{
    if (record.size() != VLNET_PARAM_DEVICE_INFO_SIZE)
        return;
    std::uint32_t changes = 0;
    std::memcpy(&changes, record.data() + VLNET_DEVICE_INFO_CHANGES, sizeof changes);
    if (changes & VLNET_DEVICE_INFO_TYPE_CHANGED) {
        d.model = fieldText(record, VLNET_DEVICE_INFO_TYPE, VLNET_DEVICE_INFO_TEXT_SIZE);
        note["device_type"] = vljson::valid_utf8(d.model);
    }
    if (changes & VLNET_DEVICE_INFO_NAME_CHANGED) {
        d.name = fieldText(record, VLNET_DEVICE_INFO_NAME, VLNET_DEVICE_INFO_TEXT_SIZE);
        note["device_name"] = vljson::valid_utf8(d.name);
    }
}

std::int32_t writeDeviceInfoRecord(Device& d, ParamWrite& w)
{
    std::vector<std::uint8_t> record(w.records, w.records + w.recordSize);
    applyDeviceInfoRecord(d, record, w.note);
    d.params[{ w.message, w.channel }] = std::move(record);
    return vlwire::kOk;
}

CustomFactory::CustomFactory(DeviceStore& store, EventLog& log, std::string defaultUser, int rebootMs)
    : m_store(store)
    , m_log(log)
    , m_defaultUser(std::move(defaultUser))
    , m_rebootMs(rebootMs)
{
}

void CustomFactory::addTo(WebServer& web)
{
    WebPath firstLogin;
    firstLogin.needsSession = false;
    firstLogin.handle = [this](WebCall& c) { return this->firstLogin(c); };
    web.addPath(kFirstLoginPath, std::move(firstLogin));

    WebPath get;
    get.needsSession = false;
    get.handle = [this](WebCall& c) {
        Json::Value data(Json::objectValue);
        m_store.read(c.device, [&](const Device& d) {
            data["video_format"] = videoFormatName(d.videoFormat);
            data["device_name"] = vljson::valid_utf8(d.name);
            data["device_type"] = vljson::valid_utf8(d.model);
        });
        return WebAnswer::success(data);
    };
    web.addPath(kGetPath, std::move(get));

    WebPath set;
    set.handle = [this](WebCall& c) { return this->set(c); };
    web.addPath(kSetPath, std::move(set));

    WebPath developerMode;
    developerMode.handle = [](WebCall&) {
        Json::Value data(Json::objectValue);
        data["telnet_switch"] = "false";
        data["export_disk_switch"] = "false";
        return WebAnswer::success(data);
    };
    web.addPath(kDeveloperModePath, std::move(developerMode));
}

WebAnswer CustomFactory::firstLogin(WebCall& c)
{
    bool activated = true;
    m_store.read(c.device, [&](const Device& d) { activated = d.activated; });
    if (activated)
        return WebAnswer::failure("already_activated", 403);
    // The web secrets opened and checked the password before this runs.
    if (c.secrets.encPassword != "ok" || c.secrets.password.empty())
        return WebAnswer::failure("invalid_param", 400);
    const std::string password = c.secrets.password;
    m_store.modify(c.device, [&](Device& d) {
        d.activated = true;
        User* account = d.findUser(m_defaultUser);
        if (!account) {
            d.users.push_back(User {});
            account = &d.users.back();
            account->name = m_defaultUser;
            account->admin = true;
        }
        account->password = password;
    });
    c.note["user"] = m_defaultUser;
    m_log.device(c.device, c.ip, "first password set for " + m_defaultUser + " over the web interface");
    return WebAnswer::success();
}

WebAnswer CustomFactory::set(WebCall& c)
{
    const Json::Value& data = vljson::member(c.json, "data");
    if (!data.isObject())
        return WebAnswer::failure("invalid_param", 400);
    const Json::Value& format = vljson::member(data, "video_format");
    const Json::Value& name = vljson::member(data, "device_name");
    const Json::Value& type = vljson::member(data, "device_type");
    for (const Json::Value* v : { &format, &name, &type })
        if (!v->isNull() && !v->isString())
            return WebAnswer::failure("invalid_param", 400);
    int newFormat = 0;
    if (format.isString() && !videoFormatFromName(format.asString(), &newFormat))
        return WebAnswer::failure("invalid_param", 400);

    m_store.modify(c.device, [&](Device& d) {
        if (format.isString())
            d.videoFormat = newFormat;
        if (name.isString())
            d.name = name.asString();
        if (type.isString())
            d.model = type.asString();
    });
    if (format.isString()) {
        m_log.device(
            c.device, c.ip, std::string("video format ") + videoFormatName(newFormat) + ", rebooting");
        // The answer still leaves: the connection outlives the device's
        // address for as long as it takes to write it.
        m_store.reboot(c.device, m_rebootMs);
    }
    return WebAnswer::success();
}

} // namespace devsim
