#pragma once
// The program's crash-dump writer: from install() on, a crash of any thread
// writes one dump beside the program ("<name>_YYYY_MM_DD_hh_mm_ss.dmp", local
// time) and the process dies of its signal. Failures to write the dump are
// reported on the error output when debug output is on.
//
// One writer is installed at a time; main owns it, installs it first thing
// and uninstalls it last. install and uninstall run on the main thread before
// and after every other thread; the dump is written on the crashing thread.
#include <string>

class MiniDumper
{
public:
    MiniDumper() = default;
    // Uninstalls the writer when it is still installed.
    ~MiniDumper();
    MiniDumper(const MiniDumper&) = delete;
    MiniDumper& operator=(const MiniDumper&) = delete;

    // Makes this the installed writer. Returns false when another writer is
    // installed or the system refuses the handlers.
    bool install(bool debugOutput);
    // Puts back the handlers that were in place before install().
    void uninstall();
    bool isInstalled() const;

    // Where dumps go: the program's folder (ending in a separator) and its
    // file name cut at the last ".". Known after install().
    const std::string& programFolder() const { return m_programFolder; }
    const std::string& programName() const { return m_programName; }

    // Splits the path of the program file into its folder (up to and with
    // the last separator) and its name without extension.
    static void splitProgramPath(const std::string& path, std::string* folder, std::string* name);

    static MiniDumper* installed();

private:
    std::string m_programFolder;
    std::string m_programName;
    bool m_debugOutput = false;
};
