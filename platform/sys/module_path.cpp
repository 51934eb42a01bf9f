#include "sys/module_path.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <limits.h>
#include <unistd.h>
#endif

namespace vlsys
{

std::string executablePath()
{
#if defined(_WIN32)
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return {};
    int len = WideCharToMultiByte(CP_UTF8, 0, buf, int(n), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(len), '\0');
    WideCharToMultiByte(CP_UTF8, 0, buf, int(n), out.data(), len, nullptr, nullptr);
    return out;
#else
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0)
        return {};
    return std::string(buf, size_t(n));
#endif
}

std::string executableDir()
{
    std::string path = executablePath();
    size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos)
        return "./";
    return path.substr(0, cut + 1);
}

std::string executableName()
{
    std::string path = executablePath();
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

} // namespace vlsys
