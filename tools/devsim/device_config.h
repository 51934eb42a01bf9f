#pragma once
// A simulated device's configuration, one per device, as it leaves the
// device and comes back: over VLNet (EXPORT_BACKUP and PARAM_IMPORT,
// platform/vlnet/PROTOCOL.md, "Configuration transfer") and over the web
// interface ("/API/Maintenance/ParamManagement/Get" and "/Set").
//
// The configuration is built from the device's state: its name, video
// format, channel names and parameter store, as compact JSON marked
// {"config": "devsim", "version": 1, ...}. It names no account, holds no
// password and nothing that tells one device from another (address, MAC,
// serial, keys), so the configuration of one device loads into another of
// the same kind. An import replaces those settings whole: the device then
// exports what it was given. A text that is not such a configuration, or
// that does not fit the device (a channel count other than its own), is
// refused and changes nothing.
//
// Pure functions over the store; any thread.
#include "store.h"
#include "web_server.h"

#include <cstdint>
#include <json/value.h>
#include <string>
#include <vector>

namespace devsim
{

// The configuration data of `d`.
std::string configData(const Device& d);
// Applies configuration data to `d` (a copy: on failure it may be partly
// changed); false with `error` when the data is no configuration of this
// device.
bool applyConfigData(Device& d, const std::string& data, std::string* error);

// EXPORT_BACKUP for the logged-in `user`: the 40-byte head (size, length,
// the device's name) and the data into `block`. kNoRight without the
// settings right.
std::int32_t exportBackup(
    DeviceStore& store, int id, const std::string& user, Json::Value& note, std::vector<std::uint8_t>& block);
// PARAM_IMPORT: the head, then exactly `length` bytes of data. kBadRequest
// for another shape or data the device cannot read, kNoRight without the
// settings right.
std::int32_t paramImport(DeviceStore& store, int id, const std::string& user,
    const std::vector<std::uint8_t>& payload, Json::Value& note);

// The configuration as the web interface sends it: Base64, in lines of 76
// characters ended by CR LF.
std::string webConfigText(const std::string& data);
// Its reverse; white space anywhere is skipped. Empty for text that is no
// Base64.
std::string webConfigData(const std::string& text);

// "/API/Maintenance/ParamManagement/Get" and "/Set": both need the second
// authentication ("base_secondary_authentication", or a
// "base_enc_password" holding the current password of the session's user);
// Get answers `data.param`, Set reads `data.param` and answers success once
// the device has taken it ("invalid_param" for what it cannot read,
// "auth_failed" without the authentication).
void addConfigPaths(WebServer& web);

} // namespace devsim
