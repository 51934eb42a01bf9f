#include "upgrade/ui/AutoUpgrade.h"

#include "shell/ui/PagePlaceholder.h"

AutoUpgrade::AutoUpgrade(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("AutoUpgrade"));
    new PagePlaceholder(this, ToolBarButton::AutoUpgrade, "auto-upgrade",
        QStringLiteral(
            "Activates, upgrades and resets the checked devices one after another, without further input."));
}

// The page's table arrives with its form; until then there is nothing to filter.
void AutoUpgrade::setFilterColumn(int)
{
}

void AutoUpgrade::setFilterText(const QString&)
{
}
