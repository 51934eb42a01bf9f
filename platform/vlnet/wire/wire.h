#pragma once
// The wire protocol between the VLNet stand-in and the device simulator
// (PROTOCOL.md beside this folder): frame layout, command numbers and the
// login digest. Shared by both sides so that they cannot drift apart.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vlwire
{

// Frame header, 16 bytes, little-endian: magic "VLN1", command, flags,
// sequence, payload length.
constexpr std::size_t kHeaderSize = 16;
constexpr std::uint32_t kMaxPayload = 4u * 1024u * 1024u;
constexpr std::uint16_t kDefaultSessionPort = 9000;
constexpr std::uint16_t kProbePort = 9610;

enum Flag : std::uint16_t {
    kReply = 0x0001, // answers the request with the same sequence number
};

enum Command : std::uint16_t {
    kHello = 1, // device -> client on connect: JSON {proto, nonce, serial, mac}
    kLogin = 2, // JSON {user, digest, kind, flags} -> JSON {status, session, ...}
    kLogout = 3, // -> result; the device then closes the session
    kPing = 4, // keep-alive -> result
    kGetDevInfo = 5, // -> result + 1232-byte device record
    kSimpleCmd = 6, // 16-byte simple command -> result; asked messages follow
    kSetEvenCheck = 7, // int32 word -> result
    kMessage = 8, // device -> client: int32 message id + payload record
    kSetNewDevInfo = 9, // 64-byte user slot + sealed network-change record -> result; no login needed
    kPtzControl = 10, // int32 PTZ command + 44-byte PTZ record -> result
    kCapture = 11, // int32 channel + int32 picture format -> result + JPEG picture
    kSetParam = 14, // int32 message, channel, record size, count + the records -> result
    kQueryParam = 15, // QueryParam request (44 bytes) -> result + header + records
    kRemoteTest = 16, // int32 test command -> result; the device answers first, then acts
    kProbe = 64, // UDP: JSON filter -> JSON device description (one per device)
};

// Result word that starts every reply payload.
enum Result : std::int32_t {
    kOk = 0,
    kNotLoggedIn = -1,
    kBadRequest = -2,
    kUnknownCommand = -3,
    kUnsupported = -4,
    kRefused = -5, // the credentials of a sealed record do not hold
    kNoRight = -6, // the logged-in user may not do this
};

struct Header {
    std::uint16_t command = 0;
    std::uint16_t flags = 0;
    std::uint32_t sequence = 0;
    std::uint32_t length = 0;
};

// A whole frame ready to send.
std::vector<std::uint8_t> encode(std::uint16_t command, std::uint16_t flags, std::uint32_t sequence,
    const void* payload, std::size_t length);
std::vector<std::uint8_t> encode(
    std::uint16_t command, std::uint16_t flags, std::uint32_t sequence, const std::string& payload);
// A reply frame: the result word, then `data`.
std::vector<std::uint8_t> encodeReply(std::uint16_t command, std::uint32_t sequence, std::int32_t result,
    const void* data = nullptr, std::size_t length = 0);
std::vector<std::uint8_t> encodeReply(
    std::uint16_t command, std::uint32_t sequence, std::int32_t result, const std::string& data);

// Reads a header from 16 bytes. Empty when the magic is wrong or the length
// exceeds kMaxPayload: the peer does not speak this protocol and the
// connection must be dropped.
std::optional<Header> decodeHeader(const std::uint8_t* bytes);

void putU32(std::uint8_t* at, std::uint32_t v);
std::uint32_t getU32(const std::uint8_t* at);

// Proof of the password: hex SHA-256 over nonce ":" user ":" password. The
// password itself never travels.
std::string loginDigest(const std::string& nonce, const std::string& user, const std::string& password);

// The "response" of HTTP Digest (RFC 2617, MD5) with which the web login
// proves the password: with qop "auth" when `qop` is not empty (then `nc`
// and `cnonce` count), else the plain form. Both ends of the web login use
// it (platform/vlnet/web_login.h, devsim's web interface).
struct DigestInput {
    std::string user;
    std::string realm;
    std::string password;
    std::string method;
    std::string uri;
    std::string nonce;
    std::string nc;
    std::string cnonce;
    std::string qop;
};
std::string httpDigestResponse(const DigestInput& in);

// `n` random bytes as hex (OpenSSL's generator).
std::string randomHex(std::size_t n);

const char* commandName(std::uint16_t command);

// The request of a QUERY_PARAM frame, 44 bytes: the parameter message, the
// eight channel-mask words (channel c is bit c % 32 of word c / 32), the
// record size and the header size the client expects. The reply's data is
// the header, then one record per selected record in order.
struct QueryParam {
    std::int32_t message = 0;
    std::uint32_t mask[8] = {};
    std::uint32_t recordSize = 0;
    std::uint32_t headerSize = 0;
};
constexpr std::size_t kQueryParamSize = 44;
std::vector<std::uint8_t> encodeQueryParam(const QueryParam& q);
// Empty for a payload of another size.
std::optional<QueryParam> decodeQueryParam(const std::uint8_t* payload, std::size_t length);

// A record that carries a password travels sealed (PROTOCOL.md, "Sealed
// records"): AES-256-GCM under a key derived from the session's HELLO nonce
// and the password, so that only a peer that knows the password reads it.
// Nothing when a cipher step fails or, opening, when the record was sealed
// under another nonce or password.
std::optional<std::string> sealRecord(
    std::string_view nonce, std::string_view password, std::string_view record);
std::optional<std::string> openRecord(
    std::string_view nonce, std::string_view password, std::string_view sealed);

// The dotted text of an address kept as four numbers in text order (the
// records' address fields).
std::string ipv4Text(const std::uint8_t (&octets)[4]);

} // namespace vlwire
