#include "sys/receive_buffer.h"

#if defined(__linux__)
#include <sys/socket.h>
#endif

namespace vlsys
{

int size_receive_buffer(boost::asio::ip::udp::socket& socket)
{
    using option = boost::asio::ip::udp::socket::receive_buffer_size;
    boost::system::error_code ignored;
    socket.set_option(option(kReceiveBufferBytes), ignored);
    option granted;
    socket.get_option(granted, ignored);
#if defined(__linux__)
    // The system quietly cuts the size to its cap; the forcing option
    // passes the cap for privileged programs and fails for others.
    if (granted.value() < kReceiveBufferBytes) {
        const int size = kReceiveBufferBytes;
        if (::setsockopt(socket.native_handle(), SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) == 0)
            socket.get_option(granted, ignored);
    }
#endif
    return ignored ? 0 : granted.value();
}

} // namespace vlsys
