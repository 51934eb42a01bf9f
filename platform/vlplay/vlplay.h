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

VLPLAY_API int VLPLAY_CALL VLPlayInitPlayLib(void);
VLPLAY_API int VLPLAY_CALL VLPlayDeinitPlayLib(void);

#ifdef __cplusplus
}
#endif
