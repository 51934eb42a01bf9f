#pragma once
// One SOAP exchange over HTTP: a POST with the SOAP 1.2 content type and
// action, bounded by a time-out, and cut short by cancel() from any thread.
#include <memory>
#include <mutex>
#include <string>

namespace httplib
{
class Client;
}

namespace vlonvif
{

struct HttpReply {
    bool delivered = false; // an HTTP answer came back (any status)
    int status = 0;
    std::string body;
    std::string error; // why nothing came back
};

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
    std::mutex m_lock;
    bool m_cancelled = false;
    httplib::Client* m_active = nullptr; // the client of the exchange under way
};

} // namespace vlonvif
