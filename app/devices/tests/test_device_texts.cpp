// The text helpers of the device records: the dotted IPv4 conversions, the
// one MAC key, and reading and writing fixed-width text fields without ever
// crossing a field's end.
#include "devices/DeviceTexts.h"

#include <QString>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

TEST(Ipv4Text, ParseAcceptsDottedAddressesOnly)
{
    struct Case {
        const char* text;
        bool ok;
        unsigned char bytes[4];
    };
    const Case cases[] = {
        { "192.168.1.10", true, { 192, 168, 1, 10 } },
        { "0.0.0.0", true, { 0, 0, 0, 0 } },
        { "255.255.255.255", true, { 255, 255, 255, 255 } },
        { "10.0.20.3", true, { 10, 0, 20, 3 } },
        { "1.2.3", false, {} },
        { "1.2.3.4.5", false, {} },
        { "1.2.3.256", false, {} },
        { "01.2.3.4", false, {} },
        { "1.2.3.00", false, {} },
        { "1..2.3", false, {} },
        { "", false, {} },
        { ".1.2.3", false, {} },
        { "1.2.3.", false, {} },
        { " 1.2.3.4", false, {} },
        { "1.2.3.4 ", false, {} },
        { "1.2.3.-4", false, {} },
        { "1.2.3.4a", false, {} },
        { "1.2.3.99999999999", false, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        unsigned char out[4] = { 0xAA, 0xAA, 0xAA, 0xAA };
        EXPECT_EQ(parseIPv4(c.text, out), c.ok ? 1 : 0);
        const unsigned char untouched[4] = { 0xAA, 0xAA, 0xAA, 0xAA };
        EXPECT_EQ(std::memcmp(out, c.ok ? c.bytes : untouched, 4), 0);
    }
    unsigned char out[4] = {};
    EXPECT_EQ(parseIPv4(nullptr, out), 0);
}

TEST(Ipv4Text, ToTextFitsItsTerminatorOrWritesNothing)
{
    const unsigned char broadcast[4] = { 255, 255, 255, 255 };
    char out[16];
    EXPECT_EQ(ipv4ToText(broadcast, out, 16), out);
    EXPECT_STREQ(out, "255.255.255.255");

    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(ipv4ToText(broadcast, out, 15), nullptr);
    EXPECT_EQ(std::string(out, sizeof out), std::string(16, 'x'));

    const unsigned char zero[4] = {};
    EXPECT_EQ(ipv4ToText(zero, out, 8), out);
    EXPECT_STREQ(out, "0.0.0.0");
    EXPECT_EQ(ipv4ToText(zero, out, 7), nullptr);
}

TEST(MacKey, OneMacInAnyCaseAndWithAnySeparatorsIsOneKey)
{
    const QString key = QStringLiteral("AABBCC0D0E0F");
    for (const char* text : { "aa:bb:cc:0d:0e:0f", "AA-BB-CC-0D-0E-0F", "AaBb.Cc0d.0E0f", "aabbcc0d0e0f",
             " AA:BB:CC:0D:0E:0F ", "aa bb cc 0d 0e 0f" }) {
        SCOPED_TRACE(text);
        EXPECT_EQ(macKey(QLatin1String(text)), key);
    }
    EXPECT_NE(macKey(QStringLiteral("aa:bb:cc:0d:0e:10")), key);
    // Texts that are no MAC compare whole, upper-cased.
    EXPECT_EQ(macKey(QStringLiteral(" cam-01 ")), QStringLiteral("CAM-01"));
    EXPECT_EQ(macKey(QStringLiteral("aa:bb:cc:0d:0e")), QStringLiteral("AA:BB:CC:0D:0E"));
    EXPECT_TRUE(macKey(QString()).isEmpty());
}

TEST(RecordText, WritingStopsAtTheFieldsEndAndReadingNeverCrossesIt)
{
    struct Field {
        char text[36];
        char after[4];
    };
    struct Case {
        std::string text;
        std::size_t written; // bytes of the text in the field
        bool terminated;
    };
    const std::string accent = "\xc3\xa9"; // one character, two bytes
    const Case cases[] = {
        { "camera", 6, true },
        { std::string(36, 'n'), 36, false },
        { std::string(40, 'n'), 36, false },
        { std::string(35, 'n') + accent, 35, true }, // the accent would not fit whole
        { std::string(34, 'n') + accent, 36, false },
        { "", 0, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.size());
        Field f {};
        std::memset(f.after, 'Z', sizeof f.after);
        copyRecordText(f.text, QByteArray::fromStdString(c.text));
        EXPECT_EQ(std::string(f.text, c.written), c.text.substr(0, c.written));
        if (c.terminated) {
            EXPECT_EQ(f.text[c.written], '\0');
        }
        EXPECT_EQ(std::string(f.after, 4), "ZZZZ") << "written past the field";
        EXPECT_EQ(recordText(f.text), QString::fromStdString(c.text.substr(0, c.written)));
    }
}

TEST(RecordText, BytesThatAreNoUtf8ReadAsLatin1)
{
    char field[8] = "\xe9t\xe9";
    EXPECT_EQ(recordText(field), QString::fromLatin1("\xe9t\xe9"));
    char utf8[8] = "\xc3\xa9t\xc3\xa9";
    EXPECT_EQ(recordText(utf8), QString::fromUtf8("\xc3\xa9t\xc3\xa9"));
}

TEST(CopyLatin1, KeepsTheTerminatorInsideTheBuffer)
{
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(copyLatin1(QStringLiteral("192.168.100.200"), buffer, 6), buffer);
    EXPECT_EQ(std::string(buffer, 8), std::string("192.1\0xx", 8));
    EXPECT_STREQ(copyLatin1(QStringLiteral("ab"), buffer, 8), "ab");
    EXPECT_STREQ(copyLatin1(QStringLiteral("ab"), buffer, 1), "");
}

TEST(RecordText, MalformedUtf8ReadsAsLatin1)
{
    // A stray continuation byte, an overlong form, a surrogate, a cut
    // sequence, a code point beyond U+10FFFF.
    for (const char* bytes : { "a\x80", "\xc0\xaf", "\xed\xa0\x80", "ab\xe2\x82", "\xf4\x90\x80\x80" }) {
        char field[8] = {};
        std::memcpy(field, bytes, std::strlen(bytes));
        EXPECT_EQ(recordText(field), QString::fromLatin1(bytes)) << bytes;
    }
    char fourBytes[8] = "\xf0\x9f\x93\xb7"; // a camera
    EXPECT_EQ(recordText(fourBytes).size(), 2); // one surrogate pair
}
