// How long the search page takes to list many devices: starts the device
// simulator with N devices in the lab and times each search of the page,
// from startSearch to the published list (the tool bar enabled again).
//
//   tests/lab/lab run -- build/tests/bin/search_page_bench [--devices 500]
//       [--edition 34] [--protocol 0] [--runs 3]
//
// Edition 34 runs the multicast and the VLNet search together; edition 0
// with protocol 0 the multicast search alone, with protocol 1 VLNet's.
// Not a test: it asserts nothing and its times depend on the host.
#include "ShellTestEnv.h"
#include "devices/DeviceInfoMng.h"
#include "search/table/CheckBoxTableModel.h"
#include "search/ui/SearchFrame.h"
#include "shell/ui/ToolBarFrame.h"
#include "support/devsim.h"
#include "support/lab.h"
#include "vlnet.h"
#include "vlonvifs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

int numberArg(int argc, char** argv, const char* name, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return std::atoi(argv[i + 1]);
    return fallback;
}

} // namespace

int main(int argc, char** argv)
{
    if (!vltest::Lab::active()) {
        std::fprintf(stderr, "search_page_bench: run it inside the lab: tests/lab/lab run -- %s\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The simulator is found in the build's bin folder.
    setenv("VL_BUILD_BIN", VL_TEST_BUILD_BIN, 0);
    const int devices = numberArg(argc, argv, "--devices", 500);
    const int runs = numberArg(argc, argv, "--runs", 3);
    ShellTestOptions options;
    options.edition = numberArg(argc, argv, "--edition", 34);
    options.curpro = numberArg(argc, argv, "--protocol", 0);

    vltest::Devsim sim({ "--generate", std::to_string(devices), "--seed", "5" });
    VLNetInit();
    VLOnvifInit();
    int code = 0;
    {
        ShellTestEnv env(options);
        ToolBarFrame bar;
        SearchFrame page;
        page.setToolBar(&bar);
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer t;
            t.start();
            page.startSearch();
            while (!bar.button(ToolBarButton::Search)->isEnabled() && t.elapsed() < 60000)
                QApplication::processEvents(QEventLoop::AllEvents, 5);
            std::printf("edition %d protocol %d: %d of %d devices listed in %lld ms\n", options.edition,
                options.curpro, int(page.currentModel()->devices().size()), devices,
                static_cast<long long>(t.elapsed()));
        }
        DeviceInfoMng::instance()->setDevices({});
    }
    VLOnvifRelease();
    VLNetRelease();
    if (!sim.stopCleanly())
        code = 1;
    return code;
}
