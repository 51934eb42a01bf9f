#pragma once
// Reading requests and writing results, the same way for every export.
#include <json/json.h>
#include <string>

namespace vlsdk
{

// Parses a request text leniently: comments and trailing commas are
// accepted, any value may be the root and text after it is ignored.
// Comments are not kept, so no result written from a request ever carries
// them. Returns false (root untouched) for a null text, a parse failure or
// nesting deeper than 1000.
bool parse_request(const char* text, Json::Value& root);

// One line, no indentation, no comments: {"a":1,"b":[1,2]}
std::string write_compact(const Json::Value& value);

// The JSON library's default layout: one member per line, one tab per level,
// no final line feed.
std::string write_styled(const Json::Value& value);

// The compact text followed by one line feed, as the parameter answers are
// written (what the JSON library's deprecated FastWriter gives).
std::string write_fast(const Json::Value& value);

// True when the key is there and not null (keys that count only then).
inline bool has_value(const Json::Value& root, const char* key)
{
    return root.isObject() && root.isMember(key) && !root[key].isNull();
}

} // namespace vlsdk
