#pragma once
// One WS-Discovery search: a UDP socket of its own, the probes sent to
// 239.255.255.250:3702, and the ProbeMatches read until the search's time
// is up, all on the search's own thread, which also runs the callbacks.
//
// The first callback waits until the start call has returned (openGate).
// stop() ends the I/O, and unless it is called from the search's own
// callback, waits until the null record has been delivered.
//
// Locks: m_lock guards the gate, stop and finished flags. It is never held
// while a callback runs.
#include "vlonvifs.h"

#include <array>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace vlonvif
{

class Search : public std::enable_shared_from_this<Search>
{
public:
    Search(std::uintptr_t id, VLONVIF_SEARCH_CALLBACK callback, void* user);

    std::uintptr_t id() const { return m_id; }
    // Opens the socket; false (with a reason) when it cannot.
    bool open(std::string* error);
    // Starts the search's thread.
    void begin();
    void openGate();
    void stop();

private:
    void run();
    void sendProbe();
    void receive();
    void deliver(const VLONVIF_SEARCH_DEV_RSP* record);
    bool stopped();

    const std::uintptr_t m_id;
    const VLONVIF_SEARCH_CALLBACK m_callback;
    void* const m_user;

    boost::asio::io_context m_io;
    boost::asio::ip::udp::socket m_socket;
    boost::asio::steady_timer m_probeTimer;
    boost::asio::steady_timer m_endTimer;
    std::string m_probe;
    std::vector<boost::asio::ip::address_v4> m_interfaces; // the host's IPv4 addresses
    std::set<std::string> m_seen; // endpoints reported already
    std::array<char, 65536> m_buffer {};
    boost::asio::ip::udp::endpoint m_peer;

    std::mutex m_lock;
    std::thread::id m_thread; // the search's own thread
    std::condition_variable m_changed;
    bool m_gateOpen = false;
    bool m_stopped = false;
    bool m_finished = false; // the null record has been delivered
};

} // namespace vlonvif
