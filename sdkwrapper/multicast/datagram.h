#pragma once
// The discovery datagram: the two bytes 0x11 0xAA, then one serialized
// multicast.Multicast. Datagrams with another prefix belong to someone else.
#include <cstddef>
#include <string>
#include <string_view>

namespace multicast
{
class Multicast;
}

namespace vlsdk
{

constexpr unsigned char kDatagramPrefix0 = 0x11;
constexpr unsigned char kDatagramPrefix1 = 0xAA;
constexpr std::size_t kDatagramPrefixSize = 2;
// Both sides receive into buffers of this size; a longer datagram arrives cut.
constexpr std::size_t kMaxDatagramSize = 1024;
// UDP port and groups of the discovery protocol.
constexpr unsigned short kMulticastPort = 9555;
constexpr const char* kMulticastGroupV4 = "239.255.255.250";
constexpr const char* kMulticastGroupV6 = "ff02::fff3";

// The prefix followed by the serialized message.
std::string encode_datagram(const multicast::Multicast& message);

bool has_datagram_prefix(std::string_view datagram);

enum class datagram_status {
    ok,
    no_prefix, // not ours; message left cleared
    bad_message, // prefix present, the rest does not parse; message holds
                 // whatever the runtime read before the fault
};

// Parses the message behind the prefix (the message is cleared first).
datagram_status decode_datagram(std::string_view datagram, multicast::Multicast& message);

} // namespace vlsdk
