#pragma once
// VLNet: the device network SDK (search, sessions, parameters, media).
// This is our own stand-in; it talks to the device simulator.
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
    char main_server_addr[128];   /* NUL-terminated */
    int32_t main_server_port;
    char sub_server_addr[128];    /* NUL-terminated */
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
    char file_path[256];          /* NUL-terminated, directory + "/VLNet.txt" */
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
/* 1 encrypts the session traffic. Returns 1. */
VLNET_API int VLNET_CALL VLNetSetEncription(int enable);
/* Writes VLNet's own log to info->file_path. Returns 1, 0 for a null record. */
VLNET_API int VLNET_CALL VLNetInitLog(VLNET_LOG_INFO* info);
/* Accepted and kept; no effect in the stand-in. Returns 1. */
VLNET_API int VLNET_CALL VLNetInitP2PServerInfo(VLNET_P2P_SERVER_INFO* info);
/* Mirrors VLNet's log to stderr when enable is non-zero. Returns 1. */
VLNET_API int VLNET_CALL VLNetEnableConsoleLog(int enable);

#ifdef __cplusplus
}
#endif
