#include "core/device_record.h"

#include "common/json.h"
#include "core/record_text.h"

#include <climits>
#include <cstdint>
#include <cstring>

namespace vlsdk
{

namespace
{

// The record is read by byte offset (little-endian), as the network SDK
// lays it out; these offsets are the SDK's, independent of how vlnet.h
// names the fields.
enum class kind { u8, u16, u32, text, words8 };

struct field {
    const char* key;
    size_t offset;
    kind type;
    size_t size = 0; // text: its slot
    const char* group = nullptr; // the object the member belongs to, if any
};

const field kFields[] = {
    { "LowType", 0, kind::u32 },
    { "HighType", 4, kind::u32 },
    { "DevVer", 8, kind::text, 36 },
    { "DeviceName", 44, kind::text, 36 },
    { "MacAddr", 80, kind::text, 36 },
    { "DeviceID", 116, kind::u32 },
    { "UserSetRight", 120, kind::u32 },
    { "PreviewChannel", 124, kind::u32 },
    { "PlayBackChannel", 128, kind::u32 },
    { "BackupChannel", 132, kind::u32 },
    { "PtzControlChannel", 136, kind::u32 },
    { "UserPreview", 140, kind::u8 },
    { "UserPlayBack", 141, kind::u8 },
    { "UserBackup", 142, kind::u8 },
    { "UserPtzControl", 143, kind::u8 },
    { "UserKey", 160, kind::u32 },
    { "TotalFPS", 164, kind::u16 },
    { "ChannelNum", 166, kind::u8 },
    { "VideoFormat", 167, kind::u8 },
    { "AlarmInNum", 168, kind::u8 },
    { "AlarmOutNum", 169, kind::u8 },
    { "AIAnalyzeCap", 170, kind::u8 },
    { "AIAnalyzeChannels", 171, kind::u8 },
    { "SerialNum", 172, kind::u8 },
    { "ISAdmin", 173, kind::u8 },
    { "AudioNum", 174, kind::u8 },
    { "ResolutioFrameFix", 175, kind::u8 },
    { "PreviewOff", 176, kind::u8 },
    { "VideoCoverNum", 177, kind::u8 },
    { "SupportSpot", 178, kind::u8 },
    { "SubStreamMin", 179, kind::u8 },
    { "SubStreamMax", 180, kind::u8 },
    { "PlatformSupport", 181, kind::u8 },
    { "ChnInfoSize", 182, kind::u16 },
    { "SubStreamRestrict", 184, kind::u8 },
    { "DualtalkShowTag", 185, kind::u8 },
    { "RouterShowTag", 186, kind::u8 },
    { "LANShowTag", 187, kind::u8 },
    { "PlatFormShowTag", 188, kind::u32 },
    { "ProductName", 192, kind::text, 24 },
    { "PlatFormSwitch", 216, kind::u32 },
    { "VideoActivateSwitch", 220, kind::u8 },
    { "MotionMode", 221, kind::u8 },
    { "ResolutionMode", 222, kind::u8 },
    { "HidePhonePage", 223, kind::u8 },
    { "UpgradeType", 224, kind::u8 },
    { "ElecLockFlag", 225, kind::u8 },
    { "TotalFPS_960", 226, kind::u16 },
    { "MaxPOENum", 233, kind::u8 },
    { "ChipNum", 235, kind::u8 },
    { "ProtocolType", 236, kind::u32 },
    { "AnalogChNum", 245, kind::u8 },
    { "PushType", 283, kind::u8 },
    { "RemoteSearchLogFlag", 286, kind::u8 },
    { "PreviewChannel_EX", 288, kind::words8 },
    { "PlayBackChannel_EX", 320, kind::words8 },
    { "BackupChannel_EX", 352, kind::words8 },
    { "PtzControlChannel_Ex", 384, kind::words8 },
    { "PageControl", 416, kind::u32 },
    { "isFishEye", 420, kind::u8, 0, "FishEye" },
    { "isSupportHard_dec", 421, kind::u8, 0, "FishEye" },
    { "curShowMode", 422, kind::u8, 0, "FishEye" },
    { "curStreamNum", 423, kind::u8, 0, "FishEye" },
    { "fishEyeflag", 424, kind::u8, 0, "FishEye" },
    { "PreviewNum", 430, kind::u8 },
    { "DefualtStream", 431, kind::u8 },
    { "PageControl2", 432, kind::u32 },
    { "mixZoomPosition", 436, kind::u32, 0, "autoFocus" },
    { "maxZoomPosition", 440, kind::u32, 0, "autoFocus" },
    { "mixFocusPosition", 444, kind::u32, 0, "autoFocus" },
    { "maxFocusPosition", 448, kind::u32, 0, "autoFocus" },
    { "PTZVersion", 452, kind::u8, 0, "autoFocus" },
    { "PirAreaMode", 461, kind::u8 },
    { "TalkMode", 462, kind::u8 },
    { "ControlBit", 464, kind::u32 },
    { "ControlBit2", 500, kind::u32 },
    { "ClientAutoLogoutTime", 508, kind::u32 },
    { "MaxCloudVideoUploadNum", 512, kind::u8 },
    { "UserId", 513, kind::u8 },
    { "PreviewCovert", 516, kind::words8 },
    { "PushInfoType", 548, kind::u32 },
    { "ControlBitArray", 552, kind::words8 },
    { "SupportEncAbility", 584, kind::u32 },
    { "DeviceType", 588, kind::text, 36 },
    { "SerialNumber", 624, kind::text, 96 },
    { "MaxCloudPictureUploadNum", 720, kind::u8 },
    { "MaxFtpVideoUploadNum", 721, kind::u8 },
    { "MaxFtpPictureUploadNum", 722, kind::u8 },
    { "sys_channel_num", 724, kind::u32 },
    { "SupportedModifIpcNetmode", 728, kind::u32 },
    { "DeviceName2", 736, kind::text, 128 },
    { "mobileRemoteSettingProtocol", 864, kind::u32 },
    { "SupportRecordTypes", 868, kind::u32 },
    { "support_new_schedule", 893, kind::u8 },
};

struct bits {
    const char* key;
    size_t offset;
    int shift;
    int width;
};

// Bits 4 and 6 of byte 228 belong to two customer editions; their keys
// carry "Edition" where those editions carry their brand word.
const bits kBits[] = {
    { "WifiStatus", 228, 0, 1 },
    { "RtspPageEnable", 228, 1, 1 },
    { "FtpPageFlag", 228, 2, 1 },
    { "c32PasswordFlag", 228, 3, 1 },
    { "EditionDevStatusFlag", 228, 4, 1 },
    { "FileSystemFlag", 228, 5, 1 },
    { "EditionP2PUidFlag", 228, 6, 1 },
    { "EmailFlagSwitch", 228, 7, 1 },
    { "EmailScheduleFlag", 229, 0, 1 },
    { "PtzHiddenFlag", 229, 1, 1 },
    { "c3GFlagSwitch", 229, 2, 1 },
    { "c3GFlag", 229, 3, 1 },
    { "RecordTypeFlag", 229, 4, 1 },
    { "SystemIDCtrl", 229, 5, 1 },
    { "FtpPcSendFlag", 229, 6, 1 },
    { "CloudStorageFlag", 229, 7, 1 },
    { "AutoMaintenance", 230, 0, 1 },
    { "CloudSGSerSwitch", 230, 1, 4 },
    { "ShieldColorSetFlag", 230, 5, 1 },
    { "IntelligentAnalysis", 230, 6, 1 },
    { "RemoteUpgradeMode", 230, 7, 1 },
    { "CloudeSGType", 231, 0, 4 },
    { "CloudeStorageMode", 231, 4, 1 },
    { "VBRFlag", 231, 5, 1 },
    { "RemoteFtpUpgradeSupport", 231, 6, 1 },
    { "MainStreamMutex", 231, 7, 1 },
    { "NewAapterQTParamFlag", 232, 0, 1 },
    { "PtzSupported", 232, 1, 1 },
    { "PasswordSwitch", 232, 2, 2 },
    { "NvrFlag", 232, 4, 2 },
    { "MaintainUserEnabled", 232, 6, 1 },
    { "showVersionFlag", 240, 5, 1 },
    { "pppoeFlag", 240, 7, 1 },
    { "hybirdDVRFlag", 244, 0, 4 },
    { "customProtolFlag", 244, 5, 1 },
    { "ZeroChFlag", 247, 1, 1 },
    { "GetAlarmChns", 247, 2, 1 },
    { "CoaxialFlag", 247, 3, 1 },
    { "eSATAEnabled", 247, 4, 4 },
    { "HkDomeFlag", 287, 1, 1 },
    { "NewEmailTest", 287, 4, 1 },
    { "UserNameFlag", 287, 5, 1 },
    { "WizardFlag", 460, 0, 1 },
};

constexpr size_t kUiTypeOffset = 234;
constexpr size_t kP2PIdOffset = 248;
constexpr size_t kP2PIdSize = 35; // up to offset 283
constexpr size_t kHttpsPortOffset = 872;
constexpr size_t kHttpApiVersionOffset = 876;
constexpr size_t kHttpApiVersionSize = 16;
constexpr size_t kConfigNetOffset = 892;

// The other code reads the record through vlnet.h's names: they must sit
// where the SDK puts them.
static_assert(offsetof(device_record, high_type) == 4, "device-type word");
static_assert(offsetof(device_record, channel_num) == 166, "ChannelNum");
static_assert(offsetof(device_record, flags230) == 230, "flag byte 230");
static_assert(offsetof(device_record, flags247) == 247, "flag byte 247");
static_assert(offsetof(device_record, sys_channel_num) == 724, "sys_channel_num");

const uint8_t* bytes_of(const device_record& r)
{
    return reinterpret_cast<const uint8_t*>(&r);
}

uint32_t read_le(const uint8_t* p, int count)
{
    uint32_t v = 0;
    for (int i = 0; i < count; ++i)
        v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return v;
}

std::string read_text(const uint8_t* p, size_t size)
{
    return slot_text(reinterpret_cast<const char*>(p), size);
}

Json::Value field_value(const uint8_t* base, const field& f)
{
    const uint8_t* p = base + f.offset;
    switch (f.type) {
    case kind::u8:
        return Json::Value(static_cast<int>(p[0]));
    case kind::u16:
        return Json::Value(static_cast<int>(read_le(p, 2)));
    case kind::u32:
        return Json::Value(static_cast<Json::UInt>(read_le(p, 4)));
    case kind::text:
        return Json::Value(read_text(p, f.size));
    case kind::words8: {
        Json::Value words(Json::arrayValue);
        for (int i = 0; i < 8; ++i)
            words.append(static_cast<Json::UInt>(read_le(p + 4 * i, 4)));
        return words;
    }
    }
    return Json::Value();
}

} // namespace

int record_device_type(const device_record& r)
{
    return static_cast<int>((read_le(bytes_of(r) + 4, 4) >> 8) & 0xF);
}

int record_channel_count(const device_record& r)
{
    const uint32_t extended = read_le(bytes_of(r) + 724, 4);
    if (extended != 0)
        return extended > static_cast<uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(extended);
    return bytes_of(r)[166];
}

bool record_intelligent_analysis(const device_record& r)
{
    return (bytes_of(r)[230] >> 6) & 1;
}

Json::Value login_rsp_json(const device_record& r)
{
    const uint8_t* base = bytes_of(r);
    Json::Value root(Json::objectValue);
    for (const auto& f : kFields) {
        if (f.group)
            root[f.group][f.key] = field_value(base, f);
        else
            root[f.key] = field_value(base, f);
    }
    for (const auto& b : kBits)
        root[b.key] = static_cast<int>((base[b.offset] >> b.shift) & ((1u << b.width) - 1));

    const int ui_type = base[kUiTypeOffset];
    if (ui_type == 52) {
        root["UiType"] = 50;
        root["UI52Type"] = true;
    } else {
        root["UiType"] = ui_type;
    }

    const std::string p2p_id = read_text(base + kP2PIdOffset, kP2PIdSize);
    root["p2pId"] = starts_with_ascii_alnum(p2p_id) ? p2p_id : std::string();

    const std::string api_version = read_text(base + kHttpApiVersionOffset, kHttpApiVersionSize);
    if (starts_with_ascii_alnum(api_version)) {
        root["http_api_version"] = api_version;
        root["https_port"] = static_cast<Json::UInt>(read_le(base + kHttpsPortOffset, 4));
        root["support_http_api_config_net"] = static_cast<int>(base[kConfigNetOffset]);
    }
    return root;
}

std::string login_rsp_text(const device_record& r)
{
    return vljson::write_styled(login_rsp_json(r));
}

} // namespace vlsdk
