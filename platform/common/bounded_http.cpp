#include "bounded_http.h"

#include "common/ascii.h"

#include <httplib.h>

namespace vlhttp
{

std::string Reply::header(const std::string& name) const
{
    for (const auto& [n, v] : headers)
        if (vlascii::sameIgnoringCase(n, name))
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
