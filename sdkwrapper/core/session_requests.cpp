#include "core/session_requests.h"

#include "common/json.h"
#include "core/login_tables.h"

#include <cstring>

namespace vlsdk
{

namespace
{

bool parse_object_or_null(const char* json, Json::Value& root)
{
    return json && vljson::parse(json, root);
}

} // namespace

int read_p2p_check_request(const char* json, p2p_check_request& out)
{
    out = p2p_check_request {};
    Json::Value root;
    if (!parse_object_or_null(json, root))
        return vl_parse_json_error;
    vljson::reader r(root, vljson::policy::convert);
    r.read("p2p id", out.id);
    r.read("p2p type", out.type);
    r.read("time out", out.timeout);
    if (!r.ok())
        return vl_parse_json_error;
    if (out.id.empty() || out.type.empty() || out.timeout == 0)
        return vl_invalid_argument;
    // The identity fills a 64-byte slot: a longer one would reach the device
    // cut, as the identity of another.
    if (out.id.size() >= sizeof(VLNET_P2P_CHECK::p2p_id))
        return vl_invalid_argument;
    return vl_success;
}

void fill_p2p_check(const p2p_check_request& request, VLNET_P2P_CHECK& record)
{
    std::memset(&record, 0, sizeof record);
    const size_t n = std::min(request.id.size(), sizeof record.p2p_id - 1);
    std::memcpy(record.p2p_id, request.id.data(), n);
    record.timeout_ms = static_cast<int32_t>(request.timeout);
    record.kind = p2p_kind_number(request.type);
}

int read_p2p_type_request(const char* json, std::string& type)
{
    type.clear();
    Json::Value root;
    if (!parse_object_or_null(json, root))
        return vl_parse_json_error;
    vljson::reader r(root, vljson::policy::convert);
    r.read("p2p type", type);
    if (!r.ok())
        return vl_parse_json_error;
    return type.empty() ? vl_invalid_argument : vl_success;
}

int read_param_request(const char* json, param_request& out)
{
    out = param_request {};
    Json::Value root;
    if (!parse_object_or_null(json, root))
        return vl_parse_json_error;
    vljson::reader r(root, vljson::policy::convert);
    r.read("message", out.message);
    r.read("type", out.type);
    r.read("data", out.data);
    return r.ok() ? vl_success : vl_parse_json_error;
}

int read_file_time_request(const char* json, file_time_request& out)
{
    out = file_time_request {};
    Json::Value root;
    if (!parse_object_or_null(json, root))
        return vl_fail;
    vljson::reader r(root, vljson::policy::convert);
    for (const char* key : { "filename", "file_name", "file name" }) {
        std::string name;
        r.read(key, name);
        if (out.file.empty())
            out.file = name;
    }
    r.read("password", out.password);
    r.read("comv_index", out.comv_index);
    return r.ok() ? vl_success : vl_fail;
}

int fill_play_file(const file_time_request& request, VLPLAY_PLAY_FILE& entry)
{
    std::memset(&entry, 0, sizeof entry);
    // A cut name would open another file.
    if (request.file.size() >= sizeof entry.file_name)
        return vl_invalid_argument;
    std::memcpy(entry.file_name, request.file.data(), request.file.size());
    const size_t n = std::min(request.password.size(), sizeof entry.password - 1);
    std::memcpy(entry.password, request.password.data(), n);
    entry.comv_index = request.comv_index;
    return vl_success;
}

int read_play_config(const char* json, int32_t& max_decode, bool& present)
{
    present = false;
    Json::Value root;
    if (!parse_object_or_null(json, root))
        return vl_parse_json_error;
    vljson::reader r(root, vljson::policy::convert);
    r.read("max hardware decode num", max_decode);
    if (!r.ok())
        return vl_parse_json_error;
    present = r.found();
    return vl_success;
}

} // namespace vlsdk
