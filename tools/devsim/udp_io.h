#pragma once
// The datagram I/O that every UDP transport of devsim shares. Simulated
// devices hold addresses that no interface of the namespace carries, so a
// request's destination tells which device it was meant for, and an answer
// must leave from the answering device's own address: both take the
// packet-information ancillary data, which plain socket calls do not give.
#include <boost/asio/ip/udp.hpp>
#include <cstddef>
#include <optional>
#include <string>

namespace devsim
{

// Asks the kernel to report each datagram's destination address (IPv4 or
// IPv6 by `v6`). Throws std::runtime_error naming `who` when refused.
void enablePacketInfo(boost::asio::ip::udp::socket& socket, bool v6, const char* who);

// One datagram read by receiveWithDestination().
struct ReceivedDatagram {
    std::size_t size = 0; // bytes placed in the buffer
    std::string dest; // the address it was sent to, as text; empty when not reported
    boost::asio::ip::udp::endpoint peer; // its source (IPv6 with the peer's scope)
};

// Reads one waiting datagram without blocking, with its destination
// (enablePacketInfo() must be on); nothing when none waits.
std::optional<ReceivedDatagram> receiveWithDestination(int fd, void* buffer, std::size_t capacity);

// Joins `group` (an IPv4 or IPv6 multicast address, of the socket's family)
// on every interface that is up and can take multicast, loopback excepted:
// one membership per interface. Returns how many interfaces joined; the
// interfaces that refused are named in `refused`.
int joinGroupEverywhere(
    boost::asio::ip::udp::socket& socket, const boost::asio::ip::address& group, std::string* refused);

// Sends `data` to `to` with the source address `from` (a local address of
// this namespace, of `to`'s family; for a link-local IPv6 peer on `to`'s
// scope). The one place that picks a device's source address for UDP
// answers, for every UDP transport of devsim. False when `from` is no
// address of that family or the datagram did not leave whole.
bool sendFrom(int fd, const std::string& from, const boost::asio::ip::udp::endpoint& to, const void* data,
    std::size_t length);

} // namespace devsim
