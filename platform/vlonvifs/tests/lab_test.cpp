// The VLOnvifs stand-in against simulated ONVIF devices in the lab: the
// WS-Discovery search, logins, the query and set of the network record, and
// the callback contract of both (many runs, so the sanitizer build sees the
// races if there are any).
#include "support/devsim.h"
#include "vlonvifs.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace
{

// What one search reported, with the checks of its contract.
struct Found {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<VLONVIF_SEARCH_DEV_RSP> records;
    int ends = 0;
    bool zeroPadded = true; // every byte after the record was zero
    std::set<std::thread::id> threads;
    std::atomic<bool> started { false }, stopped { false };
    std::atomic<int> inside { 0 }, early { 0 }, late { 0 }, overlaps { 0 }, recordsAfterEnd { 0 };
    std::function<void()> onRecord; // runs inside the callback

    static int VLONVIFS_CALL callback(const VLONVIF_SEARCH_DEV_RSP* record, void* user)
    {
        auto* f = static_cast<Found*>(user);
        if (!f->started)
            ++f->early;
        if (f->stopped)
            ++f->late;
        if (f->inside.fetch_add(1) != 0)
            ++f->overlaps;
        {
            std::lock_guard<std::mutex> hold(f->lock);
            f->threads.insert(std::this_thread::get_id());
            if (record) {
                if (f->ends)
                    ++f->recordsAfterEnd;
                f->records.push_back(*record);
                const auto* tail = reinterpret_cast<const unsigned char*>(record) + sizeof *record;
                for (std::size_t i = 0; i < VLONVIF_SEARCH_RECORD_BUFFER - sizeof *record; ++i)
                    f->zeroPadded = f->zeroPadded && tail[i] == 0;
            } else {
                ++f->ends;
            }
        }
        f->changed.notify_all();
        if (record && f->onRecord)
            f->onRecord();
        f->inside.fetch_sub(1);
        return 1;
    }
    bool waitEnd(int ms = 10000)
    {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, std::chrono::milliseconds(ms), [this] { return ends > 0; });
    }
    std::map<std::string, VLONVIF_SEARCH_DEV_RSP> byIp()
    {
        std::lock_guard<std::mutex> hold(lock);
        std::map<std::string, VLONVIF_SEARCH_DEV_RSP> out;
        for (const auto& r : records)
            out[r.ip] = r;
        return out;
    }
};

VLONVIF_SEARCH_HANDLE startSearch(Found& found)
{
    VLONVIF_SEARCH_START s;
    std::memset(&s, 0, sizeof s);
    s.callback = &Found::callback;
    s.user = &found;
    VLONVIF_SEARCH_HANDLE h = VLOnvifSearchDevStart(&s);
    found.started = true;
    return h;
}

class OnvifLab : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        // 40 devices, every fourth of them ONVIF-capable.
        sim = new vltest::Devsim(
            { "--generate", "40", "--seed", "5", "--inactive-percent", "0", "--onvif-percent", "25" });
        VLOnvifInit();
        ASSERT_TRUE(VLOnvifSetSearchTimeout(1, 1, 1));
    }
    static void TearDownTestSuite()
    {
        VLOnvifRelease();
        if (!sim)
            return;
        EXPECT_TRUE(sim->stopCleanly()) << sim->log();
        delete sim;
        sim = nullptr;
    }
    void TearDown() override
    {
        if (HasFailure() && sim)
            std::fprintf(stderr, "devsim log:\n%s\n", sim->log().c_str());
    }

    // The ONVIF-capable devices by IP, as devsim lists them.
    static std::map<std::string, Json::Value> onvifDevices()
    {
        std::map<std::string, Json::Value> out;
        const Json::Value list = sim->must(R"({"cmd":"list"})");
        for (const auto& d : list["devices"])
            if (d["onvif"].asBool())
                out[d["ip"].asString()] = d;
        return out;
    }
    static Json::Value state(int n)
    {
        Json::Value r(Json::objectValue);
        r["cmd"] = "get";
        r["device"] = n;
        return sim->must(r)["state"];
    }

    inline static vltest::Devsim* sim = nullptr;
};

TEST_F(OnvifLab, SearchFindsEveryOnvifDeviceWithAddressPortAndNames)
{
    const auto expected = onvifDevices();
    ASSERT_EQ(expected.size(), 10u);
    Found found;
    auto started = std::chrono::steady_clock::now();
    VLONVIF_SEARCH_HANDLE h = startSearch(found);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(found.waitEnd());
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_GE(took, std::chrono::milliseconds(900)) << "the search lasts its time";
    EXPECT_LT(took, std::chrono::milliseconds(3000));
    auto got = found.byIp();
    EXPECT_EQ(got.size(), found.records.size()) << "each device once";
    ASSERT_EQ(got.size(), expected.size());
    for (const auto& [ip, dev] : expected) {
        SCOPED_TRACE(ip);
        ASSERT_TRUE(got.count(ip));
        const auto& r = got[ip];
        const Json::Value s = state(dev["index"].asInt());
        EXPECT_EQ(r.web_port, dev["web_port"].asUInt());
        EXPECT_EQ(std::string(r.device_name), s["name"].asString());
        EXPECT_EQ(std::string(r.device_type), s["model"].asString());
        EXPECT_EQ(std::string(r.mac_addr), s["mac"].asString());
    }
    EXPECT_TRUE(found.zeroPadded);
    EXPECT_EQ(found.early.load(), 0);
    EXPECT_EQ(found.overlaps.load(), 0);
    EXPECT_EQ(found.threads.size(), 1u);
    EXPECT_EQ(VLOnvifSearchDevStop(&h), 1);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(found.ends, 1) << "one null record, also after a stop of an ended search";
    EXPECT_EQ(VLOnvifSearchDevStop(&h), 0);
}

TEST_F(OnvifLab, StoppedSearchesEndWithOneNullRecordBeforeStopReturns)
{
    std::mt19937 rng(7);
    for (int i = 0; i < 40; ++i) {
        SCOPED_TRACE(i);
        auto found = std::make_unique<Found>();
        VLONVIF_SEARCH_HANDLE h = startSearch(*found);
        ASSERT_NE(h, nullptr);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 600000));
        ASSERT_EQ(VLOnvifSearchDevStop(&h), 1);
        found->stopped = true;
        {
            std::lock_guard<std::mutex> hold(found->lock);
            ASSERT_EQ(found->ends, 1) << "the null record came before Stop returned";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_EQ(found->early.load(), 0);
        ASSERT_EQ(found->late.load(), 0);
        ASSERT_EQ(found->overlaps.load(), 0);
        ASSERT_EQ(found->recordsAfterEnd.load(), 0);
    }
}

TEST_F(OnvifLab, SearchStoppedFromItsOwnCallback)
{
    Found found;
    VLONVIF_SEARCH_HANDLE h = nullptr;
    std::atomic<int> stops { 0 };
    found.onRecord = [&] {
        if (stops++ == 0) {
            EXPECT_EQ(VLOnvifSearchDevStop(&h), 1);
        }
    };
    h = startSearch(found);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(found.waitEnd());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::lock_guard<std::mutex> hold(found.lock);
    EXPECT_EQ(found.ends, 1);
    EXPECT_EQ(found.records.size(), 1u) << "nothing after the stop but the null record";
    EXPECT_EQ(h, nullptr);
}

TEST_F(OnvifLab, RefusedStartsMakeNoCallback)
{
    EXPECT_EQ(VLOnvifSearchDevStart(nullptr), nullptr);
    VLONVIF_SEARCH_START s;
    std::memset(&s, 0, sizeof s);
    EXPECT_EQ(VLOnvifSearchDevStart(&s), nullptr) << "no callback";
    VLONVIF_SEARCH_HANDLE none = nullptr;
    EXPECT_EQ(VLOnvifSearchDevStop(&none), 0);
    EXPECT_EQ(VLOnvifSearchDevStop(nullptr), 0);
    EXPECT_FALSE(VLOnvifSetSearchTimeout(0, 1, 1));
    EXPECT_FALSE(VLOnvifSetSearchTimeout(1, 601, 1));
}

} // namespace
