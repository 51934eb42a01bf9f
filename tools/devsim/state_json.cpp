#include "state_json.h"

#include "common/hex.h"
#include "common/json.h"
#include "device_reset.h"
#include "generate.h"
#include "keys.h"
#include "record_fields.h"
#include "stream_osd.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace devsim
{

namespace
{

// Device state is read member by member in its own type; the first member
// that is not names itself in the error.
vljson::reader readerOf(const Json::Value& v, std::string where)
{
    return vljson::reader(v, vljson::policy::exact, std::move(where));
}

bool report(const vljson::reader& r, std::string* error)
{
    if (!r.ok() && error)
        *error = r.error();
    return r.ok();
}

std::string hexOf(const std::uint8_t* p, size_t n)
{
    return vlhex::to_hex(p, n);
}

template <size_t N>
bool readHexArray(const Json::Value& v, const char* key, std::array<std::uint8_t, N>& out, std::string* error,
    const std::string& where)
{
    if (!vljson::has(v, key))
        return true;
    auto bytes = v[key].isString() ? vlhex::from_hex(v[key].asString()) : std::nullopt;
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
    vljson::reader r = readerOf(v, where);
    r.read("password", u.password);
    // A password that is no UTF-8 (Latin-1 bytes from 0x80 up) is kept as hex.
    std::string hex;
    if (r.read("password_hex", hex) && r.found()) {
        auto bytes = vlhex::from_hex(hex);
        if (!bytes)
            r.fail("password_hex", "hex");
        else
            u.password.assign(bytes->begin(), bytes->end());
    }
    r.read("admin", u.admin);
    r.read("enabled", u.enabled);
    if (!report(r, error))
        return false;
    if (r.has("rights")) {
        if (!v["rights"].isObject()) {
            r.fail("rights", "an object");
            return report(r, error);
        }
        vljson::reader rr = readerOf(v["rights"], where + "rights.");
        rr.read("preview", u.rights.preview);
        rr.read("playback", u.rights.playback);
        rr.read("backup", u.rights.backup);
        rr.read("ptz", u.rights.ptz);
        rr.read("settings", u.rights.settings);
        return report(rr, error);
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
    o["pppoe"] = n.pppoe;
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
    // Read into a copy: a bad member leaves the network as it was.
    Network copy = n;
    vljson::reader r = readerOf(v, "network.");
    r.read("ip", copy.ip);
    r.read("mask", copy.mask);
    r.read("gateway", copy.gateway);
    r.read("dns1", copy.dns1);
    r.read("dns2", copy.dns2);
    r.read("dhcp", copy.dhcp);
    r.read("pppoe", copy.pppoe);
    r.read("media_port", copy.mediaPort, 1, 65535);
    r.read("web_port", copy.webPort, 1, 65535);
    r.read("https_port", copy.httpsPort, 0, 65535);
    r.read("rtsp_port", copy.rtspPort, 0, 65535);
    r.read("ipv6", copy.ipv6);
    if (!report(r, error))
        return false;
    n = std::move(copy);
    return true;
}

Json::Value faultsToJson(const Faults& f)
{
    Json::Value o(Json::objectValue);
    o["refuse_login"] = f.refuseLogin;
    o["drop"] = f.dropReplies;
    o["delay_ms"] = f.delayMs;
    o["offline"] = f.offline;
    o["empty_params"] = f.emptyParams;
    return o;
}

bool applyFaultsJson(Faults& f, const Json::Value& v, std::string* error)
{
    Faults copy = f;
    vljson::reader r = readerOf(v, "faults.");
    r.read("refuse_login", copy.refuseLogin, 0, 999);
    r.read("drop", copy.dropReplies);
    r.read("delay_ms", copy.delayMs, 0, 600000);
    r.read("offline", copy.offline);
    r.read("empty_params", copy.emptyParams);
    if (!report(r, error))
        return false;
    f = copy;
    return true;
}

Json::Value timeToJson(const TimeSettings& t)
{
    Json::Value o(Json::objectValue);
    o["zone"] = t.zone;
    o["ntp"] = t.ntp;
    o["time_mode"] = t.timeMode;
    o["date_mode"] = t.dateMode;
    o["offset_ms"] = Json::Int64(t.offsetMs);
    return o;
}

bool applyTimeJson(TimeSettings& t, const Json::Value& v, std::string* error)
{
    TimeSettings copy = t;
    vljson::reader r = readerOf(v, "time.");
    r.read("zone", copy.zone, 0, 33);
    r.read("ntp", copy.ntp);
    r.read("time_mode", copy.timeMode, 0, 255);
    r.read("date_mode", copy.dateMode, 0, 255);
    r.read("offset_ms", copy.offsetMs, -(1ll << 50), 1ll << 50);
    if (!report(r, error))
        return false;
    t = copy;
    return true;
}

bool applyChannelJson(Channel& ch, const Json::Value& v, std::string* error, const std::string& where)
{
    vljson::reader r = readerOf(v, where);
    r.read("name", ch.name);
    r.read("online", ch.online);
    r.read("abilities", ch.abilities);
    r.read("abilities_ex", ch.abilitiesEx);
    if (!report(r, error))
        return false;
    if (r.has("abilities_arr")) {
        const Json::Value& words = v["abilities_arr"];
        std::array<std::uint32_t, 8> out {};
        bool ok = words.isArray() && words.size() <= 8;
        for (Json::ArrayIndex k = 0; ok && k < words.size(); ++k) {
            ok = words[k].isUInt();
            if (ok)
                out[k] = words[k].asUInt();
        }
        if (!ok) {
            r.fail("abilities_arr", "an array of up to 8 words");
            return report(r, error);
        }
        ch.abilitiesArr = out;
    }
    if (r.has("alarms")) {
        if (!v["alarms"].isObject()) {
            r.fail("alarms", "an object");
            return report(r, error);
        }
        vljson::reader ar = readerOf(v["alarms"], where + "alarms.");
        for (const char* type : kAlarmTypes)
            ar.read(type, *alarmFlag(ch.alarms, type));
        ar.read("smart_type", ch.alarms.smartType);
        if (!report(ar, error))
            return false;
    }
    return applyStreamOsdJson(ch, v, error, where);
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
        e["abilities"] = c.abilities;
        e["abilities_ex"] = c.abilitiesEx;
        Json::Value words(Json::arrayValue);
        for (std::uint32_t w : c.abilitiesArr)
            words.append(w);
        e["abilities_arr"] = words;
        Json::Value alarms(Json::objectValue);
        ChannelAlarms a = c.alarms;
        for (const char* type : kAlarmTypes)
            alarms[type] = *alarmFlag(a, type);
        alarms["smart_type"] = c.alarms.smartType;
        e["alarms"] = alarms;
        streamOsdToJson(c, e);
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
        if (vljson::is_valid_utf8(u.password))
            e["password"] = u.password;
        else
            e["password_hex"] = vlhex::to_hex(u.password);
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
    o["time"] = timeToJson(d.time);
    Json::Value record(Json::objectValue);
    for (const auto& [key, value] : d.recordFields)
        record[key] = value;
    o["record"] = record;
    o["faults"] = faultsToJson(d.faults);
    o["reset"] = resetProfileToJson(d.reset);
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
    vljson::reader r = readerOf(v, "");
    auto failed = [&](const char* key, const char* want) {
        r.fail(key, want);
        return report(r, error);
    };
    if (r.has("kind")) {
        if (!v["kind"].isString() || !kindFromName(v["kind"].asString(), &d.kind))
            return failed("kind", "\"ipc\", \"nvr\" or \"dvr\"");
        if (!r.has("device_type"))
            d.deviceType = defaultDeviceType(d.kind);
    }
    r.read("device_type", d.deviceType, 0, 15);
    r.read("model", d.model);
    r.read("manufacturer", d.manufacturer);
    r.read("product_code", d.productCode);
    r.read("name", d.name);
    r.read("mac", d.mac);
    r.read("serial", d.serial);
    r.read("device_id", d.deviceId, 0, 0xFFFFFFFFll);
    r.read("firmware", d.firmware);
    r.read("hardware", d.hardware);
    r.read("p2p_id", d.p2pId);
    r.read("analog_channels", d.analogChannels, 0, 255);
    r.read("alarm_in", d.alarmIn, 0, 255);
    r.read("alarm_out", d.alarmOut, 0, 255);
    r.read("video_format", d.videoFormat, 0, 1);
    r.read("max_sessions", d.maxSessions, 1, 1000);
    r.read("activated", d.activated);
    r.read("onvif", d.onvif);
    r.read("even_check", d.evenCheck);
    if (!report(r, error) || !readHexArray(v, "dev_id", d.devId, error, ""))
        return false;
    if (v.isMember("channels")) {
        const auto& c = v["channels"];
        if (c.isIntegral()) {
            int n = c.asInt();
            if (n < 1 || n > 256)
                return failed("channels", "a count from 1 to 256 or an array");
            d.channels.resize(size_t(n));
            for (int i = 0; i < n; ++i)
                if (d.channels[size_t(i)].name.empty())
                    d.channels[size_t(i)].name = "CH" + std::to_string(i + 1);
        } else if (c.isArray() && !c.empty() && c.size() <= 256) {
            // Channel i starts from the device's channel i: keys left out
            // keep their values.
            std::vector<Channel> out;
            for (Json::ArrayIndex i = 0; i < c.size(); ++i) {
                Channel ch;
                if (i < d.channels.size())
                    ch = d.channels[i];
                else
                    ch.name = "CH" + std::to_string(i + 1);
                if (!c[i].isObject())
                    return failed("channels", "objects {name, online, ...}");
                if (!applyChannelJson(ch, c[i], error, "channels[" + std::to_string(i) + "]."))
                    return false;
                out.push_back(ch);
            }
            d.channels = out;
        } else {
            return failed("channels", "a count from 1 to 256 or an array of 1 to 256 channels");
        }
    }
    if (v.isMember("users")) {
        const auto& us = v["users"];
        if (!us.isArray())
            return failed("users", "an array");
        for (Json::ArrayIndex i = 0; i < us.size(); ++i) {
            std::string where = "users[" + std::to_string(i) + "].";
            if (!us[i].isObject() || !us[i]["name"].isString() || us[i]["name"].asString().empty())
                return failed("users", "objects with a non-empty \"name\"");
            std::string name = us[i]["name"].asString();
            if (readerOf(us[i], where).flag("remove")) {
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
            return failed("keys", "an object");
        if (!readHexArray(k, "private", d.keys.privateKey, error, "keys."))
            return false;
        if (k.isMember("private") && !publicKeyOf(d.keys.privateKey, &d.keys.publicKey))
            return failed("keys.private", "an X25519 private key");
    }
    if (v.isMember("params")) {
        const auto& ps = v["params"];
        if (!ps.isArray())
            return failed("params", "an array");
        for (const auto& p : ps) {
            auto bytes = p["hex"].isString() ? vlhex::from_hex(p["hex"].asString()) : std::nullopt;
            if (!p["msg"].isIntegral() || !p["channel"].isIntegral() || !bytes)
                return failed("params", "objects {msg, channel, hex}");
            d.params[{ p["msg"].asInt(), p["channel"].asInt() }] = *bytes;
        }
    }
    if (v.isMember("record")) {
        // Merged key by key; null removes a key's override.
        const auto& rec = v["record"];
        if (!rec.isObject())
            return failed("record", "an object of device-information fields");
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
    if (v.isMember("time") && !applyTimeJson(d.time, v["time"], error))
        return false;
    if (v.isMember("faults") && !applyFaultsJson(d.faults, v["faults"], error))
        return false;
    if (v.isMember("reset") && !applyResetProfileJson(d.reset, v["reset"], error))
        return false;
    return true;
}

std::vector<Device> loadDevices(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error(path + ": cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    Json::Value root;
    std::string errs;
    if (!vljson::parse(text.str(), root, vljson::syntax::lenient, &errs))
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
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        if (!out)
            throw std::runtime_error(tmp + ": cannot be written");
        out << vljson::write_indented(root, " ") << "\n";
        out.flush();
        if (!out)
            throw std::runtime_error(tmp + ": write failed");
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0)
        throw std::runtime_error(path + ": cannot replace");
}

} // namespace devsim
