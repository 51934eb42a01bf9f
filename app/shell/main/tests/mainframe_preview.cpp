// Shows the whole main window of one edition as the program does (style
// sheet, font, title bar, tool bar, pages) and saves a PNG of it:
//
//   mainframe_preview EDITION OUT.png [--page BUTTON] [--language N]
//                     [--restore] [--onvif] [--hold MS]
//
// Under Xvfb: xvfb-run -a -s "-screen 0 1440x900x24" build/tests/bin/mainframe_preview 0 main.png
// The window opens maximised over the screen's available area; --restore
// shows it at its restored size instead. --page clicks the tool-bar button of
// that number (ToolBarButton: 0 search, 1 upgrade, 2 configuration, ...).
// The settings live in a temporary folder; nothing of the user's is read,
// and the search page's searches send nothing (it lists no device).
#include "ShellTestEnv.h"
#include "search/SearchTransport.h"
#include "shell/TextTable.h"
#include "shell/main/MainFrame.h"
#include "shell/ui/FontManager.h"
#include "shell/ui/StyleSheet.h"
#include "shell/ui/ToolBarFrame.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QPushButton>
#include <QStackedWidget>
#include <QThread>
#include <cstdio>

namespace
{

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("edition"), QStringLiteral("customer edition"));
    parser.addPositionalArgument(QStringLiteral("out"), QStringLiteral("PNG file to write"));
    parser.addOption(
        { QStringLiteral("page"), QStringLiteral("tool-bar button to click"), QStringLiteral("N") });
    parser.addOption({ QStringLiteral("language"), QStringLiteral("offered language position"),
        QStringLiteral("N"), QStringLiteral("0") });
    parser.addOption({ QStringLiteral("restore"), QStringLiteral("show the window at its restored size") });
    parser.addOption({ QStringLiteral("onvif"), QStringLiteral("choose the ONVIF search") });
    parser.addOption({ QStringLiteral("hold"), QStringLiteral("milliseconds to keep the window up"),
        QStringLiteral("MS"), QStringLiteral("400") });
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: mainframe_preview EDITION OUT.png [options]\n");
        return 2;
    }

    ShellTestEnv::Options options;
    options.edition = args.at(0).toInt();
    options.cursel = parser.value(QStringLiteral("language")).toInt();
    ShellTestEnv env(options);
    // The window searches as it is built; a preview sends nothing.
    NoSearch noSearch;
    SearchTransport::ScopedInstall quiet(&noSearch);

    MainFrame::initResources();
    ToolBarFrame::initResources();
    app.setStyleSheet(loadStyleSheet());
    QApplication::setFont(FontManager(options.edition).font());

    int code = 0;
    {
        MainFrame window;
        window.setAttribute(Qt::WA_QuitOnClose);
        window.setWindowTitle(TextTable::text(0));
        window.show();
        settle(100);
        if (parser.isSet(QStringLiteral("restore")) && window.isMaximizedByFrame())
            window.toggleMaximized();
        if (parser.isSet(QStringLiteral("page"))) {
            const auto which = static_cast<ToolBarButton>(parser.value(QStringLiteral("page")).toInt());
            if (QPushButton* b = window.toolBar()->button(which))
                b->click();
        }
        if (parser.isSet(QStringLiteral("onvif")))
            window.toolBar()->protocolCombo()->setCurrentIndex(1);
        settle(parser.value(QStringLiteral("hold")).toInt());

        std::fprintf(stderr, "window %dx%d at %d,%d; page %d\n", window.width(), window.height(), window.x(),
            window.y(), window.pageStack() ? window.pageStack()->currentIndex() : -1);
        if (!window.grab().save(args.at(1))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(1)));
            code = 1;
        }
    }
    return code;
}
