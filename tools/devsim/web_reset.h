#pragma once
// Restoring defaults over devsim's web interface (device_reset.h does the
// reset itself, for VLNet's message 521 too):
//
//   "/API/Maintenance/Reset/Range"  (session) what the device can reset: each
//                                   of kResetItems, {"type":"boolean"} when
//                                   offered ("secondary_authentication": true)
//                                   and null when not; "factory_type":
//                                   {"type":"string","items":[...]} when the
//                                   device has factory-reset types
//   "/API/Maintenance/Reset/Set"    (session) {"data":{items as booleans,
//                                   "except_network_param", or "factory_type",
//                                   "base_secondary_authentication"}}: the
//                                   second authentication is checked (a device
//                                   that offers "secondary_authentication"
//                                   refuses without it: 403
//                                   "secondary_auth_failed"); 400
//                                   "invalid_param" for an item that is no
//                                   boolean or a factory type the device does
//                                   not have; then success, and the reset.
//                                   A body without "version" is the
//                                   program's factory reset (its
//                                   video-format page sends it so, with
//                                   "factory_type" or the nine items): any
//                                   reset it names also returns the
//                                   network and the accounts, so that the
//                                   device comes back not activated at its
//                                   factory address
//
// Threads: handlers run on the web server's threads and change devices
// through the store.
#include "device_reset.h"
#include "log.h"
#include "store.h"
#include "web_server.h"

namespace devsim
{

class WebReset
{
public:
    static constexpr const char* kRangePath = "/API/Maintenance/Reset/Range";
    static constexpr const char* kSetPath = "/API/Maintenance/Reset/Set";

    // `rebootMs`: how long the reboot after a reset keeps a device away.
    WebReset(DeviceStore& store, EventLog& log, int rebootMs);
    WebReset(const WebReset&) = delete;
    WebReset& operator=(const WebReset&) = delete;

    // Adds the paths above to `web` (before it starts).
    void addTo(WebServer& web);

    // The parts, for tests without a network.
    // The "data" of Reset/Range for device `id` (null for a bad id).
    Json::Value range(int id) const;
    WebAnswer set(WebCall& call);
    // Whether a Reset/Set body is the program's factory reset (no
    // "version"), and what that adds to the order it names.
    static bool isFactoryResetBody(const Json::Value& body);
    static void asFactoryReset(ResetOrder& order, Json::Value& note);

private:
    DeviceStore& m_store;
    EventLog& m_log;
    const int m_rebootMs;
};

} // namespace devsim
