#pragma once
// The program's start-up and shut-down, in their fixed order, so that main()
// is two lines and tests can run the whole sequence.
//
// Start-up: high-DPI scaling, the crash-dump writer, UTF-8 as the locale
// codec, the application object, the style sheet, the settings and the
// language table, Qt's own translation, the application font, VLNet and
// VLOnvifs, libcurl's process-wide state, the work pool, the main window, the
// event loop. Everything later relies on this order: settings before the
// first widget, texts before the first text is asked for, the SDKs before the
// first search, libcurl before any thread makes an HTTP client, the pool
// before the first page submits work.
//
// Shut-down, once the event loop returns: the work pool is stopped first and
// its running tasks get up to five seconds to finish (queued tasks are
// dropped), so that no task runs on into a freed window, SDK or language
// table. When a task still runs after that (a device that answers slowly
// within its bounded waits), the process ends there with the event loop's
// exit code, leaving out every later step: freeing the window, the devices,
// VLNet (which must not be released while another thread starts a
// connection), VLOnvifs or the language table under a running task would
// crash it, and the operating system frees them all anyway. Otherwise the
// main window, the found devices, libcurl's state, VLNet,
// VLOnvifs, the language table, Qt's translation, the application object and
// the crash-dump writer go, in that order. The pool itself is never deleted.
// The found devices are deleted between the main window and VLNet: each
// still holds SDK handles that must be closed while the SDKs run, and no page
// may show them any more. libcurl's state goes after the devices (their
// uploads end with them), and only when the pool has stopped: a task still
// running may be inside libcurl.
//
// Everything outside the program's own code (the crash-dump writer, VLNet,
// VLOnvifs, libcurl, the settings object's folder, the work pool, the main
// window, the event loop) goes through ProgramServices, which a test replaces with
// recording stand-ins.
#include "shell/MiniDumper.h"

class GKAppSetting;
class QWidget;
class WorkPool;

class ProgramServices
{
public:
    ProgramServices() = default;
    virtual ~ProgramServices() = default;
    ProgramServices(const ProgramServices&) = delete;
    ProgramServices& operator=(const ProgramServices&) = delete;

    // The crash-dump writer, owned here so that it outlives the whole run.
    virtual bool installCrashWriter(bool debugOutput) { return m_dumper.install(debugOutput); }
    virtual void uninstallCrashWriter() { m_dumper.uninstall(); }

    // The settings object to load (the process-wide one).
    virtual GKAppSetting* settings();

    // The closed device libraries.
    virtual int netInit();
    virtual int netSetEncription(int enable);
    virtual int onvifInit();
    virtual bool onvifSetSearchTimeout(int probe, int match, int answer);
    virtual int netRelease();
    virtual int onvifRelease();

    // libcurl's process-wide state (HttpClient::globalInit and
    // globalCleanup): false when it could not be made, or not freed because
    // an HTTP client still lives.
    virtual bool httpInit();
    virtual bool httpCleanup();

    // The work pool (the process-wide one, made on the first call).
    virtual WorkPool* workPool();

    // A new main window (MainFrame) without parent; the caller owns it.
    virtual QWidget* createMainWindow();

    // Deletes the found devices (both lists of DeviceInfoMng), which closes
    // the SDK sessions and operations they still hold.
    virtual void releaseDevices();

    // Runs the event loop; its result is the exit code.
    virtual int runEventLoop();

    // Ends the process at once with `exitCode`, without the clean-up of
    // static objects and atexit handlers (C and Qt streams are flushed
    // first): for a shut-down whose work-pool tasks did not finish in time.
    // Does not return in the program; a test's stand-in records the call
    // and returns, and the run then ends without any later step.
    virtual void endProcess(int exitCode);

    // Told after each step that start-up and shut-down take themselves (the
    // outside calls above are not reported here). `step` is one of the
    // ProgramStartup::Step* names. For tests and diagnostics.
    virtual void stepDone(const char* step) { (void)step; }

private:
    MiniDumper m_dumper;
};

class ProgramStartup
{
public:
    // The longest shut-down waits for the work pool's running tasks.
    static constexpr int kPoolStopWaitMs = 5000;

    // Names of the steps ProgramStartup takes itself, in their order.
    static constexpr const char* StepHighDpi = "high-dpi scaling";
    static constexpr const char* StepUtf8 = "utf-8 locale codec";
    static constexpr const char* StepApplication = "application object";
    static constexpr const char* StepStyleSheet = "style sheet";
    static constexpr const char* StepSettings = "settings and language";
    static constexpr const char* StepTranslation = "qt translation";
    static constexpr const char* StepFont = "application font";
    static constexpr const char* StepOnvifTimeouts = "onvif time-outs remembered";
    static constexpr const char* StepWorkPool = "work pool";
    static constexpr const char* StepMainWindow = "main window shown";
    static constexpr const char* StepPoolStopped = "work pool stopped";
    static constexpr const char* StepPoolStopTimedOut = "work pool stop timed out";
    static constexpr const char* StepMainWindowDestroyed = "main window destroyed";
    static constexpr const char* StepDevicesReleased = "found devices released";
    static constexpr const char* StepHttpKept = "http state kept";
    static constexpr const char* StepTextsFreed = "language table freed";
    static constexpr const char* StepTranslationRemoved = "qt translation removed";
    static constexpr const char* StepApplicationDestroyed = "application object destroyed";

    explicit ProgramStartup(ProgramServices& services);

    // Runs the program from start-up to the end of shut-down and returns the
    // event loop's result. `argc` must outlive the call (the application
    // object keeps a reference to it). Call once per application object.
    int run(int& argc, char** argv);

private:
    void step(const char* name) { m_services.stepDone(name); }

    ProgramServices& m_services;
};
