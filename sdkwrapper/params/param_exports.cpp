// The parameter exports: thin bodies over the registry (ParamRegistry.h).
#include "core/copy_out.h"
#include "core/export_guard.h"
#include "core/session_requests.h"
#include "params/ParamRegistry.h"
#include "vl_sdk_wrapper.h"

VL_API int vl_query_param(device* dev, const char* json, char* out, int size)
{
    // Nothing may be written through a null buffer, and no device asked for
    // an answer that cannot be handed over.
    if (vlsdk::check_out_buffer(out, size) != vl_success)
        return vl_invalid_argument;
    return vlsdk::export_guard("query_param", static_cast<int>(vl_fail), [&] {
        InitParamRegistry();
        if (!dev)
            return static_cast<int>(vl_invalid_device);
        vlsdk::param_request request;
        if (vlsdk::read_param_request(json, request) != vl_success)
            return static_cast<int>(vl_parse_json_error);
        return RunParamQuery(dev, request.message, request.type, request.data, out, size);
    });
}

VL_API int vl_set_param(device* dev, const char* json, const char* data)
{
    if (!data)
        return vl_invalid_argument;
    return vlsdk::export_guard("set_param", static_cast<int>(vl_fail), [&] {
        InitParamRegistry();
        if (!dev)
            return static_cast<int>(vl_invalid_device);
        vlsdk::param_request request;
        if (vlsdk::read_param_request(json, request) != vl_success)
            return static_cast<int>(vl_parse_json_error);
        return RunParamSet(dev, request.message, request.type, data);
    });
}
