#pragma once
// VLOnvifs: the ONVIF client library. Our own stand-in.
#include <stdint.h>

#if defined(_WIN32)
#define VLONVIFS_CALL __stdcall
#if defined(VLONVIFS_BUILDING)
#define VLONVIFS_API __declspec(dllexport)
#else
#define VLONVIFS_API __declspec(dllimport)
#endif
#else
#define VLONVIFS_CALL
#define VLONVIFS_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

VLONVIFS_API int VLONVIFS_CALL VLOnvifInit(void);
VLONVIFS_API int VLONVIFS_CALL VLOnvifRelease(void);

#ifdef __cplusplus
}
#endif
