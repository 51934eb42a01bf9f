#pragma once
// The login request of a device connection: the caller's login JSON read
// into plain values, the network SDK's start record filled from them, and
// the request as the log shows it (password masked).
//
// Value conversions: a key that is absent reads as null. Texts: null gives
// "", numbers their decimal text, booleans "true" or "false". Flags: null
// false, numbers true when non-zero, booleans themselves. Integers: null 0,
// booleans 0 or 1, numbers their value. Any other type (an object where a
// text is read, a text where a flag or number is read, a number outside the
// 32-bit range) makes the request unreadable.
#include "vlnet.h"

#include <cstdint>
#include <json/value.h>
#include <string>

namespace vlsdk
{

struct login_request {
    bool disable_auto_send = false; // "disable auto send msg"
    std::string address; // "ip or id"
    bool has_port = false; // "port", else "media port", present and not null
    int32_t port = 0;
    std::string remote_terminal_info; // "windows" when empty
    std::string register_uid;
    std::string user;
    std::string password;
    bool enable_http_api_version_check = false;
    bool enable_new_cgi_check = false;
    bool disable_media_in_auto_mode = false;
    std::string event_check_ext_data;
    uint8_t protocol_flags = 0; // "real_protocol", "protocol" or "enable_http_check"
    uint8_t real_protocol = 0; // 1 when the flags came from "real_protocol"
    int32_t p2p_type = 0; // "p2p type" (login_tables.h)
    std::string ddns_server; // "ddns id server addr"
    bool has_post_data = false; // "login_post_data_json" gave a non-empty text
    std::string post_data;
    uint8_t oem_type = 0; // "oem type" (login_tables.h)
    bool support_new_schedule = false;
};

// Reads every key of a login request. False when the root is not an object
// or a key holds a value of a type its conversion does not accept; `out` is
// then incomplete.
bool read_login_request(const Json::Value& root, login_request& out);

// The protocol flags of a protocol text: 7 when it contains "auto";
// otherwise the first "media" (1), "https" (4), "http" (2) and "65000" (8),
// searched in this order, each found token blanked before the next search,
// so that "https" never also counts as "http".
uint8_t protocol_flags_from_text(std::string text);

// Fills the start record after zero-filling it: the request's values, the
// given port and the caller's whole login JSON. Text pointers point into
// `request` and `login_json`, which must outlive the start call. The
// context and the three callbacks are left for the connection to set.
void fill_start_record(
    const login_request& request, int32_t port, const char* login_json, VLNET_CONNECTION_START_V1& start);

// The request as the log shows it, styled: "password" replaced by "******"
// (added when missing) and every key the login reads unconditionally shown,
// as null when the request lacks it.
std::string login_log_text(Json::Value root);

} // namespace vlsdk
