#pragma once
// The multicast engine's own log, "multi_log.txt" in the folder of the host
// program. Every line starts with the local time "[YYYY-MM-DD hh:mm:ss] " and
// is at most 1023 bytes with its line break; a longer message is cut.
//
// The file is shared by every engine of the process: the first live engine
// opens it and the last one closes it (multicast_log_user), so an engine that
// ends never pulls the file from under another that still writes. While no
// engine lives, lines are dropped.
#include "core/log.h" // VL_PRINTF_FORMAT

#include <cstdarg>
#include <ctime>
#include <string>

namespace vlsdk
{

constexpr const char* kMulticastLogName = "multi_log.txt";
// Longest line, line break included.
constexpr std::size_t kMulticastLogLineMax = 1023;

// Writes one line (printf-style). Safe from any thread; never throws.
void multicast_log(const char* format, ...) noexcept VL_PRINTF_FORMAT(1, 2);

// The line that multicast_log writes for a message at the time `now`.
std::string format_multicast_log_line(const std::tm& now, const char* format, va_list args);

// Keeps the log file open while at least one such object lives.
class multicast_log_user
{
public:
    multicast_log_user();
    ~multicast_log_user();
    multicast_log_user(const multicast_log_user&) = delete;
    multicast_log_user& operator=(const multicast_log_user&) = delete;
};

// The path the log file has (or will have when the next engine opens it).
std::string multicast_log_path();
// Tests write the log into a folder of their own; empty restores the folder
// of the host program. Takes effect when the file is next opened.
void multicast_log_set_folder(const std::string& folder);

} // namespace vlsdk
