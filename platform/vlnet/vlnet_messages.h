#pragma once
/* VLNet: the device messages a logged-in device sends (MESSAGE frames,
   delivered through the message callback of VLNetConnectionStartV1) and
   the records they carry. Like every record of vlnet.h these are
   pointer-free, little-endian and travel byte-exact; a device may send a
   shorter record (the rest reads as zero) or a longer one. Times are
   VLNET_TIME; texts are NUL-terminated inside their slot unless they fill
   it. */
#include "vlnet.h"

#include <stdint.h>

/* ---- Message ids -------------------------------------------------------- */

#define VLNET_MSG_CHARGE_POWER 184 /* VLNET_ALARM_INFO: charge state per channel */
#define VLNET_MSG_POWER_CHANGE 185 /* VLNET_ALARM_INFO: power state per channel */
#define VLNET_MSG_PIR_ALARM 187
#define VLNET_MSG_VLOSS_ALARM 189 /* VLNET_ALARM_INFO: video loss per channel */
#define VLNET_MSG_DEV_STAT_REPORT 190
#define VLNET_MSG_MOTION_ALARM 191
#define VLNET_MSG_IO_ALARM 192
#define VLNET_MSG_FTP_UPGRADE_ALARM 203 /* VLNET_FTP_UPGRADE_STATE */
#define VLNET_MSG_INTEL_PEA_ALARM 205 /* VLNET_INTEL_PEA_ALARM_SIZE bytes */
#define VLNET_MSG_OSC_RULE_ALARM 206 /* VLNET_OSC_RULE_ALARM_SIZE bytes */
#define VLNET_MSG_VIDEO_HIDE_ALARM 207 /* VLNET_VIDEO_HIDE_ALARM */
#define VLNET_MSG_RECORD_STATUS_REPORT 212 /* VLNET_RECORD_STATUS_REPORT */
#define VLNET_MSG_HDD_STATUS_REPORT 213 /* VLNET_HDD_STATUS_REPORT */
#define VLNET_MSG_INTEL_IPC_PEA_ALARM 215
#define VLNET_MSG_IPC_OSC_ALARM 216
#define VLNET_MSG_INTEL_IPC_PEA_AREA_ALARM 218
#define VLNET_MSG_ALARM_INT_MANAGE 251 /* smart alarm */
#define VLNET_MSG_ALARM_FISHEYE_IPC_STAT 252 /* VLNET_FISHEYE_IPC_STAT */
#define VLNET_MSG_ALARM_PTZ_IPC_STAT 253 /* VLNET_PTZ_IPC_STAT */
#define VLNET_MSG_CH_NAME_CHANGE 255 /* VLNET_NAME_CHANGE */
#define VLNET_MSG_DEV_NAME_CHANGE 256 /* VLNET_NAME_CHANGE */
#define VLNET_MSG_DEV_PARAM_CHANGE_REPORT 257 /* VLNET_PARAM_CHANGE_REPORT */
#define VLNET_MSG_DEV_PREVIEW_CHANGE_REPORT 258 /* VLNET_PREVIEW_CHANGE_REPORT */
#define VLNET_MSG_DEV_CH_MODE_REPORT 259 /* VLNET_ALARM_INFO */
#define VLNET_MSG_SOUND_ALARM_REPORT 272
#define VLNET_MSG_AUDIO_REPORT 274 /* VLNET_ALARM_INFO: audio state per channel */
#define VLNET_MSG_SAM_PC_ALARM_REPORT 279 /* VLNET_USER_PREVIEW_REPORT */
#define VLNET_MSG_PWD_CHANGE 285
#define VLNET_MSG_CUSTOM_REPORT_INFO 286 /* VLNET_CUSTOM_REPORT */
#define VLNET_MSG_ALARM_JSON_INFO 287 /* a JSON text, no record */
#define VLNET_MSG_GET_REMOTE_PARAM 615 /* VLNET_REMOTE_PARAM_INFO */
/* JSON texts (the id is negative as a 32-bit value, 0xFFDC.. as 16 bits). */
#define VLNET_MSG_DEVICE_INFO_TEXT (-36)
#define VLNET_MSG_CHANNEL_INFO_TEXT (-35)
#define VLNET_MSG_ALARM_LIST (-34)
#define VLNET_MSG_SWITCH_ALARM_STATUS (-33)

/* The alarms 187, 191, 192, 215, 216, 218, 251, 272 and 285 carry a
   VLNET_ALARM_INFO when the device-information record has
   VLNET_F247_GET_ALARM_CHNS set, else a VLNET_ALARM_SHORT. A camera names
   the alarm's channel by its bit in `channel` and the state in `status`; a
   recorder sends the channels it reports as a mask and their states as bits
   of `status` (channels 32 and up in channel_ex and status_ex). */

/* The channel record of alarms and per-channel reports, 616 bytes. Channel
   c >= 32 is bit c % 32 of word (c - 32) / 32 of channel_ex and status_ex. */
typedef struct VLNET_ALARM_INFO {
    uint32_t channel; /* channel, or mask of channels 0..31 */
    int32_t status; /* state, or state bits of channels 0..31 */
    VLNET_TIME time;
    int8_t rec_state;
    int8_t cur_rec_type;
    int8_t schedule;
    int8_t rec_enable;
    uint32_t protocol_type;
    uint32_t abilities;
    uint32_t channel_ex[8];
    uint32_t status_ex[8];
    uint32_t ipc_dev_type_flag;
    uint8_t msg_valid_flag_ipc_web;
    uint8_t input_num;
    uint8_t output_num;
    uint8_t box_flags; /* bit 0 box enable, bit 1 box display */
    uint32_t alarm_type; /* smart alarms: VLNET_SMART_* bits */
    uint8_t power_state[448]; /* one byte per channel */
    uint8_t chn_mode;
    uint8_t reserved553[7];
    uint32_t abilities_ex;
    uint8_t wireless_ipc_type;
    uint8_t reserved565[51];
} VLNET_ALARM_INFO;

/* The short alarm record, 36 bytes. */
typedef struct VLNET_ALARM_SHORT {
    uint32_t channel;
    int32_t status;
    VLNET_TIME time;
    uint32_t protocol_type;
    uint32_t abilities;
    uint32_t alarm_type;
    uint8_t ipc_dev_type_flag;
    uint8_t msg_valid_flag_ipc_web;
    uint8_t reserved30[2];
    uint32_t abilities_ex;
} VLNET_ALARM_SHORT;

/* Bits of the alarm-type word of a smart alarm (and of the all-status
   record's intelligent_status). */
#define VLNET_SMART_LCD 0x008u /* line crossing */
#define VLNET_SMART_SOD 0x020u /* stationary object */
#define VLNET_SMART_PID 0x040u /* intrusion */
#define VLNET_SMART_PD 0x080u /* pedestrian */
#define VLNET_SMART_FD 0x100u /* face */
#define VLNET_SMART_CC 0x200u /* cross counting */

/* 113: a login refused for the address. 528 bytes. */
typedef struct VLNET_LOGIN_FORBID_IP_INFO {
    uint32_t reserved0;
    int32_t times;
    VLNET_TIME time;
    char mac[32];
    char serial_number[480];
} VLNET_LOGIN_FORBID_IP_INFO;

/* 203: progress of an FTP upgrade. */
typedef struct VLNET_FTP_UPGRADE_STATE {
    uint8_t pos;
    uint8_t status;
    uint8_t reserved2[2];
} VLNET_FTP_UPGRADE_STATE;

#define VLNET_INTEL_PEA_ALARM_SIZE 8448
#define VLNET_OSC_RULE_ALARM_SIZE 272

/* 207: lens cover (video hide) alarm, 20 bytes. */
typedef struct VLNET_VIDEO_HIDE_ALARM {
    uint32_t channel; /* the channel's bit */
    uint32_t status;
    VLNET_TIME time;
    int8_t rec_state;
    uint8_t reserved17[3];
} VLNET_VIDEO_HIDE_ALARM;

/* 212: a recording started or ended for a reason, 32 bytes. */
typedef struct VLNET_RECORD_STATUS_REPORT {
    uint32_t type;
    VLNET_TIME time;
    uint32_t channel_num;
    uint8_t record_status;
    uint8_t reserved17[3];
    uint32_t all_chan_rec_state;
    uint8_t reserved24[8];
} VLNET_RECORD_STATUS_REPORT;

/* 213: disk state, 44 bytes. */
typedef struct VLNET_HDD_STATUS_REPORT {
    uint8_t hdd_status;
    uint8_t reserved1[3];
    char hdd_sn[32];
    VLNET_TIME time;
} VLNET_HDD_STATUS_REPORT;

/* 252: fisheye camera state, 16 bytes. */
typedef struct VLNET_FISHEYE_IPC_STAT {
    uint8_t reserved0[2];
    uint8_t cur_stream_num;
    uint8_t reserved3[13];
} VLNET_FISHEYE_IPC_STAT;

/* 253: zoom and focus state, 56 bytes. */
typedef struct VLNET_PTZ_IPC_STAT {
    uint32_t reserved0;
    uint32_t channel_mask;
    uint32_t cur_zoom_value;
    uint32_t zoom_step;
    uint32_t cur_focus_value;
    uint32_t focus_step;
    uint8_t auto_focus_state;
    uint8_t reserved25[31];
} VLNET_PTZ_IPC_STAT;

/* 255 (a channel's name) and 256 (the device's name), 264 bytes. */
typedef struct VLNET_NAME_CHANGE {
    uint32_t reserved0;
    uint32_t chn;
    char name[256];
} VLNET_NAME_CHANGE;

/* 257: a settings page changed, 140 bytes. */
typedef struct VLNET_PARAM_CHANGE_REPORT {
    uint32_t reserved0;
    uint32_t chn;
    uint32_t page_type;
    uint8_t reserved12[128];
} VLNET_PARAM_CHANGE_REPORT;

/* 258: live-view settings changed, 72 bytes. */
typedef struct VLNET_PREVIEW_CHANGE_REPORT {
    uint32_t reserved0;
    uint32_t chn;
    uint8_t flood_light_mode;
    uint8_t flood_light_value;
    uint8_t audio_alarm_switch;
    uint8_t flash_light;
    uint8_t line_out_volume;
    uint8_t flash_frequency;
    uint8_t is_dualtalk_working;
    uint8_t reserved15[57];
} VLNET_PREVIEW_CHANGE_REPORT;

/* 279: the preview rights of the users, 312 bytes. */
typedef struct VLNET_USER_PREVIEW {
    uint32_t preview_channel[8];
    uint8_t user_preview;
    uint8_t reserved33[7];
} VLNET_USER_PREVIEW;

typedef struct VLNET_USER_PREVIEW_REPORT {
    VLNET_USER_PREVIEW users[7];
    uint32_t preview_covert[8];
} VLNET_USER_PREVIEW_REPORT;

/* 286: a custom report, 768 bytes. */
typedef struct VLNET_CUSTOM_REPORT {
    int32_t structsize;
    int32_t type;
    int32_t alarm_switch;
    char reserve[756];
} VLNET_CUSTOM_REPORT;

/* 615: the device's firmware versions and upgrade message, 1056 bytes. */
typedef struct VLNET_REMOTE_PARAM_INFO {
    char old_version[8];
    char new_version[8];
    char model[16];
    char message[512];
    char old_version_ex[32];
    char new_version_ex[32];
    uint8_t reserved608[448];
} VLNET_REMOTE_PARAM_INFO;

#ifdef __cplusplus
#define VLNET_MESSAGE_SIZE(type, size) static_assert(sizeof(type) == size, #type)
#else
#define VLNET_MESSAGE_SIZE(type, size) _Static_assert(sizeof(type) == size, #type)
#endif
VLNET_MESSAGE_SIZE(VLNET_ALARM_INFO, 616);
VLNET_MESSAGE_SIZE(VLNET_ALARM_SHORT, 36);
VLNET_MESSAGE_SIZE(VLNET_LOGIN_FORBID_IP_INFO, 528);
VLNET_MESSAGE_SIZE(VLNET_FTP_UPGRADE_STATE, 4);
VLNET_MESSAGE_SIZE(VLNET_VIDEO_HIDE_ALARM, 20);
VLNET_MESSAGE_SIZE(VLNET_RECORD_STATUS_REPORT, 32);
VLNET_MESSAGE_SIZE(VLNET_HDD_STATUS_REPORT, 44);
VLNET_MESSAGE_SIZE(VLNET_FISHEYE_IPC_STAT, 16);
VLNET_MESSAGE_SIZE(VLNET_PTZ_IPC_STAT, 56);
VLNET_MESSAGE_SIZE(VLNET_NAME_CHANGE, 264);
VLNET_MESSAGE_SIZE(VLNET_PARAM_CHANGE_REPORT, 140);
VLNET_MESSAGE_SIZE(VLNET_PREVIEW_CHANGE_REPORT, 72);
VLNET_MESSAGE_SIZE(VLNET_USER_PREVIEW_REPORT, 312);
VLNET_MESSAGE_SIZE(VLNET_CUSTOM_REPORT, 768);
VLNET_MESSAGE_SIZE(VLNET_REMOTE_PARAM_INFO, 1056);
#undef VLNET_MESSAGE_SIZE
