#pragma once
// A media login of the stand-in: a TCP session with a simulated device over
// the VLNet protocol (PROTOCOL.md), its login, its reconnects and its
// requests. Callback delivery and the stop are the connection's
// (connection.h).
//
// Network work runs on the runtime's I/O thread.
#include "connection.h"
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
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vlnet
{

class Session : public Connection
{
public:
    Session(int handle, StartConfig config, boost::asio::ip::address address, Runtime& runtime);
    ~Session() override;

    void begin() override;

    bool deviceInfo(VLNET_DEVICE_INFO* out) override;
    bool simpleCommand(const VLNET_SIMPLE_CMD& cmd) override;
    bool evenCheck(std::int32_t word) override;
    void reset() override;
    // One request of the logged-in session and the device's answer (its
    // result word and data); nothing when the session is not up or no
    // answer came in time. Waits on the caller's thread.
    std::optional<Reply> exchange(std::uint16_t command, std::vector<std::uint8_t> payload);
    // A record sealed for the device, and one the device sealed, opened,
    // under the HELLO nonce of the login in force and the login's password
    // (PROTOCOL.md, "Sealed records"); nothing before a login or when it
    // does not open. Any thread.
    std::optional<std::string> seal(std::string_view record);
    std::optional<std::string> open(std::string_view sealed);

protected:
    void cancelRequests() override { failPending(); }
    void closeTransport() override;

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
    std::shared_ptr<Session> shared() { return std::static_pointer_cast<Session>(shared_from_this()); }

    boost::asio::io_context& m_io;
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

    std::mutex m_nonceLock; // guards m_loginNonce
    std::string m_loginNonce; // the HELLO nonce of the last login sent

    std::mutex m_pendingLock;
    std::map<std::uint32_t, std::shared_ptr<Pending>> m_pending;
};

} // namespace vlnet
