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

VLNET_API int VLNET_CALL VLNetInit(void);
VLNET_API int VLNET_CALL VLNetRelease(void);

#ifdef __cplusplus
}
#endif
