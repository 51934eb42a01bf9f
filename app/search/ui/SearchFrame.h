#pragma once
// Page 0 of the main window: the table of every device found on the LAN,
// with the searches that fill it, the normal and the ONVIF view, and the
// bottom panel with the device user, password and network settings. After a
// search it refreshes the device tables of the other pages.
//
// The main window creates the page once, hands it the tool bar and the other
// pages, and passes it the tool bar's filter and protocol choice.
//
// A search run (startSearch): the tables are emptied, the previous run's
// devices deleted and every other page reloaded (so none shows a deleted
// device), then the searches that the edition, the protocol and the view
// select start (PageSearcher, through SearchTransport). A new search is
// refused, and changes nothing, while a listed device is busy
// (DeviceInfo::isBusy). At the run's last end marker the publication is
// queued to the GUI thread: the found list, sorted, goes to DeviceInfoMng,
// then to the current view's model, then SearchListChangedEvent (1002)
// re-enables the tool bar and reloads the other pages.
//
// Threads: GUI thread only, except removeWorkDevice (any thread) and the
// search callbacks, which read the tool bar's protocol combo only under
// GKAppSetting's tool-bar guard (GKAppSetting::ToolBarAccess). m_mutex guards
// the work list.
#include "devices/DeviceWatcher.h"
#include "search/PageSearcher.h"
#include "shell/ui/PageBase.h"

#include <QEvent>
#include <QList>
#include <QMutex>
#include <QValidator>
#include <atomic>
#include <memory>

class AutoUpgrade;
class ChangeDevice;
class ChangePassword;
class CheckBoxTableModel;
class CheckBoxTableView;
class DeveloperPage;
class DeviceInfo;
class DeviceInfoFrame;
class ExportExcel;
class IPLineEdit;
class ImportExportFrame;
class InitialDevice;
class LineEdit;
class OSDConfig;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;
class RebootDevice;
class RecoveryDevice;
class StreamConfigFrame;
class UpgradeFrame;
class VideoFormatFrame;

// The event types of the page.
inline constexpr QEvent::Type SearchListChangedEvent = static_cast<QEvent::Type>(1002);
inline constexpr QEvent::Type SearchWorkListEmptyEvent = static_cast<QEvent::Type>(1003);

// The port edits: empty, or 1 to 65535 without a leading zero.
class PortValidator : public QValidator
{
    Q_OBJECT

public:
    explicit PortValidator(QObject* parent = nullptr);
    State validate(QString& input, int& pos) const override;
};

class SearchFrame : public PageBase, public SearchDeviceWatcher
{
    Q_OBJECT

public:
    explicit SearchFrame(QWidget* parent = nullptr);
    ~SearchFrame() override;

    // A device of the page's work reported back; any thread
    // (SearchDeviceWatcher). With `remove` it leaves the work list; its row
    // is refreshed in any case; an emptied list re-enables the controls.
    void removeWorkDevice(DeviceInfo* device, bool wholeRow, bool remove) override;

    // The pages whose device tables follow each search, in this order.
    void setPages(UpgradeFrame* upgrade, DeviceInfoFrame* deviceInfo, ImportExportFrame* importExport,
        ChangePassword* changePassword, ExportExcel* exportExcel, StreamConfigFrame* streamConfig,
        OSDConfig* osdConfig, RecoveryDevice* recovery, InitialDevice* initialDevice, RebootDevice* reboot,
        ChangeDevice* changeDevice, DeveloperPage* developer, AutoUpgrade* autoUpgrade,
        VideoFormatFrame* videoFormat);

    // The tool bar's filter: the filter choice (already mapped by the tool
    // bar; the page maps it again by edition) and the filter text, matched
    // as a case-insensitive regular expression. Both refresh the shown list;
    // the same value twice changes nothing.
    void setFilterColumn(int column) override;
    void setFilterText(const QString& text) override;
    // The protocol combo's index: 0 the normal view, 1 the ONVIF view; then
    // a new search.
    void setSearchMode(int mode);
    // Starts a search run (see the top); refused while a listed device is
    // busy.
    void startSearch();

    // The device of the table's current row; null when there is none.
    DeviceInfo* currentDevice() const;
    // The texts of the page's user-name and password edits.
    void userAndPassword(QString& user, QString& password) const;

    // The IP, gateway, DNS and mask edits' texts are checked; every failing
    // field is listed in one pop-up notice. True when all pass.
    bool validateNetworkInput(const QString& ip, const QString& gateway, const QString& mask,
        const QString& dns1, const QString& dns2);
    static bool isValidIpAddress(const QString& text);
    static bool isValidNetMask(const QString& text);

    // Controls that start work, and the tool bar.
    void setControlsEnabled(bool enabled);
    void setBottomPanelVisible(bool show);
    void retranslate();

    // For tests and the preview.
    CheckBoxTableView* normalView() const { return m_pNormalView; }
    CheckBoxTableView* onvifView() const { return m_pOnvifView; }
    CheckBoxTableView* currentView() const { return m_pCurrentView; }
    CheckBoxTableModel* currentModel() const { return m_pCurrentModel; }
    QWidget* bottomPanel() const;
    bool isBottomPanelShown() const { return m_bottomShown; }
    // 0 wide, 1 narrow, 2 none yet.
    int panelLayoutMode() const { return m_layoutMode; }
    bool isBatch() const { return m_batch; }
    // The devices of the last Modify or Query not yet reported back.
    QList<DeviceInfo*> workList() const;
    // The number of the search run in progress or last published (0: none).
    quint64 searchRun() const { return m_searcher.currentRun(); }

    // Page width from which the bottom panel lays out in one row per group.
    static constexpr int kWideLayoutWidth = 1580;

signals:
    // A row of the device table was double-clicked.
    void SearchFrameDoubleClick();

public slots:
    void onClickTableView(const QModelIndex& index);
    void onHeadCheckChanged(Qt::CheckState state);
    void OnBtnModifyClicked();
    void OnNetModeChanged(int index);
    void OnDoubleClickTableView(const QModelIndex& index);
    void on_m_pBtnQuery_clicked();

protected:
    void customEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setupUi();
    void init();
    void applyLayout(int mode);
    // The ONVIF view is shown: the tool bar's protocol combo is visible and
    // at index 1. GUI thread.
    bool isOnvifView() const;
    // On a callback thread, under the tool-bar guard.
    bool isOnvifViewFromCallback() const;
    void publishSearchResults(quint64 run);
    void refreshOtherPages();
    QList<PageBase*> otherPages() const;
    void openWebPage(DeviceInfo* device);
    // Steps 1, 5 and 6 of Modify and Query: the work list, the controls, the
    // statuses; false when the list is empty.
    void takeWorkList();
    void markWorkList();

    // Widget tree (the names the style sheet and the tests use).
    QVBoxLayout* m_pHBoxLayout = nullptr;
    QStackedWidget* stackedWidget = nullptr;
    QWidget* page = nullptr;
    QWidget* page_2 = nullptr;
    CheckBoxTableView* m_pNormalView = nullptr;
    CheckBoxTableView* m_pOnvifView = nullptr;
    QWidget* SearchFrameBottom = nullptr;
    QHBoxLayout* horizontalLayout_3 = nullptr;
    QGroupBox* m_pGroupUserInfo = nullptr;
    QGroupBox* m_pGroupDevInfo = nullptr;
    QLabel* m_pLabelUserName = nullptr;
    QLabel* m_pLabelPassword = nullptr;
    LineEdit* m_pEditUserName = nullptr;
    LineEdit* m_pEditPassword = nullptr;
    QLabel* m_pLableIP = nullptr;
    IPLineEdit* m_pEditIP = nullptr;
    QLabel* m_pLabelMediaPort = nullptr;
    QLineEdit* m_pEditPort = nullptr;
    QLabel* m_pLabelWebPort = nullptr;
    QLineEdit* m_pEditWebPort = nullptr;
    QLabel* m_pLabelGateway = nullptr;
    IPLineEdit* m_pEditGateway = nullptr;
    QLabel* m_pLabelNetMask = nullptr;
    QLineEdit* m_pEditNetMask = nullptr;
    QLabel* m_pLabelNetWorkMode = nullptr;
    QComboBox* m_pComNetMode = nullptr;
    QLabel* m_pLabelDNS1 = nullptr;
    IPLineEdit* m_pEditDNS1 = nullptr;
    QLabel* m_pLabelDNS2 = nullptr;
    IPLineEdit* m_pEditDNS2 = nullptr;
    QPushButton* m_pBtnActivate = nullptr;
    QPushButton* m_pBtnQuery = nullptr;
    QPushButton* m_pBtnModify = nullptr;

    // The bottom panel's four layouts: a row and a grid per group.
    QHBoxLayout* m_pUserRow = nullptr;
    QGridLayout* m_pUserGrid = nullptr;
    QHBoxLayout* m_pDevRow = nullptr;
    QGridLayout* m_pDevGrid = nullptr;

    CheckBoxTableModel* m_pNormalModel = nullptr;
    CheckBoxTableModel* m_pOnvifModel = nullptr;
    CheckBoxTableView* m_pCurrentView = nullptr;
    CheckBoxTableModel* m_pCurrentModel = nullptr;
    int m_layoutMode = 2;
    bool m_bottomShown = true;
    bool m_batch = false;
    int m_edition = 0;

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

    mutable QMutex m_mutex; // guards m_workList
    QList<DeviceInfo*> m_workList;
    // The view of the run in progress, for the callbacks.
    std::atomic<bool> m_runInOnvifView { false };
    PageSearcher m_searcher;
};
