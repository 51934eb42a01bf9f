#pragma once
// The multicast discovery transport of devsim: listens on the discovery port
// (9555) on both families, joined to 239.255.255.250 and ff02::fff3 on every
// interface, and lets MulticastResponder decide what each device answers.
// Answers leave by unicast to the request's source, from the answering
// device's own address of the request's family, after the device's delay.
// A request sent to one device's own address reaches that device only.
#include "log.h"
#include "multicast_responder.h"
#include "store.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>
#include <cstdint>
#include <json/value.h>
#include <string>
#include <vector>

namespace devsim
{

class MulticastServer
{
public:
    MulticastServer(boost::asio::io_context& io, DeviceStore& store, EventLog& log, std::uint16_t port);
    // Throws when the port cannot be opened on either family.
    void start();
    void stop();

    // The control command "multicast" (README): fault switches of a device
    // (or of all devices) and the validity of update nonces. On the I/O thread.
    Json::Value control(const Json::Value& request);

    MulticastResponder& responder() { return m_responder; }
    std::uint16_t port() const { return m_port; }

private:
    void wait(bool v6);
    void receive(bool v6);
    void joinGroups();
    void send(const MulticastAnswer& answer, bool v6, const boost::asio::ip::udp::endpoint& peer);

    boost::asio::io_context& m_io;
    DeviceStore& m_store;
    EventLog& m_log;
    std::uint16_t m_port;
    boost::asio::ip::udp::socket m_v4;
    boost::asio::ip::udp::socket m_v6;
    MulticastResponder m_responder;
    // Requests for many devices grow past one ordinary MTU; they are read whole.
    std::vector<char> m_buffer = std::vector<char>(65536);
};

} // namespace devsim
