#pragma once
// A web interface on a loopback port for the workers' tests: it answers
// each request, in turn, with the next of its bodies (HTTP 200), one
// request per connection, and records what it was sent.
//
//   LoopbackWeb web({ saltReply, R"({"result":"success"})" });
//   setAddress(*device, "127.0.0.1", web.port());
#include "devices/DeviceInfo.h"

#include <QByteArray>
#include <QList>
#include <arpa/inet.h>
#include <cstring>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace machine_test
{

// Points the device's search record at `ip` and web port `port`.
inline void setAddress(DeviceInfo& d, const char* ip, unsigned port)
{
    std::memset(d.searchRecord.sdk.ip, 0, sizeof d.searchRecord.sdk.ip);
    std::strncpy(d.searchRecord.sdk.ip, ip, sizeof d.searchRecord.sdk.ip - 1);
    d.searchRecord.sdk.web_port = decltype(d.searchRecord.sdk.web_port)(port);
}

// A web interface on a loopback port that answers each request, in turn,
// with the next of its bodies (HTTP 200) and records what it was sent; one
// request per connection.
class LoopbackWeb
{
public:
    // `beforeAnswer`, when given, is called on the server's thread with the
    // request's index, after the request was read and before it is answered.
    explicit LoopbackWeb(QList<QByteArray> bodies, std::function<void(int)> beforeAnswer = {})
        : m_bodies(std::move(bodies))
        , m_beforeAnswer(std::move(beforeAnswer))
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_fd, 4);
        socklen_t size = sizeof a;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &size);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~LoopbackWeb()
    {
        ::shutdown(m_fd, SHUT_RDWR);
        ::close(m_fd);
        m_thread.join();
    }
    unsigned port() const { return m_port; }
    // Request heads and bodies as received; read after the requests.
    QList<QByteArray> requests;

private:
    void serve()
    {
        for (const QByteArray& body : m_bodies) {
            const int c = ::accept(m_fd, nullptr, nullptr);
            if (c < 0)
                return;
            QByteArray in;
            char buffer[4096];
            for (;;) {
                const int end = in.indexOf("\r\n\r\n");
                if (end >= 0) {
                    const int at = in.toLower().indexOf("content-length:");
                    const int length
                        = at >= 0 ? in.mid(at + 15, in.indexOf("\r\n", at) - at - 15).trimmed().toInt() : 0;
                    if (in.size() >= end + 4 + length)
                        break;
                }
                const ssize_t n = ::recv(c, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                in.append(buffer, int(n));
            }
            requests << in;
            if (m_beforeAnswer)
                m_beforeAnswer(requests.size() - 1);
            const QByteArray out
                = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n"
                  "Content-Length: "
                + QByteArray::number(body.size()) + "\r\n\r\n" + body;
            ::send(c, out.constData(), size_t(out.size()), MSG_NOSIGNAL);
            ::close(c);
        }
    }

    QList<QByteArray> m_bodies;
    std::function<void(int)> m_beforeAnswer;
    int m_fd = -1;
    unsigned m_port = 0;
    std::thread m_thread;
};

} // namespace machine_test
