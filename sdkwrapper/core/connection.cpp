#include "core/connection.h"

#include "common/json.h"
#include "core/export_guard.h"
#include "core/log.h"
#include "core/login_request.h"

#include <algorithm>
#include <cstring>

namespace vlsdk
{

namespace
{

// The three callbacks handed to VLNet; the context is the connection.
void VLNET_CALL sdk_status_record_callback(int32_t status, const void* info, void* context)
{
    if (!context)
        return;
    export_guard("conn_callback", 0, [&] {
        static_cast<connection*>(context)->on_status(status, info, nullptr, nullptr);
        return 0;
    });
}

void VLNET_CALL sdk_status_text_callback(
    int32_t status, const char* device_info, const char* channel_info, void* context)
{
    if (!context)
        return;
    export_guard("conn_callback", 0, [&] {
        static_cast<connection*>(context)->on_status(status, nullptr, device_info, channel_info);
        return 0;
    });
}

void VLNET_CALL sdk_message_callback(int32_t id, const char* data, int32_t length, void* context)
{
    if (!context)
        return;
    export_guard("message_callback", 0, [&] {
        static_cast<connection*>(context)->on_message(id, data, length);
        return 0;
    });
}

template <size_t N> std::string slot_text(const char (&slot)[N])
{
    return std::string(slot, strnlen(slot, N));
}

bool is_mode_status(int status)
{
    return status == 121 || status == 122 || status == 127 || status == 156 || status == 157;
}

} // namespace

const char* connection_status_text(int status)
{
    switch (status) {
    case 0:
        return "connecting";
    case 2:
    case 3:
    case 4:
        return "close";
    case 101:
    case 151:
    case 152:
        return "success";
    case 102:
        return "user logined";
    case 103:
    case 104:
        return "user or password error";
    case 106:
        return "user no right";
    case 107:
        return "ip filter";
    case 108:
        return "max user";
    case 110:
        return "user disabled";
    case 111:
        return "force change password";
    case 112:
        return "force close brower";
    case 113:
        return "forbidden ip";
    case 121:
        return "p2p mode";
    case 122:
        return "relay mode";
    case 127:
        return "lan mode";
    case 153:
        return "login_failed_or_block";
    case 154:
        return "first_login_flag";
    case 155:
        return "illegal_param";
    case 156:
        return "none mode";
    case 157:
        return "unknown mode";
    case 158:
        return "http api version error";
    case 159:
        return "http have login";
    case 160:
        return "disable media in auto mode";
    case 161:
        return "http login 404";
    case 162:
        return "black ip";
    case 163:
        return "device reboot";
    case 164:
        return "need_double_check";
    default:
        return "";
    }
}

bool is_connection_state_status(int status)
{
    return status == 0 || (status >= 2 && status <= 4) || is_mode_status(status);
}

const vlnet_calls& sdk_vlnet_calls()
{
    static const vlnet_calls calls = { &VLNetConnectionStartV1, &VLNetConnectionStop, &VLNetGetDevInfo,
        &VLNetGetHttpDevInfo, &VLNetSimpleCmd, &VLNetStartAlarmRequestInfo, &VLNetStopAlarmRequestInfo,
        &VLNetStartAlarmParamInfo, &VLNetStopAlarmParamInfo, &VLNetSetNewDevInfoEx, &VLNetCapture,
        &VLNetPTZControl, &VLNetResetConnection, &VLNetSetEvenCheck, &VLNetAsyncStartQueryParamJson,
        &VLNetAsyncStartSetParamJson, &VLNetAsyncStopQueryParamJson, &VLNetRemoteParamImportNew,
        &VLNetExportBackupNew };
    return calls;
}

connection::connection(::device* owner, const vlnet_calls& calls)
    : m_owner(owner)
    , m_sdk(calls)
{
}

connection::~connection()
{
    destroy();
}

// ---- Login and logout (caller's thread) ---------------------------------

int connection::login(const vl_login_param& param)
{
    logout();

    Json::Value root;
    login_request request;
    if (!vljson::parse(param.json, root) || !read_login_request(root, request)) {
        write_log("dev:%p, this:%p, [%s] call <connection login> error:vl_parse_json_error\n",
            static_cast<void*>(m_owner), static_cast<void*>(this), m_label.c_str());
        return vl_parse_json_error;
    }

    m_disable_auto_send = request.disable_auto_send;
    m_status_callback = param.status_callback;
    m_message_callback = param.message_callback;
    m_raw_message_callback = param.raw_message_callback;
    m_user = param.user;
    m_address = request.address;
    if (request.has_port)
        m_port = request.port;
    m_label = m_address;
    m_password = request.password;

    clear_channel_tables();
    set_records(nullptr, nullptr);
    {
        // Texts held for an earlier session must not reach this one.
        std::lock_guard<std::mutex> hold(m_pending_lock);
        m_pending_status.clear();
        m_holding = false;
    }

    VLNET_CONNECTION_START_V1 start;
    fill_start_record(request, m_port, param.json, start);
    start.context = this;
    start.message_callback = &sdk_message_callback;
    start.status_text_callback = &sdk_status_text_callback;
    start.status_record_callback = &sdk_status_record_callback;
    int handle = 0;
    {
        std::lock_guard<std::recursive_mutex> gate(m_start_lock);
        handle = m_sdk.connection_start(&start);
        m_login_handle = handle;
        m_active = handle != 0;
    }

    // The handle as started: a callback may already have logged out again.
    const bool ok = handle != 0;
    write_log("dev:%p, this:%p, [%s] call <connection login> result:%s, param:%s\n",
        static_cast<void*>(m_owner), static_cast<void*>(this), m_label.c_str(), ok ? "success" : "fail",
        login_log_text(root).c_str());
    return ok ? vl_success : vl_fail;
}

int connection::logout()
{
    if (!m_active.load() && m_login_handle.load() == 0)
        return vl_success;
    m_active = false;
    int handle = m_login_handle.load();
    if (handle != 0)
        m_sdk.connection_stop(&handle);
    m_login_handle = 0;
    free_channel_records();
    m_alarm_changed = 0;
    m_status_callback = nullptr;
    m_message_callback = nullptr;
    m_raw_message_callback = nullptr;
    m_user = nullptr;
    write_log("dev:%p, this:%p, [%s] call <connection logout> result:success\n", static_cast<void*>(m_owner),
        static_cast<void*>(this), m_label.c_str());
    return vl_success;
}

void connection::destroy()
{
    free_channel_records();
    {
        std::lock_guard<std::mutex> hold(m_pending_lock);
        m_pending_status.clear();
        m_holding = false;
    }
    m_label.clear();
    m_address.clear();
    m_password.clear();
}

bool connection::started()
{
    if (m_active.load())
        return true;
    std::lock_guard<std::recursive_mutex> gate(m_start_lock);
    return m_active.load();
}

// ---- Information records -------------------------------------------------

device_record connection::record() const
{
    std::lock_guard<std::mutex> hold(m_record_lock);
    return m_device_record;
}

http_device_record connection::http_record() const
{
    std::lock_guard<std::mutex> hold(m_record_lock);
    return m_http_device_record;
}

void connection::set_records(const device_record* record, const http_device_record* http)
{
    std::lock_guard<std::mutex> hold(m_record_lock);
    if (record)
        m_device_record = *record;
    else
        std::memset(&m_device_record, 0, sizeof m_device_record);
    if (http)
        m_http_device_record = *http;
    else
        std::memset(&m_http_device_record, 0, sizeof m_http_device_record);
}

int connection::device_type() const
{
    std::lock_guard<std::mutex> hold(m_record_lock);
    return record_device_type(m_device_record);
}

int connection::channel_count() const
{
    std::lock_guard<std::mutex> hold(m_record_lock);
    return record_channel_count(m_device_record);
}

int connection::table_channel_count() const
{
    return std::min(channel_count(), kMaxChannels);
}

ability_facts connection::ability_facts_for(uint64_t channel) const
{
    ability_facts f;
    f.record = record();
    f.login_kind = m_login_kind.load();
    const uint64_t channels = static_cast<uint64_t>(record_channel_count(f.record));
    std::lock_guard<std::mutex> hold(m_state_lock);
    if (channel < m_channel_records.size() && channel < channels)
        f.channel_abilities = m_channel_records[channel].abilities;
    f.all_status_word = m_all_status_record.ability_word;
    f.talk_half = m_talk_half != 0;
    f.talk_full = m_talk_full != 0;
    f.new_rec_detail = m_support_new_rec_detail != 0;
    f.new_rec_file_download = m_support_new_rec_file_download != 0;
    f.ai_pic_report = m_support_ai_pic_report != 0;
    if (channel < static_cast<uint64_t>(kMaxChannels)) {
        for (int i = 0; i < 8; ++i)
            f.channel_flags[i] = m_channel_abilities[channel][i] != 0;
    }
    return f;
}

bool connection::channel_record_at(uint64_t channel, channel_record* out) const
{
    std::memset(out, 0, sizeof *out);
    std::lock_guard<std::mutex> hold(m_state_lock);
    if (channel >= m_channel_records.size())
        return false;
    *out = m_channel_records[channel];
    return true;
}

std::string connection::get_login_rsp() const
{
    return login_rsp_text(record());
}

void connection::clear_channel_tables()
{
    std::memset(m_channel_online, 0, sizeof m_channel_online);
    std::memset(m_channel_online_ex, 0, sizeof m_channel_online_ex);
    std::memset(m_http_channel_table, 0, sizeof m_http_channel_table);
    std::memset(m_channel_aux, 0, sizeof m_channel_aux);
    std::lock_guard<std::mutex> hold(m_state_lock);
    m_talk_half = 0;
    m_talk_full = 0;
    m_support_new_rec_detail = 0;
    m_support_new_rec_file_download = 0;
    m_support_ai_pic_report = 0;
    m_ability_spare = 0;
    std::memset(m_channel_abilities, 0, sizeof m_channel_abilities);
}

bool connection::simple_command(int command)
{
    VLNET_SIMPLE_CMD cmd;
    std::memset(&cmd, 0, sizeof cmd);
    cmd.command = VLNET_CMD_REQUEST_MESSAGE;
    cmd.param = command;
    return m_sdk.simple_cmd(m_login_handle.load(), &cmd) != 0;
}

bool connection::refresh_device_info(bool allow_requests)
{
    clear_channel_tables();
    set_records(nullptr, nullptr);
    {
        std::lock_guard<std::mutex> hold(m_state_lock);
        std::memset(&m_all_status_record, 0, sizeof m_all_status_record);
    }

    device_record fetched;
    std::memset(&fetched, 0, sizeof fetched);
    if (m_sdk.get_dev_info(m_login_handle.load(), &fetched, sizeof fetched) == 0)
        return false;
    set_records(&fetched, nullptr);

    std::memset(m_alarm_status, 0, sizeof m_alarm_status);
    m_motion_by_record = 0;
    m_io_by_record = 0;
    m_pir_by_record = 0;
    std::memset(m_by_record_spare, 0, sizeof m_by_record_spare);
    std::memset(m_alarm_reported, 0xFF, sizeof m_alarm_reported);

    bool asked_channel_status = false;
    if (allow_requests && !m_disable_auto_send) {
        const int type = record_device_type(fetched);
        if (type == kDeviceTypeNvr || type == kDeviceTypeDvr) {
            // Hold the login status from before the request goes out: the
            // reply may be converted on another thread before this one
            // returns to the status handler.
            hold_statuses();
            asked_channel_status = simple_command(VLNET_MSG_REMOTE_CH_STATUS);
            if (!asked_channel_status)
                release_held_statuses(); // no reply will come to release them
            simple_command(VLNET_MSG_DEV_ALL_STATUS);
        } else if (type == kDeviceTypeIpc) {
            simple_command(VLNET_MSG_DEV_ALL_STATUS);
        }
        if (record_intelligent_analysis(fetched)) {
            simple_command(612);
            simple_command(613);
        }
    }

    http_device_record http;
    std::memset(&http, 0, sizeof http);
    if (m_sdk.get_http_dev_info(m_login_handle.load(), &http, sizeof http) != 0)
        set_records(&fetched, &http);
    return asked_channel_status;
}

// ---- Status handling (VLNet's threads) ------------------------------------

void connection::hold_statuses()
{
    // Only a caller with a message callback ever sees the channel-status
    // reply converted, which is what releases held texts; without one the
    // statuses go out at once.
    if (!m_message_callback)
        return;
    std::lock_guard<std::mutex> hold(m_pending_lock);
    m_holding = true;
}

void connection::release_held_statuses()
{
    for (;;) {
        std::string text;
        {
            std::lock_guard<std::mutex> hold(m_pending_lock);
            // Holding ends only once the queue is empty, so that a status
            // arriving meanwhile queues up behind the older ones.
            if (m_pending_status.empty() || !m_active.load() || !m_status_callback) {
                if (m_pending_status.empty())
                    m_holding = false;
                return;
            }
            text = std::move(m_pending_status.front());
            m_pending_status.pop_front();
        }
        m_status_callback(text.c_str(), m_user);
    }
}

void connection::on_status(int status, const void* info, const char* device_info, const char* channel_info)
{
    if (!started() || !m_status_callback)
        return;

    switch (status) {
    case VLNET_STATUS_LOGIN_SUCCESS:
        m_login_kind = kLoginMedia;
        refresh_device_info(true);
        break;
    case VLNET_STATUS_HTTP_LOGIN:
        m_login_kind = kLoginHttp;
        refresh_device_info(false);
        break;
    case VLNET_STATUS_HTTPS_LOGIN:
        m_login_kind = kLoginHttps;
        refresh_device_info(false);
        break;
    case VLNET_STATUS_NOT_ACTIVATED: {
        http_device_record http;
        std::memset(&http, 0, sizeof http);
        if (m_sdk.get_http_dev_info(m_login_handle.load(), &http, sizeof http) != 0) {
            std::lock_guard<std::mutex> hold(m_record_lock);
            m_http_device_record = http;
        }
        break;
    }
    default:
        break;
    }

    const char* text = connection_status_text(status);
    if (!*text)
        return;
    Json::Value root(Json::objectValue);
    root["status"] = text;
    write_log("dev:%p, this:%p, [%s] <conn_callback>, param:%s\n", static_cast<void*>(m_owner),
        static_cast<void*>(this), m_label.c_str(), vljson::write_compact(root).c_str());

    if (info) {
        if (is_mode_status(status)) {
            const auto* mode = static_cast<const VLNET_MODE_INFO*>(info);
            if (mode->vid != 0 || mode->pid != 0 || mode->gid != 0) {
                root["vid"] = mode->vid;
                root["pid"] = mode->pid;
                root["gid"] = mode->gid;
            }
            if (mode->regions_list)
                root["regions_list"] = mode->regions_list;
            if (mode->current_region)
                root["current_region"] = mode->current_region;
        } else {
            root["http_body"] = static_cast<const char*>(info);
        }
    }

    if (status == VLNET_STATUS_LOGIN_SUCCESS || status == VLNET_STATUS_HTTP_LOGIN
        || status == VLNET_STATUS_HTTPS_LOGIN || status == VLNET_STATUS_NOT_ACTIVATED) {
        const http_device_record http = http_record();
        const std::string address = slot_text(http.address);
        const std::string preferred = slot_text(http.preferred_address);
        if (!address.empty() || !preferred.empty()) {
            Json::Value out(Json::objectValue);
            out["real_ip_or_id"] = slot_text(http.real_address);
            out["real_port"] = http.real_port;
            out["protocol"] = slot_text(http.protocol);
            out["ip"] = preferred.empty() ? address : preferred;
            out["port"] = http.port;
            if (status != VLNET_STATUS_LOGIN_SUCCESS) {
                out["token"] = slot_text(http.token);
                out["cookie"] = slot_text(http.cookie);
                out["is_https"] = static_cast<int>(http.https);
                out["password_enc"] = static_cast<int>(http.password_encryption);
                const std::string user = slot_text(http.user_name);
                if (!user.empty())
                    out["username"] = user;
                out["support_recover_password"] = static_cast<int>(http.support_recover_password);
                out["use_recover_password"] = static_cast<int>(http.use_recover_password);
                out["activation_pwd"] = http.activation_password != 0;
                out["syn_activation_pwd_enable"] = http.sync_activation_password != 0;
                if (device_info) {
                    out["device_info"] = device_info;
                    convert_alarm_list(
                        kMsgDeviceInfoText, device_info, static_cast<int>(std::strlen(device_info)));
                }
                if (channel_info) {
                    out["channel_info"] = channel_info;
                    convert_alarm_list(
                        kMsgChannelInfoText, channel_info, static_cast<int>(std::strlen(channel_info)));
                }
            }
            root["info"] = out;
        }
    }

    const std::string status_json = vljson::write_compact(root);
    bool held = false;
    {
        std::lock_guard<std::mutex> hold(m_pending_lock);
        if (is_connection_state_status(status)) {
            // A new connection state makes whatever is held stale.
            m_pending_status.clear();
            m_holding = false;
        }
        if (m_holding) {
            m_pending_status.push_back(status_json);
            held = true;
        }
    }
    if (!held) {
        m_status_callback(status_json.c_str(), m_user);
        if (channel_info && m_message_callback)
            report_http_channel_table();
    }

    if (status == VLNET_STATUS_LOGIN_SUCCESS && m_message_callback) {
        const int type = device_type();
        if (type != kDeviceTypeNvr && type != kDeviceTypeDvr)
            report_all_channels_online();
    }
}

void connection::send_message(const char* name, const Json::Value& root)
{
    if (m_message_callback)
        m_message_callback(name, vljson::write_styled(root).c_str(), m_user);
}

void connection::log_channel_status(const std::string& values)
{
    write_log("dev:%p, this:%p, [%s] channel_status:{%s}\n", static_cast<void*>(m_owner),
        static_cast<void*>(this), m_label.c_str(), values.c_str());
}

void connection::report_http_channel_table()
{
    const int count = table_channel_count();
    Json::Value list(Json::arrayValue);
    std::string values;
    for (int c = 0; c < count; ++c) {
        Json::Value entry(Json::objectValue);
        entry["online"] = m_http_channel_table[c].status;
        list.append(entry);
        values += std::to_string(m_http_channel_table[c].status);
    }
    log_channel_status(values);
    if (!list.empty())
        send_message("VLSDKChannelStatusEx", list);
}

void connection::report_all_channels_online()
{
    // A camera answers no channel-status request: all of its channels count
    // as online from a media login on.
    const int count = table_channel_count();
    if (count <= 0)
        return;
    Json::Value online(Json::arrayValue);
    for (int c = 0; c < count; ++c) {
        m_channel_online[c] = 1;
        Json::Value entry(Json::objectValue);
        entry["online"] = true;
        online.append(entry);
    }
    send_message("VLSDKChannelStatus", online);
    for (int c = 0; c < count; ++c)
        m_channel_online_ex[c] = 1;
    report_channel_online_ex();
}

} // namespace vlsdk
