#pragma once
// Small helpers the fuzz targets share: taking an input apart, and the
// check every text the tree hands a caller must pass.
#include "common/json.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace vlfuzz
{

// Reads an input front to back; past its end every read gives zeros.
class Input
{
public:
    Input(const std::uint8_t* data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    bool empty() const { return m_at >= m_size; }
    std::uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    // Two statements: the order of the two reads inside one expression is
    // unspecified, and an input must mean the same on every compiler.
    std::uint16_t u16()
    {
        const unsigned low = byte();
        const unsigned high = byte();
        return std::uint16_t(low | (high << 8));
    }
    // The next n bytes (fewer at the end).
    std::string bytes(std::size_t n)
    {
        n = std::min(n, m_size - std::min(m_at, m_size));
        std::string out(reinterpret_cast<const char*>(m_data) + m_at, n);
        m_at += n;
        return out;
    }
    // A piece whose length is the next 16-bit word.
    std::string piece() { return bytes(u16()); }
    std::string rest() { return bytes(m_size); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// A JSON text handed on must parse and be valid UTF-8; anything else is a
// finding.
inline void check_output_json(const char* text)
{
    if (!text)
        return;
    Json::Value v;
    if (!vljson::is_valid_utf8(text) || !vljson::parse(std::string_view(text), v))
        std::abort();
}

} // namespace vlfuzz
