#include "core/json_text.h"

#include <cstring>
#include <memory>

namespace vlsdk
{

namespace
{

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

} // namespace

bool parse_request(const char* text, Json::Value& root)
{
    if (!text)
        return false;
    try {
        Json::CharReaderBuilder builder;
        // Defaults otherwise (comments and trailing commas allowed, any root,
        // extra text ignored, nesting limit 1000); only the comments are
        // dropped instead of being attached to the values.
        builder["collectComments"] = false;
        std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        Json::Value parsed;
        std::string errors;
        if (!reader->parse(text, text + std::strlen(text), &parsed, &errors))
            return false;
        root.swap(parsed);
        return true;
    } catch (const std::exception&) {
        // The reader throws instead of failing when the nesting limit is hit.
        return false;
    }
}

std::string write_compact(const Json::Value& value)
{
    return Json::writeString(compact_builder(), value);
}

std::string write_styled(const Json::Value& value)
{
    return Json::writeString(styled_builder(), value);
}

std::string write_fast(const Json::Value& value)
{
    return write_compact(value) + "\n";
}

} // namespace vlsdk
