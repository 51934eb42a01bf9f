// Qt's offscreen platform plugin, the platform of every GUI test, never frees
// its screen and cursor objects. Those leaks are Qt's, not ours; everything
// else is still reported.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VL_LSAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VL_LSAN 1
#endif

#ifdef VL_LSAN
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions()
{
    return "leak:libqoffscreen\n";
}
#endif
