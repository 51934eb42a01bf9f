#include "pages/ui/StreamConfigFrame.h"

#include "shell/ui/PagePlaceholder.h"

StreamConfigFrame::StreamConfigFrame(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("StreamConfigFrame"));
    new PagePlaceholder(this, ToolBarButton::Stream, "stream",
        QStringLiteral(
            "Sets the video streams of the checked cameras: resolution, frame rate and bit rate."));
}

// The page's table arrives with its form; until then there is nothing to filter.
void StreamConfigFrame::setFilterColumn(int)
{
}

void StreamConfigFrame::setFilterText(const QString&)
{
}
