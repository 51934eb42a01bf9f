// The read of VLSDKWrapper's search answers, apart from the rest of the
// range search: it depends on nothing of the program's settings, so that the
// fuzz target can take it alone.
#include "common/json.h"
#include "devices/DeviceTexts.h"
#include "search/RangeSearch.h"

#include <QByteArray>
#include <cstring>
#include <json/value.h>

namespace
{

// A member as a whole number: absent, null or another JSON type read as 0.
long long number(const Json::Value& answer, const char* key)
{
    vljson::reader r(answer, vljson::policy::exact_or_absent);
    return r.number<long long>(key, 0);
}

template <std::size_t N> void text(const Json::Value& answer, const char* key, char (&field)[N])
{
    vljson::reader r(answer, vljson::policy::exact_or_absent);
    copyRecordText(field, QByteArray::fromStdString(r.text(key)));
}

// The 64-bit device-type word: any whole number that fits 64 bits, a
// negative one by its two's complement.
quint64 word64(const Json::Value& answer, const char* key)
{
    const Json::Value& v = vljson::member(answer, key);
    if (v.isUInt64())
        return v.asUInt64();
    if (v.isInt64())
        return quint64(v.asInt64());
    return 0;
}

int networkMode(const Json::Value& answer)
{
    const Json::Value& v = vljson::member(answer, "network mode");
    if (!v.isString())
        return 0;
    static const struct {
        const char* text;
        int mode;
    } modes[] = { { "static", 2 }, { "dhcp", 0 }, { "pppoe", 1 }, { "3g", 3 }, { "wifi", 4 } };
    const std::string mode = v.asString();
    for (const auto& m : modes) {
        if (mode == m.text)
            return m.mode;
    }
    return 5;
}

} // namespace

namespace RangeSearch
{

bool recordFromJson(const char* json, SearchDevRsp& record)
{
    Json::Value a;
    if (!json || !vljson::parse_object(json, a))
        return false;
    std::memset(&record, 0, sizeof record);
    VLNET_SEARCH_DEV_RSP& r = record.sdk;
    text(a, "ip", r.ip);
    text(a, "host name", r.host_name);
    text(a, "netmask", r.netmask);
    text(a, "gateway", r.gateway);
    text(a, "dns1", r.dns1);
    text(a, "dns2", r.dns2);
    r.media_port = std::uint32_t(number(a, "media port"));
    r.web_port = std::uint32_t(number(a, "web port"));
    r.network_mode = networkMode(a);
    text(a, "device type", r.device_type);
    const quint64 type = word64(a, "device type ull");
    r.dev_type_l = std::uint32_t(type);
    r.dev_type_h = std::uint32_t(type >> 32);
    text(a, "device version", r.device_version);
    r.device_id = std::uint32_t(number(a, "device id"));
    text(a, "device name", r.device_name);
    text(a, "mac addr", r.mac_addr);
    r.channel_number = std::uint32_t(number(a, "channel number"));
    r.version = std::uint8_t(number(a, "version"));
    r.net_interface = std::int8_t(std::uint8_t(number(a, "net interface")));
    text(a, "p2p id", r.p2p_id);
    text(a, "manufacture", r.manufacture);
    r.rtsp_port = std::uint16_t(number(a, "rtsp port"));
    r.is_first_login = std::int8_t(std::uint8_t(number(a, "is first login")));
    r.input_pin_count = std::uint8_t(number(a, "input pin count"));
    r.output_pin_count = std::uint8_t(number(a, "output pin count"));
    r.support_two_way_talk = std::int8_t(std::uint8_t(number(a, "support two way talk")));
    r.sys_channel_num = std::uint32_t(number(a, "sys_channel_num"));
    const long long analog = number(a, "analogy channel number");
    record.analogChannelCount = std::int32_t(analog);
    // The device record keeps the VLNet part of a search record and takes
    // the analogue count from its byte: the count travels there too.
    r.analog_channel_num = std::int8_t(std::uint8_t(analog));
    return true;
}

} // namespace RangeSearch
