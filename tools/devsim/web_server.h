#pragma once
// The device web interface of devsim: HTTP on each device's web port, HTTPS
// on its HTTPS port (0: none), one listener per port and scheme for all
// devices (web_listener.h), the device found by the address a request
// reached. Requests are POSTs of compact JSON, answered with the envelope
// {"result":"success","data":{...}}; protected paths need a web session
// (Device::webSessions: the whole Cookie header equals its cookie, the
// X-csrftoken header its token). Per device, tests switch the session check,
// HTTP Digest challenges and faults per path, and hand out an upgrade token
// for the firmware upload ("web" control command, README).
//
// Paths come from the transports that use them: a transport adds its paths
// with addPath() (web_request.h holds the parsing they share); the server
// itself brings "/API/Web/Logout" and the firmware upload
// "/API/Maintenance/SystemUpgrade/Upgrade".
//
// Threads: requests are served on the listeners' threads; handlers may block
// (they hold no lock of the server while they run) and reach devices only
// through the store. Everything here may be called from any thread.
#include "log.h"
#include "store.h"
#include "web_request.h"
#include "web_tls.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <httplib.h>
#include <json/value.h>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace devsim
{

class WebListener;

// One request, as a path's handler sees it.
struct WebCall {
    WebCall(DeviceStore& store_, int device_, std::string ip_, bool https_, std::uint16_t port_,
        const httplib::Request& request_, const HeaderList& headers_)
        : store(store_)
        , device(device_)
        , ip(std::move(ip_))
        , https(https_)
        , port(port_)
        , request(request_)
        , headers(headers_)
    {
    }

    DeviceStore& store;
    int device = 0;
    std::string ip; // the device address the request reached
    bool https = false;
    std::uint16_t port = 0;
    const httplib::Request& request; // method, path, target, query
    const HeaderList& headers; // in the order sent
    std::string body; // the whole body (paths that stream read it themselves)
    Json::Value json; // the body as JSON ({} when empty), for JSON paths
    std::optional<WebSession> session; // the session the request carries
    // Streaming paths: the body, not read yet. Returns false when the
    // connection failed or `receive` returned false.
    std::function<bool(const std::function<bool(const char*, size_t)>& receive)> readBody;
    Json::Value note = Json::Value(Json::objectValue); // more members for the received entry
    // What the device made of the secret objects in the request's "data"
    // (web_secrets.h), before the handler runs: "" when absent, "ok", or why
    // not; the opened new password.
    struct Secrets {
        std::string secondaryAuth;
        std::string encPassword;
        std::string password;
    } secrets;
};

struct WebAnswer {
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
    bool closeAfter = false; // the connection ends after the answer
    HeaderList headers; // more headers of the answer

    static WebAnswer success(const Json::Value& data = Json::Value(Json::objectValue));
    // {"result": result, "data": {}} with `status`.
    static WebAnswer failure(const std::string& result, int status);
    static WebAnswer text(int status, std::string body, std::string contentType);
};

struct WebPath {
    std::string method = "POST";
    bool needsSession = true; // refused without a session while the device checks them
    bool json = true; // the body must be a JSON object (an empty body reads as {})
    bool streamBody = false; // the handler reads the body itself (WebCall::readBody)
    bool httpOnly = false; // served on the web port only, not on the HTTPS port
    std::size_t maxBody = 1 << 20; // longer bodies are refused (413)
    std::function<WebAnswer(WebCall&)> handle;
    // Streaming paths: looks at a request that waits for "100 Continue"
    // before its body leaves; an answer refuses it there.
    std::function<std::optional<WebAnswer>(WebCall&)> beforeBody;
};

// One fault of a path (README: "web" command).
struct WebFault {
    int status = 0; // answer with this HTTP status
    std::optional<std::string> result; // "result" of the answer replaced
    std::optional<std::string> body; // this text instead of the answer (no JSON)
    bool empty = false; // an empty body
    int delayMs = 0; // the answer leaves this much later
    bool reset = false; // the connection is reset instead
    bool tls = false; // on HTTPS the connection breaks at the TLS layer
    int times = 0; // acts on this many requests, then ends (0: until cleared)
};

struct WebSwitches {
    bool sessions = true; // protected paths need a session
    std::set<std::string> digest; // paths that ask for HTTP Digest ("*": all)
    std::map<std::string, WebFault> faults; // by path ("*": every path)
    std::map<std::string, Json::Value> answers; // "data" answered for a path
    bool refuseTls = false; // TLS handshakes fail
    struct Upgrade {
        std::string token;
        std::uint64_t size = 0;
        std::string version;
        int rebootMs = 0;
    };
    std::optional<Upgrade> upgrade; // the upload the device waits for
};

class WebServer
{
public:
    // `rebootMs`: how long the reboot after an upload keeps a device away
    // unless its upgrade says otherwise.
    WebServer(DeviceStore& store, EventLog& log, int rebootMs);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Adds (or replaces) the handler of `path`.
    void addPath(const std::string& path, WebPath p);
    // Looks at every JSON request that passed the access checks, before
    // its handler or canned answer (the check of the web secrets).
    void setInspector(std::function<void(WebCall&)> inspect);

    // Makes the TLS certificate and opens a listener for every web and
    // HTTPS port of the devices (a port that cannot be had is logged).
    // Throws when the devices' ports clash.
    void start();
    // Closes every listener and waits for the threads that served them.
    void stop();

    // The "web" control command for device `id` (README). The answer's
    // members, or an error text.
    Json::Value control(int id, const Json::Value& request, std::string* error);

    std::set<std::uint16_t> ports(bool https) const;

    // The HTTP Digest credentials of a request (MD5, realm "device", a
    // nonce this server handed out, the request's own target), checked
    // against the users of its device; `user` gets the name they give.
    enum class Digest { Missing, UnknownUser, WrongPassword, Disabled, Ok };
    Digest checkDigest(const WebCall& call, std::string* user = nullptr) const;
    // A 401 answer with `result` and a fresh Digest challenge of `call`'s
    // device.
    WebAnswer digestChallenge(const WebCall& call, const std::string& result);

private:
    struct Route;
    void onStoreEvent(const StoreEvent& e);
    // Opens a listener for every port in use and retires the others; the
    // errors of the ports that could not be had.
    std::vector<std::string> syncListeners();
    void addBuiltInPaths();
    void openListener(std::uint16_t port, bool https, std::vector<std::string>* errors);
    void serve(WebListener& listener, const httplib::Request& req, httplib::Response& res,
        const httplib::ContentReader* body);
    int expect(WebListener& listener, const httplib::Request& req, httplib::Response& res);
    WebAnswer upload(WebCall& call);
    std::optional<int> deviceFor(const std::string& localIp, std::uint16_t port, bool https) const;
    std::optional<Route> route(const std::string& method, const std::string& path, bool https) const;
    std::optional<WebAnswer> checkAccess(WebCall& call, const Route& route, const WebSwitches& sw);
    WebSwitches switchesFor(int id, const std::string& path, WebFault* fault);
    void inspect(WebCall& call);
    void note(const WebCall& call, const WebAnswer* answer, const char* fault);
    bool sleepUnlessStopping(int ms);
    std::string newNonce(int device);
    bool knownNonce(int device, const std::string& nonce) const;
    static int onClientHello(SSL* ssl, int* alert, void* arg);

    DeviceStore& m_store;
    EventLog& m_log;
    int m_rebootMs;
    TlsContext m_tls;

    mutable std::mutex m_lock; // guards the members below up to m_listenLock
    std::map<std::pair<std::string, std::string>, WebPath> m_paths; // by (method, path)
    std::function<void(WebCall&)> m_inspect;
    std::map<int, WebSwitches> m_switches;
    // Digest nonces handed out, per device as each device keeps its own (one
    // table for all would drop waiting challenges of a burst of logins to
    // many devices), newest last.
    std::map<int, std::deque<std::string>> m_nonces;
    bool m_stopping = false;
    std::condition_variable m_stopWake;

    mutable std::mutex m_listenLock; // guards the listeners
    bool m_started = false;
    std::map<std::pair<std::uint16_t, bool>, std::unique_ptr<WebListener>> m_listeners;
    std::vector<std::thread> m_retiring; // listeners that went away, being joined
    std::shared_ptr<bool> m_alive;
};

// Opens a web session of the web server's own (not tied to a VLNet-protocol
// session) for `user` on device `id`; its cookie and token.
WebSession openWebSession(DeviceStore& store, int id, const std::string& user, bool https);
// Ends every web session of a device (a factory reset does).
void endWebSessions(DeviceStore& store, int id);

} // namespace devsim
