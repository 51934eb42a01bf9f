#include "pages/ui/ImportExportFrame.h"

#include "operations/ConfigTransfer.h"
#include "shell/ui/Dialogs.h"
#include "shell/ui/PagePlaceholder.h"

ImportExportFrame::ImportExportFrame(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("ImportExportFrame"));
    // The export's save dialog, which the worker (core) cannot show itself.
    ConfigTransfer::setSaveFileChooser(
        [](const QString& caption, const QString& name, const QString& filter) {
            return Dialogs::getSaveFileName(nullptr, caption, name, filter);
        });
    new PagePlaceholder(this, ToolBarButton::ImportExport, "import-export",
        QStringLiteral("Exports the configuration of the checked devices to files and imports it back."));
}

// The work list and its table arrive with the page's form.
void ImportExportFrame::removeWorkDevice(DeviceInfo*, bool)
{
}
