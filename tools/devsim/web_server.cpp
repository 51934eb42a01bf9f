#include "web_server.h"

#include "common/hex.h"
#include "common/json.h"
#include "web_listener.h"
#include "wire.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <openssl/evp.h>
#include <stdexcept>

namespace devsim
{

namespace
{

constexpr const char* kLogoutPath = "/API/Web/Logout";
constexpr const char* kUpgradePath = "/API/Maintenance/SystemUpgrade/Upgrade";
constexpr const char* kDigestRealm = "device";
constexpr std::size_t kDefaultMaxBody = 1 << 20;
constexpr std::size_t kNotedBodyMax = 64 * 1024;
constexpr std::size_t kMaxNonces = 256; // per device

std::int64_t wallMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

bool validPathKey(const std::string& path)
{
    return path == "*" || (!path.empty() && path[0] == '/');
}

Json::Value faultToJson(const WebFault& f)
{
    Json::Value o(Json::objectValue);
    if (f.status)
        o["status"] = f.status;
    if (f.result)
        o["result"] = *f.result;
    if (f.body)
        o["body"] = *f.body;
    if (f.empty)
        o["empty"] = true;
    if (f.delayMs)
        o["delay_ms"] = f.delayMs;
    if (f.reset)
        o["reset"] = true;
    if (f.tls)
        o["tls"] = true;
    if (f.times)
        o["times"] = f.times;
    return o;
}

bool faultFromJson(const Json::Value& v, WebFault* f, std::string* error)
{
    static const std::set<std::string> known
        = { "status", "result", "body", "empty", "delay_ms", "reset", "tls", "times" };
    if (!v.isObject()) {
        *error = "a fault must be an object";
        return false;
    }
    for (const auto& key : v.getMemberNames())
        if (!known.count(key)) {
            *error = "unknown fault " + key;
            return false;
        }
    vljson::reader r(v, vljson::policy::exact, "fault ");
    std::string text;
    r.read("status", f->status, 100, 599);
    if (r.read("result", text) && r.found())
        f->result = text;
    if (r.read("body", text) && r.found())
        f->body = text;
    r.read("empty", f->empty);
    r.read("delay_ms", f->delayMs, 0, 600000);
    r.read("reset", f->reset);
    r.read("tls", f->tls);
    r.read("times", f->times, 0, 1000000);
    if (!r.ok())
        *error = r.error();
    return r.ok();
}

Json::Value switchesToJson(const WebSwitches& sw)
{
    Json::Value o(Json::objectValue);
    o["sessions"] = sw.sessions;
    Json::Value digest(Json::arrayValue);
    for (const auto& p : sw.digest)
        digest.append(p);
    o["digest"] = digest;
    Json::Value faults(Json::objectValue);
    for (const auto& [path, f] : sw.faults)
        faults[path] = faultToJson(f);
    o["faults"] = faults;
    Json::Value answers(Json::objectValue);
    for (const auto& [path, data] : sw.answers)
        answers[path] = data;
    o["answers"] = answers;
    o["tls_refuse"] = sw.refuseTls;
    if (sw.upgrade) {
        Json::Value u(Json::objectValue);
        u["token"] = sw.upgrade->token;
        u["size"] = Json::UInt64(sw.upgrade->size);
        u["version"] = sw.upgrade->version;
        u["reboot_ms"] = sw.upgrade->rebootMs;
        o["upgrade"] = u;
    } else {
        o["upgrade"] = Json::Value();
    }
    return o;
}

WebAnswer uploadRefusal(UploadCheck check)
{
    WebAnswer a = check == UploadCheck::NoLength ? WebAnswer::failure("length_required", 411)
        : check == UploadCheck::WrongSize        ? WebAnswer::failure("file_size_mismatch", 400)
                                                 : WebAnswer::failure("invalid_upgrade_token", 403);
    a.closeAfter = true; // the body, if it comes, is not read
    return a;
}

} // namespace

WebAnswer WebAnswer::success(const Json::Value& data)
{
    WebAnswer a;
    a.body = envelope("success", data);
    return a;
}

WebAnswer WebAnswer::failure(const std::string& result, int status)
{
    WebAnswer a;
    a.status = status;
    a.body = envelope(result, Json::Value(Json::objectValue));
    return a;
}

WebAnswer WebAnswer::text(int status, std::string body, std::string contentType)
{
    WebAnswer a;
    a.status = status;
    a.body = std::move(body);
    a.contentType = std::move(contentType);
    return a;
}

struct WebServer::Route {
    WebPath path;
};

WebSession openWebSession(DeviceStore& store, int id, const std::string& user, bool https)
{
    WebSession s { "session=" + vlwire::randomHex(16), vlwire::randomHex(16), user, https };
    store.modify(id, [&](Device& d) { d.webSessions.push_back(s); });
    return s;
}

void endWebSessions(DeviceStore& store, int id)
{
    store.modify(id, [](Device& d) { d.webSessions.clear(); });
}

WebServer::WebServer(DeviceStore& store, EventLog& log, int rebootMs)
    : m_store(store)
    , m_log(log)
    , m_rebootMs(rebootMs)
    , m_alive(std::make_shared<bool>(true))
{
    std::weak_ptr<bool> alive = m_alive;
    m_store.subscribe([this, alive](const StoreEvent& e) {
        if (alive.lock())
            onStoreEvent(e);
    });
    addBuiltInPaths();
}

WebServer::~WebServer()
{
    stop();
    *m_alive = false;
}

void WebServer::addPath(const std::string& path, WebPath p)
{
    std::lock_guard<std::mutex> hold(m_lock);
    std::string method = p.method;
    m_paths[{ method, path }] = std::move(p);
}

void WebServer::setInspector(std::function<void(WebCall&)> inspect)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_inspect = std::move(inspect);
}

void WebServer::start()
{
    std::string clash = m_store.portClash();
    if (!clash.empty())
        throw std::runtime_error("web interface: " + clash);
    m_tls = makeSelfSignedContext("device");
    SSL_CTX_set_client_hello_cb(m_tls.get(), &WebServer::onClientHello, this);
    {
        std::lock_guard<std::mutex> hold(m_listenLock);
        m_started = true;
    }
    // A port that cannot be had (taken, or privileged outside the lab)
    // leaves the other transports and ports serving; the log tells.
    for (const auto& error : syncListeners())
        m_log.line("web interface: " + error);
}

void WebServer::stop()
{
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_stopping = true;
    }
    m_stopWake.notify_all();
    // Joined without the lock: a request being served may still move its
    // device, and the listeners' threads must not wait for this one.
    std::map<std::pair<std::uint16_t, bool>, std::unique_ptr<WebListener>> listeners;
    std::vector<std::thread> retiring;
    {
        std::lock_guard<std::mutex> hold(m_listenLock);
        m_started = false;
        listeners.swap(m_listeners);
        retiring.swap(m_retiring);
    }
    for (auto& [key, listener] : listeners)
        listener->halt();
    for (auto& [key, listener] : listeners)
        listener->close();
    for (auto& t : retiring)
        t.join();
}

std::set<std::uint16_t> WebServer::ports(bool https) const
{
    std::lock_guard<std::mutex> hold(m_listenLock);
    std::set<std::uint16_t> out;
    for (const auto& [key, listener] : m_listeners)
        if (key.second == https)
            out.insert(key.first);
    return out;
}

void WebServer::onStoreEvent(const StoreEvent& e)
{
    if (e.kind == StoreEvent::Moved) {
        for (const auto& error : syncListeners())
            m_log.line("web interface: " + error);
    } else if (e.kind == StoreEvent::WentOffline) {
        // A token lives in the device's memory: gone with a reboot.
        std::lock_guard<std::mutex> hold(m_lock);
        auto it = m_switches.find(e.id);
        if (it != m_switches.end())
            it->second.upgrade.reset();
    }
}

std::vector<std::string> WebServer::syncListeners()
{
    std::vector<std::string> errors;
    std::lock_guard<std::mutex> hold(m_listenLock);
    if (!m_started)
        return errors;
    std::set<std::pair<std::uint16_t, bool>> want;
    for (auto port : m_store.webPorts(false))
        want.insert({ port, false });
    for (auto port : m_store.webPorts(true))
        want.insert({ port, true });
    for (auto it = m_listeners.begin(); it != m_listeners.end();) {
        if (want.count(it->first)) {
            ++it;
            continue;
        }
        // The port is free at once; the threads end on their own time (this
        // may be one of them).
        it->second->halt();
        m_retiring.emplace_back([listener = std::move(it->second)]() mutable { listener->close(); });
        m_log.line(std::string("web interface: port ") + std::to_string(it->first.first) + " ("
            + (it->first.second ? "HTTPS" : "HTTP") + ") closed");
        it = m_listeners.erase(it);
    }
    for (const auto& [port, https] : want)
        if (!m_listeners.count({ port, https }))
            openListener(port, https, &errors);
    return errors;
}

void WebServer::openListener(std::uint16_t port, bool https, std::vector<std::string>* errors)
{
    auto listener = std::make_unique<WebListener>(port, https ? m_tls.get() : nullptr,
        [this, port, https](const std::string& ip) { return deviceFor(ip, port, https).has_value(); });
    WebListener* l = listener.get();
    auto withBody = [this, l](const httplib::Request& q, httplib::Response& s,
                        const httplib::ContentReader& body) { serve(*l, q, s, &body); };
    auto withoutBody
        = [this, l](const httplib::Request& q, httplib::Response& s) { serve(*l, q, s, nullptr); };
    listener->Post(".*", withBody);
    listener->Put(".*", withBody);
    listener->Patch(".*", withBody);
    listener->Delete(".*", withBody);
    listener->Get(".*", withoutBody);
    listener->Options(".*", withoutBody);
    listener->set_expect_100_continue_handler(
        [this, l](const httplib::Request& q, httplib::Response& s) { return expect(*l, q, s); });
    listener->set_exception_handler(
        [this](const httplib::Request& q, httplib::Response& s, std::exception_ptr ep) {
            std::string what = "unknown exception";
            try {
                std::rethrow_exception(ep);
            } catch (const std::exception& e) {
                what = e.what();
            } catch (...) {
            }
            m_log.line("web interface: " + q.method + " " + q.path + " failed: " + what);
            s.status = 500;
            s.set_content(envelope("error", Json::Value(Json::objectValue)), "application/json");
        });
    std::string error;
    if (!listener->start(&error)) {
        errors->push_back(error);
        return;
    }
    m_log.line(
        std::string("web interface: ") + (https ? "HTTPS" : "HTTP") + " on port " + std::to_string(port));
    m_listeners[{ port, https }] = std::move(listener);
}

std::optional<int> WebServer::deviceFor(const std::string& localIp, std::uint16_t port, bool https) const
{
    auto id = m_store.findByIp(localIp);
    if (!id)
        return std::nullopt;
    bool serves = false;
    m_store.read(*id,
        [&](const Device& d) { serves = d.online() && (https ? d.net.httpsPort : d.net.webPort) == port; });
    return serves ? id : std::nullopt;
}

std::optional<WebServer::Route> WebServer::route(
    const std::string& method, const std::string& path, bool https) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    auto it = m_paths.find({ method, path });
    if (it == m_paths.end() || (it->second.httpOnly && https))
        return std::nullopt;
    return Route { it->second };
}

void WebServer::inspect(WebCall& call)
{
    std::function<void(WebCall&)> look;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        look = m_inspect;
    }
    if (look && call.json.isObject())
        look(call);
}

WebSwitches WebServer::switchesFor(int id, const std::string& path, WebFault* fault)
{
    std::lock_guard<std::mutex> hold(m_lock);
    auto it = m_switches.find(id);
    if (it == m_switches.end())
        return WebSwitches {};
    if (fault) {
        auto f = it->second.faults.find(path);
        if (f == it->second.faults.end())
            f = it->second.faults.find("*");
        if (f != it->second.faults.end()) {
            *fault = f->second;
            if (f->second.times > 0 && --f->second.times == 0)
                it->second.faults.erase(f);
        }
    }
    return it->second;
}

std::string WebServer::newNonce(int device)
{
    std::string nonce = vlwire::randomHex(16);
    std::lock_guard<std::mutex> hold(m_lock);
    auto& nonces = m_nonces[device];
    nonces.push_back(nonce);
    while (nonces.size() > kMaxNonces)
        nonces.pop_front();
    return nonce;
}

bool WebServer::knownNonce(int device, const std::string& nonce) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    const auto it = m_nonces.find(device);
    return it != m_nonces.end() && std::find(it->second.begin(), it->second.end(), nonce) != it->second.end();
}

WebServer::Digest WebServer::checkDigest(const WebCall& call, std::string* user) const
{
    auto header = headerValue(call.headers, "Authorization");
    auto c = header ? parseDigestAuthorization(*header) : std::nullopt;
    if (!c || c->realm != kDigestRealm || c->uri != call.request.target || !knownNonce(call.device, c->nonce))
        return Digest::Missing;
    if (user)
        *user = c->username;
    Digest outcome = Digest::UnknownUser;
    m_store.read(call.device, [&](const Device& d) {
        const User* u = d.findUser(c->username);
        if (!u)
            outcome = Digest::UnknownUser;
        else if (digestResponse(*c, u->password, call.request.method) != c->response)
            outcome = Digest::WrongPassword;
        else
            outcome = u->enabled ? Digest::Ok : Digest::Disabled;
    });
    return outcome;
}

WebAnswer WebServer::digestChallenge(const WebCall& call, const std::string& result)
{
    WebAnswer a = WebAnswer::failure(result, 401);
    a.headers.emplace_back("WWW-Authenticate",
        std::string("Digest realm=\"") + kDigestRealm + "\", qop=\"auth\", algorithm=MD5, nonce=\""
            + newNonce(call.device) + "\"");
    return a;
}

std::optional<WebAnswer> WebServer::checkAccess(WebCall& call, const Route& route, const WebSwitches& sw)
{
    const std::string& path = call.request.path;
    if (sw.digest.count(path) || sw.digest.count("*")) {
        bool ok = checkDigest(call) == Digest::Ok;
        call.note["digest"] = ok;
        if (!ok)
            return digestChallenge(call, "unauthorized");
    }
    if (route.path.needsSession && sw.sessions && !call.session)
        return WebAnswer::failure("session_invalid", 401);
    return std::nullopt;
}

bool WebServer::sleepUnlessStopping(int ms)
{
    std::unique_lock<std::mutex> hold(m_lock);
    return !m_stopWake.wait_for(hold, std::chrono::milliseconds(ms), [this] { return m_stopping; });
}

void WebServer::note(const WebCall& call, const WebAnswer* answer, const char* fault)
{
    Received r;
    r.timeMs = wallMs();
    r.transport = "web";
    r.what = call.request.path;
    Json::Value d = call.note;
    d["method"] = call.request.method;
    d["path"] = call.request.path;
    d["target"] = call.request.target;
    d["scheme"] = call.https ? "https" : "http";
    d["port"] = call.port;
    d["peer"] = call.request.remote_addr + ":" + std::to_string(call.request.remote_port);
    Json::Value headers(Json::arrayValue);
    for (const auto& [name, value] : call.headers) {
        Json::Value h(Json::arrayValue);
        h.append(name);
        h.append(value);
        headers.append(h);
    }
    d["headers"] = headers;
    if (!d.isMember("size")) {
        d["body"] = call.body.substr(0, kNotedBodyMax);
        if (call.body.size() > kNotedBodyMax)
            d["body_size"] = Json::UInt64(call.body.size());
    }
    d["authorized"] = call.session.has_value();
    if (answer) {
        d["status"] = answer->status;
        Json::Value parsed;
        if (parseJsonBody(answer->body, &parsed) && parsed["result"].isString())
            d["result"] = parsed["result"];
    }
    if (fault)
        d["fault"] = fault;
    r.detail = std::move(d);
    m_store.noteReceived(call.device, std::move(r));
    m_log.device(call.device, call.ip,
        "web " + call.request.method + " " + call.request.path + (call.https ? " (https)" : "") + " -> "
            + (fault ? std::string(fault) : std::to_string(answer ? answer->status : 0)));
}

void WebServer::serve(WebListener& listener, const httplib::Request& req, httplib::Response& res,
    const httplib::ContentReader* body)
{
    WebConnection* conn = WebListener::current();
    if (!conn)
        return;
    auto id = deviceFor(req.local_addr, listener.port(), listener.https());
    if (!id) {
        // Gone since the connection came (moved, rebooting, off the network).
        conn->resetInstead();
        return;
    }
    HeaderList headers = parseHeaderBlock(conn->head());
    WebFault fault;
    WebSwitches sw = switchesFor(*id, req.path, &fault);
    WebCall call(m_store, *id, req.local_addr, listener.https(), listener.port(), req, headers);
    bool consumed = false;
    // A request with neither a length nor chunks has no body (cpp-httplib
    // would wait for the client to close).
    bool hasBody = req.has_header("Content-Length") || req.has_header("Transfer-Encoding");
    if (body && hasBody)
        call.readBody = [body, &consumed](const std::function<bool(const char*, size_t)>& receive) {
            consumed = true;
            return (*body)([&](const char* data, size_t n) { return receive(data, n); });
        };
    else
        call.readBody = [&req, &consumed](const std::function<bool(const char*, size_t)>& receive) {
            consumed = true;
            return req.body.empty() || receive(req.body.data(), req.body.size());
        };
    m_store.read(*id, [&](const Device& d) {
        if (const WebSession* s = findWebSession(d.webSessions, headers))
            call.session = *s;
    });

    if (fault.delayMs > 0 && !sleepUnlessStopping(fault.delayMs)) {
        conn->resetInstead();
        return;
    }
    if (fault.reset || fault.tls) {
        bool tls = fault.tls && listener.https();
        if (tls)
            conn->breakTls();
        else
            conn->resetInstead();
        note(call, nullptr, tls ? "tls" : "reset");
        return;
    }

    std::optional<Route> r = route(req.method, req.path, listener.https());
    auto canned = sw.answers.find(req.path);
    bool hasCanned = canned != sw.answers.end() && req.method == "POST";
    if (!r && hasCanned)
        r = Route {};
    std::optional<WebAnswer> answer;
    // Bodies of paths that do not stream are read before anything is
    // decided, so that a kept-alive connection stays in step.
    if (!r || !r->path.streamBody) {
        std::size_t max = r ? r->path.maxBody : kDefaultMaxBody;
        bool tooLong = false;
        bool whole = call.readBody([&](const char* data, size_t n) {
            if (call.body.size() + n > max) {
                tooLong = true;
                return false;
            }
            call.body.append(data, n);
            return true;
        });
        if (tooLong) {
            answer = WebAnswer::failure("body_too_large", 413);
            answer->closeAfter = true;
        } else if (!whole) {
            answer = WebAnswer::failure("bad_request", 400);
            answer->closeAfter = true;
        }
    }
    if (!answer) {
        if (!r)
            answer = WebAnswer::failure("not_found", 404);
        else if (auto refusal = checkAccess(call, *r, sw))
            answer = std::move(refusal);
        else if (r->path.json && !r->path.streamBody && !parseJsonBody(call.body, &call.json))
            answer = WebAnswer::failure("invalid_json", 400);
    }
    if (!answer) {
        inspect(call);
        if (hasCanned)
            answer = WebAnswer::success(canned->second);
        else if (r->path.handle)
            answer = r->path.handle(call);
        else
            answer = WebAnswer::failure("not_found", 404);
    }
    if (r && r->path.streamBody && !consumed)
        answer->closeAfter = true;

    if (fault.status)
        answer->status = fault.status;
    if (fault.result)
        answer->body = withResult(answer->body, *fault.result);
    if (fault.body) {
        answer->body = *fault.body;
        answer->contentType = "text/html";
    }
    if (fault.empty)
        answer->body.clear();

    if (answer->closeAfter)
        conn->closeAfter();
    res.status = answer->status;
    for (const auto& [name, value] : answer->headers)
        res.set_header(name, value);
    if (!answer->body.empty())
        res.set_content(answer->body, answer->contentType.c_str());
    note(call, &*answer, nullptr);
}

int WebServer::expect(WebListener& listener, const httplib::Request& req, httplib::Response& res)
{
    WebConnection* conn = WebListener::current();
    try {
        auto id = conn ? deviceFor(req.local_addr, listener.port(), listener.https()) : std::nullopt;
        if (!id) {
            if (conn)
                conn->resetInstead();
            res.status = 503;
            return res.status;
        }
        auto r = route(req.method, req.path, listener.https());
        if (!r || !r->path.streamBody)
            return 100;
        HeaderList headers = parseHeaderBlock(conn->head());
        WebSwitches sw = switchesFor(*id, req.path, nullptr);
        WebCall call(m_store, *id, req.local_addr, listener.https(), listener.port(), req, headers);
        m_store.read(*id, [&](const Device& d) {
            if (const WebSession* s = findWebSession(d.webSessions, headers))
                call.session = *s;
        });
        std::optional<WebAnswer> refusal = checkAccess(call, *r, sw);
        if (!refusal && r->path.beforeBody)
            refusal = r->path.beforeBody(call);
        if (!refusal)
            return 100;
        // The client sends no body after a refusal; whatever it does send is
        // not read.
        conn->closeAfter();
        call.note["before_body"] = true;
        res.status = refusal->status;
        for (const auto& [name, value] : refusal->headers)
            res.set_header(name, value);
        res.set_content(refusal->body, refusal->contentType.c_str());
        note(call, &*refusal, nullptr);
        return res.status;
    } catch (const std::exception& e) {
        m_log.line("web interface: " + req.method + " " + req.path + " failed before its body: " + e.what());
        if (conn)
            conn->closeAfter();
        res.status = 500;
        return res.status;
    }
}

void WebServer::addBuiltInPaths()
{
    WebPath logout;
    logout.needsSession = false; // a logout always succeeds; it ends the session it names
    logout.handle = [this](WebCall& c) {
        if (c.session) {
            std::string cookie = c.session->cookie;
            m_store.modify(c.device, [&](Device& d) {
                for (auto it = d.webSessions.begin(); it != d.webSessions.end(); ++it)
                    if (it->cookie == cookie) {
                        d.webSessions.erase(it);
                        break;
                    }
            });
            m_log.device(c.device, c.ip, "web session of " + c.session->user + " ended (logout)");
        }
        return WebAnswer::success();
    };
    addPath(kLogoutPath, std::move(logout));

    WebPath upgrade;
    upgrade.json = false;
    upgrade.streamBody = true;
    upgrade.beforeBody = [this](WebCall& c) -> std::optional<WebAnswer> {
        UploadExpectation want;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            auto it = m_switches.find(c.device);
            if (it != m_switches.end() && it->second.upgrade)
                want = { it->second.upgrade->token, it->second.upgrade->size };
        }
        UploadCheck check = checkUpload(c.headers, want);
        c.note["check"] = uploadCheckName(check);
        if (check != UploadCheck::Ok)
            return uploadRefusal(check);
        return std::nullopt;
    };
    upgrade.handle = [this](WebCall& c) { return upload(c); };
    addPath(kUpgradePath, std::move(upgrade));
}

WebAnswer WebServer::upload(WebCall& c)
{
    WebSwitches::Upgrade want;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        auto it = m_switches.find(c.device);
        if (it != m_switches.end() && it->second.upgrade)
            want = *it->second.upgrade;
    }
    UploadCheck check = checkUpload(c.headers, { want.token, want.size });
    c.note["check"] = uploadCheckName(check);
    if (check != UploadCheck::Ok)
        return uploadRefusal(check);

    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> md(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!md || EVP_DigestInit_ex(md.get(), EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 unavailable");
    std::uint64_t got = 0;
    bool whole = c.readBody([&](const char* data, size_t n) {
        got += n;
        return EVP_DigestUpdate(md.get(), data, n) == 1;
    });
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    EVP_DigestFinal_ex(md.get(), digest, &digestLength);
    c.note["size"] = Json::UInt64(got);
    c.note["sha256"] = vlhex::to_hex(digest, digestLength);
    if (!whole || got != want.size) {
        c.note["check"] = "incomplete";
        WebAnswer a = WebAnswer::failure("upload_incomplete", 400);
        a.closeAfter = true;
        return a;
    }
    {
        // Two uploads with one token: the first to arrive whole takes it.
        std::lock_guard<std::mutex> hold(m_lock);
        auto it = m_switches.find(c.device);
        if (it == m_switches.end() || !it->second.upgrade || it->second.upgrade->token != want.token) {
            c.note["check"] = uploadCheckName(UploadCheck::NoToken);
            return uploadRefusal(UploadCheck::NoToken);
        }
        it->second.upgrade.reset();
    }
    c.note["version"] = want.version;
    m_store.modify(c.device, [&](Device& d) { d.firmware = want.version; });
    m_log.device(c.device, c.ip,
        "firmware " + want.version + " received (" + std::to_string(got) + " bytes), rebooting into it");
    // The answer still leaves: the connection outlives the device's address
    // for as long as it takes to write it.
    m_store.reboot(c.device, want.rebootMs);
    return WebAnswer::success();
}

Json::Value WebServer::control(int id, const Json::Value& r, std::string* error)
{
    auto fail = [&](const std::string& why) {
        *error = why;
        return Json::Value();
    };
    // An object keyed by paths: calls `each` with every path and its value.
    auto paths
        = [&](const char* key, const std::function<bool(const std::string&, const Json::Value&)>& each) {
              if (!vljson::has(r, key))
                  return true;
              if (!r[key].isObject()) {
                  *error = std::string(key) + " must be an object of paths";
                  return false;
              }
              for (const auto& path : r[key].getMemberNames()) {
                  if (!validPathKey(path)) {
                      *error = std::string(key) + ": a path begins with \"/\" (or is \"*\"): " + path;
                      return false;
                  }
                  if (!each(path, r[key][path]))
                      return false;
              }
              return true;
          };

    vljson::reader top(r, vljson::policy::exact);
    bool clear = top.flag("clear");
    std::optional<std::pair<std::string, bool>> login;
    if (vljson::has(r, "login")) {
        vljson::reader l(r["login"], vljson::policy::exact, "login.");
        std::string user = l.text("user", "admin");
        bool https = l.flag("https");
        if (!r["login"].isObject() || !l.ok())
            return fail(l.ok() ? "login must be {\"user\": text, \"https\": bool}" : l.error());
        bool known = false;
        m_store.read(id, [&](const Device& d) { known = d.findUser(user) != nullptr; });
        if (!known)
            return fail("no user " + user + " on the device");
        login = std::make_pair(user, https);
    }

    Json::Value out(Json::objectValue);
    {
        std::lock_guard<std::mutex> hold(m_lock);
        WebSwitches sw;
        if (auto it = m_switches.find(id); !clear && it != m_switches.end())
            sw = it->second;
        top.read("sessions", sw.sessions);
        top.read("tls_refuse", sw.refuseTls);
        if (!top.ok())
            return fail(top.error());
        bool ok = paths("digest", [&](const std::string& path, const Json::Value& on) {
            if (!on.isBool()) {
                *error = "digest: " + path + " must be true or false";
                return false;
            }
            if (on.asBool())
                sw.digest.insert(path);
            else
                sw.digest.erase(path);
            return true;
        }) && paths("faults", [&](const std::string& path, const Json::Value& v) {
            WebFault f;
            if (v.isNull())
                sw.faults.erase(path);
            else if (!faultFromJson(v, &f, error))
                return false;
            else
                sw.faults[path] = f;
            return true;
        }) && paths("answers", [&](const std::string& path, const Json::Value& data) {
            if (data.isNull()) {
                sw.answers.erase(path);
            } else if (!data.isObject()) {
                *error = "answers: " + path + " must be the \"data\" object (or null)";
                return false;
            } else {
                sw.answers[path] = data;
            }
            return true;
        });
        if (!ok)
            return Json::Value();
        if (r.isMember("upgrade") && r["upgrade"].isNull()) {
            sw.upgrade.reset();
        } else if (r.isMember("upgrade")) {
            const Json::Value& u = r["upgrade"];
            vljson::reader ur(u, vljson::policy::exact, "upgrade.");
            WebSwitches::Upgrade up;
            double seconds = double(m_rebootMs) / 1000;
            long long size = 0;
            ur.read("size", size, 0, std::numeric_limits<long long>::max());
            up.size = std::uint64_t(size);
            ur.read("version", up.version);
            ur.read("token", up.token);
            if (vljson::has(u, "reboot_seconds")) {
                if (!u["reboot_seconds"].isNumeric() || u["reboot_seconds"].asDouble() < 0
                    || u["reboot_seconds"].asDouble() > 3600)
                    ur.fail("reboot_seconds", "a number of seconds from 0 to 3600");
                else
                    seconds = u["reboot_seconds"].asDouble();
            }
            if (ur.ok() && (!u.isObject() || !vljson::has(u, "size") || up.version.empty()))
                ur.fail("version", "given, with \"size\"");
            if (!ur.ok())
                return fail(ur.error());
            if (up.token.empty())
                up.token = vlwire::randomHex(16);
            up.rebootMs = int(seconds * 1000);
            sw.upgrade = up;
        }
        m_switches[id] = sw;
        out["web"] = switchesToJson(sw);
    }
    if (login) {
        WebSession s = openWebSession(m_store, id, login->first, login->second);
        Json::Value o(Json::objectValue);
        o["cookie"] = s.cookie;
        o["token"] = s.token;
        o["user"] = s.user;
        o["https"] = s.https;
        out["session"] = o;
    }
    return out;
}

int WebServer::onClientHello(SSL* ssl, int* alert, void* arg)
{
    auto* self = static_cast<WebServer*>(arg);
    auto id = self->m_store.findByIp(localAddressOf(SSL_get_fd(ssl)));
    if (!id)
        return SSL_CLIENT_HELLO_SUCCESS;
    bool refuse = false;
    {
        std::lock_guard<std::mutex> hold(self->m_lock);
        auto it = self->m_switches.find(*id);
        refuse = it != self->m_switches.end() && it->second.refuseTls;
    }
    if (!refuse)
        return SSL_CLIENT_HELLO_SUCCESS;
    *alert = SSL_AD_HANDSHAKE_FAILURE;
    return SSL_CLIENT_HELLO_ERROR;
}

} // namespace devsim
