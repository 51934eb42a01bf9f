#pragma once
// An HTTP login of the stand-in: the device's web interface instead of a
// VLNet-protocol session (PROTOCOL.md, "Web logins"). It asks the login
// range, logs in with HTTP Digest over HTTPS or HTTP as the protocol flags
// say, reports 151 or 152 with the device's information texts, then asks
// every keep-alive period whether its web session still stands; a session
// that is gone is reported closed and logged in again, with a fresh cookie
// and token.
//
// Threads: the exchanges of the login and the keep-alive run on a worker
// thread of the connection's own, which callbacks never run on; stop() cuts
// short whatever exchange is under way and hands the worker to the runtime,
// which joins it once it has logged the web session out.
//
// Locks: m_stateLock guards the web session, the wake-up flags and the
// worker; it is never held during an exchange or while a callback runs.
#include "connection.h"
#include "decode.h"
#include "web_answers.h"
#include "web_client.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vlnet
{

class WebSession : public Connection
{
public:
    WebSession(int handle, StartConfig config, Runtime& runtime);
    ~WebSession() override;

    void begin() override;

    bool deviceInfo(VLNET_DEVICE_INFO* out) override;
    // Simple commands and check words travel over VLNet-protocol sessions
    // only: refused.
    bool simpleCommand(const VLNET_SIMPLE_CMD& cmd) override;
    bool evenCheck(std::int32_t word) override;
    void reset() override;

protected:
    void cancelRequests() override;
    void closeTransport() override;

private:
    // The web session a login opened.
    struct Held {
        WebTarget target;
        std::string cookie;
        std::string token;
    };
    // What one login attempt came to.
    struct Outcome {
        enum Kind { Success, Refused, Failed } kind = Failed;
        int status = 0; // 151 or 152; the refusal's status
        std::string why; // of a failed attempt, for the log
        LoginAnswer answer; // what the HTTP record shows
        WebTarget target;
        std::string deviceInfo;
        std::string channelInfo;
    };
    enum class Wake { Timer, Reset, Stop };
    enum class Beat { Alive, Ended, Lost, Stopped };

    // Worker thread.
    void run();
    // The first login: reports its outcome (3 when the device cannot be
    // reached). True when logged in.
    bool firstLogin();
    // Logs in again every reconnect period until a login answers; reports
    // its outcome. True when logged in; false after a refusal or a stop.
    bool reconnect();
    // Reports a login's outcome; true for a success.
    bool report(const Outcome& o);
    Outcome attempt();
    Outcome login(const WebTarget& target, const LoginRange& range);
    Beat heartbeat();
    // Waits `ms` (forever when negative) for a reset or the stop.
    Wake wait(int ms);
    // Logs the held web session out (best effort) and forgets it.
    void logout();

    WebClient::Headers sessionHeaders(const Held& held) const;
    WebTarget plainTarget(const LoginRange* range) const;

    Runtime& m_runtime;
    WebClient m_client; // every exchange but the logout; cancelled by stop()
    WebClient m_logoutClient; // the logout, which still runs after stop()

    std::mutex m_stateLock;
    std::condition_variable m_wake;
    bool m_ending = false;
    bool m_resetAsked = false;
    Held m_held; // empty cookie: no web session
    std::thread m_worker;
    std::shared_ptr<std::atomic<bool>> m_workerDone = std::make_shared<std::atomic<bool>>(false);
};

} // namespace vlnet
