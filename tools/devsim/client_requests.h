#pragma once
// What a client sends devsim, read without a socket: the LOGIN of a session
// and the filter of a probe. Anyone on the lab's network can send anything;
// these functions never throw and refuse what they cannot read.
#include <optional>
#include <string>
#include <string_view>

namespace devsim
{

// LOGIN: a JSON object {"user", "digest", "kind", "flags"}; absent members
// read as "", "", "media" and 0. Empty when the payload is no JSON object or
// a member has another type (the device answers "bad request").
struct LoginRequest {
    std::string user;
    std::string digest;
    std::string kind = "media";
    int flags = 0;
};
std::optional<LoginRequest> readLoginRequest(std::string_view payload);

// PROBE: an empty payload, or a JSON object with the optional members "mac"
// (text: the one device that is to answer; "" asks every device), "p2p_id"
// (text: only the device with this P2P id answers; "" asks every device) and
// "oem_type" (0 to 255: the searcher's type byte, noted but never a
// filter). Empty when the payload is not JSON or a member has another type
// or range (such a probe is ignored).
struct ProbeFilter {
    std::string mac;
    std::string p2pId;
    std::optional<int> oemType;
};
std::optional<ProbeFilter> readProbeFilter(std::string_view payload);

} // namespace devsim
