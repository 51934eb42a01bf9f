#include "pages/ui/RecoveryDevice.h"

#include "shell/ui/PagePlaceholder.h"

RecoveryDevice::RecoveryDevice(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("RecoveryDevice"));
    new PagePlaceholder(this, ToolBarButton::Recovery, "recovery",
        QStringLiteral("Restores the default settings of the checked devices."));
}

// The page's table arrives with its form; until then there is nothing to filter.
void RecoveryDevice::setFilterColumn(int)
{
}

void RecoveryDevice::setFilterText(const QString&)
{
}
