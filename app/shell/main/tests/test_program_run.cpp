// The program's real start-up and shut-down, as main runs them: the real
// crash-dump writer, VLNet and VLOnvifs stand-ins, the process-wide work pool
// and the real main window. Only the settings folder is the test's own, and
// the "user" closes the window once the event loop runs. Runs in the lab, since
// the main window's pages may search the network as soon as they exist.
#include "ShellTestEnv.h"
#include "devices/WorkPool.h"
#include "shell/GKAppSetting.h"
#include "shell/MiniDumper.h"
#include "shell/TextTable.h"
#include "shell/main/MainFrame.h"
#include "shell/main/ProgramStartup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>

namespace
{

std::atomic<bool> g_taskFinished { false };

class ClosingServices : public ProgramServices
{
public:
    QTemporaryDir dir;
    QPointer<QWidget> window;
    bool wasMainFrame = false;
    bool crashWriterInstalledInLoop = false;
    QString titleInLoop;
    int poolThreadsInLoop = 0;

    GKAppSetting* settings() override
    {
        const QString data = dir.path() + QStringLiteral("/data");
        QDir().mkpath(data);
        QFile file(data + QStringLiteral("/config.xml"));
        if (file.open(QIODevice::WriteOnly))
            file.write(ShellTestEnv::configText(ShellTestOptions()));
        file.close();
        return GKAppSetting::createTempInstance(data, ShellTestEnv::programDir());
    }

    QWidget* createMainWindow() override
    {
        window = ProgramServices::createMainWindow();
        return window;
    }

    int runEventLoop() override
    {
        wasMainFrame = qobject_cast<MainFrame*>(window.data()) != nullptr;
        crashWriterInstalledInLoop = MiniDumper::installed() != nullptr;
        titleInLoop = window->windowTitle();
        poolThreadsInLoop = WorkPool::instance()->threadCount();
        // Some work still running when the window closes.
        WorkPool::instance()->submit(
            [](void*) {
                QThread::msleep(500);
                g_taskFinished = true;
            },
            nullptr, WorkPool::NormalQueue);
        QTimer::singleShot(100, window.data(), [this] { window->close(); });
        return ProgramServices::runEventLoop();
    }
};

} // namespace

TEST(ProgramRun, TheRealProgramOpensItsMainWindowAndShutsDownCleanly)
{
    ClosingServices services;
    int argc = 1;
    char name[] = "dorvex-device-config";
    char* argv[] = { name, nullptr };
    EXPECT_EQ(ProgramStartup(services).run(argc, argv), 0);

    EXPECT_TRUE(services.wasMainFrame);
    EXPECT_TRUE(services.crashWriterInstalledInLoop);
    EXPECT_EQ(services.titleInLoop, QStringLiteral("DORVEX Device Config"));
    EXPECT_EQ(services.poolThreadsInLoop, 30);
    EXPECT_TRUE(services.window.isNull());
    EXPECT_FALSE(MiniDumper::installed());
    EXPECT_TRUE(WorkPool::instance()->isStopping());
    EXPECT_TRUE(g_taskFinished) << "shut-down did not wait for the running task";
    EXPECT_EQ(TextTable::count(), 0);
    GKAppSetting::resetInstance();
}
