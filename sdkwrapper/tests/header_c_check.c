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

static int VL_CALL c_data_callback(const char* data, int length, void* user)
{
    (void)data;
    (void)user;
    return length > 0;
}

static void VL_CALL c_draw_callback(int32_t handle, void* surface, void* user)
{
    (void)handle;
    (void)surface;
    (void)user;
}

/* The feature instances' records and callbacks, filled as a C caller
   would. Returns 0 when the fields read back as written (1000 otherwise). */
static int instance_records_c_check(void)
{
    vl_frame_callback frame_cb = NULL;
    vl_play_callback play_cb = NULL;
    vl_upgrade_callback upgrade_cb = NULL;
    vl_picture_callback picture_cb = NULL;
    vl_human_face_report_callback face_report_cb = NULL;
    vl_human_face_param_callback face_param_cb = NULL;
    vl_preview_param preview = { 0 };
    vl_remote_playback_param playback = { 0 };
    vl_sync_playback_param group = { 0 };
    vl_download_param download = { 0 };
    vl_local_playback_param local = { 0 };
    vl_talk_param talk = { 0 };
    vl_talk_data_param talk_data = { 0 };
    vl_human_face_report_param face_report = { 0 };
    vl_human_face_param_param face_param = { 0 };
    vl_http_client_param http = { 0 };
    vl_picture_buffer picture = { 0 };
    vl_record_result record = { 0 };
    vl_view_ratios ratios = { 0.0f, 0.0f, 0.0f, 0.0f };
    base_instance* members[1] = { NULL };
    preview.json = "{}";
    preview.draw_callback = c_draw_callback;
    preview.frame_callback = frame_cb;
    preview.play_callbacks[3] = play_cb;
    playback.draw_callback = c_draw_callback;
    group.members = members;
    group.count = 1;
    download.data_callback = c_data_callback;
    local.kept_word = 1;
    talk.data_callback = c_data_callback;
    talk.play_callback = play_cb;
    talk_data.length = 3;
    face_report.report_callback = face_report_cb;
    face_param.param_callback = face_param_cb;
    http.json = "{}";
    picture.word2 = 2;
    record.second = 4;
    ratios.bottom = 0.5f;
    (void)upgrade_cb;
    (void)picture_cb;
    return (preview.json != NULL) + (playback.draw_callback != NULL) + (talk.play_callback == NULL)
                + (face_report.report_callback == NULL) + (face_param.param_callback == NULL) + group.count
                + (int)local.kept_word + talk_data.length + (int)picture.word2 + (int)record.second
                + (ratios.bottom > 0.0f) + (download.data_callback != NULL) + (http.json != NULL)
                + (int)sizeof group.reserved
            == 259
        ? 0
        : 1000;
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
    return (int)code + (int)sizeof init.reserved + (log.callback != NULL) + VL_SDK_WRAPPER_VERSION_MAJOR
        + instance_records_c_check();
}
