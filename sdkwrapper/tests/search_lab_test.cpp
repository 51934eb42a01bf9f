// The LAN search exports end to end against simulated devices in the lab:
// a range search finds the devices of its range and none outside it, a
// search with one address searches by broadcast, the JSON texts show what
// the devices are, and the started search ends with its stop.
#include "common/json.h"
#include "support/devsim.h"
#include "support/vlnet_lab.h"
#include "vl_sdk_wrapper.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <gtest/gtest.h>
#include <json/json.h>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

using vltest::Lab;

namespace
{

constexpr int kDevices = 24;

// What one search delivered: the found devices by "ip", and its ends.
struct Found {
    std::mutex lock;
    std::condition_variable changed;
    std::map<std::string, Json::Value> devices;
    int texts = 0;
    int ends = 0;
    std::atomic<bool> stopped { false };
    std::atomic<int> late { 0 };

    static void VL_CALL callback(const char* json, void* user)
    {
        auto* f = static_cast<Found*>(user);
        if (f->stopped)
            ++f->late;
        std::lock_guard<std::mutex> hold(f->lock);
        if (!json) {
            ++f->ends;
        } else {
            Json::Value v;
            EXPECT_TRUE(vljson::parse(json, v)) << json;
            ++f->texts;
            f->devices[v["ip"].asString()] = v;
        }
        f->changed.notify_all();
    }
    bool waitEnd(int ms = 10000)
    {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, std::chrono::milliseconds(ms), [&] { return ends > 0; });
    }
    bool waitTexts(int n, int ms = 10000)
    {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, std::chrono::milliseconds(ms), [&] { return texts >= n; });
    }
    std::set<std::string> ips()
    {
        std::lock_guard<std::mutex> hold(lock);
        std::set<std::string> out;
        for (const auto& [ip, v] : devices)
            out.insert(ip);
        return out;
    }
};

class SearchExportsLab : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        startLab({ "200", "1500", "1500", "300" }, { "--generate", std::to_string(kDevices), "--seed", "8" });
    }
    static std::vector<Json::Value> probes(int n) { return takeReceived(n, "PROBE"); }
    static std::set<std::string> range(int first, int last)
    {
        std::set<std::string> out;
        for (int n = first; n <= last; ++n)
            out.insert(Lab::deviceIp4(n));
        return out;
    }
};

TEST_F(SearchExportsLab, RangeSearchFindsItsDevicesAndNoneOutside)
{
    probes(3);
    Found f;
    Json::Value request(Json::objectValue);
    request["oem type"] = "dorvex_ez"; // OEM type 11: pins and talk too
    request["start ip"] = Lab::deviceIp4(3);
    request["stop ip"] = Lab::deviceIp4(8);
    // Long enough for every device in range to answer on a busy machine.
    request["recv timeout millisecond"] = 2000;
    ASSERT_EQ(vl_search_device(vljson::write_compact(request).c_str(), &Found::callback, &f), 0);
    ASSERT_TRUE(f.waitEnd());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(f.ends, 1);
    EXPECT_EQ(f.texts, 6);
    EXPECT_EQ(f.ips(), range(3, 8));

    const Json::Value dev = state(3);
    const Json::Value& got = f.devices[Lab::deviceIp4(3)];
    EXPECT_EQ(got["mac addr"], dev["mac"]);
    EXPECT_EQ(got["serialnum"], dev["serial"]);
    EXPECT_EQ(got["device version"], dev["firmware"]);
    EXPECT_EQ(got["channel number"].asUInt(), dev["channels"].size());
    EXPECT_EQ(got["media port"].asUInt(), dev["network"]["media_port"].asUInt());
    EXPECT_EQ(got["network mode"], dev["network"]["dhcp"].asBool() ? "dhcp" : "static");
    EXPECT_EQ(got["is first login"].asInt(), dev["activated"].asBool() ? 0 : 1);
    EXPECT_EQ(got["input pin count"].asInt(), dev["alarm_in"].asInt());
    EXPECT_EQ(got["output pin count"].asInt(), dev["alarm_out"].asInt());
    EXPECT_TRUE(got.isMember("support two way talk"));
    EXPECT_EQ(got["system time"].asString().size(), 19u);
    EXPECT_EQ(got["ipv6"].asString().substr(0, 15), "fd00:0168:0000:");

    auto asked = probes(3);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0]["to"], Lab::deviceIp4(3)) << "a range search asks each address";
    EXPECT_EQ(asked[0]["oem_type"].asInt(), 11);
}

TEST_F(SearchExportsLab, OneAddressAloneSearchesByBroadcast)
{
    probes(0);
    Found f;
    ASSERT_EQ(vl_search_device(R"({"start ip": "192.168.1.12", "recv timeout millisecond": 65538000})",
                  &Found::callback, &f),
        0)
        << "65538000 ms is 2000 ms in 16 bits";
    ASSERT_TRUE(f.waitEnd(10000));
    EXPECT_EQ(f.ips(), range(0, kDevices - 1));
    auto asked = probes(0);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0]["to"], "255.255.255.255");
    EXPECT_EQ(asked[0]["oem_type"].asInt(), 0);
    EXPECT_FALSE(f.devices.begin()->second.isMember("input pin count"));
}

TEST_F(SearchExportsLab, StartedSearchRunsUntilItsStop)
{
    Found f;
    const std::string request = "{\"start ip\": \"" + Lab::deviceIp4(10) + "\", \"stop ip\": \""
        + Lab::deviceIp4(12) + "\", \"recv timeout millisecond\": 200}";
    vl_search_handle* search = vl_start_search_device(request.c_str(), &Found::callback, &f);
    ASSERT_NE(search, nullptr);
    ASSERT_TRUE(f.waitTexts(3));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(f.ends, 0) << "it goes on until stopped";
    EXPECT_EQ(f.ips(), range(10, 12));
    EXPECT_EQ(vl_stop_search_device(search), 0);
    f.stopped = true;
    EXPECT_EQ(f.ends, 1) << "the end comes before the stop returns";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(f.late.load(), 0);
}

} // namespace
