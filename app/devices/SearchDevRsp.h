#pragma once
// The search record of one found device: 632 bytes, little-endian, 4-byte
// packed. Its first 452 bytes are the record in which the VLNet and ONVIF
// searches deliver a device (VLNET_SEARCH_DEV_RSP); the rest holds what only
// the multicast search tells: the device's id and key (Base64 texts), its
// IPv6 address as text and its analogue channel count. Every search ends in
// this one layout, and each device record embeds a copy
// (DeviceInfo::searchRecord).
//
// Text fields hold 8-bit text, NUL-terminated unless the text fills the
// field; read them with recordText (DeviceTexts.h), which never reads past a
// field. A record the program makes itself starts zero-filled
// (SearchDevRsp record{}).
#include "vlnet.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 4)
struct SearchDevRsp {
    VLNET_SEARCH_DEV_RSP sdk; // filled by the VLNet and ONVIF searches and the multicast parse
    char devId[64]; // "dev id": Base64 of the device's id
    char devEnc[64]; // "dev enc": Base64 of the device's key blob
    char ipv6Text[48]; // "ipv6"
    int32_t analogChannelCount; // "analog num"
};
#pragma pack(pop)

// The layout is fixed: receivers copy records byte by byte, and the first
// 452 bytes must stay the VLNet layout.
static_assert(sizeof(SearchDevRsp) == 632, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.ip) == 0, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.host_name) == 16, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.netmask) == 52, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.gateway) == 68, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.dns1) == 84, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.dns2) == 100, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.media_port) == 116, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.web_port) == 120, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.network_mode) == 124, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.device_type) == 128, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.dev_type_l) == 156, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.device_version) == 164, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.device_id) == 200, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.device_name) == 204, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.mac_addr) == 240, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.channel_number) == 276, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.version) == 280, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.net_interface) == 281, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.p2p_id) == 282, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.manufacture) == 320, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.rtsp_port) == 352, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.analog_channel_num) == 354, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.system_time.year) == 356, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.system_time.month) == 358, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.system_time.day) == 359, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.system_time.hour) == 360, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.is_first_login) == 364, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.input_pin_count) == 365, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.output_pin_count) == 366, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.support_two_way_talk) == 367, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.http_api_version) == 368, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.https_port) == 384, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.support_http_api_config_net) == 388, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.sys_channel_num) == 392, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.serialnum) == 396, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, sdk.ipv6) == 428, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, devId) == 452, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, devEnc) == 516, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, ipv6Text) == 580, "SearchDevRsp");
static_assert(offsetof(SearchDevRsp, analogChannelCount) == 628, "SearchDevRsp");

// Where the VLNet part ends: a search that fills only that part is copied up
// to here.
constexpr std::size_t kSdkSearchRecordSize = sizeof(VLNET_SEARCH_DEV_RSP);
// Where the part that an ONVIF view shows nothing of begins (the P2P id).
constexpr std::size_t kOnvifHiddenFrom = offsetof(SearchDevRsp, sdk.p2p_id);
