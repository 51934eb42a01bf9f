#pragma once
// The library's one log writer and its process-wide state: the wrapper log
// file, the caller's log callback and one lock that serialises every line.
#include "vl_sdk_wrapper.h"

#include <cstdint>
#include <string>

#if defined(__GNUC__)
#define VL_PRINTF_FORMAT(fmt, first) __attribute__((format(printf, fmt, first)))
#else
#define VL_PRINTF_FORMAT(fmt, first)
#endif

// Writes one line: the local time as "[%04d-%02d-%02d %02d:%02d:%02d] "
// followed by the printf-formatted message, in a 1024-byte buffer. A message
// that does not fit whole (with its NUL) is dropped, never cut; an empty one
// is dropped too. The writer adds no line end: messages carry their own "\n".
// Under the log lock the line goes to the log callback (line, NULL), then to
// the log file, which is flushed. Does nothing while neither is set. The lock
// is re-entrant: a callback that logs again on its own thread is written too.
// Safe from any thread; never throws.
void write_log(const char* format, ...) noexcept VL_PRINTF_FORMAT(1, 2);

namespace vlsdk
{

// Size of one log line with its NUL.
constexpr int kLogLineSize = 1024;

// Replaces the log callback (NULL removes it).
void log_set_callback(vl_log_callback callback) noexcept;
vl_log_callback log_callback() noexcept;

// Opens path for appending when no log file is open; an open file is left
// alone and the result is false. When max_size > 0 and the file at path is
// larger than max_size bytes, rotated_path is deleted first and the file
// renamed to it (one old generation is kept). Returns true when a file was
// opened. Runs under the log lock, so lines being written by other threads
// never see a half-set file.
bool log_open_file(const std::string& path, int64_t max_size = 0, const std::string& rotated_path = {});
// Closes the log file, if any, under the log lock.
void log_close_file() noexcept;
bool log_file_is_open() noexcept;

} // namespace vlsdk
