#include "http.h"

#include <httplib.h>

#if !defined(_WIN32)
#include <csignal>
#include <ctime>
#include <pthread.h>
#endif

namespace vlonvif
{

namespace
{
// Answers larger than this are no device-service answer.
constexpr std::size_t kMaxBody = 1 << 20;

#if !defined(_WIN32)
// A write to a connection that the device (or cancel()) has closed raises
// SIGPIPE in the writing thread, which ends the whole program unless the
// program ignores it; a library must not rely on that. The signal is held
// back in this thread during the exchange and a SIGPIPE of its own is taken
// off before the thread's mask is restored.
class SigpipeGuard
{
public:
    SigpipeGuard()
    {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
        m_ok = pthread_sigmask(SIG_BLOCK, &m_pipe, &m_old) == 0;
    }
    ~SigpipeGuard()
    {
        if (!m_ok)
            return;
        sigset_t pending;
        sigpending(&pending);
        if (!m_wasPending && sigismember(&pending, SIGPIPE) == 1) {
            const timespec none { 0, 0 };
            sigtimedwait(&m_pipe, nullptr, &none);
        }
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;

private:
    sigset_t m_pipe;
    sigset_t m_old;
    bool m_wasPending = false;
    bool m_ok = false;
};
#else
struct SigpipeGuard {
};
#endif
} // namespace

SoapClient::SoapClient() = default;
SoapClient::~SoapClient() = default;

HttpReply SoapClient::post(const std::string& ip, int port, const std::string& path,
    const std::string& action, const std::string& body, int timeoutMs)
{
    HttpReply reply;
    SigpipeGuard noSigpipe;
    httplib::Client client(ip, port);
    const time_t sec = timeoutMs / 1000;
    const time_t usec = (timeoutMs % 1000) * 1000;
    client.set_connection_timeout(sec, usec);
    client.set_read_timeout(sec, usec);
    client.set_write_timeout(sec, usec);
    client.set_keep_alive(false);
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_cancelled) {
            reply.error = "cancelled";
            return reply;
        }
        m_active = &client;
    }
    httplib::Request req;
    req.method = "POST";
    req.path = path;
    req.headers = { { "Accept", "application/soap+xml, text/xml" },
        { "Content-Type", "application/soap+xml; charset=utf-8; action=\"" + action + "\"" } };
    req.body = body;
    std::string received;
    bool tooLarge = false;
    req.content_receiver = [&](const char* data, size_t length, uint64_t, uint64_t) {
        if (received.size() + length > kMaxBody) {
            tooLarge = true;
            return false;
        }
        received.append(data, length);
        return true;
    };
    auto result = client.send(req);
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_active = nullptr;
    }
    if (tooLarge) {
        reply.error = "answer too large";
        return reply;
    }
    if (!result) {
        reply.error = httplib::to_string(result.error());
        return reply;
    }
    reply.delivered = true;
    reply.status = result->status;
    reply.body = std::move(received);
    return reply;
}

void SoapClient::cancel()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_cancelled = true;
    if (m_active)
        m_active->stop();
}

} // namespace vlonvif
