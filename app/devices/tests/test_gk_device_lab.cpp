// The login page's session against simulated devices: a VLNet login fills
// the device block from the device, a web login holds a session the device's
// web interface accepts, a refused VLNet login leaves its code as the state,
// and a reboot during a VLNet session gives 2, then 101 again.
#include "ShellTestEnv.h"
#include "devices/DeviceEvents.h"
#include "devices/GKDevice.h"
#include "support/poll.h"
#include "support/vlnet_lab.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>
#include <httplib.h>
#include <vector>

namespace
{

class Owner : public QObject
{
public:
    void customEvent(QEvent* e) override
    {
        if (e->type() == ConnectEvent)
            codes.push_back(static_cast<QConnectEvent*>(e)->code);
    }
    // Delivers posted events until `count` codes came or `ms` passed.
    bool waitFor(std::size_t count, int ms = 15000)
    {
        QDeadlineTimer deadline(ms);
        for (;;) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::sendPostedEvents();
            if (codes.size() >= count)
                return true;
            if (deadline.hasExpired())
                return false;
            QThread::msleep(5);
        }
    }
    std::vector<int> codes;
};

class GKDeviceLab : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        startLab({ "200", "2000", "3000", "300" },
            { "--generate", "6", "--seed", "4", "--inactive-percent", "0", "--onvif-percent", "0",
                "--password", GKAppSetting::kDefaultPassword });
    }
    static ShellTestOptions protocol(int p)
    {
        ShellTestOptions o;
        o.curpro = p;
        return o;
    }
    static QString ip(int n) { return QString::fromStdString(state(n)["network"]["ip"].asString()); }
    static int mediaPort(int n) { return state(n)["network"]["media_port"].asInt(); }
    static int webPort(int n) { return state(n)["network"]["web_port"].asInt(); }
    static QString user() { return QLatin1String(GKAppSetting::kDefaultUser); }
    static QString password() { return QLatin1String(GKAppSetting::kDefaultPassword); }
};

std::string slot(const char* field, std::size_t size)
{
    return std::string(field, strnlen(field, size));
}

} // namespace

TEST_F(GKDeviceLab, VlnetLoginFillsTheDeviceBlock)
{
    ShellTestEnv env(protocol(1));
    const int n = 1;
    GKDevice s;
    Owner owner;
    s.setOwner(&owner);
    s.login(ip(n), mediaPort(n), user(), password());
    ASSERT_NE(s.connectionHandle(), 0);
    ASSERT_TRUE(owner.waitFor(1));
    EXPECT_EQ(owner.codes, (std::vector<int> { 101 }));
    EXPECT_EQ(s.state(), 101);
    const Json::Value dev = state(n);
    const VLNET_DEVICE_INFO info = s.deviceInfo();
    EXPECT_EQ(slot(info.serial_number, sizeof info.serial_number), dev["serial"].asString());
    EXPECT_EQ(slot(info.device_type, sizeof info.device_type), dev["model"].asString());
    EXPECT_EQ(dev["sessions"].asInt(), 1);
    s.logout();
    EXPECT_EQ(s.connectionHandle(), 0);
    EXPECT_TRUE(vltest::pollUntil([&] { return state(n)["sessions"].asInt() == 0; }, 3000));
}

TEST_F(GKDeviceLab, WebLoginHoldsASessionTheDeviceAccepts)
{
    ShellTestEnv env(protocol(0));
    const int n = 2;
    GKDevice s;
    Owner owner;
    s.setOwner(&owner);
    s.login(ip(n), webPort(n), user(), password());
    EXPECT_EQ(s.state(), 100);
    ASSERT_TRUE(owner.waitFor(1));
    EXPECT_EQ(owner.codes, (std::vector<int> { 101 }));
    const Json::Value dev = state(n);
    ASSERT_EQ(dev["web_sessions"].size(), 1u);
    EXPECT_EQ(s.cookie().toStdString(), dev["web_sessions"][0]["cookie"].asString());
    EXPECT_EQ(s.csrfToken().toStdString(), dev["web_sessions"][0]["token"].asString());
    const int httpsPort = dev["network"]["https_port"].asInt();
    EXPECT_EQ(s.port(), s.isHttps() ? httpsPort : webPort(n));
    EXPECT_EQ(s.deviceType(), dev["device_type"].asInt());

    httplib::Client client(std::string(s.isHttps() ? "https://" : "http://") + ip(n).toStdString() + ":"
        + std::to_string(s.port()));
    client.enable_server_certificate_verification(false);
    client.set_connection_timeout(3, 0);
    const httplib::Headers headers
        = { { "Cookie", s.cookie().toStdString() }, { "X-csrftoken", s.csrfToken().toStdString() } };
    auto r = client.Post("/API/Web/Heartbeat", headers, "{}", "application/json");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);

    s.logout();
    EXPECT_FALSE(s.hasWrapperDevice());
    EXPECT_TRUE(vltest::pollUntil([&] { return state(n)["web_sessions"].empty(); }, 3000));
}

TEST_F(GKDeviceLab, ARefusedVlnetLoginLeavesItsCodeAsTheState)
{
    ShellTestEnv env(protocol(1));
    {
        SCOPED_TRACE("wrong password");
        const int n = 3;
        GKDevice s;
        Owner owner;
        s.setOwner(&owner);
        s.login(ip(n), mediaPort(n), user(), "not-the-password");
        ASSERT_TRUE(owner.waitFor(1));
        EXPECT_EQ(owner.codes, (std::vector<int> { 103 }));
        EXPECT_EQ(s.state(), 103);
        s.logout();
    }
    for (int status : { 107, 104 }) {
        SCOPED_TRACE(status);
        const int n = 4;
        sim->must(R"({"cmd":"fault","device":4,"clear":true,"refuse_login":)" + std::to_string(status) + "}");
        GKDevice s;
        Owner owner;
        s.setOwner(&owner);
        s.login(ip(n), mediaPort(n), user(), password());
        ASSERT_TRUE(owner.waitFor(1));
        EXPECT_EQ(owner.codes[0], status);
        EXPECT_EQ(s.state(), status);
        s.logout();
    }
    sim->must(R"({"cmd":"fault","device":4,"clear":true})");
}

TEST_F(GKDeviceLab, ARebootGivesTwoThenLoggedInAgain)
{
    ShellTestEnv env(protocol(1));
    const int n = 5;
    GKDevice s;
    Owner owner;
    s.setOwner(&owner);
    s.login(ip(n), mediaPort(n), user(), password());
    ASSERT_TRUE(owner.waitFor(1));
    EXPECT_EQ(owner.codes, (std::vector<int> { 101 }));
    sim->must(R"({"cmd":"reboot","device":5,"seconds":1})");
    ASSERT_TRUE(owner.waitFor(3, 20000));
    EXPECT_EQ(owner.codes, (std::vector<int> { 101, 2, 101 }));
    EXPECT_EQ(s.state(), 101);
    s.logout();
    EXPECT_TRUE(vltest::pollUntil([&] { return state(n)["sessions"].asInt() == 0; }, 3000));
}
