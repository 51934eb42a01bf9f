// The pop-up notice: its countdown, fade and close, hovering, replacement by a
// new message, and where it appears. A MockClock turns each second into 50 ms,
// so the six-second flow runs in about a third of a second.
#include "MockClock.h"
#include "ShellTestEnv.h"
#include "shell/ui/vlclientmsgpopup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace
{

constexpr double kScale = 0.05;
constexpr int kSecondMs = 50; // one second of the notice under kScale
// The least time `seconds` of the notice can take: Qt's coarse timers may
// fire up to 5 % early.
constexpr int atLeastMs(int seconds)
{
    return seconds * kSecondMs * 9 / 10;
}

// What a notice did while a test watched it, time measured from the start of
// the watch.
struct Watch {
    qint64 fadeStartMs = -1; // first seen fading
    int ticksAtFade = -1;
    double lowestOpacityBeforeFade = 1.0;
    double lowestOpacityWhileFading = 1.0;
    qint64 closedMs = -1; // first seen hidden
    int ticksAtClose = -1;
};

// Polls `popup` until it hides or `limitMs` passes.
Watch watch(vlclientmsgpopup& popup, int limitMs = 40 * kSecondMs)
{
    Watch w;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < limitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (!popup.isVisible()) {
            w.closedMs = clock.elapsed();
            w.ticksAtClose = popup.ticks();
            break;
        }
        if (popup.isFading()) {
            if (w.fadeStartMs < 0) {
                w.fadeStartMs = clock.elapsed();
                w.ticksAtFade = popup.ticks();
            }
            w.lowestOpacityWhileFading = std::min(w.lowestOpacityWhileFading, popup.windowOpacity());
        } else if (w.fadeStartMs < 0) {
            w.lowestOpacityBeforeFade = std::min(w.lowestOpacityBeforeFade, popup.windowOpacity());
        }
        QTest::qSleep(1);
    }
    return w;
}

void sendEnter(QWidget* w)
{
    QEnterEvent e(QPointF(20, 20), QPointF(20, 20), QPointF(w->mapToGlobal(QPoint(20, 20))));
    QApplication::sendEvent(w, &e);
}

void sendLeave(QWidget* w)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

class PopupTest : public ::testing::Test
{
protected:
    ShellTestEnv env; // English texts: 110 is "Message"
    MockClock clock { kScale };
    vlclientmsgpopup popup;

    void TearDown() override { popup.hide(); }
};

} // namespace

TEST_F(PopupTest, SixSecondsShowFiveThenFadeOneThenClose)
{
    popup.showMessage(QStringLiteral("Upgrade finished"), 6);
    ASSERT_TRUE(popup.isVisible());
    EXPECT_EQ(popup.textLabel()->text(), QStringLiteral("Upgrade finished"));
    EXPECT_EQ(popup.titleLabel()->text(), QStringLiteral("Message"));
    EXPECT_TRUE(popup.isCounting());

    const Watch w = watch(popup);
    ASSERT_GE(w.fadeStartMs, 0) << "never faded";
    EXPECT_EQ(w.ticksAtFade, 5);
    EXPECT_GE(w.fadeStartMs, atLeastMs(5));
    EXPECT_DOUBLE_EQ(w.lowestOpacityBeforeFade, 1.0) << "faded before its last second";
    EXPECT_LT(w.lowestOpacityWhileFading, 1.0);
    ASSERT_GE(w.closedMs, 0) << "never closed";
    EXPECT_EQ(w.ticksAtClose, 6);
    EXPECT_GE(w.closedMs, atLeastMs(6));
    EXPECT_FALSE(popup.isCounting());
    EXPECT_FALSE(popup.isFading());
}

TEST_F(PopupTest, ShortCountdownsFadeAndCloseOnTheirOwnSchedule)
{
    struct Case {
        quint8 seconds;
        int fadeTick; // -1: no fade seen before the close
        int closeTick;
    };
    // With 2 seconds the fade starts at the first tick; the close follows at
    // the second.
    for (const Case c : { Case { 2, 1, 2 }, Case { 3, 2, 3 } }) {
        SCOPED_TRACE(c.seconds);
        popup.showMessage(QStringLiteral("note"), c.seconds);
        const Watch w = watch(popup);
        EXPECT_EQ(w.ticksAtFade, c.fadeTick);
        EXPECT_EQ(w.ticksAtClose, c.closeTick);
    }
}

TEST_F(PopupTest, ZeroOrOneSecondStaysUntilTheCloseButton)
{
    for (quint8 seconds : { quint8(0), quint8(1) }) {
        SCOPED_TRACE(seconds);
        popup.showMessage(QStringLiteral("stays"), seconds);
        EXPECT_FALSE(popup.isCounting());
        QTest::qWait(8 * kSecondMs);
        EXPECT_TRUE(popup.isVisible());
        EXPECT_FALSE(popup.isFading());
        EXPECT_DOUBLE_EQ(popup.windowOpacity(), 1.0);
        popup.closeButton()->click();
        EXPECT_FALSE(popup.isVisible());
    }
}

TEST_F(PopupTest, HoveringDuringTheFadeRestoresAndHoldsItLeavingGivesAFullCountdown)
{
    popup.showMessage(QStringLiteral("hold me"), 6);
    QTRY_VERIFY_WITH_TIMEOUT(popup.isFading(), 20 * kSecondMs);
    sendEnter(&popup);
    EXPECT_FALSE(popup.isFading());
    EXPECT_FALSE(popup.isCounting());
    EXPECT_DOUBLE_EQ(popup.windowOpacity(), 1.0);

    QTest::qWait(10 * kSecondMs); // longer than a whole countdown
    EXPECT_TRUE(popup.isVisible());
    EXPECT_DOUBLE_EQ(popup.windowOpacity(), 1.0);

    sendLeave(&popup);
    EXPECT_TRUE(popup.isCounting());
    EXPECT_EQ(popup.ticks(), 0);
    const Watch w = watch(popup);
    EXPECT_EQ(w.ticksAtFade, 5);
    EXPECT_GE(w.fadeStartMs, atLeastMs(5));
    EXPECT_EQ(w.ticksAtClose, 6);
    EXPECT_GE(w.closedMs, atLeastMs(6));
}

TEST_F(PopupTest, TheCloseButtonClosesWhileCountingAndWhileFading)
{
    popup.showMessage(QStringLiteral("counting"), 6);
    QTRY_VERIFY_WITH_TIMEOUT(popup.ticks() >= 2, 20 * kSecondMs);
    popup.closeButton()->click();
    EXPECT_FALSE(popup.isVisible());
    EXPECT_FALSE(popup.isCounting());

    popup.showMessage(QStringLiteral("fading"), 6);
    QTRY_VERIFY_WITH_TIMEOUT(popup.isFading(), 20 * kSecondMs);
    popup.closeButton()->click();
    EXPECT_FALSE(popup.isVisible());
    EXPECT_FALSE(popup.isFading());
    EXPECT_FALSE(popup.isCounting());
}

TEST_F(PopupTest, AnEmptyTextLeavesTheNoticeOnScreenAsItIs)
{
    popup.showMessage(QStringLiteral("first"), 6);
    QTRY_VERIFY_WITH_TIMEOUT(popup.ticks() >= 2, 20 * kSecondMs);
    const quint8 ticks = popup.ticks();
    popup.showMessage(QString(), 1);
    EXPECT_TRUE(popup.isVisible());
    EXPECT_EQ(popup.textLabel()->text(), QStringLiteral("first"));
    EXPECT_EQ(popup.displaySeconds(), 6);
    EXPECT_TRUE(popup.isCounting());
    EXPECT_GE(popup.ticks(), ticks); // the countdown was not restarted

    popup.hide();
    popup.showMessage(QString(), 6);
    EXPECT_FALSE(popup.isVisible());
}

TEST_F(PopupTest, ANewMessageReplacesTheOneOnScreenAndStartsOver)
{
    popup.showMessage(QStringLiteral("old"), 6);
    QTRY_VERIFY_WITH_TIMEOUT(popup.isFading(), 20 * kSecondMs);
    popup.showMessage(QStringLiteral("new"), 6);
    EXPECT_TRUE(popup.isVisible());
    EXPECT_EQ(popup.textLabel()->text(), QStringLiteral("new"));
    EXPECT_EQ(popup.ticks(), 0);
    EXPECT_FALSE(popup.isFading());
    EXPECT_DOUBLE_EQ(popup.windowOpacity(), 1.0);
    const Watch w = watch(popup);
    EXPECT_EQ(w.ticksAtFade, 5);
    EXPECT_EQ(w.ticksAtClose, 6);

    // A one-second message after a notice that was hidden mid-countdown
    // (Escape, say) is not closed by the old countdown.
    popup.showMessage(QStringLiteral("counting"), 6);
    QTRY_VERIFY_WITH_TIMEOUT(popup.ticks() >= 2, 20 * kSecondMs);
    popup.hide();
    popup.showMessage(QStringLiteral("stays"), 1);
    QTest::qWait(8 * kSecondMs);
    EXPECT_TRUE(popup.isVisible());
    EXPECT_FALSE(popup.isCounting());
}

TEST_F(PopupTest, SlidesUpIntoTheBottomRightCornerOfTheScreen)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    popup.showMessage(QStringLiteral("corner"), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!popup.isSliding(), 2000);
    const QRect end = vlclientmsgpopup::slideEnd(area, QSize(320, 240));
    EXPECT_EQ(popup.geometry(), end);
    EXPECT_EQ(end.right(), area.right() - 1); // 1 pixel left of the right edge
    EXPECT_EQ(end.bottom(), area.bottom() - 1); // slid up by its height from the bottom row
}

TEST(PopupPlacement, TheScreenUnderThePointerElseThePrimary)
{
    const QRect left(0, 0, 1920, 1040);
    const QRect right(1920, 0, 1280, 984);
    struct Case {
        QPoint cursor;
        QList<QRect> areas;
        QRect expected;
    };
    const Case cases[] = {
        { { 100, 100 }, { left, right }, left }, { { 2500, 500 }, { left, right }, right },
        { { 2500, 1000 }, { left, right }, left }, // in no available area (the right one's task bar)
        { { -50, 10 }, { right, left }, left }, // not found: the primary (here: left)
        { { 5, 5 }, {}, QRect(0, 0, 1920, 1080) }, // no screen at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cursor.x() << "," << c.cursor.y());
        EXPECT_EQ(vlclientmsgpopup::screenArea(c.areas, left, c.cursor), c.expected);
    }

    const QSize size(320, 240);
    EXPECT_EQ(vlclientmsgpopup::slideStart(right, size), QRect(2879, 983, 320, 240));
    EXPECT_EQ(vlclientmsgpopup::slideEnd(right, size), QRect(2879, 743, 320, 240));
}

TEST(PopupShape, TheStyleSheetFindsItsPartsAndItNeverKeepsTheProgramAlive)
{
    ShellTestEnv env;
    vlclientmsgpopup popup;
    EXPECT_EQ(popup.objectName(), QStringLiteral("vlclientmsgpopup"));
    EXPECT_EQ(popup.size(), QSize(320, 240));
    EXPECT_EQ(popup.minimumSize(), popup.maximumSize());
    for (const char* name : { "MainFrame", "TitleBarFrame", "msgpopuplab", "closebutton", "m_LabText" })
        EXPECT_TRUE(popup.findChild<QWidget*>(QLatin1String(name))) << name;
    EXPECT_EQ(popup.closeButton()->size(), QSize(16, 16));
    EXPECT_EQ(popup.textLabel()->width(), 280);
    EXPECT_TRUE(popup.textLabel()->wordWrap());
    const Qt::WindowFlags flags = popup.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(popup.windowType(), Qt::Tool);
    EXPECT_TRUE(popup.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_FALSE(popup.testAttribute(Qt::WA_QuitOnClose));

    EXPECT_EQ(vlclientmsgpopup::instance(), vlclientmsgpopup::instance());
}
