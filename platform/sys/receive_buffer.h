#pragma once
// The receive buffer of a search socket (the multicast discovery of
// VLSDKWrapper, the LAN search of the VLNet stand-in). Hundreds of devices
// answer one request within the delay they were given, and with a delay of 0
// all at once; what does not fit the socket's buffer while the I/O loop
// catches up is dropped by the system, and those devices are simply not
// found.
#include <boost/asio/ip/udp.hpp>

namespace vlsys
{

// Asked for on every socket: with one answer of a few hundred bytes per
// device (a kernel charges 1 to 2 KiB of its buffer for each), a whole burst
// of a thousand devices fits even while the loop is busy.
constexpr int kReceiveBufferBytes = 4 << 20;

// Asks for kReceiveBufferBytes. Where the system caps what a program may
// ask (Linux: net.core.rmem_max), a program with the right to exceed that
// cap (root, CAP_NET_ADMIN) takes the full size; others keep what they were
// granted. Never fails: a smaller buffer is no reason to search without this
// socket. Returns the size granted in bytes (0 when it cannot be read).
int size_receive_buffer(boost::asio::ip::udp::socket& socket);

} // namespace vlsys
