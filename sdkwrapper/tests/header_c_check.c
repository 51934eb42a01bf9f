/* The public header compiles as plain C, and its records and callbacks can
   be used from C. */
#include "vl_sdk_wrapper.h"

#include <stddef.h>

static void VL_CALL c_log_callback(const char* line, void* reserved)
{
    (void)line;
    (void)reserved;
}

static void VL_CALL c_progress_callback(intptr_t first, int second, void* user)
{
    (void)first;
    (void)second;
    (void)user;
}

static void VL_CALL c_p2p_callback(int step, const char* info, void* user)
{
    (void)step;
    (void)info;
    (void)user;
}

/* The records of the session exports keep their sizes in C. */
_Static_assert(sizeof(vl_simple_command) == 16, "vl_simple_command");
_Static_assert(sizeof(vl_async_json_request) == 21, "vl_async_json_request");
_Static_assert(offsetof(vl_async_json_request, flag) == 20, "vl_async_json_request");

int vl_header_c_check(void);

int vl_header_c_check(void)
{
    vl_init_param init = { 0 };
    vl_log_param log = { 0 };
    vl_error_code code = vl_frame_check_crc_failed;
    device* dev = NULL;
    vl_search_handle* search = NULL;
    multicast_handle* multi = NULL;
    vl_json_callback json_cb = NULL;
    vl_message_callback msg_cb = NULL;
    vl_raw_message_callback raw_cb = NULL;
    vl_report_callback report_cb = NULL;
    vl_report_callback_param report = { 0 };
    base_instance* instance = NULL;
    bool valid = false;
    vl_simple_command simple = { 0 };
    vl_async_json_request async_request = { { 0 }, 0 };
    vl_file_time_param file_time = { 0 };
    vl_remote_import_param import_param = { 0 };
    vl_remote_export_param export_param = { 0 };
    vl_p2p_process_callback p2p_cb = c_p2p_callback;
    log.callback = c_log_callback;
    export_param.callback = c_progress_callback;
    file_time.size = simple.command + async_request.flag + import_param.length;
    (void)p2p_cb;
    (void)file_time;
    (void)export_param;
    init.json = "{}";
    (void)dev;
    (void)search;
    (void)multi;
    (void)json_cb;
    (void)msg_cb;
    (void)raw_cb;
    report.callback = report_cb;
    (void)report;
    (void)instance;
    (void)valid;
#if VL_SDK_WRAPPER_VERSION < 0x010000
#error "the version macros are missing"
#endif
    return (int)code + (int)sizeof init.reserved + (log.callback != NULL) + VL_SDK_WRAPPER_VERSION_MAJOR;
}
