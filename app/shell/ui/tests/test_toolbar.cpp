// The tool bar: which buttons each edition shows and in which order, the
// filter entries and columns, retranslation, the hover pop-up's way back,
// enabling, the protocol rules and the destruction guard.
#include "AppStyleSheet.h"
#include "ShellTestEnv.h"
#include "shell/edition/EditionProfile.h"
#include "shell/edition/ToolBarEditions.h"
#include "shell/ui/FlowLayout.h"
#include "shell/ui/HoverButton.h"
#include "shell/ui/HoverDialog.h"
#include "shell/ui/ToolBarFrame.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace
{

using B = ToolBarButton;
using ButtonList = QVector<ToolBarButton>;

// A settings file for edition `e` that lists the edition's own language
// files (those that do not ship fall back to English texts), `cursel` being
// the listed file that is current.
ShellTestEnv::Options edition(int e, int cursel = 0)
{
    ShellTestEnv::Options o;
    o.edition = e;
    o.cursel = cursel;
    o.languageFiles = EditionProfile::of(e).languageFiles;
    return o;
}

// A tool bar of one edition, shown in a wide window so that every button
// sits in the first row.
struct Bar {
    ShellTestEnv env;
    std::unique_ptr<ToolBarFrame> bar;

    explicit Bar(int e, int width = 3000, int cursel = 0)
        : env(edition(e, cursel))
        , bar(new ToolBarFrame)
    {
        bar->resize(width, 200);
        bar->show();
        QApplication::processEvents();
    }
    ~Bar() { bar.reset(); } // before the settings go

    QPushButton* operator[](B b) const { return bar->button(b); }

    // The shown buttons, ordered by row and then left to right.
    ButtonList shownInOrder() const
    {
        ButtonList shown;
        for (B b : ToolBarEditions::allButtons()) {
            if (bar->button(b)->isVisible())
                shown << b;
        }
        std::sort(shown.begin(), shown.end(), [this](B x, B y) {
            const QPoint a = bar->button(x)->pos(), c = bar->button(y)->pos();
            return a.y() != c.y() ? a.y() < c.y() : a.x() < c.x();
        });
        return shown;
    }
    QStringList filterEntries() const
    {
        QStringList l;
        for (int i = 0; i < bar->filterCombo()->count(); ++i)
            l << bar->filterCombo()->itemText(i);
        return l;
    }
};

QStringList texts(std::initializer_list<int> ids)
{
    QStringList l;
    for (int id : ids)
        l << TextTable::text(id);
    return l;
}

std::string names(const ButtonList& list)
{
    std::string s;
    for (B b : list)
        s += std::to_string(static_cast<int>(b)) + " ";
    return s;
}

} // namespace

TEST(ToolBar, ShownButtonsAndTheirOrderByEdition)
{
    struct Case {
        int edition;
        ButtonList buttons;
        bool protocol;
    };
    const Case cases[] = {
        { 0,
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::InitialDevice,
                B::ExportExcel, B::ImportExport, B::Password, B::Reboot },
            false },
        { 20, { B::Search, B::Upgrade, B::Config, B::ExtranetSearch }, true },
        { 33,
            { B::Search, B::AutoUpgrade, B::Hover, B::Recovery, B::InitialDevice, B::ImportExport,
                B::Password },
            false },
        { 34,
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::InitialDevice,
                B::ImportExport, B::Password, B::Reboot, B::VideoFormat },
            true },
        { 42, { B::Search, B::Upgrade, B::Config, B::ExtranetSearch, B::ChangeDevice }, true },
        { 47,
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::InitialDevice,
                B::ExportExcel, B::ImportExport, B::Password, B::Reboot },
            false },
        { 50,
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::InitialDevice,
                B::ImportExport, B::Reboot, B::Password },
            false },
        { 99, { B::Search, B::Upgrade, B::Config }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edition);
        Bar t(c.edition);
        EXPECT_EQ(t.shownInOrder(), c.buttons) << names(t.shownInOrder());
        EXPECT_EQ(t.bar->protocolLabel()->isVisible(), c.protocol);
        EXPECT_EQ(t.bar->protocolCombo()->isVisible(), c.protocol);
        EXPECT_TRUE(t.bar->filterEdit()->isVisible());
        EXPECT_EQ(t.bar->autoRefreshBox() != nullptr, QVector<int> { 47 }.contains(c.edition));
        EXPECT_TRUE(t[B::Search]->isChecked());
        EXPECT_EQ(t.bar->currentButton(), t[B::Search]);
        EXPECT_EQ(t.bar->activeButton(), B::Search);
        // Shown buttons never overlap, and all are one row high.
        for (int i = 1; i < c.buttons.size(); ++i) {
            const QRect prev = t[c.buttons[i - 1]]->geometry();
            const QRect cur = t[c.buttons[i]]->geometry();
            EXPECT_EQ(cur.left(), prev.right() + 1 + 10) << i;
            EXPECT_EQ(cur.height(), 38);
        }
        for (B b : ToolBarEditions::allButtons()) {
            EXPECT_EQ(t[b]->objectName(), QStringLiteral("PageTabButton"));
            EXPECT_TRUE(t[b]->isCheckable());
        }
    }
}

TEST(ToolBar, EveryButtonAnEditionCanShowHasOnePlaceInTheFlow)
{
    for (int e = -1; e <= 70; ++e) {
        SCOPED_TRACE(e);
        const ButtonList flow = ToolBarEditions::flowOrder(e);
        std::set<int> seen;
        for (B b : flow)
            EXPECT_TRUE(seen.insert(static_cast<int>(b)).second) << "twice: " << static_cast<int>(b);
        const ToolBarEditions::ProtocolRule rule = ToolBarEditions::protocolRule(e);
        for (B b : ToolBarEditions::allButtons()) {
            if (ToolBarEditions::initiallyShown(e, b) || rule.normalOnly.contains(b)) {
                EXPECT_TRUE(flow.contains(b)) << "no place for " << static_cast<int>(b);
            }
        }
        // The protocol combo shows exactly where it has buttons to show and hide.
        EXPECT_EQ(!rule.normalOnly.isEmpty(), ToolBarEditions::hasProtocolCombo(e));
    }
}

TEST(ToolBar, WrapsIntoASecondRowWhenNarrow)
{
    Bar t(0, 700);
    const int rowHeight = 38 + 10;
    EXPECT_GT(t[B::Reboot]->y(), t[B::Search]->y());
    EXPECT_EQ(t[B::Reboot]->y() % rowHeight, t[B::Search]->y() % rowHeight);
    EXPECT_GE(t.bar->heightForWidth(700), 10 + 2 * 38 + 10);
    // The filter stays level with the first row.
    EXPECT_LT(t.bar->filterEdit()->y(), t[B::Search]->geometry().bottom());
}

TEST(ToolBar, FilterColumnReplacementsApplyOncePerRow)
{
    struct Case {
        int edition;
        B page;
        int index;
        int column;
    };
    const Case cases[] = {
        { 0, B::Search, 0, 1 },
        { 0, B::Search, 1, 2 },
        { 0, B::Search, 2, 4 }, // 3 -> 4, not on to 5
        { 0, B::Search, 3, 5 },
        { 0, B::Search, 4, 7 },
        { 0, B::Search, -1, 0 },
        { 40, B::Search, 3, 6 },
        { 40, B::Search, 4, 7 },
        { 43, B::Search, 2, 4 }, // rows chain
        { 43, B::Upgrade, 2, 4 },
        { 43, B::Upgrade, 3, 6 },
        { 40, B::Upgrade, 4, 6 },
        { 0, B::Upgrade, 2, 3 },
        { 44, B::Reboot, 3, 5 },
        { 43, B::Password, 2, 4 },
        { 43, B::OSD, 3, 5 },
        { 43, B::ImportExport, 4, 5 },
        { 0, B::ExportExcel, 4, 7 },
        { 60, B::ExportExcel, 2, 4 },
        { 43, B::ExportExcel, 1, 3 },
        { 43, B::ExportExcel, 3, 6 },
        { 1, B::ExportExcel, 2, 3 },
        { 43, B::Stream, 1, 3 },
        { 43, B::Stream, 2, 4 },
        { 0, B::Stream, 1, 2 },
        { 46, B::InitialDevice, 1, 3 },
        { 46, B::InitialDevice, 4, 6 },
        { 44, B::InitialDevice, 2, 4 },
        { 23, B::ExtranetSearch, 4, 7 },
        { 44, B::ExtranetSearch, 3, 6 },
        { 40, B::ChangeDevice, 3, 5 },
        { 0, B::ChangeDevice, 3, 4 },
        { 0, B::None, 2, 3 },
        { 33, B::Hover, 2, 3 },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToolBarEditions::filterColumn(c.edition, c.page, c.index), c.column)
            << "edition " << c.edition << " page " << static_cast<int>(c.page) << " index " << c.index;
    }
}

TEST(ToolBar, FilterColumnFollowsTheActivePageAndTheProtocol)
{
    Bar t(34);
    QComboBox* filter = t.bar->filterCombo();
    EXPECT_EQ(t.filterEntries(), texts({ 32, 33, 34, 260, 259 }));
    filter->setCurrentIndex(2);
    EXPECT_EQ(t.bar->filterColumn(), 4);

    // ONVIF: entries 32, 260, 259, so entry 1 is column 2.
    QSignalSpy indexChanged(t.bar.get(), &ToolBarFrame::FilterIndexChangedRequest);
    QSignalSpy protocolChanged(t.bar.get(), &ToolBarFrame::ProtocolIndexChangedRequest);
    int columnSeenByListener = -1;
    QObject::connect(t.bar.get(), &ToolBarFrame::ProtocolIndexChangedRequest,
        [&] { columnSeenByListener = t.bar->filterColumn(); });
    t.bar->protocolCombo()->setCurrentIndex(1);
    EXPECT_EQ(t.bar->protocolIndex(), 1);
    EXPECT_EQ(protocolChanged.count(), 1);
    EXPECT_EQ(indexChanged.count(), 1);
    EXPECT_EQ(t.filterEntries(), texts({ 32, 260, 259 }));
    EXPECT_EQ(columnSeenByListener, 1);
    filter->setCurrentIndex(1);
    EXPECT_EQ(t.bar->filterColumn(), 2);

    // Another page: no replacement for edition 34's upgrade page.
    t[B::Upgrade]->click();
    filter->setCurrentIndex(2);
    EXPECT_EQ(t.bar->filterColumn(), 3);
    // No active button: the plain entry number.
    t[B::Upgrade]->hide();
    EXPECT_EQ(t.bar->activeButton(), B::None);
    EXPECT_EQ(t.bar->filterColumn(), 3);
}

TEST(ToolBar, FilterEntriesByEditionAndForm)
{
    {
        Bar t(43);
        EXPECT_EQ(t.filterEntries(), texts({ 32, 34, 260, 259 }));
    }
    {
        Bar t(40);
        EXPECT_EQ(t.filterEntries(), texts({ 32, 33, 260, 259 }));
    }
    Bar t(34);
    QSignalSpy indexChanged(t.bar.get(), &ToolBarFrame::FilterIndexChangedRequest);
    t.bar->filterCombo()->setCurrentIndex(3);
    indexChanged.clear();
    t.bar->refillFilterCombo(true);
    EXPECT_EQ(t.filterEntries(), texts({ 32, 34, 260 }));
    EXPECT_EQ(t.bar->filterCombo()->currentIndex(), 0);
    EXPECT_EQ(indexChanged.count(), 1) << "announced once, never with an empty combo";
    t.bar->protocolCombo()->setCurrentIndex(1);
    t.bar->refillFilterCombo(true);
    EXPECT_EQ(t.filterEntries(), texts({ 32, 260 }));
    t.bar->refillFilterCombo(false);
    EXPECT_EQ(t.filterEntries(), texts({ 32, 260, 259 }));
}

TEST(ToolBar, RetranslationKeepsTheChosenEntries)
{
    // Edition 13 offers Simplified Chinese first, then English; it starts in
    // English here and has a protocol combo.
    Bar t(13, 3000, 1);
    ASSERT_EQ(t.env.settings()->currentLanguageFile(), QStringLiteral("ENU.xml"));
    t.bar->protocolCombo()->setCurrentIndex(1);
    t.bar->filterCombo()->setCurrentIndex(2);
    QSignalSpy indexChanged(t.bar.get(), &ToolBarFrame::FilterIndexChangedRequest);
    QSignalSpy protocolChanged(t.bar.get(), &ToolBarFrame::ProtocolIndexChangedRequest);
    const QString englishSearch = t[B::Search]->text();

    t.env.settings()->setLanguage(0); // posts LanguageChangedEvent
    QCoreApplication::sendPostedEvents(nullptr, 0);
    EXPECT_NE(t[B::Search]->text(), englishSearch);
    EXPECT_EQ(t[B::Search]->text(), TextTable::text(10));
    EXPECT_EQ(t.bar->filterLabel()->text(), TextTable::text(14));
    EXPECT_EQ(t.bar->protocolCombo()->itemText(1), TextTable::text(138));
    EXPECT_EQ(t.bar->hoverButton()->popup()->choiceButton(1)->text(), TextTable::text(171));
    EXPECT_EQ(t.bar->protocolCombo()->currentIndex(), 1);
    EXPECT_EQ(t.bar->filterCombo()->currentIndex(), 2);
    EXPECT_EQ(t.filterEntries(), texts({ 32, 260, 259 }));
    EXPECT_EQ(indexChanged.count(), 0);
    EXPECT_EQ(protocolChanged.count(), 0);

    // An emptied combo comes back at its first entry.
    t.bar->filterCombo()->clear();
    t.bar->retranslate();
    EXPECT_EQ(t.bar->filterCombo()->currentIndex(), 0);
    EXPECT_EQ(t.filterEntries(), texts({ 32, 260, 259 }));
}

TEST(ToolBar, TextsAndToolTips)
{
    Bar t(33);
    EXPECT_EQ(t[B::Password]->text(), TextTable::text(13));
    EXPECT_EQ(t[B::Password]->toolTip(), TextTable::text(169));
    EXPECT_EQ(t[B::Recovery]->text(), TextTable::text(63));
    EXPECT_EQ(t[B::Recovery]->toolTip(), TextTable::text(289));
    EXPECT_EQ(t[B::InitialDevice]->text(), TextTable::text(288));
    EXPECT_EQ(t[B::AutoUpgrade]->text(), TextTable::text(11));
    EXPECT_EQ(t[B::Hover]->text(), TextTable::text(83));
    Bar other(0);
    EXPECT_EQ(other[B::Password]->text(), TextTable::text(169));
    EXPECT_EQ(other[B::Password]->toolTip(), TextTable::text(169));
    EXPECT_EQ(other[B::VideoFormat]->text(), TextTable::text(317));
    EXPECT_FALSE(other[B::Search]->property("boldText").toBool());
    // Edition 40's main buttons are bold (a style-sheet variant).
    AppStyleSheet sheet;
    Bar bold(40);
    for (B b : { B::Search, B::Upgrade, B::Config, B::Recovery, B::ChangeDevice, B::Stream }) {
        const bool expected = b != B::Stream;
        EXPECT_EQ(bold[b]->property("boldText").toBool(), expected) << int(b);
        EXPECT_EQ(bold[b]->font().bold(), expected) << int(b);
        EXPECT_TRUE(bold[b]->styleSheet().isEmpty());
    }
}

TEST(ToolBar, ButtonWidthsByEditionAndLanguage)
{
    {
        Bar t(0);
        EXPECT_EQ(t[B::Search]->minimumWidth(), 85);
        EXPECT_EQ(t[B::Search]->maximumWidth(), 110);
        EXPECT_EQ(t[B::Password]->minimumWidth(), 117);
        EXPECT_EQ(t[B::Password]->maximumWidth(), 150);
        EXPECT_EQ(t[B::VideoFormat]->minimumWidth(), 101);
        EXPECT_EQ(t[B::Search]->height(), 38);
    }
    {
        Bar t(1);
        EXPECT_EQ(t[B::Search]->minimumSize(), QSize(120, 38));
        EXPECT_EQ(t[B::Search]->maximumSize(), QSize(120, 38));
    }
    // Edition 50 makes room for the longer words of its second language.
    Bar t(50);
    EXPECT_EQ(t[B::Stream]->maximumWidth(), 110);
    t.env.settings()->setLanguage(1);
    QCoreApplication::sendPostedEvents(nullptr, 0);
    EXPECT_EQ(t[B::Stream]->minimumWidth(), 117);
    EXPECT_EQ(t[B::Stream]->maximumWidth(), 150);
}

TEST(ToolBar, EveryButtonRelaysItsClick)
{
    struct Relay {
        B button;
        void (ToolBarFrame::*signal)();
    };
    const Relay relays[] = {
        { B::Search, &ToolBarFrame::SearchRequest },
        { B::Upgrade, &ToolBarFrame::UpgradeRequest },
        { B::Config, &ToolBarFrame::ConfigRequest },
        { B::DeviceInfo, &ToolBarFrame::DeviceInfoRequest },
        { B::ImportExport, &ToolBarFrame::ImportExportRequest },
        { B::Password, &ToolBarFrame::ChangePasswordRequest },
        { B::ExportExcel, &ToolBarFrame::ExportExcelRequest },
        { B::ExtranetSearch, &ToolBarFrame::ExtranetSearchRequest },
        { B::Stream, &ToolBarFrame::StreamConfigRequest },
        { B::OSD, &ToolBarFrame::OSDConfigRequest },
        { B::Recovery, &ToolBarFrame::RecoveryDeviceRequest },
        { B::InitialDevice, &ToolBarFrame::InitialDeviceRequest },
        { B::Reboot, &ToolBarFrame::RebootDeviceRequest },
        { B::ChangeDevice, &ToolBarFrame::ChangeDeviceRequest },
        { B::Developer, &ToolBarFrame::DeveloperPageRequest },
        { B::AutoUpgrade, &ToolBarFrame::AutoUpgradePageRequest },
        { B::VideoFormat, &ToolBarFrame::VideoFormatRequest },
    };
    Bar t(0);
    for (const Relay& r : relays) {
        SCOPED_TRACE(static_cast<int>(r.button));
        QSignalSpy spy(t.bar.get(), r.signal);
        t[r.button]->click();
        EXPECT_EQ(spy.count(), 1);
        EXPECT_TRUE(t[r.button]->isChecked());
        EXPECT_EQ(t.bar->currentButton(), t[r.button]);
    }
    QSignalSpy text(t.bar.get(), &ToolBarFrame::FilterTextChangedRequest);
    t.bar->filterEdit()->setText(QStringLiteral("192.168"));
    EXPECT_EQ(text.count(), 1);
    EXPECT_EQ(t.bar->filterText(), QStringLiteral("192.168"));
}

TEST(ToolBar, SearchPageFlagAndEdition34sProtocolMenu)
{
    for (int e : { 0, 34 }) {
        SCOPED_TRACE(e);
        Bar t(e);
        QSignalSpy hide(t.bar.get(), &ToolBarFrame::HideProtocolBtn);
        t[B::Upgrade]->click();
        EXPECT_FALSE(t.env.settings()->onSearchPage());
        t[B::Search]->click();
        EXPECT_TRUE(t.env.settings()->onSearchPage());
        if (e == 34) {
            ASSERT_EQ(hide.count(), 2);
            EXPECT_EQ(hide.at(0).at(0).toBool(), true);
            EXPECT_EQ(hide.at(1).at(0).toBool(), false);
        } else {
            EXPECT_EQ(hide.count(), 0);
        }
    }
}

TEST(ToolBar, HoverPopupClosedWithoutAChoiceGoesBackToThePreviousPage)
{
    Bar t(33);
    HoverButton* hover = t.bar->hoverButton();
    HoverDialog* popup = hover->popup();
    t[B::Recovery]->click();
    ASSERT_EQ(t.bar->currentButton(), t[B::Recovery]);

    // Clicked: the pop-up opens; left elsewhere without a choice.
    hover->click();
    EXPECT_TRUE(hover->isChecked());
    EXPECT_TRUE(popup->isVisible());
    EXPECT_FALSE(t.env.settings()->onSearchPage());
    QCursor::setPos(popup->geometry().bottomRight() + QPoint(50, 50));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(hover, &leave);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_TRUE(t[B::Recovery]->isChecked());
    EXPECT_FALSE(hover->isChecked());
    EXPECT_EQ(t.bar->activeButton(), B::Recovery);

    // The same when the pointer went into the pop-up and out of it.
    t[B::Search]->click();
    hover->click();
    QApplication::sendEvent(popup, &leave);
    EXPECT_TRUE(t[B::Search]->isChecked());
    EXPECT_FALSE(hover->isChecked());
    EXPECT_TRUE(t.env.settings()->onSearchPage());

    // With a choice the hover button becomes current and stands for the page.
    QSignalSpy stream(t.bar.get(), &ToolBarFrame::OnClickHoverSecondRequest);
    hover->click();
    popup->choiceButton(1)->click();
    EXPECT_EQ(stream.count(), 1);
    QApplication::sendEvent(popup, &leave);
    EXPECT_TRUE(hover->isChecked());
    EXPECT_EQ(t.bar->currentButton(), hover);
    EXPECT_EQ(hover->currentChoice(), 1);
    EXPECT_FALSE(t.env.settings()->onSearchPage());

    // Another page button clears the pop-up's choice.
    t[B::Password]->click();
    EXPECT_EQ(popup->choiceIndex(), -1);
    EXPECT_EQ(t.bar->currentButton(), t[B::Password]);

    // A double-clicked device: the hover button with its first choice.
    t.bar->checkHoverButton();
    EXPECT_TRUE(hover->isChecked());
    EXPECT_EQ(hover->currentChoice(), 0);
}

TEST(ToolBar, DisablingLeavesTheAutoRefreshBoxUsable)
{
    Bar t(47);
    t.bar->setButtonsEnabled(false);
    for (B b : ToolBarEditions::allButtons())
        EXPECT_FALSE(t[b]->isEnabled()) << static_cast<int>(b);
    EXPECT_FALSE(t.bar->filterEdit()->isEnabled());
    EXPECT_FALSE(t.bar->filterCombo()->isEnabled());
    EXPECT_FALSE(t.bar->protocolCombo()->isEnabled());
    EXPECT_FALSE(t.bar->hoverButton()->popup()->choiceButton(0)->isEnabled());
    QCheckBox* box = t.bar->autoRefreshBox();
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isEnabled());
    EXPECT_EQ(t.bar->autoRefreshLabel()->text(), TextTable::text(262));

    box->click();
    EXPECT_TRUE(t.env.settings()->isAutoRefreshRunning());
    box->click();
    EXPECT_FALSE(t.env.settings()->isAutoRefreshRunning());

    t.bar->setButtonsEnabled(true);
    EXPECT_TRUE(t[B::Search]->isEnabled());
    EXPECT_TRUE(t.bar->protocolCombo()->isEnabled());
}

TEST(ToolBar, ProtocolChoiceShowsAndHidesButtons)
{
    {
        Bar t(34);
        t.bar->applyProtocolVisibility(false);
        EXPECT_EQ(t.shownInOrder(), (ButtonList { B::Search, B::VideoFormat }));
        t.bar->applyProtocolVisibility(true);
        EXPECT_EQ(t.shownInOrder(),
            (ButtonList { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::InitialDevice,
                B::ImportExport, B::Password, B::Reboot, B::VideoFormat }));
    }
    {
        Bar t(42);
        t.bar->applyProtocolVisibility(false);
        EXPECT_EQ(t.shownInOrder(), (ButtonList { B::Search, B::ChangeDevice }));
        t.bar->applyProtocolVisibility(true);
        EXPECT_EQ(t.shownInOrder(),
            (ButtonList { B::Search, B::Upgrade, B::Config, B::ExtranetSearch, B::ChangeDevice }));
    }
    Bar t(0);
    const ButtonList before = t.shownInOrder();
    t.bar->applyProtocolVisibility(false);
    EXPECT_EQ(t.shownInOrder(), before);
}

TEST(ToolBar, ConfigButtonCheckedFromOutside)
{
    Bar t(0);
    QSignalSpy config(t.bar.get(), &ToolBarFrame::ConfigRequest);
    t.bar->checkConfigButton();
    EXPECT_TRUE(t[B::Config]->isChecked());
    EXPECT_FALSE(t[B::Search]->isChecked());
    EXPECT_EQ(t.bar->activeButton(), B::Config);
    EXPECT_EQ(config.count(), 0);
}

TEST(ToolBar, DestructionIsMarkedUnderTheGuard)
{
    ShellTestEnv env;
    auto* bar = new ToolBarFrame;
    EXPECT_FALSE(env.settings()->isToolBarDestroyed());
    EXPECT_GE(env.settings()->receiverCount(), 1);
    delete bar;
    EXPECT_TRUE(env.settings()->isToolBarDestroyed());
    EXPECT_EQ(env.settings()->receiverCount(), 0);
    // A new tool bar is readable again.
    ToolBarFrame again;
    EXPECT_FALSE(env.settings()->isToolBarDestroyed());
}
