#include "core/log.h"

#include "core/export_guard.h"
#include "core/time_text.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace
{

// Never destroyed: SDK threads may still log while the library unloads.
std::recursive_mutex& log_lock()
{
    static auto* lock = new std::recursive_mutex;
    return *lock;
}

FILE* g_file = nullptr; // guarded by log_lock()
vl_log_callback g_callback = nullptr; // guarded by log_lock()
std::atomic<bool> g_has_sink { false }; // lets write_log skip formatting when nothing listens
thread_local int g_depth = 0; // lines being written by this thread right now

// A callback that logs on every line it receives would recurse without end;
// lines nested deeper than this are dropped.
constexpr int kMaxDepth = 8;

void update_sink()
{
    g_has_sink.store(g_file != nullptr || g_callback != nullptr, std::memory_order_release);
}

struct depth_guard {
    depth_guard() { ++g_depth; }
    ~depth_guard() { --g_depth; }
    depth_guard(const depth_guard&) = delete;
    depth_guard& operator=(const depth_guard&) = delete;
};

bool file_larger_than(const std::string& path, int64_t limit)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(std::filesystem::u8path(path), ec);
    return !ec && size > static_cast<uintmax_t>(limit);
}

} // namespace

void write_log(const char* format, ...) noexcept
{
    if (!format || !g_has_sink.load(std::memory_order_acquire))
        return;
    char line[vlsdk::kLogLineSize];
    const std::tm tm = vlsdk::local_now();
    const int prefix = std::snprintf(line, sizeof line, "[%04d-%02d-%02d %02d:%02d:%02d] ", tm.tm_year + 1900,
        tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    if (prefix <= 0 || prefix >= static_cast<int>(sizeof line))
        return;
    const size_t room = sizeof line - static_cast<size_t>(prefix);
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(line + prefix, room, format, args);
    va_end(args);
    if (length <= 0 || static_cast<size_t>(length) >= room)
        return;
    try {
        std::lock_guard<std::recursive_mutex> hold(log_lock());
        if (g_depth >= kMaxDepth)
            return;
        depth_guard nested;
        if (g_callback)
            g_callback(line, nullptr);
        // The callback may have closed or opened the file: look again.
        if (g_file) {
            std::fwrite(line, 1, static_cast<size_t>(prefix + length), g_file);
            std::fflush(g_file);
        }
    } catch (...) {
        // A lock that cannot be taken or a throwing callback loses this line only.
    }
}

namespace vlsdk
{

void log_set_callback(vl_log_callback callback) noexcept
{
    try {
        std::lock_guard<std::recursive_mutex> hold(log_lock());
        g_callback = callback;
        update_sink();
    } catch (...) {
    }
}

vl_log_callback log_callback() noexcept
{
    try {
        std::lock_guard<std::recursive_mutex> hold(log_lock());
        return g_callback;
    } catch (...) {
        return nullptr;
    }
}

bool log_open_file(const std::string& path, int64_t max_size, const std::string& rotated_path)
{
    if (path.empty())
        return false;
    std::lock_guard<std::recursive_mutex> hold(log_lock());
    if (g_file)
        return false;
    if (max_size > 0 && !rotated_path.empty() && file_larger_than(path, max_size)) {
        std::remove(rotated_path.c_str());
        std::rename(path.c_str(), rotated_path.c_str());
    }
    g_file = std::fopen(path.c_str(), "ab");
    update_sink();
    return g_file != nullptr;
}

void log_close_file() noexcept
{
    try {
        std::lock_guard<std::recursive_mutex> hold(log_lock());
        if (g_file) {
            std::fclose(g_file);
            g_file = nullptr;
        }
        update_sink();
    } catch (...) {
    }
}

bool log_file_is_open() noexcept
{
    try {
        std::lock_guard<std::recursive_mutex> hold(log_lock());
        return g_file != nullptr;
    } catch (...) {
        return false;
    }
}

void log_export_exception(const char* name, const char* what) noexcept
{
    write_log("dev:%p, this:%p, [:] call <%s> error:exception %s\n", static_cast<void*>(nullptr),
        static_cast<void*>(nullptr), name ? name : "", what ? what : "");
}

} // namespace vlsdk
