#include "web_session.h"

#include "netlog.h"
#include "wire.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace vlnet
{

namespace
{

constexpr const char* kRangePath = "/API/Login/Range";
constexpr const char* kLoginPath = "/API/Web/Login";
constexpr const char* kHeartbeatPath = "/API/Web/Heartbeat";
constexpr const char* kLogoutPath = "/API/Web/Logout";
constexpr const char* kDeviceInfoPath = "/API/Login/DeviceInfo/Get";
constexpr const char* kChannelInfoPath = "/API/Login/ChannelInfo/Get";
constexpr const char* kDeviceRecordPath = "/API/Login/DeviceRecord/Get";
constexpr std::uint16_t kDefaultWebPort = 80;
// The logout after a stop holds nobody up, but ends within this.
constexpr int kLogoutLimitMs = 1000;

} // namespace

WebSession::WebSession(int handle, StartConfig config, Runtime& runtime)
    : Connection(handle, std::move(config), runtime)
    , m_runtime(runtime)
{
}

WebSession::~WebSession()
{
    // The worker holds the session alive until it ends, and stop() hands it
    // to the runtime; a worker still here was never started.
    if (m_worker.joinable())
        m_worker.detach();
}

void WebSession::begin()
{
    auto self = std::static_pointer_cast<WebSession>(shared_from_this());
    std::lock_guard<std::mutex> hold(m_stateLock);
    m_worker = std::thread([self] {
        self->run();
        self->m_workerDone->store(true);
    });
}

// ---- The worker ------------------------------------------------------------

void WebSession::run()
{
    emitStatus(VLNET_STATUS_CONNECTING);
    bool up = firstLogin();
    for (;;) {
        const Wake w = wait(up ? m_settings.keepaliveMs : -1);
        if (w == Wake::Stop)
            break;
        int drop = VLNET_STATUS_CLOSED_BY_RESET;
        if (w == Wake::Reset) {
            logLine("connection %d reset by the caller", m_handle);
            logout();
        } else {
            const Beat beat = heartbeat();
            if (beat == Beat::Alive)
                continue;
            if (beat == Beat::Stopped)
                break;
            drop = beat == Beat::Ended ? VLNET_STATUS_CLOSED_BY_DEVICE : VLNET_STATUS_CONNECTION_LOST;
            std::lock_guard<std::mutex> hold(m_stateLock);
            m_held = Held {};
        }
        emitStatus(drop);
        emitStatus(VLNET_STATUS_CONNECTING);
        up = reconnect();
    }
    logout();
}

bool WebSession::firstLogin()
{
    const Outcome o = attempt();
    if (o.kind == Outcome::Failed) {
        logLine("connection %d %s: web login failed: %s", m_handle, m_config.address.c_str(), o.why.c_str());
        emitStatus(VLNET_STATUS_CONNECTION_LOST);
        return false;
    }
    return report(o);
}

bool WebSession::reconnect()
{
    for (;;) {
        if (wait(m_settings.reconnectMs) == Wake::Stop)
            return false;
        const Outcome o = attempt();
        if (o.kind != Outcome::Failed)
            return report(o);
        if (stopped())
            return false;
        logLine("connection %d %s: attempt failed (%s), retrying", m_handle, m_config.address.c_str(),
            o.why.c_str());
    }
}

bool WebSession::report(const Outcome& o)
{
    VLNET_HTTP_DEVICE_INFO record;
    fillHttpRecord(o.answer, { m_config.address, o.target.address, o.target.port, m_config.user }, record);
    setHttpRecord(record);
    logLine("connection %d %s:%u web login user=%s kind=%s -> %d", m_handle, o.target.address.c_str(),
        unsigned(o.target.port), m_config.user.c_str(), m_config.kind().c_str(), o.status);
    if (o.kind == Outcome::Success) {
        emitStatus(o.status, o.deviceInfo, o.channelInfo);
        return true;
    }
    emitStatus(o.status);
    // A device without its first password ends the attempt: it takes no
    // login until it has one.
    if (o.status == VLNET_STATUS_NOT_ACTIVATED)
        emitStatus(VLNET_STATUS_CLOSED_BY_DEVICE);
    return false;
}

WebTarget WebSession::plainTarget(const LoginRange* range) const
{
    std::uint16_t port = m_config.port ? m_config.port : kDefaultWebPort;
    if (range && range->httpPort > 0)
        port = std::uint16_t(range->httpPort);
    return { m_config.address, port, false };
}

WebSession::Outcome WebSession::attempt()
{
    Outcome o;
    const WebTarget asked = plainTarget(nullptr);
    o.target = asked;
    const bool wantsHttps = (m_config.protocolFlags & VLNET_PROTOCOL_HTTPS) != 0;
    WebReply r
        = m_client.post(asked, kRangePath, {}, "{}", m_settings.connectTimeoutMs, m_settings.replyTimeoutMs);
    if (!r.delivered && wantsHttps && !stopped()) {
        // The port named may be the device's HTTPS port: a caller keeps the
        // port of an earlier HTTPS login as the device's web port.
        WebReply tls = m_client.post({ asked.address, asked.port, true }, kRangePath, {}, "{}",
            m_settings.connectTimeoutMs, m_settings.replyTimeoutMs);
        if (tls.delivered)
            r = std::move(tls);
    }
    if (!r.delivered) {
        o.why = r.error;
        return o;
    }
    if (r.status == 404) {
        o.kind = Outcome::Refused;
        o.status = readWebLogin(404, {}).status;
        return o;
    }
    const auto range = readLoginRange(r.body);
    if (!range) {
        o.why = "no login range in the answer (HTTP " + std::to_string(r.status) + ")";
        return o;
    }
    if (!range->activated) {
        o.kind = Outcome::Refused;
        o.status = VLNET_STATUS_NOT_ACTIVATED;
        o.target = plainTarget(&*range);
        o.answer.http = true;
        o.answer.httpPort = o.target.port;
        o.answer.protocol = "http";
        o.answer.passwordEncryption = range->passwordEncryption;
        o.answer.supportRecoverPassword = range->supportRecoverPassword;
        o.answer.useRecoverPassword = range->useRecoverPassword;
        o.answer.activationPassword = true;
        o.answer.syncActivationPassword = range->syncActivationPassword;
        return o;
    }
    // HTTPS first where asked for and offered; "auto" (the HTTP flag too)
    // falls back to HTTP when HTTPS cannot be reached.
    if (wantsHttps && range->httpsPort > 0) {
        o = login({ m_config.address, std::uint16_t(range->httpsPort), true }, *range);
        if (o.kind != Outcome::Failed || !(m_config.protocolFlags & VLNET_PROTOCOL_HTTP) || stopped())
            return o;
        logLine("connection %d %s: HTTPS login failed (%s), trying HTTP", m_handle, m_config.address.c_str(),
            o.why.c_str());
    }
    return login(plainTarget(&*range), *range);
}

WebSession::Outcome WebSession::login(const WebTarget& target, const LoginRange& range)
{
    Outcome o;
    o.target = target;
    const int connectMs = m_settings.connectTimeoutMs;
    const int replyMs = m_settings.replyTimeoutMs;
    WebReply r = m_client.post(target, kLoginPath, {}, "{}", connectMs, replyMs);
    if (r.delivered && r.status == 401) {
        if (const auto challenge = readDigestChallenge(r.header("WWW-Authenticate"))) {
            const std::string authorization = digestAuthorization(
                *challenge, m_config.user, m_config.password, "POST", kLoginPath, vlwire::randomHex(8));
            r = m_client.post(
                target, kLoginPath, { { "Authorization", authorization } }, "{}", connectMs, replyMs);
        }
    }
    if (!r.delivered) {
        o.why = r.error;
        return o;
    }
    const WebLoginResult result = readWebLogin(r.status, r.body);
    Held held { target, cookieOf(r.header("Set-Cookie")), r.header("X-csrftoken") };
    if (!result.success) {
        if (result.status == 0) {
            o.why = "the login was answered with HTTP " + std::to_string(r.status);
            return o;
        }
        o.kind = Outcome::Refused;
        o.status = result.status;
        return o;
    }
    if (held.cookie.empty() || held.token.empty()) {
        o.why = "the login answer holds no web session";
        return o;
    }
    o.kind = Outcome::Success;
    o.status = target.https ? VLNET_STATUS_HTTPS_LOGIN : VLNET_STATUS_HTTP_LOGIN;
    o.answer.http = true;
    o.answer.httpPort = target.port;
    o.answer.https = target.https;
    o.answer.protocol = target.https ? "https" : "http";
    o.answer.status = o.status;
    o.answer.cookie = held.cookie;
    o.answer.token = held.token;
    o.answer.passwordEncryption = range.passwordEncryption;
    o.answer.supportRecoverPassword = range.supportRecoverPassword;
    o.answer.useRecoverPassword = range.useRecoverPassword;
    o.answer.syncActivationPassword = range.syncActivationPassword;
    // The texts that come with an HTTP login; a login without them still
    // stands (the caller then knows less of the device).
    const auto headers = sessionHeaders(held);
    const std::pair<const char*, std::string*> texts[]
        = { { kDeviceInfoPath, &o.deviceInfo }, { kChannelInfoPath, &o.channelInfo } };
    for (const auto& [path, text] : texts) {
        const WebReply info = m_client.post(target, path, headers, "{}", connectMs, replyMs);
        if (auto t = info.delivered ? readDataText(info.body) : std::nullopt)
            *text = std::move(*t);
        else
            logLine("connection %d %s: no answer to %s", m_handle, target.address.c_str(), path);
    }
    std::lock_guard<std::mutex> hold(m_stateLock);
    m_held = std::move(held);
    return o;
}

WebSession::Beat WebSession::heartbeat()
{
    Held held;
    {
        std::lock_guard<std::mutex> hold(m_stateLock);
        held = m_held;
    }
    const WebReply r = m_client.post(held.target, kHeartbeatPath, sessionHeaders(held), "{}",
        m_settings.connectTimeoutMs, m_settings.replyTimeoutMs);
    if (stopped())
        return Beat::Stopped;
    if (!r.delivered) {
        logLine("connection %d %s: web session lost (%s)", m_handle, held.target.address.c_str(),
            r.error.c_str());
        return Beat::Lost;
    }
    if (r.status == 401) {
        logLine("connection %d %s: the device ended the web session", m_handle, held.target.address.c_str());
        return Beat::Ended;
    }
    return Beat::Alive;
}

WebSession::Wake WebSession::wait(int ms)
{
    std::unique_lock<std::mutex> hold(m_stateLock);
    auto woken = [this] { return m_ending || m_resetAsked; };
    if (ms < 0)
        m_wake.wait(hold, woken);
    else
        m_wake.wait_for(hold, std::chrono::milliseconds(ms), woken);
    if (m_ending)
        return Wake::Stop;
    if (m_resetAsked) {
        m_resetAsked = false;
        return Wake::Reset;
    }
    return Wake::Timer;
}

void WebSession::logout()
{
    Held held;
    {
        std::lock_guard<std::mutex> hold(m_stateLock);
        std::swap(held, m_held);
    }
    if (held.cookie.empty())
        return;
    const int limit = std::min(kLogoutLimitMs, m_settings.connectTimeoutMs);
    const WebReply r
        = m_logoutClient.post(held.target, kLogoutPath, sessionHeaders(held), "{}", limit, limit);
    logLine("connection %d %s: web session logged out%s", m_handle, held.target.address.c_str(),
        r.delivered ? "" : " (no answer)");
}

WebClient::Headers WebSession::sessionHeaders(const Held& held) const
{
    return { { "Cookie", held.cookie }, { "X-csrftoken", held.token } };
}

// ---- Caller threads --------------------------------------------------------

bool WebSession::deviceInfo(VLNET_DEVICE_INFO* out)
{
    Held held;
    {
        std::lock_guard<std::mutex> hold(m_stateLock);
        held = m_held;
    }
    if (held.cookie.empty())
        return false;
    const WebReply r = m_client.post(held.target, kDeviceRecordPath, sessionHeaders(held), "{}",
        m_settings.connectTimeoutMs, m_settings.replyTimeoutMs);
    VLNET_DEVICE_INFO record;
    if (!r.delivered || !readDeviceRecord(r.body, &record)) {
        logLine("connection %d: no device record (%s)", m_handle,
            r.delivered ? ("HTTP " + std::to_string(r.status)).c_str() : r.error.c_str());
        return false;
    }
    std::memcpy(out, &record, sizeof record);
    return true;
}

bool WebSession::simpleCommand(const VLNET_SIMPLE_CMD& cmd)
{
    logLine("connection %d: simple command %d/%d refused: a web login carries none", m_handle, cmd.command,
        cmd.param);
    return false;
}

bool WebSession::evenCheck(std::int32_t)
{
    return false;
}

void WebSession::reset()
{
    std::lock_guard<std::mutex> hold(m_stateLock);
    m_resetAsked = true;
    m_wake.notify_all();
}

void WebSession::cancelRequests()
{
    m_client.cancel();
}

void WebSession::closeTransport()
{
    std::thread worker;
    {
        std::lock_guard<std::mutex> hold(m_stateLock);
        m_ending = true;
        worker = std::move(m_worker);
    }
    m_wake.notify_all();
    if (worker.joinable())
        m_runtime.retire(std::move(worker), m_workerDone);
}

} // namespace vlnet
