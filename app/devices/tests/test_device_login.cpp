// Login and logout of a device record without devices: the choice of the
// transport, the checks and JSON of a web login, the reading of the web
// login's replies, the callbacks' filters, refused starts, and what a logout
// closes in each mode. Connections that need a peer go to a closed port on
// the loopback address.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "support/ConnectEvents.h"
#include "vlonvifs.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace
{

ShellTestOptions edition(int number, int protocol)
{
    ShellTestOptions o;
    o.edition = number;
    o.curpro = protocol;
    return o;
}

// A record of a device at `ip` with ports, found by the given search.
void place(DeviceInfo& d, const char* ip, int webPort = 80, int mediaPort = 9000)
{
    copyRecordText(d.searchRecord.sdk.ip, ip);
    d.searchRecord.sdk.web_port = std::uint32_t(webPort);
    d.searchRecord.sdk.media_port = std::uint32_t(mediaPort);
}

QString logText()
{
    QFile f(GKAppSetting::instance()->logFilePath());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// A closed port on the loopback address: connections there are under way
// (or fail) without reaching any device.
constexpr const char* kNowhere = "127.0.0.1";
constexpr int kClosedPort = 1;

} // namespace

TEST(DeviceLogin, TransportFollowsTheSearchTheEditionAndTheProtocol)
{
    using T = DeviceInfo::Transport;
    struct Case {
        int edition;
        int protocol;
        bool onSearchPage;
        int searchSource;
        bool onvif;
        T transport;
    } cases[] = {
        { 0, 0, true, 0, false, T::Web },
        { 0, 1, true, 1, false, T::VLNet },
        { 0, 1, true, 0, true, T::Onvif },
        { 43, 0, true, 0, true, T::Onvif },
        { 43, 1, false, 0, false, T::Web },
        { 44, 1, true, 1, false, T::Web },
        // Multicast finds on the search page go through their web interface.
        { 34, 1, true, 1, false, T::Web },
        { 34, 1, true, 2, false, T::Web },
        { 34, 0, true, 0, false, T::VLNet },
        { 11, 0, true, 0, false, T::VLNet },
        // Off the search page the protocol decides.
        { 34, 1, false, 1, false, T::VLNet },
        { 11, 0, false, 0, false, T::Web },
    };
    for (const auto& c : cases) {
        ShellTestEnv env(edition(c.edition, c.protocol));
        ASSERT_EQ(GKAppSetting::instance()->protocol(), c.protocol) << c.edition;
        GKAppSetting::instance()->setOnSearchPage(c.onSearchPage);
        DeviceInfo d;
        d.searchSource = c.searchSource;
        d.isOnvif = c.onvif;
        EXPECT_EQ(d.loginTransport(), c.transport)
            << "edition " << c.edition << ", protocol " << c.protocol << ", search page " << c.onSearchPage
            << ", source " << c.searchSource << ", onvif " << c.onvif;
    }
}

TEST(DeviceLogin, IncompleteWebLoginPostsInvalidParametersAndStartsNothing)
{
    ShellTestEnv env(edition(0, 0));
    struct Case {
        const char* what;
        const char* user;
        const char* password;
        const char* ip;
        int port;
    } cases[] = {
        { "port 0", "admin", "pw", "192.168.1.10", 0 },
        { "port 65536", "admin", "pw", "192.168.1.10", 65536 },
        { "empty password", "admin", "", "192.168.1.10", 80 },
        { "empty user", "", "pw", "192.168.1.10", 80 },
        { "no address", "admin", "pw", "", 80 },
    };
    for (const auto& c : cases) {
        DeviceInfo d;
        ConnectEvents events(&d);
        place(d, c.ip, c.port);
        d.user = QString::fromUtf8(c.user);
        d.password = QString::fromUtf8(c.password);
        d.operation = DeviceInfo::Upgrade;
        d.loginDevice();
        events.settle();
        EXPECT_EQ(events.codes, (std::vector<int> { 103 })) << c.what;
        EXPECT_EQ(d.wrapperDevice, nullptr) << c.what;
        EXPECT_FALSE(d.loggedIn) << c.what;
        EXPECT_EQ(d.lastStatus(), DeviceInfo::kNoStatus) << c.what << ": no status changes";
    }
}

TEST(DeviceLogin, WebLoginJsonCarriesTheCredentialsAndTheEditionsCode)
{
    for (auto [number, oem] :
        { std::pair<int, const char*> { 0, "default" }, { 43, "dorvex_nc" }, { 8, "dorvex_kp" } }) {
        ShellTestEnv env(edition(number, 0));
        DeviceInfo d;
        place(d, "192.168.1.20", 8080);
        d.user = QStringLiteral("admin");
        d.password = QStringLiteral("Pa\"ss");
        const QJsonObject o = QJsonDocument::fromJson(d.webLoginJson()).object();
        EXPECT_EQ(o.size(), 9) << number;
        EXPECT_EQ(o.value(QStringLiteral("ip or id")).toString(), QStringLiteral("192.168.1.20"));
        EXPECT_EQ(o.value(QStringLiteral("user")).toString(), QStringLiteral("admin"));
        EXPECT_EQ(o.value(QStringLiteral("password")).toString(), QStringLiteral("Pa\"ss"));
        EXPECT_EQ(o.value(QStringLiteral("ddns id server addr")).toString(), QString());
        EXPECT_TRUE(o.value(QStringLiteral("ddns id server addr")).isString());
        EXPECT_EQ(o.value(QStringLiteral("p2p type")).toString(), QStringLiteral("ip"));
        EXPECT_EQ(o.value(QStringLiteral("oem type")).toString().toStdString(), oem);
        EXPECT_EQ(o.value(QStringLiteral("protocol")).toString(), QStringLiteral("auto"));
        EXPECT_TRUE(o.value(QStringLiteral("port")).isDouble());
        EXPECT_EQ(o.value(QStringLiteral("port")).toInt(), 8080);
        EXPECT_EQ(o.value(QStringLiteral("enable_new_cgi_check")), QJsonValue(true));
    }
}

TEST(DeviceLogin, LoginRepliesPostTheirCodeAndKeepTheSession)
{
    ShellTestEnv env(edition(0, 0));
    DeviceInfo d;
    ConnectEvents events(&d);
    place(d, "192.168.1.30");
    d.operation = DeviceInfo::Upgrade;
    d.wrapperDevice = vl_create_device();

    auto reply = [&](const char* json) {
        events.codes.clear();
        d.loggedIn = true;
        d.onLoginReply(json, &d);
        events.settle();
        return events.codes;
    };
    EXPECT_EQ(reply("not json"), (std::vector<int> { 3 }));
    EXPECT_FALSE(d.loggedIn);

    EXPECT_EQ(reply(R"({"status":"success","info":{"cookie":"session=c1","token":"t1","is_https":1,)"
                    R"("port":70000,"ip":"192.168.1.30","username":"admin"}})"),
        (std::vector<int> { 101 }));
    EXPECT_EQ(d.cookie, QByteArray("session=c1"));
    EXPECT_EQ(d.csrfToken, QByteArray("t1"));
    EXPECT_TRUE(d.isHttps);
    EXPECT_EQ(d.httpPort, 4464) << "the low 16 bits of the port";
    EXPECT_EQ(d.webPort(), 4464);
    EXPECT_EQ(d.newWebPort, 4464);
    EXPECT_EQ(d.deviceType, vl_get_device_type(d.wrapperDevice));
    EXPECT_TRUE(d.loggedIn);
    const QString log = logText();
    EXPECT_TRUE(log.contains(QStringLiteral("login info is"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("session=c1"))) << "no cookie in the log";
    EXPECT_FALSE(log.contains(QStringLiteral("\"t1\""))) << "no token in the log";

    EXPECT_EQ(
        reply(R"({"status":"success","info":{"is_https":false,"port":443}})"), (std::vector<int> { 101 }));
    EXPECT_FALSE(d.isHttps);
    EXPECT_EQ(d.cookie, QByteArray()) << "missing keys read as empty";
    EXPECT_EQ(d.httpPort, 443);
    EXPECT_EQ(reply(R"({"status":"success","info":{"is_https":true}})"), (std::vector<int> { 101 }));
    EXPECT_TRUE(d.isHttps);

    d.setStatus(0);
    EXPECT_EQ(reply(R"({"status":"login_failed_or_block"})"), (std::vector<int> { 105 }));
    EXPECT_EQ(d.lastStatus(), 1);
    EXPECT_EQ(d.status(DeviceInfo::UpgradeFamily), 0) << "the last status only";
    EXPECT_FALSE(d.loggedIn);
    EXPECT_EQ(reply(R"({"status":"user or password error"})"), (std::vector<int> { 104 }));
    EXPECT_EQ(d.lastStatus(), 3);
    EXPECT_FALSE(d.loggedIn);

    // "close" counts only while the login is under way.
    d.setStatus(12);
    EXPECT_EQ(reply(R"({"status":"close"})"), (std::vector<int> {}));
    EXPECT_TRUE(d.loggedIn);
    d.setStatus(4);
    EXPECT_EQ(reply(R"({"status":"close"})"), (std::vector<int> { 3 }));
    EXPECT_FALSE(d.loggedIn);
    for (const char* other : { R"({"status":"connecting"})", R"({"status":"max user"})", R"({})", "[1]" }) {
        const std::vector<int> got = reply(other);
        EXPECT_EQ(got, std::string(other) == "[1]" ? std::vector<int> { 3 } : std::vector<int> {}) << other;
    }
    vl_destroy_device(d.wrapperDevice);
    d.wrapperDevice = nullptr;
}

TEST(DeviceLogin, CallbacksPostOnlyTheCodesTheStateMachineHandles)
{
    ShellTestEnv env(edition(0, 1));
    DeviceInfo d;
    ConnectEvents events(&d);
    DeviceInfo::LoginContext* login = d.newLoginContext();
    for (int code :
        { 0, 1, 2, 3, 4, 5, 100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 112, 113, 125, 151, 154 })
        DeviceInfo::connectionCallback(code, login);
    DeviceInfo::connectionCallback(101, nullptr);
    for (std::uint16_t message : { 113, 610, 611, 112 })
        DeviceInfo::messageCallback(message, nullptr, 0, login);
    DeviceInfo::messageCallback(113, nullptr, 0, nullptr);
    events.settle();
    EXPECT_EQ(
        events.codes, (std::vector<int> { 2, 3, 4, 101, 103, 104, 105, 106, 107, 108, 109, 112, 125, 113 }));
    // Each code carries its login's number.
    EXPECT_EQ(events.logins, std::vector<quint64>(events.codes.size(), login->login));

    // The wrapper's status reaches the reply only while the device is held,
    // and only for the login in force.
    events.codes.clear();
    DeviceInfo::loginStatusCallback(R"({"status":"user or password error"})", login);
    d.wrapperDevice = vl_create_device();
    DeviceInfo::loginStatusCallback(nullptr, login);
    DeviceInfo::loginStatusCallback(R"({"status":"user or password error"})", nullptr);
    DeviceInfo::loginStatusCallback(R"({"status":"user or password error"})", login);
    DeviceInfo::LoginContext* next = d.newLoginContext();
    DeviceInfo::loginStatusCallback(R"({"status":"success","info":{"cookie":"stale"}})", login);
    DeviceInfo::loginStatusCallback(R"({"status":"login_failed_or_block"})", next);
    events.settle();
    EXPECT_EQ(events.codes, (std::vector<int> { 104, 105 }));
    EXPECT_TRUE(d.cookie.isEmpty()) << "a reply of an earlier login changed the session";
    vl_destroy_device(d.wrapperDevice);
    d.wrapperDevice = nullptr;
}

TEST(DeviceLogin, EveryLoginTakesANewNumberAndALogoutEndsIt)
{
    ShellTestEnv env(edition(0, 0));
    DeviceInfo d;
    ConnectEvents events(&d);
    const quint64 before = d.currentLogin();
    d.user.clear(); // refused at once with 103
    d.loginDevice();
    const quint64 first = d.currentLogin();
    EXPECT_GT(first, before);
    d.loginDevice();
    EXPECT_GT(d.currentLogin(), first);
    const quint64 second = d.currentLogin();
    events.settle();
    EXPECT_EQ(events.logins, (std::vector<quint64> { first, second }));
    d.logoutDevice(__LINE__);
    EXPECT_FALSE(d.isCurrentLogin(second));
    EXPECT_TRUE(d.isCurrentLogin(0));
}

// Neither VLNet nor VLOnvifs is started here: every transport refuses.
TEST(DeviceLogin, RefusedStartPostsAClosedConnectionOnEveryTransport)
{
    struct Case {
        int protocol;
        bool onvif;
    } cases[] = { { 1, false }, { 1, true }, { 0, false } };
    for (const auto& c : cases) {
        ShellTestEnv env(edition(0, c.protocol));
        DeviceInfo d;
        ConnectEvents events(&d);
        place(d, kNowhere, kClosedPort, kClosedPort);
        d.isOnvif = c.onvif;
        d.password = QStringLiteral("Secret_77");
        d.operation = DeviceInfo::Upgrade;
        d.loginDevice();
        events.settle();
        EXPECT_EQ(events.codes, (std::vector<int> { 2 }))
            << "protocol " << c.protocol << ", onvif " << c.onvif;
        EXPECT_FALSE(logText().contains(QStringLiteral("Secret_77"))) << "no password in the log";
        EXPECT_FALSE(d.loggedIn);
        EXPECT_EQ(d.connectionHandle, 0);
    }
}

TEST(DeviceLogin, LogoutClosesTheSessionOfItsMode)
{
    VLNetInit();
    VLOnvifInit();
    struct Case {
        const char* what;
        int protocol;
        bool onvif;
        bool keepsWrapperDevice;
    } cases[] = {
        { "VLNet mode", 1, false, true },
        { "VLNet mode, ONVIF device", 1, true, true },
        { "web mode, a VLNet connection of a multicast find", 0, false, false },
        { "web mode, ONVIF device", 0, true, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ShellTestEnv env(edition(0, c.protocol));
        DeviceInfo d;
        place(d, kNowhere, kClosedPort, kClosedPort);
        d.isOnvif = c.onvif;
        // A connection under way, whatever the mode says.
        if (c.onvif) {
            VLONVIF_CONNECTION_START s {};
            s.ip = kNowhere;
            s.port = kClosedPort;
            s.user = "admin";
            s.password = "pw";
            s.status_callback = &DeviceInfo::connectionCallback;
            d.connectionHandle = VLOnvifConnectionStart(&s);
        } else {
            VLNET_CONNECTION_START_EX s {};
            s.address = kNowhere;
            s.port = kClosedPort;
            s.status_callback = &DeviceInfo::connectionCallback;
            d.connectionHandle = VLNetConnectionStartEx(&s);
        }
        const int handle = d.connectionHandle;
        ASSERT_NE(handle, 0);
        d.wrapperDevice = vl_create_device();
        d.loggedIn = true;
        QSignalSpy logouts(&d, &DeviceInfo::logout);
        d.logoutDevice(__LINE__);
        EXPECT_EQ(d.connectionHandle, 0);
        int again = handle;
        EXPECT_EQ(c.onvif ? VLOnvifConnectionStop(&again) : VLNetConnectionStop(&again), 0)
            << "stopped by the logout, with the stop of its own library";
        EXPECT_EQ(d.wrapperDevice != nullptr, c.keepsWrapperDevice);
        EXPECT_FALSE(d.loggedIn);
        EXPECT_EQ(logouts.count(), 1);
        vl_destroy_device(d.wrapperDevice);
        d.wrapperDevice = nullptr;
    }
    VLOnvifRelease();
    VLNetRelease();
}
