#pragma once
// The host's own addresses on which the multicast engine opens its sockets.
#include <boost/asio/ip/address.hpp>
#include <string>
#include <vector>

namespace vlsdk
{

struct local_address {
    boost::asio::ip::address address; // IPv6 link-local addresses carry their scope id
    unsigned int interface_index = 0; // index of the interface that holds it
    std::string interface_name;
};

// Every IPv4 and IPv6 address of every interface that is up and can send
// multicast, loopback excepted, in the system's order. (Resolving the host's
// own name would give only the loopback-like entry of the hosts file on many
// Linux systems.)
std::vector<local_address> list_local_addresses();

} // namespace vlsdk
