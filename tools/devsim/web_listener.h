#pragma once
// One listening socket of devsim's web interface: a cpp-httplib server on
// the wildcard address of one port, speaking one scheme, for every device
// whose web port (HTTP) or HTTPS port it is. With every device address local
// in the lab's "lan" namespace, the address a connection reached names the
// device, so a moved device needs nothing and 500 devices share one
// listener.
//
// The listener serves each connection itself (cpp-httplib parses and
// answers the requests): it keeps the request head as the client sent it
// (cpp-httplib keeps headers sorted by name), can end a connection with a
// reset or a broken TLS record instead of an answer, waits for the next
// request of a kept-alive connection without polling, and starts threads
// only as connections arrive (at most kMaxThreads; none beyond the accepting
// one while idle).
#include <atomic>
#include <cstdint>
#include <functional>
#include <httplib.h>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace devsim
{

// The local address of a connected socket as text (IPv4 for an IPv4-mapped
// address); empty when it has none.
std::string localAddressOf(int fd);

// One accepted connection, on the thread that serves it: the stream that
// cpp-httplib reads requests from and writes answers to.
class WebConnection : public httplib::Stream
{
public:
    WebConnection(int fd, SSL* ssl, int stopFd);
    ~WebConnection() override;
    WebConnection(const WebConnection&) = delete;
    WebConnection& operator=(const WebConnection&) = delete;

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    ::socket_t socket() const override { return m_fd; }

    bool https() const { return m_ssl != nullptr; }
    // The head (request line and headers) of the request being served, as
    // the client sent it.
    const std::string& head() const { return m_head; }

    // Ends the connection after the current answer.
    void closeAfter() { m_closeAfter = true; }
    // Nothing more leaves; the connection ends with a reset.
    void resetInstead() { m_reset = true; }
    // Nothing more leaves but bytes that no TLS client can authenticate,
    // then a reset (on plain HTTP a reset alone).
    void breakTls() { m_reset = m_breakTls = true; }
    bool ending() const { return m_closeAfter || m_reset; }

    // For the listener: waits until a request begins (true), or until
    // `ms` pass, the client leaves or the listener stops (false).
    bool waitForRequest(int ms);
    // Begins the head of the next request.
    void startRequest();
    // Closes the connection as marked: orderly, with a reset, or after the
    // broken record.
    void finish();

private:
    void keepHead(const char* data, size_t n);

    int m_fd;
    SSL* m_ssl;
    int m_stopFd;
    char m_buffer[4096];
    size_t m_offset = 0;
    size_t m_length = 0;
    std::string m_head;
    bool m_headDone = false;
    bool m_closeAfter = false;
    bool m_reset = false;
    bool m_breakTls = false;
    bool m_finished = false;
};

class WebListener : public httplib::Server
{
public:
    static constexpr size_t kMaxThreads = 128;

    // Tells whether a connection that reached `localIp` is taken; when not,
    // it is reset, as a closed port would be.
    using Admit = std::function<bool(const std::string& localIp)>;

    // `tls` (borrowed, outlives the listener): HTTPS; null: plain HTTP.
    WebListener(std::uint16_t port, SSL_CTX* tls, Admit admit);
    ~WebListener() override;

    // Binds the wildcard address of both families (IPv4 alone where the
    // host has no IPv6) and starts serving on a thread of its own. False
    // with `error` when the port cannot be had.
    bool start(std::string* error);
    // Stops accepting and cuts the connections, at once and from any thread
    // (one that serves a connection of this listener included).
    void halt();
    // halt(), then waits for every thread of the listener.
    void close();

    std::uint16_t port() const { return m_port; }
    bool https() const { return m_tls != nullptr; }

    // The connection that the calling thread serves (inside a handler);
    // null on any other thread.
    static WebConnection* current();

private:
    bool process_and_close_socket(::socket_t sock) override;

    std::uint16_t m_port;
    SSL_CTX* m_tls;
    Admit m_admit;
    int m_stopFd = -1;
    int m_listenFd = -1; // the listening socket, once bound
    std::atomic<bool> m_stopping { false };
    std::thread m_thread;
    std::mutex m_liveLock;
    std::set<int> m_live; // sockets being served, cut by close()
};

} // namespace devsim
