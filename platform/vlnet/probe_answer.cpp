#include "probe_answer.h"

#include "wire.h"

#include <boost/asio/ip/address_v6.hpp>
#include <cstdio>
#include <cstring>
#include <json/reader.h>
#include <memory>
#include <string>

namespace vlnet
{

namespace
{

// The description's members, read without ever throwing: what is missing,
// of another type or out of range reads as nothing.
class Description
{
public:
    explicit Description(const Json::Value& object)
        : m_object(object)
    {
    }

    const Json::Value& member(const char* key) const
    {
        static const Json::Value none;
        const Json::Value* v = m_object.find(key, key + std::strlen(key));
        return v ? *v : none;
    }

    template <std::size_t N> void text(const char* key, char (&slot)[N]) const
    {
        const Json::Value& v = member(key);
        if (!v.isString())
            return;
        const char* begin = nullptr;
        const char* end = nullptr;
        v.getString(&begin, &end);
        std::memcpy(slot, begin, std::min<std::size_t>(N, std::size_t(end - begin)));
    }

    std::uint64_t unsignedValue(const char* key, std::uint64_t max) const
    {
        const Json::Value& v = member(key);
        return v.isUInt64() && v.asUInt64() <= max ? v.asUInt64() : 0;
    }

    std::int64_t signedValue(const char* key, std::int64_t min, std::int64_t max) const
    {
        const Json::Value& v = member(key);
        return v.isInt64() && v.asInt64() >= min && v.asInt64() <= max ? v.asInt64() : 0;
    }

    // `otherwise` when the member is missing or not a boolean.
    int flag(const char* key, int whenTrue, int whenFalse, int otherwise) const
    {
        const Json::Value& v = member(key);
        return v.isBool() ? (v.asBool() ? whenTrue : whenFalse) : otherwise;
    }

private:
    const Json::Value& m_object;
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

void fill(const Description& d, VLNET_SEARCH_DEV_RSP& r)
{
    d.text("ip", r.ip);
    d.text("host_name", r.host_name);
    d.text("netmask", r.netmask);
    d.text("gateway", r.gateway);
    d.text("dns1", r.dns1);
    d.text("dns2", r.dns2);
    r.media_port = std::uint32_t(d.unsignedValue("media_port", 0xFFFFFFFFu));
    r.web_port = std::uint32_t(d.unsignedValue("web_port", 0xFFFFFFFFu));
    r.network_mode = d.flag("dhcp", 0, 2, 5);
    d.text("model", r.device_type);
    const std::uint64_t typeWord = d.unsignedValue("device_type_word", ~std::uint64_t(0));
    r.dev_type_l = std::uint32_t(typeWord);
    r.dev_type_h = std::uint32_t(typeWord >> 32);
    d.text("firmware", r.device_version);
    r.device_id = std::uint32_t(d.unsignedValue("device_id", 0xFFFFFFFFu));
    d.text("name", r.device_name);
    d.text("mac", r.mac_addr);
    r.channel_number = std::uint32_t(d.unsignedValue("channels", 0xFFFFFFFFu));
    d.text("p2p_id", r.p2p_id);
    d.text("manufacturer", r.manufacture);
    r.rtsp_port = std::uint16_t(d.unsignedValue("rtsp_port", 0xFFFF));
    r.analog_channel_num = std::int8_t(d.signedValue("analog_channels", -128, 127));
    r.system_time = systemTime(d.member("system_time"));
    r.is_first_login = std::int8_t(d.flag("activated", 0, 1, 0));
    r.input_pin_count = std::uint8_t(d.unsignedValue("alarm_in", 0xFF));
    r.output_pin_count = std::uint8_t(d.unsignedValue("alarm_out", 0xFF));
    r.support_two_way_talk = std::int8_t(d.signedValue("two_way_talk", -128, 127));
    d.text("http_api_version", r.http_api_version);
    r.https_port = std::uint32_t(d.unsignedValue("https_port", 0xFFFFFFFFu));
    r.support_http_api_config_net = std::int8_t(d.signedValue("http_api_config_net", -128, 127));
    r.sys_channel_num = std::uint32_t(d.unsignedValue("sys_channel_num", 0xFFFFFFFFu));
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
        Json::CharReaderBuilder builder;
        std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        Json::Value description;
        std::string errors;
        const char* text = reinterpret_cast<const char*>(payload + 4);
        if (!reader->parse(text, text + (h->length - 4), &description, &errors) || !description.isObject())
            return false;
        ProbeAnswer answer;
        answer.sequence = h->sequence;
        fill(Description(description), answer.record);
        *out = answer;
        return true;
    } catch (const std::exception&) {
        // Only running out of memory gets here: the answer is lost, the
        // search goes on.
        return false;
    }
}

} // namespace vlnet
