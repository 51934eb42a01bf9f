#include "soap/address.h"

#include <cctype>
#include <cstdio>

namespace vlsoap
{

std::optional<std::array<std::uint8_t, 4>> ipv4Bytes(std::string_view text)
{
    std::array<std::uint8_t, 4> out {};
    std::size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (i >= text.size() || text[i] != '.')
                return std::nullopt;
            ++i;
        }
        const std::size_t start = i;
        int v = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 3)
            v = v * 10 + (text[i++] - '0');
        if (i == start || v > 255 || (i - start > 1 && text[start] == '0'))
            return std::nullopt;
        out[std::size_t(part)] = std::uint8_t(v);
    }
    if (i != text.size())
        return std::nullopt;
    return out;
}

std::string ipv4Text(const std::uint8_t bytes[4])
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
    return buf;
}

std::optional<int> maskPrefix(const std::uint8_t mask[4])
{
    const std::uint32_t m
        = std::uint32_t(mask[0]) << 24 | std::uint32_t(mask[1]) << 16 | std::uint32_t(mask[2]) << 8 | mask[3];
    int prefix = 0;
    while (prefix < 32 && (m & (0x80000000u >> prefix)))
        ++prefix;
    const std::uint32_t expected = prefix == 0 ? 0 : 0xFFFFFFFFu << (32 - prefix);
    if (m != expected)
        return std::nullopt;
    return prefix;
}

void prefixMask(int prefix, std::uint8_t mask[4])
{
    const std::uint32_t m = prefix <= 0 ? 0 : (prefix >= 32 ? 0xFFFFFFFFu : 0xFFFFFFFFu << (32 - prefix));
    mask[0] = std::uint8_t(m >> 24);
    mask[1] = std::uint8_t(m >> 16);
    mask[2] = std::uint8_t(m >> 8);
    mask[3] = std::uint8_t(m);
}

std::optional<XAddr> parseXAddr(std::string_view url)
{
    XAddr x;
    const auto sep = url.find("://");
    if (sep == std::string_view::npos)
        return std::nullopt;
    for (char c : url.substr(0, sep))
        x.scheme += char(std::tolower(static_cast<unsigned char>(c)));
    if (x.scheme != "http" && x.scheme != "https")
        return std::nullopt;
    std::string_view rest = url.substr(sep + 3);
    const auto slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    x.path = slash == std::string_view::npos ? "/" : std::string(rest.substr(slash));
    if (const auto at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    std::string_view portText;
    if (!authority.empty() && authority.front() == '[') {
        const auto close = authority.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        x.host = std::string(authority.substr(1, close - 1));
        std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':')
                return std::nullopt;
            portText = after.substr(1);
        }
    } else {
        const auto colon = authority.rfind(':');
        x.host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos)
            portText = authority.substr(colon + 1);
    }
    if (x.host.empty())
        return std::nullopt;
    x.port = x.scheme == "https" ? 443 : 80;
    if (!portText.empty()) {
        int v = 0;
        for (char c : portText) {
            if (c < '0' || c > '9' || v > 65535)
                return std::nullopt;
            v = v * 10 + (c - '0');
        }
        if (v < 1 || v > 65535)
            return std::nullopt;
        x.port = v;
    }
    return x;
}

} // namespace vlsoap
