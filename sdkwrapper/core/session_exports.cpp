// The exports of a device session besides its login and logout (the device
// facts of the last login, the connection reset, simple commands, check
// words, asynchronous JSON requests), the P2P and network-state exports,
// and the library's console log and version.
#include "common/json.h"
#include "core/copy_out.h"
#include "core/device.h"
#include "core/device_record.h"
#include "core/export_guard.h"
#include "core/log.h"
#include "core/login_tables.h"
#include "core/session_requests.h"
#include "vl_sdk_wrapper.h"
#include "vlnet.h"
#include "vlplay.h"

#include <cstring>

static_assert(sizeof(vl_simple_command) == sizeof(VLNET_SIMPLE_CMD), "the network SDK's simple command");
static_assert(sizeof(vl_async_json_request) == 21, "five words and one byte");
static_assert(offsetof(vl_async_json_request, flag) == 20, "five words and one byte");
static_assert(sizeof(vl_async_json_request) == sizeof(VLNET_ASYNC_JSON_REQUEST), "the network SDK's request");

namespace
{

constexpr char kSdkVersion[] = "2.3.2";

int analog_channel_count(const vlsdk::device_record& record)
{
    return static_cast<int>(record.analog_ch_num);
}

template <class Record>
int start_async(device* dev, const vl_async_json_request* request, int(VLNET_CALL* start)(int, const Record*))
{
    if (!dev || !request)
        return 0;
    const int handle = dev->conn().login_handle();
    if (handle == 0)
        return 0;
    Record record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(&record.request, request, sizeof record.request);
    return start(handle, &record);
}

} // namespace

VL_API int vl_device_login(device* dev, const char* json, vl_json_callback status_callback,
    vl_message_callback message_callback, void* user)
{
    if (!dev)
        return vl_invalid_device;
    vl_login_param param;
    std::memset(&param, 0, sizeof param);
    param.dev = dev;
    param.json = json;
    param.status_callback = status_callback;
    param.message_callback = message_callback;
    param.user = user;
    return vl_device_login_ex(&param);
}

VL_API int vl_get_channel_number(device* dev)
{
    if (!dev)
        return vl_fail;
    return vlsdk::export_guard(
        "get_channel_number", static_cast<int>(vl_fail), [&] { return dev->conn().channel_count(); });
}

VL_API int vl_get_analogy_channel_number(device* dev)
{
    if (!dev)
        return vl_fail;
    return vlsdk::export_guard("get_analogy_channel_number", static_cast<int>(vl_fail),
        [&] { return analog_channel_count(dev->conn().record()); });
}

VL_API int vl_reset_connection(device* dev)
{
    if (!dev)
        return vl_invalid_device;
    return vlsdk::export_guard("connection reset_connection", static_cast<int>(vl_fail), [&] {
        vlsdk::connection& conn = dev->conn();
        const int handle = conn.login_handle();
        if (handle != 0) {
            conn.sdk().reset_connection(handle);
            write_log("dev:%p, this:%p, [%s] call <connection reset_connection> result:success\n",
                static_cast<void*>(dev), static_cast<void*>(&conn), conn.label().c_str());
        }
        return static_cast<int>(vl_success);
    });
}

VL_API int vl_send_simple_command(device* dev, vl_simple_command* command)
{
    if (!dev)
        return vl_invalid_device;
    return vlsdk::export_guard("send_simple_command", static_cast<int>(vl_fail), [&] {
        const int handle = dev->conn().login_handle();
        if (handle != 0 && command) {
            VLNET_SIMPLE_CMD copy;
            std::memcpy(&copy, command, sizeof copy);
            dev->conn().sdk().simple_cmd(handle, &copy);
        }
        return static_cast<int>(vl_success);
    });
}

VL_API int vl_set_even_check_data(device* dev, int data)
{
    if (!dev || data == 0)
        return vl_fail;
    return vlsdk::export_guard("set_even_check_data", static_cast<int>(vl_fail), [&] {
        const int handle = dev->conn().login_handle();
        if (handle == 0)
            return static_cast<int>(vl_fail);
        return dev->conn().sdk().set_even_check(handle, data) == 0 ? static_cast<int>(vl_success)
                                                                   : static_cast<int>(vl_fail);
    });
}

VL_API int vl_start_async_query_json(device* dev, vl_async_json_request* request)
{
    return vlsdk::export_guard("start_async_query_json", 0,
        [&] { return dev ? start_async(dev, request, dev->conn().sdk().async_start_query_json) : 0; });
}

VL_API int vl_start_async_set_json(device* dev, vl_async_json_request* request)
{
    return vlsdk::export_guard("start_async_set_json", 0,
        [&] { return dev ? start_async(dev, request, dev->conn().sdk().async_start_set_json) : 0; });
}

VL_API int vl_stop_async_json(device* dev, int request)
{
    if (!dev || request == 0)
        return vl_invalid_instance;
    return vlsdk::export_guard("stop_async_json", static_cast<int>(vl_fail), [&] {
        const int handle = dev->conn().login_handle();
        if (handle == 0)
            return static_cast<int>(vl_fail);
        dev->conn().sdk().async_stop_json(handle, request);
        return static_cast<int>(vl_success);
    });
}

// ---- P2P and network state ---------------------------------------------------

VL_API int vl_check_p2p_status(const char* json, vl_json_callback callback, void* user)
{
    return vlsdk::export_guard("check_p2p_status", static_cast<int>(vl_fail), [&] {
        vlsdk::p2p_check_request request;
        const int checked = vlsdk::read_p2p_check_request(json, request);
        if (checked != vl_success)
            return checked;
        VLNET_P2P_CHECK record;
        vlsdk::fill_p2p_check(request, record);
        int status = -1;
        if (VLNetCheckP2POnlineStatus(&record, &status) != 0)
            return static_cast<int>(vl_fail);
        if (callback) {
            Json::Value answer(Json::objectValue);
            answer["status"] = status;
            const std::string text = vljson::write_styled(answer);
            callback(text.c_str(), user);
        }
        if (status == 0)
            return static_cast<int>(vl_success);
        if (status == VLNET_P2P_REFUSED || status == VLNET_P2P_NO_ANSWER)
            return status;
        return static_cast<int>(vl_fail);
    });
}

VL_API int vl_init_p2p_resource_manual(const char* json)
{
    return vlsdk::export_guard("init_p2p_resource_manual", static_cast<int>(vl_fail), [&] {
        std::string type;
        const int checked = vlsdk::read_p2p_type_request(json, type);
        if (checked != vl_success)
            return checked;
        return VLNetInitP2P(type.c_str(), vlsdk::p2p_kind_number(type), 0) == 0 ? static_cast<int>(vl_success)
                                                                                : static_cast<int>(vl_fail);
    });
}

VL_API int vl_register_p2p_process_callback(vl_p2p_process_callback callback, void* user)
{
    // The two callback types have one shape: (int, const char*, void*).
    VLNET_P2P_PROCESS_CALLBACK sdk_callback = callback;
    return VLNetRegisterP2PProcessCallback(sdk_callback, user) == 0 ? vl_success : vl_fail;
}

VL_API int vl_destroy_p2p_resource_enter_background(void)
{
    VLNetP2PEnterBackgroundDestroy();
    return vl_success;
}

VL_API int vl_enable_tutk_many_connection(int enable)
{
    return VLNetEnableTutkManyConnection(enable) == 0 ? vl_success : vl_fail;
}

VL_API int vl_p2p_register_id(int id)
{
    return VLNetP2PRegisterId(id);
}

VL_API int vl_network_status_changed(void)
{
    VLNET_NETWORK_STATUS status;
    std::memset(&status, 0, sizeof status);
    return VLNetNetworkStatusChanged(&status) == 0 ? vl_success : vl_fail;
}

VL_API int vl_set_operator_plmn(int plmn)
{
    return VLNetSetOperatorPlmn(plmn) == 0 ? vl_success : vl_fail;
}

// ---- Library facts -------------------------------------------------------------

VL_API int vl_enable_console_log(int enable)
{
    VLNetEnableConsoleLog(enable);
    return VLPlayEnableConsoleLog(enable);
}

VL_API int vl_get_sdk_version(char* buf, int size)
{
    if (vlsdk::clear_out_buffer(buf, size) != vl_success)
        return vl_invalid_argument;
    if (size < static_cast<int>(sizeof kSdkVersion))
        return vl_buffer_too_small;
    std::memcpy(buf, kSdkVersion, sizeof kSdkVersion);
    return vl_success;
}
