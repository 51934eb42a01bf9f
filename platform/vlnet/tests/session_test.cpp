// The VLNet stand-in against simulated devices in the lab: login kinds and
// failures, the device record, the callback contract, drops and reconnects,
// simple commands and device messages.
#include "events.h"
#include "support/devsim.h"
#include "support/vlnet_lab.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <json/reader.h>
#include <memory>
#include <random>

using vltest::Devsim;
using vltest::Events;
using vltest::startV1;

namespace
{

const char* kPassword = "Admin_123";

class Session : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        // Short times so that drops and reconnects are seen in a test's span.
        startLab({ "200", "1500", "1500", "300" },
            { "--generate", "16", "--seed", "3", "--inactive-percent", "0" });
    }

    static std::string ip(int n) { return state(n)["network"]["ip"].asString(); }
    static void set(int n, const std::string& stateJson)
    {
        sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(n) + ",\"state\":" + stateJson + "}");
    }
};

TEST_F(Session, MediaLoginReportsConnectingThenSuccessAndTheDeviceRecord)
{
    Events ev;
    int h = startV1(ev, ip(0), "admin", kPassword, VLNET_PROTOCOL_MEDIA);
    ASSERT_NE(h, 0);
    ASSERT_TRUE(ev.waitStatus(101));
    EXPECT_EQ(ev.statusList(), (std::vector<int> { 0, 101 }));

    VLNET_DEVICE_INFO info;
    std::memset(&info, 0xEE, sizeof(info));
    ASSERT_EQ(VLNetGetDevInfo(h, &info, sizeof(info)), 1);
    Json::Value dev = state(0);
    EXPECT_EQ(std::string(info.mac_addr), dev["mac"].asString());
    EXPECT_EQ(std::string(info.serial_number), dev["serial"].asString());
    EXPECT_EQ(std::string(info.dev_ver), dev["firmware"].asString());
    EXPECT_EQ(std::string(info.device_name), dev["name"].asString());
    EXPECT_EQ(info.sys_channel_num, dev["channels"].size());
    EXPECT_EQ(info.channel_num, dev["channels"].size());
    EXPECT_EQ((info.high_type >> 8) & 0xF, dev["device_type"].asUInt());
    EXPECT_EQ(info.is_admin, 1);
    EXPECT_EQ(info.reserved894[0], 0) << "the record is zero-filled, not left as the caller's bytes";

    VLNET_HTTP_DEVICE_INFO http;
    ASSERT_EQ(VLNetGetHttpDevInfo(h, &http, sizeof(http)), 1);
    EXPECT_EQ(std::string(http.protocol), "media");
    EXPECT_EQ(std::string(http.address), ip(0));
    EXPECT_EQ(std::string(http.cookie), "");

    EXPECT_EQ(VLNetConnectionStop(&h), 1);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(ev.early.load(), 0);
    EXPECT_EQ(ev.overlaps.load(), 0);
}

TEST_F(Session, MediaLoginOverIPv6)
{
    Json::Value dev = state(0);
    std::string ula = dev["network"]["ipv6"].asString();
    ASSERT_FALSE(ula.empty());
    Events ev;
    int h = startV1(ev, ula, "admin", kPassword);
    ASSERT_TRUE(ev.waitStatus(101)) << ula;
    VLNET_DEVICE_INFO info;
    ASSERT_EQ(VLNetGetDevInfo(h, &info, sizeof(info)), 1);
    EXPECT_EQ(std::string(info.mac_addr), dev["mac"].asString());
    VLNET_HTTP_DEVICE_INFO http;
    ASSERT_EQ(VLNetGetHttpDevInfo(h, &http, sizeof(http)), 1);
    EXPECT_EQ(std::string(http.address), ula);
    VLNetConnectionStop(&h);
}

TEST_F(Session, LoginFailuresReportTheirStatusAndEndTheSession)
{
    struct Case {
        const char* what;
        const char* user;
        const char* password;
        const char* faults; // devsim faults to set first, or null
        int status;
    } cases[] = {
        { "wrong password", "admin", "nope", nullptr, 103 },
        { "unknown user", "ghost", kPassword, nullptr, 104 },
        { "device refuses logins", "admin", kPassword, R"({"refuse_login":108})", 108 },
        { "device blocks the account", "admin", kPassword, R"({"refuse_login":153})", 153 },
        { "device off the network", "admin", kPassword, R"({"offline":true})", 3 },
        { "device drops every answer", "admin", kPassword, R"({"drop":true})", 3 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.faults)
            set(1, std::string("{\"faults\":") + c.faults + "}");
        Events ev;
        int h = startV1(ev, ip(1), c.user, c.password);
        ASSERT_NE(h, 0);
        ASSERT_TRUE(ev.waitStatus(c.status, 8000)) << "got " << ev.statusList().size() << " statuses";
        // No retry after a refusal: nothing else arrives.
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        EXPECT_EQ(ev.statusList(), (std::vector<int> { 0, c.status }));
        VLNET_DEVICE_INFO info;
        EXPECT_EQ(VLNetGetDevInfo(h, &info, sizeof(info)), 0);
        VLNetConnectionStop(&h);
        sim->must(R"({"cmd":"fault","device":1,"clear":true})");
    }
}

TEST_F(Session, HttpLoginKindsReportTheirStatusAndTheWebSession)
{
    set(2, R"({"network":{"https_port":443}})");
    set(3, R"({"network":{"https_port":0}})");
    struct Case {
        const char* what;
        int device;
        std::uint8_t flags;
        int status;
        bool https;
        int port = 80; // the port the caller names
    } cases[] = {
        { "http", 2, VLNET_PROTOCOL_HTTP, 151, false },
        { "https", 2, VLNET_PROTOCOL_HTTPS, 152, true },
        { "auto", 2, VLNET_PROTOCOL_AUTO, 152, true },
        { "auto without https on the device", 3, VLNET_PROTOCOL_AUTO, 151, false },
        { "auto naming the HTTPS port", 2, VLNET_PROTOCOL_AUTO, 152, true, 443 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Events ev;
        // The caller names the web port; HTTPS is found from there.
        int h = startV1(ev, ip(c.device), "admin", kPassword, c.flags, c.port);
        ASSERT_TRUE(ev.waitStatus(c.status));
        EXPECT_EQ(ev.statusList(), (std::vector<int> { 0, c.status }));
        VLNET_HTTP_DEVICE_INFO http;
        ASSERT_EQ(VLNetGetHttpDevInfo(h, &http, sizeof(http)), 1);
        Json::Value dev = state(c.device);
        ASSERT_EQ(dev["web_sessions"].size(), 1u);
        EXPECT_EQ(std::string(http.cookie), dev["web_sessions"][0]["cookie"].asString());
        EXPECT_EQ(std::string(http.token), dev["web_sessions"][0]["token"].asString());
        EXPECT_FALSE(std::string(http.cookie).empty());
        EXPECT_EQ(http.https, c.https ? 1 : 0);
        EXPECT_EQ(http.port, c.https ? 443 : dev["network"]["web_port"].asInt());
        EXPECT_EQ(std::string(http.address), ip(c.device));
        EXPECT_EQ(std::string(http.user_name), "admin");
        // The texts that come with an HTTP login.
        EXPECT_NE(ev.channelInfo.find("\"channel_param\""), std::string::npos);
        EXPECT_NE(ev.deviceInfo.find("\"talkback\""), std::string::npos);
        // The record comes over the web session, which the device accepts.
        sim->must("{\"cmd\":\"received\",\"clear\":true,\"device\":" + std::to_string(c.device) + "}");
        VLNET_DEVICE_INFO info;
        EXPECT_EQ(VLNetGetDevInfo(h, &info, sizeof(info)), 1);
        EXPECT_EQ(std::string(info.mac_addr), dev["mac"].asString());
        const auto asked = takeReceived(c.device, "/API/Login/DeviceRecord/Get");
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_TRUE(asked[0]["authorized"].asBool());
        EXPECT_EQ(asked[0]["scheme"].asString(), c.https ? "https" : "http");
        VLNetConnectionStop(&h);
        // The web session ends with the connection.
        ASSERT_TRUE(vltest::pollUntil([&] { return state(c.device)["web_sessions"].empty(); }, 3000));
    }
}

TEST_F(Session, DeviceWithoutPasswordAsksForTheFirstOneThenCloses)
{
    set(4, R"({"activated":false})");
    Events ev;
    int h = startV1(ev, ip(4), "admin", "", VLNET_PROTOCOL_AUTO);
    ASSERT_TRUE(ev.waitStatus(2));
    EXPECT_EQ(ev.statusList(), (std::vector<int> { 0, 154, 2 }))
        << "nothing to retry until it has a password";
    VLNET_HTTP_DEVICE_INFO http;
    ASSERT_EQ(VLNetGetHttpDevInfo(h, &http, sizeof(http)), 1);
    EXPECT_EQ(http.activation_password, 1);
    EXPECT_EQ(http.port, state(4)["network"]["web_port"].asInt());
    EXPECT_EQ(std::string(http.cookie), "");
    VLNET_DEVICE_INFO info;
    EXPECT_EQ(VLNetGetDevInfo(h, &info, sizeof(info)), 0);
    VLNetConnectionStop(&h);
    set(4, R"({"activated":true})");
}

TEST_F(Session, WebLoginFailuresReportTheirStatusOnce)
{
    const int n = 14;
    struct Case {
        const char* what;
        const char* user;
        const char* password;
        const char* faults; // devsim faults to set first, or null
        int status;
    } cases[] = {
        { "wrong password", "admin", "nope", nullptr, 103 },
        { "unknown user", "ghost", kPassword, nullptr, 104 },
        { "device refuses logins", "admin", kPassword, R"({"refuse_login":108})", 108 },
        { "device off the network", "admin", kPassword, R"({"offline":true})", 3 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.faults)
            set(n, std::string("{\"faults\":") + c.faults + "}");
        Events ev;
        int h = startV1(ev, ip(n), c.user, c.password, VLNET_PROTOCOL_AUTO, 80);
        ASSERT_NE(h, 0);
        ASSERT_TRUE(ev.waitStatus(c.status, 8000)) << "got " << ev.statusList().size() << " statuses";
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        EXPECT_EQ(ev.statusList(), (std::vector<int> { 0, c.status })) << "no retry after a refusal";
        EXPECT_TRUE(state(n)["web_sessions"].empty());
        VLNetConnectionStop(&h);
        sim->must("{\"cmd\":\"fault\",\"device\":" + std::to_string(n) + ",\"clear\":true}");
    }
}

TEST_F(Session, WrongPasswordsLockTheAccount)
{
    const int n = 15;
    auto loginStatus = [&](const char* password) {
        Events ev;
        int h = startV1(ev, ip(n), "admin", password, VLNET_PROTOCOL_HTTP, 80);
        EXPECT_TRUE(ev.waitFor([&] { return ev.statuses.size() >= 2; }));
        VLNetConnectionStop(&h);
        return ev.statusList().back();
    };
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(loginStatus("wrong"), 103) << "attempt " << i + 1;
    EXPECT_EQ(loginStatus(kPassword), 153) << "the right password too, while locked";
    // A reboot forgets the lock.
    sim->must(R"({"cmd":"reboot","device":15,"seconds":0})");
    ASSERT_TRUE(vltest::pollUntil([&] { return state(n)["online"].asBool(); }, 5000));
    EXPECT_EQ(loginStatus(kPassword), 151);
}

TEST_F(Session, AutoFallsBackToHttpWhereHttpsFails)
{
    const int n = 2;
    set(n, R"({"network":{"https_port":443}})");
    sim->must(R"({"cmd":"web","device":2,"tls_refuse":true})");
    for (auto [flags, status] :
        { std::pair<std::uint8_t, int> { VLNET_PROTOCOL_AUTO, 151 }, { VLNET_PROTOCOL_HTTPS, 3 } }) {
        SCOPED_TRACE(int(flags));
        Events ev;
        int h = startV1(ev, ip(n), "admin", kPassword, flags, 80);
        ASSERT_TRUE(ev.waitStatus(status));
        EXPECT_EQ(ev.statusList(), (std::vector<int> { 0, status }));
        VLNetConnectionStop(&h);
    }
    sim->must(R"({"cmd":"web","device":2,"clear":true})");
}

TEST_F(Session, WebSessionComesBackWithAFreshCookieAfterAReboot)
{
    const int n = 7;
    Events ev;
    int h = startV1(ev, ip(n), "admin", kPassword, VLNET_PROTOCOL_HTTP, 80);
    ASSERT_TRUE(ev.waitStatus(151));
    VLNET_HTTP_DEVICE_INFO before;
    ASSERT_EQ(VLNetGetHttpDevInfo(h, &before, sizeof(before)), 1);
    sim->must(R"({"cmd":"reboot","device":7,"seconds":1})");
    ASSERT_TRUE(ev.waitFor([&] { return ev.statuses.size() >= 4 && ev.statuses.back() == 151; }, 15000));
    const auto got = ev.statusList();
    ASSERT_EQ(got.size(), 5u);
    EXPECT_TRUE(got[2] == 2 || got[2] == 3) << got[2];
    EXPECT_EQ(got[3], 0);
    VLNET_HTTP_DEVICE_INFO after;
    ASSERT_EQ(VLNetGetHttpDevInfo(h, &after, sizeof(after)), 1);
    EXPECT_STRNE(after.cookie, before.cookie);
    EXPECT_STRNE(after.token, before.token);
    const Json::Value web = state(n)["web_sessions"];
    ASSERT_EQ(web.size(), 1u);
    EXPECT_EQ(web[0]["cookie"].asString(), std::string(after.cookie));
    VLNET_DEVICE_INFO info;
    EXPECT_EQ(VLNetGetDevInfo(h, &info, sizeof(info)), 1);
    EXPECT_EQ(std::string(info.mac_addr), state(n)["mac"].asString());
    VLNetConnectionStop(&h);
}

TEST_F(Session, NoCallbackBeforeTheHandleExistsOrAfterStopReturns)
{
    // Stops at every stage of a login: before the connect, during it, after
    // the success, while messages arrive.
    std::mt19937 rng(42);
    std::string address = ip(5);
    for (int i = 0; i < 150; ++i) {
        auto ev = std::make_unique<Events>();
        int h = startV1(*ev, address, "admin", kPassword);
        ASSERT_NE(h, 0);
        int wait = int(rng() % 4000);
        if (i % 3 == 0) {
            ev->waitStatus(101, 3000);
            VLNET_SIMPLE_CMD cmd { VLNET_CMD_REQUEST_MESSAGE, VLNET_MSG_REMOTE_CH_STATUS, { 0, 0 } };
            VLNetSimpleCmd(h, &cmd);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(wait));
        ASSERT_EQ(VLNetConnectionStop(&h), 1);
        ev->stopped = true;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        ASSERT_EQ(ev->early.load(), 0) << "round " << i;
        ASSERT_EQ(ev->late.load(), 0) << "round " << i;
        ASSERT_EQ(ev->overlaps.load(), 0) << "round " << i;
        ASSERT_EQ(ev->inside.load(), 0) << "round " << i;
    }
}

TEST_F(Session, CallbacksOfOneConnectionRunInOrderOnOneThread)
{
    Events ev;
    int h = startV1(ev, ip(6), "admin", kPassword);
    ASSERT_TRUE(ev.waitStatus(101));
    // A burst of messages pushed while commands ask for more.
    for (int i = 0; i < 20; ++i)
        sim->must(R"({"cmd":"push","device":6,"id":611})");
    VLNET_SIMPLE_CMD cmd { VLNET_CMD_REQUEST_MESSAGE, VLNET_MSG_DEV_ALL_STATUS, { 0, 0 } };
    ASSERT_EQ(VLNetSimpleCmd(h, &cmd), 1);
    ASSERT_TRUE(ev.waitFor([&] { return ev.messages.size() == 21; }));
    VLNetConnectionStop(&h);
    EXPECT_EQ(ev.overlaps.load(), 0);
    EXPECT_EQ(ev.threads.size(), 1u);
    EXPECT_EQ(ev.messages.back().first, VLNET_MSG_DEV_ALL_STATUS)
        << "the answer comes after the earlier pushes";
}

TEST_F(Session, RebootDropsTheSessionAndItReconnectsByItself)
{
    Events ev;
    int h = startV1(ev, ip(7), "admin", kPassword);
    ASSERT_TRUE(ev.waitStatus(101));
    sim->must(R"({"cmd":"received","device":7,"clear":true})");
    sim->must(R"({"cmd":"reboot","device":7,"seconds":1})");
    ASSERT_TRUE(ev.waitFor([&] { return ev.statuses.size() >= 4 && ev.statuses.back() == 101; }, 10000));
    EXPECT_EQ(ev.statusList(), (std::vector<int> { 0, 101, 2, 0, 101 }));
    // The device saw the new login once it was back.
    Json::Value got = sim->must(R"({"cmd":"received","device":7})")["received"];
    bool login = false;
    for (const auto& r : got)
        login = login || r["what"].asString() == "LOGIN";
    EXPECT_TRUE(login);
    VLNET_DEVICE_INFO info;
    EXPECT_EQ(VLNetGetDevInfo(h, &info, sizeof(info)), 1);
    VLNetConnectionStop(&h);
}

TEST_F(Session, ResetDropsTheSessionAndItReconnects)
{
    Events ev;
    int h = startV1(ev, ip(8), "admin", kPassword, VLNET_PROTOCOL_HTTP);
    ASSERT_TRUE(ev.waitStatus(151));
    ASSERT_EQ(VLNetResetConnection(h), 1);
    ASSERT_TRUE(ev.waitFor([&] { return ev.statuses.size() == 5; }));
    EXPECT_EQ(ev.statusList(), (std::vector<int> { 0, 151, 4, 0, 151 }));
    VLNetConnectionStop(&h);
    int none = 12345;
    EXPECT_EQ(VLNetResetConnection(none), 0);
}

TEST_F(Session, ChannelStatusRequestBringsTheChannelRecords)
{
    Events ev;
    int n = 9;
    int h = startV1(ev, ip(n), "admin", kPassword);
    ASSERT_TRUE(ev.waitStatus(101));
    Json::Value dev = state(n);
    VLNET_SIMPLE_CMD cmd { VLNET_CMD_REQUEST_MESSAGE, VLNET_MSG_REMOTE_CH_STATUS, { 0, 0 } };
    ASSERT_EQ(VLNetSimpleCmd(h, &cmd), 1);
    ASSERT_TRUE(ev.waitFor([&] { return !ev.messages.empty(); }));
    auto [id, data] = ev.messages[0];
    EXPECT_EQ(id, 611);
    ASSERT_EQ(data.size(), dev["channels"].size() * sizeof(VLNET_CHANNEL_STATUS));
    for (Json::ArrayIndex c = 0; c < dev["channels"].size(); ++c) {
        VLNET_CHANNEL_STATUS rec;
        std::memcpy(&rec, data.data() + c * sizeof(rec), sizeof(rec));
        EXPECT_EQ(rec.record_length, sizeof(rec));
        EXPECT_EQ(std::string(rec.cur_chn_name), dev["channels"][c]["name"].asString());
        EXPECT_EQ(rec.cur_chn_state, dev["channels"][c]["online"].asBool() ? 2 : 0);
    }
    // The all-status request is answered with its record; an unknown one is refused.
    cmd.param = VLNET_MSG_DEV_ALL_STATUS;
    ASSERT_EQ(VLNetSimpleCmd(h, &cmd), 1);
    ASSERT_TRUE(ev.waitFor([&] { return ev.messages.size() == 2; }));
    EXPECT_EQ(ev.messages[1].first, 610);
    EXPECT_EQ(ev.messages[1].second.size(), sizeof(VLNET_ALL_STATUS));
    cmd.param = 999;
    EXPECT_EQ(VLNetSimpleCmd(h, &cmd), 0);
    VLNetConnectionStop(&h);
}

TEST_F(Session, EvenCheckWordReachesTheDevice)
{
    Events ev;
    int h = startV1(ev, ip(10), "admin", kPassword);
    ASSERT_TRUE(ev.waitStatus(101));
    EXPECT_EQ(VLNetSetEvenCheck(h, 77), 0);
    EXPECT_EQ(state(10)["even_check"].asInt(), 77);
    VLNetConnectionStop(&h);
    EXPECT_EQ(VLNetSetEvenCheck(h, 77), -1);
}

TEST_F(Session, MovedDeviceAnswersOnlyAtItsNewAddress)
{
    int n = 11;
    std::string oldIp = ip(n);
    Events ev;
    int h = startV1(ev, oldIp, "admin", kPassword);
    ASSERT_TRUE(ev.waitStatus(101));
    set(n, R"({"network":{"ip":"192.168.77.7"}})");
    // The session at the old address drops and cannot come back there.
    ASSERT_TRUE(ev.waitStatus(2));
    VLNetConnectionStop(&h);

    Events at;
    int h2 = startV1(at, "192.168.77.7", "admin", kPassword);
    ASSERT_TRUE(at.waitStatus(101));
    VLNET_DEVICE_INFO info;
    ASSERT_EQ(VLNetGetDevInfo(h2, &info, sizeof(info)), 1);
    EXPECT_EQ(std::string(info.mac_addr), state(n)["mac"].asString());
    VLNetConnectionStop(&h2);

    Events old;
    int h3 = startV1(old, oldIp, "admin", kPassword);
    ASSERT_TRUE(old.waitStatus(3));
    VLNetConnectionStop(&h3);
}

TEST_F(Session, PasswordChangedOnTheDeviceIsTheOneThatLogsIn)
{
    int n = 12;
    set(n, R"({"users":[{"name":"admin","password":"Changed_9"}]})");
    for (auto [password, status] : { std::pair<const char*, int> { kPassword, 103 }, { "Changed_9", 101 } }) {
        Events ev;
        int h = startV1(ev, ip(n), "admin", password);
        ASSERT_TRUE(ev.waitStatus(status));
        VLNetConnectionStop(&h);
    }
}

TEST_F(Session, ProgramsOwnMediaLoginReportsThroughItsCallbacks)
{
    struct Got {
        std::mutex lock;
        std::vector<int> statuses;
        std::vector<int> messages;
    } got;
    std::string address = ip(13);
    VLNET_CONNECTION_START_EX s;
    std::memset(&s, 0, sizeof(s));
    s.address = address.c_str();
    s.port = state(13)["network"]["media_port"].asInt();
    s.user = "admin";
    s.password = kPassword;
    s.user_data = &got;
    s.status_callback = [](std::int32_t status, void* user) {
        auto* g = static_cast<Got*>(user);
        std::lock_guard<std::mutex> hold(g->lock);
        g->statuses.push_back(status);
    };
    s.message_callback = [](std::uint16_t id, const char*, std::int32_t, void* user) {
        auto* g = static_cast<Got*>(user);
        std::lock_guard<std::mutex> hold(g->lock);
        g->messages.push_back(id);
    };
    int h = VLNetConnectionStartEx(&s);
    ASSERT_NE(h, 0);
    ASSERT_TRUE(vltest::pollUntil([&] {
        std::lock_guard<std::mutex> hold(got.lock);
        return got.statuses.size() == 2;
    }));
    EXPECT_EQ(got.statuses, (std::vector<int> { 0, 101 }));
    sim->must(R"({"cmd":"push","device":13,"id":113,"hex":"00"})");
    ASSERT_TRUE(vltest::pollUntil([&] {
        std::lock_guard<std::mutex> hold(got.lock);
        return !got.messages.empty();
    }));
    EXPECT_EQ(got.messages[0], 113);
    VLNetConnectionStop(&h);
}

} // namespace
