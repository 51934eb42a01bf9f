#pragma once
/* Export and calling-convention macros of VLSDKWrapper.
     VL_API   marks a function as part of the library's C interface.
     VL_CALL  the calling convention of every callback a caller hands to the
              library (stdcall on 32-bit Windows, nothing elsewhere). The
              exports themselves use the plain C convention.
     VL_EXTERN_C  extern "C" for C++ includers, nothing for C. */
#if defined(_WIN32)
#define VL_CALL __stdcall
#if defined(VLSDKWRAPPER_BUILDING)
#define VL_API __declspec(dllexport)
#else
#define VL_API __declspec(dllimport)
#endif
#else
#define VL_CALL
#define VL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#define VL_EXTERN_C extern "C"
#else
#define VL_EXTERN_C
#endif
