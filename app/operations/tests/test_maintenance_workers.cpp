// The activation, reboot, version and date-and-time workers without a
// device: the activation requests each setting sends and what a run that
// starts nothing leaves behind, the reading of activation replies, the
// version text of VLNet's record, the time-zone walk, the web texts of a
// date-time, the date-and-time record and the status of a DateTime/Set.
#include "StateMachineFixture.h"
#include "common/json.h"
#include "devices/DeviceTexts.h"
#include "operations/MaintenanceRequests.h"
#include "shell/TextTable.h"

#include <QTimeZone>
#include <cstring>
#include <gtest/gtest.h>

using machine_test::MachineFixture;
using namespace MaintenanceRequests;

namespace
{

// The activation starter's recorder: what it was asked, and the handle it
// gives (null: the start failed).
struct Started {
    std::string request;
    vl_json_callback callback = nullptr;
    void* user = nullptr;
    int calls = 0;
};
Started g_started;
multicast_handle* g_handle = nullptr;
int g_handleDummy = 0;

multicast_handle* VL_CALL recordStart(const char* request, vl_json_callback callback, void* user)
{
    g_started.request = request;
    g_started.callback = callback;
    g_started.user = user;
    ++g_started.calls;
    return g_handle;
}

multicast_handle* fakeHandle()
{
    return reinterpret_cast<multicast_handle*>(&g_handleDummy);
}

// A device record with the search's id and key, and the recorder in place.
class ActivationRun
{
public:
    explicit ActivationRun(ShellTestOptions options, bool started = true)
        : f(options)
    {
        g_started = Started {};
        g_handle = started ? fakeHandle() : nullptr;
        setActivationStarter(&recordStart);
        copyRecordText(f.device->searchRecord.devId, "aWQtMQ==");
        copyRecordText(f.device->searchRecord.devEnc, "a2V5LTE=");
        f.device->loggedIn = true; // as the activation pre-check leaves it
        f.watch(&DeviceInfo::initialDevicePage, "initial");
        f.watch(&DeviceInfo::autoUpgradePage, "auto");
        f.device->videoFormatPage = &f.others;
    }
    ~ActivationRun()
    {
        setActivationStarter(nullptr);
        // The fake handle must never reach the library's stop.
        f.device->activationHandle = nullptr;
        f.device->autoActivationHandle = nullptr;
    }
    // The "device" entry of the request sent, with the outer members
    // checked.
    Json::Value entry() const
    {
        Json::Value outer;
        EXPECT_TRUE(vljson::parse_object(g_started.request, outer));
        EXPECT_EQ(outer["delay"].asInt(), 200);
        EXPECT_EQ(outer["timeout"].asInt(), 3000);
        EXPECT_TRUE(outer["data"].isString()) << "the inner object travels as a text";
        Json::Value inner;
        EXPECT_TRUE(vljson::parse_object(outer["data"].asString(), inner));
        EXPECT_EQ(inner["device"].size(), 1u);
        return inner["device"][0];
    }
    static ShellTestOptions options(int edition, int protocol)
    {
        ShellTestOptions o;
        o.edition = edition;
        o.curpro = protocol;
        return o;
    }

    MachineFixture f;
};

std::vector<std::string> keysOf(const Json::Value& v)
{
    auto names = v.getMemberNames();
    std::sort(names.begin(), names.end());
    return names;
}

// A device event caught before the state machine sees it.
class EventCatcher : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == MultiActivateEvent || e->type() == AutoActivateEvent) {
            caught << QStringLiteral("%1:%2").arg(int(e->type())).arg(static_cast<QMultiEvent*>(e)->code);
            return true;
        }
        return false;
    }
    QStringList caught;
};

} // namespace

TEST(Activation, EachSettingSendsItsFields)
{
    using Keys = std::vector<std::string>;
    const Keys five { "conn ipc pwd", "id", "is sync pwd", "key", "password" };
    const Keys three { "id", "key", "password" };
    struct Case {
        const char* name;
        int edition;
        int protocol;
        bool autoUpgrade;
        Keys keys;
        const char* password;
        vl_json_callback callback;
        bool autoHandle;
    };
    const Case cases[] = {
        { "op 20, web", 0, 0, false, five, "Pass_w0rd", &DeviceInfo::multiActivateCallback, false },
        // Customer 43 reaches devices through the web interface whatever
        // the protocol says.
        { "op 20, web edition", 43, 1, false, five, "Pass_w0rd", &DeviceInfo::multiActivateCallback, false },
        { "op 20, VLNet", 0, 1, false, three, "Pass_w0rd", &DeviceInfo::multiActivateCallback, false },
        // The alternative password is empty here: the one entered goes.
        { "op 30, web", 0, 0, true, five, "Pass_w0rd", &DeviceInfo::autoActivateCallback, true },
        // Customer 33's alternative password goes instead of the one entered.
        { "op 30, web, alternative", 33, 0, true, five, "9471", &DeviceInfo::autoActivateCallback, true },
        // Over VLNet op 30 runs as op 20 (its reply comes as 1022).
        { "op 30, VLNet", 0, 1, true, three, "Pass_w0rd", &DeviceInfo::multiActivateCallback, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ActivationRun run(ActivationRun::options(c.edition, c.protocol));
        run.f.device->setActivationParams(QStringLiteral("Pass_w0rd"), 1);
        run.f.device->cameraConnectionPassword = "Ipc_pass1";
        if (c.autoUpgrade)
            DeviceInfo::activateDeviceForAutoUpgrade(run.f.device.get());
        else
            DeviceInfo::activateDevice(run.f.device.get());
        ASSERT_EQ(g_started.calls, 1);
        const Json::Value e = run.entry();
        EXPECT_EQ(keysOf(e), c.keys);
        EXPECT_EQ(e["id"].asString(), "aWQtMQ==");
        EXPECT_EQ(e["key"].asString(), "a2V5LTE=");
        EXPECT_EQ(e["password"].asString(), c.password);
        if (c.keys.size() == 5) {
            EXPECT_TRUE(e["is sync pwd"].isBool());
            EXPECT_EQ(e["is sync pwd"].asBool(), !c.autoUpgrade) << "op 30 never syncs";
            EXPECT_EQ(e["conn ipc pwd"].asString(), c.autoUpgrade ? "" : "Ipc_pass1");
        }
        EXPECT_EQ(g_started.callback, c.callback);
        EXPECT_EQ(g_started.user, run.f.device.get());
        EXPECT_EQ(run.f.device->lastStatus(), 34);
        EXPECT_TRUE(run.f.device->loggedIn.load()) << "the reply ends the run";
        EXPECT_EQ((c.autoHandle ? run.f.device->autoActivationHandle : run.f.device->activationHandle).load(),
            fakeHandle());
        if (c.autoUpgrade) {
            EXPECT_EQ(run.f.heard, QStringList { "auto refresh" });
        } else {
            EXPECT_EQ(run.f.heard, (QStringList { "initial refresh", "video format row" }));
        }
        if (c.autoHandle) {
            EXPECT_EQ(run.f.device->autoActivationPassword, QString::fromLatin1(c.password));
        }
    }
}

TEST(Activation, TheKeptPasswordBecomesTheLoginPasswordAfterSuccess)
{
    ActivationRun run(ActivationRun::options(0, 0));
    run.f.device->setActivationParams(QStringLiteral("Pass_w0rd"), 0);
    run.f.device->password = QStringLiteral("old");
    DeviceInfo::activateDeviceForAutoUpgrade(run.f.device.get());
    run.f.device->autoActivationHandle = nullptr; // nothing for the library to stop
    run.f.post(new QMultiEvent(AutoActivateEvent, MultiSuccess));
    EXPECT_EQ(run.f.device->password, QStringLiteral("Pass_w0rd"));
    EXPECT_EQ(run.f.device->lastStatus(), 61);
}

TEST(Activation, ARunThatStartsNothingEndsAt32AndLetsThePageGo)
{
    struct Case {
        const char* name;
        int protocol;
        bool autoUpgrade;
        const char* password;
        bool started; // what the starter gives when asked
        int calls;
    };
    const Case cases[] = {
        { "op 20, no password, web", 0, false, "", true, 0 },
        { "op 20, no password, VLNet", 1, false, "", true, 0 },
        { "op 20, null handle", 0, false, "Pass_w0rd", false, 1 },
        { "op 30, no password, web", 0, true, "", true, 0 },
        { "op 30, no password, VLNet", 1, true, "", true, 0 },
        { "op 30, null handle", 1, true, "Pass_w0rd", false, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ActivationRun run(ActivationRun::options(0, c.protocol), c.started);
        run.f.device->setActivationParams(QString::fromLatin1(c.password), 0);
        if (c.autoUpgrade)
            DeviceInfo::activateDeviceForAutoUpgrade(run.f.device.get());
        else
            DeviceInfo::activateDevice(run.f.device.get());
        EXPECT_EQ(g_started.calls, c.calls);
        EXPECT_EQ(run.f.device->lastStatus(), 32);
        EXPECT_FALSE(run.f.device->loggedIn.load());
        EXPECT_EQ(run.f.device->activationHandle.load(), nullptr);
        EXPECT_EQ(run.f.device->autoActivationHandle.load(), nullptr);
        if (c.autoUpgrade) {
            EXPECT_EQ(run.f.heard, QStringList { "auto remove" });
        } else {
            EXPECT_EQ(run.f.heard, (QStringList { "initial remove", "video format row" }));
        }
    }
}

TEST(Activation, WithoutIdOrKeyTheWebSettingReports11001)
{
    for (bool autoUpgrade : { false, true }) {
        for (bool noId : { true, false }) {
            SCOPED_TRACE(std::string(autoUpgrade ? "op 30" : "op 20") + (noId ? ", no id" : ", no key"));
            ActivationRun run(ActivationRun::options(0, 0));
            std::memset(noId ? run.f.device->searchRecord.devId : run.f.device->searchRecord.devEnc, 0, 64);
            run.f.device->setActivationParams(QStringLiteral("Pass_w0rd"), 0);
            EventCatcher catcher;
            run.f.device->installEventFilter(&catcher);
            if (autoUpgrade)
                DeviceInfo::activateDeviceForAutoUpgrade(run.f.device.get());
            else
                DeviceInfo::activateDevice(run.f.device.get());
            QCoreApplication::sendPostedEvents(run.f.device.get());
            EXPECT_EQ(g_started.calls, 0);
            EXPECT_EQ(run.f.device->lastStatus(), 62);
            EXPECT_EQ(
                catcher.caught, QStringList { QStringLiteral("%1:11001").arg(autoUpgrade ? 1027 : 1022) });
            EXPECT_TRUE(run.f.heard.isEmpty()) << "the state machine tells the page";
            run.f.device->removeEventFilter(&catcher);
        }
    }
    // Over VLNet op 20 does not look at them.
    ActivationRun run(ActivationRun::options(0, 1));
    std::memset(run.f.device->searchRecord.devId, 0, 64);
    run.f.device->setActivationParams(QStringLiteral("Pass_w0rd"), 0);
    DeviceInfo::activateDevice(run.f.device.get());
    EXPECT_EQ(g_started.calls, 1);
    EXPECT_EQ(run.f.device->lastStatus(), 34);
}

TEST(Activation, RepliesAndTheirCodes)
{
    const QString id = QStringLiteral("aWQtMQ==");
    struct Case {
        const char* reply;
        int code; // -1: dropped
    };
    const Case cases[] = {
        { R"({"dev id":"aWQtMQ==","result":"success"})", 11000 },
        { R"({"dev id":"aWQtMQ==","result":"Success"})", 11011 },
        { R"({"dev id":"aWQtMQ==","result":"need auth"})", 11011 },
        { R"({"dev id":"aWQtMQ==","result":"ipc rule not met"})", 11013 },
        { R"({"dev id":"aWQtMQ==","result":"device is activated"})", 11006 },
        { R"({"dev id":"aWQtMQ==","result":"no response"})", 11008 },
        { R"({"dev id":"b3RoZXI=","result":"success"})", 11008 },
        // Members of another type read as absent.
        { R"({"dev id":7,"result":"success"})", 11008 },
        { R"({"dev id":"aWQtMQ==","result":1})", 11011 },
        { R"({"dev id":"aWQtMQ=="})", 11011 },
        { R"({"msg":"parse json error"})", 11008 },
        { "not json", -1 },
        { "[1,2]", -1 },
        { "", -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        const auto code = activationReplyCode(c.reply, id);
        EXPECT_EQ(code ? *code : -1, c.code);
    }
    EXPECT_FALSE(activationReplyCode(nullptr, id));
}

TEST(Activation, TheReplyCallbackPostsOnlyWhileItsRunIsKnown)
{
    ActivationRun run(ActivationRun::options(0, 0));
    EventCatcher catcher;
    run.f.device->installEventFilter(&catcher);
    const char* success = R"({"dev id":"aWQtMQ==","result":"success"})";

    // No handle stored yet (the start has not returned), or stopped.
    DeviceInfo::multiActivateCallback(success, run.f.device.get());
    DeviceInfo::multiActivateCallback(nullptr, run.f.device.get());
    DeviceInfo::multiActivateCallback(success, nullptr);
    QCoreApplication::sendPostedEvents(run.f.device.get());
    EXPECT_TRUE(catcher.caught.isEmpty());

    run.f.device->activationHandle = fakeHandle();
    DeviceInfo::multiActivateCallback(success, run.f.device.get());
    DeviceInfo::multiActivateCallback("<html>", run.f.device.get());
    DeviceInfo::multiActivateCallback(R"({"dev id":"b3RoZXI=","result":"success"})", run.f.device.get());
    run.f.device->autoActivationHandle = fakeHandle();
    DeviceInfo::autoActivateCallback(R"({"dev id":"aWQtMQ==","result":"rule not met"})", run.f.device.get());
    QCoreApplication::sendPostedEvents(run.f.device.get());
    EXPECT_EQ(catcher.caught, (QStringList { "1022:11000", "1022:11008", "1027:11004" }));
    run.f.device->removeEventFilter(&catcher);
}

TEST(Version, TheTextOfTheRecord)
{
    std::vector<unsigned char> record(VLNET_PARAM_VERSION_SIZE, 0);
    const char text[] = "V5.1.0.3 build 261209";
    std::memcpy(record.data() + VLNET_PARAM_VERSION_TEXT, text, sizeof text);
    EXPECT_EQ(versionText(record.data(), int(record.size())), QStringLiteral("V5.1.0.3 build 261209"));

    // No terminator: the text ends with the record.
    std::fill(record.begin() + VLNET_PARAM_VERSION_TEXT, record.end(), 'x');
    EXPECT_EQ(versionText(record.data(), int(record.size())).size(),
        VLNET_PARAM_VERSION_SIZE - VLNET_PARAM_VERSION_TEXT);
    // Latin-1.
    record[VLNET_PARAM_VERSION_TEXT] = 0xE9;
    record[VLNET_PARAM_VERSION_TEXT + 1] = 0;
    EXPECT_EQ(versionText(record.data(), int(record.size())), QString(QChar(0xE9)));
    EXPECT_EQ(versionText(record.data(), VLNET_PARAM_VERSION_TEXT), QString());
    EXPECT_EQ(versionText(nullptr, 700), QString());
}

TEST(Version, AFailedQueryKeepsTheEarlierText)
{
    MachineFixture f(ActivationRun::options(0, 1));
    f.device->operation = DeviceInfo::QueryVersion;
    f.device->queriedVersion = QStringLiteral("V1.2");
    f.device->matchVersion = QStringLiteral("V1.2");
    f.device->connectionHandle = 0; // no session: VLNet refuses
    f.device->queryUpgradeMatchText();
    EXPECT_EQ(f.device->lastStatus(), 25);
    EXPECT_EQ(f.device->queriedVersion, QStringLiteral("V1.2"));
    EXPECT_EQ(f.device->upgradeMatchText(), TextTable::text(146));
}

TEST(DateTime, TheTimeZoneWalk)
{
    struct Case {
        int offsetSeconds;
        int index;
    };
    const Case cases[] = {
        { 0, 14 }, { 8 * 3600, 27 }, { -5 * 3600, 7 }, { 5 * 3600 + 1800, 22 }, { 5 * 3600 + 2700, 23 },
        { -(9 * 3600 + 1800), 2 }, // as near to -10 as to -9: the earlier wins
        { 14 * 3600, 33 }, { -12 * 3600, 0 }, { 3 * 3600 + 1800, 18 },
        { 12 * 3600 + 2700, 33 }, // +12:45 is nearer to 13
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offsetSeconds);
        const QDateTime at(QDate(2026, 7, 9), QTime(8, 5, 3), Qt::OffsetFromUTC, c.offsetSeconds);
        EXPECT_EQ(timeZoneIndex(utcOffsetHours(at)), c.index);
    }
    // A named zone counts with its offset at that date-time (summer time).
    const QDateTime berlin(QDate(2026, 7, 9), QTime(8, 5, 3), QTimeZone("Europe/Berlin"));
    ASSERT_TRUE(berlin.timeZone().isValid());
    EXPECT_EQ(timeZoneIndex(utcOffsetHours(berlin)), 16);
    const QDateTime berlinWinter(QDate(2026, 1, 9), QTime(8, 5, 3), QTimeZone("Europe/Berlin"));
    EXPECT_EQ(timeZoneIndex(utcOffsetHours(berlinWinter)), 15);
}

TEST(DateTime, TheWebTexts)
{
    struct Case {
        int offsetSeconds;
        const char* zone;
    };
    const Case cases[] = {
        { 8 * 3600, "GMT+8:00" },
        { 0, "GMT+0:00" },
        { -5 * 3600, "GMT+-5:00" },
        { 5 * 3600 + 1800, "GMT+5:00" },
        { -(3 * 3600 + 1800), "GMT+-3:00" },
        { 14 * 3600, "GMT+14:00" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zone);
        const QDateTime at(QDate(2026, 7, 9), QTime(8, 5, 3), Qt::OffsetFromUTC, c.offsetSeconds);
        EXPECT_EQ(zoneText(at), QLatin1String(c.zone));
    }
    const QDateTime at(QDate(2026, 7, 9), QTime(8, 5, 3), Qt::OffsetFromUTC, 8 * 3600);
    EXPECT_EQ(dateText(at), QStringLiteral("09/07/2026"));
    EXPECT_EQ(timeText(at), QStringLiteral("08:05:03"));
    EXPECT_EQ(
        dateText(QDateTime(QDate(2031, 12, 31), QTime(23, 59, 59), Qt::UTC)), QStringLiteral("31/12/2031"));

    const QJsonObject data = dateTimeData(at);
    EXPECT_EQ(data.value(QStringLiteral("date")).toString(), QStringLiteral("09/07/2026"));
    EXPECT_EQ(data.value(QStringLiteral("time")).toString(), QStringLiteral("08:05:03"));
    EXPECT_EQ(data.value(QStringLiteral("synchronize_computer_time")), QJsonValue(true));
    EXPECT_EQ(data.value(QStringLiteral("date_format")).toString(), QStringLiteral("DD/MM/YYYY"));
    EXPECT_EQ(data.value(QStringLiteral("time_format")), QJsonValue(24));
    EXPECT_EQ(data.value(QStringLiteral("time_zone")).toString(), QStringLiteral("GMT+8:00"));
    EXPECT_EQ(data.size(), 6);
}

TEST(DateTime, TheRecordKeepsWhatItDoesNotSet)
{
    VLNET_TIME_PARAM record;
    unsigned char* bytes = reinterpret_cast<unsigned char*>(&record);
    for (std::size_t i = 0; i < sizeof record; ++i)
        bytes[i] = static_cast<unsigned char>(0xA0 + i % 7);
    const VLNET_TIME_PARAM before = record;
    writeTimeRecord(record, QDateTime(QDate(2026, 7, 9), QTime(8, 5, 3), Qt::OffsetFromUTC, 5 * 3600 + 1800));
    EXPECT_EQ(record.size, 292);
    EXPECT_EQ(bytes[8], 26);
    EXPECT_EQ(bytes[9], 0);
    const unsigned char clock[] = { 7, 9, 8, 5, 3 };
    EXPECT_EQ(std::memcmp(bytes + 10, clock, sizeof clock), 0);
    EXPECT_EQ(bytes[16], 0);
    EXPECT_EQ(bytes[17], 1);
    EXPECT_EQ(bytes[57], 22);
    EXPECT_EQ(bytes[82], 1);
    const unsigned char* old = reinterpret_cast<const unsigned char*>(&before);
    for (std::size_t i = 0; i < sizeof record; ++i) {
        const bool written = i < 4 || (i >= 8 && i <= 14) || i == 16 || i == 17 || i == 57 || i == 82;
        if (!written) {
            EXPECT_EQ(bytes[i], old[i]) << "byte " << i << (i == 56 ? " (the NTP switch)" : "");
        }
    }
}

TEST(DateTime, TheStatusOfTheSet)
{
    struct Case {
        bool httpOk;
        const char* body;
        int status;
    };
    const Case cases[] = {
        { true, R"({"result":"success"})", 5 },
        { true, R"({"result":"failed"})", 6 },
        { true, R"({"result":"Success"})", 6 },
        { true, "", 5 },
        { true, "<html>error</html>", 5 },
        { true, R"({"data":{}})", 5 },
        { true, R"({"result":3})", 5 },
        { false, R"({"result":"success"})", 6 },
        { false, "", 6 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(dateTimeSetStatus(WorkerFrame::readReply(c.httpOk, c.body)), c.status);
    }
}

TEST(DateTime, WithoutADateTimeNothingIsSent)
{
    for (int protocol : { 0, 1 }) {
        MachineFixture f(ActivationRun::options(0, protocol));
        f.watch(&DeviceInfo::streamConfigPage, "stream");
        f.device->operation = DeviceInfo::DateTime;
        f.device->loggedIn = true;
        DeviceInfo::setDateTime(f.device.get());
        EXPECT_EQ(f.device->lastStatus(), 6);
        EXPECT_EQ(f.heard, QStringList { "stream refresh" });
        EXPECT_FALSE(f.device->loggedIn.load());
    }
}

TEST(Workers, TheTableHoldsThem)
{
    WorkerTable::reset();
    EXPECT_EQ(WorkerTable::function(WorkerStep::ActivateDevice), &DeviceInfo::activateDevice);
    EXPECT_EQ(WorkerTable::function(WorkerStep::ActivateDeviceForAutoUpgrade),
        &DeviceInfo::activateDeviceForAutoUpgrade);
    EXPECT_EQ(WorkerTable::function(WorkerStep::RebootDevice), &DeviceInfo::rebootDevice);
    EXPECT_EQ(
        WorkerTable::function(WorkerStep::RebootDeviceForRecovery), &DeviceInfo::rebootDeviceForRecovery);
    EXPECT_EQ(WorkerTable::function(WorkerStep::SetDateTime), &DeviceInfo::setDateTime);
    EXPECT_NE(WorkerTable::function(WorkerStep::QueryUpgradeMatchText), nullptr);
}
