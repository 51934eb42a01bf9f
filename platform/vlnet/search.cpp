#include "search.h"

#include "common/json.h"
#include "netlog.h"
#include "probe_answer.h"
#include "sys/local_addresses.h"
#include "sys/receive_buffer.h"
#include "wire.h"

#include <boost/asio/post.hpp>
#include <cstring>
#include <random>

namespace vlnet
{

namespace asio = boost::asio;
using udp = asio::ip::udp;

namespace
{

// The largest datagram; a description is far smaller, but a longer answer
// must not be cut into something that still parses.
constexpr std::size_t kDatagramBytes = 65536;

std::uint32_t freshSequence()
{
    static std::mutex lock;
    static std::mt19937 generator { std::random_device {}() };
    std::lock_guard<std::mutex> hold(lock);
    return std::uint32_t(generator());
}

// The probe: a PROBE frame whose filter carries the search's type byte,
// which devices note but do not filter by, and the P2P id asked for.
std::vector<std::uint8_t> probeFrame(std::uint32_t sequence, const SearchConfig& config)
{
    Json::Value filter(Json::objectValue);
    filter["oem_type"] = config.oemType;
    if (!config.p2pId.empty())
        filter["p2p_id"] = config.p2pId;
    return vlwire::encode(vlwire::kProbe, 0, sequence, vljson::write_compact(filter));
}

std::string addressText(std::uint32_t address)
{
    return asio::ip::address_v4(address).to_string();
}

} // namespace

Search::Search(int handle, SearchConfig config, Runtime& runtime)
    : m_handle(handle)
    , m_config(config)
    , m_probePort(runtime.settings().probePort)
    , m_runtime(runtime)
    , m_io(runtime.io())
    , m_callbacks(runtime.callbackThread(handle))
    , m_sequence(freshSequence())
    , m_probe(probeFrame(m_sequence, config))
    , m_timer(m_io)
{
}

Search::~Search() = default;

void Search::begin()
{
    if (m_config.ranged)
        logLine("search %d: range %s - %s, %d ms", m_handle, addressText(m_config.first).c_str(),
            addressText(m_config.last).c_str(), m_config.timeoutMs);
    else
        logLine(
            "search %d: broadcast, %d ms%s", m_handle, m_config.timeoutMs, m_config.repeat ? " a round" : "");
    asio::post(m_io, [this, self = shared_from_this()] {
        open();
        round();
    });
}

void Search::stop()
{
    end();
    asio::post(m_io, [this, self = shared_from_this()] { close(); });
    if (m_callbacks.isCurrent())
        return;
    std::unique_lock<std::mutex> hold(m_lock);
    m_done.wait(hold, [this] { return m_delivered; });
}

// ---- Delivery (any thread) --------------------------------------------------

void Search::report(const VLNET_SEARCH_DEV_RSP& record)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_ended)
        return;
    ++m_found;
    const SearchConfig& c = m_config;
    m_callbacks.post([&c, record, self = shared_from_this()] { c.callback(&record, c.context); });
}

void Search::end()
{
    std::unique_lock<std::mutex> hold(m_lock);
    if (m_ended)
        return;
    m_ended = true;
    logLine("search %d ended: %d record(s)", m_handle, m_found);
    if (!m_config.repeat)
        m_runtime.takeSearch(m_handle);
    auto last = [this, self = shared_from_this()] {
        m_config.callback(nullptr, m_config.context);
        std::lock_guard<std::mutex> done(m_lock);
        m_delivered = true;
        m_done.notify_all();
    };
    // Posted under the lock, so after every record reported before.
    if (!m_callbacks.post(last)) {
        // The callback threads are gone (the runtime was released): the
        // caller still gets its end, here.
        hold.unlock();
        last();
    }
}

// ---- Network (I/O thread) -----------------------------------------------------

std::unique_ptr<Search::Socket> Search::openSocket(const udp::endpoint& local, bool broadcast)
{
    auto s = std::make_unique<Socket>(m_io);
    try {
        s->socket.open(udp::v4());
        if (broadcast)
            s->socket.set_option(asio::socket_base::broadcast(true));
        // A few hundred devices answer within a few hundred milliseconds.
        const int granted = vlsys::size_receive_buffer(s->socket);
        if (granted < vlsys::kReceiveBufferBytes)
            logLine("search %d: receive buffer %d bytes", m_handle, granted);
        s->socket.bind(local);
    } catch (const boost::system::system_error& e) {
        logLine("search %d: no socket on %s: %s", m_handle, local.address().to_string().c_str(), e.what());
        return nullptr;
    }
    s->buffer.resize(kDatagramBytes);
    return s;
}

void Search::open()
{
    if (m_config.ranged) {
        if (auto s = openSocket(udp::endpoint(udp::v4(), 0), false))
            m_sockets.push_back(std::move(s));
    } else {
        // One socket per local address: a broadcast leaves through the
        // interface of the address its socket is bound to, so every network
        // the host is on is searched.
        for (const auto& local : vlsys::list_local_addresses())
            if (local.broadcast)
                if (auto s = openSocket(udp::endpoint(local.address, 0), true))
                    m_sockets.push_back(std::move(s));
    }
    for (auto& s : m_sockets)
        receive(*s);
}

void Search::round()
{
    if (m_closed)
        return;
    ++m_rounds;
    if (m_config.ranged) {
        sendRange(m_config.first);
        return;
    }
    const udp::endpoint everyone(asio::ip::address_v4::broadcast(), m_probePort);
    for (auto& s : m_sockets) {
        boost::system::error_code ec;
        s->socket.send_to(asio::buffer(m_probe), everyone, 0, ec);
        if (ec)
            logLine("search %d: probe from %s failed: %s", m_handle,
                s->socket.local_endpoint(ec).address().to_string().c_str(), ec.message().c_str());
    }
    listen();
}

void Search::sendRange(std::uint32_t next)
{
    if (m_closed)
        return;
    if (m_sockets.empty()) {
        listen();
        return;
    }
    // One probe after the other: a range of thousands must not overrun the
    // socket's send queue, and an unreachable address must not end it.
    const udp::endpoint to(asio::ip::address_v4(next), m_probePort);
    m_sockets.front()->socket.async_send_to(asio::buffer(m_probe), to,
        [this, self = shared_from_this(), next](boost::system::error_code, std::size_t) {
            if (next == m_config.last)
                listen();
            else
                sendRange(next + 1);
        });
}

void Search::listen()
{
    if (m_closed)
        return;
    m_timer.expires_after(std::chrono::milliseconds(m_config.timeoutMs));
    m_timer.async_wait([this, self = shared_from_this()](boost::system::error_code ec) {
        if (ec || m_closed)
            return;
        if (m_config.repeat) {
            round();
            return;
        }
        close();
        end();
    });
}

void Search::receive(Socket& s)
{
    s.socket.async_receive_from(asio::buffer(s.buffer), s.peer,
        [this, self = shared_from_this(), &s](boost::system::error_code ec, std::size_t n) {
            if (m_closed)
                return;
            // An ICMP error of an earlier probe may surface here; anything
            // else means the socket is gone.
            if (ec && ec != asio::error::connection_refused && ec != asio::error::connection_reset)
                return;
            if (!ec)
                onAnswer(s.peer, n, s.buffer.data());
            receive(s);
        });
}

void Search::onAnswer(const udp::endpoint& from, std::size_t size, const std::uint8_t* data)
{
    ProbeAnswer answer;
    if (!readProbeAnswer(data, size, &answer) || answer.sequence != m_sequence || !from.address().is_v4())
        return;
    if (m_config.ranged) {
        const std::uint32_t source = from.address().to_v4().to_uint();
        if (source < m_config.first || source > m_config.last)
            return;
    }
    VLNET_SEARCH_DEV_RSP seen = answer.record;
    seen.system_time = VLNET_TIME {};
    const std::string key = from.address().to_string() + " "
        + std::string(seen.mac_addr, strnlen(seen.mac_addr, sizeof seen.mac_addr));
    auto it = m_reported.find(key);
    if (it != m_reported.end() && std::memcmp(&it->second, &seen, sizeof seen) == 0)
        return;
    m_reported[key] = seen;
    report(answer.record);
}

void Search::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_timer.cancel();
    for (auto& s : m_sockets) {
        boost::system::error_code ignored;
        s->socket.close(ignored);
    }
}

} // namespace vlnet
