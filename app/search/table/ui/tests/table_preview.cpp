// Draws one device table as a page shows it, with the program's style sheet,
// and saves a PNG, for looking at the table without the rest of the program:
//
//   table_preview EDITION OUT.png [--kind K] [--rows N] [--width W]
//                 [--height H] [--https] [--filter TEXT] [--checked N]
//
// 30 devices of varied addresses, names, channels and statuses; some rows
// checked, one hovered, sorted by address. Under Xvfb:
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/tests/bin/table_preview 0 table.png
#include "ShellTestEnv.h"
#include "TableDevices.h"
#include "search/table/CheckBoxTableModel.h"
#include "search/table/TableViewSortProxy.h"
#include "search/table/ui/CheckBoxTableView.h"
#include "shell/edition/DeviceTableEditions.h"
#include "shell/ui/FontManager.h"
#include "shell/ui/StyleSheet.h"
#include "shell/ui/ToolBarFrame.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QImage>
#include <QRegExp>
#include <QVBoxLayout>
#include <cstdio>

namespace
{

// Varied devices: cameras and recorders of a few networks.
void addDevices(TableDevices& devices, int count, int family)
{
    static const char* const kNames[] = { "Gate", "Lobby", "Parking", "Yard", "Office", "Stairs", "Store" };
    static const char* const kTypes[] = { "IPC-2MP-B", "IPC-4MP-D", "NVR-16", "DVR-8" };
    static const int kStatuses[] = { -1, 1, 2, 4, 3, -1, 5 };
    for (int i = 0; i < count; ++i) {
        TableDeviceSpec spec;
        const int host = (i * 37) % 250 + 2;
        spec.ip = i % 5 == 4 ? QStringLiteral("10.0.%1.%2").arg(i % 3).arg(host)
                             : QStringLiteral("192.168.1.%1").arg(host);
        spec.name
            = QStringLiteral("%1-%2").arg(QLatin1String(kNames[i % 7])).arg(i + 1, 2, 10, QLatin1Char('0'));
        spec.type = QLatin1String(kTypes[i % 4]);
        spec.channels = (i % 4 == 2) ? 16 : (i % 4 == 3 ? 8 : 1);
        spec.activated = i % 6 != 5;
        spec.mediaPort = 9000 + (i % 3);
        spec.webPort = i % 4 == 1 ? 8080 : 80;
        spec.software = QStringLiteral("V%1.%2.%3").arg(2 + i % 2).arg(i % 5).arg(10 + i);
        spec.mac = QStringLiteral("00:1a:2b:3c:%1:%2")
                       .arg(i / 16, 2, 16, QLatin1Char('0'))
                       .arg(i * 7 % 256, 2, 16, QLatin1Char('0'));
        spec.gateway = spec.ip.section(QLatin1Char('.'), 0, 2) + QStringLiteral(".1");
        spec.serial = QStringLiteral("SN%1").arg(202400 + i);
        spec.p2p = QStringLiteral("P2P%1").arg(7300 + i * 3);
        spec.networkMode = i % 3 == 0 ? 0 : 2;
        DeviceInfo* device = devices.add(spec);
        const int status = kStatuses[i % 7];
        if (status >= 0)
            device->setFamilyStatus(family, status);
        device->queriedVersion = i % 3 == 0 ? QString() : spec.software;
        device->matchVersion = i % 4 == 1 ? spec.software : QStringLiteral("V2.0.0");
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("edition"), QStringLiteral("customer edition"));
    parser.addPositionalArgument(QStringLiteral("out"), QStringLiteral("PNG file to write"));
    parser.addOption({ QStringLiteral("kind"), QStringLiteral("table kind 0..15"), QStringLiteral("K"),
        QStringLiteral("0") });
    parser.addOption({ QStringLiteral("rows"), QStringLiteral("number of devices"), QStringLiteral("N"),
        QStringLiteral("30") });
    parser.addOption({ QStringLiteral("width"), QStringLiteral("window width"), QStringLiteral("W"),
        QStringLiteral("1500") });
    parser.addOption({ QStringLiteral("height"), QStringLiteral("window height"), QStringLiteral("H"),
        QStringLiteral("980") });
    parser.addOption({ QStringLiteral("https"), QStringLiteral("an https column in column 2") });
    parser.addOption({ QStringLiteral("filter"), QStringLiteral("filter the name column by TEXT"),
        QStringLiteral("TEXT") });
    parser.addOption({ QStringLiteral("checked"), QStringLiteral("check every N-th row (0: none)"),
        QStringLiteral("N"), QStringLiteral("3") });
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: table_preview EDITION OUT.png [options]\n");
        return 2;
    }

    ShellTestEnv::Options options;
    options.edition = args.at(0).toInt();
    ShellTestEnv env(options);
    CheckBoxTableView::initResources();
    ToolBarFrame::initResources();
    app.setFont(FontManager(options.edition).font());
    app.setStyleSheet(loadStyleSheet() + QStringLiteral("QWidget#PreviewWindow { background: #ffffff; }"));

    const auto kind = CheckBoxTableModel::TableKind(parser.value(QStringLiteral("kind")).toInt());
    TableDevices devices;
    addDevices(devices, parser.value(QStringLiteral("rows")).toInt(),
        DeviceTableEditions::statusFamily(options.edition, kind));

    QWidget window;
    window.setObjectName(QStringLiteral("PreviewWindow"));
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(10, 10, 10, 10);
    auto* view = new CheckBoxTableView(&window);
    layout->addWidget(view);
    auto* model = new CheckBoxTableModel(view, kind);
    if (parser.isSet(QStringLiteral("https")))
        view->setCheckModelWithHttps(model->sortProxy(), 0, 2);
    else
        view->setCheckModel(model->sortProxy(), 0);
    model->setDevices(devices.list());

    const int every = parser.value(QStringLiteral("checked")).toInt();
    for (int i = 0; every > 0 && i < devices.size(); i += every) {
        devices.at(i)->checkState[kind] = Qt::Checked;
        devices.at(i)->httpsCheck = i % 2 ? Qt::Checked : Qt::Unchecked;
    }
    if (parser.isSet(QStringLiteral("filter"))) {
        model->sortProxy()->setFilterKeyColumn(model->headerTexts().indexOf(TextTable::text(60)));
        model->sortProxy()->setFilterRegExp(
            QRegExp(parser.value(QStringLiteral("filter")), Qt::CaseInsensitive, QRegExp::RegExp));
        model->refreshShownList();
    }
    model->updateCheckedList();
    model->updateHttpsList();
    view->sortByColumn(1, Qt::AscendingOrder);
    view->resizeColumnsToContents();

    window.resize(
        parser.value(QStringLiteral("width")).toInt(), parser.value(QStringLiteral("height")).toInt());
    window.show();
    QApplication::processEvents();
    view->setHoverRow(model->sortProxy()->mapToSource(model->sortProxy()->index(4, 0)).row());
    view->selectRow(7);
    QApplication::processEvents();

    const QImage image = window.grab().toImage();
    if (!image.save(args.at(1))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(1)));
        return 1;
    }
    return 0;
}
