#pragma once
// The device-information record of a login (the network SDK's 1232-byte
// record, filled by VLNetGetDevInfo) and what the library reads from it:
// the device type, the channel count and the login response as JSON.
#include "vlnet.h"

#include <cstddef>
#include <json/value.h>
#include <string>

namespace vlsdk
{

using device_record = VLNET_DEVICE_INFO;
constexpr size_t kDeviceRecordSize = 1232;
static_assert(sizeof(device_record) == kDeviceRecordSize, "the device record is 1232 bytes");

// Device types the library tells apart (bits 40 to 43 of the type word).
constexpr int kDeviceTypeNvr = 3;
constexpr int kDeviceTypeIpc = 4;
constexpr int kDeviceTypeDvr = 6;

// Bits 40 to 43 of the 64-bit device-type word at the start of the record.
int record_device_type(const device_record& record);

// "sys_channel_num" when non-zero, else "ChannelNum" (what the device says;
// tables of the library hold 256 channels, see kMaxChannels).
int record_channel_count(const device_record& record);

// "IntelligentAnalysis": bit 6 of the flag byte at offset 230.
bool record_intelligent_analysis(const device_record& record);

// The login response: one member per field of the record, under the field's
// name ("DevVer", "UiType", "p2pId", the bit flags such as "WifiStatus", the
// objects "FishEye" and "autoFocus", ...). A UiType of 52 shows as 50 with
// "UI52Type": true; "p2pId" is empty and "http_api_version", "https_port"
// and "support_http_api_config_net" are absent unless their text begins with
// an ASCII letter or digit.
Json::Value login_rsp_json(const device_record& record);

// The login response written styled (never empty).
std::string login_rsp_text(const device_record& record);

} // namespace vlsdk
