// The frame every export shares: request parsing, result writers, copy-out,
// the export guard and the time texts.
#include "common/json.h"
#include "core/copy_out.h"
#include "core/export_guard.h"
#include "core/time_text.h"
#include "vl_sdk_wrapper.h"

#include <cstring>
#include <gtest/gtest.h>
#include <json/json.h>
#include <new>
#include <stdexcept>

using namespace vlsdk;

TEST(RequestParsing, LenientFormsParse)
{
    struct Case {
        const char* text;
        const char* key; // a key that must read 1, or null
    } cases[] = {
        { "{}", nullptr },
        { "{\"a\": 1,}", "a" },
        { "{\"a\": [1, 2,], }", nullptr },
        { "{\"a\": 1} // trailing comment", "a" },
        { "/* leading */ {\"a\": /* inside */ 1}", "a" },
        { "{\"a\": 1} trailing text", "a" },
        { "[1, 2]", nullptr },
        { "7", nullptr },
    };
    for (const Case& c : cases) {
        Json::Value root;
        EXPECT_TRUE(vljson::parse(c.text, root)) << c.text;
        if (c.key) {
            EXPECT_EQ(root[c.key].asInt(), 1) << c.text;
        }
    }
    Json::Value empty;
    ASSERT_TRUE(vljson::parse("{}", empty));
    EXPECT_TRUE(empty["missing"].isNull());
    EXPECT_EQ(empty["missing"].asInt(), 0);
    EXPECT_EQ(empty["missing"].asString(), "");
    EXPECT_FALSE(empty["missing"].asBool());
}

TEST(RequestParsing, FailuresLeaveRootAlone)
{
    const std::string deep = std::string(1200, '[') + std::string(1200, ']');
    const char* bad[] = { nullptr, "", "{", "{\"a\": }", "{'a': 1}", "nonsense", deep.c_str() };
    for (const char* text : bad) {
        Json::Value root = "untouched";
        EXPECT_FALSE(vljson::parse(text, root)) << (text ? text : "(null)");
        EXPECT_EQ(root.asString(), "untouched");
    }
}

TEST(ResultWriters, CompactAndStyledLayouts)
{
    Json::Value v;
    ASSERT_TRUE(vljson::parse("{\"b\": [1, \"x\"], /* note */ \"a\": {\"c\": true}}", v));
    EXPECT_EQ(vljson::write_compact(v), "{\"a\":{\"c\":true},\"b\":[1,\"x\"]}");
    EXPECT_EQ(vljson::write_styled(v),
        "{\n\t\"a\" : \n\t{\n\t\t\"c\" : true\n\t},\n\t\"b\" : \n\t[\n\t\t1,\n\t\t\"x\"\n\t]\n}");
    EXPECT_EQ(vljson::write_fast(v), vljson::write_compact(v) + "\n");
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
TEST(ResultWriters, FastMatchesTheLibrarysFastWriter)
{
    const char* texts[]
        = { "{}", "[]", "null", "{\"a\":[],\"b\":{},\"c\":null,\"d\":-1.5,\"e\":\"\\u00e9\\n\"}",
              "[1,[2,[3]],{\"k\":18446744073709551615}]", "\"text\"" };
    for (const char* text : texts) {
        Json::Value v;
        ASSERT_TRUE(vljson::parse(text, v)) << text;
        Json::FastWriter fast;
        EXPECT_EQ(vljson::write_fast(v), fast.write(v)) << text;
    }
}
#pragma GCC diagnostic pop

TEST(CopyOut, OnlyWhenTheTextAndItsNulFit)
{
    const std::string text = "{\"a\":1}"; // 7 bytes
    struct Case {
        int size;
        int result;
        bool written;
    } cases[] = {
        { 0, vl_buffer_too_small, false },
        { -5, vl_buffer_too_small, false },
        { 6, vl_buffer_too_small, false },
        { 7, vl_buffer_too_small, false }, // exactly the length: no room for the NUL
        { 8, vl_success, true },
        { 64, vl_success, true },
    };
    for (const Case& c : cases) {
        char buf[64];
        std::memset(buf, 'Z', sizeof buf);
        EXPECT_EQ(copy_out(text, buf, c.size), c.result) << c.size;
        if (c.written) {
            EXPECT_STREQ(buf, text.c_str());
            EXPECT_EQ(buf[8], 'Z') << "nothing beyond the NUL";
        } else {
            EXPECT_EQ(buf[0], 'Z') << c.size;
        }
    }
    char buf[4] = { 'Z', 'Z', 'Z', 'Z' };
    EXPECT_EQ(copy_out("", buf, 4), vl_buffer_too_small);
    EXPECT_EQ(buf[0], 'Z');
    EXPECT_EQ(copy_out(text, nullptr, 100), vl_invalid_argument);
    EXPECT_EQ(copy_out(text, nullptr, 0), vl_buffer_too_small);
}

TEST(CopyOut, BufferChecksBeforeWork)
{
    char buf[8];
    EXPECT_EQ(check_out_buffer(nullptr, 1), vl_invalid_argument);
    EXPECT_EQ(check_out_buffer(nullptr, 0), vl_success);
    EXPECT_EQ(check_out_buffer(buf, 8), vl_success);

    std::memset(buf, 'Z', sizeof buf);
    EXPECT_EQ(clear_out_buffer(buf, -3), vl_invalid_argument);
    EXPECT_EQ(clear_out_buffer(buf, 0), vl_invalid_argument);
    EXPECT_EQ(clear_out_buffer(nullptr, 8), vl_invalid_argument);
    EXPECT_EQ(buf[0], 'Z');
    EXPECT_EQ(clear_out_buffer(buf, 5), vl_success);
    EXPECT_EQ(std::string(buf, 8), std::string("\0\0\0\0\0ZZZ", 8));
}

TEST(ExportGuard, ExceptionsBecomeTheFailureCode)
{
    EXPECT_EQ(export_guard("ok", -1, [] { return 5; }), 5);
    EXPECT_EQ(export_guard("runtime", -1, []() -> int { throw std::runtime_error("boom"); }), -1);
    EXPECT_EQ(export_guard("alloc", -14, []() -> int { throw std::bad_alloc(); }), -14);
    EXPECT_EQ(export_guard("odd", -2, []() -> int { throw 42; }), -2);
    int dummy = 0;
    EXPECT_EQ(export_guard("ptr", static_cast<int*>(nullptr), [&]() -> int* { throw std::logic_error("x"); }),
        nullptr);
    EXPECT_EQ(export_guard("ptr", static_cast<int*>(nullptr), [&] { return &dummy; }), &dummy);

    // The JSON library refuses conversions of the wrong type by throwing.
    const char* wrong[] = { "{\"port\": \"abc\"}", "{\"port\": {}}", "{\"port\": -1}", "{\"port\": [1]}" };
    for (const char* text : wrong) {
        Json::Value root;
        ASSERT_TRUE(vljson::parse(text, root));
        EXPECT_EQ(export_guard("wrong type", static_cast<int>(vl_parse_json_error),
                      [&] { return static_cast<int>(root["port"].asUInt()); }),
            vl_parse_json_error)
            << text;
    }
}

TEST(TimeTexts, RoundingAndTruncation)
{
    EXPECT_EQ(format_time_rounded(0), "1970-01-01 00:00:00");
    EXPECT_EQ(format_time_ms(0), "1970-01-01 00:00:00");
    EXPECT_EQ(format_time_rounded(1500000), "1970-01-01 00:00:02");
    EXPECT_EQ(format_time_ms(1500000), "1970-01-01 00:00:01");
    EXPECT_EQ(format_time_rounded(1499999), "1970-01-01 00:00:01");
    EXPECT_EQ(round_us_to_ms(1499), 1u);
    EXPECT_EQ(round_us_to_ms(1500), 2u);
    EXPECT_EQ(round_us_to_seconds(UINT64_MAX), UINT64_MAX / 1000000 + 1);
    EXPECT_EQ(round_us_to_ms(UINT64_MAX), UINT64_MAX / 1000 + 1);

    // 2024-02-29 23:59:59 UTC, a leap day; and the turn of 2000 and 2100.
    EXPECT_EQ(format_time_ms(1709251199ull * 1000000 + 999999), "2024-02-29 23:59:59");
    EXPECT_EQ(format_time_rounded(1709251199ull * 1000000 + 500000), "2024-03-01 00:00:00");
    EXPECT_EQ(format_utc_seconds(946684800), "2000-01-01 00:00:00");
    EXPECT_EQ(format_utc_seconds(4107542400), "2100-03-01 00:00:00");
    EXPECT_EQ(format_utc_seconds(-1), "1969-12-31 23:59:59");

    char small[11];
    format_time_ms(small, sizeof small, 0);
    EXPECT_STREQ(small, "1970-01-01");
}

TEST(TimeTexts, ParseTimeString)
{
    struct Case {
        const char* text;
        int result;
        int y, mo, d, h, mi, s;
    } cases[] = {
        { "2024-03-05 07:08:09", 0, 2024, 3, 5, 7, 8, 9 },
        { "2024-3-5 7:8:9", 0, 2024, 3, 5, 7, 8, 9 },
        { "1-2-3 4:5:6 and more", 0, 1, 2, 3, 4, 5, 6 },
        { "x-y-z a:b:c", 0, 0, 0, 0, 0, 0, 0 }, // no digits read as 0
        { "2024-13-40 25:61:99", 0, 2024, 13, 40, 25, 61, 99 }, // no range checks
        { "70000-1-1 0:0:0", 0, 70000 % 65536, 1, 1, 0, 0, 0 }, // truncated to 16 bits
        { "2024-03-05 07:08:", -1, 0, 0, 0, 0, 0, 0 }, // last separator standing last
        { "2024-03-05 07:08", -1, 0, 0, 0, 0, 0, 0 },
        { "2024-03-05T07:08:09", -1, 0, 0, 0, 0, 0, 0 },
        { "2024/03/05 07:08:09", -1, 0, 0, 0, 0, 0, 0 },
        { "", -1, 0, 0, 0, 0, 0, 0 },
    };
    for (const Case& c : cases) {
        record_time t;
        std::memset(&t, 0xAB, sizeof t);
        EXPECT_EQ(parse_time_string(c.text, &t), c.result) << c.text;
        if (c.result == 0) {
            EXPECT_EQ(t.year, c.y) << c.text;
            EXPECT_EQ(t.month, c.mo) << c.text;
            EXPECT_EQ(t.day, c.d) << c.text;
            EXPECT_EQ(t.hour, c.h) << c.text;
            EXPECT_EQ(t.minute, c.mi) << c.text;
            EXPECT_EQ(t.second, c.s) << c.text;
        } else {
            EXPECT_EQ(t.year, 0xABAB) << "untouched on failure: " << c.text;
        }
        EXPECT_EQ(t.reserved, 0xAB) << "the last byte is never touched";
    }
    record_time t {};
    EXPECT_EQ(parse_time_string(nullptr, &t), -1);
    EXPECT_EQ(parse_time_string("2024-03-05 07:08:09", nullptr), -1);
}
