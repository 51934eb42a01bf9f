// Restoring defaults end to end against simulated devices: the operation's
// entry, the login, the state machine, the worker on the work pool, and
// what the device reset (devsim's state), over the web interface (devices 0
// to 13) and over VLNet (16 to 19).
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "search_events.h"
#include "support/poll.h"
#include "support/vlnet_lab.h"

#include <QCoreApplication>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <vector>

namespace
{

// The page that started the operation: what it was told, from any thread.
class Page : public DeviceWatcher
{
public:
    void removeWorkDevice(DeviceInfo*, bool remove) override
    {
        ++told;
        removed = removed || remove;
    }
    std::atomic<int> told { 0 };
    std::atomic<bool> removed { false };
};

// The records devsim shows as hex by (message, channel).
std::map<std::pair<int, int>, std::string> paramsOf(const Json::Value& state)
{
    std::map<std::pair<int, int>, std::string> out;
    for (const Json::Value& p : state["params"])
        out[{ p["msg"].asInt(), p["channel"].asInt() }] = p["hex"].asString();
    return out;
}

// One VLNet range search of one address: the MACs that answered from it.
std::vector<std::string> searchAt(const std::string& ip)
{
    vltest::SearchEvents e;
    auto s = vltest::rangeRecord(e, ip, ip, 0, 1500);
    if (VLNetSearchDevPoint2Point(&s) != 1 || !e.waitEnd())
        return {};
    std::vector<std::string> macs;
    for (const auto& r : e.list())
        macs.emplace_back(r.mac_addr, strnlen(r.mac_addr, sizeof r.mac_addr));
    return macs;
}

class RestoreDefaultsLab : public vltest::VlnetLabSuite
{
protected:
    static constexpr int kDevices = 20;

    static void SetUpTestSuite()
    {
        startLab({ "200", "2000", "3000", "300" },
            { "--generate", std::to_string(kDevices), "--seed", "21", "--inactive-percent", "0",
                "--onvif-percent", "0", "--password", GKAppSetting::kDefaultPassword, "--reboot-seconds",
                "1" });
    }

    static void set(int n, const std::string& stateJson)
    {
        sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(n) + ",\"state\":" + stateJson + "}");
    }
    // Settings of the channel and system categories: an OSD record and a
    // time record.
    static void giveSettings(int n)
    {
        set(n, R"({"params":[{"msg":573,"channel":0,"hex":"0102"},{"msg":524,"channel":0,"hex":"0304"}]})");
    }
    // A device record for device n as a search fills it, watched by `page`
    // in the slot of `slot`.
    static std::unique_ptr<DeviceInfo> device(int n, Page& page, DeviceWatcher* DeviceInfo::*slot)
    {
        auto d = std::make_unique<DeviceInfo>();
        const Json::Value s = state(n);
        copyRecordText(d->searchRecord.sdk.ip, s["network"]["ip"].asCString());
        d->searchRecord.sdk.web_port = s["network"]["web_port"].asUInt();
        d->searchRecord.sdk.media_port = s["network"]["media_port"].asUInt();
        d->searchRecord.sdk.https_port = s["network"]["https_port"].asUInt();
        (*d).*slot = &page;
        return d;
    }
    // Handles the devices' events until each has its final status in
    // `family` and is logged out.
    static bool waitForEnd(const std::vector<DeviceInfo*>& devices, int family)
    {
        return vltest::pollUntil(
            [&] {
                QCoreApplication::sendPostedEvents();
                for (DeviceInfo* d : devices) {
                    const int s = d->status(family);
                    if (s == 0 || s == 4 || s == 42 || s == 43 || s == DeviceInfo::kNoStatus || d->loggedIn)
                        return false;
                }
                return true;
            },
            30000);
    }
    // Waits until device n is back from its reboot.
    static bool backOnline(int n)
    {
        return vltest::pollUntil([&] { return state(n)["online"].asBool(); }, 15000);
    }
    static ShellTestOptions protocol(int p)
    {
        ShellTestOptions o;
        o.curpro = p;
        return o;
    }
};

} // namespace

TEST_F(RestoreDefaultsLab, TenDevicesRestoreTheirChannelsOverTheWebAndStayWhereTheyAre)
{
    ShellTestEnv env(protocol(0));
    Page page;
    std::vector<std::unique_ptr<DeviceInfo>> devices;
    std::vector<DeviceInfo*> list;
    for (int n = 0; n < 10; ++n) {
        giveSettings(n);
        takeReceived(n, "");
        devices.push_back(device(n, page, &DeviceInfo::recoveryPage));
        DeviceInfo* d = devices.back().get();
        // Channel and network, keeping the network settings.
        d->setFactoryResetItems(0, 0, 1, 0, 1, 0, 0, 0, 1);
        d->setFamilyStatus(DeviceInfo::RecoveryFamily, 4);
        list.push_back(d);
    }
    for (DeviceInfo* d : list)
        DeviceInfo::doRecoveryWork(d);
    ASSERT_TRUE(waitForEnd(list, DeviceInfo::RecoveryFamily));
    for (int n = 0; n < 10; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(list[std::size_t(n)]->status(DeviceInfo::RecoveryFamily), 5);
        const auto sets = takeReceived(n, "/API/Maintenance/Reset/Set");
        ASSERT_EQ(sets.size(), 1u);
        EXPECT_EQ(sets[0]["secondary_auth"].asString(), "ok");
        EXPECT_EQ(sets[0]["reset"]["network"].asString(), "except_params");
        const Json::Value s = state(n);
        EXPECT_EQ(s["network"]["ip"].asString(), list[std::size_t(n)]->ip().toStdString());
        const auto params = paramsOf(s);
        EXPECT_EQ(params.count({ 573, 0 }), 0u);
        EXPECT_EQ(params.count({ 524, 0 }), 1u); // system not chosen
        EXPECT_TRUE(s["activated"].asBool());
    }
    // The worker told the page, after the state machine's refresh.
    EXPECT_GE(page.told.load(), 20);
    EXPECT_FALSE(page.removed.load());
}

TEST_F(RestoreDefaultsLab, AFactoryResetGoesToTheFactoryAddressAndOneToInactiveStays)
{
    ShellTestEnv env(protocol(0));
    Page page;
    const int full = 10;
    const int inactive = 11;
    const Json::Value before = state(full);
    const Json::Value stays = state(inactive);
    auto a = device(full, page, &DeviceInfo::recoveryPage);
    auto b = device(inactive, page, &DeviceInfo::recoveryPage);
    a->setInactiveResetParams(2); // "factory"
    b->setInactiveResetParams(0); // "inactive"
    for (DeviceInfo* d : { a.get(), b.get() }) {
        d->setFamilyStatus(DeviceInfo::RecoveryFamily, 4);
        DeviceInfo::doRecoveryToInactiveWork(d);
    }
    ASSERT_TRUE(waitForEnd({ a.get(), b.get() }, DeviceInfo::RecoveryFamily));
    EXPECT_EQ(a->status(DeviceInfo::RecoveryFamily), 5);
    EXPECT_EQ(b->status(DeviceInfo::RecoveryFamily), 5);
    EXPECT_EQ(a->factoryTypes,
        (QList<QByteArray> { "restore_defaults", "restore_to_inactive", "factory_defaults" }));

    const std::string factoryIp = before["reset"]["factory_network"]["ip"].asString();
    ASSERT_TRUE(
        vltest::pollUntil([&] { return state(full)["network"]["ip"].asString() == factoryIp; }, 10000));
    ASSERT_TRUE(backOnline(full));
    const Json::Value after = state(full);
    EXPECT_FALSE(after["activated"].asBool());
    EXPECT_EQ(after["mac"], before["mac"]);
    ASSERT_EQ(after["users"].size(), 1u);
    EXPECT_EQ(after["users"][0]["name"].asString(), "admin");

    ASSERT_TRUE(backOnline(inactive));
    const Json::Value now = state(inactive);
    EXPECT_FALSE(now["activated"].asBool());
    EXPECT_EQ(now["network"]["ip"], stays["network"]["ip"]);
    EXPECT_EQ(now["mac"], stays["mac"]);
    // The search finds it there, not activated.
    EXPECT_EQ(searchAt(now["network"]["ip"].asString()), std::vector<std::string> { now["mac"].asString() });
}

TEST_F(RestoreDefaultsLab, TheAutomaticUpgradesResetOverTheWebKeepsTheAddress)
{
    ShellTestEnv env(protocol(0));
    Page page;
    const int n = 12;
    giveSettings(n);
    const Json::Value before = state(n);
    auto d = device(n, page, &DeviceInfo::autoUpgradePage);
    d->operation = DeviceInfo::AutoRestore;
    d->setFamilyStatus(DeviceInfo::AutoUpgradeFamily, 4);
    d->loginDevice();
    ASSERT_TRUE(waitForEnd({ d.get() }, DeviceInfo::AutoUpgradeFamily));
    EXPECT_EQ(d->status(DeviceInfo::AutoUpgradeFamily), 5);
    EXPECT_TRUE(page.removed.load());
    const auto sets = takeReceived(n, "/API/Maintenance/Reset/Set");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0]["reset"]["network"].asString(), "except_params");
    ASSERT_TRUE(backOnline(n));
    const Json::Value after = state(n);
    EXPECT_EQ(after["network"]["ip"], before["network"]["ip"]);
    EXPECT_TRUE(after["activated"].asBool());
    EXPECT_EQ(paramsOf(after).count({ 524, 0 }), 0u); // system reset too
    EXPECT_EQ(
        searchAt(after["network"]["ip"].asString()), std::vector<std::string> { after["mac"].asString() });
}

TEST_F(RestoreDefaultsLab, ADeviceThatRefusesTheResetFailsIt)
{
    ShellTestEnv env(protocol(0));
    Page page;
    const int n = 13;
    // The device answers HTTP 200 with a failure.
    sim->must(R"({"cmd":"web","device":13,"faults":{"/API/Maintenance/Reset/Set":{"result":"failed"}}})");
    auto d = device(n, page, &DeviceInfo::recoveryPage);
    d->setFactoryResetItems(1, 1, 1, 1, 0, 1, 1, 1, 0);
    d->setFamilyStatus(DeviceInfo::RecoveryFamily, 4);
    DeviceInfo::doRecoveryWork(d.get());
    ASSERT_TRUE(waitForEnd({ d.get() }, DeviceInfo::RecoveryFamily));
    EXPECT_EQ(d->status(DeviceInfo::RecoveryFamily), 6);
    sim->must(R"({"cmd":"web","device":13,"clear":true})");
}

// ---- VLNet ----------------------------------------------------------------------

namespace
{

// The reset records device n took (SET_PARAM of message 521), as hex.
std::vector<std::string> resetRecords(const std::vector<Json::Value>& setParams)
{
    std::vector<std::string> out;
    for (const Json::Value& e : setParams) {
        if (e["msg"].asInt() == 521)
            out.push_back(e["hex"].asString());
    }
    return out;
}

} // namespace

TEST_F(RestoreDefaultsLab, RecoveryOverVlnetSendsTheRecordOfThePagesFlags)
{
    ShellTestEnv env(protocol(1));
    Page page;
    const int n = 16;
    giveSettings(n);
    set(n, R"({"time":{"zone":3,"ntp":true}})");
    takeReceived(n, "");
    const Json::Value before = state(n);
    auto d = device(n, page, &DeviceInfo::recoveryPage);
    // Display, network except its settings, system.
    d->setResetItems(1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 0);
    d->setFamilyStatus(DeviceInfo::RecoveryFamily, 4);
    DeviceInfo::doRecoveryWork(d.get());
    ASSERT_TRUE(waitForEnd({ d.get() }, DeviceInfo::RecoveryFamily));
    EXPECT_EQ(d->status(DeviceInfo::RecoveryFamily), 5);
    const auto sets = takeReceived(n, "SET_PARAM");
    ASSERT_EQ(
        resetRecords(sets), std::vector<std::string> { "180000000100020000010000000000000000000000000000" });
    EXPECT_EQ(sets[0]["reset"]["network"].asString(), "except_params");
    ASSERT_TRUE(backOnline(n));
    const Json::Value after = state(n);
    EXPECT_EQ(after["network"]["ip"], before["network"]["ip"]);
    EXPECT_EQ(paramsOf(after).count({ 573, 0 }), 0u);
    EXPECT_EQ(after["time"]["zone"].asInt(), 14);
    EXPECT_FALSE(after["time"]["ntp"].asBool());
    EXPECT_TRUE(after["activated"].asBool());
}

TEST_F(RestoreDefaultsLab, DefaultsBySdkMoveTheDeviceToItsFactoryAddress)
{
    ShellTestEnv env(protocol(1));
    Page page;
    const int n = 17;
    takeReceived(n, "");
    const Json::Value before = state(n);
    auto d = device(n, page, &DeviceInfo::upgradePage);
    d->setFamilyStatus(DeviceInfo::LastStatus, 4);
    DeviceInfo::doSetParamWork(d.get());
    ASSERT_TRUE(waitForEnd({ d.get() }, DeviceInfo::LastStatus));
    EXPECT_EQ(d->lastStatus(), 5);
    EXPECT_EQ(resetRecords(takeReceived(n, "SET_PARAM")),
        std::vector<std::string> { "180000000101010101010101000000000000000000000000" });
    const std::string factoryIp = before["reset"]["factory_network"]["ip"].asString();
    ASSERT_TRUE(vltest::pollUntil([&] { return state(n)["network"]["ip"].asString() == factoryIp; }, 10000));
    ASSERT_TRUE(backOnline(n));
    EXPECT_TRUE(state(n)["activated"].asBool()); // the accounts stay
    EXPECT_EQ(searchAt(factoryIp), std::vector<std::string> { before["mac"].asString() });
}

TEST_F(RestoreDefaultsLab, TheAutomaticUpgradesResetOverVlnetKeepsTheAddressAndDropsTheDevice)
{
    ShellTestEnv env(protocol(1));
    Page page;
    const int n = 18;
    takeReceived(n, "");
    const Json::Value before = state(n);
    auto d = device(n, page, &DeviceInfo::autoUpgradePage);
    d->operation = DeviceInfo::AutoRestore;
    d->setFamilyStatus(DeviceInfo::AutoUpgradeFamily, 4);
    d->loginDevice();
    ASSERT_TRUE(waitForEnd({ d.get() }, DeviceInfo::AutoUpgradeFamily));
    EXPECT_EQ(d->status(DeviceInfo::AutoUpgradeFamily), 5);
    EXPECT_TRUE(page.removed.load());
    EXPECT_EQ(resetRecords(takeReceived(n, "SET_PARAM")),
        std::vector<std::string> { "180000000101020101010101010000000000000000000000" });
    ASSERT_TRUE(backOnline(n));
    EXPECT_EQ(state(n)["network"]["ip"], before["network"]["ip"]);
    EXPECT_EQ(
        searchAt(before["network"]["ip"].asString()), std::vector<std::string> { before["mac"].asString() });
}

TEST_F(RestoreDefaultsLab, AResetByFactoryTypeOverVlnetFailsWithoutARequest)
{
    ShellTestEnv env(protocol(1));
    Page page;
    const int n = 19;
    takeReceived(n, "");
    auto d = device(n, page, &DeviceInfo::recoveryPage);
    d->setInactiveResetParams(0);
    d->setFamilyStatus(DeviceInfo::RecoveryFamily, 4);
    DeviceInfo::doRecoveryToInactiveWork(d.get());
    ASSERT_TRUE(waitForEnd({ d.get() }, DeviceInfo::RecoveryFamily));
    EXPECT_EQ(d->status(DeviceInfo::RecoveryFamily), 6);
    EXPECT_TRUE(takeReceived(n, "SET_PARAM").empty());
    EXPECT_TRUE(state(n)["activated"].asBool());
}
