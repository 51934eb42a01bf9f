#include "connection.h"

#include "runtime.h"
#include "soap/wsse.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace vlonvif
{

Connection::Connection(int handle, Target target, std::string user, std::string password,
    VLONVIF_STATUS_CALLBACK callback, void* userData)
    : m_handle(handle)
    , m_user(std::move(user))
    , m_password(std::move(password))
    , m_callback(callback)
    , m_userData(userData)
    , m_target(std::move(target))
{
}

void Connection::begin()
{
    auto self = shared_from_this();
    workers().spawn([self] { self->login(); });
}

void Connection::openGate()
{
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_gateOpen = true;
    }
    m_changed.notify_all();
}

void Connection::stop()
{
    std::unique_lock<std::mutex> hold(m_lock);
    m_stopped = true;
    m_changed.notify_all();
    hold.unlock();
    m_loginClient.cancel();
    hold.lock();
    // A callback running on the login thread finishes before we return,
    // unless it is the one that called us.
    m_changed.wait(hold, [this] { return !m_inCallback || m_callbackThread == std::this_thread::get_id(); });
}

void Connection::emit(int status)
{
    std::unique_lock<std::mutex> hold(m_lock);
    m_changed.wait(hold, [this] { return m_gateOpen || m_stopped; });
    if (m_stopped)
        return;
    m_inCallback = true;
    m_callbackThread = std::this_thread::get_id();
    hold.unlock();
    logLine("#%d status %d", m_handle, status);
    m_callback(status, m_userData);
    hold.lock();
    m_inCallback = false;
    m_changed.notify_all();
}

bool Connection::loggedIn()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_loggedIn && !m_stopped;
}

Answer Connection::ask(const Operation& op, bool withToken, SoapClient& client, bool patient)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(times().answer);
    for (;;) {
        Answer a = askOnce(op, withToken, client);
        if (!patient || a.kind != AnswerKind::Unreachable || std::chrono::steady_clock::now() >= until)
            return a;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

Answer Connection::askOnce(const Operation& op, bool withToken, SoapClient& client)
{
    Target target;
    std::time_t offset;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        target = m_target;
        offset = m_clockOffset;
    }
    vlsoap::UsernameToken token;
    if (withToken) {
        token.user = m_user;
        token.password = m_password;
        token.nonce = vlsoap::randomBytes(16);
        token.created = vlsoap::formatUtc(std::time(nullptr) + offset);
    }
    const std::string name = op.action.substr(op.action.rfind('/') + 1);
    HttpReply reply = client.post(target.ip, target.port, target.path, op.action,
        requestText(op, withToken ? &token : nullptr), times().answer * 1000);
    if (!reply.delivered) {
        logLine("#%d %s to %s:%d: %s", m_handle, name.c_str(), target.ip.c_str(), target.port,
            reply.error.c_str());
        Answer none;
        none.kind = AnswerKind::Unreachable;
        none.detail = reply.error;
        return none;
    }
    Answer a = readAnswer(op, reply.status, reply.body);
    if (a.kind != AnswerKind::Ok)
        logLine(
            "#%d %s to %s:%d: %s", m_handle, name.c_str(), target.ip.c_str(), target.port, a.detail.c_str());
    return a;
}

void Connection::login()
{
    // The device's clock first: a token dated by our clock is refused by a
    // device whose clock is far off. Devices that want credentials even for
    // the clock are asked with our own time.
    Answer clock = ask(getSystemDateAndTime(), false, m_loginClient);
    if (clock.kind == AnswerKind::Unreachable) {
        emit(VLONVIF_STATUS_CONNECTION_LOST);
        return;
    }
    if (const vlsoap::XmlElement* p = clock.payload())
        if (auto utc = readSystemTime(*p)) {
            std::lock_guard<std::mutex> hold(m_lock);
            m_clockOffset = *utc - std::time(nullptr);
        }

    Answer info = ask(getDeviceInformation(), true, m_loginClient);
    if (info.kind == AnswerKind::Unauthorized) {
        emit(VLONVIF_STATUS_WRONG_USER_OR_PASSWORD);
        return;
    }
    if (info.kind != AnswerKind::Ok) {
        emit(VLONVIF_STATUS_CONNECTION_LOST);
        return;
    }
    // Where the device says its device service is (the path only: the
    // address it names may be one we cannot reach).
    Answer caps = ask(getCapabilities(), true, m_loginClient);
    if (const vlsoap::XmlElement* p = caps.payload())
        if (auto x = parseXAddr(readDeviceServiceAddress(*p))) {
            std::lock_guard<std::mutex> hold(m_lock);
            m_target.path = x->path;
        }
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_loggedIn = true;
    }
    emit(VLONVIF_STATUS_LOGIN_SUCCESS);
}

std::optional<NetworkInterface> Connection::askMainInterface(SoapClient& client)
{
    Answer ifs = ask(getNetworkInterfaces(), true, client);
    if (!ifs.payload())
        return std::nullopt;
    const auto interfaces = readNetworkInterfaces(*ifs.payload());
    const NetworkInterface* main = mainInterface(interfaces);
    if (!main)
        return std::nullopt;
    return *main;
}

bool Connection::query(VLONVIF_NETWORK_PARAM* record)
{
    if (!loggedIn())
        return false;
    SoapClient client;
    const auto main = askMainInterface(client);
    if (!main)
        return false;
    Answer gw = ask(getNetworkDefaultGateway(), true, client);
    if (!gw.payload())
        return false;
    const auto gateways = readDefaultGateways(*gw.payload());
    Answer protocols = ask(getNetworkProtocols(), true, client);
    if (!protocols.payload())
        return false;
    int port = httpPort(readNetworkProtocols(*protocols.payload()));
    if (port == 0) {
        std::lock_guard<std::mutex> hold(m_lock);
        port = m_target.port; // no HTTP entry: the port we reach it on
    }

    VLONVIF_NETWORK_PARAM out;
    std::memcpy(&out, record, sizeof out);
    std::memset(out.ipv4, 0, sizeof out.ipv4);
    std::memset(out.netmask, 0, sizeof out.netmask);
    std::memset(out.gateway, 0, sizeof out.gateway);
    if (auto a = ipv4Bytes(main->address))
        std::memcpy(out.ipv4, a->data(), 4);
    if (main->prefix > 0 && main->prefix <= 32)
        prefixMask(main->prefix, out.netmask);
    for (const auto& g : gateways)
        if (auto a = ipv4Bytes(g)) {
            std::memcpy(out.gateway, a->data(), 4);
            break;
        }
    out.web_port = port;
    out.address_mode = main->dhcp ? VLONVIF_ADDRESS_DHCP : VLONVIF_ADDRESS_STATIC;
    std::memcpy(record, &out, sizeof out);
    return true;
}

bool Connection::set(const VLONVIF_NETWORK_PARAM& record)
{
    if (!loggedIn())
        return false;
    static const std::uint8_t kZero[4] = { 0, 0, 0, 0 };
    if (record.address_mode != VLONVIF_ADDRESS_DHCP && record.address_mode != VLONVIF_ADDRESS_STATIC) {
        logLine("#%d set refused: address mode %d", m_handle, record.address_mode);
        return false;
    }
    const bool dhcp = record.address_mode == VLONVIF_ADDRESS_DHCP;
    int prefix = 0;
    if (std::memcmp(record.netmask, kZero, 4) != 0) {
        auto p = maskPrefix(record.netmask);
        if (!p || *p == 0) {
            logLine("#%d set refused: mask %s", m_handle, ipv4Text(record.netmask).c_str());
            return false;
        }
        prefix = *p;
    }
    if (record.web_port < 0 || record.web_port > 65535) {
        logLine("#%d set refused: port %d", m_handle, record.web_port);
        return false;
    }
    const std::string address
        = std::memcmp(record.ipv4, kZero, 4) != 0 ? ipv4Text(record.ipv4) : std::string();

    SoapClient client;
    const auto main = askMainInterface(client);
    if (!main)
        return false;

    // The gateway first, while the device is where we reach it. A device
    // that refuses a gateway outside its present network takes it once it
    // has its new address.
    bool gatewayLater = false;
    const std::string gateway
        = std::memcmp(record.gateway, kZero, 4) != 0 ? ipv4Text(record.gateway) : std::string();
    if (!gateway.empty()) {
        Answer a = ask(setNetworkDefaultGateway(gateway), true, client);
        if (a.kind == AnswerKind::Fault)
            gatewayLater = true;
        else if (!a.payload())
            return false;
    }

    int currentPort;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        currentPort = m_target.port;
    }
    bool moved = false;
    if (record.web_port != 0 && record.web_port != currentPort) {
        Protocol http { "HTTP", true, { record.web_port } };
        if (!ask(setNetworkProtocols({ http }), true, client).payload())
            return false;
        std::lock_guard<std::mutex> hold(m_lock);
        m_target.port = record.web_port;
        moved = true;
    }

    if (dhcp) {
        if (!main->dhcp
            && !ask(setNetworkInterfaces(main->token, true, std::string(), 0), true, client, moved).payload())
            return false;
        return !gatewayLater || ask(setNetworkDefaultGateway(gateway), true, client, moved).payload();
    }
    const std::string newAddress = address.empty() ? main->address : address;
    const int newPrefix = prefix ? prefix : main->prefix;
    if (!ipv4Bytes(newAddress) || newPrefix < 1 || newPrefix > 32) {
        logLine("#%d set refused: no address or mask to keep", m_handle);
        return false;
    }
    if (main->dhcp || newAddress != main->address || newPrefix != main->prefix) {
        if (!ask(setNetworkInterfaces(main->token, false, newAddress, newPrefix), true, client, moved)
                 .payload())
            return false;
        std::lock_guard<std::mutex> hold(m_lock);
        moved = moved || m_target.ip != newAddress;
        m_target.ip = newAddress;
    }
    return !gatewayLater || ask(setNetworkDefaultGateway(gateway), true, client, moved).payload();
}

} // namespace vlonvif
