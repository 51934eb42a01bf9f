#include "shell/main/ProgramStartup.h"

#include "devices/DeviceInfo.h"
#include "devices/DeviceInfoMng.h"
#include "devices/HttpClient.h"
#include "devices/WorkPool.h"
#include "shell/GKAppSetting.h"
#include "shell/TextTable.h"
#include "shell/main/MainFrame.h"
#include "shell/ui/FontManager.h"
#include "shell/ui/StyleSheet.h"
#include "vlnet.h"
#include "vlonvifs.h"

#include <QApplication>
#include <QTextCodec>
#include <QTranslator>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <memory>

// ---- The real services ---------------------------------------------------

GKAppSetting* ProgramServices::settings()
{
    return GKAppSetting::instance();
}

int ProgramServices::netInit()
{
    return VLNetInit();
}
int ProgramServices::netSetEncription(int enable)
{
    return VLNetSetEncription(enable);
}
int ProgramServices::onvifInit()
{
    return VLOnvifInit();
}
bool ProgramServices::onvifSetSearchTimeout(int probe, int match, int answer)
{
    return VLOnvifSetSearchTimeout(probe, match, answer);
}
int ProgramServices::netRelease()
{
    return VLNetRelease();
}
int ProgramServices::onvifRelease()
{
    return VLOnvifRelease();
}

bool ProgramServices::httpInit()
{
    return HttpClient::globalInit();
}
bool ProgramServices::httpCleanup()
{
    return HttpClient::globalCleanup();
}

WorkPool* ProgramServices::workPool()
{
    return WorkPool::instance();
}

QWidget* ProgramServices::createMainWindow()
{
    return new MainFrame;
}

void ProgramServices::releaseDevices()
{
    DeviceInfoMng* devices = DeviceInfoMng::instance();
    devices->setDevices({});
    devices->setExtranetDevices({});
}

int ProgramServices::runEventLoop()
{
    return QApplication::exec();
}

void ProgramServices::endProcess(int exitCode)
{
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

// ---- Start-up and shut-down ----------------------------------------------

ProgramStartup::ProgramStartup(ProgramServices& services)
    : m_services(services)
{
}

int ProgramStartup::run(int& argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    step(StepHighDpi);
    // From here on a crash of any thread leaves a dump.
    m_services.installCrashWriter(true);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("utf8"));
    step(StepUtf8);

    int exitCode = 0;
    {
        QApplication app(argc, argv);
        step(StepApplication);
        // A missing style sheet leaves Qt's plain look; the program still runs.
        app.setStyleSheet(loadStyleSheet());
        step(StepStyleSheet);

        GKAppSetting* settings = m_services.settings();
        settings->loadConfig();
        // The settings load fixes the firmware upload limit from the protocol.
        DeviceInfo::setUploadLimitForProtocol(settings->protocol());
        settings->loadLanguage();
        step(StepSettings);

        // Qt's own dialogs in the start-up language. A missing file leaves
        // them in English; no name (a language without one) means no
        // translator at all.
        std::unique_ptr<QTranslator> translator;
        const QString translation = settings->qtTranslationPath();
        if (!translation.isEmpty()) {
            translator = std::make_unique<QTranslator>();
            if (!translator->load(translation))
                settings->log(QStringLiteral("ProgramStartup::run"), __LINE__,
                    QStringLiteral("Qt translation %1 not loaded; Qt's dialogs stay in English")
                        .arg(translation));
            QCoreApplication::installTranslator(translator.get());
            step(StepTranslation);
        }

        QApplication::setFont(FontManager::instance()->font());
        step(StepFont);

        m_services.netInit();
        m_services.netSetEncription(1);
        m_services.onvifInit();
        // The ONVIF workers consult this before relying on the short search.
        settings->setOnvifTimeoutsSet(false);
        if (m_services.onvifSetSearchTimeout(2, 2, 2))
            settings->setOnvifTimeoutsSet(true);
        step(StepOnvifTimeouts);

        // Before any thread makes an HTTP client: libcurl's set-up is not
        // safe while another thread uses it. Without it requests fail; the
        // program still runs.
        if (!m_services.httpInit())
            settings->log(QStringLiteral("ProgramStartup::run"), __LINE__,
                QStringLiteral("libcurl did not start; requests to the devices' web interface will fail"));

        WorkPool* pool = m_services.workPool();
        step(StepWorkPool);

        std::unique_ptr<QWidget> window(m_services.createMainWindow());
        window->setAttribute(Qt::WA_QuitOnClose);
        window->setWindowTitle(TextTable::text(0));
        window->show();
        step(StepMainWindow);

        exitCode = m_services.runEventLoop();

        // No task may run on into the window, the SDKs or the language table
        // freed below: drop the queued ones and give the running ones a
        // bounded time to finish.
        if (!pool->stopAndWait(kPoolStopWaitMs)) {
            // Whatever the running tasks use must stay: the window and its
            // pages, the devices with their sessions, VLNet, VLOnvifs,
            // libcurl and the language table. End here instead.
            settings->log(QStringLiteral("ProgramStartup::run"), __LINE__,
                QStringLiteral("work pool: tasks still running after %1 ms; the process ends without "
                               "freeing what they use")
                    .arg(kPoolStopWaitMs));
            step(StepPoolStopTimedOut);
            m_services.endProcess(exitCode);
            return exitCode;
        }
        step(StepPoolStopped);

        window.reset();
        step(StepMainWindowDestroyed);
        m_services.releaseDevices();
        step(StepDevicesReleased);
        // The devices' uploads have ended with them; a client that still
        // lives (an upload left to end by itself) keeps libcurl's state until
        // the process ends.
        if (!m_services.httpCleanup()) {
            settings->log(QStringLiteral("ProgramStartup::run"), __LINE__,
                QStringLiteral("libcurl still in use at shut-down; its state is left to the process's end"));
            step(StepHttpKept);
        }
        m_services.netRelease();
        m_services.onvifRelease();
        settings->freeTexts();
        step(StepTextsFreed);
        if (translator) {
            translator.reset(); // removes it from the application
            step(StepTranslationRemoved);
        }
    }
    step(StepApplicationDestroyed);
    m_services.uninstallCrashWriter();
    return exitCode;
}
