#include "web_client.h"

#include "sys/sigpipe_guard.h"

#include <cctype>
#include <httplib.h>

namespace vlnet
{

namespace
{
// Answers larger than this are no answer of a login.
constexpr std::size_t kMaxBody = 4 << 20;

bool sameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string baseUrl(const WebTarget& t)
{
    const bool v6 = t.address.find(':') != std::string::npos;
    return std::string(t.https ? "https://" : "http://") + (v6 ? "[" + t.address + "]" : t.address) + ":"
        + std::to_string(t.port);
}

} // namespace

std::string WebReply::header(const std::string& name) const
{
    for (const auto& [n, v] : headers)
        if (sameName(n, name))
            return v;
    return {};
}

WebReply WebClient::post(const WebTarget& target, const std::string& path, const Headers& headers,
    const std::string& body, int connectMs, int replyMs)
{
    WebReply reply;
    vlsys::SigpipeGuard noSigpipe;
    httplib::Client client(baseUrl(target));
    if (!client.is_valid()) {
        reply.error = "no address";
        return reply;
    }
    client.set_connection_timeout(connectMs / 1000, (connectMs % 1000) * 1000);
    client.set_read_timeout(replyMs / 1000, (replyMs % 1000) * 1000);
    client.set_write_timeout(replyMs / 1000, (replyMs % 1000) * 1000);
    client.set_keep_alive(false);
    client.enable_server_certificate_verification(false);
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_cancelled) {
            reply.error = "cancelled";
            return reply;
        }
        m_active.insert(&client);
    }
    httplib::Request req;
    req.method = "POST";
    req.path = path;
    req.headers.emplace("Content-Type", "application/json");
    for (const auto& [name, value] : headers)
        req.headers.emplace(name, value);
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
        m_active.erase(&client);
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
    for (const auto& [name, value] : result->headers)
        reply.headers.emplace_back(name, value);
    return reply;
}

void WebClient::cancel()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_cancelled = true;
    for (httplib::Client* c : m_active)
        c->stop();
}

} // namespace vlnet
