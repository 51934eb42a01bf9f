#include "probe_server.h"

#include "client_requests.h"
#include "common/json.h"
#include "records.h"
#include "udp_io.h"
#include "wire.h"

#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <cstring>

namespace devsim
{

namespace asio = boost::asio;
using udp = asio::ip::udp;

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
    enablePacketInfo(m_socket, false, "probe");
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
        try {
            receive();
        } catch (const std::exception& e) {
            // Last resort: one datagram must not end the simulator; it is
            // dropped and the next one read.
            m_log.line(std::string("probe dropped: ") + e.what());
        }
        wait();
    });
}

void ProbeServer::receive()
{
    for (;;) {
        std::uint8_t buf[2048];
        const auto datagram = receiveWithDestination(m_socket.native_handle(), buf, sizeof(buf));
        if (!datagram)
            return;
        const std::size_t n = datagram->size;
        const std::string& dest = datagram->dest;
        const udp::endpoint& peer = datagram->peer;
        const std::string peerText = peer.address().to_string();
        if (n < vlwire::kHeaderSize)
            continue;
        auto h = vlwire::decodeHeader(buf);
        if (!h || h->command != vlwire::kProbe || (h->flags & vlwire::kReply)
            || vlwire::kHeaderSize + h->length > n)
            continue;
        const auto filter = readProbeFilter(
            std::string_view(reinterpret_cast<const char*>(buf + vlwire::kHeaderSize), h->length));
        if (!filter)
            continue;
        const std::string& wantMac = filter->mac;
        const std::string& wantP2p = filter->p2pId;

        std::vector<int> targets;
        if (auto id = m_store.findByIp(dest))
            targets.push_back(*id);
        else if (dest == "255.255.255.255"
            || (dest.size() > 4 && dest.compare(dest.size() - 4, 4, ".255") == 0))
            targets = m_store.ids();
        for (int id : targets) {
            std::string body, ip;
            bool willAnswer = false;
            int delayMs = 0;
            m_store.read(id, [&](const Device& d) {
                if (!d.online() || d.faults.dropReplies || (!wantMac.empty() && wantMac != d.mac)
                    || (!wantP2p.empty() && wantP2p != d.p2pId))
                    return;
                body = vljson::write_compact(probeDescription(d));
                ip = d.net.ip;
                delayMs = d.faults.delayMs;
                willAnswer = true;
            });
            if (!willAnswer)
                continue;
            Received rec;
            rec.timeMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::system_clock::now().time_since_epoch())
                             .count();
            rec.transport = "probe";
            rec.what = "PROBE";
            rec.detail["peer"] = peerText + ":" + std::to_string(peer.port());
            rec.detail["to"] = dest;
            // The searcher's type byte: noted for tests, never a filter.
            if (filter->oemType)
                rec.detail["oem_type"] = *filter->oemType;
            if (!wantP2p.empty())
                rec.detail["p2p_id"] = wantP2p;
            m_store.noteReceived(id, rec);
            auto frame = vlwire::encodeReply(vlwire::kProbe, h->sequence, vlwire::kOk, body);
            if (delayMs <= 0) {
                answer(id, ip, peer, frame);
                continue;
            }
            auto timer = std::make_shared<asio::steady_timer>(m_io, std::chrono::milliseconds(delayMs));
            timer->async_wait(
                [this, timer, id, ip, peer, frame = std::move(frame)](boost::system::error_code ec) {
                    if (!ec)
                        answer(id, ip, peer, frame);
                });
        }
        if (!targets.empty())
            m_log.line("probe from " + peerText + " to " + dest + ": " + std::to_string(targets.size())
                + " device(s) asked");
    }
}

void ProbeServer::answer(
    int id, const std::string& ip, const udp::endpoint& peer, const std::vector<std::uint8_t>& frame)
{
    // A delayed answer is not sent by a device that left the network meanwhile.
    bool online = false;
    m_store.read(id, [&](const Device& d) { online = d.online() && d.net.ip == ip; });
    if (!online || !m_socket.is_open())
        return;
    if (!sendFrom(m_socket.native_handle(), ip, peer, frame.data(), frame.size()))
        m_log.device(
            id, ip, "probe answer to " + peer.address().to_string() + " failed: " + std::strerror(errno));
}

} // namespace devsim
