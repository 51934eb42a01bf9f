// The exports of device sessions: create, log in, log out, destroy, the
// device facts of a login, remote tests and the device report callback.
#include "core/copy_out.h"
#include "core/device.h"
#include "core/device_record.h"
#include "core/export_guard.h"
#include "params/ParamRegistry.h"
#include "vl_sdk_wrapper.h"

#include <new>

VL_API device* vl_create_device(void)
{
    return vlsdk::export_guard<device*>("create_device", nullptr, [] { return new (std::nothrow) device(); });
}

VL_API int vl_destroy_device(device* dev)
{
    return vlsdk::export_guard("destroy_device", static_cast<int>(vl_success), [&] {
        // A later device at the same address must not find this one's
        // parameter records.
        if (dev)
            param_registry().ForgetDevice(dev);
        delete dev;
        return static_cast<int>(vl_success);
    });
}

VL_API int vl_device_login_ex(vl_login_param* param)
{
    if (!param || !param->dev)
        return vl_invalid_device;
    return vlsdk::export_guard(
        "connection login", static_cast<int>(vl_fail), [&] { return param->dev->login(*param); });
}

VL_API int vl_device_logout(device* dev)
{
    if (!dev)
        return vl_invalid_device;
    return vlsdk::export_guard("connection logout", static_cast<int>(vl_fail), [&] { return dev->logout(); });
}

VL_API int vl_get_device_type(device* dev)
{
    if (!dev)
        return vl_fail;
    return vlsdk::export_guard(
        "get_device_type", static_cast<int>(vl_fail), [&] { return dev->conn().device_type(); });
}

VL_API int vl_get_login_rsp(device* dev, char* out, int size)
{
    if (!dev)
        return vl_invalid_device;
    if (vlsdk::check_out_buffer(out, size) != vl_success)
        return vl_invalid_argument;
    return vlsdk::export_guard("get_login_rsp", static_cast<int>(vl_fail),
        [&] { return vlsdk::copy_out(dev->conn().get_login_rsp(), out, size); });
}

VL_API bool vl_has_ability(device* dev, const char* json)
{
    if (!dev)
        return false;
    return vlsdk::export_guard("has_ability", false, [&] { return dev->has_ability(json); });
}

VL_API bool vl_has_authority(device* dev, const char* json)
{
    if (!dev)
        return false;
    return vlsdk::export_guard("has_authority", false, [&] { return dev->has_authority(json); });
}

VL_API int vl_cms_register_callback(device* dev, vl_report_callback_param* param)
{
    if (!dev)
        return vl_invalid_instance;
    if (!param)
        return vl_invalid_argument;
    return vlsdk::export_guard("cms_register_callback", static_cast<int>(vl_fail), [&] {
        dev->set_report_callback(param->callback, param->user);
        return static_cast<int>(vl_success);
    });
}

VL_API int vl_remote_test(device* dev, int command, const char* json, vl_report_callback callback, void* user)
{
    if (!dev)
        return vl_invalid_device;
    return vlsdk::export_guard("remote_test", static_cast<int>(vl_fail),
        [&] { return dev->remote_test(command, json, callback, user); });
}
