#pragma once
// One connection of the stand-in: a TCP session with a simulated device, its
// login, its reconnects, and the delivery of its callbacks.
//
// Network work runs on the runtime's I/O thread. Callbacks are queued and run
// on the connection's callback thread, one at a time and in order; the queue
// is held shut until the start has the handle (openGate) and is emptied for
// good by stop(), which also waits for a callback still running.
#include "decode.h"
#include "runtime.h"
#include "vlnet.h"
#include "wire.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vlnet
{

struct StartConfig {
    std::string address;
    std::uint16_t port = 0; // 0 = the session port
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

    // "media", "http" or "https" from the protocol flags.
    std::string kind() const;
};

class Session : public std::enable_shared_from_this<Session>
{
public:
    Session(int handle, StartConfig config, boost::asio::ip::address address, Runtime& runtime);
    ~Session();

    int handle() const { return m_handle; }
    void begin();
    void openGate();
    void stop();

    bool deviceInfo(VLNET_DEVICE_INFO* out);
    bool httpInfo(VLNET_HTTP_DEVICE_INFO* out);
    bool simpleCommand(const VLNET_SIMPLE_CMD& cmd);
    bool evenCheck(std::int32_t word);
    void reset();
    // One request of the logged-in session and the device's answer (its
    // result word and data); nothing when the session is not up or no
    // answer came in time. Waits on the caller's thread.
    std::optional<Reply> exchange(std::uint16_t command, std::vector<std::uint8_t> payload);

private:
    enum class Phase { Idle, Connecting, AwaitHello, AwaitLogin, Up, Waiting, Closed };
    struct Pending {
        std::mutex lock;
        std::condition_variable done;
        bool finished = false;
        bool ok = false;
        std::int32_t result = 0;
        std::vector<std::uint8_t> data;
    };

    // I/O thread.
    void connect();
    void readFrame(unsigned generation);
    void onFrame(const vlwire::Header& h, std::vector<std::uint8_t> payload);
    void onHello(const std::vector<std::uint8_t>& payload);
    void onLoginReply(const std::vector<std::uint8_t>& payload);
    void attemptFailed(const std::string& why);
    void lost(int status, const std::string& why);
    // A transport failure: a drop (with `status`) of a session that is up,
    // else a failed attempt.
    void failed(int status, const std::string& why);
    void scheduleReconnect();
    void keepalive(unsigned generation);
    void write(std::vector<std::uint8_t> frame);
    void pumpWrites();
    void closeSocket();

    // Any thread.
    std::shared_ptr<Pending> request(std::uint16_t command, std::vector<std::uint8_t> payload);
    void failPending();
    void emitStatus(int status, std::string deviceInfo = {}, std::string channelInfo = {});
    void emitMessage(std::int32_t id, std::vector<std::uint8_t> data);
    void deliver(std::function<void()> fn);
    void drain();

    const int m_handle;
    const StartConfig m_config;
    const Settings m_settings;
    boost::asio::io_context& m_io;
    CallbackThread& m_callbacks;
    boost::asio::ip::tcp::endpoint m_endpoint;

    // I/O thread only.
    boost::asio::ip::tcp::socket m_socket;
    boost::asio::steady_timer m_timer;
    boost::asio::steady_timer m_keepalive;
    Phase m_phase = Phase::Idle;
    unsigned m_generation = 0;
    bool m_everUp = false; // reconnects are automatic once a login succeeded
    bool m_retrying = false; // in a reconnect cycle: failed attempts retry silently
    std::uint32_t m_sequence = 0;
    std::uint32_t m_loginSequence = 0;
    std::chrono::steady_clock::time_point m_lastReceived;
    std::array<std::uint8_t, vlwire::kHeaderSize> m_header {};
    std::deque<std::vector<std::uint8_t>> m_writes;
    bool m_writing = false;

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

    std::mutex m_pendingLock;
    std::map<std::uint32_t, std::shared_ptr<Pending>> m_pending;
};

} // namespace vlnet
