#pragma once
// Caller-side start records and callback shapes of the feature instances
// that no export takes yet. Each moves into vl_sdk_wrapper.h, whole, with
// the first export that takes it; until then the records that only a start
// reads are named here and not defined.
#include "vl_sdk_wrapper.h"

struct vl_preview_param;
struct vl_remote_playback_param;
struct vl_sync_playback_param;
struct vl_local_playback_param;
struct vl_http_client_param;

/* Data blocks of a download, or the device's audio of a talk; the talk
   plays a block only when it returns 1. */
typedef int(VL_CALL* vl_data_callback)(const char* data, int length, void* user);
/* A callback of the player library, handed to the player unchanged. */
typedef void(VL_CALL* vl_play_callback)(void);
/* Status texts of a firmware upgrade; reserved is always 0. */
typedef void(VL_CALL* vl_upgrade_callback)(const char* json, int reserved, void* user);
/* A picture taken from a local recording; reserved is always 0. */
typedef void(VL_CALL* vl_picture_callback)(const void* picture, int length, int reserved, void* user);
/* A face or object report: the device's report, or a JSON text, and a
   header {"report type": n, "version": n}. */
typedef void(VL_CALL* vl_human_face_report_callback)(
    const void* data, int length, const char* header, void* user);
/* The device's answer on a face parameter channel, unchanged. */
typedef void(VL_CALL* vl_human_face_param_callback)(const void* data, int length, void* user);

/* Start record of a face report subscription (one per device). */
typedef struct vl_human_face_report_param {
    device* dev;
    vl_human_face_report_callback report_callback;
    vl_json_callback status_callback; /* {"status": "success"} or "fail" */
    void* user;
} vl_human_face_report_param;

/* Start record of a face parameter channel. */
typedef struct vl_human_face_param_param {
    device* dev;
    vl_human_face_param_callback param_callback;
    vl_json_callback status_callback;
    void* user;
} vl_human_face_param_param;
