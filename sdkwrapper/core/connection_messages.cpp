// Device messages of a connection: the dispatch, the channel-status reply
// (611) that releases held login statuses, and the device and channel
// information of an HTTP login.
#include "common/json.h"
#include "core/connection.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace vlsdk
{

namespace
{

constexpr unsigned kMsgDeviceInfoText = 0xFFDC; // -36
constexpr unsigned kMsgChannelInfoText = 0xFFDD; // -35
constexpr unsigned kMsgAlarmList = 0xFFDE; // -34
constexpr unsigned kMsgSwitchAlarmStatus = 0xFFDF; // -33

static_assert(offsetof(channel_record, dev_type_l) == 8, "channel record layout");
static_assert(offsetof(channel_record, cur_chn_name) == 16, "channel record layout");
static_assert(offsetof(channel_record, cur_chn_state) == 36, "channel record layout");
static_assert(offsetof(channel_record, channel_num) == 45, "channel record layout");
static_assert(offsetof(channel_record, protocol_type) == 48, "channel record layout");
static_assert(offsetof(channel_record, chn_name_ex) == 56, "channel record layout");
static_assert(offsetof(channel_record, chn_mode) == 184, "channel record layout");
static_assert(offsetof(channel_record, abilities_ex) == 192, "channel record layout");
static_assert(offsetof(channel_record, abilities_arr) == 196, "channel record layout");

template <size_t N> std::string slot_text(const char (&slot)[N])
{
    return std::string(slot, strnlen(slot, N));
}

uint32_t read_u32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16
        | static_cast<uint32_t>(b[3]) << 24;
}

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

} // namespace

Json::Value channel_record_to_json(const channel_record& r)
{
    Json::Value o(Json::objectValue);
    o["DevTypeH"] = r.dev_type_h;
    o["DevTypeL"] = r.dev_type_l;
    o["ProtocolType"] = r.protocol_type;
    o["Abilities"] = r.abilities;
    o["AbilitiesEx"] = r.abilities_ex;
    o["CurChnName"] = slot_text(r.cur_chn_name);
    o["chnName_EX"] = slot_text(r.chn_name_ex);
    o["CurChnState"] = r.cur_chn_state;
    o["RecState"] = r.rec_state;
    o["CurRecType"] = r.cur_rec_type;
    o["MDState"] = r.md_state;
    o["IOState"] = r.io_state;
    o["VLossState"] = r.vloss_state;
    o["HddState"] = r.hdd_state;
    o["MDSchedule"] = r.md_schedule;
    o["AlarmSchedule"] = r.alarm_schedule;
    o["chnMode"] = r.chn_mode;
    o["ChannelNum"] = r.channel_num;
    o["IPCDevTypeFlag"] = r.ipc_dev_type_flag;
    o["u8WirelessIpcType"] = r.wireless_ipc_type;
    Json::Value words(Json::arrayValue);
    for (uint32_t w : r.abilities_arr)
        words.append(w);
    o["AbilitiesArr"] = words;
    return o;
}

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
    const char* name = nullptr;
    Json::Value root;
    switch (id) {
    case VLNET_MSG_REMOTE_CH_STATUS:
        name = "MsgRemoteCHStatusReq";
        root = convert_channel_status(data, length);
        break;
    default:
        // The other named messages are converted by the message converters
        // of the alarm and status reports; until then they reach the caller
        // only through the raw-message callback.
        return;
    }
    if (!name || !m_active.load())
        return;
    if (root.isNull() || ((root.isArray() || root.isObject()) && root.empty()))
        return;
    send_message(name, root);
}

Json::Value connection::convert_channel_status(const char* data, int length)
{
    // One record per "ChannelNum" channel, each `stride` bytes long (the
    // length word of the first record); only records that begin inside the
    // payload are taken, at most one per channel of the tables.
    const size_t size = static_cast<size_t>(length);
    const uint32_t stride = size >= 4 ? read_u32(data) : 0;
    size_t count = record().channel_num;
    count = std::min<size_t>(count, kMaxChannels);
    if (stride == 0)
        count = 0;
    else
        count = std::min<size_t>(count, (size + stride - 1) / stride);

    std::vector<channel_record> records(count);
    if (count)
        std::memset(records.data(), 0, count * sizeof(channel_record));
    for (size_t k = 0; k < count; ++k) {
        const uint64_t offset = static_cast<uint64_t>(k) * stride;
        const size_t take = static_cast<size_t>(
            std::min<uint64_t>({ static_cast<uint64_t>(stride), sizeof(channel_record), size - offset }));
        std::memcpy(&records[k], data + offset, take);
    }
    m_channel_records = std::move(records);
    m_have_channel_records = true;

    Json::Value root(Json::arrayValue);
    for (const auto& r : m_channel_records)
        root.append(channel_record_to_json(r));

    // The channels are known now: the login statuses held for them go out.
    release_held_statuses();
    return root;
}

void connection::convert_alarm_list(unsigned id, const char* data, int length)
{
    if (!data || length <= 0)
        return;
    const std::string text(data, static_cast<size_t>(length));
    Json::Value root;
    if (!vljson::parse(text.c_str(), root))
        return;
    const Json::Value& d = vljson::member(root, "data");

    if (id == kMsgDeviceInfoText) {
        // Devices write their flags as booleans or numbers; anything else
        // reads as not set.
        vljson::reader flags(d, vljson::policy::convert_or_absent);
        m_support_new_rec_detail = flags.flag("support_playback_new_rec_detail") ? 1 : 0;
        m_support_new_rec_file_download = flags.flag("support_playback_new_rec_file_download") ? 1 : 0;
        if (flags.flag("support_ai_pic_report"))
            m_support_ai_pic_report = 1;
        else
            m_support_ai_pic_report = vljson::member(d, "device_preview_AI_item").empty() ? 0 : 1;
        const std::string talk = vljson::reader(d, vljson::policy::exact_or_absent).text("talkback");
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
            // Texts only; a value of another type reads as empty.
            vljson::reader item(*it, vljson::policy::exact_or_absent);
            http_channel_entry& entry = m_http_channel_table[j];
            std::memset(entry.name, 0, sizeof entry.name);
            const std::string name = item.text("channel");
            std::memcpy(entry.name, name.data(), std::min<size_t>(name.size(), sizeof entry.name - 1));
            entry.status = channel_online_value(item.text("connect_status"));
            const Json::Value* abilities = item.get("ability");
            if (abilities && abilities->isArray()) {
                for (const auto& a : *abilities) {
                    const int index = a.isString() ? ability_index(a.asString()) : -1;
                    if (index >= 0)
                        m_channel_abilities[j][index] = 1;
                }
            }
        }
        return;
    }

    // The alarm list (-34) comes with the alarm status tracking.
}

} // namespace vlsdk
