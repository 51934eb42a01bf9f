#include "pages/ui/ChangeDevice.h"

#include "shell/ui/PagePlaceholder.h"

ChangeDevice::ChangeDevice(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("ChangeDevice"));
    new PagePlaceholder(this, ToolBarButton::ChangeDevice, "change-device",
        QStringLiteral("Changes the device name and type of the checked devices."));
}

// The page's table arrives with its form; until then there is nothing to filter.
void ChangeDevice::setFilterColumn(int)
{
}

void ChangeDevice::setFilterText(const QString&)
{
}
