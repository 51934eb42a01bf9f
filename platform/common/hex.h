#pragma once
// Bytes as lower-case hex and back, for the whole tree.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vlhex
{

std::string to_hex(const void* data, std::size_t length);
inline std::string to_hex(std::string_view bytes)
{
    return to_hex(bytes.data(), bytes.size());
}
// Empty optional for an odd length or a character that is no hex digit
// (either case is accepted).
std::optional<std::vector<std::uint8_t>> from_hex(std::string_view text);

} // namespace vlhex
