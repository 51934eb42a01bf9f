#include "device_config.h"

#include "common/json.h"
#include "multicast/base64.h"
#include "request_checks.h"
#include "state_json.h"
#include "vlnet.h"
#include "wire.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>

namespace devsim
{

namespace
{

constexpr const char* kGetPath = "/API/Maintenance/ParamManagement/Get";
constexpr const char* kSetPath = "/API/Maintenance/ParamManagement/Set";
constexpr const char* kMarker = "devsim";
constexpr int kVersion = 1;
constexpr std::size_t kLineLength = 76;

bool mayChangeSettings(const Device& d, const std::string& user)
{
    const User* u = d.findUser(user);
    return u && u->enabled && u->rights.settings;
}

// The web interface's second authentication: either proof of the current
// password of the session's user.
bool authenticated(const WebCall& c)
{
    if (c.secrets.secondaryAuth == "ok")
        return true;
    if (c.secrets.encPassword != "ok")
        return false;
    const std::string user = c.session ? c.session->user : std::string("admin");
    bool same = false;
    c.store.read(c.device, [&](const Device& d) {
        const User* u = d.findUser(user);
        same = u && u->password == c.secrets.password;
    });
    return same;
}

} // namespace

std::string configData(const Device& d)
{
    Json::Value v(Json::objectValue);
    v["config"] = kMarker;
    v["version"] = kVersion;
    v["name"] = vljson::valid_utf8(d.name);
    v["video_format"] = d.videoFormat;
    Json::Value channels(Json::arrayValue);
    for (const auto& ch : d.channels) {
        Json::Value c(Json::objectValue);
        c["name"] = vljson::valid_utf8(ch.name);
        channels.append(c);
    }
    v["channels"] = channels;
    // The parameter store as the state keeps it.
    v["params"] = deviceToJson(d, false)["params"];
    return vljson::write_compact(v);
}

bool applyConfigData(Device& d, const std::string& data, std::string* error)
{
    Json::Value v;
    if (!vljson::parse_object(data, v, vljson::syntax::strict)) {
        *error = "not a configuration (no JSON object)";
        return false;
    }
    if (vljson::member(v, "config") != kMarker || !vljson::member(v, "version").isIntegral()
        || vljson::member(v, "version").asInt() != kVersion) {
        *error = "not a configuration of this device kind";
        return false;
    }
    const Json::Value& channels = vljson::member(v, "channels");
    if (!channels.isArray() || channels.size() != d.channels.size()) {
        *error = "a configuration for " + std::to_string(channels.size()) + " channels, not "
            + std::to_string(d.channels.size());
        return false;
    }
    Json::Value apply(Json::objectValue);
    for (const char* key : { "name", "video_format", "channels", "params" }) {
        if (!vljson::has(v, key)) {
            *error = std::string("the configuration lacks ") + key;
            return false;
        }
        apply[key] = v[key];
    }
    for (const auto& c : channels)
        if (!c.isObject() || c.size() != 1 || !c["name"].isString()) {
            *error = "channels: objects {name}";
            return false;
        }
    // The configuration replaces the parameter store whole.
    d.params.clear();
    return applyDeviceJson(d, apply, error);
}

std::int32_t exportBackup(
    DeviceStore& store, int id, const std::string& user, Json::Value& note, std::vector<std::uint8_t>& block)
{
    bool allowed = false;
    std::string data;
    std::string name;
    store.read(id, [&](const Device& d) {
        allowed = mayChangeSettings(d, user);
        data = configData(d);
        name = d.name;
    });
    if (!allowed)
        return noted(note, vlwire::kNoRight, "the user may not read settings");
    if (data.size() > VLNET_PARAM_IMPORT_DATA_MAX)
        return noted(note, vlwire::kUnsupported, "the configuration does not fit a block");
    block.assign(VLNET_PARAM_IMPORT_HEAD_SIZE + data.size(), 0);
    vlwire::putU32(block.data(), std::uint32_t(block.size()));
    vlwire::putU32(block.data() + 4, std::uint32_t(data.size()));
    std::memcpy(block.data() + 8, name.data(), std::min<std::size_t>(name.size(), 32));
    std::memcpy(block.data() + VLNET_PARAM_IMPORT_HEAD_SIZE, data.data(), data.size());
    note["size"] = Json::UInt(data.size());
    return noted(note, vlwire::kOk);
}

std::int32_t paramImport(DeviceStore& store, int id, const std::string& user,
    const std::vector<std::uint8_t>& payload, Json::Value& note)
{
    if (payload.size() < VLNET_PARAM_IMPORT_HEAD_SIZE)
        return noted(note, vlwire::kBadRequest, "no configuration head");
    const std::uint32_t length = vlwire::getU32(payload.data() + 4);
    const char* name = reinterpret_cast<const char*>(payload.data() + 8);
    note["name"] = vljson::valid_utf8(std::string(name, strnlen(name, 32)));
    note["size"] = length;
    if (length > VLNET_PARAM_IMPORT_DATA_MAX || payload.size() != VLNET_PARAM_IMPORT_HEAD_SIZE + length)
        return noted(note, vlwire::kBadRequest, "the head names another length");
    const std::string data(
        reinterpret_cast<const char*>(payload.data()) + VLNET_PARAM_IMPORT_HEAD_SIZE, std::size_t(length));
    std::int32_t result = vlwire::kOk;
    std::string error;
    store.modify(id, [&](Device& d) {
        if (!mayChangeSettings(d, user)) {
            result = vlwire::kNoRight;
            error = "the user may not change settings";
            return;
        }
        Device copy = d;
        if (!applyConfigData(copy, data, &error)) {
            result = vlwire::kBadRequest;
            return;
        }
        d = std::move(copy);
    });
    return noted(note, result, error);
}

std::string webConfigText(const std::string& data)
{
    const std::string plain = vlsdk::multicast_base64_encode(data);
    std::string out;
    for (std::size_t at = 0; at < plain.size(); at += kLineLength) {
        if (at)
            out += "\r\n";
        out += plain.substr(at, kLineLength);
    }
    return out;
}

std::string webConfigData(const std::string& text)
{
    std::string plain;
    for (unsigned char c : text)
        if (!std::isspace(c))
            plain += char(c);
    return vlsdk::multicast_base64_decode(plain);
}

void addConfigPaths(WebServer& web)
{
    WebPath get;
    get.handle = [](WebCall& c) {
        if (!authenticated(c))
            return WebAnswer::failure("auth_failed", 200);
        std::string data;
        c.store.read(c.device, [&](const Device& d) { data = configData(d); });
        Json::Value answer(Json::objectValue);
        answer["param"] = webConfigText(data);
        c.note["size"] = Json::UInt(data.size());
        return WebAnswer::success(answer);
    };
    web.addPath(kGetPath, std::move(get));

    WebPath set;
    set.maxBody = 4u << 20;
    set.handle = [](WebCall& c) {
        if (!authenticated(c))
            return WebAnswer::failure("auth_failed", 200);
        const Json::Value& param = vljson::member(vljson::member(c.json, "data"), "param");
        const std::string data = param.isString() ? webConfigData(param.asString()) : std::string();
        std::string error = data.empty() ? "no configuration in param" : std::string();
        if (!data.empty())
            c.store.modify(c.device, [&](Device& d) {
                Device copy = d;
                if (applyConfigData(copy, data, &error))
                    d = std::move(copy);
            });
        c.note["size"] = Json::UInt(data.size());
        if (!error.empty()) {
            c.note["error"] = error;
            return WebAnswer::failure("invalid_param", 200);
        }
        return WebAnswer::success();
    };
    web.addPath(kSetPath, std::move(set));
}

} // namespace devsim
