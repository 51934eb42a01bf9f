#ifndef VL_VERSION_H
#define VL_VERSION_H
/* The version of the VLSDKWrapper interface this header describes. The major
   number changes when an export changes or goes away (and with it the
   shared library's SONAME); the minor number when exports are added; the
   patch number for fixes alone. */
#define VL_SDK_WRAPPER_VERSION_MAJOR 1
#define VL_SDK_WRAPPER_VERSION_MINOR 0
#define VL_SDK_WRAPPER_VERSION_PATCH 0

/* One number for comparisons: 0xMMmmpp. */
#define VL_SDK_WRAPPER_VERSION                                                                               \
    ((VL_SDK_WRAPPER_VERSION_MAJOR << 16) | (VL_SDK_WRAPPER_VERSION_MINOR << 8)                              \
        | VL_SDK_WRAPPER_VERSION_PATCH)

#endif /* VL_VERSION_H */
