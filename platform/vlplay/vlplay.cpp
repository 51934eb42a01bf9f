#include "vlplay.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

namespace
{
std::mutex g_lock;
int g_refs = 0;
std::FILE* g_log = nullptr;
bool g_console = false;

void logLine(const char* text)
{
    std::time_t t = std::time(nullptr);
    std::tm tm {};
    localtime_r(&t, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof(stamp), "[%Y-%m-%d %H:%M:%S] ", &tm);
    if (g_log) {
        std::fprintf(g_log, "%s%s\n", stamp, text);
        std::fflush(g_log);
    }
    if (g_console)
        std::fprintf(stderr, "VLPlay %s%s\n", stamp, text);
}
} // namespace

extern "C" {

int VLPLAY_CALL VLPlayInitPlayLib(int, int, const char*)
{
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_refs++ == 0)
        logLine("player library started");
    return 1;
}

int VLPLAY_CALL VLPlayDeinitPlayLib(void)
{
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_refs > 0 && --g_refs == 0)
        logLine("player library stopped");
    return 1;
}

int VLPLAY_CALL VLPlaySetMaxHardwareDecodeNumber(int)
{
    return 1;
}
int VLPLAY_CALL VLPlayRegisterPlayInfo(VLPLAY_PLAY_INFO* info)
{
    return info ? 1 : 0;
}
int VLPLAY_CALL VLPlayInitMoreInfo(VLPLAY_MORE_INFO* info)
{
    return info ? 1 : 0;
}

int VLPLAY_CALL VLPlayInitLog(VLPLAY_LOG_INFO* info)
{
    if (!info)
        return 0;
    char path[sizeof(info->file_path) + 1];
    std::memcpy(path, info->file_path, sizeof(info->file_path));
    path[sizeof(info->file_path)] = 0;
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_log)
        std::fclose(g_log);
    g_log = path[0] ? std::fopen(path, "a") : nullptr;
    logLine("log opened");
    return 1;
}

int VLPLAY_CALL VLPlayEnableConsoleLog(int enable)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_console = enable != 0;
    return 1;
}

} // extern "C"
