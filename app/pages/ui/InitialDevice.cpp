#include "pages/ui/InitialDevice.h"

#include "shell/ui/PagePlaceholder.h"

InitialDevice::InitialDevice(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("InitialDevice"));
    new PagePlaceholder(this, ToolBarButton::InitialDevice, "activate",
        QStringLiteral("Activates new devices by giving each its first password."));
}

// The work list and its table arrive with the page's form.
void InitialDevice::removeWorkDevice(DeviceInfo*, bool)
{
}
