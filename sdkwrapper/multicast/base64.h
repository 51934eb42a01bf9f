#pragma once
// Base64 of the multicast discovery results and requests: device ids and key
// blobs cross the JSON boundary in standard Base64 (RFC 4648 alphabet, with
// padding, no line breaks).
#include <cstddef>
#include <string>
#include <string_view>

namespace vlsdk
{

// Decoded values are never longer than this; a longer result is cut.
constexpr std::size_t kBase64DecodeLimit = 1024;

// Encodes bytes on one line; no length limit. Empty gives empty.
std::string multicast_base64_encode(std::string_view bytes);

// Decodes text, keeping at most kBase64DecodeLimit bytes. Empty gives empty,
// and so does text that is not valid Base64 (a bad character, or a length
// that padding does not complete): a garbled id or key matches nothing
// rather than some prefix of it.
std::string multicast_base64_decode(std::string_view text);

} // namespace vlsdk
