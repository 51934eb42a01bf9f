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

/* ---- Player handles ------------------------------------------------- */
/* A play handle is a 32-bit id of one player (0: none). Every call below
   answers failure for 0 and for a handle the player does not know; the
   caller's thread runs each call, any thread may call. */

/* A callback of the player's callback record (VLPlayRegisterManyCallbacks),
   handed to the player unchanged; its slot in that record gives it its
   real shape. */
typedef void(VLPLAY_CALL* VLPLAY_CALLBACK)(void);
/* Draws over a handle's picture: surface is the player's drawing surface of
   the frame being shown, valid during the call only. */
typedef void(VLPLAY_CALL* VLPLAY_DRAW_CALLBACK)(int32_t handle, void* surface, void* user);

/* Frame information of the played stream (VLPlayGetFrameInfo,
   VLPlayGetNetFrameInfo), 264 bytes; the player fills the first two words,
   the rest is its own. */
typedef struct VLPLAY_FRAME_INFO {
    int32_t frame_rate; /* frames per second */
    int32_t bit_rate; /* kilobits per second */
    uint8_t reserved[256];
} VLPLAY_FRAME_INFO;

/* The record of VLPlayLostPlay and VLPlayResetPlay, 256 bytes; zero-fill it. */
typedef struct VLPLAY_PLAY_RESET {
    uint8_t reserved[256];
} VLPLAY_PLAY_RESET;

#ifdef __cplusplus
static_assert(sizeof(VLPLAY_FRAME_INFO) == 264, "VLPLAY_FRAME_INFO");
static_assert(sizeof(VLPLAY_PLAY_RESET) == 256, "VLPLAY_PLAY_RESET");
#endif

/* Sound of the handle's stream on or off: 0, or -1 for an unknown handle. */
VLPLAY_API int VLPLAY_CALL VLPlayOpenSound(int32_t handle);
VLPLAY_API int VLPLAY_CALL VLPlayCloseSound(int32_t handle);
/* Volume 0 to 100 (a new handle plays at 50): 0, or -1 for another volume
   or an unknown handle. */
VLPLAY_API int VLPLAY_CALL VLPlaySetPlayVolume_s(int32_t handle, int32_t volume);
/* The volume, or -1 for an unknown handle. */
VLPLAY_API int VLPLAY_CALL VLPlayGetPlayVolume_s(int32_t handle);
/* Mute on (non-zero) or off; the volume is kept. 0 or -1. */
VLPLAY_API int VLPLAY_CALL VLPlaySetMute_s(int32_t handle, int32_t on);
/* Ends the handle's local recording and writes its two results: the
   microsecond times of its first and last frame (either pointer may be
   null). 0, or -1 when no local recording runs (nothing written). */
VLPLAY_API int VLPLAY_CALL VLPlayStoplocalrecord(int32_t handle, uint64_t* first, uint64_t* second);
/* Captures the shown picture into the caller's picture buffer, described by
   three words whose meaning is the player's. 0, or -1 when no picture is
   shown. */
VLPLAY_API int VLPLAY_CALL VLPlayCapturePictureToBuf(
    int32_t handle, uintptr_t word1, uintptr_t word2, uintptr_t word0);
/* The played position: microseconds since 1970-01-01 00:00:00 UTC, 0 when
   nothing has played (or for an unknown handle). */
VLPLAY_API uint64_t VLPLAY_CALL VLPlayGetCurPlayedTime(int32_t handle);
/* The fisheye display mode. 0 or -1. */
VLPLAY_API int VLPLAY_CALL VLPlayFishSetMode(int32_t handle, int32_t mode);
/* 1 while the window shows a zoomed part of the picture, else 0. */
VLPLAY_API int VLPLAY_CALL VLPlayWindowInZoomStatus(int32_t handle);
/* Drawing over the picture: the colour of later drawings, then shapes and
   texts whose arguments (points, sizes, texts) are the player's own words,
   taken as given. 0 or -1. */
VLPLAY_API int VLPLAY_CALL VLPlaySetColor(int32_t handle, int32_t colour);
VLPLAY_API int VLPLAY_CALL VLPlayDrawLine(int32_t handle, intptr_t a, intptr_t b);
VLPLAY_API int VLPLAY_CALL VLPlayDrawRect(int32_t handle, intptr_t a, intptr_t b);
VLPLAY_API int VLPLAY_CALL VLPlayDrawSolidRect(int32_t handle, intptr_t a, intptr_t b, intptr_t c);
VLPLAY_API int VLPLAY_CALL VLPlayDrawHollowCircle(int32_t handle, intptr_t a, intptr_t b);
VLPLAY_API int VLPLAY_CALL VLPlayDrawText(int32_t handle, intptr_t a, intptr_t b);
/* Keeps a copy of a picture (size bytes at data) for VLPlayDrawPicture and
   answers its id (1, 2, ... per handle), or -1 for no data or a size of 0
   or less. */
VLPLAY_API int VLPLAY_CALL VLPlayUploadPictureFromMemory(int32_t handle, const void* data, int32_t size);
/* 0, or -1 for an id the handle does not hold. */
VLPLAY_API int VLPLAY_CALL VLPlayDeletePicture(int32_t handle, int32_t id);
VLPLAY_API int VLPLAY_CALL VLPlayDrawPicture(int32_t handle, int32_t id, intptr_t a, intptr_t b);
/* The size of the decoded picture (0 x 0 before the first frame). 0, or -1
   for a null pointer (nothing written). */
VLPLAY_API int VLPLAY_CALL VLPlayGetPlayPicSize(int32_t handle, int32_t* width, int32_t* height);
/* Shows only the part of the picture from left to right and top to bottom
   (picture pixels) in the window. 0 or -1. */
VLPLAY_API int VLPLAY_CALL VLPlayAdjustViewArea(
    int32_t handle, int32_t left, int32_t right, int32_t top, int32_t bottom);
/* The frame information of the decoded stream, or of the stream as it
   arrives from the network. 0, or -1 for a null record. */
VLPLAY_API int VLPLAY_CALL VLPlayGetFrameInfo(int32_t handle, VLPLAY_FRAME_INFO* info);
VLPLAY_API int VLPLAY_CALL VLPlayGetNetFrameInfo(int32_t handle, VLPLAY_FRAME_INFO* info);
/* The stream lost frames, or starts anew: the player drops what it holds.
   0, or -1 for a null record. */
VLPLAY_API int VLPLAY_CALL VLPlayLostPlay(int32_t handle, const VLPLAY_PLAY_RESET* info);
VLPLAY_API int VLPLAY_CALL VLPlayResetPlay(int32_t handle, const VLPLAY_PLAY_RESET* info);
/* Marks the position frame of the picture on (non-zero) or off. 0 or -1. */
VLPLAY_API int VLPLAY_CALL VLPlayEnablePosFrame(int32_t handle, int32_t enable);

#ifdef __cplusplus
}
#endif
