// Start-up, shut-down and log set-up of the library and the two SDKs below it.
#include "core/startup.h"

#include "core/export_guard.h"
#include "core/json_text.h"
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

const Json::Value& object_root(const Json::Value& root)
{
    if (!root.isNull() && !root.isObject())
        throw Json::LogicError("the request is not a JSON object");
    return root;
}

std::string text_value(const Json::Value& root, const char* key)
{
    return root.isObject() ? root[key].asString() : std::string();
}

// Keys the SDK takes only when they hold a text; anything else is ignored.
std::string text_if_text(const Json::Value& root, const char* key)
{
    return root.isObject() && root[key].isString() ? root[key].asString() : std::string();
}

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

startup_options read_startup_options(const Json::Value& input)
{
    const Json::Value& root = object_root(input);
    startup_options o;
    o.module_dir = text_value(root, "windows dll path");
    if (has_value(root, "max hardware decode num")) {
        o.has_max_hw_decode = true;
        o.max_hw_decode = root["max hardware decode num"].asInt();
    }
    if (has_value(root, "vl_audio_aec_model1_file") && has_value(root, "vl_audio_aec_model2_file")
        && has_value(root, "vl_audio_aec_model_key")) {
        o.has_aec = true;
        o.aec_model1 = root["vl_audio_aec_model1_file"].asString();
        o.aec_model2 = root["vl_audio_aec_model2_file"].asString();
        o.aec_key = root["vl_audio_aec_model_key"].asString();
        if (has_value(root, "near_vol"))
            o.near_vol = root["near_vol"].asInt();
    }
    if (root.isObject() && root.isMember("enable hw render")) {
        o.has_hw_render = true;
        o.hw_render = root["enable hw render"].asBool();
    }
    if (root.isObject() && root.isMember("enable hw render d3d11")) {
        o.has_hw_render_d3d11 = true;
        o.hw_render_d3d11 = root["enable hw render d3d11"].asBool();
    }
    o.main_addr = text_value(root, "vv main server addr");
    o.main_port = root.isObject() ? root["vv main server port"].asInt() : 0;
    o.sub_addr = text_value(root, "vv sub server addr");
    o.sub_port = root.isObject() ? root["vv sub server port"].asInt() : 0;
    o.oem_type = text_value(root, "oem type");
    o.region = text_value(root, "region");
    o.disable_tutk = root.isObject() && root["disable_tutk_p2p_mode"].asBool();
    o.router = text_if_text(root, "vl iot router");
    if (has_value(root, "vl iot router v1")) {
        const Json::Value& v1 = root["vl iot router v1"];
        o.router_v1 = v1.isString() ? v1.asString() : write_styled(v1);
    }
    o.cache_dir = text_if_text(root, "cache_directory");
    if (has_value(root, "port")) {
        o.has_port = true;
        o.port = root["port"].asUInt();
    }
    if (has_value(root, "relay_mode_timeout_seconds")) {
        o.has_relay_timeout = true;
        o.relay_timeout = root["relay_mode_timeout_seconds"].asUInt();
    }
    if (has_value(root, "only_relay_mode")) {
        o.has_relay_only = true;
        o.relay_only = root["only_relay_mode"].asBool();
    }
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

log_options read_log_options(const Json::Value& input)
{
    const Json::Value& root = object_root(input);
    log_options o;
    if (!root.isObject())
        return o;
    o.directory = root["directory"].asString();
    o.max_size = root["max size"].asInt64();
    o.p2p_log = root["enable p2p log"].asBool();
    o.main_loop_log = root["enable main loop log"].asBool();
    o.net_log = root["enable net log"].asBool();
    o.http_log = root["enable http log"].asBool();
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
            if (!parse_request(p.json, root))
                return vl_parse_json_error;
            // Every key is read before anything starts, so a value of the
            // wrong type fails the start-up as a whole.
            try {
                options = read_startup_options(root);
            } catch (const Json::Exception&) {
                return vl_parse_json_error;
            }
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
        if (!parse_request(json, root))
            return vl_parse_json_error;
        log_options options;
        try {
            options = read_log_options(root);
        } catch (const Json::Exception&) {
            return vl_parse_json_error;
        }
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
