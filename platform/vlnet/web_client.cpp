#include "web_client.h"

#include "sys/sigpipe_guard.h"

#include <httplib.h>

namespace vlnet
{

namespace
{
// Answers larger than this are no answer of a login.
constexpr std::size_t kMaxBody = 4 << 20;

std::string baseUrl(const WebTarget& t)
{
    const bool v6 = t.address.find(':') != std::string::npos;
    return std::string(t.https ? "https://" : "http://") + (v6 ? "[" + t.address + "]" : t.address) + ":"
        + std::to_string(t.port);
}

} // namespace

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
    httplib::Request req;
    req.method = "POST";
    req.path = path;
    req.headers.emplace("Content-Type", "application/json");
    for (const auto& [name, value] : headers)
        req.headers.emplace(name, value);
    req.body = body;
    return m_exchanges.send(client, req, kMaxBody);
}

void WebClient::cancel()
{
    m_exchanges.cancel();
}

} // namespace vlnet
