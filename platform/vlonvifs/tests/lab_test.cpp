// The VLOnvifs stand-in against simulated ONVIF devices in the lab: the
// WS-Discovery search, logins, the query and set of the network record, and
// the callback contract of both (many runs, so the sanitizer build sees the
// races if there are any).
#include "support/devsim_lab.h"
#include "support/lab.h"
#include "support/poll.h"
#include "support/process.h"
#include "vlonvifs.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
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

using vltest::pollUntil;

namespace
{

const char* kPassword = "Admin_123";

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
        if (record && f->onRecord)
            f->onRecord();
        // The last touch of `f` happens under its lock: a test that has seen
        // the end may drop it at once.
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
            f->inside.fetch_sub(1);
            f->changed.notify_all();
        }
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

// What one connection reported, with the checks of its contract.
struct Statuses {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<int> list;
    std::set<std::thread::id> threads;
    std::atomic<bool> started { false }, stopped { false };
    std::atomic<int> inside { 0 }, early { 0 }, late { 0 }, overlaps { 0 };
    std::function<void(int)> onStatus; // runs inside the callback

    static void VLONVIFS_CALL callback(std::int32_t status, void* user)
    {
        auto* s = static_cast<Statuses*>(user);
        if (!s->started)
            ++s->early;
        if (s->stopped)
            ++s->late;
        if (s->inside.fetch_add(1) != 0)
            ++s->overlaps;
        if (s->onStatus)
            s->onStatus(status);
        // The last touch of `s` happens under its lock (see Found).
        std::lock_guard<std::mutex> hold(s->lock);
        s->list.push_back(status);
        s->threads.insert(std::this_thread::get_id());
        s->inside.fetch_sub(1);
        s->changed.notify_all();
    }
    // The first status, or 0 when none came within `ms`.
    int first(int ms = 10000)
    {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, std::chrono::milliseconds(ms), [this] { return !list.empty(); })
            ? list[0]
            : 0;
    }
    std::vector<int> all()
    {
        std::lock_guard<std::mutex> hold(lock);
        return list;
    }
};

int connect(Statuses& statuses, const std::string& ip, int port, const char* user, const char* password)
{
    VLONVIF_CONNECTION_START s;
    std::memset(&s, 0, sizeof s);
    s.ip = ip.c_str();
    s.port = port;
    s.user = user;
    s.password = password;
    s.user_data = &statuses;
    s.status_callback = &Statuses::callback;
    int h = VLOnvifConnectionStart(&s);
    statuses.started = true;
    return h;
}

std::string text(const std::uint8_t bytes[4])
{
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "."
        + std::to_string(bytes[3]);
}

void put(std::uint8_t out[4], const std::string& dotted)
{
    unsigned a, b, c, d;
    ASSERT_EQ(std::sscanf(dotted.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d), 4) << dotted;
    out[0] = std::uint8_t(a);
    out[1] = std::uint8_t(b);
    out[2] = std::uint8_t(c);
    out[3] = std::uint8_t(d);
}

// Command 511 on a fresh record as the program sends it: {511, 0, record, 460, 0...}.
int query(int handle, VLONVIF_NETWORK_PARAM* record)
{
    std::memset(record, 0, sizeof *record);
    record->size = sizeof *record;
    VLONVIF_QUERY_PARAM_EX request {};
    request.command = VLONVIF_CMD_NETWORK;
    request.buffer = record;
    request.buffer_size = sizeof *record;
    return VLOnvifQueryParamEx(handle, &request);
}

int set(int handle, const VLONVIF_NETWORK_PARAM& record)
{
    VLONVIF_SET_PARAM request {};
    request.command = VLONVIF_CMD_NETWORK;
    request.record = &record;
    return VLOnvifSetParam(handle, &request);
}

class OnvifLab : public vltest::DevsimLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        // 40 devices, every fourth of them ONVIF-capable.
        startDevsim(
            { "--generate", "40", "--seed", "5", "--inactive-percent", "0", "--onvif-percent", "25" });
        VLOnvifInit();
        // One probe, then two seconds for the answers (devsim spreads them
        // over 500 ms; a loaded machine can hold them back a while); two
        // seconds for each SOAP exchange.
        ASSERT_TRUE(VLOnvifSetSearchTimeout(1, 2, 2));
    }
    static void TearDownTestSuite()
    {
        VLOnvifRelease();
        stopDevsim();
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
    // The n-th ONVIF-capable device: its state.
    static Json::Value onvifDevice(int n)
    {
        auto all = onvifDevices();
        std::vector<int> indexes;
        for (const auto& [ip, d] : all)
            indexes.push_back(d["index"].asInt());
        std::sort(indexes.begin(), indexes.end());
        return state(indexes.at(std::size_t(n)));
    }
    static void setState(int index, const std::string& stateJson)
    {
        sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(index) + ",\"state\":" + stateJson + "}");
    }
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
    EXPECT_GE(took, std::chrono::milliseconds(1900)) << "the search lasts its time";
    EXPECT_LT(took, std::chrono::milliseconds(4000));
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
    // The handle is ours once the start returned; the callback takes it
    // under this lock, as a program would.
    std::mutex handleLock;
    VLONVIF_SEARCH_HANDLE h = nullptr;
    std::atomic<int> stops { 0 };
    found.onRecord = [&] {
        std::lock_guard<std::mutex> hold(handleLock);
        if (stops++ == 0) {
            EXPECT_EQ(VLOnvifSearchDevStop(&h), 1);
        }
    };
    {
        std::lock_guard<std::mutex> hold(handleLock);
        h = startSearch(found);
        ASSERT_NE(h, nullptr);
    }
    ASSERT_TRUE(found.waitEnd());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::lock_guard<std::mutex> handle(handleLock);
    std::lock_guard<std::mutex> hold(found.lock);
    EXPECT_EQ(found.ends, 1);
    EXPECT_EQ(found.records.size(), 1u) << "nothing after the stop but the null record";
    EXPECT_EQ(h, nullptr);
}

TEST_F(OnvifLab, LoginsReportOneStatusEach)
{
    const Json::Value dev = onvifDevice(0);
    const std::string ip = dev["network"]["ip"].asString();
    const int port = dev["network"]["web_port"].asInt();
    const Json::Value plain = state(0); // not ONVIF-capable: its web port answers no SOAP
    ASSERT_FALSE(plain["onvif"].asBool());
    struct Case {
        const char* what;
        std::string ip;
        int port;
        const char* user;
        const char* password;
        int status;
    } cases[] = {
        { "right password", ip, port, "admin", kPassword, VLONVIF_STATUS_LOGIN_SUCCESS },
        { "wrong password", ip, port, "admin", "Admin_124", VLONVIF_STATUS_WRONG_USER_OR_PASSWORD },
        { "unknown user", ip, port, "ghost", kPassword, VLONVIF_STATUS_WRONG_USER_OR_PASSWORD },
        { "no password", ip, port, "admin", "", VLONVIF_STATUS_WRONG_USER_OR_PASSWORD },
        { "a device that speaks no ONVIF", plain["network"]["ip"].asString(),
            plain["network"]["web_port"].asInt(), "admin", kPassword, VLONVIF_STATUS_CONNECTION_LOST },
        { "a port nobody listens on", ip, 8099, "admin", kPassword, VLONVIF_STATUS_CONNECTION_LOST },
    };
    int last = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Statuses st;
        int h = connect(st, c.ip, c.port, c.user, c.password);
        ASSERT_NE(h, 0);
        EXPECT_GT(h, last) << "handles are never reused";
        last = h;
        EXPECT_EQ(st.first(), c.status);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(st.all().size(), 1u) << "one status, nothing after it";
        EXPECT_EQ(st.threads.count(std::this_thread::get_id()), 0u) << "never on the caller's thread";
        VLONVIF_NETWORK_PARAM record;
        EXPECT_EQ(query(h, &record), c.status == VLONVIF_STATUS_LOGIN_SUCCESS ? 1 : 0);
        EXPECT_EQ(VLOnvifConnectionStop(&h), 1);
        EXPECT_EQ(h, 0);
        EXPECT_EQ(VLOnvifConnectionStop(&h), 0);
    }

    // A device off the network.
    setState(dev["index"].asInt(), R"({"faults":{"offline":true}})");
    Statuses off;
    int h = connect(off, ip, port, "admin", kPassword);
    EXPECT_EQ(off.first(), VLONVIF_STATUS_CONNECTION_LOST);
    VLOnvifConnectionStop(&h);
    setState(dev["index"].asInt(), R"({"faults":{"offline":false}})");

    // Refused starts make no callback.
    Statuses refused;
    EXPECT_EQ(connect(refused, "192.168.1", port, "admin", kPassword), 0);
    EXPECT_EQ(connect(refused, ip, 0, "admin", kPassword), 0);
    EXPECT_EQ(connect(refused, ip, 65536, "admin", kPassword), 0);
    EXPECT_EQ(VLOnvifConnectionStart(nullptr), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(refused.all().empty());
}

TEST_F(OnvifLab, QueryReadsTheNetworkRecord)
{
    const Json::Value dev = onvifDevice(1);
    const int index = dev["index"].asInt();
    setState(index, R"({"network":{"mask":"255.255.254.0","gateway":"192.168.0.254","dhcp":false}})");
    const Json::Value now = state(index);
    Statuses st;
    int h = connect(
        st, now["network"]["ip"].asString(), now["network"]["web_port"].asInt(), "admin", kPassword);
    ASSERT_EQ(st.first(), VLONVIF_STATUS_LOGIN_SUCCESS);

    VLONVIF_NETWORK_PARAM record;
    ASSERT_EQ(query(h, &record), 1);
    EXPECT_EQ(record.size, 460);
    EXPECT_EQ(text(record.ipv4), now["network"]["ip"].asString());
    EXPECT_EQ(text(record.netmask), "255.255.254.0");
    EXPECT_EQ(text(record.gateway), "192.168.0.254");
    EXPECT_EQ(record.web_port, now["network"]["web_port"].asInt());
    EXPECT_EQ(record.address_mode, VLONVIF_ADDRESS_STATIC);
    EXPECT_EQ(record.reserved25[0], 0);

    setState(index, R"({"network":{"dhcp":true}})");
    ASSERT_EQ(query(h, &record), 1);
    EXPECT_EQ(record.address_mode, VLONVIF_ADDRESS_DHCP);
    EXPECT_EQ(text(record.ipv4), now["network"]["ip"].asString());
    setState(index, R"({"network":{"dhcp":false}})");

    // Requests the program never sends are refused and leave the record alone.
    VLONVIF_QUERY_PARAM_EX wrong {};
    wrong.command = 512;
    wrong.buffer = &record;
    wrong.buffer_size = sizeof record;
    EXPECT_EQ(VLOnvifQueryParamEx(h, &wrong), 0);
    wrong.command = VLONVIF_CMD_NETWORK;
    wrong.buffer_size = 459;
    EXPECT_EQ(VLOnvifQueryParamEx(h, &wrong), 0);
    EXPECT_EQ(VLOnvifQueryParamEx(h, nullptr), 0);
    EXPECT_EQ(VLOnvifQueryParamEx(h + 1000, &wrong), 0);

    // The password changed on the device: the query fails, nothing is written.
    setState(index, R"({"users":[{"name":"admin","password":"Changed_9"}]})");
    std::memset(&record, 0x5A, sizeof record);
    VLONVIF_QUERY_PARAM_EX request {};
    request.command = VLONVIF_CMD_NETWORK;
    request.buffer = &record;
    request.buffer_size = sizeof record;
    EXPECT_EQ(VLOnvifQueryParamEx(h, &request), 0);
    EXPECT_EQ(record.ipv4[0], 0x5A);
    setState(index, R"({"users":[{"name":"admin","password":"Admin_123"}]})");
    VLOnvifConnectionStop(&h);
    EXPECT_EQ(query(h, &record), 0) << "a stopped connection";
}

TEST_F(OnvifLab, SetMovesTheDeviceAndItsWebPortAndTheNextSearchFindsItThere)
{
    const Json::Value dev = onvifDevice(2);
    const int index = dev["index"].asInt();
    // On a /24, so that the new gateway is off the device's network until
    // the device has moved (it refuses it first, and takes it after).
    setState(index, R"({"network":{"mask":"255.255.255.0"}})");
    Statuses st;
    int h = connect(
        st, dev["network"]["ip"].asString(), dev["network"]["web_port"].asInt(), "admin", kPassword);
    ASSERT_EQ(st.first(), VLONVIF_STATUS_LOGIN_SUCCESS);
    VLONVIF_NETWORK_PARAM record;
    ASSERT_EQ(query(h, &record), 1);

    // What the program writes over the queried record.
    put(record.ipv4, "192.168.77.7");
    put(record.netmask, "255.255.255.0");
    put(record.gateway, "192.168.77.1");
    record.web_port = 8081;
    record.address_mode = VLONVIF_ADDRESS_STATIC;
    ASSERT_EQ(set(h, record), 1);
    ASSERT_TRUE(pollUntil([&] {
        Json::Value s = state(index)["network"];
        return s["ip"].asString() == "192.168.77.7" && s["web_port"].asInt() == 8081;
    }));
    const Json::Value net = state(index)["network"];
    EXPECT_EQ(net["mask"].asString(), "255.255.255.0");
    EXPECT_EQ(net["gateway"].asString(), "192.168.77.1");
    EXPECT_FALSE(net["dhcp"].asBool());

    // The connection follows the device (once its new port listens).
    VLONVIF_NETWORK_PARAM again;
    ASSERT_TRUE(pollUntil([&] { return query(h, &again) == 1; }));
    EXPECT_EQ(text(again.ipv4), "192.168.77.7");
    EXPECT_EQ(again.web_port, 8081);

    Found found;
    VLONVIF_SEARCH_HANDLE s = startSearch(found);
    ASSERT_TRUE(found.waitEnd());
    auto got = found.byIp();
    VLOnvifSearchDevStop(&s);
    ASSERT_TRUE(got.count("192.168.77.7"));
    EXPECT_EQ(got["192.168.77.7"].web_port, 8081u);
    EXPECT_FALSE(got.count(dev["network"]["ip"].asString())) << "nothing answers at the old address";

    // Zero fields keep the device's values; DHCP takes neither address nor mask.
    VLONVIF_NETWORK_PARAM dhcp {};
    dhcp.size = sizeof dhcp;
    dhcp.address_mode = VLONVIF_ADDRESS_DHCP;
    ASSERT_EQ(set(h, dhcp), 1);
    EXPECT_TRUE(state(index)["network"]["dhcp"].asBool());
    EXPECT_EQ(state(index)["network"]["ip"].asString(), "192.168.77.7");

    // Refused: the device keeps its settings.
    struct Refused {
        const char* what;
        std::uint8_t mode;
        const char* mask;
        int port;
    } refused[] = {
        { "address mode 1", 1, "255.255.255.0", 0 },
        { "a mask with a hole", VLONVIF_ADDRESS_STATIC, "255.0.255.0", 0 },
        { "the HTTPS port for HTTP", VLONVIF_ADDRESS_STATIC, "255.255.255.0", 443 },
        { "a port out of range", VLONVIF_ADDRESS_STATIC, "255.255.255.0", 70000 },
    };
    setState(index, R"({"network":{"https_port":443}})");
    for (const auto& r : refused) {
        SCOPED_TRACE(r.what);
        VLONVIF_NETWORK_PARAM bad {};
        bad.size = sizeof bad;
        put(bad.ipv4, "192.168.78.8");
        put(bad.netmask, r.mask);
        bad.web_port = r.port;
        bad.address_mode = r.mode;
        EXPECT_EQ(set(h, bad), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(state(index)["network"]["ip"].asString(), "192.168.77.7");
        EXPECT_EQ(state(index)["network"]["web_port"].asInt(), 8081);
    }
    VLOnvifConnectionStop(&h);
    Json::Value back(Json::objectValue);
    back["cmd"] = "set";
    back["device"] = index;
    back["state"]["network"] = dev["network"];
    sim->must(back);
}

TEST_F(OnvifLab, NoStatusBeforeStartReturnsOrAfterStopReturns)
{
    const Json::Value dev = onvifDevice(3);
    const std::string ip = dev["network"]["ip"].asString();
    const int port = dev["network"]["web_port"].asInt();
    std::mt19937 rng(11);
    for (int i = 0; i < 120; ++i) {
        SCOPED_TRACE(i);
        auto st = std::make_unique<Statuses>();
        int h = connect(*st, ip, port, "admin", i % 4 == 0 ? "wrong" : kPassword);
        ASSERT_NE(h, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 8000));
        ASSERT_EQ(VLOnvifConnectionStop(&h), 1);
        st->stopped = true;
        std::this_thread::sleep_for(std::chrono::microseconds(300));
        ASSERT_EQ(st->early.load(), 0);
        ASSERT_EQ(st->late.load(), 0);
        ASSERT_EQ(st->overlaps.load(), 0);
        ASSERT_LE(st->all().size(), 1u);
    }
    // Stopped from its own callback.
    Statuses own;
    std::mutex handleLock;
    int h = 0;
    own.onStatus = [&](int) {
        std::lock_guard<std::mutex> hold(handleLock);
        EXPECT_EQ(VLOnvifConnectionStop(&h), 1);
    };
    {
        std::lock_guard<std::mutex> hold(handleLock);
        h = connect(own, ip, port, "admin", kPassword);
    }
    EXPECT_EQ(own.first(), VLONVIF_STATUS_LOGIN_SUCCESS);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::lock_guard<std::mutex> hold(handleLock);
    EXPECT_EQ(h, 0);
}

TEST_F(OnvifLab, OnvifUtilListsTheDevicesAndReadsTheirNetworkSettings)
{
    // A client nobody here wrote (Debian's onvif-tools), in the same
    // namespace as this test. It listens for discovery answers only until
    // 500 ms pass without one, so a busy machine can make it miss all of
    // them: a run counts when its output holds `want`, and gets three tries.
    vltest::TempDir dir;
    auto run = [&](const std::string& name, const std::vector<std::string>& argv, const std::string& want) {
        std::string out;
        for (int attempt = 0; attempt < 3; ++attempt) {
            vltest::Process p(argv, dir.file(name + std::to_string(attempt)));
            EXPECT_EQ(p.wait(30000), 0) << p.log();
            out = p.log();
            if (out.find(want) != std::string::npos)
                break;
        }
        return out;
    };
    const auto expected = onvifDevices();
    const std::string found = "Found " + std::to_string(expected.size()) + " cameras";
    const std::string listed = run("all", { "onvif-util", "-a" }, found);
    EXPECT_NE(listed.find(found), std::string::npos) << listed;
    for (const auto& [ip, dev] : expected) {
        const Json::Value s = state(dev["index"].asInt());
        EXPECT_NE(listed.find(ip + " " + s["name"].asString()), std::string::npos) << ip << " in:\n"
                                                                                   << listed;
    }

    const Json::Value dev = onvifDevice(4);
    const std::string ip = dev["network"]["ip"].asString();
    const std::string session = run("login",
        { "/bin/sh", "-c",
            "printf 'get network\\nquit\\n' | exec onvif-util -u admin -p " + std::string(kPassword) + " "
                + ip },
        "IP Address:");
    EXPECT_NE(session.find("serial: " + dev["serial"].asString()), std::string::npos) << session;
    EXPECT_NE(session.find("IP Address: " + ip), std::string::npos) << session;
    EXPECT_NE(session.find("Gateway:    " + dev["network"]["gateway"].asString()), std::string::npos)
        << session;
    EXPECT_NE(session.find(std::string("DHCP:       ") + (dev["network"]["dhcp"].asBool() ? "YES" : "NO")),
        std::string::npos)
        << session;
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
