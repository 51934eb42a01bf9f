#include "pages/ui/RecoveryDevice.h"

#include "shell/ui/PagePlaceholder.h"

RecoveryDevice::RecoveryDevice(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("RecoveryDevice"));
    new PagePlaceholder(this, ToolBarButton::Recovery, "recovery",
        QStringLiteral("Restores the default settings of the checked devices."));
}

// The work list and its table arrive with the page's form.
void RecoveryDevice::removeWorkDevice(DeviceInfo*, bool)
{
}
