// The configuration import and export of a logged-in device: each runs as a
// short-lived job (sdkwrapper/instances) on the caller's thread.
#include "core/device.h"
#include "core/export_guard.h"
#include "instances/export_param.h"
#include "instances/import_param.h"
#include "vl_sdk_wrapper.h"

#include <memory>
#include <new>

VL_API int vl_remote_import(vl_remote_import_param* param)
{
    if (!param || !param->dev)
        return vl_invalid_device;
    return vlsdk::export_guard("remote_import", static_cast<int>(vl_fail), [&] {
        device* dev = param->dev;
        std::unique_ptr<import_param> job(new (std::nothrow) import_param(dev, dev->conn()));
        if (!job)
            return static_cast<int>(vl_invalid_instance);
        // Data that does not fit the record would overrun it, and a
        // negative length would be read as a huge one: nothing is sent.
        if (!param->data || param->length < 0 || param->length > VLNET_PARAM_IMPORT_DATA_MAX)
            return static_cast<int>(vl_invalid_argument);
        return job->run(param->data, param->length);
    });
}

VL_API int vl_remote_export(vl_remote_export_param* param)
{
    if (!param || !param->dev)
        return vl_invalid_device;
    return vlsdk::export_guard("remote_export", static_cast<int>(vl_fail), [&] {
        device* dev = param->dev;
        std::unique_ptr<export_param> job(
            new (std::nothrow) export_param(dev, dev->conn(), param->callback, param->user));
        if (!job)
            return static_cast<int>(vl_invalid_instance);
        return job->run();
    });
}
