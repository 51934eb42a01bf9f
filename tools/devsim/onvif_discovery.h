#pragma once
// ONVIF's WS-Discovery in devsim: one IPv4 socket on UDP 3702 joined to
// 239.255.255.250 on every interface. A Probe sent to the group reaches
// every ONVIF-capable device (one sent to a device's own address reaches
// that device only); each device that matches answers with its ProbeMatch
// by unicast to the probe's source, from its own address, after a random
// 0 to 500 ms as WS-Discovery asks, built from where the device is when the
// answer leaves. The faults drop and offline silence it.
#include "log.h"
#include "store.h"

#include <array>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>
#include <cstdint>
#include <random>
#include <string>

namespace devsim
{

class OnvifDiscovery
{
public:
    OnvifDiscovery(boost::asio::io_context& io, DeviceStore& store, EventLog& log, std::uint16_t port);
    // Throws when the port cannot be opened.
    void start();
    void stop();
    std::uint16_t port() const { return m_port; }

    // The longest wait before an answer leaves.
    static constexpr int kMaxDelayMs = 500;

private:
    void wait();
    void receive();
    void answer(int id, const std::string& relatesTo, const boost::asio::ip::udp::endpoint& peer);

    boost::asio::io_context& m_io;
    DeviceStore& m_store;
    EventLog& m_log;
    std::uint16_t m_port;
    boost::asio::ip::udp::socket m_socket;
    std::array<char, 65536> m_buffer {};
    std::minstd_rand m_random { std::random_device {}() };
};

} // namespace devsim
