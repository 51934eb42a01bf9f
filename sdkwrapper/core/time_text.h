#pragma once
// Date-time texts at the library boundary: "%04d-%02d-%02d %02d:%02d:%02d"
// (year, month, day, hour, minute, second) in UTC. The player counts time in
// microseconds since 1970-01-01 00:00:00 UTC.
#include "vlnet.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

// The 8-byte date-time of recording records, requests and playback
// positions: the network SDK's own record.
using record_time = VLNET_TIME;

// Reads "year-month-day hour:minute:second": the first '-', the next '-'
// after it, the next ' ' after that, then two ':'. A null or empty text, a
// separator missing or a separator standing last gives -1 and out is left
// alone. Otherwise the six pieces are read as decimal integers (leading
// digits; none gives 0), stored truncated to the field widths without range
// checks (reserved is not touched), and the result is 0.
int parse_time_string(const char* text, record_time* out);

// Microseconds to text without rounding (whole seconds, truncated).
std::string format_time_ms(uint64_t microseconds);
// The same into a caller buffer (always NUL-terminated when size > 0).
void format_time_ms(char* out, size_t size, uint64_t microseconds);

namespace vlsdk
{

// Nearest whole second of a microsecond count: (t + 500000) / 1000000.
uint64_t round_us_to_seconds(uint64_t microseconds);
// Nearest millisecond of a microsecond count: (t + 500) / 1000.
uint64_t round_us_to_ms(uint64_t microseconds);
// UTC text of a count of seconds since 1970 (negative counts go before it).
std::string format_utc_seconds(int64_t seconds);
// UTC text of a microsecond count rounded to the nearest second, as the
// exports show player times.
std::string format_time_rounded(uint64_t microseconds);

// The local calendar time now (for the log line prefix).
std::tm local_now();

} // namespace vlsdk
