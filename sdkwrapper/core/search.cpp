#include "core/search.h"

#include "common/json.h"
#include "core/export_guard.h"
#include "core/log.h"
#include "core/login_tables.h"
#include "core/record_text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace vlsdk
{

namespace
{

// The OEM type whose devices report their alarm pins and talk support.
constexpr uint8_t kOemTypeWithPins = 11;

std::string screened(const std::string& text)
{
    return starts_with_ascii_alnum(text) ? text : std::string();
}

const char* network_mode_text(int32_t mode)
{
    switch (mode) {
    case 0:
        return "dhcp";
    case 1:
        return "pppoe";
    case 2:
        return "static";
    default:
        return "unknown";
    }
}

// Eight groups of four lower-case hex digits, no shortening.
std::string ipv6_text(const uint8_t (&bytes)[16])
{
    char text[40];
    char* at = text;
    for (int i = 0; i < 16; i += 2) {
        if (i)
            *at++ = ':';
        at += std::snprintf(at, 5, "%02x%02x", bytes[i], bytes[i + 1]);
    }
    return std::string(text, size_t(at - text));
}

// A text slot cut to its width: the SDK reads at most that many bytes and
// needs no NUL when the text fills the slot.
template <size_t N> void put_slot(char (&slot)[N], const std::string& text)
{
    std::memcpy(slot, text.data(), std::min(N, text.size()));
}

void log_parse_error(const void* acting)
{
    write_log("dev:%p, this:%p, [:] call <searh_device> error:vl_parse_json_error\n",
        static_cast<void*>(nullptr), acting);
}

search_context* new_context(const search_request& request, vl_json_callback callback, void* user)
{
    auto* context = new search_context();
    context->callback = callback;
    context->user = user;
    context->oem_type = request.oem_type;
    return context;
}

} // namespace

bool read_search_request(const Json::Value& root, search_request& out)
{
    if (!root.isObject())
        return false;
    out = search_request {};
    // Read as a login reads its request: the JSON library's conversions
    // decide, anything else is unreadable.
    vljson::reader r(root, vljson::policy::convert);
    std::string oem;
    int32_t timeout = 0;
    r.read("oem type", oem);
    r.read("start ip", out.start_ip);
    r.read("stop ip", out.stop_ip);
    r.read("recv timeout millisecond", timeout);
    if (!r.ok())
        return false;
    out.oem_type = oem_type_number(oem);
    out.timeout_ms = static_cast<uint16_t>(static_cast<uint32_t>(timeout) & 0xFFFFu);
    return true;
}

std::string search_system_time(const VLNET_TIME& t)
{
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59
        || t.second > 59)
        return std::string();
    // Room for a five-digit year: the device's clock is shown as it is.
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
        t.minute, t.second);
    return text;
}

Json::Value search_result_json(const VLNET_SEARCH_DEV_RSP& r, uint8_t oem_type)
{
    Json::Value o(Json::objectValue);
    o["ip"] = screened(slot_text(r.ip));
    o["host name"] = screened(slot_text(r.host_name));
    o["netmask"] = screened(slot_text(r.netmask));
    o["gateway"] = screened(slot_text(r.gateway));
    o["dns1"] = screened(slot_text(r.dns1));
    o["dns2"] = screened(slot_text(r.dns2));
    o["media port"] = Json::UInt(r.media_port);
    o["web port"] = Json::UInt(r.web_port);
    o["network mode"] = network_mode_text(r.network_mode);
    o["device type"] = screened(slot_text(r.device_type));
    o["device type ull"] = Json::UInt64(uint64_t(r.dev_type_h) << 32 | r.dev_type_l);
    o["device version"] = screened(slot_text(r.device_version));
    o["device id"] = Json::UInt(r.device_id);
    o["device name"] = screened(slot_text(r.device_name));
    o["mac addr"] = screened(slot_text(r.mac_addr));
    o["channel number"] = Json::UInt(r.channel_number);
    o["version"] = int(r.version);
    o["net interface"] = int(r.net_interface);
    o["p2p id"] = screened(slot_text(r.p2p_id));
    o["manufacture"] = screened(slot_text(r.manufacture));
    o["rtsp port"] = int(r.rtsp_port);
    o["analogy channel number"] = int(r.analog_channel_num);
    const std::string time = search_system_time(r.system_time);
    if (!time.empty())
        o["system time"] = time;
    o["is first login"] = int(r.is_first_login);
    if (oem_type == kOemTypeWithPins) {
        o["input pin count"] = int(r.input_pin_count);
        o["output pin count"] = int(r.output_pin_count);
        o["support two way talk"] = int(r.support_two_way_talk);
    }
    const std::string api_version = slot_text(r.http_api_version);
    if (starts_with_ascii_alnum(api_version)) {
        o["http_api_version"] = api_version;
        o["https_port"] = Json::UInt(r.https_port);
        o["support_http_api_config_net"] = int(r.support_http_api_config_net);
    }
    o["sys_channel_num"] = Json::UInt(r.sys_channel_num);
    o["serialnum"] = slot_text(r.serialnum);
    if (r.ipv6[0] != 0)
        o["ipv6"] = ipv6_text(r.ipv6);
    return o;
}

int VLNET_CALL search_device_callback(const VLNET_SEARCH_DEV_RSP* record, void* context)
{
    auto* search = static_cast<search_context*>(context);
    if (!search)
        return 1;
    if (!record) {
        // The end: the caller hears it, and the context goes, also for a
        // search that was started without a callback.
        if (search->callback)
            search->callback(nullptr, search->user);
        delete search;
        return 1;
    }
    if (!search->callback)
        return 1;
    export_guard("searh_device callback", 0, [&] {
        const std::string text = vljson::write_styled(search_result_json(*record, search->oem_type));
        search->callback(text.c_str(), search->user);
        return 0;
    });
    return 1;
}

int search_device(const char* json, vl_json_callback callback, void* user)
{
    Json::Value root;
    search_request request;
    if (!vljson::parse(json, root) || !read_search_request(root, request)) {
        log_parse_error(nullptr);
        return vl_parse_json_error;
    }
    search_context* context = new_context(request, callback, user);
    int started = 0;
    if (!request.start_ip.empty() && !request.stop_ip.empty()) {
        VLNET_SEARCH_DEV_POINT2POINT start;
        std::memset(&start, 0, sizeof start);
        start.callback = search_device_callback;
        start.context = context;
        start.oem_type = request.oem_type;
        put_slot(start.start_ip, request.start_ip);
        put_slot(start.stop_ip, request.stop_ip);
        start.recv_timeout_ms = request.timeout_ms;
        started = VLNetSearchDevPoint2Point(&start);
        write_log("dev:%p, this:%p, [:] call <searh_device udp_point_to_point> result:success\n",
            static_cast<void*>(nullptr), static_cast<void*>(nullptr));
    } else {
        VLNET_SEARCH_DEV start;
        std::memset(&start, 0, sizeof start);
        start.callback = search_device_callback;
        start.context = context;
        start.oem_type = request.oem_type;
        start.recv_timeout_ms = request.timeout_ms;
        started = VLNetSearchDev(&start);
        write_log("dev:%p, this:%p, [:] call <searh_device normal> result:success\n",
            static_cast<void*>(nullptr), static_cast<void*>(nullptr));
    }
    // A refused search makes no callback at all: end it here, so that the
    // caller still gets its end and the context is not lost.
    if (!started)
        search_device_callback(nullptr, context);
    return vl_success;
}

int start_search_device(vl_search_handle& holder, const char* json, vl_json_callback callback, void* user)
{
    Json::Value root;
    search_request request;
    if (!vljson::parse(json, root) || !read_search_request(root, request)) {
        log_parse_error(&holder);
        return vl_parse_json_error;
    }
    search_context* context = new_context(request, callback, user);
    VLNET_START_SEARCH_DEVICE start;
    std::memset(&start, 0, sizeof start);
    start.callback = search_device_callback;
    start.context = context;
    start.oem_type = request.oem_type;
    start.start_ip = request.start_ip.empty() ? nullptr : request.start_ip.c_str();
    start.stop_ip = request.stop_ip.empty() ? nullptr : request.stop_ip.c_str();
    start.recv_timeout_ms = request.timeout_ms;
    holder.handle = VLNetStartSearchDevice(&start);
    if (holder.handle == 0) {
        search_device_callback(nullptr, context);
        return vl_fail;
    }
    return vl_success;
}

} // namespace vlsdk
