#pragma once
// Reading values out of JSON that a device sent, without throwing: a member
// that is missing or of another type reads as empty, zero or false.
#include <cstdint>
#include <cstring>
#include <json/value.h>
#include <string>

namespace vlsdk
{

// The member `key` of an object; a null value for anything else.
inline const Json::Value& member(const Json::Value& v, const char* key)
{
    static const Json::Value null_value;
    if (!v.isObject())
        return null_value;
    const Json::Value* found = v.find(key, key + std::strlen(key));
    return found ? *found : null_value;
}

// Element i of an array; a null value for anything else.
inline const Json::Value& element(const Json::Value& v, Json::ArrayIndex i)
{
    static const Json::Value null_value;
    if (!v.isArray() || i >= v.size())
        return null_value;
    return v[i];
}

// True when the key is there and not null.
inline bool present(const Json::Value& v, const char* key)
{
    return !member(v, key).isNull();
}

// Booleans, and numbers other than zero.
inline bool as_flag(const Json::Value& v)
{
    if (v.isBool())
        return v.asBool();
    if (v.isNumeric())
        return v.asDouble() != 0.0;
    return false;
}

inline std::string text_of(const Json::Value& v)
{
    return v.isString() ? v.asString() : std::string();
}

// An integer as the device's 32-bit word: negative values wrap, as a device
// writes -1 for "all bits"; anything that is not an integer of 32 bits is 0.
inline uint32_t as_word(const Json::Value& v)
{
    if (v.isUInt())
        return v.asUInt();
    if (v.isInt())
        return static_cast<uint32_t>(v.asInt());
    return 0;
}

// A signed 64-bit integer; 0 for anything else.
inline int64_t as_int64(const Json::Value& v)
{
    if (v.isInt64())
        return v.asInt64();
    return 0;
}

} // namespace vlsdk
