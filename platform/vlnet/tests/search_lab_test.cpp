// The stand-in's LAN searches against a few hundred simulated devices in the
// lab: the broadcast search finds each once (all their answers come at
// once), a range search asks only its range, a started search reports
// changes until it is stopped, and offline, silent or slow devices are
// missed as they should be.
#include "events.h"
#include "search_events.h"
#include "support/devsim.h"
#include "support/vlnet_lab.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

using vltest::Lab;
using vltest::rangeRecord;
using vltest::SearchEvents;
using vltest::searchRecord;

namespace
{

constexpr int kDevices = 400;

class SearchLab : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        startLab({ "200", "1500", "1500", "300" }, { "--generate", std::to_string(kDevices), "--seed", "5" });
    }
    void TearDown() override
    {
        for (int n : { 3, 4, 5 })
            sim->must("{\"cmd\":\"fault\",\"device\":" + std::to_string(n) + ",\"clear\":true}");
        VlnetLabSuite::TearDown();
    }

    static void fault(int n, const char* key, const Json::Value& value)
    {
        Json::Value r(Json::objectValue);
        r["cmd"] = "fault";
        r["device"] = n;
        r[key] = value;
        sim->must(r);
    }
    static std::vector<Json::Value> probes(int n) { return takeReceived(n, "PROBE"); }
    static void clearReceived(int n) { probes(n); }
};

std::string text(const char* slot, std::size_t size)
{
    return std::string(slot, strnlen(slot, size));
}

TEST_F(SearchLab, BroadcastFindsEveryDeviceOnceAfterTheDefaultTime)
{
    fault(3, "offline", true);
    fault(4, "drop", true);
    fault(5, "delay_ms", 400);
    clearReceived(0);

    SearchEvents e;
    auto s = searchRecord(e, 7, 0); // as the program fills it: no time-out
    ASSERT_EQ(VLNetSearchDev(&s), 1);
    ASSERT_TRUE(e.waitEnd(10000));
    EXPECT_GE(e.msToEnd(), VLNET_SEARCH_DEFAULT_TIMEOUT_MS - 50) << "time-out 0 is the default, not at once";
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(e.clean());
    EXPECT_EQ(e.endCount(), 1);

    std::set<std::string> found;
    for (const auto& ip : e.ips())
        EXPECT_TRUE(found.insert(ip).second) << ip << " reported twice";
    std::set<std::string> expected;
    for (int n = 0; n < kDevices; ++n)
        if (n != 3 && n != 4)
            expected.insert(Lab::deviceIp4(n));
    EXPECT_EQ(found.size(), expected.size());
    EXPECT_EQ(found, expected)
        << "every device that answers, the slow one too; the offline and the silent not";

    // One record against the device's own state.
    const Json::Value dev = state(0);
    VLNET_SEARCH_DEV_RSP r {};
    for (const auto& rec : e.list())
        if (text(rec.ip, 16) == Lab::deviceIp4(0))
            r = rec;
    EXPECT_EQ(text(r.mac_addr, 36), dev["mac"].asString());
    EXPECT_EQ(text(r.serialnum, 32), dev["serial"].asString());
    EXPECT_EQ(text(r.device_name, 36), dev["name"].asString().substr(0, 36));
    EXPECT_EQ(text(r.device_type, 28), dev["model"].asString().substr(0, 28));
    EXPECT_EQ(text(r.device_version, 36), dev["firmware"].asString());
    EXPECT_EQ(r.channel_number, dev["channels"].size());
    EXPECT_EQ(r.sys_channel_num, dev["channels"].size());
    EXPECT_EQ(r.media_port, dev["network"]["media_port"].asUInt());
    EXPECT_EQ(r.is_first_login, dev["activated"].asBool() ? 0 : 1);
    EXPECT_EQ((r.dev_type_h >> 8) & 0xF, dev["device_type"].asUInt());
    EXPECT_EQ(r.ipv6[0], 0xFD) << "fd00:168:0:1::10";
    EXPECT_GE(r.system_time.month, 1);
    EXPECT_LE(r.system_time.month, 12);
    EXPECT_GE(r.system_time.year, 2024);

    // The probe was a broadcast, and carried the start record's type byte.
    auto got = probes(0);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0]["to"], "255.255.255.255");
    EXPECT_EQ(got[0]["oem_type"].asInt(), 7);
}

TEST_F(SearchLab, ADeviceThatAnswersLateIsMissedByAShortSearch)
{
    fault(5, "delay_ms", 4000);
    SearchEvents e;
    auto s = rangeRecord(e, Lab::deviceIp4(4), Lab::deviceIp4(6), 0, 1500);
    ASSERT_EQ(VLNetSearchDevPoint2Point(&s), 1);
    ASSERT_TRUE(e.waitEnd());
    const auto ips = e.ips();
    EXPECT_EQ(std::set<std::string>(ips.begin(), ips.end()),
        (std::set<std::string> { Lab::deviceIp4(4), Lab::deviceIp4(6) }));
    EXPECT_TRUE(e.clean());
}

TEST_F(SearchLab, RangeSearchAsksEveryAddressOfItsRangeAndNoOther)
{
    for (int n : { 9, 10, 14, 15 })
        clearReceived(n);
    SearchEvents e;
    auto s = rangeRecord(e, Lab::deviceIp4(10), Lab::deviceIp4(14), 3, 2000);
    ASSERT_EQ(VLNetSearchDevPoint2Point(&s), 1);
    ASSERT_TRUE(e.waitEnd());
    const auto ips = e.ips();
    EXPECT_EQ(ips.size(), 5u);
    std::set<std::string> expected;
    for (int n = 10; n <= 14; ++n)
        expected.insert(Lab::deviceIp4(n));
    EXPECT_EQ(std::set<std::string>(ips.begin(), ips.end()), expected);
    EXPECT_TRUE(e.clean());

    auto asked = probes(10);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0]["to"], Lab::deviceIp4(10)) << "asked at its own address";
    EXPECT_EQ(asked[0]["oem_type"].asInt(), 3);
    EXPECT_EQ(probes(14).size(), 1u);
    EXPECT_TRUE(probes(9).empty());
    EXPECT_TRUE(probes(15).empty());
}

TEST_F(SearchLab, StartedSearchReportsARenamedDeviceAgainUntilStopped)
{
    SearchEvents e;
    const std::string first = Lab::deviceIp4(20), last = Lab::deviceIp4(21);
    auto s = vltest::startedRecord(e, first.c_str(), last.c_str(), 300);
    int handle = VLNetStartSearchDevice(&s);
    ASSERT_NE(handle, 0);
    ASSERT_TRUE(e.waitRecords(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(700)); // two more rounds
    EXPECT_EQ(e.list().size(), 2u) << "unchanged devices are not reported again";

    sim->must(R"({"cmd":"set","device":20,"state":{"name":"Renamed 20"}})");
    ASSERT_TRUE(e.waitRecords(3));
    EXPECT_EQ(text(e.list()[2].device_name, 36), "Renamed 20");

    EXPECT_EQ(VLNetStopSearchDevice(&handle), 1);
    e.stopped = true;
    EXPECT_EQ(e.endCount(), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_TRUE(e.clean());
}

} // namespace
