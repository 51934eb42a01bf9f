#include "web_listener.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/rand.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace devsim
{

namespace
{

// Requests one kept-alive connection serves, and how long it may wait for
// the next one: about what small embedded web servers allow.
constexpr size_t kMaxRequestsPerConnection = 100;
constexpr int kKeepAliveMs = 5000;
// A client that stops sending or reading for this long is gone.
constexpr time_t kIoTimeoutSeconds = 15;
constexpr size_t kMaxHead = 64 * 1024;
// How long a closing connection still reads what its client sends.
constexpr int kLingerMs = 2000;
// Connections the kernel completes before the listener accepts them. One
// listener stands for every device on its port, so it takes at once what
// hundreds of devices would each take in their own queue; cpp-httplib
// listens with 5, and a burst of logins to many devices overflowed that:
// the kernel dropped the handshakes, clients sent them again after one and
// three seconds, and their connect time-outs ran out (the kernel caps this
// at net.core.somaxconn).
constexpr int kListenBacklog = 4096;

thread_local WebConnection* t_current = nullptr;

std::string addressText(const sockaddr_storage& ss, int* port)
{
    char text[INET6_ADDRSTRLEN] = "";
    if (ss.ss_family == AF_INET) {
        const auto* a = reinterpret_cast<const sockaddr_in*>(&ss);
        inet_ntop(AF_INET, &a->sin_addr, text, sizeof(text));
        *port = ntohs(a->sin_port);
    } else if (ss.ss_family == AF_INET6) {
        const auto* a = reinterpret_cast<const sockaddr_in6*>(&ss);
        if (IN6_IS_ADDR_V4MAPPED(&a->sin6_addr))
            inet_ntop(AF_INET, &a->sin6_addr.s6_addr[12], text, sizeof(text));
        else
            inet_ntop(AF_INET6, &a->sin6_addr, text, sizeof(text));
        *port = ntohs(a->sin6_port);
    }
    return text;
}

std::string localAddressAndPort(int fd, int* port)
{
    sockaddr_storage ss {};
    socklen_t len = sizeof(ss);
    *port = -1;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&ss), &len) != 0)
        return {};
    return addressText(ss, port);
}

} // namespace

std::string localAddressOf(int fd)
{
    int port = -1;
    return localAddressAndPort(fd, &port);
}

namespace
{

// Closes with a reset: the client reads "connection reset by peer", as from
// a port nobody serves or a device that drops the connection.
void closeWithReset(int fd)
{
    linger hard { 1, 0 };
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
    ::close(fd);
}

// cpp-httplib's own pool starts all its threads (at least 8) at once for
// every listener; this one starts them as connections wait, up to a cap, and
// keeps them for the next burst.
class GrowingPool : public httplib::TaskQueue
{
public:
    explicit GrowingPool(size_t maxThreads)
        : m_max(maxThreads)
    {
    }
    ~GrowingPool() override { shutdown(); }

    void enqueue(std::function<void()> fn) override
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_jobs.push_back(std::move(fn));
        if (m_jobs.size() > m_idle && m_threads.size() < m_max)
            m_threads.emplace_back([this] { work(); });
        m_wake.notify_one();
    }

    void shutdown() override
    {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_shutdown = true;
        }
        m_wake.notify_all();
        for (auto& t : m_threads)
            if (t.joinable())
                t.join();
    }

private:
    void work()
    {
        for (;;) {
            std::function<void()> fn;
            {
                std::unique_lock<std::mutex> hold(m_lock);
                ++m_idle;
                m_wake.wait(hold, [this] { return m_shutdown || !m_jobs.empty(); });
                --m_idle;
                if (m_jobs.empty())
                    return;
                fn = std::move(m_jobs.front());
                m_jobs.pop_front();
            }
            fn();
        }
    }

    size_t m_max;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    std::vector<std::thread> m_threads;
    size_t m_idle = 0;
    bool m_shutdown = false;
};

} // namespace

WebConnection::WebConnection(int fd, SSL* ssl, int stopFd)
    : m_fd(fd)
    , m_ssl(ssl)
    , m_stopFd(stopFd)
{
}

WebConnection::~WebConnection()
{
    finish();
}

bool WebConnection::is_readable() const
{
    if (m_offset < m_length || (m_ssl && SSL_pending(m_ssl) > 0))
        return true;
    pollfd p { m_fd, POLLIN, 0 };
    return ::poll(&p, 1, int(kIoTimeoutSeconds * 1000)) > 0;
}

bool WebConnection::is_writable() const
{
    if (m_reset)
        return true;
    pollfd p { m_fd, POLLOUT, 0 };
    return ::poll(&p, 1, int(kIoTimeoutSeconds * 1000)) > 0;
}

ssize_t WebConnection::read(char* ptr, size_t size)
{
    if (m_reset || size == 0)
        return m_reset ? -1 : 0;
    ssize_t n = 0;
    if (m_ssl) {
        ERR_clear_error();
        n = SSL_read(m_ssl, ptr, int(std::min<size_t>(size, INT_MAX)));
        if (n <= 0)
            return -1;
    } else {
        if (m_offset == m_length) {
            ssize_t got;
            do
                got = ::recv(m_fd, m_buffer, sizeof(m_buffer), 0);
            while (got < 0 && errno == EINTR);
            if (got <= 0)
                return got < 0 ? -1 : 0;
            m_offset = 0;
            m_length = size_t(got);
        }
        n = ssize_t(std::min(size, m_length - m_offset));
        std::memcpy(ptr, m_buffer + m_offset, size_t(n));
        m_offset += size_t(n);
    }
    keepHead(ptr, size_t(n));
    return n;
}

ssize_t WebConnection::write(const char* ptr, size_t size)
{
    if (m_reset)
        return ssize_t(size); // swallowed: the connection ends with a reset
    if (m_ssl) {
        ERR_clear_error();
        int n = SSL_write(m_ssl, ptr, int(std::min<size_t>(size, INT_MAX)));
        return n > 0 ? n : -1;
    }
    ssize_t n;
    do
        n = ::send(m_fd, ptr, size, MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    return n;
}

void WebConnection::get_remote_ip_and_port(std::string& ip, int& port) const
{
    sockaddr_storage ss {};
    socklen_t len = sizeof(ss);
    port = -1;
    ip.clear();
    if (getpeername(m_fd, reinterpret_cast<sockaddr*>(&ss), &len) == 0)
        ip = addressText(ss, &port);
}

void WebConnection::get_local_ip_and_port(std::string& ip, int& port) const
{
    ip = localAddressAndPort(m_fd, &port);
}

void WebConnection::keepHead(const char* data, size_t n)
{
    if (m_headDone)
        return;
    size_t scanFrom = m_head.size() < 3 ? 0 : m_head.size() - 3;
    m_head.append(data, std::min(n, kMaxHead - std::min(kMaxHead, m_head.size())));
    size_t end = m_head.find("\r\n\r\n", scanFrom);
    if (end != std::string::npos) {
        m_head.resize(end + 4);
        m_headDone = true;
    } else if (m_head.size() >= kMaxHead) {
        m_headDone = true;
    }
}

void WebConnection::startRequest()
{
    m_head.clear();
    m_headDone = false;
}

bool WebConnection::waitForRequest(int ms)
{
    if (m_offset < m_length || (m_ssl && SSL_pending(m_ssl) > 0))
        return true;
    pollfd p[2] = { { m_fd, POLLIN, 0 }, { m_stopFd, POLLIN, 0 } };
    int n;
    do
        n = ::poll(p, 2, ms);
    while (n < 0 && errno == EINTR);
    return n > 0 && !(p[1].revents & POLLIN) && (p[0].revents & POLLIN);
}

void WebConnection::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_breakTls && m_ssl) {
        // An application-data record of random bytes: the client's record
        // layer cannot authenticate it.
        unsigned char record[5 + 32] = { 0x17, 0x03, 0x03, 0x00, 0x20 };
        RAND_bytes(record + 5, 32);
        [[maybe_unused]] ssize_t sent = ::send(m_fd, record, sizeof(record), MSG_NOSIGNAL);
    }
    if (m_ssl) {
        if (!m_reset)
            SSL_shutdown(m_ssl);
        SSL_free(m_ssl);
        m_ssl = nullptr;
        ERR_clear_error();
    }
    if (m_reset) {
        closeWithReset(m_fd);
        return;
    }
    // A lingering close: a client may still be sending a body that was not
    // read (a refused upload); closing on unread bytes would reset the
    // connection and could take the answer with it.
    ::shutdown(m_fd, SHUT_WR);
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLingerMs);
    for (;;) {
        auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd p[2] = { { m_fd, POLLIN, 0 }, { m_stopFd, POLLIN, 0 } };
        if (left.count() <= 0 || ::poll(p, 2, int(left.count())) <= 0 || (p[1].revents & POLLIN))
            break;
        char sink[4096];
        if (::recv(m_fd, sink, sizeof(sink), MSG_DONTWAIT) <= 0)
            break;
    }
    ::close(m_fd);
}

WebListener::WebListener(std::uint16_t port, SSL_CTX* tls, Admit admit)
    : m_port(port)
    , m_tls(tls)
    , m_admit(std::move(admit))
{
    m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    new_task_queue = [] { return new GrowingPool(kMaxThreads); };
    set_keep_alive_max_count(kMaxRequestsPerConnection);
    set_read_timeout(kIoTimeoutSeconds);
    set_write_timeout(kIoTimeoutSeconds);
    // Plain SO_REUSEADDR: cpp-httplib's default (SO_REUSEPORT) would let a
    // second listener, of the other scheme or another simulator, share the
    // port without an error.
    set_socket_options([this](::socket_t s) {
        int yes = 1;
        setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        m_listenFd = s; // the last one made is the one bound
    });
}

WebListener::~WebListener()
{
    close();
    if (m_stopFd >= 0)
        ::close(m_stopFd);
}

bool WebListener::start(std::string* error)
{
    if (m_stopFd < 0) {
        *error = std::string("eventfd: ") + std::strerror(errno);
        return false;
    }
    if (!bind_to_port("::", m_port) && !bind_to_port("0.0.0.0", m_port)) {
        *error = "cannot listen on port " + std::to_string(m_port) + ": " + std::strerror(errno);
        return false;
    }
    // Listening again on a listening socket only sets its backlog.
    int listening = 0;
    socklen_t size = sizeof(listening);
    if (getsockopt(m_listenFd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || !listening
        || ::listen(m_listenFd, kListenBacklog) != 0) {
        *error
            = "cannot widen the listen queue of port " + std::to_string(m_port) + ": " + std::strerror(errno);
        stop();
        return false;
    }
    m_thread = std::thread([this] { listen_after_bind(); });
    // stop() only acts on a running server: wait until it runs.
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!is_running() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void WebListener::halt()
{
    if (m_stopping.exchange(true) || !m_thread.joinable())
        return;
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_stopFd, &one, sizeof(one));
    stop();
    // Threads blocked reading a request or a body wake up at once.
    std::lock_guard<std::mutex> hold(m_liveLock);
    for (int fd : m_live)
        ::shutdown(fd, SHUT_RDWR);
}

void WebListener::close()
{
    if (!m_thread.joinable())
        return;
    halt();
    m_thread.join();
}

WebConnection* WebListener::current()
{
    return t_current;
}

bool WebListener::process_and_close_socket(::socket_t sock)
{
    int localPort = -1;
    std::string local = localAddressAndPort(sock, &localPort);
    if (m_stopping || local.empty() || !m_admit(local)) {
        closeWithReset(sock);
        return true;
    }
    {
        std::lock_guard<std::mutex> hold(m_liveLock);
        m_live.insert(sock);
    }
    int nodelay = 1;
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &nodelay, sizeof(nodelay));
    SSL* ssl = nullptr;
    bool ok = true;
    if (m_tls) {
        ssl = SSL_new(m_tls);
        ERR_clear_error();
        if (!ssl || SSL_set_fd(ssl, sock) != 1 || SSL_accept(ssl) != 1) {
            // A failed handshake (a client that gives up on the certificate,
            // or a refusal by the device): nothing to answer.
            if (ssl)
                SSL_free(ssl);
            ssl = nullptr;
            ERR_clear_error();
            ok = false;
        }
    }
    if (ok && !m_stopping) {
        WebConnection conn(sock, ssl, m_stopFd);
        t_current = &conn;
        for (size_t served = 0; served < kMaxRequestsPerConnection && !m_stopping; ++served) {
            if (!conn.waitForRequest(kKeepAliveMs))
                break;
            conn.startRequest();
            bool clientCloses = false;
            bool last = served + 1 == kMaxRequestsPerConnection;
            try {
                ok = process_request(conn, last, clientCloses, [ssl](httplib::Request& r) { r.ssl = ssl; });
            } catch (...) {
                // Handlers' exceptions are answered inside; one from the
                // parsing itself (out of memory) ends only this connection.
                conn.resetInstead();
                ok = false;
            }
            if (!ok || clientCloses || conn.ending())
                break;
        }
        t_current = nullptr;
        {
            std::lock_guard<std::mutex> hold(m_liveLock);
            m_live.erase(sock);
        }
        conn.finish();
        return ok;
    }
    if (ssl)
        SSL_free(ssl);
    {
        std::lock_guard<std::mutex> hold(m_liveLock);
        m_live.erase(sock);
    }
    ::close(sock);
    return ok;
}

} // namespace devsim
