#pragma once
// Devices as JSON: the state file (--devices, --state) and the control
// channel use the same keys (README of devsim: tools/devsim/README.md).
#include "device.h"

#include <json/value.h>
#include <string>
#include <vector>

namespace devsim
{

// The device's saved state; with `runtime` also what is not saved (online,
// sessions, web sessions, boots).
Json::Value deviceToJson(const Device& d, bool runtime);

// Applies the keys present in `v` to `d` (a partial update): users are
// merged by name ({"name": "x", "remove": true} removes one), "network" is
// merged key by key. False with `error` for a key of the wrong type; `d` may
// then be partly changed, so callers apply to a copy.
bool applyDeviceJson(Device& d, const Json::Value& v, std::string* error);
// Applies the keys present in `v` to one channel (name, online, abilities,
// abilities_ex, abilities_arr, alarms); `where` prefixes the key of an error.
bool applyChannelJson(Channel& ch, const Json::Value& v, std::string* error, const std::string& where);
// Applies a partial "network" object to `net`.
bool applyNetworkJson(Network& net, const Json::Value& v, std::string* error);
Json::Value networkToJson(const Network& net);
bool applyFaultsJson(Faults& f, const Json::Value& v, std::string* error);
Json::Value faultsToJson(const Faults& f);
// The clock and time settings ("time": zone, ntp, time_mode, date_mode,
// offset_ms).
bool applyTimeJson(TimeSettings& t, const Json::Value& v, std::string* error);
Json::Value timeToJson(const TimeSettings& t);

// The state file: {"version": 1, "devices": [...]}. Devices missing keys get
// those of generated device n (seed 1), so a file may give as little as an
// address. Throws std::runtime_error with a message naming the file and
// device on any error.
std::vector<Device> loadDevices(const std::string& path);
// Writes atomically (a temporary file renamed over the old one).
void saveDevices(const std::string& path, const std::vector<Device>& devices);

} // namespace devsim
