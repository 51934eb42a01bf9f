#pragma once
// Small text helpers of the device records: reading and writing the 8-bit
// text fields of fixed-layout records, the one comparison key of MAC texts,
// the dotted IPv4 conversions and the codec table. Pure functions; any
// thread.
#include <QByteArray>
#include <QString>
#include <cstddef>

// The text of a fixed-width field of a device record: the bytes up to the
// first zero byte, never past `width`. Devices and VLSDKWrapper send UTF-8;
// bytes that are not valid UTF-8 are read as Latin-1, so that an odd byte
// never drops the whole text.
QString recordText(const char* field, std::size_t width);
template <std::size_t N> QString recordText(const char (&field)[N])
{
    return recordText(field, N);
}

// At most `maxBytes` of `text`, cut before a UTF-8 character that would
// not fit whole (a lead byte's continuation bytes stay together).
QByteArray cutUtf8(const QByteArray& text, int maxBytes);

// Writes `text` into a fixed-width field that is zero-filled already: at most
// `width` bytes, cut before a UTF-8 sequence that would not fit whole; a text
// that fills the field keeps no terminator. Nothing is written past the field.
void copyRecordText(char* field, std::size_t width, const QByteArray& text);
template <std::size_t N> void copyRecordText(char (&field)[N], const QByteArray& text)
{
    copyRecordText(field, N, text);
}

// Writes the Latin-1 bytes of `text` and a terminating zero into `buffer`
// and returns it: at most `size` bytes, the terminator included (a longer
// text keeps its first size - 1 bytes). A size below 1 writes nothing.
char* copyLatin1(const QString& text, char* buffer, int size);

// The key by which every matcher compares MAC texts (search maps, duplicate
// checks, the search after an upgrade, replies): a MAC of twelve hexadecimal
// digits in any case, with or without separators (":", "-", ".", spaces), as
// its twelve upper-case digits; any other text upper-cased and trimmed. An
// empty text gives an empty key, which callers must not take as a match.
// Shown texts stay as the device sent them.
QString macKey(const QString& mac);

// 1 when `text` is a dotted IPv4 address (four decimal parts of 0 to 255,
// no leading zeros, nothing else), and then its four bytes are written to
// `out` in text order; 0 otherwise, and `out` stays untouched.
int parseIPv4(const char* text, unsigned char out[4]);

// Writes the four bytes as "a.b.c.d" into `out` and returns `out`; returns
// null and writes nothing when the text and its terminating zero do not fit
// in `size` bytes.
char* ipv4ToText(const unsigned char bytes[4], char* out, unsigned size);

// The codec texts of the stream settings ("H264", "H265", "MJPEG", "H264+",
// "H265+") in the order of VLNet's codec numbers: the one table that the
// device record's setters and the stream workers both read.
constexpr int kCodecCount = 5;
// The text of codec number `codec`; empty for a number outside the table.
QString codecName(int codec);
// The number of codec text `text`, compared exactly; -1 for a text outside
// the table.
int codecNumber(const QString& text);
