#pragma once
// WS-Security UsernameToken with password digest, as ONVIF devices check
// it: digest = Base64(SHA-1(nonce + created + password)), where the nonce is
// the raw bytes that the message carries in Base64 and `created` the UTC
// time text exactly as the message carries it. Shared by the client (which
// writes tokens) and the simulator (which checks them).
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vlsoap
{

std::string base64Encode(const std::uint8_t* data, std::size_t size);
std::string base64Encode(std::string_view bytes);
// Nothing for text that is not canonical padded Base64 (blanks around it
// are allowed).
std::optional<std::string> base64Decode(std::string_view text);

// Base64(SHA-1(nonce + created + password)).
std::string passwordDigest(std::string_view nonce, std::string_view created, std::string_view password);

// `size` bytes from the system's random source.
std::string randomBytes(std::size_t size);

// "2024-02-29T23:59:59Z".
std::string formatUtc(std::time_t when);
// An xs:dateTime in UTC ("Z", "+00:00" or no zone) with optional fractions
// of a second; nothing for any other text.
std::optional<std::time_t> parseUtc(std::string_view text);
// Seconds since 1970 of a UTC calendar time; nothing for fields out of range.
std::optional<std::time_t> utcTime(int year, int month, int day, int hour, int minute, int second);

} // namespace vlsoap
