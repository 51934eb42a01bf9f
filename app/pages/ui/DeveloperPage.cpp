#include "pages/ui/DeveloperPage.h"

#include "shell/ui/PagePlaceholder.h"

DeveloperPage::DeveloperPage(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("DeveloperPage"));
    new PagePlaceholder(this, ToolBarButton::Developer, "developer",
        QStringLiteral(
            "Reads and sets the developer switches of the checked devices: telnet and log export."));
}

// The work list and its table arrive with the page's form.
void DeveloperPage::removeWorkDevice(DeviceInfo*, bool)
{
}
