#include "state_json.h"

#include "generate.h"
#include "keys.h"
#include "record_fields.h"
#include "wire.h"

#include <cstdio>
#include <fstream>
#include <json/reader.h>
#include <json/writer.h>
#include <sstream>
#include <stdexcept>

namespace devsim
{

namespace
{

// Typed readers: each returns false (and names the key) on a wrong type and
// leaves the target alone when the key is absent.
struct Reader {
    const Json::Value& v;
    std::string* error;
    std::string where;

    bool fail(const std::string& key, const char* want)
    {
        if (error)
            *error = where + key + " must be " + want;
        return false;
    }
    bool text(const char* key, std::string& out)
    {
        if (!v.isMember(key))
            return true;
        if (!v[key].isString())
            return fail(key, "a text");
        out = v[key].asString();
        return true;
    }
    bool flag(const char* key, bool& out)
    {
        if (!v.isMember(key))
            return true;
        if (!v[key].isBool())
            return fail(key, "true or false");
        out = v[key].asBool();
        return true;
    }
    template <class T> bool integer(const char* key, T& out, long long lo, long long hi)
    {
        if (!v.isMember(key))
            return true;
        if (!v[key].isIntegral() || v[key].asLargestInt() < lo || v[key].asLargestInt() > hi)
            return fail(key, ("an integer from " + std::to_string(lo) + " to " + std::to_string(hi)).c_str());
        out = T(v[key].asLargestInt());
        return true;
    }
};

std::string hexOf(const std::uint8_t* p, size_t n)
{
    return vlwire::toHex(p, n);
}

template <size_t N>
bool readHexArray(const Json::Value& v, const char* key, std::array<std::uint8_t, N>& out, std::string* error,
    const std::string& where)
{
    if (!v.isMember(key))
        return true;
    auto bytes = v[key].isString() ? vlwire::fromHex(v[key].asString()) : std::nullopt;
    if (!bytes || bytes->size() != N) {
        if (error)
            *error = where + key + " must be " + std::to_string(N) + " bytes in hex";
        return false;
    }
    std::copy(bytes->begin(), bytes->end(), out.begin());
    return true;
}

Json::Value rightsToJson(const Rights& r)
{
    Json::Value o(Json::objectValue);
    o["preview"] = r.preview;
    o["playback"] = r.playback;
    o["backup"] = r.backup;
    o["ptz"] = r.ptz;
    o["settings"] = r.settings;
    return o;
}

bool applyUser(User& u, const Json::Value& v, std::string* error, const std::string& where)
{
    Reader r { v, error, where };
    if (!r.text("password", u.password) || !r.flag("admin", u.admin) || !r.flag("enabled", u.enabled))
        return false;
    if (v.isMember("rights")) {
        if (!v["rights"].isObject())
            return r.fail("rights", "an object");
        Reader rr { v["rights"], error, where + "rights." };
        if (!rr.flag("preview", u.rights.preview) || !rr.flag("playback", u.rights.playback)
            || !rr.flag("backup", u.rights.backup) || !rr.flag("ptz", u.rights.ptz)
            || !rr.flag("settings", u.rights.settings))
            return false;
    }
    return true;
}

} // namespace

Json::Value networkToJson(const Network& n)
{
    Json::Value o(Json::objectValue);
    o["ip"] = n.ip;
    o["mask"] = n.mask;
    o["gateway"] = n.gateway;
    o["dns1"] = n.dns1;
    o["dns2"] = n.dns2;
    o["dhcp"] = n.dhcp;
    o["media_port"] = n.mediaPort;
    o["web_port"] = n.webPort;
    o["https_port"] = n.httpsPort;
    o["rtsp_port"] = n.rtspPort;
    o["ipv6"] = n.ipv6;
    return o;
}

bool applyNetworkJson(Network& n, const Json::Value& v, std::string* error)
{
    if (!v.isObject()) {
        if (error)
            *error = "network must be an object";
        return false;
    }
    Reader r { v, error, "network." };
    return r.text("ip", n.ip) && r.text("mask", n.mask) && r.text("gateway", n.gateway)
        && r.text("dns1", n.dns1) && r.text("dns2", n.dns2) && r.flag("dhcp", n.dhcp)
        && r.integer("media_port", n.mediaPort, 1, 65535) && r.integer("web_port", n.webPort, 1, 65535)
        && r.integer("https_port", n.httpsPort, 0, 65535) && r.integer("rtsp_port", n.rtspPort, 0, 65535)
        && r.text("ipv6", n.ipv6);
}

Json::Value faultsToJson(const Faults& f)
{
    Json::Value o(Json::objectValue);
    o["refuse_login"] = f.refuseLogin;
    o["drop"] = f.dropReplies;
    o["delay_ms"] = f.delayMs;
    o["offline"] = f.offline;
    return o;
}

bool applyFaultsJson(Faults& f, const Json::Value& v, std::string* error)
{
    Reader r { v, error, "faults." };
    return r.integer("refuse_login", f.refuseLogin, 0, 999) && r.flag("drop", f.dropReplies)
        && r.integer("delay_ms", f.delayMs, 0, 600000) && r.flag("offline", f.offline);
}

Json::Value deviceToJson(const Device& d, bool runtime)
{
    Json::Value o(Json::objectValue);
    o["index"] = d.index;
    o["kind"] = kindName(d.kind);
    o["device_type"] = d.deviceType;
    o["model"] = d.model;
    o["manufacturer"] = d.manufacturer;
    o["product_code"] = d.productCode;
    o["name"] = d.name;
    o["mac"] = d.mac;
    o["serial"] = d.serial;
    o["dev_id"] = hexOf(d.devId.data(), d.devId.size());
    o["device_id"] = d.deviceId;
    o["firmware"] = d.firmware;
    o["hardware"] = d.hardware;
    o["p2p_id"] = d.p2pId;
    Json::Value ch(Json::arrayValue);
    for (const auto& c : d.channels) {
        Json::Value e(Json::objectValue);
        e["name"] = c.name;
        e["online"] = c.online;
        ch.append(e);
    }
    o["channels"] = ch;
    o["analog_channels"] = d.analogChannels;
    o["alarm_in"] = d.alarmIn;
    o["alarm_out"] = d.alarmOut;
    o["video_format"] = d.videoFormat;
    o["max_sessions"] = d.maxSessions;
    o["onvif"] = d.onvif;
    o["activated"] = d.activated;
    Json::Value users(Json::arrayValue);
    for (const auto& u : d.users) {
        Json::Value e(Json::objectValue);
        e["name"] = u.name;
        e["password"] = u.password;
        e["admin"] = u.admin;
        e["enabled"] = u.enabled;
        e["rights"] = rightsToJson(u.rights);
        users.append(e);
    }
    o["users"] = users;
    o["network"] = networkToJson(d.net);
    Json::Value keys(Json::objectValue);
    keys["private"] = hexOf(d.keys.privateKey.data(), 32);
    keys["public"] = hexOf(d.keys.publicKey.data(), 32);
    o["keys"] = keys;
    Json::Value params(Json::arrayValue);
    for (const auto& [key, bytes] : d.params) {
        Json::Value e(Json::objectValue);
        e["msg"] = key.first;
        e["channel"] = key.second;
        e["hex"] = hexOf(bytes.data(), bytes.size());
        params.append(e);
    }
    o["params"] = params;
    o["even_check"] = d.evenCheck;
    Json::Value record(Json::objectValue);
    for (const auto& [key, value] : d.recordFields)
        record[key] = value;
    o["record"] = record;
    o["faults"] = faultsToJson(d.faults);
    if (runtime) {
        o["online"] = d.online();
        o["rebooting"] = d.rebooting;
        o["boots"] = d.boots;
        o["sessions"] = d.sessions;
        Json::Value web(Json::arrayValue);
        for (const auto& w : d.webSessions) {
            Json::Value e(Json::objectValue);
            e["cookie"] = w.cookie;
            e["token"] = w.token;
            e["user"] = w.user;
            e["session"] = w.session;
            e["https"] = w.https;
            web.append(e);
        }
        o["web_sessions"] = web;
    }
    return o;
}

bool applyDeviceJson(Device& d, const Json::Value& v, std::string* error)
{
    if (!v.isObject()) {
        if (error)
            *error = "a device must be an object";
        return false;
    }
    Reader r { v, error, "" };
    if (v.isMember("kind")) {
        if (!v["kind"].isString() || !kindFromName(v["kind"].asString(), &d.kind))
            return r.fail("kind", "\"ipc\", \"nvr\" or \"dvr\"");
        if (!v.isMember("device_type"))
            d.deviceType = defaultDeviceType(d.kind);
    }
    if (!r.integer("device_type", d.deviceType, 0, 15) || !r.text("model", d.model)
        || !r.text("manufacturer", d.manufacturer) || !r.text("product_code", d.productCode)
        || !r.text("name", d.name) || !r.text("mac", d.mac) || !r.text("serial", d.serial)
        || !readHexArray(v, "dev_id", d.devId, error, "")
        || !r.integer("device_id", d.deviceId, 0, 0xFFFFFFFFll) || !r.text("firmware", d.firmware)
        || !r.text("hardware", d.hardware) || !r.text("p2p_id", d.p2pId)
        || !r.integer("analog_channels", d.analogChannels, 0, 255)
        || !r.integer("alarm_in", d.alarmIn, 0, 255) || !r.integer("alarm_out", d.alarmOut, 0, 255)
        || !r.integer("video_format", d.videoFormat, 0, 1)
        || !r.integer("max_sessions", d.maxSessions, 1, 1000) || !r.flag("activated", d.activated)
        || !r.flag("onvif", d.onvif) || !r.integer("even_check", d.evenCheck, -2147483648ll, 2147483647ll))
        return false;
    if (v.isMember("channels")) {
        const auto& c = v["channels"];
        if (c.isIntegral()) {
            int n = c.asInt();
            if (n < 1 || n > 256)
                return r.fail("channels", "a count from 1 to 256 or an array");
            d.channels.resize(size_t(n));
            for (int i = 0; i < n; ++i)
                if (d.channels[size_t(i)].name.empty())
                    d.channels[size_t(i)].name = "CH" + std::to_string(i + 1);
        } else if (c.isArray() && !c.empty() && c.size() <= 256) {
            std::vector<Channel> out;
            for (Json::ArrayIndex i = 0; i < c.size(); ++i) {
                Channel ch { "CH" + std::to_string(i + 1), true };
                Reader cr { c[i], error, "channels[" + std::to_string(i) + "]." };
                if (!c[i].isObject())
                    return r.fail("channels", "objects {name, online}");
                if (!cr.text("name", ch.name) || !cr.flag("online", ch.online))
                    return false;
                out.push_back(ch);
            }
            d.channels = out;
        } else {
            return r.fail("channels", "a count from 1 to 256 or an array of 1 to 256 channels");
        }
    }
    if (v.isMember("users")) {
        const auto& us = v["users"];
        if (!us.isArray())
            return r.fail("users", "an array");
        for (Json::ArrayIndex i = 0; i < us.size(); ++i) {
            std::string where = "users[" + std::to_string(i) + "].";
            if (!us[i].isObject() || !us[i]["name"].isString() || us[i]["name"].asString().empty())
                return r.fail("users", "objects with a non-empty \"name\"");
            std::string name = us[i]["name"].asString();
            if (us[i].get("remove", false).asBool()) {
                for (auto it = d.users.begin(); it != d.users.end(); ++it)
                    if (it->name == name) {
                        d.users.erase(it);
                        break;
                    }
                continue;
            }
            User* u = d.findUser(name);
            if (!u) {
                d.users.push_back(User {});
                u = &d.users.back();
                u->name = name;
            }
            if (!applyUser(*u, us[i], error, where))
                return false;
        }
    }
    if (v.isMember("network") && !applyNetworkJson(d.net, v["network"], error))
        return false;
    if (v.isMember("keys")) {
        const auto& k = v["keys"];
        if (!k.isObject())
            return r.fail("keys", "an object");
        if (!readHexArray(k, "private", d.keys.privateKey, error, "keys."))
            return false;
        if (k.isMember("private") && !publicKeyOf(d.keys.privateKey, &d.keys.publicKey))
            return r.fail("keys.private", "an X25519 private key");
    }
    if (v.isMember("params")) {
        const auto& ps = v["params"];
        if (!ps.isArray())
            return r.fail("params", "an array");
        for (const auto& p : ps) {
            auto bytes = p["hex"].isString() ? vlwire::fromHex(p["hex"].asString()) : std::nullopt;
            if (!p["msg"].isIntegral() || !p["channel"].isIntegral() || !bytes)
                return r.fail("params", "objects {msg, channel, hex}");
            d.params[{ p["msg"].asInt(), p["channel"].asInt() }] = *bytes;
        }
    }
    if (v.isMember("record")) {
        // Merged key by key; null removes a key's override.
        const auto& rec = v["record"];
        if (!rec.isObject())
            return r.fail("record", "an object of device-information fields");
        for (const auto& key : rec.getMemberNames()) {
            if (rec[key].isNull()) {
                d.recordFields.erase(key);
                continue;
            }
            if (!checkRecordField(key, rec[key], error))
                return false;
            d.recordFields[key] = rec[key];
        }
    }
    if (v.isMember("faults") && !applyFaultsJson(d.faults, v["faults"], error))
        return false;
    return true;
}

std::vector<Device> loadDevices(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error(path + ": cannot be read");
    Json::CharReaderBuilder builder;
    Json::Value root;
    std::string errs;
    if (!Json::parseFromStream(builder, in, &root, &errs))
        throw std::runtime_error(path + ": not JSON: " + errs);
    const Json::Value& list = root.isArray() ? root : root["devices"];
    if (!list.isArray())
        throw std::runtime_error(path + ": no \"devices\" array");
    GenerateOptions defaults;
    defaults.inactivePercent = 0;
    defaults.onvifPercent = 0;
    std::vector<Device> out;
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
        Device d = generateDevice(int(i), defaults);
        // A file lists a device's whole set of users; the defaults' own
        // accounts must not slip in beside them.
        if (list[i].isObject() && list[i].isMember("users"))
            d.users.clear();
        std::string error;
        if (!applyDeviceJson(d, list[i], &error))
            throw std::runtime_error(path + ": device " + std::to_string(i) + ": " + error);
        out.push_back(std::move(d));
    }
    return out;
}

void saveDevices(const std::string& path, const std::vector<Device>& devices)
{
    Json::Value root(Json::objectValue);
    root["version"] = 1;
    Json::Value list(Json::arrayValue);
    for (const auto& d : devices)
        list.append(deviceToJson(d, false));
    root["devices"] = list;
    Json::StreamWriterBuilder builder;
    builder["indentation"] = " ";
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        if (!out)
            throw std::runtime_error(tmp + ": cannot be written");
        out << Json::writeString(builder, root) << "\n";
        out.flush();
        if (!out)
            throw std::runtime_error(tmp + ": write failed");
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0)
        throw std::runtime_error(path + ": cannot replace");
}

} // namespace devsim
