#pragma once
// The stand-in's process-wide state: reference-counted start-up, one I/O
// thread for every session's network traffic, a few callback threads, and
// the tables of live connections, searches and face subscriptions by
// handle.
//
// Callbacks never run on the I/O thread: a callback may call a synchronous
// VLNet function (VLNetGetDevInfo) whose answer the I/O thread must read.
#include <atomic>
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
#include <utility>
#include <vector>

namespace vlnet
{

class Connection;
class Search;
struct Subscription;

// Timing and addresses; read from the environment at start-up so that tests
// can shorten them (VLNET_SESSION_PORT, VLNET_CONNECT_TIMEOUT_MS,
// VLNET_REPLY_TIMEOUT_MS, VLNET_KEEPALIVE_MS, VLNET_RECONNECT_MS,
// VLNET_PROBE_PORT).
struct Settings {
    std::uint16_t sessionPort = 9000;
    std::uint16_t probePort = 9610; // where devices take the search's probe
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
    // False (and the task dropped) once the thread has finished.
    bool post(std::function<void()> task);
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

// Live objects by handle: handles count up from 1, skip those in use and
// never are 0. Not locked: the runtime holds its lock around every call.
template <class T> class HandleTable
{
public:
    // A fresh handle, held by no object until attach().
    int reserve()
    {
        int handle = m_next;
        while (m_items.count(handle))
            handle = handle == 0x7FFFFFFF ? 1 : handle + 1;
        m_next = handle == 0x7FFFFFFF ? 1 : handle + 1;
        m_items[handle] = nullptr;
        return handle;
    }
    void attach(int handle, const std::shared_ptr<T>& item) { m_items[handle] = item; }
    std::shared_ptr<T> find(int handle) const
    {
        auto it = m_items.find(handle);
        return it == m_items.end() ? nullptr : it->second;
    }
    // Removes and returns the object of `handle` (null when unknown).
    std::shared_ptr<T> take(int handle)
    {
        auto item = find(handle);
        m_items.erase(handle);
        return item;
    }
    // Empties the table and returns what it held.
    std::map<int, std::shared_ptr<T>> takeAll() { return std::exchange(m_items, {}); }

private:
    int m_next = 1;
    std::map<int, std::shared_ptr<T>> m_items;
};

class Runtime
{
public:
    static Runtime& instance();

    void init();
    void release();
    bool running();

    // A fresh handle (never 0), then the connection that it names.
    int reserve();
    void attach(int handle, const std::shared_ptr<Connection>& connection);
    std::shared_ptr<Connection> find(int handle);
    // Removes and returns the connection of `handle` (null when unknown).
    std::shared_ptr<Connection> take(int handle);

    // A thread that finishes the work of a stopped connection (a web
    // session's logout); `done` turns true when it has. Joined as others are
    // handed over and by the last release().
    void retire(std::thread thread, std::shared_ptr<std::atomic<bool>> done);

    // Searches, numbered apart from the connections in the same way.
    int reserveSearch();
    void attachSearch(int handle, const std::shared_ptr<Search>& search);
    std::shared_ptr<Search> takeSearch(int handle);

    // Face subscriptions, numbered apart in the same way; refused (0) while
    // not running.
    int addSubscription(const std::shared_ptr<Subscription>& subscription);
    // Removes and returns the subscription of `handle` when it is of the
    // given kind (a Subscription::Kind); null, and nothing removed, else.
    std::shared_ptr<Subscription> takeSubscription(int handle, int kind);

    boost::asio::io_context& io() { return *m_io; }
    CallbackThread& callbackThread(int handle);
    const Settings& settings() const { return m_settings; }

private:
    Runtime() = default;

    std::mutex m_lock;
    int m_refs = 0;
    Settings m_settings;
    std::unique_ptr<boost::asio::io_context> m_io;
    std::unique_ptr<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>> m_work;
    std::thread m_ioThread;
    std::vector<std::unique_ptr<CallbackThread>> m_callbacks;
    HandleTable<Connection> m_sessions;
    struct Retired {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<Retired> m_retired;
    HandleTable<Search> m_searches;
    HandleTable<Subscription> m_subscriptions;
};

} // namespace vlnet
