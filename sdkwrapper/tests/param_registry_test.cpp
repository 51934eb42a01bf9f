// The parameter registry: building, lookups, the query and set contract, and
// teardown by vl_sdk_wrapper_uninit.
#include "common/json.h"
#include "params/ParamRegistry.h"
#include "vl_sdk_wrapper.h"

#include <atomic>
#include <cstdint>
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
    std::string QueryParamWithData(device*, std::string data) override { return "with_data:" + data; }
    std::string QueryParam(device*, bool defaults) override { return defaults ? "defaults" : "current"; }
    std::string GetCachedParam(device*) override { return "cached"; }
    std::string QueryChannelParam(device*, int channel) override
    {
        return "channel:" + std::to_string(channel);
    }
    std::string QueryTemporaryParam(device*) override { return "temporary"; }
    int SetParam(device*, std::string data) override
    {
        return data == "refuse" ? kParamSetNoRight : kParamSetDone;
    }
    int SetChannelParam(device*, int channel, std::string) override
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

// A page with a per-device cache, the way parameter classes keep the records
// of a device's last query: a query reads the device's values (here: the
// device's address as a name), a set writes the given fields into the cached
// document field by field and fails on the first field it cannot write.
class CachePage : public CParamBase
{
public:
    std::string QueryParam(device* dev, bool) override
    {
        Json::Value doc(Json::objectValue);
        doc["owner"] = std::to_string(reinterpret_cast<std::uintptr_t>(dev));
        doc["a"] = 0;
        doc["b"] = 0;
        StoreDocument(dev, doc);
        return vljson::write_compact(doc);
    }
    std::string GetCachedParam(device* dev) override
    {
        const Json::Value doc = CachedDocument(dev);
        return doc.isNull() ? kParamAnswerErr : vljson::write_compact(doc);
    }
    int SetParam(device* dev, std::string data) override
    {
        Json::Value fields;
        if (!vljson::parse(data, fields) || !fields.isObject())
            return kParamSetFailed;
        return UpdateCache(dev, [&](Json::Value& doc) {
            if (doc.isNull())
                return int(kParamSetFailed); // nothing queried yet
            for (const auto& name : fields.getMemberNames()) {
                if (!doc.isMember(name))
                    return int(kParamSetFailed); // the fields before it were written already
                doc[name] = fields[name];
            }
            return int(kParamSetDone);
        });
    }
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
        EXPECT_EQ(DispatchParamQuery(probe, nullptr, c.type, "d"), c.answer) << c.type;
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
        // No set of its own: a failure, never a success that wrote nothing.
        { &plain, 2000, "x", kParamSetFailed },
        { &plain, 800, "x", kParamSetFailed },
        { &plain, 801, "x", kParamSetFailed },
        { &plain, 3, "x", kParamSetFailed },
    };
    for (const Case& c : cases)
        EXPECT_EQ(DispatchParamSet(*c.obj, nullptr, c.type, c.data), c.result) << c.type << " " << c.data;

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

TEST(ParamRegistry, AQueryAClassDoesNotHaveFails)
{
    Plain plain;
    for (int type : { 1000, 1200, 900, 1100, 1300, 300, 0 })
        EXPECT_EQ(DispatchParamQuery(plain, nullptr, type, "d"), kParamAnswerErr) << type;
}

TEST(ParamCache, EachDeviceHasItsOwnRecordsAndAFailedSetChangesNothing)
{
    CachePage page;
    auto* a = reinterpret_cast<device*>(std::uintptr_t(0x1000));
    auto* b = reinterpret_cast<device*>(std::uintptr_t(0x2000));
    EXPECT_EQ(page.GetCachedParam(a), kParamAnswerErr) << "nothing cached before a query";
    EXPECT_EQ(page.SetParam(a, R"({"a":1})"), kParamSetFailed) << "a set needs the records of a query";

    const std::string a0 = page.QueryParam(a, false);
    const std::string b0 = page.QueryParam(b, false);
    ASSERT_NE(a0, b0);
    EXPECT_EQ(page.SetParam(a, R"({"a":5})"), kParamSetDone);
    EXPECT_EQ(page.GetCachedParam(b), b0) << "a set for one device never writes another's records";
    Json::Value doc;
    ASSERT_TRUE(vljson::parse(page.GetCachedParam(a), doc));
    EXPECT_EQ(doc["a"].asInt(), 5);

    // Fails at "zz" after "a" and "b" were written on the way: nothing stays.
    const std::string before = page.GetCachedParam(a);
    EXPECT_EQ(page.SetParam(a, R"({"a":7,"b":7,"zz":7})"), kParamSetFailed);
    EXPECT_EQ(page.GetCachedParam(a), before);

    page.ForgetDevice(a);
    EXPECT_EQ(page.GetCachedParam(a), kParamAnswerErr);
    EXPECT_EQ(page.GetCachedParam(b), b0);
}

TEST(ParamCache, DevicesOnManyThreadsKeepTheirOwnRecords)
{
    CachePage page;
    std::vector<std::thread> threads;
    std::atomic<int> mixed { 0 };
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            auto* dev = reinterpret_cast<device*>(std::uintptr_t(0x1000 * (t + 1)));
            for (int i = 0; i < 200; ++i) {
                page.QueryParam(dev, false);
                page.SetParam(dev, "{\"a\":" + std::to_string(t) + "}");
                Json::Value doc;
                vljson::parse(page.GetCachedParam(dev), doc);
                if (doc["a"].asInt() != t || doc["owner"].asString() != std::to_string(0x1000 * (t + 1)))
                    ++mixed;
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(mixed, 0);
}

TEST(ParamRegistry, AMessageWithNoClassIsUnknown)
{
    ParamRegistry& registry = param_registry();
    registry.SetTable(test_table());
    char out[64];
    EXPECT_EQ(RunParamQuery(nullptr, 30, 1000, "", out, sizeof out), vl_unknown_message);
    EXPECT_EQ(RunParamQuery(nullptr, 99, 1000, "", out, sizeof out), vl_unknown_message);
    EXPECT_EQ(RunParamSet(nullptr, 99, 2000, "x"), vl_unknown_message);
    EXPECT_EQ(RunParamQuery(nullptr, 10, 1000, "", out, sizeof out), vl_success);
    EXPECT_STREQ(out, "current");
    EXPECT_EQ(RunParamSet(nullptr, 20, 2000, "x"), vl_fail) << "a class without that set fails it";
    EXPECT_EQ(RunParamSet(nullptr, 10, 2000, "refuse"), vl_no_right);
    registry.SetTable(DefaultParamTable());
}
