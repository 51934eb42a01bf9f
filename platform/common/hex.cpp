#include "common/hex.h"

namespace vlhex
{

std::string to_hex(const void* data, std::size_t length)
{
    static const char digits[] = "0123456789abcdef";
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::string out;
    out.reserve(length * 2);
    for (std::size_t i = 0; i < length; ++i) {
        out.push_back(digits[p[i] >> 4]);
        out.push_back(digits[p[i] & 15]);
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> from_hex(std::string_view text)
{
    if (text.size() % 2)
        return std::nullopt;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::vector<std::uint8_t> out(text.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int hi = nibble(text[2 * i]);
        const int lo = nibble(text[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out[i] = std::uint8_t(hi * 16 + lo);
    }
    return out;
}

} // namespace vlhex
