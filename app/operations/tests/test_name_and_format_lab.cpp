// Operation 23 against simulated devices, over the web interface behind a
// Digest challenge and over VLNet's record of message 700 (its texts cut
// within their fields), each shown by the next search; the video-format
// flow up to the device's reboot into the new format, and the whole flow as
// its page plays it, through the factory reset to the next search, for a
// device that is not activated and for one that is.
#include "ShellTestEnv.h"
#include "common/json.h"
#include "devices/DeviceEvents.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "devices/WorkPool.h"
#include "support/poll.h"
#include "support/vlnet_lab.h"
#include "vl_sdk_wrapper.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <vector>

namespace
{

class NameAndFormatLab : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        // Generated devices carry an administrator of the program's default
        // user (devsim's --default-user) with the program's default password.
        startLab({ "200", "2000", "3000", "300" },
            { "--generate", "6", "--seed", "17", "--inactive-percent", "0", "--onvif-percent", "0",
                "--reboot-seconds", "2", "--password", GKAppSetting::kDefaultPassword });
    }
    void TearDown() override
    {
        WorkPool::setSubmitHook({});
        VlnetLabSuite::TearDown();
    }

    static void set(int n, const std::string& stateJson)
    {
        sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(n) + ",\"state\":" + stateJson + "}");
    }
    static void place(DeviceInfo& d, int n)
    {
        const Json::Value dev = state(n);
        const Json::Value net = dev["network"];
        copyRecordText(d.searchRecord.sdk.ip, net["ip"].asCString());
        d.searchRecord.sdk.web_port = net["web_port"].asUInt();
        d.searchRecord.sdk.media_port = net["media_port"].asUInt();
        d.searchRecord.sdk.https_port = 0;
        d.searchRecord.sdk.is_first_login = dev["activated"].asBool() ? 0 : 1;
    }
    static ShellTestOptions options(int customer, int protocol)
    {
        ShellTestOptions o;
        o.edition = customer;
        o.curpro = protocol;
        return o;
    }
    // Device `mac`'s answer to a multicast search through VLSDKWrapper, as
    // the search page's next search would get it, once `wanted` holds for
    // it (searching again until then: a datagram may go unanswered, a
    // device may be rebooting); null when it never did.
    static Json::Value searchFor(
        const std::string& mac,
        const std::function<bool(const Json::Value&)>& wanted = [](const Json::Value&) { return true; })
    {
        Json::Value found;
        vltest::pollUntil(
            [&] {
                struct Answers {
                    std::mutex mutex;
                    std::vector<std::string> texts;
                    std::atomic<bool> done { false };
                } answers;
                const auto callback = [](const char* json, void* user) {
                    auto* a = static_cast<Answers*>(user);
                    if (!json) {
                        a->done = true;
                        return;
                    }
                    std::lock_guard<std::mutex> lock(a->mutex);
                    a->texts.emplace_back(json);
                };
                multicast_handle* h = vl_start_multi_search(R"({"timeout":1000})", callback, &answers);
                if (!h)
                    return false;
                vltest::pollUntil([&] { return answers.done.load(); }, 10000);
                vl_stop_multi_search(h);
                std::lock_guard<std::mutex> lock(answers.mutex);
                for (const std::string& text : answers.texts) {
                    Json::Value v;
                    if (vljson::parse_object(text, v) && v["mac"].asString() == mac && wanted(v)) {
                        found = v;
                        return true;
                    }
                }
                return false;
            },
            30000);
        return found;
    }
    // Runs posted events until `done` holds.
    static bool runUntil(const std::function<bool()>& done, int ms = 15000)
    {
        return vltest::pollUntil(
            [&] {
                QCoreApplication::sendPostedEvents();
                QCoreApplication::processEvents();
                return done();
            },
            ms);
    }
};

// The video-format page, told of every step.
class FormatPage : public VideoFormatWatcher
{
public:
    void updateDeviceRow(DeviceInfo*) override { ++rows; }
    int rows = 0;
};

// The change-device page, told when the worker has ended.
class ChangePage : public DeviceWatcher
{
public:
    void removeWorkDevice(DeviceInfo*, bool) override { told = true; }
    bool told = false;
};

} // namespace

TEST_F(NameAndFormatLab, NameAndTypeOverTheWebAnswerTheDigestChallenge)
{
    ShellTestEnv env(options(28, 1)); // customer 28 writes them through the web interface
    const int n = 0;
    sim->must(
        R"({"cmd":"web","device":0,"sessions":false,"digest":{"/API/Maintenance/Customfactory/Set":true}})");
    struct Case {
        const char* password;
        const char* name;
        const char* type;
        int status;
        const char* nameAfter;
        const char* typeAfter;
    };
    const std::string modelBefore = state(n)["model"].asString();
    const Case cases[] = {
        { "wrong", "Hall", "IPC-1", 39, nullptr, nullptr },
        { GKAppSetting::kDefaultPassword, "", "IPC-Web", 41, nullptr, "IPC-Web" },
        { GKAppSetting::kDefaultPassword, "Lobby Cam", "", 41, "Lobby Cam", "IPC-Web" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string nameBefore = state(n)["name"].asString();
        const std::string typeBefore = state(n)["model"].asString();
        DeviceInfo d;
        ChangePage page;
        place(d, n);
        d.changeDevicePage = &page;
        d.operation = DeviceInfo::ChangeDevice;
        d.setNameTypeParams(QLatin1String(GKAppSetting::kDefaultUser), QLatin1String(c.password),
            QString::fromUtf8(c.name), QString::fromUtf8(c.type));
        DeviceInfo::setDeviceNameAndType(&d);
        EXPECT_EQ(d.status(DeviceInfo::ChangeDeviceFamily), c.status);
        EXPECT_TRUE(page.told);
        const Json::Value dev = state(n);
        EXPECT_EQ(dev["name"].asString(), c.nameAfter ? c.nameAfter : nameBefore);
        EXPECT_EQ(dev["model"].asString(), c.typeAfter ? c.typeAfter : typeBefore);
    }
    // The digest was asked for and answered.
    const auto got = takeReceived(n, "/API/Maintenance/Customfactory/Set");
    ASSERT_FALSE(got.empty());
    EXPECT_TRUE(got.back()["digest"].asBool());
    EXPECT_NE(modelBefore, "IPC-Web");
    // The next search shows both.
    const Json::Value found = searchFor(state(n)["mac"].asString());
    EXPECT_EQ(found["dev name"].asString(), "Lobby Cam");
    EXPECT_EQ(found["dev type"].asString(), "IPC-Web");
}

TEST_F(NameAndFormatLab, NameAndTypeOverVlnetAreCutWithinTheirFields)
{
    // An edition without the web rule, on the VLNet setting: the worker
    // writes message 700.
    ShellTestEnv env(options(5, 1));
    const int n = 1;
    std::mutex lock;
    std::vector<WorkTask> tasks;
    WorkPool::setSubmitHook([&](const WorkTask& task, int) {
        std::lock_guard<std::mutex> hold(lock);
        tasks.push_back(task);
        return true;
    });
    DeviceInfo d;
    ChangePage page;
    place(d, n);
    d.changeDevicePage = &page;
    // A name of 40 bytes with a 2-byte character straddling byte 31.
    const QString name = QString(30, QLatin1Char('a')) + QChar(0xE9) + QString(9, QLatin1Char('z'));
    d.setNameTypeParams(QLatin1String(GKAppSetting::kDefaultUser),
        QLatin1String(GKAppSetting::kDefaultPassword), name, QStringLiteral("NVR-Over-VLNet"));
    DeviceInfo::doChangeDeviceWork(&d);
    // The login's success queues the worker; run it as a pool thread would.
    ASSERT_TRUE(runUntil([&] {
        std::lock_guard<std::mutex> hold(lock);
        return !tasks.empty();
    }));
    WorkTask task;
    {
        std::lock_guard<std::mutex> hold(lock);
        task = tasks.front();
    }
    task.run();
    EXPECT_TRUE(page.told);
    EXPECT_EQ(d.status(DeviceInfo::ChangeDeviceFamily), 41);
    EXPECT_FALSE(d.loggedIn);
    const Json::Value dev = state(n);
    EXPECT_EQ(dev["name"].asString(), std::string(30, 'a'));
    EXPECT_EQ(dev["model"].asString(), "NVR-Over-VLNet");
    const Json::Value found = searchFor(dev["mac"].asString());
    EXPECT_EQ(found["dev name"].asString(), std::string(30, 'a'));
    EXPECT_EQ(found["dev type"].asString(), "NVR-Over-VLNet");
}

TEST_F(NameAndFormatLab, TheFormatReachesTheDeviceWhichRebootsIntoIt)
{
    ShellTestEnv env(options(0, 0));
    // Device 2 is new (no password yet); device 3 is activated.
    set(2,
        std::string(R"({"activated":false,"users":[{"name":"admin","password":""},{"name":")")
            + GKAppSetting::kDefaultUser + R"(","password":""}]})");
    for (const int n : { 2, 3 }) {
        SCOPED_TRACE(n);
        const Json::Value before = state(n);
        const bool wasActivated = before["activated"].asBool();
        const std::string target = before["video_format"].asInt() == 1 ? "PAL" : "NTSC";
        auto d = std::make_unique<DeviceInfo>();
        place(*d, n);
        QSignalSpy waiting(d.get(), &DeviceInfo::setVideoFormatWaitingForSettingReboot);
        d->setVideoFormat(QString::fromStdString(target));
        DeviceInfo::doVideoFormatWork(d.get());
        ASSERT_TRUE(runUntil([&] { return waiting.count() == 1; })) << "status " << d->lastStatus();
        EXPECT_EQ(d->status(DeviceInfo::VideoFormatFamily), 92);
        EXPECT_EQ(d->operation.load(), int(DeviceInfo::VfReboot));

        ASSERT_TRUE(vltest::pollUntil(
            [&] {
                return state(n)["boots"].asInt() > before["boots"].asInt() || state(n)["rebooting"].asBool();
            },
            10000));
        const Json::Value after = state(n);
        EXPECT_EQ(after["video_format"].asInt(), target == "NTSC" ? 1 : 0);
        EXPECT_TRUE(after["activated"].asBool());
        if (!wasActivated) {
            EXPECT_EQ(d->user, QLatin1String(GKAppSetting::kDefaultUser));
            EXPECT_EQ(d->password, QLatin1String(DeviceInfo::kFirstLoginPassword));
            const auto firstLogin = takeReceived(n, "/API/FirstLogin/Password/Set");
            ASSERT_EQ(firstLogin.size(), 1u);
            EXPECT_EQ(firstLogin[0]["password"].asString(), DeviceInfo::kFirstLoginPassword);
        } else {
            EXPECT_TRUE(takeReceived(n, "/API/FirstLogin/Password/Set").empty());
        }
        // The factory reset after the reboot is the next step's; the record
        // goes before it (taking its session with it).
        d.reset();
    }
}

TEST_F(NameAndFormatLab, TheFormatPageEndsWithTheDeviceNotActivatedAtItsFactoryAddress)
{
    ShellTestEnv env(options(0, 0));
    struct Case {
        int n;
        bool activated;
        const char* software; // "VC": reset by factory type; else the nine items
    };
    const Case cases[] = { { 4, false, "VC8.2.1" }, { 5, true, "vc8.2.1" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.software);
        const int n = c.n;
        set(n,
            std::string(R"({"activated":)") + (c.activated ? "true" : "false") + R"(,"firmware":")"
                + c.software + "\"}");
        const Json::Value before = state(n);
        const std::string mac = before["mac"].asString();
        const std::string factoryIp = before["reset"]["factory_network"]["ip"].asString();
        ASSERT_NE(factoryIp, before["network"]["ip"].asString());
        const std::string target = before["video_format"].asInt() == 1 ? "PAL" : "NTSC";
        takeReceived(n, "");

        // The page's record comes from its search.
        const Json::Value found = searchFor(mac);
        ASSERT_EQ(found["activated"].asBool(), c.activated);
        auto d = std::make_unique<DeviceInfo>();
        copyRecordText(d->searchRecord.sdk.ip, found["wired ip"].asCString());
        copyRecordText(d->searchRecord.sdk.device_version, found["software"].asCString());
        d->searchRecord.sdk.web_port = found["web port"].asUInt();
        d->searchRecord.sdk.media_port = found["media port"].asUInt();
        d->searchRecord.sdk.is_first_login = found["activated"].asBool() ? 0 : 1;
        ASSERT_EQ(d->software(), QLatin1String(c.software));
        FormatPage page;
        d->videoFormatPage = &page;
        QSignalSpy waiting(d.get(), &DeviceInfo::setVideoFormatWaitingForSettingReboot);
        QSignalSpy finished(d.get(), &DeviceInfo::setVideoFormatRecoveryFinished);
        d->setVideoFormat(QString::fromStdString(target));
        DeviceInfo::doVideoFormatWork(d.get());

        // The format, the device's reboot into it, the session's login
        // again, the factory reset.
        ASSERT_TRUE(runUntil([&] { return finished.count() == 1; }, 60000)) << "status " << d->lastStatus();
        EXPECT_EQ(waiting.count(), 1);
        EXPECT_EQ(d->operation.load(), int(DeviceInfo::VfReset));
        EXPECT_GT(page.rows, 0);

        // What the device got: the first password when it had none, the
        // format, and the reset as the page's chain sends it, each without
        // "version".
        std::vector<Json::Value> got;
        const auto bodiesOf = [&](const char* path) {
            std::vector<Json::Value> bodies;
            for (const Json::Value& r : got) {
                Json::Value body;
                if (r["what"].asString() == path && r["status"].asInt() == 200
                    && vljson::parse_object(r["body"].asString(), body))
                    bodies.push_back(body);
            }
            return bodies;
        };
        ASSERT_TRUE(vltest::pollUntil(
            [&] {
                const Json::Value list = sim->must(
                    "{\"cmd\":\"received\",\"clear\":true,\"device\":" + std::to_string(n) + "}")["received"];
                for (const Json::Value& r : list)
                    got.push_back(r);
                return !bodiesOf("/API/Maintenance/Reset/Set").empty();
            },
            10000));
        EXPECT_EQ(bodiesOf("/API/FirstLogin/Password/Set").size(), c.activated ? 0u : 1u);
        const auto sets = bodiesOf("/API/Maintenance/Customfactory/Set");
        ASSERT_EQ(sets.size(), 1u);
        EXPECT_EQ(vljson::write_compact(sets[0]), R"({"data":{"video_format":")" + target + "\"}}");
        const auto resets = bodiesOf("/API/Maintenance/Reset/Set");
        ASSERT_EQ(resets.size(), 1u);
        EXPECT_FALSE(resets[0].isMember("version"));
        const Json::Value& data = resets[0]["data"];
        EXPECT_TRUE(data["base_secondary_authentication"].isObject());
        if (c.software[0] == 'V') {
            EXPECT_EQ(data.size(), 2u);
            EXPECT_EQ(data["factory_type"].asString(), "factory_defaults");
        } else {
            EXPECT_EQ(data.size(), 10u);
            for (const char* item :
                { "channel", "record", "event", "ai", "network", "device", "storage", "system", "alarm" })
                EXPECT_TRUE(data[item].asBool()) << item;
        }

        // The next search finds the device back, not activated, at its
        // factory address; it holds the new format.
        const Json::Value back = searchFor(mac, [&](const Json::Value& v) {
            return !v["activated"].asBool() && v["wired ip"].asString() == factoryIp;
        });
        ASSERT_FALSE(back.isNull()) << vljson::write_compact(state(n));
        const Json::Value after = state(n);
        EXPECT_EQ(after["video_format"].asInt(), target == "NTSC" ? 1 : 0);
        EXPECT_FALSE(after["activated"].asBool());
        EXPECT_GE(after["boots"].asInt(), before["boots"].asInt() + 2);

        // The page ends the flow: the format took effect.
        QCoreApplication::postEvent(d.get(), new QVideoFormatEvent(1033));
        EXPECT_TRUE(runUntil([&] { return d->status(DeviceInfo::VideoFormatFamily) == 87; }));
        EXPECT_FALSE(d->loggedIn);
        d.reset();
    }
}
