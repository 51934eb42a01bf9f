#include "pages/ui/ExportExcel.h"

#include "shell/ui/PagePlaceholder.h"

ExportExcel::ExportExcel(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("ExportExcel"));
    new PagePlaceholder(this, ToolBarButton::ExportExcel, "workbook",
        QStringLiteral("Exports the list of found devices to an Excel workbook."));
}

// The work list and its table arrive with the page's form.
void ExportExcel::removeWorkDevice(DeviceInfo*, bool)
{
}
