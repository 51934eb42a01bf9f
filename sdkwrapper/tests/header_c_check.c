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
    base_instance* inst = NULL;
    vl_search_handle* search = NULL;
    multicast_handle* multi = NULL;
    vl_json_callback json_cb = NULL;
    vl_message_callback msg_cb = NULL;
    vl_raw_message_callback raw_cb = NULL;
    vl_report_callback report_cb = NULL;
    vl_progress_callback progress_cb = NULL;
    log.callback = c_log_callback;
    init.json = "{}";
    (void)dev;
    (void)inst;
    (void)search;
    (void)multi;
    (void)json_cb;
    (void)msg_cb;
    (void)raw_cb;
    (void)report_cb;
    (void)progress_cb;
    return (int)code + (int)sizeof init.reserved + (log.callback != NULL);
}
