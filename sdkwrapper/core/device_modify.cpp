#include "core/device_modify.h"

#include "common/json.h"
#include "core/log.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace vlsdk
{

namespace
{

// A text into a slot, cut to the slot's width: the SDK reads at most that
// many bytes and needs no NUL when the text fills the slot.
template <size_t N> void put_slot(char (&slot)[N], const std::string& text)
{
    std::memcpy(slot, text.data(), std::min(N, text.size()));
}

void put_address(uint8_t (&field)[4], const std::string& text)
{
    // A text that is no address leaves the field 0.0.0.0.
    parse_ipv4(text.c_str(), field);
}

uint8_t network_mode_byte(const std::string& mode)
{
    if (mode == "pppoe")
        return 1;
    if (mode == "static")
        return 2;
    return 0; // "dhcp" and any other text
}

// A 64-bit unsigned member: a whole number from 0 to 2^64 - 1 (or a
// boolean); true when absent.
bool read_u64(const Json::Value& root, const char* key, uint64_t& out)
{
    const Json::Value& v = vljson::member(root, key);
    if (v.isNull())
        return true;
    if (v.isBool()) {
        out = v.asBool() ? 1 : 0;
        return true;
    }
    if (!v.isUInt64())
        return false;
    out = v.asUInt64();
    return true;
}

} // namespace

bool parse_ipv4(const char* text, uint8_t (&octets)[4])
{
    if (!text || !*text)
        return false;
    uint8_t parsed[4] = { 0, 0, 0, 0 };
    int count = 0; // octets begun
    int value = 0;
    bool after_digit = false;
    for (const char* p = text; *p; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9') {
            if (!after_digit && ++count > 4)
                return false;
            value = value * 10 + (c - '0');
            if (value > 255)
                return false;
            after_digit = true;
        } else if (c == '.') {
            if (!after_digit || count >= 4)
                return false;
            parsed[count - 1] = static_cast<uint8_t>(value);
            value = 0;
            after_digit = false;
        } else {
            return false;
        }
    }
    if (count != 4 || !after_digit)
        return false;
    parsed[3] = static_cast<uint8_t>(value);
    std::memcpy(octets, parsed, sizeof parsed);
    return true;
}

bool read_new_dev_info(const Json::Value& request, VLNET_NEW_DEV_INFO& out)
{
    std::memset(&out, 0, sizeof out);
    if (!request.isObject())
        return false;
    vljson::reader r(request, vljson::policy::convert);
    std::string user, password, original, change, mask, gateway, dns1, dns2, mac, mode;
    int32_t media_port = 0;
    int32_t web_port = 0;
    bool point_to_point = false;
    uint64_t device_type = 0;
    r.read("user", user);
    r.read("password", password);
    r.read("original ip", original);
    r.read("change ip", change);
    r.read("netmask", mask);
    r.read("gateway", gateway);
    r.read("dns1", dns1);
    r.read("dns2", dns2);
    r.read("mac addr", mac);
    const bool type_ok = read_u64(request, "device type ull", device_type);
    r.read("media port", media_port);
    r.read("web port", web_port);
    r.read("network mode", mode);
    r.read("point to point", point_to_point);
    if (!r.ok() || !type_ok)
        return false;

    put_slot(out.version, "12");
    put_slot(out.user, user);
    put_slot(out.password, password);
    put_address(out.original_ip, original);
    put_address(out.new_ip, change);
    put_address(out.netmask, mask);
    put_address(out.gateway, gateway);
    put_address(out.dns1, dns1);
    put_address(out.dns2, dns2);
    put_slot(out.mac_addr, mac);
    out.device_type = device_type;
    out.media_port = media_port;
    out.web_port = web_port;
    out.network_mode = network_mode_byte(mode);
    out.byte225 = 1;
    out.byte226 = 0;
    out.point_to_point = point_to_point ? 1 : 0;
    return true;
}

int modify_device(const char* json, const vlnet_calls& sdk)
{
    Json::Value root;
    VLNET_NEW_DEV_INFO record;
    if (!vljson::parse(json, root) || !read_new_dev_info(root, record)) {
        write_log("dev:%p, this:%p, [:] call <modify_device> error:vl_parse_json_error\n",
            static_cast<void*>(nullptr), static_cast<void*>(nullptr));
        return vl_parse_json_error;
    }
    const bool ok = sdk.set_new_dev_info_ex(&record) != 0;
    // The password is in the record only: nothing of it reaches the log.
    std::memset(record.password, 0, sizeof record.password);
    write_log("dev:%p, this:%p, [:] call <modify_device> result:%s\n", static_cast<void*>(nullptr),
        static_cast<void*>(nullptr), ok ? "success" : "fail");
    return ok ? vl_success : vl_fail;
}

void fill_capture(uint32_t channel, const std::string& picture_name, VLNET_CAPTURE& out)
{
    std::memset(&out, 0, sizeof out);
    out.channel = channel;
    put_slot(out.picture_name, picture_name);
    // The SDK takes a NUL-terminated name: a longer one loses its last
    // character rather than running past the slot.
    out.picture_name[sizeof out.picture_name - 1] = 0;
    out.picture_format = 8;
}

int capture_from_device(const void* dev, const void* context, const char* json, const connection& conn)
{
    Json::Value root;
    uint32_t channel = 0;
    std::string picture_name;
    bool ok = vljson::parse(json, root) && root.isObject();
    if (ok) {
        vljson::reader r(root, vljson::policy::convert);
        r.read("channel", channel);
        r.read("picture name", picture_name);
        ok = r.ok();
    }
    if (!ok) {
        write_log("dev:%p, this:%p, [%s] call <capture_from_device> error:vl_parse_json_error\n", dev,
            context, conn.label().c_str());
        return vl_parse_json_error;
    }
    const int handle = conn.login_handle();
    if (handle == 0) {
        write_log("dev:%p, this:%p, [%s ch:%d] call <capture_from_device> error:vl_need_login_first\n", dev,
            context, conn.label().c_str(), static_cast<int>(channel));
        return vl_need_login_first;
    }
    VLNET_CAPTURE record;
    fill_capture(channel, picture_name, record);
    return conn.sdk().capture(handle, &record) != 0 ? vl_success : vl_fail;
}

} // namespace vlsdk
