#include "search.h"

#include "messages.h"
#include "runtime.h"
#include "soap/discovery.h"
#include "sys/local_addresses.h"
#include "sys/receive_buffer.h"

#include <boost/asio/ip/multicast.hpp>
#include <chrono>
#include <cstring>
#include <functional>

namespace vlonvif
{

namespace asio = boost::asio;
using udp = asio::ip::udp;

Search::Search(std::uintptr_t id, VLONVIF_SEARCH_CALLBACK callback, void* user)
    : m_id(id)
    , m_callback(callback)
    , m_user(user)
    , m_socket(m_io)
    , m_probeTimer(m_io)
    , m_endTimer(m_io)
{
}

bool Search::open(std::string* error)
{
    boost::system::error_code ec;
    m_socket.open(udp::v4(), ec);
    if (!ec)
        m_socket.bind(udp::endpoint(udp::v4(), 0), ec);
    if (ec) {
        *error = ec.message();
        return false;
    }
    // Hundreds of devices answer within the same few hundred milliseconds.
    const int granted = vlsys::size_receive_buffer(m_socket);
    if (granted < vlsys::kReceiveBufferBytes)
        logLine("search %lu: receive buffer %d bytes", (unsigned long)m_id, granted);
    // The probe leaves by every network the host is on; answers come back
    // to this one socket.
    for (const auto& local : vlsys::list_local_addresses())
        if (local.address.is_v4())
            m_interfaces.push_back(local.address.to_v4());
    m_probe = vlsoap::probeMessage(vlsoap::newMessageId(), vlsoap::kVideoTransmitterType);
    return true;
}

void Search::begin()
{
    auto self = shared_from_this();
    workers().spawn([self] { self->run(); });
}

void Search::openGate()
{
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_gateOpen = true;
    }
    m_changed.notify_all();
}

bool Search::stopped()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_stopped;
}

void Search::stop()
{
    std::unique_lock<std::mutex> hold(m_lock);
    m_stopped = true;
    m_changed.notify_all();
    m_io.stop();
    if (m_thread == std::this_thread::get_id())
        return; // from our own callback: the null record follows it
    m_changed.wait(hold, [this] { return m_finished; });
}

void Search::run()
{
    {
        std::unique_lock<std::mutex> hold(m_lock);
        m_thread = std::this_thread::get_id();
        m_changed.wait(hold, [this] { return m_gateOpen || m_stopped; });
    }
    const Times t = times();
    logLine("search %lu: probing %d s, listening %d s more", (unsigned long)m_id, t.probe, t.match);
    // Probes at once and every second of the probe time; the end comes
    // `match` seconds after the last one.
    m_endTimer.expires_after(std::chrono::seconds(t.probe - 1 + t.match));
    m_endTimer.async_wait([this](boost::system::error_code ec) {
        if (!ec)
            m_io.stop();
    });
    auto probes = std::make_shared<int>(t.probe);
    auto next = std::make_shared<std::function<void()>>();
    *next = [this, probes, next] {
        sendProbe();
        if (--*probes <= 0)
            return;
        m_probeTimer.expires_after(std::chrono::seconds(1));
        m_probeTimer.async_wait([next](boost::system::error_code ec) {
            if (!ec)
                (*next)();
        });
    };
    (*next)();
    receive();
    m_io.run();
    *next = nullptr; // breaks the cycle of the probe chain

    boost::system::error_code ec;
    m_socket.close(ec);
    deliver(nullptr);
    logLine("search %lu: ended, %zu device(s)", (unsigned long)m_id, m_seen.size());
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_finished = true;
    }
    m_changed.notify_all();
}

void Search::sendProbe()
{
    const udp::endpoint group(asio::ip::make_address_v4(vlsoap::kDiscoveryGroup), vlsoap::kDiscoveryPort);
    auto send = [&](const std::string& via) {
        boost::system::error_code ec;
        m_socket.send_to(asio::buffer(m_probe), group, 0, ec);
        if (ec)
            logLine("search %lu: probe via %s not sent: %s", (unsigned long)m_id, via.c_str(),
                ec.message().c_str());
    };
    if (m_interfaces.empty()) {
        send("the default route"); // no interface listed: the system picks one
        return;
    }
    for (const auto& local : m_interfaces) {
        boost::system::error_code ec;
        m_socket.set_option(asio::ip::multicast::outbound_interface(local), ec);
        if (!ec)
            send(local.to_string());
    }
}

void Search::receive()
{
    m_socket.async_receive_from(
        asio::buffer(m_buffer), m_peer, [this](boost::system::error_code ec, std::size_t n) {
            if (ec == asio::error::operation_aborted || !m_socket.is_open())
                return;
            if (!ec) {
                const std::string source = m_peer.address().to_string();
                for (const auto& match : vlsoap::parseProbeMatches(std::string_view(m_buffer.data(), n))) {
                    alignas(VLONVIF_SEARCH_DEV_RSP) unsigned char buffer[VLONVIF_SEARCH_RECORD_BUFFER] = {};
                    auto* record = reinterpret_cast<VLONVIF_SEARCH_DEV_RSP*>(buffer);
                    std::string path;
                    if (!fillSearchRecord(match, source, record, &path))
                        continue;
                    const std::string key = match.endpoint.empty()
                        ? std::string(record->ip) + ":" + std::to_string(record->web_port)
                        : match.endpoint;
                    if (!m_seen.insert(key).second)
                        continue;
                    rememberServicePath(record->ip, int(record->web_port), path);
                    deliver(record);
                }
            }
            receive();
        });
}

void Search::deliver(const VLONVIF_SEARCH_DEV_RSP* record)
{
    if (record && stopped())
        return;
    m_callback(record, m_user);
}

} // namespace vlonvif
