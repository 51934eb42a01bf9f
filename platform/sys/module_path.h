#pragma once
// Where the running program lives. The product keeps its logs and data files
// beside its own binary, so every part that writes "beside the program" asks
// here instead of guessing from the working directory.
#include <string>

namespace vlsys
{

// Full path of the running executable ("/opt/x/bin/prog"), empty if unknown.
std::string executablePath();

// Folder of the running executable with a trailing '/', or "./" if unknown.
std::string executableDir();

// File name of the running executable without its folder ("prog").
std::string executableName();

} // namespace vlsys
