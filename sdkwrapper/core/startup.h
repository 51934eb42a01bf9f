#pragma once
// The pieces of start-up and log set-up that can be checked on their own:
// reading the JSON keys, filling the SDK records, finding the log file.
#include "vlnet.h"
#include "vlplay.h"

#include <cstdint>
#include <json/value.h>
#include <string>
#include <vector>

namespace vlsdk
{

// The start-up JSON, read completely before anything is started.
struct startup_options {
    std::string module_dir; // "windows dll path"
    bool has_max_hw_decode = false;
    int max_hw_decode = 0;
    bool has_aec = false; // all three echo-cancellation keys present
    std::string aec_model1;
    std::string aec_model2;
    std::string aec_key;
    int near_vol = 1;
    bool has_hw_render = false;
    bool hw_render = false;
    bool has_hw_render_d3d11 = false;
    bool hw_render_d3d11 = false;
    std::string main_addr;
    int main_port = 0;
    std::string sub_addr;
    int sub_port = 0;
    std::string oem_type;
    std::string region;
    bool disable_tutk = false;
    std::string router; // "vl iot router", only when a text
    std::string router_v1; // "vl iot router v1", a text or any value written as JSON
    std::string cache_dir; // "cache_directory", only when a text
    bool has_port = false;
    unsigned port = 0;
    bool has_relay_timeout = false;
    unsigned relay_timeout = 0;
    bool has_relay_only = false;
    bool relay_only = false;
};

// Reads every start-up key. *ok (when given) becomes false for a root that
// is neither null nor an object, or a value that cannot be read as its
// key's type.
startup_options read_startup_options(const Json::Value& root, bool* ok = nullptr);

// Fills the player's echo-cancellation and rendering record (text pointers
// point into options). True when the player is to be given it.
bool fill_play_info(const startup_options& options, VLPLAY_PLAY_INFO& info);

// Fills the P2P server record from the options (text pointers point into
// options; the P2P words are the caller's). True when any item was taken,
// which makes the P2P set-up needed. A server address that does not fit its
// field with a NUL is skipped, never cut, and described in notes.
bool fill_p2p_record(
    const startup_options& options, VLNET_P2P_SERVER_INFO& record, std::vector<std::string>& notes);

// True for the customer editions whose P2P servers are of kind 9.
bool is_p2p_kind9_edition(const std::string& oem_type);

// The wrapper log path that the network SDK's configuration file names: the
// first line holding "log_path" decides; its value after "=", without
// carriage returns, line feeds and blanks, is cut after its last path
// separator and "VLWrapper.txt" appended. Empty when the file is missing,
// has no such line, or the value yields no folder.
std::string wrapper_log_path_from_ini(const std::string& ini_path);

// The log JSON of vl_init_log.
struct log_options {
    std::string directory;
    int64_t max_size = 0;
    bool p2p_log = false;
    bool main_loop_log = false;
    bool net_log = false;
    bool http_log = false;
};

// *ok as for read_startup_options.
log_options read_log_options(const Json::Value& root, bool* ok = nullptr);

} // namespace vlsdk
