#pragma once
// Opening a URL (a device's web page) in the user's browser: the program's
// one URL opener. It returns as soon as the browser launcher has been
// started; it never waits for the launcher or the browser.
//
// Tests set a hook, which then gets every request instead of a browser:
//
//   vlsys::setOpenUrlHook([&](const vlsys::OpenUrlRequest& r) { seen.push_back(r); return true; });
//
// Any thread.
#include <functional>
#include <string>

namespace vlsys
{

struct OpenUrlRequest {
    std::string url;
    // Opened with raised rights where the system has them (Windows' "runas"
    // verb); elsewhere a plain open.
    bool elevated = false;
};

// Starts the browser launcher (xdg-open; the URL as one argument, never
// through a shell) and returns true when it started, false for an empty URL
// or when no launcher could be started. The launcher is reaped in the
// background.
bool openUrl(const std::string& url, bool elevated = false);

// With a hook set, openUrl starts nothing and returns the hook's answer. An
// empty hook removes it.
using OpenUrlHook = std::function<bool(const OpenUrlRequest& request)>;
void setOpenUrlHook(OpenUrlHook hook);

} // namespace vlsys
