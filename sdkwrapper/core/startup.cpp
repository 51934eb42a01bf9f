// Start-up, shut-down and log set-up of the library and the two SDKs below it.
#include "core/startup.h"

#include "common/json.h"
#include "core/export_guard.h"
#include "core/log.h"
#include "params/ParamRegistry.h"
#include "sys/module_path.h"
#include "vl_sdk_wrapper.h"

#include <atomic>
#include <cstring>
#include <fstream>
#include <json/json.h>

namespace vlsdk
{

namespace
{

// Start-ups not yet matched by a shut-down. The host program may have
// started the network SDK itself and never calls our start-up; a shut-down
// without a start-up must not release the SDK references it holds.
std::atomic<int> g_sdk_starts { 0 };

// Customer editions whose P2P servers are of kind 9.
const char* const kKind9Editions[] = { "dorvex_vv", "dorvex_vv_pro" };

// Copies text with its NUL into a fixed field when it fits; false (field
// left zero) when it does not.
template <size_t N> bool copy_field(char (&field)[N], const std::string& text)
{
    if (text.size() >= N)
        return false;
    std::memcpy(field, text.c_str(), text.size() + 1);
    return true;
}

void log_line(const char* operation, const char* outcome)
{
    write_log("dev:%p, this:%p, [:] call <%s> %s\n", static_cast<void*>(nullptr), static_cast<void*>(nullptr),
        operation, outcome);
}

} // namespace

startup_options read_startup_options(const Json::Value& root, bool* ok)
{
    // Every key converts as the JSON library converts it; a value that does
    // not (an object where a text is meant, a text where a number is) makes
    // the whole start-up unreadable.
    vljson::reader r(root, vljson::policy::convert);
    startup_options o;
    r.read("windows dll path", o.module_dir);
    if (r.has("max hardware decode num")) {
        o.has_max_hw_decode = true;
        r.read("max hardware decode num", o.max_hw_decode);
    }
    if (r.has("vl_audio_aec_model1_file") && r.has("vl_audio_aec_model2_file")
        && r.has("vl_audio_aec_model_key")) {
        o.has_aec = true;
        r.read("vl_audio_aec_model1_file", o.aec_model1);
        r.read("vl_audio_aec_model2_file", o.aec_model2);
        r.read("vl_audio_aec_model_key", o.aec_key);
        r.read("near_vol", o.near_vol);
    }
    // These two count as given even when null.
    if (root.isObject() && root.isMember("enable hw render")) {
        o.has_hw_render = true;
        r.read("enable hw render", o.hw_render);
    }
    if (root.isObject() && root.isMember("enable hw render d3d11")) {
        o.has_hw_render_d3d11 = true;
        r.read("enable hw render d3d11", o.hw_render_d3d11);
    }
    r.read("vv main server addr", o.main_addr);
    r.read("vv main server port", o.main_port);
    r.read("vv sub server addr", o.sub_addr);
    r.read("vv sub server port", o.sub_port);
    r.read("oem type", o.oem_type);
    r.read("region", o.region);
    r.read("disable_tutk_p2p_mode", o.disable_tutk);
    // Taken only when a text; any other value is ignored.
    vljson::reader texts_only(root, vljson::policy::exact_or_absent);
    texts_only.read("vl iot router", o.router);
    texts_only.read("cache_directory", o.cache_dir);
    if (const Json::Value* v1 = r.get("vl iot router v1"))
        o.router_v1 = v1->isString() ? v1->asString() : vljson::write_styled(*v1);
    if (r.has("port")) {
        o.has_port = true;
        r.read("port", o.port);
    }
    if (r.has("relay_mode_timeout_seconds")) {
        o.has_relay_timeout = true;
        r.read("relay_mode_timeout_seconds", o.relay_timeout);
    }
    if (r.has("only_relay_mode")) {
        o.has_relay_only = true;
        r.read("only_relay_mode", o.relay_only);
    }
    if (ok)
        *ok = r.ok() && (root.isNull() || root.isObject());
    return o;
}

bool fill_play_info(const startup_options& o, VLPLAY_PLAY_INFO& info)
{
    if (o.has_aec) {
        info.aec_model1_file = o.aec_model1.c_str();
        info.aec_model2_file = o.aec_model2.c_str();
        info.aec_model_key = o.aec_key.c_str();
        info.near_volume = o.near_vol;
    }
    info.hw_render = o.hw_render ? 1 : 0;
    info.hw_render_d3d11 = o.hw_render_d3d11 ? 1 : 0;
    return o.has_hw_render_d3d11 || o.has_aec || o.has_hw_render;
}

bool is_p2p_kind9_edition(const std::string& oem_type)
{
    for (const char* edition : kKind9Editions) {
        if (oem_type == edition)
            return true;
    }
    return false;
}

bool fill_p2p_record(const startup_options& o, VLNET_P2P_SERVER_INFO& record, std::vector<std::string>& notes)
{
    bool taken = false;
    if (!o.main_addr.empty() && o.main_port != 0) {
        // A cut address would send the P2P layer to another host: leave the
        // servers out instead.
        if (!copy_field(record.main_server_addr, o.main_addr)) {
            notes.push_back("error:p2p main server address too long, servers skipped");
        } else {
            record.main_server_port = o.main_port;
            taken = true;
            if (!o.sub_addr.empty() && o.sub_port != 0) {
                if (copy_field(record.sub_server_addr, o.sub_addr))
                    record.sub_server_port = o.sub_port;
                else
                    notes.push_back("error:p2p sub server address too long, sub server skipped");
            }
        }
    }
    if (is_p2p_kind9_edition(o.oem_type)) {
        record.server_kind = 9;
        taken = true;
    }
    if (o.region == "region_us") {
        record.region_us = 1;
        taken = true;
    }
    if (o.disable_tutk) {
        record.tutk_mode_off = 1;
        taken = true;
    }
    if (!o.router.empty()) {
        record.router = o.router.c_str();
        taken = true;
    }
    if (!o.router_v1.empty()) {
        record.router_v1 = o.router_v1.c_str();
        taken = true;
    }
    if (!o.cache_dir.empty()) {
        record.cache_directory = o.cache_dir.c_str();
        taken = true;
    }
    if (!o.module_dir.empty()) {
        record.module_directory = o.module_dir.c_str();
        taken = true;
    }
    if (o.has_port && o.port < 65535) {
        record.port = static_cast<int32_t>(o.port);
        taken = true;
    }
    if (o.has_relay_timeout) {
        record.relay_timeout_seconds = static_cast<int32_t>(o.relay_timeout);
        taken = true;
    }
    if (o.has_relay_only) {
        record.relay_only = o.relay_only ? 1 : 0;
        taken = true;
    }
    return taken;
}

std::string wrapper_log_path_from_ini(const std::string& ini_path)
{
    std::ifstream in(ini_path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const size_t key = line.find("log_path");
        if (key == std::string::npos)
            continue;
        // The first line naming log_path decides, even when it has no value.
        const size_t eq = line.find('=', key + std::strlen("log_path"));
        if (eq == std::string::npos)
            return {};
        std::string value;
        for (size_t i = eq + 1; i < line.size(); ++i) {
            const char c = line[i];
            if (c != '\r' && c != '\n' && c != ' ' && c != '\t')
                value += c;
        }
#if defined(_WIN32)
        size_t cut = value.find_last_of('\\');
        if (cut == std::string::npos)
            cut = value.find_last_of('/');
#else
        size_t cut = value.find_last_of('/');
        if (cut == std::string::npos)
            cut = value.find_last_of('\\');
#endif
        if (value.empty() || cut == std::string::npos)
            return {};
        return value.substr(0, cut + 1) + "VLWrapper.txt";
    }
    return {};
}

log_options read_log_options(const Json::Value& root, bool* ok)
{
    vljson::reader r(root, vljson::policy::convert);
    log_options o;
    r.read("directory", o.directory);
    r.read("max size", o.max_size);
    r.read("enable p2p log", o.p2p_log);
    r.read("enable main loop log", o.main_loop_log);
    r.read("enable net log", o.net_log);
    r.read("enable http log", o.http_log);
    if (ok)
        *ok = r.ok() && (root.isNull() || root.isObject());
    return o;
}

} // namespace vlsdk

using namespace vlsdk;

extern "C" {

VL_API int vl_sdk_wrapper_init(const char* json)
{
    return export_guard("sdk_wrapper_init", static_cast<int>(vl_fail), [&] {
        vl_init_param param {};
        param.json = json;
        return vl_sdk_wrapper_init_v1(&param);
    });
}

VL_API int vl_sdk_wrapper_init_v1(vl_init_param* param)
{
    return export_guard("sdk_wrapper_init", static_cast<int>(vl_fail), [&]() -> int {
        const vl_init_param none {};
        const vl_init_param& p = param ? *param : none;
        const bool has_json = p.json != nullptr;
        startup_options options;
        if (has_json) {
            Json::Value root;
            if (!vljson::parse(p.json, root))
                return vl_parse_json_error;
            // Every key is read before anything starts, so a value of the
            // wrong type fails the start-up as a whole.
            bool readable = false;
            options = read_startup_options(root, &readable);
            if (!readable)
                return vl_parse_json_error;
        }

        VLNetInit();
        VLPlayInitPlayLib(4, 0, options.module_dir.empty() ? nullptr : options.module_dir.c_str());
        ++g_sdk_starts;

        VLNET_P2P_SERVER_INFO p2p {};
        bool p2p_needed = false;
        std::vector<std::string> notes;
        if (has_json) {
            if (options.has_max_hw_decode)
                VLPlaySetMaxHardwareDecodeNumber(options.max_hw_decode);
            VLPLAY_PLAY_INFO play {};
            if (fill_play_info(options, play))
                VLPlayRegisterPlayInfo(&play);
            p2p_needed = fill_p2p_record(options, p2p, notes);
        }
        if (p.p2p_word1 != 0) {
            p2p.p2p_word1 = p.p2p_word1;
            p2p.p2p_word2 = p.p2p_word2;
            VLNetInitP2PServerInfo(&p2p);
        } else if (p2p_needed) {
            VLNetInitP2PServerInfo(&p2p);
        }
        if (!options.cache_dir.empty()) {
            VLPLAY_MORE_INFO more {};
            more.cache_directory = options.cache_dir.c_str();
            VLPlayInitMoreInfo(&more);
        }

        if (!log_file_is_open()) {
            const std::string path = wrapper_log_path_from_ini(vlsys::executableDir() + "VLNet.ini");
            if (!path.empty())
                log_open_file(path);
        }
        for (const std::string& note : notes)
            log_line("sdk_wrapper_init", note.c_str());
        log_line("sdk_wrapper_init", "result:success");
        return vl_success;
    });
}

VL_API int vl_sdk_wrapper_uninit(void)
{
    return export_guard("sdk_wrapper_uninit", static_cast<int>(vl_fail), [&] {
        // The objects are deleted and the registry emptied, so a parameter
        // call after this builds fresh objects instead of reaching freed ones.
        param_registry().Clear();
        int starts = g_sdk_starts.load();
        while (starts > 0 && !g_sdk_starts.compare_exchange_weak(starts, starts - 1)) { }
        if (starts > 0) {
            VLPlayDeinitPlayLib();
            VLNetRelease();
        }
        log_line("sdk_wrapper_uninit", "result:success");
        log_close_file();
        return static_cast<int>(vl_success);
    });
}

VL_API int vl_init_log(const char* json)
{
    return export_guard("init_log", static_cast<int>(vl_fail), [&]() -> int {
        Json::Value root;
        if (!vljson::parse(json, root))
            return vl_parse_json_error;
        bool readable = false;
        const log_options options = read_log_options(root, &readable);
        if (!readable)
            return vl_parse_json_error;
        const std::string& dir = options.directory;
        // Without a folder there is no log file: an empty folder would put
        // the files at the root of the file system.
        VLNET_LOG_INFO net {};
        if (!dir.empty())
            copy_field(net.file_path, dir + "/VLNet.txt");
        net.net_log = options.net_log ? 1 : 0;
        net.main_loop_log = options.main_loop_log ? 1 : 0;
        net.p2p_log = options.p2p_log ? 1 : 0;
        net.http_log = options.http_log ? 1 : 0;
        net.directory = dir.c_str();
        net.json = json;
        VLNetInitLog(&net);

        VLPLAY_LOG_INFO play {};
        if (!dir.empty())
            copy_field(play.file_path, dir + "/VLPlay.txt");
        play.directory = dir.c_str();
        play.json = json;
        VLPlayInitLog(&play);

        if (!dir.empty())
            log_open_file(dir + "/VLWrapper.txt", options.max_size, dir + "/VLWrapper_1.txt");
        return vl_success;
    });
}

VL_API int vl_init_log_ex(vl_log_param* param)
{
    return export_guard("init_log_ex", static_cast<int>(vl_fail), [&]() -> int {
        if (!param)
            return vl_fail;
        log_set_callback(param->callback);
        if (!param->json)
            return vl_fail;
        return vl_init_log(param->json);
    });
}

} // extern "C"
