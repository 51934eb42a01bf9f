#include "pages/ui/ImportExportFrame.h"

#include "shell/ui/PagePlaceholder.h"

ImportExportFrame::ImportExportFrame(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("ImportExportFrame"));
    new PagePlaceholder(this, ToolBarButton::ImportExport, "import-export",
        QStringLiteral("Exports the configuration of the checked devices to files and imports it back."));
}

// The work list and its table arrive with the page's form.
void ImportExportFrame::removeWorkDevice(DeviceInfo*, bool)
{
}
