#pragma once
#include <string>

namespace vlsys
{

// Opens a URL (a device's web page) in the user's browser without waiting for
// it. Returns false when no browser could be started.
bool openUrl(const std::string& url);

} // namespace vlsys
