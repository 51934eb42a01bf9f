/* The public header compiles as plain C, and its records and callbacks can
   be used from C. */
#include "vl_sdk_wrapper.h"

#include <stddef.h>

static void VL_CALL c_log_callback(const char* line, void* reserved)
{
    (void)line;
    (void)reserved;
}

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
    log.callback = c_log_callback;
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
