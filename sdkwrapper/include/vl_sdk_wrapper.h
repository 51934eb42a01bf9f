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
   itself. The player-based exports need vl_sdk_wrapper_init_v1.
   vl_sdk_wrapper_init, vl_sdk_wrapper_init_v1 and vl_sdk_wrapper_uninit
   must not run while any other export runs (on any thread): start the
   library before the first call and shut it down after the last one has
   returned, and stop every operation and destroy every device first.

   Version: vl_version.h (VL_SDK_WRAPPER_VERSION_MAJOR, _MINOR, _PATCH); the
   shared library's SONAME carries the major version. */
#include "vl_api.h"
#include "vl_version.h"

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Result codes ----------------------------------------------------- */

/* Every export whose int result is a code returns one of these: 0 or
   negative (counts, request numbers and the other positive answers are
   said at their export). The list only grows; a value is never renumbered
   or reused. */
typedef enum vl_error_code {
    vl_success = 0,
    vl_fail = -1, /* an SDK call failed, "err" answers, null log record */
    vl_unknown_error = -2, /* a recorded file cannot be opened (other reasons) */
    vl_parse_json_error = -3, /* the request JSON does not parse or has wrong types */
    vl_invalid_device = -4, /* null device handle */
    vl_invalid_instance = -5, /* null or unsuitable instance handle */
    vl_buffer_too_small = -6, /* the result is empty or does not fit the buffer */
    vl_no_record = -7, /* no record for the requested day or index */
    vl_file_not_found = -8, /* player open result -2 */
    vl_file_access_error = -9, /* player open result -3 */
    vl_need_input_password = -10, /* player open result -4 */
    vl_unknown_message = -11, /* parameter message number not known */
    vl_parse_ptz_param_error = -12, /* unknown PTZ type or operation */
    vl_need_login_first = -13, /* the device is not logged in */
    vl_invalid_argument = -14, /* null buffer, zero size, missing data or identity */
    vl_hk_mp4_file = -15, /* player open result -5 */
    vl_unknown_mp4_file = -16, /* player open result -6 */
    /* -17 is never returned */
    vl_no_right = -18, /* the device refuses the operation for this user */
    vl_not_support_reverse = -19, /* reverse play asked of a device without it */
    vl_talk_start_error = -20, /* the player's two-way-talk start failed */
    vl_decode_failed = -21, /* player open result -7 */
    vl_frame_check_crc_failed = -22 /* player open result -8 */
} vl_error_code;

/* ---- Callbacks --------------------------------------------------------- */
/* user is the caller's value, passed back unchanged. Texts live only during
   the call. Each export that takes a callback says on which thread it runs.
   A callback type is declared here together with the first export that
   takes it. */

/* Status and result texts; a search or multicast operation ends with json == NULL. */
typedef void(VL_CALL* vl_json_callback)(const char* json, void* user);
/* A named device message of a logged-in device. */
typedef void(VL_CALL* vl_message_callback)(const char* name, const char* json, void* user);
/* Every device message as received; id is 16-bit. */
typedef void(VL_CALL* vl_raw_message_callback)(int id, const char* data, int len, void* user);
/* Remote-test results and device reports; msg is the test's command or the
   report's message number. */
typedef void(VL_CALL* vl_report_callback)(int msg, const char* json, void* user);
/* Every log line of the library, with its time prefix and its own line end;
   reserved is always NULL. Runs on whatever thread logged, one line at a
   time (never by two threads at once); it may log again from inside. */
typedef void(VL_CALL* vl_log_callback)(const char* line, void* reserved);

/* ---- Handles ----------------------------------------------------------- */
/* Opaque. The caller owns a handle from the export that returns it until it
   passes it to the matching destroy or stop export, which frees it; no other
   export frees a handle.
     device            vl_create_device          -> vl_destroy_device
     vl_search_handle  vl_start_search_device    -> vl_stop_search_device
     multicast_handle  vl_start_multi_search/_activate/_update
                                                 -> vl_stop_multi_search/_activate/_update
     base_instance     the instance start exports -> the stop export of its family
   An instance started on a device is freed as well when the device logs
   out, logs in again or is destroyed; its handle is then gone. */
typedef struct device device;
typedef struct vl_search_handle vl_search_handle;
typedef struct multicast_handle multicast_handle;
typedef struct base_instance base_instance;

/* ---- Start-up, shut-down and logging ----------------------------------- */

/* Start-up record; zero-fill it. Read during the call only. */
typedef struct vl_init_param {
    const char* json; /* start-up JSON or NULL */
    uint32_t p2p_word1; /* handed to the P2P set-up; non-zero forces that set-up */
    uint32_t p2p_word2; /* handed over beside word 1 */
    uint8_t reserved[256]; /* zero */
} vl_init_param;

/* Log set-up record. Read during the call; the callback pointer is kept. */
typedef struct vl_log_param {
    const char* json; /* log JSON (see vl_init_log) or NULL */
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
    device* dev; /* the device to log in */
    const char* json; /* login JSON, see vl_device_login_ex */
    vl_json_callback status_callback; /* login and connection statuses */
    vl_message_callback message_callback; /* named device messages, or NULL */
    vl_raw_message_callback raw_message_callback; /* every device message as received, or NULL */
    void* user; /* passed back with every callback */
    uint8_t reserved[256]; /* zero */
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
/* Whether the logged-in device can do something, asked before offering it:
   json {"term": name, "channel": n} ("channel" optional, 0; an unsigned
   integer). Terms, compared exactly: "main stream", "sub stream",
   "mobile stream", "ptz", "new ptz", "fisheye", "talk to device",
   "talk to device analogue audio", "talk to channel half duplex",
   "talk to channel full duplex", "reverse playback", "human face alarm",
   "human face param", "dropbox", "device wireless", "channel wireless",
   "json hdd", "new record search", "new record download". The answer
   comes from the last login's device information, the device's last
   channel-status and all-status messages and, after an HTTP login, the
   device's web abilities; it follows those as they arrive. Before a login
   every answer reads zeros ("main stream" and "sub stream" are still true
   for devices other than recorders). false for a NULL device, a request
   that does not parse or has a "channel" of another type, and an unknown
   term. Any thread, also inside the device's callbacks. */
VL_API bool vl_has_ability(device* dev, const char* json);
/* Whether the logged-in user may do something on a channel: json {"term":
   "preview", "remote playback", "download" or "ptz", "channel": 0 to 287},
   answered from the user's rights of the last login. false for a NULL
   device, a request that does not parse, another term or channel. Any
   thread. */
VL_API bool vl_has_authority(device* dev, const char* json);

/* Report callback record of vl_cms_register_callback. Read during the call;
   the callback and user are kept until the next registration or the
   device's destruction. */
typedef struct vl_report_callback_param {
    vl_report_callback callback; /* NULL removes it */
    void* user;
} vl_report_callback_param;

/* Sets the device's report callback: reports of the device's JSON pages
   (msg 35) arrive through it as styled JSON on the network SDK's threads.
   Returns 0, vl_invalid_instance for a NULL device, vl_invalid_argument for
   a NULL record (nothing changed). */
VL_API int vl_cms_register_callback(device* dev, vl_report_callback_param* param);
/* Runs a maintenance or test command (command id and its JSON) on the
   logged-in device. callback and user replace the device's remote-test
   callback: the device's replies arrive through it later as styled JSON
   (msg = the command) on the network SDK's threads. Returns 0 when the test
   was sent, vl_fail when it was not (no remote test is built yet: every
   command answers vl_fail), vl_parse_json_error when json does not parse
   (the earlier callback is kept), vl_invalid_device for NULL. */
VL_API int vl_remote_test(
    device* dev, int command, const char* json, vl_report_callback callback, void* user);

/* ---- Device facts and the connection ---------------------------------- */

/* The 16-byte simple command of the network SDK, sent as it is. */
typedef struct vl_simple_command {
    int32_t command;
    int32_t param;
    int32_t reserved[2];
} vl_simple_command;

/* Logs the device in as vl_device_login_ex does, with no raw-message
   callback. Results as vl_device_login_ex; vl_invalid_device for NULL. */
VL_API int vl_device_login(device* dev, const char* json, vl_json_callback status_callback,
    vl_message_callback message_callback, void* user);
/* The channel count of the last login ("sys_channel_num" when non-zero,
   else "ChannelNum"; 0 before a login), or vl_fail for NULL. */
VL_API int vl_get_channel_number(device* dev);
/* The analogue channels of the last login ("AnalogChNum"), or vl_fail for
   NULL. */
VL_API int vl_get_analogy_channel_number(device* dev);
/* Drops the logged-in device's connection, which then reconnects by itself
   (statuses "close", "connecting", "success" through the status callback).
   Returns 0 (also when not logged in), vl_invalid_device for NULL. */
VL_API int vl_reset_connection(device* dev);
/* Sends the 16-byte command to the logged-in device as it is. Returns 0
   (also when not logged in, or when the device refuses it),
   vl_invalid_device for NULL. A NULL command sends nothing. */
VL_API int vl_send_simple_command(device* dev, vl_simple_command* command);
/* Hands the logged-in device a check word. Returns 0 when the device took
   it; vl_fail for a NULL device, data 0, no login or a refusal. */
VL_API int vl_set_even_check_data(device* dev, int data);

/* ---- Parameters ------------------------------------------------------- */
/* A parameter page is named by its message number ("message"); "type"
   selects what is done with it:
     query  0..254 the page of that channel; 300..554 the page at that
            index; 900 a query that carries "data" (text); 1000 the current
            values; 1100 the values not saved yet; 1200 the factory
            defaults; 1300 the values of the device's last query (no
            traffic)
     set    0..254 the page of that channel; 800 the password; 801 user and
            password; 2000 the page
   Requests and answers are the page's own JSON. A message whose page the
   library does not know answers vl_unknown_message (no page is part of the
   library yet). One page serves every device; calls for one page run one
   after the other. */

/* json {"message": n, "type": n, "data": text}. Writes the answer by the
   buffer rule. Returns 0, vl_fail (the query failed or "type" selects
   nothing), vl_no_right, vl_buffer_too_small (also for an empty answer),
   vl_unknown_message, vl_parse_json_error, vl_invalid_argument (NULL out
   with a positive size, before any work), vl_invalid_device. */
VL_API int vl_query_param(device* dev, const char* json, char* out, int size);
/* json {"message": n, "type": n}; data is the page's JSON. Returns 0,
   vl_fail (refused, or "type" selects nothing), vl_no_right,
   vl_unknown_message, vl_parse_json_error, vl_invalid_argument (NULL data,
   before any work), vl_invalid_device. */
VL_API int vl_set_param(device* dev, const char* json, const char* data);

/* An asynchronous JSON request of the network SDK, passed on as it is:
   five words and one byte, 21 bytes without padding. */
#pragma pack(push, 1)
typedef struct vl_async_json_request {
    int32_t words[5]; /* words[0]: the parameter message */
    uint8_t flag;
} vl_async_json_request;
#pragma pack(pop)

/* Start an asynchronous JSON query or set on the logged-in device. Return
   the network SDK's request number (positive), or 0: a NULL device or
   request, no login, or the SDK did not start it. */
VL_API int vl_start_async_query_json(device* dev, vl_async_json_request* request);
VL_API int vl_start_async_set_json(device* dev, vl_async_json_request* request);
/* Ends an asynchronous request. Returns 0, vl_invalid_instance for a NULL
   device or request 0, vl_fail when not logged in. */
VL_API int vl_stop_async_json(device* dev, int request);

/* ---- P2P and network state --------------------------------------------- */
/* "p2p type" texts, compared exactly: "ip", "id", "tutk", "ddns", "vl", the
   P2P service "vv", and the customer codes "dorvex_kp", "dorvex_kp_pro",
   "dorvex_lx", "dorvex_nc", "dorvex_nc_pro", "dorvex_sg", "dorvex_sg_pro",
   "dorvex_ez"; any other text counts as "ip". */

/* Steps of the P2P layer as it connects. */
typedef void(VL_CALL* vl_p2p_process_callback)(int step, const char* info, void* user);

/* Whether the device with a P2P id is reachable. json {"p2p id": text (at
   most 63 bytes), "p2p type": text, "time out": unsigned (milliseconds)}.
   Waits up to the time-out; then, with a callback, calls it once on the
   calling thread with the styled {"status": n} (0 online, -51 no answer,
   -22 refused by the P2P service, or the SDK's other status). Returns 0
   when online, -51 or -22 as the status, vl_fail for another status or
   when the SDK refused the check (no callback), vl_invalid_argument for an
   empty id or type, a zero time-out or an id of 64 bytes or more (no
   callback), vl_parse_json_error. */
VL_API int vl_check_p2p_status(const char* json, vl_json_callback callback, void* user);
/* Sets up the P2P layer for a kind: json {"p2p type": text}. Returns 0,
   vl_fail when the SDK refused, vl_invalid_argument for an empty type,
   vl_parse_json_error. */
VL_API int vl_init_p2p_resource_manual(const char* json);
/* Hands the P2P layer's progress callback to the network SDK. Returns 0, or
   vl_fail when the SDK refused it. */
VL_API int vl_register_p2p_process_callback(vl_p2p_process_callback callback, void* user);
/* Frees the P2P layer's resources when the host goes to the background.
   Returns 0. */
VL_API int vl_destroy_p2p_resource_enter_background(void);
/* Lets one P2P id carry many connections (non-zero) or not. Returns 0, or
   vl_fail when the SDK refused. */
VL_API int vl_enable_tutk_many_connection(int enable);
/* Registers the host with the P2P service; returns the SDK's result. */
VL_API int vl_p2p_register_id(int id);
/* Tells the network SDK that the host's network changed. Returns 0, or
   vl_fail when the SDK refused. */
VL_API int vl_network_status_changed(void);
/* Tells the network SDK the mobile operator's network code. Returns 0, or
   vl_fail when the SDK refused. */
VL_API int vl_set_operator_plmn(int plmn);

/* ---- Recorded files ----------------------------------------------------- */
/* Recordings on the host's disk, read by the player library (start it with
   vl_sdk_wrapper_init_v1 first). */

/* File time record of vl_get_file_time_v1. Read during the call. */
typedef struct vl_file_time_param {
    const char* json; /* {"filename" (or "file_name", "file name"), "password", "comv_index"} */
    char* out; /* the answer, by the buffer rule */
    int size;
} vl_file_time_param;

/* The first and last time of a recording as styled JSON: "begin time",
   "end time" ("YYYY-MM-DD hh:mm:ss", UTC, to the nearest second), "begin
   time millisecond", "end time millisecond" (milliseconds since 1970).
   Returns 0, vl_buffer_too_small, vl_file_not_found (the buffer untouched),
   vl_file_access_error, vl_need_input_password (a protected file),
   vl_hk_mp4_file, vl_unknown_mp4_file, vl_unknown_error (the file cannot be
   decoded or its checksums do not match), vl_fail (no player instance),
   vl_invalid_argument (NULL out with a positive size, before any work). */
VL_API int vl_get_file_time(const char* file, char* out, int size);
/* The same for the record's file, with its password (at most 63 bytes
   count). The file name must fit 1055 bytes. Returns 0; vl_fail for a NULL
   record or JSON, JSON that does not parse, or no player instance;
   vl_buffer_too_small (also for a NULL out); vl_invalid_argument for a file
   name that does not fit; the file codes as vl_get_file_time. */
VL_API int vl_get_file_time_v1(vl_file_time_param* param);
/* The key frames of a recording; 0 when it cannot be opened. */
VL_API int vl_get_file_key_frame_count(const char* file);
/* Player settings: json {"max hardware decode num": n}; reserved is
   ignored. Returns 0 (also for NULL json), vl_parse_json_error. */
VL_API int vl_play_dynamic_config(void* reserved, const char* json);

/* ---- Configuration import and export ------------------------------------ */

/* Progress of the configuration export. For the export, first is the
   address of the block that the device sent (its data begin 40 bytes in;
   valid during the call only) and second the data's byte count. Runs
   before vl_remote_export returns, on the thread on which the network SDK
   delivers the block (the calling thread with this build's SDK). */
typedef void(VL_CALL* vl_progress_callback)(intptr_t first, int second, void* user);

/* Import record of vl_remote_import. Read during the call. */
typedef struct vl_remote_import_param {
    device* dev;
    const void* data; /* the configuration file's bytes */
    int32_t length; /* 0 to 393216 */
} vl_remote_import_param;

/* Export record of vl_remote_export. Read during the call. */
typedef struct vl_remote_export_param {
    device* dev;
    vl_progress_callback callback; /* the exported block, or NULL */
    void* user;
} vl_remote_export_param;

/* Writes a configuration to the logged-in device; waits for it. Returns 0
   once the device took it, vl_fail when the device or the network SDK
   refused it (also when the user may not change settings),
   vl_invalid_argument for NULL data or a length below 0 or above 393216
   (nothing sent), vl_invalid_instance when the job cannot be made,
   vl_invalid_device for a NULL record or device. */
VL_API int vl_remote_import(vl_remote_import_param* param);
/* Reads the logged-in device's configuration back; the block arrives
   through the record's callback before the export returns. Returns 0,
   vl_fail when it failed, vl_invalid_device for a NULL record or device. */
VL_API int vl_remote_export(vl_remote_export_param* param);

/* ---- Library facts ------------------------------------------------------ */

/* Turns the console copy of the network SDK's and the player's logs on
   (non-zero) or off. Returns the player library's answer (1 from the
   player of this build). */
VL_API int vl_enable_console_log(int enable);
/* Clears size bytes of buf, then writes the library's version text
   "2.3.2". Returns 0, vl_buffer_too_small for a size below 6,
   vl_invalid_argument for NULL or a size of 0 or less (nothing cleared). */
VL_API int vl_get_sdk_version(char* buf, int size);

/* ---- Network change, snapshot and PTZ --------------------------------- */

/* Gives a device found by the LAN search new network settings, without a
   login: the device is addressed by its present IPv4 address and checks
   the user name and password that the request carries (they travel sealed,
   never in clear). json keys (all optional; absent ones send 0 or empty):
     "user", "password"   texts, at most 64 bytes each count
     "original ip"        the device's present address (where the change goes)
     "change ip", "netmask", "gateway", "dns1", "dns2"   the new settings
     "mac addr"           the device's MAC as its search reported it (the
                          device refuses a MAC that is not its own); at most
                          40 bytes count
     "device type ull"    the search's 64-bit device-type word
     "media port", "web port"   integers
     "network mode"       "dhcp", "pppoe" or "static" (exact; any other
                          text counts as "dhcp")
     "point to point"     true when the caller reached the device point to
                          point
   An address is four numbers of 0 to 255 with "." between them (leading
   zeros allowed: "010" is 10); any other text sends 0.0.0.0. Waits for the
   device's answer (a few seconds at most). Returns 0 when the device took
   the settings (it then answers at its new address and ends its sessions
   at the old one); vl_fail when it did not: no answer, a wrong user or
   password, or settings it refuses (the device gives no detail);
   vl_parse_json_error for a request that does not parse or has a value of
   the wrong type (nothing sent). */
VL_API int vl_modify_device(const char* json);
/* Makes the logged-in device take a picture of one channel and writes it to
   a file. json keys: "channel" (unsigned, 0 the first), "picture name"
   (the file, replaced when it exists; at most 259 bytes count). Waits for
   the picture. Returns 0 when the file was written; vl_fail when the device
   or the file refused it (no such channel, no right, no answer, a file that
   cannot be written); vl_need_login_first for a device that was never
   logged in or has logged out; vl_parse_json_error for a request that does
   not parse or has a value of the wrong type; vl_invalid_device for NULL. */
VL_API int vl_capture_picture_from_device(device* dev, const char* json);
/* Moves the PTZ mechanics of the logged-in device. json by "ptz type"
   (texts compared exactly):
     "normal"       "channel", "speed", "operation" ("up", "down", "left",
                    "right", "up left", "up right", "down left",
                    "down right", "zoom in", "zoom out", "focus near",
                    "focus far", "iris open", "iris close", "auto scan",
                    "scan line", "privacy mode"), "flag" ("start" or "stop";
                    anything else starts)
     "preset"       "channel", "index", "operation" ("set", "clear", "call")
     "cruise"       "channel", "speed", "time", "flag"
     "set cruise"   "channel", "speed", "preset count" (0 to 32), "pps"
                    (the preset numbers, that many)
     "call cruise"  "channel"
   Waits for the device's answer. Returns 0 when the device accepted the
   command, vl_no_right when it refuses PTZ to this user, vl_fail for any
   other failure, vl_parse_ptz_param_error for an unknown "ptz type" or
   "operation", a negative "channel", a "preset count" outside 0 to 32, or
   a device that is not logged in (nothing sent), vl_parse_json_error for a
   request that does not parse or has a value of the wrong type,
   vl_invalid_device for NULL. */
VL_API int vl_ptz_control(device* dev, const char* json);
/* The zoom and focus of devices with the new-style PTZ ability (term "new
   ptz" of vl_has_ability). json: "ptz type" "normal", "channel", "speed"
   (the position for the two position operations), "operation" ("zoom in",
   "zoom out", "focus near", "focus far", "zoom position", "focus position",
   "auto focus", "restore", "refresh"), "flag" ("start" or "stop"). Results
   as vl_ptz_control. */
VL_API int vl_new_ptz_control(device* dev, const char* json);

/* ---- Feature instances ------------------------------------------------- */
/* An instance is the handle of one long-running feature (preview,
   playback, download, record search, talk, upgrade, face alarms, ...). Its
   reports arrive on the threads of the network SDK and the player, each
   under the instance's lock: a callback must not stop its own instance.
   Nor may a device's login or message callback start or stop instances of
   that device: a logout holds the device while it waits for those
   callbacks to end. */

/* The oldest decoded frame the instance holds (free it with free()), or
   NULL. *valid (when valid is not NULL) becomes false for a NULL instance
   and for a device-bound one that its device no longer holds (a playback
   handed to a synchronised group), else true. A device's logout waits for
   a fetch that runs. No instance keeps decoded frames yet: NULL. */
VL_API void* vl_get_decoded_frame(base_instance* instance, bool* valid);

/* ---- LAN search through the network SDK -------------------------------- */
/* Request keys of both searches (all optional; absent or null read as empty
   or 0; a value of another type, or a request that is no JSON object, is
   refused as vl_parse_json_error / NULL without any callback):
     "oem type"    text: "default" or a customer edition code (as the login)
     "start ip", "stop ip"   texts: with both, every address from one to the
                   other is asked (at most 65536 of them); otherwise every
                   local IPv4 network is searched by broadcast
     "recv timeout millisecond"   integer, only its low 16 bits count: how
                   long answers are collected (0: 3000)

   Results: one call per device found, on a thread of the network SDK, with
   a styled JSON object (one member per line, one tab per level, keys in
   ascending order):
     "ip", "host name", "netmask", "gateway", "dns1", "dns2",
     "device type", "device version", "device name", "mac addr", "p2p id",
     "manufacture"   texts; empty unless they begin with an ASCII letter or
                     digit
     "serialnum"     text, as the device sent it
     "media port", "web port", "device id", "channel number",
     "sys_channel_num", "device type ull" (the 64-bit device-type word)
                     unsigned numbers
     "version", "net interface", "rtsp port", "analogy channel number",
     "is first login" (1: the device has no password yet)   integers
     "network mode"  "dhcp", "pppoe", "static" or "unknown"
     "system time"   the device's clock, "YYYY-MM-DD hh:mm:ss"; absent when
                     the device sent no valid date and time
     "ipv6"          eight groups of four lower-case hex digits; absent when
                     the device has no IPv6 address
     "http_api_version" (text), "https_port" (unsigned),
     "support_http_api_config_net" (integer)   only for a device with an
                     HTTP API version
     "input pin count", "output pin count", "support two way talk"
                     integers, only when "oem type" is the edition code
                     whose devices report them
   then exactly one call with json == NULL: the end. A search that the
   network SDK refuses (not started) ends at once with that call, on the
   calling thread. A NULL callback is allowed. */

/* Searches once: the search ends by itself after the time-out. Returns 0,
   also when the network SDK refused the search; vl_parse_json_error. */
VL_API int vl_search_device(const char* json, vl_json_callback callback, void* user);
/* Starts a search that asks again every time-out period until it is stopped
   and reports a device when it first answers and again whenever its answer
   changes. Returns the handle, or NULL: for a refused request (no
   callback), or when the network SDK did not start the search (then after
   the end call, made on the calling thread). */
VL_API vl_search_handle* vl_start_search_device(const char* json, vl_json_callback callback, void* user);
/* Stops and frees the search: answers heard so far are still reported,
   then the end call; when it returns no callback of the search runs any
   more, unless it is called from inside a callback of the network SDK
   (the end call then follows on that thread once the callback returns).
   NULL is allowed. Returns 0. */
VL_API int vl_stop_search_device(vl_search_handle* handle);

/* ---- Multicast discovery ----------------------------------------------- */
/* Three operations on the local network over the library's own multicast
   protocol (UDP port 9555, groups 239.255.255.250 and ff02::fff3, on every
   local address): search for devices, activate new devices (set their first
   password) and update devices' network settings.

   Each start export parses its request, starts one worker thread for the
   operation and returns its handle at once. The operation runs by itself
   for "timeout" milliseconds (about twice that for an update, which makes
   two passes), then reports:
     - all callbacks run on the operation's worker thread, one at a time;
     - first any error objects of the socket set-up, styled JSON
       {"info": "<system's text>", "msg": "Failed to join V4 multicast group"}
       (also "...V6...", "Failed to bind V4/V6 interface", "Failed to open
       V4/V6 socket"); the operation goes on without that address;
     - then one call per device (search) or per request entry (activation,
       update) with its result object, styled JSON (one member per line, one
       tab per level, keys in ascending order);
     - last, always, one call with json == NULL: the end of the results.
   A NULL callback is allowed: the operation runs and reports nothing. user
   is passed back unchanged. Texts are valid only during the call.

   Request keys (all optional; null counts as absent; a top-level value of
   another type, or a request that is no JSON object, makes the start return
   NULL without any callback):
     "delay"    integer, ms within which devices spread their answers (0)
     "timeout"  integer, ms the operation listens; below 1 or above 10000
                (or absent) reads as 3000

   Stop: every non-NULL handle must be given to the matching stop export
   exactly once, also after the NULL text; that frees it. A stop ends the
   pass that is listening at that moment, then waits until the worker has
   made all its remaining callbacks (results heard so far and the NULL
   text): no callback runs after the stop returns. A stop that comes while
   the sockets are being opened, or between the two passes of an update,
   ends nothing and waits for the operation to finish; a stop during an
   update's first pass still lets the second pass run. A caller must not
   hold, while stopping, a lock that its callback takes. */

/* Searches devices. Request also: "must understand" (bool, false),
   "manufactures" (array of manufacturer ids or customer codes; only the
   first 5 are read; absent or empty: all makers). Result object of one
   device (texts as the device sent them, "wired ip" written without leading
   zeros; ascending by IPv4 address, devices without one last; one object per
   mac and address):
     "activated", "cloud switch", "enable wifi", "is added", "support ap",
     "support sta", "wifi connect", "wired connect"       booleans
     "analog num", "category", "channel num", "media port", "rtsp port",
     "sys channel num", "web port"                         unsigned numbers
     "cloud id", "dev data", "dev name", "dev type", "dhcp" ("dhcp" or
     "static"), "ipv6", "mac", "manufacture", "net card", "p2pid", "phy",
     "product code", "serial number", "software", "wired dns1",
     "wired dns2", "wired gateway", "wired ip", "wired mask",
     "wireless ip"                                         texts
     "dev id", "dev enc"   Base64: the device's id and key, to be passed as
                           "id" and "key" to an activation or update
     "dev_limit"           object: the device's rules for its settings
                           (absent when the device sent none)
     "input pin count", "output pin count" (unsigned), "support two way
     talk" (0, 1 or 2), "is first login" (bool)   only when the search asked
                           for one of the manufacturers 309, 310 or 313
   Returns NULL for a NULL or refused request (no callback), else the handle. */
VL_API multicast_handle* vl_start_multi_search(const char* json, vl_json_callback callback, void* user);

/* Sets the first password of new devices. Request also: "data", a JSON text
   (or object) {"device": [{"id": <"dev id">, "key": <"dev enc">,
   "password": "...", "conn ipc pwd": "...", "sync onvif": bool,
   "is sync pwd": bool, "client type": 0 or 1}, ...]}. Result object per
   entry, in request order: {"dev id": <the entry's "id">, "result": text},
   the text one of "success", "not support", "check error", "key error",
   "rule not met", "weak password dictionary", "device is activated",
   "save failed", "ipc rule not met", "no response". When "data" does not
   parse (or holds values of the wrong type) the callback is called once
   with {"msg":"parse json error"} on the calling thread, before the export
   returns NULL; no other call follows. */
VL_API multicast_handle* vl_start_multi_activate(const char* json, vl_json_callback callback, void* user);

/* Changes devices' network settings (two passes: the devices first hand out
   a nonce, then take the password digest bound to it). Request also:
   "data", a JSON text (or object) {"device": [{"id", "key", "username",
   "password", "info": a JSON text (or object) of the new settings with the
   keys of a search result: "wired ip", "wired mask", "wired gateway",
   "wired dns1", "wired dns2", "dhcp", "dev name", "web port", "media port",
   ...}, ...]}. Result object per entry, in request order, after the second
   pass: {"dev id": <the entry's "id">, "result": text}, the text one of
   "success", "not support", "check error", "need auth", "update failed",
   "no response". A "data" or any "info" that does not parse: as for
   vl_start_multi_activate, and no entry is kept. */
VL_API multicast_handle* vl_start_multi_update(const char* json, vl_json_callback callback, void* user);

/* Stop and free (see above). Return vl_fail for NULL, and vl_fail without
   doing anything when called from inside the operation's own callback (the
   worker cannot wait for itself; stop it from another thread); else 0.
   vl_stop_multi_search and vl_stop_multi_activate are one function and stop
   any of the three; vl_stop_multi_update is the update's own name. */
VL_API int vl_stop_multi_search(multicast_handle* handle);
VL_API int vl_stop_multi_activate(multicast_handle* handle);
VL_API int vl_stop_multi_update(multicast_handle* handle);

/* ---- Feature instances: records and callbacks -------------------------- */
/* The start records below are read during the start call only; the
   callbacks and user values they carry are kept by the instance until it
   is stopped. Each callback runs on a thread of the network SDK or the
   player, under the instance's lock (see "Feature instances" above). */

/* Data blocks of a download, or the device's audio of a talk (seen before
   the player plays it: the block is played only when it returns 1). */
typedef int(VL_CALL* vl_data_callback)(const char* data, int length, void* user);
/* A network frame on its way to the player of a preview or remote
   playback: 1 passes it on; 0 drops it; a remote playback also takes 2:
   keep it back and ask for no more data for now. */
typedef int(VL_CALL* vl_frame_callback)(const void* data, int length, void* user);
/* A callback of the player library's own, handed to the player unchanged;
   its place in the record gives it its real shape. */
typedef void(VL_CALL* vl_play_callback)(void);
/* Draws over the picture of a play handle; surface is the player's drawing
   surface of the frame being shown, valid during the call only. */
typedef void(VL_CALL* vl_draw_callback)(int32_t handle, void* surface, void* user);
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

/* Start record of vl_start_preview; zero-fill it. */
typedef struct vl_preview_param {
    device* dev;
    const char* json; /* the preview request */
    void* window; /* the window the player renders into (not used with picture_callback) */
    vl_json_callback status_callback; /* every status report */
    void* user; /* passed back with the status, zoom and frame callbacks and to the player's */
    vl_draw_callback draw_callback; /* or NULL */
    vl_play_callback picture_callback; /* the player hands the pictures here instead of a window */
    vl_play_callback picture_callback2; /* used only with picture_callback3 */
    vl_play_callback picture_callback3;
    vl_json_callback zoom_callback; /* zoom reports, or NULL */
    vl_play_callback play_callbacks[4]; /* the player's own callbacks, or NULL */
    vl_frame_callback frame_callback; /* or NULL: every frame reaches the player */
} vl_preview_param;

/* Start record of vl_start_remote_playback; zero-fill it. */
typedef struct vl_remote_playback_param {
    device* dev;
    const char* json; /* the playback request */
    void* window;
    vl_json_callback status_callback;
    void* user;
    vl_draw_callback draw_callback;
    vl_json_callback zoom_callback;
    vl_play_callback play_callbacks[4];
    vl_frame_callback frame_callback;
} vl_remote_playback_param;

/* Start record of vl_start_sync_playback; zero-fill it. The group takes
   the members (playbacks started with "sync play") and from then on owns
   them: it stops and deletes them. */
typedef struct vl_sync_playback_param {
    base_instance** members;
    int count; /* entries of members */
    vl_json_callback status_callback;
    void* user;
    uint8_t reserved[240]; /* zero */
} vl_sync_playback_param;

/* Start record of vl_start_download_by_file_v1 and _by_time_v1. */
typedef struct vl_download_param {
    device* dev;
    const char* json; /* the download request */
    vl_json_callback status_callback;
    vl_data_callback data_callback; /* the downloaded data, or NULL */
    void* user;
} vl_download_param;

/* Start record of vl_start_local_playback; zero-fill it. */
typedef struct vl_local_playback_param {
    const char* json; /* the file or file list to play */
    void* window;
    vl_json_callback status_callback;
    void* user;
    vl_draw_callback draw_callback;
    vl_json_callback zoom_callback;
    vl_play_callback play_callbacks[4];
    uintptr_t kept_word; /* kept with the instance; the library does nothing else with it */
} vl_local_playback_param;

/* Start record of vl_start_talk_to_device_v1 and _to_channel_v1. */
typedef struct vl_talk_param {
    device* dev;
    const char* json; /* the talk request */
    vl_json_callback status_callback;
    vl_data_callback data_callback; /* the device's audio, or NULL */
    void* user;
    vl_play_callback play_callback; /* handed to the player, or NULL */
} vl_talk_param;

/* Audio the caller captured itself, for vl_talk_send_record_data; read
   during the call only. */
typedef struct vl_talk_data_param {
    base_instance* instance; /* the talk */
    const void* data;
    int length; /* bytes */
} vl_talk_data_param;

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

/* Start record of vl_start_http_client. */
typedef struct vl_http_client_param {
    const char* json; /* the request */
    vl_json_callback answer_callback; /* the answer text */
    void* user;
} vl_http_client_param;

/* The caller's picture buffer of vl_capture_picture_to_buf: three words
   whose meaning is the player's, handed over unchanged. */
typedef struct vl_picture_buffer {
    uintptr_t word0;
    uintptr_t word1;
    uintptr_t word2;
} vl_picture_buffer;

/* The two results of a local recording that vl_stop_record_ex ended: the
   microsecond times (since 1970, UTC) of its first and last frame. */
typedef struct vl_record_result {
    uint64_t first;
    uint64_t second;
} vl_record_result;

/* The visible part of the picture for vl_adjust_render_frame_rect, as
   fractions of its width and height: left and top where it begins, right
   and bottom what is cut away at those edges (all 0: the whole picture). */
typedef struct vl_view_ratios {
    float left;
    float top;
    float right;
    float bottom;
} vl_view_ratios;

#ifdef __cplusplus
static_assert(sizeof(vl_record_result) == 16, "vl_record_result");
static_assert(sizeof(vl_view_ratios) == 16, "vl_view_ratios");
#endif

/* ---- Feature instances: starts and stops -------------------------------- */
/* A start returns the instance handle, or NULL when the start failed
   (nothing is left behind, no error code is given), for a NULL device or
   record, and for a request that does not parse. A device-bound instance
   lives in its device's set until its stop, or until the device logs out,
   logs in again or is destroyed. The work of most instance classes is not
   built yet: their starts answer NULL. */

/* Live video of a channel of the logged-in device. */
VL_API base_instance* vl_start_preview(vl_preview_param* param);
/* Plays recordings the device stores; with "sync play" the playback waits
   for a synchronised group (vl_start_sync_playback). */
VL_API base_instance* vl_start_remote_playback(vl_remote_playback_param* param);
/* The days of a month that have recordings, and the recordings of a day;
   the day search fills the device's record index, from which downloads and
   thumbnails take their records. Stop with vl_stop_search_record. */
VL_API base_instance* vl_search_record_by_month(
    device* dev, const char* json, vl_json_callback callback, void* user);
VL_API base_instance* vl_search_record_by_day(
    device* dev, const char* json, vl_json_callback callback, void* user);
/* Downloads a record of the record index ({"channel", "index"}), or the
   recordings of a time range ("begin time", "end time"), into a file. The
   _v1 forms take the record, with a data callback. */
VL_API base_instance* vl_start_download_by_file(
    device* dev, const char* json, vl_json_callback callback, void* user);
VL_API base_instance* vl_start_download_by_time(
    device* dev, const char* json, vl_json_callback callback, void* user);
VL_API base_instance* vl_start_download_by_file_v1(vl_download_param* param);
VL_API base_instance* vl_start_download_by_time_v1(vl_download_param* param);
/* Two-way audio with the device or one of its channels (the request says
   which: the four are one start). The _v1 forms take the record, with a
   data callback and a player callback. */
VL_API base_instance* vl_start_talk_to_device(
    device* dev, const char* json, vl_json_callback callback, void* user);
VL_API base_instance* vl_start_talk_to_channel(
    device* dev, const char* json, vl_json_callback callback, void* user);
VL_API base_instance* vl_start_talk_to_device_v1(vl_talk_param* param);
VL_API base_instance* vl_start_talk_to_channel_v1(vl_talk_param* param);
/* Thumbnails of the device's recordings of a day, or of records of the
   record index. */
VL_API base_instance* vl_start_playback_thumbnails(
    device* dev, const char* json, vl_json_callback callback, void* user);
VL_API base_instance* vl_start_playback_thumbnails_index(
    device* dev, const char* json, vl_json_callback callback, void* user);
/* Sends a firmware file to the device and reports the progress. */
VL_API base_instance* vl_start_upgrade(
    device* dev, const char* json, vl_upgrade_callback callback, void* user);
/* The device's face and object reports (at most one subscription per
   device: NULL while one runs), and a face parameter channel. */
VL_API base_instance* vl_start_human_face_alarm_report(vl_human_face_report_param* param);
VL_API base_instance* vl_start_human_face_param(vl_human_face_param_param* param);

/* Instances of no device; they end only through their stop export. */
VL_API base_instance* vl_start_local_playback(vl_local_playback_param* param);
VL_API base_instance* vl_start_sync_playback(vl_sync_playback_param* param);
VL_API base_instance* vl_start_local_playback_thumbnails(
    const char* json, vl_picture_callback callback, void* user);
VL_API base_instance* vl_start_convert_file(const char* json, vl_json_callback callback, void* user);
VL_API base_instance* vl_start_p2p_tunnel(const char* json, vl_json_callback callback, void* user);
VL_API base_instance* vl_start_http_client(vl_http_client_param* param);

/* Stop and free. After a stop the handle is gone; no callback of the
   instance runs after its stop returns. Must not be called from inside
   one of the instance's own callbacks. */
/* Instances of a device (one function under eight names): 0, or
   vl_invalid_instance for NULL and for an instance of no device. */
VL_API int vl_stop_download(base_instance* instance);
VL_API int vl_stop_human_face_alarm_report(base_instance* instance);
VL_API int vl_stop_human_face_param(base_instance* instance);
VL_API int vl_stop_playback_thumbnails(base_instance* instance);
VL_API int vl_stop_preview(base_instance* instance);
VL_API int vl_stop_search_record(base_instance* instance);
VL_API int vl_stop_talk(base_instance* instance);
VL_API int vl_stop_upgrade(base_instance* instance);
/* Any playback: a remote playback through its device (0); a member of a
   synchronised group that belongs to no device is left alone
   (vl_invalid_instance: the group owns it); any other playback or group is
   stopped and freed, and the stop's result returned. vl_invalid_instance
   for NULL. */
VL_API int vl_stop_playback(base_instance* instance);
/* Instances of no device (one function under four names): the stop's
   result (0), or vl_invalid_instance for NULL and for an instance of a
   device (its device owns it). */
VL_API int vl_stop_convert_file(base_instance* instance);
VL_API int vl_stop_http_client(base_instance* instance);
VL_API int vl_stop_local_playback_thumbnails(base_instance* instance);
VL_API int vl_stop_p2p_tunnel(base_instance* instance);

/* ---- Feature instances: operations --------------------------------------- */
/* Each answers vl_invalid_instance for a NULL instance, unless it says
   otherwise, and vl_fail when the instance's class has no such operation. */

/* A live stream's other stream ({"stream type"}). */
VL_API int vl_switch_stream_type(base_instance* instance, const char* json);
/* Playback positions: a time text "year-month-day hour:minute:second", or
   {"time": text}. */
VL_API int vl_seek_by_time(base_instance* instance, const char* time);
VL_API int vl_seek_by_time_v1(base_instance* instance, const char* json);
/* Speed and direction ({"operation type"}). */
VL_API int vl_set_play_mode(base_instance* instance, const char* json);
VL_API int vl_seek_by_key_frame_index(base_instance* instance, int index);
/* A 64-bit time as its low and high 32 bits. */
VL_API int vl_input_local_playback_time(base_instance* instance, int low, int high);
VL_API int vl_send_human_face_param(base_instance* instance, const void* data, int length);
/* A synchronised group takes or gives back a member: vl_fail when either
   is NULL. */
VL_API int vl_sync_playback_add_session(base_instance* group, base_instance* member);
VL_API int vl_sync_playback_del_session(base_instance* group, base_instance* member);
/* Also vl_invalid_instance for an instance of no device. */
VL_API int vl_delete_playback_thumbnails(base_instance* instance, const char* json);
VL_API int vl_request_more_frame(base_instance* instance);
/* vl_invalid_instance for a NULL record or a record without instance. */
VL_API int vl_talk_send_record_data(vl_talk_data_param* param);

/* The player of an instance (a preview, a playback, a group): local
   recording ({"file name", "picture name", "password", "max single file
   size"}) and its switch to a new file ({"file name", "password"}), a
   snapshot to a file ({"picture name"}), the picture's proportion
   ({"proportion"}), a fisheye view by mouse ({"mouse flag", "mouse x",
   "mouse y", "mouse delta"}) or PTZ ({"operation", "speed", "flag"}).
   0, vl_fail (no player, or the player refused), vl_parse_json_error.
   Not built yet: every call answers vl_fail. */
VL_API int vl_start_record(base_instance* instance, const char* json);
VL_API int vl_capture_picture(base_instance* instance, const char* json);
VL_API int vl_set_video_proportion(base_instance* instance, const char* json);
VL_API int vl_fisheye_mouse_control(base_instance* instance, const char* json);
VL_API int vl_fisheye_ptz_control(base_instance* instance, const char* json);
VL_API int vl_manual_switch_record(base_instance* instance, const char* json);

/* ---- Feature instances: the player handle -------------------------------- */
/* These act on the instance's player. An instance without one (a talk, a
   search, a download, a stopped preview) answers as each says, "no player",
   and nothing is called. Arguments are checked before that. The drawing
   words a, b, c are the player's own (points, sizes, texts), passed on
   unchanged. */

/* 0, vl_fail when the player refuses or there is no player;
   vl_invalid_instance for NULL. */
VL_API int vl_open_sound(base_instance* instance);
VL_API int vl_close_sound(base_instance* instance);
VL_API int vl_set_volume(base_instance* instance, int volume);
VL_API int vl_set_mute_on(base_instance* instance);
VL_API int vl_set_mute_off(base_instance* instance);
/* The volume; vl_fail when there is no player; vl_invalid_instance for NULL. */
VL_API int vl_get_volume(base_instance* instance);
/* Ends the local recording (vl_start_record). The _ex form writes its
   results into *result (NULL: they are dropped). 0, vl_fail (no recording,
   no player), vl_invalid_instance. */
VL_API int vl_stop_record(base_instance* instance);
VL_API int vl_stop_record_ex(base_instance* instance, vl_record_result* result);
/* 0, vl_fail (no picture shown, no player), vl_invalid_argument for a NULL
   buffer record, vl_invalid_instance. */
VL_API int vl_capture_picture_to_buf(base_instance* instance, vl_picture_buffer* buffer);
/* The played position as "YYYY-MM-DD hh:mm:ss" (UTC, rounded to the
   nearest second): the buffer is cleared (size bytes) and the text written
   into it, cut to fit. 0; vl_fail when nothing has played yet or there is
   no player (the buffer untouched); vl_invalid_argument for a NULL buffer
   or a size of 0 or less; vl_invalid_instance. */
VL_API int vl_get_current_time(base_instance* instance, char* out, int size);
/* The played position in milliseconds since 1970 (rounded to the nearest);
   0 when nothing has played, for no player and for NULL. */
VL_API int64_t vl_get_current_time_millisecond(base_instance* instance);
/* 0 (also when the player refuses); vl_fail when there is no player;
   vl_invalid_instance. */
VL_API int vl_set_fishsye_mode(base_instance* instance, int mode);
/* 1 while the window shows a zoomed part of the picture; 0 otherwise, for
   no player and for NULL. */
VL_API int vl_window_in_zoom_status(base_instance* instance);
/* Drawing over the picture: 0 (also when the player refuses or there is no
   player); vl_invalid_instance. */
VL_API int vl_set_color(base_instance* instance, int colour);
VL_API int vl_draw_line(base_instance* instance, intptr_t a, intptr_t b);
VL_API int vl_draw_rect(base_instance* instance, intptr_t a, intptr_t b);
VL_API int vl_draw_solid_rect(base_instance* instance, intptr_t a, intptr_t b, intptr_t c);
VL_API int vl_draw_hollow_circle(base_instance* instance, intptr_t a, intptr_t b);
VL_API int vl_draw_text(base_instance* instance, intptr_t a, intptr_t b);
/* The player keeps a copy of the picture (size bytes at data) for
   vl_draw_picture: its id (positive), or 0 when it refused, for no player
   and for NULL; never negative. */
VL_API int vl_upload_picture_from_memory(base_instance* instance, const void* data, int size);
/* Forgets or draws an uploaded picture: 0 (also when the player refuses or
   there is no player); vl_invalid_instance. */
VL_API int vl_delete_picture(base_instance* instance, int id);
VL_API int vl_draw_picture(base_instance* instance, int id, intptr_t a, intptr_t b);
/* The decoded picture's size (0 x 0 before the first picture): 0 (with no
   player nothing is written); vl_invalid_argument for a NULL pointer;
   vl_invalid_instance. */
VL_API int vl_get_frame_width_and_height(base_instance* instance, int* width, int* height);
/* Shows only that part of the picture in the window: 0 (also with no
   picture yet or no player: nothing changes); vl_invalid_argument for NULL
   ratios; vl_invalid_instance. */
VL_API int vl_adjust_render_frame_rect(base_instance* instance, vl_view_ratios* ratios);
/* {"frame rate": n, "bit rate": n} of the decoded stream or of the stream
   as it arrives: the buffer is cleared (size bytes) and the text written
   into it, cut to fit. 0; vl_fail for a NULL buffer, a size of 0 or less
   (nothing written) or no player; vl_invalid_instance. */
VL_API int vl_get_stream_info(base_instance* instance, char* out, int size);
VL_API int vl_get_net_stream_info(base_instance* instance, char* out, int size);
/* The stream lost frames, or starts anew: the player drops what it holds.
   0; vl_fail when there is no player; vl_invalid_instance. */
VL_API int vl_play_lost(base_instance* instance);
VL_API int vl_play_reset(base_instance* instance);
/* The player's handle, 0 for no player and for NULL. */
VL_API int vl_get_play_handle(base_instance* instance);
/* Marks the position frame of the picture on (non-zero) or off; does
   nothing for no player and for NULL. */
VL_API void vl_enable_pos_frame(base_instance* instance, int enable);

/* ---- Feature instances: downloads --------------------------------------- */

/* Pauses and resumes a running download of a device (vl_start_download_*).
   0; vl_invalid_instance for NULL, for another kind of instance and for a
   download that has nothing running. */
VL_API int vl_pause_download(base_instance* instance);
VL_API int vl_resume_download(base_instance* instance);

#ifdef __cplusplus
}
#endif

#endif /* VL_SDK_WRAPPER_H */
