// The operations the state machine carries out itself, against simulated
// devices through the VLNet stand-in: the device information (700) always,
// the product information (582) only after it and only with a text set, read
// back from the device's parameter store; the PTZ restore, accepted or
// refused to a user without the PTZ right.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "support/poll.h"
#include "support/vlnet_lab.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace
{

// The settings page, told when the device's operation has ended.
class SettingsPage : public DeviceWatcher
{
public:
    void removeWorkDevice(DeviceInfo*, bool remove) override { ended = ended || remove; }
    bool ended = false;
};

class StateMachineLab : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        startLab({ "200", "2000", "3000", "300" },
            { "--generate", "8", "--seed", "11", "--inactive-percent", "0", "--onvif-percent", "0",
                "--password", GKAppSetting::kDefaultPassword });
    }

    // The record of device n as a search fills it.
    static void place(DeviceInfo& d, int n)
    {
        const Json::Value net = state(n)["network"];
        copyRecordText(d.searchRecord.sdk.ip, net["ip"].asCString());
        d.searchRecord.sdk.web_port = net["web_port"].asUInt();
        d.searchRecord.sdk.media_port = net["media_port"].asUInt();
    }
    // The records device n keeps, as hex by message number.
    static std::map<int, std::string> params(int n)
    {
        std::map<int, std::string> out;
        const Json::Value device = state(n);
        for (const Json::Value& p : device["params"])
            out[p["msg"].asInt()] = p["hex"].asString();
        return out;
    }
    // Runs the operation's entry on this thread (as a pool thread would)
    // and the device's events until the page is told it ended.
    static bool run(DeviceInfo& d, void (*entry)(void*), SettingsPage& page)
    {
        d.deviceInfoPage = &page;
        entry(&d);
        return vltest::pollUntil(
            [&] {
                QCoreApplication::sendPostedEvents();
                return page.ended;
            },
            10000);
    }
    static ShellTestOptions sdk()
    {
        ShellTestOptions o;
        o.curpro = 1;
        return o;
    }
};

std::string hexOf(const QByteArray& bytes)
{
    return bytes.toHex().toStdString();
}

} // namespace

TEST_F(StateMachineLab, DeviceInformationAlwaysThenProductInformationWhenATextIsSet)
{
    ShellTestEnv env(sdk());
    QByteArray record(DeviceInfo::kSdkDevInfoSize, '\0');
    for (int i = 0; i < record.size(); ++i)
        record[i] = char(i * 7 + 3);

    // The product record: size 32, the function code, the custom type in
    // bytes 8 to 23, 0xFF at 24.
    auto product = [](quint32 code, const QByteArray& type) {
        QByteArray p(32, '\0');
        p[0] = 32;
        for (int i = 0; i < 4; ++i)
            p[4 + i] = char((code >> (8 * i)) & 0xFF);
        p.replace(8, qMin(type.size(), 16), type.left(16));
        p[24] = char(0xFF);
        return hexOf(p);
    };
    struct Case {
        int device;
        const char* functionCode;
        const char* customType;
        bool recordSet;
        std::string productHex; // "" none
        int status;
    };
    const Case cases[] = {
        { 0, "", "", true, "", 5 },
        { 1, "  ", " ", true, "", 5 }, // blank texts are empty ones
        { 2, " 1a2B ", "", true, product(0x1A2B, ""), 5 },
        { 3, "", "  Board-7 ", true, product(0, "Board-7"), 5 },
        { 4, "zz", "CustomTypeLongerThan16", true, product(0, "CustomTypeLongerThan16"), 5 },
        // Without the device information nothing goes: no record of zeros
        // over the device's own, and no product record after a failure.
        { 5, "1a2b", "Board", false, "", 6 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        DeviceInfo d;
        SettingsPage page;
        place(d, c.device);
        if (c.recordSet)
            d.setSdkDevInfo(record.constData());
        d.setSdkDevInfoTexts(QString::fromUtf8(c.functionCode), QString::fromUtf8(c.customType));
        ASSERT_TRUE(run(d, &DeviceInfo::doSetInfoWork, page));
        EXPECT_EQ(d.lastStatus(), c.status);
        EXPECT_FALSE(d.loggedIn.load()) << "logged out after the writes";
        const auto kept = params(c.device);
        EXPECT_EQ(kept.count(700), c.recordSet ? 1u : 0u);
        if (c.recordSet) {
            EXPECT_EQ(kept.at(700), hexOf(record));
        }
        EXPECT_EQ(kept.count(582), c.productHex.empty() ? 0u : 1u);
        if (!c.productHex.empty()) {
            EXPECT_EQ(kept.at(582), c.productHex);
        }
        // Stored back trimmed once the device information went.
        const QString code = QString::fromUtf8(c.functionCode);
        EXPECT_EQ(d.functionCodeText, c.recordSet ? code.trimmed() : code);
    }
}

TEST_F(StateMachineLab, PtzRestoreIsAcceptedOrRefusedToAUserWithoutTheRight)
{
    ShellTestEnv env(sdk());
    sim->must(R"({"cmd":"set","device":7,"state":{"users":[{"name":"guest","password":"Guest_123",)"
              R"("rights":{"ptz":false}}]}})");
    struct Case {
        const char* user;
        const char* password;
        int status;
    };
    for (const Case c : { Case { GKAppSetting::kDefaultUser, GKAppSetting::kDefaultPassword, 5 },
             Case { "guest", "Guest_123", 6 } }) {
        SCOPED_TRACE(c.user);
        DeviceInfo d;
        SettingsPage page;
        place(d, 7);
        d.user = QString::fromUtf8(c.user);
        d.password = QString::fromUtf8(c.password);
        takeReceived(7, "PTZ_CONTROL");
        ASSERT_TRUE(run(d, &DeviceInfo::doPtzControlWork, page));
        EXPECT_EQ(d.lastStatus(), c.status);
        const auto got = takeReceived(7, "PTZ_CONTROL");
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0]["command"].asInt(), 100);
        EXPECT_EQ(got[0]["record"].asString(), std::string(88, '0'));
    }
}
