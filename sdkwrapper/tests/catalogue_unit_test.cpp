// The session, parameter, P2P, recorded-file and transfer exports, called as
// a client calls them, with the fake network SDK behind a device, a fake
// parameter object in the registry, and recordings written by the player
// stand-in's own writer.
#include "connection_fixture.h"
#include "core/device.h"
#include "params/ParamRegistry.h"
#include "record_file.h"
#include "test_dir.h"
#include "vl_sdk_wrapper.h"
#include "vlnet.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace
{

// ---- A parameter object that records which slot ran -------------------------

std::atomic<int> g_made { 0 };
std::atomic<int> g_alive { 0 };

class Recorder : public CParamBase
{
public:
    Recorder()
    {
        ++g_made;
        ++g_alive;
    }
    ~Recorder() override { --g_alive; }

    static inline std::string answer = "{\"ok\":1}";
    static inline int set_result = kParamSetDone;
    static inline std::atomic<int> in_call { 0 };
    static inline std::atomic<int> most_in_call { 0 };
    static inline std::atomic<bool> slow { false };

    std::string QueryParamWithData(device* dev, std::string data) override
    {
        return query(dev, "with_data " + data);
    }
    std::string QueryParam(device* dev, bool defaults) override
    {
        return query(dev, defaults ? "defaults" : "current");
    }
    std::string GetCachedParam(device* dev) override { return query(dev, "cached"); }
    std::string QueryChannelParam(device* dev, int channel) override
    {
        return query(dev, "channel " + std::to_string(channel));
    }
    std::string QueryParamByIndex(device* dev, int index) override
    {
        return query(dev, "index " + std::to_string(index));
    }
    std::string QueryTemporaryParam(device* dev) override { return query(dev, "temporary"); }
    int SetParam(device* dev, std::string data) override { return set(dev, "page " + data); }
    int SetChannelParam(device* dev, int channel, std::string data) override
    {
        return set(dev, "channel " + std::to_string(channel) + " " + data);
    }
    int SetPassword(device* dev, std::string data) override { return set(dev, "password " + data); }
    int SetUserAndPassword(device* dev, std::string data) override { return set(dev, "user " + data); }

    // What the last call did. Plain members, as a parameter class keeps its
    // call state: two calls that overlapped would race on them.
    std::string last;
    device* last_device = nullptr;

private:
    std::string query(device* dev, const std::string& what)
    {
        enter(dev, what);
        std::string reply = answer;
        leave();
        return reply;
    }
    int set(device* dev, const std::string& what)
    {
        enter(dev, what);
        leave();
        return set_result;
    }
    void enter(device* dev, const std::string& what)
    {
        const int now = ++in_call;
        int most = most_in_call.load();
        while (now > most && !most_in_call.compare_exchange_weak(most, now)) { }
        last_device = dev;
        last = what;
        if (slow)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    void leave() { --in_call; }
};

constexpr int kMessage = 429;

Recorder* recorder()
{
    InitParamRegistry();
    return static_cast<Recorder*>(param_registry().Find(kMessage));
}

std::string request(int type, const std::string& extra = {})
{
    return "{\"message\": " + std::to_string(kMessage) + ", \"type\": " + std::to_string(type) + extra + "}";
}

class Catalogue : public ConnectionTest
{
protected:
    void SetUp() override
    {
        ConnectionTest::SetUp();
        Recorder::answer = "{\"ok\":1}";
        Recorder::set_result = kParamSetDone;
        param_registry().SetTable({ { kMessage, "Recorder", &MakeParam<Recorder> } });
        dev = new device(fake::kCalls);
    }
    void TearDown() override
    {
        delete dev;
        param_registry().SetTable(DefaultParamTable());
        ConnectionTest::TearDown();
    }
    // A media login the fake network SDK has accepted.
    void log_in()
    {
        ASSERT_EQ(dev->login(param(R"({"ip or id": "d"})")), vl_success);
        sdk.status(101);
        ASSERT_NE(dev->conn().login_handle(), 0);
    }

    device* dev = nullptr;
};

} // namespace

// ---- The edge list ------------------------------------------------------------

TEST_F(Catalogue, EdgeCases)
{
    struct Case {
        const char* what;
        std::function<int()> call;
        int expected;
    };
    char small[5] = { 'a', 'b', 'c', 'd', 'e' };
    char six[6] = {};
    std::string answer = "{\"ok\":1}";
    std::vector<char> exact(answer.size(), 'x');
    const Case cases[] = {
        { "version, size 5", [&] { return vl_get_sdk_version(small, 5); }, vl_buffer_too_small },
        { "version, size 6", [&] { return vl_get_sdk_version(six, 6); }, vl_success },
        { "version, null", [] { return vl_get_sdk_version(nullptr, 6); }, vl_invalid_argument },
        { "version, size 0", [&] { return vl_get_sdk_version(six, 0); }, vl_invalid_argument },
        { "query, a set type", [&] { return vl_query_param(dev, request(2000).c_str(), six, 6); }, vl_fail },
        { "query, buffer as long as the answer",
            [&] { return vl_query_param(dev, request(1000).c_str(), exact.data(), int(exact.size())); },
            vl_buffer_too_small },
        { "set, a query type", [&] { return vl_set_param(dev, request(1000).c_str(), "{}"); }, vl_fail },
        { "p2p, time out 0",
            [] {
                return vl_check_p2p_status(
                    R"({"p2p id": "X1", "p2p type": "tutk", "time out": 0})", nullptr, nullptr);
            },
            vl_invalid_argument },
        { "file time, missing file", [&] { return vl_get_file_time("/nonexistent/recording.vlr", small, 5); },
            vl_file_not_found },
        { "file time v1, no JSON",
            [&] {
                vl_file_time_param p { "{", six, 6 };
                return vl_get_file_time_v1(&p);
            },
            vl_fail },
        { "export, null device",
            [] {
                vl_remote_export_param p { nullptr, nullptr, nullptr };
                return vl_remote_export(&p);
            },
            vl_invalid_device },
        { "stop search, never started", [] { return vl_stop_search_device(nullptr); }, vl_success },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.call(), c.expected) << c.what;
    EXPECT_EQ(std::string(small, 5), std::string(5, '\0')) << "size 5 clears five bytes";
    EXPECT_STREQ(six, "2.3.2");
    EXPECT_EQ(std::string(exact.data(), exact.size()), std::string(answer.size(), 'x'));
}

// ---- Parameters ---------------------------------------------------------------

TEST_F(Catalogue, QueryTypesReachTheirSlotsThroughTheExport)
{
    struct Row {
        int type;
        const char* slot; // null: no slot runs
    };
    const Row rows[] = {
        { 0, "channel 0" },
        { 254, "channel 254" },
        { 255, nullptr },
        { 299, nullptr },
        { 300, "index 300" },
        { 554, "index 554" },
        { 555, nullptr },
        { -1, nullptr },
        { 900, "with_data abc" },
        { 1000, "current" },
        { 1100, "temporary" },
        { 1200, "defaults" },
        { 1300, "cached" },
        { 2000, nullptr },
    };
    for (const Row& row : rows) {
        Recorder* obj = recorder();
        ASSERT_NE(obj, nullptr);
        obj->last.clear();
        obj->last_device = nullptr;
        char out[64] = {};
        const int result
            = vl_query_param(dev, request(row.type, ", \"data\": \"abc\"").c_str(), out, sizeof out);
        if (row.slot) {
            EXPECT_EQ(result, vl_success) << row.type;
            EXPECT_EQ(obj->last, row.slot) << row.type;
            EXPECT_EQ(obj->last_device, dev) << row.type;
            EXPECT_STREQ(out, "{\"ok\":1}") << row.type;
        } else {
            EXPECT_EQ(result, vl_fail) << row.type;
            EXPECT_EQ(obj->last, "") << row.type << ": no slot";
        }
    }
}

TEST_F(Catalogue, SetTypesReachTheirSlotsThroughTheExport)
{
    const std::pair<int, const char*> rows[] = {
        { 2000, "page d" },
        { 800, "password d" },
        { 801, "user d" },
        { 0, "channel 0 d" },
        { 254, "channel 254 d" },
        { 255, nullptr },
        { 1000, nullptr },
        { -1, nullptr },
    };
    for (const auto& [type, slot] : rows) {
        Recorder* obj = recorder();
        obj->last.clear();
        const int result = vl_set_param(dev, request(type).c_str(), "d");
        EXPECT_EQ(result, slot ? vl_success : vl_fail) << type;
        EXPECT_EQ(obj->last, slot ? slot : "") << type;
    }
}

TEST_F(Catalogue, ParameterAnswersAndRefusals)
{
    char out[64];
    const std::pair<std::string, int> answers[] = {
        { "err", vl_fail },
        { "no_right", vl_no_right },
        { "", vl_buffer_too_small },
        { "{\"a\":2}", vl_success },
    };
    for (const auto& [text, code] : answers) {
        Recorder::answer = text;
        EXPECT_EQ(vl_query_param(dev, request(1000).c_str(), out, sizeof out), code) << text;
    }
    const std::pair<int, int> sets[] = { { kParamSetDone, vl_success }, { kParamSetNoRight, vl_no_right },
        { kParamSetFailed, vl_fail }, { -3, vl_fail } };
    for (const auto& [result, code] : sets) {
        Recorder::set_result = result;
        EXPECT_EQ(vl_set_param(dev, request(2000).c_str(), "{}"), code) << result;
    }

    // Refused before any work: nothing reaches the object.
    recorder()->last.clear();
    EXPECT_EQ(vl_query_param(dev, request(1000).c_str(), nullptr, 10), vl_invalid_argument);
    EXPECT_EQ(vl_set_param(dev, request(2000).c_str(), nullptr), vl_invalid_argument);
    EXPECT_EQ(recorder()->last, "");
    EXPECT_EQ(vl_query_param(nullptr, request(1000).c_str(), out, sizeof out), vl_invalid_device);
    EXPECT_EQ(vl_set_param(nullptr, request(2000).c_str(), "{}"), vl_invalid_device);
    EXPECT_EQ(vl_query_param(dev, "{", out, sizeof out), vl_parse_json_error);
    EXPECT_EQ(vl_query_param(dev, nullptr, out, sizeof out), vl_parse_json_error);
    EXPECT_EQ(vl_query_param(dev, R"({"message": "429x"})", out, sizeof out), vl_parse_json_error);
    EXPECT_EQ(vl_set_param(dev, "[", "{}"), vl_parse_json_error);
    EXPECT_EQ(vl_query_param(dev, R"({"message": 573, "type": 1000})", out, sizeof out), vl_unknown_message);
    EXPECT_EQ(vl_set_param(dev, R"({"message": 573, "type": 2000})", "{}"), vl_unknown_message);
    EXPECT_EQ(recorder()->last, "");
}

TEST_F(Catalogue, OverlappingQueriesOfOneMessageRunOneAfterTheOther)
{
    Recorder::in_call = 0;
    Recorder::most_in_call = 0;
    Recorder::slow = true;
    device* other = new device(fake::kCalls);
    auto run = [&](device* d, int type) {
        for (int i = 0; i < 200; ++i) {
            char out[64];
            EXPECT_EQ(vl_query_param(d, request(type).c_str(), out, sizeof out), vl_success);
            EXPECT_EQ(vl_set_param(d, request(2000).c_str(), "x"), vl_success);
        }
    };
    std::thread a(run, dev, 1000);
    std::thread b(run, other, 1200);
    a.join();
    b.join();
    Recorder::slow = false;
    EXPECT_EQ(Recorder::most_in_call.load(), 1) << "two calls were inside the object at once";
    delete other;
}

TEST_F(Catalogue, AQueryAfterUninitBuildsTheObjectsAnew)
{
    char out[64];
    ASSERT_EQ(vl_query_param(dev, request(1000).c_str(), out, sizeof out), vl_success);
    const int made = g_made.load();
    ASSERT_EQ(g_alive.load(), 1);
    EXPECT_EQ(vl_sdk_wrapper_uninit(), vl_success);
    EXPECT_EQ(g_alive.load(), 0) << "uninit deletes the shared object";
    EXPECT_FALSE(param_registry().Built());
    ASSERT_EQ(vl_query_param(dev, request(1000).c_str(), out, sizeof out), vl_success);
    EXPECT_EQ(g_made.load(), made + 1) << "the next call makes a fresh object";
    EXPECT_EQ(g_alive.load(), 1);
    EXPECT_STREQ(out, "{\"ok\":1}");
}

// ---- Device facts and the connection -------------------------------------------

TEST_F(Catalogue, DeviceFactsAndConnectionCalls)
{
    EXPECT_EQ(vl_get_channel_number(nullptr), vl_fail);
    EXPECT_EQ(vl_get_analogy_channel_number(nullptr), vl_fail);
    EXPECT_EQ(vl_get_channel_number(dev), 0);
    EXPECT_EQ(vl_reset_connection(nullptr), vl_invalid_device);
    EXPECT_EQ(vl_send_simple_command(nullptr, nullptr), vl_invalid_device);
    EXPECT_EQ(vl_set_even_check_data(nullptr, 5), vl_fail);
    EXPECT_EQ(vl_device_login(nullptr, "{}", nullptr, nullptr, nullptr), vl_invalid_device);

    // Not logged in: nothing reaches the network SDK.
    vl_simple_command command { 890, 611, { 3, 4 } };
    EXPECT_EQ(vl_reset_connection(dev), vl_success);
    EXPECT_EQ(vl_send_simple_command(dev, &command), vl_success);
    EXPECT_EQ(vl_set_even_check_data(dev, 5), vl_fail);
    EXPECT_TRUE(sdk.resets.empty());
    EXPECT_TRUE(sdk.commands.empty());
    EXPECT_TRUE(sdk.even_checks.empty());

    sdk.dev = fake::device_of_type(3, 300);
    sdk.dev.analog_ch_num = 4;
    log_in();
    EXPECT_EQ(vl_get_channel_number(dev), 300) << "sys_channel_num beyond 255";
    EXPECT_EQ(vl_get_analogy_channel_number(dev), 4);
    sdk.dev.sys_channel_num = 0;
    sdk.dev.channel_num = 16;
    dev->conn().refresh_device_info(false);
    EXPECT_EQ(vl_get_channel_number(dev), 16) << "ChannelNum when sys_channel_num is 0";

    const int handle = dev->conn().login_handle();
    EXPECT_EQ(vl_reset_connection(dev), vl_success);
    EXPECT_EQ(sdk.resets, std::vector<int> { handle });
    EXPECT_TRUE(logged("call <connection reset_connection> result:success"));

    sdk.commands.clear();
    EXPECT_EQ(vl_send_simple_command(dev, &command), vl_success);
    EXPECT_EQ(sdk.commands, std::vector<int> { 611 });
    EXPECT_EQ(vl_send_simple_command(dev, nullptr), vl_success) << "a null command sends nothing";
    EXPECT_EQ(sdk.commands.size(), 1u);
    sdk.command_ok = false;
    EXPECT_EQ(vl_send_simple_command(dev, &command), vl_success) << "0 also when the device refuses";

    EXPECT_EQ(vl_set_even_check_data(dev, 0), vl_fail);
    EXPECT_EQ(vl_set_even_check_data(dev, 77), vl_success);
    sdk.even_check_result = -1;
    EXPECT_EQ(vl_set_even_check_data(dev, 78), vl_fail);
    EXPECT_EQ(sdk.even_checks, (std::vector<std::pair<int, int>> { { handle, 77 }, { handle, 78 } }));
}

TEST_F(Catalogue, AsynchronousJsonRequestsPassTheirTwentyOneBytes)
{
    vl_async_json_request r;
    std::memset(&r, 0, sizeof r);
    r.words[0] = 429;
    r.words[4] = -7;
    r.flag = 0xA5;
    EXPECT_EQ(vl_start_async_query_json(nullptr, &r), 0);
    EXPECT_EQ(vl_start_async_query_json(dev, &r), 0) << "not logged in";
    EXPECT_EQ(vl_stop_async_json(nullptr, 3), vl_invalid_instance);
    EXPECT_EQ(vl_stop_async_json(dev, 0), vl_invalid_instance);
    EXPECT_EQ(vl_stop_async_json(dev, 3), vl_fail) << "not logged in";
    EXPECT_TRUE(sdk.async_starts.empty());

    log_in();
    EXPECT_EQ(vl_start_async_query_json(dev, nullptr), 0);
    EXPECT_EQ(vl_start_async_query_json(dev, &r), 41);
    sdk.async_result = 0;
    EXPECT_EQ(vl_start_async_set_json(dev, &r), 0) << "the SDK's own answer";
    ASSERT_EQ(sdk.async_starts.size(), 2u);
    const size_t sizes[] = { 276, 268 };
    for (size_t i = 0; i < 2; ++i) {
        const auto& bytes = sdk.async_starts[i].bytes;
        ASSERT_EQ(bytes.size(), sizes[i]);
        EXPECT_EQ(std::memcmp(bytes.data(), &r, 21), 0);
        for (size_t k = 21; k < bytes.size(); ++k)
            ASSERT_EQ(bytes[k], 0) << "byte " << k << " of record " << i;
    }
    EXPECT_FALSE(sdk.async_starts[0].set);
    EXPECT_TRUE(sdk.async_starts[1].set);
    EXPECT_EQ(vl_stop_async_json(dev, 41), vl_success);
    EXPECT_EQ(sdk.async_stops, (std::vector<std::pair<int, int>> { { dev->conn().login_handle(), 41 } }));
}

// ---- Import and export ------------------------------------------------------------

TEST_F(Catalogue, ImportChecksItsDataBeforeAnyTransfer)
{
    log_in();
    std::vector<uint8_t> data(VLNET_PARAM_IMPORT_DATA_MAX + 1, 0x5A);
    struct Row {
        const void* data;
        int32_t length;
        int expected;
    };
    const Row refused[] = {
        { nullptr, 10, vl_invalid_argument },
        { data.data(), -1, vl_invalid_argument },
        { data.data(), VLNET_PARAM_IMPORT_DATA_MAX + 1, vl_invalid_argument },
    };
    for (const Row& row : refused) {
        vl_remote_import_param p { dev, row.data, row.length };
        EXPECT_EQ(vl_remote_import(&p), row.expected) << row.length;
    }
    vl_remote_import_param none { nullptr, data.data(), 1 };
    EXPECT_EQ(vl_remote_import(&none), vl_invalid_device);
    EXPECT_EQ(vl_remote_import(nullptr), vl_invalid_device);
    EXPECT_TRUE(sdk.imports.empty()) << "nothing was sent";

    data[0] = 1;
    data[VLNET_PARAM_IMPORT_DATA_MAX - 1] = 2;
    vl_remote_import_param full { dev, data.data(), VLNET_PARAM_IMPORT_DATA_MAX };
    EXPECT_EQ(vl_remote_import(&full), vl_success);
    ASSERT_EQ(sdk.imports.size(), 1u);
    const auto& sent = sdk.imports[0];
    EXPECT_EQ(sent.handle, dev->conn().login_handle());
    EXPECT_EQ(sent.size, 393256u);
    EXPECT_EQ(sent.length, uint32_t(VLNET_PARAM_IMPORT_DATA_MAX));
    EXPECT_EQ(sent.head, std::vector<uint8_t>(32, 0));
    EXPECT_EQ(sent.data, std::vector<uint8_t>(data.begin(), data.begin() + VLNET_PARAM_IMPORT_DATA_MAX));

    sdk.import_result = 0;
    vl_remote_import_param empty { dev, data.data(), 0 };
    EXPECT_EQ(vl_remote_import(&empty), vl_fail) << "the SDK refused it";
    EXPECT_EQ(sdk.imports.back().length, 0u);
}

TEST_F(Catalogue, ImportSucceedsOnlyWhenTheSdkAnswersOne)
{
    log_in();
    const uint8_t data[] = { 'c', 'f', 'g' };
    // 1: the device took it; 2: the user has no right; anything else: no
    // answer the SDK gives for success.
    const std::pair<int, int> answers[]
        = { { 1, vl_success }, { 2, vl_fail }, { 0, vl_fail }, { -1, vl_fail }, { 3, vl_fail } };
    for (const auto& [answer, expected] : answers) {
        sdk.import_result = answer;
        vl_remote_import_param p { dev, data, int32_t(sizeof data) };
        EXPECT_EQ(vl_remote_import(&p), expected) << "the SDK answered " << answer;
    }
    EXPECT_EQ(sdk.imports.size(), std::size(answers)) << "each was sent once";
}

namespace
{
struct Progress {
    std::vector<std::pair<intptr_t, int>> calls;
    static void VL_CALL on_progress(intptr_t first, int second, void* user)
    {
        static_cast<Progress*>(user)->calls.push_back({ first, second });
    }
};
} // namespace

TEST_F(Catalogue, ExportHandsTheBlockAddressToTheCaller)
{
    log_in();
    sdk.export_data = "config";
    Progress progress;
    vl_remote_export_param p { dev, &Progress::on_progress, &progress };
    EXPECT_EQ(vl_remote_export(&p), vl_success);
    ASSERT_EQ(progress.calls.size(), 1u);
    const char* block = reinterpret_cast<const char*>(progress.calls[0].first);
    EXPECT_EQ(block, sdk.export_block.data()) << "the address itself, at a pointer's width";
    EXPECT_EQ(progress.calls[0].second, 6) << "the data's byte count";
    EXPECT_EQ(std::string(block + 40, 6), "config");

    vl_remote_export_param quiet { dev, nullptr, nullptr };
    sdk.export_result = 0;
    EXPECT_EQ(vl_remote_export(&quiet), vl_fail) << "runs without a callback and maps the refusal";
    EXPECT_EQ(sdk.exports.size(), 2u);
    EXPECT_EQ(vl_remote_export(nullptr), vl_invalid_device);
}

// ---- P2P ---------------------------------------------------------------------------

namespace
{
struct Texts {
    std::vector<std::string> texts;
    static void VL_CALL on_text(const char* json, void* user)
    {
        static_cast<Texts*>(user)->texts.emplace_back(json ? json : "(null)");
    }
};

std::string stand_in_calls()
{
    std::vector<char> out(1 << 20);
    const int n = VLNetStandInCalls(out.data(), int(out.size()), 1);
    return n >= 0 ? std::string(out.data(), size_t(n)) : std::string();
}
} // namespace

TEST_F(Catalogue, P2PStatusChecksItsRequestAndPassesTheStatus)
{
    Texts seen;
    const std::string id63(63, 'P');
    const std::pair<std::string, int> refused[] = {
        { R"({"p2p type": "tutk", "time out": 500})", vl_invalid_argument },
        { R"({"p2p id": "X1", "time out": 500})", vl_invalid_argument },
        { R"({"p2p id": "X1", "p2p type": "tutk"})", vl_invalid_argument },
        { "{\"p2p id\": \"" + std::string(64, 'P') + "\", \"p2p type\": \"tutk\", \"time out\": 500}",
            vl_invalid_argument },
        { R"({"p2p id": "X1", "p2p type": "tutk", "time out": -5})", vl_parse_json_error },
        { "{", vl_parse_json_error },
    };
    for (const auto& [json, code] : refused)
        EXPECT_EQ(vl_check_p2p_status(json.c_str(), &Texts::on_text, &seen), code) << json;
    EXPECT_EQ(vl_check_p2p_status(nullptr, &Texts::on_text, &seen), vl_parse_json_error);
    EXPECT_TRUE(seen.texts.empty()) << "no callback for a refused request";
    stand_in_calls();

    const std::string ok = "{\"p2p id\": \"" + id63 + "\", \"p2p type\": \"dorvex_ez\", \"time out\": 500}";
    setenv("VLNET_P2P_CHECK_STATUS", "-22", 1);
    EXPECT_EQ(vl_check_p2p_status(ok.c_str(), &Texts::on_text, &seen), -22);
    unsetenv("VLNET_P2P_CHECK_STATUS");
    ASSERT_EQ(seen.texts.size(), 1u);
    EXPECT_EQ(seen.texts[0], "{\n\t\"status\" : -22\n}");
    EXPECT_EQ(stand_in_calls(), "VLNetCheckP2POnlineStatus " + id63 + " 500 21\n")
        << "the 63-byte id whole, the time-out and the kind";

    setenv("VLNET_P2P_CHECK_REFUSE", "1", 1);
    EXPECT_EQ(vl_check_p2p_status(ok.c_str(), &Texts::on_text, &seen), vl_fail);
    unsetenv("VLNET_P2P_CHECK_REFUSE");
    EXPECT_EQ(seen.texts.size(), 1u) << "no callback when the SDK refuses the check";
}

TEST_F(Catalogue, P2PKindTable)
{
    const std::pair<const char*, int> kinds[] = {
        { "ip", 0 },
        { "id", 1 },
        { "tutk", 2 },
        { "ddns", 23 },
        { "vl", 24 },
        { "vv", 5 },
        { "dorvex_kp", 4 },
        { "dorvex_kp_pro", 4 },
        { "dorvex_lx", 7 },
        { "dorvex_nc", 10 },
        { "dorvex_nc_pro", 10 },
        { "dorvex_sg", 11 },
        { "dorvex_sg_pro", 11 },
        { "dorvex_ez", 21 },
        // The login's words for kinds 9 and 14 are no kinds here.
        { "dorvex_vv", 0 },
        { "dorvex_hm", 0 },
        { "TUTK", 0 },
        { "tutk ", 0 },
    };
    stand_in_calls();
    std::string expected;
    for (const auto& [word, kind] : kinds) {
        const std::string json = std::string("{\"p2p type\": \"") + word + "\"}";
        EXPECT_EQ(vl_init_p2p_resource_manual(json.c_str()), vl_success) << word;
        expected += std::string("VLNetInitP2P ") + word + " " + std::to_string(kind) + " 0\n";
    }
    EXPECT_EQ(stand_in_calls(), expected);
    EXPECT_EQ(vl_init_p2p_resource_manual("{}"), vl_invalid_argument);
    EXPECT_EQ(vl_init_p2p_resource_manual("{\"p2p type\": \"\"}"), vl_invalid_argument);
    EXPECT_EQ(vl_init_p2p_resource_manual("{"), vl_parse_json_error);
    EXPECT_EQ(vl_init_p2p_resource_manual(nullptr), vl_parse_json_error);
}

TEST_F(Catalogue, NetworkStateCallsReachTheNetworkSdk)
{
    stand_in_calls();
    EXPECT_EQ(vl_register_p2p_process_callback(nullptr, nullptr), vl_success);
    EXPECT_EQ(vl_destroy_p2p_resource_enter_background(), vl_success);
    EXPECT_EQ(vl_enable_tutk_many_connection(1), vl_success);
    EXPECT_EQ(vl_p2p_register_id(9), 0);
    EXPECT_EQ(vl_network_status_changed(), vl_success);
    EXPECT_EQ(vl_set_operator_plmn(46001), vl_success);
    EXPECT_EQ(stand_in_calls(),
        "VLNetRegisterP2PProcessCallback null (nil)\n"
        "VLNetP2PEnterBackgroundDestroy\n"
        "VLNetEnableTutkManyConnection 1\n"
        "VLNetP2PRegisterId 9\n"
        "VLNetNetworkStatusChanged zero\n"
        "VLNetSetOperatorPlmn 46001\n");
}

// ---- Recorded files --------------------------------------------------------------

namespace
{

constexpr uint64_t kBegin = 1709251199ull * 1000000 + 500000; // 2024-03-01 00:00:00 by rounding
constexpr uint64_t kEnd = kBegin + 3600ull * 1000000 + 1499; // an hour and 1.499 ms later

std::string write_recording(const TestDir& dir, const std::string& name, const std::string& password = {})
{
    vlplay::record_file_writer w;
    const std::string path = dir.path() + "/" + name;
    EXPECT_TRUE(w.create(path, password));
    const char frame[] = "frame";
    EXPECT_TRUE(w.add_frame(vlplay::frame_type::key, kBegin, frame, sizeof frame));
    EXPECT_TRUE(w.add_frame(vlplay::frame_type::video, kBegin + 40000, frame, sizeof frame));
    EXPECT_TRUE(w.add_frame(vlplay::frame_type::key, kBegin + 80000, frame, sizeof frame));
    EXPECT_TRUE(w.add_frame(vlplay::frame_type::audio, kEnd, frame, sizeof frame));
    EXPECT_TRUE(w.close());
    return path;
}

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::vector<uint8_t> read_bytes(const std::string& path)
{
    std::vector<uint8_t> out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return out;
    int c;
    while ((c = std::fgetc(f)) != EOF)
        out.push_back(uint8_t(c));
    std::fclose(f);
    return out;
}

} // namespace

TEST_F(Catalogue, FileTimeOfARecording)
{
    TestDir dir;
    const std::string path = write_recording(dir, "plain.vlr");
    char out[512];
    ASSERT_EQ(vl_get_file_time(path.c_str(), out, sizeof out), vl_success);
    Json::Value v = json(out);
    EXPECT_EQ(v["begin time"], "2024-03-01 00:00:00");
    EXPECT_EQ(v["end time"], "2024-03-01 01:00:00");
    EXPECT_EQ(v["begin time millisecond"].asUInt64(), (kBegin + 500) / 1000);
    EXPECT_EQ(v["end time millisecond"].asUInt64(), (kEnd + 500) / 1000);
    EXPECT_NE(std::string(out).find("\n\t\"begin time\" : "), std::string::npos) << "styled";
    EXPECT_EQ(vl_get_file_key_frame_count(path.c_str()), 2);

    const std::string json_request = "{\"file_name\": \"" + path + "\"}";
    char out1[512];
    vl_file_time_param p { json_request.c_str(), out1, sizeof out1 };
    ASSERT_EQ(vl_get_file_time_v1(&p), vl_success);
    EXPECT_STREQ(out1, out);
    p.size = int(std::strlen(out));
    EXPECT_EQ(vl_get_file_time_v1(&p), vl_buffer_too_small);
    p.out = nullptr;
    EXPECT_EQ(vl_get_file_time_v1(&p), vl_buffer_too_small) << "the v1 export keeps -6 for a null buffer";
    EXPECT_EQ(vl_get_file_time(path.c_str(), nullptr, 10), vl_invalid_argument);
    EXPECT_EQ(vl_get_file_time(path.c_str(), out, int(std::strlen(out))), vl_buffer_too_small);
    EXPECT_EQ(vl_get_file_time_v1(nullptr), vl_fail);
    vl_file_time_param no_json { nullptr, out1, sizeof out1 };
    EXPECT_EQ(vl_get_file_time_v1(&no_json), vl_fail);
}

TEST_F(Catalogue, OpenResultsOfTheFileExports)
{
    TestDir dir;
    const std::string good = write_recording(dir, "good.vlr");
    const std::vector<uint8_t> bytes = read_bytes(good);
    ASSERT_GT(bytes.size(), 80u);

    std::vector<uint8_t> bad_frame = bytes;
    bad_frame[64 + 16] ^= 1; // the first frame's payload
    write_bytes(dir.path() + "/checksum.vlr", bad_frame);
    std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 3);
    write_bytes(dir.path() + "/cut.vlr", cut);
    std::vector<uint8_t> mp4 = { 0, 0, 0, 24, 'f', 't', 'y', 'p', 'i', 's', 'o', 'm', 0, 0, 0, 0 };
    write_bytes(dir.path() + "/standard.mp4", mp4);
    mp4[8] = 'q';
    write_bytes(dir.path() + "/other.mp4", mp4);
    write_recording(dir, "locked.vlr", "secret");
    std::filesystem::create_directory(dir.path() + "/folder.vlr");

    struct Row {
        std::string file;
        int code; // of both file-time exports
    };
    const Row rows[] = {
        { "missing.vlr", vl_file_not_found }, { "folder.vlr", vl_file_access_error },
        { "locked.vlr", vl_need_input_password }, { "standard.mp4", vl_hk_mp4_file },
        { "other.mp4", vl_unknown_mp4_file }, { "cut.vlr", vl_unknown_error }, // undecodable (-7)
        { "checksum.vlr", vl_unknown_error }, // bad checksum (-8)
    };
    for (const Row& row : rows) {
        const std::string path = dir.path() + "/" + row.file;
        char out[256] = "untouched";
        EXPECT_EQ(vl_get_file_time(path.c_str(), out, sizeof out), row.code) << row.file;
        EXPECT_STREQ(out, "untouched") << row.file;
        const std::string json_request = "{\"filename\": \"" + path + "\"}";
        vl_file_time_param p { json_request.c_str(), out, sizeof out };
        EXPECT_EQ(vl_get_file_time_v1(&p), row.code) << row.file;
        EXPECT_EQ(vl_get_file_key_frame_count(path.c_str()), 0) << row.file;
    }
    EXPECT_EQ(vl_get_file_key_frame_count(nullptr), 0);
}

TEST_F(Catalogue, FileTimeV1WithItsPasswordAndName)
{
    TestDir dir;
    const std::string password63(63, 'k');
    const std::string path = write_recording(dir, "locked.vlr", password63);
    char out[512];
    // A longer password is cut to its first 63 bytes, which open the file.
    const std::string json_request
        = "{\"file name\": \"" + path + "\", \"password\": \"" + password63 + "EXTRA\", \"comv_index\": 2}";
    vl_file_time_param p { json_request.c_str(), out, sizeof out };
    EXPECT_EQ(vl_get_file_time_v1(&p), vl_success);
    const std::string wrong = "{\"filename\": \"" + path + "\", \"password\": \"nope\"}";
    p.json = wrong.c_str();
    EXPECT_EQ(vl_get_file_time_v1(&p), vl_need_input_password);
    // The first non-empty of the three names counts.
    const std::string second
        = "{\"filename\": \"\", \"file_name\": \"" + path + "\", \"password\": \"" + password63 + "\"}";
    p.json = second.c_str();
    EXPECT_EQ(vl_get_file_time_v1(&p), vl_success);

    // A name that does not fit the player's 1056 bytes is refused, not cut.
    const std::string long_name = "{\"filename\": \"" + dir.path() + "/" + std::string(1100, 'n') + "\"}";
    p.json = long_name.c_str();
    EXPECT_EQ(vl_get_file_time_v1(&p), vl_invalid_argument);
    p.json = R"({"filename": 5.5, "password": []})";
    EXPECT_EQ(vl_get_file_time_v1(&p), vl_fail) << "a value of the wrong type";
}

TEST_F(Catalogue, PlayerSettingsAndConsoleLog)
{
    EXPECT_EQ(vl_play_dynamic_config(nullptr, nullptr), vl_success);
    EXPECT_EQ(vl_play_dynamic_config(nullptr, "{"), vl_parse_json_error);
    EXPECT_EQ(vl_play_dynamic_config(nullptr, R"({"max hardware decode num": 4})"), vl_success);
    EXPECT_EQ(vl_play_dynamic_config(nullptr, R"({"max hardware decode num": null})"), vl_success);
    EXPECT_EQ(vl_play_dynamic_config(nullptr, R"({"max hardware decode num": "four"})"), vl_parse_json_error);
    EXPECT_EQ(vl_enable_console_log(0), 1) << "the player's answer";
}
