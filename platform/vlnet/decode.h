#pragma once
// What a device sends the stand-in, decoded without a socket: the greeting,
// the login answer, device messages and replies. Every function takes the
// bytes as they came off the wire and never throws for any content; a
// device (or whatever answers on the address a user typed) controls them.
#include "vlnet.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vlnet
{

using Bytes = std::vector<std::uint8_t>;

// The nonce of a HELLO; empty when the greeting is no JSON object with a
// text "nonce".
std::optional<std::string> helloNonce(const Bytes& payload);

// A LOGIN reply: the result word, then a JSON object with at least an
// integer "status". Members of another type or out of range count as
// missing.
struct LoginAnswer {
    int status = 0;
    bool http = false; // the answer describes a web login ("http_port" readable)
    std::int32_t httpPort = 0;
    bool https = false;
    std::int8_t passwordEncryption = 0;
    std::int8_t supportRecoverPassword = 0;
    std::int8_t useRecoverPassword = 0;
    std::string token;
    std::string cookie;
    std::string protocol = "http";
    bool activationPassword = false;
    bool syncActivationPassword = false;
    std::string deviceInfo; // compact JSON of "device_info", empty when absent
    std::string channelInfo; // compact JSON of "channel_info", empty when absent
};
std::optional<LoginAnswer> readLoginAnswer(const Bytes& payload);

bool isLoginSuccess(int status);

// Where the session went and who logged in, for the web-login record.
struct SessionPlace {
    std::string realAddress; // as the caller gave it
    std::string address; // the address the session reached
    std::uint16_t port = 0; // the port it reached
    std::string user;
};
// The record the caller reads after a login; zero-filled first.
void fillHttpRecord(const LoginAnswer& answer, const SessionPlace& place, VLNET_HTTP_DEVICE_INFO& out);

// A MESSAGE frame's payload: the message id word, then its record.
struct DeviceMessage {
    std::int32_t id = 0;
    Bytes data;
};
std::optional<DeviceMessage> readMessage(const Bytes& payload);

// A reply's payload: the result word, then its data.
struct Reply {
    std::int32_t result = 0;
    Bytes data;
};
std::optional<Reply> readReply(const Bytes& payload);

// The data of a QUERY_PARAM reply: `headerSize` header bytes, then whole
// records of `recordSize` bytes. Empty when the data has another size (a
// record cut short, a missing header) or `recordSize` is 0; the caller then
// calls none of its callbacks.
struct ParamRecords {
    const std::uint8_t* header = nullptr; // null when headerSize is 0
    const std::uint8_t* records = nullptr; // `count` records back to back
    std::size_t count = 0;
    std::size_t recordSize = 0;
    const std::uint8_t* record(std::size_t i) const { return records + i * recordSize; }
};
std::optional<ParamRecords> readParamRecords(
    const Bytes& data, std::size_t headerSize, std::size_t recordSize);

} // namespace vlnet
