// The dialog frame, the message box and the dialog seam.
#include "AppStyleSheet.h"
#include "DialogAnswers.h"
#include "QtPrinters.h"
#include "ShellTestEnv.h"
#include "shell/TextTable.h"
#include "shell/ui/BaseDialog.h"
#include "shell/ui/Dialogs.h"
#include "shell/ui/GKMessageBox.h"
#include "shell/ui/TitleBarFrame.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

namespace
{

ShellTestEnv::Options edition(int e)
{
    ShellTestEnv::Options o;
    o.edition = e;
    return o;
}

// Runs `action` once the dialog's modal loop is running, then exec()s it.
int execAnd(QDialog& dialog, std::function<void()> action)
{
    QTimer::singleShot(0, &dialog, [&dialog, action] {
        if (dialog.isVisible())
            action();
    });
    // A safety net: a dialog that did not close would hang the test.
    QTimer::singleShot(5000, &dialog, [&dialog] { dialog.done(12345); });
    return dialog.exec();
}

void click(QAbstractButton* b)
{
    ASSERT_NE(b, nullptr);
    QTest::mouseClick(b, Qt::LeftButton);
}

// A content that hands an object to the dialog's owner.
class ObjectFrame : public BaseDialogFrame
{
public:
    using BaseDialogFrame::BaseDialogFrame;
    void finish(ResultType r, QObject* o) { emit doneRequest(r, o); }
};

class Dialogs_ : public ::testing::Test
{
protected:
    ShellTestEnv env;
};

} // namespace

TEST_F(Dialogs_, OkOnlyBoxGivesZeroForOkAndMinusOneForTheCloseButton)
{
    {
        GKMessageBox box(
            QStringLiteral("Saved."), nullptr, GKMessageBox::OkOnly, GKMessageBox::InformationIcon);
        ASSERT_NE(box.okButton(), nullptr);
        EXPECT_EQ(box.cancelButton(), nullptr);
        BaseDialog dialog(&box, TextTable::text(6), nullptr);
        EXPECT_EQ(execAnd(dialog, [&] { click(box.okButton()); }), 0);
    }
    {
        GKMessageBox box(
            QStringLiteral("Saved."), nullptr, GKMessageBox::OkOnly, GKMessageBox::InformationIcon);
        BaseDialog dialog(&box, TextTable::text(6), nullptr);
        EXPECT_EQ(execAnd(dialog, [&] { click(dialog.titleBar()->closeButton()); }), -1);
    }
}

TEST_F(Dialogs_, OkCancelBoxGivesZeroForOkAndMinusOneForCancel)
{
    for (const bool ok : { true, false }) {
        GKMessageBox box(QStringLiteral("Sure?"), nullptr, GKMessageBox::OkCancel, GKMessageBox::WarningIcon);
        ASSERT_NE(box.cancelButton(), nullptr);
        EXPECT_EQ(box.okButton()->text(), TextTable::text(4));
        EXPECT_EQ(box.cancelButton()->text(), TextTable::text(5));
        EXPECT_EQ(box.okButton()->text(), QStringLiteral("OK"));
        EXPECT_EQ(box.cancelButton()->text(), QStringLiteral("Cancel"));
        EXPECT_GE(box.okButton()->minimumWidth(), 80);
        EXPECT_GE(box.okButton()->minimumHeight(), 25);
        BaseDialog dialog(&box, TextTable::text(6), nullptr);
        EXPECT_EQ(execAnd(dialog, [&] { click(ok ? box.okButton() : box.cancelButton()); }), ok ? 0 : -1);
    }
}

TEST_F(Dialogs_, EscapeIsACancelNotAConfirmation)
{
    // QDialog's own Escape gives 0, which callers read as "confirmed".
    for (const int mode :
        { int(GKMessageBox::OkOnly), int(GKMessageBox::OkCancel), int(GKMessageBox::NoButtons) }) {
        SCOPED_TRACE(mode);
        GKMessageBox box(QStringLiteral("Delete?"), nullptr, mode, GKMessageBox::WarningIcon);
        BaseDialog dialog(&box, TextTable::text(6), nullptr);
        EXPECT_EQ(execAnd(dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); }), -1);
    }
}

TEST_F(Dialogs_, BoxWithoutButtonsEndsOnlyThroughTheTitleBar)
{
    GKMessageBox box(QStringLiteral("Version 1"), nullptr, GKMessageBox::NoButtons, GKMessageBox::AboutIcon);
    EXPECT_EQ(box.okButton(), nullptr);
    EXPECT_EQ(box.cancelButton(), nullptr);
    EXPECT_EQ(box.buttonArea(), nullptr);
    EXPECT_TRUE(box.findChildren<QPushButton*>().isEmpty());
    BaseDialog dialog(&box, TextTable::text(7), nullptr);
    EXPECT_EQ(execAnd(dialog, [&] { click(dialog.titleBar()->closeButton()); }), -1);
}

TEST_F(Dialogs_, IconKindsAndTheBoxLayout)
{
    const struct {
        int kind;
        const char* resource;
    } cases[] = { { 0, ":/icons/Resource/information.png" }, { 1, ":/icons/Resource/about-logo.png" },
        { 2, ":/icons/Resource/warning.png" }, { 3, nullptr }, { -1, nullptr } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        GKMessageBox box(QStringLiteral("text"), nullptr, GKMessageBox::OkOnly, c.kind);
        EXPECT_EQ(box.minimumSize(), QSize(250, 120));
        EXPECT_EQ(box.textLabel()->text(), QStringLiteral("text"));
        if (!c.resource) {
            EXPECT_EQ(box.iconLabel(), nullptr);
            continue;
        }
        ASSERT_NE(box.iconLabel(), nullptr);
        ASSERT_FALSE(box.iconLabel()->pixmap(Qt::ReturnByValue).isNull());
        EXPECT_EQ(box.iconLabel()->pixmap(Qt::ReturnByValue).toImage(),
            QPixmap(QLatin1String(c.resource)).toImage());
    }
    GKMessageBox two(QStringLiteral("t"), nullptr, GKMessageBox::OkCancel, 0);
    EXPECT_TRUE(two.buttonArea()->styleSheet().contains(QLatin1String("#dfe4ea")));
    GKMessageBox one(QStringLiteral("t"), nullptr, GKMessageBox::OkOnly, 0);
    EXPECT_TRUE(one.buttonArea()->styleSheet().isEmpty());
}

TEST(MessageBoxEditions, TextAlignmentButtonNamesAndColours)
{
    {
        ShellTestEnv env(edition(27));
        GKMessageBox box(QStringLiteral("t"), nullptr, GKMessageBox::OkOnly, 0);
        EXPECT_EQ(box.textLabel()->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
    }
    {
        ShellTestEnv env(edition(46));
        GKMessageBox box(QStringLiteral("t"), nullptr, GKMessageBox::OkCancel, 0);
        EXPECT_EQ(box.okButton()->objectName(), QStringLiteral("MessageButton"));
        EXPECT_EQ(box.cancelButton()->objectName(), QStringLiteral("MessageButton"));
    }
    // Edition 8's buttons write white even when disabled (a style-sheet
    // variant); the others take the sheet's grey there.
    AppStyleSheet sheet;
    for (const int e : { 8, 0 }) {
        SCOPED_TRACE(e);
        ShellTestEnv env(edition(e));
        GKMessageBox box(QStringLiteral("t"), nullptr, GKMessageBox::OkCancel, 0);
        EXPECT_EQ(box.okButton()->property("whiteText").toBool(), e == 8);
        EXPECT_TRUE(box.okButton()->styleSheet().isEmpty());
        box.okButton()->setEnabled(false);
        box.ensurePolished();
        const QColor disabledText = box.okButton()->palette().color(QPalette::Disabled, QPalette::ButtonText);
        EXPECT_EQ(disabledText == QColor(Qt::white), e == 8) << qPrintable(disabledText.name());
        EXPECT_EQ(box.textLabel()->alignment(), Qt::AlignCenter);
    }
    // Edition 54's dark dialog body writes its messages in light grey.
    for (const int e : { 54, 0 }) {
        SCOPED_TRACE(e);
        ShellTestEnv env(edition(e));
        auto* box = new GKMessageBox(QStringLiteral("t"), nullptr, GKMessageBox::OkOnly, 0);
        {
            BaseDialog dialog(box, QStringLiteral("t"), nullptr);
            EXPECT_EQ(dialog.dialogFrame()->property("darkBody").toBool(), e == 54);
            dialog.ensurePolished();
            EXPECT_EQ(
                box->textLabel()->palette().color(QPalette::WindowText) == QColor(240, 240, 240), e == 54);
        }
        delete box;
    }
    {
        ShellTestEnv env(edition(60));
        GKMessageBox box(QStringLiteral("t"), nullptr, GKMessageBox::OkOnly, 0);
        EXPECT_TRUE(box.textLabel()->openExternalLinks());
    }
}

TEST(MessageBoxLanguage, ButtonsFollowALanguageChange)
{
    ShellTestEnv env;
    GKMessageBox box(QStringLiteral("Kept as given"), nullptr, GKMessageBox::OkCancel, 0);
    ASSERT_EQ(box.okButton()->text(), QStringLiteral("OK"));
    env.settings()->setLanguage(1); // CHS.xml
    QCoreApplication::sendPostedEvents(nullptr, 0);
    EXPECT_EQ(box.okButton()->text(), TextTable::text(4));
    EXPECT_NE(box.okButton()->text(), QStringLiteral("OK"));
    EXPECT_EQ(box.cancelButton()->text(), TextTable::text(5));
    EXPECT_EQ(box.textLabel()->text(), QStringLiteral("Kept as given"));

    // A protocol change retranslates as well (texts set again, nothing lost).
    box.okButton()->setText(QStringLiteral("stale"));
    env.settings()->setProtocol(1);
    QCoreApplication::sendPostedEvents(nullptr, 0);
    EXPECT_EQ(box.okButton()->text(), TextTable::text(4));
}

TEST_F(Dialogs_, TheFrameIsFramelessWithItsBodyAndADialogModeTitleBar)
{
    QWidget content;
    BaseDialog dialog(&content, QStringLiteral("My title"), nullptr);
    EXPECT_TRUE(dialog.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dialog.windowFlags() & Qt::WindowType_Mask, Qt::Dialog);
    ASSERT_NE(dialog.dialogFrame(), nullptr);
    EXPECT_EQ(dialog.dialogFrame()->objectName(), QStringLiteral("DialogFrame"));
    EXPECT_EQ(dialog.dialogFrame()->parent(), &dialog);
    TitleBarFrame* bar = dialog.titleBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->parent(), dialog.dialogFrame());
    EXPECT_FALSE(bar->isMainWindowMode());
    EXPECT_EQ(bar->objectName(), QStringLiteral("TitleBarFrame"));
    EXPECT_EQ(bar->titleLabel()->text(), QStringLiteral("My title"));
    EXPECT_EQ(bar->minimumHeight(), 25);
    EXPECT_EQ(bar->maximumHeight(), 25);
    EXPECT_EQ(bar->property("titleText").toString(), QStringLiteral("white"));
    EXPECT_EQ(content.parentWidget(), dialog.dialogFrame());
    EXPECT_EQ(dialog.title(), QStringLiteral("My title"));
    EXPECT_EQ(dialog.resultObject(), nullptr);
}

TEST(BaseDialogEditions, TitleColourByEdition)
{
    const struct {
        int edition;
        const char* variant;
        QColor colour;
    } cases[] = { { 15, "black", Qt::black }, { 44, "black", Qt::black }, { 23, "black", Qt::black },
        { 46, "black", Qt::black }, { 58, "red", QColor(222, 31, 38) }, { 34, "white", Qt::white },
        { 0, "white", Qt::white } };
    AppStyleSheet sheet;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edition);
        ShellTestEnv env(edition(c.edition));
        BaseDialog dialog(nullptr, QStringLiteral("t"), nullptr);
        TitleBarFrame* bar = dialog.titleBar();
        EXPECT_TRUE(bar->styleSheet().isEmpty());
        EXPECT_EQ(bar->property("titleText").toString(), QLatin1String(c.variant));
        // Dark title text gets the light bar.
        EXPECT_EQ(bar->property("lightTitle").toBool(), c.colour != QColor(Qt::white));
        dialog.ensurePolished();
        EXPECT_EQ(bar->titleLabel()->palette().color(QPalette::WindowText), c.colour);
    }
}

TEST_F(Dialogs_, ResultOneHandsTheObjectOverAndOtherResultsDoNot)
{
    QObject handed;
    {
        ObjectFrame frame;
        BaseDialog dialog(&frame, QStringLiteral("t"), nullptr);
        EXPECT_EQ(execAnd(dialog, [&] { frame.finish(ResultWithObject, &handed); }), 1);
        EXPECT_EQ(dialog.resultObject(), &handed);
    }
    {
        ObjectFrame frame;
        BaseDialog dialog(&frame, QStringLiteral("t"), nullptr);
        EXPECT_EQ(execAnd(dialog, [&] { frame.finish(ResultOk, &handed); }), 0);
        EXPECT_EQ(dialog.resultObject(), nullptr);
    }
}

TEST_F(Dialogs_, AFileDialogInTheFrameIsLargeEnoughAndEndsItWithItsOwnCodes)
{
    for (const bool accept : { true, false }) {
        QFileDialog files(nullptr, QStringLiteral("Pick"), env.tempDir());
        files.setOption(QFileDialog::DontUseNativeDialog);
        BaseDialog dialog(&files, QStringLiteral("Files"), nullptr);
        EXPECT_GE(files.minimumWidth(), 620);
        EXPECT_GE(files.minimumHeight(), 420);
        QDialog& asDialog = files; // what its OK and Cancel buttons end in
        const int code
            = execAnd(dialog, [&] { asDialog.done(accept ? QDialog::Accepted : QDialog::Rejected); });
        EXPECT_EQ(code, accept ? int(QDialog::Accepted) : int(QDialog::Rejected));
        EXPECT_GE(dialog.width(), 620);
    }
}

TEST_F(Dialogs_, TheContentOutlivesTheDialogAndMayBeDeletedFirst)
{
    QWidget page;
    QPointer<QWidget> content = new QLabel(QStringLiteral("x"), &page);
    {
        BaseDialog dialog(content, QStringLiteral("t"), &page);
        EXPECT_EQ(content->parentWidget(), dialog.dialogFrame());
    }
    ASSERT_FALSE(content.isNull());
    EXPECT_EQ(content->parentWidget(), &page); // back with its owner
    {
        BaseDialog dialog(content, QStringLiteral("t"), &page);
        delete content; // the usual order: content first, then the dialog
    }
    EXPECT_TRUE(content.isNull());
}

TEST_F(Dialogs_, APlainBorderStyleIsForTheBodyOnly)
{
    BaseDialog dialog(nullptr, QStringLiteral("t"), nullptr);
    EXPECT_EQ(dialog.styleSheet(), QStringLiteral("#DialogFrame{border:1px solid rgb(134, 134, 134);}"));
    dialog.setStyleSheet(QStringLiteral("border:1px solid rgb(134, 134, 134);"));
    dialog.ensurePolished(); // as showing it does
    EXPECT_EQ(dialog.styleSheet(), QStringLiteral("#DialogFrame{border:1px solid rgb(134, 134, 134);}"));
    // Once polished, a later plain border is moved at once.
    dialog.setStyleSheet(QStringLiteral("border:1px solid rgb(243,108,33);"));
    EXPECT_EQ(dialog.styleSheet(), QStringLiteral("#DialogFrame{border:1px solid rgb(243,108,33);}"));
    dialog.setStyleSheet(QStringLiteral("color:black;"));
    EXPECT_EQ(dialog.styleSheet(), QStringLiteral("color:black;"));

    // A label in the body of a shown dialog has no border of its own.
    auto* label = new QLabel(QStringLiteral("text"));
    BaseDialog shown(label, QStringLiteral("t"), nullptr);
    shown.setStyleSheet(QStringLiteral("border:1px solid rgb(134, 134, 134);"));
    shown.show();
    QApplication::processEvents();
    EXPECT_EQ(label->contentsRect(), label->rect());
    shown.hide();
    delete label;
}

TEST_F(Dialogs_, TitleDragsMoveTheDialog)
{
    BaseDialog dialog(nullptr, QStringLiteral("t"), nullptr);
    dialog.OnTitleMoveReponse(QPoint(123, 77));
    EXPECT_EQ(dialog.pos(), QPoint(123, 77));
    emit dialog.titleBar()->TitleMoveRequest(QPoint(10, 20));
    EXPECT_EQ(dialog.pos(), QPoint(10, 20));
}

TEST_F(Dialogs_, TheMessageHookSeesTheRequestAndAnswersIt)
{
    std::vector<Dialogs::MessageRequest> seen;
    Dialogs::setMessageHook([&](const Dialogs::MessageRequest& r) {
        seen.push_back(r);
        return r.buttonMode == GKMessageBox::OkCancel ? ResultCancel : ResultOk;
    });
    const int before = QApplication::allWidgets().size();
    QWidget page;
    EXPECT_EQ(Dialogs::message(&page, 50), ResultOk);
    EXPECT_EQ(Dialogs::message(&page, 125, GKMessageBox::OkCancel, GKMessageBox::InformationIcon, 110),
        ResultCancel);
    EXPECT_EQ(Dialogs::messageText(nullptr, QStringLiteral("10.0.0.9: failed")), ResultOk);
    Dialogs::resetHooks();

    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].parent, &page);
    EXPECT_EQ(seen[0].textId, 50);
    EXPECT_EQ(seen[0].text, TextTable::text(50));
    EXPECT_EQ(seen[0].titleId, 6);
    EXPECT_EQ(seen[0].title, QStringLiteral("Notice"));
    EXPECT_EQ(seen[0].buttonMode, GKMessageBox::OkOnly);
    EXPECT_EQ(seen[0].iconKind, GKMessageBox::WarningIcon);
    EXPECT_EQ(seen[1].textId, 125);
    EXPECT_EQ(seen[1].titleId, 110);
    EXPECT_EQ(seen[1].buttonMode, GKMessageBox::OkCancel);
    EXPECT_EQ(seen[1].iconKind, GKMessageBox::InformationIcon);
    EXPECT_EQ(seen[2].textId, -1);
    EXPECT_EQ(seen[2].text, QStringLiteral("10.0.0.9: failed"));
    EXPECT_EQ(QApplication::allWidgets().size(), before + 1) << "only the page: no box was built";
}

TEST_F(Dialogs_, WithoutAMessageHookTheRealBoxRunsThroughTheDialogHook)
{
    int shown = 0;
    Dialogs::setDialogHook([&](BaseDialog& dialog) {
        ++shown;
        auto* box = qobject_cast<GKMessageBox*>(dialog.content());
        EXPECT_NE(box, nullptr);
        if (!box)
            return 99;
        EXPECT_EQ(box->text(), TextTable::text(50));
        EXPECT_EQ(dialog.title(), TextTable::text(6));
        EXPECT_EQ(box->iconKind(), GKMessageBox::WarningIcon);
        box->cancelButton()->click();
        return dialog.result();
    });
    EXPECT_EQ(Dialogs::message(nullptr, 50, GKMessageBox::OkCancel), ResultCancel);
    Dialogs::resetHooks();
    EXPECT_EQ(shown, 1);
}

TEST_F(Dialogs_, WithoutHooksTheRealBoxShowsModally)
{
    // Answer the real box by clicking its OK button once it is up.
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<BaseDialog*>(w);
            if (dialog && dialog->isVisible()) {
                auto* box = qobject_cast<GKMessageBox*>(dialog->content());
                if (box && box->okButton())
                    box->okButton()->click();
            }
        }
    });
    EXPECT_EQ(Dialogs::message(nullptr, 50), ResultOk);
}

TEST_F(Dialogs_, TheFileHookAnswersFileDialogs)
{
    std::vector<Dialogs::FileRequest> seen;
    Dialogs::setFileHook([&](const Dialogs::FileRequest& r) {
        seen.push_back(r);
        return r.kind == Dialogs::FileRequest::SaveFile ? QStringLiteral("/tmp/out.xlsx") : QString();
    });
    QWidget page;
    EXPECT_EQ(Dialogs::getOpenFileName(
                  &page, QStringLiteral("Open"), QString(), QStringLiteral("Firmware (*.bin)")),
        QString());
    EXPECT_EQ(Dialogs::getSaveFileName(
                  &page, QStringLiteral("SAVE EXCEL"), QString(), QStringLiteral("Export Files (*.xlsx)")),
        QStringLiteral("/tmp/out.xlsx"));
    EXPECT_EQ(
        Dialogs::getExistingDirectory(nullptr, QStringLiteral("Folder"), QStringLiteral("/tmp")), QString());
    Dialogs::resetHooks();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].kind, Dialogs::FileRequest::OpenFile);
    EXPECT_EQ(seen[0].parent, &page);
    EXPECT_EQ(seen[0].caption, QStringLiteral("Open"));
    EXPECT_EQ(seen[0].filter, QStringLiteral("Firmware (*.bin)"));
    EXPECT_EQ(seen[1].kind, Dialogs::FileRequest::SaveFile);
    EXPECT_EQ(seen[2].kind, Dialogs::FileRequest::ExistingDirectory);
    EXPECT_EQ(seen[2].directory, QStringLiteral("/tmp"));
    EXPECT_TRUE(seen[2].options & QFileDialog::ShowDirsOnly);
}

TEST_F(Dialogs_, DialogAnswersRecordsAndAnswersInOrder)
{
    DialogAnswers answers;
    answers.queueMessageAnswer(ResultCancel);
    answers.queueFileName(QStringLiteral("/tmp/a.bin"));
    EXPECT_EQ(Dialogs::message(nullptr, 50), ResultCancel);
    EXPECT_EQ(Dialogs::message(nullptr, 222, GKMessageBox::OkOnly, GKMessageBox::WarningIcon, 110), ResultOk);
    EXPECT_EQ(Dialogs::getOpenFileName(nullptr, QStringLiteral("c")), QStringLiteral("/tmp/a.bin"));
    EXPECT_EQ(Dialogs::getOpenFileName(nullptr, QStringLiteral("c")), QString());
    EXPECT_EQ(answers.messageTextIds(), QList<int>({ 50, 222 }));
    EXPECT_EQ(answers.messages.at(1).title, TextTable::text(110));
    EXPECT_EQ(answers.files.size(), 2u);

    QWidget content;
    BaseDialog dialog(&content, QStringLiteral("Set Device Password"), nullptr);
    EXPECT_EQ(Dialogs::exec(dialog), ResultCancel);
    answers.onDialog = [](BaseDialog&) { return ResultOk; };
    EXPECT_EQ(Dialogs::exec(dialog), ResultOk);
    EXPECT_EQ(answers.dialogTitles,
        QStringList({ QStringLiteral("Set Device Password"), QStringLiteral("Set Device Password") }));
}
