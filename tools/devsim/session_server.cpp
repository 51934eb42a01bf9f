#include "session_server.h"

#include "client_requests.h"
#include "common/json.h"
#include "device_commands.h"
#include "param_messages.h"
#include "records.h"
#include "wire.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <chrono>
#include <cstring>
#include <deque>
#include <functional>

namespace devsim
{

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace
{

// A client that sends nothing for this long (keep-alives included) is gone.
constexpr auto kIdleLimit = std::chrono::seconds(60);

std::string addressText(const asio::ip::address& a)
{
    if (a.is_v6() && a.to_v6().is_v4_mapped())
        return asio::ip::make_address_v4(asio::ip::v4_mapped, a.to_v6()).to_string();
    return a.to_string();
}

std::int64_t wallMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace

class SessionServer::Session : public std::enable_shared_from_this<Session>
{
public:
    Session(
        SessionServer& server, tcp::socket socket, int device, int number, std::string ip, std::string peer)
        : m_server(server)
        , m_socket(std::move(socket))
        , m_timer(server.m_io)
        , m_device(device)
        , m_number(number)
        , m_ip(std::move(ip))
        , m_peer(std::move(peer))
        , m_lastActivity(Clock::now())
    {
    }

    int device() const { return m_device; }
    bool loggedIn() const { return m_loggedIn; }
    Clock::time_point lastActivity() const { return m_lastActivity; }

    void start()
    {
        m_nonce = vlwire::randomHex(16);
        Json::Value hello(Json::objectValue);
        hello["proto"] = 1;
        hello["nonce"] = m_nonce;
        m_server.m_store.read(m_device, [&](const Device& d) {
            hello["serial"] = d.serial;
            hello["mac"] = d.mac;
        });
        send(vlwire::encode(vlwire::kHello, 0, 0, vljson::write_compact(hello)));
        readHeader();
    }

    void sendMessage(std::int32_t id, const std::vector<std::uint8_t>& data)
    {
        std::vector<std::uint8_t> body(4 + data.size());
        vlwire::putU32(body.data(), std::uint32_t(id));
        if (!data.empty())
            std::memcpy(body.data() + 4, data.data(), data.size());
        send(vlwire::encode(vlwire::kMessage, 0, 0, body.data(), body.size()));
    }

    // Ends the session. `graceful`: the client reads an orderly end (the
    // device closed it); otherwise the connection is reset.
    void close(bool graceful, const char* why)
    {
        if (m_closed)
            return;
        m_closed = true;
        boost::system::error_code ec;
        if (!graceful)
            m_socket.set_option(asio::socket_base::linger(true, 0), ec);
        else
            m_socket.shutdown(tcp::socket::shutdown_both, ec);
        m_socket.close(ec);
        m_timer.cancel();
        log(std::string("session ") + std::to_string(m_number) + " closed (" + why + ")");
        if (m_loggedIn) {
            m_server.m_store.modify(m_device, [&](Device& d) { --d.sessions; });
            m_loggedIn = false;
        }
        m_server.closed(shared_from_this());
    }

    // Ends the session once the frames it has queued are sent: the answer
    // to a request that moved the device is among them.
    void finish(const char* why)
    {
        if (m_closed)
            return;
        m_closeWhy = why;
        m_closeAfterFlush = true;
        // A change this session is answering moved the device: its answer
        // is not queued yet, and must still leave before the close.
        if (!m_answeringChange)
            pump();
    }

private:
    void log(const std::string& text) { m_server.m_log.device(m_device, m_ip, text); }

    Faults faults() const
    {
        Faults f;
        m_server.m_store.read(m_device, [&](const Device& d) { f = d.faults; });
        return f;
    }

    void readHeader()
    {
        auto self = shared_from_this();
        asio::async_read(
            m_socket, asio::buffer(m_header), [this, self](boost::system::error_code ec, std::size_t) {
                if (m_closed)
                    return;
                if (ec) {
                    close(true, ec == asio::error::eof ? "client left" : ec.message().c_str());
                    return;
                }
                auto h = vlwire::decodeHeader(m_header.data());
                if (!h) {
                    close(false, "not the VLNet protocol");
                    return;
                }
                m_lastActivity = Clock::now();
                m_payload.assign(h->length, 0);
                asio::async_read(m_socket, asio::buffer(m_payload),
                    [this, self, hdr = *h](boost::system::error_code ec2, std::size_t) {
                        if (m_closed)
                            return;
                        if (ec2) {
                            close(true, ec2.message().c_str());
                            return;
                        }
                        try {
                            handle(hdr);
                        } catch (const std::exception& e) {
                            // Last resort: one client's frame must not end
                            // the simulator and every device in it.
                            close(false, (std::string("failed: ") + e.what()).c_str());
                            return;
                        }
                        if (!m_closed)
                            readHeader();
                    });
            });
    }

    void note(const char* what, std::uint32_t seq, Json::Value detail)
    {
        Received r;
        r.timeMs = wallMs();
        r.transport = "session";
        r.session = m_number;
        r.what = what;
        detail["seq"] = seq;
        detail["peer"] = m_peer;
        r.detail = std::move(detail);
        m_server.m_store.noteReceived(m_device, std::move(r));
    }

    void reply(const vlwire::Header& h, std::int32_t result, const void* data = nullptr, std::size_t n = 0)
    {
        send(vlwire::encodeReply(h.command, h.sequence, result, data, n));
    }

    void handle(const vlwire::Header& h)
    {
        if (h.flags & vlwire::kReply)
            return; // the device asks nothing, so there is nothing to answer
        if (m_closeAfterFlush)
            return; // ending: nothing more is taken
        switch (h.command) {
        case vlwire::kLogin:
            return onLogin(h);
        case vlwire::kPing:
            note("PING", h.sequence, Json::Value(Json::objectValue));
            return reply(h, vlwire::kOk);
        case vlwire::kLogout:
            note("LOGOUT", h.sequence, Json::Value(Json::objectValue));
            log("session " + std::to_string(m_number) + " logout");
            reply(h, vlwire::kOk);
            m_closeAfterFlush = true;
            return pump();
        case vlwire::kSetNewDevInfo:
            // No login: the sealed record carries its own credentials.
            return onNetworkChange(h);
        default:
            break;
        }
        if (!m_loggedIn) {
            note(vlwire::commandName(h.command), h.sequence, Json::Value(Json::objectValue));
            return reply(h, vlwire::kNotLoggedIn);
        }
        switch (h.command) {
        case vlwire::kGetDevInfo: {
            note("GET_DEV_INFO", h.sequence, Json::Value(Json::objectValue));
            VLNET_DEVICE_INFO info;
            m_server.m_store.read(
                m_device, [&](const Device& d) { info = deviceInfoRecord(d, d.findUser(m_user)); });
            return reply(h, vlwire::kOk, &info, sizeof(info));
        }
        case vlwire::kSimpleCmd:
            return onSimpleCmd(h);
        case vlwire::kPtzControl: {
            Json::Value detail(Json::objectValue);
            const std::int32_t result = ptzControl(m_server.m_store, m_device, m_user, m_payload, detail);
            note("PTZ_CONTROL", h.sequence, detail);
            log("session " + std::to_string(m_number) + " PTZ command " + detail["command"].asString()
                + " -> " + std::to_string(result));
            return reply(h, result);
        }
        case vlwire::kSetParam: {
            Json::Value detail(Json::objectValue);
            const std::int32_t result = setParam(m_server.m_store, m_device, m_user, m_payload, detail);
            log("session " + std::to_string(m_number) + " parameter " + detail["msg"].asString() + " -> "
                + std::to_string(result));
            note("SET_PARAM", h.sequence, detail);
            return reply(h, result);
        }
        case vlwire::kQueryParam: {
            Json::Value detail(Json::objectValue);
            std::vector<std::uint8_t> data;
            const std::int32_t result
                = queryParam(m_server.m_store, m_device, m_user, m_payload, detail, data);
            log("session " + std::to_string(m_number) + " parameter query " + detail["msg"].asString()
                + " -> " + std::to_string(result));
            note("QUERY_PARAM", h.sequence, detail);
            return reply(h, result, data.data(), data.size());
        }
        case vlwire::kRemoteTest:
            return onRemoteTest(h);
        case vlwire::kCapture: {
            Json::Value detail(Json::objectValue);
            std::vector<std::uint8_t> picture;
            const std::int32_t result
                = capture(m_server.m_store, m_device, m_user, m_payload, detail, picture);
            note("CAPTURE", h.sequence, detail);
            return reply(h, result, picture.data(), picture.size());
        }
        case vlwire::kSetEvenCheck: {
            Json::Value detail(Json::objectValue);
            if (m_payload.size() != 4) {
                note("SET_EVEN_CHECK", h.sequence, detail);
                return reply(h, vlwire::kBadRequest);
            }
            std::int32_t word = std::int32_t(vlwire::getU32(m_payload.data()));
            detail["data"] = word;
            note("SET_EVEN_CHECK", h.sequence, detail);
            m_server.m_store.modify(m_device, [&](Device& d) { d.evenCheck = word; });
            log("session " + std::to_string(m_number) + " even check " + std::to_string(word));
            return reply(h, vlwire::kOk);
        }
        default: {
            Json::Value detail(Json::objectValue);
            detail["command"] = h.command;
            note("UNKNOWN", h.sequence, detail);
            log("session " + std::to_string(m_number) + " unknown command " + std::to_string(h.command));
            return reply(h, vlwire::kUnknownCommand);
        }
        }
    }

    void onNetworkChange(const vlwire::Header& h)
    {
        Json::Value detail(Json::objectValue);
        std::string oldIp;
        m_server.m_store.read(m_device, [&](const Device& d) { oldIp = d.net.ip; });
        // The device moves before it answers; the answer still leaves on
        // this session, which ends once it is sent (moved sessions close
        // after their last frame).
        m_answeringChange = true;
        const std::int32_t result = networkChange(m_server.m_store, m_device, m_nonce, m_payload, detail);
        m_answeringChange = false;
        note("SET_NEW_DEV_INFO", h.sequence, detail);
        log("session " + std::to_string(m_number) + " network change by " + detail.get("user", "").asString()
            + " -> " + std::to_string(result)
            + (result == vlwire::kOk ? " (was " + oldIp + ")" : ": " + detail.get("error", "").asString()));
        reply(h, result);
        m_closeAfterFlush = true;
        pump();
    }

    // REMOTE_TEST: the device answers first, then acts; a reboot (303)
    // leaves once the answer is on its way.
    void onRemoteTest(const vlwire::Header& h)
    {
        Json::Value detail(Json::objectValue);
        std::int32_t result = vlwire::kOk;
        int command = 0;
        if (m_payload.size() != 4) {
            result = vlwire::kBadRequest;
        } else {
            command = std::int32_t(vlwire::getU32(m_payload.data()));
            detail["command"] = command;
            bool may = false;
            m_server.m_store.read(m_device, [&](const Device& d) {
                const User* u = d.findUser(m_user);
                may = u && u->rights.settings;
            });
            if (command != VLNET_TEST_REBOOT)
                result = vlwire::kUnsupported;
            else if (!may)
                result = vlwire::kNoRight;
        }
        detail["result"] = result;
        note("REMOTE_TEST", h.sequence, detail);
        log("session " + std::to_string(m_number) + " remote test " + std::to_string(command) + " -> "
            + std::to_string(result));
        reply(h, result);
        if (result != vlwire::kOk)
            return;
        m_afterFlush = [this] {
            if (!m_server.m_store.reboot(m_device, m_server.m_rebootMs))
                log("session " + std::to_string(m_number) + " remote reboot: rebooting already");
        };
        pump();
    }

    void onSimpleCmd(const vlwire::Header& h)
    {
        Json::Value detail(Json::objectValue);
        if (m_payload.size() != sizeof(VLNET_SIMPLE_CMD)) {
            note("SIMPLE_CMD", h.sequence, detail);
            return reply(h, vlwire::kBadRequest);
        }
        VLNET_SIMPLE_CMD cmd {};
        cmd.command = std::int32_t(vlwire::getU32(m_payload.data()));
        cmd.param = std::int32_t(vlwire::getU32(m_payload.data() + 4));
        detail["command"] = cmd.command;
        detail["param"] = cmd.param;
        note("SIMPLE_CMD", h.sequence, detail);
        log("session " + std::to_string(m_number) + " simple command " + std::to_string(cmd.command) + "/"
            + std::to_string(cmd.param));
        if (cmd.command != VLNET_CMD_REQUEST_MESSAGE || cmd.param < 610 || cmd.param > 613)
            return reply(h, vlwire::kUnsupported);
        reply(h, vlwire::kOk);
        std::vector<std::uint8_t> data;
        m_server.m_store.read(m_device, [&](const Device& d) {
            if (cmd.param == VLNET_MSG_DEV_ALL_STATUS)
                data = allStatusMessage(d);
            else if (cmd.param == VLNET_MSG_REMOTE_CH_STATUS)
                data = channelStatusMessage(d);
        });
        // 612 and 613 (intelligent-analysis state) are accepted; this device
        // has nothing to report for them.
        if (cmd.param == VLNET_MSG_DEV_ALL_STATUS || cmd.param == VLNET_MSG_REMOTE_CH_STATUS)
            sendMessage(cmd.param, data);
    }

    void onLogin(const vlwire::Header& h)
    {
        const auto request = readLoginRequest(
            std::string_view(reinterpret_cast<const char*>(m_payload.data()), m_payload.size()));
        if (!request) {
            note("LOGIN", h.sequence, Json::Value(Json::objectValue));
            return reply(h, vlwire::kBadRequest);
        }
        const std::string& user = request->user;
        const std::string& digest = request->digest;
        const std::string& kind = request->kind;
        const int flags = request->flags;
        Json::Value detail(Json::objectValue);
        detail["user"] = user;
        detail["kind"] = kind;
        detail["flags"] = flags;
        note("LOGIN", h.sequence, detail);

        // Web logins go to the web interface (web_login.h); a session
        // takes media logins only.
        if (kind != "media") {
            log("session " + std::to_string(m_number) + " login of kind " + kind + " refused");
            reply(h, vlwire::kBadRequest);
            m_closeAfterFlush = true;
            return pump();
        }
        Json::Value out(Json::objectValue);
        int status = 0;
        if (m_loggedIn) {
            status = VLNET_STATUS_USER_LOGGED_IN;
        }
        m_server.m_store.modify(m_device, [&](Device& d) {
            if (status)
                return;
            const User* u = d.findUser(user);
            bool passwordOk = u && vlwire::loginDigest(m_nonce, user, u->password) == digest;
            if (d.faults.refuseLogin)
                status = d.faults.refuseLogin;
            else if (!d.activated)
                // A device without a password yet only refuses; its web
                // interface asks for the first password.
                status = VLNET_STATUS_WRONG_PASSWORD;
            else if (!u)
                status = VLNET_STATUS_UNKNOWN_USER;
            else if (!passwordOk)
                status = VLNET_STATUS_WRONG_PASSWORD;
            else if (!u->enabled)
                status = 110;
            else if (d.sessions >= d.maxSessions)
                status = VLNET_STATUS_MAX_USER;
            else
                status = VLNET_STATUS_LOGIN_SUCCESS;
            if (status == VLNET_STATUS_LOGIN_SUCCESS) {
                ++d.sessions;
                m_loggedIn = true;
                m_user = user;
            }
        });
        out["status"] = status;
        out["session"] = m_number;
        log("session " + std::to_string(m_number) + " login user=" + user + " kind=" + kind + " from "
            + m_peer + " -> " + std::to_string(status));
        std::string body = vljson::write_compact(out);
        reply(h, vlwire::kOk, body.data(), body.size());
        if (!m_loggedIn && status != VLNET_STATUS_USER_LOGGED_IN) {
            m_closeAfterFlush = true;
            pump();
        }
    }

    // Every frame the device sends goes through here, so the fault modes act
    // on all of them alike.
    void send(std::vector<std::uint8_t> frame)
    {
        if (m_closed)
            return;
        Faults f = faults();
        if (f.dropReplies)
            return;
        m_out.push_back({ Clock::now() + std::chrono::milliseconds(f.delayMs), std::move(frame) });
        pump();
    }

    void pump()
    {
        if (m_closed || m_writing)
            return;
        if (m_out.empty()) {
            if (m_afterFlush) {
                // What the device does after its answer (a reboot) may
                // close this session: hold it until the step is done.
                auto self = shared_from_this();
                auto then = std::move(m_afterFlush);
                m_afterFlush = nullptr;
                then();
                if (m_closed)
                    return;
            }
            if (m_closeAfterFlush)
                close(true, m_closeWhy.empty() ? "done" : m_closeWhy.c_str());
            return;
        }
        auto self = shared_from_this();
        if (m_out.front().due > Clock::now()) {
            m_writing = true;
            m_timer.expires_at(m_out.front().due);
            m_timer.async_wait([this, self](boost::system::error_code) {
                m_writing = false;
                if (!m_closed)
                    pump();
            });
            return;
        }
        m_writing = true;
        asio::async_write(m_socket, asio::buffer(m_out.front().bytes),
            [this, self](boost::system::error_code ec, std::size_t) {
                m_writing = false;
                if (m_closed)
                    return;
                if (ec) {
                    close(false, ec.message().c_str());
                    return;
                }
                m_out.pop_front();
                pump();
            });
    }

    struct Out {
        Clock::time_point due;
        std::vector<std::uint8_t> bytes;
    };

    SessionServer& m_server;
    tcp::socket m_socket;
    asio::steady_timer m_timer;
    int m_device;
    int m_number;
    std::string m_ip;
    std::string m_peer;
    std::string m_nonce;
    std::string m_user;
    bool m_loggedIn = false;
    bool m_closed = false;
    bool m_writing = false;
    bool m_closeAfterFlush = false;
    bool m_answeringChange = false; // inside onNetworkChange, before its reply is queued
    std::function<void()> m_afterFlush; // runs once the queued frames are sent
    std::string m_closeWhy;
    Clock::time_point m_lastActivity;
    std::array<std::uint8_t, vlwire::kHeaderSize> m_header {};
    std::vector<std::uint8_t> m_payload;
    std::deque<Out> m_out;
};

SessionServer::SessionServer(
    asio::io_context& io, DeviceStore& store, EventLog& log, std::uint16_t sessionPort)
    : m_io(io)
    , m_store(store)
    , m_log(log)
    , m_sessionPort(sessionPort)
    , m_sweep(io)
    , m_alive(std::make_shared<bool>(true))
{
    std::weak_ptr<bool> alive = m_alive;
    // A change made on the I/O thread (the control channel, a multicast
    // update) takes effect before that thread moves on: the control command
    // that moved a device answers only once its new port listens, so a test
    // may connect at once. Changes from other threads (the web interface)
    // are handed over to the I/O thread.
    m_store.subscribe([this, alive](const StoreEvent& e) {
        asio::dispatch(m_io, [this, alive, e] {
            if (alive.lock())
                onStoreEvent(e);
        });
    });
}

SessionServer::~SessionServer()
{
    *m_alive = false;
}

void SessionServer::start()
{
    if (!openListener(m_sessionPort))
        throw std::runtime_error("cannot listen on session port " + std::to_string(m_sessionPort));
    syncListeners();
    sweep();
}

void SessionServer::stop()
{
    m_stopped = true;
    m_sweep.cancel();
    for (auto& [port, acceptor] : m_listeners) {
        boost::system::error_code ec;
        acceptor->close(ec);
    }
    m_listeners.clear();
    auto sessions = m_sessions;
    for (auto& s : sessions)
        s->close(true, "simulator stops");
}

bool SessionServer::openListener(std::uint16_t port)
{
    if (m_listeners.count(port))
        return true;
    auto acceptor = std::make_unique<tcp::acceptor>(m_io);
    boost::system::error_code ec;
    // Dual-stack where the host has IPv6, IPv4 alone otherwise.
    acceptor->open(tcp::v6(), ec);
    if (!ec) {
        acceptor->set_option(asio::ip::v6_only(false), ec);
        acceptor->set_option(asio::socket_base::reuse_address(true), ec);
        acceptor->bind(tcp::endpoint(tcp::v6(), port), ec);
    }
    if (ec) {
        acceptor = std::make_unique<tcp::acceptor>(m_io);
        ec.clear();
        acceptor->open(tcp::v4(), ec);
        if (!ec)
            acceptor->set_option(asio::socket_base::reuse_address(true), ec);
        if (!ec)
            acceptor->bind(tcp::endpoint(tcp::v4(), port), ec);
    }
    if (!ec)
        acceptor->listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        m_log.line("cannot listen on port " + std::to_string(port) + ": " + ec.message());
        return false;
    }
    m_listeners[port] = std::move(acceptor);
    accept(port);
    return true;
}

void SessionServer::syncListeners()
{
    if (m_stopped)
        return;
    std::set<std::uint16_t> want = m_store.mediaPorts();
    want.insert(m_sessionPort);
    for (auto it = m_listeners.begin(); it != m_listeners.end();) {
        if (!want.count(it->first)) {
            boost::system::error_code ec;
            it->second->close(ec);
            it = m_listeners.erase(it);
        } else {
            ++it;
        }
    }
    for (auto port : want)
        openListener(port);
}

void SessionServer::accept(std::uint16_t port)
{
    auto it = m_listeners.find(port);
    if (it == m_listeners.end())
        return;
    tcp::acceptor* acceptor = it->second.get();
    acceptor->async_accept([this, port, acceptor](boost::system::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted || m_stopped)
            return;
        auto still = m_listeners.find(port);
        if (still == m_listeners.end() || still->second.get() != acceptor)
            return;
        if (!ec) {
            boost::system::error_code e2;
            auto local = socket.local_endpoint(e2);
            auto remote = socket.remote_endpoint(e2);
            std::string ip = addressText(local.address());
            std::string peer = addressText(remote.address()) + ":" + std::to_string(remote.port());
            auto id = m_store.findByIp(ip);
            bool take = false;
            if (id)
                m_store.read(*id, [&](const Device& d) {
                    take = d.online() && (port == m_sessionPort || port == d.net.mediaPort);
                });
            if (!take) {
                // Nobody answers here: reset, as a closed port would.
                socket.set_option(asio::socket_base::linger(true, 0), e2);
                socket.close(e2);
            } else {
                socket.set_option(tcp::no_delay(true), e2);
                auto s = std::make_shared<Session>(*this, std::move(socket), *id, m_nextSession++, ip, peer);
                m_sessions.insert(s);
                m_log.device(*id, ip,
                    "session " + std::to_string(m_nextSession - 1) + " from " + peer + " on port "
                        + std::to_string(port));
                s->start();
            }
        }
        accept(port);
    });
}

void SessionServer::closed(const std::shared_ptr<Session>& s)
{
    m_sessions.erase(s);
}

void SessionServer::onStoreEvent(const StoreEvent& e)
{
    if (m_stopped)
        return;
    if (e.kind == StoreEvent::WentOffline) {
        auto sessions = m_sessions;
        for (auto& s : sessions)
            if (s->device() == e.id)
                s->close(true, "device off the network");
    }
    if (e.kind == StoreEvent::Moved && e.oldIp != e.newIp) {
        // What a session has queued still leaves: the answer to the change
        // that moved the device may be among it.
        auto sessions = m_sessions;
        for (auto& s : sessions)
            if (s->device() == e.id)
                s->finish("address changed");
    }
    if (e.kind == StoreEvent::Moved)
        syncListeners();
}

int SessionServer::push(int device, std::int32_t id, const std::vector<std::uint8_t>& data)
{
    int n = 0;
    for (auto& s : m_sessions)
        if (s->device() == device && s->loggedIn()) {
            s->sendMessage(id, data);
            ++n;
        }
    return n;
}

int SessionServer::sessions(int device) const
{
    int n = 0;
    for (auto& s : m_sessions)
        n += s->device() == device && s->loggedIn();
    return n;
}

void SessionServer::sweep()
{
    m_sweep.expires_after(std::chrono::seconds(10));
    m_sweep.async_wait([this](boost::system::error_code ec) {
        if (ec || m_stopped)
            return;
        auto now = Clock::now();
        auto sessions = m_sessions;
        for (auto& s : sessions)
            if (now - s->lastActivity() > kIdleLimit)
                s->close(false, "client silent");
        sweep();
    });
}

} // namespace devsim
