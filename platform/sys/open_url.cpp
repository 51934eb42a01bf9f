#include "sys/open_url.h"

#include <mutex>

#if defined(_WIN32)
#include <shellapi.h>
#include <windows.h>
#else
#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
extern char** environ;
#endif

namespace vlsys
{

namespace
{
std::mutex hookMutex;
OpenUrlHook& hook()
{
    static OpenUrlHook h;
    return h;
}
} // namespace

void setOpenUrlHook(OpenUrlHook h)
{
    std::lock_guard<std::mutex> lock(hookMutex);
    hook() = std::move(h);
}

bool openUrl(const std::string& url, bool elevated)
{
    {
        OpenUrlHook h;
        {
            std::lock_guard<std::mutex> lock(hookMutex);
            h = hook();
        }
        if (h)
            return h(OpenUrlRequest { url, elevated });
    }
    if (url.empty())
        return false;
#if defined(_WIN32)
    return reinterpret_cast<INT_PTR>(ShellExecuteA(
               nullptr, elevated ? "runas" : "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL))
        > 32;
#else
    (void)elevated; // no raised rights for a browser here
    const char* argv[] = { "xdg-open", url.c_str(), nullptr };
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
        return false;
    // The launcher may wait for the browser (it does when it starts one
    // itself): it is reaped on a thread of its own, so that the caller (the
    // GUI thread) never waits and no zombie is left.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    }).detach();
    return true;
#endif
}

} // namespace vlsys
