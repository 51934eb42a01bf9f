// Draws the tool bar of one edition as the main window shows it and saves a
// PNG, for looking at the tool bar without the rest of the program:
//
//   toolbar_preview EDITION OUT.png [--width N] [--onvif] [--language N]
//                   [--page BUTTON] [--popup] [--disabled]
//
// Under Xvfb: xvfb-run -a env QT_QPA_PLATFORM=xcb toolbar_preview 0 bar.png
// Every style sheet under ":/style/" is applied, in name order.
#include "ShellTestEnv.h"
#include "shell/ui/FontManager.h"
#include "shell/ui/HoverButton.h"
#include "shell/ui/HoverDialog.h"
#include "shell/ui/ToolBarFrame.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("edition"), QStringLiteral("customer edition"));
    parser.addPositionalArgument(QStringLiteral("out"), QStringLiteral("PNG file to write"));
    parser.addOption({ QStringLiteral("width"), QStringLiteral("window width"), QStringLiteral("N"),
        QStringLiteral("1400") });
    parser.addOption({ QStringLiteral("language"), QStringLiteral("offered language position"),
        QStringLiteral("N"), QStringLiteral("0") });
    parser.addOption({ QStringLiteral("page"), QStringLiteral("button index to check"), QStringLiteral("N"),
        QStringLiteral("0") });
    parser.addOption({ QStringLiteral("onvif"), QStringLiteral("choose the ONVIF search") });
    parser.addOption(
        { QStringLiteral("popup"), QStringLiteral("check the hover button and open its pop-up") });
    parser.addOption({ QStringLiteral("disabled"), QStringLiteral("disable the tool bar") });
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: toolbar_preview EDITION OUT.png [options]\n");
        return 2;
    }

    ShellTestEnv::Options options;
    options.edition = args.at(0).toInt();
    options.cursel = parser.value(QStringLiteral("language")).toInt();
    ShellTestEnv env(options);

    ToolBarFrame::initResources();
    QString sheet;
    const QStringList files = QDir(QStringLiteral(":/style")).entryList(QDir::Files, QDir::Name);
    for (const QString& name : files) {
        QFile f(QStringLiteral(":/style/") + name);
        if (f.open(QIODevice::ReadOnly))
            sheet += QString::fromUtf8(f.readAll()) + QLatin1Char('\n');
    }
    std::fprintf(stderr, "style sheets: %s\n", qPrintable(files.join(QLatin1Char(' '))));
    app.setFont(FontManager(options.edition).font());
    app.setStyleSheet(sheet
        + QStringLiteral("QWidget#PreviewWindow { background: #ffffff; }"
                         "QFrame#PreviewPage { background: #ffffff; border: 1px solid #d3d9e1; }"));

    QWidget window;
    window.setObjectName(QStringLiteral("PreviewWindow"));
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(10, 0, 10, 10);
    layout->setSpacing(0);
    auto* bar = new ToolBarFrame(&window);
    auto* page = new QFrame(&window);
    page->setObjectName(QStringLiteral("PreviewPage"));
    page->setMinimumHeight(90);
    layout->addWidget(bar);
    layout->addSpacing(8);
    layout->addWidget(page, 1);

    const int pageButton = parser.value(QStringLiteral("page")).toInt();
    if (QPushButton* b = bar->button(static_cast<ToolBarButton>(pageButton)))
        b->click();
    if (parser.isSet(QStringLiteral("onvif")))
        bar->protocolCombo()->setCurrentIndex(1);
    if (parser.isSet(QStringLiteral("disabled")))
        bar->setButtonsEnabled(false);

    window.resize(parser.value(QStringLiteral("width")).toInt(), 200);
    window.show();
    QApplication::processEvents();
    window.resize(window.width(),
        window.heightForWidth(window.width()) > 0 ? window.heightForWidth(window.width()) + 90 : 200);
    QApplication::processEvents();

    QImage image = window.grab().toImage();
    if (parser.isSet(QStringLiteral("popup"))) {
        bar->checkHoverButton();
        bar->ShowExtraButton();
        QApplication::processEvents();
        HoverDialog* popup = bar->hoverButton()->popup();
        if (popup->isVisible()) {
            const QPoint at = popup->geometry().topLeft() - window.geometry().topLeft();
            QImage bigger(image.width(), qMax(image.height(), at.y() + popup->height() + 10), image.format());
            bigger.fill(Qt::white);
            QPainter painter(&bigger);
            painter.drawImage(0, 0, window.grab().toImage());
            painter.drawImage(at, popup->grab().toImage());
            painter.end();
            image = bigger;
        }
    }
    if (!image.save(args.at(1))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(1)));
        return 1;
    }
    return 0;
}
