#include "search/ui/ExtranetsearchFrame.h"

#include "shell/ui/PagePlaceholder.h"

ExtranetsearchFrame::ExtranetsearchFrame(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("ExtranetsearchFrame"));
    new PagePlaceholder(this, ToolBarButton::ExtranetSearch, "ip-range",
        QStringLiteral("Searches a range of IP addresses for devices that the local search does "
                       "not reach."));
}

// The work list and its table arrive with the page's form.
void ExtranetsearchFrame::removeWorkDevice(DeviceInfo*, bool)
{
}
