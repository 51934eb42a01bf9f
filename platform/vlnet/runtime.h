#pragma once
// The stand-in's process-wide state: reference-counted start-up, one I/O
// thread for every session's network traffic, a few callback threads, and
// the table of live connections by handle.
//
// Callbacks never run on the I/O thread: a callback may call a synchronous
// VLNet function (VLNetGetDevInfo) whose answer the I/O thread must read.
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vlnet
{

class Session;

// Timing and addresses; read from the environment at start-up so that tests
// can shorten them (VLNET_SESSION_PORT, VLNET_CONNECT_TIMEOUT_MS,
// VLNET_REPLY_TIMEOUT_MS, VLNET_KEEPALIVE_MS, VLNET_RECONNECT_MS).
struct Settings {
    std::uint16_t sessionPort = 9000;
    int connectTimeoutMs = 3000;
    int replyTimeoutMs = 5000;
    int keepaliveMs = 5000; // the session counts as lost after three silent periods
    int reconnectMs = 1000;
    static Settings fromEnvironment();
};

// One thread that runs tasks in order.
class CallbackThread
{
public:
    CallbackThread();
    ~CallbackThread();
    void post(std::function<void()> task);
    bool isCurrent() const { return std::this_thread::get_id() == m_thread.get_id(); }
    // Ends the thread after the queued tasks; detaches when called on it.
    void finish();

private:
    void loop();
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    bool m_done = false;
    std::thread m_thread;
};

class Runtime
{
public:
    static Runtime& instance();

    void init();
    void release();
    bool running();

    // A fresh handle (never 0), then the session that it names.
    int reserve();
    void attach(int handle, const std::shared_ptr<Session>& session);
    std::shared_ptr<Session> find(int handle);
    // Removes and returns the session of `handle` (null when unknown).
    std::shared_ptr<Session> take(int handle);

    boost::asio::io_context& io() { return *m_io; }
    CallbackThread& callbackThread(int handle);
    const Settings& settings() const { return m_settings; }

private:
    Runtime() = default;

    std::mutex m_lock;
    int m_refs = 0;
    int m_nextHandle = 1;
    Settings m_settings;
    std::unique_ptr<boost::asio::io_context> m_io;
    std::unique_ptr<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>> m_work;
    std::thread m_ioThread;
    std::vector<std::unique_ptr<CallbackThread>> m_callbacks;
    std::map<int, std::shared_ptr<Session>> m_sessions;
};

} // namespace vlnet
