#pragma once
// The object behind a device handle (vl_create_device .. vl_destroy_device):
// one login session (`connection`), the copy of its login password and the
// address and port under which record searches index the device.
//
// The device lock is re-entrant and serialises login, logout and teardown
// (and, with the feature instances, the device's set of live instances).
// It is never taken on VLNet's callback threads, so logout may hold it
// while VLNetConnectionStop waits for the connection's callbacks to end; a
// caller's status or message callback must therefore not log the device
// out or destroy it.
#include "core/connection.h"
#include "vl_sdk_wrapper.h"

#include <mutex>
#include <string>

struct device {
public:
    // A logged-out device: empty texts, port 0, a closed connection.
    device();
    // Logs out, then tears the connection down.
    ~device();
    device(const device&) = delete;
    device& operator=(const device&) = delete;

    // Logs out first, then logs in with the record (connection::login);
    // takes the connection's password, address and port over. 0, -1 or -3
    // as connection::login.
    int login(const vl_login_param& param);
    // Clears the password copy and the record-index address and port, then
    // logs the connection out. Always 0.
    int logout();

    // What the logged-in device can do, and what its user may do on a
    // channel: {"term": name, "channel": n} (device_abilities.h). False for
    // a request that does not parse and for an unknown term. They answer
    // from the connection's state at the moment of the call and take no
    // device lock: any thread, also inside the device's callbacks.
    bool has_ability(const char* json) const;
    bool has_authority(const char* json) const;

    vlsdk::connection& conn() { return m_connection; }
    const vlsdk::connection& conn() const { return m_connection; }

    std::string password() const;
    std::string record_address() const;
    int record_port() const;

private:
    int logout_locked();

    mutable std::recursive_mutex m_lock;
    std::string m_password; // the login password; empty when logged out
    std::string m_record_address; // "ip or id" of the login, for record searches
    int m_record_port = 0;
    vlsdk::connection m_connection;
};
