// The hover button and its pop-up: when the pop-up opens, where, and what
// leaving the button or the pop-up reports.
#include "ShellTestEnv.h"
#include "shell/ui/HoverButton.h"
#include "shell/ui/HoverDialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCursor>
#include <QEnterEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

class HoverTest : public ::testing::Test
{
protected:
    ShellTestEnv env;
    QWidget host;
    HoverButton* button = nullptr;

    void SetUp() override
    {
        host.setGeometry(100, 100, 600, 200);
        button = new HoverButton(&host);
        button->setGeometry(200, 20, 100, 38);
        button->setCheckable(true);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }
    void TearDown() override { button->popup()->hide(); }

    HoverDialog* popup() const { return button->popup(); }

    void enter()
    {
        QEnterEvent e(QPointF(5, 5), QPointF(205, 25), QPointF(button->mapToGlobal(QPoint(5, 5))));
        QApplication::sendEvent(button, &e);
    }
    static void leave(QWidget* w)
    {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(w, &e);
    }
};

} // namespace

TEST_F(HoverTest, PopupHasThreeExclusiveCheckableChoices)
{
    const char* const texts[] = { "Configure", "Stream", "OSD" };
    for (int i = 0; i < 3; ++i) {
        QPushButton* b = popup()->choiceButton(i);
        ASSERT_TRUE(b);
        EXPECT_EQ(b->objectName(), QStringLiteral("PageHoverTabButton"));
        EXPECT_TRUE(b->isCheckable());
        EXPECT_EQ(b->minimumSize(), QSize(85, 38));
        EXPECT_EQ(b->maximumSize(), QSize(110, 38));
        EXPECT_EQ(b->text(), QString::fromLatin1(texts[i]));
    }
    EXPECT_EQ(popup()->choiceButton(3), nullptr);
    EXPECT_TRUE(popup()->windowFlags() & Qt::FramelessWindowHint);

    popup()->choiceButton(0)->click();
    popup()->choiceButton(2)->click();
    EXPECT_FALSE(popup()->choiceButton(0)->isChecked());
    EXPECT_EQ(popup()->choiceIndex(), 2);
    popup()->resetChoices();
    EXPECT_EQ(popup()->choiceIndex(), -1);
    // Still exclusive after the reset.
    popup()->choiceButton(1)->click();
    popup()->choiceButton(0)->click();
    EXPECT_EQ(popup()->choiceIndex(), 0);
}

TEST_F(HoverTest, ChoicesAreRelayed)
{
    QSignalSpy first(button, &HoverButton::ClickHoverFirstRequest);
    QSignalSpy second(button, &HoverButton::ClickHoverSecondRequest);
    QSignalSpy third(button, &HoverButton::ClickHoverThirdRequest);
    popup()->choiceButton(1)->click();
    popup()->choiceButton(2)->click();
    popup()->choiceButton(2)->click();
    EXPECT_EQ(first.count(), 0);
    EXPECT_EQ(second.count(), 1);
    EXPECT_EQ(third.count(), 2);
}

TEST_F(HoverTest, EnteringOpensThePopupOnlyWhenCheckedAndEnabled)
{
    enter();
    EXPECT_FALSE(popup()->isVisible()) << "unchecked";

    button->setChecked(true);
    button->setEnabled(false);
    enter();
    EXPECT_FALSE(popup()->isVisible()) << "disabled";

    button->setEnabled(true);
    enter();
    ASSERT_TRUE(popup()->isVisible());
    EXPECT_EQ(popup()->size(), QSize(360, 50));
    // Centred right below the button.
    EXPECT_EQ(popup()->pos(), button->mapToGlobal(QPoint(50 - 180, 38)));
}

TEST_F(HoverTest, LeavingTowardsThePopupKeepsItOpen)
{
    button->setChecked(true);
    button->showPopup();
    ASSERT_TRUE(popup()->isVisible());
    QSignalSpy reported(button, &HoverButton::HoverHasClickedBtn);

    QCursor::setPos(popup()->geometry().center());
    leave(button);
    EXPECT_TRUE(popup()->isVisible());
    EXPECT_EQ(reported.count(), 0);

    QCursor::setPos(popup()->geometry().bottomRight() + QPoint(40, 40));
    leave(button);
    EXPECT_FALSE(popup()->isVisible());
    ASSERT_EQ(reported.count(), 1);
    EXPECT_EQ(reported.at(0).at(0).toBool(), false);

    // With a choice checked the report says so.
    popup()->checkChoice(1);
    button->showPopup();
    leave(button);
    ASSERT_EQ(reported.count(), 2);
    EXPECT_EQ(reported.at(1).at(0).toBool(), true);
}

TEST_F(HoverTest, LeavingThePopupHidesItAndReportsWithOrWithoutAChoice)
{
    button->setChecked(true);
    QSignalSpy reported(button, &HoverButton::HoverHasClickedBtn);

    button->showPopup();
    leave(popup());
    EXPECT_FALSE(popup()->isVisible());
    ASSERT_EQ(reported.count(), 1);
    EXPECT_EQ(reported.at(0).at(0).toBool(), false);

    button->showPopup();
    popup()->choiceButton(0)->click();
    leave(popup());
    ASSERT_EQ(reported.count(), 2);
    EXPECT_EQ(reported.at(1).at(0).toBool(), true);

    // A leave of an already hidden pop-up reports nothing more.
    leave(popup());
    EXPECT_EQ(reported.count(), 2);
}

TEST_F(HoverTest, CurrentChoiceRestoreAndReset)
{
    EXPECT_EQ(button->currentChoice(), 0) << "unchecked";
    button->restoreChoice(false);
    EXPECT_EQ(popup()->choiceIndex(), -1) << "restore needs a checked button";

    button->setChecked(true);
    EXPECT_EQ(button->currentChoice(), -1);
    button->restoreChoice(true);
    EXPECT_EQ(button->currentChoice(), -1);
    button->restoreChoice(false);
    EXPECT_EQ(button->currentChoice(), 0);
    EXPECT_EQ(popup()->choiceIndex(), 0);

    popup()->checkChoice(2);
    EXPECT_EQ(button->currentChoice(), 2);
    button->setEnabled(false);
    EXPECT_EQ(button->currentChoice(), 0) << "disabled";
    button->setEnabled(true);

    button->resetChoices(true);
    EXPECT_EQ(button->currentChoice(), 2);
    button->resetChoices(false);
    EXPECT_EQ(button->currentChoice(), -1);
}
