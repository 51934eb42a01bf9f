#pragma once
// One way to read and write JSON for the whole tree: the wrapper, the
// VLNet stand-in, the device simulator and the program.
//
//   parse            lenient (comments, trailing commas, any root, text
//                    after the root ignored) or strict (one object or array,
//                    nothing around it, no duplicate keys); never throws
//   write_compact    {"a":1,"b":[1,2]}
//   write_styled     one member per line, one tab per level
//   reader           typed members of one object under a named leniency
//                    policy, so that the rule a request is read by is
//                    visible where it is read
//
// Texts: every writer emits valid UTF-8 only. A text that is not valid
// UTF-8 (devices send names in their own code pages, or cut in the middle
// of a character) is written with U+FFFD in place of each byte that does
// not belong to a valid sequence; valid texts are written unchanged.
#include <cstdint>
#include <json/value.h>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

namespace vljson
{

enum class syntax {
    lenient, // comments, trailing commas, any value as root, text after it ignored
    strict, // one object or array and nothing else, no comments, no duplicate keys
};

// False (out untouched) when the text does not parse, nests deeper than 1000
// levels, or is null. Comments are never kept.
bool parse(
    std::string_view text, Json::Value& out, syntax rules = syntax::lenient, std::string* errors = nullptr);
bool parse(const char* text, Json::Value& out, syntax rules = syntax::lenient);
// parse() whose root must be an object.
bool parse_object(std::string_view text, Json::Value& out, syntax rules = syntax::lenient);

std::string write_compact(const Json::Value& value);
// The JSON library's default layout: one member per line, one tab per
// level, no final line feed.
std::string write_styled(const Json::Value& value);
// As write_styled with `indentation` per level (a file people read).
std::string write_indented(const Json::Value& value, const char* indentation);
// The compact text followed by one line feed (the parameter answers' form).
std::string write_fast(const Json::Value& value);

// The device-text rule on its own: valid UTF-8 unchanged, every byte that
// is not part of a valid sequence replaced by U+FFFD.
std::string valid_utf8(std::string_view bytes);
bool is_valid_utf8(std::string_view bytes);

// A member of an object; a null value when `object` is no object or has no
// such key. Chains safely: member(member(v, "a"), "b").
const Json::Value& member(const Json::Value& object, const char* key);
// True when the key is there and not null.
bool has(const Json::Value& object, const char* key);

// How a reader treats a member whose value is not of the type read.
enum class policy {
    // Scalars convert as the JSON library converts them: numbers give their
    // decimal text, numbers are flags by being non-zero, booleans are 0 or 1,
    // reals are cut to whole numbers. An object or array where a scalar is
    // read, a text where a number or flag is read, or a number out of range
    // fails the read.
    convert,
    // The member must hold the type read: a text, a boolean, a whole number
    // in range. Anything else fails the read.
    exact,
    // As convert, but a member that does not convert reads as absent; a read
    // never fails. For what devices send.
    convert_or_absent,
    // As exact, but a member of another type or out of range reads as
    // absent; a read never fails.
    exact_or_absent,
};

// Reads members of one object. Under every policy an absent key and a null
// value read as absent: the target keeps its value (or the fallback is
// returned). A failed read leaves the target alone, makes ok() false and
// keeps the first failure's text in error(): "<where><key> must be <what>".
// A root that is not an object has no members.
class reader
{
public:
    reader(const Json::Value& object, policy rules, std::string where = {});

    const Json::Value* get(const char* key) const;
    bool has(const char* key) const { return get(key) != nullptr; }
    bool ok() const { return m_ok; }
    // True when the last read set its target (the member was there and fit).
    bool found() const { return m_found; }
    const std::string& error() const { return m_error; }

    // True when `out` was set or the member is absent.
    bool read(const char* key, std::string& out);
    bool read(const char* key, bool& out);
    // A whole number within [lo, hi] (the range of T by default).
    template <class T>
    bool read(const char* key, T& out, long long lo = lowest<T>(), long long hi = highest<T>())
    {
        static_assert(
            std::is_integral_v<T> && !std::is_same_v<T, bool> && !(std::is_unsigned_v<T> && sizeof(T) > 4),
            "whole numbers that a long long holds");
        long long value = 0;
        if (!read_integer(key, value, lo, hi))
            return false;
        if (m_found)
            out = static_cast<T>(value);
        return true;
    }
    // Any number, held to [lo, hi] instead of failing when it lies outside.
    bool read_clamped(const char* key, std::int32_t& out, std::int32_t lo = lowest<std::int32_t>(),
        std::int32_t hi = highest<std::int32_t>());

    // The same reads returning the value, or `fallback` when absent or failed.
    std::string text(const char* key, std::string fallback = {})
    {
        read(key, fallback);
        return fallback;
    }
    bool flag(const char* key, bool fallback = false)
    {
        read(key, fallback);
        return fallback;
    }
    template <class T> T number(const char* key, T fallback = 0)
    {
        read(key, fallback);
        return fallback;
    }

    // Records a failure of the reader's own (a member of the right type
    // whose value is not accepted); returns false.
    bool fail(const char* key, const std::string& what);

private:
    template <class T> static constexpr long long lowest()
    {
        return static_cast<long long>(std::numeric_limits<T>::min());
    }
    template <class T> static constexpr long long highest()
    {
        return static_cast<long long>(std::numeric_limits<T>::max());
    }
    bool read_integer(const char* key, long long& out, long long lo, long long hi);
    // A member that does not fit: false under convert and exact, true
    // (read as absent) under the _or_absent policies.
    bool mismatch(const char* key, const std::string& what);
    bool converts() const { return m_policy == policy::convert || m_policy == policy::convert_or_absent; }

    const Json::Value& m_object;
    policy m_policy;
    std::string m_where;
    bool m_ok = true;
    bool m_found = false; // the last read set its target
    std::string m_error;
};

} // namespace vljson
