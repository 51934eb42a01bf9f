#include "multicast_server.h"

#include "multicast/datagram.h"
#include "udp_io.h"

#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/steady_timer.hpp>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

namespace devsim
{

namespace asio = boost::asio;
using udp = asio::ip::udp;

MulticastServer::MulticastServer(asio::io_context& io, DeviceStore& store, EventLog& log, std::uint16_t port)
    : m_io(io)
    , m_store(store)
    , m_log(log)
    , m_port(port)
    , m_v4(io)
    , m_v6(io)
    , m_responder(store, log)
{
}

void MulticastServer::start()
{
    m_v4.open(udp::v4());
    m_v4.set_option(asio::socket_base::reuse_address(true));
    enablePacketInfo(m_v4, false, "multicast");
    m_v4.bind(udp::endpoint(udp::v4(), m_port));
    m_v4.non_blocking(true);

    m_v6.open(udp::v6());
    m_v6.set_option(asio::socket_base::reuse_address(true));
    m_v6.set_option(asio::ip::v6_only(true));
    enablePacketInfo(m_v6, true, "multicast");
    // Device addresses are local only by route (no interface holds them):
    // answering from them needs the permission to use such a source.
    int on = 1;
    if (::setsockopt(m_v6.native_handle(), IPPROTO_IPV6, IPV6_FREEBIND, &on, sizeof(on)) != 0)
        throw std::runtime_error("multicast: IPV6_FREEBIND refused");
    m_v6.bind(udp::endpoint(udp::v6(), m_port));
    m_v6.non_blocking(true);

    joinGroups();
    wait(false);
    wait(true);
}

void MulticastServer::stop()
{
    boost::system::error_code ec;
    m_v4.close(ec);
    m_v6.close(ec);
}

void MulticastServer::joinGroups()
{
    std::string refused;
    int joined = joinGroupEverywhere(m_v4, asio::ip::make_address(vlsdk::kMulticastGroupV4), &refused);
    joined += joinGroupEverywhere(m_v6, asio::ip::make_address(vlsdk::kMulticastGroupV6), &refused);
    if (!refused.empty())
        m_log.line("multicast: cannot join on " + refused);
    if (joined == 0)
        m_log.line("multicast: joined no group (no multicast interface)");
}

void MulticastServer::wait(bool v6)
{
    udp::socket& socket = v6 ? m_v6 : m_v4;
    socket.async_wait(udp::socket::wait_read, [this, v6](boost::system::error_code ec) {
        if (ec)
            return;
        try {
            receive(v6);
        } catch (const std::exception& e) {
            // Last resort: one datagram must not end the simulator; it is
            // dropped and the next one read.
            m_log.line(std::string("multicast request dropped: ") + e.what());
        }
        wait(v6);
    });
}

void MulticastServer::receive(bool v6)
{
    udp::socket& socket = v6 ? m_v6 : m_v4;
    for (;;) {
        char* buf = m_buffer.data();
        const auto datagram = receiveWithDestination(socket.native_handle(), buf, m_buffer.size());
        if (!datagram)
            return;
        const std::size_t n = datagram->size;
        const std::string& dest = datagram->dest;
        const udp::endpoint& peer = datagram->peer;
        const std::string peerText = v6
            ? "[" + peer.address().to_string() + "]:" + std::to_string(peer.port())
            : peer.address().to_string() + ":" + std::to_string(peer.port());
        if (!vlsdk::has_datagram_prefix(std::string_view(buf, n)))
            continue;

        std::vector<int> targets;
        if (auto id = m_store.findByIp(dest))
            targets.push_back(*id);
        else if (dest == vlsdk::kMulticastGroupV4 || dest == vlsdk::kMulticastGroupV6)
            targets = m_store.ids();
        if (targets.empty())
            continue;
        MulticastOrigin origin { v6 ? "v6" : "v4", peerText, dest };
        auto answers = m_responder.handle(std::string(buf, n), targets, origin);
        m_log.line("multicast " + std::string(v6 ? "v6" : "v4") + " request from " + peerText + " to " + dest
            + " (" + std::to_string(n) + " bytes): " + std::to_string(answers.size()) + " answer(s)");
        for (auto& answer : answers) {
            if (answer.delayMs <= 0) {
                send(answer, v6, peer);
                continue;
            }
            auto timer
                = std::make_shared<asio::steady_timer>(m_io, std::chrono::milliseconds(answer.delayMs));
            timer->async_wait(
                [this, timer, answer = std::move(answer), v6, peer](boost::system::error_code ec) {
                    if (!ec)
                        send(answer, v6, peer);
                });
        }
    }
}

void MulticastServer::send(const MulticastAnswer& answer, bool v6, const udp::endpoint& peer)
{
    if (!(v6 ? m_v6 : m_v4).is_open())
        return;
    // The device may have moved (an update) or left the network meanwhile:
    // it answers from where it is now, if it is still there.
    std::string from;
    bool online = false;
    m_store.read(answer.device, [&](const Device& d) {
        from = v6 ? d.net.ipv6 : d.net.ip;
        online = d.online();
    });
    if (!online || from.empty())
        return;
    const int fd = (v6 ? m_v6 : m_v4).native_handle();
    for (int copy = 0; copy < answer.copies; ++copy) {
        if (!sendFrom(fd, from, peer, answer.datagram.data(), answer.datagram.size())) {
            m_log.device(answer.device, from,
                "multicast answer to " + peer.address().to_string() + " failed: " + std::strerror(errno));
            return;
        }
    }
}

Json::Value MulticastServer::control(const Json::Value& request)
{
    Json::Value out(Json::objectValue);
    out["ok"] = true;
    auto fail = [&](const std::string& why) {
        Json::Value e(Json::objectValue);
        e["ok"] = false;
        e["error"] = why;
        return e;
    };
    if (request.isMember("nonce_ms")) {
        if (!request["nonce_ms"].isIntegral() || request["nonce_ms"].asInt64() < 1
            || request["nonce_ms"].asInt64() > 3600000)
            return fail("nonce_ms must be an integer from 1 to 3600000");
        m_responder.setNonceValidityMs(request["nonce_ms"].asInt());
    }
    out["port"] = m_port;
    out["nonce_ms"] = m_responder.nonceValidityMs();

    std::vector<int> ids;
    if (request.get("all", false).asBool()) {
        ids = m_store.ids();
    } else if (request.isMember("device")) {
        const Json::Value& sel = request["device"];
        std::string text = sel.isIntegral() ? std::to_string(sel.asLargestInt())
            : sel.isString()                ? sel.asString()
                                            : "";
        auto id = m_store.find(text);
        if (!id)
            return fail("no such device: " + (text.empty() ? std::string("(none given)") : text));
        ids.push_back(*id);
        out["device"] = *id;
    }
    for (int id : ids) {
        MulticastSwitches s
            = request.get("clear", false).asBool() ? MulticastSwitches {} : m_responder.switches(id);
        std::string why;
        if (!applySwitchesJson(s, request, &why))
            return fail(why);
        m_responder.setSwitches(id, s);
        if (ids.size() == 1)
            out["multicast"] = switchesToJson(s);
    }
    if (request.get("all", false).asBool())
        out["devices"] = int(ids.size());
    return out;
}

} // namespace devsim
