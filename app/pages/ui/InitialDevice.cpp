#include "pages/ui/InitialDevice.h"

#include "shell/ui/PagePlaceholder.h"

InitialDevice::InitialDevice(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("InitialDevice"));
    new PagePlaceholder(this, ToolBarButton::InitialDevice, "activate",
        QStringLiteral("Activates new devices by giving each its first password."));
}

// The page's table arrives with its form; until then there is nothing to filter.
void InitialDevice::setFilterColumn(int)
{
}

void InitialDevice::setFilterText(const QString&)
{
}
