// The log writer: line shape and limits, re-entrant callbacks, the file and
// its one rotation, and lines from several threads.
#include "core/log.h"
#include "test_dir.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

namespace
{

std::mutex g_seen_lock;
std::vector<std::string> g_seen;
std::atomic<int> g_nested_budget { 0 };

void VL_CALL collect(const char* line, void* reserved)
{
    EXPECT_EQ(reserved, nullptr);
    std::lock_guard<std::mutex> hold(g_seen_lock);
    g_seen.emplace_back(line);
}

void VL_CALL collect_and_log_again(const char* line, void* reserved)
{
    collect(line, reserved);
    if (g_nested_budget.fetch_sub(1) > 0)
        write_log("nested from callback\n");
}

// "[YYYY-MM-DD hh:mm:ss] " at the start of a line.
bool has_time_prefix(const std::string& line)
{
    const char* shape = "[dddd-dd-dd dd:dd:dd] ";
    if (line.size() < 22)
        return false;
    for (size_t i = 0; i < 22; ++i) {
        const bool ok = shape[i] == 'd' ? (line[i] >= '0' && line[i] <= '9') : line[i] == shape[i];
        if (!ok)
            return false;
    }
    return true;
}

std::vector<std::string> seen()
{
    std::lock_guard<std::mutex> hold(g_seen_lock);
    return g_seen;
}

class LogWriter : public ::testing::Test
{
protected:
    void SetUp() override
    {
        vlsdk::log_close_file();
        vlsdk::log_set_callback(nullptr);
        std::lock_guard<std::mutex> hold(g_seen_lock);
        g_seen.clear();
    }
    void TearDown() override
    {
        vlsdk::log_close_file();
        vlsdk::log_set_callback(nullptr);
    }
};

} // namespace

TEST_F(LogWriter, LineShapeAndLimits)
{
    write_log("nobody listens\n"); // neither callback nor file: nothing happens
    vlsdk::log_set_callback(collect);
    write_log("dev:%p, this:%p, [%s] call <%s> result:%s\n", static_cast<void*>(nullptr),
        static_cast<void*>(nullptr), "10.0.0.2", "op", "success");
    write_log("%s", std::string(1001, 'k').c_str()); // 22 + 1001 + NUL = 1024: kept
    write_log("%s", std::string(1002, 'd').c_str()); // one more: dropped whole
    write_log("%s", ""); // empty: dropped
    write_log(nullptr);

    const auto lines = seen();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(has_time_prefix(lines[0])) << lines[0];
    EXPECT_EQ(lines[0].substr(22, 4), "dev:");
    EXPECT_NE(lines[0].find(", this:"), std::string::npos);
    EXPECT_EQ(lines[0].substr(lines[0].find(", [")), ", [10.0.0.2] call <op> result:success\n");
    EXPECT_EQ(lines[1].size(), 22u + 1001u);
    EXPECT_EQ(lines[1].substr(22), std::string(1001, 'k'));
}

TEST_F(LogWriter, CallbackMayLogAgain)
{
    TestDir dir;
    ASSERT_TRUE(vlsdk::log_open_file(dir.file("VLWrapper.txt")));
    g_nested_budget = 1;
    vlsdk::log_set_callback(collect_and_log_again);
    write_log("outer\n");
    const auto lines = seen();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("outer"), std::string::npos);
    EXPECT_NE(lines[1].find("nested from callback"), std::string::npos);
    // The nested line completes first, then the outer one reaches the file.
    const std::string file = read_file(dir.file("VLWrapper.txt"));
    EXPECT_LT(file.find("nested from callback"), file.find("outer"));
    EXPECT_NE(file.find("outer"), std::string::npos);
}

TEST_F(LogWriter, CallbackThatAlwaysLogsEnds)
{
    g_nested_budget = 1000000;
    vlsdk::log_set_callback(collect_and_log_again);
    write_log("start\n");
    // Nesting is cut off instead of exhausting the stack.
    EXPECT_GE(seen().size(), 2u);
    EXPECT_LE(seen().size(), 16u);
}

TEST_F(LogWriter, FileOpensOnceAndRotatesOnce)
{
    TestDir dir;
    const std::string log = dir.file("VLWrapper.txt");
    const std::string old = dir.file("VLWrapper_1.txt");
    const std::string big(1001, 'x');
    struct Case {
        int64_t max_size;
        bool rotated;
    } cases[] = { { 0, false }, { 1001, false }, { 1000, true }, { -1, false } };
    for (const Case& c : cases) {
        write_file(log, big);
        write_file(old, "older generation");
        ASSERT_TRUE(vlsdk::log_open_file(log, c.max_size, old)) << c.max_size;
        EXPECT_TRUE(vlsdk::log_file_is_open());
        // An open file is left alone by later set-ups.
        EXPECT_FALSE(vlsdk::log_open_file(dir.file("other.txt"), c.max_size, old));
        write_log("line\n");
        vlsdk::log_close_file();
        EXPECT_FALSE(vlsdk::log_file_is_open());
        EXPECT_FALSE(std::filesystem::exists(dir.file("other.txt")));
        const std::string now = read_file(log);
        if (c.rotated) {
            EXPECT_EQ(read_file(old), big);
            EXPECT_EQ(now.substr(22), "line\n");
        } else {
            EXPECT_EQ(read_file(old), "older generation") << c.max_size;
            EXPECT_EQ(now.substr(0, 1001), big) << c.max_size;
            EXPECT_EQ(now.substr(1001 + 22), "line\n") << c.max_size;
        }
    }
    EXPECT_FALSE(vlsdk::log_open_file(dir.file("no/such/folder/VLWrapper.txt")));
    EXPECT_FALSE(vlsdk::log_file_is_open());
}

TEST_F(LogWriter, ThreadsNeverInterleaveAndSurviveCloseAndReopen)
{
    TestDir dir;
    const std::string log = dir.file("VLWrapper.txt");
    ASSERT_TRUE(vlsdk::log_open_file(log));
    std::atomic<bool> stop { false };
    std::atomic<int> written { 0 };
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([t, &stop, &written] {
            for (int i = 0; !stop.load(); ++i) {
                write_log("thread %d line %d %s\n", t, i, "abcdefghijklmnopqrstuvwxyz0123456789");
                ++written;
            }
        });
    }
    // Shut-down and set-up run while SDK threads log: the file is swapped
    // under the log lock, so no line ever writes to a closed file.
    for (int round = 0; round < 200; ++round) {
        vlsdk::log_close_file();
        vlsdk::log_open_file(log);
    }
    // On a busy machine the writers may not have run yet: let them write
    // into the file that is open now before they stop.
    const int before = written.load();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (written.load() < before + 100 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stop = true;
    for (auto& w : writers)
        w.join();
    vlsdk::log_close_file();

    std::istringstream in(read_file(log));
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        int thread = -1, number = -1, used = 0;
        char tail[64] = { 0 };
        ASSERT_TRUE(has_time_prefix(line)) << line;
        ASSERT_EQ(
            std::sscanf(line.c_str() + 22, "thread %d line %d %63s%n", &thread, &number, tail, &used), 3)
            << line;
        ASSERT_STREQ(tail, "abcdefghijklmnopqrstuvwxyz0123456789") << line;
        ASSERT_EQ(static_cast<size_t>(used), line.size() - 22) << "one line per message: " << line;
        ASSERT_TRUE(thread >= 0 && thread < 4) << line;
        ++count;
    }
    EXPECT_GT(count, 0);
}
