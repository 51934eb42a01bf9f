#include "upgrade/ui/UpgradeFrame.h"

#include "shell/ui/PagePlaceholder.h"

UpgradeFrame::UpgradeFrame(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("UpgradeFrame"));
    new PagePlaceholder(this, ToolBarButton::Upgrade, "upgrade",
        QStringLiteral("Upgrades the firmware of the checked devices from one firmware file and follows each "
                       "device until it is back on the network."));
}

// The work list and its table arrive with the page's form.
void UpgradeFrame::removeWorkDevice(DeviceInfo*, bool)
{
}
