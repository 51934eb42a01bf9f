#include "core/time_text.h"

#include <cstdio>
#include <cstring>

namespace
{

// Days since 1970-01-01 to a proleptic Gregorian date; exact for every
// count, without the C library's time_t limits or its time-zone state.
void civil_from_days(int64_t days, int64_t& year, unsigned& month, unsigned& day)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
}

// Leading decimal digits of [p, end), after optional blanks and a sign, as
// the C library's text-to-integer conversion reads them; no digits gives 0.
long read_decimal(const char* p, const char* end)
{
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    unsigned long value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        if (value < 100000000UL) // far beyond any field; keeps the sum in range
            value = value * 10 + static_cast<unsigned long>(*p - '0');
    }
    return negative ? -static_cast<long>(value) : static_cast<long>(value);
}

} // namespace

int parse_time_string(const char* text, record_time* out)
{
    if (!text || !*text || !out)
        return -1;
    const char* end = text + std::strlen(text);
    const char seps[5] = { '-', '-', ' ', ':', ':' };
    const char* at[5];
    const char* from = text;
    for (int i = 0; i < 5; ++i) {
        const char* hit
            = static_cast<const char*>(std::memchr(from, seps[i], static_cast<size_t>(end - from)));
        if (!hit || hit + 1 == end)
            return -1;
        at[i] = hit;
        from = hit + 1;
    }
    out->year = static_cast<uint16_t>(read_decimal(text, at[0]));
    out->month = static_cast<uint8_t>(read_decimal(at[0] + 1, at[1]));
    out->day = static_cast<uint8_t>(read_decimal(at[1] + 1, at[2]));
    out->hour = static_cast<uint8_t>(read_decimal(at[2] + 1, at[3]));
    out->minute = static_cast<uint8_t>(read_decimal(at[3] + 1, at[4]));
    out->second = static_cast<uint8_t>(read_decimal(at[4] + 1, end));
    return 0;
}

std::string format_time_ms(uint64_t microseconds)
{
    return vlsdk::format_utc_seconds(static_cast<int64_t>(microseconds / 1000000u));
}

void format_time_ms(char* out, size_t size, uint64_t microseconds)
{
    if (!out || size == 0)
        return;
    std::snprintf(out, size, "%s", format_time_ms(microseconds).c_str());
}

namespace vlsdk
{

uint64_t round_us_to_seconds(uint64_t microseconds)
{
    // (t + 500000) / 1000000 without overflowing near the top of the range.
    return microseconds / 1000000u + (microseconds % 1000000u >= 500000u ? 1u : 0u);
}

uint64_t round_us_to_ms(uint64_t microseconds)
{
    return microseconds / 1000u + (microseconds % 1000u >= 500u ? 1u : 0u);
}

std::string format_utc_seconds(int64_t seconds)
{
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int64_t year = 0;
    unsigned month = 0, day = 0;
    civil_from_days(days, year, month, day);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02d:%02d:%02d", static_cast<long long>(year), month,
        day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
    return text;
}

std::string format_time_rounded(uint64_t microseconds)
{
    return format_utc_seconds(static_cast<int64_t>(round_us_to_seconds(microseconds)));
}

std::tm local_now()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm {};
#if defined(_WIN32)
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    return tm;
}

} // namespace vlsdk
