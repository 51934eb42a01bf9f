#include "pages/ui/DeviceInfoFrame.h"

#include "shell/ui/PagePlaceholder.h"

DeviceInfoFrame::DeviceInfoFrame(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("DeviceInfoFrame"));
    new PagePlaceholder(this, ToolBarButton::DeviceInfo, "device-info",
        QStringLiteral("Sets the network and product settings of the checked devices."));
}

// The work list and its table arrive with the page's form.
void DeviceInfoFrame::removeWorkDevice(DeviceInfo*, bool)
{
}
