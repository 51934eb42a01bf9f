#ifndef VL_SDK_WRAPPER_H
#define VL_SDK_WRAPPER_H
/* VLSDKWrapper: the C interface of the device SDK wrapper.

   Requests are JSON texts (comments and trailing commas are accepted; a key
   that is missing reads as absent), results are int codes (vl_error_code),
   opaque handles, JSON texts copied into caller buffers, or JSON texts handed
   to caller callbacks.

   Threads: every export may be called from any thread. Results of long work
   arrive on the threads of the network SDK and the player library.

   Callbacks: called with VL_CALL (stdcall on 32-bit Windows). A text handed
   to a callback belongs to the library and is valid only during the call.
   A search or multicast operation ends with one call whose text is null.
   No callback of an operation runs after the export that stops it returns.

   Buffers: an export that writes a text into (char* out, int size) copies it
   with its NUL only when the text is non-empty and shorter than size;
   otherwise it writes nothing and returns vl_buffer_too_small. A null out
   with a positive size is vl_invalid_argument.

   Start-up: every export works without vl_sdk_wrapper_init; without it the
   library has no log file and the host must have started the network SDK
   itself. The player-based exports need vl_sdk_wrapper_init_v1. */
#include <stdbool.h>
#include <stdint.h>

#include "vl_api.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Result codes ----------------------------------------------------- */

/* Every export that returns int returns one of these: 0 or negative. The
   list only grows; a value is never renumbered or reused. */
typedef enum vl_error_code {
    vl_success = 0,
    vl_fail = -1,                     /* an SDK call failed, "err" answers, null log record */
    vl_unknown_error = -2,            /* a recorded file cannot be opened (other reasons) */
    vl_parse_json_error = -3,         /* the request JSON does not parse or has wrong types */
    vl_invalid_device = -4,           /* null device handle */
    vl_invalid_instance = -5,         /* null or unsuitable instance handle */
    vl_buffer_too_small = -6,         /* the result is empty or does not fit the buffer */
    vl_no_record = -7,                /* no record for the requested day or index */
    vl_file_not_found = -8,           /* player open result -2 */
    vl_file_access_error = -9,        /* player open result -3 */
    vl_need_input_password = -10,     /* player open result -4 */
    vl_unknown_message = -11,         /* parameter message number not known */
    vl_parse_ptz_param_error = -12,   /* unknown PTZ type or operation */
    vl_need_login_first = -13,        /* the device is not logged in */
    vl_invalid_argument = -14,        /* null buffer, zero size, missing data or identity */
    vl_hk_mp4_file = -15,             /* player open result -5 */
    vl_unknown_mp4_file = -16,        /* player open result -6 */
    /* -17 is never returned */
    vl_no_right = -18,                /* the device refuses the operation for this user */
    vl_not_support_reverse = -19,     /* reverse play asked of a device without it */
    vl_talk_start_error = -20,        /* the player's two-way-talk start failed */
    vl_decode_failed = -21,           /* player open result -7 */
    vl_frame_check_crc_failed = -22   /* player open result -8 */
} vl_error_code;

/* ---- Callbacks --------------------------------------------------------- */
/* user is the caller's value, passed back unchanged. Texts live only during
   the call. Each export that takes a callback says on which thread it runs. */

/* Status and result texts; a search or multicast operation ends with json == NULL. */
typedef void(VL_CALL* vl_json_callback)(const char* json, void* user);
/* A named device message of a logged-in device. */
typedef void(VL_CALL* vl_message_callback)(const char* name, const char* json, void* user);
/* Every device message as received; id is 16-bit. */
typedef void(VL_CALL* vl_raw_message_callback)(int id, const char* data, int len, void* user);
/* Remote-test results and device reports. */
typedef void(VL_CALL* vl_report_callback)(int msg, const char* json, void* user);
/* Progress of a configuration export. */
typedef void(VL_CALL* vl_progress_callback)(int a, int b, void* user);
/* Every log line of the library, with its time prefix and its own line end;
   reserved is always NULL. Runs on whatever thread logged, one line at a
   time (never by two threads at once); it may log again from inside. */
typedef void(VL_CALL* vl_log_callback)(const char* line, void* reserved);

/* ---- Handles ----------------------------------------------------------- */
/* Opaque. The caller owns a handle from the export that returns it until it
   passes it to the matching destroy or stop export, which frees it; no other
   export frees a handle.
     device            vl_create_device          -> vl_destroy_device
     base_instance     the instance start exports -> the stop export of its family
     vl_search_handle  vl_start_search_device    -> vl_stop_search_device
     multicast_handle  vl_start_multi_search/_activate/_update
                                                 -> vl_stop_multi_search/_activate/_update */
typedef struct device device;
typedef struct base_instance base_instance;
typedef struct vl_search_handle vl_search_handle;
typedef struct multicast_handle multicast_handle;

/* ---- Start-up, shut-down and logging ----------------------------------- */

/* Start-up record; zero-fill it. Read during the call only. */
typedef struct vl_init_param {
    const char* json;      /* start-up JSON or NULL */
    uint32_t p2p_word1;    /* handed to the P2P set-up; non-zero forces that set-up */
    uint32_t p2p_word2;    /* handed over beside word 1 */
    uint8_t reserved[256]; /* zero */
} vl_init_param;

/* Log set-up record. Read during the call; the callback pointer is kept. */
typedef struct vl_log_param {
    const char* json;         /* log JSON (see vl_init_log) or NULL */
    vl_log_callback callback; /* NULL removes the log callback */
} vl_log_param;

/* Starts the network SDK and the player library. json keys (all optional):
   "windows dll path", "max hardware decode num", "vl_audio_aec_model1_file",
   "vl_audio_aec_model2_file", "vl_audio_aec_model_key", "near_vol",
   "enable hw render", "enable hw render d3d11", "vv main server addr",
   "vv main server port", "vv sub server addr", "vv sub server port",
   "oem type", "region", "disable_tutk_p2p_mode", "vl iot router",
   "vl iot router v1", "cache_directory", "port",
   "relay_mode_timeout_seconds", "only_relay_mode".
   Opens the log file named by "log_path" in VLNet.ini beside the host
   program when no log file is open yet.
   Returns 0, or vl_parse_json_error (nothing started). Pair every call with
   one vl_sdk_wrapper_uninit. */
VL_API int vl_sdk_wrapper_init(const char* json);
/* The same with the P2P words; NULL counts as a record with no JSON. */
VL_API int vl_sdk_wrapper_init_v1(vl_init_param* param);
/* Deletes the parameter objects, stops the player library and the network
   SDK, and closes the log file (the log callback stays). Returns 0. */
VL_API int vl_sdk_wrapper_uninit(void);
/* Log set-up. json keys: "directory" (folder of all log files), "max size"
   (bytes; a larger VLWrapper.txt is renamed to VLWrapper_1.txt when it is
   opened; 0 never rotates), "enable p2p log", "enable main loop log",
   "enable net log", "enable http log". An open log file is left alone.
   Returns 0, or vl_parse_json_error (nothing changed). */
VL_API int vl_init_log(const char* json);
/* Stores param->callback as the log callback (even when the JSON is NULL or
   bad), then runs vl_init_log on param->json. Returns vl_fail for a NULL
   record or NULL JSON, else the result of vl_init_log. */
VL_API int vl_init_log_ex(vl_log_param* param);

/* ---- Device sessions ------------------------------------------------- */

/* Login record of vl_device_login_ex; zero-fill it. Read during the call;
   the callbacks and user are kept until the next login, logout or destroy
   of the device. */
typedef struct vl_login_param {
    device* dev;                                  /* the device to log in */
    const char* json;                             /* login JSON, see vl_device_login_ex */
    vl_json_callback status_callback;             /* login and connection statuses */
    vl_message_callback message_callback;         /* named device messages, or NULL */
    vl_raw_message_callback raw_message_callback; /* every device message as received, or NULL */
    void* user;                                   /* passed back with every callback */
    uint8_t reserved[256];                        /* zero */
} vl_login_param;

/* A new, logged-out device; NULL when it cannot be allocated. Free it with
   vl_destroy_device. */
VL_API device* vl_create_device(void);
/* Logs the device out and frees it. NULL is allowed. Returns 0. Must not be
   called from inside one of the device's own callbacks. */
VL_API int vl_destroy_device(device* dev);
/* Logs the device out, then starts its login. json keys (all optional):
   "ip or id", "port" (else "media port"; else the port of the last login),
   "user", "password", "protocol" or "real_protocol" (a text holding
   "media", "http", "https", "65000" or "auto"), "enable_http_check",
   "p2p type", "ddns id server addr", "oem type", "remote_terminal_info",
   "register_uid", "event_check_ext_data", "login_post_data_json",
   "disable auto send msg", "enable_http_api_version_check",
   "enable_new_cgi_check", "disable_media_in_auto_mode",
   "support_new_schedule".
   Returns 0 when the login was started, vl_fail when the network SDK
   refused it, vl_parse_json_error when the JSON does not parse, is not an
   object or holds a value of the wrong type, vl_invalid_device for a NULL
   record or device.
   The outcome arrives on the network SDK's threads through status_callback
   as a compact JSON text: {"status": "connecting"}, then {"status":
   "success", ...} or a failure such as {"status": "user or password
   error"}; a dropped connection reports {"status": "close"}, reconnects by
   itself and reports "connecting" and "success" again. An HTTP or HTTPS
   login's success carries "info" with "ip", "port", "protocol", "token",
   "cookie", "is_https" and more. With a message callback, the success of a
   recorder's media login is held back until its channel status has
   arrived. A callback must not log the device out or destroy it. */
VL_API int vl_device_login_ex(vl_login_param* param);
/* Stops the device's connection; no callback of the login runs after it
   returns. Returns 0, or vl_invalid_device for NULL. */
VL_API int vl_device_logout(device* dev);
/* The device type of the last login (3 NVR, 4 camera, 6 DVR; 0 before any
   login), or vl_fail for NULL. */
VL_API int vl_get_device_type(device* dev);
/* The login response: the device information of the last login as a JSON
   object ("DevVer", "DeviceName", "MacAddr", "ChannelNum",
   "sys_channel_num", "UiType", "p2pId", the user's channel rights, the
   ability flags ...), copied out by the buffer rule above (all values zero
   before a login). Returns 0, vl_buffer_too_small, vl_invalid_argument, or
   vl_invalid_device for NULL. */
VL_API int vl_get_login_rsp(device* dev, char* out, int size);

#ifdef __cplusplus
}
#endif

#endif /* VL_SDK_WRAPPER_H */
