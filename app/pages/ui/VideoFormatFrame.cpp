#include "pages/ui/VideoFormatFrame.h"

#include "shell/ui/PagePlaceholder.h"

VideoFormatFrame::VideoFormatFrame(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("VideoFormatFrame"));
    new PagePlaceholder(this, ToolBarButton::VideoFormat, "video-format",
        QStringLiteral("Switches the checked devices between the NTSC and PAL video standards."));
}

// The page's table arrives with its form; until then there is nothing to filter.
void VideoFormatFrame::setFilterColumn(int)
{
}

void VideoFormatFrame::setFilterText(const QString&)
{
}
