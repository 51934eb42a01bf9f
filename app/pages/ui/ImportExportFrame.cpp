#include "pages/ui/ImportExportFrame.h"

#include "shell/ui/PagePlaceholder.h"

ImportExportFrame::ImportExportFrame(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("ImportExportFrame"));
    new PagePlaceholder(this, ToolBarButton::ImportExport, "import-export",
        QStringLiteral("Exports the configuration of the checked devices to files and imports it back."));
}

// The page's table arrives with its form; until then there is nothing to filter.
void ImportExportFrame::setFilterColumn(int)
{
}

void ImportExportFrame::setFilterText(const QString&)
{
}
