#pragma once
// The device side of the UDP probe (PROTOCOL.md): a probe sent to a device
// address is answered by that device; one sent to a broadcast address by
// every device on the network. Each answer leaves from the answering
// device's own address, after the device's fault delay.
#include "log.h"
#include "store.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace devsim
{

class ProbeServer
{
public:
    ProbeServer(boost::asio::io_context& io, DeviceStore& store, EventLog& log, std::uint16_t port);
    // Throws when the port cannot be opened.
    void start();
    void stop();

private:
    void wait();
    void receive();
    // Sends one answer from the device's address `ip`.
    void answer(int id, const std::string& ip, const boost::asio::ip::udp::endpoint& peer,
        const std::vector<std::uint8_t>& frame);

    boost::asio::io_context& m_io;
    DeviceStore& m_store;
    EventLog& m_log;
    std::uint16_t m_port;
    boost::asio::ip::udp::socket m_socket;
};

} // namespace devsim
