#include "record_fields.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace devsim
{

namespace
{

enum class Kind { U8, U16, U32, Text, Words8, Bits };

struct Field {
    const char* key;
    Kind kind;
    std::size_t offset;
    std::size_t size = 0; // Text: slot size
    int shift = 0; // Bits: lowest bit
    int width = 0; // Bits: number of bits
};

#define VL_U8(key, member)                                                                                   \
    Field                                                                                                    \
    {                                                                                                        \
        key, Kind::U8, offsetof(VLNET_DEVICE_INFO, member)                                                   \
    }
#define VL_U16(key, member)                                                                                  \
    Field                                                                                                    \
    {                                                                                                        \
        key, Kind::U16, offsetof(VLNET_DEVICE_INFO, member)                                                  \
    }
#define VL_U32(key, member)                                                                                  \
    Field                                                                                                    \
    {                                                                                                        \
        key, Kind::U32, offsetof(VLNET_DEVICE_INFO, member)                                                  \
    }
#define VL_TEXT(key, member)                                                                                 \
    Field                                                                                                    \
    {                                                                                                        \
        key, Kind::Text, offsetof(VLNET_DEVICE_INFO, member), sizeof(VLNET_DEVICE_INFO::member)              \
    }
#define VL_WORDS(key, member)                                                                                \
    Field                                                                                                    \
    {                                                                                                        \
        key, Kind::Words8, offsetof(VLNET_DEVICE_INFO, member)                                               \
    }
#define VL_BITS(key, member, shift, width)                                                                   \
    Field                                                                                                    \
    {                                                                                                        \
        key, Kind::Bits, offsetof(VLNET_DEVICE_INFO, member), 0, shift, width                                \
    }

const std::vector<Field>& fields()
{
    static const std::vector<Field> table = {
        VL_U32("LowType", low_type),
        VL_U32("HighType", high_type),
        VL_TEXT("DevVer", dev_ver),
        VL_TEXT("DeviceName", device_name),
        VL_TEXT("MacAddr", mac_addr),
        VL_U32("DeviceID", device_id),
        VL_U32("UserSetRight", user_set_right),
        VL_U32("PreviewChannel", preview_channel),
        VL_U32("PlayBackChannel", playback_channel),
        VL_U32("BackupChannel", backup_channel),
        VL_U32("PtzControlChannel", ptz_control_channel),
        VL_U8("UserPreview", user_preview),
        VL_U8("UserPlayBack", user_playback),
        VL_U8("UserBackup", user_backup),
        VL_U8("UserPtzControl", user_ptz_control),
        VL_U32("UserKey", user_key),
        VL_U16("TotalFPS", total_fps),
        VL_U8("ChannelNum", channel_num),
        VL_U8("VideoFormat", video_format),
        VL_U8("AlarmInNum", alarm_in_num),
        VL_U8("AlarmOutNum", alarm_out_num),
        VL_U8("AIAnalyzeCap", ai_analyze_cap),
        VL_U8("AIAnalyzeChannels", ai_analyze_channels),
        VL_U8("SerialNum", serial_num),
        VL_U8("ISAdmin", is_admin),
        VL_U8("AudioNum", audio_num),
        VL_U8("ResolutioFrameFix", resolution_frame_fix),
        VL_U8("PreviewOff", preview_off),
        VL_U8("VideoCoverNum", video_cover_num),
        VL_U8("SupportSpot", support_spot),
        VL_U8("SubStreamMin", sub_stream_min),
        VL_U8("SubStreamMax", sub_stream_max),
        VL_U8("PlatformSupport", platform_support),
        VL_U16("ChnInfoSize", chn_info_size),
        VL_U8("SubStreamRestrict", sub_stream_restrict),
        VL_U8("DualtalkShowTag", dualtalk_show_tag),
        VL_U8("RouterShowTag", router_show_tag),
        VL_U8("LANShowTag", lan_show_tag),
        VL_U32("PlatFormShowTag", platform_show_tag),
        VL_TEXT("ProductName", product_name),
        VL_U32("PlatFormSwitch", platform_switch),
        VL_U8("VideoActivateSwitch", video_activate_switch),
        VL_U8("MotionMode", motion_mode),
        VL_U8("ResolutionMode", resolution_mode),
        VL_U8("HidePhonePage", hide_phone_page),
        VL_U8("UpgradeType", upgrade_type),
        VL_U8("ElecLockFlag", elec_lock_flag),
        VL_U16("TotalFPS_960", total_fps_960),
        VL_BITS("WifiStatus", flags228, 0, 1),
        VL_BITS("RtspPageEnable", flags228, 1, 1),
        VL_BITS("FtpPageFlag", flags228, 2, 1),
        VL_BITS("c32PasswordFlag", flags228, 3, 1),
        VL_BITS("EditionDevStatusFlag", flags228, 4, 1),
        VL_BITS("FileSystemFlag", flags228, 5, 1),
        VL_BITS("EditionP2PUidFlag", flags228, 6, 1),
        VL_BITS("EmailFlagSwitch", flags228, 7, 1),
        VL_BITS("EmailScheduleFlag", flags229, 0, 1),
        VL_BITS("PtzHiddenFlag", flags229, 1, 1),
        VL_BITS("c3GFlagSwitch", flags229, 2, 1),
        VL_BITS("c3GFlag", flags229, 3, 1),
        VL_BITS("RecordTypeFlag", flags229, 4, 1),
        VL_BITS("SystemIDCtrl", flags229, 5, 1),
        VL_BITS("FtpPcSendFlag", flags229, 6, 1),
        VL_BITS("CloudStorageFlag", flags229, 7, 1),
        VL_BITS("AutoMaintenance", flags230, 0, 1),
        VL_BITS("CloudSGSerSwitch", flags230, 1, 4),
        VL_BITS("ShieldColorSetFlag", flags230, 5, 1),
        VL_BITS("IntelligentAnalysis", flags230, 6, 1),
        VL_BITS("RemoteUpgradeMode", flags230, 7, 1),
        VL_BITS("CloudeSGType", flags231, 0, 4),
        VL_BITS("CloudeStorageMode", flags231, 4, 1),
        VL_BITS("VBRFlag", flags231, 5, 1),
        VL_BITS("RemoteFtpUpgradeSupport", flags231, 6, 1),
        VL_BITS("MainStreamMutex", flags231, 7, 1),
        VL_BITS("NewAapterQTParamFlag", flags232, 0, 1),
        VL_BITS("PtzSupported", flags232, 1, 1),
        VL_BITS("PasswordSwitch", flags232, 2, 2),
        VL_BITS("NvrFlag", flags232, 4, 2),
        VL_BITS("MaintainUserEnabled", flags232, 6, 1),
        VL_U8("MaxPOENum", max_poe_num),
        VL_U8("UiType", ui_type),
        VL_U8("ChipNum", chip_num),
        VL_U32("ProtocolType", protocol_type),
        VL_BITS("showVersionFlag", flags240, 5, 1),
        VL_BITS("pppoeFlag", flags240, 7, 1),
        VL_BITS("hybirdDVRFlag", flags244, 0, 4),
        VL_BITS("customProtolFlag", flags244, 5, 1),
        VL_U8("AnalogChNum", analog_ch_num),
        VL_BITS("ZeroChFlag", flags247, 1, 1),
        VL_BITS("GetAlarmChns", flags247, 2, 1),
        VL_BITS("CoaxialFlag", flags247, 3, 1),
        VL_BITS("eSATAEnabled", flags247, 4, 4),
        VL_TEXT("p2pId", p2p_id),
        VL_U8("PushType", push_type),
        VL_U8("RemoteSearchLogFlag", remote_search_log_flag),
        VL_BITS("HkDomeFlag", flags287, 1, 1),
        VL_BITS("NewEmailTest", flags287, 4, 1),
        VL_BITS("UserNameFlag", flags287, 5, 1),
        VL_WORDS("PreviewChannel_EX", preview_channel_ex),
        VL_WORDS("PlayBackChannel_EX", playback_channel_ex),
        VL_WORDS("BackupChannel_EX", backup_channel_ex),
        VL_WORDS("PtzControlChannel_Ex", ptz_control_channel_ex),
        VL_U32("PageControl", page_control),
        VL_U8("isFishEye", is_fish_eye),
        VL_U8("isSupportHard_dec", is_support_hard_dec),
        VL_U8("curShowMode", cur_show_mode),
        VL_U8("curStreamNum", cur_stream_num),
        VL_U8("fishEyeflag", fish_eye_flag),
        VL_U8("PreviewNum", preview_num),
        VL_U8("DefualtStream", default_stream),
        VL_U32("PageControl2", page_control2),
        VL_U32("mixZoomPosition", mix_zoom_position),
        VL_U32("maxZoomPosition", max_zoom_position),
        VL_U32("mixFocusPosition", mix_focus_position),
        VL_U32("maxFocusPosition", max_focus_position),
        VL_U8("PTZVersion", ptz_version),
        VL_BITS("WizardFlag", flags460, 0, 1),
        VL_U8("PirAreaMode", pir_area_mode),
        VL_U8("TalkMode", talk_mode),
        VL_U32("ControlBit", control_bit),
        VL_U32("ControlBit2", control_bit2),
        VL_U32("ClientAutoLogoutTime", client_auto_logout_time),
        VL_U8("MaxCloudVideoUploadNum", max_cloud_video_upload_num),
        VL_U8("UserId", user_id),
        VL_WORDS("PreviewCovert", preview_covert),
        VL_U32("PushInfoType", push_info_type),
        VL_WORDS("ControlBitArray", control_bit_array),
        VL_U32("SupportEncAbility", support_enc_ability),
        VL_TEXT("DeviceType", device_type),
        VL_TEXT("SerialNumber", serial_number),
        VL_U8("MaxCloudPictureUploadNum", max_cloud_picture_upload_num),
        VL_U8("MaxFtpVideoUploadNum", max_ftp_video_upload_num),
        VL_U8("MaxFtpPictureUploadNum", max_ftp_picture_upload_num),
        VL_U32("sys_channel_num", sys_channel_num),
        VL_U32("SupportedModifIpcNetmode", supported_modif_ipc_netmode),
        VL_TEXT("DeviceName2", device_name2),
        VL_U32("mobileRemoteSettingProtocol", mobile_remote_setting_protocol),
        VL_U32("SupportRecordTypes", support_record_types),
        VL_U32("https_port", https_port),
        VL_TEXT("http_api_version", http_api_version),
        VL_U8("support_http_api_config_net", support_http_api_config_net),
        VL_U8("support_new_schedule", support_new_schedule),
    };
    return table;
}

#undef VL_U8
#undef VL_U16
#undef VL_U32
#undef VL_TEXT
#undef VL_WORDS
#undef VL_BITS

const Field* find(const std::string& key)
{
    for (const auto& f : fields())
        if (key == f.key)
            return &f;
    return nullptr;
}

std::uint64_t maximum(const Field& f)
{
    switch (f.kind) {
    case Kind::U8:
        return 0xFF;
    case Kind::U16:
        return 0xFFFF;
    case Kind::Bits:
        return (1u << f.width) - 1;
    default:
        return 0xFFFFFFFFu;
    }
}

bool unsignedIn(const Json::Value& v, std::uint64_t max)
{
    return v.isIntegral() && v.isUInt64() && v.asUInt64() <= max;
}

void putLE(std::uint8_t* p, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

std::uint32_t getLE(const std::uint8_t* p, int bytes)
{
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= std::uint32_t(p[i]) << (8 * i);
    return v;
}

} // namespace

std::vector<std::string> recordFieldKeys()
{
    std::vector<std::string> out;
    for (const auto& f : fields())
        out.push_back(f.key);
    return out;
}

bool checkRecordField(const std::string& key, const Json::Value& value, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = "record." + key + " " + why;
        return false;
    };
    const Field* f = find(key);
    if (!f)
        return fail("is no field of the device-information record");
    switch (f->kind) {
    case Kind::Text:
        if (!value.isString())
            return fail("must be a text");
        if (value.asString().size() > f->size)
            return fail("must fit its " + std::to_string(f->size) + "-byte slot");
        return true;
    case Kind::Words8:
        if (!value.isArray() || value.size() > 8)
            return fail("must be an array of at most 8 unsigned 32-bit words");
        for (const auto& w : value)
            if (!unsignedIn(w, 0xFFFFFFFFu))
                return fail("must be an array of at most 8 unsigned 32-bit words");
        return true;
    default:
        if (!unsignedIn(value, maximum(*f)))
            return fail("must be an integer from 0 to " + std::to_string(maximum(*f)));
        return true;
    }
}

void applyRecordFields(VLNET_DEVICE_INFO& record, const std::map<std::string, Json::Value>& overrides)
{
    auto* bytes = reinterpret_cast<std::uint8_t*>(&record);
    for (const auto& [key, value] : overrides) {
        const Field* f = find(key);
        if (!f || !checkRecordField(key, value, nullptr))
            continue;
        std::uint8_t* p = bytes + f->offset;
        switch (f->kind) {
        case Kind::U8:
            putLE(p, value.asUInt(), 1);
            break;
        case Kind::U16:
            putLE(p, value.asUInt(), 2);
            break;
        case Kind::U32:
            putLE(p, value.asUInt(), 4);
            break;
        case Kind::Text: {
            std::string text = value.asString();
            std::memset(p, 0, f->size);
            std::memcpy(p, text.data(), text.size());
            break;
        }
        case Kind::Words8:
            std::memset(p, 0, 32);
            for (Json::ArrayIndex i = 0; i < value.size(); ++i)
                putLE(p + 4 * i, value[i].asUInt(), 4);
            break;
        case Kind::Bits: {
            std::uint8_t mask = std::uint8_t(((1u << f->width) - 1) << f->shift);
            *p = std::uint8_t((*p & ~mask) | ((value.asUInt() << f->shift) & mask));
            break;
        }
        }
    }
}

Json::Value readRecordField(const VLNET_DEVICE_INFO& record, const std::string& key)
{
    const Field* f = find(key);
    if (!f)
        return Json::Value();
    const auto* p = reinterpret_cast<const std::uint8_t*>(&record) + f->offset;
    switch (f->kind) {
    case Kind::U8:
        return Json::UInt(getLE(p, 1));
    case Kind::U16:
        return Json::UInt(getLE(p, 2));
    case Kind::U32:
        return Json::UInt(getLE(p, 4));
    case Kind::Text:
        return std::string(
            reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), f->size));
    case Kind::Words8: {
        Json::Value out(Json::arrayValue);
        for (int i = 0; i < 8; ++i)
            out.append(Json::UInt(getLE(p + 4 * i, 4)));
        return out;
    }
    case Kind::Bits:
        return Json::UInt((*p >> f->shift) & ((1u << f->width) - 1));
    }
    return Json::Value();
}

} // namespace devsim
