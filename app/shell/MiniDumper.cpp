#include "shell/MiniDumper.h"

#include "shell/AppInfo.h"
#include "sys/crash_handler.h"
#include "sys/module_path.h"

#include <atomic>

namespace
{
std::atomic<MiniDumper*> g_installed { nullptr };
} // namespace

MiniDumper::~MiniDumper()
{
    if (g_installed.load() == this)
        uninstall();
}

void MiniDumper::splitProgramPath(const std::string& path, std::string* folder, std::string* name)
{
    size_t cut = path.find_last_of("/\\");
    std::string file = cut == std::string::npos ? path : path.substr(cut + 1);
    *folder = cut == std::string::npos ? std::string("./") : path.substr(0, cut + 1);
    size_t dot = file.find_last_of('.');
    *name = dot == std::string::npos ? file : file.substr(0, dot);
}

bool MiniDumper::install(bool debugOutput)
{
    MiniDumper* none = nullptr;
    if (!g_installed.compare_exchange_strong(none, this))
        return false;

    m_debugOutput = debugOutput;
    splitProgramPath(vlsys::executablePath(), &m_programFolder, &m_programName);
    if (m_programName.empty())
        m_programName = "crash";

    vlsys::CrashHandlerConfig config;
    config.folder = m_programFolder;
    config.programName = m_programName;
    config.title = "DORVEX Device Config " + AppInfo::version().toStdString() + " crash dump";
    config.debugOutput = debugOutput;
    if (!vlsys::installCrashHandler(config)) {
        g_installed.store(nullptr);
        return false;
    }
    return true;
}

void MiniDumper::uninstall()
{
    if (g_installed.load() != this)
        return;
    vlsys::uninstallCrashHandler();
    g_installed.store(nullptr);
}

bool MiniDumper::isInstalled() const
{
    return g_installed.load() == this;
}

MiniDumper* MiniDumper::installed()
{
    return g_installed.load();
}
