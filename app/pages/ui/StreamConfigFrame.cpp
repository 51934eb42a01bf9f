#include "pages/ui/StreamConfigFrame.h"

#include "shell/ui/PagePlaceholder.h"

StreamConfigFrame::StreamConfigFrame(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("StreamConfigFrame"));
    new PagePlaceholder(this, ToolBarButton::Stream, "stream",
        QStringLiteral(
            "Sets the video streams of the checked cameras: resolution, frame rate and bit rate."));
}

// The work list and its table arrive with the page's form.
void StreamConfigFrame::removeWorkDevice(DeviceInfo*, bool)
{
}
