#include "core/ptz.h"

#include "common/json.h"
#include "core/log.h"

#include <climits>
#include <cstring>
#include <string>

namespace vlsdk
{

namespace
{

struct named_command {
    const char* operation;
    int command;
    int direction; // new-style steps: the action flag when starting
};

// The classic commands of "normal".
const named_command kNormalCommands[] = {
    { "up", VLNET_PTZ_UP, 0 },
    { "down", VLNET_PTZ_DOWN, 0 },
    { "left", VLNET_PTZ_LEFT, 0 },
    { "right", VLNET_PTZ_RIGHT, 0 },
    { "up left", VLNET_PTZ_UP_LEFT, 0 },
    { "up right", VLNET_PTZ_UP_RIGHT, 0 },
    { "down left", VLNET_PTZ_DOWN_LEFT, 0 },
    { "down right", VLNET_PTZ_DOWN_RIGHT, 0 },
    { "zoom in", VLNET_PTZ_ZOOM_IN, 0 },
    { "zoom out", VLNET_PTZ_ZOOM_OUT, 0 },
    { "focus near", VLNET_PTZ_FOCUS_NEAR, 0 },
    { "focus far", VLNET_PTZ_FOCUS_FAR, 0 },
    { "iris open", VLNET_PTZ_IRIS_OPEN, 0 },
    { "iris close", VLNET_PTZ_IRIS_CLOSE, 0 },
    { "auto scan", VLNET_PTZ_AUTO_SCAN, 0 },
    { "scan line", VLNET_PTZ_CRUISE, 0 },
    { "privacy mode", VLNET_PTZ_PRIVACY_MODE, 0 },
};

// The new-style commands.
const named_command kNewCommands[] = {
    { "zoom out", VLNET_PTZ_ZOOM_STEP, 0 },
    { "zoom in", VLNET_PTZ_ZOOM_STEP, 1 },
    { "focus near", VLNET_PTZ_FOCUS_STEP, 0 },
    { "focus far", VLNET_PTZ_FOCUS_STEP, 1 },
    { "zoom position", VLNET_PTZ_ZOOM_POSITION, 0 },
    { "focus position", VLNET_PTZ_FOCUS_POSITION, 0 },
    { "auto focus", VLNET_PTZ_AUTO_FOCUS, 0 },
    { "restore", VLNET_PTZ_RESTORE, 0 },
    { "refresh", VLNET_PTZ_REFRESH, 0 },
};

template <size_t N>
const named_command* find_command(const named_command (&table)[N], const std::string& operation)
{
    for (const auto& entry : table)
        if (operation == entry.operation)
            return &entry;
    return nullptr;
}

// A number read as unsigned and tested as signed: any whole number from
// INT32_MIN to UINT32_MAX, kept as its low 32 bits (4294967295 is -1).
bool read_word(vljson::reader& r, const char* key, int32_t& out)
{
    long long value = 0;
    if (!r.read(key, value, INT32_MIN, UINT32_MAX))
        return false;
    if (r.found())
        out = static_cast<int32_t>(static_cast<uint32_t>(value));
    return true;
}

// Element i of the preset list as a word; 0 past its end or when absent.
bool preset_at(const Json::Value& presets, int i, int32_t& out)
{
    out = 0;
    if (presets.isNull())
        return true;
    if (!presets.isArray())
        return false;
    if (Json::ArrayIndex(i) >= presets.size())
        return true;
    Json::Value holder(Json::objectValue);
    holder["preset"] = presets[Json::ArrayIndex(i)];
    vljson::reader r(holder, vljson::policy::convert);
    return read_word(r, "preset", out);
}

int32_t action_flag(const std::string& flag)
{
    return flag == "stop" ? 1 : 0; // "start" and anything else start
}

bool read_set_cruise(const Json::Value& request, vljson::reader& r, ptz_request& out)
{
    int32_t count = 0;
    int32_t speed = 0;
    if (!read_word(r, "preset count", count) || !r.read("speed", speed))
        return false;
    // A count below 0 would pass a test for "more than 32" as a huge
    // unsigned count does not: both are refused.
    if (count < 0 || count > kMaxCruisePresets)
        return true;
    VLNET_PTZ_CONTROL& rec = out.record;
    rec.action = 1;
    rec.param.cruise.preset_count = static_cast<uint8_t>(count);
    rec.param.cruise.marker = 5;
    rec.param.cruise.speed = static_cast<uint8_t>(speed);
    const Json::Value& presets = vljson::member(request, "pps");
    for (int i = 0; i < count; ++i) {
        int32_t preset = 0;
        if (!preset_at(presets, i, preset))
            return false;
        rec.param.cruise.presets[i] = static_cast<uint8_t>(preset);
    }
    out.command = VLNET_PTZ_SET_CRUISE;
    out.log_name = "ptz_control set cruise";
    return true;
}

// `family` names the export in the refusal's log line.
int send(const void* dev, const void* context, const connection& conn, const ptz_request& request,
    const char* family)
{
    const int handle = conn.login_handle();
    if (request.channel < 0 || request.command == 0 || handle == 0) {
        write_log("dev:%p, this:%p, [%s] call <%s start> error:vl_parse_ptz_param_error\n", dev, context,
            conn.label().c_str(), family);
        return vl_parse_ptz_param_error;
    }
    const int result = conn.sdk().ptz_control(handle, request.command, &request.record);
    // Any non-zero answer is logged as a success, a refusal (2) too; the
    // result code tells them apart.
    write_log("dev:%p, this:%p, [%s] call <%s> result:%s\n", dev, context, conn.label().c_str(),
        request.log_name, result != 0 ? "success" : "fail");
    if (result == 1)
        return vl_success;
    return result == 2 ? vl_no_right : vl_fail;
}

} // namespace

bool read_ptz_request(const Json::Value& request, ptz_request& out)
{
    out = ptz_request {};
    if (!request.isObject())
        return false;
    vljson::reader r(request, vljson::policy::convert);
    std::string type, operation, flag;
    if (!r.read("ptz type", type))
        return false;
    VLNET_PTZ_CONTROL& rec = out.record;
    if (type == "normal") {
        int32_t speed = 0;
        if (!read_word(r, "channel", out.channel) || !r.read("speed", speed)
            || !r.read("operation", operation) || !r.read("flag", flag))
            return false;
        const named_command* found = find_command(kNormalCommands, operation);
        out.command = found ? found->command : 0;
        rec.action = action_flag(flag);
        rec.param.move.speed = speed;
        out.log_name = "ptz_control start normal";
    } else if (type == "preset") {
        int32_t index = 0;
        if (!r.read("channel", out.channel) || !r.read("index", index) || !r.read("operation", operation))
            return false;
        out.command = operation == "set" ? VLNET_PTZ_SET_PRESET
            : operation == "clear"       ? VLNET_PTZ_CLEAR_PRESET
            : operation == "call"        ? VLNET_PTZ_CALL_PRESET
                                         : 0;
        rec.action = static_cast<int32_t>(static_cast<uint32_t>(index) + 1u);
        rec.param.move.speed = 3;
        out.log_name = "ptz_control start preset";
    } else if (type == "cruise") {
        int32_t speed = 0;
        int32_t time = 0;
        if (!r.read("flag", flag) || !read_word(r, "channel", out.channel) || !r.read("speed", speed)
            || !read_word(r, "time", time))
            return false;
        rec.action = action_flag(flag);
        rec.param.move.speed = 1;
        rec.param.move.time = time;
        rec.param.move.speed2 = speed;
        out.command = VLNET_PTZ_CRUISE;
        out.log_name = "ptz_control start cruise";
    } else if (type == "set cruise") {
        if (!read_word(r, "channel", out.channel) || !read_set_cruise(request, r, out))
            return false;
    } else if (type == "call cruise") {
        if (!read_word(r, "channel", out.channel))
            return false;
        rec.action = 1;
        out.command = VLNET_PTZ_CALL_CRUISE;
        out.log_name = "ptz_control call cruise";
    }
    rec.channel = out.channel;
    return true;
}

bool read_new_ptz_request(const Json::Value& request, ptz_request& out)
{
    out = ptz_request {};
    if (!request.isObject())
        return false;
    vljson::reader r(request, vljson::policy::convert);
    std::string type, operation, flag;
    int32_t speed = 0;
    if (!r.read("ptz type", type))
        return false;
    if (type != "normal")
        return true;
    if (!read_word(r, "channel", out.channel) || !r.read("speed", speed) || !r.read("operation", operation)
        || !r.read("flag", flag))
        return false;
    const named_command* found = find_command(kNewCommands, operation);
    out.command = found ? found->command : 0;
    VLNET_PTZ_CONTROL& rec = out.record;
    rec.channel = out.channel;
    rec.action = flag == "start" ? (found ? found->direction : 0) : flag == "stop" ? 2 : 0;
    // The two position commands carry the position here.
    rec.param.move.speed = speed;
    out.log_name = "new_ptz_control start normal";
    return true;
}

int ptz_control(const void* dev, const void* context, const char* json, const connection& conn)
{
    Json::Value root;
    ptz_request request;
    if (!vljson::parse(json, root) || !read_ptz_request(root, request)) {
        write_log("dev:%p, this:%p, [%s] call <ptz_control start> error:vl_parse_json_error\n", dev, context,
            conn.label().c_str());
        return vl_parse_json_error;
    }
    return send(dev, context, conn, request, "ptz_control");
}

int new_ptz_control(const void* dev, const void* context, const char* json, const connection& conn)
{
    Json::Value root;
    ptz_request request;
    if (!vljson::parse(json, root) || !read_new_ptz_request(root, request)) {
        write_log("dev:%p, this:%p, [%s] call <new_ptz_control start> error:vl_parse_json_error\n", dev,
            context, conn.label().c_str());
        return vl_parse_json_error;
    }
    return send(dev, context, conn, request, "new_ptz_control");
}

} // namespace vlsdk
