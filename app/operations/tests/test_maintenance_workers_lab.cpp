// Activation, reboot, version query and date and time against simulated
// devices, each as a page starts it (the operation's entry, the login, the
// state machine, the worker on the work pool): new devices activated by
// multicast and logged in with their new password; reboots over the web
// interface and VLNet that take devices away and bring them back; the
// clock and zone read back from the device; the device's version.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "devices/WorkPool.h"
#include "shell/TextTable.h"
#include "support/ConnectEvents.h"
#include "support/poll.h"
#include "support/vlnet_lab.h"

#include <QCoreApplication>
#include <QTimeZone>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace
{

constexpr int kDevices = 24;
constexpr const char* kNewPassword = "Fresh_pass9";

// A page that waits for its devices.
class Page : public DeviceWatcher
{
public:
    void removeWorkDevice(DeviceInfo*, bool remove) override { ++(remove ? removes : refreshes); }
    std::atomic<int> refreshes { 0 };
    std::atomic<int> removes { 0 };
};

class MaintenanceLab : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        startLab({ "200", "2000", "3000", "300" },
            { "--generate", std::to_string(kDevices), "--seed", "17", "--inactive-percent", "0",
                "--onvif-percent", "0", "--password", GKAppSetting::kDefaultPassword, "--reboot-seconds",
                "2" });
        WorkPool::instance();
    }

    static void set(int n, const std::string& stateJson)
    {
        sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(n) + ",\"state\":" + stateJson + "}");
    }
    static void web(int n, const std::string& switchesJson)
    {
        sim->must(
            "{\"cmd\":\"web\",\"device\":" + std::to_string(n) + ",\"clear\":true," + switchesJson + "}");
    }
    // The record of device n as the multicast search fills it.
    static void place(DeviceInfo& d, int n)
    {
        const Json::Value s = state(n);
        const Json::Value net = s["network"];
        copyRecordText(d.searchRecord.sdk.ip, net["ip"].asCString());
        d.searchRecord.sdk.web_port = net["web_port"].asUInt();
        d.searchRecord.sdk.media_port = net["media_port"].asUInt();
        d.searchRecord.sdk.https_port = 0;
        d.searchRecord.sdk.is_first_login = s["activated"].asBool() ? 0 : 1;
        const QByteArray id = QByteArray::fromHex(QByteArray::fromStdString(s["dev_id"].asString()));
        const QByteArray key = QByteArray(1, char(0xB0))
            + QByteArray::fromHex(QByteArray::fromStdString(s["keys"]["public"].asString()));
        copyRecordText(d.searchRecord.devId, id.toBase64().constData());
        copyRecordText(d.searchRecord.devEnc, key.toBase64().constData());
    }
    // What device n received over `transport` at `path` (web) or as `what`.
    static std::vector<Json::Value> received(int n, const std::string& what)
    {
        std::vector<Json::Value> out;
        const Json::Value answer = sim->must("{\"cmd\":\"received\",\"device\":" + std::to_string(n) + "}");
        for (const Json::Value& r : answer["received"])
            if (r["what"].asString() == what)
                out.push_back(r);
        return out;
    }
    static void forget(int n)
    {
        sim->must("{\"cmd\":\"received\",\"clear\":true,\"device\":" + std::to_string(n) + "}");
    }

    // Runs the operation's entry for every device, as a page submits them,
    // and the devices' events until each page heard the end (a remove, or
    // with `refreshEnds` a refresh) and every device is idle again.
    static bool run(std::vector<std::unique_ptr<DeviceInfo>>& devices,
        std::vector<std::unique_ptr<Page>>& pages, void (*entry)(void*), bool refreshEnds, int ms = 30000)
    {
        for (auto& d : devices)
            WorkPool::instance()->submit(entry, d.get(), WorkPool::NormalQueue);
        return vltest::pollUntil(
            [&] {
                QCoreApplication::sendPostedEvents();
                for (std::size_t i = 0; i < devices.size(); ++i) {
                    const Page& p = *pages[i];
                    if ((refreshEnds ? p.refreshes.load() : p.removes.load()) == 0 || devices[i]->isBusy())
                        return false;
                }
                return true;
            },
            ms);
    }
    static ShellTestOptions protocol(int p)
    {
        ShellTestOptions o;
        o.curpro = p;
        return o;
    }
    // Devices `first` .. `first + count - 1`, each with its page in `slot`.
    static void make(int first, int count, DeviceWatcher* DeviceInfo::*slot,
        std::vector<std::unique_ptr<DeviceInfo>>& devices, std::vector<std::unique_ptr<Page>>& pages)
    {
        for (int n = first; n < first + count; ++n) {
            devices.push_back(std::make_unique<DeviceInfo>());
            pages.push_back(std::make_unique<Page>());
            place(*devices.back(), n);
            (*devices.back()).*slot = pages.back().get();
        }
    }
    static bool backOnline(int n, int bootsBefore)
    {
        return vltest::pollUntil(
            [&] {
                const Json::Value s = sim->must("{\"cmd\":\"get\",\"device\":" + std::to_string(n) + "}");
                return s["state"]["boots"].asInt() > bootsBefore && s["state"]["online"].asBool();
            },
            20000);
    }
    static int boots(int n) { return state(n)["boots"].asInt(); }
    // How far device n's clock (its local time now, in its zone) is from
    // `local`, in seconds.
    static qint64 clockDistance(int n, const QDateTime& local)
    {
        const Json::Value time = state(n)["time"];
        const qint64 zoneMs = qint64(DeviceInfo::timeZones.at(time["zone"].asUInt()).hours * 3600000);
        const qint64 deviceMs = QDateTime::currentMSecsSinceEpoch() + time["offset_ms"].asInt64() + zoneMs;
        const qint64 wantMs = QDateTime(local.date(), local.time(), Qt::UTC).toMSecsSinceEpoch();
        return qAbs(deviceMs - wantMs) / 1000;
    }
};

} // namespace

TEST_F(MaintenanceLab, NewDevicesAreActivatedByMulticastAndLogInWithTheirPassword)
{
    ShellTestEnv env(protocol(0));
    constexpr int kFirst = 0, kCount = 6;
    for (int n = kFirst; n < kFirst + kCount; ++n)
        set(n, R"({"activated":false})");
    std::vector<std::unique_ptr<DeviceInfo>> devices;
    std::vector<std::unique_ptr<Page>> pages;
    make(kFirst, kCount, &DeviceInfo::initialDevicePage, devices, pages);
    for (auto& d : devices)
        d->setActivationParams(QLatin1String(kNewPassword), 0);
    ASSERT_TRUE(run(devices, pages, &DeviceInfo::doActivateWork, false))
        << devices[0]->lastStatus() << " " << pages[0]->refreshes << " " << devices[0]->loggedIn;
    for (int i = 0; i < kCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(devices[i]->lastStatus(), 61);
        EXPECT_TRUE(state(kFirst + i)["activated"].asBool());
        EXPECT_EQ(devices[i]->activationHandle.load(), nullptr) << "stopped by the state machine";
    }

    // The new password opens a session.
    {
        DeviceInfo& d = *devices[0];
        ConnectEvents events(&d);
        d.user = QStringLiteral("admin");
        d.password = QLatin1String(kNewPassword);
        d.operation = DeviceInfo::QueryVersion;
        d.loginDevice();
        ASSERT_TRUE(events.waitFor(1));
        EXPECT_EQ(events.codes, (std::vector<int> { 101 }));
        d.logoutDevice(__LINE__);
    }

    // A second run finds them activated: the pre-check stops it (30); sent
    // anyway (the search record still says new), the device says so (67).
    for (int i = 0; i < kCount; ++i)
        pages[i]->removes = 0;
    const bool ended = run(devices, pages, &DeviceInfo::doActivateWork, false);
    ASSERT_TRUE(ended);
    for (int i = 0; i < kCount; ++i)
        EXPECT_EQ(devices[i]->lastStatus(), 67) << i;
}

TEST_F(MaintenanceLab, AnActivationPasswordThatBreaksTheRulesIsRefused)
{
    ShellTestEnv env(protocol(0));
    const int n = 6;
    set(n, R"({"activated":false})");
    std::vector<std::unique_ptr<DeviceInfo>> devices;
    std::vector<std::unique_ptr<Page>> pages;
    make(n, 1, &DeviceInfo::initialDevicePage, devices, pages);
    devices[0]->setActivationParams(QStringLiteral("short"), 0);
    ASSERT_TRUE(run(devices, pages, &DeviceInfo::doActivateWork, false));
    EXPECT_EQ(devices[0]->lastStatus(), 65);
    EXPECT_FALSE(state(n)["activated"].asBool());
    set(n, R"({"activated":true})");
}

TEST_F(MaintenanceLab, WebRebootsTakeDevicesAwayAndTheyComeBack)
{
    ShellTestEnv env(protocol(0));
    constexpr int kFirst = 7, kCount = 5;
    std::vector<std::unique_ptr<DeviceInfo>> devices;
    std::vector<std::unique_ptr<Page>> pages;
    make(kFirst, kCount, &DeviceInfo::rebootPage, devices, pages);
    std::vector<int> before;
    for (int n = kFirst; n < kFirst + kCount; ++n) {
        before.push_back(boots(n));
        forget(n);
    }
    ASSERT_TRUE(run(devices, pages, &DeviceInfo::doRebootWork, true));
    for (int i = 0; i < kCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(devices[i]->lastStatus(), 37);
        EXPECT_EQ(devices[i]->status(DeviceInfo::RebootFamily), 37);
        EXPECT_FALSE(devices[i]->loggedIn.load());
        EXPECT_TRUE(backOnline(kFirst + i, before[size_t(i)]));
        const auto sent = received(kFirst + i, "/API/Maintenance/DeviceReboot/Set");
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0]["secondary_auth"].asString(), "ok");
    }
}

TEST_F(MaintenanceLab, WebRebootFaults)
{
    ShellTestEnv env(protocol(0));
    const int n = 12;
    struct Case {
        const char* name;
        const char* switches;
        int status;
        bool rebootSent;
    };
    const Case cases[] = {
        // The key request's transfer failed: no reboot request.
        { "key answered 500", R"("faults":{"/API/Maintenance/TransKey/Get":{"status":500}})", 36, false },
        { "key not JSON", R"("faults":{"/API/Maintenance/TransKey/Get":{"body":"<html>busy</html>"}})", 36,
            false },
        { "key seq a text",
            R"("answers":{"/API/Maintenance/TransKey/Get":{"Key_lists":[{"type":"base_salt","key":"c2FsdHNhbHRzYWx0c2FsdA==","iter":10,"seq":"7"}]}})",
            36, false },
        // The reboot's own answer counts, not its HTTP status.
        { "reboot answered 500", R"("faults":{"/API/Maintenance/DeviceReboot/Set":{"status":500}})", 37,
            true },
        { "reboot refused", R"("faults":{"/API/Maintenance/DeviceReboot/Set":{"result":"failed"}})", 35,
            true },
        { "reboot not JSON", R"("faults":{"/API/Maintenance/DeviceReboot/Set":{"empty":true}})", 36, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(vltest::pollUntil([&] { return state(n)["online"].asBool(); }, 20000));
        web(n, c.switches);
        forget(n);
        std::vector<std::unique_ptr<DeviceInfo>> devices;
        std::vector<std::unique_ptr<Page>> pages;
        make(n, 1, &DeviceInfo::recoveryPage, devices, pages);
        ASSERT_TRUE(run(devices, pages, &DeviceInfo::doRecoveryRebootWork, true));
        EXPECT_EQ(devices[0]->lastStatus(), c.status);
        EXPECT_EQ(received(n, "/API/Maintenance/DeviceReboot/Set").size(), c.rebootSent ? 1u : 0u);
    }
    web(n, R"("sessions":true)");
}

TEST_F(MaintenanceLab, DateAndTimeOverTheWebInterface)
{
    ShellTestEnv env(protocol(0));
    constexpr int kFirst = 13, kCount = 3;
    std::vector<std::unique_ptr<DeviceInfo>> devices;
    std::vector<std::unique_ptr<Page>> pages;
    make(kFirst, kCount, &DeviceInfo::streamConfigPage, devices, pages);
    const int offsets[kCount] = { 8 * 3600, -5 * 3600, 5 * 3600 + 1800 };
    const char* zones[kCount] = { "GMT+8:00", "GMT+-5:00", "GMT+5:00" };
    const int indexes[kCount] = { 27, 7, 21 };
    for (int i = 0; i < kCount; ++i)
        devices[i]->setDateTimeParam(
            QDateTime(QDate(2026, 7, 9), QTime(8, 5, 3), Qt::OffsetFromUTC, offsets[i]));
    ASSERT_TRUE(run(devices, pages, &DeviceInfo::doDateTimeWork, true));
    for (int i = 0; i < kCount; ++i) {
        SCOPED_TRACE(zones[i]);
        const int n = kFirst + i;
        EXPECT_EQ(devices[i]->lastStatus(), 5);
        const auto sent = received(n, "/API/SystemConfig/DateTime/Set");
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0]["date"].asString(), "09/07/2026");
        EXPECT_EQ(sent[0]["time"].asString(), "08:05:03");
        EXPECT_EQ(sent[0]["time_zone"].asString(), zones[i]);
        EXPECT_EQ(sent[0]["zone_index"].asInt(), indexes[i]);
        // The device's clock runs on from what it was told.
        EXPECT_EQ(state(n)["time"]["zone"].asInt(), indexes[i]);
        EXPECT_LT(clockDistance(n, devices[i]->dateTime), 60);
        EXPECT_EQ(received(n, "/API/SystemConfig/DateTime/Get").size(), 1u);
    }
}

TEST_F(MaintenanceLab, DateAndTimeWebFaults)
{
    ShellTestEnv env(protocol(0));
    const int n = 16;
    struct Case {
        const char* name;
        const char* switches;
        int status;
        bool setSent;
    };
    const Case cases[] = {
        { "get fails", R"("faults":{"/API/SystemConfig/DateTime/Get":{"status":500}})", 6, false },
        // Only whether the device answers counts.
        { "get is an error page", R"("faults":{"/API/SystemConfig/DateTime/Get":{"body":"<html>x</html>"}})",
            5, true },
        { "set refused", R"("faults":{"/API/SystemConfig/DateTime/Set":{"result":"failed"}})", 6, true },
        { "set answered with nothing", R"("faults":{"/API/SystemConfig/DateTime/Set":{"empty":true}})", 5,
            true },
        { "set fails", R"("faults":{"/API/SystemConfig/DateTime/Set":{"status":500}})", 6, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        web(n, c.switches);
        forget(n);
        std::vector<std::unique_ptr<DeviceInfo>> devices;
        std::vector<std::unique_ptr<Page>> pages;
        make(n, 1, &DeviceInfo::streamConfigPage, devices, pages);
        devices[0]->setDateTimeParam(QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5), Qt::UTC));
        ASSERT_TRUE(run(devices, pages, &DeviceInfo::doDateTimeWork, true));
        EXPECT_EQ(devices[0]->lastStatus(), c.status);
        EXPECT_EQ(received(n, "/API/SystemConfig/DateTime/Set").size(), c.setSent ? 1u : 0u);
    }
    web(n, R"("sessions":true)");
}

TEST_F(MaintenanceLab, VLNetRebootsTakeDevicesAwayAndTheyComeBack)
{
    ShellTestEnv env(protocol(1));
    constexpr int kFirst = 17, kCount = 5;
    std::vector<std::unique_ptr<DeviceInfo>> devices;
    std::vector<std::unique_ptr<Page>> pages;
    make(kFirst, kCount, &DeviceInfo::rebootPage, devices, pages);
    std::vector<int> before;
    for (int n = kFirst; n < kFirst + kCount; ++n) {
        before.push_back(boots(n));
        forget(n);
    }
    ASSERT_TRUE(run(devices, pages, &DeviceInfo::doRebootWork, true));
    for (int i = 0; i < kCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(devices[i]->lastStatus(), 37);
        EXPECT_FALSE(devices[i]->loggedIn.load());
        EXPECT_TRUE(backOnline(kFirst + i, before[size_t(i)]));
        const auto sent = received(kFirst + i, "REMOTE_TEST");
        ASSERT_EQ(sent.size(), 1u);
    }
}

TEST_F(MaintenanceLab, AVLNetRebootThatGetsNoAnswerIsRefused)
{
    ShellTestEnv env(protocol(1));
    const int n = 23;
    std::vector<std::unique_ptr<DeviceInfo>> devices;
    std::vector<std::unique_ptr<Page>> pages;
    make(n, 1, &DeviceInfo::recoveryPage, devices, pages);
    // Logged in, then the device stops answering: the command goes nowhere.
    DeviceInfo& d = *devices[0];
    {
        ConnectEvents events(&d);
        d.operation = DeviceInfo::RecoveryReboot;
        d.loginDevice();
        ASSERT_TRUE(events.waitFor(1));
        ASSERT_EQ(events.codes, (std::vector<int> { 101 }));
    }
    sim->must(R"({"cmd":"fault","device":23,"drop":true})");
    DeviceInfo::rebootDeviceForRecovery(&d);
    sim->must(R"({"cmd":"fault","device":23,"clear":true})");
    EXPECT_EQ(d.lastStatus(), 35);
    EXPECT_EQ(d.status(DeviceInfo::RecoveryFamily), 35);
    EXPECT_EQ(pages[0]->refreshes.load(), 1);
    EXPECT_FALSE(d.loggedIn.load());
}

TEST_F(MaintenanceLab, DateAndTimeOverVLNetAndTheVersion)
{
    ShellTestEnv env(protocol(1));
    const int n = 22;
    struct Case {
        int offsetSeconds;
        int index;
    };
    for (const Case c :
        { Case { 5 * 3600 + 1800, 22 }, Case { -(9 * 3600 + 1800), 2 }, Case { 8 * 3600, 27 } }) {
        SCOPED_TRACE(c.index);
        std::vector<std::unique_ptr<DeviceInfo>> devices;
        std::vector<std::unique_ptr<Page>> pages;
        make(n, 1, &DeviceInfo::streamConfigPage, devices, pages);
        set(n, R"({"time":{"ntp":true}})");
        const QDateTime at(QDate(2026, 7, 9), QTime(8, 5, 3), Qt::OffsetFromUTC, c.offsetSeconds);
        devices[0]->setDateTimeParam(at);
        ASSERT_TRUE(run(devices, pages, &DeviceInfo::doDateTimeWork, true));
        EXPECT_EQ(devices[0]->lastStatus(), 5);
        const Json::Value time = state(n)["time"];
        EXPECT_EQ(time["zone"].asInt(), c.index);
        EXPECT_TRUE(time["ntp"].asBool()) << "the NTP switch stays as the device had it";
        EXPECT_LT(clockDistance(n, at), 60);
    }

    // Operation 10: the device's version text.
    set(n, R"({"firmware":"V7.3.1 build 261201"})");
    std::vector<std::unique_ptr<DeviceInfo>> devices;
    std::vector<std::unique_ptr<Page>> pages;
    make(n, 1, &DeviceInfo::upgradePage, devices, pages);
    devices[0]->matchVersion = QStringLiteral("V7.3.1 build 261201");
    ASSERT_TRUE(run(devices, pages, &DeviceInfo::doQueryParamWork, false));
    EXPECT_EQ(devices[0]->lastStatus(), 24);
    EXPECT_EQ(devices[0]->queriedVersion, QStringLiteral("V7.3.1 build 261201"));
    EXPECT_EQ(devices[0]->upgradeMatchText(), TextTable::text(146));
}
