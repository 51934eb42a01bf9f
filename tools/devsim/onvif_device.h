#pragma once
// What an ONVIF-capable simulated device answers, as pure functions of the
// request and the device's state: its WS-Discovery ProbeMatch and its device
// service (SOAP 1.2, WS-Security UsernameToken). No sockets, no store: the
// transports (onvif_discovery.h and the web server's path) call these and
// apply a network change through DeviceStore::setNetwork themselves.
#include "device.h"
#include "soap/discovery.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace devsim
{

// The path of the device service on the device's web port.
inline constexpr const char* kOnvifServicePath = "/onvif/device_service";

// "urn:uuid:..." of the device: a time-based UUID whose node is the MAC,
// stable for the device.
std::string onvifEndpoint(const Device& d);
// The device's ProbeMatch: its types, scopes (name, hardware, type) and the
// address of its device service on its web port.
vlsoap::ProbeMatch onvifProbeMatch(const Device& d);
// Whether the device answers `probe`: ONVIF-capable, and the probe asks for
// no types or only types it has, and for scopes that its own match.
bool answersProbe(const Device& d, const vlsoap::ProbeRequest& probe);

struct OnvifAnswer {
    int status = 200;
    std::string body;
    std::string operation; // the request's operation ("" when unreadable)
    std::string user; // the UsernameToken's user ("" when none)
    std::string outcome; // "ok", or what was refused, for the log
    // New network settings for DeviceStore::setNetwork (the device moves
    // once the answer has left).
    std::optional<Network> network;
};

// How far a token's Created time may be from the device's clock.
inline constexpr int kTokenWindowSeconds = 300;

// The answer of the device service of `d` to `request` (a SOAP body) at `now`.
OnvifAnswer answerDeviceService(std::string_view request, const Device& d, std::time_t now);

} // namespace devsim
