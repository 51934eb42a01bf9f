#pragma once
// What a device's web interface answers the stand-in's web login
// (PROTOCOL.md, "Web logins"), read without a socket, and the Digest
// credentials the login sends. Every reader takes the bytes as they came and
// never throws for any content: whatever answers on the address a user
// typed controls them.
#include "vlnet.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vlnet
{

// A "WWW-Authenticate: Digest ..." challenge.
struct DigestChallenge {
    std::string realm;
    std::string nonce;
    std::string qop; // "auth" when the device offers it, else empty
    std::string opaque;
    std::string algorithm;
};
// Nothing when the header is no Digest challenge, lacks realm or nonce, or
// asks for an algorithm other than MD5.
std::optional<DigestChallenge> readDigestChallenge(std::string_view header);

// The "Authorization" header that answers `challenge` for a request of
// `method` to `uri`, with the client nonce `cnonce` (nonce count 1).
std::string digestAuthorization(const DigestChallenge& challenge, const std::string& user,
    const std::string& password, const std::string& method, const std::string& uri,
    const std::string& cnonce);

// The first "name=value" pair of a Set-Cookie header, as a Cookie header
// sends it back; empty when there is none.
std::string cookieOf(std::string_view setCookie);

// What the device tells before a login ("/API/Login/Range").
struct LoginRange {
    int httpPort = 0; // 0 when not told
    int httpsPort = 0; // 0: no HTTPS
    bool activated = true;
    std::int8_t passwordEncryption = 0;
    std::int8_t supportRecoverPassword = 0;
    std::int8_t useRecoverPassword = 0;
    bool syncActivationPassword = false;
};
// Nothing unless the body is the envelope with "result" "success"; members
// of another type or out of range keep their defaults.
std::optional<LoginRange> readLoginRange(std::string_view body);

// The outcome of a login answer ("/API/Web/Login") with credentials.
struct WebLoginResult {
    bool success = false; // the device opened a web session
    // Otherwise the VLNet status the refusal means (103 wrong password,
    // 104 unknown user, 110 disabled, 153 locked, 154 not activated, 161 no
    // web login, or the status of a refusal that names one); 0 when the
    // answer says nothing a caller could act on (a failed attempt).
    int status = 0;
};
WebLoginResult readWebLogin(int httpStatus, std::string_view body);

// The "data" of a success answer as the text a caller gets with an HTTP
// login: {"data": {...}}, compact. Nothing unless the body is a success
// envelope whose "data" is an object.
std::optional<std::string> readDataText(std::string_view body);

// The device-information record of "/API/Login/DeviceRecord/Get": "data"
// ."record" as hex of exactly the record's size. False leaves `out` alone.
bool readDeviceRecord(std::string_view body, VLNET_DEVICE_INFO* out);

} // namespace vlnet
