#pragma once
// VLPlay: the player and decoder library. Our own stand-in.
#include <stdint.h>

#if defined(_WIN32)
#define VLPLAY_CALL __stdcall
#if defined(VLPLAY_BUILDING)
#define VLPLAY_API __declspec(dllexport)
#else
#define VLPLAY_API __declspec(dllimport)
#endif
#else
#define VLPLAY_CALL
#define VLPLAY_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Start-up and logging ------------------------------------------- */

/* Echo cancellation and rendering (VLPlayRegisterPlayInfo). */
typedef struct VLPLAY_PLAY_INFO {
    const char* aec_model1_file;
    const char* aec_model2_file;
    const char* aec_model_key;
    int32_t near_volume;
    uint8_t hw_render;
    uint8_t hw_render_d3d11;
    uint8_t reserved[250];
} VLPLAY_PLAY_INFO;

/* Extra start-up information (VLPlayInitMoreInfo). */
typedef struct VLPLAY_MORE_INFO {
    const char* cache_directory;
    uint8_t reserved[256];
} VLPLAY_MORE_INFO;

/* Log set-up (VLPlayInitLog). */
typedef struct VLPLAY_LOG_INFO {
    char file_path[256]; /* NUL-terminated, directory + "/VLPlay.txt" */
    const char* directory;
    const char* json;
    uint8_t reserved[252];
} VLPLAY_LOG_INFO;

/* Reference-counted start-up; module_dir may be null. Returns 1. */
VLPLAY_API int VLPLAY_CALL VLPlayInitPlayLib(int kind, int flags, const char* module_dir);
VLPLAY_API int VLPLAY_CALL VLPlayDeinitPlayLib(void);
VLPLAY_API int VLPLAY_CALL VLPlaySetMaxHardwareDecodeNumber(int count);
VLPLAY_API int VLPLAY_CALL VLPlayRegisterPlayInfo(VLPLAY_PLAY_INFO* info);
VLPLAY_API int VLPLAY_CALL VLPlayInitMoreInfo(VLPLAY_MORE_INFO* info);
/* Writes VLPlay's own log to info->file_path. */
VLPLAY_API int VLPLAY_CALL VLPlayInitLog(VLPLAY_LOG_INFO* info);
VLPLAY_API int VLPLAY_CALL VLPlayEnableConsoleLog(int enable);

#ifdef __cplusplus
}
#endif
