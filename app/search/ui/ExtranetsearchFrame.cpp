#include "search/ui/ExtranetsearchFrame.h"

#include "shell/ui/PagePlaceholder.h"

ExtranetsearchFrame::ExtranetsearchFrame(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("ExtranetsearchFrame"));
    new PagePlaceholder(this, ToolBarButton::ExtranetSearch, "ip-range",
        QStringLiteral("Searches a range of IP addresses for devices that the local search does "
                       "not reach."));
}

// The page's table arrives with its form; until then there is nothing to filter.
void ExtranetsearchFrame::setFilterColumn(int)
{
}

void ExtranetsearchFrame::setFilterText(const QString&)
{
}
