// Draws the IP-range search page after a search, with the program's style
// sheet, and saves a PNG:
//
//   range_search_preview EDITION OUT.png [--rows N] [--https N]
//
// The search goes through a stand-in of vl_search_device that answers with N
// devices (default 12) of varied addresses, in no order; every N-th row's
// https box is then checked (--https, default 3; 0: none). Under Xvfb:
//   xvfb-run -a -s "-screen 0 1440x900x24" build/tests/bin/range_search_preview 0 range.png
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "search/table/CheckBoxTableModel.h"
#include "search/table/TableViewSortProxy.h"
#include "search/table/ui/CheckBoxTableView.h"
#include "search/ui/ExtranetsearchFrame.h"
#include "shell/ui/FontManager.h"
#include "shell/ui/StyleSheet.h"
#include "shell/ui/ToolBarFrame.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <cstdio>
#include <string>

namespace
{

int g_rows = 12;

int answeringSearch(const char*, vl_json_callback callback, void* user)
{
    static const char* const kNames[] = { "Gate", "Lobby", "Parking", "Yard", "Office", "Stairs" };
    for (int i = 0; i < g_rows; ++i) {
        const int host = (i * 37) % 200 + 20;
        const std::string json = "{\"ip\": \"192.168.1." + std::to_string(host) + "\", \"media port\": 9000"
            + ", \"web port\": " + std::to_string(i % 4 == 1 ? 8080 : 80) + ", \"device name\": \""
            + kNames[i % 6] + "-" + std::to_string(i + 1) + "\", \"device type\": \"IPC-"
            + std::to_string(2 + i % 3) + "MP\", \"device version\": \"V2." + std::to_string(i % 5)
            + ".1\", \"channel number\": " + std::to_string(i % 4 == 2 ? 16 : 1)
            + ", \"mac addr\": \"00:1a:2b:3c:4d:" + std::to_string(10 + i)
            + "\", \"netmask\": \"255.255.255.0\", \"gateway\": \"192.168.1.1\"}";
        callback(json.c_str(), user);
    }
    callback(nullptr, user);
    return 0;
}

// VLNet's search answers the same, as texts to the wrapper's callback.
int VLNET_CALL answeringVlnetSearch(const VLNET_SEARCH_DEV_POINT2POINT* search)
{
    return answeringSearch(nullptr, &ExtranetsearchFrame::rangeSearchCallback, search->context) + 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("edition"), QStringLiteral("customer edition"));
    parser.addPositionalArgument(QStringLiteral("out"), QStringLiteral("PNG file to write"));
    parser.addOption({ QStringLiteral("rows"), QStringLiteral("number of devices"), QStringLiteral("N"),
        QStringLiteral("12") });
    parser.addOption({ QStringLiteral("https"), QStringLiteral("check every N-th https box (0: none)"),
        QStringLiteral("N"), QStringLiteral("3") });
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: range_search_preview EDITION OUT.png [options]\n");
        return 2;
    }
    g_rows = parser.value(QStringLiteral("rows")).toInt();

    ShellTestEnv::Options options;
    options.edition = args.at(0).toInt();
    ShellTestEnv env(options);
    CheckBoxTableView::initResources();
    ToolBarFrame::initResources();
    app.setFont(FontManager(options.edition).font());
    app.setStyleSheet(loadStyleSheet() + QStringLiteral("QWidget#PreviewWindow { background: #ffffff; }"));
    ExtranetsearchFrame::setWrapperSearch(&answeringSearch);
    ExtranetsearchFrame::setVlnetSearch(&answeringVlnetSearch);

    QWidget window;
    window.setObjectName(QStringLiteral("PreviewWindow"));
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(10, 10, 10, 10);
    auto* page = new ExtranetsearchFrame(&window);
    layout->addWidget(page);
    window.resize(1048, 520);
    window.show();

    page->form().m_pEditStaIP->setText(QStringLiteral("192.168.1.1"));
    page->form().m_pEditEndIP->setText(QStringLiteral("192.168.1.254"));
    page->form().m_pBtnQuery->click();
    QElapsedTimer t;
    t.start();
    while (!page->form().m_pBtnQuery->isEnabled() && t.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    CheckBoxTableModel* model = page->tableModel();
    const int every = parser.value(QStringLiteral("https")).toInt();
    if (model->httpsColumn() >= 0) {
        for (int r = 0; every > 0 && r < model->sortProxy()->rowCount(); r += every)
            model->setHttpsState(model->sortProxy()->index(r, model->httpsColumn()), Qt::Checked);
        model->updateHttpsList();
    }
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    if (!window.grab().toImage().save(args.at(1))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(1)));
        return 1;
    }
    std::printf("%d rows, https column %d\n", model->rowCount(), model->httpsColumn());
    return 0;
}
