#include "pages/ui/RebootDevice.h"

#include "shell/ui/PagePlaceholder.h"

RebootDevice::RebootDevice(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("RebootDevice"));
    new PagePlaceholder(
        this, ToolBarButton::Reboot, "reboot", QStringLiteral("Restarts the checked devices."));
}

// The page's table arrives with its form; until then there is nothing to filter.
void RebootDevice::setFilterColumn(int)
{
}

void RebootDevice::setFilterText(const QString&)
{
}
