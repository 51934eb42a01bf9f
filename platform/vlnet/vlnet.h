#pragma once
// VLNet: the device network SDK (search, sessions, parameters, media).
// This is our own stand-in; it talks to the device simulator.
#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define VLNET_CALL __stdcall
#if defined(VLNET_BUILDING)
#define VLNET_API __declspec(dllexport)
#else
#define VLNET_API __declspec(dllimport)
#endif
#else
#define VLNET_CALL
#define VLNET_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Start-up, encryption and logging ------------------------------- */

/* P2P server set-up (VLNetInitP2PServerInfo). Text pointers must stay valid
   until the call returns. */
typedef struct VLNET_P2P_SERVER_INFO {
    char main_server_addr[128]; /* NUL-terminated */
    int32_t main_server_port;
    char sub_server_addr[128]; /* NUL-terminated */
    int32_t sub_server_port;
    uint8_t server_kind;
    uint8_t region_us;
    uint8_t tutk_mode_off;
    uint8_t reserved0[5];
    uint32_t p2p_word1;
    uint32_t p2p_word2;
    const char* router;
    const char* cache_directory;
    const char* module_directory;
    const char* router_v1;
    int32_t port;
    int32_t relay_timeout_seconds;
    int32_t relay_only;
    uint8_t reserved1[188];
} VLNET_P2P_SERVER_INFO;

/* Log set-up (VLNetInitLog). */
typedef struct VLNET_LOG_INFO {
    char file_path[256]; /* NUL-terminated, directory + "/VLNet.txt" */
    uint8_t net_log;
    uint8_t reserved0[2];
    uint8_t main_loop_log;
    uint8_t reserved1[8];
    uint8_t p2p_log;
    uint8_t http_log;
    uint8_t reserved2[66];
    const char* directory;
    const char* json;
    uint8_t reserved3[180];
} VLNET_LOG_INFO;

/* Reference-counted: every VLNetInit needs one VLNetRelease. Returns 1. */
VLNET_API int VLNET_CALL VLNetInit(void);
VLNET_API int VLNET_CALL VLNetRelease(void);
/* Kept for the callers' sake; the stand-in's sessions never carry a password
   in clear whatever the setting (see PROTOCOL.md). Returns 1. */
VLNET_API int VLNET_CALL VLNetSetEncription(int enable);
/* Writes VLNet's own log to info->file_path. Returns 1, 0 for a null record. */
VLNET_API int VLNET_CALL VLNetInitLog(VLNET_LOG_INFO* info);
/* Accepted and kept; no effect in the stand-in. Returns 1. */
VLNET_API int VLNET_CALL VLNetInitP2PServerInfo(VLNET_P2P_SERVER_INFO* info);
/* Mirrors VLNet's log to stderr when enable is non-zero. Returns 1. */
VLNET_API int VLNET_CALL VLNetEnableConsoleLog(int enable);

/* ---- Device records ------------------------------------------------- */

/* Every record below is pointer-free and travels byte-exact between the
   device and the caller (little-endian). Texts are NUL-terminated inside
   their slot unless they fill it. */

/* Time of a device record: year, then month, day, hour, minute, second. */
typedef struct VLNET_TIME {
    uint16_t year;
    uint8_t month;
    uint8_t day;
    uint8_t hour;
    uint8_t minute;
    uint8_t second;
    uint8_t reserved;
} VLNET_TIME;

/* Bits of the flag bytes of VLNET_DEVICE_INFO that callers test. */
#define VLNET_F228_WIFI_STATUS 0x01u
#define VLNET_F228_RTSP_PAGE_ENABLE 0x02u
#define VLNET_F228_FTP_PAGE 0x04u
#define VLNET_F228_C32_PASSWORD 0x08u /* passwords kept in 32-byte slots */
#define VLNET_F228_FILE_SYSTEM 0x20u
#define VLNET_F228_EMAIL_SWITCH 0x80u
#define VLNET_F229_PTZ_HIDDEN 0x02u
#define VLNET_F230_AUTO_MAINTENANCE 0x01u
#define VLNET_F230_INTELLIGENT_ANALYSIS 0x40u
#define VLNET_F230_REMOTE_UPGRADE_MODE 0x80u
#define VLNET_F232_PTZ_SUPPORTED 0x02u
#define VLNET_F247_GET_ALARM_CHNS 0x04u

/* Device-type numbers kept in bits 8 to 11 of high_type (bits 40 to 43 of
   the 64-bit device-type word). */
#define VLNET_DEVICE_TYPE_SHIFT 40
#define VLNET_DEVICE_TYPE_NVR 3
#define VLNET_DEVICE_TYPE_IPC 4
#define VLNET_DEVICE_TYPE_DVR 6

/* The device-information record of a login (VLNetGetDevInfo), 1232 bytes. */
typedef struct VLNET_DEVICE_INFO {
    uint32_t low_type; /* low word of the 64-bit device-type word */
    uint32_t high_type; /* high word; bits 8..11 = device type */
    char dev_ver[36]; /* firmware version */
    char device_name[36];
    char mac_addr[36];
    uint32_t device_id;
    uint32_t user_set_right;
    uint32_t preview_channel; /* bit n = channel n (0..31) */
    uint32_t playback_channel;
    uint32_t backup_channel;
    uint32_t ptz_control_channel;
    uint8_t user_preview;
    uint8_t user_playback;
    uint8_t user_backup;
    uint8_t user_ptz_control;
    uint8_t reserved144[16];
    uint32_t user_key;
    uint16_t total_fps;
    uint8_t channel_num; /* basic channel count */
    uint8_t video_format;
    uint8_t alarm_in_num;
    uint8_t alarm_out_num;
    uint8_t ai_analyze_cap;
    uint8_t ai_analyze_channels;
    uint8_t serial_num;
    uint8_t is_admin;
    uint8_t audio_num;
    uint8_t resolution_frame_fix;
    uint8_t preview_off;
    uint8_t video_cover_num;
    uint8_t support_spot;
    uint8_t sub_stream_min;
    uint8_t sub_stream_max;
    uint8_t platform_support;
    uint16_t chn_info_size;
    uint8_t sub_stream_restrict;
    uint8_t dualtalk_show_tag;
    uint8_t router_show_tag;
    uint8_t lan_show_tag;
    uint32_t platform_show_tag;
    char product_name[24];
    uint32_t platform_switch;
    uint8_t video_activate_switch;
    uint8_t motion_mode;
    uint8_t resolution_mode;
    uint8_t hide_phone_page;
    uint8_t upgrade_type;
    uint8_t elec_lock_flag;
    uint16_t total_fps_960;
    uint8_t flags228; /* VLNET_F228_* */
    uint8_t flags229;
    uint8_t flags230; /* VLNET_F230_* */
    uint8_t flags231;
    uint8_t flags232; /* VLNET_F232_*; bits 4..5 NVR flag */
    uint8_t max_poe_num;
    uint8_t ui_type;
    uint8_t chip_num;
    uint32_t protocol_type;
    uint8_t flags240;
    uint8_t reserved241[3];
    uint8_t flags244;
    uint8_t analog_ch_num;
    uint8_t reserved246;
    uint8_t flags247; /* VLNET_F247_* */
    char p2p_id[35];
    uint8_t push_type;
    uint8_t reserved284[2];
    uint8_t remote_search_log_flag;
    uint8_t flags287;
    uint32_t preview_channel_ex[8]; /* word k, bit b = channel 32 + 32k + b */
    uint32_t playback_channel_ex[8];
    uint32_t backup_channel_ex[8];
    uint32_t ptz_control_channel_ex[8];
    uint32_t page_control;
    uint8_t is_fish_eye;
    uint8_t is_support_hard_dec;
    uint8_t cur_show_mode;
    uint8_t cur_stream_num;
    uint8_t fish_eye_flag;
    uint8_t reserved425[5];
    uint8_t preview_num;
    uint8_t default_stream;
    uint32_t page_control2;
    uint32_t mix_zoom_position;
    uint32_t max_zoom_position;
    uint32_t mix_focus_position;
    uint32_t max_focus_position;
    uint8_t ptz_version;
    uint8_t reserved453[7];
    uint8_t flags460; /* bit 0 wizard */
    uint8_t pir_area_mode;
    uint8_t talk_mode;
    uint8_t reserved463;
    uint32_t control_bit;
    uint8_t reserved468[32];
    uint32_t control_bit2;
    uint8_t reserved504[4];
    uint32_t client_auto_logout_time;
    uint8_t max_cloud_video_upload_num;
    uint8_t user_id;
    uint8_t reserved514[2];
    uint32_t preview_covert[8];
    uint32_t push_info_type;
    uint32_t control_bit_array[8]; /* ability bit n = bit n%32 of word n/32 */
    uint32_t support_enc_ability;
    char device_type[36]; /* model text */
    char serial_number[96];
    uint8_t max_cloud_picture_upload_num;
    uint8_t max_ftp_video_upload_num;
    uint8_t max_ftp_picture_upload_num;
    uint8_t reserved723;
    uint32_t sys_channel_num; /* extended channel count */
    uint32_t supported_modif_ipc_netmode;
    uint8_t reserved732[4];
    char device_name2[128];
    uint32_t mobile_remote_setting_protocol;
    uint32_t support_record_types;
    uint32_t https_port;
    char http_api_version[16];
    uint8_t support_http_api_config_net;
    uint8_t support_new_schedule;
    uint8_t reserved894[338];
} VLNET_DEVICE_INFO;

/* The HTTP side of a login (VLNetGetHttpDevInfo), 1512 bytes. */
typedef struct VLNET_HTTP_DEVICE_INFO {
    char real_address[64]; /* address or id the caller gave */
    char address[32]; /* address the session reached */
    int32_t port; /* web port (HTTP or HTTPS) */
    int8_t https;
    int8_t password_encryption;
    int8_t support_recover_password;
    int8_t use_recover_password;
    char token[128]; /* csrf token of the web session */
    char cookie[256]; /* session cookie of the web session */
    char user_name[32];
    int32_t real_port; /* port the session reached */
    char protocol[24]; /* "media", "http" or "https" */
    uint8_t activation_password;
    uint8_t sync_activation_password;
    uint8_t reserved550[5];
    char preferred_address[64];
    uint8_t reserved619[893];
} VLNET_HTTP_DEVICE_INFO;

/* One channel of the channel-status message (VLNET_MSG_REMOTE_CH_STATUS), 312
   bytes; the message holds one record per channel. */
typedef struct VLNET_CHANNEL_STATUS {
    uint32_t record_length; /* stride of the records in the message */
    uint8_t reserved4[4];
    uint32_t dev_type_l;
    uint32_t dev_type_h;
    char cur_chn_name[20];
    int8_t cur_chn_state; /* 2 online (3 and 6: online, asleep when wireless) */
    int8_t rec_state;
    int8_t cur_rec_type;
    int8_t md_state;
    int8_t io_state;
    int8_t vloss_state;
    int8_t hdd_state;
    int8_t md_schedule;
    int8_t alarm_schedule;
    uint8_t channel_num;
    uint8_t ipc_dev_type_flag;
    uint8_t reserved47;
    uint32_t protocol_type;
    uint32_t abilities;
    char chn_name_ex[128];
    int8_t chn_mode;
    uint8_t wireless_ipc_type;
    uint8_t reserved186[6];
    uint32_t abilities_ex;
    uint32_t abilities_arr[8];
    uint8_t reserved228[84];
} VLNET_CHANNEL_STATUS;

/* The all-status message (VLNET_MSG_DEV_ALL_STATUS), 2220 bytes. Words hold
   one bit per channel (channel c < 32 is bit c). */
typedef struct VLNET_ALL_STATUS {
    VLNET_TIME time;
    uint32_t record_enable;
    uint32_t record_status;
    uint32_t motion_enable;
    uint32_t motion_status;
    uint32_t io_enable;
    uint32_t io_status;
    uint32_t vloss_status;
    uint8_t hdd_status[8];
    char old_version[32];
    char new_version[32];
    char dev_type[32];
    uint8_t reserved140[160];
    uint8_t record_all_status[32];
    uint8_t ftp_new_vers_flag;
    uint8_t reserved333[2];
    uint8_t zero_ch_switch;
    uint32_t audio_status;
    uint32_t ability_word; /* bits 7 and 8: the camera raises human-face alarms */
    uint32_t intelligent_chn_status;
    uint32_t intelligent_chn_status_ext[6];
    uint32_t intelligent_status;
    uint32_t camera_cover_switch;
    uint32_t camera_cover_state;
    uint32_t motion_status_ext[8];
    uint32_t io_status_ext[8];
    uint8_t record_all_status_ext[8][32];
    uint32_t pir_status_ext[8];
    uint32_t smoke_status_ext[8];
    uint8_t page_intelligent_chn[128];
    uint8_t input_num[256];
    uint8_t output_num[256];
    uint32_t pir_enable;
    uint32_t pir_status;
    uint8_t power_state_change[256];
    uint8_t power_charge_state[256];
    uint32_t audio_status_ext[8];
    uint8_t playback_state;
    uint8_t reserved1961[32];
    uint8_t page_intelligent_chn_ext[128];
    uint8_t reserved2121[3];
    uint32_t alarm_switch;
    uint8_t reserved2128[92];
} VLNET_ALL_STATUS;

/* Device message ids used here. */
#define VLNET_MSG_LOGIN_FORBID_IP 113
#define VLNET_MSG_DEV_ALL_STATUS 610
#define VLNET_MSG_REMOTE_CH_STATUS 611

/* ---- LAN search ----------------------------------------------------- */

/* One device found by a search, 452 bytes, pointer-free, little-endian.
   Texts are NUL-terminated inside their slot unless they fill it. The
   program's own search record begins with these bytes, and the ONVIF
   stand-in delivers its finds in this layout too. */
typedef struct VLNET_SEARCH_DEV_RSP {
    char ip[16]; /* dotted IPv4 text */
    char host_name[36];
    char netmask[16];
    char gateway[16];
    char dns1[16];
    char dns2[16];
    uint32_t media_port;
    uint32_t web_port;
    int32_t network_mode; /* 0 DHCP, 1 PPPoE, 2 static, 3 3G, 4 Wi-Fi, 5 other */
    char device_type[28]; /* model text */
    uint32_t dev_type_l; /* low word of the 64-bit device-type word */
    uint32_t dev_type_h; /* high word; bits 8..11 = device type */
    char device_version[36]; /* firmware version */
    uint32_t device_id;
    char device_name[36];
    char mac_addr[36];
    uint32_t channel_number;
    uint8_t version;
    int8_t net_interface;
    char p2p_id[38];
    char manufacture[32];
    uint16_t rtsp_port;
    int8_t analog_channel_num;
    uint8_t reserved355;
    VLNET_TIME system_time; /* the device's clock; all zero when unknown */
    int8_t is_first_login; /* 1: not activated, the device has no password yet */
    uint8_t input_pin_count;
    uint8_t output_pin_count;
    int8_t support_two_way_talk;
    char http_api_version[16];
    uint32_t https_port;
    int8_t support_http_api_config_net;
    uint8_t reserved389[3];
    uint32_t sys_channel_num; /* extended channel count */
    char serialnum[32];
    uint8_t ipv6[16]; /* raw address bytes; all zero when none */
    uint8_t reserved444[8];
} VLNET_SEARCH_DEV_RSP;

/* Result callback of every search: once per device found, with a record
   valid during the call only, then exactly once with a null record when the
   search has ended. It runs on a thread of the stand-in, never on the
   caller's, one call at a time per search; it may call any VLNet function
   but must not wait for its own search's end. The return value is ignored. */
typedef int(VLNET_CALL* VLNET_SEARCH_CALLBACK)(const VLNET_SEARCH_DEV_RSP* record, void* context);

/* Every search collects answers for its receive time-out; 0 means
   VLNET_SEARCH_DEFAULT_TIMEOUT_MS. */
#define VLNET_SEARCH_DEFAULT_TIMEOUT_MS 3000

/* A broadcast search on every local network (VLNetSearchDev). Zero-fill it. */
typedef struct VLNET_SEARCH_DEV {
    VLNET_SEARCH_CALLBACK callback;
    void* context; /* handed back with every record */
    uint8_t oem_type; /* OEM type number, or the program's device-type code */
    uint8_t reserved9;
    uint16_t recv_timeout_ms;
    uint8_t reserved12[4];
} VLNET_SEARCH_DEV;

/* A search that asks every address of a range itself
   (VLNetSearchDevPoint2Point). Zero-fill it. */
typedef struct VLNET_SEARCH_DEV_POINT2POINT {
    VLNET_SEARCH_CALLBACK callback;
    void* context;
    uint8_t oem_type;
    uint8_t reserved9[3];
    char start_ip[64]; /* first IPv4 address of the range */
    char stop_ip[64]; /* last one, not below start_ip */
    uint16_t recv_timeout_ms;
    uint8_t reserved142[254];
} VLNET_SEARCH_DEV_POINT2POINT;

/* A search that goes on until VLNetStopSearchDevice (VLNetStartSearchDevice):
   a range search when both addresses are given, else a broadcast search.
   Zero-fill it. Texts are read during the call only. */
typedef struct VLNET_START_SEARCH_DEVICE {
    VLNET_SEARCH_CALLBACK callback;
    void* context;
    uint8_t oem_type;
    uint8_t reserved9[3];
    const char* start_ip; /* null or empty: a broadcast search */
    const char* stop_ip;
    uint32_t recv_timeout_ms; /* 0 to 65535; the period between two rounds */
    uint8_t reserved24[256];
} VLNET_START_SEARCH_DEVICE;

/* The widest range a range search asks (a /16). */
#define VLNET_SEARCH_MAX_RANGE 65536

/* Searches every local IPv4 network with a broadcast probe and reports each
   device that answers within the time-out once, then the null record.
   Returns 1 when the search started; 0 when refused (not initialised, null
   record or callback), and then no callback is ever made. */
VLNET_API int VLNET_CALL VLNetSearchDev(const VLNET_SEARCH_DEV* search);
/* Probes every address from start_ip to stop_ip and reports each device
   that answers from an address of the range within the time-out (counted
   from the last probe sent), then the null record. Returns 0, without any
   callback, only for a null record or callback. Otherwise returns 1, and
   the search always ends with exactly one null record: at once, with
   nothing found and a log line, when it cannot run (not initialised; an
   address text that is no IPv4 address, a stop address below the start
   address or a range wider than VLNET_SEARCH_MAX_RANGE; no socket; no
   probe could be sent). That null record comes on a thread of the
   stand-in, except when it was not initialised: then on the caller's
   thread, before the call returns. */
VLNET_API int VLNET_CALL VLNetSearchDevPoint2Point(const VLNET_SEARCH_DEV_POINT2POINT* search);
/* Starts a search that probes again every time-out period and reports a
   device when it is first heard and again whenever its answer has changed
   (its clock aside). Returns a search handle, or 0 when refused (not
   initialised, null record or callback, address texts as above), without
   any callback. */
VLNET_API int VLNET_CALL VLNetStartSearchDevice(const VLNET_START_SEARCH_DEVICE* search);
/* Ends the search *handle and sets *handle to 0. Answers heard so far are
   still reported, then the null record; when it returns no callback of that
   search runs any more. Called from inside that search's own callback it
   cannot wait: the null record then follows once the callback has returned.
   Returns 1, 0 for an unknown handle. VLNetRelease ends every search the
   same way. */
VLNET_API int VLNET_CALL VLNetStopSearchDevice(int* handle);

/* ---- Sessions and login --------------------------------------------- */

/* Connection statuses reported through the status callbacks. */
#define VLNET_STATUS_CONNECTING 0
#define VLNET_STATUS_CLOSED_BY_DEVICE 2 /* the device ended the session (reboot, logout) */
#define VLNET_STATUS_CONNECTION_LOST 3 /* unreachable, network error or no answer */
#define VLNET_STATUS_CLOSED_BY_RESET 4 /* VLNetResetConnection */
#define VLNET_STATUS_LOGIN_SUCCESS 101 /* media login */
#define VLNET_STATUS_USER_LOGGED_IN 102
#define VLNET_STATUS_WRONG_PASSWORD 103
#define VLNET_STATUS_UNKNOWN_USER 104
#define VLNET_STATUS_NO_RIGHT 106
#define VLNET_STATUS_IP_FILTER 107
#define VLNET_STATUS_MAX_USER 108
#define VLNET_STATUS_HTTP_LOGIN 151 /* login over the device's HTTP interface */
#define VLNET_STATUS_HTTPS_LOGIN 152 /* login over the device's HTTPS interface */
#define VLNET_STATUS_LOGIN_BLOCKED 153
#define VLNET_STATUS_NOT_ACTIVATED 154 /* first login: the device has no password yet */

/* Protocol flags (start record byte protocol_flags). A login with the HTTP
   or HTTPS flag is an HTTP login (151/152); otherwise a media login (101). */
#define VLNET_PROTOCOL_MEDIA 0x01u
#define VLNET_PROTOCOL_HTTP 0x02u
#define VLNET_PROTOCOL_HTTPS 0x04u
#define VLNET_PROTOCOL_65000 0x08u
#define VLNET_PROTOCOL_AUTO 0x07u

/* The info record of the mode statuses (121 P2P, 122 relay, 127 LAN, 156
   none, 157 unknown) passed to VLNET_STATUS_RECORD_CALLBACK. For any other
   status the info pointer is a NUL-terminated text (the HTTP answer body)
   or null. */
typedef struct VLNET_MODE_INFO {
    uint8_t reserved0[8];
    uint16_t vid;
    uint16_t pid;
    uint16_t gid;
    uint8_t reserved14[2];
    const char* regions_list; /* may be null */
    const char* current_region; /* may be null */
} VLNET_MODE_INFO;

/* Callbacks of VLNetConnectionStartV1. Contract for all of them:
   - none runs before the start call has its handle (one may run while the
     call is still returning: a caller that needs the handle inside a
     callback stores it under a lock the callback also takes), and none
     runs or starts after VLNetConnectionStop has returned for the handle;
   - all callbacks of one connection run on one thread of the stand-in, one
     at a time, in the order the events happened; they may call any VLNet
     function, VLNetConnectionStop of their own connection included;
   - texts and records passed in are valid during the call only.
   `context` is the start record's context. */
typedef void(VLNET_CALL* VLNET_STATUS_RECORD_CALLBACK)(int32_t status, const void* info, void* context);
typedef void(VLNET_CALL* VLNET_STATUS_TEXT_CALLBACK)(
    int32_t status, const char* device_info, const char* channel_info, void* context);
typedef void(VLNET_CALL* VLNET_MESSAGE_CALLBACK)(int32_t id, const char* data, int32_t length, void* context);

/* Start record of VLNetConnectionStartV1. Texts are read during the call only.
   Fixed words are passed as the caller sets them and not interpreted. */
typedef struct VLNET_CONNECTION_START_V1 {
    const char* address; /* "ip or id": IPv4 or IPv6 text */
    int32_t port; /* media port (0 = the session port); the web port for the HTTP kinds (0 = 80) */
    const char* user;
    const char* password;
    int32_t word16; /* 0 */
    int32_t word20; /* 0 */
    void* context; /* handed back to the callbacks */
    int32_t word28; /* 1 */
    VLNET_MESSAGE_CALLBACK message_callback;
    int32_t word36; /* 1 */
    int32_t word40; /* 0 */
    int32_t p2p_type;
    const char* ddns_server; /* may be null */
    uint8_t byte52; /* 0 */
    uint8_t byte53; /* 0 */
    uint8_t oem_type;
    uint8_t protocol_flags; /* VLNET_PROTOCOL_* */
    VLNET_STATUS_TEXT_CALLBACK status_text_callback;
    VLNET_STATUS_RECORD_CALLBACK status_record_callback;
    const char* remote_terminal_info;
    uint8_t enable_http_api_version_check;
    uint8_t real_protocol;
    uint8_t disable_media_in_auto_mode;
    uint8_t enable_new_cgi_check;
    const char* register_uid; /* may be null */
    const char* event_check_ext_data; /* may be null */
    int32_t support_new_schedule;
    const char* login_json; /* the caller's login request, may be null */
    const char* login_post_data_json; /* may be null */
    uint8_t reserved92[208];
} VLNET_CONNECTION_START_V1;

/* Callbacks of VLNetConnectionStartEx; same contract as above, `user` is the
   record's user_data. */
typedef void(VLNET_CALL* VLNET_CONNECTION_CALLBACK)(int32_t status, void* user);
typedef void(VLNET_CALL* VLNET_CONNECTION_MESSAGE_CALLBACK)(
    uint16_t id, const char* data, int32_t length, void* user);

/* Start record of VLNetConnectionStartEx (a media login). */
typedef struct VLNET_CONNECTION_START_EX {
    const char* address;
    int32_t port; /* media port; 0 = the session port */
    const char* user;
    const char* password;
    int32_t word16;
    int32_t word20;
    void* user_data;
    int32_t word28;
    VLNET_CONNECTION_MESSAGE_CALLBACK message_callback;
    int32_t word36;
    VLNET_CONNECTION_CALLBACK status_callback;
    uint8_t reserved44[10];
    uint8_t device_class;
    uint8_t reserved55;
} VLNET_CONNECTION_START_EX;

/* Simple command record (VLNetSimpleCmd), 16 bytes: {890, message id, 0, 0}
   asks the device to send that device message (610 and 611 are answered). */
typedef struct VLNET_SIMPLE_CMD {
    int32_t command;
    int32_t param;
    int32_t reserved[2];
} VLNET_SIMPLE_CMD;

#define VLNET_CMD_REQUEST_MESSAGE 890

/* Starts a connection and its login. Returns a non-zero login handle, or 0
   when refused (not initialised, null record or address, bad address text).
   The outcome arrives through the status callbacks: 0 "connecting", then the
   login status (101, 151, 152, 154 or a failure such as 103). A session that
   has logged in once reconnects by itself after it drops (status 2 to 4, then
   0 and the login status again). */
VLNET_API int VLNET_CALL VLNetConnectionStartV1(const VLNET_CONNECTION_START_V1* start);
/* The program's own media login; statuses through status_callback. */
VLNET_API int VLNET_CALL VLNetConnectionStartEx(const VLNET_CONNECTION_START_EX* start);
/* Ends the connection *handle and sets *handle to 0. When it returns no
   callback of that connection runs any more; the web session of a login of
   the HTTP kinds is logged out after that. Returns 1, 0 for an unknown
   handle. */
VLNET_API int VLNET_CALL VLNetConnectionStop(int* handle);
/* Asks the device for its device-information record; waits for the answer.
   Non-zero on success; 0 when not logged in, size < 1232 or no answer. */
VLNET_API int VLNET_CALL VLNetGetDevInfo(int handle, VLNET_DEVICE_INFO* info, int size);
/* The HTTP side of the last login (address, port, https flag, and for HTTP
   logins the cookie and csrf token the device issued). Non-zero on success. */
VLNET_API int VLNET_CALL VLNetGetHttpDevInfo(int handle, VLNET_HTTP_DEVICE_INFO* info, int size);
/* Sends a simple command and waits for the device to accept it. Non-zero on
   success; 0 over a login of the HTTP kinds, which carries none. The device
   messages it asks for arrive through the message callback. */
VLNET_API int VLNET_CALL VLNetSimpleCmd(int handle, const VLNET_SIMPLE_CMD* cmd);
/* Drops the session; it reports 4, then reconnects (0, then the login
   status). Returns 1, 0 for an unknown handle. */
VLNET_API int VLNET_CALL VLNetResetConnection(int handle);
/* Hands the device a check word. Returns 0 when the device accepted it, -1
   otherwise. */
VLNET_API int VLNET_CALL VLNetSetEvenCheck(int handle, int data);

/* ---- Parameters and the firmware upgrade ---------------------------- */

/* Parameter messages the stand-in's devices take (VLNetSetParamEx): the
   device-information record of 1032 bytes, and the product information of
   32 bytes (word 0 its size, word 1 the function code, bytes 8 to 23 the
   custom type as UTF-8, byte 24 0xFF). */
#define VLNET_SET_PARAM_KIND 216
#define VLNET_PARAM_DEVICE_INFO 700
#define VLNET_PARAM_DEVICE_INFO_SIZE 1032
#define VLNET_PARAM_PRODUCT_INFO 582
#define VLNET_PARAM_PRODUCT_INFO_SIZE 32

/* Request of VLNetSetParamEx: {216, command, record, size, 0, 0, 1}. It
   holds a pointer, so its layout differs between builds; zero-fill it. */
typedef struct VLNET_SET_PARAM_EX {
    int32_t kind; /* VLNET_SET_PARAM_KIND */
    int32_t command; /* the parameter message (VLNET_PARAM_*) */
    const void* record; /* record_count records of record_size bytes, read during the call */
    int32_t record_size;
    int32_t channel; /* 0: the device itself */
    int32_t reserved;
    int32_t record_count; /* 1 */
} VLNET_SET_PARAM_EX;

/* Writes parameter records to the logged-in device (a media login) and
   waits for its answer. Returns 1 when the device took them; 0 for an
   unknown handle, a login that is not up or of the HTTP kinds, a null
   request or record, a kind other than 216, a size or count below 1 or
   above what a frame carries, a message the device does not know or a
   record of the wrong size for it, or no answer in time. */
VLNET_API int VLNET_CALL VLNetSetParamEx(int handle, const VLNET_SET_PARAM_EX* request);

/* ---- Parameter queries and writes by message ------------------------ */

/* Parameter messages of VLNetQueryParam, VLNetQueryParamEx and
   VLNetSetParam, with the size of their records. Every record begins with
   an int32 that holds its own size. */
#define VLNET_PARAM_VERSION 502 /* one structure of 700 bytes */
#define VLNET_PARAM_VERSION_SIZE 700
#define VLNET_PARAM_VERSION_TEXT 153 /* offset of the NUL-terminated version text */
#define VLNET_PARAM_USERS 505 /* a 48-byte header, then one 272-byte record per user */
#define VLNET_PARAM_USERS_HEADER_SIZE 48
#define VLNET_PARAM_USERS_SIZE 272
#define VLNET_PARAM_RESET 521 /* one 24-byte reset record (write only) */
#define VLNET_PARAM_RESET_SIZE 24
#define VLNET_PARAM_TIME 524 /* one VLNET_TIME_PARAM structure */
#define VLNET_PARAM_TIME_SIZE 292
#define VLNET_PARAM_MAIN_STREAM 570 /* one 132-byte record per channel */
#define VLNET_PARAM_SUB_STREAM 571
#define VLNET_PARAM_MOBILE_STREAM 572
#define VLNET_PARAM_STREAM_SIZE 132
#define VLNET_PARAM_OSD 573 /* one 1696-byte record per channel */
#define VLNET_PARAM_OSD_SIZE 1696

/* The device's clock and time settings (message 524), 292 bytes. */
typedef struct VLNET_TIME_PARAM {
    int32_t size; /* 292 */
    uint8_t reserved4[4];
    uint16_t year; /* minus 2000 */
    uint8_t month; /* 1..12 */
    uint8_t day;
    uint8_t hour;
    uint8_t minute;
    uint8_t second;
    uint8_t reserved15;
    uint8_t time_mode; /* 0: 24 hours */
    uint8_t date_mode; /* 1: day, month, year */
    uint8_t reserved18[38];
    uint8_t use_ntp; /* 1: the device takes its time from an NTP server */
    uint8_t time_zone; /* index into the device's 34 time zones, 14 = UTC */
    uint8_t reserved58[24];
    uint8_t ie_change_time; /* 1: the time above is to be set */
    uint8_t reserved83[209];
} VLNET_TIME_PARAM;

/* Channel selector of a query, 36 bytes: its size, then channel c as bit
   c mod 32 of mask word c div 32 (all bits set: every channel). */
typedef struct VLNET_CHANNEL_MASK {
    int32_t size; /* 36 */
    uint32_t mask[8];
} VLNET_CHANNEL_MASK;

/* Callbacks of VLNetQueryParam, each with the request's user pointer: the
   header once (when the request names one), then every record; the record
   callback's result is not used. */
typedef void(VLNET_CALL* VLNET_PARAM_HEADER_CALLBACK)(const void* header, void* user);
typedef int(VLNET_CALL* VLNET_PARAM_RECORD_CALLBACK)(const void* record, void* user);

/* Request of VLNetQueryParam. It holds pointers, so its layout differs
   between builds; zero-fill it. */
typedef struct VLNET_QUERY_PARAM {
    int32_t command; /* the parameter message (VLNET_PARAM_*) */
    const VLNET_CHANNEL_MASK* channels; /* null: every channel */
    int32_t header_size; /* 0 when the message has no header */
    VLNET_PARAM_HEADER_CALLBACK header_callback; /* null: the header is not wanted */
    int32_t record_size;
    VLNET_PARAM_RECORD_CALLBACK record_callback;
    void* user;
    int32_t reserved;
} VLNET_QUERY_PARAM;

/* Request of VLNetQueryParamEx: one structure read into `buffer`. */
typedef struct VLNET_QUERY_PARAM_EX {
    int32_t command;
    int32_t reserved;
    void* buffer; /* its first int32 holds buffer_size */
    int32_t buffer_size;
    int32_t reserved2[4];
} VLNET_QUERY_PARAM_EX;

/* Request of VLNetSetParam: one structure (`record`), or a list of
   `record_count` records (`records`); the record size is the message's. */
typedef struct VLNET_SET_PARAM {
    int32_t command;
    const void* record; /* the structure form, else null */
    const void* records; /* the list form, else null */
    int32_t record_count; /* the list form, else 0 */
    int32_t reserved;
} VLNET_SET_PARAM;

/* Reads the message's records from the logged-in device (a media login).
   Before it returns it calls the header callback once (when the request
   has one and the message carries a header), then the record callback for
   every selected record in channel order, all on the calling thread; none
   comes after it has returned. Returns 1 on success, 2 when the user has
   no right to read them, 0 on failure (unknown handle, login not up, null
   request or record callback, a size that is not the message's, a message
   the device does not know, no answer in time). */
VLNET_API int VLNET_CALL VLNetQueryParam(int handle, const VLNET_QUERY_PARAM* request);
/* Reads one structure into the request's buffer, whose size must be the
   message's. Returns 1 with the buffer filled, 2 when the user has no
   right, 0 on failure (the buffer is then left as it was). */
VLNET_API int VLNET_CALL VLNetQueryParamEx(int handle, const VLNET_QUERY_PARAM_EX* request);
/* Writes the structure or the record list to the device and waits for its
   answer. Returns 1 when the device took them, 2 when the user has no
   right, 0 on failure (as VLNetQueryParam, or both or neither form given). */
VLNET_API int VLNET_CALL VLNetSetParam(int handle, const VLNET_SET_PARAM* request);

/* ---- Device name and type (message 700) ------------------------------ */

/* What the device-information record of message 700 (VLNetSetParamEx,
   VLNET_PARAM_DEVICE_INFO_SIZE bytes, every byte not named here 0) says of
   a new device name and type: word 1 says which of the two it changes, and
   each text is UTF-8 of at most 31 bytes, zero-padded to its 32-byte field. */
#define VLNET_DEVICE_INFO_CHANGES 4 /* offset of the change flags (uint32) */
#define VLNET_DEVICE_INFO_TYPE_CHANGED 0x10
#define VLNET_DEVICE_INFO_NAME_CHANGED 0x20
#define VLNET_DEVICE_INFO_TYPE 136 /* offset of the device type */
#define VLNET_DEVICE_INFO_NAME 168 /* offset of the device name */
#define VLNET_DEVICE_INFO_TEXT_SIZE 32
/* ---- Users by message (VLNET_PARAM_USERS) ----------------------------- */

/* The header of the user list, 48 bytes: three texts of the device. */
typedef struct VLNET_USER_HEADER {
    char text[3][16];
} VLNET_USER_HEADER;

/* One user of the device, 272 bytes. A device keeps passwords either in the
   8-byte slots or in the 32-byte ones (VLNET_F228_C32_PASSWORD of its
   device information); the other slots are zero. Texts fill their slot
   without a NUL when they are as long as it. The records carry passwords:
   on the wire they travel sealed (PROTOCOL.md, "Sealed records"). */
typedef struct VLNET_USER_RECORD {
    int32_t size; /* 272 */
    uint8_t reserved4[4];
    char password[8]; /* 8-byte layout */
    char password2[8]; /* 8-byte layout: the confirmation of a change */
    char user_name[8];
    uint8_t reserved32[2];
    uint8_t have_switch; /* 1: the device is to take this record's password */
    uint8_t enabled; /* 1: the user may log in */
    uint8_t admin; /* 1: an administrator */
    uint8_t reserved37[43];
    char c32_password[32]; /* 32-byte layout */
    char user_name2[32]; /* 32-byte layout: the user's name */
    uint8_t reserved144[128];
} VLNET_USER_RECORD;

/* Remote test commands (VLNetRemoteTest). */
#define VLNET_TEST_REBOOT 303

/* Result callback of a remote test: the login handle, the command, the
   device's result and the request's user pointer. */
typedef void(VLNET_CALL* VLNET_REMOTE_TEST_CALLBACK)(int handle, int command, int result, void* user);

/* Request of VLNetRemoteTest: {command, 0, 0, user, callback, 0}. It holds
   pointers; zero-fill it. */
typedef struct VLNET_REMOTE_TEST {
    int32_t command; /* VLNET_TEST_* */
    int32_t reserved[2];
    void* user;
    VLNET_REMOTE_TEST_CALLBACK callback; /* may be null */
    int32_t reserved2;
} VLNET_REMOTE_TEST;

/* Hands the logged-in device a test command. Returns non-zero when the
   device accepted it; the callback (when given) then follows once, on
   another thread, possibly after the call has returned. 0 on failure (no
   callback comes). A reboot drops the session, which reconnects by itself
   once the device is back. */
VLNET_API int VLNET_CALL VLNetRemoteTest(int handle, const VLNET_REMOTE_TEST* request);

/* Ends the firmware upgrade *handle when one runs and sets *handle to 0;
   when it returns no callback of that upgrade runs any more. Returns 1 when
   it stopped a running upgrade, else 0 and nothing happens (a null pointer,
   0, or a handle whose upgrade has ended; the stand-in starts none yet). */
VLNET_API int VLNET_CALL VLNetStopRemoteUpgrade(int* handle);

/* ---- Stream and OSD records (messages 570..573) ----------------------- */

/* Codecs of a stream record's video_enc_type. */
#define VLNET_CODEC_H264 0
#define VLNET_CODEC_H265 1
#define VLNET_CODEC_MJPEG 2
#define VLNET_CODEC_H264_PLUS 3
#define VLNET_CODEC_H265_PLUS 4

/* One resolution a stream offers, 12 bytes; an entry of width 0 offers
   nothing. */
typedef struct VLNET_RESOLUTION_ENTRY {
    uint8_t reserved0[4];
    uint16_t width;
    uint16_t height;
    uint8_t reserved8[4];
} VLNET_RESOLUTION_ENTRY;

/* The encoding of one stream of one channel (messages 570 main, 571 sub,
   572 mobile), 132 bytes. A write takes the whole record back; the device
   reads the settings below and ignores the rest. */
typedef struct VLNET_STREAM_PARAM {
    int32_t size; /* 132 */
    int32_t channel; /* 0-based */
    uint8_t bitrate_mode; /* 0: a predefined level (bitrate), else custom_bitrate */
    uint8_t bitrate; /* the predefined level, an index into the device's list */
    uint16_t custom_bitrate; /* kbit/s */
    uint8_t reserved12[5];
    uint8_t fps;
    uint8_t resolution_index; /* into resolutions */
    uint8_t reserved19;
    VLNET_RESOLUTION_ENTRY resolutions[8]; /* what the stream offers */
    uint8_t reserved116[2];
    uint8_t video_enc_type; /* VLNET_CODEC_* */
    uint8_t reserved119[13];
} VLNET_STREAM_PARAM;

/* Date formats of an OSD record's date_format. */
#define VLNET_OSD_DATE_YMD 0 /* YYYY-MM-DD */
#define VLNET_OSD_DATE_MDY 1 /* MM-DD-YYYY */
#define VLNET_OSD_DATE_DMY 2 /* DD-MM-YYYY */

/* The on-screen display of one channel (message 573), 1696 bytes:
   positions, the channel name and the date display. */
typedef struct VLNET_OSD_PARAM {
    int32_t size; /* 1696 */
    int32_t channel; /* 0-based */
    uint16_t name_x;
    uint16_t name_y;
    uint16_t date_x;
    uint16_t date_y;
    char name[40]; /* UTF-8, NUL-terminated when shorter than 40 bytes */
    uint8_t show_name; /* non-zero: shown */
    uint8_t show_date;
    uint8_t date_format; /* VLNET_OSD_DATE_* */
    uint8_t time_format; /* 0: 24 hours, 1: 12 hours */
    uint8_t reserved60[1636];
} VLNET_OSD_PARAM;
/* ---- Restoring defaults (message 521) ------------------------------- */

/* Network modes of the reset record. */
#define VLNET_RESET_NETWORK_KEEP 0 /* the network category is not reset */
#define VLNET_RESET_NETWORK_ALL 1 /* reset, the address and ports included */
#define VLNET_RESET_NETWORK_EXCEPT_PARAMS 2 /* reset, but the address, mask, gateway, DNS and ports stay */

/* The reset record of message VLNET_PARAM_RESET, 24 bytes, written with
   VLNetSetParam in the structure form: every category set to 1 returns to
   its factory defaults; the device reboots afterwards. Accounts and the
   activation are not touched. */
typedef struct VLNET_RESET_PARAM {
    int32_t size; /* 24 */
    uint8_t display; /* channel display: names, OSD, streams */
    uint8_t record;
    uint8_t network; /* VLNET_RESET_NETWORK_* */
    uint8_t alarm;
    uint8_t device; /* storage and attached devices */
    uint8_t system;
    uint8_t advanced; /* events */
    uint8_t intelligent; /* AI analytics */
    uint8_t pairing; /* paired wireless cameras */
    uint8_t reserved13[11];
} VLNET_RESET_PARAM;

/* ---- Downloads -------------------------------------------------------- */

/* Pause and resume the download *handle (its data stops until it is
   resumed; *handle is not changed). Each call is noted in VLNet's log with
   the handle. Returns 1 when the download runs, else 0 and nothing happens
   (a null pointer, 0, or a handle of no running download; the stand-in
   starts no downloads yet). */
VLNET_API int VLNET_CALL VLNetPauseDownloadFile(int* handle);
VLNET_API int VLNET_CALL VLNetResumeDownloadFile(int* handle);

/* ---- Recorded files ------------------------------------------------ */

/* Records of the recorded files of a day search, handed over as arrays
   whose stride is the size word of the first record. Each record begins
   with its own size in bytes. */

/* A recorded file, 56 bytes. */
typedef struct VLNET_RECORD_INFO {
    uint32_t size; /* sizeof(VLNET_RECORD_INFO) once stored */
    VLNET_TIME begin;
    VLNET_TIME end;
    uint32_t record_type;
    uint32_t file_size; /* bytes */
    uint32_t type_words[4]; /* passed on to downloads */
    uint8_t reserved44[12]; /* kept and passed on */
} VLNET_RECORD_INFO;

/* A recorded file with its identity and type text, 76 bytes. */
typedef struct VLNET_RECORD_INFO_EX {
    uint32_t size;
    VLNET_TIME begin;
    VLNET_TIME end;
    uint32_t record_type;
    uint32_t file_size;
    int32_t record_id;
    int32_t disk_event_id;
    uint8_t reserved36[2];
    uint8_t dst_flag; /* daylight-saving time */
    uint8_t reserved39[9];
    uint32_t type_words[4];
    char type_text[8]; /* NUL-terminated when shorter than 8 bytes */
    uint8_t lock; /* non-zero: locked */
    uint8_t reserved73[3];
} VLNET_RECORD_INFO_EX;

/* A recorded file with JSON texts: the fields of VLNET_RECORD_INFO_EX,
   then three texts (each may be null). Its size word is
   sizeof(VLNET_RECORD_INFO_ARR), which tells it apart from the others. */
typedef struct VLNET_RECORD_INFO_ARR {
    uint32_t size;
    VLNET_TIME begin;
    VLNET_TIME end;
    uint32_t record_type;
    uint32_t file_size;
    int32_t record_id;
    int32_t disk_event_id;
    uint8_t reserved36[2];
    uint8_t dst_flag;
    uint8_t reserved39[9];
    uint32_t type_words[4];
    char type_text[8];
    uint8_t lock;
    uint8_t reserved73[3];
    const char* record_type_json; /* an object whose "record_type_arr" is an array */
    const char* event_id_json; /* an object whose "new_event_id_arr" is an array */
    const char* event_seq;
} VLNET_RECORD_INFO_ARR;

/* ---- Face alarms ---------------------------------------------------- */

/* Handlers of a face subscription; `context` is the record's context. They
   run on threads of the stand-in, and none runs after the stop call of the
   subscription has returned. `info` of a report: info[0] the report kind,
   info[1] a version byte. */
typedef void(VLNET_CALL* VLNET_ALARM_REPORT_CALLBACK)(
    const void* data, int32_t length, const uint8_t* info, void* context);
typedef void(VLNET_CALL* VLNET_ALARM_PARAM_CALLBACK)(const void* data, int32_t length, void* context);
/* state 1: subscribed, 2: failed. */
typedef void(VLNET_CALL* VLNET_ALARM_STATUS_CALLBACK)(int32_t state, void* context);

/* Subscription to a device's face and object reports
   (VLNetStartAlarmRequestInfo). Zero-fill it; copied during the call. */
typedef struct VLNET_ALARM_REQUEST_INFO {
    VLNET_ALARM_REPORT_CALLBACK report_callback;
    VLNET_ALARM_STATUS_CALLBACK status_callback;
    void* context;
    uint8_t reserved[256];
} VLNET_ALARM_REQUEST_INFO;

/* Channel for a device's face parameters (VLNetStartAlarmParamInfo). */
typedef struct VLNET_ALARM_PARAM_INFO {
    VLNET_ALARM_PARAM_CALLBACK param_callback;
    VLNET_ALARM_STATUS_CALLBACK status_callback;
    void* context;
    uint8_t reserved[256];
} VLNET_ALARM_PARAM_INFO;

/* Subscribe on the logged-in connection `handle`. Return a subscription
   handle (never 0, never one still in use), or 0 when refused (not
   initialised, null record, unknown connection). The stand-in's devices
   send no face reports yet: no handler is called. */
VLNET_API int VLNET_CALL VLNetStartAlarmRequestInfo(int handle, const VLNET_ALARM_REQUEST_INFO* info);
VLNET_API int VLNET_CALL VLNetStartAlarmParamInfo(int handle, const VLNET_ALARM_PARAM_INFO* info);
/* End the subscription *handle and set *handle to 0; when they return no
   handler of it runs any more. Return 1, or 0 for an unknown handle or one
   of the other kind, which is left as it is. VLNetRelease ends every
   subscription. */
VLNET_API int VLNET_CALL VLNetStopAlarmRequestInfo(int* handle);
VLNET_API int VLNET_CALL VLNetStopAlarmParamInfo(int* handle);

/* ---- Network change, snapshot and PTZ ---------------------------------- */

/* New network settings for a device (VLNetSetNewDevInfoEx), 744 bytes.
   Zero-fill it. Texts may fill their slot without a NUL. Addresses hold
   the four numbers of the dotted text in text order, the first in the
   lowest byte; 0.0.0.0 where none is given. */
typedef struct VLNET_NEW_DEV_INFO {
    char version[16]; /* "12" */
    char user[64]; /* the account that authorises the change */
    char password[64];
    uint8_t original_ip[4]; /* where the device is now: the change goes there */
    uint8_t new_ip[4];
    uint8_t netmask[4];
    uint8_t gateway[4];
    uint8_t dns1[4];
    uint8_t dns2[4];
    char mac_addr[40]; /* the device's MAC text as its search reported it; empty: not checked */
    uint64_t device_type; /* the 64-bit device-type word of the search */
    int32_t media_port;
    int32_t web_port;
    uint8_t network_mode; /* 0 DHCP, 1 PPPoE, 2 static */
    uint8_t byte225; /* 1 */
    uint8_t byte226; /* 0 */
    uint8_t point_to_point; /* 1: the caller reached the device point to point */
    uint8_t reserved228[516];
} VLNET_NEW_DEV_INFO;

/* Gives a device new network settings without a login: the stand-in
   connects to original_ip, proves user and password (the record travels
   sealed under a key derived from them, PROTOCOL.md) and waits for the
   device's answer. The device then moves and ends its sessions at the old
   address. Returns 1 when the device took the settings; 0 when not
   initialised, for a null record or original_ip 0.0.0.0, when the device
   cannot be reached or does not answer in time, refuses the user or the
   password (or a MAC that is not its own), or refuses the settings (no
   address, a port of 0). */
VLNET_API int VLNET_CALL VLNetSetNewDevInfoEx(const VLNET_NEW_DEV_INFO* info);

/* A snapshot of one channel (VLNetCapture), 276 bytes. Zero-fill it. */
typedef struct VLNET_CAPTURE {
    uint32_t channel; /* 0 = the first */
    uint32_t reserved4;
    char picture_name[260]; /* the file to write; NUL-terminated */
    uint32_t picture_format; /* 8: JPEG, the only kind devices send */
    uint32_t reserved272;
} VLNET_CAPTURE;

/* Makes the logged-in device take a picture of the channel and writes it
   (a JPEG file) to picture_name, replacing a file of that name. Waits for
   the device. Returns 1 when the file is written; 0 for an unknown handle,
   a login that is not up, a null record or empty name, a channel the
   device does not have, a user without the preview right, no answer in
   time, or a file that cannot be written (nothing is left of it). */
VLNET_API int VLNET_CALL VLNetCapture(int handle, const VLNET_CAPTURE* capture);

/* PTZ command numbers (VLNetPTZControl). */
#define VLNET_PTZ_UP 1
#define VLNET_PTZ_DOWN 2
#define VLNET_PTZ_LEFT 3
#define VLNET_PTZ_RIGHT 4
#define VLNET_PTZ_UP_LEFT 5
#define VLNET_PTZ_UP_RIGHT 6
#define VLNET_PTZ_DOWN_LEFT 7
#define VLNET_PTZ_DOWN_RIGHT 8
#define VLNET_PTZ_ZOOM_IN 11
#define VLNET_PTZ_ZOOM_OUT 12
#define VLNET_PTZ_FOCUS_NEAR 13
#define VLNET_PTZ_FOCUS_FAR 14
#define VLNET_PTZ_IRIS_OPEN 15
#define VLNET_PTZ_IRIS_CLOSE 16
#define VLNET_PTZ_AUTO_SCAN 21
#define VLNET_PTZ_CRUISE 51 /* also the "scan line" of the moves */
#define VLNET_PTZ_SET_CRUISE 53
#define VLNET_PTZ_CALL_CRUISE 54
#define VLNET_PTZ_SET_PRESET 91
#define VLNET_PTZ_CLEAR_PRESET 92
#define VLNET_PTZ_CALL_PRESET 93
#define VLNET_PTZ_RESTORE 100 /* new-style commands from here */
#define VLNET_PTZ_ZOOM_POSITION 101
#define VLNET_PTZ_FOCUS_POSITION 102
#define VLNET_PTZ_ZOOM_STEP 103
#define VLNET_PTZ_FOCUS_STEP 104
#define VLNET_PTZ_AUTO_FOCUS 105
#define VLNET_PTZ_REFRESH 107
#define VLNET_PTZ_PRIVACY_MODE 121

/* The record of one PTZ command, 44 bytes, little-endian. Zero-fill it;
   which words count depends on the command:
     moves, zoom, focus, iris, scans and the new-style commands: channel,
       action, move.speed (the new-style position commands: the position)
     presets: channel, action = preset index + 1, move.speed = 3
     cruise (51): channel, action, move.speed = 1, move.time, move.speed2
     set cruise (53): channel, action = 1, cruise.preset_count,
       cruise.marker = 5, cruise.speed, cruise.presets
     call cruise (54): channel, action = 1
   action of a move: 0 start, 1 stop; of a new-style step: 0 or 1 the
   direction when starting, 2 stop. */
typedef struct VLNET_PTZ_CONTROL {
    int32_t channel;
    int32_t action;
    union {
        struct {
            int32_t speed;
            int32_t time;
            int32_t speed2;
            int32_t reserved[6];
        } move;
        struct {
            uint8_t preset_count; /* at most 32 */
            uint8_t marker;
            uint8_t speed;
            uint8_t reserved;
            uint8_t presets[32];
        } cruise;
    } param;
} VLNET_PTZ_CONTROL;

/* Sends one PTZ command to the logged-in device and waits for its answer.
   Returns 1 when the device accepted it, 2 when the device refuses PTZ to
   this user, 0 otherwise (unknown handle, a login that is not up, a null
   record, a command the device does not know, a channel it does not have,
   no answer in time). */
VLNET_API int VLNET_CALL VLNetPTZControl(int handle, int command, const VLNET_PTZ_CONTROL* control);

/* ---- P2P, network state and asynchronous JSON requests -------------- */

/* P2P online check record (VLNetCheckP2POnlineStatus), 328 bytes; zero-fill
   it. */
typedef struct VLNET_P2P_CHECK {
    char p2p_id[64]; /* NUL-terminated */
    int32_t timeout_ms; /* how long to wait for the device */
    int32_t kind; /* the P2P kind of the id */
    uint8_t reserved[256];
} VLNET_P2P_CHECK;

/* Online statuses of VLNetCheckP2POnlineStatus. */
#define VLNET_P2P_ONLINE 0
#define VLNET_P2P_REFUSED (-22) /* the P2P service refused the check */
#define VLNET_P2P_NO_ANSWER (-51) /* no device with that id answered in time */

/* Asks whether the device with the record's P2P id is reachable: the
   stand-in probes the local networks for a device with that id (PROTOCOL.md,
   "Probe") and waits up to the time-out (1 to 60000 ms; others count as
   3000). *status becomes 0 when it answered, -51 when none did. Returns 0;
   -1 (status untouched) for a null argument or VLNetInit not called. Test
   switches: VLNET_P2P_CHECK_STATUS=-22 answers that status without a
   probe, VLNET_P2P_CHECK_REFUSE=1 makes the call return -1. */
VLNET_API int VLNET_CALL VLNetCheckP2POnlineStatus(const VLNET_P2P_CHECK* check, int* status);
/* Sets up the P2P layer for one kind (type text and kind). Recorded;
   returns 0 (-1 for a null type). */
VLNET_API int VLNET_CALL VLNetInitP2P(const char* type, int kind, int flags);
/* Progress of the P2P layer's connection steps. */
typedef void(VLNET_CALL* VLNET_P2P_PROCESS_CALLBACK)(int32_t step, const char* info, void* user);
/* Recorded (the stand-in has no P2P steps to report); returns 0. */
VLNET_API int VLNET_CALL VLNetRegisterP2PProcessCallback(VLNET_P2P_PROCESS_CALLBACK callback, void* user);
/* Frees the P2P layer's resources when the host goes to the background.
   Recorded; returns 0. */
VLNET_API int VLNET_CALL VLNetP2PEnterBackgroundDestroy(void);
/* Recorded; returns 0. */
VLNET_API int VLNET_CALL VLNetEnableTutkManyConnection(int enable);
/* Recorded; returns 0. */
VLNET_API int VLNET_CALL VLNetP2PRegisterId(int id);

/* Network state record (VLNetNetworkStatusChanged), 256 bytes. */
typedef struct VLNET_NETWORK_STATUS {
    uint8_t reserved[256];
} VLNET_NETWORK_STATUS;

/* The host's network changed. Recorded; returns 0 (-1 for null). */
VLNET_API int VLNET_CALL VLNetNetworkStatusChanged(const VLNET_NETWORK_STATUS* status);
/* Recorded; returns 0. */
VLNET_API int VLNET_CALL VLNetSetOperatorPlmn(int plmn);

/* An asynchronous JSON request as callers hand it over: five words and one
   byte, 21 bytes without padding (the same layout as the wrapper's
   vl_async_json_request). Word 0 is the parameter message; the others and
   the byte belong to the request's kind. */
#pragma pack(push, 1)
typedef struct VLNET_ASYNC_JSON_REQUEST {
    int32_t words[5];
    uint8_t flag;
} VLNET_ASYNC_JSON_REQUEST;
/* The query record, 276 bytes: the request, then zeros. */
typedef struct VLNET_ASYNC_JSON_QUERY {
    VLNET_ASYNC_JSON_REQUEST request;
    uint8_t reserved[255];
} VLNET_ASYNC_JSON_QUERY;
/* The set record, 268 bytes: the request, then zeros. */
typedef struct VLNET_ASYNC_JSON_SET {
    VLNET_ASYNC_JSON_REQUEST request;
    uint8_t reserved[247];
} VLNET_ASYNC_JSON_SET;
#pragma pack(pop)

/* Start an asynchronous JSON query or set on a logged-in connection.
   Return a request number (positive), or 0 for an unknown handle, a
   connection that is not logged in, or a null record. The stand-in records
   the request; its devices send no answer yet. */
VLNET_API int VLNET_CALL VLNetAsyncStartQueryParamJson(int handle, const VLNET_ASYNC_JSON_QUERY* query);
VLNET_API int VLNET_CALL VLNetAsyncStartSetParamJson(int handle, const VLNET_ASYNC_JSON_SET* set);
/* Ends request `request` of the connection. Returns 1 when it was running,
   else 0. */
VLNET_API int VLNET_CALL VLNetAsyncStopQueryParamJson(int handle, int request);

/* What the stand-in recorded of the calls above (tests): one line per call,
   oldest first, each ending in a line feed, as "VLNetInitP2P tutk 2 0".
   Copies the text with its NUL when it fits size and returns its length;
   -1 when it does not fit (nothing written). clear non-zero empties the
   record afterwards. */
VLNET_API int VLNET_CALL VLNetStandInCalls(char* out, int size, int clear);

/* ---- Configuration export and import -------------------------------- */

/* The import record of VLNetRemoteParamImportNew, 393256 bytes: its own
   size, the data length, a name (the file's, without its extension; may
   be all zero), then the configuration data. An exported configuration
   comes in the same form: a 40-byte head (size = 40 + length, length, the
   device's name), then the data. */
#define VLNET_PARAM_IMPORT_DATA_MAX 393216
#define VLNET_PARAM_IMPORT_HEAD_SIZE 40
typedef struct VLNET_PARAM_IMPORT {
    uint32_t size; /* sizeof(VLNET_PARAM_IMPORT) */
    uint32_t length; /* bytes of data used */
    char name[32]; /* Latin-1, zero-padded; no NUL when it fills the slot */
    uint8_t data[VLNET_PARAM_IMPORT_DATA_MAX];
} VLNET_PARAM_IMPORT;

/* Called by VLNetExportBackupNew with the exported block (the 40-byte head,
   then the data) and the byte count of its data; context is the request's.
   It runs exactly once per successful export, synchronously on the thread
   that called VLNetExportBackupNew, before that returns, and with no lock of
   VLNet held: it may open a modal dialog whose event loop makes other VLNet
   calls, on this connection too. The block lives only during the call. */
typedef void(VLNET_CALL* VLNET_EXPORT_HANDLER)(const char* block, int32_t length, void* context);

/* The export request of VLNetExportBackupNew. */
typedef struct VLNET_EXPORT_BACKUP {
    void* context;
    VLNET_EXPORT_HANDLER handler;
} VLNET_EXPORT_BACKUP;

/* Write a configuration to the logged-in device (a media login), and read
   it back; both run to completion before they return.
   VLNetRemoteParamImportNew returns 1 when the device took the
   configuration, 2 when the user has no right, 0 on failure (unknown handle,
   login not up, null record, a size other than sizeof(VLNET_PARAM_IMPORT),
   a length above VLNET_PARAM_IMPORT_DATA_MAX, a configuration the device
   cannot read, no answer in time).
   VLNetExportBackupNew returns 1 after the handler was called with the
   device's configuration, 0 with no call on failure (unknown handle, login
   not up, null request or handler, the device refused or sent no block in
   time). */
VLNET_API int VLNET_CALL VLNetRemoteParamImportNew(int handle, const VLNET_PARAM_IMPORT* record);
VLNET_API int VLNET_CALL VLNetExportBackupNew(int handle, const VLNET_EXPORT_BACKUP* request);

#ifdef __cplusplus
}

static_assert(sizeof(VLNET_TIME) == 8, "VLNET_TIME");
static_assert(sizeof(VLNET_DEVICE_INFO) == 1232, "VLNET_DEVICE_INFO");
static_assert(VLNET_DEVICE_INFO_TYPE + VLNET_DEVICE_INFO_TEXT_SIZE <= VLNET_DEVICE_INFO_NAME
        && VLNET_DEVICE_INFO_NAME + VLNET_DEVICE_INFO_TEXT_SIZE <= VLNET_PARAM_DEVICE_INFO_SIZE,
    "message 700: name and type");
static_assert(sizeof(VLNET_HTTP_DEVICE_INFO) == 1512, "VLNET_HTTP_DEVICE_INFO");
static_assert(sizeof(VLNET_CHANNEL_STATUS) == 312, "VLNET_CHANNEL_STATUS");
static_assert(sizeof(VLNET_ALL_STATUS) == 2220, "VLNET_ALL_STATUS");
static_assert(sizeof(VLNET_SIMPLE_CMD) == 16, "VLNET_SIMPLE_CMD");
static_assert(sizeof(VLNET_RECORD_INFO) == 56, "VLNET_RECORD_INFO");
static_assert(sizeof(VLNET_RECORD_INFO_EX) == 76, "VLNET_RECORD_INFO_EX");
static_assert(offsetof(VLNET_RECORD_INFO_EX, type_words) == 48, "VLNET_RECORD_INFO_EX");
static_assert(offsetof(VLNET_RECORD_INFO_EX, lock) == 72, "VLNET_RECORD_INFO_EX");
static_assert(offsetof(VLNET_RECORD_INFO_ARR, lock) == 72, "VLNET_RECORD_INFO_ARR");
static_assert(sizeof(VLNET_SEARCH_DEV_RSP) == 452, "VLNET_SEARCH_DEV_RSP");
static_assert(offsetof(VLNET_SEARCH_DEV_RSP, media_port) == 116, "VLNET_SEARCH_DEV_RSP");
static_assert(offsetof(VLNET_SEARCH_DEV_RSP, network_mode) == 124, "VLNET_SEARCH_DEV_RSP");
static_assert(offsetof(VLNET_SEARCH_DEV_RSP, dev_type_l) == 156, "VLNET_SEARCH_DEV_RSP");
static_assert(offsetof(VLNET_SEARCH_DEV_RSP, device_id) == 200, "VLNET_SEARCH_DEV_RSP");
static_assert(offsetof(VLNET_SEARCH_DEV_RSP, channel_number) == 276, "VLNET_SEARCH_DEV_RSP");
static_assert(offsetof(VLNET_SEARCH_DEV_RSP, p2p_id) == 282, "VLNET_SEARCH_DEV_RSP");
static_assert(offsetof(VLNET_SEARCH_DEV_RSP, rtsp_port) == 352, "VLNET_SEARCH_DEV_RSP");
static_assert(offsetof(VLNET_SEARCH_DEV_RSP, system_time) == 356, "VLNET_SEARCH_DEV_RSP");
static_assert(offsetof(VLNET_SEARCH_DEV_RSP, is_first_login) == 364, "VLNET_SEARCH_DEV_RSP");
static_assert(offsetof(VLNET_SEARCH_DEV_RSP, http_api_version) == 368, "VLNET_SEARCH_DEV_RSP");
static_assert(offsetof(VLNET_SEARCH_DEV_RSP, https_port) == 384, "VLNET_SEARCH_DEV_RSP");
static_assert(offsetof(VLNET_SEARCH_DEV_RSP, sys_channel_num) == 392, "VLNET_SEARCH_DEV_RSP");
static_assert(offsetof(VLNET_SEARCH_DEV_RSP, serialnum) == 396, "VLNET_SEARCH_DEV_RSP");
static_assert(offsetof(VLNET_SEARCH_DEV_RSP, ipv6) == 428, "VLNET_SEARCH_DEV_RSP");
static_assert(sizeof(VLNET_NEW_DEV_INFO) == 744, "VLNET_NEW_DEV_INFO");
static_assert(offsetof(VLNET_NEW_DEV_INFO, original_ip) == 144, "VLNET_NEW_DEV_INFO");
static_assert(offsetof(VLNET_NEW_DEV_INFO, mac_addr) == 168, "VLNET_NEW_DEV_INFO");
static_assert(offsetof(VLNET_NEW_DEV_INFO, device_type) == 208, "VLNET_NEW_DEV_INFO");
static_assert(offsetof(VLNET_NEW_DEV_INFO, network_mode) == 224, "VLNET_NEW_DEV_INFO");
static_assert(sizeof(VLNET_CAPTURE) == 276, "VLNET_CAPTURE");
static_assert(offsetof(VLNET_CAPTURE, picture_format) == 268, "VLNET_CAPTURE");
static_assert(sizeof(VLNET_PTZ_CONTROL) == 44, "VLNET_PTZ_CONTROL");
static_assert(sizeof(VLNET_P2P_CHECK) == 328, "VLNET_P2P_CHECK");
static_assert(sizeof(VLNET_NETWORK_STATUS) == 256, "VLNET_NETWORK_STATUS");
static_assert(sizeof(VLNET_ASYNC_JSON_REQUEST) == 21, "VLNET_ASYNC_JSON_REQUEST");
static_assert(offsetof(VLNET_ASYNC_JSON_REQUEST, flag) == 20, "VLNET_ASYNC_JSON_REQUEST");
static_assert(sizeof(VLNET_ASYNC_JSON_QUERY) == 276, "VLNET_ASYNC_JSON_QUERY");
static_assert(sizeof(VLNET_ASYNC_JSON_SET) == 268, "VLNET_ASYNC_JSON_SET");
static_assert(sizeof(VLNET_PARAM_IMPORT) == 393256, "VLNET_PARAM_IMPORT");
static_assert(offsetof(VLNET_PARAM_IMPORT, data) == 40, "VLNET_PARAM_IMPORT");
static_assert(sizeof(VLNET_TIME_PARAM) == 292, "VLNET_TIME_PARAM");
static_assert(offsetof(VLNET_TIME_PARAM, year) == 8, "VLNET_TIME_PARAM");
static_assert(offsetof(VLNET_TIME_PARAM, time_mode) == 16, "VLNET_TIME_PARAM");
static_assert(offsetof(VLNET_TIME_PARAM, use_ntp) == 56, "VLNET_TIME_PARAM");
static_assert(offsetof(VLNET_TIME_PARAM, time_zone) == 57, "VLNET_TIME_PARAM");
static_assert(offsetof(VLNET_TIME_PARAM, ie_change_time) == 82, "VLNET_TIME_PARAM");
static_assert(sizeof(VLNET_CHANNEL_MASK) == 36, "VLNET_CHANNEL_MASK");
static_assert(sizeof(VLNET_RESOLUTION_ENTRY) == 12, "VLNET_RESOLUTION_ENTRY");
static_assert(sizeof(VLNET_STREAM_PARAM) == VLNET_PARAM_STREAM_SIZE, "VLNET_STREAM_PARAM");
static_assert(offsetof(VLNET_STREAM_PARAM, bitrate_mode) == 8, "VLNET_STREAM_PARAM");
static_assert(offsetof(VLNET_STREAM_PARAM, bitrate) == 9, "VLNET_STREAM_PARAM");
static_assert(offsetof(VLNET_STREAM_PARAM, custom_bitrate) == 10, "VLNET_STREAM_PARAM");
static_assert(offsetof(VLNET_STREAM_PARAM, fps) == 17, "VLNET_STREAM_PARAM");
static_assert(offsetof(VLNET_STREAM_PARAM, resolution_index) == 18, "VLNET_STREAM_PARAM");
static_assert(offsetof(VLNET_STREAM_PARAM, resolutions) == 20, "VLNET_STREAM_PARAM");
static_assert(offsetof(VLNET_STREAM_PARAM, resolutions[1].width) == 36, "VLNET_STREAM_PARAM");
static_assert(offsetof(VLNET_STREAM_PARAM, resolutions[7].height) == 110, "VLNET_STREAM_PARAM");
static_assert(offsetof(VLNET_STREAM_PARAM, video_enc_type) == 118, "VLNET_STREAM_PARAM");
static_assert(sizeof(VLNET_OSD_PARAM) == VLNET_PARAM_OSD_SIZE, "VLNET_OSD_PARAM");
static_assert(offsetof(VLNET_OSD_PARAM, name_x) == 8, "VLNET_OSD_PARAM");
static_assert(offsetof(VLNET_OSD_PARAM, date_y) == 14, "VLNET_OSD_PARAM");
static_assert(offsetof(VLNET_OSD_PARAM, name) == 16, "VLNET_OSD_PARAM");
static_assert(offsetof(VLNET_OSD_PARAM, show_name) == 56, "VLNET_OSD_PARAM");
static_assert(offsetof(VLNET_OSD_PARAM, time_format) == 59, "VLNET_OSD_PARAM");
static_assert(sizeof(VLNET_USER_HEADER) == VLNET_PARAM_USERS_HEADER_SIZE, "VLNET_USER_HEADER");
static_assert(sizeof(VLNET_USER_RECORD) == VLNET_PARAM_USERS_SIZE, "VLNET_USER_RECORD");
static_assert(offsetof(VLNET_USER_RECORD, password) == 8, "VLNET_USER_RECORD");
static_assert(offsetof(VLNET_USER_RECORD, password2) == 16, "VLNET_USER_RECORD");
static_assert(offsetof(VLNET_USER_RECORD, user_name) == 24, "VLNET_USER_RECORD");
static_assert(offsetof(VLNET_USER_RECORD, have_switch) == 34, "VLNET_USER_RECORD");
static_assert(offsetof(VLNET_USER_RECORD, c32_password) == 80, "VLNET_USER_RECORD");
static_assert(offsetof(VLNET_USER_RECORD, user_name2) == 112, "VLNET_USER_RECORD");
static_assert(offsetof(VLNET_PARAM_IMPORT, name) == 8, "VLNET_PARAM_IMPORT");
/* The reset record (message 521). */
static_assert(sizeof(VLNET_RESET_PARAM) == 24, "VLNET_RESET_PARAM");
static_assert(offsetof(VLNET_RESET_PARAM, display) == 4, "VLNET_RESET_PARAM");
static_assert(offsetof(VLNET_RESET_PARAM, network) == 6, "VLNET_RESET_PARAM");
static_assert(offsetof(VLNET_RESET_PARAM, alarm) == 7, "VLNET_RESET_PARAM");
static_assert(offsetof(VLNET_RESET_PARAM, device) == 8, "VLNET_RESET_PARAM");
static_assert(offsetof(VLNET_RESET_PARAM, system) == 9, "VLNET_RESET_PARAM");
static_assert(offsetof(VLNET_RESET_PARAM, advanced) == 10, "VLNET_RESET_PARAM");
static_assert(offsetof(VLNET_RESET_PARAM, intelligent) == 11, "VLNET_RESET_PARAM");
static_assert(offsetof(VLNET_RESET_PARAM, pairing) == 12, "VLNET_RESET_PARAM");
#else
_Static_assert(sizeof(VLNET_SEARCH_DEV_RSP) == 452, "VLNET_SEARCH_DEV_RSP");
_Static_assert(sizeof(VLNET_DEVICE_INFO) == 1232, "VLNET_DEVICE_INFO");
_Static_assert(VLNET_DEVICE_INFO_TYPE + VLNET_DEVICE_INFO_TEXT_SIZE <= VLNET_DEVICE_INFO_NAME
        && VLNET_DEVICE_INFO_NAME + VLNET_DEVICE_INFO_TEXT_SIZE <= VLNET_PARAM_DEVICE_INFO_SIZE,
    "message 700: name and type");
_Static_assert(sizeof(VLNET_HTTP_DEVICE_INFO) == 1512, "VLNET_HTTP_DEVICE_INFO");
_Static_assert(sizeof(VLNET_CHANNEL_STATUS) == 312, "VLNET_CHANNEL_STATUS");
_Static_assert(sizeof(VLNET_ALL_STATUS) == 2220, "VLNET_ALL_STATUS");
_Static_assert(sizeof(VLNET_RECORD_INFO) == 56, "VLNET_RECORD_INFO");
_Static_assert(sizeof(VLNET_RECORD_INFO_EX) == 76, "VLNET_RECORD_INFO_EX");
_Static_assert(sizeof(VLNET_NEW_DEV_INFO) == 744, "VLNET_NEW_DEV_INFO");
_Static_assert(sizeof(VLNET_CAPTURE) == 276, "VLNET_CAPTURE");
_Static_assert(sizeof(VLNET_PTZ_CONTROL) == 44, "VLNET_PTZ_CONTROL");
_Static_assert(sizeof(VLNET_P2P_CHECK) == 328, "VLNET_P2P_CHECK");
_Static_assert(sizeof(VLNET_ASYNC_JSON_REQUEST) == 21, "VLNET_ASYNC_JSON_REQUEST");
_Static_assert(sizeof(VLNET_PARAM_IMPORT) == 393256, "VLNET_PARAM_IMPORT");
_Static_assert(sizeof(VLNET_TIME_PARAM) == 292, "VLNET_TIME_PARAM");
_Static_assert(sizeof(VLNET_CHANNEL_MASK) == 36, "VLNET_CHANNEL_MASK");
_Static_assert(sizeof(VLNET_STREAM_PARAM) == VLNET_PARAM_STREAM_SIZE, "VLNET_STREAM_PARAM");
_Static_assert(offsetof(VLNET_STREAM_PARAM, custom_bitrate) == 10, "VLNET_STREAM_PARAM");
_Static_assert(offsetof(VLNET_STREAM_PARAM, fps) == 17, "VLNET_STREAM_PARAM");
_Static_assert(offsetof(VLNET_STREAM_PARAM, resolutions) == 20, "VLNET_STREAM_PARAM");
_Static_assert(offsetof(VLNET_STREAM_PARAM, video_enc_type) == 118, "VLNET_STREAM_PARAM");
_Static_assert(sizeof(VLNET_OSD_PARAM) == VLNET_PARAM_OSD_SIZE, "VLNET_OSD_PARAM");
_Static_assert(offsetof(VLNET_OSD_PARAM, name) == 16, "VLNET_OSD_PARAM");
_Static_assert(offsetof(VLNET_OSD_PARAM, show_name) == 56, "VLNET_OSD_PARAM");
_Static_assert(sizeof(VLNET_USER_HEADER) == VLNET_PARAM_USERS_HEADER_SIZE, "VLNET_USER_HEADER");
_Static_assert(sizeof(VLNET_USER_RECORD) == VLNET_PARAM_USERS_SIZE, "VLNET_USER_RECORD");
_Static_assert(offsetof(VLNET_USER_RECORD, password) == 8, "VLNET_USER_RECORD");
_Static_assert(offsetof(VLNET_USER_RECORD, password2) == 16, "VLNET_USER_RECORD");
_Static_assert(offsetof(VLNET_USER_RECORD, user_name) == 24, "VLNET_USER_RECORD");
_Static_assert(offsetof(VLNET_USER_RECORD, have_switch) == 34, "VLNET_USER_RECORD");
_Static_assert(offsetof(VLNET_USER_RECORD, c32_password) == 80, "VLNET_USER_RECORD");
_Static_assert(offsetof(VLNET_USER_RECORD, user_name2) == 112, "VLNET_USER_RECORD");
_Static_assert(offsetof(VLNET_PARAM_IMPORT, name) == 8, "VLNET_PARAM_IMPORT");
/* The reset record (message 521). */
_Static_assert(sizeof(VLNET_RESET_PARAM) == 24, "VLNET_RESET_PARAM");
_Static_assert(offsetof(VLNET_RESET_PARAM, display) == 4, "VLNET_RESET_PARAM");
_Static_assert(offsetof(VLNET_RESET_PARAM, network) == 6, "VLNET_RESET_PARAM");
_Static_assert(offsetof(VLNET_RESET_PARAM, alarm) == 7, "VLNET_RESET_PARAM");
_Static_assert(offsetof(VLNET_RESET_PARAM, device) == 8, "VLNET_RESET_PARAM");
_Static_assert(offsetof(VLNET_RESET_PARAM, system) == 9, "VLNET_RESET_PARAM");
_Static_assert(offsetof(VLNET_RESET_PARAM, advanced) == 10, "VLNET_RESET_PARAM");
_Static_assert(offsetof(VLNET_RESET_PARAM, intelligent) == 11, "VLNET_RESET_PARAM");
_Static_assert(offsetof(VLNET_RESET_PARAM, pairing) == 12, "VLNET_RESET_PARAM");
#endif
