// The parameter registry: building, lookups, the query and set contract, and
// teardown by vl_sdk_wrapper_uninit.
#include "params/ParamRegistry.h"
#include "vl_sdk_wrapper.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <thread>
#include <vector>

namespace
{

std::atomic<int> g_alive { 0 };
std::atomic<int> g_made { 0 };

// Records which operation the dispatcher called, and with what.
class Probe : public CParamBase
{
public:
    Probe()
    {
        ++g_alive;
        ++g_made;
    }
    ~Probe() override { --g_alive; }
    std::string QueryParamWithData(std::string data) override { return "with_data:" + data; }
    std::string QueryParam(bool defaults) override { return defaults ? "defaults" : "current"; }
    std::string GetCachedParam() override { return "cached"; }
    std::string QueryChannelParam(int channel) override { return "channel:" + std::to_string(channel); }
    std::string QueryTemporaryParam() override { return "temporary"; }
    int SetParam(std::string data) override { return data == "refuse" ? kParamSetNoRight : kParamSetDone; }
    int SetChannelParam(int channel, std::string) override
    {
        return channel == 7 ? kParamSetFailed : kParamSetDone;
    }
};

class Plain : public CParamBase
{
public:
    Plain() { ++g_alive; }
    ~Plain() override { --g_alive; }
};

std::vector<ParamRegistryEntry> test_table()
{
    return {
        { 10, "Probe", &MakeParam<Probe> },
        { 20, "Plain", &MakeParam<Plain> },
        { 30, "NotYetBuilt", nullptr },
        { 10, "Duplicate", &MakeParam<Plain> },
    };
}

} // namespace

TEST(ParamRegistry, DefaultTableHasEveryMessageOnce)
{
    const auto& table = DefaultParamTable();
    EXPECT_EQ(table.size(), 34u);
    std::set<int> messages;
    for (const auto& entry : table)
        EXPECT_TRUE(messages.insert(entry.message).second) << entry.message;
    EXPECT_TRUE(
        messages.count(573) && messages.count(160608) && messages.count(160825) && messages.count(508));
}

TEST(ParamRegistry, BuildFindClearRebuild)
{
    g_alive = 0;
    {
        ParamRegistry registry(test_table());
        EXPECT_FALSE(registry.Built());
        registry.Build();
        EXPECT_TRUE(registry.Built());
        EXPECT_EQ(registry.Size(), 2u);
        EXPECT_EQ(g_alive, 2);
        ASSERT_NE(dynamic_cast<Probe*>(registry.Find(10)), nullptr) << "the first entry of a key wins";
        EXPECT_NE(registry.Find(20), nullptr);
        EXPECT_EQ(registry.Find(30), nullptr) << "a class not built yet stays an unknown message";
        EXPECT_EQ(registry.Find(0), nullptr);
        CParamBase* first = registry.Find(10);
        registry.Build(); // later calls change nothing
        EXPECT_EQ(registry.Find(10), first);
        EXPECT_EQ(g_alive, 2);

        registry.Clear();
        EXPECT_FALSE(registry.Built());
        EXPECT_EQ(registry.Size(), 0u);
        EXPECT_EQ(g_alive, 0);
        registry.Build();
        EXPECT_EQ(g_alive, 2);
    }
    EXPECT_EQ(g_alive, 0) << "objects left at unload are freed";
}

TEST(ParamRegistry, ConcurrentBuildMakesOneSetOfObjects)
{
    g_made = 0;
    ParamRegistry registry(test_table());
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] { registry.Build(); });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(g_made, 1);
    EXPECT_EQ(registry.Size(), 2u);
}

TEST(ParamRegistry, QueryTypesSelectOperations)
{
    Probe probe;
    struct Case {
        int type;
        const char* answer;
    } cases[] = {
        { 1000, "current" }, { 1200, "defaults" }, { 900, "with_data:d" }, { 1100, "temporary" },
        { 1300, "cached" }, { 0, "channel:0" }, { 254, "channel:254" }, { 255, "err" }, { -1, "err" },
        { 300, "err" }, // by index: the base answers "err"
        { 554, "err" }, { 555, "err" }, { 2000, "err" }, // a set type on the query path
    };
    for (const Case& c : cases)
        EXPECT_EQ(DispatchParamQuery(probe, c.type, "d"), c.answer) << c.type;
}

TEST(ParamRegistry, SetTypesSelectOperations)
{
    Probe probe;
    Plain plain;
    struct Case {
        CParamBase* obj;
        int type;
        const char* data;
        int result;
    } cases[] = {
        { &probe, 2000, "x", kParamSetDone },
        { &probe, 2000, "refuse", kParamSetNoRight },
        { &probe, 3, "x", kParamSetDone },
        { &probe, 7, "x", kParamSetFailed },
        { &probe, 1000, "x", kParamSetFailed }, // a query type on the set path
        { &probe, -1, "x", kParamSetFailed },
        { &probe, 255, "x", kParamSetFailed },
        { &plain, 2000, "x", kParamSetDone }, // no set of its own: nothing to write
        { &plain, 800, "x", kParamSetDone },
        { &plain, 801, "x", kParamSetDone },
    };
    for (const Case& c : cases)
        EXPECT_EQ(DispatchParamSet(*c.obj, c.type, c.data), c.result) << c.type << " " << c.data;

    EXPECT_EQ(ParamSetResultCode(kParamSetDone), vl_success);
    EXPECT_EQ(ParamSetResultCode(kParamSetNoRight), vl_no_right);
    EXPECT_EQ(ParamSetResultCode(kParamSetFailed), vl_fail);
    EXPECT_EQ(ParamSetResultCode(5), vl_fail);
}

TEST(ParamRegistry, QueryAnswersBecomeResults)
{
    char out[8];
    std::memset(out, 'Z', sizeof out);
    EXPECT_EQ(ParamQueryResult("err", out, 8), vl_fail);
    EXPECT_EQ(ParamQueryResult("no_right", out, 8), vl_no_right);
    EXPECT_EQ(ParamQueryResult("", out, 8), vl_buffer_too_small);
    EXPECT_EQ(ParamQueryResult("1234567", out, 7), vl_buffer_too_small);
    EXPECT_EQ(out[0], 'Z') << "nothing written";
    EXPECT_EQ(ParamQueryResult("1234567", nullptr, 8), vl_invalid_argument);
    EXPECT_EQ(ParamQueryResult("1234567", out, 8), vl_success);
    EXPECT_STREQ(out, "1234567");
}

TEST(ParamRegistry, UninitDeletesTheSharedObjects)
{
    ParamRegistry& registry = param_registry();
    InitParamRegistry();
    EXPECT_TRUE(registry.Built());
    EXPECT_EQ(registry.Find(573), nullptr) << "no parameter class is part of the library yet";

    g_alive = 0;
    registry.SetTable(test_table());
    InitParamRegistry();
    EXPECT_EQ(g_alive, 2);
    CParamBase* before = registry.Find(10);
    ASSERT_NE(before, nullptr);

    EXPECT_EQ(vl_sdk_wrapper_uninit(), vl_success);
    EXPECT_EQ(g_alive, 0);
    EXPECT_FALSE(registry.Built());
    EXPECT_EQ(registry.Find(10), nullptr) << "no lookup reaches a deleted object";

    // The next parameter call builds fresh objects.
    InitParamRegistry();
    EXPECT_EQ(g_alive, 2);
    EXPECT_NE(registry.Find(10), nullptr);

    registry.SetTable(DefaultParamTable());
    EXPECT_EQ(g_alive, 0);
}
