#pragma once
#include <QString>

namespace AppInfo
{
// The product's version, as the build sets it.
QString version();
} // namespace AppInfo
