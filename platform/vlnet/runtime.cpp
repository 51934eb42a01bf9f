#include "runtime.h"

#include "connection.h"
#include "netlog.h"
#include "search.h"
#include "subscription.h"

#include <cstdlib>

namespace vlnet
{

namespace
{
int envInt(const char* name, int fallback, int lo, int hi)
{
    const char* v = std::getenv(name);
    if (!v || !*v)
        return fallback;
    char* end = nullptr;
    long n = std::strtol(v, &end, 10);
    if (*end || n < lo || n > hi)
        return fallback;
    return int(n);
}

constexpr int kCallbackThreads = 4;
} // namespace

Settings Settings::fromEnvironment()
{
    Settings s;
    s.sessionPort = std::uint16_t(envInt("VLNET_SESSION_PORT", s.sessionPort, 1, 65535));
    s.connectTimeoutMs = envInt("VLNET_CONNECT_TIMEOUT_MS", s.connectTimeoutMs, 50, 600000);
    s.replyTimeoutMs = envInt("VLNET_REPLY_TIMEOUT_MS", s.replyTimeoutMs, 50, 600000);
    s.keepaliveMs = envInt("VLNET_KEEPALIVE_MS", s.keepaliveMs, 50, 600000);
    s.reconnectMs = envInt("VLNET_RECONNECT_MS", s.reconnectMs, 10, 600000);
    s.probePort = std::uint16_t(envInt("VLNET_PROBE_PORT", s.probePort, 1, 65535));
    return s;
}

CallbackThread::CallbackThread()
    : m_thread([this] { loop(); })
{
}

CallbackThread::~CallbackThread()
{
    finish();
}

bool CallbackThread::post(std::function<void()> task)
{
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_done)
            return false;
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
    return true;
}

void CallbackThread::finish()
{
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_done = true;
    }
    m_wake.notify_one();
    if (!m_thread.joinable())
        return;
    if (isCurrent())
        m_thread.detach();
    else
        m_thread.join();
}

void CallbackThread::loop()
{
    std::unique_lock<std::mutex> hold(m_lock);
    for (;;) {
        m_wake.wait(hold, [this] { return m_done || !m_tasks.empty(); });
        if (m_tasks.empty())
            return;
        auto task = std::move(m_tasks.front());
        m_tasks.pop_front();
        hold.unlock();
        task();
        hold.lock();
    }
}

Runtime& Runtime::instance()
{
    static Runtime* runtime = new Runtime; // never destroyed: callers may release after exit starts
    return *runtime;
}

void Runtime::init()
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_refs++ > 0)
        return;
    m_settings = Settings::fromEnvironment();
    m_io = std::make_unique<boost::asio::io_context>(1);
    m_work = std::make_unique<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>>(
        m_io->get_executor());
    m_ioThread = std::thread([io = m_io.get()] {
        // Handlers catch what they expect; anything that still escapes one
        // is logged and the loop goes on, since an exception leaving this
        // thread would end the caller's whole program.
        for (;;) {
            try {
                io->run();
                return;
            } catch (const std::exception& e) {
                logLine("I/O handler failed: %s", e.what());
            } catch (...) {
                logLine("I/O handler failed");
            }
        }
    });
    for (int i = 0; i < kCallbackThreads; ++i)
        m_callbacks.push_back(std::make_unique<CallbackThread>());
    logLine("VLNet stand-in started (session port %u)", unsigned(m_settings.sessionPort));
}

void Runtime::release()
{
    std::map<int, std::shared_ptr<Connection>> sessions;
    std::map<int, std::shared_ptr<Search>> searches;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_refs == 0 || --m_refs > 0)
            return;
        sessions = m_sessions.takeAll();
        searches = m_searches.takeAll();
        m_subscriptions.takeAll(); // they call nothing: dropping them ends them
    }
    // Stop every connection the caller forgot, so no callback outlives us.
    for (auto& [handle, s] : sessions)
        if (s)
            s->stop();
    // The work those connections still finish (logouts) ends within its
    // own time limits.
    std::vector<Retired> retired;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        retired.swap(m_retired);
    }
    for (auto& r : retired)
        r.thread.join();
    // End every search: its caller still gets the null record that frees
    // what it handed us, while the callback threads run.
    for (auto& [handle, s] : searches)
        if (s)
            s->stop();
    std::unique_ptr<boost::asio::io_context> io;
    std::vector<std::unique_ptr<CallbackThread>> callbacks;
    std::thread ioThread;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_refs > 0)
            return; // started again meanwhile
        m_work.reset();
        io = std::move(m_io);
        callbacks.swap(m_callbacks);
        ioThread = std::move(m_ioThread);
    }
    io->stop();
    if (ioThread.joinable())
        ioThread.join();
    sessions.clear();
    searches.clear();
    for (auto& c : callbacks)
        c->finish();
    callbacks.clear();
    io.reset();
    logLine("VLNet stand-in stopped");
}

bool Runtime::running()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_refs > 0;
}

int Runtime::reserve()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_sessions.reserve();
}

void Runtime::attach(int handle, const std::shared_ptr<Connection>& connection)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_sessions.attach(handle, connection);
}

void Runtime::retire(std::thread thread, std::shared_ptr<std::atomic<bool>> done)
{
    std::vector<std::thread> finished;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        for (auto it = m_retired.begin(); it != m_retired.end();) {
            if (it->done->load()) {
                finished.push_back(std::move(it->thread));
                it = m_retired.erase(it);
            } else {
                ++it;
            }
        }
        m_retired.push_back({ std::move(thread), std::move(done) });
    }
    for (auto& t : finished)
        t.join();
}

std::shared_ptr<Connection> Runtime::find(int handle)
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_sessions.find(handle);
}

std::shared_ptr<Connection> Runtime::take(int handle)
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_sessions.take(handle);
}

int Runtime::reserveSearch()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_searches.reserve();
}

void Runtime::attachSearch(int handle, const std::shared_ptr<Search>& search)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_searches.attach(handle, search);
}

std::shared_ptr<Search> Runtime::takeSearch(int handle)
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_searches.take(handle);
}

int Runtime::addSubscription(const std::shared_ptr<Subscription>& subscription)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_refs == 0)
        return 0;
    const int handle = m_subscriptions.reserve();
    m_subscriptions.attach(handle, subscription);
    return handle;
}

std::shared_ptr<Subscription> Runtime::takeSubscription(int handle, int kind)
{
    std::lock_guard<std::mutex> hold(m_lock);
    auto subscription = m_subscriptions.find(handle);
    if (!subscription || int(subscription->kind) != kind)
        return nullptr;
    return m_subscriptions.take(handle);
}

CallbackThread& Runtime::callbackThread(int handle)
{
    std::lock_guard<std::mutex> hold(m_lock);
    return *m_callbacks[size_t(handle) % m_callbacks.size()];
}

} // namespace vlnet
