// Operation 23 against simulated devices, over the web interface behind a
// Digest challenge and over VLNet's record of message 700 (its texts cut
// within their fields), and the video-format flow up to the device's reboot
// into the new format, for a device that is not activated and for one that
// is.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "devices/WorkPool.h"
#include "support/poll.h"
#include "support/vlnet_lab.h"

#include <QCoreApplication>
#include <QSignalSpy>
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
