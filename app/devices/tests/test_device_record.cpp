// The device record: what a new record holds, what its accessors read of the
// search record, how a search answer fills it (by search, edition and
// protocol), the fall-backs of the parameter setters, and what its
// destructor stops.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "devices/UploadThread.h"

#include <QPointer>
#include <QThread>
#include <QTimer>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

namespace
{

ShellTestOptions edition(int number, int protocol = 0)
{
    ShellTestOptions o;
    o.edition = number;
    o.curpro = protocol;
    return o;
}

// A search answer as the multicast search fills it: every part set.
SearchDevRsp multicastAnswer()
{
    SearchDevRsp r {};
    copyRecordText(r.sdk.ip, "192.168.1.64");
    copyRecordText(r.sdk.mac_addr, "aa:bb:cc:00:11:22");
    copyRecordText(r.sdk.p2p_id, "P2P123");
    copyRecordText(r.sdk.dns1, "8.8.8.8");
    copyRecordText(r.sdk.dns2, "8.8.4.4");
    copyRecordText(r.sdk.gateway, "192.168.1.1");
    copyRecordText(r.sdk.netmask, "255.255.255.0");
    r.sdk.media_port = 9000;
    r.sdk.web_port = 80;
    r.sdk.network_mode = 0;
    r.sdk.system_time.year = 2023;
    r.sdk.system_time.month = 7;
    r.sdk.system_time.day = 5;
    r.sdk.analog_channel_num = -1;
    r.sdk.ipv6[0] = 0xfe;
    r.sdk.ipv6[1] = 0x80;
    r.sdk.ipv6[15] = 0x01;
    copyRecordText(r.devId, "ZGV2aWQ=");
    copyRecordText(r.devEnc, "a2V5");
    copyRecordText(r.ipv6Text, "2001:db8::5");
    r.analogChannelCount = 4;
    return r;
}

} // namespace

TEST(DeviceRecord, ANewRecordStartsEmptyWithTheDefaultCredentials)
{
    ShellTestEnv env(edition(40)); // an edition with a password of its own
    DeviceInfo d;
    for (int family = 0; family < DeviceInfo::kFamilyCount; ++family)
        EXPECT_EQ(d.status(family), -1) << family;
    for (int kind = 0; kind < DeviceInfo::kTableKindCount; ++kind) {
        EXPECT_EQ(d.checkState[kind], int(Qt::Unchecked)) << kind;
        EXPECT_FALSE(d.statusCellIndex[kind].isValid()) << kind;
    }
    EXPECT_EQ(d.httpsCheck, 0);
    EXPECT_EQ(d.upgradePercent, -1);
    EXPECT_EQ(d.autoUpgradePercent, -1);
    EXPECT_EQ(d.addressMode, 2);
    EXPECT_EQ(d.operation, DeviceInfo::NoOperation);
    EXPECT_EQ(d.user, env.settings()->defaultUser());
    EXPECT_EQ(d.password, QStringLiteral("9065132k"));
    EXPECT_EQ(d.newPassword, d.password);
    EXPECT_EQ(d.videoFormat, TextTable::text(318));
    EXPECT_FALSE(d.loggedIn);
    EXPECT_EQ(d.upgradeManager, nullptr);
    EXPECT_EQ(d.videoFormatRecord, nullptr);
    EXPECT_TRUE(d.ip().isEmpty());
    EXPECT_TRUE(d.mac().isEmpty());
    EXPECT_EQ(DeviceInfo::timeZones[8].hours, -4.5f);
    EXPECT_EQ(DeviceInfo::timeZones[23].hours, 5.75f);
    for (int i = 0; i < int(DeviceInfo::timeZones.size()); ++i)
        EXPECT_EQ(DeviceInfo::timeZones[i].index, i);
}

TEST(DeviceRecord, P2pIdOnlyWhenItStartsWithALetterOrDigit)
{
    ShellTestEnv env;
    struct Case {
        const char* id;
        const char* shown;
    };
    for (const Case c : { Case { "A1B2C3", "A1B2C3" }, Case { "9xyz", "9xyz" }, Case { "z", "z" },
             Case { "-abc", "" }, Case { "", "" }, Case { "\xc3\xa9t", "" }, Case { " ab", "" } }) {
        SCOPED_TRACE(c.id);
        DeviceInfo d;
        copyRecordText(d.searchRecord.sdk.p2p_id, c.id);
        EXPECT_EQ(d.p2pId(), QString::fromUtf8(c.shown));
    }
}

TEST(DeviceRecord, ChannelCount)
{
    struct Case {
        int edition;
        uint32_t channels;
        uint32_t system;
        int32_t analog;
        int shown;
    };
    const Case cases[] = {
        { 0, 16, 8, 0, 8 },
        { 0, 16, 16, 0, 16 },
        { 0, 16, 0, 0, 16 },
        { 0, 16, 0xFFFFFFFFu, 0, 16 }, // a negative system count
        { 0, 4, 8, 0, 4 },
        { 0, 16, 8, 4, 8 }, // the analogue count counts only where the edition says so
        { 43, 16, 8, 4, 4 },
        { 44, 16, 8, 0, 8 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(
            testing::Message() << c.edition << " " << c.channels << " " << c.system << " " << c.analog);
        ShellTestEnv env(edition(c.edition));
        DeviceInfo d;
        d.searchRecord.sdk.channel_number = c.channels;
        d.searchRecord.sdk.sys_channel_num = c.system;
        d.searchRecord.analogChannelCount = c.analog;
        EXPECT_EQ(d.channelCount(), c.shown);
    }
}

TEST(DeviceRecord, DateNetworkModeAndActivation)
{
    ShellTestEnv env;
    DeviceInfo d;
    struct Date {
        uint16_t year;
        uint8_t month;
        uint8_t day;
        const char* text;
    };
    for (const Date c : { Date { 2023, 7, 5, "2023-7-5" }, Date { 2023, 13, 1, "" }, Date { 0, 7, 5, "" },
             Date { 2023, 7, 0, "" }, Date { 2023, 12, 31, "2023-12-31" }, Date { 2023, 1, 32, "" } }) {
        d.searchRecord.sdk.system_time.year = c.year;
        d.searchRecord.sdk.system_time.month = c.month;
        d.searchRecord.sdk.system_time.day = c.day;
        EXPECT_EQ(d.devDataText(), QLatin1String(c.text))
            << c.year << " " << int(c.month) << " " << int(c.day);
    }
    const int texts[] = { 56, 57, 58, 188, 187, 55, 55 };
    for (int mode = 0; mode <= 6; ++mode) {
        d.searchRecord.sdk.network_mode = mode == 6 ? -1 : mode;
        EXPECT_EQ(d.netModeText(), TextTable::text(texts[mode])) << mode;
    }
    EXPECT_TRUE(d.isActivated());
    d.searchRecord.sdk.is_first_login = 1;
    EXPECT_FALSE(d.isActivated());
}

TEST(DeviceRecord, SearchResultCopiesTheWholeRecordOnlyWhereTheMulticastPartIsUsed)
{
    struct Case {
        int source;
        int edition;
        int protocol;
        bool whole;
    };
    const Case cases[] = {
        { 0, 0, 0, false },
        { 1, 0, 0, true },
        { 2, 0, 0, true },
        { 1, 0, 1, false },
        { 1, 34, 1, true },
        { 1, 11, 1, true },
        { 1, 5, 1, false },
        { 2, 43, 1, false }, // the web-interface editions keep only what protocol 1 allows
        { 0, 34, 1, false },
        { 0, 34, 0, false },
    };
    const SearchDevRsp answer = multicastAnswer();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
            << "source " << c.source << " edition " << c.edition << " protocol " << c.protocol);
        ShellTestEnv env(edition(c.edition, c.protocol));
        DeviceInfo d;
        d.searchSource = c.source;
        d.setSearchResult(&answer, QByteArray(), false);
        EXPECT_EQ(d.ip(), QStringLiteral("192.168.1.64"));
        EXPECT_EQ(std::memcmp(&d.searchRecord, &answer, kSdkSearchRecordSize), 0);
        EXPECT_FALSE(d.isOnvif);
        if (c.whole) {
            EXPECT_EQ(std::memcmp(&d.searchRecord, &answer, sizeof answer), 0);
            EXPECT_EQ(d.devId(), QStringLiteral("ZGV2aWQ="));
            EXPECT_EQ(d.searchRecord.analogChannelCount, 4);
            EXPECT_EQ(d.ipv6Text, QStringLiteral("2001:db8::5"));
        } else {
            EXPECT_TRUE(d.devId().isEmpty());
            EXPECT_TRUE(d.devEnc().isEmpty());
            EXPECT_EQ(d.searchRecord.analogChannelCount, -1); // the 8-bit count, sign and all
            EXPECT_EQ(d.ipv6Text, QStringLiteral("fe80:0000:0000:0000:0000:0000:0000:0001"));
        }
    }
}

TEST(DeviceRecord, SearchResultWithoutRawIpv6KeepsTheText)
{
    ShellTestEnv env;
    SearchDevRsp answer = multicastAnswer();
    std::memset(answer.sdk.ipv6, 0, sizeof answer.sdk.ipv6);
    DeviceInfo d;
    d.setSearchResult(&answer, QByteArray(), false);
    EXPECT_TRUE(d.ipv6Text.isEmpty());
    d.setSearchResult(nullptr, QByteArray("{}"), true); // changes nothing
    EXPECT_FALSE(d.isOnvif);
    EXPECT_TRUE(d.deviceLimits.isEmpty());
}

TEST(DeviceRecord, TheOnvifViewClearsWhatOnvifDoesNotTell)
{
    ShellTestEnv env;
    const SearchDevRsp answer = multicastAnswer();
    DeviceInfo d;
    d.searchSource = 1;
    d.setSearchResult(&answer, QByteArray(), true);
    EXPECT_TRUE(d.isOnvif);
    EXPECT_EQ(d.ip(), QStringLiteral("192.168.1.64"));
    EXPECT_EQ(d.mac(), QStringLiteral("aa:bb:cc:00:11:22"));
    EXPECT_TRUE(d.p2pId().isEmpty());
    EXPECT_TRUE(d.devDataText().isEmpty());
    EXPECT_TRUE(d.devId().isEmpty());
    EXPECT_TRUE(d.devEnc().isEmpty());
    EXPECT_EQ(d.searchRecord.analogChannelCount, 0);
    EXPECT_EQ(d.networkMode(), 2);
    EXPECT_EQ(d.mediaPort(), 0);
    EXPECT_EQ(d.webPort(), 80);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&d.searchRecord);
    for (std::size_t i = kOnvifHiddenFrom; i < sizeof d.searchRecord; ++i)
        ASSERT_EQ(bytes[i], 0) << "byte " << i;
}

TEST(DeviceRecord, DeviceLimitsSayWhichDnsServersAreEditable)
{
    struct Case {
        int edition;
        const char* limits;
        bool dns1;
        bool dns2;
    };
    const Case cases[] = {
        { 0, R"({"wired_dns1":true,"wired_dns2":true})", true, true },
        { 0, R"({"wired_dns1":true,"wired_dns2":"yes"})", true, false },
        { 0, R"({"wired_dns2":true})", false, true },
        { 0, "not json", false, false },
        { 0, "", false, false },
        { 50, "not json", true, true },
        { 50, "", true, true },
    };
    const SearchDevRsp answer = multicastAnswer();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.edition << " " << c.limits);
        ShellTestEnv env(edition(c.edition));
        DeviceInfo d;
        d.setSearchResult(&answer, QByteArray(c.limits), false);
        EXPECT_EQ(d.dns1Editable, c.dns1);
        EXPECT_EQ(d.dns2Editable, c.dns2);
        EXPECT_EQ(d.deviceLimits, QByteArray(c.limits));
    }
}

TEST(DeviceRecord, ModifyParamsFallBackToTheSearchRecord)
{
    ShellTestEnv env(edition(0, 1));
    DeviceInfo d;
    d.searchRecord = multicastAnswer();
    d.setModifyParams(QString(), 0, 0, QString(), QString(), 0, QString(), QString());
    EXPECT_EQ(d.newIp, QStringLiteral("192.168.1.64"));
    EXPECT_EQ(d.newMediaPort, 9000);
    EXPECT_EQ(d.newWebPort, 80);
    EXPECT_EQ(d.newGateway, QStringLiteral("192.168.1.1"));
    EXPECT_EQ(d.newMask, QStringLiteral("255.255.255.0"));
    EXPECT_EQ(d.newDns1, QStringLiteral("8.8.8.8"));
    EXPECT_EQ(d.newDns2, QStringLiteral("8.8.4.4"));
    EXPECT_EQ(d.addressMode, 0);

    d.setModifyParams(QStringLiteral("10.0.0.9"), 8000, 8080, QStringLiteral("10.0.0.1"),
        QStringLiteral("255.0.0.0"), 1, QStringLiteral("1.1.1.1"), QStringLiteral("9.9.9.9"));
    EXPECT_EQ(d.newIp, QStringLiteral("10.0.0.9"));
    EXPECT_EQ(d.newMediaPort, 8000);
    EXPECT_EQ(d.newWebPort, 8080);
    EXPECT_EQ(d.newGateway, QStringLiteral("10.0.0.1"));
    EXPECT_EQ(d.newMask, QStringLiteral("255.0.0.0"));
    EXPECT_EQ(d.newDns1, QStringLiteral("1.1.1.1"));
    EXPECT_EQ(d.newDns2, QStringLiteral("9.9.9.9"));
    EXPECT_EQ(d.addressMode, 1);
}

TEST(DeviceRecord, ModifyParamsChangeTheHttpPortOfWebInterfaceDevices)
{
    struct Case {
        int edition;
        int protocol;
        bool onSearchPage;
        int source;
        bool httpPort; // else the new web port
    };
    const Case cases[] = {
        { 0, 0, true, 0, true },
        { 0, 1, true, 1, false },
        { 43, 1, true, 0, true },
        { 34, 1, true, 1, true },
        { 34, 0, true, 0, false }, // found by VLNet: reached through VLNet
        { 34, 0, false, 0, true }, // off the search page the protocol decides
        { 11, 1, false, 1, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "edition " << c.edition << " protocol " << c.protocol << " page "
                                        << c.onSearchPage << " source " << c.source);
        ShellTestEnv env(edition(c.edition, c.protocol));
        env.settings()->setOnSearchPage(c.onSearchPage);
        DeviceInfo d;
        d.searchRecord = multicastAnswer();
        d.searchSource = c.source;
        d.setModifyParams(QString(), 0, 8081, QString(), QString(), 1, QString(), QString());
        EXPECT_EQ(d.httpPort, c.httpPort ? 8081 : 0);
        EXPECT_EQ(d.newWebPort, c.httpPort ? 0 : 8081);
        d.setModifyParams(QString(), 0, 0, QString(), QString(), 1, QString(), QString());
        EXPECT_EQ(c.httpPort ? d.httpPort : d.newWebPort, 80) << "a port of 0 keeps the device's web port";
    }
}

TEST(DeviceRecord, NetworkParamsSendTheDevicesOwnDnsAndOneWebPort)
{
    ShellTestEnv env(edition(0, 1));
    DeviceInfo d;
    d.searchRecord = multicastAnswer();
    // An earlier change on the search page left its HTTP port and DNS texts.
    env.settings()->setOnSearchPage(true);
    d.setModifyParams(QStringLiteral("10.0.0.9"), 0, 0, QString(), QString(), 1, QStringLiteral("1.1.1.1"),
        QStringLiteral("9.9.9.9"));
    d.httpPort = 7777;

    d.setNetworkParams(QString(), 0, 0, QString(), QString(), 0);
    EXPECT_EQ(d.newIp, QStringLiteral("192.168.1.64"));
    EXPECT_EQ(d.newMediaPort, 9000);
    EXPECT_EQ(d.newWebPort, 80);
    EXPECT_EQ(d.httpPort, 80);
    EXPECT_EQ(d.newGateway, QStringLiteral("192.168.1.1"));
    EXPECT_EQ(d.newMask, QStringLiteral("255.255.255.0"));
    EXPECT_EQ(d.newDns1, QStringLiteral("8.8.8.8"));
    EXPECT_EQ(d.newDns2, QStringLiteral("8.8.4.4"));
    EXPECT_EQ(d.addressMode, 0);

    d.setNetworkParams(
        QStringLiteral("10.0.0.10"), 8001, 8088, QStringLiteral("10.0.0.1"), QStringLiteral("255.0.0.0"), 1);
    EXPECT_EQ(d.newIp, QStringLiteral("10.0.0.10"));
    EXPECT_EQ(d.newMediaPort, 8001);
    EXPECT_EQ(d.newWebPort, 8088);
    EXPECT_EQ(d.httpPort, 8088);
}

TEST(DeviceRecord, WorkParamsByTransport)
{
    {
        SCOPED_TRACE("VLNet");
        ShellTestEnv env(edition(0, 1));
        DeviceInfo d;
        d.setWorkParams(QStringLiteral("u"), QStringLiteral("p"), QStringLiteral("n"), QStringLiteral("s"),
            QStringLiteral("25"), QStringLiteral("H265"), QStringLiteral("1920*1080"), 1, 3, 2048, 999, 1);
        EXPECT_EQ(d.user, QStringLiteral("u"));
        EXPECT_EQ(d.password, QStringLiteral("p"));
        EXPECT_EQ(d.newPassword, QStringLiteral("n"));
        EXPECT_EQ(d.secondPassword, QStringLiteral("s"));
        EXPECT_EQ(d.codecIndex, 1);
        EXPECT_EQ(d.frameRate, 25);
        EXPECT_EQ(d.resolutionCopy, QStringLiteral("1920*1080"));
        EXPECT_EQ(d.qualityLevel, 3);
        EXPECT_EQ(d.customBitrate, 0);
        EXPECT_EQ(d.bitrate, 2048);
        EXPECT_EQ(d.streamIndex, 1);
        EXPECT_EQ(d.bitrateMode, 1);
        // Codec texts compare exactly; an unknown one keeps the index.
        d.setWorkParams(QString(), QString(), QString(), QString(), QStringLiteral("fast"),
            QStringLiteral("h264"), QString(), 0, 0, 0, 0, 0);
        EXPECT_EQ(d.codecIndex, 1);
        EXPECT_EQ(d.frameRate, 0);
        d.setWorkParams(QString(), QString(), QString(), QString(), QString(), QStringLiteral("H265+"),
            QString(), 0, 0, 0, 0, 0);
        EXPECT_EQ(d.codecIndex, 4);
    }
    {
        SCOPED_TRACE("web interface");
        ShellTestEnv env(edition(44, 1));
        DeviceInfo d;
        d.setWorkParams(QStringLiteral("u"), QStringLiteral("p"), QStringLiteral("n"), QStringLiteral("s"),
            QStringLiteral("25"), QStringLiteral("H265"), QStringLiteral("1920*1080"), 1, 3, 2048, 999, 1);
        EXPECT_EQ(d.codecText, QStringLiteral("H265"));
        EXPECT_EQ(d.frameRateText, QStringLiteral("25"));
        EXPECT_EQ(d.resolutionText, QStringLiteral("1920*1080"));
        EXPECT_EQ(d.customBitrate, 999);
        EXPECT_EQ(d.qualityLevel, 0);
        EXPECT_EQ(d.codecIndex, 0);
        EXPECT_EQ(d.frameRate, 0);
        EXPECT_TRUE(d.resolutionCopy.isEmpty());
    }
}

TEST(DeviceRecord, OtherSetters)
{
    ShellTestEnv env(edition(40));
    DeviceInfo d;
    d.setNameTypeParams(
        QStringLiteral("u"), QStringLiteral("p"), QString::fromUtf8("Caf\xc3\xa9"), QStringLiteral("IPC"));
    EXPECT_EQ(d.newDeviceName, QByteArray("Caf\xe9"));
    EXPECT_EQ(d.newDeviceType, QByteArray("IPC"));
    d.setActivationParams(QStringLiteral("secret"), 0x100);
    EXPECT_EQ(d.activationPassword, QByteArray("secret"));
    EXPECT_FALSE(d.syncPassword) << "only the low byte counts";
    d.setResetItems(1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1);
    EXPECT_EQ(d.resetKind, 0);
    EXPECT_EQ(d.resetItems[10], 1);
    d.setFactoryResetItems(1, 1, 0, 0, 1, 0, 0, 0, 1);
    EXPECT_EQ(d.resetKind, 1);
    EXPECT_EQ(d.factoryResetItems[8], 1);
    d.setInactiveResetParams(2);
    EXPECT_EQ(d.resetKind, 2);
    EXPECT_EQ(d.factoryTypeChoice, 2);
    QByteArray info(DeviceInfo::kSdkDevInfoSize, 'i');
    d.setSdkDevInfo(info.constData());
    EXPECT_EQ(d.sdkDevInfo, info);
}

namespace
{
// An upload that ends soon after it is asked to.
class CooperativeUpload : public httpRequest
{
protected:
    void run() override
    {
        while (!isInterruptionRequested())
            msleep(5);
    }
};
} // namespace

TEST(DeviceRecord, TheDestructorStopsTheUploadAndTheSearchTimer)
{
    ShellTestEnv env;
    auto* d = new DeviceInfo;
    auto* upload = new CooperativeUpload;
    upload->start();
    d->uploadThread = upload;
    d->autoSearchTimer = new QTimer;
    QPointer<QThread> uploadAlive(upload);
    QPointer<QTimer> timerAlive(d->autoSearchTimer);
    delete d;
    EXPECT_TRUE(uploadAlive.isNull());
    EXPECT_TRUE(timerAlive.isNull());
}
