#include "probe_answer.h"

#include "common/json.h"
#include "wire.h"

#include <algorithm>
#include <boost/asio/ip/address_v6.hpp>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace vlnet
{

namespace
{

// The description's members under the rule for what devices send: a member
// that is missing, of another type or out of its field's range reads as
// nothing and leaves the field zero.
class Description
{
public:
    explicit Description(const Json::Value& object)
        : m_object(object)
        , m_reader(object, vljson::policy::exact_or_absent)
    {
    }

    const Json::Value& member(const char* key) const { return vljson::member(m_object, key); }

    template <std::size_t N> void text(const char* key, char (&slot)[N])
    {
        std::string value;
        m_reader.read(key, value);
        std::memcpy(slot, value.data(), std::min(N, value.size()));
    }

    template <class T> T number(const char* key) { return m_reader.number<T>(key, 0); }

    // `otherwise` when the member is missing or not a boolean.
    int flag(const char* key, int whenTrue, int whenFalse, int otherwise)
    {
        bool value = false;
        m_reader.read(key, value);
        return m_reader.found() ? (value ? whenTrue : whenFalse) : otherwise;
    }

private:
    const Json::Value& m_object;
    vljson::reader m_reader;
};

// "YYYY-MM-DD hh:mm:ss" as the device's clock shows it; the fields are kept
// as sent (the reader of the record judges them), zero when the text does
// not have that form or a field does not fit.
VLNET_TIME systemTime(const Json::Value& v)
{
    VLNET_TIME t {};
    if (!v.isString())
        return t;
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    const std::string text = v.asString();
    if (std::sscanf(
            text.c_str(), "%5u-%3u-%3u %3u:%3u:%3u%c", &year, &month, &day, &hour, &minute, &second, &tail)
            != 6
        || year > 0xFFFF || month > 0xFF || day > 0xFF || hour > 0xFF || minute > 0xFF || second > 0xFF)
        return t;
    t.year = std::uint16_t(year);
    t.month = std::uint8_t(month);
    t.day = std::uint8_t(day);
    t.hour = std::uint8_t(hour);
    t.minute = std::uint8_t(minute);
    t.second = std::uint8_t(second);
    return t;
}

// The 64-bit device-type word: larger than the reader's numbers.
std::uint64_t typeWord(const Json::Value& v)
{
    return v.isUInt64() ? v.asUInt64() : 0;
}

void ipv6Bytes(const Json::Value& v, std::uint8_t (&out)[16])
{
    if (!v.isString())
        return;
    boost::system::error_code ec;
    const auto address = boost::asio::ip::make_address_v6(v.asString(), ec);
    if (ec)
        return;
    const auto bytes = address.to_bytes();
    std::memcpy(out, bytes.data(), sizeof out);
}

void fill(Description& d, VLNET_SEARCH_DEV_RSP& r)
{
    d.text("ip", r.ip);
    d.text("host_name", r.host_name);
    d.text("netmask", r.netmask);
    d.text("gateway", r.gateway);
    d.text("dns1", r.dns1);
    d.text("dns2", r.dns2);
    r.media_port = d.number<std::uint32_t>("media_port");
    r.web_port = d.number<std::uint32_t>("web_port");
    // A PPPoE address wins over the DHCP flag; without either member the
    // mode is unknown.
    const int byDhcp = d.flag("dhcp", 0, 2, 5);
    r.network_mode = d.flag("pppoe", 1, byDhcp, byDhcp);
    d.text("model", r.device_type);
    const std::uint64_t type = typeWord(d.member("device_type_word"));
    r.dev_type_l = std::uint32_t(type);
    r.dev_type_h = std::uint32_t(type >> 32);
    d.text("firmware", r.device_version);
    r.device_id = d.number<std::uint32_t>("device_id");
    d.text("name", r.device_name);
    d.text("mac", r.mac_addr);
    r.channel_number = d.number<std::uint32_t>("channels");
    d.text("p2p_id", r.p2p_id);
    d.text("manufacturer", r.manufacture);
    r.rtsp_port = d.number<std::uint16_t>("rtsp_port");
    r.analog_channel_num = d.number<std::int8_t>("analog_channels");
    r.system_time = systemTime(d.member("system_time"));
    r.is_first_login = std::int8_t(d.flag("activated", 0, 1, 0));
    r.input_pin_count = d.number<std::uint8_t>("alarm_in");
    r.output_pin_count = d.number<std::uint8_t>("alarm_out");
    r.support_two_way_talk = d.number<std::int8_t>("two_way_talk");
    d.text("http_api_version", r.http_api_version);
    r.https_port = d.number<std::uint32_t>("https_port");
    r.support_http_api_config_net = d.number<std::int8_t>("http_api_config_net");
    r.sys_channel_num = d.number<std::uint32_t>("sys_channel_num");
    d.text("serial", r.serialnum);
    ipv6Bytes(d.member("ipv6"), r.ipv6);
}

} // namespace

bool readProbeAnswer(const void* datagram, std::size_t size, ProbeAnswer* out)
{
    try {
        const auto* bytes = static_cast<const std::uint8_t*>(datagram);
        if (!bytes || !out || size < vlwire::kHeaderSize + 4)
            return false;
        const auto h = vlwire::decodeHeader(bytes);
        if (!h || h->command != vlwire::kProbe || !(h->flags & vlwire::kReply) || h->length < 4
            || h->length > size - vlwire::kHeaderSize)
            return false;
        const std::uint8_t* payload = bytes + vlwire::kHeaderSize;
        if (std::int32_t(vlwire::getU32(payload)) != vlwire::kOk)
            return false;
        Json::Value description;
        const char* text = reinterpret_cast<const char*>(payload + 4);
        if (!vljson::parse_object(std::string_view(text, h->length - 4), description))
            return false;
        ProbeAnswer answer;
        answer.sequence = h->sequence;
        Description d(description);
        fill(d, answer.record);
        *out = answer;
        return true;
    } catch (const std::exception&) {
        // Only running out of memory gets here: the answer is lost, the
        // search goes on.
        return false;
    }
}

} // namespace vlnet
