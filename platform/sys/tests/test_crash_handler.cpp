// The crash handler: each crash runs in a forked child, which must leave
// exactly one whole dump and die of its own signal.
#include "crash_test_support.h"
#include "support/lab.h"
#include "sys/crash_handler.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

using namespace crashtest;
using vlsys::crash::CivilTime;

bool install(const std::string& folder)
{
    vlsys::CrashHandlerConfig config;
    config.folder = folder + "/";
    config.programName = "unit";
    config.title = "crash handler test";
    config.debugOutput = true;
    return vlsys::installCrashHandler(config);
}

// A page that faults on any access.
void* g_guardPage = nullptr;
void* guardPage()
{
    if (!g_guardPage)
        g_guardPage = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return g_guardPage;
}

void faultOnGuardPage()
{
    *static_cast<volatile int*>(guardPage()) = 1;
}

// Reading a mapped page beyond the end of a file raises SIGBUS.
void* g_busPage = nullptr;
void faultBeyondFile()
{
    *static_cast<volatile char*>(g_busPage);
}

TEST(CrashHandler, DumpNameIsLocalDateAndTime)
{
    struct Case {
        const char* utc; // as YYYY-MM-DD hh:mm:ss
        long offset;
        const char* expected;
    };
    const Case cases[] = {
        { "2024-03-05 09:07:02", 0, "C:\\Tools\\Config_2024_03_05_09_07_02.dmp" },
        { "2024-02-29 23:59:59", 3600, "C:\\Tools\\Config_2024_03_01_00_59_59.dmp" },
        { "2024-01-01 00:30:00", -3600, "C:\\Tools\\Config_2023_12_31_23_30_00.dmp" },
        { "2000-02-28 20:00:00", 5 * 3600 + 1800, "C:\\Tools\\Config_2000_02_29_01_30_00.dmp" },
        { "2100-02-28 23:00:00", 3600, "C:\\Tools\\Config_2100_03_01_00_00_00.dmp" },
        { "1969-12-31 23:59:59", 0, "C:\\Tools\\Config_1969_12_31_23_59_59.dmp" },
    };
    for (const Case& c : cases) {
        struct tm tm = {};
        ASSERT_NE(strptime(c.utc, "%Y-%m-%d %H:%M:%S", &tm), nullptr);
        CivilTime t = vlsys::crash::civilTime(timegm(&tm), c.offset);
        char out[260];
        size_t n = vlsys::crash::formatDumpPath(out, sizeof(out), "C:\\Tools\\", "Config", t);
        EXPECT_EQ(std::string(out), c.expected) << c.utc << " offset " << c.offset;
        EXPECT_EQ(n, std::strlen(c.expected));
    }
}

TEST(CrashHandler, CalendarAgreesWithTheCLibrary)
{
    // Steps of an odd size over three centuries hit every month, leap days
    // and times of day.
    for (long long t = -2208988800LL; t < 4102444800LL; t += 86400LL * 3 + 3607) {
        for (long offset : { 0L, 19800L, -36000L }) {
            time_t local = time_t(t + offset);
            struct tm tm = {};
            ASSERT_NE(gmtime_r(&local, &tm), nullptr);
            CivilTime c = vlsys::crash::civilTime(t, offset);
            ASSERT_EQ(c.year, tm.tm_year + 1900) << t;
            ASSERT_EQ(c.month, tm.tm_mon + 1) << t;
            ASSERT_EQ(c.day, tm.tm_mday) << t;
            ASSERT_EQ(c.hour, tm.tm_hour) << t;
            ASSERT_EQ(c.minute, tm.tm_min) << t;
            ASSERT_EQ(c.second, tm.tm_sec) << t;
        }
    }
}

TEST(CrashHandler, DumpPathThatDoesNotFitIsRefused)
{
    CivilTime t = vlsys::crash::civilTime(0, 0);
    char out[16];
    EXPECT_EQ(vlsys::crash::formatDumpPath(out, sizeof(out), "/a/long/folder/", "name", t), 0u);
    EXPECT_STREQ(out, "");
    char exact[sizeof("n_1970_01_01_00_00_00.dmp")];
    EXPECT_EQ(vlsys::crash::formatDumpPath(exact, sizeof(exact), "", "n", t), sizeof(exact) - 1);
}

struct SignalCase {
    const char* name;
    int signal;
    void (*crash)();
    bool faultAddress; // the dump names the address that faulted
};

void crashAbort()
{
    abort();
}
void crashRaiseFpe()
{
    raise(SIGFPE);
}
void crashTrap()
{
    __builtin_trap();
}

volatile long g_depthLimit = 1L << 40;
long recurse(long depth)
{
    volatile char frame[512];
    frame[0] = char(depth);
    if (depth >= g_depthLimit)
        return frame[0];
    return recurse(depth + 1) + frame[0];
}
void crashStackOverflow()
{
    recurse(0);
}

void PrintTo(const SignalCase& c, std::ostream* os)
{
    *os << c.name;
}

class CrashHandlerSignals : public ::testing::TestWithParam<SignalCase>
{
};

TEST_P(CrashHandlerSignals, OneDumpBesideTheProgramThenDeathBySignal)
{
    const SignalCase& c = GetParam();
    vltest::TempDir dir;
    vltest::TempDir logs;
    guardPage();
    if (c.signal == SIGBUS) {
        std::string file = logs.file("empty");
        int fd = open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        g_busPage = mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0);
        close(fd);
        ASSERT_NE(g_busPage, MAP_FAILED);
    }

    time_t before = time(nullptr);
    ChildResult r = runChild(
        [&] {
            if (!install(dir.path()))
                _exit(3);
            c.crash();
        },
        logs.file("stderr"));
    time_t after = time(nullptr);

    ASSERT_TRUE(WIFSIGNALED(r.status)) << "status " << r.status << "\n" << r.errorOutput;
    EXPECT_EQ(WTERMSIG(r.status), c.signal);
    EXPECT_EQ(r.errorOutput, "") << "no failure to report";

    std::vector<std::string> dumps = dumpsIn(dir.path());
    ASSERT_EQ(dumps.size(), 1u);
    std::vector<std::string> expected = namesBetween("unit", before, after);
    EXPECT_NE(std::find(expected.begin(), expected.end(), dumps[0]), expected.end()) << dumps[0];

    std::string dump = readFile(dir.path() + "/" + dumps[0]);
    EXPECT_EQ(dump.rfind("crash handler test\n", 0), 0u) << dump.substr(0, 200);
    EXPECT_NE(dump.find("signal: " + std::to_string(c.signal) + " " + c.name), std::string::npos);
    EXPECT_EQ(count(dump, "signal: "), 1u);
    if (c.faultAddress) {
        char addr[32];
        void* at = c.signal == SIGBUS ? g_busPage : g_guardPage;
        std::snprintf(addr, sizeof(addr), "address: 0x%016lx\n", reinterpret_cast<unsigned long>(at));
        EXPECT_NE(dump.find(addr), std::string::npos) << addr << dump.substr(0, 400);
    }
    size_t trace = dump.find("\nbacktrace:\n");
    size_t maps = dump.find("\nmemory map:\n");
    ASSERT_NE(trace, std::string::npos);
    ASSERT_NE(maps, std::string::npos);
    EXPECT_LT(trace, maps);
    // The backtrace reaches into this test program; the map is the whole one.
    EXPECT_NE(dump.substr(trace, maps - trace).find("test_crash_handler"), std::string::npos);
    EXPECT_NE(dump.find("[stack]", maps), std::string::npos);
    EXPECT_EQ(dump.back(), '\n');

    if (g_busPage) {
        munmap(g_busPage, 4096);
        g_busPage = nullptr;
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, CrashHandlerSignals,
    ::testing::Values(SignalCase { "SIGSEGV", SIGSEGV, faultOnGuardPage, true },
        SignalCase { "SIGBUS", SIGBUS, faultBeyondFile, true },
        SignalCase { "SIGABRT", SIGABRT, crashAbort, false },
        SignalCase { "SIGFPE", SIGFPE, crashRaiseFpe, false },
        SignalCase { "SIGILL", SIGILL, crashTrap, false },
        // Needs the handler's own stack.
        SignalCase { "SIGSEGV", SIGSEGV, crashStackOverflow, false }),
    [](const auto& info) {
        return std::string(info.param.crash == crashStackOverflow ? "StackOverflow" : info.param.name);
    });

pthread_barrier_t g_barrier;

void* crashAfterBarrier(void* how)
{
    pthread_barrier_wait(&g_barrier);
    if (how)
        abort();
    faultOnGuardPage();
    return nullptr;
}

TEST(CrashHandler, TwoThreadsCrashingAtOnceLeaveOneWholeDump)
{
    for (int round = 0; round < 10; ++round) {
        vltest::TempDir dir;
        vltest::TempDir logs;
        guardPage();
        ChildResult r = runChild(
            [&] {
                if (!install(dir.path()))
                    _exit(3);
                pthread_barrier_init(&g_barrier, nullptr, 2);
                pthread_t a, b;
                // Round by round: two faults, or a fault against an abort.
                pthread_create(&a, nullptr, crashAfterBarrier, nullptr);
                pthread_create(
                    &b, nullptr, crashAfterBarrier, round % 2 ? reinterpret_cast<void*>(1) : nullptr);
                pthread_join(a, nullptr);
                pthread_join(b, nullptr);
                _exit(4);
            },
            logs.file("stderr"));

        ASSERT_TRUE(WIFSIGNALED(r.status)) << "round " << round << " status " << r.status;
        EXPECT_TRUE(WTERMSIG(r.status) == SIGSEGV || WTERMSIG(r.status) == SIGABRT) << WTERMSIG(r.status);
        std::vector<std::string> dumps = dumpsIn(dir.path());
        ASSERT_EQ(dumps.size(), 1u) << "round " << round;
        std::string dump = readFile(dir.path() + "/" + dumps[0]);
        EXPECT_EQ(count(dump, "signal: "), 1u) << dump;
        EXPECT_EQ(count(dump, "\nbacktrace:\n"), 1u);
        EXPECT_EQ(count(dump, "\nmemory map:\n"), 1u);
        EXPECT_EQ(count(dump, "crash handler test\n"), 1u);
        EXPECT_NE(dump.find("[stack]"), std::string::npos) << "the map is whole";
        // The dump names the thread that wrote it, and it is one of the two.
        EXPECT_NE(dump.find("thread: "), std::string::npos);
    }
}

void previousHandler(int)
{
    _exit(42);
}

TEST(CrashHandler, UninstallPutsBackThePreviousHandlers)
{
    vltest::TempDir dir;
    vltest::TempDir logs;
    guardPage();
    ChildResult r = runChild(
        [&] {
            signal(SIGSEGV, previousHandler);
            if (!install(dir.path()))
                _exit(3);
            if (install(dir.path()))
                _exit(5); // only one handler at a time
            if (!vlsys::crashHandlerInstalled())
                _exit(6);
            vlsys::uninstallCrashHandler();
            vlsys::uninstallCrashHandler(); // harmless twice
            if (vlsys::crashHandlerInstalled())
                _exit(7);
            faultOnGuardPage();
        },
        logs.file("stderr"));
    ASSERT_TRUE(WIFEXITED(r.status)) << r.status;
    EXPECT_EQ(WEXITSTATUS(r.status), 42);
    EXPECT_TRUE(dumpsIn(dir.path()).empty());
}

TEST(CrashHandler, UnwritableFolderReportsTheFixedMessage)
{
    vltest::TempDir dir;
    vltest::TempDir logs;
    ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
    ASSERT_EQ(chmod(logs.path().c_str(), 0777), 0);
    guardPage();
    ChildResult r = runChild(
        [&] {
            // Root writes anywhere: become nobody first.
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                _exit(8);
            if (!install(dir.path()))
                _exit(3);
            faultOnGuardPage();
        },
        logs.file("stderr"));
    chmod(dir.path().c_str(), 0700);

    ASSERT_TRUE(WIFSIGNALED(r.status)) << r.status << "\n" << r.errorOutput;
    EXPECT_EQ(WTERMSIG(r.status), SIGSEGV);
    EXPECT_TRUE(dumpsIn(dir.path()).empty());
    EXPECT_TRUE(isCreateFailure(r.errorOutput, dir.path(), "unit")) << r.errorOutput;
}

} // namespace
