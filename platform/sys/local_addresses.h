#pragma once
// The host's own addresses, on which the searches open their sockets (one
// per address, so that every network the host is on is searched).
#include <boost/asio/ip/address.hpp>
#include <string>
#include <vector>

namespace vlsys
{

struct local_address {
    boost::asio::ip::address address; // IPv6 link-local addresses carry their scope id
    unsigned int interface_index = 0; // index of the interface that holds it
    std::string interface_name;
    bool broadcast = false; // an IPv4 address whose interface takes broadcasts (255.255.255.255)
};

// Every IPv4 and IPv6 address of every interface that is up and can send
// multicast, loopback excepted, in the system's order. (Resolving the host's
// own name would give only the loopback-like entry of the hosts file on many
// Linux systems.)
std::vector<local_address> list_local_addresses();

} // namespace vlsys
