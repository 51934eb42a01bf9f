#pragma once
// The requests of the three multicast operations, built without a network:
// the engine's senders (session.h) wrap them into datagrams and send them;
// tests read them back.
#include "multicast/envelope.h"
#include "multicast/multicast.pb.h"
#include "multicast/records.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vlsdk
{

// The manufacturer ids whose devices report the extended search results.
bool is_extended_manufacturer(const std::string& id);

// The ids of a manufacturer list text {"manu": [...]}; none for an empty or
// unreadable text.
std::vector<std::string> manufacturer_ids(const std::string& list_text);

// A search request: the engine's key blob, the flags and the manufacturer
// ids, and always the values 1 and 0. *extended is set (never cleared) when
// an id asks for the extended results.
multicast::Multicast build_search_message(const std::string& key_blob, bool must_understand,
    std::int32_t delay, const std::string& manufacturer_list, bool* extended);

// A request with one sealed DecRequest per entry, in entry order. Entries
// whose request cannot be sealed (a key that is no key blob, a request too
// long for the devices) get no PackRequest: their positions are listed in
// `unsealed`.
struct built_request {
    multicast::Multicast message;
    std::vector<std::size_t> unsealed;
};
built_request build_activation_message(
    const x25519_key_pair& keys, std::int32_t delay, const std::vector<activation_entry>& entries);
// First pass: pwd_hash = SHA-256(password), no nonce. Second pass:
// SHA-256(password followed by the entry's nonce) and that nonce.
built_request build_update_message(const x25519_key_pair& keys, std::int32_t delay,
    const std::vector<update_entry>& entries, bool second_pass);

// The DeviceInfo of an update and the numbers of the fields it sets, in the
// order the devices expect: name, type, IPv6, DHCP, manufacturer, media
// port, web port, DNS 1 and 2, gateway, IP, mask, wireless IP, network card,
// cloud switch.
void fill_update_info(const multicast_device_record& settings, multicast::DecRequest::UpdateInfo& out);

} // namespace vlsdk
