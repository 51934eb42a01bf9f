// The stand-in's parameter calls against simulated devices in the lab:
// queries by message with their callbacks, writes of a structure or a list,
// the device's answers for rights and refusals, and the remote reboot.
#include "events.h"
#include "support/devsim.h"
#include "support/vlnet_lab.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using vltest::Events;
using vltest::startV1;

namespace
{

const char* kPassword = "Admin_123";

class Params : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        startLab({ "200", "1500", "1500", "300" },
            { "--generate", "8", "--seed", "5", "--inactive-percent", "0", "--reboot-seconds", "1" });
    }

    static std::string ip(int n) { return state(n)["network"]["ip"].asString(); }

    // A logged-in media session to device n.
    static int login(Events& ev, int n, const char* user = "admin", const char* password = kPassword)
    {
        const int h = startV1(ev, ip(n), user, password);
        EXPECT_NE(h, 0);
        EXPECT_TRUE(ev.waitStatus(101));
        return h;
    }
};

// What the query callbacks got, and on which thread.
struct Collected {
    std::vector<std::vector<std::uint8_t>> headers;
    std::vector<std::vector<std::uint8_t>> records;
    std::vector<std::thread::id> threads;
    int headerSize = 0;
    int recordSize = 0;

    static void VLNET_CALL onHeader(const void* header, void* user)
    {
        auto* c = static_cast<Collected*>(user);
        const auto* p = static_cast<const std::uint8_t*>(header);
        c->headers.emplace_back(p, p + c->headerSize);
        c->threads.push_back(std::this_thread::get_id());
    }
    static int VLNET_CALL onRecord(const void* record, void* user)
    {
        auto* c = static_cast<Collected*>(user);
        const auto* p = static_cast<const std::uint8_t*>(record);
        c->records.emplace_back(p, p + c->recordSize);
        c->threads.push_back(std::this_thread::get_id());
        return 1;
    }
};

int query(int h, int message, int recordSize, Collected& c, int headerSize = 0)
{
    VLNET_QUERY_PARAM q;
    std::memset(&q, 0, sizeof q);
    q.command = message;
    q.header_size = headerSize;
    q.header_callback = &Collected::onHeader;
    q.record_size = recordSize;
    q.record_callback = &Collected::onRecord;
    q.user = &c;
    c.headerSize = headerSize;
    c.recordSize = recordSize;
    return VLNetQueryParam(h, &q);
}

VLNET_TIME_PARAM readTime(int h)
{
    Collected c;
    EXPECT_EQ(query(h, VLNET_PARAM_TIME, sizeof(VLNET_TIME_PARAM), c), 1);
    VLNET_TIME_PARAM t;
    std::memset(&t, 0, sizeof t);
    EXPECT_EQ(c.records.size(), 1u);
    if (c.records.size() == 1)
        std::memcpy(&t, c.records[0].data(), sizeof t);
    return t;
}

int writeTime(int h, const VLNET_TIME_PARAM& t)
{
    VLNET_SET_PARAM s;
    std::memset(&s, 0, sizeof s);
    s.command = VLNET_PARAM_TIME;
    s.record = &t;
    return VLNetSetParam(h, &s);
}

TEST_F(Params, TimeReadThenWrittenReadsBackWithTheClockRunningOn)
{
    Events ev;
    int h = login(ev, 1);
    Collected c;
    ASSERT_EQ(query(h, VLNET_PARAM_TIME, sizeof(VLNET_TIME_PARAM), c), 1);
    ASSERT_EQ(c.records.size(), 1u);
    EXPECT_TRUE(c.headers.empty()) << "the time has no header";
    for (auto id : c.threads)
        EXPECT_EQ(id, std::this_thread::get_id()) << "query callbacks run on the calling thread";
    VLNET_TIME_PARAM t;
    std::memcpy(&t, c.records[0].data(), sizeof t);
    EXPECT_EQ(t.size, 292);
    EXPECT_EQ(t.time_zone, 14);
    EXPECT_EQ(t.use_ntp, 0);
    EXPECT_EQ(t.date_mode, 1);
    EXPECT_GE(t.year, 26);

    // Zone +4:30, NTP on, and the clock set to a leap day.
    t.use_ntp = 1;
    t.time_zone = 20;
    t.ie_change_time = 1;
    t.year = 2032 - 2000;
    t.month = 2;
    t.day = 29;
    t.hour = 23;
    t.minute = 59;
    t.second = 50;
    ASSERT_EQ(writeTime(h, t), 1);
    const Json::Value time = state(1)["time"];
    EXPECT_EQ(time["zone"].asInt(), 20);
    EXPECT_TRUE(time["ntp"].asBool());

    const VLNET_TIME_PARAM back = readTime(h);
    EXPECT_EQ(back.time_zone, 20);
    EXPECT_EQ(back.use_ntp, 1);
    EXPECT_EQ(back.year, 32);
    EXPECT_EQ(back.month, 2);
    EXPECT_EQ(back.day, 29);
    EXPECT_EQ(back.hour, 23);
    EXPECT_EQ(back.minute, 59);
    EXPECT_GE(back.second, 50);
    EXPECT_LE(back.second, 58) << "the set time runs on from where it was set";

    // The structure form of the Ex call reads the same record.
    VLNET_TIME_PARAM ex;
    std::memset(&ex, 0, sizeof ex);
    ex.size = sizeof ex;
    VLNET_QUERY_PARAM_EX qx { VLNET_PARAM_TIME, 0, &ex, sizeof ex, { 0, 0, 0, 0 } };
    ASSERT_EQ(VLNetQueryParamEx(h, &qx), 1);
    EXPECT_EQ(ex.time_zone, 20);
    EXPECT_EQ(ex.day, 29);

    // Without ie_change_time the clock stays; a zone or date out of range
    // is refused and changes nothing.
    VLNET_TIME_PARAM zoneOnly = back;
    zoneOnly.ie_change_time = 0;
    zoneOnly.year = 5;
    zoneOnly.time_zone = 14;
    zoneOnly.use_ntp = 0;
    ASSERT_EQ(writeTime(h, zoneOnly), 1);
    const VLNET_TIME_PARAM utc = readTime(h);
    EXPECT_EQ(utc.time_zone, 14);
    EXPECT_EQ(utc.use_ntp, 0);
    EXPECT_EQ(utc.year, 32) << "only the zone changed: the clock shows 19:29 of the same day";
    EXPECT_EQ(utc.hour, 19);

    struct Bad {
        const char* what;
        int zone, month, day, hour;
    };
    for (const Bad& bad : { Bad { "zone 34", 34, 3, 1, 0 }, Bad { "30 February", 14, 2, 30, 0 },
             Bad { "month 13", 14, 13, 1, 0 }, Bad { "hour 24", 14, 3, 1, 24 } }) {
        VLNET_TIME_PARAM w = back;
        w.ie_change_time = 1;
        w.time_zone = std::uint8_t(bad.zone);
        w.month = std::uint8_t(bad.month);
        w.day = std::uint8_t(bad.day);
        w.hour = std::uint8_t(bad.hour);
        EXPECT_EQ(writeTime(h, w), 0) << bad.what;
    }
    EXPECT_EQ(state(1)["time"]["zone"].asInt(), 14);
    VLNetConnectionStop(&h);
}

TEST_F(Params, VersionStructureCarriesTheFirmwareText)
{
    Events ev;
    int h = login(ev, 2);
    std::vector<char> buffer(VLNET_PARAM_VERSION_SIZE, '\x55');
    const std::int32_t size = VLNET_PARAM_VERSION_SIZE;
    std::memcpy(buffer.data(), &size, 4);
    VLNET_QUERY_PARAM_EX q { VLNET_PARAM_VERSION, 0, buffer.data(), VLNET_PARAM_VERSION_SIZE,
        { 0, 0, 0, 0 } };
    ASSERT_EQ(VLNetQueryParamEx(h, &q), 1);
    const std::string firmware = state(2)["firmware"].asString();
    ASSERT_FALSE(firmware.empty());
    EXPECT_EQ(std::string(buffer.data() + VLNET_PARAM_VERSION_TEXT), firmware);
    EXPECT_EQ(buffer[10], 0) << "the rest of the structure is the device's, not the caller's bytes";

    // The version is read only.
    VLNET_SET_PARAM s;
    std::memset(&s, 0, sizeof s);
    s.command = VLNET_PARAM_VERSION;
    s.record = buffer.data();
    EXPECT_EQ(VLNetSetParam(h, &s), 0);
    VLNetConnectionStop(&h);
}

TEST_F(Params, RefusedRequestsAnswerZeroWithoutCallbacks)
{
    Events ev;
    int h = login(ev, 3);
    takeReceived(3, "");
    Collected c;
    EXPECT_EQ(query(h, VLNET_PARAM_TIME, 200, c), 0) << "a size that is not the message's";
    EXPECT_EQ(query(h, VLNET_PARAM_TIME, sizeof(VLNET_TIME_PARAM), c, 48), 0) << "a header it has not";
    EXPECT_EQ(query(h, 9999, 16, c), 0) << "a message the device does not know";
    EXPECT_TRUE(c.records.empty());
    EXPECT_TRUE(c.headers.empty());
    VLNET_QUERY_PARAM noCallback;
    std::memset(&noCallback, 0, sizeof noCallback);
    noCallback.command = VLNET_PARAM_TIME;
    noCallback.record_size = sizeof(VLNET_TIME_PARAM);
    EXPECT_EQ(VLNetQueryParam(h, &noCallback), 0);
    EXPECT_EQ(VLNetQueryParam(h, nullptr), 0);
    EXPECT_EQ(query(12345, VLNET_PARAM_TIME, sizeof(VLNET_TIME_PARAM), c), 0) << "no such handle";

    // A buffer of another size is left as it was.
    std::vector<std::uint8_t> small(100, 0xAB);
    VLNET_QUERY_PARAM_EX qx { VLNET_PARAM_TIME, 0, small.data(), 100, { 0, 0, 0, 0 } };
    EXPECT_EQ(VLNetQueryParamEx(h, &qx), 0);
    EXPECT_EQ(small, std::vector<std::uint8_t>(100, 0xAB));

    // A list of a message whose record size the stand-in does not know, and
    // a request with both forms or neither, never leave.
    std::vector<std::uint8_t> records(64);
    VLNET_SET_PARAM s;
    std::memset(&s, 0, sizeof s);
    s.command = 9999;
    s.records = records.data();
    s.record_count = 4;
    EXPECT_EQ(VLNetSetParam(h, &s), 0);
    s.command = VLNET_PARAM_TIME;
    s.record = records.data();
    EXPECT_EQ(VLNetSetParam(h, &s), 0);
    s.record = nullptr;
    s.records = nullptr;
    EXPECT_EQ(VLNetSetParam(h, &s), 0);
    s.records = records.data();
    s.record_count = 0;
    EXPECT_EQ(VLNetSetParam(h, &s), 0);
    EXPECT_TRUE(takeReceived(3, "SET_PARAM").empty());
    VLNetConnectionStop(&h);
}

TEST_F(Params, UserWithoutTheSettingsRightGetsTwo)
{
    sim->must(R"({"cmd":"set","device":4,"state":{"users":[{"name":"viewer","password":"View_1234",)"
              R"("rights":{"settings":false}}]}})");
    Events ev;
    int h = login(ev, 4, "viewer", "View_1234");
    VLNET_TIME_PARAM t = readTime(h); // reading needs only the login
    EXPECT_EQ(t.size, 292);
    t.time_zone = 3;
    EXPECT_EQ(writeTime(h, t), 2);
    EXPECT_EQ(state(4)["time"]["zone"].asInt(), 14);
    const auto got = takeReceived(4, "SET_PARAM");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0]["result"].asInt(), -6);
    EXPECT_EQ(got[0]["msg"].asInt(), VLNET_PARAM_TIME);
    VLNetConnectionStop(&h);
}

struct TestCalls {
    std::atomic<int> calls { 0 };
    std::atomic<int> command { 0 };
    std::atomic<int> result { 0 };
    std::atomic<int> handle { 0 };
    std::thread::id thread;
    std::mutex lock;

    static void VLNET_CALL onResult(int handle, int command, int result, void* user)
    {
        auto* t = static_cast<TestCalls*>(user);
        {
            std::lock_guard<std::mutex> hold(t->lock);
            t->thread = std::this_thread::get_id();
        }
        t->handle = handle;
        t->command = command;
        t->result = result;
        ++t->calls;
    }
};

TEST_F(Params, RemoteRebootAnswersThenTheDeviceRebootsAndTheSessionComesBack)
{
    Events ev;
    int h = login(ev, 5);
    const int bootsBefore = state(5)["boots"].asInt();
    TestCalls calls;
    VLNET_REMOTE_TEST unknown;
    std::memset(&unknown, 0, sizeof unknown);
    unknown.command = 999;
    unknown.user = &calls;
    unknown.callback = &TestCalls::onResult;
    EXPECT_EQ(VLNetRemoteTest(h, &unknown), 0);
    EXPECT_EQ(VLNetRemoteTest(h, nullptr), 0);

    VLNET_REMOTE_TEST reboot = unknown;
    reboot.command = VLNET_TEST_REBOOT;
    EXPECT_NE(VLNetRemoteTest(h, &reboot), 0);
    ASSERT_TRUE(vltest::pollUntil([&] { return calls.calls.load() > 0; }, 10000));
    EXPECT_EQ(calls.command.load(), VLNET_TEST_REBOOT);
    EXPECT_EQ(calls.handle.load(), h);
    EXPECT_EQ(calls.result.load(), 1);
    {
        std::lock_guard<std::mutex> hold(calls.lock);
        EXPECT_NE(calls.thread, std::this_thread::get_id());
    }
    // The session drops with the reboot and logs in again once it is back.
    ASSERT_TRUE(ev.waitFor([&] { return ev.statuses.size() >= 5 && ev.statuses.back() == 101; }, 15000));
    EXPECT_EQ(ev.statusList(), (std::vector<int> { 0, 101, 2, 0, 101 }));
    EXPECT_GT(state(5)["boots"].asInt(), bootsBefore);
    EXPECT_EQ(calls.calls.load(), 1) << "one callback for one accepted test";
    VLNetConnectionStop(&h);
    const auto got = takeReceived(5, "REMOTE_TEST");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0]["result"].asInt(), -4);
    EXPECT_EQ(got[1]["result"].asInt(), 0);
}

} // namespace
