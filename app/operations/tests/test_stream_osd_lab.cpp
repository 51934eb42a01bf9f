// Stream and OSD settings end to end against a simulated four-channel
// recorder, through the operations' entries, the state machine and the
// work pool: what one transport (VLNet or the web interface) sets, the
// other reads back, non-ASCII channel names included; values the device
// does not offer are refused; a query answered with no record fails.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "operations/StreamOsdSettings.h"
#include "support/poll.h"
#include "support/vlnet_lab.h"

#include <QCoreApplication>
#include <atomic>
#include <gtest/gtest.h>

namespace
{

// The stream or OSD page, told when the device's operation has ended.
class SettingsPage : public DeviceWatcher
{
public:
    void removeWorkDevice(DeviceInfo*, bool) override { ++calls; }
    std::atomic<int> calls { 0 };
};

constexpr int kRecorder = 0;

class StreamOsdLab : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        startLab({ "200", "2000", "3000", "300" },
            { "--generate", "2", "--seed", "11", "--inactive-percent", "0", "--onvif-percent", "0",
                "--password", GKAppSetting::kDefaultPassword });
        sim->must(R"({"cmd":"set","device":0,"state":{"kind":"nvr","channels":4}})");
    }

    static void place(DeviceInfo& d, int n)
    {
        const Json::Value net = state(n)["network"];
        copyRecordText(d.searchRecord.sdk.ip, net["ip"].asCString());
        d.searchRecord.sdk.web_port = net["web_port"].asUInt();
        d.searchRecord.sdk.media_port = net["media_port"].asUInt();
        d.searchRecord.sdk.https_port = net["https_port"].asUInt();
        d.searchRecord.sdk.channel_number = state(n)["channels"].size();
    }
    static ShellTestOptions protocol(int p)
    {
        ShellTestOptions o;
        o.curpro = p;
        return o;
    }
    // Runs the operation's entry on this thread (as a pool thread would),
    // the device's events until its worker has logged out (its last step,
    // after the status and the page); the status.
    static int run(DeviceInfo& d, void (*entry)(void*))
    {
        SettingsPage page;
        d.streamConfigPage = &page;
        d.osdConfigPage = &page;
        std::atomic<int> logouts { 0 };
        const QMetaObject::Connection counting
            = QObject::connect(&d, &DeviceInfo::logout, [&logouts] { ++logouts; });
        entry(&d);
        const bool ended = vltest::pollUntil(
            [&] {
                QCoreApplication::sendPostedEvents();
                return logouts.load() > 0;
            },
            15000);
        QObject::disconnect(counting);
        EXPECT_TRUE(ended);
        EXPECT_GE(page.calls.load(), 1) << "the page is told";
        d.streamConfigPage = nullptr;
        d.osdConfigPage = nullptr;
        return d.lastStatus();
    }
    // The stream settings of the page for the next write.
    static void setStream(DeviceInfo& d, int stream, const char* fps, const char* codec,
        const char* resolution, int level, int bitrate, int customBitrate, int mode)
    {
        d.setWorkParams(d.user, d.password, d.password, QString(), QLatin1String(fps), QLatin1String(codec),
            QLatin1String(resolution), stream, level, bitrate, customBitrate, mode);
    }
    static Json::Value channel(int c) { return state(kRecorder)["channels"][c]; }
};

const char* const kStreams[] = { "main", "sub", "mobile" };

} // namespace

TEST_F(StreamOsdLab, EachStreamSetOverVlnetReadsBackOverTheWebAndTheOtherWay)
{
    struct Case {
        const char* resolution;
        const char* codec;
        int level;
        int levelBitrate;
        const char* webResolution;
        const char* webCodec;
        int custom;
    };
    const Case cases[] = {
        { "1280*720", "H265", 28, 3072, "3840*2160", "H265+", 12000 },
        { "640*360", "MJPEG", 21, 3072, "352*240", "H264", 900 },
        { "176*144", "H264", 3, 32, "640*480", "H265", 64 },
    };
    for (int stream = 0; stream < 3; ++stream) {
        SCOPED_TRACE(kStreams[stream]);
        const Case& c = cases[stream];
        const Json::Value secondBefore = channel(1)["streams"];
        {
            ShellTestEnv env(protocol(1));
            DeviceInfo d;
            place(d, kRecorder);
            setStream(d, stream, "12", c.codec, c.resolution, c.level, 0, 0, 0);
            EXPECT_EQ(run(d, &DeviceInfo::doSetStreamWork), StreamOsd::kWriteOk);
        }
        const Json::Value kept = channel(0)["streams"][kStreams[stream]];
        EXPECT_EQ(kept["resolution"].asString(), c.resolution);
        EXPECT_EQ(kept["codec"].asString(), c.codec);
        EXPECT_EQ(kept["level"].asInt(), c.level);
        EXPECT_EQ(channel(1)["streams"], secondBefore) << "channel 2 stays";
        {
            ShellTestEnv env(protocol(0));
            DeviceInfo d;
            place(d, kRecorder);
            d.streamIndex = stream;
            EXPECT_EQ(run(d, &DeviceInfo::doGetStreamWork), StreamOsd::kReadOk);
            EXPECT_EQ(d.resolutionText, QLatin1String(c.resolution));
            EXPECT_EQ(d.frameRateText, QStringLiteral("12"));
            EXPECT_EQ(d.codecText, QLatin1String(c.codec));
            EXPECT_EQ(d.bitrate, c.levelBitrate);
            EXPECT_EQ(d.bitrateMode, 0);
            EXPECT_EQ(d.bitrateModeText, QStringLiteral("Predefined"));

            // The web write, user-defined, from what was read.
            setStream(d, stream, "20fps", c.webCodec, c.webResolution, 0, 5000, c.custom, 1);
            EXPECT_EQ(run(d, &DeviceInfo::doSetStreamWork), StreamOsd::kWriteOk);
        }
        {
            ShellTestEnv env(protocol(1));
            DeviceInfo d;
            place(d, kRecorder);
            d.streamIndex = stream;
            d.codecText = QStringLiteral("before");
            EXPECT_EQ(run(d, &DeviceInfo::doGetStreamWork), StreamOsd::kReadOk);
            EXPECT_EQ(d.resolutionText, QLatin1String(c.webResolution));
            EXPECT_EQ(d.frameRateText, QStringLiteral("20"));
            EXPECT_EQ(d.codecText, QLatin1String(c.webCodec));
            EXPECT_EQ(d.bitrateMode, 1);
            EXPECT_EQ(d.bitrate, c.custom);
        }
    }
}

TEST_F(StreamOsdLab, ValuesTheDeviceDoesNotOfferAreRefusedOverBothTransports)
{
    sim->must(R"({"cmd":"set","device":0,"state":{"channels":[{"streams":{"main":{"resolution":"1920*1080",)"
              R"("codec":"H264","fps":25,"bitrate_mode":"Predefined","level":21}}},{},{},{}]}})");
    {
        // No entry matches: the device's resolution stays, the rest is set.
        ShellTestEnv env(protocol(1));
        DeviceInfo d;
        place(d, kRecorder);
        setStream(d, 0, "8", "H265", "1921*1080", 21, 0, 0, 0);
        EXPECT_EQ(run(d, &DeviceInfo::doSetStreamWork), StreamOsd::kWriteOk);
        EXPECT_EQ(channel(0)["streams"]["main"]["resolution"].asString(), "1920*1080");
        EXPECT_EQ(channel(0)["streams"]["main"]["fps"].asInt(), 8);
        // The main stream has no MJPEG.
        setStream(d, 0, "8", "MJPEG", "1920*1080", 21, 0, 0, 0);
        EXPECT_EQ(run(d, &DeviceInfo::doSetStreamWork), StreamOsd::kWriteFailed);
        EXPECT_EQ(channel(0)["streams"]["main"]["codec"].asString(), "H265");
    }
    {
        ShellTestEnv env(protocol(0));
        DeviceInfo d;
        place(d, kRecorder);
        setStream(d, 0, "8", "MJPEG", "1920*1080", 0, 2048, 0, 0);
        EXPECT_EQ(run(d, &DeviceInfo::doSetStreamWork), StreamOsd::kWriteFailed);
        setStream(d, 0, "8", "H264", "1920*1080", 0, 2000, 0, 0); // no level has 2000
        EXPECT_EQ(run(d, &DeviceInfo::doSetStreamWork), StreamOsd::kWriteFailed);
        EXPECT_EQ(channel(0)["streams"]["main"]["codec"].asString(), "H265");
    }
}

TEST_F(StreamOsdLab, OsdNamesWithNonAsciiTextOverBothTransports)
{
    // VLNet write: the name cut to 40 bytes at a character.
    const QString longName = QStringLiteral("Einfahrt Süd – 東門 Kamera Nord-Ost Tür");
    ASSERT_GT(longName.toUtf8().size(), 40);
    const std::string second = channel(1)["name"].asString();
    {
        ShellTestEnv env(protocol(1));
        DeviceInfo d;
        place(d, kRecorder);
        d.setOsdParams(120, 560, 800, 32, longName);
        EXPECT_EQ(run(d, &DeviceInfo::doSetOsdWork), StreamOsd::kWriteOk);
        EXPECT_EQ(d.osdNamePosText, QString()) << "the VLNet write refreshes no position text";
    }
    const QByteArray cut = StreamOsd::cutName(longName, 40);
    EXPECT_EQ(channel(0)["name"].asString(), cut.toStdString());
    EXPECT_EQ(channel(0)["osd"]["name_x"].asInt(), 120);
    EXPECT_EQ(channel(0)["osd"]["date_y"].asInt(), 32);
    EXPECT_EQ(channel(1)["name"].asString(), second) << "other channels go back as they came";
    {
        ShellTestEnv env(protocol(0));
        DeviceInfo d;
        place(d, kRecorder);
        d.setOsdParams(1, 2, 3, 4, QString());
        EXPECT_EQ(run(d, &DeviceInfo::doGetOsdWork), StreamOsd::kReadOk);
        EXPECT_EQ(d.osdNameText, QString::fromUtf8(cut));
        EXPECT_EQ(d.osdNamePosText, QStringLiteral("120,560"));
        EXPECT_EQ(d.osdTimePosText, QStringLiteral("800,32"));
        EXPECT_EQ(d.osdNameX, 1) << "the read leaves the page's values";
        const auto asked = takeReceived(kRecorder, "/API/ChannelConfig/OSD/Get");
        ASSERT_FALSE(asked.empty());
        EXPECT_NE(
            asked.back()["body"].asString().find(R"("channel":["CH1","CH2","CH3","CH4"])"), std::string::npos)
            << asked.back()["body"].asString();

        d.setOsdParams(7, 8, 9, 10, QStringLiteral("Лестница 2"));
        d.setDateTimeParam(QDateTime::currentDateTime());
        EXPECT_EQ(run(d, &DeviceInfo::doSetOsdWork), StreamOsd::kWriteOk);
        EXPECT_EQ(d.osdNamePosText, QStringLiteral("7,8"));
        EXPECT_EQ(d.osdTimePosText, QStringLiteral("9,10"));

        // An empty name is not sent over the web interface.
        takeReceived(kRecorder, "/API/ChannelConfig/OSD/Set");
        d.setOsdParams(7, 8, 9, 10, QString());
        EXPECT_EQ(run(d, &DeviceInfo::doSetOsdWork), StreamOsd::kWriteFailed);
        EXPECT_TRUE(takeReceived(kRecorder, "/API/ChannelConfig/OSD/Set").empty());
    }
    {
        ShellTestEnv env(protocol(1));
        DeviceInfo d;
        place(d, kRecorder);
        EXPECT_EQ(run(d, &DeviceInfo::doGetOsdWork), StreamOsd::kReadOk);
        EXPECT_EQ(d.osdNameText, QStringLiteral("Лестница 2"));
        EXPECT_EQ(d.osdNamePosText, QStringLiteral("7,8"));
        EXPECT_EQ(d.osdTimePosText, QStringLiteral("9,10"));

        // Over VLNet an empty name is written as one.
        d.setOsdParams(7, 8, 9, 10, QString());
        EXPECT_EQ(run(d, &DeviceInfo::doSetOsdWork), StreamOsd::kWriteOk);
        EXPECT_EQ(channel(0)["name"].asString(), "");
    }
}

TEST_F(StreamOsdLab, AQueryAnsweredWithNoRecordFailsAndWritesNothing)
{
    constexpr int kCamera = 1;
    sim->must(R"({"cmd":"fault","device":1,"empty_params":true})");
    ShellTestEnv env(protocol(1));
    DeviceInfo d;
    place(d, kCamera);
    takeReceived(kCamera, "QUERY_PARAM");
    takeReceived(kCamera, "SET_PARAM");
    d.osdNameText = QStringLiteral("before");
    for (int stream = 0; stream < 3; ++stream) {
        d.streamIndex = stream;
        d.codecText = QStringLiteral("before");
        EXPECT_EQ(run(d, &DeviceInfo::doGetStreamWork), StreamOsd::kReadFailed);
        EXPECT_EQ(d.codecText, QStringLiteral("before")) << "nothing stored";
        setStream(d, stream, "10", "H264", "1280*720", 3, 0, 0, 0);
        EXPECT_EQ(run(d, &DeviceInfo::doSetStreamWork), StreamOsd::kWriteFailed);
    }
    EXPECT_EQ(run(d, &DeviceInfo::doGetOsdWork), StreamOsd::kReadFailed);
    EXPECT_EQ(d.osdNameText, QStringLiteral("before"));
    d.setOsdParams(1, 2, 3, 4, QStringLiteral("x"));
    EXPECT_EQ(run(d, &DeviceInfo::doSetOsdWork), StreamOsd::kWriteFailed);

    const auto queries = takeReceived(kCamera, "QUERY_PARAM");
    ASSERT_EQ(queries.size(), 8u);
    for (const Json::Value& q : queries) {
        EXPECT_EQ(q["count"].asInt(), 0);
        EXPECT_EQ(q["result"].asInt(), 0);
    }
    EXPECT_TRUE(takeReceived(kCamera, "SET_PARAM").empty()) << "no write without a record";
    sim->must(R"({"cmd":"fault","device":1,"empty_params":false})");
    d.streamIndex = 0;
    EXPECT_EQ(run(d, &DeviceInfo::doGetStreamWork), StreamOsd::kReadOk);
}
