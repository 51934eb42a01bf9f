// Stream and OSD settings: the bitrate-level and codec tables, the record
// <-> item mapping of both records, the web bodies and replies, and the
// VLNet workers against fake parameter calls (an empty answer, a refused
// write, the whole list written back).
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "operations/StreamOsdSettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using namespace StreamOsd;

namespace
{

QJsonObject object(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).object();
}

// A stream record as a device sends it: eight resolutions, the fifth
// current, predefined level 5, and marks in the bytes no field names.
SdkStreamRecord streamRecord()
{
    SdkStreamRecord r;
    std::memset(&r, 0xA5, sizeof r);
    r.size = sizeof r;
    r.channel = 0;
    const int sizes[8][2] = { { 3840, 2160 }, { 2560, 1440 }, { 1920, 1080 }, { 1280, 720 }, { 704, 576 },
        { 640, 480 }, { 352, 288 }, { 0, 0 } };
    for (int i = 0; i < 8; ++i) {
        r.resolutions[i].width = std::uint16_t(sizes[i][0]);
        r.resolutions[i].height = std::uint16_t(sizes[i][1]);
    }
    r.resolution_index = 4;
    r.fps = 20;
    r.bitrate_mode = 0;
    r.bitrate = 5;
    r.custom_bitrate = 999;
    r.video_enc_type = 1;
    return r;
}

SdkOsdRecord osdRecord()
{
    SdkOsdRecord r;
    std::memset(&r, 0x5A, sizeof r);
    r.size = sizeof r;
    r.name_x = 10;
    r.name_y = 20;
    r.date_x = 30;
    r.date_y = 40;
    std::memset(r.name, 0, sizeof r.name);
    std::strcpy(r.name, "Gate");
    return r;
}

// The bytes of two records that differ, as offsets.
template <typename Record> std::vector<int> changed(const Record& a, const Record& b)
{
    std::vector<int> out;
    const auto* pa = reinterpret_cast<const unsigned char*>(&a);
    const auto* pb = reinterpret_cast<const unsigned char*>(&b);
    for (int i = 0; i < int(sizeof a); ++i)
        if (pa[i] != pb[i])
            out.push_back(i);
    return out;
}

} // namespace

TEST(StreamOsdTables, BitrateLevelsOfBothListsAndTheirFallBacks)
{
    struct Case {
        int stream;
        int level;
        int bitrate;
    };
    const Case cases[] = {
        { 0, 0, 32 }, { 0, 5, 128 }, { 0, 17, 1024 }, { 0, 22, 4096 }, { 0, 27, 12288 },
        { 0, 28, 3072 }, // out of order, as the devices number it
        { 0, 29, 16384 }, { 0, 30, 1024 }, { 0, -1, 1024 }, { 1, 0, 8 }, { 1, 17, 768 }, { 1, 23, 5120 },
        { 1, 24, 512 }, { 1, 28, 512 }, { 2, 21, 3072 }, { 7, 28, 512 }, // any other index is the sub list
    };
    for (const Case& c : cases)
        EXPECT_EQ(bitrateOfLevel(c.stream, c.level), c.bitrate) << c.stream << " level " << c.level;
}

TEST(StreamOsdTables, CodecsCommandsAndPaths)
{
    const char* codecs[] = { "H264", "H265", "MJPEG", "H264+", "H265+" };
    for (int i = 0; i < kCodecCount; ++i) {
        EXPECT_EQ(codecName(i), QLatin1String(codecs[i]));
        EXPECT_EQ(codecNumber(QLatin1String(codecs[i])), i);
    }
    EXPECT_TRUE(codecName(5).isEmpty());
    EXPECT_TRUE(codecName(-1).isEmpty());
    EXPECT_EQ(codecNumber(QStringLiteral("h264")), -1) << "compared exactly";
    EXPECT_EQ(codecNumber(QString()), -1);
    EXPECT_EQ(streamCommand(0), 570);
    EXPECT_EQ(streamCommand(1), 571);
    EXPECT_EQ(streamCommand(2), 572);
    EXPECT_EQ(streamCommand(9), 572);
    EXPECT_EQ(streamReadPath(0), QByteArray("/API/StreamConfig/MainStream/Get"));
    EXPECT_EQ(streamWritePath(1), QByteArray("/API/StreamConfig/SubStream/Set"));
    EXPECT_EQ(streamReadPath(-3), QByteArray("/API/StreamConfig/MobileStream/Get"));
    EXPECT_EQ(streamReadBody(), QByteArray("{\"version\":\"1.0\",\"data\":{}}"));
}

TEST(StreamOsdRecords, StreamReadTakesEachFieldAndKeepsWhatTheRecordCannotSay)
{
    struct Case {
        const char* what;
        int stream;
        void (*change)(SdkStreamRecord&);
        const char* resolution;
        const char* codec;
        int bitrate;
        int userDefined;
    };
    const Case cases[] = {
        { "main, predefined level 28", 0, [](SdkStreamRecord& r) { r.bitrate = 28; }, "704*576", "H265", 3072,
            0 },
        { "sub, level 28 past its list", 1, [](SdkStreamRecord& r) { r.bitrate = 28; }, "704*576", "H265",
            512, 0 },
        { "user-defined reads bytes 10..11", 0,
            [](SdkStreamRecord& r) {
                r.bitrate_mode = 2;
                r.custom_bitrate = 40000;
            },
            "704*576", "H265", 40000, 2 },
        { "codec 7 keeps the earlier codec", 0, [](SdkStreamRecord& r) { r.video_enc_type = 7; }, "704*576",
            "old codec", 128, 0 },
        { "codec 4", 0, [](SdkStreamRecord& r) { r.video_enc_type = 4; }, "704*576", "H265+", 128, 0 },
        { "index 9 keeps the earlier resolution", 0, [](SdkStreamRecord& r) { r.resolution_index = 9; },
            "old resolution", "H265", 128, 0 },
        { "index 8 too", 0, [](SdkStreamRecord& r) { r.resolution_index = 8; }, "old resolution", "H265", 128,
            0 },
        { "index 7, an empty entry", 0, [](SdkStreamRecord& r) { r.resolution_index = 7; }, "0*0", "H265",
            128, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeviceInfo d;
        d.streamIndex = c.stream;
        d.codecText = QStringLiteral("old codec");
        d.resolutionText = QStringLiteral("old resolution");
        SdkStreamRecord r = streamRecord();
        c.change(r);
        readStreamRecord(r, d);
        EXPECT_EQ(d.frameRateText, QStringLiteral("20"));
        EXPECT_EQ(d.resolutionText, QLatin1String(c.resolution));
        EXPECT_EQ(d.codecText, QLatin1String(c.codec));
        EXPECT_EQ(d.bitrate, c.bitrate);
        EXPECT_EQ(d.bitrateMode, c.userDefined);
        EXPECT_EQ(d.qualityLevel, r.bitrate);
    }
}

TEST(StreamOsdRecords, StreamWriteChangesItsFieldsOnly)
{
    struct Case {
        const char* what;
        const char* resolution;
        int userDefined;
        int resolutionIndex; // expected byte 18
        std::vector<int> bytes; // the bytes that change
    };
    const Case cases[] = {
        // fps 17, codec 118, index 18, level 9.
        { "predefined, a matching resolution", "1280*720", 0, 3, { 9, 17, 18, 118 } },
        { "no match keeps byte 18", "1280*721", 0, 4, { 9, 17, 118 } },
        { "the empty entry matches 0*0", "0*0", 0, 7, { 9, 17, 18, 118 } },
        // Mode 8, custom bitrate 10..11.
        { "user-defined writes bytes 10..11", "3840*2160", 1, 0, { 8, 10, 11, 17, 18, 118 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeviceInfo d;
        d.frameRate = 256 + 12; // the low byte goes
        d.codecIndex = 3;
        d.bitrateMode = c.userDefined;
        d.bitrate = 0x12345; // low 16 bits when user-defined
        d.qualityLevel = 27;
        d.resolutionCopy = QLatin1String(c.resolution);
        const SdkStreamRecord before = streamRecord();
        SdkStreamRecord r = before;
        fillStreamRecord(r, d);
        EXPECT_EQ(changed(before, r), c.bytes);
        EXPECT_EQ(r.fps, 12);
        EXPECT_EQ(r.video_enc_type, 3);
        EXPECT_EQ(r.resolution_index, c.resolutionIndex);
        if (c.userDefined)
            EXPECT_EQ(r.custom_bitrate, 0x2345);
        else
            EXPECT_EQ(r.bitrate, 27);
    }
}

TEST(StreamOsdWeb, StreamWriteBodyAndFrameRatePrefix)
{
    struct Prefix {
        const char* text;
        int fps;
    };
    for (const Prefix p : { Prefix { "25fps", 25 }, Prefix { "", 0 }, Prefix { "fps25", 0 },
             Prefix { "7", 7 }, Prefix { " 25", 0 }, Prefix { "99999999999", 2147483647 } })
        EXPECT_EQ(decimalPrefix(QLatin1String(p.text)), p.fps) << p.text;

    DeviceInfo d;
    d.resolutionText = QStringLiteral("1920*1080");
    d.frameRateText = QStringLiteral("25fps");
    d.codecText = QStringLiteral("H265+");
    d.bitrateMode = 1;
    d.bitrate = 4096;
    d.customBitrate = 3000;
    const QJsonObject body = object(streamWriteBody(d));
    EXPECT_EQ(body.value(QLatin1String("version")).toString(), QStringLiteral("1.0"));
    const QJsonObject ch = body.value(QLatin1String("data"))
                               .toObject()
                               .value(QLatin1String("channel_info"))
                               .toObject()
                               .value(QLatin1String("CH1"))
                               .toObject();
    EXPECT_EQ(ch.value(QLatin1String("resolution")).toString(), QStringLiteral("1920*1080"));
    EXPECT_EQ(ch.value(QLatin1String("fps")).toInt(-1), 25);
    EXPECT_EQ(ch.value(QLatin1String("bitrate_mode")).toString(), QStringLiteral("UserDefined"));
    EXPECT_EQ(ch.value(QLatin1String("custom_bitrate")).toInt(), 3000);
    EXPECT_EQ(ch.value(QLatin1String("bitrate")).toInt(), 4096);
    EXPECT_EQ(ch.value(QLatin1String("video_encode_type")).toString(), QStringLiteral("H265+"));
    EXPECT_EQ(ch.value(QLatin1String("chn_index")).toString(), QStringLiteral("CH1"));
    d.bitrateMode = 0;
    d.frameRateText.clear();
    const QJsonObject predefined = object(streamWriteBody(d))
                                       .value(QLatin1String("data"))
                                       .toObject()
                                       .value(QLatin1String("channel_info"))
                                       .toObject()
                                       .value(QLatin1String("CH1"))
                                       .toObject();
    EXPECT_EQ(predefined.value(QLatin1String("bitrate_mode")).toString(), QStringLiteral("Predefined"));
    EXPECT_EQ(predefined.value(QLatin1String("fps")).toInt(-1), 0);
}

TEST(StreamOsdWeb, StreamReadStoresCh1AndNothingWithoutIt)
{
    struct Case {
        const char* what;
        const char* reply;
        bool read;
        const char* resolution;
        const char* fps;
        int bitrate;
        int userDefined;
    };
    const Case cases[] = {
        { "whole",
            R"({"result":"success","data":{"channel_info":{"CH1":{"resolution":"2560*1440","fps":15,)"
            R"("video_encode_type":"H265","custom_bitrate":3000,"bitrate":3072,)"
            R"("bitrate_mode":"UserDefined"}}}})",
            true, "2560*1440", "15", 3072, 1 },
        { "\"userdefined\" is not user-defined",
            R"({"data":{"channel_info":{"CH1":{"bitrate_mode":"userdefined","bitrate":512}}}})", true, "",
            "0", 512, 0 },
        { "members of a wrong type count as missing",
            R"({"data":{"channel_info":{"CH1":{"resolution":7,"fps":"25","bitrate":2.5,)"
            R"("bitrate_mode":true}}}})",
            true, "", "0", 0, 0 },
        { "no CH1", R"({"result":"success","data":{"channel_info":{"CH2":{"fps":3}}}})", false, "keep",
            "keep", -1, -1 },
        { "CH1 not an object", R"({"data":{"channel_info":{"CH1":[1]}}})", false, "keep", "keep", -1, -1 },
        { "no data", R"({"result":"success"})", false, "keep", "keep", -1, -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeviceInfo d;
        d.resolutionText = QStringLiteral("keep");
        d.frameRateText = QStringLiteral("keep");
        d.bitrate = -1;
        d.bitrateMode = -1;
        EXPECT_EQ(readWebStream(object(c.reply), d), c.read);
        EXPECT_EQ(d.resolutionText, QLatin1String(c.resolution));
        EXPECT_EQ(d.frameRateText, QLatin1String(c.fps));
        EXPECT_EQ(d.bitrate, c.bitrate);
        EXPECT_EQ(d.bitrateMode, c.userDefined);
    }
}

TEST(StreamOsdWeb, WhichRepliesCount)
{
    struct Case {
        const char* what;
        bool httpOk;
        const char* body;
        bool read;
        bool streamWrite;
        bool osdWrite;
    };
    const Case cases[] = {
        { "success", true, R"({"result":"success"})", true, true, true },
        { "no result member", true, R"({"data":{}})", true, true, true },
        { "a result of another type", true, R"({"result":0})", true, true, true },
        { "refused", true, R"({"result":"fail","data":{}})", false, false, false },
        { "refused in another case", true, R"({"result":"Success"})", false, false, false },
        { "not JSON with 200", true, "<html></html>", false, true, false },
        { "empty with 200", true, "", false, true, false },
        { "JSON without 200", false, R"({"result":"success"})", false, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const WorkerFrame::Reply reply = WorkerFrame::readReply(c.httpOk, QByteArray(c.body));
        EXPECT_EQ(readAnswered(reply), c.read);
        EXPECT_EQ(streamWriteAnswered(reply), c.streamWrite);
        EXPECT_EQ(osdWriteAnswered(reply), c.osdWrite);
    }
}

TEST(StreamOsdRecords, OsdReadTakesPositionsAndAUtf8NameAndLeavesThePageValues)
{
    DeviceInfo d;
    d.setOsdParams(1, 2, 3, 4, QStringLiteral("page"));
    SdkOsdRecord r = osdRecord();
    const QByteArray name = QStringLiteral("Tor Süd 東").toUtf8();
    std::memset(r.name, 0, sizeof r.name);
    std::memcpy(r.name, name.constData(), std::size_t(name.size()));
    r.name_x = 65535;
    readOsdRecord(r, d);
    EXPECT_EQ(d.osdNameText, QStringLiteral("Tor Süd 東"));
    EXPECT_EQ(d.osdNamePosText, QStringLiteral("65535,20"));
    EXPECT_EQ(d.osdTimePosText, QStringLiteral("30,40"));
    EXPECT_EQ(d.osdNameX, 1);
    EXPECT_EQ(d.osdNameY, 2);
    EXPECT_EQ(d.osdTimeX, 3);
    EXPECT_EQ(d.osdTimeY, 4);
    // A name that fills its 40 bytes has no end of its own.
    std::memset(r.name, 'x', sizeof r.name);
    readOsdRecord(r, d);
    EXPECT_EQ(d.osdNameText, QString(40, QLatin1Char('x')));
}

TEST(StreamOsdRecords, OsdWriteCutsTheNameAtACharacterAndKeepsTheRest)
{
    struct Case {
        const char* what;
        QString name;
        QByteArray written;
    };
    const QString long39 = QString(39, QLatin1Char('a'));
    const Case cases[] = {
        { "short", QStringLiteral("Hof"), "Hof" },
        { "empty", QString(), "" },
        { "40 bytes exactly", QString(40, QLatin1Char('b')), QByteArray(40, 'b') },
        { "a two-byte character across byte 40", long39 + QStringLiteral("é"), QByteArray(39, 'a') },
        { "three-byte characters", QString(14, QChar(0x6771)), QStringLiteral("東").toUtf8().repeated(13) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeviceInfo d;
        d.setOsdParams(65536 + 5, 6, 7, 8, c.name);
        const SdkOsdRecord before = osdRecord();
        SdkOsdRecord r = before;
        fillOsdRecord(r, d);
        EXPECT_EQ(r.name_x, 5) << "low 16 bits";
        EXPECT_EQ(r.name_y, 6);
        EXPECT_EQ(r.date_x, 7);
        EXPECT_EQ(r.date_y, 8);
        EXPECT_EQ(QByteArray(r.name, int(strnlen(r.name, sizeof r.name))), c.written);
        for (std::size_t i = std::size_t(c.written.size()); i < sizeof r.name; ++i)
            EXPECT_EQ(r.name[i], 0) << i;
        for (int offset : changed(before, r))
            EXPECT_TRUE(offset >= 8 && offset < 56) << offset;
    }
}

TEST(StreamOsdWeb, OsdReadBodyAsksForTheChannelsTheTablesShow)
{
    struct Case {
        int edition;
        int channels;
        int system;
        int analog;
        int asked; // -1: no "channel" member
    };
    const Case cases[] = {
        { 0, 4, 2, 0, 2 },
        { 0, 4, 0, 0, 4 },
        { 0, 4, 4, 0, 4 },
        { 43, 4, 2, 8, 8 },
        { 44, 4, 2, 0, 2 },
        { 0, 4, 2, 8, 2 }, // the analogue count counts only where the edition says so
        { 0, 0, 0, 0, -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(
            testing::Message() << c.edition << " " << c.channels << " " << c.system << " " << c.analog);
        ShellTestOptions o;
        o.edition = c.edition;
        ShellTestEnv env(o);
        DeviceInfo d;
        d.searchRecord.sdk.channel_number = std::uint32_t(c.channels);
        d.searchRecord.sdk.sys_channel_num = std::uint32_t(c.system);
        d.searchRecord.analogChannelCount = c.analog;
        const QByteArray text = osdReadBody(d);
        const QJsonObject body = object(text);
        EXPECT_EQ(body.value(QLatin1String("version")).toString(), QStringLiteral("1.0"));
        EXPECT_FALSE(body.contains(QLatin1String("data")));
        if (c.asked < 0) {
            EXPECT_EQ(text, QByteArray("{\"version\":\"1.0\"}"));
            continue;
        }
        QJsonArray expected;
        for (int k = 1; k <= c.asked; ++k)
            expected.append(QStringLiteral("CH%1").arg(k));
        EXPECT_EQ(body.value(QLatin1String("channel")).toArray(), expected);
    }
}

TEST(StreamOsdWeb, OsdWriteBodyIsTheFixedForm)
{
    DeviceInfo d;
    d.setOsdParams(11, 12, 13, 14, QStringLiteral("Halle 東"));
    d.setDateTimeParam(QDateTime(QDate(2026, 12, 11), QTime(3, 4, 5)));
    const QJsonObject expected
        = object(R"({"version":"1.0","data":{"channel_max":1,"support_copy":true,)"
                 R"("channel_info":{"CH1":{"status":"Online",)"
                 R"("name":{"show":true,"text":"Halle 東","pos":{"x":11,"y":12}},)"
                 R"("alarm":{"show":true,"text":"Alarm Pos","pos":{"x":0,"y":0}},)"
                 R"("datetime":{"show":true,"date_format":"YYYY-MM-DD","time_format":24,)"
                 R"("time":{"year":2026,"month":12,"day":11,"hour":3,"minute":4,"second":5},)"
                 R"("pos":{"x":13,"y":14}}}}}})");
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(object(osdWriteBody(d)), expected);
}

TEST(StreamOsdWeb, OsdReadStoresCh1AndNothingWithoutIt)
{
    DeviceInfo d;
    d.setOsdParams(1, 2, 3, 4, QStringLiteral("page"));
    ASSERT_TRUE(
        readWebOsd(object(R"({"data":{"channel_info":{"CH1":{"name":{"text":"Süd","pos":{"x":5,"y":6}},)"
                          R"("datetime":{"pos":{"x":7,"y":8}}},"CH2":{"name":{"text":"other"}}}}})"),
            d));
    EXPECT_EQ(d.osdNameText, QStringLiteral("Süd"));
    EXPECT_EQ(d.osdNamePosText, QStringLiteral("5,6"));
    EXPECT_EQ(d.osdTimePosText, QStringLiteral("7,8"));
    EXPECT_EQ(d.osdNameX, 1) << "the page's values stay";
    ASSERT_TRUE(
        readWebOsd(object(R"({"data":{"channel_info":{"CH1":{"name":{"text":5,"pos":{"x":"5"}}}}}})"), d));
    EXPECT_EQ(d.osdNameText, QString());
    EXPECT_EQ(d.osdNamePosText, QStringLiteral("0,0"));
    EXPECT_EQ(d.osdTimePosText, QStringLiteral("0,0"));
    d.osdNameText = QStringLiteral("kept");
    EXPECT_FALSE(readWebOsd(object(R"({"result":"success","data":{}})"), d));
    EXPECT_EQ(d.osdNameText, QStringLiteral("kept"));
}

// ---- The VLNet workers against fake parameter calls -------------------------

namespace
{

// What the fake device holds and what it was asked.
struct FakeDevice {
    int queryResult = 1;
    int setResult = 1;
    int records = 2; // delivered by a successful query
    std::vector<SdkQueryRequest> queries;
    std::vector<SdkSetRequest> sets;
    std::vector<QByteArray> written; // the records of each set, whole
};
FakeDevice* g_fake = nullptr;

int VLNET_CALL fakeQuery(int, const SdkQueryRequest* request)
{
    g_fake->queries.push_back(*request);
    if (g_fake->queryResult != 1)
        return g_fake->queryResult;
    for (int i = 0; i < g_fake->records; ++i) {
        QByteArray bytes(request->record_size, '\0');
        if (request->command == VLNET_PARAM_OSD) {
            SdkOsdRecord r = osdRecord();
            r.channel = i;
            std::memcpy(bytes.data(), &r, sizeof r);
        } else {
            SdkStreamRecord r = streamRecord();
            r.channel = i;
            std::memcpy(bytes.data(), &r, sizeof r);
        }
        request->record_callback(bytes.constData(), request->user);
    }
    return 1;
}

int VLNET_CALL fakeSet(int, const SdkSetRequest* request)
{
    g_fake->sets.push_back(*request);
    const int size = request->command == VLNET_PARAM_OSD ? VLNET_PARAM_OSD_SIZE : VLNET_PARAM_STREAM_SIZE;
    g_fake->written.push_back(
        QByteArray(static_cast<const char*>(request->records), size * request->record_count));
    return g_fake->setResult;
}

class Page : public DeviceWatcher
{
public:
    void removeWorkDevice(DeviceInfo*, bool remove) override { calls << remove; }
    QList<bool> calls;
};

class VlnetWorkers : public testing::Test
{
protected:
    VlnetWorkers()
        : env(vlnet())
    {
        g_fake = &fake;
        setParamCalls({ &fakeQuery, &fakeSet });
        d.streamConfigPage = &streamPage;
        d.osdConfigPage = &osdPage;
    }
    ~VlnetWorkers() override
    {
        setParamCalls({ nullptr, nullptr });
        g_fake = nullptr;
    }
    static ShellTestOptions vlnet()
    {
        ShellTestOptions o;
        o.curpro = 1;
        return o;
    }
    int run(void (*worker)(DeviceInfo*), int operation)
    {
        d.operation = operation;
        worker(&d);
        EXPECT_TRUE(d.streamRecords.empty());
        EXPECT_TRUE(d.osdRecords.empty());
        return d.lastStatus();
    }

    ShellTestEnv env;
    FakeDevice fake;
    DeviceInfo d;
    Page streamPage;
    Page osdPage;
};

} // namespace

TEST_F(VlnetWorkers, QueriesAskEveryChannelWithTheRecordSizeAndTheDevice)
{
    d.streamIndex = 1;
    EXPECT_EQ(run(&DeviceInfo::getStreamConfig, DeviceInfo::GetStream), kReadOk);
    EXPECT_EQ(run(&DeviceInfo::getOSDConfig, DeviceInfo::GetOsd), kReadOk);
    ASSERT_EQ(fake.queries.size(), 2u);
    const int commands[] = { 571, 573 };
    const int sizes[] = { 132, 1696 };
    for (int i = 0; i < 2; ++i) {
        const SdkQueryRequest& q = fake.queries[std::size_t(i)];
        EXPECT_EQ(q.command, commands[i]);
        EXPECT_EQ(q.record_size, sizes[i]);
        EXPECT_EQ(q.header_size, 0);
        EXPECT_EQ(q.header_callback, nullptr);
        EXPECT_EQ(q.user, &d);
        EXPECT_EQ(q.reserved, 0);
        EXPECT_NE(q.channels, nullptr); // the mask lived during the call only
    }
    EXPECT_EQ(d.frameRateText, QStringLiteral("20"));
    EXPECT_EQ(d.bitrate, 64) << "level 5 of the sub list";
    EXPECT_EQ(d.osdNameText, QStringLiteral("Gate"));
    EXPECT_EQ(streamPage.calls, QList<bool> { false });
    EXPECT_EQ(osdPage.calls, QList<bool> { false });
    EXPECT_EQ(d.status(DeviceInfo::OsdFamily), kReadOk);
    EXPECT_EQ(d.status(DeviceInfo::StreamFamily), kReadOk);
}

TEST_F(VlnetWorkers, TheWholeListGoesBackWithTheFirstRecordChanged)
{
    d.streamIndex = 0;
    d.frameRate = 10;
    d.codecIndex = 2;
    d.resolutionCopy = QStringLiteral("1280*720");
    d.qualityLevel = 28;
    EXPECT_EQ(run(&DeviceInfo::setStreamConfig, DeviceInfo::SetStream), kWriteOk);
    ASSERT_EQ(fake.sets.size(), 1u);
    EXPECT_EQ(fake.sets[0].command, 570);
    EXPECT_EQ(fake.sets[0].record, nullptr);
    EXPECT_EQ(fake.sets[0].record_count, 2);
    EXPECT_EQ(fake.sets[0].reserved, 0);
    SdkStreamRecord first;
    SdkStreamRecord second;
    std::memcpy(&first, fake.written[0].constData(), sizeof first);
    std::memcpy(&second, fake.written[0].constData() + sizeof first, sizeof second);
    EXPECT_EQ(first.fps, 10);
    EXPECT_EQ(first.resolution_index, 3);
    EXPECT_EQ(first.bitrate, 28);
    EXPECT_EQ(first.video_enc_type, 2);
    SdkStreamRecord asSent = streamRecord();
    asSent.channel = 1;
    EXPECT_EQ(std::memcmp(&second, &asSent, sizeof second), 0) << "other channels go back as they came";

    d.setOsdParams(1, 2, 3, 4, QString());
    EXPECT_EQ(run(&DeviceInfo::setOSDConfig, DeviceInfo::SetOsd), kWriteOk);
    ASSERT_EQ(fake.sets.size(), 2u);
    SdkOsdRecord osd;
    std::memcpy(&osd, fake.written[1].constData(), sizeof osd);
    EXPECT_EQ(osd.name[0], 0) << "an empty name over VLNet writes an empty name";
    EXPECT_EQ(osd.date_y, 4);
}

TEST_F(VlnetWorkers, FailuresEmptyAnswersAndRefusedWrites)
{
    struct Case {
        const char* what;
        int queryResult;
        int records;
        int setResult;
        int read; // status of each read
        int write; // of each write
        std::size_t sets; // per write
    };
    const Case cases[] = {
        { "query fails", 0, 2, 1, kReadFailed, kWriteFailed, 0 },
        { "success without a record", 1, 0, 1, kReadFailed, kWriteFailed, 0 },
        { "no right to read", 2, 2, 1, kReadFailed, kWriteFailed, 0 },
        { "set fails", 1, 1, 0, kReadOk, kWriteFailed, 1 },
        { "no right to write", 1, 1, 2, kReadOk, kWriteFailed, 1 },
        { "set accepted", 1, 1, 1, kReadOk, kWriteOk, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fake = FakeDevice {};
        fake.queryResult = c.queryResult;
        fake.records = c.records;
        fake.setResult = c.setResult;
        d.codecText = QStringLiteral("kept");
        d.osdNameText = QStringLiteral("kept");
        EXPECT_EQ(run(&DeviceInfo::getStreamConfig, DeviceInfo::GetStream), c.read);
        EXPECT_EQ(run(&DeviceInfo::getOSDConfig, DeviceInfo::GetOsd), c.read);
        if (c.read != kReadOk) {
            EXPECT_EQ(d.codecText, QStringLiteral("kept")) << "nothing stored";
            EXPECT_EQ(d.osdNameText, QStringLiteral("kept"));
        }
        EXPECT_EQ(run(&DeviceInfo::setStreamConfig, DeviceInfo::SetStream), c.write);
        EXPECT_EQ(run(&DeviceInfo::setOSDConfig, DeviceInfo::SetOsd), c.write);
        EXPECT_EQ(fake.sets.size(), 2 * c.sets);
    }
}

TEST(StreamOsdWorkers, NullDoesNothingAndCallbacksAppend)
{
    DeviceInfo::getStreamConfig(nullptr);
    DeviceInfo::setStreamConfig(nullptr);
    DeviceInfo::getOSDConfig(nullptr);
    DeviceInfo::setOSDConfig(nullptr);
    DeviceInfo d;
    const SdkStreamRecord s = streamRecord();
    const SdkOsdRecord o = osdRecord();
    DeviceInfo::streamRecordCallback(&s, &d);
    DeviceInfo::streamRecordCallback(&s, &d);
    DeviceInfo::osdRecordCallback(&o, &d);
    DeviceInfo::osdRecordCallback(nullptr, &d);
    DeviceInfo::osdRecordCallback(&o, nullptr);
    ASSERT_EQ(d.streamRecords.size(), 2u);
    ASSERT_EQ(d.osdRecords.size(), 1u);
    EXPECT_EQ(std::memcmp(&d.osdRecords[0], &o, sizeof o), 0);
}
