// The engine without a network: its log file and lines, its settings, the
// error objects, and how a pass ends (time-out, a stop from another thread,
// a stop that must not reach the next pass of an update).
#include "log_folder.h"
#include "multicast/session.h"

#include <chrono>
#include <cstdarg>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <thread>
#include <unistd.h>

using namespace vlsdk;
using namespace std::chrono;

namespace
{

std::string line_of(const char* format, ...)
{
    std::tm now {};
    now.tm_year = 124;
    now.tm_mon = 1;
    now.tm_mday = 29;
    now.tm_hour = 23;
    now.tm_min = 5;
    now.tm_sec = 9;
    va_list args;
    va_start(args, format);
    std::string line = format_multicast_log_line(now, format, args);
    va_end(args);
    return line;
}

// An engine on a host without addresses: every pass has no socket, so only
// the timer and close() end it.
multicast_environment no_network()
{
    multicast_environment env;
    env.local_addresses = [] { return std::vector<local_address> {}; };
    return env;
}

long elapsed_ms(steady_clock::time_point since)
{
    return long(duration_cast<milliseconds>(steady_clock::now() - since).count());
}

struct Calls {
    std::vector<std::string> texts;
};

void VL_CALL record(const char* text, void* user)
{
    static_cast<Calls*>(user)->texts.push_back(text ? text : "(null)");
}

} // namespace

TEST(MulticastLog, LineShapeAndLimits)
{
    const std::string prefix = "[2024-02-29 23:05:09] ";
    EXPECT_EQ(line_of("hello"), prefix + "hello\n");
    EXPECT_EQ(line_of("hello\n"), prefix + "hello\n");
    EXPECT_EQ(line_of("%d sockets \n", 2), prefix + "2 sockets \n");
    EXPECT_EQ(line_of(""), prefix + "\n");

    const std::string long_text(2000, 'x');
    const std::string cut = line_of("%s", long_text.c_str());
    ASSERT_EQ(cut.size(), 1023u);
    EXPECT_EQ(cut.back(), '\n');
    EXPECT_EQ(cut.substr(0, prefix.size()), prefix);

    // Exactly filling the buffer counts as cut; one less is whole.
    const std::string fills(1023 - prefix.size(), 'y');
    const std::string full = line_of("%s", fills.c_str());
    ASSERT_EQ(full.size(), 1023u);
    EXPECT_EQ(full, prefix + fills.substr(0, fills.size() - 1) + "\n");
    const std::string fits(1022 - prefix.size(), 'z');
    EXPECT_EQ(line_of("%s", fits.c_str()), prefix + fits + "\n");
}

TEST(MulticastLog, FileStaysOpenWhileAnyEngineLives)
{
    LogFolder folder { "vl-mclog-" };
    multicast_log("before any engine\n");
    auto first = std::make_unique<multicast_session>("239.255.255.250", "ff02::fff3", no_network());
    auto second = std::make_unique<multicast_session>("239.255.255.250", "ff02::fff3", no_network());
    multicast_log("two engines\n");
    first.reset();
    multicast_log("one engine left\n");
    second.reset();
    multicast_log("no engine\n");
    const std::string text = folder.text();
    EXPECT_EQ(text.find("before any engine"), std::string::npos);
    EXPECT_NE(text.find("two engines"), std::string::npos);
    EXPECT_NE(text.find("one engine left"), std::string::npos);
    EXPECT_EQ(text.find("no engine\n"), std::string::npos);

    // Engines coming and going on several threads while others write.
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 50; ++i) {
                multicast_session engine("239.255.255.250", "ff02::fff3", no_network());
                multicast_log("thread %d line %d\n", t, i);
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_NE(folder.text().find("thread 3 line 49\n"), std::string::npos);
}

TEST(MulticastEngine, Settings)
{
    multicast_session engine("239.255.255.250", "ff02::fff3", no_network());
    EXPECT_EQ(engine.timeout(), 3000);
    EXPECT_EQ(engine.delay(), 200);
    for (auto [given, kept] : std::vector<std::pair<int, int>> {
             { 0, 3000 }, { -5, 3000 }, { 10001, 3000 }, { 1, 1 }, { 10000, 10000 }, { 2500, 2500 } }) {
        engine.set_timeout(given);
        EXPECT_EQ(engine.timeout(), kept) << given;
    }
    // A null callback or user value leaves the one set before.
    Calls calls;
    engine.set_search_callback(record, &calls);
    engine.set_search_callback(nullptr, nullptr);
    EXPECT_EQ(engine.search_callback().function, &record);
    EXPECT_EQ(engine.search_callback().user, &calls);
}

TEST(MulticastEngine, ErrorObjectsGoToTheFirstCallbackSet)
{
    Calls search, activation, update;
    multicast_session engine("239.255.255.250", "ff02::fff3", no_network());
    const auto error = boost::system::errc::make_error_code(boost::system::errc::no_buffer_space);
    engine.report_error("nobody listens", error); // no callback: nothing happens
    engine.set_search_callback(record, &search);
    engine.report_error("Failed to join V4 multicast group", error);
    ASSERT_EQ(search.texts.size(), 1u);
    EXPECT_EQ(search.texts[0],
        "{\n\t\"info\" : \"" + error.message() + "\",\n\t\"msg\" : \"Failed to join V4 multicast group\"\n}");
    engine.set_update_callback(record, &update);
    engine.report_error("to update", error);
    engine.set_activation_callback(record, &activation);
    engine.report_error("to activation", error);
    EXPECT_EQ(search.texts.size(), 1u);
    ASSERT_EQ(update.texts.size(), 1u);
    EXPECT_NE(update.texts[0].find("to update"), std::string::npos);
    ASSERT_EQ(activation.texts.size(), 1u);
    EXPECT_NE(activation.texts[0].find("to activation"), std::string::npos);
}

TEST(MulticastEngine, APassEndsAtItsTimeout)
{
    LogFolder folder { "vl-mclog-" };
    multicast_session engine("239.255.255.250", "ff02::fff3", no_network());
    engine.set_timeout(200);
    engine.open_sockets();
    engine.start_receive();
    EXPECT_FALSE(engine.running());
    const auto start = steady_clock::now();
    engine.send_search_msg();
    EXPECT_GE(elapsed_ms(start), 190);
    EXPECT_LT(elapsed_ms(start), 2000);
    EXPECT_FALSE(engine.running());
    EXPECT_EQ(engine.key_pair().blob().size(), 33u);
    const std::string log = folder.text();
    EXPECT_NE(log.find("check native interface num 0 \n"), std::string::npos);
    EXPECT_NE(log.find("[MULTICAST_SEND_SEARCH] Starting send_search_msg on 0 IPv4 sockets to dest: "
                       "239.255.255.250:9555\n"),
        std::string::npos);
    EXPECT_NE(log.find("[MULTICAST_SEND_SEARCH_V6] Starting send_search_msg on 0 IPv6 sockets\n"),
        std::string::npos);
}

TEST(MulticastEngine, StopFromAnotherThreadEndsTheRunningPass)
{
    multicast_session engine("239.255.255.250", "ff02::fff3", no_network());
    engine.set_timeout(10000);
    engine.close(); // nothing runs yet: nothing happens
    const auto start = steady_clock::now();
    std::thread worker([&] {
        engine.open_sockets();
        engine.start_receive();
        engine.send_activate_msg();
    });
    while (!engine.running())
        std::this_thread::sleep_for(milliseconds(1));
    std::this_thread::sleep_for(milliseconds(50));
    engine.close();
    engine.close(); // a second stop changes nothing
    worker.join();
    EXPECT_LT(elapsed_ms(start), 3000);
    EXPECT_FALSE(engine.running());
    engine.close(); // after the pass: nothing to end
}

TEST(MulticastEngine, AStopDuringTheFirstPassLeavesTheSecondPassItsTime)
{
    multicast_session engine("239.255.255.250", "ff02::fff3", no_network());
    engine.set_timeout(600);
    update_entry entry;
    engine.update_entries().push_back(entry);

    std::thread worker([&] {
        engine.open_sockets();
        engine.start_receive();
        engine.send_update_msg(false);
    });
    while (!engine.running())
        std::this_thread::sleep_for(milliseconds(1));
    // Two stops: the first ends the pass; the second is still queued when
    // the next pass starts, as is the cancelled wait of the first pass.
    engine.close();
    engine.close();
    worker.join();

    engine.clear_pass();
    EXPECT_TRUE(engine.key_pair().empty());
    engine.open_sockets();
    engine.start_receive();
    const auto start = steady_clock::now();
    engine.send_update_msg(true);
    EXPECT_GE(elapsed_ms(start), 580) << "a stop meant for the first pass ended the second";
}

TEST(MulticastEngine, AStopBetweenPassesEndsNothing)
{
    multicast_session engine("239.255.255.250", "ff02::fff3", no_network());
    engine.set_timeout(300);
    engine.send_update_msg(false);
    engine.close(); // between the passes
    engine.clear_pass();
    const auto start = steady_clock::now();
    engine.send_update_msg(true);
    EXPECT_GE(elapsed_ms(start), 280);
}

TEST(MulticastEngine, UnsealableEntriesAreToldApart)
{
    multicast_session engine("239.255.255.250", "ff02::fff3", no_network());
    engine.set_timeout(1);
    activation_entry a;
    a.key = "AAAA";
    engine.activation_entries().push_back(a);
    engine.send_activate_msg();
    EXPECT_EQ(engine.activation_entries()[0].result, 3); // key error
    update_entry u;
    u.key = "AAAA";
    engine.update_entries().push_back(u);
    engine.send_update_msg(false);
    EXPECT_EQ(engine.update_entries()[0].result, 4); // update failed
}
