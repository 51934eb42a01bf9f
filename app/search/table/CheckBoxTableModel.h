#pragma once
// The one table model behind every device table of the program. A page builds
// its own model with the table kind that names the page; the kind selects the
// columns (by customer edition, DeviceTableEditions), the cell values and
// which of the device's per-kind check marks the check column shows. Rows are
// devices owned by DeviceInfoMng; the model never deletes one. A device keeps
// its check marks itself, one per kind, so a device checked on one page is
// independent of every other page and keeps its mark when the page reloads.
//
// A page shows the model through its sort proxy in a CheckBoxTableView
// (search/table/ui):
//
//   m_model = new CheckBoxTableModel(m_view, CheckBoxTableModel::RebootTable);
//   m_view->setCheckModel(m_model->sortProxy(), 0);
//   ...
//   m_model->clearDevices();                      // reload after a search
//   m_model->setDevices(DeviceInfoMng::instance()->devices());
//   ...
//   m_model->setFilterText(text);                 // the tool bar's filter
//   m_model->sortProxy()->setFilterRegExp(QRegExp(text, Qt::CaseInsensitive));
//   m_model->refreshShownList();
//   ...
//   QList<DeviceInfo*> work;
//   m_model->checkedDevices(work);                // the checked rows shown
//   ...
//   m_model->updateDevice(device->statusCellIndex[CheckBoxTableModel::RebootTable], false);
//
// Around the rows the model keeps three lists that the pages' actions read:
// the shown list (the rows the proxy lets through), the checked list (the
// shown rows checked for this kind) and the https list (the shown rows whose
// https box is checked, search tables only). The checked and https lists are
// rebuilt only by updateCheckedList and updateHttpsList, which the view calls
// after every click.
//
// GUI thread only; the model takes no lock. Search results from other threads
// reach the GUI thread before they reach a model.
#include <QAbstractTableModel>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

class DeviceInfo;
class TableViewSortProxy;

class CheckBoxTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // One kind per page. Only kinds 0 and 6 keep https boxes.
    enum TableKind : int {
        SearchTable = 0,
        UpgradeTable = 1,
        DeviceSettingsTable = 2, // batch network settings
        ImportExportTable = 3,
        PasswordTable = 4,
        ExcelTable = 5, // export to workbook
        RangeSearchTable = 6, // IP-range search
        StreamTable = 7,
        OsdTable = 8,
        RecoveryTable = 9,
        InitialiseTable = 10,
        RebootTable = 11,
        ChangeDeviceTable = 12,
        DeveloperTable = 13,
        AutoUpgradeTable = 14,
        VideoFormatTable = 15,
    };
    static constexpr int kKindCount = 16;

    // The values a cell of the upgrade and video-format tables can show.
    enum CellCode {
        NoCell = -1,
        IpCell = 0,
        MediaPortCell = 1,
        MediaPortOrNaCell = 2, // "N/A" for a port of 0
        WebPortCell = 3,
        ChannelsCell = 4,
        NameCell = 5,
        SoftwareCell = 6,
        MacCell = 7,
        StatusCell = 8, // the status text of the caller's family
        QueriedVersionCell = 9,
        MatchTextCell = 10,
        VideoFormatCell = 11,
        ActivatedCell = 12,
    };
    // Customer ids -> cell codes of columns 1, 2, 3, ...
    using CellCodeMap = QMap<QList<int>, QList<int>>;

    // `parent`: the page's table view, which also becomes the proxy's
    // parent. `checkColumn`: 0, or -1 for a table without check boxes.
    CheckBoxTableModel(QObject* parent, TableKind kind, int checkColumn = 0);
    // The devices and the proxy are not deleted.
    ~CheckBoxTableModel() override;

    TableKind tableKind() const { return m_kind; }
    int checkColumn() const { return m_checkColumn; }

    // The model's proxy, made on the first call (parent: the model's parent,
    // or the model itself when it has none), dynamic sort filter on.
    TableViewSortProxy* sortProxy();
    bool hasSortProxy() const { return m_proxy != nullptr; }

    // The rows become `devices`, less those the kind does not list (stream
    // and OSD: devices with more than one channel; initialise: activated
    // devices); the shown list becomes all rows. The checked and https lists
    // keep their entries that are still rows.
    void setDevices(const QList<DeviceInfo*>& devices);
    void resetDevices(const QList<DeviceInfo*>& devices) { setDevices(devices); }
    // Empties the table and the three lists; both header boxes are told
    // Unchecked.
    void clearDevices();

    // The shown list from the proxy: all rows in model order when the proxy
    // hides none, else the proxy's rows in its order. Call after every
    // change of the filter.
    void refreshShownList();
    // Rebuild the checked (https) list from the shown list and tell the
    // header box: Unchecked, PartiallyChecked or Checked.
    void updateCheckedList();
    void updateHttpsList();
    // The header boxes: every shown row gets `state`; hidden rows keep theirs.
    void setAllCheckState(Qt::CheckState state);
    void setAllHttpsState(Qt::CheckState state);

    // The row's check state for this kind (a Qt::CheckState), by proxy
    // index; 0 for an invalid index. setCheckState stores one (the checked
    // list follows at the next updateCheckedList); on the import/export page
    // of the editions that check only devices of one name it may refuse,
    // emitting checkRefused.
    int checkState(const QModelIndex& proxyIndex) const;
    void setCheckState(const QModelIndex& proxyIndex, int state);
    // The row's https box (0 or 2), search tables (kinds 0 and 6) only.
    int httpsState(const QModelIndex& proxyIndex) const;
    void setHttpsState(const QModelIndex& proxyIndex, int state);

    // `out` becomes a copy of the checked list.
    void checkedDevices(QList<DeviceInfo*>& out) const;
    const QList<DeviceInfo*>& devices() const { return m_rows; }
    const QList<DeviceInfo*>& shownDevices() const { return m_shownList; }
    const QList<DeviceInfo*>& httpsDevices() const { return m_httpsList; }
    // The device of an index of the proxy (or of the model); null for an
    // invalid index.
    DeviceInfo* deviceAt(const QModelIndex& proxyIndex) const;

    // Repaints a device's row after its status changed: `statusCell` is the
    // index the model stored in the device for this kind
    // (DeviceInfo::statusCellIndex); the cell alone, or the whole row.
    void updateDevice(const QModelIndex& statusCell, bool wholeRow);

    // Whether the view may sort on `column`: always, unless the status sort
    // is locked (the upgrade page) and the column is the upgrade table's
    // status column.
    bool isSortableColumn(int column) const;
    void setStatusSortLocked(bool locked) { m_statusSortLocked = locked; }
    bool statusSortLocked() const { return m_statusSortLocked; }

    // The source row under the mouse (-1 for none), painted with the hover
    // background; set by the view.
    int hoverRow() const { return m_hoverRow; }
    void setHoverRow(int row) { m_hoverRow = row; }

    // The tool bar's filter as the page last applied it (the choice, not the
    // mapped column, and the text).
    int filterColumn() const { return m_filterColumn; }
    void setFilterColumn(int choice) { m_filterColumn = choice; }
    QString filterText() const { return m_filterText; }
    void setFilterText(const QString& text) { m_filterText = text; }

    // The header texts, column 0 first, and the column of the status text
    // (the last column when no header is the status text).
    const QStringList& headerTexts() const { return m_headers; }
    int statusColumn() const { return m_statusColumn; }
    // The column whose header is the https text (a search table's https
    // column), or -1.
    int httpsColumn() const;

    // ---- Columns by kind and customer ------------------------------------

    // Fills the header list for the kind and the current customer and
    // registers the model for the settings' broadcast events.
    void buildHeaders();
    // Refills the two process-wide cell-code maps.
    static void initCellCodeMaps();
    static CellCodeMap upgradeCellCodes;
    static CellCodeMap videoFormatCellCodes;
    // The codes of `customer` in `map`: those of the first key that holds
    // the customer, else those of the key {0}.
    static QList<int> cellCodesForCustomer(int customer, const CellCodeMap& map);

    // ---- Cell values ------------------------------------------------------

    // One display function per kind: the value of (source row, column), an
    // invalid QVariant where the cell has none.
    QVariant displaySearch(int row, int column) const;
    QVariant displayUpgrade(int row, int column) const;
    QVariant displayDeviceSettings(int row, int column) const;
    QVariant displayImportExport(int row, int column) const;
    QVariant displayPassword(int row, int column) const;
    QVariant displayExcel(int row, int column) const;
    QVariant displayRangeSearch(int row, int column) const;
    QVariant displayStream(int row, int column) const;
    QVariant displayOsd(int row, int column) const;
    QVariant displayRecovery(int row, int column) const;
    QVariant displayInitialise(int row, int column) const;
    QVariant displayReboot(int row, int column) const;
    QVariant displayChangeDevice(int row, int column) const;
    QVariant displayDeveloper(int row, int column) const;
    QVariant displayAutoUpgrade(int row, int column) const;
    QVariant displayVideoFormat(int row, int column) const;
    // The value of one cell code for `device`; StatusCell shows `family`.
    static QVariant cellByCode(const DeviceInfo* device, int code, int family);

    // IPv4 texts with every part zero-padded to three digits, and back. A
    // text that is no four-part address of 0..255 comes back unchanged, with
    // a warning in the Qt log.
    static QString padIpAddress(const QString& text);
    static QString unpadIpAddress(const QString& text);

    // ---- QAbstractItemModel ------------------------------------------------

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Stores nothing: check marks change through setCheckState and
    // setHttpsState only.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The state the header's check box (https box) shows.
    void dataChangeToheader(Qt::CheckState state);
    void dataChangeToHttpsHeader(Qt::CheckState state);
    // setCheckState refused to check `device`: only devices of one name may
    // be checked together on this page. The view tells the user.
    void checkRefused(DeviceInfo* device);

protected:
    // Language and protocol changes rebuild the headers.
    void customEvent(QEvent* event) override;

private:
    // The value of a header-driven kind: the cell under header
    // m_headerIds[column] of the row's device, with the edition's rules.
    QVariant displayByHeader(int row, int column) const;
    QVariant displayByCodes(int row, int column, const CellCodeMap& map, int family) const;
    QVariant headerCell(const DeviceInfo* device, int row, int headerId) const;
    DeviceInfo* deviceOfRow(int row) const;
    QModelIndex toSource(const QModelIndex& index) const;
    // The state the header box shows for `taken` of `shown` rows.
    static Qt::CheckState stateOf(int taken, int shown);
    bool keepsHttps() const;

    int m_checkColumn;
    int m_hoverRow = -1;
    TableKind m_kind;
    QStringList m_headers;
    QVector<int> m_headerIds;
    int m_statusColumn = -1;
    QList<DeviceInfo*> m_rows;
    QList<DeviceInfo*> m_checkedList;
    QList<DeviceInfo*> m_httpsList;
    QList<DeviceInfo*> m_shownList;
    TableViewSortProxy* m_proxy = nullptr;
    // The reference device of the one-name rule: its name, whether it
    // holds (1) and the device.
    QString m_refName;
    int m_refCount = 0;
    DeviceInfo* m_refDevice = nullptr;
    int m_filterColumn = 0;
    QString m_filterText;
    bool m_statusSortLocked = false;
};
