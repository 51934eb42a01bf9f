#pragma once
// IPv4 addresses, masks and the transport addresses (XAddrs) of ONVIF
// services, as both the client and the simulator read and write them.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vlsoap
{

// 4 address bytes of a dotted IPv4 text (strictly four decimal numbers).
std::optional<std::array<std::uint8_t, 4>> ipv4Bytes(std::string_view text);
std::string ipv4Text(const std::uint8_t bytes[4]);
// Prefix length of a contiguous mask; nothing for any other mask.
std::optional<int> maskPrefix(const std::uint8_t mask[4]);
void prefixMask(int prefix, std::uint8_t mask[4]);

struct XAddr {
    std::string scheme; // "http" or "https"
    std::string host; // without brackets
    int port = 0;
    std::string path;
};
// An http or https URL; nothing for any other text.
std::optional<XAddr> parseXAddr(std::string_view url);

} // namespace vlsoap
