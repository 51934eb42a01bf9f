#pragma once
// Turns a fatal signal of any thread (SIGSEGV, SIGBUS, SIGFPE, SIGILL,
// SIGABRT) into a dump file beside the program, then lets the process die of
// that signal, so that whoever started it sees the crash and not a success.
//
// The dump is plain text: a title line, the local time, process and thread,
// the signal with its code and faulting address, a backtrace and the memory
// map. It is named "<folder><name>_YYYY_MM_DD_hh_mm_ss.dmp" after the local
// time of the crash.
//
// Everything the handler needs (folder, name, UTC offset, the unwinder) is
// prepared by installCrashHandler, because a signal handler may only make
// async-signal-safe calls. The UTC offset is the one in force at install: a
// daylight-saving change while the program runs shifts dump names by an hour.
//
// When several threads crash at once, the first one writes the only dump and
// ends the process; the others wait for it.
#include <cstddef>
#include <string>

namespace vlsys
{

struct CrashHandlerConfig {
    std::string folder; // where dumps go, ending in a path separator
    std::string programName; // file-name stem of the dumps
    std::string title; // first line of every dump (program and version)
    bool debugOutput = false; // report a failed dump on the error output
};

// Installs the handler for the fatal signals, remembering the handlers it
// replaces. Returns false when a handler is already installed, a text of the
// configuration is too long, or the system refuses a handler (nothing stays
// installed then). Call from the thread that lives longest (the main thread):
// that thread also gets a stack of its own for the handler, so a stack
// overflow there still leaves a dump.
bool installCrashHandler(const CrashHandlerConfig& config);

// Puts back the handlers that installCrashHandler replaced. Harmless when
// nothing is installed.
void uninstallCrashHandler();

bool crashHandlerInstalled();

// The pieces of the handler that need no signal, exposed for tests. Both are
// async-signal-safe.
namespace crash
{

struct CivilTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// The local calendar time of a UTC instant, given the local offset from UTC.
CivilTime civilTime(long long utcSeconds, long utcOffsetSeconds);

// Writes "<folder><name>_YYYY_MM_DD_hh_mm_ss.dmp" (year padded to 4 places)
// into `out`. Returns its length, or 0 when it does not fit in `size` bytes
// with its terminating NUL.
size_t formatDumpPath(char* out, size_t size, const char* folder, const char* name, const CivilTime& t);

} // namespace crash
} // namespace vlsys
