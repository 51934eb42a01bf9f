#pragma once
// The IP-range search page: finds the devices that answer in a range of IPv4
// addresses given by the user, for networks that the LAN searches do not
// reach, and lists them, sorted by IP, in a device table of kind 6 with an
// https column. A click on a row's IP opens the device's web page.
//
// The main window creates the page once and hands it the tool bar, which the
// page disables while it searches, and the tool bar's filter: the filter
// column (mapped by edition, DeviceTableEditions::rangeSearchFilter) and a
// text matched as a case-insensitive regular expression.
//
// A search runs over VLSDKWrapper (vl_search_device) or VLNet
// (VLNetSearchDevPoint2Point), as RangeSearch::throughWrapper chooses; the
// start and stop texts go as typed, and every search ends with exactly one
// end call (null text or record), whatever was typed. Its answers become new
// device records on the callback threads (RangeSearchList, under its own
// mutex); the end is published on the GUI thread by a queued call: sorted by
// IP, handed to DeviceInfoMng as its IP-range list, shown in the table, then
// SearchListChangedEvent enables the button and the tool bar again.
//
// Threads: GUI thread only, except the two search callbacks, addSearchResult
// and removeWorkDevice, which any thread may call. A callback whose user is a
// page already destroyed does nothing (the pages alive are registered), so a
// search that outlives its page ends harmlessly.
#include "devices/DeviceWatcher.h"
#include "search/RangeSearch.h"
#include "shell/ui/PageBase.h"
#include "vl_sdk_wrapper.h"
#include "vlnet.h"

#include <QEvent>
#include <QTimer>
#include <string>

class CheckBoxTableModel;
class CheckBoxTableView;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QSpacerItem;
class QVBoxLayout;

class ExtranetsearchFrame : public PageBase, public DeviceWatcher
{
    Q_OBJECT

public:
    // Posted to the page at the end of a search and when its work list
    // empties: the button and the tool bar are enabled again.
    static constexpr QEvent::Type SearchListChangedEvent = static_cast<QEvent::Type>(1002);

    // The page's form, built in this order (object names as the fields).
    struct Form {
        QVBoxLayout* verticalLayout = nullptr;
        QFrame* line = nullptr;
        QFrame* m_pInputIPFrame = nullptr;
        QHBoxLayout* horizontalLayout_2 = nullptr;
        QHBoxLayout* horizontalLayout = nullptr;
        QLabel* m_pLabelStaIP = nullptr;
        QLineEdit* m_pEditStaIP = nullptr;
        QLabel* m_pLabelEndIP = nullptr;
        QLineEdit* m_pEditEndIP = nullptr;
        QSpacerItem* horizontalSpacer = nullptr;
        QPushButton* m_pBtnQuery = nullptr;
        CheckBoxTableView* m_pDeviceTableView = nullptr;
    };

    explicit ExtranetsearchFrame(QWidget* parent = nullptr);
    // Deletes the form. The devices of a search that has not ended are
    // deleted; published ones stay with DeviceInfoMng.
    ~ExtranetsearchFrame() override;

    // The tool bar's filter on the table; both refresh the shown list.
    void setFilterColumn(int column) override;
    void setFilterText(const QString& text) override;

    // A device of the page's work reported back; any thread (DeviceWatcher).
    void removeWorkDevice(DeviceInfo* device, bool remove) override;

    // The result callback of VLNetSearchDevPoint2Point: 0 for a null user,
    // else 1; the record (null: the end) goes to the page.
    static int VLNET_CALL sdkSearchCallback(const VLNET_SEARCH_DEV_RSP* record, void* user);
    // The result callback of vl_search_device. A null user does nothing; a
    // null text ends the search; a text that is no JSON object is ignored.
    static void VL_CALL rangeSearchCallback(const char* json, void* user);
    // One answer, or for null the end of the search; any thread.
    void addSearchResult(const SearchDevRsp* record);

    const Form& form() const { return *ui; }
    CheckBoxTableModel* tableModel() const { return model; }

    // Test seams, process-wide, each returning the one it replaced: the two
    // searches the page starts and the opener of a device's web page (the
    // platform's vlsys::openUrl by default).
    using WrapperSearch = int (*)(const char* json, vl_json_callback callback, void* user);
    using VlnetSearch = int(VLNET_CALL*)(const VLNET_SEARCH_DEV_POINT2POINT* search);
    using UrlOpener = bool (*)(const std::string& url);
    static WrapperSearch setWrapperSearch(WrapperSearch search);
    static VlnetSearch setVlnetSearch(VlnetSearch search);
    static UrlOpener setUrlOpener(UrlOpener opener);

public slots:
    // The Query button: starts a range search of the two edits' texts.
    void SearchExtranetDevice();
    // A click on a row's IP cell (column 1) opens the device's web page.
    void onClickTableView(const QModelIndex& index);
    void OnRefreshTimeOut();

protected:
    void customEvent(QEvent* event) override;
    // The Query button (PageBase::setBusy adds the tool bar).
    void setActionsEnabled(bool enabled) override;

private:
    void buildForm();
    void setTexts();
    // The end of a search, on the GUI thread.
    void publishResults();
    Form* ui = nullptr;
    // The devices of the running search (listMutex, foundList).
    RangeSearchList m_found;
    QTimer refreshTimer;
    CheckBoxTableModel* model = nullptr;
    // GUI thread: a search was started and its end is not yet published.
    bool m_searching = false;
};
