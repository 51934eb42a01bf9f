#pragma once
// The HTTP exchanges of the stand-in layers with devices: an answer is read
// into memory up to a bound (a device that sends without end cannot exhaust
// the caller), and cancel() cuts every exchange under way short from any
// thread. The callers set up the client (address, time-outs, TLS) and the
// request themselves, and hold SIGPIPE back (vlsys::SigpipeGuard) for as
// long as their client lives: its TLS shutdown writes too.
#include <cstddef>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace httplib
{
class Client;
struct Request;
} // namespace httplib

namespace vlhttp
{

struct Reply {
    bool delivered = false; // an HTTP answer came back (any status)
    int status = 0;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string error; // why nothing came back
    // The first header `name` (any case); empty when absent.
    std::string header(const std::string& name) const;
};

class Exchanges
{
public:
    Exchanges() = default;
    Exchanges(const Exchanges&) = delete;
    Exchanges& operator=(const Exchanges&) = delete;

    // Sends `request` on `client`; an answer of more than `maxBody` bytes is
    // no answer ("answer too large"). Several may run at once from
    // different threads. Nothing is sent once cancel() was called.
    Reply send(httplib::Client& client, httplib::Request& request, std::size_t maxBody);
    // Ends the exchanges under way (their replies are errors) and every later one.
    void cancel();

private:
    std::mutex m_lock;
    bool m_cancelled = false;
    std::set<httplib::Client*> m_active;
};

} // namespace vlhttp
