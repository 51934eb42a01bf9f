#include "core/device_messages.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace vlsdk
{

namespace
{

static_assert(offsetof(channel_record, dev_type_l) == 8, "channel record layout");
static_assert(offsetof(channel_record, cur_chn_name) == 16, "channel record layout");
static_assert(offsetof(channel_record, cur_chn_state) == 36, "channel record layout");
static_assert(offsetof(channel_record, channel_num) == 45, "channel record layout");
static_assert(offsetof(channel_record, protocol_type) == 48, "channel record layout");
static_assert(offsetof(channel_record, chn_name_ex) == 56, "channel record layout");
static_assert(offsetof(channel_record, chn_mode) == 184, "channel record layout");
static_assert(offsetof(channel_record, abilities_ex) == 192, "channel record layout");
static_assert(offsetof(channel_record, abilities_arr) == 196, "channel record layout");
static_assert(offsetof(all_status_record, ability_word) == 340, "all-status record layout");
static_assert(offsetof(all_status_record, intelligent_chn_status) == 344, "all-status record layout");
static_assert(offsetof(all_status_record, motion_status_ext) == 384, "all-status record layout");
static_assert(offsetof(all_status_record, record_all_status_ext) == 448, "all-status record layout");
static_assert(offsetof(all_status_record, page_intelligent_chn) == 768, "all-status record layout");
static_assert(offsetof(all_status_record, pir_enable) == 1408, "all-status record layout");
static_assert(offsetof(all_status_record, audio_status_ext) == 1928, "all-status record layout");
static_assert(offsetof(all_status_record, page_intelligent_chn_ext) == 1993, "all-status record layout");
static_assert(offsetof(all_status_record, alarm_switch) == 2124, "all-status record layout");
static_assert(offsetof(VLNET_ALARM_INFO, ipc_dev_type_flag) == 92, "alarm record layout");
static_assert(offsetof(VLNET_ALARM_INFO, alarm_type) == 100, "alarm record layout");
static_assert(offsetof(VLNET_ALARM_INFO, chn_mode) == 552, "alarm record layout");
static_assert(offsetof(VLNET_ALARM_INFO, abilities_ex) == 560, "alarm record layout");
static_assert(offsetof(VLNET_ALARM_SHORT, ipc_dev_type_flag) == 28, "short alarm layout");
static_assert(offsetof(VLNET_LOGIN_FORBID_IP_INFO, serial_number) == 48, "forbidden-address layout");
static_assert(offsetof(VLNET_HDD_STATUS_REPORT, time) == 36, "disk report layout");
static_assert(offsetof(VLNET_REMOTE_PARAM_INFO, old_version_ex) == 544, "remote parameter layout");

template <size_t N> std::string slot_text(const char (&slot)[N])
{
    return std::string(slot, strnlen(slot, N));
}

template <size_t N> Json::Value word_array(const uint32_t (&words)[N])
{
    Json::Value out(Json::arrayValue);
    for (uint32_t w : words)
        out.append(w);
    return out;
}

template <size_t N> Json::Value byte_array(const uint8_t (&bytes)[N], size_t total = N)
{
    Json::Value out(Json::arrayValue);
    for (size_t i = 0; i < total; ++i)
        out.append(i < N ? static_cast<int>(bytes[i]) : 0);
    return out;
}

uint32_t read_u32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16
        | static_cast<uint32_t>(b[3]) << 24;
}

int table_count(int channel_count)
{
    return std::max(0, std::min(channel_count, kMaxChannels));
}

// Channel c of a generic record's mask (`channel`, `channel_ex`) or state
// words (`status`, `status_ex`).
bool mask_bit(const VLNET_ALARM_INFO& r, int c)
{
    const uint32_t word = c < 32 ? r.channel : r.channel_ex[(c - 32) / 32];
    return (word >> (c % 32)) & 1u;
}

bool state_bit(const VLNET_ALARM_INFO& r, int c)
{
    const uint32_t word = c < 32 ? static_cast<uint32_t>(r.status) : r.status_ex[(c - 32) / 32];
    return (word >> (c % 32)) & 1u;
}

// 184 and 274: one object per channel with its state bit under `key`.
Json::Value per_channel_states(const VLNET_ALARM_INFO& r, int channel_count)
{
    Json::Value out(Json::arrayValue);
    for (int c = 0; c < table_count(channel_count); ++c) {
        Json::Value e(Json::objectValue);
        e["Channel"] = c;
        e["Status"] = state_bit(r, c) ? 1 : 0;
        out.append(e);
    }
    return out;
}

// The alarms that the table below names, by device type.
const char* alarm_name(unsigned id)
{
    switch (id) {
    case VLNET_MSG_PIR_ALARM:
        return "MsgPirAlarm";
    case VLNET_MSG_MOTION_ALARM:
        return "MsgMotionAlarm";
    case VLNET_MSG_IO_ALARM:
        return "MsgIOAlarm";
    case VLNET_MSG_INTEL_IPC_PEA_ALARM:
        return "MsgIntelIpcPeaAlarm";
    case VLNET_MSG_IPC_OSC_ALARM:
        return "MsgIpcOSCAlarm";
    case VLNET_MSG_INTEL_IPC_PEA_AREA_ALARM:
        return "MsgIntelIpcPeaAreaAlarm";
    case VLNET_MSG_ALARM_INT_MANAGE:
        return "MsgAlarmIntManage";
    case VLNET_MSG_SOUND_ALARM_REPORT:
        return "MsgSoundAlarmReport";
    case VLNET_MSG_PWD_CHANGE:
        return "MsgPWDChange";
    default:
        return nullptr;
    }
}

Json::Value generic_alarm(const VLNET_ALARM_INFO& r)
{
    Json::Value o(Json::objectValue);
    o["Channel"] = r.channel;
    o["Status"] = r.status;
    o["AlarmTime"] = record_time_text(r.time);
    o["ProtocolType"] = r.protocol_type;
    o["Abilities"] = r.abilities;
    o["AbilitiesEx"] = r.abilities_ex;
    o["AlarmType"] = r.alarm_type;
    o["IPCDevTypeFlag"] = r.ipc_dev_type_flag;
    o["MsgValidFlagIPCWeb"] = static_cast<int>(r.msg_valid_flag_ipc_web);
    return o;
}

Json::Value short_alarm(const VLNET_ALARM_SHORT& r)
{
    Json::Value o(Json::objectValue);
    o["Channel"] = r.channel;
    o["Status"] = r.status;
    o["AlarmTime"] = record_time_text(r.time);
    o["ProtocolType"] = r.protocol_type;
    o["Abilities"] = r.abilities;
    o["AbilitiesEx"] = r.abilities_ex;
    return o;
}

// The alarm group: a camera (and a DVR for its sound alarm) names each
// alarm; a recorder reports them all as smart alarms of the long record.
named_message convert_alarm(unsigned id, const char* data, size_t length, const message_facts& f)
{
    named_message m;
    if (f.device_type == kDeviceTypeIpc
        || (f.device_type == kDeviceTypeDvr && id == VLNET_MSG_SOUND_ALARM_REPORT)) {
        m.name = alarm_name(id);
        if (f.get_alarm_chns) {
            const auto r = copy_record<VLNET_ALARM_INFO>(data, length);
            m.root = generic_alarm(r);
            m.root["bBoxEnable"] = r.box_flags & 1;
            m.root["bBoxDisplay"] = (r.box_flags >> 1) & 1;
        } else {
            const auto r = copy_record<VLNET_ALARM_SHORT>(data, length);
            m.root = short_alarm(r);
            m.root["AlarmType"] = r.alarm_type;
            m.root["IPCDevTypeFlag"] = static_cast<int>(r.ipc_dev_type_flag);
            m.root["MsgValidFlagIPCWeb"] = static_cast<int>(r.msg_valid_flag_ipc_web);
        }
    } else if (f.device_type == kDeviceTypeNvr
        || (f.device_type == kDeviceTypeDvr && id == VLNET_MSG_ALARM_INT_MANAGE)) {
        m.name = "MsgAlarmIntManage";
        m.root = generic_alarm(copy_record<VLNET_ALARM_INFO>(data, length));
    }
    return m;
}

Json::Value device_status_report(const char* data, size_t length, const message_facts& f)
{
    if (f.get_alarm_chns) {
        const auto r = copy_record<VLNET_ALARM_INFO>(data, length);
        Json::Value o(Json::objectValue);
        o["Channel"] = r.channel;
        o["Status"] = r.status;
        o["AlarmTime"] = record_time_text(r.time);
        o["RecState"] = r.rec_state;
        o["CurRecType"] = r.cur_rec_type;
        o["Schedule"] = r.schedule;
        o["RecEnable"] = r.rec_enable;
        o["ProtocolType"] = r.protocol_type;
        o["Abilities"] = r.abilities;
        o["IPCDevTypeFlag"] = r.ipc_dev_type_flag;
        o["InputNum"] = static_cast<int>(r.input_num);
        o["OutputNum"] = static_cast<int>(r.output_num);
        o["chnMode"] = static_cast<int>(r.chn_mode);
        o["bChnMode"] = static_cast<int>(r.chn_mode);
        o["AbilitiesEx"] = r.abilities_ex;
        o["u8WirelessIpcType"] = static_cast<int>(r.wireless_ipc_type);
        return o;
    }
    if (f.device_type != kDeviceTypeNvr)
        return Json::Value();
    const auto r = copy_record<VLNET_ALARM_SHORT>(data, length);
    Json::Value inner = short_alarm(r);
    inner["IPCDevTypeFlag"] = static_cast<int>(r.ipc_dev_type_flag);
    Json::Value o(Json::objectValue);
    o["Data"] = inner;
    return o;
}

Json::Value forbidden_address(const VLNET_LOGIN_FORBID_IP_INFO& r)
{
    Json::Value o(Json::objectValue);
    o["times"] = r.times;
    o["Year"] = r.time.year;
    o["Month"] = r.time.month;
    o["Day"] = r.time.day;
    o["Hour"] = r.time.hour;
    o["Minute"] = r.time.minute;
    o["Second"] = r.time.second;
    o["mac"] = slot_text(r.mac);
    o["serialNumber"] = slot_text(r.serial_number);
    return o;
}

Json::Value user_preview_report(const VLNET_USER_PREVIEW_REPORT& r)
{
    Json::Value users(Json::arrayValue);
    for (const auto& u : r.users) {
        Json::Value e(Json::objectValue);
        e["PreviewChannel"] = word_array(u.preview_channel);
        e["UserPreview"] = u.user_preview;
        users.append(e);
    }
    Json::Value o(Json::objectValue);
    o["alluser"] = users;
    o["PreviewCovert"] = word_array(r.preview_covert);
    return o;
}

Json::Value remote_param_info(const VLNET_REMOTE_PARAM_INFO& r)
{
    Json::Value o(Json::objectValue);
    o["OldVersion"] = slot_text(r.old_version);
    o["NewVersion"] = slot_text(r.new_version);
    o["model"] = slot_text(r.model);
    o["message"] = slot_text(r.message);
    o["OldVersionEX"] = slot_text(r.old_version_ex);
    o["NewVersionEX"] = slot_text(r.new_version_ex);
    return o;
}

} // namespace

message_facts message_facts_of(const device_record& record)
{
    message_facts f;
    f.device_type = record_device_type(record);
    f.channel_count = record_channel_count(record);
    f.basic_channel_count = record.channel_num;
    f.get_alarm_chns = (record.flags247 & VLNET_F247_GET_ALARM_CHNS) != 0;
    return f;
}

std::string record_time_text(const VLNET_TIME& t)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d-%02d-%02d-%02d", t.year, t.month, t.day, t.hour,
        t.minute, t.second);
    return text;
}

bool is_empty_root(const Json::Value& root)
{
    return root.isNull() || ((root.isArray() || root.isObject()) && root.empty());
}

std::vector<channel_record> read_channel_records(const char* data, size_t length, size_t count)
{
    const uint32_t stride = data && length >= 4 ? read_u32(data) : 0;
    count = std::min<size_t>(count, kMaxChannels);
    if (stride == 0)
        count = 0;
    else
        count = std::min<size_t>(count, (length + stride - 1) / stride);

    std::vector<channel_record> records(count);
    if (count)
        std::memset(records.data(), 0, count * sizeof(channel_record));
    for (size_t k = 0; k < count; ++k) {
        const uint64_t offset = static_cast<uint64_t>(k) * stride;
        const size_t take = static_cast<size_t>(
            std::min<uint64_t>({ static_cast<uint64_t>(stride), sizeof(channel_record), length - offset }));
        std::memcpy(&records[k], data + offset, take);
    }
    return records;
}

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
    o["AbilitiesArr"] = word_array(r.abilities_arr);
    return o;
}

Json::Value all_status_to_json(const all_status_record& r)
{
    Json::Value o(Json::objectValue);
    o["AlarmTime"] = record_time_text(r.time);
    o["RecordEnable"] = r.record_enable;
    o["RecordStatus"] = r.record_status;
    o["MotionEnable"] = r.motion_enable;
    o["MotionStatus"] = r.motion_status;
    o["IOEnable"] = r.io_enable;
    o["IOStatus"] = r.io_status;
    o["VLossStatus"] = r.vloss_status;
    o["AudioStatus"] = r.audio_status;
    o["IntelligentStatus"] = r.intelligent_status;
    o["CameraCoverSwitch"] = r.camera_cover_switch;
    o["CameraCoverState"] = r.camera_cover_state;
    o["PirEnable"] = r.pir_enable;
    o["PirStatus"] = r.pir_status;
    o["IntelligentChnStatus"] = r.intelligent_chn_status;
    o["AlarmSwitch"] = r.alarm_switch;
    o["FtpNewVersFlag"] = r.ftp_new_vers_flag;
    o["zeroChSwitch"] = r.zero_ch_switch;
    o["PlaybackState"] = r.playback_state;
    o["MotionStatusExt"] = word_array(r.motion_status_ext);
    o["IOStatusExt"] = word_array(r.io_status_ext);
    o["PIRStatusExt"] = word_array(r.pir_status_ext);
    o["SmokeStatusExt"] = word_array(r.smoke_status_ext);
    o["AudioStatusExt"] = word_array(r.audio_status_ext);
    o["IntelligentChnStatusExt"] = word_array(r.intelligent_chn_status_ext);
    o["HddStatus"] = byte_array(r.hdd_status);
    o["RecordAllStatus"] = byte_array(r.record_all_status);
    Json::Value ext(Json::arrayValue);
    for (const auto& block : r.record_all_status_ext)
        ext.append(byte_array(block));
    o["RecordAllStatusExt"] = ext;
    o["InputNum"] = byte_array(r.input_num);
    o["OutputNum"] = byte_array(r.output_num);
    o["PowerStateChange"] = byte_array(r.power_state_change);
    o["PowerChargeState"] = byte_array(r.power_charge_state);
    o["PageIntelligentChn"] = byte_array(r.page_intelligent_chn, 256);
    o["PageIntelligentChnExt"] = byte_array(r.page_intelligent_chn_ext, 256);
    return o;
}

Json::Value custom_report_to_json(const custom_report_record& r)
{
    Json::Value o(Json::objectValue);
    o["structsize"] = r.structsize;
    o["type"] = r.type;
    o["alarmSwitch"] = r.alarm_switch;
    o["s8Reserve"] = slot_text(r.reserve);
    return o;
}

named_message convert_device_message(unsigned id, const char* data, size_t length, const message_facts& f)
{
    if (!data)
        length = 0;
    named_message m;
    switch (id) {
    case VLNET_MSG_LOGIN_FORBID_IP:
        m.name = "VLNetMsgLoginForbidIP";
        m.root = forbidden_address(copy_record<VLNET_LOGIN_FORBID_IP_INFO>(data, length));
        break;
    case VLNET_MSG_CHARGE_POWER:
    case VLNET_MSG_AUDIO_REPORT:
        m.name = id == VLNET_MSG_CHARGE_POWER ? "MsgChargePower" : "MsgAudioReport";
        m.root = per_channel_states(copy_record<VLNET_ALARM_INFO>(data, length), f.channel_count);
        break;
    case VLNET_MSG_POWER_CHANGE: {
        m.name = "MsgPowerChange";
        const auto r = copy_record<VLNET_ALARM_INFO>(data, length);
        m.root = Json::Value(Json::arrayValue);
        for (int c = 0; c < table_count(f.channel_count); ++c) {
            Json::Value e(Json::objectValue);
            e["Channel"] = c;
            e["PowerStat"] = r.power_state[c];
            m.root.append(e);
        }
        break;
    }
    case VLNET_MSG_PIR_ALARM:
    case VLNET_MSG_MOTION_ALARM:
    case VLNET_MSG_IO_ALARM:
    case VLNET_MSG_INTEL_IPC_PEA_ALARM:
    case VLNET_MSG_IPC_OSC_ALARM:
    case VLNET_MSG_INTEL_IPC_PEA_AREA_ALARM:
    case VLNET_MSG_ALARM_INT_MANAGE:
    case VLNET_MSG_SOUND_ALARM_REPORT:
    case VLNET_MSG_PWD_CHANGE:
        m = convert_alarm(id, data, length, f);
        break;
    case VLNET_MSG_VLOSS_ALARM:
        m.name = "MsgVLossAlarm";
        // Every device is asked for its all-status record after a video
        // loss; only a DVR's message itself is passed on.
        m.ask_all_status = true;
        if (f.device_type == kDeviceTypeDvr) {
            const auto r = copy_record<VLNET_ALARM_INFO>(data, length);
            m.root = Json::Value(Json::arrayValue);
            for (int c = 0; c < table_count(f.channel_count); ++c) {
                if (!mask_bit(r, c))
                    continue;
                Json::Value e(Json::objectValue);
                e["ch"] = c;
                e["state"] = state_bit(r, c) ? 1 : 0;
                m.root.append(e);
            }
        }
        break;
    case VLNET_MSG_DEV_STAT_REPORT:
        m.name = "MsgDevStatReport";
        m.root = device_status_report(data, length, f);
        break;
    case VLNET_MSG_FTP_UPGRADE_ALARM: {
        m.name = "MsgFtpUpgradeAlarm";
        const auto r = copy_record<VLNET_FTP_UPGRADE_STATE>(data, length);
        m.root["pos"] = r.pos;
        m.root["status"] = r.status;
        break;
    }
    case VLNET_MSG_INTEL_PEA_ALARM:
        m.name = "MsgIntelPeaAlarm"; // its record is not reported
        break;
    case VLNET_MSG_OSC_RULE_ALARM:
        m.name = "MsgOscRuleAlarm"; // its record is not reported
        break;
    case VLNET_MSG_VIDEO_HIDE_ALARM: {
        m.name = "MsgVideoHideAlarm";
        const auto r = copy_record<VLNET_VIDEO_HIDE_ALARM>(data, length);
        m.root["Channel"] = r.channel;
        m.root["Status"] = r.status;
        m.root["AlarmTime"] = record_time_text(r.time);
        m.root["RecState"] = r.rec_state;
        break;
    }
    case VLNET_MSG_RECORD_STATUS_REPORT: {
        m.name = "MsgRecordStatusReport";
        const auto r = copy_record<VLNET_RECORD_STATUS_REPORT>(data, length);
        m.root["Type"] = r.type;
        m.root["AlarmTime"] = record_time_text(r.time);
        m.root["ChannelNum"] = r.channel_num;
        m.root["RecordStatus"] = r.record_status;
        m.root["AllChanRecState"] = r.all_chan_rec_state;
        break;
    }
    case VLNET_MSG_HDD_STATUS_REPORT: {
        m.name = "MsgHddStatusReport";
        const auto r = copy_record<VLNET_HDD_STATUS_REPORT>(data, length);
        m.root["HddStatus"] = r.hdd_status;
        m.root["HddSN"] = slot_text(r.hdd_sn);
        m.root["AlarmTime"] = record_time_text(r.time);
        break;
    }
    case VLNET_MSG_ALARM_FISHEYE_IPC_STAT:
        m.name = "MsgAlarmFishEyeIpcStat";
        m.root["curStreamNum"] = copy_record<VLNET_FISHEYE_IPC_STAT>(data, length).cur_stream_num;
        break;
    case VLNET_MSG_ALARM_PTZ_IPC_STAT: {
        m.name = "MsgAlarmPTZIpcStat";
        const auto r = copy_record<VLNET_PTZ_IPC_STAT>(data, length);
        m.root["ChannelMask"] = r.channel_mask;
        m.root["curZoomValue"] = r.cur_zoom_value;
        m.root["zoomStep"] = r.zoom_step;
        m.root["curFocusValue"] = r.cur_focus_value;
        m.root["focusStep"] = r.focus_step;
        m.root["autoFocusState"] = r.auto_focus_state;
        break;
    }
    case VLNET_MSG_CH_NAME_CHANGE: {
        m.name = "MsgChNameChange";
        const auto r = copy_record<VLNET_NAME_CHANGE>(data, length);
        m.root["chn"] = r.chn;
        m.root["Name"] = slot_text(r.name);
        break;
    }
    case VLNET_MSG_DEV_NAME_CHANGE:
        m.name = "MsgDevNameChange";
        m.root["Name"] = slot_text(copy_record<VLNET_NAME_CHANGE>(data, length).name);
        break;
    case VLNET_MSG_DEV_PARAM_CHANGE_REPORT: {
        m.name = "MsgDevParamChangeReport";
        const auto r = copy_record<VLNET_PARAM_CHANGE_REPORT>(data, length);
        m.root["chn"] = r.chn;
        m.root["pageType"] = r.page_type;
        break;
    }
    case VLNET_MSG_DEV_PREVIEW_CHANGE_REPORT: {
        m.name = "MsgDevPreviewChangeReport";
        const auto r = copy_record<VLNET_PREVIEW_CHANGE_REPORT>(data, length);
        m.root["chn"] = r.chn;
        m.root["FloodLightMode"] = r.flood_light_mode;
        m.root["FloodLightValue"] = r.flood_light_value;
        m.root["AudioAlarmSwitch"] = r.audio_alarm_switch;
        m.root["FlashLight"] = r.flash_light;
        m.root["LineOutVolume"] = r.line_out_volume;
        m.root["FlashFrequency"] = r.flash_frequency;
        m.root["isDualtalkWorking"] = r.is_dualtalk_working;
        break;
    }
    case VLNET_MSG_DEV_CH_MODE_REPORT: {
        m.name = "MsgDevChModeReport";
        const auto r = copy_record<VLNET_ALARM_INFO>(data, length);
        Json::Value modes(Json::arrayValue);
        for (int c = 0; c < table_count(f.channel_count); ++c) {
            if (!mask_bit(r, c))
                continue;
            Json::Value e(Json::objectValue);
            e["Channel"] = c;
            e["bChnMode"] = r.chn_mode;
            modes.append(e);
        }
        m.root["arrChMode"] = modes;
        break;
    }
    case VLNET_MSG_SAM_PC_ALARM_REPORT:
        m.name = "MsgSamPCAlarmReport";
        m.root = user_preview_report(copy_record<VLNET_USER_PREVIEW_REPORT>(data, length));
        break;
    case VLNET_MSG_CUSTOM_REPORT_INFO:
        m.name = "MsgCustomReportInfo";
        m.root = custom_report_to_json(copy_record<custom_report_record>(data, length));
        break;
    case VLNET_MSG_ALARM_JSON_INFO:
        m.name = "MsgAlarmJsonInfo";
        m.pass_text = true;
        break;
    case VLNET_MSG_DEV_ALL_STATUS: {
        m.name = "MsgDevAllStatusReq";
        const auto r = copy_record<all_status_record>(data, length);
        m.root = all_status_to_json(r);
        if (f.device_type == kDeviceTypeDvr) {
            m.root["OldVer"] = slot_text(r.old_version);
            m.root["NewVer"] = slot_text(r.new_version);
            m.root["DevType"] = slot_text(r.dev_type);
            m.root["VersFlag"] = r.ftp_new_vers_flag;
        }
        break;
    }
    case VLNET_MSG_REMOTE_CH_STATUS: {
        m.name = "MsgRemoteCHStatusReq";
        m.root = Json::Value(Json::arrayValue);
        for (const auto& r : read_channel_records(data, length, static_cast<size_t>(f.basic_channel_count)))
            m.root.append(channel_record_to_json(r));
        break;
    }
    case VLNET_MSG_GET_REMOTE_PARAM:
        m.name = "MsgGetRemoteParam";
        m.root = remote_param_info(copy_record<VLNET_REMOTE_PARAM_INFO>(data, length));
        break;
    default:
        break;
    }
    return m;
}

} // namespace vlsdk
