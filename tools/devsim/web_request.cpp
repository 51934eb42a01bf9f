#include "web_request.h"

#include "common/ascii.h"
#include "common/json.h"
#include "wire.h"

#include <cstdlib>

namespace devsim
{

namespace
{

std::string_view trim(std::string_view s)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

const std::pair<const char*, std::string DigestCredentials::*> kDigestFields[] = {
    { "username", &DigestCredentials::username },
    { "realm", &DigestCredentials::realm },
    { "nonce", &DigestCredentials::nonce },
    { "uri", &DigestCredentials::uri },
    { "response", &DigestCredentials::response },
    { "qop", &DigestCredentials::qop },
    { "nc", &DigestCredentials::nc },
    { "cnonce", &DigestCredentials::cnonce },
    { "algorithm", &DigestCredentials::algorithm },
    { "opaque", &DigestCredentials::opaque },
};

} // namespace

HeaderList parseHeaderBlock(std::string_view head)
{
    HeaderList out;
    if (auto end = head.find("\r\n\r\n"); end != std::string_view::npos)
        head = head.substr(0, end + 2);
    bool first = true;
    while (!head.empty()) {
        size_t eol = head.find('\n');
        std::string_view line = head.substr(0, eol);
        head.remove_prefix(eol == std::string_view::npos ? head.size() : eol + 1);
        if (first) { // the request line
            first = false;
            continue;
        }
        size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0)
            continue;
        out.emplace_back(std::string(trim(line.substr(0, colon))), std::string(trim(line.substr(colon + 1))));
    }
    return out;
}

std::optional<std::string> headerValue(const HeaderList& headers, std::string_view name)
{
    for (const auto& [key, value] : headers)
        if (vlascii::sameIgnoringCase(key, name))
            return value;
    return std::nullopt;
}

bool parseJsonBody(std::string_view body, Json::Value* out)
{
    if (trim(body).empty()) {
        *out = Json::Value(Json::objectValue);
        return true;
    }
    return vljson::parse_object(body, *out);
}

std::string envelope(const std::string& result, const Json::Value& data)
{
    Json::Value o(Json::objectValue);
    o["result"] = result;
    o["data"] = data.isNull() ? Json::Value(Json::objectValue) : data;
    return vljson::write_compact(o);
}

std::string withResult(std::string_view body, const std::string& result)
{
    Json::Value v;
    if (!parseJsonBody(body, &v))
        v = Json::Value(Json::objectValue);
    v["result"] = result;
    return vljson::write_compact(v);
}

const WebSession* findWebSession(const std::vector<WebSession>& sessions, const HeaderList& headers)
{
    auto cookie = headerValue(headers, "Cookie");
    auto token = headerValue(headers, "X-csrftoken");
    if (!cookie || !token || cookie->empty() || token->empty())
        return nullptr;
    for (const auto& s : sessions)
        if (s.cookie == *cookie && s.token == *token)
            return &s;
    return nullptr;
}

std::optional<DigestCredentials> parseDigestAuthorization(std::string_view header)
{
    header = trim(header);
    if (header.size() < 7 || !vlascii::sameIgnoringCase(header.substr(0, 6), "Digest")
        || (header[6] != ' ' && header[6] != '\t'))
        return std::nullopt;
    header.remove_prefix(7);
    DigestCredentials c;
    while (!header.empty()) {
        header = trim(header);
        if (!header.empty() && header.front() == ',') {
            header.remove_prefix(1);
            continue;
        }
        size_t eq = header.find('=');
        if (eq == std::string_view::npos)
            break;
        std::string_view key = trim(header.substr(0, eq));
        header.remove_prefix(eq + 1);
        header = trim(header);
        std::string value;
        if (!header.empty() && header.front() == '"') {
            size_t i = 1;
            bool closed = false;
            for (; i < header.size(); ++i) {
                if (header[i] == '\\' && i + 1 < header.size()) {
                    value += header[++i];
                } else if (header[i] == '"') {
                    closed = true;
                    break;
                } else {
                    value += header[i];
                }
            }
            if (!closed)
                return std::nullopt;
            header.remove_prefix(i + 1);
        } else {
            size_t comma = header.find(',');
            value = std::string(trim(header.substr(0, comma)));
            header.remove_prefix(comma == std::string_view::npos ? header.size() : comma);
        }
        for (const auto& [name, member] : kDigestFields)
            if (vlascii::sameIgnoringCase(key, name)) {
                c.*member = value;
                break;
            }
    }
    if (c.username.empty() || c.realm.empty() || c.nonce.empty() || c.uri.empty() || c.response.empty())
        return std::nullopt;
    return c;
}

std::string digestResponse(const DigestCredentials& c, const std::string& password, const std::string& method)
{
    return vlwire::httpDigestResponse(
        { c.username, c.realm, password, method, c.uri, c.nonce, c.nc, c.cnonce, c.qop });
}

UploadCheck checkUpload(const HeaderList& headers, const UploadExpectation& expected)
{
    auto token = headerValue(headers, "X-Upgrade-Token");
    if (!token || token->empty() || expected.token.empty())
        return UploadCheck::NoToken;
    if (*token != expected.token)
        return UploadCheck::WrongToken;
    auto length = headerValue(headers, "Content-Length");
    if (!length || length->empty() || length->size() > 19
        || length->find_first_not_of("0123456789") != std::string::npos)
        return UploadCheck::NoLength;
    if (std::strtoull(length->c_str(), nullptr, 10) != expected.size)
        return UploadCheck::WrongSize;
    return UploadCheck::Ok;
}

const char* uploadCheckName(UploadCheck check)
{
    switch (check) {
    case UploadCheck::Ok:
        return "ok";
    case UploadCheck::NoToken:
        return "no_token";
    case UploadCheck::WrongToken:
        return "wrong_token";
    case UploadCheck::NoLength:
        return "no_length";
    case UploadCheck::WrongSize:
        return "wrong_size";
    }
    return "?";
}

} // namespace devsim
