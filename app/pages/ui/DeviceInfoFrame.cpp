#include "pages/ui/DeviceInfoFrame.h"

#include "shell/ui/PagePlaceholder.h"

DeviceInfoFrame::DeviceInfoFrame(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("DeviceInfoFrame"));
    new PagePlaceholder(this, ToolBarButton::DeviceInfo, "device-info",
        QStringLiteral("Sets the network and product settings of the checked devices."));
}

// The page's table arrives with its form; until then there is nothing to filter.
void DeviceInfoFrame::setFilterColumn(int)
{
}

void DeviceInfoFrame::setFilterText(const QString&)
{
}
