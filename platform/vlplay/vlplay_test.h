#pragma once
/* Test control of the VLPlay stand-in: not part of the player's interface.
   Tests make play handles, set what a player would know (played time,
   picture size, frame information, zoom, a local recording's results),
   make a call fail, read a handle's state, and read the player calls made
   with their arguments. Any thread. */
#include "vlplay.h"

#ifdef __cplusplus
extern "C" {
#endif

/* What the stand-in holds for one play handle. */
typedef struct VLPLAY_TEST_STATE {
    int32_t sound_on;
    int32_t volume;
    int32_t mute;
    int32_t colour;
    int32_t fish_mode;
    int32_t zoomed;
    int32_t pos_frame;
    int32_t pictures; /* uploaded pictures held */
    int32_t view_left, view_right, view_top, view_bottom; /* the last view area */
    int32_t lost; /* VLPlayLostPlay calls */
    int32_t resets; /* VLPlayResetPlay calls */
    int32_t recording; /* a local recording runs */
} VLPLAY_TEST_STATE;

/* A new play handle, at rest: sound off, volume 50, nothing played, no
   picture. 0 when none is left. */
VLPLAY_API int32_t VLPLAY_CALL VLPlayTestCreateHandle(void);
/* Forgets the handle and its pictures. 0, or -1 for an unknown handle. */
VLPLAY_API int VLPLAY_CALL VLPlayTestDestroyHandle(int32_t handle);
/* Forgets every handle, every failing call and every recorded call. */
VLPLAY_API void VLPLAY_CALL VLPlayTestReset(void);

/* What the player of the handle knows. Each answers 0, or -1 for an
   unknown handle. */
VLPLAY_API int VLPLAY_CALL VLPlayTestSetPlayedTime(int32_t handle, uint64_t microseconds);
VLPLAY_API int VLPLAY_CALL VLPlayTestSetPictureSize(int32_t handle, int32_t width, int32_t height);
/* Either record may be null (that one is left as it is). */
VLPLAY_API int VLPLAY_CALL VLPlayTestSetFrameInfo(
    int32_t handle, const VLPLAY_FRAME_INFO* decoded, const VLPLAY_FRAME_INFO* net);
VLPLAY_API int VLPLAY_CALL VLPlayTestSetZoomed(int32_t handle, int32_t zoomed);
/* A local recording runs; VLPlayStoplocalrecord ends it with these results. */
VLPLAY_API int VLPLAY_CALL VLPlayTestStartRecording(int32_t handle, uint64_t first, uint64_t second);
VLPLAY_API int VLPLAY_CALL VLPlayTestGetState(int32_t handle, VLPLAY_TEST_STATE* state);

/* While fail is non-zero, the call of that name (such as "VLPlayOpenSound")
   answers failure on every handle: -1, 0 from VLPlayGetCurPlayedTime,
   nothing written. */
VLPLAY_API void VLPLAY_CALL VLPlayTestFailCall(const char* name, int fail);

/* The player-handle calls made since the last reset or take (the most
   recent megabyte of them), oldest first,
   one line each: the call's name and its arguments in decimal, separated by
   single spaces, as in "VLPlayAdjustViewArea 3 0 1920 0 1080" (pointers to
   results and records are not shown; an upload shows its size). Answers
   the length of the whole text; when the text and its NUL fit into size
   bytes it copies them and forgets the calls, otherwise it writes nothing
   and keeps them. */
VLPLAY_API int VLPLAY_CALL VLPlayTestTakeCalls(char* out, int size);

#ifdef __cplusplus
}

static_assert(sizeof(VLPLAY_TEST_STATE) == 60, "VLPLAY_TEST_STATE");
#endif
