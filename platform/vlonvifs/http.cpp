#include "http.h"

#include "sys/sigpipe_guard.h"

#include <httplib.h>

namespace vlonvif
{

namespace
{
// Answers larger than this are no device-service answer.
constexpr std::size_t kMaxBody = 1 << 20;
} // namespace

SoapClient::SoapClient() = default;
SoapClient::~SoapClient() = default;

HttpReply SoapClient::post(const std::string& ip, int port, const std::string& path,
    const std::string& action, const std::string& body, int timeoutMs)
{
    HttpReply reply;
    vlsys::SigpipeGuard noSigpipe;
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
