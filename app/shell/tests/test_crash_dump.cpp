// The crash-dump writer as the program uses it: a copy of a small program
// that installs it and crashes is run in a folder of its own, which must then
// hold exactly one dump named after that program.
#include "crash_test_support.h"
#include "shell/AppInfo.h"
#include "shell/MiniDumper.h"
#include "support/lab.h"
#include "sys/module_path.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

using namespace crashtest;

// Runs `program mode` with its error output in `errorFile`. The sanitizer
// runtime, when there is one, is told to leave the fatal signals alone, so
// the writer under test is the one that handles them.
ChildResult runProgram(
    const std::string& program, const std::string& mode, const std::string& errorFile, bool asNobody = false)
{
    return runChild(
        [&] {
            setenv("ASAN_OPTIONS",
                "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:handle_abort=0:detect_leaks=0",
                1);
            // Root may write into any folder: run as nobody to meet a folder
            // that refuses writing.
            if (asNobody && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                _exit(120);
            execl(program.c_str(), program.c_str(), mode.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        },
        errorFile);
}

// A copy of the crashing program, named `fileName`, alone in a fresh folder.
struct Installed {
    vltest::TempDir dir;
    vltest::TempDir logs;
    std::string program;

    explicit Installed(const std::string& fileName)
    {
        program = dir.file(fileName);
        std::filesystem::copy_file(vlsys::executableDir() + "crash_dump_child", program);
        chmod(program.c_str(), 0755);
        chmod(dir.path().c_str(), 0755);
    }
};

TEST(MiniDumper, ProgramPathSplitsIntoFolderAndNameWithoutExtension)
{
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
    };
    const Case cases[] = {
        { "/opt/dorvex/dorvex-device-config", "/opt/dorvex/", "dorvex-device-config" },
        { "/opt/dorvex/Config.exe", "/opt/dorvex/", "Config" },
        { "C:\\Tools\\Config.exe", "C:\\Tools\\", "Config" },
        { "/srv/v1.2/tool", "/srv/v1.2/", "tool" },
        { "/srv/archive.tar.gz", "/srv/", "archive.tar" },
        { "prog", "./", "prog" },
    };
    for (const Case& c : cases) {
        std::string folder, name;
        MiniDumper::splitProgramPath(c.path, &folder, &name);
        EXPECT_EQ(folder, c.folder) << c.path;
        EXPECT_EQ(name, c.name) << c.path;
    }
}

TEST(MiniDumper, OneWriterAtATime)
{
    MiniDumper first, second;
    ASSERT_TRUE(first.install(false));
    EXPECT_EQ(MiniDumper::installed(), &first);
    EXPECT_EQ(first.programFolder(), vlsys::executableDir());
    EXPECT_EQ(first.programName(), "test_crash_dump");
    EXPECT_FALSE(second.install(false));
    second.uninstall(); // not the installed one: changes nothing
    EXPECT_TRUE(first.isInstalled());
    first.uninstall();
    EXPECT_EQ(MiniDumper::installed(), nullptr);
    EXPECT_TRUE(second.install(false));
    // The destructor uninstalls.
}

struct CrashCase {
    const char* mode;
    int signal;
};

class MiniDumperCrash : public ::testing::TestWithParam<CrashCase>
{
};

TEST_P(MiniDumperCrash, WritesOneDumpBesideTheProgramAndDiesBySignal)
{
    const CrashCase& c = GetParam();
    Installed app("Config.bin");
    time_t before = time(nullptr);
    ChildResult r = runProgram(app.program, c.mode, app.logs.file("stderr"));
    time_t after = time(nullptr);

    ASSERT_TRUE(WIFSIGNALED(r.status)) << "status " << r.status << "\n" << r.errorOutput;
    EXPECT_EQ(WTERMSIG(r.status), c.signal);
    EXPECT_EQ(r.errorOutput, "");

    std::vector<std::string> dumps = dumpsIn(app.dir.path());
    ASSERT_EQ(dumps.size(), 1u);
    std::vector<std::string> expected = namesBetween("Config", before, after);
    EXPECT_NE(std::find(expected.begin(), expected.end(), dumps[0]), expected.end()) << dumps[0];

    std::string dump = readFile(app.dir.file(dumps[0]));
    std::string title = "DORVEX Device Config " + AppInfo::version().toStdString() + " crash dump\n";
    EXPECT_EQ(dump.rfind(title, 0), 0u) << dump.substr(0, 200);
    EXPECT_EQ(count(dump, "signal: "), 1u);
    EXPECT_EQ(count(dump, "\nbacktrace:\n"), 1u);
    EXPECT_EQ(count(dump, "\nmemory map:\n"), 1u);
    EXPECT_NE(dump.find(app.program), std::string::npos) << "the map names the program";
}

INSTANTIATE_TEST_SUITE_P(Crashes, MiniDumperCrash,
    ::testing::Values(CrashCase { "segv", SIGSEGV }, CrashCase { "abort", SIGABRT }),
    [](const auto& info) { return std::string(info.param.mode); });

TEST(MiniDumper, UnwritableFolderGivesTheFixedMessage)
{
    Installed app("Config.bin");
    ASSERT_EQ(chmod(app.dir.path().c_str(), 0555), 0);
    ASSERT_EQ(chmod(app.logs.path().c_str(), 0777), 0);
    ChildResult r = runProgram(app.program, "segv", app.logs.file("stderr"), true);
    chmod(app.dir.path().c_str(), 0755);

    ASSERT_TRUE(WIFSIGNALED(r.status)) << "status " << r.status << "\n" << r.errorOutput;
    EXPECT_EQ(WTERMSIG(r.status), SIGSEGV);
    EXPECT_TRUE(dumpsIn(app.dir.path()).empty());
    EXPECT_TRUE(isCreateFailure(r.errorOutput, app.dir.path(), "Config")) << r.errorOutput;
}

TEST(MiniDumper, AfterUninstallACrashWritesNothing)
{
    Installed app("Config.bin");
    ChildResult r = runProgram(app.program, "uninstalled", app.logs.file("stderr"));
    ASSERT_TRUE(WIFSIGNALED(r.status)) << "status " << r.status << "\n" << r.errorOutput;
    EXPECT_EQ(WTERMSIG(r.status), SIGSEGV);
    EXPECT_TRUE(dumpsIn(app.dir.path()).empty());
}

} // namespace
