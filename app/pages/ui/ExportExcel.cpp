#include "pages/ui/ExportExcel.h"

#include "shell/ui/PagePlaceholder.h"

ExportExcel::ExportExcel(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("ExportExcel"));
    new PagePlaceholder(this, ToolBarButton::ExportExcel, "workbook",
        QStringLiteral("Exports the list of found devices to an Excel workbook."));
}

// The page's table arrives with its form; until then there is nothing to filter.
void ExportExcel::setFilterColumn(int)
{
}

void ExportExcel::setFilterText(const QString&)
{
}
