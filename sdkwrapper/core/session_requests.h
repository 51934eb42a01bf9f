#pragma once
// The request JSON of the session, parameter, P2P and recorded-file exports,
// read as those exports read it (leniently parsed; a missing or null key
// reads as absent; a value of another type is vl_parse_json_error). Kept
// apart from the exports so that the fuzz target reads them the same way.
#include "vl_sdk_wrapper.h"
#include "vlnet.h"
#include "vlplay.h"

#include <cstdint>
#include <string>

namespace vlsdk
{

// {"p2p id", "p2p type", "time out"} of vl_check_p2p_status.
struct p2p_check_request {
    std::string id;
    std::string type;
    uint32_t timeout = 0;
};
// 0, vl_parse_json_error (null, no JSON, a value of another type), or
// vl_invalid_argument: an empty id or type, a zero time-out, or an id that
// does not fit the network SDK's 64-byte slot with its NUL.
int read_p2p_check_request(const char* json, p2p_check_request& out);
// The network SDK's record: the id, the time-out, the kind of the type.
void fill_p2p_check(const p2p_check_request& request, VLNET_P2P_CHECK& record);

// {"p2p type"} of vl_init_p2p_resource_manual: 0, vl_parse_json_error, or
// vl_invalid_argument for an empty type.
int read_p2p_type_request(const char* json, std::string& type);

// {"message", "type", "data"} of vl_query_param and vl_set_param.
struct param_request {
    int message = 0;
    int type = 0;
    std::string data;
};
// 0 or vl_parse_json_error.
int read_param_request(const char* json, param_request& out);

// The request of vl_get_file_time_v1: the file name (the first non-empty of
// "filename", "file_name" and "file name"), "password", "comv_index".
struct file_time_request {
    std::string file;
    std::string password;
    int32_t comv_index = 0;
};
// 0, or vl_fail: null, no JSON, a value of another type (this export
// answers vl_fail for them).
int read_file_time_request(const char* json, file_time_request& out);
// The player's open record: 0, or vl_invalid_argument for a file name that
// does not fit its 1056 bytes with its NUL. A password is cut to 63 bytes.
int fill_play_file(const file_time_request& request, VLPLAY_PLAY_FILE& entry);

// {"max hardware decode num"} of vl_play_dynamic_config: 0 with *present
// set when the key is there and not null, or vl_parse_json_error.
int read_play_config(const char* json, int32_t& max_decode, bool& present);

} // namespace vlsdk
