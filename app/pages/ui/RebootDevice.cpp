#include "pages/ui/RebootDevice.h"

#include "shell/ui/PagePlaceholder.h"

RebootDevice::RebootDevice(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("RebootDevice"));
    new PagePlaceholder(
        this, ToolBarButton::Reboot, "reboot", QStringLiteral("Restarts the checked devices."));
}

// The work list and its table arrive with the page's form.
void RebootDevice::removeWorkDevice(DeviceInfo*, bool)
{
}
