#pragma once
// WS-Discovery (2005/04) as ONVIF devices speak it on UDP 3702: the Probe
// that a client sends to 239.255.255.250 and the ProbeMatches that each
// device answers by unicast, both as writers and readers. Shared by the
// ONVIF client and the device simulator; pure functions.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vlsoap
{

inline constexpr const char* kDiscoveryGroup = "239.255.255.250";
inline constexpr unsigned short kDiscoveryPort = 3702;
// The type that ONVIF cameras and recorders announce and clients probe for.
inline constexpr const char* kVideoTransmitterType = "dn:NetworkVideoTransmitter";

struct ProbeRequest {
    std::string messageId;
    // Local names of the requested types ("NetworkVideoTransmitter", "Device");
    // prefixes are not resolved, as devices commonly compare names only.
    std::vector<std::string> types;
    std::vector<std::string> scopes;
};

struct ProbeMatch {
    std::string endpoint; // the endpoint reference address ("urn:uuid:...")
    std::vector<std::string> types; // as written ("dn:NetworkVideoTransmitter")
    std::vector<std::string> scopes;
    std::vector<std::string> xaddrs; // transport addresses of the device service
};

// A Probe for `types` (prefixed names, blank-separated; empty: every type).
std::string probeMessage(std::string_view messageId, std::string_view types);
// The Probe that `datagram` holds; nothing for any other message.
std::optional<ProbeRequest> parseProbe(std::string_view datagram);

// The ProbeMatches of one device answering the Probe `relatesTo`.
std::string probeMatchesMessage(
    std::string_view messageId, std::string_view relatesTo, const ProbeMatch& match);
// Every ProbeMatch that `datagram` holds; none for any other message.
std::vector<ProbeMatch> parseProbeMatches(std::string_view datagram);

// A fresh message id "uuid:xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx".
std::string newMessageId();

// True when every scope of `wanted` matches one of `have` by the default
// rule (RFC 3986): same scheme and authority (any case), and its path
// segments a leading part of the other's.
bool scopesMatch(const std::vector<std::string>& wanted, const std::vector<std::string>& have);

// The value of the ONVIF scope "onvif://www.onvif.org/<kind>/<value>",
// percent-decoded; empty when there is none.
std::string scopeValue(const std::vector<std::string>& scopes, std::string_view kind);
// `value` percent-encoded for a scope path segment.
std::string scopeSegment(std::string_view value);

} // namespace vlsoap
