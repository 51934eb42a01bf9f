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
    vlsys::SigpipeGuard noSigpipe;
    httplib::Client client(ip, port);
    const time_t sec = timeoutMs / 1000;
    const time_t usec = (timeoutMs % 1000) * 1000;
    client.set_connection_timeout(sec, usec);
    client.set_read_timeout(sec, usec);
    client.set_write_timeout(sec, usec);
    client.set_keep_alive(false);
    httplib::Request req;
    req.method = "POST";
    req.path = path;
    req.headers = { { "Accept", "application/soap+xml, text/xml" },
        { "Content-Type", "application/soap+xml; charset=utf-8; action=\"" + action + "\"" } };
    req.body = body;
    return m_exchanges.send(client, req, kMaxBody);
}

void SoapClient::cancel()
{
    m_exchanges.cancel();
}

} // namespace vlonvif
