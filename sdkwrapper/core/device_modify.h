#pragma once
// Two device operations without a feature instance: new network settings
// for a device found by the LAN search, with no login (the device is
// addressed by its present IPv4 address and checks the user and password
// that the request carries), and a snapshot of one channel of a logged-in
// device into a file. Both fill a fixed record for the network SDK.
//
// They run on the caller's thread and take no lock; the snapshot reads only
// the connection's login handle and label.
#include "core/connection.h"
#include "vlnet.h"

#include <cstdint>
#include <json/value.h>

namespace vlsdk
{

// A dotted IPv4 text into its four numbers, the first into octets[0]. Exactly
// four numbers of 0 to 255 with one "." between each two and nothing else;
// leading zeros are allowed ("010" is 10). False, octets untouched, for
// anything else (null, empty, "1.2.3", "1.2.3.256", "1..2.3", "1.2.3.4.").
bool parse_ipv4(const char* text, uint8_t (&octets)[4]);

// The network-change record of a request (zero-filled first): version "12",
// "user" and "password" cut to 64 bytes (a text of 64 fills its slot with no
// NUL), the six addresses of "original ip", "change ip", "netmask",
// "gateway", "dns1", "dns2" (0.0.0.0 where parse_ipv4 refuses the text),
// "mac addr" cut to 40 bytes, "device type ull", "media port", "web port",
// "network mode" ("dhcp" 0, "pppoe" 1, "static" 2, any other text 0), the
// fixed bytes 1 and 0, and "point to point" (1 when true). False when a
// member has a value of the wrong type.
bool read_new_dev_info(const Json::Value& request, VLNET_NEW_DEV_INFO& out);

// vl_modify_device: 0 when the device took the settings, vl_fail when the
// SDK call failed (no answer, wrong credentials, refused settings),
// vl_parse_json_error for a request that does not parse or has values of
// the wrong type (nothing sent).
int modify_device(const char* json, const vlnet_calls& sdk = sdk_vlnet_calls());

// The snapshot record of a request: "channel", 0, "picture name" cut to
// its first 259 bytes and a NUL, the picture format 8, 0.
void fill_capture(uint32_t channel, const std::string& picture_name, VLNET_CAPTURE& out);

// vl_capture_picture_from_device for the device `dev` (for the log), its
// snapshot context and its connection: vl_parse_json_error for a request
// that does not parse or has values of the wrong type, vl_need_login_first
// without a login handle, else 0 when the SDK wrote the picture and
// vl_fail when it did not.
int capture_from_device(const void* dev, const void* context, const char* json, const connection& conn);

} // namespace vlsdk
