// The per-channel state a connection keeps from the device's messages:
// the alarm table with its reports ("VLSDKAlarmStatus", "VLSDKAlarmStatusEx")
// and the online tables ("VLSDKChannelStatus", "VLSDKChannelStatusEx").
// Everything here runs on VLNet's callback thread of the connection.
//
// Channel numbers come from the device; every table holds kMaxChannels
// channels, so a channel at or beyond min(channel count, kMaxChannels) is
// ignored.
#include "common/json.h"
#include "core/connection.h"

#include <cstring>
#include <initializer_list>

namespace vlsdk
{

namespace
{

// The fields of an alarm entry.
enum alarm_field {
    motion_hold = 0,
    io_hold = 1,
    record_hold = 2,
    smart_hold = 3,
    pir_hold = 4,
    record_alarm = 5,
    motion_alarm = 6,
    io_alarm = 7,
    disk_alarm = 8, // channel 0 only: the device's disks
    lens_cover_alarm = 9,
    smart_alarm = 10,
    pir_alarm = 11,
    lcd_alarm = 12,
    pid_alarm = 13,
    sod_alarm = 14,
    smart_lcd = 15, // 15 to 20: the subtypes of a smart alarm
    first_reported = record_alarm,
    last_reported = 28,
};

// The keys of the reported fields 5 to 28.
const char* const kAlarmKeys[] = { "record", "motion", "io", "hdd", "lens cover", "smart", "pir", "lcd",
    "pid", "sod", "smart lcd", "smart sod", "smart pid", "smart pd", "smart fd", "smart cc", "sound", "vt",
    "pvd", "cd", "qd", "lpd", "rsd", "ad" };
static_assert(sizeof kAlarmKeys / sizeof kAlarmKeys[0] == last_reported - first_reported + 1, "alarm keys");

bool one_of(uint32_t value, std::initializer_list<uint32_t> set)
{
    for (uint32_t v : set) {
        if (v == value)
            return true;
    }
    return false;
}

// A member of a converted message as the device's 32-bit word (negative
// values wrap, as the device wrote them); 0 when absent.
uint32_t word(const Json::Value& root, const char* key)
{
    return static_cast<uint32_t>(
        vljson::reader(root, vljson::policy::convert_or_absent).number<long long>(key));
}

// Channel c's bit of a per-channel word of the all-status record: the word
// itself for channels 0 to 31, then the words of its companion array.
template <size_t N> bool channel_state(uint32_t first, const uint32_t (&rest)[N], int c)
{
    if (c < 32)
        return (first >> c) & 1u;
    const size_t k = static_cast<size_t>(c - 32) / 32;
    return k < N && ((rest[k] >> (c % 32)) & 1u);
}

uint32_t record_state(const all_status_record& r, int c)
{
    return c < 32 ? r.record_all_status[c] : r.record_all_status_ext[(c - 32) / 32][c % 32];
}

} // namespace

int connection::message_channel(const Json::Value& root) const
{
    const uint32_t channels = word(root, "Channel");
    const int count = table_channel_count();
    for (int p = 0; p < 32 && p < count; ++p) {
        if ((channels >> p) & 1u)
            return p;
    }
    return 0;
}

void connection::set_smart_subtypes(int channel, uint32_t word)
{
    alarm_entry& a = m_alarm_status[channel];
    std::memset(a.field + smart_lcd, 0, 6);
    if (a.field[smart_alarm] == 0)
        return;
    static const unsigned kBits[] = { 3, 5, 6, 7, 8, 9 };
    for (int i = 0; i < 6; ++i) {
        if ((word >> kBits[i]) & 1u)
            a.field[smart_lcd + i] = a.field[smart_alarm];
    }
}

void connection::update_alarm_status(unsigned id, const Json::Value& root)
{
    m_alarm_changed = 0;
    const device_record rec = record();
    const int type = record_device_type(rec);
    const int count = table_channel_count();
    const int channel = message_channel(root);
    const bool on = word(root, "Status") == 1;
    auto set_field = [&](int field) {
        m_alarm_status[channel].field[field] = on ? 1 : 0;
        m_alarm_changed = 1;
    };

    switch (id) {
    case VLNET_MSG_MOTION_ALARM:
        if (type == kDeviceTypeIpc && !m_motion_by_record)
            set_field(motion_alarm);
        break;
    case VLNET_MSG_IO_ALARM:
        if (type == kDeviceTypeIpc && !m_io_by_record)
            set_field(io_alarm);
        break;
    case VLNET_MSG_PIR_ALARM:
        if (type == kDeviceTypeIpc && !m_pir_by_record)
            set_field(pir_alarm);
        break;
    case VLNET_MSG_VIDEO_HIDE_ALARM:
        set_field(lens_cover_alarm);
        break;
    case VLNET_MSG_INTEL_IPC_PEA_ALARM:
        set_field(lcd_alarm);
        break;
    case VLNET_MSG_INTEL_IPC_PEA_AREA_ALARM:
        set_field(pid_alarm);
        break;
    case VLNET_MSG_IPC_OSC_ALARM:
        set_field(sod_alarm);
        break;
    case VLNET_MSG_ALARM_INT_MANAGE: {
        const uint32_t alarm_type = word(root, "AlarmType");
        if (type == kDeviceTypeIpc) {
            // The camera's web client raised this one: its subtypes count,
            // the smart alarm itself does not.
            if (word(root, "MsgValidFlagIPCWeb") != 1)
                set_field(smart_alarm);
            set_smart_subtypes(channel, alarm_type);
        } else if (type == kDeviceTypeNvr || type == kDeviceTypeDvr) {
            // A recorder's mask covers channels 0 to 31; how it reports the
            // smart state of channels beyond is not known.
            const uint32_t mask = word(root, "Channel");
            const uint32_t states = word(root, "Status");
            for (int c = 0; c < count && c < 32; ++c) {
                if (!((mask >> c) & 1u))
                    continue;
                m_alarm_status[c].field[smart_alarm] = 0;
                m_alarm_changed = 1;
                if ((states >> c) & 1u)
                    m_alarm_status[c].field[smart_alarm] = 1;
                set_smart_subtypes(c, alarm_type);
            }
        }
        break;
    }
    case VLNET_MSG_HDD_STATUS_REPORT: {
        // Cameras report a healthy disk as 2, recorders as 1.
        const uint32_t disk = word(root, "HddStatus");
        const uint32_t healthy = type == kDeviceTypeIpc ? 2 : 1;
        m_alarm_status[0].field[disk_alarm] = disk == healthy ? 0 : 2;
        m_alarm_changed = 1;
        break;
    }
    case VLNET_MSG_RECORD_STATUS_REPORT:
        if (type == kDeviceTypeIpc) {
            m_alarm_status[channel].field[record_alarm] = 0;
            m_alarm_changed = 1;
            update_record_status(channel, root);
        }
        break;
    case VLNET_MSG_DEV_ALL_STATUS:
        if ((rec.page_control >> 18) & 1u) {
            all_status_record kept;
            {
                std::lock_guard<std::mutex> hold(m_state_lock);
                kept = m_all_status_record;
            }
            derive_all_status(kept, rec.channel_num);
        }
        break;
    default:
        break;
    }

    if (m_alarm_changed)
        report_alarms(Json::Value(Json::objectValue));
}

void connection::update_record_status(int channel, const Json::Value& root)
{
    // A camera that records on an alarm reports the alarm through its
    // record status; while it does, its alarm messages of that type are
    // ignored.
    // (recording, type) -> the field's value and the by-record flag it sets.
    static const struct {
        bool recording;
        uint32_t type;
        int field;
        int8_t value;
        uint8_t connection::*by_record;
        uint8_t flag;
    } kRows[] = {
        { true, 0, record_alarm, 2, nullptr, 0 },
        { true, 2, motion_alarm, 2, &connection::m_motion_by_record, 1 },
        { true, 3, io_alarm, 2, &connection::m_io_by_record, 1 },
        { true, 13, smart_alarm, 2, nullptr, 0 },
        { true, 15, pir_alarm, 2, &connection::m_pir_by_record, 1 },
        { false, 5, motion_alarm, 0, &connection::m_motion_by_record, 0 },
        { false, 6, io_alarm, 0, &connection::m_io_by_record, 0 },
        { false, 13, smart_alarm, 2, nullptr, 0 },
        { false, 14, smart_alarm, 0, nullptr, 0 },
        { false, 15, pir_alarm, 2, &connection::m_pir_by_record, 1 },
        { false, 16, pir_alarm, 0, &connection::m_pir_by_record, 0 },
    };
    const bool recording = word(root, "RecordStatus") == 1;
    const uint32_t type = word(root, "Type");
    for (const auto& row : kRows) {
        if (row.recording != recording || row.type != type)
            continue;
        m_alarm_status[channel].field[row.field] = row.value;
        if (row.by_record)
            this->*row.by_record = row.flag;
    }
}

void connection::derive_all_status(const all_status_record& r, int channels)
{
    m_alarm_status[0].field[disk_alarm] = r.hdd_status[0] == 1 ? 0 : 2;
    m_alarm_changed = 1;

    const uint32_t smart_word = r.intelligent_status;
    if (channels > kMaxChannels)
        channels = kMaxChannels;
    for (int c = 0; c < channels; ++c) {
        alarm_entry& a = m_alarm_status[c];
        auto assign = [&](int field, int8_t value) {
            if (a.field[field] != value) {
                a.field[field] = value;
                m_alarm_changed = 1;
            }
        };
        // The alarm holds while the record says so; what holds no more ends.
        auto hold = [&](bool when, int hold_field, int field, int8_t value) {
            if (!when)
                return false;
            a.field[hold_field] = 1;
            assign(field, value);
            return true;
        };
        std::memset(a.field, 0, pir_hold + 1);
        const uint32_t rs = record_state(r, c);
        hold(one_of(rs, { 3, 5, 8, 10, 12, 13, 15, 17 }), motion_hold, motion_alarm, 2);
        hold(one_of(rs, { 4, 5, 9, 10, 11, 13, 16, 17 }), io_hold, io_alarm, 2);
        hold(rs == 1, record_hold, record_alarm, 2);
        hold(channel_state(r.motion_status, r.motion_status_ext, c), motion_hold, motion_alarm, 1);
        hold(channel_state(r.pir_status, r.pir_status_ext, c), pir_hold, pir_alarm, 1);
        hold(channel_state(r.io_status, r.io_status_ext, c), io_hold, io_alarm, 1);
        hold(channel_state(r.intelligent_chn_status, r.intelligent_chn_status_ext, c), smart_hold,
            smart_alarm, 1);
        if (hold(one_of(rs, { 6, 11, 12, 13, 14, 15, 16, 17, 18 }), smart_hold, smart_alarm, 2)
            || hold(smart_word != 0, smart_hold, smart_alarm, 1))
            set_smart_subtypes(c, smart_word);
        hold(one_of(rs, { 7, 8, 9, 10, 14, 15, 16, 17 }), pir_hold, pir_alarm, 2);
        const struct {
            int hold;
            int field;
        } kHeld[] = { { motion_hold, motion_alarm }, { io_hold, io_alarm }, { record_hold, record_alarm },
            { smart_hold, smart_alarm }, { pir_hold, pir_alarm } };
        for (const auto& h : kHeld) {
            if (!a.field[h.hold])
                assign(h.field, 0);
        }
    }
}

void connection::report_alarms(const Json::Value& extra)
{
    const int count = table_channel_count();
    Json::Value list(Json::arrayValue);
    for (int c = 0; c < count; ++c) {
        Json::Value changes; // null when nothing changed
        for (int f = first_reported; f <= last_reported; ++f) {
            if (m_alarm_status[c].field[f] != m_alarm_reported[c].field[f])
                changes[kAlarmKeys[f - first_reported]] = m_alarm_status[c].field[f];
        }
        list.append(changes);
    }
    std::memcpy(m_alarm_reported, m_alarm_status, sizeof m_alarm_reported);
    if (list.empty() || !m_active.load())
        return;
    send_message("VLSDKAlarmStatus", list);
    Json::Value ex = extra.isObject() ? extra : Json::Value(Json::objectValue);
    ex["alarm_list"] = list;
    send_message("VLSDKAlarmStatusEx", ex);
}

void connection::update_channel_online(unsigned id, const char* data, int length)
{
    const int count = table_channel_count();
    if (id == VLNET_MSG_REMOTE_CH_STATUS) {
        {
            std::lock_guard<std::mutex> hold(m_state_lock);
            if (!m_have_channel_records)
                return;
            for (int c = 0; c < count; ++c) {
                const bool known = static_cast<size_t>(c) < m_channel_records.size();
                const channel_record* r = known ? &m_channel_records[static_cast<size_t>(c)] : nullptr;
                m_channel_online[c] = r && r->cur_chn_state == 2 && r->vloss_state != 1 ? 1 : 0;
            }
        }
        Json::Value list(Json::arrayValue);
        for (int c = 0; c < count; ++c) {
            Json::Value e(Json::objectValue);
            e["online"] = m_channel_online[c] != 0;
            list.append(e);
        }
        if (!list.empty() && m_active.load())
            send_message("VLSDKChannelStatus", list);
    } else if (id == VLNET_MSG_VLOSS_ALARM) {
        // A DVR's video loss: a channel that lost its video is offline.
        const auto r = copy_record<VLNET_ALARM_INFO>(data, static_cast<size_t>(length));
        bool changed = false;
        for (int c = 0; c < count; ++c) {
            const uint32_t mask = c < 32 ? r.channel : r.channel_ex[(c - 32) / 32];
            const uint32_t state = c < 32 ? static_cast<uint32_t>(r.status) : r.status_ex[(c - 32) / 32];
            if (!((mask >> (c % 32)) & 1u))
                continue;
            m_channel_online[c] = 1 - static_cast<int32_t>((state >> (c % 32)) & 1u);
            changed = true;
        }
        Json::Value list(Json::arrayValue);
        for (int c = 0; c < count; ++c) {
            Json::Value e(Json::objectValue);
            e["online"] = m_channel_online[c] != 0;
            list.append(e);
        }
        if (changed && !list.empty() && m_active.load())
            send_message("VLSDKChannelStatus", list);
    }
}

int32_t connection::online_ex_from_state(int channel, int32_t state) const
{
    const device_record rec = record();
    const int type = record_device_type(rec);
    if (type == 0 || type == kDeviceTypeIpc)
        return m_channel_online_ex[channel];
    const int32_t on = (state == 2 || state == 3 || state == 6) ? 1 : 0;
    // An analogue channel without video is offline whatever it says.
    if (on && channel < rec.analog_ch_num && m_channel_aux[channel] != 0)
        return 0;
    // A wireless (battery) camera: online in state 2, asleep otherwise.
    bool wireless = false;
    if (channel < table_channel_count()) {
        std::lock_guard<std::mutex> hold(m_state_lock);
        wireless = static_cast<size_t>(channel) < m_channel_records.size()
            && ((m_channel_records[static_cast<size_t>(channel)].abilities >> 25) & 1u);
    }
    if (wireless)
        return on == 0 ? 0 : state == 2 ? 1 : 3;
    return on;
}

void connection::update_channel_online_ex(unsigned id, const Json::Value& root)
{
    const device_record rec = record();
    const int type = record_device_type(rec);
    const int count = table_channel_count();
    bool changed = false;
    if (id == VLNET_MSG_REMOTE_CH_STATUS) {
        if (type == kDeviceTypeNvr || type == kDeviceTypeDvr) {
            const int n = static_cast<int>(root.size());
            for (int c = 0; c < n && c < count; ++c) {
                const Json::Value& e = root[static_cast<Json::ArrayIndex>(c)];
                m_channel_aux[c] = static_cast<int32_t>(static_cast<int32_t>(word(e, "VLossState")));
                m_channel_online_ex[c] = online_ex_from_state(
                    c, static_cast<int32_t>(static_cast<int32_t>(word(e, "CurChnState"))));
                changed = true;
            }
        }
    } else if (id == VLNET_MSG_VLOSS_ALARM) {
        for (const auto& e : root) {
            const int64_t c = static_cast<int32_t>(word(e, "ch"));
            if (c < 0 || c >= count)
                continue;
            const int64_t state = static_cast<int32_t>(word(e, "state"));
            m_channel_aux[c] = static_cast<int32_t>(state);
            // The state is the video loss: a lost analogue channel is
            // offline, as the other online report has it.
            if (type == kDeviceTypeDvr && c < rec.analog_ch_num) {
                m_channel_online_ex[c] = state != 0 ? 0 : 1;
                changed = true;
            }
        }
    } else if (id == VLNET_MSG_DEV_STAT_REPORT) {
        const bool long_record = (rec.flags247 & VLNET_F247_GET_ALARM_CHNS) != 0;
        const Json::Value& report = long_record ? root : vljson::member(root, "Data");
        const int32_t c = static_cast<int32_t>(word(report, "Channel"));
        const int32_t state = static_cast<int32_t>(word(report, "Status"));
        if (c != -1 && state != -1 && c >= 0 && c < count) {
            m_channel_online_ex[c] = online_ex_from_state(c, state);
            changed = true;
        }
    }
    if (changed && m_message_callback)
        report_channel_online_ex();
}

void connection::report_channel_online_ex()
{
    const int count = table_channel_count();
    Json::Value list(Json::arrayValue);
    std::string values;
    for (int c = 0; c < count; ++c) {
        Json::Value e(Json::objectValue);
        e["online"] = m_channel_online_ex[c];
        list.append(e);
        values += std::to_string(m_channel_online_ex[c]);
    }
    log_channel_status(values);
    if (!list.empty())
        send_message("VLSDKChannelStatusEx", list);
}

} // namespace vlsdk
