#include "udp_io.h"

#include <arpa/inet.h>
#include <boost/asio/ip/multicast.hpp>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <set>
#include <stdexcept>
#include <sys/socket.h>

namespace devsim
{

namespace asio = boost::asio;
using udp = asio::ip::udp;

namespace
{

msghdr messageHeader(void* name, socklen_t nameLength, iovec* iov, void* control, std::size_t controlLength)
{
    msghdr msg {};
    msg.msg_name = name;
    msg.msg_namelen = nameLength;
    msg.msg_iov = iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = controlLength;
    return msg;
}

bool sendFrom4(int fd, const std::string& from, const udp::endpoint& to, const void* data, std::size_t length)
{
    in_addr src {};
    if (inet_pton(AF_INET, from.c_str(), &src) != 1)
        return false;
    sockaddr_in dst {};
    dst.sin_family = AF_INET;
    dst.sin_port = htons(to.port());
    auto bytes = to.address().to_v4().to_bytes();
    std::memcpy(&dst.sin_addr, bytes.data(), 4);
    iovec iov { const_cast<void*>(data), length };
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr msg = messageHeader(&dst, sizeof(dst), &iov, control, sizeof(control));
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info {};
    info.ipi_spec_dst = src;
    std::memcpy(CMSG_DATA(c), &info, sizeof(info));
    return ::sendmsg(fd, &msg, MSG_DONTWAIT) == ssize_t(length);
}

bool sendFrom6(int fd, const std::string& from, const udp::endpoint& to, const void* data, std::size_t length)
{
    in6_addr src {};
    if (inet_pton(AF_INET6, from.c_str(), &src) != 1)
        return false;
    sockaddr_in6 dst {};
    dst.sin6_family = AF_INET6;
    dst.sin6_port = htons(to.port());
    auto bytes = to.address().to_v6().to_bytes();
    std::memcpy(&dst.sin6_addr, bytes.data(), 16);
    dst.sin6_scope_id = std::uint32_t(to.address().to_v6().scope_id());
    iovec iov { const_cast<void*>(data), length };
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in6_pktinfo))] = {};
    msghdr msg = messageHeader(&dst, sizeof(dst), &iov, control, sizeof(control));
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IPV6;
    c->cmsg_type = IPV6_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in6_pktinfo));
    in6_pktinfo info {};
    info.ipi6_addr = src;
    info.ipi6_ifindex = dst.sin6_scope_id;
    std::memcpy(CMSG_DATA(c), &info, sizeof(info));
    return ::sendmsg(fd, &msg, MSG_DONTWAIT) == ssize_t(length);
}

} // namespace

void enablePacketInfo(udp::socket& socket, bool v6, const char* who)
{
    int on = 1;
    const int level = v6 ? IPPROTO_IPV6 : IPPROTO_IP;
    const int option = v6 ? IPV6_RECVPKTINFO : IP_PKTINFO;
    if (::setsockopt(socket.native_handle(), level, option, &on, sizeof(on)) != 0)
        throw std::runtime_error(
            std::string(who) + (v6 ? ": IPV6_RECVPKTINFO refused" : ": IP_PKTINFO refused"));
}

std::optional<ReceivedDatagram> receiveWithDestination(int fd, void* buffer, std::size_t capacity)
{
    sockaddr_storage from {};
    iovec iov { buffer, capacity };
    alignas(cmsghdr) char control[256];
    msghdr msg = messageHeader(&from, sizeof(from), &iov, control, sizeof(control));
    const ssize_t n = ::recvmsg(fd, &msg, MSG_DONTWAIT);
    if (n < 0)
        return std::nullopt;
    ReceivedDatagram out;
    out.size = std::size_t(n);
    char text[INET6_ADDRSTRLEN] = {};
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(c), sizeof(info));
            inet_ntop(AF_INET, &info.ipi_addr, text, sizeof(text));
            out.dest = text;
        } else if (c->cmsg_level == IPPROTO_IPV6 && c->cmsg_type == IPV6_PKTINFO) {
            in6_pktinfo info;
            std::memcpy(&info, CMSG_DATA(c), sizeof(info));
            inet_ntop(AF_INET6, &info.ipi6_addr, text, sizeof(text));
            out.dest = text;
        }
    }
    if (from.ss_family == AF_INET6) {
        sockaddr_in6 sin6;
        std::memcpy(&sin6, &from, sizeof sin6);
        asio::ip::address_v6::bytes_type b;
        std::memcpy(b.data(), &sin6.sin6_addr, 16);
        out.peer = udp::endpoint(asio::ip::address_v6(b, sin6.sin6_scope_id), ntohs(sin6.sin6_port));
    } else {
        sockaddr_in sin;
        std::memcpy(&sin, &from, sizeof sin);
        asio::ip::address_v4::bytes_type b;
        std::memcpy(b.data(), &sin.sin_addr, 4);
        out.peer = udp::endpoint(asio::ip::address_v4(b), ntohs(sin.sin_port));
    }
    return out;
}

bool sendFrom(int fd, const std::string& from, const udp::endpoint& to, const void* data, std::size_t length)
{
    return to.address().is_v6() ? sendFrom6(fd, from, to, data, length)
                                : sendFrom4(fd, from, to, data, length);
}

int joinGroupEverywhere(udp::socket& socket, const asio::ip::address& group, std::string* refused)
{
    ifaddrs* all = nullptr;
    if (::getifaddrs(&all) != 0)
        return 0;
    const int family = group.is_v4() ? AF_INET : AF_INET6;
    int joined = 0;
    std::set<unsigned> done;
    for (const ifaddrs* i = all; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != family || !(i->ifa_flags & IFF_UP)
            || (i->ifa_flags & IFF_LOOPBACK) || !(i->ifa_flags & IFF_MULTICAST))
            continue;
        boost::system::error_code ec;
        if (family == AF_INET) {
            sockaddr_in sin;
            std::memcpy(&sin, i->ifa_addr, sizeof sin);
            asio::ip::address_v4::bytes_type b;
            std::memcpy(b.data(), &sin.sin_addr, 4);
            socket.set_option(asio::ip::multicast::join_group(group.to_v4(), asio::ip::address_v4(b)), ec);
        } else {
            // One membership per interface, whatever its number of addresses.
            const unsigned index = ::if_nametoindex(i->ifa_name);
            if (!done.insert(index).second)
                continue;
            socket.set_option(asio::ip::multicast::join_group(group.to_v6(), index), ec);
        }
        if (ec && ec != boost::system::errc::address_in_use) {
            if (refused)
                *refused += std::string(refused->empty() ? "" : ", ") + i->ifa_name + ": " + ec.message();
        } else {
            ++joined;
        }
    }
    ::freeifaddrs(all);
    return joined;
}

} // namespace devsim
