// The network settings of single devices against simulated devices: the
// multicast update (its settings as the device applied them, "need auth"
// and the second "need auth"), VLNet's record as the device opened it and a
// refused password, and the ONVIF change through the state machine, with
// and without its query, and refused.
#include "ShellTestEnv.h"
#include "common/json.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "support/multicast_search.h"
#include "support/poll.h"
#include "support/vlnet_lab.h"
#include "vl_sdk_wrapper.h"
#include "vlonvifs.h"

#include <QCoreApplication>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>

namespace
{

// Both pages that start operation 0, told when it has ended.
class Pages : public DeviceWatcher, public SearchDeviceWatcher
{
public:
    void removeWorkDevice(DeviceInfo*, bool remove) override { settingsEnded = settingsEnded || remove; }
    void removeWorkDevice(DeviceInfo*, bool, bool remove) override { searchEnded = searchEnded || remove; }
    std::atomic<bool> settingsEnded { false };
    std::atomic<bool> searchEnded { false };
};

class NetworkSettingsLab : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        startLab({ "200", "2000", "3000", "300" },
            { "--generate", "12", "--seed", "23", "--inactive-percent", "0", "--onvif-percent", "100",
                "--password", GKAppSetting::kDefaultPassword });
        VLOnvifInit();
        VLOnvifSetSearchTimeout(2, 2, 3);
    }
    static void TearDownTestSuite()
    {
        VLOnvifRelease();
        VlnetLabSuite::TearDownTestSuite();
    }

    static ShellTestOptions protocol(int p)
    {
        ShellTestOptions o;
        o.curpro = p;
        return o;
    }

    // The record of device n as a search fills it, and new settings that
    // keep its ports.
    static void place(DeviceInfo& d, int n, const char* newIp)
    {
        const Json::Value s = state(n);
        const Json::Value net = s["network"];
        copyRecordText(d.searchRecord.sdk.ip, net["ip"].asCString());
        copyRecordText(d.searchRecord.sdk.mac_addr, s["mac"].asCString());
        d.searchRecord.sdk.web_port = net["web_port"].asUInt();
        d.searchRecord.sdk.media_port = net["media_port"].asUInt();
        d.newIp = QLatin1String(newIp);
        d.newMask = QStringLiteral("255.255.0.0");
        d.newGateway = QStringLiteral("192.168.0.1");
        d.newDns1 = QStringLiteral("192.168.0.53");
        d.newDns2 = QStringLiteral("192.168.0.54");
        d.newMediaPort = quint16(net["media_port"].asUInt());
        d.newWebPort = quint16(net["web_port"].asUInt());
        d.httpPort = int(net["web_port"].asUInt());
        d.addressMode = 1;
    }

    // "dev id" and "dev enc" of the device at `ip`, from a multicast search.
    static bool findKeys(DeviceInfo& d)
    {
        for (const Json::Value& v : vltest::multicastSearch(R"({"timeout":1500})")) {
            if (v["wired ip"].asString() != d.ip().toStdString())
                continue;
            copyRecordText(d.searchRecord.devId, QByteArray::fromStdString(v["dev id"].asString()));
            copyRecordText(d.searchRecord.devEnc, QByteArray::fromStdString(v["dev enc"].asString()));
            d.searchSource = 1;
            return true;
        }
        return false;
    }

    // Runs operation 0 on this thread (as its entry on a pool thread does)
    // and the device's events until both pages are told.
    static bool modify(DeviceInfo& d, Pages& pages)
    {
        pages.searchEnded = false;
        pages.settingsEnded = false;
        d.searchPage = &pages;
        d.deviceInfoPage = &pages;
        DeviceInfo::doModifyWork(&d);
        return vltest::pollUntil(
            [&] {
                QCoreApplication::sendPostedEvents();
                return pages.searchEnded && pages.settingsEnded;
            },
            30000);
    }

    // The last request of `what` that device n noted.
    static Json::Value lastReceived(int n, const char* what)
    {
        Json::Value found;
        const Json::Value list
            = sim->must("{\"cmd\":\"received\",\"device\":" + std::to_string(n) + "}")["received"];
        for (const Json::Value& r : list) {
            if (r["what"].asString() == what)
                found = r;
        }
        return found;
    }

    static std::string ipOf(int n) { return state(n)["network"]["ip"].asString(); }
};

} // namespace

TEST_F(NetworkSettingsLab, TheMulticastUpdateMovesTheDevice)
{
    ShellTestEnv env(protocol(0));
    const int n = 0;
    DeviceInfo d;
    place(d, n, "192.168.50.10");
    ASSERT_TRUE(findKeys(d));
    Pages pages;
    ASSERT_TRUE(modify(d, pages));
    EXPECT_EQ(d.status(DeviceInfo::NetworkFamily), 61);
    EXPECT_EQ(d.updateHandle.load(), nullptr);
    EXPECT_EQ(ipOf(n), "192.168.50.10");
    const Json::Value update = lastReceived(n, "UPDATE_INFO");
    EXPECT_EQ(update["username"].asString(), GKAppSetting::kDefaultUser);
    const Json::Value network = state(n)["network"];
    EXPECT_EQ(network["mask"].asString(), "255.255.0.0");
    EXPECT_EQ(network["dns1"].asString(), "192.168.0.53");
    EXPECT_FALSE(network["dhcp"].asBool());
}

TEST_F(NetworkSettingsLab, ANonceThatRunsOutIsNeedAuthThenNeedAuthAgain)
{
    ShellTestEnv env(protocol(0));
    const int n = 1;
    DeviceInfo d;
    place(d, n, "192.168.50.11");
    ASSERT_TRUE(findKeys(d));
    const std::string before = ipOf(n);
    // Every nonce is too old by the time the second pass brings it back.
    sim->must(R"({"cmd":"multicast","nonce_ms":1})");
    Pages pages;
    ASSERT_TRUE(modify(d, pages));
    EXPECT_EQ(d.status(DeviceInfo::NetworkFamily), 70);
    ASSERT_TRUE(modify(d, pages));
    EXPECT_EQ(d.status(DeviceInfo::NetworkFamily), 73);
    sim->must(R"({"cmd":"multicast","nonce_ms":30000})");
    EXPECT_EQ(ipOf(n), before);
}

TEST_F(NetworkSettingsLab, VlnetCarriesTheRecordAndTakesTheNewSettings)
{
    ShellTestEnv env(protocol(1));
    const int n = 2;
    DeviceInfo d;
    place(d, n, "192.168.50.12");
    d.searchRecord.sdk.dev_type_l = 0x01020304;
    d.searchRecord.sdk.dev_type_h = 0x00000400;
    const std::string before = ipOf(n);
    Pages pages;

    d.password = QStringLiteral("not-the-password");
    ASSERT_TRUE(modify(d, pages));
    EXPECT_EQ(d.status(DeviceInfo::NetworkFamily), 6);
    EXPECT_EQ(ipOf(n), before);
    EXPECT_EQ(d.ip(), QString::fromStdString(before));

    d.password = QLatin1String(GKAppSetting::kDefaultPassword);
    ASSERT_TRUE(modify(d, pages));
    EXPECT_EQ(d.status(DeviceInfo::NetworkFamily), 5);
    EXPECT_EQ(ipOf(n), "192.168.50.12");
    EXPECT_EQ(d.ip(), QStringLiteral("192.168.50.12"));
    EXPECT_EQ(d.gateway(), QStringLiteral("192.168.0.1"));
    EXPECT_EQ(d.dns2(), QStringLiteral("192.168.0.54"));
    EXPECT_EQ(d.networkMode(), 2);
    const Json::Value r = lastReceived(n, "SET_NEW_DEV_INFO");
    EXPECT_EQ(r["version"].asString(), "12");
    EXPECT_EQ(r["original_ip"].asString(), before);
    EXPECT_EQ(r["new_ip"].asString(), "192.168.50.12");
    EXPECT_EQ(r["netmask"].asString(), "255.255.0.0");
    EXPECT_EQ(r["mac"].asString(), state(n)["mac"].asString());
    EXPECT_EQ(r["network_mode"].asInt(), 2);
    EXPECT_EQ(r["byte225"].asInt(), 1);
    EXPECT_EQ(r["point_to_point"].asInt(), 0);
}

namespace
{
// Runs operation 8 through its entry and the state machine.
bool modifyOnvif(DeviceInfo& d, Pages& pages)
{
    pages.settingsEnded = false;
    d.deviceInfoPage = &pages;
    d.isOnvif = true;
    DeviceInfo::doOnvifParamWork(&d);
    return vltest::pollUntil(
        [&] {
            QCoreApplication::sendPostedEvents();
            return pages.settingsEnded.load();
        },
        30000);
}
} // namespace

TEST_F(NetworkSettingsLab, TheOnvifChangeMovesTheDeviceWithOrWithoutItsQuery)
{
    struct Case {
        int n;
        bool query;
        int edition;
        int protocol;
    } cases[] = {
        { 3, true, 0, 1 },
        { 4, false, 0, 1 },
        // On the search page of edition 34 a device the multicast search did
        // not find is given its web port; the search record must show that
        // port, not the HTTP port of an earlier change.
        { 6, true, 34, 0 },
    };
    for (const Case& c : cases) {
        const int n = c.n;
        SCOPED_TRACE(n);
        ShellTestOptions options = protocol(c.protocol);
        options.edition = c.edition;
        ShellTestEnv env(options);
        GKAppSetting::instance()->setOnvifTimeoutsSet(c.query);
        GKAppSetting::instance()->setOnSearchPage(true);
        DeviceInfo d;
        const std::string newIp = "192.168.51." + std::to_string(n);
        place(d, n, newIp.c_str());
        const int port = d.webPort();
        d.httpPort = 8123;
        Pages pages;
        ASSERT_TRUE(modifyOnvif(d, pages));
        EXPECT_EQ(d.status(DeviceInfo::NetworkFamily), 5);
        EXPECT_EQ(d.connectionHandle, 0) << "logged out";
        // The device moves once it has answered.
        EXPECT_TRUE(vltest::pollUntil([&] { return ipOf(n) == newIp; }, 5000)) << ipOf(n);
        EXPECT_EQ(state(n)["network"]["mask"].asString(), "255.255.0.0");
        EXPECT_EQ(d.ip(), QString::fromStdString(newIp));
        EXPECT_EQ(d.netmask(), QStringLiteral("255.255.0.0"));
        EXPECT_EQ(d.networkMode(), 2);
        EXPECT_EQ(d.webPort(), port);
        EXPECT_EQ(state(n)["network"]["web_port"].asInt(), port);
        GKAppSetting::instance()->setOnvifTimeoutsSet(false);
    }
}

TEST_F(NetworkSettingsLab, ARefusedOnvifChangeFailsAndLogsOut)
{
    ShellTestEnv env(protocol(1));
    const int n = 5;
    DeviceInfo d;
    place(d, n, "192.168.51.20");
    d.newMask = QStringLiteral("255.0.255.0"); // not contiguous
    const std::string before = ipOf(n);
    Pages pages;
    ASSERT_TRUE(modifyOnvif(d, pages));
    EXPECT_EQ(d.status(DeviceInfo::NetworkFamily), 6);
    EXPECT_EQ(d.connectionHandle, 0);
    EXPECT_EQ(ipOf(n), before);
    EXPECT_EQ(d.ip(), QString::fromStdString(before));
}

namespace
{
// Runs operation 7 through its entry, the VLNet login and the state machine.
bool enableNtp(DeviceInfo& d, Pages& pages)
{
    pages.settingsEnded = false;
    d.deviceInfoPage = &pages;
    DeviceInfo::doEnableNtpWork(&d);
    return vltest::pollUntil(
        [&] {
            QCoreApplication::sendPostedEvents();
            return pages.settingsEnded.load();
        },
        30000);
}
} // namespace

TEST_F(NetworkSettingsLab, TheNtpSwitchIsSetOnlyForAUserWithTheRight)
{
    ShellTestEnv env(protocol(1));
    const int n = 8;
    sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(n)
        + R"(,"state":{"time":{"ntp":false,"zone":20},"users":[{"name":"guest","password":"Guest_123",)"
          R"("rights":{"settings":false}}]}})");
    struct Case {
        const char* user;
        const char* password;
        int status;
        bool ntp;
    };
    // The user without the right reads the time settings, but its write is
    // answered 2 ("no right"), which is a failure.
    for (const Case c : { Case { "guest", "Guest_123", 6, false },
             Case { GKAppSetting::kDefaultUser, GKAppSetting::kDefaultPassword, 5, true } }) {
        SCOPED_TRACE(c.user);
        DeviceInfo d;
        place(d, n, "");
        d.user = QString::fromUtf8(c.user);
        d.password = QString::fromUtf8(c.password);
        Pages pages;
        ASSERT_TRUE(enableNtp(d, pages));
        EXPECT_EQ(d.lastStatus(), c.status);
        EXPECT_EQ(d.connectionHandle, 0) << "logged out";
        const Json::Value time = state(n)["time"];
        EXPECT_EQ(time["ntp"].asBool(), c.ntp);
        EXPECT_EQ(time["zone"].asInt(), 20) << "the rest of the settings as they were";
    }
}
