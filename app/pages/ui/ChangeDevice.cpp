#include "pages/ui/ChangeDevice.h"

#include "shell/ui/PagePlaceholder.h"

ChangeDevice::ChangeDevice(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("ChangeDevice"));
    new PagePlaceholder(this, ToolBarButton::ChangeDevice, "change-device",
        QStringLiteral("Changes the device name and type of the checked devices."));
}

// The work list and its table arrive with the page's form.
void ChangeDevice::removeWorkDevice(DeviceInfo*, bool)
{
}
