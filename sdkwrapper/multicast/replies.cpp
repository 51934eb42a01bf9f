// What a pass leaves behind: the queued replies are opened and filed, then
// the operation's report turns them into one result object per device (a
// search) or per request entry (an activation, an update) for the caller.
#include "multicast/replies.h"

#include "common/json.h"
#include "multicast/base64.h"
#include "multicast/multicast.pb.h"
#include "multicast/session.h"

#include <algorithm>
#include <boost/asio/ip/address_v4.hpp>

namespace vlsdk
{

// ---- Texts and helpers ------------------------------------------------------

const char* activation_result_text(std::int32_t result)
{
    switch (result) {
    case 0:
        return "success";
    case 1:
        return "not support";
    case 2:
        return "check error";
    case 3:
        return "key error";
    case 4:
        return "rule not met";
    case 5:
        return "weak password dictionary";
    case 6:
        return "device is activated";
    case 8:
        return "ipc rule not met";
    case kActivationNoResponse:
        return "no response";
    default:
        return "save failed"; // 7 and anything a newer device may send
    }
}

const char* update_result_text(std::int32_t result)
{
    switch (result) {
    case 0:
        return "success";
    case 1:
        return "not support";
    case 2:
        return "check error";
    case 3:
        return "need auth";
    case kUpdateNoResponse:
        return "no response";
    default:
        return "update failed"; // 4 and anything a newer device may send
    }
}

std::string normalize_ipv4_text(const std::string& text)
{
    // Four groups of decimal digits and nothing else; each group is kept to
    // nine digits so that reading it cannot overflow.
    unsigned long parts[4] = {};
    std::size_t at = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (at >= text.size() || text[at] != '.')
                return text;
            ++at;
        }
        const std::size_t begin = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
        if (at == begin || at - begin > 9)
            return text;
        parts[i] = std::stoul(text.substr(begin, at - begin));
    }
    if (at != text.size())
        return text;
    return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]) + "."
        + std::to_string(parts[3]);
}

std::uint32_t ipv4_sort_value(const std::string& text)
{
    boost::system::error_code error;
    const auto address = boost::asio::ip::make_address_v4(text, error);
    return error ? 0xFFFFFFFFu : address.to_uint();
}

bool compare_mac_descending(const multicast_device_record& a, const multicast_device_record& b)
{
    if (a.mac.size() != b.mac.size())
        return a.mac.size() > b.mac.size();
    // std::string compares byte by byte as unsigned characters.
    return a.mac.compare(b.mac) > 0;
}

bool compare_wired_ip(const multicast_device_record& a, const multicast_device_record& b)
{
    return ipv4_sort_value(a.wired_ip) < ipv4_sort_value(b.wired_ip);
}

std::string dev_limit_text(const multicast::DeviceInfoLimit& limit)
{
    auto string_rule = [](const multicast::DeviceInfoLimit::StringRule& rule) {
        Json::Value out(Json::objectValue);
        out["min_length"] = Json::UInt(rule.min_length());
        out["max_length"] = Json::UInt(rule.max_length());
        out["least_combine_number"] = Json::UInt(rule.least_combine_number());
        return out;
    };
    Json::Value root(Json::objectValue);
    if (limit.has_dev_name())
        root["dev_name"] = string_rule(limit.dev_name());
    if (limit.has_p2pid())
        root["p2pid"] = string_rule(limit.p2pid());
    root["mac"] = limit.mac();
    root["wired_ip"] = limit.wired_ip();
    root["wired_mask"] = limit.wired_mask();
    root["wired_gw"] = limit.wired_gw();
    root["wired_dns1"] = limit.wired_dns1();
    root["wired_dns2"] = limit.wired_dns2();
    root["is_dhcp"] = limit.is_dhcp();
    root["is_enable_wifi"] = limit.is_enable_wifi();
    if (limit.has_web_port()) {
        Json::Value port(Json::objectValue);
        port["fixed_value"] = limit.web_port().fixed_value();
        if (limit.web_port().values_size() > 0) {
            Json::Value values(Json::arrayValue);
            for (auto v : limit.web_port().values())
                values.append(Json::UInt(v));
            port["values"] = values;
        }
        root["web_port"] = port;
    }
    return vljson::write_compact(root);
}

Json::Value search_result_object(const multicast_device_record& r, bool extended)
{
    Json::Value o(Json::objectValue);
    o["wired ip"] = r.wired_ip;
    o["dev type"] = r.dev_type;
    o["software"] = r.software_version;
    o["dev name"] = r.dev_name;
    o["mac"] = r.mac;
    o["manufacture"] = r.manufacture;
    o["p2pid"] = r.p2pid;
    o["phy"] = r.phyname;
    o["wired mask"] = r.wired_mask;
    o["wired gateway"] = r.wired_gw;
    o["wired dns1"] = r.wired_dns1;
    o["wired dns2"] = r.wired_dns2;
    o["wireless ip"] = r.wireless_ip;
    o["ipv6"] = r.ip6_link_local;
    o["dhcp"] = r.dhcp;
    o["cloud id"] = r.cloud_id;
    o["product code"] = r.product_code;
    o["serial number"] = r.sn;
    o["net card"] = r.net_card;
    o["dev data"] = r.dev_data;
    o["dev id"] = multicast_base64_encode(r.dev_id);
    o["dev enc"] = multicast_base64_encode(r.dev_enc);
    o["rtsp port"] = Json::UInt(r.rtsp_port);
    o["channel num"] = Json::UInt(r.channel_num);
    o["sys channel num"] = Json::UInt(r.sys_channel_num);
    o["analog num"] = Json::UInt(r.analog_num);
    // Callers have always read the category as an unsigned number.
    o["category"] = Json::UInt(static_cast<std::uint32_t>(r.category));
    o["web port"] = Json::UInt(r.web_port);
    o["media port"] = Json::UInt(r.media_port);
    o["wired connect"] = r.wired_connect;
    o["enable wifi"] = r.is_enable_wifi;
    o["wifi connect"] = r.wifi_connect;
    o["activated"] = r.activated;
    o["support sta"] = r.support_sta;
    o["support ap"] = r.support_ap;
    o["is added"] = r.is_added;
    o["cloud switch"] = r.cloud_switch;
    if (extended) {
        o["input pin count"] = Json::UInt(r.input_pin_count);
        o["output pin count"] = Json::UInt(r.output_pin_count);
        const std::int32_t talk = r.support_two_way_talk;
        o["support two way talk"] = Json::Int(talk >= 0 && talk <= 2 ? talk : 0);
        o["is first login"] = !r.activated;
    }
    if (!r.dev_limit.empty()) {
        Json::Value limit;
        if (vljson::parse(r.dev_limit.c_str(), limit) && limit.isObject())
            o["dev_limit"] = limit;
    }
    return o;
}

std::vector<multicast_device_record> search_report_order(std::vector<multicast_device_record> records)
{
    // The address texts are normalised before duplicates are looked for, so
    // that one device answering with "192.168.001.010" on one interface and
    // "192.168.1.10" on another is still one device.
    for (auto& r : records)
        r.wired_ip = normalize_ipv4_text(r.wired_ip);
    // Sorting by mac alone would leave a device that answered on several
    // interfaces interleaved with its own other addresses, so the address
    // text decides among equal macs: copies of one answer end up side by
    // side and all but the first received go.
    std::stable_sort(records.begin(), records.end(),
        [](const multicast_device_record& a, const multicast_device_record& b) {
            if (compare_mac_descending(a, b))
                return true;
            if (compare_mac_descending(b, a))
                return false;
            return a.wired_ip < b.wired_ip;
        });
    records.erase(std::unique(records.begin(), records.end(),
                      [](const multicast_device_record& a, const multicast_device_record& b) {
                          return a.mac == b.mac && a.wired_ip == b.wired_ip;
                      }),
        records.end());
    std::stable_sort(records.begin(), records.end(), compare_wired_ip);
    return records;
}

namespace
{

constexpr std::int32_t kUpdateNeedAuth = 3;

// The replies of one kind without runs of consecutive replies from one device.
template <class Reply> std::vector<Reply> without_repeats(const std::vector<Reply>& replies)
{
    std::vector<Reply> out;
    for (const auto& r : replies)
        if (out.empty() || out.back().dev_id != r.dev_id)
            out.push_back(r);
    return out;
}

// A device may answer once per socket that reached it, and a copy after the
// one that did the work reads as a failure ("already activated", "need
// auth"): one success among its answers is its result.
template <class Reply> bool any_success(const std::vector<Reply>& replies, const std::string& dev_id)
{
    return std::any_of(
        replies.begin(), replies.end(), [&](const Reply& r) { return r.dev_id == dev_id && r.result == 0; });
}

// The copy of a request that came after the one which used up the nonce is
// answered "need auth": that answer must not hide what the device said to
// the request it did read. The last other answer of the device stands.
std::int32_t without_need_auth(
    const std::vector<update_reply>& replies, const std::string& dev_id, std::int32_t result)
{
    if (result != kUpdateNeedAuth)
        return result;
    for (auto it = replies.rbegin(); it != replies.rend(); ++it)
        if (it->dev_id == dev_id && it->result != kUpdateNeedAuth)
            return it->result;
    return result;
}

template <class Entry> Entry* entry_of(std::vector<Entry>& entries, const std::string& dev_id)
{
    const std::string id = multicast_base64_encode(dev_id);
    for (auto& e : entries)
        if (e.id == id)
            return &e;
    return nullptr;
}

// Every entry's result, in entry order, then the null text that ends the
// operation; nothing without a callback.
template <class Entry>
void report_entry_results(const multicast_callback& callback, const std::vector<Entry>& entries,
    const char* (*text_of)(std::int32_t))
{
    if (!callback)
        return;
    for (const auto& entry : entries) {
        Json::Value object(Json::objectValue);
        object["dev id"] = entry.id;
        object["result"] = text_of(entry.result);
        const std::string json = vljson::write_styled(object);
        callback.call(json.c_str());
    }
    callback.call(nullptr);
}

} // namespace

// ---- The engine's reply processing -------------------------------------------

void multicast_session::process_replies()
{
    for (const auto& queued : m_reply_queue) {
        const auto key = reply_public_key(queued.reply_key, queued.sender_key);
        if (key)
            process_reply(*key, queued.envelope, queued.sender_key);
    }
}

bool multicast_session::process_reply(
    const std::string& device_public_key, const std::string& envelope, const std::string& sender_key)
{
    const auto plaintext = open_envelope(m_keys, device_public_key, envelope);
    return plaintext && process_dec_reply(*plaintext, sender_key);
}

bool multicast_session::process_dec_reply(const std::string& plaintext, const std::string& sender_key)
{
    multicast::DecReply reply;
    if (!reply.ParseFromString(plaintext))
        return false;
    switch (reply.reply_case()) {
    case multicast::DecReply::kSearchDevice: {
        const auto& found = reply.search_device();
        multicast_device_record record = device_record_from_info(found.info());
        record.dev_id = reply.dev_id();
        record.dev_enc = sender_key;
        if (found.has_dev_limit())
            record.dev_limit = dev_limit_text(found.dev_limit());
        m_device_records.push_back(std::move(record));
        return true;
    }
    case multicast::DecReply::kSetPassword:
        m_activation_replies.push_back({ reply.dev_id(), reply.set_password().result() });
        return true;
    case multicast::DecReply::kUpdateInfo: {
        const auto& update = reply.update_info();
        m_update_replies.push_back({ reply.dev_id(), update.nonce(), update.result() });
        Json::Value object(Json::objectValue);
        object["dev id"] = multicast_base64_encode(reply.dev_id());
        object["nonce"] = multicast_base64_encode(update.nonce());
        object["result type"] = Json::Int(update.result());
        multicast_log("Multi update raw result : %s \n", vljson::write_styled(object).c_str());
        return true;
    }
    default:
        return false;
    }
}

void multicast_session::report_search_results()
{
    if (!m_search_callback)
        return;
    for (const auto& record : search_report_order(m_device_records)) {
        const std::string text = vljson::write_styled(search_result_object(record, m_extended_results));
        m_search_callback.call(text.c_str());
    }
    m_search_callback.call(nullptr);
}

void multicast_session::report_activation_results()
{
    // Results are kept whether or not anyone is told: they are the entries' state.
    for (const auto& reply : without_repeats(m_activation_replies)) {
        if (auto* entry = entry_of(m_activation_entries, reply.dev_id)) {
            entry->result = reply.result;
            if (any_success(m_activation_replies, reply.dev_id))
                entry->result = 0;
        }
    }
    report_entry_results(m_activation_callback, m_activation_entries, activation_result_text);
}

void multicast_session::report_update_results(bool second_pass)
{
    // The nonces are stored even without a callback: without them the second
    // pass could never be authorised, and the devices would not change.
    for (const auto& reply : without_repeats(m_update_replies)) {
        if (auto* entry = entry_of(m_update_entries, reply.dev_id)) {
            if (second_pass) {
                entry->result = without_need_auth(m_update_replies, reply.dev_id, reply.result);
                if (any_success(m_update_replies, reply.dev_id))
                    entry->result = 0;
            }
            entry->nonce = reply.nonce;
        }
    }
    if (second_pass)
        report_entry_results(m_update_callback, m_update_entries, update_result_text);
}

} // namespace vlsdk
