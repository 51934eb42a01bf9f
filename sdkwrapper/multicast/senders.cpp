#include "multicast/senders.h"

#include "common/json.h"
#include "multicast/base64.h"
#include "multicast/datagram.h"
#include "multicast/session.h"

#include <algorithm>

namespace vlsdk
{

namespace
{

// Devices read the delay as an unsigned count; a negative one would tell
// them to wait for weeks.
std::uint32_t wire_delay(std::int32_t delay)
{
    return delay < 0 ? 0u : static_cast<std::uint32_t>(delay);
}

// Seals one serialized DecRequest to the device whose key blob the entry
// carries (Base64, as the search reported it).
std::optional<std::string> seal_for(
    const x25519_key_pair& keys, const std::string& key_text, const std::string& plaintext)
{
    const auto peer = public_key_of_blob(multicast_base64_decode(key_text));
    if (!peer)
        return std::nullopt;
    return seal_envelope(keys, *peer, plaintext);
}

// A request with one PackRequest per entry that can be sealed: the
// DecRequest `inner_of` makes of the entry, sealed to the entry's device.
template <class Entry, class Inner>
built_request build_sealed_request(
    const x25519_key_pair& keys, std::int32_t delay, const std::vector<Entry>& entries, Inner inner_of)
{
    built_request out;
    out.message.set_pub_key(keys.blob());
    auto* request = out.message.mutable_request();
    request->set_delay(wire_delay(delay));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto sealed = seal_for(keys, entries[i].key, inner_of(entries[i]).SerializeAsString());
        if (!sealed) {
            out.unsealed.push_back(i);
            continue;
        }
        auto* pack = request->add_pack_requests();
        pack->set_dev_id(multicast_base64_decode(entries[i].id));
        pack->set_enc_data(*sealed);
    }
    return out;
}

} // namespace

bool is_extended_manufacturer(const std::string& id)
{
    return id == "309" || id == "310" || id == "313";
}

std::vector<std::string> manufacturer_ids(const std::string& list_text)
{
    std::vector<std::string> ids;
    Json::Value root;
    if (list_text.empty() || !vljson::parse(list_text.c_str(), root) || !root.isObject())
        return ids;
    const Json::Value& manu = root["manu"];
    if (!manu.isArray())
        return ids;
    for (const auto& element : manu)
        if (element.isString() || element.isNumeric() || element.isBool())
            ids.push_back(element.asString());
    return ids;
}

multicast::Multicast build_search_message(const std::string& key_blob, bool must_understand,
    std::int32_t delay, const std::string& manufacturer_list, bool* extended)
{
    multicast::Multicast message;
    message.set_pub_key(key_blob);
    auto* search = message.mutable_search_device_request();
    search->set_must_understand(must_understand);
    search->set_delay(wire_delay(delay));
    for (const auto& id : manufacturer_ids(manufacturer_list)) {
        search->add_manufactures(id);
        if (is_extended_manufacturer(id) && extended)
            *extended = true;
    }
    search->add_values(1);
    search->add_values(0);
    return message;
}

built_request build_activation_message(
    const x25519_key_pair& keys, std::int32_t delay, const std::vector<activation_entry>& entries)
{
    return build_sealed_request(keys, delay, entries, [](const activation_entry& entry) {
        multicast::DecRequest inner;
        auto* set = inner.mutable_set_password();
        set->set_password(entry.password);
        set->set_client_type(entry.client_type);
        set->set_sync_onvif(entry.sync_onvif);
        set->set_is_sync_pwd(entry.is_sync_pwd);
        set->set_conn_ipc_pwd(entry.conn_ipc_pwd);
        return inner;
    });
}

void fill_update_info(const multicast_device_record& s, multicast::DecRequest::UpdateInfo& out)
{
    using device_info = multicast::DeviceInfo;
    auto* info = out.mutable_info();
    auto listed = [&](std::uint32_t number) { out.add_update_fields(number); };
    // A text setting is sent when it is given.
    auto text = [&](const std::string& value, std::string* (device_info::*field)(), std::uint32_t number) {
        if (value.empty())
            return;
        *(info->*field)() = value;
        listed(number);
    };
    text(s.dev_name, &device_info::mutable_dev_name, 3);
    text(s.dev_type, &device_info::mutable_dev_type, 1);
    text(s.ip6_link_local, &device_info::mutable_ip6_link_local, 25);
    if (!s.dhcp.empty()) {
        // Any text but "dhcp" means a static address.
        info->set_is_dhcp(s.dhcp == "dhcp");
        listed(21);
    }
    text(s.manufacture, &device_info::mutable_manufacture, 6);
    if (s.media_port != 0) {
        info->set_media_port(s.media_port);
        listed(100);
    }
    if (s.web_port != 0) {
        info->set_web_port(s.web_port);
        listed(19);
    }
    text(s.wired_dns1, &device_info::mutable_wired_dns1, 17);
    text(s.wired_dns2, &device_info::mutable_wired_dns2, 18);
    text(s.wired_gw, &device_info::mutable_wired_gw, 16);
    text(s.wired_ip, &device_info::mutable_wired_ip, 14);
    text(s.wired_mask, &device_info::mutable_wired_mask, 15);
    text(s.wireless_ip, &device_info::mutable_wireless_ip, 20);
    if (!s.net_card.empty()) {
        info->set_net_card(s.net_card);
        listed(32);
        // The cloud switch belongs to a network card: without one it is not sent.
        info->set_cloud_switch(s.cloud_switch);
        listed(33);
    }
}

built_request build_update_message(const x25519_key_pair& keys, std::int32_t delay,
    const std::vector<update_entry>& entries, bool second_pass)
{
    return build_sealed_request(keys, delay, entries, [second_pass](const update_entry& entry) {
        const std::string nonce = second_pass ? entry.nonce : std::string();
        multicast::DecRequest inner;
        auto* update = inner.mutable_update_info();
        update->set_username(entry.username);
        update->set_pwd_hash(sha256(entry.password + nonce).value_or(std::string()));
        update->set_nonce(nonce);
        fill_update_info(entry.settings, *update);
        return inner;
    });
}

// ---- The engine's senders -------------------------------------------------

void multicast_session::send_search_msg()
{
    static const send_lines lines {
        "[MULTICAST_SEND_SEARCH] Starting send_search_msg on %zu IPv4 sockets to dest: %s:%u\n",
        "[SEND_ATTEMPT_SEARCH] IPv4 socket from local %s to %s:%u (msg_size=%zu)\n",
        "[SEND_EXCEPTION_SEARCH] IPv4 socket error: %s\n",
        "[MULTICAST_SEND_SEARCH_V6] Starting send_search_msg on %zu IPv6 sockets\n",
        "[SEND_ATTEMPT_SEARCH] IPv6 socket from local %s (msg_size=%zu)\n",
        "[SEND_EXCEPTION_SEARCH] IPv6 socket error: %s\n",
    };
    make_key_pair();
    const auto message = build_search_message(
        m_keys.blob(), m_must_understand, m_delay, m_manufacturer_list, &m_extended_results);
    run_pass(lines, encode_datagram(message));
}

void multicast_session::send_activate_msg()
{
    static const send_lines lines {
        "[MULTICAST_SEND] Starting send_activate_msg on %zu IPv4 sockets to dest: %s:%u\n",
        "[SEND_ATTEMPT_ACT] IPv4 socket from local %s to %s:%u (msg_size=%zu)\n",
        "[SEND_EXCEPTION] IPv4 socket error: %s\n",
        "[MULTICAST_SEND_V6] Starting send_activate_msg on %zu IPv6 sockets\n",
        "[SEND_ATTEMPT_ACT] IPv6 socket from local %s (msg_size=%zu)\n",
        "[SEND_EXCEPTION] IPv6 socket error: %s\n",
    };
    make_key_pair();
    const auto built = build_activation_message(m_keys, m_delay, m_activation_entries);
    for (std::size_t i : built.unsealed) {
        // A device that cannot be addressed with its key is told apart from
        // one that did not answer.
        m_activation_entries[i].result = 3;
        multicast_log("[SEAL_FAIL] activation entry %zu (dev id %s) not sent: its key is unusable\n", i,
            m_activation_entries[i].id.c_str());
    }
    run_pass(lines, encode_datagram(built.message));
}

void multicast_session::send_update_msg(bool second_pass)
{
    static const send_lines lines {
        "[MULTICAST_SEND_UPDATE] Starting send_update_msg on %zu IPv4 sockets to dest: %s:%u\n",
        "[SEND_ATTEMPT_UPD] IPv4 socket from local %s to %s:%u (msg_size=%zu)\n",
        "[SEND_EXCEPTION_UPD] IPv4 socket error: %s\n",
        "[MULTICAST_SEND_UPDATE_V6] Starting send_update_msg on %zu IPv6 sockets\n",
        "[SEND_ATTEMPT_UPD] IPv6 socket from local %s (msg_size=%zu)\n",
        "[SEND_EXCEPTION_UPD] IPv6 socket error: %s\n",
    };
    make_key_pair();
    const auto built = build_update_message(m_keys, m_delay, m_update_entries, second_pass);
    for (std::size_t i : built.unsealed) {
        m_update_entries[i].result = 4;
        multicast_log("[SEAL_FAIL] update entry %zu (dev id %s) not sent: its key is unusable\n", i,
            m_update_entries[i].id.c_str());
    }
    run_pass(lines, encode_datagram(built.message));
}

} // namespace vlsdk
