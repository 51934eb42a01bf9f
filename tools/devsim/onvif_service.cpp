#include "onvif_service.h"

#include "onvif_device.h"
#include "soap/envelope.h"

#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <ctime>

namespace devsim
{

namespace asio = boost::asio;

OnvifService::OnvifService(asio::io_context& io, DeviceStore& store, EventLog& log)
    : m_io(io)
    , m_store(store)
    , m_log(log)
{
}

void OnvifService::addTo(WebServer& web)
{
    WebPath p;
    p.needsSession = false; // WS-Security inside the message instead
    p.json = false;
    p.httpOnly = true;
    p.handle = [this](WebCall& call) { return handle(call); };
    web.addPath(kOnvifServicePath, std::move(p));
}

WebAnswer OnvifService::handle(WebCall& call)
{
    bool onvif = false;
    bool moving = false;
    OnvifAnswer a;
    const std::time_t now = std::time(nullptr);
    {
        std::lock_guard<std::mutex> hold(m_lock);
        auto pending = m_pending.find(call.device);
        m_store.read(call.device, [&](const Device& d) {
            onvif = d.onvif;
            if (!onvif)
                return;
            if (pending == m_pending.end()) {
                a = answerDeviceService(call.body, d, now);
                return;
            }
            Device next = d;
            next.net = pending->second;
            a = answerDeviceService(call.body, next, now);
        });
        if (!onvif)
            return WebAnswer::failure("not_found", 404);
        if (a.network) {
            // Checked here, so that the answer does not promise what the
            // store would refuse later.
            std::string clash = m_store.portClash(call.device, *a.network);
            if (!clash.empty()) {
                a.body = vlsoap::faultEnvelope("Sender", "ter:InvalidArgVal ter:PortAlreadyInUse", clash);
                a.status = 400;
                a.outcome = clash;
                a.network.reset();
            }
        }
        if (a.network) {
            std::string ip;
            std::uint16_t webPort = 0;
            m_store.read(call.device, [&](const Device& d) {
                ip = d.net.ip;
                webPort = d.net.webPort;
            });
            moving = pending != m_pending.end() || a.network->ip != ip || a.network->webPort != webPort;
            if (moving)
                m_pending[call.device] = *a.network;
        }
    }
    call.note["onvif"] = a.operation;
    call.note["user"] = a.user;
    call.note["outcome"] = a.outcome;
    m_log.device(call.device, call.ip,
        "onvif " + (a.operation.empty() ? std::string("?") : a.operation)
            + (a.user.empty() ? std::string() : " as " + a.user) + ": " + a.outcome);
    if (a.network && !moving) {
        std::string error;
        if (!m_store.setNetwork(call.device, *a.network, &error))
            m_log.device(call.device, call.ip, "onvif change refused: " + error);
    } else if (moving) {
        const int id = call.device;
        asio::post(m_io, [this, id] {
            auto timer = std::make_shared<asio::steady_timer>(m_io, std::chrono::milliseconds(kMoveDelayMs));
            timer->async_wait([this, timer, id](boost::system::error_code ec) {
                if (!ec)
                    move(id);
            });
        });
    }
    return WebAnswer::text(a.status, a.body, "application/soap+xml; charset=utf-8");
}

void OnvifService::move(int id)
{
    Network net;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        auto it = m_pending.find(id);
        if (it == m_pending.end())
            return; // a later request's move applied it already
        net = it->second;
        m_pending.erase(it);
    }
    std::string error;
    if (!m_store.setNetwork(id, net, &error))
        m_log.device(id, net.ip, "onvif move refused: " + error);
}

} // namespace devsim
