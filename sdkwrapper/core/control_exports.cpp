// The exports of device control without a feature instance: the network
// change of a found device, the snapshot and PTZ of a logged-in one.
#include "core/device.h"
#include "core/device_modify.h"
#include "core/export_guard.h"
#include "core/ptz.h"
#include "vl_sdk_wrapper.h"

VL_API int vl_modify_device(const char* json)
{
    return vlsdk::export_guard(
        "modify_device", static_cast<int>(vl_fail), [&] { return vlsdk::modify_device(json); });
}

VL_API int vl_capture_picture_from_device(device* dev, const char* json)
{
    if (!dev)
        return vl_invalid_device;
    return vlsdk::export_guard("capture_from_device", static_cast<int>(vl_fail),
        [&] { return vlsdk::capture_from_device(dev, dev->snapshot_context(), json, dev->conn()); });
}

VL_API int vl_ptz_control(device* dev, const char* json)
{
    if (!dev)
        return vl_invalid_device;
    return vlsdk::export_guard("ptz_control", static_cast<int>(vl_fail),
        [&] { return vlsdk::ptz_control(dev, dev->ptz_context(), json, dev->conn()); });
}

VL_API int vl_new_ptz_control(device* dev, const char* json)
{
    if (!dev)
        return vl_invalid_device;
    return vlsdk::export_guard("new_ptz_control", static_cast<int>(vl_fail),
        [&] { return vlsdk::new_ptz_control(dev, dev->new_ptz_context(), json, dev->conn()); });
}
