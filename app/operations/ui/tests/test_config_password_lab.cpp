// Configuration export and import and the password change against
// simulated devices: a device's configuration saved to a file (the save
// dialog answered) over VLNet and over the web interface in both encodings,
// changed on the device, loaded back and into another device; a new
// password set over VLNet (both record layouts) and over the web interface,
// after which the new password logs in and the old one no longer does.
#include "DialogAnswers.h"
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "operations/ConfigTransfer.h"
#include "shell/ui/Dialogs.h"
#include "support/ConnectEvents.h"
#include "support/poll.h"
#include "support/vlnet_lab.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

// The page that started the operation.
class Page : public DeviceWatcher
{
public:
    void removeWorkDevice(DeviceInfo*, bool) override { ++calls; }
    std::atomic<int> calls { 0 };
};

class ConfigPasswordLab : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        startLab({ "200", "2000", "3000", "300" },
            { "--generate", "8", "--seed", "21", "--inactive-percent", "0", "--onvif-percent", "0",
                "--password", GKAppSetting::kDefaultPassword, "--https-port", "0" });
    }
    void SetUp() override
    {
        ConfigTransfer::setSaveFileChooser(
            [](const QString& caption, const QString& name, const QString& filter) {
                return Dialogs::getSaveFileName(nullptr, caption, name, filter);
            });
    }
    void TearDown() override { ConfigTransfer::setSaveFileChooser(nullptr); }

    static void set(int n, const std::string& stateJson)
    {
        sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(n) + ",\"state\":" + stateJson + "}");
    }
    static void place(DeviceInfo& d, int n)
    {
        const Json::Value net = state(n)["network"];
        copyRecordText(d.searchRecord.sdk.ip, net["ip"].asCString());
        copyRecordText(d.searchRecord.sdk.device_name, state(n)["name"].asCString());
        d.searchRecord.sdk.web_port = net["web_port"].asUInt();
        d.searchRecord.sdk.media_port = net["media_port"].asUInt();
    }
    static ShellTestOptions protocol(int p)
    {
        ShellTestOptions o;
        o.curpro = p;
        return o;
    }
    // Runs the entry on this thread, as a pool thread would, and the
    // device's events until `status` gives a final status of the operation
    // and the device is logged out.
    static int run(DeviceInfo& d, void (*entry)(void*), const std::function<bool(int)>& final)
    {
        entry(&d);
        int status = -1;
        const bool ended = vltest::pollUntil(
            [&] {
                QCoreApplication::sendPostedEvents();
                status = d.lastStatus();
                return final(status) && !d.loggedIn.load();
            },
            20000);
        return ended ? status : -1;
    }
    // The login's first code with these credentials.
    static int loginCode(int n, const QString& user, const QString& password)
    {
        DeviceInfo d;
        ConnectEvents events(&d);
        place(d, n);
        d.user = user;
        d.password = password;
        d.operation = DeviceInfo::QueryVersion;
        d.loginDevice();
        const int code = events.waitFor(1) ? events.codes.front() : -1;
        d.logoutDevice(__LINE__);
        return code;
    }
    static std::string configOf(int n)
    {
        Json::Value s = state(n);
        Json::Value c(Json::objectValue);
        c["name"] = s["name"];
        c["video_format"] = s["video_format"];
        for (const auto& ch : s["channels"])
            c["channels"].append(ch["name"]);
        c["params"] = s["params"];
        return c.toStyledString();
    }
};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool exportFinal(int s)
{
    return s == 20 || s == 21;
}
bool importFinal(int s)
{
    return s == 22 || s == 23;
}

} // namespace

TEST_F(ConfigPasswordLab, AConfigurationExportedOverEachTransportLoadsBackAndIntoAnotherDevice)
{
    struct Case {
        const char* what;
        int protocol;
        bool encoded;
        int from, to;
    };
    const Case cases[] = {
        { "VLNet", 1, false, 0, 1 },
        { "web, Base64 text", 0, true, 2, 3 },
        { "web, decoded bytes", 0, false, 4, 5 },
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ShellTestEnv env(protocol(c.protocol));
        const std::string channels = std::to_string(state(c.from)["channels"].size());
        set(c.to, "{\"channels\":" + channels + "}");
        const std::string before = configOf(c.from);

        DialogAnswers answers;
        const QString file
            = dir.filePath(QString::fromLatin1(c.what).left(3) + QString::number(c.from) + ".txt");
        answers.queueFileName(file);
        DeviceInfo from;
        Page page;
        place(from, c.from);
        from.importExportPage = &page;
        from.configEncoded = c.encoded;
        ASSERT_EQ(run(from, &DeviceInfo::doExportWork, exportFinal), 20);
        ASSERT_EQ(answers.files.size(), 1u);
        EXPECT_EQ(answers.files[0].directory, from.devName() + QStringLiteral(".txt")) << "the proposed name";
        const QByteArray saved = readAll(file);
        ASSERT_FALSE(saved.isEmpty());

        // Changed on the device, then loaded back.
        set(c.from, R"({"name":"Changed","video_format":1,"params":[{"msg":700,"channel":0,"hex":"00"}]})");
        EXPECT_NE(configOf(c.from), before);
        from.configFilePath = file;
        ASSERT_EQ(run(from, &DeviceInfo::doImportWork, importFinal), 22)
            << sim->must("{\"cmd\":\"received\",\"device\":" + std::to_string(c.from) + "}").toStyledString();
        EXPECT_EQ(configOf(c.from), before);

        // Into another device: it then has the same configuration.
        DeviceInfo to;
        place(to, c.to);
        to.importExportPage = &page;
        to.configEncoded = c.encoded;
        to.configFilePath = file;
        ASSERT_EQ(run(to, &DeviceInfo::doImportWork, importFinal), 22);
        EXPECT_EQ(configOf(c.to), before);

        // What the device cannot read it refuses, and keeps its own.
        const QString garbage = dir.filePath(QStringLiteral("garbage.txt"));
        {
            QFile g(garbage);
            ASSERT_TRUE(g.open(QIODevice::WriteOnly));
            g.write(c.encoded ? "bm90IGEgY29uZmln" : "not a config");
        }
        to.configFilePath = garbage;
        EXPECT_EQ(run(to, &DeviceInfo::doImportWork, importFinal), 23);
        EXPECT_EQ(configOf(c.to), before);
    }
}

TEST_F(ConfigPasswordLab, ACancelledExportSavesNothingOnEitherTransport)
{
    for (const int p : { 1, 0 }) {
        SCOPED_TRACE(p);
        ShellTestEnv env(protocol(p));
        DialogAnswers answers; // no file name queued: cancelled
        DeviceInfo d;
        Page page;
        place(d, 6);
        d.importExportPage = &page;
        EXPECT_EQ(run(d, &DeviceInfo::doExportWork, exportFinal), 21);
        EXPECT_EQ(answers.files.size(), 1u);
    }
}

TEST_F(ConfigPasswordLab, ANewPasswordOverTheWebLogsInAndTheOldOneNoLonger)
{
    const int n = 7;
    const QString user = QStringLiteral("admin");
    const QString old = QString::fromLatin1(GKAppSetting::kDefaultPassword);
    const QString fresh = QStringLiteral("Fresh_pass42");
    {
        ShellTestEnv env(protocol(0));
        DeviceInfo d;
        Page page;
        place(d, n);
        d.changePasswordPage = &page;
        d.user = user;
        d.password = old;
        d.newPassword = fresh;
        d.secondPassword = fresh;
        ASSERT_EQ(run(d, &DeviceInfo::doChangePasswordWork, [](int s) { return s > 4; }), 5);
        EXPECT_GE(page.calls.load(), 1);
    }
    for (const int p : { 0, 1 }) {
        SCOPED_TRACE(p);
        ShellTestEnv env(protocol(p));
        EXPECT_EQ(loginCode(n, user, fresh), 101);
        EXPECT_NE(loginCode(n, user, old), 101);
    }
}

TEST_F(ConfigPasswordLab, ANewPasswordOverVlnetLogsInInEitherLayout)
{
    const QString old = QString::fromLatin1(GKAppSetting::kDefaultPassword);
    struct Case {
        const char* what;
        int device;
        bool c32;
        const char* fresh; // what the page asks for
        const char* takes; // what the device then holds
    };
    const Case cases[] = {
        { "32-byte layout", 0, true, "Twelve_chars", "Twelve_chars" },
        { "8-byte layout", 1, false, "Twelve_chars", "Twelve_c" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        set(c.device,
            c.c32 ? R"({"record":{"c32PasswordFlag":null}})" : R"({"record":{"c32PasswordFlag":0}})");
        {
            ShellTestEnv env(protocol(1));
            DeviceInfo d;
            Page page;
            place(d, c.device);
            d.changePasswordPage = &page;
            d.user = QStringLiteral("admin");
            d.password = old;
            d.newPassword = QString::fromLatin1(c.fresh);
            d.secondPassword = QString::fromLatin1(c.fresh);
            ASSERT_EQ(run(d, &DeviceInfo::doChangePasswordWork, [](int s) { return s > 4; }), 5);
            EXPECT_EQ(d.userRecords.size(), state(c.device)["users"].size()) << "the whole list was read";
        }
        // The records went sealed both ways.
        const Json::Value got = sim->must(
            "{\"cmd\":\"received\",\"clear\":true,\"device\":" + std::to_string(c.device) + "}")["received"];
        int sealed = 0;
        for (const Json::Value& e : got)
            if (e["what"] == "QUERY_PARAM" || e["what"] == "SET_PARAM") {
                EXPECT_EQ(e["msg"].asInt(), 505);
                sealed += e["sealed"].asBool();
            }
        EXPECT_EQ(sealed, 2) << "the query's answer and the write";
        for (const int p : { 1, 0 }) {
            SCOPED_TRACE(p);
            ShellTestEnv env(protocol(p));
            EXPECT_EQ(loginCode(c.device, QStringLiteral("admin"), QString::fromLatin1(c.takes)), 101);
            EXPECT_NE(loginCode(c.device, QStringLiteral("admin"), old), 101);
        }
    }
}

TEST_F(ConfigPasswordLab, APasswordChangeTheDeviceRefusesOverVlnetFails)
{
    // A user who is no administrator may read the list but not write it (2);
    // a password that breaks the device's rules is refused (0).
    sim->must(R"({"cmd":"set","device":2,"state":{"users":[{"name":"keeper","password":"Keeper_123",)"
              R"("admin":false}]}})");
    ShellTestEnv env(protocol(1));
    const struct {
        const char* user;
        const char* password;
        const char* fresh;
    } cases[] = {
        { "keeper", "Keeper_123", "Keeper_456" },
        { "admin", GKAppSetting::kDefaultPassword, "short" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.user);
        DeviceInfo d;
        Page page;
        place(d, 2);
        d.changePasswordPage = &page;
        d.user = QString::fromLatin1(c.user);
        d.password = QString::fromLatin1(c.password);
        d.newPassword = QString::fromLatin1(c.fresh);
        d.secondPassword = QString::fromLatin1(c.fresh);
        EXPECT_EQ(run(d, &DeviceInfo::doChangePasswordWork, [](int s) { return s > 4; }), 6);
        EXPECT_EQ(loginCode(2, QString::fromLatin1(c.user), QString::fromLatin1(c.password)), 101);
    }
}
