#include "core/copy_out.h"

#include "vl_sdk_wrapper.h"

#include <cstring>

namespace vlsdk
{

int check_out_buffer(const char* out, int size)
{
    return (!out && size > 0) ? vl_invalid_argument : vl_success;
}

int copy_out(const std::string& text, char* out, int size)
{
    if (check_out_buffer(out, size) != vl_success)
        return vl_invalid_argument;
    if (text.empty() || size <= 0 || text.size() >= static_cast<size_t>(size))
        return vl_buffer_too_small;
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return vl_success;
}

int clear_out_buffer(char* out, int size)
{
    if (!out || size <= 0)
        return vl_invalid_argument;
    std::memset(out, 0, static_cast<size_t>(size));
    return vl_success;
}

} // namespace vlsdk
