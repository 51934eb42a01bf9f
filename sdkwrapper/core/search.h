#pragma once
// The LAN search through the network SDK: the request read, the SDK's
// search started with a context that comes back with every found device,
// and each device's search record turned into a JSON text for the caller.
#include "vl_sdk_wrapper.h"
#include "vlnet.h"

#include <cstdint>
#include <json/value.h>
#include <string>

// What vl_start_search_device hands out: the network SDK's search handle
// (0 = none).
struct vl_search_handle {
    int handle = 0;
};

namespace vlsdk
{

// The request of both searches (a key that is absent or null reads as
// empty or 0).
struct search_request {
    uint8_t oem_type = 0; // "oem type" (login_tables.h)
    std::string start_ip; // "start ip"
    std::string stop_ip; // "stop ip"
    uint16_t timeout_ms = 0; // the low 16 bits of "recv timeout millisecond"
};

// Reads the request's keys with the conversions of a login request. False
// when the root is no object or a key holds a value of a type they refuse.
bool read_search_request(const Json::Value& root, search_request& out);

// The caller's side of one search: created per search, handed to the SDK,
// freed by search_device_callback once the null text has been delivered.
struct search_context {
    vl_json_callback callback = nullptr;
    void* user = nullptr;
    uint8_t oem_type = 0;
};

// One found device as the caller sees it: every key of the search record
// (texts cut at their first NUL or their slot's end; the screened ones
// empty unless they begin with an ASCII letter or digit), the pin counts
// and "support two way talk" only for OEM type 11, "system time" only for
// a valid date and time, "ipv6" only for an address whose first byte is
// non-zero.
Json::Value search_result_json(const VLNET_SEARCH_DEV_RSP& record, uint8_t oem_type);

// "YYYY-MM-DD hh:mm:ss" of the record's clock, or empty when a field is out
// of its range. Years above 9999 are written with all their digits.
std::string search_system_time(const VLNET_TIME& time);

// The SDK's result callback: one call per found device, then one with a
// null record, after which the context is freed. Always 1.
int VLNET_CALL search_device_callback(const VLNET_SEARCH_DEV_RSP* record, void* context);

// vl_search_device: 0 when the search was handed to the SDK, -3 when the
// request does not parse. A search the SDK refuses ends at once, on the
// calling thread, with the null text.
int search_device(const char* json, vl_json_callback callback, void* user);

// vl_start_search_device's work on a fresh holder: 0 when the SDK started
// the search (its handle is in the holder), -1 when it refused (the null
// text has then been delivered on the calling thread), -3 when the request
// does not parse (no callback).
int start_search_device(vl_search_handle& holder, const char* json, vl_json_callback callback, void* user);

} // namespace vlsdk
