#include "pages/ui/VideoFormatFrame.h"

#include "shell/ui/PagePlaceholder.h"

VideoFormatFrame::VideoFormatFrame(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("VideoFormatFrame"));
    new PagePlaceholder(this, ToolBarButton::VideoFormat, "video-format",
        QStringLiteral("Switches the checked devices between the NTSC and PAL video standards."));
}

// The page's table arrives with its form.
void VideoFormatFrame::updateDeviceRow(DeviceInfo*)
{
}
