// The main window: the page table and the routing of the tool bar's page,
// filter and protocol requests, the protocol widgets by edition, the title
// double click, the frameless window's edge, resize and maximise rules, the
// OSD slider click and the window pointer.
#include "QtPrinters.h"
#include "ShellTestEnv.h"
#include "devices/DeviceWatcher.h"
#include "pages/ui/LoginFrame.h"
#include "pages/ui/OSDConfig.h"
#include "search/SearchTransport.h"
#include "search/ui/SearchFrame.h"
#include "shell/TextTable.h"
#include "shell/edition/ToolBarEditions.h"
#include "shell/main/MainFrame.h"
#include "shell/main/PageTable.h"
#include "shell/ui/HoverButton.h"
#include "shell/ui/HoverDialog.h"
#include "shell/ui/TitleBarFrame.h"
#include "shell/ui/ToolBarFrame.h"

#include <QAbstractSlider>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace
{

using B = ToolBarButton;
using Call = MainFrame::PageCall;

struct Record {
    int page;
    Call call;
    QVariant argument;
};

// A main window of one edition with every page call recorded.
struct Window {
    // The window searches as it is built: nothing may leave this host.
    NoSearch noSearch;
    SearchTransport::ScopedInstall quiet { &noSearch };
    ShellTestEnv env;
    std::vector<Record> calls;
    std::unique_ptr<MainFrame> frame;

    explicit Window(int edition = 0, bool show = true)
        : env(options(edition))
    {
        MainFrame::setPageCallHook([this](MainFrame::PageIndex page, Call call, const QVariant& argument) {
            calls.push_back({ page, call, argument });
        });
        frame = std::make_unique<MainFrame>();
        // The first search (which finds nothing here) ends: its publication
        // and then its list event re-enable the tool bar.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
        if (show) {
            frame->show();
            QApplication::processEvents();
        }
    }
    ~Window()
    {
        frame.reset(); // before the settings go
        MainFrame::setPageCallHook({});
    }

    static ShellTestEnv::Options options(int edition)
    {
        ShellTestEnv::Options o;
        o.edition = edition;
        return o;
    }

    ToolBarFrame* bar() const { return frame->toolBar(); }
    int current() const { return frame->pageStack()->currentIndex(); }
    bool protocolShown() const
    {
        return bar()->protocolLabel()->isVisibleTo(bar()) && bar()->protocolCombo()->isVisibleTo(bar());
    }

    // The calls of one kind a page received since the last clear().
    std::vector<QVariant> received(int page, Call call) const
    {
        std::vector<QVariant> out;
        for (const Record& r : calls) {
            if (r.page == page && r.call == call)
                out.push_back(r.argument);
        }
        return out;
    }
    // The pages that received a call of this kind.
    std::vector<int> pagesWith(Call call) const
    {
        std::vector<int> out;
        for (const Record& r : calls) {
            if (r.call == call)
                out.push_back(r.page);
        }
        return out;
    }
    void clear() { calls.clear(); }

    // Makes `b` the tool bar's only active button, as a click does.
    void activate(B b)
    {
        QPushButton* button = bar()->button(b);
        button->show();
        button->setEnabled(true);
        button->click();
        QApplication::processEvents();
    }
};

void sendMouse(
    QWidget* w, QEvent::Type type, const QPoint& pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// --- Construction -------------------------------------------------------------

TEST(MainFrameTest, BuildsTheFramelessWindowWithTheSeventeenPagesAtTheirIndices)
{
    Window w(0, false);
    MainFrame& f = *w.frame;
    EXPECT_EQ(f.objectName(), QStringLiteral("MainFrame"));
    EXPECT_TRUE(f.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(f.minimumSize(), QSize(1048, 636));
    EXPECT_TRUE(f.hasMouseTracking());
    EXPECT_EQ(f.titleBar()->height(), 50);
    EXPECT_TRUE(f.titleBar()->isMainWindowMode());

    static const char* const classes[MainFrame::PageCount] = {
        "SearchFrame",
        "UpgradeFrame",
        "LoginFrame",
        "DeviceInfoFrame",
        "ImportExportFrame",
        "ExportExcel",
        "ExtranetsearchFrame",
        "ChangePassword",
        "StreamConfigFrame",
        "OSDConfig",
        "RecoveryDevice",
        "InitialDevice",
        "RebootDevice",
        "ChangeDevice",
        "DeveloperPage",
        "AutoUpgrade",
        "VideoFormatFrame",
    };
    ASSERT_EQ(f.pageStack()->count(), MainFrame::PageCount);
    for (int i = 0; i < MainFrame::PageCount; ++i) {
        EXPECT_STREQ(f.pageStack()->widget(i)->metaObject()->className(), classes[i]) << "index " << i;
        EXPECT_EQ(f.page(static_cast<MainFrame::PageIndex>(i)), f.pageStack()->widget(i));
    }
    EXPECT_EQ(w.current(), MainFrame::PageSearch);

    // The search page starts filtering on column 1 and searching while the
    // window is built.
    EXPECT_EQ(w.received(MainFrame::PageSearch, Call::FilterColumn), std::vector<QVariant> { 1 });
    EXPECT_EQ(w.received(MainFrame::PageSearch, Call::StartSearch).size(), 1u);
}

TEST(MainFrameTest, TitleBarHeightAndMarginsFollowTheEdition)
{
    struct Case {
        int edition;
        int titleHeight;
        int sideMargin;
    };
    for (const Case& c : { Case { 0, 50, 10 }, Case { 2, 150, 10 }, Case { 57, 50, 28 } }) {
        Window w(c.edition);
        EXPECT_EQ(w.frame->titleBar()->height(), c.titleHeight) << "edition " << c.edition;
        EXPECT_EQ(w.bar()->geometry().left(), c.sideMargin) << "edition " << c.edition;
        EXPECT_EQ(w.frame->pageStack()->geometry().right(), w.frame->width() - 1 - c.sideMargin);
        EXPECT_EQ(w.frame->pageStack()->geometry().bottom(), w.frame->height() - 1 - 10);
    }
}

// --- The page table ---------------------------------------------------------------

TEST(PageTableTest, OneRowPerPageAndPerPageButton)
{
    QVector<int> indices;
    QVector<ToolBarButton> buttons;
    for (const PageTable::Row& row : PageTable::rows()) {
        indices << row.index;
        buttons << row.button;
        EXPECT_EQ(PageTable::rowOf(row.index), &row);
        EXPECT_EQ(PageTable::rowOf(row.button), &row);
        EXPECT_NE(row.create, nullptr);
        EXPECT_NE(ToolBarFrame::requestSignal(row.button), nullptr) << row.index;
        EXPECT_EQ(row.filter == PageTable::Filter::None, row.index == MainFrame::PageLogin) << row.index;
        EXPECT_EQ(row.filter == PageTable::Filter::Stream, row.index == MainFrame::PageStreamConfig)
            << row.index;
    }
    std::sort(indices.begin(), indices.end());
    QVector<int> all;
    for (int i = 0; i < MainFrame::PageCount; ++i)
        all << i;
    EXPECT_EQ(indices, all);
    // Every button but the hover button shows a page of its own.
    for (ToolBarButton b : ToolBarEditions::allButtons())
        EXPECT_EQ(buttons.count(b), b == B::Hover ? 0 : 1) << int(b);
    EXPECT_EQ(PageTable::rowOf(B::Hover), nullptr);
    EXPECT_EQ(ToolBarFrame::requestSignal(B::Hover), nullptr);
    EXPECT_EQ(PageTable::rowOf(static_cast<MainFrame::PageIndex>(MainFrame::PageCount)), nullptr);
    // The hover pop-up's choices all lead to pages.
    ASSERT_EQ(PageTable::hoverRows().size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(PageTable::rowOf(ToolBarEditions::hoverChoice(i)), nullptr) << i;
    EXPECT_EQ(ToolBarEditions::hoverChoice(3), B::None);
    EXPECT_EQ(ToolBarEditions::hoverChoice(-1), B::None);
}

TEST(MainFrameTest, EveryToolBarRequestShowsItsPageWithTheFilterPassedOn)
{
    struct Case {
        void (ToolBarFrame::*signal)();
        MainFrame::PageIndex page;
    };
    const Case cases[] = {
        { &ToolBarFrame::UpgradeRequest, MainFrame::PageUpgrade },
        { &ToolBarFrame::DeviceInfoRequest, MainFrame::PageDeviceInfo },
        { &ToolBarFrame::ImportExportRequest, MainFrame::PageImportExport },
        { &ToolBarFrame::ExportExcelRequest, MainFrame::PageExportExcel },
        { &ToolBarFrame::ExtranetSearchRequest, MainFrame::PageExtranetSearch },
        { &ToolBarFrame::ChangePasswordRequest, MainFrame::PageChangePassword },
        { &ToolBarFrame::StreamConfigRequest, MainFrame::PageStreamConfig },
        { &ToolBarFrame::OnClickHoverSecondRequest, MainFrame::PageStreamConfig },
        { &ToolBarFrame::OSDConfigRequest, MainFrame::PageOSDConfig },
        { &ToolBarFrame::OnClickHoverThirdRequest, MainFrame::PageOSDConfig },
        { &ToolBarFrame::RecoveryDeviceRequest, MainFrame::PageRecoveryDevice },
        { &ToolBarFrame::InitialDeviceRequest, MainFrame::PageInitialDevice },
        { &ToolBarFrame::RebootDeviceRequest, MainFrame::PageRebootDevice },
        { &ToolBarFrame::ChangeDeviceRequest, MainFrame::PageChangeDevice },
        { &ToolBarFrame::DeveloperPageRequest, MainFrame::PageDeveloper },
        { &ToolBarFrame::AutoUpgradePageRequest, MainFrame::PageAutoUpgrade },
        { &ToolBarFrame::VideoFormatRequest, MainFrame::PageVideoFormat },
    };
    Window w(13); // an edition with the protocol widgets
    w.bar()->filterEdit()->setText(QStringLiteral("cam"));
    const int edition = 13;
    for (const Case& c : cases) {
        w.frame->pageStack()->setCurrentIndex((c.page + 1) % MainFrame::PageCount);
        w.bar()->setProtocolWidgetsVisible(true);
        w.clear();
        emit(w.bar()->*c.signal)();

        EXPECT_EQ(w.current(), c.page);
        EXPECT_FALSE(w.protocolShown()) << "page " << c.page;
        EXPECT_EQ(w.received(c.page, Call::FilterText), std::vector<QVariant> { QStringLiteral("cam") })
            << "page " << c.page;
        const std::vector<QVariant> columns = w.received(c.page, Call::FilterColumn);
        ASSERT_FALSE(columns.empty()) << "page " << c.page;
        EXPECT_EQ(columns.back().toInt(), w.bar()->filterColumn());
        // The stream page has a filter combo of its own form.
        const bool streamForm = c.page == MainFrame::PageStreamConfig;
        const QVector<int> entries = ToolBarEditions::filterEntries(edition, streamForm, 0);
        ASSERT_EQ(w.bar()->filterCombo()->count(), entries.size()) << "page " << c.page;
        for (int i = 0; i < entries.size(); ++i)
            EXPECT_EQ(w.bar()->filterCombo()->itemText(i), TextTable::text(entries[i]));
        EXPECT_EQ(w.bar()->filterCombo()->currentIndex(), 0);
    }
}

TEST(MainFrameTest, EveryPageButTheLoginPageHasTheToolBarAndABusyPageDisablesIt)
{
    Window w(0);
    for (int i = 0; i < MainFrame::PageCount; ++i) {
        PageBase* page = w.frame->page(static_cast<MainFrame::PageIndex>(i));
        ASSERT_NE(page, nullptr);
        const bool login = i == MainFrame::PageLogin;
        EXPECT_EQ(page->toolBar(), login ? nullptr : w.bar()) << "page " << i;
        page->setBusy(false);
        EXPECT_EQ(w.bar()->button(B::Search)->isEnabled(), login) << "page " << i;
        EXPECT_EQ(w.bar()->filterEdit()->isEnabled(), login) << "page " << i;
        page->setBusy(true);
        EXPECT_TRUE(w.bar()->button(B::Search)->isEnabled()) << "page " << i;
    }
}

TEST(MainFrameTest, ThePagesWatchDevicesThroughTheCoreInterfaces)
{
    Window w(0, false);
    for (int i = 0; i < MainFrame::PageCount; ++i) {
        PageBase* page = w.frame->page(static_cast<MainFrame::PageIndex>(i));
        const bool search = i == MainFrame::PageSearch;
        const bool video = i == MainFrame::PageVideoFormat;
        const bool login = i == MainFrame::PageLogin;
        EXPECT_EQ(dynamic_cast<SearchDeviceWatcher*>(page) != nullptr, search) << "page " << i;
        EXPECT_EQ(dynamic_cast<VideoFormatWatcher*>(page) != nullptr, video) << "page " << i;
        EXPECT_EQ(dynamic_cast<DeviceWatcher*>(page) != nullptr, !search && !video && !login) << "page " << i;
    }
}

TEST(MainFrameTest, TheLoginPageIsAnnouncedAndNeverFiltered)
{
    Window w(13);
    QSignalSpy shown(w.frame->page<LoginFrame>(), &LoginFrame::IsLoginFrame);
    for (auto signal : { &ToolBarFrame::ConfigRequest, &ToolBarFrame::OnClickHoverFirstRequest }) {
        w.frame->pageStack()->setCurrentIndex(MainFrame::PageSearch);
        w.bar()->setProtocolWidgetsVisible(true);
        w.clear();
        emit(w.bar()->*signal)();
        EXPECT_EQ(w.current(), MainFrame::PageLogin);
        EXPECT_FALSE(w.protocolShown());
        EXPECT_TRUE(w.calls.empty());
    }
    EXPECT_EQ(shown.count(), 2);

    // A filter change while the configuration button is current reaches no page.
    w.activate(B::Config);
    w.clear();
    w.bar()->filterEdit()->setText(QStringLiteral("x"));
    w.bar()->filterCombo()->setCurrentIndex(1);
    EXPECT_TRUE(w.calls.empty());
}

TEST(MainFrameTest, TheProtocolWidgetsComeBackOnTheSearchPageOnlyForTheListedEditions)
{
    const QVector<int> listed = { 13, 20, 26, 34, 36, 37, 38, 39, 42, 53 };
    for (int edition : { 0, 2, 13, 20, 26, 33, 34, 35, 36, 37, 38, 39, 40, 42, 50, 53, 57, 65 }) {
        Window w(edition);
        w.activate(B::Upgrade);
        ASSERT_EQ(w.current(), MainFrame::PageUpgrade);
        EXPECT_FALSE(w.protocolShown()) << "edition " << edition;
        w.activate(B::Search);
        EXPECT_EQ(w.current(), MainFrame::PageSearch);
        EXPECT_EQ(w.protocolShown(), listed.contains(edition)) << "edition " << edition;
    }
}

TEST(MainFrameTest, ASearchRequestWhileTheSearchButtonIsInactiveStillSearches)
{
    Window w(13);
    w.activate(B::Upgrade);
    w.bar()->filterEdit()->setText(QStringLiteral("abc"));

    for (bool hidden : { false, true }) {
        if (hidden) { // the search button checked but hidden
            w.bar()->button(B::Search)->setChecked(true);
            w.bar()->button(B::Search)->hide();
        }
        w.frame->pageStack()->setCurrentIndex(MainFrame::PageUpgrade);
        w.clear();
        emit w.bar()->SearchRequest();
        EXPECT_EQ(w.current(), MainFrame::PageUpgrade) << "hidden " << hidden;
        EXPECT_FALSE(w.protocolShown());
        EXPECT_TRUE(w.received(MainFrame::PageSearch, Call::FilterColumn).empty());
        EXPECT_TRUE(w.received(MainFrame::PageSearch, Call::FilterText).empty());
        EXPECT_EQ(w.received(MainFrame::PageSearch, Call::StartSearch).size(), 1u);
    }

    // Active: the page, the filter and a search.
    w.activate(B::Search);
    EXPECT_EQ(w.current(), MainFrame::PageSearch);
    w.clear();
    emit w.bar()->SearchRequest();
    EXPECT_EQ(
        w.received(MainFrame::PageSearch, Call::FilterText), std::vector<QVariant> { QStringLiteral("abc") });
    EXPECT_EQ(w.received(MainFrame::PageSearch, Call::StartSearch).size(), 1u);
}

// --- Filter routing -------------------------------------------------------------------

TEST(MainFrameTest, FilterChangesGoToThePageOfTheActiveButton)
{
    struct Case {
        B button;
        MainFrame::PageIndex page;
    };
    const Case cases[] = {
        { B::Search, MainFrame::PageSearch },
        { B::Upgrade, MainFrame::PageUpgrade },
        { B::DeviceInfo, MainFrame::PageDeviceInfo },
        { B::ImportExport, MainFrame::PageImportExport },
        { B::Password, MainFrame::PageChangePassword },
        { B::ExportExcel, MainFrame::PageExportExcel },
        { B::ExtranetSearch, MainFrame::PageExtranetSearch },
        { B::Stream, MainFrame::PageStreamConfig },
        { B::OSD, MainFrame::PageOSDConfig },
        { B::Recovery, MainFrame::PageRecoveryDevice },
        { B::InitialDevice, MainFrame::PageInitialDevice },
        { B::Reboot, MainFrame::PageRebootDevice },
        { B::ChangeDevice, MainFrame::PageChangeDevice },
        { B::Developer, MainFrame::PageDeveloper },
        { B::AutoUpgrade, MainFrame::PageAutoUpgrade },
        { B::VideoFormat, MainFrame::PageVideoFormat },
    };
    Window w(0);
    for (const Case& c : cases) {
        w.activate(c.button);
        ASSERT_EQ(w.current(), c.page);
        ASSERT_EQ(w.bar()->activeButton(), c.button);

        w.clear();
        w.bar()->filterEdit()->setText(QStringLiteral("f%1").arg(c.page));
        EXPECT_EQ(w.pagesWith(Call::FilterText), std::vector<int> { c.page });
        EXPECT_EQ(w.received(c.page, Call::FilterText).back().toString(), QStringLiteral("f%1").arg(c.page));

        w.clear();
        w.bar()->filterCombo()->setCurrentIndex(w.bar()->filterCombo()->count() - 1);
        EXPECT_EQ(w.pagesWith(Call::FilterColumn), std::vector<int> { c.page });
        EXPECT_EQ(w.received(c.page, Call::FilterColumn).back().toInt(), w.bar()->filterColumn());
    }

    // No active button: nothing.
    for (const Case& c : cases)
        w.bar()->button(c.button)->hide();
    w.clear();
    w.bar()->filterEdit()->setText(QStringLiteral("none"));
    EXPECT_TRUE(w.calls.empty());
}

TEST(MainFrameTest, WithTheHoverButtonActiveItsChoiceDecidesThePage)
{
    Window w(0);
    HoverButton* hover = w.bar()->hoverButton();
    hover->show();
    w.bar()->checkHoverButton();
    ASSERT_EQ(w.bar()->activeButton(), B::Hover);

    struct Case {
        int choice; // -1: none checked
        int page; // -1: no page
    };
    for (const Case& c : { Case { 0, -1 }, Case { 1, MainFrame::PageStreamConfig },
             Case { 2, MainFrame::PageOSDConfig }, Case { -1, -1 } }) {
        if (c.choice < 0)
            hover->popup()->resetChoices();
        else
            hover->popup()->checkChoice(c.choice);
        w.clear();
        w.bar()->filterEdit()->setText(QStringLiteral("hover%1").arg(c.choice));
        const std::vector<int> expected = c.page < 0 ? std::vector<int> {} : std::vector<int> { c.page };
        EXPECT_EQ(w.pagesWith(Call::FilterText), expected) << "choice " << c.choice;
        w.clear();
        emit w.bar()->FilterIndexChangedRequest();
        EXPECT_EQ(w.pagesWith(Call::FilterColumn), expected) << "choice " << c.choice;
    }

    // A disabled hover button counts as choice 0.
    hover->popup()->checkChoice(1);
    hover->setEnabled(false);
    w.clear();
    emit w.bar()->FilterTextChangedRequest();
    EXPECT_TRUE(w.calls.empty());
}

TEST(MainFrameTest, AProtocolChangeSwitchesTheSearchViewAndRefilters)
{
    Window w(13);
    const ToolBarEditions::ProtocolRule rule = ToolBarEditions::protocolRule(13);
    ASSERT_FALSE(rule.normalOnly.isEmpty());
    QPushButton* normalOnly = w.bar()->button(rule.normalOnly.first());
    w.bar()->filterEdit()->setText(QStringLiteral("p"));

    w.clear();
    w.bar()->protocolCombo()->setCurrentIndex(1);
    EXPECT_EQ(w.received(MainFrame::PageSearch, Call::SearchMode), std::vector<QVariant> { 1 });
    EXPECT_EQ(w.received(MainFrame::PageSearch, Call::FilterText).back().toString(), QStringLiteral("p"));
    EXPECT_EQ(w.received(MainFrame::PageSearch, Call::FilterColumn).back().toInt(), w.bar()->filterColumn());
    EXPECT_FALSE(normalOnly->isVisibleTo(w.bar()));

    w.clear();
    w.bar()->protocolCombo()->setCurrentIndex(0);
    EXPECT_EQ(w.received(MainFrame::PageSearch, Call::SearchMode), std::vector<QVariant> { 0 });
    EXPECT_TRUE(normalOnly->isVisibleTo(w.bar()));

    // Away from the search page the buttons stay as they are, but the search
    // page still follows.
    w.activate(B::Upgrade);
    w.clear();
    w.bar()->protocolCombo()->setCurrentIndex(1);
    EXPECT_EQ(w.received(MainFrame::PageSearch, Call::SearchMode), std::vector<QVariant> { 1 });
    EXPECT_TRUE(normalOnly->isVisibleTo(w.bar()));
    EXPECT_EQ(w.current(), MainFrame::PageUpgrade);
}

TEST(MainFrameTest, TheTitleBarProtocolEntryFollowsTheToolBarOfEdition34)
{
    Window w(34);
    QAction* entry = w.frame->titleBar()->protocolEntry();
    ASSERT_NE(entry, nullptr);
    EXPECT_FALSE(entry->isVisible());
    w.activate(B::Upgrade);
    EXPECT_TRUE(entry->isVisible());
    w.activate(B::Search);
    EXPECT_FALSE(entry->isVisible());
}

TEST(MainFrameTest, ADoubleClickOnTheSearchPageWithoutADeviceChangesNothing)
{
    Window w(0);
    QSignalSpy config(w.bar(), &ToolBarFrame::ConfigRequest);
    emit w.frame->page<SearchFrame>()->SearchFrameDoubleClick();
    EXPECT_EQ(w.current(), MainFrame::PageSearch);
    EXPECT_EQ(config.count(), 0);
    EXPECT_EQ(w.bar()->activeButton(), B::Search);
}

// --- Title double click and maximising -------------------------------------------------

TEST(MainFrameTest, ADoubleClickOnTheTitleAreaTogglesAndSwapsTheButtonsForSomeEditions)
{
    const QVector<int> swapping = { 20, 34, 42, 53 };
    for (int edition : { 0, 20, 33, 34, 42, 53, 57 }) {
        const bool swaps = swapping.contains(edition);
        Window w(edition);
        QSignalSpy doubleClicked(w.frame.get(), &MainFrame::Doubleclicked);
        TitleBarFrame* title = w.frame->titleBar();

        // Inside the title area (through the title bar, which passes it on).
        const bool before = w.frame->isMaximizedByFrame();
        QTest::mouseDClick(title, Qt::LeftButton, {}, QPoint(title->width() / 2, title->height() - 3));
        EXPECT_EQ(w.frame->isMaximizedByFrame(), !before) << "edition " << edition;
        EXPECT_EQ(doubleClicked.count(), swaps ? 1 : 0) << "edition " << edition;

        // The border strip, the page area and the right button do nothing.
        for (const QPoint& p : { QPoint(title->width() / 2, 2), QPoint(2, title->height() / 2),
                 QPoint(w.frame->width() / 2, w.frame->height() / 2) })
            QTest::mouseDClick(w.frame.get(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(
            w.frame.get(), Qt::RightButton, {}, QPoint(title->width() / 2, title->height() / 2));
        EXPECT_EQ(w.frame->isMaximizedByFrame(), !before) << "edition " << edition;
        EXPECT_EQ(doubleClicked.count(), swaps ? 1 : 0);
    }
}

TEST(MainFrameTest, TheWindowOpensMaximisedAndRestoresCentred)
{
    Window w(0, false);
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect available = screen->availableGeometry();
    w.frame->show();
    QApplication::processEvents();
    EXPECT_TRUE(w.frame->isMaximizedByFrame());
    EXPECT_EQ(w.frame->geometry(), available);
    EXPECT_EQ(w.frame->minimumSize(),
        QSize(static_cast<int>(available.width() * 0.6), static_cast<int>(available.height() * 0.6)));

    emit w.frame->titleBar()->Restore();
    EXPECT_FALSE(w.frame->isMaximizedByFrame());
    EXPECT_EQ(w.frame->pos(), MainFrame::centredPosition(screen->geometry(), w.frame->size()));

    // Editions 20 and 40 maximise while being built, so the first show
    // restores them.
    for (int edition : { 20, 40 }) {
        Window e(edition);
        EXPECT_FALSE(e.frame->isMaximizedByFrame()) << "edition " << edition;
    }
}

TEST(MainFrameTest, MaximisingPlansFollowTheScreens)
{
    const QRect primary(0, 0, 1920, 1040);
    const QRect second(1920, 0, 1280, 984);
    struct Case {
        int count;
        int index;
        QSize minimum;
        QRect geometry;
    };
    const Case cases[] = {
        { 1, 0, QSize(1152, 624), primary },
        { 2, 0, QSize(1152, 624), primary },
        { 2, 1, QSize(960, 520), second },
        { 3, 2, QSize(960, 520), second },
        { 0, -1, QSize(960, 520), second },
    };
    for (const Case& c : cases) {
        const MainFrame::MaximizePlan plan = MainFrame::maximizePlan(c.count, c.index, primary, second);
        EXPECT_EQ(plan.minimumSize, c.minimum) << c.count << " screens, on " << c.index;
        EXPECT_EQ(plan.geometry, c.geometry) << c.count << " screens, on " << c.index;
    }
    // 60 % and 50 % are truncated.
    EXPECT_EQ(MainFrame::maximizePlan(1, 0, QRect(0, 0, 1366, 727), QRect()).minimumSize, QSize(819, 436));

    EXPECT_EQ(MainFrame::centredPosition(QRect(0, 0, 1440, 900), QSize(1048, 636)), QPoint(196, 132));
    EXPECT_EQ(MainFrame::centredPosition(QRect(1920, 0, 1280, 1024), QSize(1049, 637)), QPoint(2035, 193));
}

// --- Frameless moving and resizing ------------------------------------------------------

TEST(MainFrameTest, TheEdgeUnderThePointer)
{
    using E = MainFrame::ResizeEdge;
    const QSize size(1200, 800);
    struct Case {
        QPoint at;
        E edge;
    };
    const Case cases[] = {
        { { 0, 0 }, E::EdgeTopLeft },
        { { 5, 4 }, E::EdgeTopLeft },
        { { 6, 3 }, E::EdgeTop },
        { { 600, 0 }, E::EdgeTop },
        { { 1194, 2 }, E::EdgeTop },
        { { 1195, 2 }, E::EdgeTopRight },
        { { 1199, 0 }, E::EdgeTopRight },
        { { 1199, 400 }, E::EdgeRight },
        { { 1195, 400 }, E::EdgeRight },
        { { 1199, 799 }, E::EdgeBottomRight },
        { { 600, 795 }, E::EdgeBottom },
        { { 600, 799 }, E::EdgeBottom },
        { { 3, 799 }, E::EdgeBottomLeft },
        { { 0, 400 }, E::EdgeLeft },
        { { 4, 400 }, E::EdgeLeft },
        { { 5, 5 }, E::EdgeNone },
        { { 1194, 794 }, E::EdgeNone },
        { { 600, 400 }, E::EdgeNone },
    };
    for (const Case& c : cases)
        EXPECT_EQ(MainFrame::edgeAt(c.at, size), c.edge) << c.at.x() << "," << c.at.y();
}

TEST(MainFrameTest, ResizeRulesPerEdge)
{
    using E = MainFrame::ResizeEdge;
    const int minW = 1048;
    const QRect R(100, 100, 1200, 800);
    struct Case {
        E edge;
        QPoint press; // global
        QPoint delta;
        std::optional<QRect> result;
    };
    const Case cases[] = {
        { E::EdgeTop, { 600, 100 }, { 0, -50 }, QRect(100, 50, 1200, 850) },
        { E::EdgeTop, { 600, 100 }, { 0, 63 }, QRect(100, 163, 1200, 737) },
        { E::EdgeTop, { 600, 100 }, { 0, 64 }, std::nullopt }, // 736 is refused
        { E::EdgeTopRight, { 1299, 100 }, { -300, -10 }, QRect(100, 90, 1048, 810) },
        { E::EdgeTopRight, { 1299, 100 }, { 40, 64 }, std::nullopt },
        { E::EdgeRight, { 1299, 500 }, { 50, 9 }, QRect(100, 100, 1250, 800) },
        { E::EdgeBottomRight, { 1299, 899 }, { -400, -200 }, QRect(100, 100, 1048, 736) },
        { E::EdgeBottomRight, { 1299, 899 }, { 20, 30 }, QRect(100, 100, 1220, 830) },
        { E::EdgeBottom, { 600, 899 }, { 0, -63 }, QRect(100, 100, 1200, 737) },
        { E::EdgeBottom, { 600, 899 }, { 0, -64 }, std::nullopt },
        { E::EdgeBottomLeft, { 100, 899 }, { 100, -200 }, QRect(200, 100, 1100, 736) },
        { E::EdgeBottomLeft, { 100, 899 }, { 152, 0 }, std::nullopt }, // exactly the minimum width
        { E::EdgeLeft, { 100, 500 }, { 100, 7 }, QRect(200, 100, 1100, 800) },
        { E::EdgeLeft, { 100, 500 }, { 300, 0 }, QRect(252, 100, 1048, 800) }, // right edge stays at 1299
        { E::EdgeTopLeft, { 100, 100 }, { 100, 50 }, QRect(200, 150, 1100, 750) },
        { E::EdgeTopLeft, { 100, 100 }, { 200, 0 }, std::nullopt },
        { E::EdgeTopLeft, { 100, 100 }, { 0, 64 }, std::nullopt },
        { E::EdgeNone, { 600, 400 }, { 10, 10 }, std::nullopt },
    };
    for (const Case& c : cases) {
        const auto g = MainFrame::resizedGeometry(c.edge, R, R, c.press, c.press + c.delta, minW);
        EXPECT_EQ(g, c.result) << "edge " << c.edge << " delta " << c.delta.x() << "," << c.delta.y();
    }

    // Whatever the drag: the left edges never go below the minimum width,
    // the upper edges and the bottom never reach 736, the lower corners
    // never go below it.
    for (int d = -400; d <= 400; d += 7) {
        for (E e : { E::EdgeLeft, E::EdgeTopLeft, E::EdgeBottomLeft }) {
            if (const auto g
                = MainFrame::resizedGeometry(e, R, R, R.topLeft(), R.topLeft() + QPoint(d, d / 3), minW)) {
                EXPECT_GE(g->width(), minW) << "edge " << e << " d " << d;
            }
        }
        for (E e : { E::EdgeTop, E::EdgeTopRight, E::EdgeTopLeft, E::EdgeBottom }) {
            if (const auto g
                = MainFrame::resizedGeometry(e, R, R, R.topLeft(), R.topLeft() + QPoint(d / 3, d), minW)) {
                EXPECT_GT(g->height(), 736) << "edge " << e << " d " << d;
            }
        }
        for (E e : { E::EdgeBottomRight, E::EdgeBottomLeft }) {
            if (const auto g
                = MainFrame::resizedGeometry(e, R, R, R.topLeft(), R.topLeft() + QPoint(-d / 9, d), minW)) {
                EXPECT_GE(g->height(), 736) << "edge " << e << " d " << d;
            }
        }
    }
}

TEST(MainFrameTest, PointerOnTheBorderResizesAndOnTheTitleMoves)
{
    Window w(0);
    MainFrame& f = *w.frame;
    f.toggleMaximized(); // restored: a window that can move and grow
    f.setGeometry(40, 30, 1100, 800);
    QApplication::processEvents();
    const QRect start = f.geometry();

    // Hovering the right border shows the edge cursor; the inside resets it.
    const QPoint right(f.width() - 2, 300);
    sendMouse(&f, QEvent::MouseMove, right, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(f.cursor().shape(), Qt::SizeHorCursor);
    sendMouse(&f, QEvent::MouseMove, QPoint(300, 300), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(f.cursor().shape(), Qt::ArrowCursor);

    // A drag on the right border widens the window.
    sendMouse(&f, QEvent::MouseMove, right, Qt::NoButton, Qt::NoButton);
    sendMouse(&f, QEvent::MouseButtonPress, right, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&f, QEvent::MouseMove, right, Qt::NoButton, Qt::LeftButton); // starts the resize
    sendMouse(&f, QEvent::MouseMove, right + QPoint(60, 0), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(f.geometry(), QRect(start.topLeft(), QSize(start.width() + 60, start.height())));
    sendMouse(&f, QEvent::MouseButtonRelease, right + QPoint(60, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(f.cursor().shape(), Qt::ArrowCursor);

    // A drag on the title area moves it; one on the page area does not.
    const QRect widened = f.geometry();
    const QPoint title(400, 25);
    sendMouse(&f, QEvent::MouseButtonPress, title, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&f, QEvent::MouseMove, title, Qt::NoButton, Qt::LeftButton); // starts the move
    const QPoint globalTarget = f.mapToGlobal(title) + QPoint(35, 20);
    QMouseEvent move(QEvent::MouseMove, f.mapFromGlobal(globalTarget), globalTarget, Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&f, &move);
    EXPECT_EQ(f.geometry(), widened.translated(35, 20));
    sendMouse(&f, QEvent::MouseButtonRelease, title, Qt::LeftButton, Qt::NoButton);

    const QRect moved = f.geometry();
    const QPoint inPage(400, 400);
    sendMouse(&f, QEvent::MouseButtonPress, inPage, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&f, QEvent::MouseMove, inPage + QPoint(10, 0), Qt::NoButton, Qt::LeftButton);
    sendMouse(&f, QEvent::MouseMove, inPage + QPoint(50, 30), Qt::NoButton, Qt::LeftButton);
    sendMouse(&f, QEvent::MouseButtonRelease, inPage + QPoint(50, 30), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(f.geometry(), moved);
}

// --- OSD sliders ----------------------------------------------------------------------------

TEST(MainFrameTest, SliderClickValue)
{
    struct Case {
        int x, width, minimum, maximum;
        std::optional<int> value;
    };
    const Case cases[] = {
        { 0, 100, 0, 486, 0 },
        { 50, 100, 0, 486, 243 },
        { 99, 100, 0, 551, 545 },
        { 100, 100, 0, 551, 551 },
        { 25, 100, 10, 20, 12 },
        { 1, 3, 0, 486, 162 },
        { 10, 0, 0, 486, std::nullopt },
        { 10, -4, 0, 486, std::nullopt },
    };
    for (const Case& c : cases)
        EXPECT_EQ(MainFrame::sliderClickValue(c.x, c.width, c.minimum, c.maximum), c.value)
            << c.x << "/" << c.width << " of " << c.minimum << ".." << c.maximum;
}

TEST(MainFrameTest, ALeftClickOnAnOsdSliderJumpsToThatValue)
{
    Window w(0);
    w.activate(B::OSD);
    OSDConfig* osd = w.frame->page<OSDConfig>();
    for (QAbstractSlider* slider :
        { osd->sliderX(), osd->sliderY(), osd->sliderDateX(), osd->sliderDateY() }) {
        slider->setGeometry(0, 0, 200, 20);
        slider->show();
        slider->setValue(0);
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(100, 10));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(100, 10));
        EXPECT_EQ(slider->value(), slider->maximum() / 2) << qPrintable(slider->objectName());

        // Other buttons and sliders without width change nothing.
        slider->setValue(7);
        QTest::mousePress(slider, Qt::RightButton, {}, QPoint(150, 10));
        QTest::mouseRelease(slider, Qt::RightButton, {}, QPoint(150, 10));
        EXPECT_EQ(slider->value(), 7);
        slider->setGeometry(0, 0, 0, 20);
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(0, 10));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(0, 10));
        EXPECT_EQ(slider->value(), 7);
    }
}

// --- The window pointer ---------------------------------------------------------------------

TEST(MainFrameTest, TheWindowPointerIsTheFirstLiveWindowAndIsClearedWhenItGoes)
{
    ShellTestEnv env;
    EXPECT_EQ(MainFrame::instance(), nullptr);
    auto first = std::make_unique<MainFrame>();
    EXPECT_EQ(MainFrame::instance(), first.get());
    auto second = std::make_unique<MainFrame>();
    EXPECT_EQ(MainFrame::instance(), first.get());
    first.reset();
    EXPECT_EQ(MainFrame::instance(), nullptr);
    second.reset();
    auto third = std::make_unique<MainFrame>();
    EXPECT_EQ(MainFrame::instance(), third.get());
    third.reset();
    EXPECT_EQ(MainFrame::instance(), nullptr);
}

TEST(MainFrameTest, TheCloseRequestClosesTheWindow)
{
    Window w(0);
    ASSERT_TRUE(w.frame->isVisible());
    emit w.frame->titleBar()->CloseRequest(-1);
    EXPECT_FALSE(w.frame->isVisible());
}

} // namespace
