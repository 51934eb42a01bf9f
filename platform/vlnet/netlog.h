#pragma once
// The stand-in's own log: one line per event to the file that VLNetInitLog
// names, and to stderr while the console log is on.
#include <string>

namespace vlnet
{

void logOpen(const std::string& path); // empty path closes the file
void logConsole(bool on);
// printf-style; adds the time stamp and the line feed.
void logLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace vlnet
