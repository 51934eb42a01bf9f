#include "devices/DeviceTexts.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Well-formed UTF-8: no stray continuation bytes, overlong forms,
// surrogates or code points beyond U+10FFFF.
bool isUtf8(const unsigned char* p, std::size_t n)
{
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80; // bounds of the second byte
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (n - i < length || p[i + 1] < low || p[i + 1] > high)
            return false;
        for (std::size_t k = 2; k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

bool isHexDigit(QChar c)
{
    const ushort u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

} // namespace

QString recordText(const char* field, std::size_t width)
{
    if (!field)
        return QString();
    const void* end = std::memchr(field, 0, width);
    const int length = int(end ? static_cast<const char*>(end) - field : width);
    if (isUtf8(reinterpret_cast<const unsigned char*>(field), std::size_t(length)))
        return QString::fromUtf8(field, length);
    return QString::fromLatin1(field, length);
}

QByteArray cutUtf8(const QByteArray& text, int maxBytes)
{
    if (maxBytes <= 0)
        return QByteArray();
    if (text.size() <= maxBytes)
        return text;
    int end = maxBytes;
    // Step back over the continuation bytes of the character that the cut
    // splits, then over its lead byte: that character goes whole.
    while (end > 0 && isContinuation(text.at(end)))
        --end;
    return text.left(end);
}

void copyRecordText(char* field, std::size_t width, const QByteArray& text)
{
    if (!field || width == 0)
        return;
    const std::size_t size = std::size_t(text.size());
    std::size_t length = std::min(size, width);
    if (size > width && isContinuation(text[int(width)])) {
        // The field's end would split a character: cut before it.
        std::size_t start = width;
        while (start > 0 && width - start < 3 && isContinuation(text[int(start)]))
            --start;
        if (static_cast<unsigned char>(text[int(start)]) >= 0xC0)
            length = start;
    }
    std::memcpy(field, text.constData(), length);
    if (length < width)
        field[length] = '\0';
}

char* copyLatin1(const QString& text, char* buffer, int size)
{
    if (!buffer || size < 1)
        return buffer;
    const QByteArray bytes = text.toLatin1();
    const int length = std::min(int(bytes.size()), size - 1);
    std::memcpy(buffer, bytes.constData(), std::size_t(length));
    buffer[length] = '\0';
    return buffer;
}

QString macKey(const QString& mac)
{
    QString digits;
    bool onlyHexAndSeparators = true;
    for (const QChar c : mac) {
        if (isHexDigit(c))
            digits += c.toUpper();
        else if (c != QLatin1Char(':') && c != QLatin1Char('-') && c != QLatin1Char('.') && !c.isSpace())
            onlyHexAndSeparators = false;
    }
    if (onlyHexAndSeparators && digits.size() == 12)
        return digits;
    return mac.trimmed().toUpper();
}

int parseIPv4(const char* text, unsigned char out[4])
{
    if (!text || !out)
        return 0;
    unsigned char bytes[4] = {};
    int parts = 0; // completed parts
    int value = -1; // the part being read; -1 before its first digit
    bool leadingZero = false;
    for (const char* p = text; *p; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9') {
            if (parts == 4 || leadingZero)
                return 0;
            const int digit = c - '0';
            if (value < 0) {
                value = digit;
                leadingZero = digit == 0;
            } else {
                value = value * 10 + digit;
            }
            if (value > 255)
                return 0;
        } else if (c == '.') {
            if (value < 0 || parts >= 3)
                return 0;
            bytes[parts++] = static_cast<unsigned char>(value);
            value = -1;
            leadingZero = false;
        } else {
            return 0;
        }
    }
    if (parts != 3 || value < 0)
        return 0;
    bytes[3] = static_cast<unsigned char>(value);
    std::memcpy(out, bytes, 4);
    return 1;
}

char* ipv4ToText(const unsigned char bytes[4], char* out, unsigned size)
{
    if (!bytes || !out)
        return nullptr;
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%u.%u.%u.%u", unsigned(bytes[0]), unsigned(bytes[1]),
        unsigned(bytes[2]), unsigned(bytes[3]));
    if (length < 0 || unsigned(length) + 1 > size)
        return nullptr;
    std::memcpy(out, text, std::size_t(length) + 1);
    return out;
}

namespace
{
const char* const kCodecs[kCodecCount] = { "H264", "H265", "MJPEG", "H264+", "H265+" };
} // namespace

QString codecName(int codec)
{
    return codec >= 0 && codec < kCodecCount ? QLatin1String(kCodecs[codec]) : QString();
}

int codecNumber(const QString& text)
{
    for (int i = 0; i < kCodecCount; ++i) {
        if (text == QLatin1String(kCodecs[i]))
            return i;
    }
    return -1;
}
