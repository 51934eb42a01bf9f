#pragma once
// The web login of devsim's web interface, the device side of the VLNet
// stand-in's HTTP logins (platform/vlnet/PROTOCOL.md, "Web logins"):
//
//   "/API/Login/Range"            what a client needs before it logs in
//                                 (ports, activation); no session
//   "/API/Web/Login"              HTTP Digest; opens a web session, whose
//                                 cookie comes in Set-Cookie and whose token
//                                 in X-csrftoken
//   "/API/Web/Heartbeat"          keeps nothing alive; tells a client that its
//                                 session still stands
//   "/API/Login/DeviceInfo/Get"   the device's web abilities
//   "/API/Login/ChannelInfo/Get"  its channels as the web interface lists them
//   "/API/Login/DeviceRecord/Get" the 1232-byte device-information record of
//                                 the session's user, as hex
//
// An account locks after `lockAfter` wrong passwords in a row (0: never) for
// `lockMs`; a reboot forgets the count and the lock. The fault
// "refuse_login" refuses web logins with its status too.
//
// Threads: handlers run on the web server's threads; the lock table is
// guarded by its own mutex.
#include "log.h"
#include "store.h"
#include "web_server.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace devsim
{

class WebLogin
{
public:
    WebLogin(DeviceStore& store, EventLog& log, int lockAfter, int lockMs);
    ~WebLogin();
    WebLogin(const WebLogin&) = delete;
    WebLogin& operator=(const WebLogin&) = delete;

    // Adds the paths above to `web` (before it starts).
    void addTo(WebServer& web);

private:
    using Clock = std::chrono::steady_clock;
    struct Account {
        int failures = 0;
        Clock::time_point lockedUntil {};
    };

    WebAnswer login(WebServer& web, WebCall& call);
    // Milliseconds the account stays locked; 0 when it is not.
    long long lockedFor(int device, const std::string& user);
    // Counts a wrong password; true when it locked the account.
    bool failed(int device, const std::string& user);
    void succeeded(int device, const std::string& user);

    DeviceStore& m_store;
    EventLog& m_log;
    const int m_lockAfter;
    const int m_lockMs;
    std::mutex m_lock;
    std::map<std::pair<int, std::string>, Account> m_accounts; // by device and user
    std::shared_ptr<bool> m_alive;
};

} // namespace devsim
