#pragma once
// Page 0 of the main window: the table of every device found on the LAN,
// with the searches that fill it, the normal and the ONVIF view, and the
// bottom panel with the device user, password and network settings. After a
// search it refreshes the device tables of the other pages.
//
// The main window creates the page once, hands it the tool bar and the other
// pages, and passes it the tool bar's filter and protocol choice. GUI thread
// only, except removeWorkDevice; search callbacks read the tool bar's protocol
// combo only under GKAppSetting's tool-bar guard (GKAppSetting::ToolBarAccess).
#include "devices/DeviceWatcher.h"
#include "shell/ui/PageBase.h"

class AutoUpgrade;
class ChangeDevice;
class ChangePassword;
class DeveloperPage;
class DeviceInfo;
class DeviceInfoFrame;
class ExportExcel;
class ImportExportFrame;
class InitialDevice;
class OSDConfig;
class RebootDevice;
class RecoveryDevice;
class StreamConfigFrame;
class UpgradeFrame;
class VideoFormatFrame;

class SearchFrame : public PageBase, public SearchDeviceWatcher
{
    Q_OBJECT

public:
    explicit SearchFrame(QWidget* parent = nullptr);

    // A device of the page's work reported back; any thread
    // (SearchDeviceWatcher).
    void removeWorkDevice(DeviceInfo* device, bool wholeRow, bool remove) override;

    // The pages whose device tables follow each search, in this order.
    void setPages(UpgradeFrame* upgrade, DeviceInfoFrame* deviceInfo, ImportExportFrame* importExport,
        ChangePassword* changePassword, ExportExcel* exportExcel, StreamConfigFrame* streamConfig,
        OSDConfig* osdConfig, RecoveryDevice* recovery, InitialDevice* initialDevice, RebootDevice* reboot,
        ChangeDevice* changeDevice, DeveloperPage* developer, AutoUpgrade* autoUpgrade,
        VideoFormatFrame* videoFormat);

    // The tool bar's filter: the filter combo's column, mapped by edition to
    // a column of the table, and the filter text, matched as a regular
    // expression. Both refresh the shown list.
    void setFilterColumn(int column) override;
    void setFilterText(const QString& text) override;
    // The protocol combo's index: 0 the normal view, 1 the ONVIF view.
    void setSearchMode(int mode);
    // Clears both device lists, stops the searches still running and starts
    // the search that the edition and the protocol choice select.
    void startSearch();

    // The device of the table's current row; null when there is none.
    DeviceInfo* currentDevice() const;
    // The texts of the page's user-name and password edits.
    void userAndPassword(QString& user, QString& password) const;

signals:
    // A row of the device table was double-clicked.
    void SearchFrameDoubleClick();

private:
    UpgradeFrame* m_pUpgradeFrame = nullptr;
    DeviceInfoFrame* m_pDeviceInfoFrame = nullptr;
    ImportExportFrame* m_pImportExportFrame = nullptr;
    ChangePassword* m_pChangePassword = nullptr;
    ExportExcel* m_pExportExcel = nullptr;
    StreamConfigFrame* m_pStreamConfigFrame = nullptr;
    OSDConfig* m_pOSDConfig = nullptr;
    RecoveryDevice* m_pRecoveryDevice = nullptr;
    InitialDevice* m_pInitialDevice = nullptr;
    RebootDevice* m_pRebootDevice = nullptr;
    ChangeDevice* m_pChangeDevice = nullptr;
    DeveloperPage* m_pDeveloperPage = nullptr;
    AutoUpgrade* m_pAutoUpgrade = nullptr;
    VideoFormatFrame* m_pVideoFormatFrame = nullptr;
};
