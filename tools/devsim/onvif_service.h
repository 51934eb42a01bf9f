#pragma once
// The ONVIF device service of devsim: the path "/onvif/device_service" of
// the web server on each ONVIF-capable device's web port (HTTP only: a port
// that speaks HTTPS cannot also serve plain SOAP). The answers are
// answerDeviceService's (onvif_device.h); this glue finds the device, notes
// the request and applies network changes through DeviceStore::setNetwork.
//
// A change that keeps the device where it is (gateway, mask, DHCP, other
// ports) applies at once. One that moves it (address or web port) applies
// kMoveDelayMs after the answer, as a real device answers first and then
// restarts its network: the answer leaves from where the request came, and
// until the move, requests see the settings that are about to apply.
#include "log.h"
#include "store.h"
#include "web_server.h"

#include <boost/asio/io_context.hpp>
#include <map>
#include <memory>
#include <mutex>

namespace devsim
{

class OnvifService
{
public:
    static constexpr int kMoveDelayMs = 200;

    OnvifService(boost::asio::io_context& io, DeviceStore& store, EventLog& log);
    // Adds the device-service path to `web` (before it starts).
    void addTo(WebServer& web);

private:
    WebAnswer handle(WebCall& call);
    void move(int id);

    boost::asio::io_context& m_io;
    DeviceStore& m_store;
    EventLog& m_log;
    std::mutex m_lock;
    std::map<int, Network> m_pending; // moves about to apply, by device
};

} // namespace devsim
