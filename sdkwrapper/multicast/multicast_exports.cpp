// The exports of the multicast operations: search, activation (first
// password) and update (network settings) of devices on the local network.
#include "core/export_guard.h"
#include "multicast/operations.h"
#include "vl_sdk_wrapper.h"

VL_API multicast_handle* vl_start_multi_search(const char* json, vl_json_callback callback, void* user)
{
    return vlsdk::export_guard<multicast_handle*>(
        "start_multi_search", nullptr, [&] { return vlsdk::multi_search_start(json, callback, user); });
}

VL_API multicast_handle* vl_start_multi_activate(const char* json, vl_json_callback callback, void* user)
{
    return vlsdk::export_guard<multicast_handle*>(
        "start_multi_activate", nullptr, [&] { return vlsdk::multi_activate_start(json, callback, user); });
}

VL_API multicast_handle* vl_start_multi_update(const char* json, vl_json_callback callback, void* user)
{
    return vlsdk::export_guard<multicast_handle*>(
        "start_multi_update", nullptr, [&] { return vlsdk::multi_update_start(json, callback, user); });
}

VL_API int vl_stop_multi_search(multicast_handle* handle)
{
    return vlsdk::export_guard("stop_multi_search", static_cast<int>(vl_fail),
        [&] { return vlsdk::multi_handle_stop_export(handle); });
}

VL_API int vl_stop_multi_activate(multicast_handle* handle)
{
    return vl_stop_multi_search(handle);
}

VL_API int vl_stop_multi_update(multicast_handle* handle)
{
    return vlsdk::export_guard("stop_multi_update", static_cast<int>(vl_fail),
        [&] { return vlsdk::multi_handle_stop_export(handle); });
}
