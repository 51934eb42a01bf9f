#pragma once
// What devsim's web interface reads from a client, as pure functions of the
// bytes it got: the header block in the order sent, the JSON body, the HTTP
// Digest credentials, the session a request carries and the checks of a
// firmware upload. No sockets, no locks, no device store: tests and fuzz
// targets call them with any input.
#include "device.h"

#include <cstdint>
#include <json/value.h>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace devsim
{

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// The header lines of a request head (request line, headers, optional blank
// line) in the order sent: name and value, the value without the blanks
// around it. A header sent with an empty value ("X-csrftoken:") is kept with
// an empty value; lines without a colon are left out.
HeaderList parseHeaderBlock(std::string_view head);

// The value of the first header `name` (any case); nothing when absent, an
// empty text when sent empty.
std::optional<std::string> headerValue(const HeaderList& headers, std::string_view name);

// A request body as JSON: an empty (or blank) body reads as {}. False for
// anything that does not parse, or parses to something other than an object.
bool parseJsonBody(std::string_view body, Json::Value* out);

// The answer envelope of the web interface, compact:
// {"result":"success","data":{...}}.
std::string envelope(const std::string& result, const Json::Value& data);
// `body` with its top-level "result" replaced by `result`; a body that is no
// JSON object comes back as {"result": result}.
std::string withResult(std::string_view body, const std::string& result);

// The session a request carries: its whole Cookie header equals the
// session's cookie and its X-csrftoken header the session's token. Absent
// and empty headers carry none.
const WebSession* findWebSession(const std::vector<WebSession>& sessions, const HeaderList& headers);

// The members of an "Authorization: Digest ..." header.
struct DigestCredentials {
    std::string username;
    std::string realm;
    std::string nonce;
    std::string uri;
    std::string response;
    std::string qop;
    std::string nc;
    std::string cnonce;
    std::string algorithm;
    std::string opaque;
};
// Nothing when the header is not a Digest one or lacks username, realm,
// nonce, uri or response.
std::optional<DigestCredentials> parseDigestAuthorization(std::string_view header);
// The "response" a client with `password` sends for `method` (RFC 2617,
// MD5, with or without qop "auth").
std::string digestResponse(
    const DigestCredentials& c, const std::string& password, const std::string& method);

// What a device checks before it takes a firmware upload.
struct UploadExpectation {
    std::string token; // the upgrade token it handed out; empty: none pending
    std::uint64_t size = 0; // the announced size of the image
};
enum class UploadCheck {
    Ok,
    NoToken, // no X-Upgrade-Token, or none pending
    WrongToken,
    NoLength, // no Content-Length (or not a number)
    WrongSize, // Content-Length differs from the announced size
};
UploadCheck checkUpload(const HeaderList& headers, const UploadExpectation& expected);
const char* uploadCheckName(UploadCheck check);

} // namespace devsim
