#include "sys/local_addresses.h"

#if defined(_WIN32)
// Windows lists its adapters with GetAdaptersAddresses; that listing is not
// written yet, and a build without it must not pass for a working one.
#error "list_local_addresses has no Windows implementation yet"
#else
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#endif

#include <cstring>

namespace vlsys
{

std::vector<local_address> list_local_addresses()
{
    std::vector<local_address> out;
    ifaddrs* all = nullptr;
    if (::getifaddrs(&all) != 0)
        return out;
    for (const ifaddrs* i = all; i; i = i->ifa_next) {
        if (!i->ifa_addr || !(i->ifa_flags & IFF_UP) || (i->ifa_flags & IFF_LOOPBACK)
            || !(i->ifa_flags & IFF_MULTICAST))
            continue;
        local_address a;
        a.interface_name = i->ifa_name ? i->ifa_name : "";
        a.interface_index = i->ifa_name ? ::if_nametoindex(i->ifa_name) : 0;
        a.broadcast = i->ifa_addr->sa_family == AF_INET && (i->ifa_flags & IFF_BROADCAST);
        if (i->ifa_addr->sa_family == AF_INET) {
            sockaddr_in sin;
            std::memcpy(&sin, i->ifa_addr, sizeof sin);
            boost::asio::ip::address_v4::bytes_type bytes;
            std::memcpy(bytes.data(), &sin.sin_addr, bytes.size());
            a.address = boost::asio::ip::address_v4(bytes);
        } else if (i->ifa_addr->sa_family == AF_INET6) {
            sockaddr_in6 sin6;
            std::memcpy(&sin6, i->ifa_addr, sizeof sin6);
            boost::asio::ip::address_v6::bytes_type bytes;
            std::memcpy(bytes.data(), &sin6.sin6_addr, bytes.size());
            a.address = boost::asio::ip::address_v6(bytes, sin6.sin6_scope_id);
        } else {
            continue;
        }
        out.push_back(std::move(a));
    }
    ::freeifaddrs(all);
    return out;
}

} // namespace vlsys
