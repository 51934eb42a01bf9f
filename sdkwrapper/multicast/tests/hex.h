#pragma once
// Byte strings written as hex in the tests ("0a ff" or "0aff").
#include <cctype>
#include <string>
#include <string_view>

inline std::string unhex(std::string_view text)
{
    auto nibble = [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c | 0x20) - 'a' + 10;
    };
    std::string out;
    int high = -1;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c)))
            continue;
        if (high < 0) {
            high = nibble(c);
        } else {
            out.push_back(static_cast<char>(high << 4 | nibble(c)));
            high = -1;
        }
    }
    return out;
}

inline std::string hex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}
