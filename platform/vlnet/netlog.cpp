#include "netlog.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace vlnet
{

namespace
{
std::mutex g_lock;
std::FILE* g_file = nullptr;
bool g_console = false;
} // namespace

void logOpen(const std::string& path)
{
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_file) {
        std::fclose(g_file);
        g_file = nullptr;
    }
    if (!path.empty())
        g_file = std::fopen(path.c_str(), "a");
}

void logConsole(bool on)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_console = on;
}

void logLine(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    int ms = int(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm tm {};
    localtime_r(&t, &tm);
    char stamp[64];
    std::snprintf(stamp, sizeof(stamp), "[%04d-%02d-%02d %02d:%02d:%02d.%03d] ", tm.tm_year + 1900,
        tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, ms);
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_file) {
        std::fprintf(g_file, "%s%s\n", stamp, text);
        std::fflush(g_file);
    }
    if (g_console)
        std::fprintf(stderr, "VLNet %s%s\n", stamp, text);
}

} // namespace vlnet
