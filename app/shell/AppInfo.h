#pragma once
// What the build says about the program. Any thread.
#include <QString>

namespace AppInfo
{
// The product's version, as the build sets it.
QString version();
} // namespace AppInfo
