// The six multicast exports end to end, through the shared library, against
// 50 simulated devices in the network lab: a search finds every device with
// its data, an activation sets new devices' first password, an update moves
// a device, and stops behave as their contract says.
#include "common/json.h"
#include "hex.h"
#include "multicast/base64.h"
#include "support/devsim.h"
#include "vl_sdk_wrapper.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <json/json.h>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono;
using vltest::Devsim;

namespace
{

constexpr int kDevices = 50;

Json::Value parse(const std::string& text)
{
    Json::Value v;
    EXPECT_TRUE(vljson::parse(text, v)) << text;
    return v;
}

std::string compact(const Json::Value& v)
{
    return vljson::write_compact(v);
}

// What one operation delivered: the texts in order and whether the final
// null text has come.
struct Results {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::string> texts;
    bool ended = false;
    bool after_end = false; // a call after the null text
    std::set<std::thread::id> threads;

    static void VL_CALL on_result(const char* json, void* user)
    {
        auto* r = static_cast<Results*>(user);
        std::lock_guard<std::mutex> hold(r->lock);
        r->after_end |= r->ended;
        r->threads.insert(std::this_thread::get_id());
        if (json)
            r->texts.emplace_back(json);
        else
            r->ended = true;
        r->changed.notify_all();
    }
    bool wait_end(milliseconds limit)
    {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, limit, [&] { return ended; });
    }
    std::vector<Json::Value> objects()
    {
        std::lock_guard<std::mutex> hold(lock);
        std::vector<Json::Value> out;
        for (const auto& t : texts)
            out.push_back(parse(t));
        return out;
    }
};

class MultiExportsLab : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        sim = new Devsim(
            { "--generate", std::to_string(kDevices), "--seed", "11", "--inactive-percent", "20" });
    }
    static void TearDownTestSuite()
    {
        EXPECT_TRUE(sim->stopCleanly()) << sim->log();
        delete sim;
        sim = nullptr;
    }

    static Json::Value state(int n)
    {
        return sim->must("{\"cmd\":\"get\",\"device\":" + std::to_string(n) + "}")["state"];
    }
    static std::string id_text(const Json::Value& state)
    {
        return vlsdk::multicast_base64_encode(unhex(state["dev_id"].asString()));
    }
    static std::string key_text(const Json::Value& state)
    {
        return vlsdk::multicast_base64_encode(
            std::string(1, char(0xB0)) + unhex(state["keys"]["public"].asString()));
    }

    // Waits, for at most 10 s, until device n has read a multicast request
    // since its list of what it received was last cleared; clears it.
    static bool read_a_request(int n)
    {
        const auto deadline = steady_clock::now() + seconds(10);
        for (;;) {
            const Json::Value got = sim->must(
                "{\"cmd\":\"received\",\"clear\":true,\"device\":" + std::to_string(n) + "}")["received"];
            for (const auto& r : got)
                if (r["transport"].asString() == "multicast")
                    return true;
            if (steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(milliseconds(20));
        }
    }

    // A whole search; the results by mac.
    static std::vector<Json::Value> search(const std::string& request = R"({"delay": 300, "timeout": 2000})")
    {
        Results results;
        multicast_handle* handle = vl_start_multi_search(request.c_str(), Results::on_result, &results);
        EXPECT_NE(handle, nullptr);
        EXPECT_TRUE(results.wait_end(seconds(15)));
        EXPECT_EQ(vl_stop_multi_search(handle), 0);
        EXPECT_FALSE(results.after_end);
        EXPECT_EQ(results.threads.size(), 1u);
        EXPECT_EQ(results.threads.count(std::this_thread::get_id()), 0u);
        return results.objects();
    }

    static std::vector<Json::Value> run_entries(
        multicast_handle* (*start)(const char*, vl_json_callback, void*), int (*stop)(multicast_handle*),
        const Json::Value& devices, int timeout)
    {
        Json::Value data(Json::objectValue);
        data["device"] = devices;
        Json::Value request(Json::objectValue);
        request["delay"] = 200;
        request["timeout"] = timeout;
        request["data"] = compact(data);
        Results results;
        multicast_handle* handle = start(compact(request).c_str(), Results::on_result, &results);
        EXPECT_NE(handle, nullptr);
        EXPECT_TRUE(results.wait_end(seconds(30)));
        EXPECT_EQ(stop(handle), 0);
        EXPECT_FALSE(results.after_end);
        return results.objects();
    }

    static Devsim* sim;
};

Devsim* MultiExportsLab::sim = nullptr;

} // namespace

TEST_F(MultiExportsLab, ASearchFindsEveryDeviceWithItsData)
{
    const auto found = search();
    ASSERT_EQ(found.size(), std::size_t(kDevices));

    std::map<std::string, Json::Value> by_mac;
    std::uint32_t last_ip = 0;
    for (const auto& r : found) {
        by_mac[r["mac"].asString()] = r;
        // Ascending by address.
        std::uint32_t ip = 0;
        unsigned a, b, c, d;
        ASSERT_EQ(std::sscanf(r["wired ip"].asCString(), "%u.%u.%u.%u", &a, &b, &c, &d), 4);
        ip = a << 24 | b << 16 | c << 8 | d;
        EXPECT_GT(ip, last_ip);
        last_ip = ip;
    }
    ASSERT_EQ(by_mac.size(), std::size_t(kDevices)) << "one result per device";

    for (int n = 0; n < kDevices; ++n) {
        const Json::Value s = state(n);
        ASSERT_TRUE(by_mac.count(s["mac"].asString())) << n;
        const Json::Value& r = by_mac[s["mac"].asString()];
        EXPECT_EQ(r["wired ip"].asString(), s["network"]["ip"].asString());
        EXPECT_EQ(r["wired mask"].asString(), s["network"]["mask"].asString());
        EXPECT_EQ(r["wired gateway"].asString(), s["network"]["gateway"].asString());
        EXPECT_EQ(r["dhcp"].asString(), s["network"]["dhcp"].asBool() ? "dhcp" : "static");
        EXPECT_EQ(r["web port"].asUInt(), s["network"]["web_port"].asUInt());
        EXPECT_EQ(r["media port"].asUInt(), s["network"]["media_port"].asUInt());
        EXPECT_EQ(r["dev name"].asString(), s["name"].asString());
        EXPECT_EQ(r["dev type"].asString(), s["model"].asString());
        EXPECT_EQ(r["software"].asString(), s["firmware"].asString());
        EXPECT_EQ(r["serial number"].asString(), s["serial"].asString());
        EXPECT_EQ(r["manufacture"].asString(), s["manufacturer"].asString());
        EXPECT_EQ(r["channel num"].asUInt(), s["channels"].size());
        EXPECT_EQ(r["activated"].asBool(), s["activated"].asBool());
        EXPECT_EQ(r["dev id"].asString(), id_text(s));
        EXPECT_EQ(r["dev enc"].asString(), key_text(s));
        EXPECT_TRUE(r["dev_limit"].isObject());
        EXPECT_EQ(r["dev_limit"]["dev_name"]["max_length"].asUInt(), 32u);
        EXPECT_FALSE(r.isMember("is first login"));
    }
}

TEST_F(MultiExportsLab, ASearchForOneMakerGetsOnlyItsDevicesWithTheExtendedKeys)
{
    // Two devices of maker 313, asked for by a customer's code of that maker.
    for (int n : { 7, 8 })
        sim->must(
            "{\"cmd\":\"set\",\"device\":" + std::to_string(n) + ",\"state\":{\"manufacturer\":\"313\"}}");
    const auto found = search(R"({"delay": 100, "timeout": 1500, "manufactures": ["GRD"]})");
    const auto all = search(R"({"delay": 100, "timeout": 1500, "manufactures": ["1"]})");
    for (int n : { 7, 8 })
        sim->must(
            "{\"cmd\":\"set\",\"device\":" + std::to_string(n) + ",\"state\":{\"manufacturer\":\"1\"}}");

    ASSERT_EQ(found.size(), 2u);
    for (const auto& r : found) {
        EXPECT_EQ(r["manufacture"].asString(), "313");
        EXPECT_EQ(r["is first login"].asBool(), !r["activated"].asBool());
        EXPECT_TRUE(r["input pin count"].isUInt());
        EXPECT_TRUE(r["output pin count"].isUInt());
        EXPECT_TRUE(r["support two way talk"].isInt());
    }
    ASSERT_EQ(all.size(), std::size_t(kDevices - 2));
    EXPECT_FALSE(all[0].isMember("is first login")) << "maker 1 asks for no extended results";
}

// Devices that answer badly do not spoil the search for the others: answers
// that cannot be opened, are not ours or do not parse (a text that is not
// UTF-8) are left out; an answer padded past the buffer and sent three times
// is one device.
TEST_F(MultiExportsLab, BadAnswersAreLeftOut)
{
    sim->must(R"({"cmd":"multicast","device":3,"bad_utf8":true})");
    sim->must(R"({"cmd":"multicast","device":4,"bad_tag":true})");
    sim->must(R"({"cmd":"multicast","device":5,"wrong_prefix":true})");
    sim->must(R"({"cmd":"multicast","device":6,"oversize":true,"duplicate":3})");
    const auto found = search(R"({"delay": 200, "timeout": 1500})");
    for (int n : { 3, 4, 5, 6 })
        sim->must("{\"cmd\":\"multicast\",\"device\":" + std::to_string(n) + ",\"clear\":true}");
    std::set<std::string> macs;
    for (const auto& r : found)
        macs.insert(r["mac"].asString());
    EXPECT_EQ(found.size(), std::size_t(kDevices - 3));
    EXPECT_EQ(macs.size(), found.size());
    EXPECT_FALSE(macs.count(state(3)["mac"].asString()));
    EXPECT_FALSE(macs.count(state(4)["mac"].asString()));
    EXPECT_FALSE(macs.count(state(5)["mac"].asString()));
    EXPECT_TRUE(macs.count(state(6)["mac"].asString()));
}

TEST_F(MultiExportsLab, AnActivationSetsTheFirstPasswordOnce)
{
    Json::Value devices(Json::arrayValue);
    std::vector<int> fresh;
    for (int n = 0; n < kDevices; ++n) {
        const Json::Value s = state(n);
        if (s["activated"].asBool())
            continue;
        fresh.push_back(n);
        Json::Value d(Json::objectValue);
        d["id"] = id_text(s);
        d["key"] = key_text(s);
        d["password"] = "First_pass9";
        devices.append(d);
    }
    ASSERT_FALSE(fresh.empty()) << "the simulated set has new devices";
    // A device that is not there is reported as silent.
    Json::Value ghost(Json::objectValue);
    ghost["id"] = vlsdk::multicast_base64_encode(std::string(16, 'g'));
    ghost["key"] = key_text(state(fresh[0]));
    ghost["password"] = "First_pass9";
    devices.append(ghost);

    auto first = run_entries(vl_start_multi_activate, vl_stop_multi_activate, devices, 1500);
    ASSERT_EQ(first.size(), devices.size());
    for (Json::ArrayIndex i = 0; i < devices.size(); ++i) {
        EXPECT_EQ(first[i]["dev id"].asString(), devices[i]["id"].asString()) << "request order";
        EXPECT_EQ(first[i]["result"].asString(), i + 1 < devices.size() ? "success" : "no response") << i;
    }
    for (int n : fresh) {
        const Json::Value s = state(n);
        EXPECT_TRUE(s["activated"].asBool()) << n;
        bool admin = false;
        for (const auto& u : s["users"])
            admin |= u["name"].asString() == "admin" && u["password"].asString() == "First_pass9";
        EXPECT_TRUE(admin) << n;
    }

    Json::Value again(Json::arrayValue);
    again.append(devices[0]);
    auto second = run_entries(vl_start_multi_activate, vl_stop_multi_activate, again, 1000);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0]["result"].asString(), "device is activated");
}

TEST_F(MultiExportsLab, AnUpdateMovesADeviceAndTheNextSearchSeesItThere)
{
    // Two activated devices that keep the simulator's own password.
    std::vector<int> picked;
    for (int i = kDevices - 1; i >= 0 && picked.size() < 2; --i) {
        const Json::Value s = state(i);
        if (!s["activated"].asBool())
            continue;
        for (const auto& u : s["users"])
            if (u["name"].asString() == "admin" && u["password"].asString() == "Admin_123")
                picked.push_back(i);
    }
    ASSERT_EQ(picked.size(), 2u);
    const int n = picked[0];
    const Json::Value before = state(n);
    const std::string new_ip = "192.168.3.77";

    Json::Value info(Json::objectValue);
    info["wired ip"] = new_ip;
    info["wired mask"] = before["network"]["mask"];
    info["wired gateway"] = before["network"]["gateway"];
    info["dhcp"] = "static";
    Json::Value d(Json::objectValue);
    d["id"] = id_text(before);
    d["key"] = key_text(before);
    d["username"] = "admin";
    d["password"] = "Admin_123";
    d["info"] = compact(info);
    Json::Value wrong = d;
    wrong["password"] = "Not_the_one1";
    wrong["id"] = id_text(state(picked[1]));
    wrong["key"] = key_text(state(picked[1]));
    Json::Value devices(Json::arrayValue);
    devices.append(d);
    devices.append(wrong);

    const auto t0 = steady_clock::now();
    auto results = run_entries(vl_start_multi_update, vl_stop_multi_update, devices, 1200);
    EXPECT_GE(duration_cast<milliseconds>(steady_clock::now() - t0).count(), 2400) << "two passes";
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0]["dev id"].asString(), d["id"].asString());
    EXPECT_EQ(results[0]["result"].asString(), "success");
    EXPECT_EQ(results[1]["result"].asString(), "check error");
    EXPECT_EQ(state(n)["network"]["ip"].asString(), new_ip);

    bool seen = false;
    for (const auto& r : search(R"({"delay": 200, "timeout": 1500})"))
        if (r["mac"].asString() == before["mac"].asString()) {
            EXPECT_EQ(r["wired ip"].asString(), new_ip);
            seen = true;
        }
    EXPECT_TRUE(seen);
}

TEST_F(MultiExportsLab, StopsMidRunAndFromInsideTheCallback)
{
    // Mid-run: what was heard so far and the null text come before the stop returns.
    for (int n = 0; n < kDevices; ++n)
        sim->must("{\"cmd\":\"received\",\"clear\":true,\"device\":" + std::to_string(n) + "}");
    Results results;
    multicast_handle* handle
        = vl_start_multi_search(R"({"delay": 0, "timeout": 10000})", Results::on_result, &results);
    ASSERT_NE(handle, nullptr);
    // The stop comes once every device has read the search: with no delay a
    // device answers as it reads, so every answer is on its way by then.
    for (int n = 0; n < kDevices; ++n)
        EXPECT_TRUE(read_a_request(n)) << n;
    const auto t0 = steady_clock::now();
    EXPECT_EQ(vl_stop_multi_search(handle), 0);
    EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - t0).count(), 2000);
    {
        std::lock_guard<std::mutex> hold(results.lock);
        EXPECT_TRUE(results.ended);
        EXPECT_EQ(results.texts.size(), std::size_t(kDevices));
    }

    // From inside the callback: refused; the operation ends as usual.
    struct Inside {
        std::atomic<multicast_handle*> handle { nullptr };
        std::vector<int> results;
        std::atomic<bool> ended { false };
    } inside;
    auto callback = [](const char* json, void* user) {
        auto* in = static_cast<Inside*>(user);
        while (!in->handle.load())
            std::this_thread::yield();
        in->results.push_back(vl_stop_multi_search(in->handle.load()));
        in->results.push_back(vl_stop_multi_update(in->handle.load()));
        if (!json)
            in->ended = true;
    };
    handle = vl_start_multi_search(R"({"delay": 50, "timeout": 500})", callback, &inside);
    ASSERT_NE(handle, nullptr);
    inside.handle = handle;
    // Stopped only once the operation has ended by itself: a stop while it
    // listens would end the pass early and leave devices unheard.
    const auto deadline = steady_clock::now() + seconds(10);
    while (!inside.ended && steady_clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(20));
    EXPECT_EQ(vl_stop_multi_search(handle), 0);
    ASSERT_EQ(inside.results.size(), 2u * (kDevices + 1));
    for (int r : inside.results)
        EXPECT_EQ(r, -1);
}
