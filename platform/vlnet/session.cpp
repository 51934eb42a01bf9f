#include "session.h"

#include "common/json.h"
#include "decode.h"
#include "netlog.h"

#include <boost/asio/post.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <cstring>

namespace vlnet
{

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

Session::Session(int handle, StartConfig config, asio::ip::address address, Runtime& runtime)
    : Connection(handle, std::move(config), runtime)
    , m_io(runtime.io())
    , m_socket(m_io)
    , m_timer(m_io)
    , m_keepalive(m_io)
{
    m_endpoint = tcp::endpoint(address, m_config.port ? m_config.port : m_settings.sessionPort);
}

Session::~Session() = default;

void Session::begin()
{
    asio::post(m_io, [this, self = shared()] {
        emitStatus(VLNET_STATUS_CONNECTING);
        connect();
    });
}

void Session::closeTransport()
{
    asio::post(m_io, [this, self = shared()] {
        m_phase = Phase::Closed;
        ++m_generation;
        m_timer.cancel();
        m_keepalive.cancel();
        closeSocket();
    });
}

// ---- Connection state machine (I/O thread) --------------------------------

void Session::connect()
{
    if (stopped())
        return;
    unsigned gen = ++m_generation;
    m_phase = Phase::Connecting;
    closeSocket();
    m_socket = tcp::socket(m_io);
    m_writes.clear();
    m_writing = false;
    auto self = shared();
    m_timer.expires_after(std::chrono::milliseconds(m_settings.connectTimeoutMs));
    m_timer.async_wait([this, self, gen](boost::system::error_code ec) {
        if (!ec && gen == m_generation
            && (m_phase == Phase::Connecting || m_phase == Phase::AwaitHello || m_phase == Phase::AwaitLogin))
            attemptFailed("no answer in time");
    });
    m_socket.async_connect(m_endpoint, [this, self, gen](boost::system::error_code ec) {
        if (gen != m_generation || m_phase != Phase::Connecting)
            return;
        if (ec) {
            attemptFailed(ec.message());
            return;
        }
        boost::system::error_code ignore;
        m_socket.set_option(tcp::no_delay(true), ignore);
        m_phase = Phase::AwaitHello;
        m_lastReceived = Clock::now();
        readFrame(gen);
    });
}

void Session::readFrame(unsigned gen)
{
    auto self = shared();
    asio::async_read(
        m_socket, asio::buffer(m_header), [this, self, gen](boost::system::error_code ec, std::size_t) {
            if (gen != m_generation)
                return;
            if (ec) {
                failed(ec == asio::error::eof ? VLNET_STATUS_CLOSED_BY_DEVICE : VLNET_STATUS_CONNECTION_LOST,
                    ec.message());
                return;
            }
            auto h = vlwire::decodeHeader(m_header.data());
            if (!h) {
                failed(VLNET_STATUS_CONNECTION_LOST, "the peer does not speak the protocol");
                return;
            }
            auto payload = std::make_shared<std::vector<std::uint8_t>>(h->length);
            asio::async_read(m_socket, asio::buffer(*payload),
                [this, self, gen, hdr = *h, payload](boost::system::error_code ec2, std::size_t) {
                    if (gen != m_generation)
                        return;
                    if (ec2) {
                        failed(VLNET_STATUS_CONNECTION_LOST, ec2.message());
                        return;
                    }
                    m_lastReceived = Clock::now();
                    try {
                        onFrame(hdr, std::move(*payload));
                    } catch (const std::exception& e) {
                        // Last resort: whatever a device sends must not end
                        // the caller's program; the session is dropped.
                        failed(VLNET_STATUS_CONNECTION_LOST, std::string("bad frame: ") + e.what());
                        return;
                    }
                    if (gen == m_generation && m_socket.is_open())
                        readFrame(gen);
                });
        });
}

void Session::onFrame(const vlwire::Header& h, std::vector<std::uint8_t> payload)
{
    switch (m_phase) {
    case Phase::AwaitHello:
        if (h.command == vlwire::kHello)
            onHello(payload);
        return;
    case Phase::AwaitLogin:
        if (h.command == vlwire::kLogin && (h.flags & vlwire::kReply) && h.sequence == m_loginSequence)
            onLoginReply(payload);
        return;
    case Phase::Up:
        break;
    default:
        return;
    }
    if (h.command == vlwire::kMessage && !(h.flags & vlwire::kReply)) {
        if (auto message = readMessage(payload))
            emitMessage(message->id, std::move(message->data));
        return;
    }
    if (!(h.flags & vlwire::kReply))
        return;
    std::shared_ptr<Pending> p;
    {
        std::lock_guard<std::mutex> hold(m_pendingLock);
        auto it = m_pending.find(h.sequence);
        if (it == m_pending.end())
            return; // a keep-alive, or an answer that came too late
        p = it->second;
        m_pending.erase(it);
    }
    auto reply = readReply(payload);
    std::lock_guard<std::mutex> hold(p->lock);
    p->finished = true;
    p->ok = reply.has_value();
    if (reply) {
        p->result = reply->result;
        p->data = std::move(reply->data);
    }
    p->done.notify_all();
}

void Session::onHello(const std::vector<std::uint8_t>& payload)
{
    const auto nonce = helloNonce(payload);
    if (!nonce) {
        attemptFailed("bad greeting");
        return;
    }
    Json::Value login(Json::objectValue);
    login["user"] = m_config.user;
    login["digest"] = vlwire::loginDigest(*nonce, m_config.user, m_config.password);
    {
        std::lock_guard<std::mutex> hold(m_nonceLock);
        m_loginNonce = *nonce;
    }
    login["kind"] = m_config.kind();
    login["flags"] = m_config.protocolFlags;
    m_phase = Phase::AwaitLogin;
    m_loginSequence = ++m_sequence;
    write(vlwire::encode(vlwire::kLogin, 0, m_loginSequence, vljson::write_compact(login)));
}

void Session::onLoginReply(const std::vector<std::uint8_t>& payload)
{
    const auto answer = readLoginAnswer(payload);
    if (!answer) {
        attemptFailed("bad login answer");
        return;
    }
    m_timer.cancel();
    const int status = answer->status;
    std::string address = m_endpoint.address().to_string();
    VLNET_HTTP_DEVICE_INFO http;
    fillHttpRecord(*answer, { m_config.address, address, m_endpoint.port(), m_config.user }, http);
    setHttpRecord(http);
    logLine("connection %d %s:%u login user=%s kind=%s -> %d", m_handle, address.c_str(),
        unsigned(m_endpoint.port()), m_config.user.c_str(), m_config.kind().c_str(), status);
    if (isLoginSuccess(status)) {
        m_phase = Phase::Up;
        m_everUp = true;
        m_retrying = false;
        emitStatus(status, answer->deviceInfo, answer->channelInfo);
        keepalive(m_generation);
        return;
    }
    // Refused: the device ends the session; a wrong password is not retried
    // (retrying would only lock the account).
    emitStatus(status);
    m_phase = Phase::Closed;
    m_retrying = false;
    ++m_generation;
    closeSocket();
}

void Session::attemptFailed(const std::string& why)
{
    ++m_generation;
    closeSocket();
    if (m_retrying) {
        logLine("connection %d %s: attempt failed (%s), retrying", m_handle,
            m_endpoint.address().to_string().c_str(), why.c_str());
        scheduleReconnect();
        return;
    }
    logLine("connection %d %s:%u failed: %s", m_handle, m_endpoint.address().to_string().c_str(),
        unsigned(m_endpoint.port()), why.c_str());
    m_phase = Phase::Closed;
    emitStatus(VLNET_STATUS_CONNECTION_LOST);
}

void Session::failed(int status, const std::string& why)
{
    if (m_phase == Phase::Up)
        lost(status, why);
    else
        attemptFailed(why);
}

void Session::lost(int status, const std::string& why)
{
    ++m_generation;
    closeSocket();
    m_keepalive.cancel();
    failPending();
    logLine("connection %d %s: session dropped (%s), status %d", m_handle,
        m_endpoint.address().to_string().c_str(), why.c_str(), status);
    emitStatus(status);
    emitStatus(VLNET_STATUS_CONNECTING);
    m_retrying = true;
    scheduleReconnect();
}

void Session::scheduleReconnect()
{
    m_phase = Phase::Waiting;
    unsigned gen = ++m_generation;
    auto self = shared();
    m_timer.expires_after(std::chrono::milliseconds(m_settings.reconnectMs));
    m_timer.async_wait([this, self, gen](boost::system::error_code ec) {
        if (!ec && gen == m_generation && m_phase == Phase::Waiting)
            connect();
    });
}

void Session::keepalive(unsigned gen)
{
    auto self = shared();
    m_keepalive.expires_after(std::chrono::milliseconds(m_settings.keepaliveMs));
    m_keepalive.async_wait([this, self, gen](boost::system::error_code ec) {
        if (ec || gen != m_generation || m_phase != Phase::Up)
            return;
        if (Clock::now() - m_lastReceived > std::chrono::milliseconds(3 * m_settings.keepaliveMs)) {
            lost(VLNET_STATUS_CONNECTION_LOST, "the device stopped answering");
            return;
        }
        write(vlwire::encode(vlwire::kPing, 0, ++m_sequence, nullptr, 0));
        keepalive(gen);
    });
}

void Session::reset()
{
    asio::post(m_io, [this, self = shared()] {
        if (stopped())
            return;
        logLine("connection %d reset by the caller", m_handle);
        ++m_generation;
        closeSocket();
        m_keepalive.cancel();
        m_timer.cancel();
        failPending();
        emitStatus(VLNET_STATUS_CLOSED_BY_RESET);
        emitStatus(VLNET_STATUS_CONNECTING);
        m_retrying = true;
        scheduleReconnect();
    });
}

void Session::write(std::vector<std::uint8_t> frame)
{
    m_writes.push_back(std::move(frame));
    pumpWrites();
}

void Session::pumpWrites()
{
    if (m_writing || m_writes.empty() || !m_socket.is_open())
        return;
    m_writing = true;
    unsigned gen = m_generation;
    asio::async_write(m_socket, asio::buffer(m_writes.front()),
        [this, self = shared(), gen](boost::system::error_code ec, std::size_t) {
            m_writing = false;
            if (gen != m_generation)
                return;
            if (ec) {
                failed(VLNET_STATUS_CONNECTION_LOST, ec.message());
                return;
            }
            m_writes.pop_front();
            pumpWrites();
        });
}

void Session::closeSocket()
{
    boost::system::error_code ec;
    if (m_socket.is_open()) {
        m_socket.shutdown(tcp::socket::shutdown_both, ec);
        m_socket.close(ec);
    }
    m_writes.clear();
    m_writing = false;
}

// ---- Requests (caller threads) -------------------------------------------

std::shared_ptr<Session::Pending> Session::request(std::uint16_t command, std::vector<std::uint8_t> payload)
{
    auto p = std::make_shared<Pending>();
    if (stopped())
        return nullptr;
    asio::post(m_io, [this, self = shared(), p, command, payload = std::move(payload)]() mutable {
        if (m_phase != Phase::Up) {
            std::lock_guard<std::mutex> hold(p->lock);
            p->finished = true;
            p->done.notify_all();
            return;
        }
        std::uint32_t seq = ++m_sequence;
        {
            std::lock_guard<std::mutex> hold(m_pendingLock);
            m_pending[seq] = p;
        }
        write(vlwire::encode(command, 0, seq, payload.data(), payload.size()));
    });
    std::unique_lock<std::mutex> hold(p->lock);
    if (!p->done.wait_for(
            hold, std::chrono::milliseconds(m_settings.replyTimeoutMs), [&] { return p->finished; })) {
        hold.unlock();
        std::lock_guard<std::mutex> pending(m_pendingLock);
        for (auto it = m_pending.begin(); it != m_pending.end(); ++it)
            if (it->second == p) {
                m_pending.erase(it);
                break;
            }
        logLine("connection %d: no answer to %s", m_handle, vlwire::commandName(command));
        return nullptr;
    }
    return p->ok ? p : nullptr;
}

void Session::failPending()
{
    std::map<std::uint32_t, std::shared_ptr<Pending>> pending;
    {
        std::lock_guard<std::mutex> hold(m_pendingLock);
        pending.swap(m_pending);
    }
    for (auto& [seq, p] : pending) {
        std::lock_guard<std::mutex> hold(p->lock);
        p->finished = true;
        p->ok = false;
        p->done.notify_all();
    }
}

bool Session::deviceInfo(VLNET_DEVICE_INFO* out)
{
    auto p = request(vlwire::kGetDevInfo, {});
    if (!p || p->result != vlwire::kOk || p->data.size() != sizeof(VLNET_DEVICE_INFO))
        return false;
    std::memcpy(out, p->data.data(), sizeof(VLNET_DEVICE_INFO));
    return true;
}

bool Session::simpleCommand(const VLNET_SIMPLE_CMD& cmd)
{
    std::vector<std::uint8_t> payload(sizeof(cmd), 0);
    vlwire::putU32(payload.data(), std::uint32_t(cmd.command));
    vlwire::putU32(payload.data() + 4, std::uint32_t(cmd.param));
    auto p = request(vlwire::kSimpleCmd, std::move(payload));
    return p && p->result == vlwire::kOk;
}

std::optional<Reply> Session::exchange(std::uint16_t command, std::vector<std::uint8_t> payload)
{
    auto p = request(command, std::move(payload));
    if (!p)
        return std::nullopt;
    return Reply { p->result, std::move(p->data) };
}

std::optional<std::string> Session::seal(std::string_view record)
{
    std::string nonce;
    {
        std::lock_guard<std::mutex> hold(m_nonceLock);
        nonce = m_loginNonce;
    }
    if (nonce.empty())
        return std::nullopt;
    return vlwire::sealRecord(nonce, m_config.password, record);
}

std::optional<std::string> Session::open(std::string_view sealed)
{
    std::string nonce;
    {
        std::lock_guard<std::mutex> hold(m_nonceLock);
        nonce = m_loginNonce;
    }
    if (nonce.empty())
        return std::nullopt;
    return vlwire::openRecord(nonce, m_config.password, sealed);
}

bool Session::evenCheck(std::int32_t word)
{
    std::vector<std::uint8_t> payload(4);
    vlwire::putU32(payload.data(), std::uint32_t(word));
    auto p = request(vlwire::kSetEvenCheck, std::move(payload));
    return p && p->result == vlwire::kOk;
}

} // namespace vlnet
