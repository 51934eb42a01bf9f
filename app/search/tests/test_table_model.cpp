// The device table model: its columns by kind and customer, the rows each
// kind lists, the shown, checked and https lists with the header box's
// state, the cell values with the customers' rules, and the sort proxy's
// order of rows.
#include "ShellTestEnv.h"
#include "TableDevices.h"
#include "search/table/CheckBoxTableModel.h"
#include "search/table/TableViewSortProxy.h"
#include "shell/edition/DeviceTableEditions.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QRegExp>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <gtest/gtest.h>
#include <memory>

namespace
{

using Model = CheckBoxTableModel;

ShellTestEnv::Options editionOptions(int edition)
{
    ShellTestEnv::Options o;
    o.edition = edition;
    return o;
}

// A model of one kind showing `devices`.
struct Table : Model {
    Table(Model::TableKind kind, const TableDevices& devices, int checkColumn = 0)
        : Model(nullptr, kind, checkColumn)
    {
        setDevices(devices.list());
    }
};

QStringList textsOf(const QVector<int>& ids)
{
    QStringList texts;
    for (int id : ids)
        texts << TextTable::text(id);
    return texts;
}

QVariant cell(Model& model, int row, int column, int role = Qt::DisplayRole)
{
    return model.data(model.index(row, column), role);
}

// The column headed by text `id`; -1 when the table has none.
int columnOf(const Model& model, int id)
{
    return model.headerTexts().indexOf(TextTable::text(id));
}

// Records the states a model announces to its header boxes.
struct HeaderStates {
    explicit HeaderStates(Model& model)
    {
        QObject::connect(&model, &Model::dataChangeToheader, [this](Qt::CheckState s) { check << s; });
        QObject::connect(&model, &Model::dataChangeToHttpsHeader, [this](Qt::CheckState s) { https << s; });
    }
    QList<Qt::CheckState> check;
    QList<Qt::CheckState> https;
};

// Collects the warnings of the Qt log while it lives.
class WarningLog
{
public:
    WarningLog()
    {
        s_log = this;
        m_previous = qInstallMessageHandler(&WarningLog::handle);
    }
    ~WarningLog()
    {
        qInstallMessageHandler(m_previous);
        s_log = nullptr;
    }
    QStringList warnings;

private:
    static void handle(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (type == QtWarningMsg && s_log)
            s_log->warnings << text;
    }
    static WarningLog* s_log;
    QtMessageHandler m_previous = nullptr;
};
WarningLog* WarningLog::s_log = nullptr;

} // namespace

// ---- Qt's model tester --------------------------------------------------------

TEST(TableModel, EveryKindPassesQtsModelTesterThroughChanges)
{
    ShellTestEnv env;
    TableDevices devices;
    devices.addRange(4);
    devices.add({ QStringLiteral("10.0.0.9"), QStringLiteral("NVR"), 8 });
    TableDeviceSpec fresh;
    fresh.ip = QStringLiteral("10.0.0.3");
    fresh.activated = false;
    devices.add(fresh);

    for (int kind = 0; kind < Model::kKindCount; ++kind) {
        SCOPED_TRACE(kind);
        Model model(nullptr, Model::TableKind(kind));
        QAbstractItemModelTester sourceTester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        QAbstractItemModelTester proxyTester(
            model.sortProxy(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        model.setDevices(devices.list());
        EXPECT_GT(model.rowCount(), 0);
        // A table: no cell has children.
        EXPECT_EQ(model.rowCount(model.index(0, 0)), 0);
        EXPECT_EQ(model.columnCount(model.index(0, 0)), 0);
        EXPECT_FALSE(model.index(0, 0, model.index(0, 0)).isValid());
        model.sortProxy()->sort(1, Qt::DescendingOrder);
        model.setHoverRow(0);
        model.setAllCheckState(Qt::Checked);
        QEvent languageChanged(LanguageChangedEvent);
        QCoreApplication::sendEvent(&model, &languageChanged);
        model.clearDevices();
        model.setDevices(devices.list());
    }
}

// ---- Columns -------------------------------------------------------------------

TEST(TableModel, HeadersFollowKindAndCustomer)
{
    struct Case {
        int kind;
        int customer;
        QVector<int> ids;
    };
    const Case cases[] = {
        { 0, 0, { 31, 32, 33, 42, 34, 60, 35, 36, 37, 38, 39, 43, 127, 198, 44 } },
        { 0, 42, { 31, 32, 158, 33, 42, 34, 60, 35, 36, 37, 38, 39, 43, 127, 44 } },
        { 0, 53, { 31, 32, 44, 33, 42, 34, 60, 35, 36, 37, 38, 39, 43, 198, 127 } },
        { 0, 99, { 31, 32, 33, 42, 34, 60, 35, 36, 37, 38, 39, 43, 127, 198, 44 } },
        { 1, 44, { 31, 191, 42, 34, 60, 190, 36, 44 } },
        { 1, 60, { 31, 32, 33, 34, 60, 36, 44, 142, 145 } },
        { 4, 43, { 31, 32, 42, 34, 60, 36, 44 } },
        { 6, 5, { 31, 32, 158, 33, 42, 34, 60, 35, 36, 37, 38, 39, 43, 127, 44 } },
        { 6, 23, { 31, 32, 33, 42, 34, 60, 35, 36, 37, 38, 39, 43, 127, 44 } },
        { 10, 46, { 31, 32, 42, 33, 34, 60, 36, 198, 44 } },
        { 13, 57, { 31, 32, 33, 60, 35, 36, 243, 242, 44 } },
        { 14, 67, { 31, 32, 33, 34, 60, 36, 44 } },
        { 14, 1, { 31, 32, 33, 34, 60, 36, 44, 142, 145 } },
        { 15, -1, { 31, 32, 44, 198, 33, 34, 60, 36 } },
        { 16, 0, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << ", customer " << c.customer);
        ShellTestEnv env(editionOptions(c.customer));
        Model model(nullptr, Model::TableKind(c.kind));
        EXPECT_EQ(model.headerTexts(), textsOf(c.ids));
        EXPECT_EQ(model.columnCount(), c.ids.size());
        for (int i = 0; i < c.ids.size(); ++i)
            EXPECT_EQ(model.headerData(i, Qt::Horizontal).toString(), TextTable::text(c.ids[i]));
        EXPECT_FALSE(model.headerData(c.ids.size(), Qt::Horizontal).isValid());
    }
}

TEST(TableModel, EveryTextTheTablesShowIsInTheShippedLanguageFiles)
{
    ShellTestEnv env;
    QVector<int> ids = DeviceTableEditions::allHeaderIds();
    ids << 125; // the refused check
    for (const char* file : { "ENU.xml", "CHS.xml" }) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(TextTable::load(ShellTestEnv::programDir() + QStringLiteral("/Language/") + file));
        for (int id : ids)
            EXPECT_FALSE(TextTable::text(id).trimmed().isEmpty()) << "text " << id;
    }
}

TEST(TableModel, CellCodesOfACustomerComeFromItsKeyOrFromKeyZero)
{
    ShellTestEnv env;
    Model model(nullptr, Model::UpgradeTable); // fills the maps
    const auto codes = [](int customer, const Model::CellCodeMap& map) {
        return Model::cellCodesForCustomer(customer, map);
    };
    EXPECT_EQ(codes(53, Model::upgradeCellCodes), codes(34, Model::upgradeCellCodes));
    EXPECT_NE(codes(53, Model::upgradeCellCodes), codes(0, Model::upgradeCellCodes));
    EXPECT_EQ(codes(53, Model::videoFormatCellCodes), codes(0, Model::videoFormatCellCodes));
    for (int customer : { 5, 45, 99, -1 }) {
        EXPECT_EQ(codes(customer, Model::upgradeCellCodes), (QList<int> { 0, 1, 4, 5, 6, 8, 9, 10 }));
        EXPECT_EQ(codes(customer, Model::videoFormatCellCodes), codes(0, Model::videoFormatCellCodes));
    }
}

TEST(TableModel, LanguageChangeRetranslatesTheHeadersOnce)
{
    ShellTestEnv env;
    GKAppSetting* settings = env.settings();
    Model model(nullptr, Model::SearchTable);
    const int receivers = settings->receiverCount();
    const QString englishStatus = model.headerTexts().last();
    QSignalSpy reset(&model, &Model::modelReset);

    settings->setLanguage(1); // CHS.xml
    QCoreApplication::processEvents();

    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.headerTexts().size(), 15);
    EXPECT_EQ(model.headerTexts().last(), TextTable::text(44));
    EXPECT_NE(model.headerTexts().last(), englishStatus);
    EXPECT_EQ(settings->receiverCount(), receivers);
}

// ---- Rows -----------------------------------------------------------------------

TEST(TableModel, StreamOsdAndInitialisePagesListOnlyTheirDevices)
{
    ShellTestEnv env;
    TableDevices devices;
    DeviceInfo* single = devices.add({ QStringLiteral("10.0.0.1") });
    DeviceInfo* fourChannels = devices.add({ QStringLiteral("10.0.0.2"), QStringLiteral("NVR"), 4 });
    TableDeviceSpec spec;
    spec.ip = QStringLiteral("10.0.0.3");
    spec.activated = false;
    DeviceInfo* fresh = devices.add(spec);
    QList<DeviceInfo*> withNull = devices.list();
    withNull.insert(1, nullptr);

    struct Case {
        Model::TableKind kind;
        QList<DeviceInfo*> rows;
    };
    const Case cases[] = {
        { Model::StreamTable, { single, fresh } },
        { Model::OsdTable, { single, fresh } },
        { Model::InitialiseTable, { fresh } },
        { Model::SearchTable, { single, fourChannels, fresh } },
        { Model::RebootTable, { single, fourChannels, fresh } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.kind));
        Model model(nullptr, c.kind);
        model.setDevices(withNull);
        EXPECT_EQ(model.devices(), c.rows);
        EXPECT_EQ(model.shownDevices(), c.rows);
    }
}

TEST(TableModel, ShownListIsModelOrderUnlessTheFilterHidesRows)
{
    ShellTestEnv env;
    TableDevices devices;
    devices.add({ QStringLiteral("10.0.0.2"), QStringLiteral("b") });
    devices.add({ QStringLiteral("10.0.0.10"), QStringLiteral("a") });
    devices.add({ QStringLiteral("10.0.0.1"), QStringLiteral("c") });
    Table model(Model::SearchTable, devices);
    TableViewSortProxy* proxy = model.sortProxy();

    proxy->sort(1, Qt::DescendingOrder); // 10.0.0.10, 10.0.0.2, 10.0.0.1
    model.refreshShownList();
    EXPECT_EQ(model.shownDevices(), devices.list());

    proxy->setFilterKeyColumn(5); // the device name
    proxy->setFilterRegExp(QRegExp(QStringLiteral("[AB]"), Qt::CaseInsensitive));
    model.refreshShownList();
    EXPECT_EQ(model.shownDevices(), (QList<DeviceInfo*> { devices.at(1), devices.at(0) }));
}

TEST(TableModel, HeaderBoxFollowsTheCheckedShownRows)
{
    ShellTestEnv env;
    TableDevices devices;
    devices.addRange(3);
    Table model(Model::RebootTable, devices);
    TableViewSortProxy* proxy = model.sortProxy();
    HeaderStates states(model);
    const auto proxyRowOf = [&](DeviceInfo* d) {
        for (int r = 0; r < proxy->rowCount(); ++r) {
            if (model.deviceAt(proxy->index(r, 0)) == d)
                return proxy->index(r, 0);
        }
        return QModelIndex();
    };

    model.updateCheckedList();
    model.setCheckState(proxyRowOf(devices.at(1)), Qt::Checked);
    model.updateCheckedList();
    model.setCheckState(proxyRowOf(devices.at(0)), Qt::Checked);
    model.setCheckState(proxyRowOf(devices.at(2)), Qt::Checked);
    model.updateCheckedList();
    EXPECT_EQ(states.check, (QList<Qt::CheckState> { Qt::Unchecked, Qt::PartiallyChecked, Qt::Checked }));
    QList<DeviceInfo*> checked;
    model.checkedDevices(checked);
    EXPECT_EQ(checked, devices.list());
    // The mark belongs to this kind alone.
    EXPECT_EQ(devices.at(1)->checkState[Model::RebootTable], int(Qt::Checked));
    EXPECT_EQ(devices.at(1)->checkState[Model::SearchTable], int(Qt::Unchecked));

    // The filter hides the only checked row.
    model.setCheckState(proxyRowOf(devices.at(0)), Qt::Unchecked);
    model.setCheckState(proxyRowOf(devices.at(2)), Qt::Unchecked);
    proxy->setFilterKeyColumn(5);
    proxy->setFilterRegExp(QRegExp(QStringLiteral("IPC-[13]")));
    model.refreshShownList();
    model.updateCheckedList();
    EXPECT_EQ(states.check.last(), Qt::Unchecked);
    model.checkedDevices(checked);
    EXPECT_TRUE(checked.isEmpty());
}

TEST(TableModel, HeaderBoxSetsOnlyTheShownRows)
{
    ShellTestEnv env;
    TableDevices devices;
    devices.addRange(4);
    Table model(Model::UpgradeTable, devices);
    devices.at(3)->checkState[Model::UpgradeTable] = Qt::Checked;
    model.sortProxy()->setFilterKeyColumn(1);
    model.sortProxy()->setFilterRegExp(QRegExp(QStringLiteral("\\.[12]$")));
    model.refreshShownList();
    HeaderStates states(model);

    model.setAllCheckState(Qt::Checked);
    QList<DeviceInfo*> checked;
    model.checkedDevices(checked);
    EXPECT_EQ(checked, (QList<DeviceInfo*> { devices.at(0), devices.at(1) }));
    EXPECT_EQ(devices.at(2)->checkState[Model::UpgradeTable], int(Qt::Unchecked));
    EXPECT_EQ(devices.at(3)->checkState[Model::UpgradeTable], int(Qt::Checked));
    EXPECT_TRUE(states.check.isEmpty()); // the header shows the state already

    model.setAllCheckState(Qt::Unchecked);
    model.checkedDevices(checked);
    EXPECT_TRUE(checked.isEmpty());
    EXPECT_EQ(devices.at(0)->checkState[Model::UpgradeTable], int(Qt::Unchecked));
    EXPECT_EQ(devices.at(3)->checkState[Model::UpgradeTable], int(Qt::Checked));
}

TEST(TableModel, HttpsBoxesBelongToTheSearchTablesOnly)
{
    ShellTestEnv env(editionOptions(20));
    TableDevices devices;
    devices.addRange(2);
    for (Model::TableKind kind : { Model::SearchTable, Model::RangeSearchTable, Model::PasswordTable }) {
        SCOPED_TRACE(int(kind));
        devices.at(0)->httpsCheck = 0;
        devices.at(1)->httpsCheck = 0;
        Table model(kind, devices);
        HeaderStates states(model);
        const bool keeps = kind != Model::PasswordTable;
        model.setHttpsState(model.sortProxy()->index(0, 0), Qt::Checked);
        model.updateHttpsList();
        EXPECT_EQ(model.httpsDevices().size(), keeps ? 1 : 0);
        EXPECT_EQ(states.https.last(), keeps ? Qt::PartiallyChecked : Qt::Unchecked);
        model.setAllHttpsState(Qt::Checked);
        EXPECT_EQ(model.httpsDevices().size(), keeps ? 2 : 0);
        EXPECT_EQ(model.httpsState(model.sortProxy()->index(1, 0)), keeps ? 2 : 0);
        EXPECT_EQ(model.httpsColumn(), keeps ? 2 : -1);
    }
}

TEST(TableModel, ClearingEmptiesTheListsAndUnchecksBothHeaderBoxes)
{
    ShellTestEnv env;
    TableDevices devices;
    devices.addRange(2);
    Table model(Model::SearchTable, devices);
    model.setAllCheckState(Qt::Checked);
    model.setAllHttpsState(Qt::Checked);
    HeaderStates states(model);

    model.clearDevices();

    QList<DeviceInfo*> checked { devices.at(0) };
    model.checkedDevices(checked);
    EXPECT_TRUE(checked.isEmpty());
    EXPECT_TRUE(model.httpsDevices().isEmpty());
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(states.check, QList<Qt::CheckState> { Qt::Unchecked });
    EXPECT_EQ(states.https, QList<Qt::CheckState> { Qt::Unchecked });
}

// A page that reloads without clearing must never get back a device of the
// old list: a new search has deleted those.
TEST(TableModel, ReloadedRowsForgetCheckedDevicesThatAreGone)
{
    ShellTestEnv env;
    TableDevices old;
    old.addRange(2);
    TableDevices fresh;
    fresh.addRange(1, 10);
    Model model(nullptr, Model::SearchTable);
    model.setDevices(old.list());
    model.setAllCheckState(Qt::Checked);
    model.setAllHttpsState(Qt::Checked);

    QList<DeviceInfo*> next = fresh.list();
    next << old.at(1);
    model.setDevices(next);
    old.at(1)->checkState[Model::SearchTable] = Qt::Checked;

    QList<DeviceInfo*> checked;
    model.checkedDevices(checked);
    EXPECT_EQ(checked, QList<DeviceInfo*> { old.at(1) });
    EXPECT_EQ(model.httpsDevices(), QList<DeviceInfo*> { old.at(1) });
}

TEST(TableModel, ImportExportOfCustomer16ChecksDevicesOfOneNameTogether)
{
    ShellTestEnv env(editionOptions(16));
    TableDevices devices;
    DeviceInfo* a = devices.add({ QStringLiteral("10.0.0.1"), QStringLiteral("Lobby") });
    DeviceInfo* b = devices.add({ QStringLiteral("10.0.0.2"), QStringLiteral("Yard") });
    DeviceInfo* c = devices.add({ QStringLiteral("10.0.0.3"), QStringLiteral("Lobby") });
    Table model(Model::ImportExportTable, devices);
    QList<DeviceInfo*> refused;
    QObject::connect(&model, &Model::checkRefused, [&](DeviceInfo* d) { refused << d; });
    const auto rowOf = [&](int r) { return model.sortProxy()->index(r, 0); };

    model.setCheckState(rowOf(0), Qt::Checked); // the reference: "Lobby"
    model.setCheckState(rowOf(1), Qt::Checked);
    model.setCheckState(rowOf(2), Qt::Checked);
    EXPECT_EQ(refused, QList<DeviceInfo*> { b });
    EXPECT_EQ(a->checkState[Model::ImportExportTable], int(Qt::Checked));
    EXPECT_EQ(b->checkState[Model::ImportExportTable], int(Qt::Unchecked));
    EXPECT_EQ(c->checkState[Model::ImportExportTable], int(Qt::Checked));

    // Once a checked device is unchecked, the next one checked is the new
    // reference, whatever its name.
    model.setCheckState(rowOf(2), Qt::Unchecked);
    model.setCheckState(rowOf(1), Qt::Checked);
    EXPECT_EQ(refused.size(), 1);
    EXPECT_EQ(b->checkState[Model::ImportExportTable], int(Qt::Checked));

    // Other kinds and other customers have no such rule.
    Table other(Model::RebootTable, devices);
    other.setCheckState(other.sortProxy()->index(0, 0), Qt::Checked);
    other.setCheckState(other.sortProxy()->index(1, 0), Qt::Checked);
    EXPECT_EQ(refused.size(), 1);
}

// The reference device goes with the list a new search replaced; a check
// afterwards must not read the deleted record.
TEST(TableModel, SameNameRuleForgetsAReferenceThatIsNoLongerARow)
{
    ShellTestEnv env(editionOptions(16));
    TableDevices old;
    old.add({ QStringLiteral("10.0.0.1"), QStringLiteral("Lobby") });
    TableDevices fresh;
    fresh.add({ QStringLiteral("10.0.0.2"), QStringLiteral("Yard") });
    Model model(nullptr, Model::ImportExportTable);
    model.setDevices(old.list());
    model.setCheckState(model.sortProxy()->index(0, 0), Qt::Checked);

    model.setDevices(fresh.list());
    old.clear();
    int refusals = 0;
    QObject::connect(&model, &Model::checkRefused, [&] { ++refusals; });
    model.setCheckState(model.sortProxy()->index(0, 0), Qt::Checked);

    EXPECT_EQ(refusals, 0);
    EXPECT_EQ(fresh.at(0)->checkState[Model::ImportExportTable], int(Qt::Checked));
}

// ---- Indexes, flags, repaint ----------------------------------------------------------

TEST(TableModel, StatusCellIndexIsStoredInTheDeviceForItsKind)
{
    ShellTestEnv env(editionOptions(34));
    TableDevices devices;
    devices.addRange(2);
    Table model(Model::SearchTable, devices);
    ASSERT_EQ(model.statusColumn(), 2);

    model.index(1, 3);
    EXPECT_FALSE(devices.at(1)->statusCellIndex[Model::SearchTable].isValid());
    const QModelIndex status = model.index(1, 2);
    EXPECT_EQ(devices.at(1)->statusCellIndex[Model::SearchTable], status);
    EXPECT_FALSE(devices.at(1)->statusCellIndex[Model::RebootTable].isValid());

    QSignalSpy changed(&model, &Model::dataChanged);
    model.updateDevice(status, false);
    model.updateDevice(status, true);
    model.updateDevice(QModelIndex(), true);
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex(), status);
    EXPECT_EQ(changed.at(0).at(1).toModelIndex(), status);
    EXPECT_EQ(changed.at(1).at(0).toModelIndex(), model.index(1, 0));
    EXPECT_EQ(changed.at(1).at(1).toModelIndex(), model.index(1, model.columnCount() - 1));
}

TEST(TableModel, CheckAndHttpsColumnsAreUserCheckable)
{
    ShellTestEnv env;
    TableDevices devices;
    devices.addRange(1);
    for (int kind = 0; kind < Model::kKindCount; ++kind) {
        SCOPED_TRACE(kind);
        Table model(Model::TableKind(kind), devices);
        if (model.rowCount() == 0)
            continue; // the initialise page lists no activated device
        EXPECT_EQ(int(model.flags(model.index(0, 0))), 61);
        EXPECT_EQ(int(model.flags(model.index(0, 1))), 45);
        EXPECT_EQ(int(model.flags(model.index(0, 2))), 61);
        EXPECT_FALSE(model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole));
    }
    Table onvif(Model::SearchTable, devices, -1);
    EXPECT_EQ(int(onvif.flags(onvif.index(0, 0))), 45);
    EXPECT_EQ(int(onvif.flags(QModelIndex())), 0);
}

TEST(TableModel, UpgradeStatusColumnIsNotSortableWhileLocked)
{
    for (int customer : { 0, 34 }) {
        SCOPED_TRACE(customer);
        ShellTestEnv env(editionOptions(customer));
        Model model(nullptr, Model::UpgradeTable);
        const int status = model.statusColumn();
        for (int column = 0; column < model.columnCount() + 2; ++column)
            EXPECT_TRUE(model.isSortableColumn(column)) << column;
        model.setStatusSortLocked(true);
        for (int column = 0; column < model.columnCount() + 2; ++column)
            EXPECT_EQ(model.isSortableColumn(column), column != status) << column;
    }
}

// ---- Cell values -------------------------------------------------------------------

TEST(TableModel, SearchCellsShowWhatTheirHeadersName)
{
    ShellTestEnv env;
    TableDevices devices;
    TableDeviceSpec spec;
    spec.ip = QStringLiteral("192.168.1.64");
    spec.name = QStringLiteral("Door");
    spec.channels = 4;
    spec.mediaPort = 9000;
    spec.webPort = 8080;
    DeviceInfo* d = devices.add(spec);
    d->setFamilyStatus(DeviceInfo::NetworkFamily, 1);
    d->setFamilyStatus(DeviceInfo::RebootFamily, 2);
    Table model(Model::SearchTable, devices);

    const QVariantList expected = { 1, d->ip(), 9000, 8080, 4, QStringLiteral("Door"), d->devType(),
        d->software(), d->netmask(), d->gateway(), d->mac(), d->netModeText(), d->p2pId(), true,
        d->statusText(DeviceInfo::NetworkFamily) };
    ASSERT_EQ(model.columnCount(), expected.size());
    for (int column = 0; column < expected.size(); ++column) {
        EXPECT_EQ(cell(model, 0, column), expected[column]) << column;
        EXPECT_EQ(cell(model, 0, column, Qt::ToolTipRole), expected[column]) << column;
        EXPECT_EQ(cell(model, 0, column, Qt::TextAlignmentRole).toInt(), 132);
    }
    EXPECT_FALSE(d->statusText(DeviceInfo::NetworkFamily).isEmpty());

    // Each page shows its own family.
    Table reboot(Model::RebootTable, devices);
    EXPECT_EQ(cell(reboot, 0, reboot.statusColumn()), d->statusText(DeviceInfo::RebootFamily));
}

TEST(TableModel, PageSpecificCellsShowTheValuesTheOperationsStored)
{
    ShellTestEnv env;
    TableDevices devices;
    DeviceInfo* d = devices.add({ QStringLiteral("10.0.0.1") });
    d->resolutionText = QStringLiteral("1920*1080");
    d->frameRateText = QStringLiteral("25");
    d->codecText = QStringLiteral("H.265");
    d->bitrate = 2048;
    d->customBitrate = 3000;
    d->osdNameText = QStringLiteral("Gate");
    d->osdNamePosText = QStringLiteral("10,20");
    d->osdTimePosText = QStringLiteral("30,40");
    d->telnetSwitch = QStringLiteral("on");
    d->exportDiskSwitch = QStringLiteral("off");

    Table stream(Model::StreamTable, devices);
    EXPECT_EQ(cell(stream, 0, columnOf(stream, 175)).toString(), QStringLiteral("1920*1080"));
    EXPECT_EQ(cell(stream, 0, columnOf(stream, 176)).toString(), QStringLiteral("25"));
    EXPECT_EQ(cell(stream, 0, columnOf(stream, 177)).toString(), QStringLiteral("H.265"));
    EXPECT_EQ(cell(stream, 0, columnOf(stream, 181)).toInt(), 2048);
    d->bitrateMode = 1; // user-defined
    EXPECT_EQ(cell(stream, 0, columnOf(stream, 181)).toInt(), 3000);

    Table osd(Model::OsdTable, devices);
    EXPECT_EQ(cell(osd, 0, columnOf(osd, 182)).toString(), QStringLiteral("Gate"));
    EXPECT_EQ(cell(osd, 0, columnOf(osd, 183)).toString(), QStringLiteral("10,20"));
    EXPECT_EQ(cell(osd, 0, columnOf(osd, 184)).toString(), QStringLiteral("30,40"));

    Table developer(Model::DeveloperTable, devices);
    EXPECT_EQ(cell(developer, 0, columnOf(developer, 243)).toString(), QStringLiteral("on"));
    EXPECT_EQ(cell(developer, 0, columnOf(developer, 242)).toString(), QStringLiteral("off"));
}

TEST(TableModel, Customer60ShowsNotAvailablePortsPaddedAddressesAndYesNo)
{
    ShellTestEnv env(editionOptions(60));
    TableDevices devices;
    TableDeviceSpec spec;
    spec.ip = QStringLiteral("10.0.0.5");
    spec.mediaPort = 0;
    spec.gateway = QStringLiteral("10.0.0.1");
    spec.netmask = QStringLiteral("255.0.0.0");
    devices.add(spec);
    TableDeviceSpec fresh = spec;
    fresh.activated = false;
    devices.add(fresh);
    const QString padded = QStringLiteral("010.000.000.001");

    for (Model::TableKind kind : { Model::SearchTable, Model::ExcelTable, Model::RangeSearchTable }) {
        SCOPED_TRACE(int(kind));
        Table model(kind, devices);
        EXPECT_EQ(cell(model, 0, columnOf(model, 33)).toString(), QStringLiteral("N/A"));
        EXPECT_EQ(cell(model, 0, columnOf(model, 38)).toString(), padded);
        EXPECT_EQ(cell(model, 0, columnOf(model, 37)).toString(), QStringLiteral("255.000.000.000"));
        EXPECT_EQ(cell(model, 0, 1).toString(), QStringLiteral("10.0.0.5"));
    }
    Table search(Model::SearchTable, devices);
    EXPECT_EQ(cell(search, 0, columnOf(search, 198)).toString(), QStringLiteral("Yes"));
    EXPECT_EQ(cell(search, 1, columnOf(search, 198)).toString(), QStringLiteral("No"));
    Table initialise(Model::InitialiseTable, devices);
    EXPECT_EQ(cell(initialise, 0, columnOf(initialise, 198)).toString(), QStringLiteral("No"));
    EXPECT_EQ(cell(initialise, 0, columnOf(initialise, 33)).toString(), QStringLiteral("N/A"));

    // The upgrade and video-format tables use the "N/A" cell code.
    Table upgrade(Model::UpgradeTable, devices);
    EXPECT_EQ(cell(upgrade, 0, columnOf(upgrade, 33)).toString(), QStringLiteral("N/A"));
    Table video(Model::VideoFormatTable, devices);
    EXPECT_EQ(cell(video, 0, columnOf(video, 33)).toString(), QStringLiteral("N/A"));
    EXPECT_EQ(cell(video, 1, columnOf(video, 198)), QVariant(false));

    // Another customer sees the port and the flag as they are.
    ShellTestEnv plain;
    EXPECT_EQ(cell(search, 0, columnOf(search, 33)), QVariant(0));
    EXPECT_EQ(cell(search, 0, columnOf(search, 198)), QVariant(true));
    EXPECT_EQ(cell(search, 0, columnOf(search, 38)).toString(), QStringLiteral("10.0.0.1"));
}

TEST(TableModel, Customer57UnpadsAddressesOnTheSearchTableAndStylesTheLinkColumn)
{
    ShellTestEnv env(editionOptions(57));
    TableDevices devices;
    TableDeviceSpec spec;
    spec.ip = QStringLiteral("192.168.001.010");
    spec.gateway = QStringLiteral("192.168.001.001");
    devices.add(spec);
    Table search(Model::SearchTable, devices);
    EXPECT_EQ(cell(search, 0, 1).toString(), QStringLiteral("192.168.1.10"));
    EXPECT_EQ(cell(search, 0, columnOf(search, 38)).toString(), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(cell(search, 0, columnOf(search, 308)).toString(), QStringLiteral("SN0001"));
    Table reboot(Model::RebootTable, devices);
    EXPECT_EQ(cell(reboot, 0, 1).toString(), QStringLiteral("192.168.001.010"));

    EXPECT_TRUE(qvariant_cast<QFont>(cell(search, 0, 1, Qt::FontRole)).bold());
    EXPECT_FALSE(cell(search, 0, 2, Qt::FontRole).isValid());
    EXPECT_EQ(qvariant_cast<QColor>(cell(search, 0, 1, Qt::ForegroundRole)), QColor(12, 160, 199));
    EXPECT_EQ(qvariant_cast<QColor>(cell(search, 0, 3, Qt::ForegroundRole)), QColor(89, 89, 89));
    EXPECT_FALSE(search.headerData(0, Qt::Horizontal, Qt::DecorationRole).isValid());
    EXPECT_EQ(search.headerData(1, Qt::Horizontal, Qt::DecorationRole).type(), QVariant::Icon);
    EXPECT_FALSE(search.headerData(search.columnCount(), Qt::Horizontal, Qt::DecorationRole).isValid());
}

TEST(TableModel, ColoursFollowTheCustomer)
{
    struct Case {
        int customer;
        QColor hover;
        QColor link;
        QColor other; // invalid: none
    };
    const Case cases[] = {
        { 0, QColor(255, 255, 254), QColor(0, 82, 198), QColor() },
        { 53, QColor(205, 205, 205), QColor(0, 82, 198), QColor() },
        { 54, QColor(109, 110, 113), QColor(240, 240, 240), QColor(240, 240, 240) },
        { 59, QColor(251, 251, 194), QColor(243, 108, 33), QColor(0, 0, 0) },
        { 45, QColor(255, 255, 254), QColor(242, 110, 44), QColor() },
        { 58, QColor(255, 255, 254), QColor(222, 31, 38), QColor(0, 0, 0) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.customer);
        ShellTestEnv env(editionOptions(c.customer));
        TableDevices devices;
        devices.addRange(2);
        Table model(Model::SearchTable, devices);
        model.setHoverRow(1);
        EXPECT_FALSE(cell(model, 0, 1, Qt::BackgroundRole).isValid());
        EXPECT_EQ(qvariant_cast<QBrush>(cell(model, 1, 4, Qt::BackgroundRole)).color(), c.hover);
        EXPECT_EQ(qvariant_cast<QColor>(cell(model, 0, 1, Qt::ForegroundRole)), c.link);
        const QVariant other = cell(model, 0, 3, Qt::ForegroundRole);
        EXPECT_EQ(other.isValid(), c.other.isValid());
        if (c.other.isValid()) {
            EXPECT_EQ(qvariant_cast<QColor>(other), c.other);
        }
    }
}

TEST(TableModel, Customer7ShowsTheMakerOfSingleChannelDevicesOnSearchAndWorkbookPages)
{
    ShellTestEnv env(editionOptions(7));
    TableDevices devices;
    TableDeviceSpec camera;
    camera.ip = QStringLiteral("10.0.0.1");
    camera.name = QStringLiteral("Cam");
    camera.manufacturer = QStringLiteral("Acme");
    devices.add(camera);
    TableDeviceSpec recorder = camera;
    recorder.name = QStringLiteral("Recorder");
    recorder.channels = 4;
    devices.add(recorder);

    for (Model::TableKind kind : { Model::SearchTable, Model::ExcelTable, Model::RebootTable }) {
        SCOPED_TRACE(int(kind));
        Table model(kind, devices);
        const int name = columnOf(model, 60);
        EXPECT_EQ(cell(model, 0, name).toString(),
            kind == Model::RebootTable ? QStringLiteral("Cam") : QStringLiteral("Acme"));
        EXPECT_EQ(cell(model, 1, name).toString(), QStringLiteral("Recorder"));
    }
}

TEST(TableModel, UpgradeTablesShowVersionsAndTheComparison)
{
    struct Case {
        int customer;
        // Expected values of columns 1.. by header id.
        QVector<int> headers;
    };
    const Case cases[] = {
        { 0, { 32, 33, 34, 60, 36, 44, 142, 145 } },
        { 31, { 32, 34, 60, 36, 44, 142, 145 } },
        { 34, { 32, 44, 33, 34, 60, 36, 39, 142 } },
        { 42, { 32, 33, 34, 60, 36, 39, 44, 142, 145 } },
        { 43, { 191, 42, 34, 60, 190, 36, 44 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.customer);
        ShellTestEnv env(editionOptions(c.customer));
        TableDevices devices;
        DeviceInfo* d = devices.add({ QStringLiteral("10.0.0.7"), QStringLiteral("Cam"), 2 });
        d->setFamilyStatus(DeviceInfo::UpgradeFamily, 8);
        d->queriedVersion = QStringLiteral("V3.1");
        d->matchVersion = QStringLiteral("V3.1");
        Table model(Model::UpgradeTable, devices);
        ASSERT_EQ(model.columnCount(), c.headers.size() + 1);
        const QMap<int, QVariant> byHeader = {
            { 32, d->ip() },
            { 191, d->ip() },
            { 33, 9000 },
            { 42, 80 },
            { 34, 2 },
            { 60, QStringLiteral("Cam") },
            { 36, d->software() },
            { 39, d->mac() },
            { 190, d->mac() },
            { 44, d->statusText(DeviceInfo::UpgradeFamily) },
            { 142, QStringLiteral("V3.1") },
            { 145, TextTable::text(146) },
        };
        EXPECT_EQ(cell(model, 0, 0), QVariant(1));
        for (int i = 0; i < c.headers.size(); ++i)
            EXPECT_EQ(cell(model, 0, i + 1), byHeader.value(c.headers[i])) << "column " << i + 1;
        EXPECT_FALSE(model.displayUpgrade(0, 10).isValid());
    }
}

TEST(TableModel, ComparisonTextNeedsBothVersionsAndComparesThemWhole)
{
    ShellTestEnv env;
    DeviceInfo d;
    struct Case {
        const char* queried;
        const char* chosen;
        int text; // -1: empty
    };
    const Case cases[] = {
        { "", "V1", -1 },
        { "V1", "", -1 },
        { "V1.2", "V1.2", 146 },
        { "v1.2", "V1.2", 147 },
        { "V1.2", "V1.2.1", 147 },
    };
    for (const Case& c : cases) {
        d.queriedVersion = QLatin1String(c.queried);
        d.matchVersion = QLatin1String(c.chosen);
        EXPECT_EQ(d.upgradeMatchText(), c.text < 0 ? QString() : TextTable::text(c.text))
            << c.queried << " / " << c.chosen;
    }
}

TEST(TableModel, AutoUpgradeShowsTheLastStatusForSomeCustomers)
{
    for (int customer : { 0, 1, 67 }) {
        SCOPED_TRACE(customer);
        ShellTestEnv env(editionOptions(customer));
        TableDevices devices;
        DeviceInfo* d = devices.add({ QStringLiteral("10.0.0.7") });
        d->operation = DeviceInfo::AutoUpgrade;
        d->storeStatus(18); // last status and the automatic-upgrade family
        d->setFamilyStatus(DeviceInfo::AutoUpgradeFamily, 19);
        d->queriedVersion = QStringLiteral("V1");
        d->matchVersion = QStringLiteral("V2");
        Table model(Model::AutoUpgradeTable, devices);
        const bool lastStatus = customer != 1;
        EXPECT_EQ(cell(model, 0, model.statusColumn()).toString(),
            d->statusText(lastStatus ? DeviceInfo::LastStatus : DeviceInfo::AutoUpgradeFamily));
        EXPECT_EQ(columnOf(model, 145) >= 0, !lastStatus);
        if (!lastStatus) {
            EXPECT_EQ(cell(model, 0, columnOf(model, 145)).toString(), TextTable::text(147));
        }
    }
}

TEST(TableModel, VideoFormatCellsFollowTheirHeaders)
{
    ShellTestEnv env;
    TableDevices devices;
    TableDeviceSpec spec;
    spec.ip = QStringLiteral("10.0.0.8");
    spec.name = QStringLiteral("Cam");
    spec.activated = false;
    DeviceInfo* d = devices.add(spec);
    d->setFamilyStatus(DeviceInfo::VideoFormatFamily, 3);
    Table model(Model::VideoFormatTable, devices);
    const QVariantList expected = { 1, QStringLiteral("10.0.0.8"),
        d->statusText(DeviceInfo::VideoFormatFamily), false, 9000, 1, QStringLiteral("Cam"), d->software() };
    ASSERT_EQ(model.columnCount(), expected.size());
    for (int column = 0; column < expected.size(); ++column)
        EXPECT_EQ(cell(model, 0, column), expected[column]) << column;
    d->videoFormat = QStringLiteral("PAL");
    EXPECT_EQ(Model::cellByCode(d, Model::VideoFormatCell, 0).toString(), QStringLiteral("PAL"));
    EXPECT_FALSE(Model::cellByCode(d, 13, 0).isValid());
    EXPECT_FALSE(Model::cellByCode(nullptr, Model::IpCell, 0).isValid());
}

TEST(TableModel, AddressPaddingTakesOnlyFourPartAddresses)
{
    struct Case {
        const char* text;
        const char* padded;
        const char* unpadded;
        const char* warning; // empty: none
    };
    const Case cases[] = {
        { "192.168.1.5", "192.168.001.005", "192.168.1.5", "" },
        { "192.168.001.005", "192.168.001.005", "192.168.1.5", "" },
        { "010.000.000.001", "010.000.000.001", "10.0.0.1", "" },
        { "10.0.0", "10.0.0", "10.0.0", "Invalid IP address" },
        { "10.0.0.256", "10.0.0.256", "10.0.0.256", "Invalid IP part: 256" },
        { "10.0..1", "10.0..1", "10.0..1", "Invalid IP part: " },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WarningLog log;
        EXPECT_EQ(Model::padIpAddress(QLatin1String(c.text)), QLatin1String(c.padded));
        EXPECT_EQ(Model::unpadIpAddress(QLatin1String(c.text)), QLatin1String(c.unpadded));
        for (const QString& w : log.warnings)
            EXPECT_EQ(w, QLatin1String(c.warning));
        EXPECT_EQ(log.warnings.isEmpty(), QByteArray(c.warning).isEmpty());
    }
}

// ---- Sort proxy -----------------------------------------------------------------------

namespace
{

struct ProbeProxy : TableViewSortProxy {
    using TableViewSortProxy::lessThan;
};

} // namespace

TEST(TableSortProxy, ComparesAddressesAsNumbersAndOtherValuesByKind)
{
    struct Case {
        QVariant left;
        QVariant right;
        bool less;
    };
    const Case cases[] = {
        { QStringLiteral("10.0.0.2"), QStringLiteral("10.0.0.10"), true },
        { QStringLiteral("10.0.0.10"), QStringLiteral("10.0.0.2"), false },
        { QStringLiteral("9.255.255.255"), QStringLiteral("10.0.0.0"), true },
        { QStringLiteral("10.0.0.1"), QStringLiteral("Door"), false },
        { QStringLiteral("Door"), QStringLiteral("10.0.0.1"), false },
        { QString(), QStringLiteral("10.0.0.1"), true },
        { QStringLiteral("010.000.000.002"), QStringLiteral("010.000.000.010"), true },
        { QStringLiteral("Alpha"), QStringLiteral("beta"), true },
        { 2, 10, true },
        { 10, 2, false },
        { true, false, false },
        { false, true, false },
        { QVariant(), QStringLiteral("a"), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left.toString().toStdString() + " < " + c.right.toString().toStdString());
        QStandardItemModel source(1, 2);
        source.setData(source.index(0, 0), c.left);
        source.setData(source.index(0, 1), c.right);
        ProbeProxy proxy;
        proxy.setSourceModel(&source);
        EXPECT_EQ(proxy.lessThan(source.index(0, 0), source.index(0, 1)), c.less);
    }
}

TEST(TableSortProxy, SortsTheModelsRowsByAddress)
{
    ShellTestEnv env;
    TableDevices devices;
    for (const char* ip : { "10.0.0.10", "10.0.0.2", "9.1.1.1", "10.0.0.1" })
        devices.add({ QLatin1String(ip) });
    Table model(Model::SearchTable, devices);
    TableViewSortProxy* proxy = model.sortProxy();
    EXPECT_EQ(sourceModelOf(proxy), &model);
    proxy->sort(1, Qt::AscendingOrder);
    QStringList order;
    for (int r = 0; r < proxy->rowCount(); ++r)
        order << proxy->index(r, 1).data().toString();
    EXPECT_EQ(order, (QStringList { "9.1.1.1", "10.0.0.1", "10.0.0.2", "10.0.0.10" }));
}
