#pragma once
// The device messages of a logged-in device as named JSON messages: pure
// functions over a message's payload bytes and the few facts of the device
// that decide its form. The connection sends what they build, keeps the
// records of three kinds and derives its channel and alarm tables from the
// JSON roots (connection_messages.cpp, connection_alarms.cpp).
//
// A payload is copied into a zeroed record of the message's size first:
// a short payload reads as zeros beyond its end, a longer one is cut.
#include "core/device_record.h"
#include "vlnet.h"
#include "vlnet_messages.h"

#include <cstddef>
#include <cstring>
#include <json/value.h>
#include <string>
#include <vector>

namespace vlsdk
{

// Every per-channel table holds this many channels; a device that reports
// more has the rest ignored.
constexpr int kMaxChannels = 256;

using channel_record = VLNET_CHANNEL_STATUS; // one channel of message 611
using all_status_record = VLNET_ALL_STATUS; // message 610
using custom_report_record = VLNET_CUSTOM_REPORT; // message 286

// Message ids as the converters compare them: unsigned 16-bit.
constexpr unsigned kMsgDeviceInfoText = 0xFFDC; // -36
constexpr unsigned kMsgChannelInfoText = 0xFFDD; // -35
constexpr unsigned kMsgAlarmList = 0xFFDE; // -34
constexpr unsigned kMsgSwitchAlarmStatus = 0xFFDF; // -33

// What the form of a message depends on.
struct message_facts {
    int device_type = 0; // 3 NVR, 4 camera, 6 DVR
    int channel_count = 0; // "sys_channel_num" when non-zero, else "ChannelNum"
    int basic_channel_count = 0; // "ChannelNum"
    bool get_alarm_chns = false; // alarms carry the long record
};
message_facts message_facts_of(const device_record& record);

struct named_message {
    const char* name = nullptr; // null: the message is not converted
    Json::Value root; // null, or an empty array or object: nothing is sent
    bool ask_all_status = false; // the device is to be asked for message 610
    bool pass_text = false; // the payload is a JSON text, handed on as it is
};

// One device message. Id 611 reads its channel records by the basic channel
// count; the connection keeps them (read_channel_records).
named_message convert_device_message(
    unsigned id, const char* data, size_t length, const message_facts& facts);

// True when nothing is to be sent for the root.
bool is_empty_root(const Json::Value& root);

// A zeroed T holding the first min(length, sizeof(T)) bytes of the payload.
template <class T> T copy_record(const char* data, size_t length)
{
    T record;
    std::memset(&record, 0, sizeof record);
    if (data && length)
        std::memcpy(&record, data, length < sizeof record ? length : sizeof record);
    return record;
}

// The channel records of message 611: one per channel of `count` (at most
// kMaxChannels), each `stride` bytes long (the length word of the first
// record), taken only while it begins inside the payload.
std::vector<channel_record> read_channel_records(const char* data, size_t length, size_t count);

// One channel record as JSON (its 304 bytes from offset 8).
Json::Value channel_record_to_json(const channel_record& record);
Json::Value all_status_to_json(const all_status_record& record);
Json::Value custom_report_to_json(const custom_report_record& record);

// "%04d-%02d-%02d-%02d-%02d-%02d" of a record's time.
std::string record_time_text(const VLNET_TIME& time);

} // namespace vlsdk
