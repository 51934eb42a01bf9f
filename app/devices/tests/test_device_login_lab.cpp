// Login and logout of device records against simulated devices, with the
// program's own default credentials: the web interface over HTTP and HTTPS
// (a session the web interface accepts), VLNet with a reboot in the middle,
// ONVIF, and wrong passwords.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "support/ConnectEvents.h"
#include "support/poll.h"
#include "support/vlnet_lab.h"
#include "vlonvifs.h"

#include <gtest/gtest.h>
#include <httplib.h>

namespace
{

class DeviceLoginLab : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        // Every generated device takes the program's default user; its
        // password is the program's default too.
        startLab({ "200", "2000", "3000", "300" },
            { "--generate", "8", "--seed", "5", "--inactive-percent", "0", "--onvif-percent", "25",
                "--password", GKAppSetting::kDefaultPassword });
        VLOnvifInit();
    }
    static void TearDownTestSuite()
    {
        VLOnvifRelease();
        VlnetLabSuite::TearDownTestSuite();
    }

    static void set(int n, const std::string& stateJson)
    {
        sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(n) + ",\"state\":" + stateJson + "}");
    }
    // The record of device n as a search fills it.
    static void place(DeviceInfo& d, int n)
    {
        const Json::Value net = state(n)["network"];
        copyRecordText(d.searchRecord.sdk.ip, net["ip"].asCString());
        d.searchRecord.sdk.web_port = net["web_port"].asUInt();
        d.searchRecord.sdk.media_port = net["media_port"].asUInt();
        d.searchRecord.sdk.https_port = net["https_port"].asUInt();
    }
    static ShellTestOptions protocol(int p)
    {
        ShellTestOptions o;
        o.curpro = p;
        return o;
    }
};

// A request of the test's own to a protected path, with the record's session.
int askWebInterface(const DeviceInfo& d)
{
    httplib::Client client(std::string(d.isHttps ? "https://" : "http://") + d.ip().toStdString() + ":"
        + std::to_string(d.httpPort));
    client.enable_server_certificate_verification(false);
    client.set_connection_timeout(3, 0);
    const httplib::Headers headers
        = { { "Cookie", d.cookie.toStdString() }, { "X-csrftoken", d.csrfToken.toStdString() } };
    auto r = client.Post("/API/Web/Heartbeat", headers, "{}", "application/json");
    return r ? r->status : -1;
}

} // namespace

TEST_F(DeviceLoginLab, WebLoginHoldsASessionTheWebInterfaceAccepts)
{
    ShellTestEnv env(protocol(0));
    set(1, R"({"network":{"https_port":0}})");
    set(2, R"({"network":{"https_port":443}})");
    for (auto [n, https] : { std::pair { 1, false }, { 2, true } }) {
        SCOPED_TRACE(n);
        DeviceInfo d;
        ConnectEvents events(&d);
        place(d, n);
        EXPECT_EQ(d.user, QLatin1String(GKAppSetting::kDefaultUser));
        d.operation = DeviceInfo::QueryVersion;
        d.loginDevice();
        EXPECT_TRUE(d.loggedIn);
        EXPECT_EQ(d.lastStatus(), 4) << "logging in";
        ASSERT_TRUE(events.waitFor(1));
        EXPECT_EQ(events.codes, (std::vector<int> { 101 }));
        const Json::Value dev = state(n);
        ASSERT_EQ(dev["web_sessions"].size(), 1u);
        EXPECT_EQ(d.cookie.toStdString(), dev["web_sessions"][0]["cookie"].asString());
        EXPECT_EQ(d.csrfToken.toStdString(), dev["web_sessions"][0]["token"].asString());
        EXPECT_EQ(bool(d.isHttps), https);
        EXPECT_EQ(d.httpPort, https ? 443 : dev["network"]["web_port"].asInt());
        EXPECT_EQ(d.webPort(), d.httpPort);
        EXPECT_EQ(d.deviceType, dev["device_type"].asInt());
        EXPECT_EQ(askWebInterface(d), 200);

        // The next operation logs in again with the same wrapper device, at
        // the port the last login stored.
        device* const wrapper = d.wrapperDevice;
        events.codes.clear();
        d.loginDevice();
        ASSERT_TRUE(events.waitFor(1));
        EXPECT_EQ(events.codes, (std::vector<int> { 101 }));
        EXPECT_EQ(d.wrapperDevice, wrapper);
        EXPECT_EQ(askWebInterface(d), 200);

        d.logoutDevice(__LINE__);
        EXPECT_EQ(d.wrapperDevice, nullptr);
        EXPECT_FALSE(d.loggedIn);
        EXPECT_TRUE(vltest::pollUntil([&] { return state(n)["web_sessions"].empty(); }, 3000));
    }
}

TEST_F(DeviceLoginLab, VLNetLoginComesBackAfterAReboot)
{
    ShellTestEnv env(protocol(1));
    const int n = 4;
    DeviceInfo d;
    ConnectEvents events(&d);
    place(d, n);
    d.loginDevice();
    ASSERT_NE(d.connectionHandle, 0);
    ASSERT_TRUE(events.waitFor(1));
    EXPECT_EQ(events.codes, (std::vector<int> { 101 }));
    EXPECT_EQ(state(n)["sessions"].asInt(), 1);
    sim->must(R"({"cmd":"reboot","device":4,"seconds":1})");
    ASSERT_TRUE(events.waitFor(3, 15000));
    EXPECT_EQ(events.codes, (std::vector<int> { 101, 2, 101 }));
    d.logoutDevice(__LINE__);
    EXPECT_EQ(d.connectionHandle, 0);
    EXPECT_TRUE(vltest::pollUntil([&] { return state(n)["sessions"].asInt() == 0; }, 3000));
}

TEST_F(DeviceLoginLab, OnvifDeviceLogsInThroughVLOnvifs)
{
    ShellTestEnv env(protocol(0));
    const int n = 3;
    ASSERT_TRUE(state(n)["onvif"].asBool());
    DeviceInfo d;
    ConnectEvents events(&d);
    place(d, n);
    d.isOnvif = true;
    d.loginDevice();
    ASSERT_NE(d.connectionHandle, 0);
    ASSERT_TRUE(events.waitFor(1));
    EXPECT_EQ(events.codes, (std::vector<int> { 101 }));
    EXPECT_EQ(d.wrapperDevice, nullptr);
    d.logoutDevice(__LINE__);
    EXPECT_EQ(d.connectionHandle, 0);
}

TEST_F(DeviceLoginLab, WrongPasswordIsReportedByEveryTransport)
{
    struct Case {
        const char* what;
        int protocol;
        bool onvif;
        int code;
    } cases[] = {
        { "web interface", 0, false, 104 },
        { "VLNet", 1, false, 103 },
        { "ONVIF", 0, true, 104 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ShellTestEnv env(protocol(c.protocol));
        DeviceInfo d;
        ConnectEvents events(&d);
        place(d, c.onvif ? 7 : 5);
        d.isOnvif = c.onvif;
        d.password = QStringLiteral("not-the-password");
        d.loginDevice();
        ASSERT_TRUE(events.waitFor(1));
        events.settle(300);
        EXPECT_EQ(events.codes, (std::vector<int> { c.code }));
        if (c.protocol == 0 && !c.onvif) {
            EXPECT_FALSE(d.loggedIn);
            EXPECT_EQ(d.lastStatus(), 3);
        }
        d.logoutDevice(__LINE__);
    }
}
