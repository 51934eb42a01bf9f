// The title bar in both modes, its menus and choices, and the settings and
// About windows.
#include "AppStyleSheet.h"
#include "DialogAnswers.h"
#include "QtPrinters.h"
#include "ShellTestEnv.h"
#include "shell/EditionTexts.h"
#include "shell/TextTable.h"
#include "shell/ui/GKMessageBox.h"
#include "shell/ui/TitleBarFrame.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <vector>

namespace
{

ShellTestEnv::Options edition(int e)
{
    ShellTestEnv::Options o;
    o.edition = e;
    return o;
}

void deliverPostedEvents()
{
    QCoreApplication::sendPostedEvents(nullptr, 0);
}

QStringList entryOrder(const TitleBarFrame& bar)
{
    QStringList names;
    for (QAction* a : bar.infoMenu()->actions()) {
        if (a == bar.protocolEntry())
            names << QStringLiteral("protocol");
        else if (a == bar.languageEntry())
            names << QStringLiteral("language");
        else if (a == bar.settingsEntry())
            names << QStringLiteral("settings");
        else if (a == bar.aboutEntry())
            names << QStringLiteral("about");
        else
            names << QStringLiteral("?");
    }
    return names;
}

// Opens the information menu as a click on its button does, and closes it
// again once it is up.
void showAndCloseInfoMenu(TitleBarFrame& bar)
{
    bool closed = false;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
            closed = true;
        }
    });
    closer.start();
    bar.OnBtnInfo();
    closer.stop();
    EXPECT_TRUE(closed) << "the menu did not open";
}

QImage picture(const char* resource)
{
    return QPixmap(QLatin1String(resource)).toImage();
}

class EventCounter : public QObject
{
public:
    int language = 0;

protected:
    void customEvent(QEvent* e) override
    {
        if (e->type() == LanguageChangedEvent)
            ++language;
    }
};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(TitleBarDialogMode, OnlyATitleAndACloseButton)
{
    ShellTestEnv env;
    TitleBarFrame bar(nullptr, false);
    EXPECT_EQ(bar.objectName(), QStringLiteral("TitleBarFrame"));
    EXPECT_TRUE(bar.hasMouseTracking());
    ASSERT_NE(bar.closeButton(), nullptr);
    ASSERT_NE(bar.titleLabel(), nullptr);
    EXPECT_EQ(bar.closeButton()->objectName(), QStringLiteral("closebutton"));
    EXPECT_EQ(bar.closeButton()->size(), QSize(17, 16));
    EXPECT_EQ(bar.closeButton()->styleSheet(), QStringLiteral("color:black;"));
    EXPECT_EQ(bar.closeButton()->toolTip(), TextTable::text(9));
    EXPECT_EQ(bar.findChildren<QToolButton*>().size(), 1);
    EXPECT_EQ(bar.findChildren<QLabel*>().size(), 1);
    EXPECT_EQ(bar.infoMenu(), nullptr);
    EXPECT_EQ(bar.infoButton(), nullptr);
    EXPECT_EQ(bar.titleLabel()->alignment(), Qt::AlignCenter);
    EXPECT_EQ(bar.titleLabel()->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::green));

    bar.setTitle(QStringLiteral("Notice"));
    EXPECT_EQ(bar.titleLabel()->text(), QStringLiteral("Notice"));
    EXPECT_EQ(bar.titleLabel()->minimumWidth(), 150);

    QSignalSpy close(&bar, &TitleBarFrame::CloseRequest);
    QTest::mouseClick(bar.closeButton(), Qt::LeftButton);
    ASSERT_EQ(close.size(), 1);
    EXPECT_EQ(close.at(0).at(0).toInt(), -1);
}

TEST(TitleBarDialogMode, TitleWidthByEdition)
{
    const struct {
        int edition;
        int width;
    } cases[] = { { 16, 120 }, { 0, 150 }, { 42, 150 }, { 63, 150 }, { 57, 240 }, { 60, 240 }, { 5, 0 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edition);
        ShellTestEnv env(edition(c.edition));
        TitleBarFrame bar(nullptr, false);
        bar.setTitle(QStringLiteral("t"));
        EXPECT_EQ(bar.titleLabel()->minimumWidth(), c.width);
    }
}

TEST(TitleBarDialogMode, SetTitleDoesNothingInMainMode)
{
    ShellTestEnv env;
    TitleBarFrame bar(nullptr, true);
    bar.setTitle(QStringLiteral("ignored"));
    EXPECT_EQ(bar.titleLabel(), nullptr);
}

TEST(TitleBarMainMode, ButtonsMenusAndTheirOrder)
{
    ShellTestEnv env;
    TitleBarFrame bar(nullptr, true);
    ASSERT_NE(bar.infoButton(), nullptr);
    EXPECT_EQ(bar.infoButton()->objectName(), QStringLiteral("aboutbutton"));
    EXPECT_EQ(bar.infoButton()->size(), QSize(17, 16));
    EXPECT_EQ(bar.minimizeButton()->objectName(), QStringLiteral("minbutton"));
    EXPECT_EQ(bar.minimizeButton()->size(), QSize(17, 16));
    EXPECT_EQ(bar.minimizeButton()->toolTip(), TextTable::text(8));
    EXPECT_EQ(bar.restoreButton(), nullptr);
    EXPECT_EQ(bar.maximizeButton(), nullptr);
    EXPECT_EQ(bar.languageButton(), nullptr);
    EXPECT_EQ(bar.searchProtocolButton(), nullptr);
    EXPECT_EQ(bar.topLogoLabel(), nullptr);
    ASSERT_NE(bar.logoLabel(), nullptr);
    EXPECT_EQ(bar.secondLogoLabel(), nullptr);
    EXPECT_TRUE(bar.logoLabel()->hasScaledContents());
    EXPECT_EQ(bar.logoLabel()->pixmap(Qt::ReturnByValue).toImage(), picture(":/icons/Resource/logo.png"));
    EXPECT_EQ(bar.infoButton()->menu(), bar.infoMenu());
    EXPECT_EQ(bar.infoButton()->arrowType(), Qt::NoArrow);

    EXPECT_EQ(entryOrder(bar), QStringList({ "protocol", "language", "about" }));
    EXPECT_EQ(bar.protocolEntry()->text(), TextTable::text(136));
    EXPECT_EQ(bar.languageEntry()->text(), TextTable::text(88));
    EXPECT_EQ(bar.aboutEntry()->text(), TextTable::text(7));
    EXPECT_EQ(bar.languageEntry()->menu(), bar.languageMenu());
    EXPECT_EQ(bar.protocolEntry()->menu(), bar.protocolMenu());

    // Shown once (and again), the menu keeps its entries in the fixed order
    // with fresh submenus that still hold the same choices.
    for (int round = 0; round < 2; ++round) {
        showAndCloseInfoMenu(bar);
        deliverPostedEvents();
        EXPECT_EQ(entryOrder(bar), QStringList({ "protocol", "language", "about" }));
        EXPECT_EQ(bar.languageEntry()->menu(), bar.languageMenu());
        EXPECT_EQ(bar.protocolEntry()->menu(), bar.protocolMenu());
        EXPECT_EQ(bar.languageMenu()->actions(), bar.languageActions());
        EXPECT_EQ(bar.protocolMenu()->actions(), bar.protocolActions());
    }
}

TEST(TitleBarMainMode, Edition65HasTheSettingsEntryAndEdition51NoLanguageEntry)
{
    {
        ShellTestEnv env(edition(65));
        TitleBarFrame bar(nullptr, true);
        EXPECT_EQ(entryOrder(bar), QStringList({ "protocol", "language", "settings", "about" }));
        EXPECT_EQ(bar.settingsEntry()->text(), TextTable::text(312));
        showAndCloseInfoMenu(bar);
        EXPECT_EQ(entryOrder(bar), QStringList({ "protocol", "language", "settings", "about" }));
    }
    {
        ShellTestEnv env(edition(51));
        TitleBarFrame bar(nullptr, true);
        EXPECT_EQ(bar.languageEntry(), nullptr);
        EXPECT_EQ(bar.settingsEntry(), nullptr);
        EXPECT_EQ(entryOrder(bar), QStringList({ "protocol", "about" }));
        showAndCloseInfoMenu(bar);
        EXPECT_EQ(entryOrder(bar), QStringList({ "protocol", "about" }));
    }
}

TEST(TitleBarMainMode, LanguageAndProtocolChoices)
{
    ShellTestEnv env; // edition 0: English and Simplified Chinese, protocols 0 and 1
    TitleBarFrame bar(nullptr, true);
    ASSERT_EQ(bar.languageActions().size(), 2);
    EXPECT_EQ(bar.languageActions().at(0)->text(), TextTable::text(89));
    EXPECT_EQ(bar.languageActions().at(1)->text(), TextTable::text(93));
    EXPECT_TRUE(bar.languageActions().at(0)->isChecked());
    EXPECT_FALSE(bar.languageActions().at(1)->isChecked());
    ASSERT_EQ(bar.protocolActions().size(), 2);
    EXPECT_EQ(bar.protocolActions().at(0)->text(), TextTable::text(239));
    EXPECT_EQ(bar.protocolActions().at(1)->text(), TextTable::text(238));
    EXPECT_TRUE(bar.protocolActions().at(0)->isChecked());

    bar.ChangeProtocol(bar.protocolActions().at(1));
    EXPECT_EQ(env.settings()->protocol(), 1);
    EXPECT_TRUE(readAll(env.settings()->configFilePath()).contains("curpro=\"1\""));
    deliverPostedEvents();
    EXPECT_TRUE(bar.protocolActions().at(1)->isChecked());
    EXPECT_FALSE(bar.protocolActions().at(0)->isChecked());

    bar.ChangeLanguage(bar.languageActions().at(1));
    EXPECT_EQ(env.settings()->languageIndex(), 1);
    deliverPostedEvents();
    // Retranslated from the Chinese file, choices rebuilt with the new check.
    EXPECT_EQ(bar.protocolEntry()->text(), TextTable::text(136));
    EXPECT_NE(bar.protocolEntry()->text(), QStringLiteral("Protocol"));
    EXPECT_EQ(bar.closeButton()->toolTip(), TextTable::text(9));
    ASSERT_EQ(bar.languageActions().size(), 2);
    EXPECT_TRUE(bar.languageActions().at(1)->isChecked());
    EXPECT_FALSE(bar.languageActions().at(0)->isChecked());
    EXPECT_EQ(bar.languageMenu()->actions(), bar.languageActions());
    EXPECT_EQ(bar.protocolMenu()->actions().size(), 2);

    // The language already checked: applied again, announced again.
    EventCounter counter;
    env.settings()->addEventReceiver(&counter);
    bar.ChangeLanguage(bar.languageActions().at(1));
    deliverPostedEvents();
    EXPECT_EQ(counter.language, 1);
    EXPECT_EQ(env.settings()->languageIndex(), 1);
    env.settings()->removeEventReceiver(&counter);

    // A choice through the menu itself.
    bar.languageMenu()->actions().at(0)->trigger();
    EXPECT_EQ(env.settings()->languageIndex(), 0);
    deliverPostedEvents();
    EXPECT_EQ(bar.protocolEntry()->text(), QStringLiteral("Protocol"));
}

TEST(TitleBarMainMode, Edition42ButtonsAndSearchProtocol)
{
    ShellTestEnv env(edition(42));
    TitleBarFrame bar(nullptr, true);
    EXPECT_EQ(bar.infoButton()->objectName(), QStringLiteral("aboutbtn"));
    EXPECT_EQ(bar.infoButton()->text(), TextTable::text(7));
    ASSERT_NE(bar.languageButton(), nullptr);
    EXPECT_EQ(bar.languageButton()->objectName(), QStringLiteral("languagebutton"));
    EXPECT_EQ(bar.languageButton()->text(), TextTable::text(88));
    EXPECT_EQ(bar.languageButton()->menu(), bar.languageMenu());
    ASSERT_NE(bar.searchProtocolButton(), nullptr);
    EXPECT_EQ(bar.searchProtocolButton()->objectName(), QStringLiteral("searchbutton"));
    EXPECT_EQ(bar.searchProtocolButton()->text(), TextTable::text(10));
    EXPECT_EQ(bar.searchProtocolButton()->menu(), bar.searchProtocolMenu());
    EXPECT_EQ(bar.logoLabel(), nullptr) << "no logo in editions 20 and 42";
    EXPECT_NE(bar.secondLogoLabel(), nullptr);
    EXPECT_EQ(bar.infoButton()->menu(), nullptr);
    EXPECT_EQ(bar.languageEntry()->menu(), nullptr);
    // After construction the restore button shows, the maximise button not.
    EXPECT_FALSE(bar.restoreButton()->isHidden());
    EXPECT_TRUE(bar.maximizeButton()->isHidden());
    EXPECT_EQ(bar.maximizeButton()->toolTip(), TextTable::text(164));
    EXPECT_EQ(bar.restoreButton()->toolTip(), TextTable::text(165));

    ASSERT_EQ(bar.searchProtocolActions().size(), 2);
    EXPECT_EQ(bar.searchProtocolActions().at(0)->text(), TextTable::text(305));
    EXPECT_EQ(bar.searchProtocolActions().at(1)->text(), TextTable::text(306));
    EXPECT_TRUE(bar.searchProtocolActions().at(0)->isChecked());
    bar.searchProtocolMenu()->actions().at(1)->trigger();
    EXPECT_EQ(env.settings()->searchProtocol(), 1);
    EXPECT_EQ(env.settings()->protocol(), 1);
    deliverPostedEvents();
    ASSERT_EQ(bar.searchProtocolActions().size(), 2);
    EXPECT_TRUE(bar.searchProtocolActions().at(1)->isChecked());
    EXPECT_FALSE(bar.searchProtocolActions().at(0)->isChecked());
}

TEST(TitleBarMainMode, RestoreAndMaximiseSwap)
{
    ShellTestEnv env(edition(34));
    TitleBarFrame bar(nullptr, true);
    ASSERT_NE(bar.restoreButton(), nullptr);
    ASSERT_NE(bar.maximizeButton(), nullptr);
    EXPECT_TRUE(bar.restoreButton()->isHidden());
    EXPECT_FALSE(bar.maximizeButton()->isHidden());
    EXPECT_NE(bar.secondLogoLabel(), nullptr);

    QSignalSpy restore(&bar, &TitleBarFrame::Restore);
    bar.show();
    QTest::mouseClick(bar.maximizeButton(), Qt::LeftButton);
    EXPECT_EQ(restore.size(), 1);
    EXPECT_FALSE(bar.restoreButton()->isHidden());
    EXPECT_TRUE(bar.maximizeButton()->isHidden());
    emit bar.RestoreOrMax(); // a double click on the window's title area
    EXPECT_EQ(restore.size(), 1);
    EXPECT_TRUE(bar.restoreButton()->isHidden());
    EXPECT_FALSE(bar.maximizeButton()->isHidden());

    // Edition 34 hides the protocol entry until the main window shows it.
    EXPECT_FALSE(bar.protocolEntry()->isVisible());
    bar.setProtocolActionVisible(true);
    EXPECT_TRUE(bar.protocolEntry()->isVisible());
    bar.setProtocolActionVisible(false);
    EXPECT_FALSE(bar.protocolEntry()->isVisible());
}

TEST(TitleBarMainMode, MinimiseAndLogosByEdition)
{
    {
        ShellTestEnv env;
        TitleBarFrame bar(nullptr, true);
        QSignalSpy min(&bar, &TitleBarFrame::MinReqest);
        bar.show();
        QTest::mouseClick(bar.minimizeButton(), Qt::LeftButton);
        EXPECT_EQ(min.size(), 1);
    }
    {
        ShellTestEnv env(edition(2));
        TitleBarFrame bar(nullptr, true);
        ASSERT_NE(bar.topLogoLabel(), nullptr);
        // The first row's label takes the main logo.
        EXPECT_EQ(
            bar.topLogoLabel()->pixmap(Qt::ReturnByValue).toImage(), picture(":/icons/Resource/logo.png"));
    }
    {
        ShellTestEnv env(edition(65)); // language position 0: the sub logo
        TitleBarFrame bar(nullptr, true);
        EXPECT_EQ(
            bar.logoLabel()->pixmap(Qt::ReturnByValue).toImage(), picture(":/icons/Resource/logo_sub.png"));
        bar.updateLogo(1);
        EXPECT_EQ(bar.logoLabel()->pixmap(Qt::ReturnByValue).toImage(), picture(":/icons/Resource/logo.png"));
    }
}

TEST(TitleBarDrag, PressMoveReleaseGiveMoveRequestsAndPassTheEventsOn)
{
    ShellTestEnv env;
    // A parent that records what the bar passes on, as the main window does.
    class Window : public QWidget
    {
    public:
        int presses = 0, moves = 0, releases = 0;

    protected:
        void mousePressEvent(QMouseEvent*) override { ++presses; }
        void mouseMoveEvent(QMouseEvent*) override { ++moves; }
        void mouseReleaseEvent(QMouseEvent*) override { ++releases; }
    } window;
    window.resize(300, 100);
    auto* bar = new TitleBarFrame(&window, false);
    bar->setGeometry(1, 1, 298, 25);
    window.show();
    QSignalSpy moved(bar, &TitleBarFrame::TitleMoveRequest);

    const QPoint press(30, 10);
    QMouseEvent down(QEvent::MouseButtonPress, press, bar->mapToGlobal(press), Qt::LeftButton, Qt::LeftButton,
        Qt::NoModifier);
    QApplication::sendEvent(bar, &down);
    EXPECT_TRUE(bar->isDragging());
    const QPoint global(500, 400);
    QMouseEvent move(
        QEvent::MouseMove, bar->mapFromGlobal(global), global, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    ASSERT_EQ(moved.size(), 1);
    // The window's corner follows: the pointer stays where it grabbed the bar.
    EXPECT_EQ(moved.at(0).at(0).toPoint(), global - press - QPoint(1, 1));
    QMouseEvent up(QEvent::MouseButtonRelease, bar->mapFromGlobal(global), global, Qt::LeftButton,
        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &up);
    EXPECT_FALSE(bar->isDragging());
    QApplication::sendEvent(bar, &move);
    EXPECT_EQ(moved.size(), 1) << "no move requests after the release";
    EXPECT_EQ(window.presses, 1);
    EXPECT_EQ(window.moves, 2);
    EXPECT_EQ(window.releases, 1);
}

TEST(TitleBarLife, RegistersForBroadcastsAndLeavesOnDestruction)
{
    ShellTestEnv env;
    const int before = env.settings()->receiverCount();
    {
        TitleBarFrame bar(nullptr, false);
        EXPECT_EQ(env.settings()->receiverCount(), before + 1);
    }
    EXPECT_EQ(env.settings()->receiverCount(), before);
}

TEST(SettingsWindow, StoresWhatWasTypedAndRefusesWhatLatin1CannotHold)
{
    ShellTestEnv env(edition(65));
    DialogAnswers answers;
    int shown = 0;
    QString typed;
    answers.onDialog = [&](BaseDialog& dialog) {
        ++shown;
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("SettingsPasswordEdit"));
        auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("SettingsOkButton"));
        EXPECT_NE(edit, nullptr);
        EXPECT_NE(ok, nullptr);
        if (!edit || !ok)
            return ResultCancel;
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        EXPECT_EQ(ok->text(), TextTable::text(216));
        EXPECT_EQ(ok->size(), QSize(80, 25));
        EXPECT_GE(dialog.content()->minimumWidth(), 300);
        for (const QChar c : typed) { // each as a keyboard gives it (keyClicks knows only ASCII)
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(edit, &press);
        }
        QTest::mouseClick(ok, Qt::LeftButton);
        return ResultOk;
    };

    TitleBarFrame bar(nullptr, true);
    typed = QString::fromUtf8("P\xC3\xA4ss w\xE5\xAF\x86rd!"); // ä kept, 密 refused
    bar.ShowSettingsWindow();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(answers.dialogTitles, QStringList({ TextTable::text(312) }));
    EXPECT_EQ(env.settings()->defaultPassword(), QString::fromUtf8("P\xC3\xA4ss wrd!"));
    EXPECT_TRUE(readAll(env.settings()->configFilePath()).contains("<Password>"));

    // Nothing typed: stored as well.
    typed.clear();
    bar.settingsEntry()->trigger();
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(env.settings()->defaultPassword(), QString());
}

TEST(AboutWindow, AMessageBoxWithoutButtonsTitledByEdition)
{
    const struct {
        int edition;
        int title;
        const char* border;
        QColor colour;
    } cases[] = { { 0, 7, "", QColor(134, 134, 134) }, { 16, 126, "", QColor(134, 134, 134) },
        { 57, 295, "", QColor(134, 134, 134) }, { 54, 7, "light", QColor(240, 240, 240) },
        { 58, 7, "orange", QColor(243, 108, 33) } };
    AppStyleSheet sheet;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edition);
        ShellTestEnv env(edition(c.edition));
        DialogAnswers answers;
        bool seen = false;
        answers.onDialog = [&](BaseDialog& dialog) {
            seen = true;
            auto* box = qobject_cast<GKMessageBox*>(dialog.content());
            EXPECT_NE(box, nullptr);
            if (!box)
                return ResultCancel;
            EXPECT_EQ(box->buttonMode(), GKMessageBox::NoButtons);
            EXPECT_EQ(box->iconKind(), GKMessageBox::AboutIcon);
            EXPECT_EQ(box->text(), EditionTexts::aboutText(c.edition));
            EXPECT_EQ(box->styleSheet(), QStringLiteral("border:none;"));
            EXPECT_TRUE(dialog.isModal());
            // The border is the style sheet's variant, not a sheet of the dialog's own.
            EXPECT_TRUE(dialog.styleSheet().isEmpty());
            EXPECT_EQ(dialog.dialogFrame()->property("aboutBorder").toString(), QLatin1String(c.border));
            dialog.resize(300, 150);
            const QImage frame = dialog.dialogFrame()->grab().toImage();
            EXPECT_EQ(frame.pixelColor(0, frame.height() / 2), c.colour);
            return ResultCancel;
        };
        TitleBarFrame bar(nullptr, true);
        bar.ShowAboutWindow();
        EXPECT_TRUE(seen);
        EXPECT_EQ(answers.dialogTitles, QStringList({ TextTable::text(c.title) }));
    }
}

TEST(AboutWindow, TextByEdition)
{
    ShellTestEnv env;
    const QString name = TextTable::text(0), product = TextTable::text(2), version = TextTable::text(3);
    const QString v = EditionTexts::aboutVersion(0);
    EXPECT_FALSE(v.isEmpty());
    EXPECT_EQ(EditionTexts::aboutText(0), version + v);
    EXPECT_EQ(EditionTexts::aboutText(65), version + v);
    EXPECT_EQ(EditionTexts::aboutText(43), name + "\n\n" + version + v);
    EXPECT_EQ(EditionTexts::aboutText(57), version + v + "\n\n" + TextTable::text(296));
    EXPECT_EQ(EditionTexts::aboutText(32), product + name + "\n\n" + version + "1.0.0.00");
    EXPECT_EQ(EditionTexts::aboutText(5), product + name + "\n\n" + version + v);
    EXPECT_EQ(EditionTexts::aboutText(10),
        product + name + "\n\n" + version + v + "\n\n" + EditionTexts::companyBlock(10));
    EXPECT_FALSE(EditionTexts::companyBlock(16).isEmpty());
    EXPECT_FALSE(EditionTexts::companyBlock(27).isEmpty());
    EXPECT_TRUE(EditionTexts::companyBlock(5).isEmpty());
    const QString rich = EditionTexts::aboutText(60);
    EXPECT_TRUE(rich.contains(QStringLiteral("<a href=\"%1\">%1</a>").arg(TextTable::text(296))))
        << rich.toStdString();
    EXPECT_TRUE(rich.startsWith(QStringLiteral("<h3>")));
}
