// The device table's view: the header box (toggles all shown rows, never
// sorts), sorting by a clicked section, the row boxes that only a left press
// inside the indicator toggles, the https boxes, the refused check, the
// hover row and the link cursor, and the copyable cells.
#include "DialogAnswers.h"
#include "ShellTestEnv.h"
#include "TableDevices.h"
#include "search/table/CheckBoxTableModel.h"
#include "search/table/TableViewSortProxy.h"
#include "search/table/ui/CheckBoxHeaderView.h"
#include "search/table/ui/CheckBoxTableDelegate.h"
#include "search/table/ui/CheckBoxTableView.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace
{

using Model = CheckBoxTableModel;

// A shown table of one kind with `count` devices at 192.168.1.1 ...
struct Table {
    ShellTestEnv env;
    TableDevices devices;
    std::unique_ptr<CheckBoxTableView> view;
    Model* model = nullptr;

    Table(int edition, Model::TableKind kind, int count = 3, int checkColumn = 0, int httpsColumn = -1)
        : env(options(edition))
        , view(new CheckBoxTableView)
    {
        devices.addRange(count);
        model = new Model(view.get(), kind, checkColumn);
        if (httpsColumn >= 0)
            view->setCheckModelWithHttps(model->sortProxy(), checkColumn, httpsColumn);
        else
            view->setCheckModel(model->sortProxy(), checkColumn);
        model->setDevices(devices.list());
        view->resize(1400, 300);
        view->show();
        QApplication::processEvents();
    }
    ~Table() { view.reset(); } // before the settings go

    static ShellTestEnv::Options options(int edition)
    {
        ShellTestEnv::Options o;
        o.edition = edition;
        return o;
    }

    CheckBoxHeaderView* header() const { return view->checkHeader(); }
    TableViewSortProxy* proxy() const { return model->sortProxy(); }

    void clickHeader(QPoint at) const { QTest::mouseClick(header()->viewport(), Qt::LeftButton, {}, at); }

    // The check indicator of a cell as the style places it.
    QRect indicator(int proxyRow, int column) const
    {
        const QModelIndex index = proxy()->index(proxyRow, column);
        QStyleOptionViewItem option;
        option.initFrom(view->viewport());
        option.rect = view->visualRect(index);
        option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        option.text = index.data().toString();
        option.index = index;
        return view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view.get());
    }
    void press(QPoint at, Qt::MouseButton button = Qt::LeftButton) const
    {
        QTest::mouseClick(view->viewport(), button, {}, at);
    }
    void moveTo(QPoint at) const
    {
        QMouseEvent move(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
    }

    int checkOf(int device) const { return devices.at(device)->checkState[model->tableKind()]; }
};

} // namespace

TEST(TableView, HeaderBoxTogglesAllShownRowsWithoutSorting)
{
    Table t(0, Model::RebootTable);
    QSignalSpy changed(t.view.get(), &CheckBoxTableView::headCheckChanged);
    const QPoint box = t.header()->checkBoxRect(0).center();

    t.clickHeader(box);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(t.checkOf(i), int(Qt::Checked)) << i;
    EXPECT_EQ(t.view->headCheckState(), Qt::Checked);
    EXPECT_EQ(t.proxy()->sortColumn(), -1);
    ASSERT_EQ(changed.count(), 1);

    t.clickHeader(box);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(t.checkOf(i), int(Qt::Unchecked)) << i;
    EXPECT_EQ(t.view->headCheckState(), Qt::Unchecked);
    EXPECT_EQ(t.proxy()->sortColumn(), -1);

    // Elsewhere in the section the press sorts.
    t.clickHeader(QPoint(t.header()->sectionSize(0) - 4, 15));
    EXPECT_EQ(t.proxy()->sortColumn(), 0);
    EXPECT_EQ(t.checkOf(0), int(Qt::Unchecked));
}

TEST(TableView, RowBoxTogglesOnlyOnALeftPressInsideTheIndicator)
{
    Table t(0, Model::RebootTable);
    const QRect box = t.indicator(1, 0);
    ASSERT_TRUE(t.view->visualRect(t.proxy()->index(1, 0)).contains(box));

    t.press(box.center(), Qt::RightButton);
    EXPECT_EQ(t.checkOf(1), int(Qt::Unchecked));
    t.press(QPoint(t.view->visualRect(t.proxy()->index(1, 0)).right() - 2, box.center().y()));
    EXPECT_EQ(t.checkOf(1), int(Qt::Unchecked));

    t.press(box.center());
    EXPECT_EQ(t.checkOf(1), int(Qt::Checked));
    QList<DeviceInfo*> checked;
    t.model->checkedDevices(checked);
    EXPECT_EQ(checked, QList<DeviceInfo*> { t.devices.at(1) });
    EXPECT_EQ(t.view->headCheckState(), Qt::PartiallyChecked);

    // A press on the partly checked header box checks every row.
    t.clickHeader(t.header()->checkBoxRect(0).center());
    EXPECT_EQ(t.view->headCheckState(), Qt::Checked);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(t.checkOf(i), int(Qt::Checked)) << i;

    t.press(box.center());
    EXPECT_EQ(t.checkOf(1), int(Qt::Unchecked));
    EXPECT_EQ(t.view->headCheckState(), Qt::PartiallyChecked);
}

TEST(TableView, HeaderRepaintsOnlyWhenTheModelAnnouncesAnotherState)
{
    Table t(0, Model::RebootTable);
    EXPECT_FALSE(t.header()->setCheckState(Qt::Unchecked));
    EXPECT_TRUE(t.header()->setCheckState(Qt::PartiallyChecked));
    t.model->updateCheckedList(); // none checked
    EXPECT_EQ(t.view->headCheckState(), Qt::Unchecked);
}

// A table without check boxes has no header box to press: a press where the
// box would be must not check the rows of the other view of the same kind.
TEST(TableView, TableWithoutCheckColumnIgnoresPressesWhereTheBoxWouldBe)
{
    Table t(0, Model::SearchTable, 3, -1);
    t.clickHeader(QPoint(9, 12));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(t.checkOf(i), int(Qt::Unchecked)) << i;
    t.press(t.indicator(0, 0).center());
    EXPECT_EQ(t.checkOf(0), int(Qt::Unchecked));
}

TEST(TableView, HttpsBoxesShowWhereColumnTwoIsTheHttpsColumn)
{
    {
        Table t(20, Model::SearchTable, 2, 0, 2);
        ASSERT_TRUE(t.header()->showsHttpsBox());
        QSignalSpy changed(t.view.get(), &CheckBoxTableView::headHttpsCheckChanged);
        t.clickHeader(t.header()->checkBoxRect(2).center());
        EXPECT_EQ(t.devices.at(0)->httpsCheck, int(Qt::Checked));
        EXPECT_EQ(t.devices.at(1)->httpsCheck, int(Qt::Checked));
        EXPECT_EQ(t.proxy()->sortColumn(), -1);
        EXPECT_EQ(changed.count(), 1);

        t.press(t.indicator(0, 2).center());
        EXPECT_EQ(t.devices.at(0)->httpsCheck, int(Qt::Unchecked));
        EXPECT_EQ(t.header()->httpsState(), Qt::PartiallyChecked);
        EXPECT_EQ(t.checkOf(0), int(Qt::Unchecked));
    }
    {
        // Column 2 of another customer's search table is the media port.
        Table t(0, Model::SearchTable, 2, 0, 2);
        EXPECT_FALSE(t.header()->showsHttpsBox());
        t.clickHeader(t.header()->checkBoxRect(2).center());
        t.press(t.indicator(0, 2).center());
        EXPECT_EQ(t.devices.at(0)->httpsCheck, int(Qt::Unchecked));
        EXPECT_EQ(t.devices.at(1)->httpsCheck, int(Qt::Unchecked));
    }
}

TEST(TableView, RefusedCheckTellsTheUser)
{
    DialogAnswers answers;
    Table t(16, Model::ImportExportTable, 0);
    t.devices.add({ QStringLiteral("10.0.0.1"), QStringLiteral("Lobby") });
    t.devices.add({ QStringLiteral("10.0.0.2"), QStringLiteral("Yard") });
    t.model->setDevices(t.devices.list());
    QApplication::processEvents();

    t.press(t.indicator(0, 0).center());
    t.press(t.indicator(1, 0).center());

    EXPECT_EQ(t.checkOf(0), int(Qt::Checked));
    EXPECT_EQ(t.checkOf(1), int(Qt::Unchecked));
    ASSERT_EQ(answers.messageTextIds(), QList<int> { 125 });
    EXPECT_EQ(answers.messages.at(0).titleId, 6);
    EXPECT_EQ(answers.messages.at(0).buttonMode, int(GKMessageBox::OkOnly));
}

TEST(TableView, ClickedSectionSortsWhereTheModelAllows)
{
    Table t(0, Model::UpgradeTable);
    t.model->setStatusSortLocked(true);
    const int status = t.model->statusColumn();
    const int x = t.header()->sectionViewportPosition(status) + t.header()->sectionSize(status) / 2;
    t.clickHeader(QPoint(x, 15));
    EXPECT_EQ(t.proxy()->sortColumn(), -1);

    const int address = t.header()->sectionViewportPosition(1) + 20;
    t.clickHeader(QPoint(address, 15));
    EXPECT_EQ(t.proxy()->sortColumn(), 1);
    const Qt::SortOrder first = t.proxy()->sortOrder();
    t.clickHeader(QPoint(address, 15));
    EXPECT_NE(t.proxy()->sortOrder(), first);
}

TEST(TableView, HoverRowFollowsTheMouseInTheSortedView)
{
    Table t(0, Model::SearchTable);
    t.proxy()->sort(1, Qt::DescendingOrder); // 192.168.1.3 first
    const QRect link = t.view->visualRect(t.proxy()->index(0, 1));

    t.moveTo(link.center());
    EXPECT_EQ(t.view->hoverRow(), 2);
    EXPECT_EQ(t.model->hoverRow(), 2);
    EXPECT_EQ(t.view->viewport()->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(t.model->data(t.model->index(2, 4), Qt::BackgroundRole).isValid());

    t.moveTo(t.view->visualRect(t.proxy()->index(1, 4)).center());
    EXPECT_EQ(t.view->hoverRow(), 1);
    EXPECT_EQ(t.view->viewport()->cursor().shape(), Qt::ArrowCursor);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(t.view.get(), &leave);
    EXPECT_EQ(t.view->hoverRow(), -1);
    EXPECT_EQ(t.model->hoverRow(), -1);
    EXPECT_FALSE(t.model->data(t.model->index(1, 4), Qt::BackgroundRole).isValid());
}

TEST(TableView, Customer57OpensReadOnlyCopiesOfSearchCells)
{
    Table t(57, Model::SearchTable);
    EXPECT_FALSE(t.view->alternatingRowColors());
    const QModelIndex address = t.proxy()->index(0, 1);
    t.press(t.view->visualRect(address).center(), Qt::RightButton);
    auto* edit = qobject_cast<QLineEdit*>(t.view->indexWidget(address));
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_EQ(edit->text(), QStringLiteral("192.168.1.1"));

    // The next press closes it; a right press in another column opens none.
    t.press(t.view->visualRect(t.proxy()->index(1, 3)).center(), Qt::RightButton);
    EXPECT_EQ(t.view->indexWidget(address), nullptr);
    EXPECT_EQ(t.view->indexWidget(t.proxy()->index(1, 3)), nullptr);

    Table other(0, Model::SearchTable);
    EXPECT_TRUE(other.view->alternatingRowColors());
    other.press(other.view->visualRect(other.proxy()->index(0, 1)).center(), Qt::RightButton);
    EXPECT_EQ(other.view->indexWidget(other.proxy()->index(0, 1)), nullptr);
}
