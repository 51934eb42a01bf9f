#include "probe_server.h"

#include "records.h"
#include "wire.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <json/reader.h>
#include <json/writer.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace devsim
{

namespace asio = boost::asio;
using udp = asio::ip::udp;

bool sendFrom(int fd, const std::string& from, const udp::endpoint& to, const void* data, std::size_t length)
{
    in_addr src {};
    if (inet_pton(AF_INET, from.c_str(), &src) != 1 || !to.address().is_v4())
        return false;
    sockaddr_in dst {};
    dst.sin_family = AF_INET;
    dst.sin_port = htons(to.port());
    auto bytes = to.address().to_v4().to_bytes();
    std::memcpy(&dst.sin_addr, bytes.data(), 4);
    iovec iov { const_cast<void*>(data), length };
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr msg {};
    msg.msg_name = &dst;
    msg.msg_namelen = sizeof(dst);
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof(control);
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info {};
    info.ipi_spec_dst = src;
    std::memcpy(CMSG_DATA(c), &info, sizeof(info));
    return ::sendmsg(fd, &msg, MSG_DONTWAIT) == ssize_t(length);
}

ProbeServer::ProbeServer(asio::io_context& io, DeviceStore& store, EventLog& log, std::uint16_t port)
    : m_io(io)
    , m_store(store)
    , m_log(log)
    , m_port(port)
    , m_socket(io)
{
}

void ProbeServer::start()
{
    m_socket.open(udp::v4());
    m_socket.set_option(asio::socket_base::reuse_address(true));
    m_socket.set_option(asio::socket_base::broadcast(true));
    int on = 1;
    if (::setsockopt(m_socket.native_handle(), IPPROTO_IP, IP_PKTINFO, &on, sizeof(on)) != 0)
        throw std::runtime_error("probe: IP_PKTINFO refused");
    m_socket.bind(udp::endpoint(udp::v4(), m_port));
    m_socket.non_blocking(true);
    wait();
}

void ProbeServer::stop()
{
    boost::system::error_code ec;
    m_socket.close(ec);
}

void ProbeServer::wait()
{
    m_socket.async_wait(udp::socket::wait_read, [this](boost::system::error_code ec) {
        if (ec)
            return;
        receive();
        wait();
    });
}

void ProbeServer::receive()
{
    for (;;) {
        std::uint8_t buf[2048];
        sockaddr_in from {};
        iovec iov { buf, sizeof(buf) };
        alignas(cmsghdr) char control[256];
        msghdr msg {};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof(from);
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof(control);
        ssize_t n = ::recvmsg(m_socket.native_handle(), &msg, MSG_DONTWAIT);
        if (n < 0)
            return;
        std::string dest;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c))
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info;
                std::memcpy(&info, CMSG_DATA(c), sizeof(info));
                char text[INET_ADDRSTRLEN];
                inet_ntop(AF_INET, &info.ipi_addr, text, sizeof(text));
                dest = text;
            }
        if (size_t(n) < vlwire::kHeaderSize)
            continue;
        auto h = vlwire::decodeHeader(buf);
        if (!h || h->command != vlwire::kProbe || (h->flags & vlwire::kReply)
            || vlwire::kHeaderSize + h->length > size_t(n))
            continue;
        Json::Value filter;
        if (h->length) {
            Json::CharReaderBuilder b;
            std::unique_ptr<Json::CharReader> r(b.newCharReader());
            std::string errs;
            const char* p = reinterpret_cast<const char*>(buf + vlwire::kHeaderSize);
            if (!r->parse(p, p + h->length, &filter, &errs))
                continue;
        }
        std::string wantMac = filter.isObject() ? filter.get("mac", "").asString() : std::string();
        char peerText[INET_ADDRSTRLEN];
        inet_ntop(AF_INET, &from.sin_addr, peerText, sizeof(peerText));
        udp::endpoint peer(asio::ip::make_address_v4(peerText), ntohs(from.sin_port));

        std::vector<int> targets;
        if (auto id = m_store.findByIp(dest))
            targets.push_back(*id);
        else if (dest == "255.255.255.255"
            || (dest.size() > 4 && dest.compare(dest.size() - 4, 4, ".255") == 0))
            targets = m_store.ids();
        for (int id : targets) {
            std::string body, ip;
            bool answer = false;
            m_store.read(id, [&](const Device& d) {
                if (!d.online() || d.faults.dropReplies || (!wantMac.empty() && wantMac != d.mac))
                    return;
                Json::StreamWriterBuilder wb;
                wb["indentation"] = "";
                body = Json::writeString(wb, probeDescription(d));
                ip = d.net.ip;
                answer = true;
            });
            if (!answer)
                continue;
            Received rec;
            rec.timeMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::system_clock::now().time_since_epoch())
                             .count();
            rec.transport = "probe";
            rec.what = "PROBE";
            rec.detail["peer"] = std::string(peerText) + ":" + std::to_string(peer.port());
            rec.detail["to"] = dest;
            m_store.noteReceived(id, rec);
            auto frame = vlwire::encodeReply(vlwire::kProbe, h->sequence, vlwire::kOk, body);
            if (!sendFrom(m_socket.native_handle(), ip, peer, frame.data(), frame.size()))
                m_log.device(
                    id, ip, "probe answer to " + std::string(peerText) + " failed: " + std::strerror(errno));
        }
        if (!targets.empty())
            m_log.line("probe from " + std::string(peerText) + " to " + dest + ": "
                + std::to_string(targets.size()) + " device(s) asked");
    }
}

} // namespace devsim
