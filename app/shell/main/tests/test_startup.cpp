// Start-up and shut-down run whole, with recording stand-ins for what lies
// outside the program: the order of every step, the window title, the exit
// code, the remembered ONVIF time-out result, Qt's translation for the chosen
// language, a shut-down that waits for running work before freeing what it
// uses (and ends the process when work outlives the wait), and found devices
// deleted while the SDKs still run.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceInfoMng.h"
#include "devices/HttpClient.h"
#include "devices/WorkPool.h"
#include "shell/GKAppSetting.h"
#include "shell/TextTable.h"
#include "shell/main/ProgramStartup.h"
#include "vlnet.h"
#include "vlonvifs.h"

#include <QApplication>
#include <QFile>
#include <QMutex>
#include <QPointer>
#include <QSemaphore>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>

namespace
{

using Step = ProgramStartup;

// Records every outside call and every step of ProgramStartup into one list,
// in the order they happen; VLNet and VLOnvifs calls go on to the real
// stand-in libraries. The settings live in a temporary folder, the work pool
// is a small one of the test's, the main window a plain widget, and the event
// loop runs until `duringLoop` (by default: close the window) ends it.
class RecordingServices : public ProgramServices
{
public:
    explicit RecordingServices(ShellTestOptions options = ShellTestOptions())
        : m_options(std::move(options))
    {
    }

    // What the user does while the event loop runs.
    std::function<void(QWidget* window)> duringLoop = [](QWidget* window) { window->close(); };

    // Seen while the event loop ran.
    QString titleInLoop;
    QString textZeroInLoop;
    bool quitOnCloseInLoop = false;
    bool onvifTimeoutsSetInLoop = true;
    int uploadLimitInLoop = -1;
    QStringList qtTextsInLoop; // translations of kQtTexts
    QPointer<QWidget> window;
    WorkPool pool { 2 };

    QStringList calls() const
    {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }
    void record(const QString& call)
    {
        QMutexLocker lock(&m_mutex);
        m_calls << call;
    }

    bool installCrashWriter(bool debugOutput) override
    {
        record(QStringLiteral("install crash writer, debug %1").arg(debugOutput ? "on" : "off"));
        return true; // the sanitizers keep their own signal handlers
    }
    void uninstallCrashWriter() override { record(QStringLiteral("uninstall crash writer")); }

    GKAppSetting* settings() override
    {
        record(QStringLiteral("settings object"));
        const QString data = m_dir.path() + QStringLiteral("/data");
        QDir().mkpath(data);
        QFile file(data + QStringLiteral("/config.xml"));
        if (file.open(QIODevice::WriteOnly))
            file.write(ShellTestEnv::configText(m_options));
        file.close();
        m_settings = GKAppSetting::createTempInstance(data, ShellTestEnv::programDir());
        return m_settings;
    }

    int netInit() override
    {
        record(QStringLiteral("VLNetInit"));
        return ProgramServices::netInit();
    }
    int netSetEncription(int enable) override
    {
        record(QStringLiteral("VLNetSetEncription(%1)").arg(enable));
        return ProgramServices::netSetEncription(enable);
    }
    int onvifInit() override
    {
        record(QStringLiteral("VLOnvifInit"));
        return ProgramServices::onvifInit();
    }
    bool onvifSetSearchTimeout(int probe, int match, int answer) override
    {
        record(QStringLiteral("VLOnvifSetSearchTimeout(%1, %2, %3)").arg(probe).arg(match).arg(answer));
        return ProgramServices::onvifSetSearchTimeout(probe, match, answer);
    }
    int netRelease() override
    {
        record(QStringLiteral("VLNetRelease"));
        return ProgramServices::netRelease();
    }
    int onvifRelease() override
    {
        record(QStringLiteral("VLOnvifRelease"));
        return ProgramServices::onvifRelease();
    }

    bool httpInit() override
    {
        record(QStringLiteral("curl global init"));
        return ProgramServices::httpInit();
    }
    bool httpCleanup() override
    {
        const bool freed = ProgramServices::httpCleanup();
        record(QStringLiteral("curl global cleanup: %1").arg(freed ? "freed" : "refused"));
        return freed;
    }

    WorkPool* workPool() override
    {
        record(QStringLiteral("WorkPool::instance"));
        return &pool;
    }

    QWidget* createMainWindow() override
    {
        record(QStringLiteral("new main window"));
        window = new QWidget;
        return window;
    }

    static constexpr const char* kQtTexts[][2]
        = { { "QPlatformTheme", "Cancel" }, { "QFileDialog", "Look in:" } };

    int runEventLoop() override
    {
        record(QStringLiteral("event loop"));
        titleInLoop = window->windowTitle();
        textZeroInLoop = TextTable::text(0);
        quitOnCloseInLoop = window->testAttribute(Qt::WA_QuitOnClose) && window->isVisible();
        onvifTimeoutsSetInLoop = m_settings->onvifTimeoutsSet();
        uploadLimitInLoop = DeviceInfo::maxUpgradingCount.load();
        for (const auto& t : kQtTexts)
            qtTextsInLoop << QCoreApplication::translate(t[0], t[1]);
        QTimer::singleShot(0, window.data(), [this] { duringLoop(window); });
        const int result = ProgramServices::runEventLoop();
        record(QStringLiteral("event loop returned %1").arg(result));
        return result;
    }

    void endProcess(int exitCode) override
    {
        record(QStringLiteral("end process %1, texts still loaded: %2")
                   .arg(exitCode)
                   .arg(TextTable::count() > 0 ? "yes" : "no"));
    }

    void stepDone(const char* step) override { record(QLatin1String(step)); }

private:
    mutable QMutex m_mutex;
    QStringList m_calls;
    ShellTestOptions m_options;
    QTemporaryDir m_dir;
    GKAppSetting* m_settings = nullptr;
};

int runProgram(RecordingServices& services)
{
    static int argc = 1;
    static char name[] = "dorvex-device-config";
    static char* argv[] = { name, nullptr };
    const int result = ProgramStartup(services).run(argc, argv);
    GKAppSetting::resetInstance();
    return result;
}

const QStringList kStartUp = {
    Step::StepHighDpi,
    "install crash writer, debug on",
    Step::StepUtf8,
    Step::StepApplication,
    Step::StepStyleSheet,
    "settings object",
    Step::StepSettings,
    Step::StepTranslation,
    Step::StepFont,
    "VLNetInit",
    "VLNetSetEncription(1)",
    "VLOnvifInit",
    "VLOnvifSetSearchTimeout(2, 2, 2)",
    Step::StepOnvifTimeouts,
    "curl global init",
    "WorkPool::instance",
    Step::StepWorkPool,
    "new main window",
    Step::StepMainWindow,
    "event loop",
};

QStringList shutDown(int exitCode)
{
    return {
        QStringLiteral("event loop returned %1").arg(exitCode),
        Step::StepPoolStopped,
        Step::StepMainWindowDestroyed,
        Step::StepDevicesReleased,
        "curl global cleanup: freed",
        "VLNetRelease",
        "VLOnvifRelease",
        Step::StepTextsFreed,
        Step::StepTranslationRemoved,
        Step::StepApplicationDestroyed,
        "uninstall crash writer",
    };
}

} // namespace

TEST(Startup, StartsUpInItsFixedOrderAndShutsDownWhenTheWindowCloses)
{
    RecordingServices services;
    EXPECT_EQ(runProgram(services), 0);
    EXPECT_EQ(services.calls(), kStartUp + shutDown(0));
    EXPECT_TRUE(services.quitOnCloseInLoop);
    EXPECT_TRUE(services.window.isNull()) << "the main window outlived shut-down";
    EXPECT_TRUE(services.pool.isStopping());
    EXPECT_EQ(TextTable::count(), 0);
    EXPECT_FALSE(QCoreApplication::instance());
}

TEST(Startup, TheExitCodeIsTheEventLoopsResult)
{
    RecordingServices services;
    services.duringLoop = [](QWidget*) { QApplication::exit(3); };
    EXPECT_EQ(runProgram(services), 3);
    EXPECT_EQ(services.calls(), kStartUp + shutDown(3));
}

TEST(Startup, TheWindowTitleIsTextZeroOfTheCurrentLanguage)
{
    struct Case {
        int cursel;
        const char* title;
    };
    for (const Case c : { Case { 0, "DORVEX Device Config" }, Case { 1, nullptr } }) {
        SCOPED_TRACE(c.cursel);
        ShellTestOptions o; // English and Simplified Chinese
        o.cursel = c.cursel;
        RecordingServices services(o);
        runProgram(services);
        EXPECT_FALSE(services.titleInLoop.isEmpty());
        EXPECT_EQ(services.titleInLoop, services.textZeroInLoop);
        if (c.title) {
            EXPECT_EQ(services.titleInLoop, QLatin1String(c.title));
        }
    }
}

TEST(Startup, AFailedOnvifSearchTimeOutIsRemembered)
{
    struct Case {
        const char* failSwitch; // VLONVIFS_FAIL_SEARCH_TIMEOUT; null: unset
        bool remembered;
    };
    for (const Case c : { Case { nullptr, true }, Case { "1", false }, Case { "0", true } }) {
        SCOPED_TRACE(c.failSwitch ? c.failSwitch : "unset");
        if (c.failSwitch)
            qputenv("VLONVIFS_FAIL_SEARCH_TIMEOUT", c.failSwitch);
        else
            qunsetenv("VLONVIFS_FAIL_SEARCH_TIMEOUT");
        RecordingServices services;
        runProgram(services);
        EXPECT_EQ(services.onvifTimeoutsSetInLoop, c.remembered);
        EXPECT_EQ(services.calls(), kStartUp + shutDown(0)); // start-up goes on either way
    }
    qunsetenv("VLONVIFS_FAIL_SEARCH_TIMEOUT");
}

TEST(Startup, TheLoadedProtocolSetsTheFirmwareUploadLimit)
{
    struct Case {
        int edition;
        int curpro;
        int uploads;
    };
    // 47 offers only the web interface, 20 only the SDK.
    for (const Case c : { Case { 47, 1, 30 }, Case { 20, 0, 1 }, Case { 0, 0, 30 }, Case { 0, 1, 1 } }) {
        SCOPED_TRACE(testing::Message() << "edition " << c.edition << " curpro " << c.curpro);
        DeviceInfo::maxUpgradingCount = 0;
        ShellTestOptions o;
        o.edition = c.edition;
        o.curpro = c.curpro;
        RecordingServices services(o);
        runProgram(services);
        EXPECT_EQ(services.uploadLimitInLoop, c.uploads);
    }
}

TEST(Startup, AGermanSettingLoadsQtsGermanTranslationForTheRun)
{
    ASSERT_TRUE(QFile::exists(ShellTestEnv::programDir() + QStringLiteral("/translations/qt_de.qm")))
        << "Qt's translations are not beside the program (qttranslations5-l10n)";
    struct Case {
        QStringList files;
        int edition;
        QStringList qtTexts;
    };
    const Case cases[] = {
        // Edition 2 offers German; GER.xml is not shipped, so the language
        // table falls back to English, but Qt's dialogs follow the setting.
        { { "GER.xml", "ENU.xml" }, 2, { "Abbrechen", "Suchen in:" } },
        { { "ENU.xml", "CHS.xml" }, 0, { "Cancel", "Look in:" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.files.first().toStdString());
        ShellTestOptions o;
        o.edition = c.edition;
        o.languageFiles = c.files;
        o.cursel = 0;
        RecordingServices services(o);
        runProgram(services);
        EXPECT_EQ(services.qtTextsInLoop, c.qtTexts);
        EXPECT_TRUE(services.calls().contains(QLatin1String(Step::StepTranslationRemoved)));
    }
}

TEST(Startup, ShutDownWaitsForRunningTasksAndDropsQueuedOnesBeforeFreeingAnything)
{
    RecordingServices services;
    QSemaphore started;
    struct Shared {
        RecordingServices* services;
        QSemaphore* started;
    } shared { &services, &started };

    services.duringLoop = [&](QWidget* window) {
        // Both threads busy, a third task waiting in the list.
        auto slow = [](void* p) {
            auto* s = static_cast<Shared*>(p);
            s->started->release();
            QThread::msleep(300);
            s->services->record(QStringLiteral("slow task finished"));
        };
        services.pool.submit(slow, &shared, WorkPool::NormalQueue);
        services.pool.submit(slow, &shared, WorkPool::NormalQueue);
        started.acquire(2);
        services.pool.submit(
            [](void* p) { static_cast<Shared*>(p)->services->record(QStringLiteral("queued task ran")); },
            &shared, WorkPool::NormalQueue);
        window->close();
    };
    EXPECT_EQ(runProgram(services), 0);

    const QStringList calls = services.calls();
    EXPECT_FALSE(calls.contains(QStringLiteral("queued task ran")));
    EXPECT_EQ(calls.count(QStringLiteral("slow task finished")), 2);
    const int stopped = calls.indexOf(QLatin1String(Step::StepPoolStopped));
    ASSERT_GE(stopped, 0);
    EXPECT_LT(calls.lastIndexOf(QStringLiteral("slow task finished")), stopped);
    EXPECT_LT(stopped, calls.indexOf(QLatin1String(Step::StepMainWindowDestroyed)));
    EXPECT_LT(stopped, calls.indexOf(QStringLiteral("VLNetRelease")));
    EXPECT_LT(stopped, calls.indexOf(QLatin1String(Step::StepTextsFreed)));
}

TEST(Startup, FoundDevicesAreDeletedAfterTheWindowAndBeforeTheSdksGo)
{
    RecordingServices services;
    services.duringLoop = [&](QWidget* window) {
        // A LAN device and an IP-range device, as the searches leave them.
        auto* lan = new DeviceInfo;
        auto* range = new DeviceInfo;
        QObject::connect(
            lan, &QObject::destroyed, [&] { services.record(QStringLiteral("LAN device deleted")); });
        QObject::connect(
            range, &QObject::destroyed, [&] { services.record(QStringLiteral("IP-range device deleted")); });
        DeviceInfoMng::instance()->setDevices({ lan });
        DeviceInfoMng::instance()->setExtranetDevices({ range });
        window->close();
    };
    EXPECT_EQ(runProgram(services), 0);

    const QStringList calls = services.calls();
    const int lan = calls.indexOf(QStringLiteral("LAN device deleted"));
    const int range = calls.indexOf(QStringLiteral("IP-range device deleted"));
    ASSERT_GE(lan, 0);
    ASSERT_GE(range, 0);
    EXPECT_LT(calls.indexOf(QLatin1String(Step::StepMainWindowDestroyed)), lan);
    EXPECT_LT(std::max(lan, range), calls.indexOf(QLatin1String(Step::StepDevicesReleased)));
    EXPECT_LT(calls.indexOf(QLatin1String(Step::StepDevicesReleased)),
        calls.indexOf(QStringLiteral("VLNetRelease")));
    EXPECT_TRUE(DeviceInfoMng::instance()->devices().isEmpty());
    EXPECT_TRUE(DeviceInfoMng::instance()->extranetDevices().isEmpty());
}

TEST(Startup, LibcurlStaysWhileAClientMayStillUseIt)
{
    // A client that outlives the run (an upload left to end by itself)
    // keeps libcurl's state.
    RecordingServices services;
    std::unique_ptr<HttpClient> client;
    services.duringLoop = [&](QWidget* window) {
        client = std::make_unique<HttpClient>();
        window->close();
    };
    runProgram(services);
    const QStringList calls = services.calls();
    EXPECT_TRUE(calls.contains(QStringLiteral("curl global cleanup: refused")));
    EXPECT_EQ(calls.indexOf(QLatin1String(Step::StepHttpKept)),
        calls.indexOf(QStringLiteral("curl global cleanup: refused")) + 1);
    client.reset();
    EXPECT_TRUE(HttpClient::globalCleanup());
}

TEST(Startup, ATaskThatOutlivesThePoolWaitEndsTheProcessWithNothingFreedUnderIt)
{
    // A device task still inside a login or a request when the wait ends:
    // the window, the devices, VLNet, VLOnvifs, libcurl and the texts it
    // uses stay, and the process ends with the event loop's exit code.
    RecordingServices services;
    QSemaphore started;
    QSemaphore release;
    struct Shared {
        QSemaphore* started;
        QSemaphore* release;
    } shared { &started, &release };
    services.duringLoop = [&](QWidget*) {
        services.pool.submit(
            [](void* p) {
                auto* s = static_cast<Shared*>(p);
                s->started->release();
                s->release->acquire();
            },
            &shared, WorkPool::NormalQueue);
        started.acquire();
        QApplication::exit(4);
    };
    EXPECT_EQ(runProgram(services), 4);
    release.release();
    const QStringList calls = services.calls();
    const int timedOut = calls.indexOf(QLatin1String(Step::StepPoolStopTimedOut));
    ASSERT_GE(timedOut, 0);
    EXPECT_EQ(calls.mid(timedOut - 1),
        QStringList({ "event loop returned 4", Step::StepPoolStopTimedOut,
            "end process 4, texts still loaded: yes" }));
    // What the operating system would have done.
    services.pool.stopAndWait(5000);
    VLNetRelease();
    VLOnvifRelease();
    EXPECT_TRUE(HttpClient::globalCleanup());
}
