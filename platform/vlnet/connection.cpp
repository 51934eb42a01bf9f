#include "connection.h"

#include "netlog.h"

#include <cstring>

namespace vlnet
{

bool StartConfig::web() const
{
    return (protocolFlags & (VLNET_PROTOCOL_HTTP | VLNET_PROTOCOL_HTTPS)) != 0;
}

std::string StartConfig::kind() const
{
    if (protocolFlags & VLNET_PROTOCOL_HTTPS)
        return "https";
    if (protocolFlags & VLNET_PROTOCOL_HTTP)
        return "http";
    return "media";
}

Connection::Connection(int handle, StartConfig config, Runtime& runtime)
    : m_handle(handle)
    , m_config(std::move(config))
    , m_settings(runtime.settings())
    , m_callbacks(runtime.callbackThread(handle))
{
}

Connection::~Connection() = default;

void Connection::openGate()
{
    // Called by the start once the handle exists: from here on callbacks
    // may run, even while the start call is still on its way back to the
    // caller. A caller that needs its handle inside a callback stores it
    // under a lock the callback takes.
    std::lock_guard<std::mutex> hold(m_lock);
    m_gateOpen = true;
    if (!m_queue.empty() && !m_draining && !m_stopped) {
        m_draining = true;
        m_callbacks.post([self = shared_from_this()] { self->drain(); });
    }
}

void Connection::deliver(std::function<void()> fn)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_stopped)
        return;
    m_queue.push_back(std::move(fn));
    if (!m_gateOpen || m_draining)
        return;
    m_draining = true;
    m_callbacks.post([self = shared_from_this()] { self->drain(); });
}

void Connection::drain()
{
    std::unique_lock<std::mutex> hold(m_lock);
    for (;;) {
        if (m_stopped || m_queue.empty()) {
            m_draining = false;
            return;
        }
        auto fn = std::move(m_queue.front());
        m_queue.pop_front();
        m_inCallback = true;
        hold.unlock();
        fn();
        hold.lock();
        m_inCallback = false;
        m_idle.notify_all();
    }
}

void Connection::emitStatus(int status, std::string deviceInfo, std::string channelInfo)
{
    const StartConfig& c = m_config;
    deliver([&c, status, deviceInfo = std::move(deviceInfo), channelInfo = std::move(channelInfo)] {
        if (c.statusText)
            c.statusText(status, deviceInfo.empty() ? nullptr : deviceInfo.c_str(),
                channelInfo.empty() ? nullptr : channelInfo.c_str(), c.context);
        else if (c.statusRecord)
            c.statusRecord(status, nullptr, c.context);
        else if (c.exStatus)
            c.exStatus(status, c.user_data);
    });
}

void Connection::emitMessage(std::int32_t id, std::vector<std::uint8_t> data)
{
    const StartConfig& c = m_config;
    deliver([&c, id, data = std::move(data)] {
        const char* p = reinterpret_cast<const char*>(data.data());
        if (c.message)
            c.message(id, data.empty() ? nullptr : p, std::int32_t(data.size()), c.context);
        else if (c.exMessage)
            c.exMessage(
                std::uint16_t(id), data.empty() ? nullptr : p, std::int32_t(data.size()), c.user_data);
    });
}

void Connection::stop()
{
    std::unique_lock<std::mutex> hold(m_lock);
    bool first = !m_stopped;
    m_stopped = true;
    m_queue.clear();
    hold.unlock();
    cancelRequests();
    hold.lock();
    // Inside one of this thread's callbacks nothing else of ours can run.
    if (!m_callbacks.isCurrent())
        m_idle.wait(hold, [this] { return !m_inCallback; });
    hold.unlock();
    if (!first)
        return;
    logLine("connection %d stopped", m_handle);
    closeTransport();
}

bool Connection::stopped()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_stopped;
}

void Connection::setHttpRecord(const VLNET_HTTP_DEVICE_INFO& record)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_http = record;
    m_haveHttp = true;
}

bool Connection::httpInfo(VLNET_HTTP_DEVICE_INFO* out)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_haveHttp)
        return false;
    std::memcpy(out, &m_http, sizeof(m_http));
    return true;
}

} // namespace vlnet
