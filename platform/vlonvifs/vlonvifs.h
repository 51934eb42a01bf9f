#pragma once
// VLOnvifs: the ONVIF client library. Our own stand-in.
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

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

/* ---- Start-up ------------------------------------------------------- */

/* Reference-counted start-up. Returns 1. */
VLONVIFS_API int VLONVIFS_CALL VLOnvifInit(void);
/* Search time-outs in seconds (probe, match, answer). Returns false only when
   the test switch VLONVIFS_FAIL_SEARCH_TIMEOUT=1 is set in the environment. */
VLONVIFS_API bool VLONVIFS_CALL VLOnvifSetSearchTimeout(int probe, int match, int answer);
VLONVIFS_API int VLONVIFS_CALL VLOnvifRelease(void);

#ifdef __cplusplus
}
#endif
