#include "shell/AppInfo.h"

#include "shell/Version.h"

namespace AppInfo
{
QString version()
{
    return QStringLiteral(DORVEX_VERSION);
}
} // namespace AppInfo
