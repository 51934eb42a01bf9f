#pragma once
// The device side of VLNet-protocol sessions (platform/vlnet/PROTOCOL.md).
// One listening socket per port, on the wildcard address: with every device
// address local in the lab's "lan" namespace, the address a client reached
// names the device. The session port takes every device; a device's own
// media port takes that device as well.
#include "log.h"
#include "store.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace devsim
{

class SessionServer
{
public:
    SessionServer(boost::asio::io_context& io, DeviceStore& store, EventLog& log, std::uint16_t sessionPort);
    ~SessionServer();
    SessionServer(const SessionServer&) = delete;
    SessionServer& operator=(const SessionServer&) = delete;

    // Opens the listeners. Throws when the session port cannot be opened.
    void start();
    // Closes listeners and sessions. Run on the I/O thread.
    void stop();

    // Sends device message `id` with `data` to every logged-in session of
    // the device; returns how many got it. Run on the I/O thread.
    int push(int device, std::int32_t id, const std::vector<std::uint8_t>& data);
    // Logged-in sessions of a device.
    int sessions(int device) const;
    std::uint16_t sessionPort() const { return m_sessionPort; }
    // How long a device that reboots by a remote test stays off the network.
    void setRebootMs(int ms) { m_rebootMs = ms; }

    class Session;

private:
    friend class Session;
    void onStoreEvent(const StoreEvent& e);
    void syncListeners();
    bool openListener(std::uint16_t port);
    void accept(std::uint16_t port);
    void closed(const std::shared_ptr<Session>& s);
    void sweep();

    boost::asio::io_context& m_io;
    DeviceStore& m_store;
    EventLog& m_log;
    std::uint16_t m_sessionPort;
    int m_rebootMs = 30000;
    bool m_stopped = false;
    std::map<std::uint16_t, std::unique_ptr<boost::asio::ip::tcp::acceptor>> m_listeners;
    std::set<std::shared_ptr<Session>> m_sessions;
    boost::asio::steady_timer m_sweep;
    int m_nextSession = 1;
    std::shared_ptr<bool> m_alive;
};

} // namespace devsim
