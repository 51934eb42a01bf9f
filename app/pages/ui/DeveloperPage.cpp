#include "pages/ui/DeveloperPage.h"

#include "shell/ui/PagePlaceholder.h"

DeveloperPage::DeveloperPage(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("DeveloperPage"));
    new PagePlaceholder(this, ToolBarButton::Developer, "developer",
        QStringLiteral(
            "Reads and sets the developer switches of the checked devices: telnet and log export."));
}

// The page's table arrives with its form; until then there is nothing to filter.
void DeveloperPage::setFilterColumn(int)
{
}

void DeveloperPage::setFilterText(const QString&)
{
}
