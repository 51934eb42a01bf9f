#include "multicast/multicast_log.h"

#include "core/time_text.h"
#include "sys/module_path.h"

#include <cstdio>
#include <mutex>

namespace vlsdk
{

namespace
{

// Never destroyed: an engine on a worker thread may still log while the
// library unloads.
std::mutex& log_lock()
{
    static auto* lock = new std::mutex;
    return *lock;
}

// All guarded by log_lock().
std::FILE* g_file = nullptr;
int g_users = 0;
std::string g_folder; // empty: the folder of the host program

std::string path_locked()
{
    std::string folder = g_folder.empty() ? vlsys::executableDir() : g_folder;
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\')
        folder += '/';
    return folder + kMulticastLogName;
}

} // namespace

std::string format_multicast_log_line(const std::tm& now, const char* format, va_list args)
{
    char line[kMulticastLogLineMax + 1];
    const int prefix = std::snprintf(line, sizeof line, "[%04d-%02d-%02d %02d:%02d:%02d] ",
        now.tm_year + 1900, now.tm_mon + 1, now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec);
    if (prefix <= 0 || prefix >= static_cast<int>(sizeof line))
        return {};
    const std::size_t room = sizeof line - static_cast<std::size_t>(prefix);
    int length = std::vsnprintf(line + prefix, room, format ? format : "", args);
    if (length < 0)
        length = 0; // a format the C library refuses: the prefix alone
    std::size_t size = static_cast<std::size_t>(prefix) + static_cast<std::size_t>(length);
    if (static_cast<std::size_t>(length) >= room || size == kMulticastLogLineMax) {
        // Cut, or filling the buffer to the last byte: keep room for the break.
        size = kMulticastLogLineMax;
        line[size - 1] = '\n';
    } else if (size == 0 || line[size - 1] != '\n') {
        line[size++] = '\n';
    }
    return std::string(line, size);
}

void multicast_log(const char* format, ...) noexcept
{
    try {
        va_list args;
        va_start(args, format);
        const std::string line = format_multicast_log_line(local_now(), format, args);
        va_end(args);
        std::lock_guard<std::mutex> hold(log_lock());
        if (!g_file || line.empty())
            return;
        std::fwrite(line.data(), 1, line.size(), g_file);
        std::fflush(g_file);
    } catch (...) {
        // A log line is never worth an exception in an I/O handler.
    }
}

multicast_log_user::multicast_log_user()
{
    std::lock_guard<std::mutex> hold(log_lock());
    ++g_users;
    // An engine that finds no file (the folder was not writable when the
    // first one tried) tries again.
    if (!g_file)
        g_file = std::fopen(path_locked().c_str(), "ab");
}

multicast_log_user::~multicast_log_user()
{
    std::lock_guard<std::mutex> hold(log_lock());
    if (--g_users == 0 && g_file) {
        std::fclose(g_file);
        g_file = nullptr;
    }
}

std::string multicast_log_path()
{
    std::lock_guard<std::mutex> hold(log_lock());
    return path_locked();
}

void multicast_log_set_folder(const std::string& folder)
{
    std::lock_guard<std::mutex> hold(log_lock());
    g_folder = folder;
}

} // namespace vlsdk
