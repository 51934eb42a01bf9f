#ifndef VL_API_H
#define VL_API_H
/* Export and calling-convention macros of VLSDKWrapper.
     VL_API   marks a function as part of the library's C interface.
     VL_CALL  the calling convention of every callback a caller hands to the
              library (stdcall on 32-bit Windows, nothing elsewhere). The
              exports themselves use the plain C convention. */
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

#endif /* VL_API_H */
