#pragma once
// The login session of one device object (`device` embeds exactly one).
//
// login() turns the caller's login JSON into the network SDK's start record
// and starts the VLNet connection; what VLNet reports comes back on VLNet's
// threads: connection states and login results become one compact JSON
// status text for the caller's status callback ({"status": "success", ...}),
// device messages go to the message converters and, unchanged, to the
// caller's raw-message callback. After a successful login the connection
// fetches the device-information records (the login response) and reports
// the channels' online state. logout() stops the VLNet connection.
//
// Threads and locks:
// - login(), logout() and destroy() run on the caller's thread, never two at
//   once (the device serialises them under its lock) and never from inside
//   one of this connection's own callbacks.
// - on_status() and on_message() run on VLNet's threads. They do nothing
//   while `active` is false; VLNetConnectionStop (in logout) returns only
//   once no callback of the connection runs any more, so nothing is reported
//   after logout() has returned.
// - m_start_lock is held across VLNetConnectionStartV1 and the storing of
//   its handle: a status that VLNet reports right after the start call has
//   returned waits there instead of being lost for `active` still being
//   false.
// - m_pending_lock guards the held status texts; it is never held while a
//   caller's callback runs.
// - m_record_lock guards the two information records, which the caller's
//   thread reads (login response, device type) while a VLNet thread
//   refreshes them.
// - m_state_lock guards what the caller's thread reads of the device's
//   messages (abilities): the channel records of the last message 611, the
//   all-status record and the HTTP abilities. A new array of channel
//   records is built first and swapped in under the lock; logout frees it
//   under the lock. It is never held while a callback runs.
// The channel, online and alarm tables change only on VLNet's callback
// threads and in login(), before the connection starts.
#include "core/device_abilities.h"
#include "core/device_messages.h"
#include "core/device_record.h"
#include "vl_sdk_wrapper.h"
#include "vlnet.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <json/value.h>
#include <mutex>
#include <string>
#include <vector>

namespace vlsdk
{

using http_device_record = VLNET_HTTP_DEVICE_INFO;

// One channel of the HTTP channel table: its name and its online value
// (1 online, 3 asleep, 0 offline, -1 not configured).
struct http_channel_entry {
    char name[16];
    int32_t status;
};
static_assert(sizeof(http_channel_entry) == 20, "HTTP channel entry");

// The alarm state of one channel: single-byte fields, 0 (no alarm), 1 or 2.
struct alarm_entry {
    int8_t field[87];
};
static_assert(sizeof(alarm_entry) == 87, "alarm entry");

// The network SDK calls a connection makes. Devices use the SDK itself;
// tests hand a connection calls of their own.
struct vlnet_calls {
    int(VLNET_CALL* connection_start)(const VLNET_CONNECTION_START_V1* start);
    int(VLNET_CALL* connection_stop)(int* handle);
    int(VLNET_CALL* get_dev_info)(int handle, VLNET_DEVICE_INFO* info, int size);
    int(VLNET_CALL* get_http_dev_info)(int handle, VLNET_HTTP_DEVICE_INFO* info, int size);
    int(VLNET_CALL* simple_cmd)(int handle, const VLNET_SIMPLE_CMD* cmd);
    // The face subscriptions of the device's feature instances.
    int(VLNET_CALL* start_alarm_request_info)(int handle, const VLNET_ALARM_REQUEST_INFO* info);
    int(VLNET_CALL* stop_alarm_request_info)(int* handle);
    int(VLNET_CALL* start_alarm_param_info)(int handle, const VLNET_ALARM_PARAM_INFO* info);
    int(VLNET_CALL* stop_alarm_param_info)(int* handle);
    // The network change (no login), the snapshot and PTZ.
    int(VLNET_CALL* set_new_dev_info_ex)(const VLNET_NEW_DEV_INFO* info);
    int(VLNET_CALL* capture)(int handle, const VLNET_CAPTURE* capture);
    int(VLNET_CALL* ptz_control)(int handle, int command, const VLNET_PTZ_CONTROL* control);
    // The session exports: reset, check word, asynchronous JSON requests,
    // configuration import and export.
    int(VLNET_CALL* reset_connection)(int handle);
    int(VLNET_CALL* set_even_check)(int handle, int data);
    int(VLNET_CALL* async_start_query_json)(int handle, const VLNET_ASYNC_JSON_QUERY* query);
    int(VLNET_CALL* async_start_set_json)(int handle, const VLNET_ASYNC_JSON_SET* set);
    int(VLNET_CALL* async_stop_json)(int handle, int request);
    int(VLNET_CALL* remote_param_import)(int handle, const VLNET_PARAM_IMPORT* record);
    int(VLNET_CALL* export_backup)(int handle, const VLNET_EXPORT_BACKUP* request);
};
const vlnet_calls& sdk_vlnet_calls();

class connection
{
public:
    explicit connection(::device* owner, const vlnet_calls& calls = sdk_vlnet_calls());
    ~connection();
    connection(const connection&) = delete;
    connection& operator=(const connection&) = delete;

    // Logs out, then reads the login JSON and starts the VLNet connection.
    // 0 when VLNet took the start record (the outcome arrives through the
    // status callback), -1 when it returned no handle, -3 when the JSON does
    // not parse, is no object or holds a value of a wrong type (the
    // connection then stays closed and keeps its earlier callbacks cleared).
    int login(const vl_login_param& param);
    // Stops the VLNet connection and forgets the caller's callbacks. A
    // connection that was never started is left alone (no log line).
    // Always 0.
    int logout();
    // Fetches both information records anew; with requests allowed (and
    // "disable auto send msg" off) asks the device for its status messages.
    // True when the channel-status request (611) went out.
    bool refresh_device_info(bool allow_requests);
    // Frees the channel records, drops held status texts and clears the
    // login texts; the device's teardown runs it after logout().
    void destroy();

    // Status handler (VLNet's threads): info is the record or text of the
    // status-record callback; the texts are those of the status-text callback.
    void on_status(int status, const void* info, const char* device_info, const char* channel_info);
    // Message dispatch (VLNet's threads).
    void on_message(int id, const char* data, int length);

    // The login response: the device-information record as JSON (styled).
    std::string get_login_rsp() const;
    // A copy of the device-information record (all zero before a login).
    device_record record() const;
    http_device_record http_record() const;
    // Bits 40 to 43 of the record's device-type word.
    int device_type() const;
    // "sys_channel_num" when non-zero, else "ChannelNum".
    int channel_count() const;

    // The facts behind the ability answers for one channel (any thread).
    ability_facts ability_facts_for(uint64_t channel) const;
    // A copy of the channel's record of the last channel status (611);
    // false (and *out zeroed) when there is none for the channel.
    bool channel_record_at(uint64_t channel, channel_record* out) const;

    // The network SDK calls of this connection (and of its device's
    // feature instances).
    const vlnet_calls& sdk() const { return m_sdk; }
    int login_handle() const { return m_login_handle.load(); }
    int login_kind() const { return m_login_kind.load(); }
    bool active() const { return m_active.load(); }
    const std::string& label() const { return m_label; }
    const std::string& address() const { return m_address; }
    const std::string& password() const { return m_password; }
    int port() const { return m_port; }

private:
    // The channel count bounded by the tables.
    int table_channel_count() const;
    // True once the connection is active; waits for a start call that is
    // still storing its handle.
    bool started();
    bool simple_command(int command);
    void clear_channel_tables();
    void set_records(const device_record* record, const http_device_record* http);

    // Status texts held back after a media login until the channel-status
    // reply has been converted.
    void hold_statuses();
    // Hands every held text to the status callback, oldest first, and ends
    // the holding.
    void release_held_statuses();
    void report_http_channel_table();
    void report_all_channels_online();
    void send_message(const char* name, const Json::Value& root);
    void log_channel_status(const std::string& values);

    // Device messages (connection_messages.cpp).
    void convert_named_message(unsigned id, const char* data, int length);
    // Keeps the record of a channel status (611; its JSON is returned) or
    // an all-status message (610).
    Json::Value keep_status_record(unsigned id, const char* data, int length);
    Json::Value convert_channel_status(const char* data, int length, size_t count);
    void convert_alarm_list(unsigned id, const char* data, int length);
    void convert_alarm_entries(const Json::Value& d);
    void forward_switch_alarm_status(const char* data, int length);
    void free_channel_records();

    // Channel and alarm tables (connection_alarms.cpp).
    void update_alarm_status(unsigned id, const Json::Value& root);
    void update_channel_online(unsigned id, const char* data, int length);
    void update_channel_online_ex(unsigned id, const Json::Value& root);
    void set_smart_subtypes(int channel, uint32_t word);
    int32_t online_ex_from_state(int channel, int32_t state) const;
    // The message's channel: the lowest bit of its "Channel" below the
    // channel count, else 0.
    int message_channel(const Json::Value& root) const;
    void update_record_status(int channel, const Json::Value& root);
    void derive_all_status(const all_status_record& record, int channels);
    // Sends what changed since the last report ("VLSDKAlarmStatus" and
    // "VLSDKAlarmStatusEx", the latter with the members of `extra` too).
    void report_alarms(const Json::Value& extra);
    void report_channel_online_ex();

    ::device* const m_owner;
    const vlnet_calls& m_sdk;
    std::atomic<int> m_login_handle { 0 };
    std::string m_label;
    std::string m_address;
    std::string m_password;
    int m_port = 0;
    bool m_disable_auto_send = false;

    mutable std::mutex m_record_lock;
    device_record m_device_record {};
    http_device_record m_http_device_record {};

    mutable std::mutex m_state_lock;
    std::vector<channel_record> m_channel_records; // of the last message 611
    bool m_have_channel_records = false; // a message 611 came since the login
    all_status_record m_all_status_record {};
    int32_t m_channel_online[kMaxChannels] {};
    int32_t m_channel_online_ex[kMaxChannels] {};
    http_channel_entry m_http_channel_table[kMaxChannels] {};
    int32_t m_channel_aux[kMaxChannels] {};

    std::atomic<bool> m_active { false };
    vl_json_callback m_status_callback = nullptr;
    vl_message_callback m_message_callback = nullptr;
    vl_raw_message_callback m_raw_message_callback = nullptr;
    void* m_user = nullptr;

    custom_report_record m_custom_report_record {};
    uint8_t m_alarm_changed = 0;
    alarm_entry m_alarm_status[kMaxChannels] {};
    alarm_entry m_alarm_reported[kMaxChannels] {};
    uint8_t m_motion_by_record = 0;
    uint8_t m_io_by_record = 0;
    uint8_t m_pir_by_record = 0;
    uint8_t m_by_record_spare[64] {};
    std::atomic<int> m_login_kind { kLoginNone };
    // HTTP abilities from a login's device information, and one spare byte
    // (guarded by m_state_lock, as is m_channel_abilities).
    uint8_t m_talk_half = 0;
    uint8_t m_talk_full = 0;
    uint8_t m_support_new_rec_detail = 0;
    uint8_t m_support_new_rec_file_download = 0;
    uint8_t m_support_ai_pic_report = 0;
    uint8_t m_ability_spare = 0;
    uint8_t m_channel_abilities[kMaxChannels][8] {};

    std::mutex m_pending_lock;
    std::deque<std::string> m_pending_status; // guarded by m_pending_lock
    bool m_holding = false; // guarded by m_pending_lock

    std::recursive_mutex m_start_lock;
};

// The status text of a VLNet connection status; empty for a status that
// is not reported.
const char* connection_status_text(int status);
// Connection-state statuses (connecting, closed, the connection modes):
// they end any holding of status texts.
bool is_connection_state_status(int status);

} // namespace vlsdk
