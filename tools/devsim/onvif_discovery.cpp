#include "onvif_discovery.h"

#include "onvif_device.h"
#include "soap/envelope.h"
#include "udp_io.h"

#include <boost/asio/steady_timer.hpp>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>

namespace devsim
{

namespace asio = boost::asio;
using udp = asio::ip::udp;

OnvifDiscovery::OnvifDiscovery(asio::io_context& io, DeviceStore& store, EventLog& log, std::uint16_t port)
    : m_io(io)
    , m_store(store)
    , m_log(log)
    , m_port(port)
    , m_socket(io)
{
}

void OnvifDiscovery::start()
{
    m_socket.open(udp::v4());
    m_socket.set_option(asio::socket_base::reuse_address(true));
    enablePacketInfo(m_socket, false, "onvif discovery");
    m_socket.bind(udp::endpoint(udp::v4(), m_port));
    m_socket.non_blocking(true);
    std::string refused;
    if (joinGroupEverywhere(m_socket, asio::ip::make_address(vlsoap::kDiscoveryGroup), &refused) == 0)
        m_log.line("onvif discovery: joined no group" + (refused.empty() ? std::string() : ": " + refused));
    wait();
}

void OnvifDiscovery::stop()
{
    boost::system::error_code ec;
    m_socket.close(ec);
}

void OnvifDiscovery::wait()
{
    m_socket.async_wait(udp::socket::wait_read, [this](boost::system::error_code ec) {
        if (ec)
            return;
        receive();
        wait();
    });
}

void OnvifDiscovery::receive()
{
    for (;;) {
        const auto datagram
            = receiveWithDestination(m_socket.native_handle(), m_buffer.data(), m_buffer.size());
        if (!datagram)
            return;
        const std::string& dest = datagram->dest;
        const udp::endpoint peer = datagram->peer;
        const std::string_view text(m_buffer.data(), datagram->size);
        auto probe = vlsoap::parseProbe(text);
        if (!probe) {
            std::string why;
            if (!vlsoap::parseEnvelope(text, &why))
                why = "not a SOAP envelope: " + why;
            else
                why = "not a Probe";
            m_log.line("onvif discovery: datagram from " + peer.address().to_string() + " to " + dest + " ("
                + std::to_string(datagram->size) + " bytes) ignored, " + why);
            continue;
        }
        std::vector<int> targets;
        if (auto id = m_store.findByIp(dest))
            targets.push_back(*id);
        else if (dest == vlsoap::kDiscoveryGroup)
            targets = m_store.ids();
        int answering = 0;
        for (int id : targets) {
            bool answers = false;
            bool onvif = false;
            m_store.read(id, [&](const Device& d) {
                onvif = d.onvif;
                answers = d.online() && !d.faults.dropReplies && answersProbe(d, *probe);
            });
            if (!onvif)
                continue;
            Received r;
            r.timeMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::system_clock::now().time_since_epoch())
                           .count();
            r.transport = "onvif";
            r.what = "PROBE";
            r.detail["peer"] = peer.address().to_string() + ":" + std::to_string(peer.port());
            r.detail["to"] = dest;
            r.detail["message_id"] = probe->messageId;
            r.detail["answered"] = answers;
            m_store.noteReceived(id, std::move(r));
            if (!answers)
                continue;
            ++answering;
            const int delay = int(m_random() % (kMaxDelayMs + 1));
            auto timer = std::make_shared<asio::steady_timer>(m_io, std::chrono::milliseconds(delay));
            timer->async_wait(
                [this, timer, id, relatesTo = probe->messageId, peer](boost::system::error_code ec) {
                    if (!ec)
                        answer(id, relatesTo, peer);
                });
        }
        m_log.line("onvif probe from " + peer.address().to_string() + " to " + dest + ": "
            + std::to_string(answering) + " answer(s)");
    }
}

void OnvifDiscovery::answer(int id, const std::string& relatesTo, const udp::endpoint& peer)
{
    if (!m_socket.is_open())
        return;
    // The device may have moved or gone meanwhile: it answers from where it is now.
    std::string from, text;
    m_store.read(id, [&](const Device& d) {
        if (!d.online() || d.faults.dropReplies || !d.onvif)
            return;
        from = d.net.ip;
        text = vlsoap::probeMatchesMessage(vlsoap::newMessageId(), relatesTo, onvifProbeMatch(d));
    });
    if (text.empty())
        return;
    if (!sendFrom(m_socket.native_handle(), from, peer, text.data(), text.size()))
        m_log.device(
            id, from, "onvif answer to " + peer.address().to_string() + " failed: " + std::strerror(errno));
}

} // namespace devsim
