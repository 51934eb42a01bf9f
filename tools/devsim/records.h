#pragma once
// What a device sends, built from its state: the binary records of the
// VLNet protocol (byte-exact, little-endian) and the JSON texts of an HTTP
// login and of the probe.
#include "device.h"
#include "vlnet.h"

#include <cstdint>
#include <json/value.h>
#include <string>
#include <vector>

namespace devsim
{

// The 1232-byte device-information record as `user` sees it (rights).
VLNET_DEVICE_INFO deviceInfoRecord(const Device& d, const User* user);
// The payload of message 611: one 312-byte record per channel.
std::vector<std::uint8_t> channelStatusMessage(const Device& d);
// The payload of message 610: the 2220-byte all-status record.
std::vector<std::uint8_t> allStatusMessage(const Device& d);
// The device-information and channel-information texts of an HTTP login,
// as the device's web interface answers them: {"data": {...}}.
Json::Value httpDeviceInfo(const Device& d);
Json::Value httpChannelInfo(const Device& d);
// The probe answer: the device's identity and network settings.
Json::Value probeDescription(const Device& d);

// Copies `text` into a fixed slot; a text that fills the slot has no NUL.
void putText(char* slot, std::size_t size, const std::string& text);

} // namespace devsim
