#include "sys/open_url.h"

#if defined(_WIN32)
#include <shellapi.h>
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace vlsys
{

bool openUrl(const std::string& url)
{
    if (url.empty())
        return false;
#if defined(_WIN32)
    return reinterpret_cast<INT_PTR>(
               ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL))
        > 32;
#else
    // The URL is passed as one argument, never through a shell.
    const char* argv[] = { "xdg-open", url.c_str(), nullptr };
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
        return false;
    // xdg-open hands the URL to the browser and exits quickly; reap it so no
    // zombie is left behind.
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
}

} // namespace vlsys
