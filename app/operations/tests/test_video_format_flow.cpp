// The video-format flow's requests on the GUI thread against a loopback web
// interface: the first login of a new device, the format, the factory reset
// with its two bodies, the query, the code each failing request posts, and
// a record deleted while its request is pending.
#include "LoopbackWeb.h"
#include "StateMachineFixture.h"
#include "devices/WebSecrets.h"
#include "operations/VideoFormatFlow.h"
#include "shell/TextTable.h"
#include "shell/Utilities.h"
#include "support/poll.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>

using machine_test::LoopbackWeb;
using machine_test::MachineFixture;
using machine_test::setAddress;
using namespace VideoFormatRequests;

namespace
{

// Notes the video-format codes posted to the device and keeps them from the
// state machine, so that a test sees one step at a time.
class Codes : public QObject
{
public:
    explicit Codes(DeviceInfo* device) { device->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() != VideoFormatEvent)
            return false;
        codes << static_cast<QVideoFormatEvent*>(e)->code;
        return true;
    }
    // Runs the event loop until `count` codes came (or 10 s passed).
    bool waitFor(int count)
    {
        return vltest::pollUntil(
            [&] {
                QCoreApplication::processEvents();
                return codes.size() >= count;
            },
            10000);
    }
    QList<int> codes;
};

// A device's X25519 key as its transfer-key reply gives it: "0" and 32
// bytes in Base64.
QByteArray publicKeyReply(int seq)
{
    const QByteArray key = "0" + QByteArray(32, '\x09').toBase64();
    return R"({"result":"success","data":{"Key_lists":[{"type":"base_x_public","key":")" + key + R"(","seq":)"
        + QByteArray::number(seq) + "}]}}";
}

QByteArray saltReply(int seq)
{
    return R"({"result":"success","data":{"Key_lists":[{"type":"base_salt","key":"c2FsdHNhbHRzYWx0","iter":10,"seq":)"
        + QByteArray::number(seq) + "}]}}";
}

const QByteArray kSuccess = R"({"result":"success","data":{}})";
const QByteArray kFail = R"({"result":"fail","data":{}})";

QByteArray pathOf(const QByteArray& request)
{
    return request.mid(5, request.indexOf(" HTTP/1.1") - 5);
}

QJsonObject bodyOf(const QByteArray& request)
{
    return jsonFromBytes(request.mid(request.indexOf("\r\n\r\n") + 4));
}

void setActivated(DeviceInfo& d, bool activated)
{
    d.searchRecord.sdk.is_first_login = activated ? 0 : 1;
}

void setSoftware(DeviceInfo& d, const char* software)
{
    std::memset(d.searchRecord.sdk.device_version, 0, sizeof d.searchRecord.sdk.device_version);
    std::strncpy(d.searchRecord.sdk.device_version, software, sizeof d.searchRecord.sdk.device_version - 1);
}

} // namespace

TEST(VideoFormatRequests, TheFactoryResetBody)
{
    const QJsonObject auth { { "cipher", "c" }, { "seq", 4 } };
    struct Case {
        QList<QByteArray> types;
        const char* chosen;
    };
    const Case cases[] = {
        { {}, "factory_defaults" }, { { "restore_defaults" }, "factory_defaults" },
        { { "factory_a", "keep_network", "factory_b" }, "factory_b" },
        { { "factory_a", "factory" }, "factory" }, // 7 characters count
        { { "factory_a", "factor", "Factory_x" }, "factory_a" }, // too short; case counts
    };
    for (const Case& c : cases) {
        EXPECT_EQ(factoryTypeFor(c.types), QLatin1String(c.chosen));
        const QJsonObject vc = factoryResetData("VC-3.1", c.types, auth);
        EXPECT_EQ(vc.keys(), (QStringList { "base_secondary_authentication", "factory_type" }));
        EXPECT_EQ(vc.value("factory_type").toString(), QLatin1String(c.chosen));
        EXPECT_EQ(vc.value("base_secondary_authentication").toObject(), auth);
    }
    // Any other software text, "vc" in lower case too: the nine items.
    for (const char* software : { "vc-3.1", "V8.1", "" }) {
        const QJsonObject items = factoryResetData(QLatin1String(software), { "factory_x" }, auth);
        EXPECT_FALSE(items.contains("factory_type")) << software;
        for (const char* item :
            { "channel", "record", "event", "ai", "network", "device", "storage", "system", "alarm" })
            EXPECT_EQ(items.value(QLatin1String(item)), QJsonValue(true)) << software << item;
        EXPECT_EQ(items.size(), 10) << software;
    }
}

TEST(VideoFormatRequests, OnlyATextIsAFormat)
{
    EXPECT_EQ(videoFormatOf(jsonFromBytes(R"({"data":{"video_format":"NTSC"}})")), QStringLiteral("NTSC"));
    for (const char* reply : { R"({"data":{"video_format":1}})", R"({"data":{}})", R"({"data":"PAL"})",
             R"({"data":{"video_format":null}})", R"({})" })
        EXPECT_FALSE(videoFormatOf(jsonFromBytes(reply)).has_value()) << reply;
}

TEST(VideoFormatFlow, ANewDeviceGetsItsFirstPasswordThenTheLogin)
{
    MachineFixture f;
    Codes codes(f.device.get());
    LoopbackWeb web({ publicKeyReply(5), kSuccess });
    setAddress(*f.device, "127.0.0.1", web.port());
    setActivated(*f.device, false);
    f.device->user = "someone";
    f.device->password = "old";

    f.device->sendFirstLoginTransKeyRequest();
    ASSERT_TRUE(codes.waitFor(1));
    EXPECT_EQ(codes.codes, QList<int> { 1032 });
    EXPECT_EQ(f.device->user, QStringLiteral("tavik"));
    EXPECT_EQ(f.device->password, QStringLiteral("5284tbnr"));
    EXPECT_EQ(f.device->newPassword, QStringLiteral("5284tbnr"));

    ASSERT_EQ(web.requests.size(), 2);
    EXPECT_EQ(pathOf(web.requests[0]), QByteArray("/API/Login/TransKey/Get"));
    EXPECT_EQ(jsonToBytes(bodyOf(web.requests[0])), QByteArray(R"({"data":{"type":["base_x_public"]}})"));
    EXPECT_EQ(pathOf(web.requests[1]), QByteArray("/API/FirstLogin/Password/Set"));
    const QJsonObject body = bodyOf(web.requests[1]);
    EXPECT_EQ(body.value("version").toString(), QStringLiteral("1.0"));
    const QJsonObject enc = body.value("data").toObject().value("base_enc_password").toObject();
    EXPECT_EQ(enc.value("seq").toInt(), 5);
    EXPECT_TRUE(enc.value("cipher").toString().startsWith('0'));
    EXPECT_TRUE(enc.value("peer_key").toString().startsWith('0'));
}

TEST(VideoFormatFlow, AnActivatedDeviceLogsInWithItsOwnCredentials)
{
    MachineFixture f;
    Codes codes(f.device.get());
    setActivated(*f.device, true);
    f.device->user = "admin";
    f.device->password = "Pass_123";
    f.device->sendFirstLoginTransKeyRequest();
    ASSERT_TRUE(codes.waitFor(1));
    EXPECT_EQ(codes.codes, QList<int> { 1032 });
    EXPECT_EQ(f.device->user, QStringLiteral("admin"));
    EXPECT_EQ(f.device->password, QStringLiteral("Pass_123"));
}

TEST(VideoFormatFlow, TheFormatThenTheResetAfterTheReboot)
{
    MachineFixture f;
    Codes codes(f.device.get());
    QSignalSpy waiting(f.device.get(), &DeviceInfo::setVideoFormatWaitingForSettingReboot);
    QSignalSpy finished(f.device.get(), &DeviceInfo::setVideoFormatRecoveryFinished);
    LoopbackWeb web({ kSuccess, saltReply(9), kSuccess });
    setAddress(*f.device, "127.0.0.1", web.port());
    setSoftware(*f.device, "VC-2.0");
    f.device->factoryTypes = { "factory_all", "factory_keep_ip" };
    f.device->password = "5284tbnr";
    f.device->operation = DeviceInfo::VideoFormat;
    f.device->setVideoFormat("NTSC");

    // What the state machine runs once the device is logged in.
    WorkerTable::reset();
    WorkerTable::run(WorkerStep::SendSetVideoFormatRequest, f.device.get());
    ASSERT_TRUE(codes.waitFor(1));
    EXPECT_EQ(codes.codes, QList<int> { 1036 });
    EXPECT_EQ(f.device->operation.load(), int(DeviceInfo::VfReboot));
    EXPECT_EQ(waiting.count(), 1);

    WorkerTable::run(WorkerStep::RequestFactoryResetTransKey, f.device.get());
    ASSERT_TRUE(vltest::pollUntil(
        [&] {
            QCoreApplication::processEvents();
            return finished.count() == 1;
        },
        10000));
    EXPECT_EQ(f.device->operation.load(), int(DeviceInfo::VfReset));
    EXPECT_EQ(codes.codes, QList<int> { 1036 }); // nothing more is posted

    ASSERT_EQ(web.requests.size(), 3);
    EXPECT_EQ(pathOf(web.requests[0]), QByteArray("/API/Maintenance/Customfactory/Set"));
    EXPECT_EQ(jsonToBytes(bodyOf(web.requests[0])), QByteArray(R"({"data":{"video_format":"NTSC"}})"));
    EXPECT_EQ(pathOf(web.requests[1]), QByteArray("/API/Login/TransKey/Get"));
    EXPECT_EQ(jsonToBytes(bodyOf(web.requests[1])), QByteArray(R"({"data":{"type":["base_salt"]}})"));
    EXPECT_EQ(pathOf(web.requests[2]), QByteArray("/API/Maintenance/Reset/Set"));
    const QJsonObject reset = bodyOf(web.requests[2]);
    EXPECT_FALSE(reset.contains("version"));
    const QJsonObject data = reset.value("data").toObject();
    EXPECT_EQ(data.value("factory_type").toString(), QStringLiteral("factory_keep_ip"));
    EXPECT_EQ(data.value("base_secondary_authentication").toObject().value("seq").toInt(), 9);
    EXPECT_EQ(data.value("base_secondary_authentication").toObject().value("cipher").toString(),
        *WebSecrets::secondaryAuthCipher("5284tbnr", "c2FsdHNhbHRzYWx0", 10));
}

TEST(VideoFormatFlow, EachFailingRequestPostsItsCode)
{
    const QByteArray unusableKey
        = R"({"result":"success","data":{"Key_lists":[{"type":"base_x_public","key":"0AAAA","seq":1}]}})";
    const QByteArray unusableSalt
        = R"({"result":"success","data":{"Key_lists":[{"type":"base_salt","key":"c2FsdA==","iter":"10","seq":1}]}})";
    struct Case {
        const char* name;
        bool activated;
        std::function<void(DeviceInfo*)> start;
        QList<QByteArray> replies;
        int code;
        int requests;
    };
    const Case cases[] = {
        { "first-login key refused", false, [](DeviceInfo* d) { d->sendFirstLoginTransKeyRequest(); },
            { kFail }, 1034, 1 },
        { "first-login key unusable", false, [](DeviceInfo* d) { d->sendFirstLoginTransKeyRequest(); },
            { unusableKey }, 1034, 1 },
        { "first-login key of another type", false, [](DeviceInfo* d) { d->sendFirstLoginTransKeyRequest(); },
            { saltReply(1) }, 1034, 1 },
        { "first login refused", false, [](DeviceInfo* d) { d->sendFirstLoginTransKeyRequest(); },
            { publicKeyReply(2), kFail }, 1034, 2 },
        { "format refused", true, [](DeviceInfo* d) { d->sendSetVideoFormatRequest({}); }, { kFail }, 1035,
            1 },
        { "format answered with a result that is no text", true,
            [](DeviceInfo* d) { d->sendSetVideoFormatRequest({}); }, { R"({"result":true})" }, 1035, 1 },
        { "reset key not JSON", true, [](DeviceInfo* d) { d->requestFactoryResetTransKey(); }, { "<html>" },
            1034, 1 },
        { "reset key unusable", true, [](DeviceInfo* d) { d->requestFactoryResetTransKey(); },
            { unusableSalt }, 1034, 1 },
        { "reset key of another type", true, [](DeviceInfo* d) { d->requestFactoryResetTransKey(); },
            { publicKeyReply(4) }, 1034, 1 },
        { "reset refused", true, [](DeviceInfo* d) { d->requestFactoryResetTransKey(); },
            { saltReply(3), kFail }, 1034, 2 },
        { "query refused", true, [](DeviceInfo* d) { d->requestVideoFormat(); }, { kFail }, 1040, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MachineFixture f;
        Codes codes(f.device.get());
        LoopbackWeb web(c.replies);
        setAddress(*f.device, "127.0.0.1", web.port());
        setActivated(*f.device, c.activated);
        f.device->password = "Pass_123";
        c.start(f.device.get());
        ASSERT_TRUE(codes.waitFor(1));
        // Let a wrongly sent next request show.
        vltest::pollUntil(
            [&] {
                QCoreApplication::processEvents();
                return false;
            },
            200);
        EXPECT_EQ(codes.codes, QList<int> { c.code });
        EXPECT_EQ(web.requests.size(), c.requests);
    }

    // Nobody listening: the query fails too.
    MachineFixture f;
    Codes codes(f.device.get());
    unsigned closedPort = 0;
    {
        LoopbackWeb web({});
        closedPort = web.port();
    }
    setAddress(*f.device, "127.0.0.1", closedPort);
    f.device->requestVideoFormat();
    ASSERT_TRUE(codes.waitFor(1));
    EXPECT_EQ(codes.codes, QList<int> { 1040 });
}

TEST(VideoFormatFlow, TheQueryTakesOnlyATextFormat)
{
    struct Case {
        QByteArray reply;
        QString format;
    };
    const Case cases[] = {
        { R"({"result":"success","data":{"video_format":"PAL"}})", "PAL" },
        { R"({"result":"success","data":{"video_format":0}})", QString() },
        { R"({"result":"success","data":{}})", QString() },
        { R"({"result":"success"})", QString() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply.toStdString());
        MachineFixture f;
        // Without a text the record shows the language's "unknown".
        const QString expected = c.format.isNull() ? TextTable::text(kUnknownFormatText) : c.format;
        ASSERT_FALSE(expected.isEmpty());
        Codes codes(f.device.get());
        LoopbackWeb web({ c.reply });
        setAddress(*f.device, "127.0.0.1", web.port());
        f.device->videoFormat = "before";
        f.device->requestVideoFormat();
        ASSERT_TRUE(vltest::pollUntil(
            [&] {
                QCoreApplication::processEvents();
                return f.device->videoFormat != QLatin1String("before");
            },
            10000));
        EXPECT_EQ(f.device->videoFormat, expected);
        EXPECT_TRUE(codes.codes.isEmpty()); // no event on success
        ASSERT_EQ(web.requests.size(), 1);
        EXPECT_EQ(pathOf(web.requests[0]), QByteArray("/API/Maintenance/Customfactory/Get"));
    }
}

TEST(VideoFormatFlow, ARecordDeletedWithARequestPendingHearsNothing)
{
    // The device answers late; meanwhile a new search deletes the record.
    MachineFixture f;
    LoopbackWeb web({ publicKeyReply(1) });
    setAddress(*f.device, "127.0.0.1", web.port());
    setActivated(*f.device, false);
    f.device->sendFirstLoginTransKeyRequest();
    // The request leaves, then the record goes.
    vltest::pollUntil(
        [&] {
            QCoreApplication::processEvents();
            return false;
        },
        100);
    f.device.reset();
    vltest::pollUntil(
        [&] {
            QCoreApplication::processEvents();
            return false;
        },
        300);
    // Nothing ran on the deleted record (the sanitizer build would say).
    SUCCEED();
}
