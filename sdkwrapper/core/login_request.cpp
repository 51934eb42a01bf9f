#include "core/login_request.h"

#include "common/json.h"
#include "core/login_tables.h"

#include <climits>
#include <cstring>

namespace vlsdk
{

namespace
{

// Keys that the login reads whatever the request holds; the log shows the
// missing ones as null.
const char* const kReadKeys[] = {
    "disable auto send msg",
    "ip or id",
    "remote_terminal_info",
    "register_uid",
    "user",
    "password",
    "enable_http_api_version_check",
    "enable_new_cgi_check",
    "disable_media_in_auto_mode",
    "event_check_ext_data",
    "p2p type",
    "ddns id server addr",
    "oem type",
    "support_new_schedule",
};

bool present(const Json::Value& root, const char* key)
{
    return root.isMember(key);
}

} // namespace

uint8_t protocol_flags_from_text(std::string text)
{
    if (text.find("auto") != std::string::npos)
        return 7;
    struct token {
        const char* text;
        uint8_t bit;
    };
    static const token kTokens[] = { { "media", 1 }, { "https", 4 }, { "http", 2 }, { "65000", 8 } };
    uint8_t flags = 0;
    for (const auto& t : kTokens) {
        const size_t at = text.find(t.text);
        if (at == std::string::npos)
            continue;
        flags |= t.bit;
        const size_t length = std::strlen(t.text);
        text.replace(at, length, length, '0');
    }
    return flags;
}

bool read_login_request(const Json::Value& root, login_request& out)
{
    if (!root.isObject())
        return false;
    out = login_request {};
    // Callers send values of every type where a text or a number is meant;
    // the JSON library's conversions decide, anything else is unreadable.
    vljson::reader r(root, vljson::policy::convert);
    r.read("disable auto send msg", out.disable_auto_send);
    r.read("ip or id", out.address);
    if (r.has("port")) {
        out.has_port = true;
        r.read("port", out.port);
    } else if (r.has("media port")) {
        out.has_port = true;
        r.read("media port", out.port);
    }
    r.read("remote_terminal_info", out.remote_terminal_info);
    r.read("register_uid", out.register_uid);
    r.read("user", out.user);
    r.read("password", out.password);
    r.read("enable_http_api_version_check", out.enable_http_api_version_check);
    r.read("enable_new_cgi_check", out.enable_new_cgi_check);
    r.read("disable_media_in_auto_mode", out.disable_media_in_auto_mode);
    r.read("event_check_ext_data", out.event_check_ext_data);
    if (!r.ok())
        return false;
    if (out.remote_terminal_info.empty())
        out.remote_terminal_info = "windows";

    std::string protocol;
    bool has_protocol_text = false;
    if (present(root, "real_protocol")) {
        if (!r.read("real_protocol", protocol))
            return false;
        has_protocol_text = true;
        out.real_protocol = 1;
    } else if (present(root, "protocol")) {
        if (!r.read("protocol", protocol))
            return false;
        has_protocol_text = true;
    }
    if (has_protocol_text) {
        out.protocol_flags = protocol_flags_from_text(protocol);
        if (protocol.find("auto") != std::string::npos)
            out.real_protocol = 0;
    } else if (present(root, "enable_http_check")) {
        bool check = false;
        if (!r.read("enable_http_check", check))
            return false;
        out.protocol_flags = check ? 7 : 1;
    }

    std::string word;
    if (!r.read("p2p type", word))
        return false;
    out.p2p_type = p2p_type_number(word);
    if (!r.read("ddns id server addr", out.ddns_server))
        return false;
    const Json::Value& post = vljson::member(root, "login_post_data_json");
    if (post.isObject())
        out.post_data = vljson::write_styled(post);
    else if (post.isString())
        out.post_data = post.asString();
    out.has_post_data = !out.post_data.empty();
    word.clear();
    if (!r.read("oem type", word))
        return false;
    out.oem_type = oem_type_number(word);
    return r.read("support_new_schedule", out.support_new_schedule);
}

void fill_start_record(
    const login_request& r, int32_t port, const char* login_json, VLNET_CONNECTION_START_V1& s)
{
    std::memset(&s, 0, sizeof s);
    s.address = r.address.c_str();
    s.port = port;
    s.user = r.user.c_str();
    s.password = r.password.c_str();
    s.word16 = 0;
    s.word20 = 0;
    s.word28 = 1;
    s.word36 = 1;
    s.word40 = 0;
    s.p2p_type = r.p2p_type;
    s.ddns_server = r.ddns_server.empty() ? nullptr : r.ddns_server.c_str();
    s.byte52 = 0;
    s.byte53 = 0;
    s.oem_type = r.oem_type;
    s.protocol_flags = r.protocol_flags;
    s.remote_terminal_info = r.remote_terminal_info.c_str();
    s.enable_http_api_version_check = r.enable_http_api_version_check ? 1 : 0;
    s.real_protocol = r.real_protocol;
    s.disable_media_in_auto_mode = r.disable_media_in_auto_mode ? 1 : 0;
    s.enable_new_cgi_check = r.enable_new_cgi_check ? 1 : 0;
    s.register_uid = r.register_uid.empty() ? nullptr : r.register_uid.c_str();
    s.event_check_ext_data = r.event_check_ext_data.empty() ? nullptr : r.event_check_ext_data.c_str();
    s.support_new_schedule = r.support_new_schedule ? 1 : 0;
    s.login_json = login_json;
    s.login_post_data_json = r.has_post_data ? r.post_data.c_str() : nullptr;
}

std::string login_log_text(Json::Value root)
{
    if (!root.isObject())
        root = Json::Value(Json::objectValue);
    for (const char* key : kReadKeys) {
        if (!root.isMember(key))
            root[key] = Json::Value();
    }
    root["password"] = "******";
    return vljson::write_styled(root);
}

} // namespace vlsdk
