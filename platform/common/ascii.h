#pragma once
// ASCII texts compared without regard to case, as HTTP header names and the
// tokens of an authentication header are.
#include <cctype>
#include <cstddef>
#include <string_view>

namespace vlascii
{

inline bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace vlascii
