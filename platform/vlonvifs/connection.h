#pragma once
// One ONVIF connection: where the device service is, the credentials, the
// device's clock offset, the login on a thread of its own, and the
// synchronous query and set of the network record.
//
// ONVIF needs no open socket between calls: "logged in" means the device
// took the credentials once. The status goes out on the login thread; it
// waits until the start call has returned (openGate) and is dropped for good
// once stop() ran, which also waits for a callback still running on another
// thread.
//
// Locks: m_lock guards the gate and stop flags, the callback bookkeeping, the
// target and the clock offset. It is never held while a callback runs or
// while a device is asked.
#include "http.h"
#include "messages.h"
#include "vlonvifs.h"

#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace vlonvif
{

struct Target {
    std::string ip;
    int port = 0;
    std::string path;
};

class Connection : public std::enable_shared_from_this<Connection>
{
public:
    Connection(int handle, Target target, std::string user, std::string password,
        VLONVIF_STATUS_CALLBACK callback, void* userData);

    int handle() const { return m_handle; }
    // Starts the login thread.
    void begin();
    void openGate();
    void stop();

    // The network record's fields from the device; false leaves `record` as it was.
    bool query(VLONVIF_NETWORK_PARAM* record);
    bool set(const VLONVIF_NETWORK_PARAM& record);

private:
    void login();
    void emit(int status);
    // One exchange with the device. `patient`: a device that does not
    // answer yet (it is moving to the address or port just set) is asked
    // again until the answer time is up.
    Answer ask(const Operation& op, bool withToken, SoapClient& client, bool patient = false);
    Answer askOnce(const Operation& op, bool withToken, SoapClient& client);
    // The interface whose IPv4 settings the record shows (messages.h).
    std::optional<NetworkInterface> askMainInterface(SoapClient& client);
    bool loggedIn();

    const int m_handle;
    const std::string m_user;
    const std::string m_password;
    const VLONVIF_STATUS_CALLBACK m_callback;
    void* const m_userData;
    SoapClient m_loginClient; // cut short by stop()

    std::mutex m_lock;
    std::condition_variable m_changed;
    Target m_target;
    std::time_t m_clockOffset = 0; // the device's UTC minus ours
    bool m_gateOpen = false;
    bool m_stopped = false;
    bool m_loggedIn = false;
    bool m_inCallback = false;
    std::thread::id m_callbackThread;
};

} // namespace vlonvif
