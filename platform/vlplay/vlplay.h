#pragma once
// VLPlay: the player and decoder library. Our own stand-in.
#include <stddef.h>
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

/* ---- Recorded files (record_file.h; the format: RECORD_FILE.md) ------ */

/* Open results of VLPlayOpenPlayFile and VLPlayNewOpenPlayFileListExV1. */
#define VLPLAY_OPEN_OK 1
#define VLPLAY_OPEN_MISSING (-2) /* no such file */
#define VLPLAY_OPEN_UNREADABLE (-3) /* it cannot be read */
#define VLPLAY_OPEN_NEED_PASSWORD (-4) /* protected; no or another password */
#define VLPLAY_OPEN_STANDARD_MP4 (-5) /* a standard MP4 container */
#define VLPLAY_OPEN_UNKNOWN_MP4 (-6) /* an MP4 container of another brand */
#define VLPLAY_OPEN_UNDECODABLE (-7) /* not a recording this player decodes */
#define VLPLAY_OPEN_BAD_CHECKSUM (-8) /* a checksum does not match */

/* One file of VLPlayNewOpenPlayFileListExV1, 1376 bytes; zero-fill it. */
typedef struct VLPLAY_PLAY_FILE {
    char file_name[1056]; /* NUL-terminated */
    char password[64]; /* NUL-terminated; empty for none */
    int32_t comv_index;
    uint8_t reserved[252];
} VLPLAY_PLAY_FILE;
#ifdef __cplusplus
static_assert(sizeof(VLPLAY_PLAY_FILE) == 1376, "VLPLAY_PLAY_FILE");
static_assert(offsetof(VLPLAY_PLAY_FILE, password) == 1056, "VLPLAY_PLAY_FILE");
static_assert(offsetof(VLPLAY_PLAY_FILE, comv_index) == 1120, "VLPLAY_PLAY_FILE");
#endif

/* The file list of VLPlayNewOpenPlayFileListExV1; read during the call. */
typedef struct VLPLAY_PLAY_FILE_LIST {
    const VLPLAY_PLAY_FILE* entries;
    int32_t count; /* the stand-in plays one file: 1 */
} VLPLAY_PLAY_FILE_LIST;

/* A player instance: a positive handle, or 0 (kind is kept). Free it with
   VLPlayDestroyPlayInstance, which also closes its file. */
VLPLAY_API int VLPLAY_CALL VLPlayCreatePlayInstance(int kind);
/* Returns 1, 0 for an unknown handle. */
VLPLAY_API int VLPLAY_CALL VLPlayDestroyPlayInstance(int handle);
/* Opens a recording (no password) on the instance, closing the one it held.
   Returns VLPLAY_OPEN_OK or an open result above; -1 for an unknown handle
   or a null name. */
VLPLAY_API int VLPLAY_CALL VLPlayOpenPlayFile(int handle, const char* file);
/* The same for the first entry of a list of count 1, with its password. */
VLPLAY_API int VLPLAY_CALL VLPlayNewOpenPlayFileListExV1(int handle, const VLPLAY_PLAY_FILE_LIST* list);
/* The open file's first and last frame times (microseconds since 1970,
   UTC). Returns 1, 0 when no file is open or an argument is null. */
VLPLAY_API int VLPLAY_CALL VLPlayGetPlayFileTimeRange(int handle, uint64_t* begin, uint64_t* end);
/* The open file's key frames; 0 when no file is open. */
VLPLAY_API int VLPLAY_CALL VLPlayGetKeyFrameCount(int handle);
/* Closes the instance's file. Returns 1, 0 when none was open. */
VLPLAY_API int VLPLAY_CALL VLPlayClosePlayFile(int handle);

#ifdef __cplusplus
}
#endif
