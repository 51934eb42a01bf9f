// Input widgets, the widget helpers and the application style sheet.
#include "QtPrinters.h"
#include "shell/ui/LineEdit.h"
#include "shell/ui/StyleSheet.h"
#include "shell/ui/WidgetUtilities.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

QValidator::State check(const QValidator& v, QString text)
{
    int pos = 0;
    return v.validate(text, pos);
}

// Pastes through the clipboard, as a user does (the validator sees the
// whole pasted text at once).
void paste(QLineEdit& edit, const QString& text)
{
    QApplication::clipboard()->setText(text);
    edit.paste();
}

// Types `text` one character at a time, each as the key event a keyboard
// gives (QTest::keyClicks knows only ASCII).
void type(QWidget* w, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

} // namespace

TEST(CustomValidator, AcceptsExactlyThePrintableAsciiCharacters)
{
    customValidator v;
    EXPECT_EQ(v.pattern().pattern().size(), 43);
    for (int u = 0; u < 0x300; ++u) {
        const QString one(QChar(static_cast<ushort>(u)));
        const bool printableAscii = u >= 33 && u <= 126;
        EXPECT_EQ(check(v, one), printableAscii ? QValidator::Acceptable : QValidator::Invalid) << "U+" << u;
    }
}

TEST(CustomValidator, JudgesTheWholeText)
{
    customValidator v;
    const struct {
        const char* utf8;
        QValidator::State state;
    } cases[] = {
        { "", QValidator::Acceptable }, { "admin", QValidator::Acceptable },
        { "P@ss[w]\\rd{1}\"'`~", QValidator::Acceptable }, { "pass word", QValidator::Invalid },
        { "caf\xC3\xA9", QValidator::Invalid }, // é
        { "abc\t", QValidator::Invalid }, { "\xE5\xAF\x86\xE7\xA0\x81", QValidator::Invalid }, // 密码
        { "abc\n", QValidator::Invalid }, // "$" must not let a final newline through
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(check(v, QString::fromUtf8(c.utf8)), c.state);
    }
}

TEST(Latin1Validator, RefusesWhatLatin1CannotHold)
{
    Latin1Validator v;
    EXPECT_EQ(check(v, QString()), QValidator::Acceptable);
    EXPECT_EQ(check(v, QString::fromUtf8("p\xC3\xA4sswort ok!")), QValidator::Acceptable); // ä, space
    EXPECT_EQ(check(v, QString::fromUtf8("\xC3\xBF")), QValidator::Acceptable); // ÿ (U+00FF)
    EXPECT_EQ(check(v, QString::fromUtf8("a\xE2\x82\xAC")), QValidator::Invalid); // €
    EXPECT_EQ(check(v, QString::fromUtf8("\xE5\xAF\x86")), QValidator::Invalid); // 密
    EXPECT_EQ(check(v, QStringLiteral("a\tb")), QValidator::Invalid);
    EXPECT_EQ(check(v, QString(QChar(0x85))), QValidator::Invalid); // a C1 control character
}

TEST(LineEdit, TypingRefusesSpacesAndAccentsAndTakesBracketsAndBackslashes)
{
    LineEdit edit(nullptr, 32);
    QTest::keyClicks(&edit, QStringLiteral("ab c"));
    EXPECT_EQ(edit.text(), QStringLiteral("abc"));
    type(&edit, QString::fromUtf8("\xC3\xA9"));
    EXPECT_EQ(edit.text(), QStringLiteral("abc"));
    QTest::keyClicks(&edit, QStringLiteral("[\\]"));
    EXPECT_EQ(edit.text(), QStringLiteral("abc[\\]"));
}

TEST(LineEdit, APasteWithOneBadCharacterIsRefusedWhole)
{
    LineEdit edit(nullptr, 32);
    edit.setText(QStringLiteral("ab"));
    edit.setCursorPosition(2);
    paste(edit, QStringLiteral("cd ef"));
    EXPECT_EQ(edit.text(), QStringLiteral("ab"));
    paste(edit, QString::fromUtf8("cd\xC3\xA9"));
    EXPECT_EQ(edit.text(), QStringLiteral("ab"));
    paste(edit, QStringLiteral("c[d]"));
    EXPECT_EQ(edit.text(), QStringLiteral("abc[d]"));
}

TEST(LineEdit, MaximumLengthHoldsForTypingAndPasting)
{
    LineEdit edit(nullptr, 8);
    EXPECT_EQ(edit.maximumLength(), 8);
    QTest::keyClicks(&edit, QStringLiteral("abcdefgh"));
    ASSERT_EQ(edit.text(), QStringLiteral("abcdefgh"));

    QTest::keyClicks(&edit, QStringLiteral("i"));
    EXPECT_EQ(edit.text(), QStringLiteral("abcdefgh"));
    edit.setCursorPosition(3);
    QTest::keyClicks(&edit, QStringLiteral("X"));
    EXPECT_EQ(edit.text(), QStringLiteral("abcdefgh")) << "a ninth character at the cursor is dropped";

    paste(edit, QStringLiteral("XYZ"));
    EXPECT_EQ(edit.text(), QStringLiteral("abcdefgh"));

    edit.clear();
    paste(edit, QStringLiteral("0123456789ABCDEF"));
    EXPECT_LE(edit.text().size(), 8);
    EXPECT_EQ(edit.text(), QStringLiteral("01234567"));
}

TEST(LineEdit, TheEditHandlerTakesBackTheCharacterJustTyped)
{
    // Should the edit's own limit be lifted, the edit handler still holds
    // the maximum, removing the character typed at the cursor.
    LineEdit edit(nullptr, 4);
    edit.setMaxLength(100);
    QTest::keyClicks(&edit, QStringLiteral("abcd"));
    edit.setCursorPosition(1);
    QTest::keyClicks(&edit, QStringLiteral("X"));
    EXPECT_EQ(edit.text(), QStringLiteral("abcd"));
    EXPECT_EQ(edit.cursorPosition(), 1);
}

TEST(IPLineEdit, IsALineEditOfItsOwnClassForDigitsAndDots)
{
    IPLineEdit edit;
    EXPECT_STREQ(edit.metaObject()->className(), "IPLineEdit");
    QTest::keyClicks(&edit, QStringLiteral("10.0.0.1"));
    EXPECT_EQ(edit.text(), QStringLiteral("10.0.0.1"));
    QTest::keyClicks(&edit, QStringLiteral("a -"));
    EXPECT_EQ(edit.text(), QStringLiteral("10.0.0.1"));
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("192.168.100.2001"));
    EXPECT_EQ(edit.text(), QStringLiteral("192.168.100.200")) << "at most 15 characters";
}

TEST(FitComboBoxWidth, WidestItemPlusForty)
{
    QComboBox empty;
    fitComboBoxWidth(&empty);
    EXPECT_EQ(empty.minimumWidth(), 40);
    EXPECT_EQ(empty.maximumWidth(), 40);

    QComboBox box;
    box.addItems({ QStringLiteral("IP"), QStringLiteral("A much longer entry"), QStringLiteral("MAC") });
    fitComboBoxWidth(&box);
    const int widest = QFontMetrics(box.font()).horizontalAdvance(QStringLiteral("A much longer entry"));
    EXPECT_EQ(box.minimumWidth(), widest + 40);
    EXPECT_EQ(box.maximumWidth(), widest + 40);

    fitComboBoxWidth(nullptr); // no box: nothing happens
}

TEST(StyleSheet, PartsJoinInNameOrderFromEveryResourceFile)
{
    // This test brings a part of its own (15-probe.qss in its own resource
    // file), as the tool bar brings its own.
    const QStringList parts = styleSheetParts();
    QStringList sorted = parts;
    sorted.sort();
    EXPECT_EQ(parts, sorted);
    for (const char* name : { "00-base.qss", "10-dialogs.qss", "15-probe.qss", "20-titlebar.qss" })
        EXPECT_TRUE(parts.contains(QLatin1String(name))) << name;

    const QString sheet = loadStyleSheet();
    const int base = sheet.indexOf(QStringLiteral("QPushButton:hover"));
    const int probe = sheet.indexOf(QStringLiteral("#ProbeFromTest"));
    const int dialog = sheet.indexOf(QStringLiteral("#DialogFrame"));
    const int title = sheet.indexOf(QStringLiteral("#TitleBarFrame QToolButton#closebutton"));
    ASSERT_GE(base, 0);
    EXPECT_LT(base, dialog);
    EXPECT_LT(dialog, probe);
    EXPECT_LT(probe, title);
}

TEST(StyleSheet, ParsesAndEveryPictureItNamesExists)
{
    const QString sheet = loadStyleSheet();
    QStringList warnings;
    static QStringList* sink = nullptr;
    sink = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& m) { sink->append(m); });
    qApp->setStyleSheet(sheet);
    {
        QWidget w;
        QPushButton b(&w);
        QLineEdit e(&w);
        w.show();
        QApplication::processEvents();
    }
    qApp->setStyleSheet(QString());
    qInstallMessageHandler(previous);
    for (const QString& m : warnings)
        EXPECT_FALSE(m.contains(QLatin1String("parse"), Qt::CaseInsensitive)) << m.toStdString();

    const QRegularExpression url(QStringLiteral("url\\(([^)]+)\\)"));
    int pictures = 0;
    for (auto it = url.globalMatch(sheet); it.hasNext();) {
        const QString path = it.next().captured(1);
        EXPECT_FALSE(QPixmap(path).isNull()) << path.toStdString();
        ++pictures;
    }
    EXPECT_GT(pictures, 5);
}

TEST(ShellResources, ThePicturesTheWidgetsNameAreThere)
{
    initShellResources();
    for (const char* path : { ":/icons/Resource/information.png", ":/icons/Resource/about-logo.png",
             ":/icons/Resource/warning.png", ":/icons/Resource/logo.png", ":/icons/Resource/logo_sub.png" }) {
        const QPixmap p { QLatin1String(path) };
        EXPECT_FALSE(p.isNull()) << path;
        EXPECT_TRUE(p.hasAlphaChannel()) << path;
    }
}
