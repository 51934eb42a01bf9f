#include "upgrade/ui/AutoUpgrade.h"

#include "shell/ui/PagePlaceholder.h"

AutoUpgrade::AutoUpgrade(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("AutoUpgrade"));
    new PagePlaceholder(this, ToolBarButton::AutoUpgrade, "auto-upgrade",
        QStringLiteral(
            "Activates, upgrades and resets the checked devices one after another, without further input."));
}

// The work list and its table arrive with the page's form.
void AutoUpgrade::removeWorkDevice(DeviceInfo*, bool)
{
}
