#pragma once
// The device side of the session commands beyond the login
// (platform/vlnet/PROTOCOL.md): the network change, which needs no login
// because its sealed record carries the credentials, PTZ, the snapshot and
// parameter writes.
// Each reads the request bounded (two writers fill the network-change
// record: the wrapper and the program), changes the device through the
// store, fills `note` with what the device read for its `received` list and
// returns the reply's result word.
#include "store.h"

#include <cstdint>
#include <json/value.h>
#include <string>
#include <vector>

namespace devsim
{

// SET_NEW_DEV_INFO: the 64-byte user slot, then the record sealed under the
// session's HELLO nonce and that user's password. kRefused when the user,
// the password or the MAC does not hold, kNoRight without the settings
// right, kBadRequest for a payload of another shape or settings the device
// refuses (no address, a zero port, an address mode it does not know); kOk
// once the device has moved.
std::int32_t networkChange(DeviceStore& store, int id, const std::string& nonce,
    const std::vector<std::uint8_t>& payload, Json::Value& note);

// PTZ_CONTROL: the command word, then the 44-byte PTZ record, for the
// logged-in `user`. kUnsupported for a command number the device does not
// know, kBadRequest for a channel it does not have, kNoRight without the PTZ
// right.
std::int32_t ptzControl(DeviceStore& store, int id, const std::string& user,
    const std::vector<std::uint8_t>& payload, Json::Value& note);

// CAPTURE: the channel and picture-format words; the picture (JPEG) into
// `picture` on kOk. kBadRequest for a channel the device does not have,
// kNoRight without the preview right.
std::int32_t capture(DeviceStore& store, int id, const std::string& user,
    const std::vector<std::uint8_t>& payload, Json::Value& note, std::vector<std::uint8_t>& picture);

// SET_PARAM: the message, channel, record size and count words, then the
// records, for the logged-in `user`, through the message's row in the
// registry of parameter messages (param_messages.h). kUnsupported for a
// message the device does not write, kBadRequest for another shape, size,
// count or channel (a structure: one record, channel 0) or records the row
// refuses, kNoRight without the settings right.
std::int32_t setParam(DeviceStore& store, int id, const std::string& user,
    const std::vector<std::uint8_t>& payload, Json::Value& note);

} // namespace devsim
