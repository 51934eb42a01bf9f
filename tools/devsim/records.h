#pragma once
// What a device sends, built from its state: the binary records of the
// VLNet protocol (byte-exact, little-endian) and the JSON texts of an HTTP
// login and of the probe.
#include "device.h"
#include "vlnet.h"
#include "vlnet_messages.h"

#include <cstdint>
#include <json/value.h>
#include <optional>
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
// A device message: its id and payload.
struct DeviceMessage {
    std::int32_t id = 0;
    std::vector<std::uint8_t> data;
};
// The message that reports the state of alarm `type` (kAlarmTypes) of a
// channel, built from the device's state: the alarm records of
// vlnet_messages.h in the form the device's record announces (the long
// record when "GetAlarmChns" is set). Nothing for an unknown type or
// channel.
std::optional<DeviceMessage> alarmMessage(const Device& d, int channel, const std::string& type);
// The device-information and channel-information texts of an HTTP login,
// as the device's web interface answers them: {"data": {...}}.
Json::Value httpDeviceInfo(const Device& d);
Json::Value httpChannelInfo(const Device& d);
// The probe answer: the device's identity and network settings.
Json::Value probeDescription(const Device& d);

// Copies `text` into a fixed slot; a text that fills the slot has no NUL.
void putText(char* slot, std::size_t size, const std::string& text);

} // namespace devsim
