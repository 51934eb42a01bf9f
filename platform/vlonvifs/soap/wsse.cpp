#include "soap/wsse.h"

#include "soap/xml.h"

#include <cctype>
#include <cstdio>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <stdexcept>

namespace vlsoap
{

namespace
{
// Days from 1970-01-01 to a proleptic Gregorian date (no time zone
// database involved, so the result is the same on every system).
long long daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool leap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
} // namespace

std::string base64Encode(const std::uint8_t* data, std::size_t size)
{
    std::string out((size + 2) / 3 * 4 + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), data, int(size));
    out.resize(std::size_t(n));
    return out;
}

std::string base64Encode(std::string_view bytes)
{
    return base64Encode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::optional<std::string> base64Decode(std::string_view text)
{
    const std::string t = trimBlanks(text);
    if (t.size() % 4 != 0 || t.size() > (std::size_t(1) << 24))
        return std::nullopt;
    const std::size_t pad
        = t.size() >= 2 && t[t.size() - 2] == '=' ? 2 : (!t.empty() && t.back() == '=' ? 1 : 0);
    for (std::size_t i = 0; i < t.size() - pad; ++i)
        if (!std::isalnum(static_cast<unsigned char>(t[i])) && t[i] != '+' && t[i] != '/')
            return std::nullopt;
    std::string out(t.size() / 4 * 3, '\0');
    const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
        reinterpret_cast<const unsigned char*>(t.data()), int(t.size()));
    if (n < 0 || std::size_t(n) < pad)
        return std::nullopt;
    out.resize(std::size_t(n) - pad);
    return out;
}

std::string passwordDigest(std::string_view nonce, std::string_view created, std::string_view password)
{
    std::string input;
    input.reserve(nonce.size() + created.size() + password.size());
    input.append(nonce).append(created).append(password);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(input.data(), input.size(), digest, &size, EVP_sha1(), nullptr) != 1)
        throw std::runtime_error("SHA-1 unavailable");
    return base64Encode(digest, size);
}

std::string randomBytes(std::size_t size)
{
    std::string out(size, '\0');
    if (size && RAND_bytes(reinterpret_cast<unsigned char*>(out.data()), int(size)) != 1)
        throw std::runtime_error("no random bytes");
    return out;
}

std::string formatUtc(std::time_t when)
{
    long long days = when / 86400;
    long long rest = when % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Civil date from days since 1970 (inverse of daysFromCivil).
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    const int y = int(yoe + era * 400 + (m <= 2));
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", y, m, d, int(rest / 3600),
        int(rest / 60 % 60), int(rest % 60));
    return buf;
}

std::optional<std::time_t> utcTime(int year, int month, int day, int hour, int minute, int second)
{
    static const int kDays[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (year < 1970 || year > 9999 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23
        || minute < 0 || minute > 59 || second < 0 || second > 60)
        return std::nullopt;
    if (day > kDays[month - 1] + (month == 2 && leap(year) ? 1 : 0))
        return std::nullopt;
    return std::time_t(daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second);
}

std::optional<std::time_t> parseUtc(std::string_view text)
{
    // YYYY-MM-DDThh:mm:ss, each field exactly its digits.
    static const char kShape[] = "dddd-dd-ddTdd:dd:dd";
    if (text.size() < 19)
        return std::nullopt;
    for (std::size_t i = 0; i < 19; ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i])
            return std::nullopt;
    }
    auto field = [&](std::size_t at, std::size_t width) {
        int v = 0;
        for (std::size_t i = at; i < at + width; ++i)
            v = v * 10 + (text[i] - '0');
        return v;
    };
    std::string_view rest = text.substr(19);
    if (!rest.empty() && rest.front() == '.') {
        rest.remove_prefix(1);
        std::size_t digits = 0;
        while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9')
            ++digits;
        if (digits == 0)
            return std::nullopt;
        rest.remove_prefix(digits);
    }
    if (!(rest.empty() || rest == "Z" || rest == "+00:00" || rest == "-00:00"))
        return std::nullopt;
    return utcTime(field(0, 4), field(5, 2), field(8, 2), field(11, 2), field(14, 2), field(17, 2));
}

} // namespace vlsoap
