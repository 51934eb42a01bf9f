#include "web_answers.h"

#include "common/ascii.h"
#include "common/hex.h"
#include "common/json.h"
#include "wire.h"

#include <cctype>
#include <cstring>
#include <map>

namespace vlnet
{

namespace
{

bool blank(char c)
{
    return c == ' ' || c == '\t';
}

// The parameters of a challenge: name=value or name="quoted value",
// separated by commas; names in lower case.
std::map<std::string, std::string> challengeParameters(std::string_view s)
{
    std::map<std::string, std::string> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (blank(s[i]) || s[i] == ','))
            ++i;
        std::string name;
        while (i < s.size() && s[i] != '=' && s[i] != ',' && !blank(s[i]))
            name += char(std::tolower(static_cast<unsigned char>(s[i++])));
        while (i < s.size() && blank(s[i]))
            ++i;
        if (i >= s.size() || s[i] != '=') {
            while (i < s.size() && s[i] != ',')
                ++i;
            continue;
        }
        ++i;
        while (i < s.size() && blank(s[i]))
            ++i;
        std::string value;
        if (i < s.size() && s[i] == '"') {
            ++i;
            while (i < s.size() && s[i] != '"') {
                if (s[i] == '\\' && i + 1 < s.size())
                    ++i;
                value += s[i++];
            }
            if (i < s.size())
                ++i; // the closing quote
        } else {
            while (i < s.size() && s[i] != ',' && !blank(s[i]))
                value += s[i++];
        }
        if (!name.empty() && !out.count(name))
            out[name] = value;
    }
    return out;
}

// The envelope's "data" when its "result" is `result`.
std::optional<Json::Value> envelopeData(std::string_view body, const char* result)
{
    Json::Value root;
    if (!vljson::parse_object(body, root, vljson::syntax::strict))
        return std::nullopt;
    const Json::Value* r = vljson::reader(root, vljson::policy::exact).get("result");
    if (!r || !r->isString() || r->asString() != result)
        return std::nullopt;
    const Json::Value* data = vljson::reader(root, vljson::policy::exact).get("data");
    if (!data || !data->isObject())
        return Json::Value(Json::objectValue);
    return *data;
}

} // namespace

std::optional<DigestChallenge> readDigestChallenge(std::string_view header)
{
    while (!header.empty() && blank(header.front()))
        header.remove_prefix(1);
    if (header.size() < 7 || !vlascii::sameIgnoringCase(header.substr(0, 6), "Digest") || !blank(header[6]))
        return std::nullopt;
    auto p = challengeParameters(header.substr(7));
    if (!p.count("realm"))
        return std::nullopt;
    DigestChallenge c;
    c.realm = p["realm"];
    c.nonce = p["nonce"];
    c.opaque = p["opaque"];
    c.algorithm = p["algorithm"];
    if (c.nonce.empty())
        return std::nullopt;
    if (!c.algorithm.empty() && !vlascii::sameIgnoringCase(c.algorithm, "MD5"))
        return std::nullopt;
    // qop is a list; "auth" is the one this client speaks.
    const std::string& qop = p["qop"];
    std::size_t at = 0;
    while (at <= qop.size()) {
        std::size_t end = qop.find(',', at);
        if (end == std::string::npos)
            end = qop.size();
        std::string_view token(qop.data() + at, end - at);
        while (!token.empty() && blank(token.front()))
            token.remove_prefix(1);
        while (!token.empty() && blank(token.back()))
            token.remove_suffix(1);
        if (vlascii::sameIgnoringCase(token, "auth"))
            c.qop = "auth";
        at = end + 1;
    }
    return c;
}

std::string digestAuthorization(const DigestChallenge& c, const std::string& user,
    const std::string& password, const std::string& method, const std::string& uri, const std::string& cnonce)
{
    const std::string nc = "00000001";
    vlwire::DigestInput in { user, c.realm, password, method, uri, c.nonce, nc, cnonce, c.qop };
    // Quoted texts: a user name with a quote or backslash is escaped.
    auto quoted = [](const std::string& text) {
        std::string out = "\"";
        for (char ch : text) {
            if (ch == '"' || ch == '\\')
                out += '\\';
            out += ch;
        }
        return out + "\"";
    };
    std::string h = "Digest username=" + quoted(user) + ", realm=" + quoted(c.realm)
        + ", nonce=" + quoted(c.nonce) + ", uri=" + quoted(uri)
        + ", algorithm=MD5, response=" + quoted(vlwire::httpDigestResponse(in));
    if (!c.qop.empty())
        h += ", qop=auth, nc=" + nc + ", cnonce=" + quoted(cnonce);
    if (!c.opaque.empty())
        h += ", opaque=" + quoted(c.opaque);
    return h;
}

std::string cookieOf(std::string_view setCookie)
{
    std::string_view pair = setCookie.substr(0, setCookie.find(';'));
    while (!pair.empty() && blank(pair.front()))
        pair.remove_prefix(1);
    while (!pair.empty() && blank(pair.back()))
        pair.remove_suffix(1);
    const std::size_t eq = pair.find('=');
    if (eq == 0 || eq == std::string_view::npos)
        return {};
    return std::string(pair);
}

std::optional<LoginRange> readLoginRange(std::string_view body)
{
    auto data = envelopeData(body, "success");
    if (!data)
        return std::nullopt;
    LoginRange r;
    vljson::reader in(*data, vljson::policy::convert_or_absent);
    in.read("http_port", r.httpPort, 0, 65535);
    in.read("https_port", r.httpsPort, 0, 65535);
    in.read("activated", r.activated);
    in.read("password_enc", r.passwordEncryption);
    in.read("support_recover_password", r.supportRecoverPassword);
    in.read("use_recover_password", r.useRecoverPassword);
    in.read("syn_activation_pwd", r.syncActivationPassword);
    return r;
}

WebLoginResult readWebLogin(int httpStatus, std::string_view body)
{
    WebLoginResult out;
    if (httpStatus == 404) {
        out.status = 161; // the device has no web login
        return out;
    }
    Json::Value root;
    if (!vljson::parse_object(body, root, vljson::syntax::strict))
        return out;
    vljson::reader r(root, vljson::policy::exact_or_absent);
    std::string result;
    r.read("result", result);
    if (result == "success") {
        out.success = httpStatus == 200;
        return out;
    }
    static const struct {
        const char* result;
        int status;
    } kRefusals[] = {
        { "password_error", VLNET_STATUS_WRONG_PASSWORD },
        { "user_not_exist", VLNET_STATUS_UNKNOWN_USER },
        { "user_disabled", 110 },
        { "login_locked", VLNET_STATUS_LOGIN_BLOCKED },
        { "not_activated", VLNET_STATUS_NOT_ACTIVATED },
    };
    for (const auto& k : kRefusals)
        if (result == k.result) {
            out.status = k.status;
            return out;
        }
    if (result == "login_refused") {
        const Json::Value* data = r.get("data");
        int status = 0;
        if (data && data->isObject())
            vljson::reader(*data, vljson::policy::exact_or_absent).read("status", status, 1, 999);
        out.status = status;
    }
    return out;
}

std::optional<std::string> readDataText(std::string_view body)
{
    auto data = envelopeData(body, "success");
    if (!data)
        return std::nullopt;
    Json::Value text(Json::objectValue);
    text["data"] = *data;
    return vljson::write_compact(text);
}

bool readDeviceRecord(std::string_view body, VLNET_DEVICE_INFO* out)
{
    auto data = envelopeData(body, "success");
    if (!data)
        return false;
    std::string hex;
    if (!vljson::reader(*data, vljson::policy::exact).read("record", hex) || hex.size() != 2 * sizeof *out)
        return false;
    auto bytes = vlhex::from_hex(hex);
    if (!bytes || bytes->size() != sizeof *out)
        return false;
    std::memcpy(out, bytes->data(), sizeof *out);
    return true;
}

} // namespace vlnet
