#include "bounded_http.h"

#include <cctype>
#include <httplib.h>

namespace vlhttp
{

namespace
{

bool sameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

std::string Reply::header(const std::string& name) const
{
    for (const auto& [n, v] : headers)
        if (sameName(n, name))
            return v;
    return {};
}

Reply Exchanges::send(httplib::Client& client, httplib::Request& request, std::size_t maxBody)
{
    Reply reply;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_cancelled) {
            reply.error = "cancelled";
            return reply;
        }
        m_active.insert(&client);
    }
    std::string received;
    bool tooLarge = false;
    request.content_receiver = [&](const char* data, size_t length, uint64_t, uint64_t) {
        if (received.size() + length > maxBody) {
            tooLarge = true;
            return false;
        }
        received.append(data, length);
        return true;
    };
    auto result = client.send(request);
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

void Exchanges::cancel()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_cancelled = true;
    for (httplib::Client* c : m_active)
        c->stop();
}

} // namespace vlhttp
