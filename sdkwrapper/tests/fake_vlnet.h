#pragma once
// A network SDK for connection tests: it keeps a copy of the start record
// (its texts too, which live only during the call), answers the information
// requests from records the test sets, notes the simple commands and the
// face subscriptions, and lets the test play VLNet by calling the start
// record's callbacks.
#include "core/connection.h"
#include "vlnet.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace fake
{

struct StartCopy {
    VLNET_CONNECTION_START_V1 record {};
    std::optional<std::string> address, user, password, ddns, remote, register_uid, event_ext, login_json,
        post_data;
};

struct Sdk {
    int next_handle = 7;
    bool refuse = false;
    std::vector<StartCopy> starts;
    std::vector<int> stopped;
    bool dev_info_ok = true;
    VLNET_DEVICE_INFO dev {};
    int dev_info_calls = 0;
    bool http_ok = true;
    VLNET_HTTP_DEVICE_INFO http {};
    bool command_ok = true;
    std::vector<int> commands;
    std::function<void(int)> on_command; // runs inside VLNetSimpleCmd

    // Face subscriptions: "report <login handle>" / "param <login handle>"
    // for each start, "stop report <handle>" / "stop param <handle>" for
    // each stop, under alarm_lock (starts may come from several threads).
    std::mutex alarm_lock;
    bool refuse_alarm = false;
    int next_alarm = 500;
    std::vector<std::string> alarm_calls;
    VLNET_ALARM_REQUEST_INFO last_request {};
    VLNET_ALARM_PARAM_INFO last_param {};
    std::function<void()> on_alarm_start; // runs inside the start call, outside alarm_lock

    // The network change, snapshots and PTZ: the records as passed, and
    // the result every one of these calls answers.
    int sdk_result = 1;
    std::vector<VLNET_NEW_DEV_INFO> new_dev_infos;
    struct Capture {
        int handle;
        VLNET_CAPTURE record;
    };
    std::vector<Capture> captures;
    struct Ptz {
        int handle;
        int command;
        VLNET_PTZ_CONTROL record;
    };
    std::vector<Ptz> ptz;

    // The session exports: what they were given, and what the calls answer.
    std::vector<int> resets;
    std::vector<std::pair<int, int>> even_checks; // handle, data
    int even_check_result = 0;
    struct Async {
        int handle;
        bool set;
        std::vector<uint8_t> bytes; // the whole record as passed
    };
    std::vector<Async> async_starts;
    std::vector<std::pair<int, int>> async_stops; // handle, request
    int async_result = 41;
    struct Import {
        int handle;
        uint32_t size;
        uint32_t length;
        std::vector<uint8_t> head; // bytes 8 to 39
        std::vector<uint8_t> data;
    };
    std::vector<Import> imports;
    int import_result = 1;
    std::vector<int> exports;
    std::string export_data; // handed to the handler, 40 bytes into a block, when not empty
    std::string export_block; // the last block handed over
    int export_result = 1;

    std::vector<std::string> alarms()
    {
        std::lock_guard<std::mutex> hold(alarm_lock);
        return alarm_calls;
    }

    // The callbacks of the last start, as VLNet would call them.
    void status(int s, const char* device_info = nullptr, const char* channel_info = nullptr)
    {
        const auto& r = starts.back().record;
        r.status_text_callback(s, device_info, channel_info, r.context);
    }
    void status_record(int s, const void* info)
    {
        const auto& r = starts.back().record;
        r.status_record_callback(s, info, r.context);
    }
    void message(int id, const void* data, int length)
    {
        const auto& r = starts.back().record;
        r.message_callback(id, static_cast<const char*>(data), length, r.context);
    }
};

inline Sdk* g_sdk = nullptr;

inline std::optional<std::string> copy(const char* p)
{
    return p ? std::optional<std::string>(p) : std::nullopt;
}

inline int VLNET_CALL start(const VLNET_CONNECTION_START_V1* s)
{
    StartCopy c;
    c.record = *s;
    c.address = copy(s->address);
    c.user = copy(s->user);
    c.password = copy(s->password);
    c.ddns = copy(s->ddns_server);
    c.remote = copy(s->remote_terminal_info);
    c.register_uid = copy(s->register_uid);
    c.event_ext = copy(s->event_check_ext_data);
    c.login_json = copy(s->login_json);
    c.post_data = copy(s->login_post_data_json);
    g_sdk->starts.push_back(c);
    return g_sdk->refuse ? 0 : g_sdk->next_handle++;
}

inline int VLNET_CALL stop(int* handle)
{
    g_sdk->stopped.push_back(*handle);
    *handle = 0;
    return 1;
}

inline int VLNET_CALL get_dev_info(int, VLNET_DEVICE_INFO* info, int size)
{
    ++g_sdk->dev_info_calls;
    if (!g_sdk->dev_info_ok || size < int(sizeof *info))
        return 0;
    *info = g_sdk->dev;
    return 1;
}

inline int VLNET_CALL get_http_dev_info(int, VLNET_HTTP_DEVICE_INFO* info, int size)
{
    if (!g_sdk->http_ok || size < int(sizeof *info))
        return 0;
    *info = g_sdk->http;
    return 1;
}

inline int VLNET_CALL simple_cmd(int, const VLNET_SIMPLE_CMD* cmd)
{
    g_sdk->commands.push_back(cmd->param);
    if (g_sdk->on_command)
        g_sdk->on_command(cmd->param);
    return g_sdk->command_ok ? 1 : 0;
}

inline int alarm_start(const char* kind, int handle)
{
    if (g_sdk->on_alarm_start)
        g_sdk->on_alarm_start();
    std::lock_guard<std::mutex> hold(g_sdk->alarm_lock);
    g_sdk->alarm_calls.push_back(std::string(kind) + " " + std::to_string(handle));
    return g_sdk->refuse_alarm ? 0 : g_sdk->next_alarm++;
}

inline int alarm_stop(const char* kind, int* handle)
{
    std::lock_guard<std::mutex> hold(g_sdk->alarm_lock);
    g_sdk->alarm_calls.push_back(std::string("stop ") + kind + " " + std::to_string(*handle));
    *handle = 0;
    return 1;
}

inline int VLNET_CALL start_alarm_request_info(int handle, const VLNET_ALARM_REQUEST_INFO* info)
{
    {
        std::lock_guard<std::mutex> hold(g_sdk->alarm_lock);
        g_sdk->last_request = *info;
    }
    return alarm_start("report", handle);
}

inline int VLNET_CALL stop_alarm_request_info(int* handle)
{
    return alarm_stop("report", handle);
}

inline int VLNET_CALL start_alarm_param_info(int handle, const VLNET_ALARM_PARAM_INFO* info)
{
    {
        std::lock_guard<std::mutex> hold(g_sdk->alarm_lock);
        g_sdk->last_param = *info;
    }
    return alarm_start("param", handle);
}

inline int VLNET_CALL stop_alarm_param_info(int* handle)
{
    return alarm_stop("param", handle);
}

inline int VLNET_CALL set_new_dev_info_ex(const VLNET_NEW_DEV_INFO* info)
{
    g_sdk->new_dev_infos.push_back(*info);
    return g_sdk->sdk_result;
}

inline int VLNET_CALL capture(int handle, const VLNET_CAPTURE* capture)
{
    g_sdk->captures.push_back({ handle, *capture });
    return g_sdk->sdk_result;
}

inline int VLNET_CALL ptz_control(int handle, int command, const VLNET_PTZ_CONTROL* control)
{
    g_sdk->ptz.push_back({ handle, command, *control });
    return g_sdk->sdk_result;
}

inline int VLNET_CALL reset_connection(int handle)
{
    g_sdk->resets.push_back(handle);
    return 1;
}

inline int VLNET_CALL set_even_check(int handle, int data)
{
    g_sdk->even_checks.push_back({ handle, data });
    return g_sdk->even_check_result;
}

template <class Record> int async_start(int handle, const Record* record, bool set)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(record);
    g_sdk->async_starts.push_back({ handle, set, std::vector<uint8_t>(bytes, bytes + sizeof *record) });
    return g_sdk->async_result;
}

inline int VLNET_CALL async_start_query_json(int handle, const VLNET_ASYNC_JSON_QUERY* query)
{
    return async_start(handle, query, false);
}

inline int VLNET_CALL async_start_set_json(int handle, const VLNET_ASYNC_JSON_SET* set)
{
    return async_start(handle, set, true);
}

inline int VLNET_CALL async_stop_json(int handle, int request)
{
    g_sdk->async_stops.push_back({ handle, request });
    return 1;
}

inline int VLNET_CALL remote_param_import(int handle, const VLNET_PARAM_IMPORT* record)
{
    Sdk::Import i;
    i.handle = handle;
    i.size = record->size;
    i.length = record->length;
    i.head.assign(record->name, record->name + sizeof record->name);
    i.data.assign(record->data, record->data + std::min<uint32_t>(record->length, sizeof record->data));
    g_sdk->imports.push_back(std::move(i));
    return g_sdk->import_result;
}

inline int VLNET_CALL export_backup(int handle, const VLNET_EXPORT_BACKUP* request)
{
    g_sdk->exports.push_back(handle);
    if (!g_sdk->export_data.empty()) {
        g_sdk->export_block = std::string(40, '\0') + g_sdk->export_data;
        request->handler(g_sdk->export_block.data(), int32_t(g_sdk->export_data.size()), request->context);
    }
    return g_sdk->export_result;
}

inline const vlsdk::vlnet_calls kCalls = { &start, &stop, &get_dev_info, &get_http_dev_info, &simple_cmd,
    &start_alarm_request_info, &stop_alarm_request_info, &start_alarm_param_info, &stop_alarm_param_info,
    &set_new_dev_info_ex, &capture, &ptz_control, &reset_connection, &set_even_check, &async_start_query_json,
    &async_start_set_json, &async_stop_json, &remote_param_import, &export_backup };

// A device record of the given type and channel count.
inline VLNET_DEVICE_INFO device_of_type(int type, int channels)
{
    VLNET_DEVICE_INFO r;
    std::memset(&r, 0, sizeof r);
    r.high_type = uint32_t(type & 0xF) << 8;
    r.channel_num = uint8_t(channels > 255 ? 255 : channels);
    r.sys_channel_num = uint32_t(channels);
    return r;
}

} // namespace fake
