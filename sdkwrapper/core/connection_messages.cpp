// Device messages of a connection: the dispatch, the named messages with
// the records they keep, the channel-status reply (611) that releases held
// login statuses, and the JSON texts of the device and channel information
// of an HTTP login and of alarm lists.
#include "common/json.h"
#include "core/connection.h"

#include <algorithm>
#include <cstring>

namespace vlsdk
{

namespace
{

int channel_online_value(const std::string& state)
{
    if (state == "Online")
        return 1;
    if (state == "Sleep")
        return 3;
    if (state == "Offline")
        return 0;
    return -1; // "NotConfigured" and anything else
}

int ability_index(const std::string& ability)
{
    static const char* const kAbilities[]
        = { "Mainstream", "Substream", "Mobilestream", "TalkHalf", "TalkFull", "Ptz", "NewPtz", "Fisheye" };
    for (int i = 0; i < 8; ++i) {
        if (ability == kAbilities[i])
            return i;
    }
    return -1;
}

// What devices send is read leniently: a member of another type reads as
// absent (an empty text, a flag not set; numbers are flags by being
// non-zero).
std::string text_of(const Json::Value& object, const char* key)
{
    return vljson::reader(object, vljson::policy::exact_or_absent).text(key);
}

bool flag_of(const Json::Value& object, const char* key)
{
    return vljson::reader(object, vljson::policy::convert_or_absent).flag(key);
}

// An alarm-list value of a flag: absent 0, "R" 2, anything else 1.
int8_t record_flag_value(const Json::Value& flags, const char* key)
{
    if (!vljson::has(flags, key))
        return 0;
    return text_of(flags, key) == "R" ? 2 : 1;
}

// Smart alarm subtypes of an alarm list and the alarm field each sets.
int subtype_field(const std::string& subtype, bool with_vehicle)
{
    static const struct {
        const char* name;
        int field;
    } kSubtypes[] = { { "lcd", 15 }, { "sod", 16 }, { "pid", 17 }, { "pd", 18 }, { "fd", 19 }, { "cc", 20 },
        { "sound", 21 }, { "video_tamper", 22 }, { "cd", 24 }, { "qd", 25 }, { "lpd", 26 }, { "rsd", 27 },
        { "ad", 28 } };
    if (with_vehicle && subtype == "pd_vd")
        return 23;
    for (const auto& s : kSubtypes) {
        if (subtype == s.name)
            return s.field;
    }
    return -1;
}

bool non_empty(const Json::Value& v)
{
    return !is_empty_root(v);
}

} // namespace

void connection::on_message(int id, const char* data, int length)
{
    if (!started())
        return;
    if (length < 0 || !data)
        length = 0;
    const unsigned msg = static_cast<unsigned>(id) & 0xFFFFu;
    if (m_message_callback) {
        if (msg >= kMsgDeviceInfoText && msg <= kMsgAlarmList)
            convert_alarm_list(msg, data, length);
        else if (msg == kMsgSwitchAlarmStatus)
            forward_switch_alarm_status(data, length);
        else
            convert_named_message(msg, data, length);
    } else if (msg == VLNET_MSG_REMOTE_CH_STATUS || msg == VLNET_MSG_DEV_ALL_STATUS) {
        // Nothing is converted for a caller without a message callback, but
        // the records that abilities are answered from are still kept.
        keep_status_record(msg, data, length);
    }
    if (m_active.load() && m_raw_message_callback)
        m_raw_message_callback(static_cast<int>(msg), data, length, m_user);
}

void connection::forward_switch_alarm_status(const char* data, int length)
{
    // The payload is a JSON text; a copy guarantees its end.
    const std::string text = data ? std::string(data, static_cast<size_t>(length)) : std::string();
    m_message_callback("VLSDKSwitchAlarmStatusEx", text.c_str(), m_user);
}

void connection::convert_named_message(unsigned id, const char* data, int length)
{
    const size_t size = static_cast<size_t>(length);
    const message_facts facts = message_facts_of(record());
    named_message m;
    if (id == VLNET_MSG_REMOTE_CH_STATUS) {
        m.name = "MsgRemoteCHStatusReq";
        m.root = keep_status_record(id, data, length);
    } else {
        m = convert_device_message(id, data, size, facts);
        if (id == VLNET_MSG_DEV_ALL_STATUS)
            keep_status_record(id, data, length);
        else if (id == VLNET_MSG_CUSTOM_REPORT_INFO)
            m_custom_report_record = copy_record<custom_report_record>(data, size);
        if (m.ask_all_status)
            simple_command(VLNET_MSG_DEV_ALL_STATUS);
    }
    if (!m.name || !m_active.load())
        return;
    if (m.pass_text) {
        if (data && length > 0) {
            const std::string text(data, size);
            m_message_callback(m.name, text.c_str(), m_user);
        }
        return;
    }
    if (is_empty_root(m.root))
        return;
    send_message(m.name, m.root);
    update_alarm_status(id, m.root);
    update_channel_online(id, data, length);
    update_channel_online_ex(id, m.root);
}

Json::Value connection::keep_status_record(unsigned id, const char* data, int length)
{
    if (id == VLNET_MSG_REMOTE_CH_STATUS)
        return convert_channel_status(data, length, record().channel_num);
    const auto kept = copy_record<all_status_record>(data, static_cast<size_t>(length));
    std::lock_guard<std::mutex> hold(m_state_lock);
    m_all_status_record = kept;
    return Json::Value();
}

Json::Value connection::convert_channel_status(const char* data, int length, size_t count)
{
    // The new array is complete before it replaces the old one, under the
    // lock that readers on the caller's thread take.
    std::vector<channel_record> records = read_channel_records(data, static_cast<size_t>(length), count);
    Json::Value root(Json::arrayValue);
    for (const auto& r : records)
        root.append(channel_record_to_json(r));
    {
        std::lock_guard<std::mutex> hold(m_state_lock);
        m_channel_records.swap(records);
        m_have_channel_records = true;
    }
    records.clear(); // the old array, freed outside the lock

    // The channels are known now: the login statuses held for them go out.
    release_held_statuses();
    return root;
}

void connection::free_channel_records()
{
    std::vector<channel_record> old;
    std::lock_guard<std::mutex> hold(m_state_lock);
    m_channel_records.swap(old);
    m_have_channel_records = false;
}

void connection::convert_alarm_list(unsigned id, const char* data, int length)
{
    if (!data || length <= 0)
        return;
    const std::string text(data, static_cast<size_t>(length));
    Json::Value root;
    if (!vljson::parse(text, root))
        return;
    const Json::Value& d = vljson::member(root, "data");

    if (id == kMsgDeviceInfoText) {
        const bool detail = flag_of(d, "support_playback_new_rec_detail");
        const bool download = flag_of(d, "support_playback_new_rec_file_download");
        bool ai = flag_of(d, "support_ai_pic_report");
        if (!ai)
            ai = !vljson::member(d, "device_preview_AI_item").empty();
        const std::string talk = text_of(d, "talkback");
        std::lock_guard<std::mutex> hold(m_state_lock);
        m_support_new_rec_detail = detail ? 1 : 0;
        m_support_new_rec_file_download = download ? 1 : 0;
        m_support_ai_pic_report = ai ? 1 : 0;
        if (talk == "TalkHalf")
            m_talk_half = 1;
        else if (talk == "TalkFull")
            m_talk_full = 1;
        return;
    }

    if (id == kMsgChannelInfoText) {
        const Json::Value& items = vljson::member(vljson::member(d, "channel_param"), "items");
        if (!items.isArray() && !items.isObject())
            return;
        int j = 0;
        for (auto it = items.begin(); it != items.end() && j < kMaxChannels; ++it, ++j) {
            const Json::Value& item = *it;
            http_channel_entry& entry = m_http_channel_table[j];
            std::memset(entry.name, 0, sizeof entry.name);
            const std::string name = text_of(item, "channel");
            std::memcpy(entry.name, name.data(), std::min<size_t>(name.size(), sizeof entry.name - 1));
            entry.status = channel_online_value(text_of(item, "connect_status"));
            const Json::Value& abilities = vljson::member(item, "ability");
            if (abilities.isArray()) {
                std::lock_guard<std::mutex> hold(m_state_lock);
                for (const auto& a : abilities) {
                    const int index = ability_index(a.isString() ? a.asString() : std::string());
                    if (index >= 0)
                        m_channel_abilities[j][index] = 1;
                }
            }
        }
        return;
    }

    convert_alarm_entries(d);
}

void connection::convert_alarm_entries(const Json::Value& d)
{
    const Json::Value& list = vljson::member(d, "alarm_list");
    const bool with_error = vljson::has(d, "error_code") && vljson::has(d, "reason");
    if (!((list.isArray() || list.isObject()) && !list.empty()) && !with_error)
        return;

    const int count = table_channel_count();
    bool channel_changed = false;
    bool alarm_changed = false;
    if (list.isArray() || list.isObject()) {
        for (const auto& entry : list) {
            if (!non_empty(entry))
                continue;
            const Json::Value& system = vljson::member(entry, "system_alarm");
            if (system.isArray() || system.isObject()) {
                for (const auto& s : system) {
                    if (!non_empty(s))
                        continue;
                    const bool ok = text_of(vljson::member(s, "hdd"), "hdd_alarm_type") == "OK";
                    m_alarm_status[0].field[8] = ok ? 0 : 2;
                }
            }
            const Json::Value& channels = vljson::member(entry, "channel_alarm");
            if (!channels.isArray() && !channels.isObject())
                continue;
            int k = 0;
            for (auto it = channels.begin(); it != channels.end() && k < kMaxChannels; ++it, ++k) {
                const Json::Value& e = *it;
                if (!non_empty(e))
                    continue;
                // The channel by its name in the channel table; no name is
                // the first channel, an unknown one is skipped.
                const std::string name = text_of(e, "channel");
                int c = name.empty() ? 0 : -1;
                for (int j = 0; c < 0 && j < count; ++j) {
                    if (name
                        == std::string(m_http_channel_table[j].name,
                            strnlen(m_http_channel_table[j].name, sizeof m_http_channel_table[j].name)))
                        c = j;
                }
                if (c < 0)
                    continue;
                alarm_entry& a = m_alarm_status[c];

                const Json::Value& connect = vljson::member(e, "camera_connect_status");
                if (vljson::has(connect, "connect_status")) {
                    m_http_channel_table[c].status = channel_online_value(text_of(connect, "connect_status"));
                    channel_changed = true;
                }
                const Json::Value& abilities = vljson::member(connect, "ability");
                if (abilities.isArray()) {
                    std::lock_guard<std::mutex> hold(m_state_lock);
                    for (const auto& ability : abilities) {
                        const int index
                            = ability_index(ability.isString() ? ability.asString() : std::string());
                        if (index >= 0)
                            m_channel_abilities[c][index] = 1;
                    }
                }

                const Json::Value& flags = vljson::member(e, "record_flag");
                if (!flags.isNull()) {
                    alarm_changed = true;
                    a.field[5] = vljson::has(flags, "r") ? 2 : 0;
                    a.field[6] = record_flag_value(flags, "m");
                    a.field[7] = record_flag_value(flags, "i");
                    a.field[8] = record_flag_value(flags, "h");
                    a.field[9] = record_flag_value(flags, "c");
                    a.field[10] = record_flag_value(flags, "s");
                    a.field[11] = record_flag_value(flags, "p");
                }

                const Json::Value& states = vljson::member(e, "alarm_state");
                if (!states.isNull()) {
                    alarm_changed = true;
                    std::memset(a.field + 15, 0, 14);
                    if (states.isArray() || states.isObject()) {
                        for (const auto& s : states) {
                            const int field = subtype_field(text_of(s, "int_subtype"), false);
                            if (field >= 0)
                                a.field[field] = 1;
                        }
                    }
                }

                const Json::Value& smart = vljson::member(e, "int_alarm");
                if (!smart.isNull()) {
                    alarm_changed = true;
                    std::memset(a.field + 15, 0, 6);
                    const int field = subtype_field(text_of(smart, "int_subtype"), true);
                    if (field >= 0)
                        a.field[field] = flag_of(smart, "alarm_val") ? 1 : 0;
                }

                const Json::Value& loss = vljson::member(e, "videoloss");
                if (!loss.isNull()) {
                    m_http_channel_table[c].status = flag_of(e, "videoloss") ? 0 : 1;
                    channel_changed = true;
                }
            }
        }
    }

    if (channel_changed)
        report_http_channel_table();
    if (with_error || alarm_changed) {
        Json::Value extra(Json::objectValue);
        if (with_error) {
            extra["error_code"] = vljson::member(d, "error_code");
            extra["reason"] = vljson::member(d, "reason");
            if (vljson::has(d, "type"))
                extra["type"] = vljson::member(d, "type");
        }
        report_alarms(extra);
    }
}

} // namespace vlsdk
