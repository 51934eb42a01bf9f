#pragma once
// One SOAP exchange over HTTP: a POST with the SOAP 1.2 content type and
// action, bounded by a time-out, and cut short by cancel() from any thread.
#include "common/bounded_http.h"

#include <string>

namespace vlonvif
{

using HttpReply = vlhttp::Reply;

class SoapClient
{
public:
    SoapClient();
    ~SoapClient();
    SoapClient(const SoapClient&) = delete;
    SoapClient& operator=(const SoapClient&) = delete;

    // POSTs `body` to http://ip:port/path; `timeoutMs` bounds the connect
    // and each wait for data. Nothing is sent once cancel() was called.
    HttpReply post(const std::string& ip, int port, const std::string& path, const std::string& action,
        const std::string& body, int timeoutMs);
    // Ends an exchange under way (its reply is an error) and every later one.
    void cancel();

private:
    vlhttp::Exchanges m_exchanges;
};

} // namespace vlonvif
