#include "web_login.h"

#include "common/hex.h"
#include "records.h"
#include "web_request.h"

namespace devsim
{

namespace
{

constexpr const char* kRangePath = "/API/Login/Range";
constexpr const char* kLoginPath = "/API/Web/Login";
constexpr const char* kHeartbeatPath = "/API/Web/Heartbeat";
constexpr const char* kDeviceInfoPath = "/API/Login/DeviceInfo/Get";
constexpr const char* kChannelInfoPath = "/API/Login/ChannelInfo/Get";
constexpr const char* kDeviceRecordPath = "/API/Login/DeviceRecord/Get";

// A refusal that still tells the client something in its "data".
WebAnswer refusal(int status, const std::string& result, const Json::Value& data)
{
    WebAnswer a = WebAnswer::failure(result, status);
    a.body = envelope(result, data);
    return a;
}

} // namespace

WebLogin::WebLogin(DeviceStore& store, EventLog& log, int lockAfter, int lockMs)
    : m_store(store)
    , m_log(log)
    , m_lockAfter(lockAfter)
    , m_lockMs(lockMs)
    , m_alive(std::make_shared<bool>(true))
{
    std::weak_ptr<bool> alive = m_alive;
    m_store.subscribe([this, alive](const StoreEvent& e) {
        if (e.kind != StoreEvent::WentOffline || !alive.lock())
            return;
        // The count and the lock live in the device's memory.
        std::lock_guard<std::mutex> hold(m_lock);
        for (auto it = m_accounts.begin(); it != m_accounts.end();)
            it = it->first.first == e.id ? m_accounts.erase(it) : std::next(it);
    });
}

WebLogin::~WebLogin()
{
    *m_alive = false;
}

void WebLogin::addTo(WebServer& web)
{
    WebPath range;
    range.needsSession = false;
    range.handle = [this](WebCall& c) {
        Json::Value data(Json::objectValue);
        m_store.read(c.device, [&](const Device& d) {
            data["http_port"] = d.net.webPort;
            data["https_port"] = d.net.httpsPort;
            data["activated"] = d.activated;
            data["password_enc"] = 0;
            data["support_recover_password"] = 1;
            data["use_recover_password"] = 0;
            data["syn_activation_pwd"] = false;
        });
        return WebAnswer::success(data);
    };
    web.addPath(kRangePath, std::move(range));

    WebPath login;
    login.needsSession = false;
    login.handle = [this, &web](WebCall& c) { return this->login(web, c); };
    web.addPath(kLoginPath, std::move(login));

    WebPath heartbeat;
    heartbeat.handle = [](WebCall&) { return WebAnswer::success(); };
    web.addPath(kHeartbeatPath, std::move(heartbeat));

    WebPath deviceInfo;
    deviceInfo.handle = [this](WebCall& c) {
        Json::Value data;
        m_store.read(c.device, [&](const Device& d) { data = httpDeviceInfo(d)["data"]; });
        return WebAnswer::success(data);
    };
    web.addPath(kDeviceInfoPath, std::move(deviceInfo));

    WebPath channelInfo;
    channelInfo.handle = [this](WebCall& c) {
        Json::Value data;
        m_store.read(c.device, [&](const Device& d) { data = httpChannelInfo(d)["data"]; });
        return WebAnswer::success(data);
    };
    web.addPath(kChannelInfoPath, std::move(channelInfo));

    WebPath record;
    record.handle = [this](WebCall& c) {
        // The rights in the record are those of the session's user (of
        // "admin" while the device checks no sessions).
        const std::string user = c.session ? c.session->user : std::string("admin");
        VLNET_DEVICE_INFO info {};
        m_store.read(c.device, [&](const Device& d) { info = deviceInfoRecord(d, d.findUser(user)); });
        Json::Value data(Json::objectValue);
        data["record"] = vlhex::to_hex(reinterpret_cast<const unsigned char*>(&info), sizeof info);
        return WebAnswer::success(data);
    };
    web.addPath(kDeviceRecordPath, std::move(record));
}

WebAnswer WebLogin::login(WebServer& web, WebCall& c)
{
    int refused = 0;
    bool activated = true;
    m_store.read(c.device, [&](const Device& d) {
        refused = d.faults.refuseLogin;
        activated = d.activated;
    });
    if (refused) {
        Json::Value data(Json::objectValue);
        data["status"] = refused;
        return refusal(403, "login_refused", data);
    }
    // No password yet: nothing to prove; the client asks for the first one.
    if (!activated)
        return WebAnswer::failure("not_activated", 403);

    std::string user;
    const WebServer::Digest digest = web.checkDigest(c, &user);
    if (digest == WebServer::Digest::Missing)
        return web.digestChallenge(c, "unauthorized");
    c.note["user"] = user;
    c.note["digest"] = digest == WebServer::Digest::Ok;
    if (long long ms = lockedFor(c.device, user)) {
        Json::Value data(Json::objectValue);
        data["remaining_ms"] = Json::Int64(ms);
        return refusal(403, "login_locked", data);
    }
    switch (digest) {
    case WebServer::Digest::UnknownUser:
        return web.digestChallenge(c, "user_not_exist");
    case WebServer::Digest::WrongPassword:
        if (failed(c.device, user))
            m_log.device(
                c.device, c.ip, "web login of " + user + " locked for " + std::to_string(m_lockMs) + " ms");
        return web.digestChallenge(c, "password_error");
    case WebServer::Digest::Disabled:
        return WebAnswer::failure("user_disabled", 403);
    default:
        break;
    }
    succeeded(c.device, user);
    const WebSession s = openWebSession(m_store, c.device, user, c.https);
    Json::Value data(Json::objectValue);
    data["user"] = user;
    m_store.read(c.device, [&](const Device& d) {
        const User* u = d.findUser(user);
        data["admin"] = u && u->admin;
    });
    m_log.device(c.device, c.ip, "web login of " + user + (c.https ? " (https)" : ""));
    WebAnswer a = WebAnswer::success(data);
    a.headers.emplace_back("Set-Cookie", s.cookie + "; Path=/; HttpOnly");
    a.headers.emplace_back("X-csrftoken", s.token);
    return a;
}

long long WebLogin::lockedFor(int device, const std::string& user)
{
    std::lock_guard<std::mutex> hold(m_lock);
    auto it = m_accounts.find({ device, user });
    if (it == m_accounts.end())
        return 0;
    const auto left = it->second.lockedUntil - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    return std::max<long long>(1, std::chrono::duration_cast<std::chrono::milliseconds>(left).count());
}

bool WebLogin::failed(int device, const std::string& user)
{
    if (m_lockAfter <= 0)
        return false;
    std::lock_guard<std::mutex> hold(m_lock);
    Account& a = m_accounts[{ device, user }];
    if (++a.failures < m_lockAfter)
        return false;
    a.failures = 0;
    a.lockedUntil = Clock::now() + std::chrono::milliseconds(m_lockMs);
    return true;
}

void WebLogin::succeeded(int device, const std::string& user)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_accounts.erase({ device, user });
}

} // namespace devsim
