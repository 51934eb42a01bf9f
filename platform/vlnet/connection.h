#pragma once
// What every connection of the stand-in shares, whatever carries it (a
// VLNet-protocol session for media logins, session.h; the device's web
// interface for HTTP logins, web_session.h): its start record, the delivery
// of its callbacks, the HTTP record of its last login, and the stop.
//
// Callbacks are queued and run on the connection's callback thread, one at a
// time and in order; the queue is held shut until the start has the handle
// (openGate) and is emptied for good by stop(), which also waits for a
// callback still running.
#include "runtime.h"
#include "vlnet.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vlnet
{

struct StartConfig {
    std::string address;
    std::uint16_t port = 0; // media logins: 0 = the session port; web logins: the web port
    std::string user;
    std::string password;
    std::uint8_t protocolFlags = 0;
    // VLNetConnectionStartV1
    VLNET_STATUS_TEXT_CALLBACK statusText = nullptr;
    VLNET_STATUS_RECORD_CALLBACK statusRecord = nullptr;
    VLNET_MESSAGE_CALLBACK message = nullptr;
    void* context = nullptr;
    // VLNetConnectionStartEx
    VLNET_CONNECTION_CALLBACK exStatus = nullptr;
    VLNET_CONNECTION_MESSAGE_CALLBACK exMessage = nullptr;
    void* user_data = nullptr;

    // A login over the device's web interface (the HTTP or HTTPS flag).
    bool web() const;
    // "media", "http" or "https" from the protocol flags.
    std::string kind() const;
};

class Connection : public std::enable_shared_from_this<Connection>
{
public:
    Connection(int handle, StartConfig config, Runtime& runtime);
    virtual ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int handle() const { return m_handle; }
    // Starts the connection's work; reports nothing before openGate().
    virtual void begin() = 0;
    void openGate();
    // Ends the connection: no callback runs once it has returned (inside
    // one of this connection's own callbacks: once that callback returns).
    void stop();

    // The device-information record of the login; waits for the device.
    virtual bool deviceInfo(VLNET_DEVICE_INFO* out) = 0;
    // The HTTP record of the last login; false before any login answered.
    bool httpInfo(VLNET_HTTP_DEVICE_INFO* out);
    virtual bool simpleCommand(const VLNET_SIMPLE_CMD& cmd) = 0;
    virtual bool evenCheck(std::int32_t word) = 0;
    // Drops the session (status 4) and logs in again.
    virtual void reset() = 0;
    // Runs `fn` on the connection's callback thread, in order with its other
    // callbacks; dropped once the connection is stopped (as they are).
    void runCallback(std::function<void()> fn) { deliver(std::move(fn)); }

protected:
    // stop(): ends requests under way, so that a callback blocked in one
    // does not hold the stop up (called before stop() waits for callbacks).
    virtual void cancelRequests() = 0;
    // stop(), once: ends the transport.
    virtual void closeTransport() = 0;

    bool stopped();
    void setHttpRecord(const VLNET_HTTP_DEVICE_INFO& record);
    void emitStatus(int status, std::string deviceInfo = {}, std::string channelInfo = {});
    void emitMessage(std::int32_t id, std::vector<std::uint8_t> data);

    const int m_handle;
    const StartConfig m_config;
    const Settings m_settings;

private:
    void deliver(std::function<void()> fn);
    void drain();

    CallbackThread& m_callbacks;

    // Guarded by m_lock.
    std::mutex m_lock;
    std::condition_variable m_idle;
    bool m_stopped = false;
    bool m_gateOpen = false;
    bool m_draining = false;
    bool m_inCallback = false;
    std::deque<std::function<void()>> m_queue;
    VLNET_HTTP_DEVICE_INFO m_http {};
    bool m_haveHttp = false;
};

} // namespace vlnet
