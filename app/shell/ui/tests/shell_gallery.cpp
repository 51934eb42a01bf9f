// Shows the shell's windows with the application style sheet and saves
// pictures of them, for a look by eye:
//
//   xvfb-run -a -s "-screen 0 1440x900x24" build/tests/bin/shell_gallery OUTDIR [edition [hold-ms]]
//
// Writes OUTDIR/titlebar-main.png, message-ok.png, message-okcancel.png,
// about.png, settings.png, states.png (each window by itself; states.png
// shows buttons normal, hovered, pressed and disabled), popup.png (the pop-up
// notice) and screen.png (the whole screen, with the information menu open).
#include "ShellTestEnv.h"
#include "shell/EditionTexts.h"
#include "shell/TextTable.h"
#include "shell/edition/EditionProfile.h"
#include "shell/ui/BaseDialog.h"
#include "shell/ui/FontManager.h"
#include "shell/ui/GKMessageBox.h"
#include "shell/ui/LineEdit.h"
#include "shell/ui/StyleSheet.h"
#include "shell/ui/TitleBarFrame.h"
#include "shell/ui/WidgetUtilities.h"
#include "shell/ui/vlclientmsgpopup.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdio>

namespace
{

void settle(int ms = 150)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

void save(QWidget* w, const QString& dir, const char* name)
{
    const QString path = dir + QLatin1Char('/') + QLatin1String(name);
    if (!w->grab().save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    ShellTestEnv::Options options;
    options.edition = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 0;
    ShellTestEnv env(options);
    QApplication::setFont(FontManager(options.edition).font());
    app.setStyleSheet(loadStyleSheet());

    // A stand-in for the main window: title bar above a page with a table.
    QWidget main;
    main.setObjectName(QStringLiteral("MainFrame"));
    main.setWindowFlags(Qt::FramelessWindowHint);
    main.setAttribute(Qt::WA_StyledBackground);
    auto* bar = new TitleBarFrame(&main, true);
    bar->setFixedHeight(EditionProfile::of(options.edition).mainWindow.titleBarHeight);
    auto* page = new QWidget(&main);
    auto* pageLayout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    auto* combo = new QComboBox(page);
    combo->addItems(
        { QStringLiteral("IP address"), QStringLiteral("Device name"), QStringLiteral("MAC address") });
    fitComboBoxWidth(combo);
    auto* filter = new LineEdit(page, 32);
    filter->setPlaceholderText(TextTable::text(14));
    auto* search = new QPushButton(TextTable::text(10), page);
    auto* disabled = new QPushButton(TextTable::text(11), page);
    disabled->setEnabled(false);
    row->addWidget(combo);
    row->addWidget(filter);
    row->addStretch(1);
    row->addWidget(search);
    row->addWidget(disabled);
    pageLayout->addLayout(row);
    auto* table = new QTableWidget(6, 4, page);
    table->setHorizontalHeaderLabels({ QStringLiteral("No."), QStringLiteral("IP address"),
        QStringLiteral("Model"), QStringLiteral("Status") });
    table->setAlternatingRowColors(true);
    table->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < 6; ++r) {
        table->setItem(r, 0, new QTableWidgetItem(QString::number(r + 1)));
        table->setItem(r, 1, new QTableWidgetItem(QStringLiteral("10.1.0.%1").arg(20 + r)));
        table->setItem(r, 2, new QTableWidgetItem(QStringLiteral("IPC-42%1").arg(r)));
        table->setItem(r, 3, new QTableWidgetItem(TextTable::text(r % 2 ? 20 : 15)));
    }
    table->selectRow(2);
    pageLayout->addWidget(table);
    auto* mainLayout = new QVBoxLayout(&main);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(0);
    mainLayout->addWidget(bar);
    mainLayout->addWidget(page);
    main.resize(900, 420);
    main.move(20, 20);
    main.show();
    settle();
    save(bar, out, "titlebar-main.png");
    save(&main, out, "main.png");

    auto* okBox
        = new GKMessageBox(TextTable::text(50), nullptr, GKMessageBox::OkOnly, GKMessageBox::WarningIcon);
    BaseDialog okDialog(okBox, TextTable::text(6), &main);
    okDialog.move(60, 480);
    okDialog.show();

    auto* askBox = new GKMessageBox(
        TextTable::text(125), nullptr, GKMessageBox::OkCancel, GKMessageBox::InformationIcon);
    BaseDialog askDialog(askBox, TextTable::text(6), &main);
    askDialog.move(420, 480);
    askDialog.show();

    auto* aboutBox = new GKMessageBox(
        EditionTexts::aboutText(options.edition), nullptr, GKMessageBox::NoButtons, GKMessageBox::AboutIcon);
    aboutBox->setStyleSheet(QStringLiteral("border:none;"));
    BaseDialog aboutDialog(aboutBox, TextTable::text(7), &main);
    aboutDialog.setStyleSheet(QStringLiteral("border:1px solid rgb(134,134,134);"));
    aboutDialog.move(960, 40);
    aboutDialog.show();

    // The settings window's content, as TitleBarFrame builds it.
    auto* settingsContent = new QWidget;
    settingsContent->setMinimumSize(300, 120);
    auto* sLayout = new QVBoxLayout(settingsContent);
    auto* sRow = new QHBoxLayout;
    sRow->addWidget(new QLabel(TextTable::text(313), settingsContent));
    auto* pw = new QLineEdit(settingsContent);
    pw->setEchoMode(QLineEdit::Password);
    pw->setText(QStringLiteral("secret"));
    sRow->addWidget(pw);
    auto* sOk = new QPushButton(TextTable::text(216), settingsContent);
    sOk->setFixedSize(80, 25);
    sOk->setStyleSheet(QStringLiteral(".QPushButton{ color: white; }"));
    auto* sRow2 = new QHBoxLayout;
    sRow2->addStretch(1);
    sRow2->addWidget(sOk);
    sRow2->addStretch(1);
    sLayout->addLayout(sRow);
    sLayout->addLayout(sRow2);
    BaseDialog settingsDialog(settingsContent, TextTable::text(312), &main);
    settingsDialog.move(960, 300);
    settingsDialog.show();
    settle(300);

    save(&okDialog, out, "message-ok.png");
    save(&askDialog, out, "message-okcancel.png");
    save(&aboutDialog, out, "about.png");
    save(&settingsDialog, out, "settings.png");

    // Button states side by side: normal, hover, pressed, disabled.
    QWidget states;
    states.setObjectName(QStringLiteral("DialogFrame"));
    states.setAttribute(Qt::WA_StyledBackground);
    auto* statesLayout = new QVBoxLayout(&states);
    auto* pushRow = new QHBoxLayout;
    auto* stateBar = new TitleBarFrame(&states, false);
    stateBar->setFixedHeight(25);
    stateBar->setStyleSheet(QStringLiteral(".QLabel{color:white;}"));
    QList<QWidget*> hovered;
    for (int i = 0; i < 4; ++i) {
        auto* b = new QPushButton(TextTable::text(4), &states);
        auto* t = new QToolButton(&states);
        t->setObjectName(QStringLiteral("closebutton"));
        t->setFixedSize(17, 16);
        if (i == 1) {
            hovered = { b, t };
        } else if (i == 2) {
            b->setDown(true);
            t->setDown(true);
        } else if (i == 3) {
            b->setEnabled(false);
            t->setEnabled(false);
        }
        pushRow->addWidget(b);
        t->setParent(stateBar);
        t->move(20 + i * 40, 4);
    }
    statesLayout->addWidget(stateBar);
    statesLayout->addLayout(pushRow);
    auto* edits = new QHBoxLayout;
    auto* focused = new LineEdit(&states, 16);
    focused->setText(QStringLiteral("admin"));
    auto* off = new QLineEdit(QStringLiteral("read only"), &states);
    off->setReadOnly(true);
    edits->addWidget(focused);
    edits->addWidget(off);
    statesLayout->addLayout(edits);
    states.resize(420, 130);
    states.move(960, 480);
    states.show();
    settle(200);
    focused->setFocus();
    // As if the pointer were on them (set after showing, which works out
    // what is under the pointer afresh).
    for (QWidget* w : hovered) {
        w->setAttribute(Qt::WA_UnderMouse);
        w->update();
    }
    QCursor::setPos(hovered.first()->mapToGlobal(hovered.first()->rect().center()));
    settle(300);
    save(&states, out, "states.png");

    // The pop-up notice, held on screen (0 seconds), in its corner.
    vlclientmsgpopup popup;
    popup.showMessage(QStringLiteral("The upgrade finished on 12 of 12 devices."), 0);
    settle(400);
    save(&popup, out, "popup.png");

    // The information menu, open below its button, and the whole screen.
    if (QMenu* menu = bar->infoMenu()) {
        QToolButton* info = bar->infoButton();
        menu->popup(info->mapToGlobal(QPoint(0, info->height())));
        settle(200);
        if (bar->languageEntry() && bar->languageEntry()->menu()) {
            menu->setActiveAction(bar->languageEntry());
            settle(400);
        }
    }
    if (QScreen* screen = QGuiApplication::primaryScreen())
        screen->grabWindow(0).save(out + QStringLiteral("/screen.png"));
    // An optional pause (milliseconds) for a screenshot from outside.
    if (argc > 3)
        settle(QString::fromLocal8Bit(argv[3]).toInt());

    delete okBox;
    delete askBox;
    delete aboutBox;
    delete settingsContent;
    return 0;
}
