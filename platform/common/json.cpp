#include "common/json.h"

#include <cmath>
#include <cstring>
#include <json/reader.h>
#include <json/writer.h>
#include <memory>

namespace vljson
{

namespace
{

Json::CharReaderBuilder make_reader(syntax rules)
{
    Json::CharReaderBuilder b;
    if (rules == syntax::strict)
        Json::CharReaderBuilder::strictMode(&b.settings_);
    // Comments are dropped, never attached to values: no text written from
    // a parsed value ever carries them.
    b["collectComments"] = false;
    return b;
}

const Json::CharReaderBuilder& reader_builder(syntax rules)
{
    static const Json::CharReaderBuilder lenient = make_reader(syntax::lenient);
    static const Json::CharReaderBuilder strict = make_reader(syntax::strict);
    return rules == syntax::strict ? strict : lenient;
}

const Json::StreamWriterBuilder& compact_builder()
{
    static const Json::StreamWriterBuilder builder = [] {
        Json::StreamWriterBuilder b;
        b["commentStyle"] = "None";
        b["indentation"] = "";
        return b;
    }();
    return builder;
}

const Json::StreamWriterBuilder& styled_builder()
{
    static const Json::StreamWriterBuilder builder;
    return builder;
}

// Length of the valid UTF-8 sequence at p (at most n bytes), 0 when none.
std::size_t sequence_length(const unsigned char* p, std::size_t n)
{
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            lo = 0xA0; // no overlong forms
        else if (c == 0xED)
            hi = 0x9F; // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            lo = 0x90;
        else if (c == 0xF4)
            hi = 0x8F; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (n < length || p[1] < lo || p[1] > hi)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF)
            return 0;
    return length;
}

bool tree_is_valid(const Json::Value& v)
{
    if (v.isString()) {
        const char* begin = nullptr;
        const char* end = nullptr;
        v.getString(&begin, &end);
        return is_valid_utf8(std::string_view(begin, std::size_t(end - begin)));
    }
    if (v.isArray()) {
        for (const auto& e : v)
            if (!tree_is_valid(e))
                return false;
        return true;
    }
    if (v.isObject()) {
        for (auto it = v.begin(); it != v.end(); ++it) {
            const char* end = nullptr;
            const char* key = it.memberName(&end);
            if (!is_valid_utf8(std::string_view(key, std::size_t(end - key))) || !tree_is_valid(*it))
                return false;
        }
    }
    return true;
}

Json::Value tree_made_valid(const Json::Value& v)
{
    if (v.isString()) {
        const char* begin = nullptr;
        const char* end = nullptr;
        v.getString(&begin, &end);
        return Json::Value(valid_utf8(std::string_view(begin, std::size_t(end - begin))));
    }
    if (v.isArray()) {
        Json::Value out(Json::arrayValue);
        for (const auto& e : v)
            out.append(tree_made_valid(e));
        return out;
    }
    if (v.isObject()) {
        Json::Value out(Json::objectValue);
        for (auto it = v.begin(); it != v.end(); ++it) {
            const char* end = nullptr;
            const char* key = it.memberName(&end);
            out[valid_utf8(std::string_view(key, std::size_t(end - key)))] = tree_made_valid(*it);
        }
        return out;
    }
    return v;
}

std::string write_with(const Json::StreamWriterBuilder& builder, const Json::Value& value)
{
    // The JSON library escapes what it takes for UTF-8 and reads any other
    // byte as part of some character: a device name in another code page
    // would come out as unrelated characters. Invalid texts are made valid
    // first (rarely needed, so the copy is made only then).
    if (tree_is_valid(value))
        return Json::writeString(builder, value);
    return Json::writeString(builder, tree_made_valid(value));
}

const char* type_word(bool converting, const char* exact, const char* converted)
{
    return converting ? converted : exact;
}

} // namespace

bool parse(std::string_view text, Json::Value& out, syntax rules, std::string* errors)
{
    try {
        std::unique_ptr<Json::CharReader> reader(reader_builder(rules).newCharReader());
        Json::Value parsed;
        std::string why;
        if (!reader->parse(text.data(), text.data() + text.size(), &parsed, &why)) {
            if (errors)
                *errors = why;
            return false;
        }
        out.swap(parsed);
        return true;
    } catch (const std::exception& e) {
        // The JSON library throws instead of failing when the nesting limit
        // is reached.
        if (errors)
            *errors = e.what();
        return false;
    }
}

bool parse(const char* text, Json::Value& out, syntax rules)
{
    return text && parse(std::string_view(text), out, rules);
}

bool parse_object(std::string_view text, Json::Value& out, syntax rules)
{
    Json::Value parsed;
    if (!parse(text, parsed, rules) || !parsed.isObject())
        return false;
    out.swap(parsed);
    return true;
}

std::string write_compact(const Json::Value& value)
{
    return write_with(compact_builder(), value);
}

std::string write_styled(const Json::Value& value)
{
    return write_with(styled_builder(), value);
}

std::string write_indented(const Json::Value& value, const char* indentation)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = indentation;
    return write_with(builder, value);
}

std::string write_fast(const Json::Value& value)
{
    return write_compact(value) + "\n";
}

bool is_valid_utf8(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = sequence_length(p + i, bytes.size() - i);
        if (!n)
            return false;
        i += n;
    }
    return true;
}

std::string valid_utf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = sequence_length(p + i, bytes.size() - i);
        if (n) {
            out.append(bytes.data() + i, n);
            i += n;
        } else {
            out.append("\xEF\xBF\xBD"); // U+FFFD
            ++i;
        }
    }
    return out;
}

const Json::Value& member(const Json::Value& object, const char* key)
{
    static const Json::Value null_value;
    if (!object.isObject())
        return null_value;
    const Json::Value* found = object.find(key, key + std::strlen(key));
    return found ? *found : null_value;
}

bool has(const Json::Value& object, const char* key)
{
    return !member(object, key).isNull();
}

// ---- reader -------------------------------------------------------------

reader::reader(const Json::Value& object, policy rules, std::string where)
    : m_object(object)
    , m_policy(rules)
    , m_where(std::move(where))
{
}

const Json::Value* reader::get(const char* key) const
{
    const Json::Value& v = member(m_object, key);
    return v.isNull() ? nullptr : &v;
}

bool reader::fail(const char* key, const std::string& what)
{
    if (m_ok)
        m_error = m_where + key + " must be " + what;
    m_ok = false;
    return false;
}

bool reader::mismatch(const char* key, const std::string& what)
{
    m_found = false;
    if (m_policy == policy::convert_or_absent || m_policy == policy::exact_or_absent)
        return true;
    return fail(key, what);
}

bool reader::read(const char* key, std::string& out)
{
    m_found = false;
    const Json::Value* v = get(key);
    if (!v)
        return true;
    if (v->isString() || (converts() && !v->isObject() && !v->isArray())) {
        out = v->asString(); // numbers in decimal, booleans "true" or "false"
        m_found = true;
        return true;
    }
    return mismatch(key, "a text");
}

bool reader::read(const char* key, bool& out)
{
    m_found = false;
    const Json::Value* v = get(key);
    if (!v)
        return true;
    if (v->isBool()) {
        out = v->asBool();
        m_found = true;
        return true;
    }
    if (converts() && v->isNumeric()) {
        out = v->asDouble() != 0.0;
        m_found = true;
        return true;
    }
    return mismatch(key, type_word(converts(), "true or false", "a flag"));
}

bool reader::read_integer(const char* key, long long& out, long long lo, long long hi)
{
    m_found = false;
    const Json::Value* v = get(key);
    if (!v)
        return true;
    const std::string what = "an integer from " + std::to_string(lo) + " to " + std::to_string(hi);
    long long value = 0;
    if (v->isBool() && converts()) {
        value = v->asBool() ? 1 : 0;
    } else if (v->isInt64()) {
        value = v->asInt64();
    } else if (v->isUInt64()) {
        return mismatch(key, what); // above every range a long long holds
    } else if (v->isDouble()) {
        const double d = v->asDouble();
        // Whole numbers always; under convert any real, cut toward zero.
        if (!std::isfinite(d) || (!converts() && d != std::floor(d)) || d < double(lo) || d > double(hi))
            return mismatch(key, what);
        value = static_cast<long long>(d);
    } else {
        return mismatch(key, what);
    }
    if (value < lo || value > hi)
        return mismatch(key, what);
    out = value;
    m_found = true;
    return true;
}

bool reader::read_clamped(const char* key, std::int32_t& out, std::int32_t lo, std::int32_t hi)
{
    m_found = false;
    const Json::Value* v = get(key);
    if (!v)
        return true;
    double d = 0;
    if (v->isNumeric())
        d = v->asDouble();
    else if (v->isBool() && converts())
        d = v->asBool() ? 1 : 0;
    else
        return mismatch(key, "a number");
    if (v->isInt64())
        out = static_cast<std::int32_t>(std::min<long long>(std::max<long long>(v->asInt64(), lo), hi));
    else if (!(d > lo)) // NaN as well
        out = lo;
    else if (d >= hi)
        out = hi;
    else
        out = static_cast<std::int32_t>(d);
    m_found = true;
    return true;
}

} // namespace vljson
