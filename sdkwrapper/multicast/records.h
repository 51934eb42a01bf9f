#pragma once
// The values one multicast operation carries from its request to its results:
// the device record of a search (also the new settings of an update entry),
// the request entries of an activation and an update, and the opened replies.
// Plain values; the engine owns them in its lists, in request or arrival order.
// Texts are byte strings as received; bytes fields hold raw octets.
#include <cstdint>
#include <string>

namespace multicast
{
class DeviceInfo;
}

namespace vlsdk
{

// Result of an entry that no reply matched ("no response").
constexpr std::int32_t kActivationNoResponse = 9;
constexpr std::int32_t kUpdateNoResponse = 5;

// One device as a search reports it. The comment of each field names the
// multicast.DeviceInfo field it comes from.
struct multicast_device_record {
    std::string dev_type; // 1
    std::string software_version; // 2
    std::string dev_name; // 3
    std::string mac; // 4
    std::string phyname; // 5
    std::string manufacture; // 6
    std::string p2pid; // 7
    std::string wired_ip; // 14
    std::string wired_mask; // 15
    std::string wired_gw; // 16
    std::string wired_dns1; // 17
    std::string wired_dns2; // 18
    std::string wireless_ip; // 20
    std::string ip6_link_local; // 25
    std::string dev_id; // bytes: dev_id of the DecReply
    std::string dev_enc; // bytes: the device's key blob (pub_key of the datagram's Multicast)
    std::string dhcp; // "dhcp" when is_dhcp (21), else "static"
    std::string cloud_id; // 28
    std::string product_code; // 30
    std::string sn; // 31
    std::string net_card; // 32
    std::uint32_t channel_num = 0; // 8
    std::uint32_t sys_channel_num = 0; // 27
    std::uint32_t analog_num = 0; // 9
    std::int32_t category = 0; // 10
    std::uint32_t web_port = 0; // 19
    std::uint32_t media_port = 0; // 100
    std::uint32_t rtsp_port = 0; // 101
    bool wired_connect = false; // 22
    bool is_enable_wifi = false; // 23
    bool wifi_connect = false; // 24
    bool activated = false; // 13
    bool support_sta = false; // 11
    bool support_ap = false; // 12
    bool is_added = false; // 29
    bool cloud_switch = false; // 33
    std::string dev_data; // 35
    std::uint32_t input_pin_count = 0; // 36
    std::uint32_t output_pin_count = 0; // 37
    std::int32_t support_two_way_talk = 0; // 38
    std::string dev_limit; // compact JSON of the SearchDevice's dev_limit; empty when it has none
};

// Fills the fields that come from a DeviceInfo (all but dev_id, dev_enc and
// dev_limit, which come from the rest of the reply). An empty DeviceInfo
// gives empty texts, zero numbers, false flags and dhcp "static".
multicast_device_record device_record_from_info(const multicast::DeviceInfo& info);

// One opened DecReply.SetPassword.
struct activation_reply {
    std::string dev_id; // bytes
    std::int32_t result = 0;
};

// One opened DecReply.UpdateInfo.
struct update_reply {
    std::string dev_id; // bytes
    std::string nonce; // bytes
    std::int32_t result = 0;
};

// One device object of an activation request.
struct activation_entry {
    std::string id; // Base64 of the device id, as the search reported it
    std::string key; // Base64 of the device's key blob
    std::string password;
    std::int32_t result = kActivationNoResponse;
    std::int32_t client_type = 0; // 0 or 1
    bool sync_onvif = false;
    bool is_sync_pwd = false;
    std::string conn_ipc_pwd;
};

// One device object of an update request.
struct update_entry {
    std::string id; // Base64 of the device id
    std::string key; // Base64 of the device's key blob
    std::string password;
    std::string username;
    std::string nonce; // bytes; set from the device's first-pass reply
    multicast_device_record settings; // the new settings
    std::int32_t result = kUpdateNoResponse;
};

} // namespace vlsdk
