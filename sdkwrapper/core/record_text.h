#pragma once
// Texts in the fixed slots of the network SDK's records.
#include <cstddef>
#include <cstring>
#include <string>

namespace vlsdk
{

// A slot's text: up to its first NUL, or the whole slot when it has none.
inline std::string slot_text(const char* slot, size_t size)
{
    return std::string(slot, strnlen(slot, size));
}

template <size_t N> std::string slot_text(const char (&slot)[N])
{
    return slot_text(slot, N);
}

// True when the text begins with an ASCII letter or digit: the test that
// screens device texts which may hold garbage when the device has none.
inline bool starts_with_ascii_alnum(const std::string& text)
{
    if (text.empty())
        return false;
    const char c = text[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

} // namespace vlsdk
