// The exports of the LAN search through the network SDK.
#include "core/export_guard.h"
#include "core/search.h"
#include "vl_sdk_wrapper.h"

#include <memory>
#include <new>

VL_API int vl_search_device(const char* json, vl_json_callback callback, void* user)
{
    return vlsdk::export_guard("searh_device", static_cast<int>(vl_parse_json_error),
        [&] { return vlsdk::search_device(json, callback, user); });
}

VL_API vl_search_handle* vl_start_search_device(const char* json, vl_json_callback callback, void* user)
{
    return vlsdk::export_guard<vl_search_handle*>("start_search_device", nullptr, [&]() -> vl_search_handle* {
        std::unique_ptr<vl_search_handle> holder(new (std::nothrow) vl_search_handle());
        if (!holder || vlsdk::start_search_device(*holder, json, callback, user) != vl_success)
            return nullptr;
        return holder.release();
    });
}

VL_API int vl_stop_search_device(vl_search_handle* holder)
{
    return vlsdk::export_guard("stop_search_device", static_cast<int>(vl_success), [&] {
        if (!holder)
            return static_cast<int>(vl_success);
        if (holder->handle != 0)
            VLNetStopSearchDevice(&holder->handle);
        holder->handle = 0;
        delete holder;
        return static_cast<int>(vl_success);
    });
}
