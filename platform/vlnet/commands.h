#pragma once
// The stand-in's device commands beyond the login: the network change (a
// session of its own, without a login), the snapshot, PTZ and parameter
// writes (requests of a logged-in session). PROTOCOL.md gives their frames.
#include "runtime.h"
#include "session.h"
#include "vlnet.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vlnet
{

// Sends the network change to the device at info.original_ip and waits for
// its answer: 1 when the device took it, else 0 (the reason is logged).
// Runs on the caller's thread with its own socket, bounded by the
// settings' connect and reply times.
int setNewDevInfo(const VLNET_NEW_DEV_INFO& info, const Settings& settings);

// The payload of a SET_NEW_DEV_INFO frame: the record's user slot in clear
// (the device picks the password to open the record by it), then the
// record sealed under the HELLO nonce and the record's password. Nothing
// when the record has no password (nothing to seal it with).
std::optional<std::vector<std::uint8_t>> newDevInfoPayload(
    const VLNET_NEW_DEV_INFO& info, const std::string& nonce);

// 1 accepted, 2 the device refuses PTZ to this user, 0 anything else.
int ptzControl(Session& session, int command, const VLNET_PTZ_CONTROL& control);

// Asks the device for a picture of the channel and writes it to the
// record's picture name. 1 when the file is written whole, else 0.
int capture(Session& session, const VLNET_CAPTURE& capture);

// The payload of a SET_PARAM frame: message, channel, record size and count,
// then the records. Nothing for a request the frame cannot carry (kind not
// 216, no record, a size or count below 1, more than a frame holds).
std::optional<std::vector<std::uint8_t>> setParamPayload(const VLNET_SET_PARAM_EX& request);
// Writes parameter records to the device: 1 when it took them, else 0.
int setParam(Session& session, const VLNET_SET_PARAM_EX& request);

// The parameter messages the stand-in knows by their sizes (vlnet.h,
// VLNET_PARAM_*): the header (0: none) and the record. Null for another
// message.
struct ParamMessageSize {
    int message;
    std::uint32_t headerSize;
    std::uint32_t recordSize;
};
const ParamMessageSize* paramMessageSize(int message);

// VLNetQueryParam, VLNetQueryParamEx, VLNetSetParam and VLNetRemoteTest on a
// logged-in session: 1 done, 2 the device refuses it to this user, 0
// anything else (the reason is logged). The queries' callbacks run on the
// caller's thread before they return; the remote test's callback on the
// connection's callback thread once the device has accepted the command.
int queryParam(Session& session, const VLNET_QUERY_PARAM& request);
int queryParamEx(Session& session, const VLNET_QUERY_PARAM_EX& request);
int setParam(Session& session, const VLNET_SET_PARAM& request);
int remoteTest(Session& session, const VLNET_REMOTE_TEST& request);

} // namespace vlnet
