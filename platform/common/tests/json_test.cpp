#include "common/json.h"

#include <gtest/gtest.h>

using vljson::policy;

namespace
{

Json::Value parsed(const char* text)
{
    Json::Value v;
    EXPECT_TRUE(vljson::parse(text, v)) << text;
    return v;
}

} // namespace

TEST(JsonParse, LenientAndStrict)
{
    struct Case {
        const char* text;
        bool lenient;
        bool strict;
    } const cases[] = {
        { R"({"a":1})", true, true },
        { R"([1,2])", true, true },
        { R"({"a":1,} )", true, false }, // trailing comma
        { "// note\n{\"a\":1}", true, false }, // comment
        { R"({"a":1} tail)", true, false }, // text after the root
        { "12", true, false }, // a root that is no object or array
        { R"({"a":1,"a":2})", true, false }, // duplicate key
        { R"({"a":)", false, false },
        { "", false, false },
    };
    for (const auto& c : cases) {
        Json::Value v;
        EXPECT_EQ(vljson::parse(c.text, v, vljson::syntax::lenient), c.lenient) << c.text;
        EXPECT_EQ(vljson::parse(c.text, v, vljson::syntax::strict), c.strict) << c.text;
    }
    Json::Value untouched(7);
    EXPECT_FALSE(vljson::parse(static_cast<const char*>(nullptr), untouched));
    EXPECT_FALSE(vljson::parse("{", untouched));
    EXPECT_EQ(untouched.asInt(), 7);
    // Nesting past the limit fails instead of throwing.
    EXPECT_FALSE(vljson::parse(std::string(5000, '['), untouched));
    EXPECT_FALSE(vljson::parse_object("[1]", untouched));
    EXPECT_TRUE(vljson::parse_object("{}", untouched));
}

TEST(JsonWrite, CompactStyledFast)
{
    const Json::Value v = parsed(R"({"b":[1,2],"a":"x" /* dropped */})");
    EXPECT_EQ(vljson::write_compact(v), R"({"a":"x","b":[1,2]})");
    EXPECT_EQ(vljson::write_styled(v), "{\n\t\"a\" : \"x\",\n\t\"b\" : \n\t[\n\t\t1,\n\t\t2\n\t]\n}");
    EXPECT_EQ(vljson::write_fast(v), "{\"a\":\"x\",\"b\":[1,2]}\n");
    EXPECT_EQ(vljson::write_indented(parsed(R"({"a":1})"), " "), "{\n \"a\" : 1\n}");
}

TEST(JsonWrite, TextsThatAreNotUtf8GetOneReplacementPerBadByte)
{
    struct Case {
        std::string in;
        std::string out;
    } const cases[] = {
        { "plain", "plain" },
        { "caf\xC3\xA9", "caf\xC3\xA9" }, // valid two-byte
        { "\xE6\x91\x84\xE5\x83\x8F", "\xE6\x91\x84\xE5\x83\x8F" }, // valid three-byte
        { "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80" }, // valid four-byte
        { "caf\xE9", "caf\xEF\xBF\xBD" }, // a Latin-1 byte
        { "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD" }, // overlong form
        { "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD" }, // a surrogate
        { "\xE6\x91", "\xEF\xBF\xBD\xEF\xBF\xBD" }, // cut in the middle
        { "\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD" }, // above U+10FFFF
        { std::string("a\0b", 3), std::string("a\0b", 3) },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vljson::valid_utf8(c.in), c.out);
        EXPECT_EQ(vljson::is_valid_utf8(c.in), c.in == c.out);
        // Written and read back, the text is the valid one, keys as well.
        Json::Value o(Json::objectValue);
        o["name"] = c.in;
        o[c.in] = Json::Value(Json::arrayValue);
        o[c.in].append(c.in);
        for (const std::string& text : { vljson::write_compact(o), vljson::write_styled(o) }) {
            Json::Value back;
            ASSERT_TRUE(vljson::parse(text, back, vljson::syntax::strict)) << text;
            EXPECT_EQ(back["name"].asString(), c.out);
            EXPECT_EQ(back[c.out][0].asString(), c.out);
        }
    }
}

TEST(JsonMember, ChainsThroughAnything)
{
    const Json::Value v = parsed(R"({"a":{"b":1},"n":null,"s":"x"})");
    EXPECT_EQ(vljson::member(vljson::member(v, "a"), "b").asInt(), 1);
    EXPECT_TRUE(vljson::member(vljson::member(v, "s"), "b").isNull());
    EXPECT_TRUE(vljson::member(Json::Value(5), "a").isNull());
    EXPECT_TRUE(vljson::has(v, "a"));
    EXPECT_FALSE(vljson::has(v, "n"));
    EXPECT_FALSE(vljson::has(v, "zz"));
}

// One member value read as each type under each policy: the value read, or
// "absent" (target kept), or "fail".
TEST(JsonReader, PoliciesTable)
{
    const Json::Value v = parsed(R"({
        "text": "abc", "int": 42, "neg": -5, "real": 3.7, "whole": 8.0, "big": 1e20,
        "true": true, "zero": 0, "obj": {}, "arr": [], "null": null
    })");
    struct Case {
        const char* key;
        policy rules;
        const char* text; // expected text read, "absent" or "fail"
        const char* flag; // "true", "false", "absent" or "fail"
        const char* number; // int32 read, "absent" or "fail"
    } const cases[] = {
        { "text", policy::convert, "abc", "fail", "fail" },
        { "text", policy::exact, "abc", "fail", "fail" },
        { "text", policy::convert_or_absent, "abc", "absent", "absent" },
        { "text", policy::exact_or_absent, "abc", "absent", "absent" },
        { "int", policy::convert, "42", "true", "42" },
        { "int", policy::exact, "fail", "fail", "42" },
        { "int", policy::convert_or_absent, "42", "true", "42" },
        { "int", policy::exact_or_absent, "absent", "absent", "42" },
        { "neg", policy::convert, "-5", "true", "-5" },
        { "real", policy::convert, "3.7000000000000002", "true", "3" },
        { "real", policy::exact, "fail", "fail", "fail" },
        { "real", policy::exact_or_absent, "absent", "absent", "absent" },
        { "whole", policy::exact, "fail", "fail", "8" },
        { "big", policy::convert, "1e+20", "true", "fail" },
        { "big", policy::convert_or_absent, "1e+20", "true", "absent" },
        { "big", policy::exact, "fail", "fail", "fail" },
        { "true", policy::convert, "true", "true", "1" },
        { "true", policy::exact, "fail", "true", "fail" },
        { "zero", policy::convert, "0", "false", "0" },
        { "obj", policy::convert, "fail", "fail", "fail" },
        { "obj", policy::convert_or_absent, "absent", "absent", "absent" },
        { "arr", policy::exact, "fail", "fail", "fail" },
        { "null", policy::convert, "absent", "absent", "absent" },
        { "null", policy::exact, "absent", "absent", "absent" },
        { "missing", policy::exact, "absent", "absent", "absent" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " policy " + std::to_string(int(c.rules)));
        {
            vljson::reader r(v, c.rules);
            std::string out = "kept";
            const bool ok = r.read(c.key, out);
            const std::string got = !ok ? "fail" : out == "kept" ? "absent" : out;
            EXPECT_EQ(got, c.text);
            EXPECT_EQ(r.ok(), ok);
        }
        {
            vljson::reader r(v, c.rules);
            bool out = false;
            bool kept = true;
            bool ok = r.read(c.key, out);
            // Read twice with different starting values to tell "absent"
            // from a false that was read.
            ok = r.read(c.key, kept) && ok;
            const std::string got = !ok ? "fail" : (!out && kept) ? "absent" : out ? "true" : "false";
            EXPECT_EQ(got, c.flag);
        }
        {
            vljson::reader r(v, c.rules);
            std::int32_t out = 12345;
            const bool ok = r.read(c.key, out);
            const std::string got = !ok ? "fail" : out == 12345 ? "absent" : std::to_string(out);
            EXPECT_EQ(got, c.number);
        }
    }
}

TEST(JsonReader, RangesClampsFallbacksAndTheFirstError)
{
    const Json::Value v = parsed(R"({"port": 70000, "n": -3, "t": 1e12, "u": -1e12, "s": "x"})");
    vljson::reader r(v, policy::exact, "network.");
    std::uint16_t port = 9;
    EXPECT_FALSE(r.read("port", port, 1, 65535));
    EXPECT_EQ(port, 9);
    EXPECT_EQ(r.error(), "network.port must be an integer from 1 to 65535");
    std::uint32_t u = 7;
    EXPECT_FALSE(r.read("n", u));
    EXPECT_EQ(r.error(), "network.port must be an integer from 1 to 65535"); // the first one stays
    std::int32_t clamped = 0;
    EXPECT_TRUE(r.read_clamped("t", clamped));
    EXPECT_EQ(clamped, 2147483647);
    EXPECT_TRUE(r.read_clamped("u", clamped));
    EXPECT_EQ(clamped, -2147483647 - 1);
    EXPECT_TRUE(r.read_clamped("n", clamped, 0, 10));
    EXPECT_EQ(clamped, 0);
    EXPECT_FALSE(r.read_clamped("s", clamped));
    EXPECT_FALSE(r.ok());

    vljson::reader lenient(v, policy::exact_or_absent);
    EXPECT_EQ(lenient.text("s", "f"), "x");
    EXPECT_EQ(lenient.text("port", "f"), "f");
    EXPECT_EQ(lenient.number<std::int32_t>("n", 5), -3);
    EXPECT_EQ(lenient.number<std::uint8_t>("port", 5), 5);
    EXPECT_TRUE(lenient.flag("zz", true));
    EXPECT_TRUE(lenient.ok());

    // A root that is not an object has no members.
    vljson::reader none(Json::Value("x"), policy::exact);
    EXPECT_EQ(none.get("a"), nullptr);
    EXPECT_EQ(none.text("a", "f"), "f");
    EXPECT_TRUE(none.ok());
    EXPECT_FALSE(none.fail("a", "something"));
    EXPECT_EQ(none.error(), "a must be something");
}
