#include "search/ui/SearchFrame.h"

#include "shell/ui/PagePlaceholder.h"

#include <QString>

SearchFrame::SearchFrame(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("SearchFrame"));
    new PagePlaceholder(this, ToolBarButton::Search, "search",
        QStringLiteral("Finds the cameras and recorders on the local network and lists them with "
                       "their network settings."));
}

void SearchFrame::setPages(UpgradeFrame* upgrade, DeviceInfoFrame* deviceInfo,
    ImportExportFrame* importExport, ChangePassword* changePassword, ExportExcel* exportExcel,
    StreamConfigFrame* streamConfig, OSDConfig* osdConfig, RecoveryDevice* recovery,
    InitialDevice* initialDevice, RebootDevice* reboot, ChangeDevice* changeDevice, DeveloperPage* developer,
    AutoUpgrade* autoUpgrade, VideoFormatFrame* videoFormat)
{
    m_pUpgradeFrame = upgrade;
    m_pDeviceInfoFrame = deviceInfo;
    m_pImportExportFrame = importExport;
    m_pChangePassword = changePassword;
    m_pExportExcel = exportExcel;
    m_pStreamConfigFrame = streamConfig;
    m_pOSDConfig = osdConfig;
    m_pRecoveryDevice = recovery;
    m_pInitialDevice = initialDevice;
    m_pRebootDevice = reboot;
    m_pChangeDevice = changeDevice;
    m_pDeveloperPage = developer;
    m_pAutoUpgrade = autoUpgrade;
    m_pVideoFormatFrame = videoFormat;
}

// The table, its views and the searches arrive with the page's form; until
// then there is nothing to filter, switch or search.
void SearchFrame::setFilterColumn(int)
{
}

void SearchFrame::setFilterText(const QString&)
{
}

void SearchFrame::setSearchMode(int)
{
}

void SearchFrame::startSearch()
{
}

DeviceInfo* SearchFrame::currentDevice() const
{
    return nullptr;
}

void SearchFrame::userAndPassword(QString& user, QString& password) const
{
    user.clear();
    password.clear();
}

// The work list and its table arrive with the page's form.
void SearchFrame::removeWorkDevice(DeviceInfo*, bool, bool)
{
}
