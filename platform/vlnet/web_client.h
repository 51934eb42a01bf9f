#pragma once
// The HTTP exchanges of the stand-in's web logins: one JSON POST to a
// device's web interface over HTTP or HTTPS, bounded by time-outs, and cut
// short by cancel() from any thread. HTTPS does not check the device's
// certificate: devices carry self-signed ones that name no address.
#include "common/bounded_http.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vlnet
{

struct WebTarget {
    std::string address; // IPv4 or IPv6 text
    std::uint16_t port = 0;
    bool https = false;
};

using WebReply = vlhttp::Reply;

class WebClient
{
public:
    using Headers = std::vector<std::pair<std::string, std::string>>;

    WebClient() = default;
    WebClient(const WebClient&) = delete;
    WebClient& operator=(const WebClient&) = delete;

    // POSTs `body` (JSON) to `path`; `connectMs` bounds the connect (and
    // the TLS handshake), `replyMs` each wait for data. Several exchanges
    // may run at once from different threads. Nothing is sent once
    // cancel() was called.
    WebReply post(const WebTarget& target, const std::string& path, const Headers& headers,
        const std::string& body, int connectMs, int replyMs);
    // Ends the exchanges under way (their replies are errors) and every later one.
    void cancel();

private:
    vlhttp::Exchanges m_exchanges;
};

} // namespace vlnet
