#pragma once
// PTZ control of a logged-in device: a JSON request becomes one PTZ command
// number and one 44-byte PTZ record, sent on the connection's login handle.
// vl_ptz_control takes the classic commands (moves, zoom, focus, iris,
// scans, presets, cruises), vl_new_ptz_control the steps and positions of
// devices with the new-style PTZ ability. Neither keeps state.
//
// They run on the caller's thread and take no lock; they read only the
// connection's login handle and label.
#include "core/connection.h"
#include "vlnet.h"

#include <cstdint>
#include <json/value.h>

namespace vlsdk
{

// The most presets a cruise takes.
constexpr int kMaxCruisePresets = 32;

// One command as the request gives it; command 0 names none (refused).
struct ptz_request {
    int command = 0;
    int32_t channel = 0;
    VLNET_PTZ_CONTROL record {};
    const char* log_name = ""; // the operation's name in the log line
};

// The request of vl_ptz_control: false when a member has a value of the
// wrong type. An unknown "ptz type" or "operation", or a preset count
// outside 0 to 32, leaves the command 0.
bool read_ptz_request(const Json::Value& request, ptz_request& out);
// The request of vl_new_ptz_control, in the same way.
bool read_new_ptz_request(const Json::Value& request, ptz_request& out);

// The exports' bodies, for the device `dev` (for the log), its PTZ context
// and its connection: 0 when the device accepted the command, vl_no_right
// when it refused it for this user, vl_fail for any other failure,
// vl_parse_json_error for a request that does not parse or has values of
// the wrong type, vl_parse_ptz_param_error for an unknown command, a
// negative channel or a connection without a login handle (nothing sent).
int ptz_control(const void* dev, const void* context, const char* json, const connection& conn);
int new_ptz_control(const void* dev, const void* context, const char* json, const connection& conn);

} // namespace vlsdk
