// The network settings of a device: operation 0's transport, its multicast
// request and log line, the refusal, the update replies and their codes, a
// multicast update that cannot start, VLNet's record of the new settings;
// operation 8's port rule and record; the workers' failures without a
// device (nothing here reaches the network: the multicast start is a fake,
// VLNet and VLOnvifs are not started).
#include "StateMachineFixture.h"
#include "common/json.h"
#include "devices/DeviceTexts.h"
#include "operations/NetworkSettings.h"

#include <QtMessageHandler>
#include <cstring>
#include <gtest/gtest.h>
#include <json/value.h>

using machine_test::MachineFixture;
using namespace NetworkSettings;
using D = DeviceInfo;

namespace
{

ShellTestOptions options(int edition, int protocol)
{
    ShellTestOptions o;
    o.edition = edition;
    o.curpro = protocol;
    return o;
}

// A device as the multicast search found it, with new settings set by the
// search page.
void prepare(DeviceInfo& d)
{
    copyRecordText(d.searchRecord.sdk.ip, "192.168.7.20");
    copyRecordText(d.searchRecord.sdk.netmask, "255.255.255.0");
    copyRecordText(d.searchRecord.sdk.gateway, "192.168.7.1");
    copyRecordText(d.searchRecord.sdk.dns1, "8.8.8.8");
    copyRecordText(d.searchRecord.sdk.dns2, "8.8.4.4");
    copyRecordText(d.searchRecord.sdk.mac_addr, "02:56:4C:00:00:09");
    d.searchRecord.sdk.dev_type_l = 0x11223344;
    d.searchRecord.sdk.dev_type_h = 0x55667788;
    d.searchRecord.sdk.media_port = 9000;
    d.searchRecord.sdk.web_port = 80;
    copyRecordText(d.searchRecord.devId, "ZGV2aWNlLWlk");
    copyRecordText(d.searchRecord.devEnc, "a2V5LWJsb2I=");
    d.searchSource = 1;
    d.user = QStringLiteral("admin");
    d.password = QStringLiteral("Secret#123");
    d.newIp = QStringLiteral("10.1.2.3");
    d.newMediaPort = 9100;
    d.newWebPort = 8080;
    d.httpPort = 8081;
    d.newGateway = QStringLiteral("10.1.2.1");
    d.newMask = QStringLiteral("255.255.0.0");
    d.addressMode = 1;
    d.newDns1 = QStringLiteral("10.1.0.53");
    d.newDns2 = QStringLiteral("10.1.0.54");
}

Json::Value parsed(const std::string& text)
{
    Json::Value v;
    EXPECT_TRUE(vljson::parse_object(text, v, vljson::syntax::strict)) << text;
    return v;
}

// The multicast start of the tests: notes the request, gives `handle`.
struct Starts {
    static inline QList<QByteArray> requests;
    static inline multicast_handle* handle = nullptr;
    static multicast_handle* start(const char* request, vl_json_callback callback, void* user)
    {
        EXPECT_EQ(callback, &DeviceInfo::multiUpdateCallback);
        EXPECT_NE(user, nullptr);
        requests << QByteArray(request);
        return handle;
    }
    Starts()
    {
        requests.clear();
        handle = nullptr;
        setUpdateStarter(&start);
    }
    ~Starts() { setUpdateStarter(nullptr); }
};

// The debug output while it lives.
struct DebugLog {
    static inline QStringList lines;
    static void handler(QtMsgType, const QMessageLogContext&, const QString& text) { lines << text; }
    QtMessageHandler previous;
    DebugLog()
    {
        lines.clear();
        previous = qInstallMessageHandler(&handler);
    }
    ~DebugLog() { qInstallMessageHandler(previous); }
};

// A handle the tests never stop: only compared with null.
multicast_handle* fakeHandle()
{
    static char byte;
    return reinterpret_cast<multicast_handle*>(&byte);
}

} // namespace

TEST(NetworkSettings, TheModifyTransportFollowsEditionPageAndProtocol)
{
    struct Case {
        bool webOnly;
        bool multicastFindsRule;
        int protocol;
        bool multicastFind;
        ModifyTransport expected;
    } cases[] = {
        { false, false, 0, false, ModifyTransport::Multicast },
        { false, false, 1, true, ModifyTransport::VLNet },
        { true, false, 1, false, ModifyTransport::Multicast },
        // Editions 34 and 11 on the search page: by where the device was found.
        { false, true, 0, false, ModifyTransport::VLNet },
        { false, true, 1, true, ModifyTransport::Multicast },
    };
    for (const Case& c : cases)
        EXPECT_EQ(modifyTransport(c.webOnly, c.multicastFindsRule, c.protocol, c.multicastFind), c.expected);

    MachineFixture f(options(34, 0));
    f.device->searchSource = 0;
    GKAppSetting::instance()->setOnSearchPage(true);
    EXPECT_EQ(modifyTransport(f.device.get()), ModifyTransport::VLNet);
    GKAppSetting::instance()->setOnSearchPage(false);
    EXPECT_EQ(modifyTransport(f.device.get()), ModifyTransport::Multicast);
    GKAppSetting::instance()->setOnSearchPage(true);
}

TEST(NetworkSettings, TheMulticastRequestNestsItsTextsAndListensEightSeconds)
{
    for (const int mode : { 1, 0 }) {
        SCOPED_TRACE(mode);
        MachineFixture f;
        prepare(*f.device);
        f.device->addressMode = mode;
        const QByteArray text = multicastUpdateRequest(f.device.get(), f.device->password);
        // The JSON library's default layout: a tab per level, " : ".
        EXPECT_TRUE(text.startsWith("{\n\t\"data\" : \"{\\n\\t\\\"device\\\" : ")) << text.constData();
        const Json::Value request = parsed(text.toStdString());
        EXPECT_EQ(request["delay"].asInt(), 200);
        EXPECT_EQ(request["timeout"].asInt(), 8000);
        ASSERT_TRUE(request["data"].isString());
        const Json::Value data = parsed(request["data"].asString());
        ASSERT_EQ(data["device"].size(), 1u);
        const Json::Value entry = data["device"][0];
        EXPECT_EQ(entry["id"].asString(), "ZGV2aWNlLWlk");
        EXPECT_EQ(entry["key"].asString(), "a2V5LWJsb2I=");
        EXPECT_EQ(entry["username"].asString(), "admin");
        EXPECT_EQ(entry["password"].asString(), "Secret#123");
        ASSERT_TRUE(entry["info"].isString());
        const Json::Value info = parsed(entry["info"].asString());
        EXPECT_EQ(info["wired ip"].asString(), "10.1.2.3");
        EXPECT_TRUE(info["media port"].isUInt());
        EXPECT_EQ(info["media port"].asUInt(), 9100u);
        // The HTTP port: the pages store the entered port there for
        // devices handled by multicast.
        EXPECT_EQ(info["web port"].asUInt(), 8081u);
        EXPECT_EQ(info["wired gateway"].asString(), "10.1.2.1");
        EXPECT_EQ(info["wired mask"].asString(), "255.255.0.0");
        EXPECT_EQ(info["dhcp"].asString(), mode == 1 ? "static" : "dhcp");
        EXPECT_EQ(info["wired dns1"].asString(), "10.1.0.53");
        EXPECT_EQ(info["wired dns2"].asString(), "10.1.0.54");
        EXPECT_EQ(info.size(), 8u);
    }
}

TEST(NetworkSettings, TheMulticastUpdateStartsKeepsItsHandleAndLogsNoPassword)
{
    MachineFixture f;
    f.watchAll();
    prepare(*f.device);
    Starts starts;
    starts.handle = fakeHandle();
    DebugLog log;
    f.device->modifyDevice();
    ASSERT_EQ(starts.requests.size(), 1);
    EXPECT_EQ(starts.requests[0], multicastUpdateRequest(f.device.get(), QStringLiteral("Secret#123")));
    EXPECT_EQ(f.device->updateHandle.load(), fakeHandle());
    EXPECT_TRUE(f.heard.isEmpty()) << "the pages wait for the reply";
    const QString line = log.lines.join(QLatin1Char('\n'));
    EXPECT_TRUE(line.startsWith(QLatin1String("DeviceInfo::modifyDevice"))) << line.toStdString();
    EXPECT_TRUE(line.contains(QLatin1String("******"))) << line.toStdString();
    EXPECT_FALSE(line.contains(QLatin1String("Secret#123"))) << line.toStdString();
    EXPECT_TRUE(line.contains(QLatin1String("10.1.2.3")));
    f.device->updateHandle = nullptr;
}

TEST(NetworkSettings, AMulticastUpdateThatCannotBeSentEndsForBothPages)
{
    struct Case {
        const char* what;
        int edition;
        int protocol;
        bool devId;
        bool devEnc;
        multicast_handle* handle;
        int status;
    } cases[] = {
        { "no dev id", 0, 0, false, true, fakeHandle(), 62 },
        { "no dev enc", 0, 0, true, false, fakeHandle(), 62 },
        { "web-only edition on VLNet", 43, 1, true, true, fakeHandle(), 62 },
        // The start refused: no reply will ever come.
        { "null handle", 0, 0, true, true, nullptr, 6 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MachineFixture f(options(c.edition, c.protocol));
        f.watch(&D::deviceInfoPage, "settings");
        f.device->searchPage = &f.others;
        prepare(*f.device);
        if (!c.devId)
            std::memset(f.device->searchRecord.devId, 0, sizeof f.device->searchRecord.devId);
        if (!c.devEnc)
            std::memset(f.device->searchRecord.devEnc, 0, sizeof f.device->searchRecord.devEnc);
        f.device->operation = D::Modify;
        Starts starts;
        starts.handle = c.handle;
        f.device->modifyDevice();
        EXPECT_EQ(starts.requests.size(), c.status == 62 ? 0 : 1);
        EXPECT_EQ(f.device->status(D::NetworkFamily), c.status);
        EXPECT_EQ(f.device->updateHandle.load(), nullptr);
        EXPECT_EQ(f.heard, QStringList({ "search cell remove", "settings remove" }));
        EXPECT_EQ(f.logins, 0);
    }
}

TEST(NetworkSettings, UpdateRepliesBecomeTheirCodes)
{
    struct Case {
        const char* reply;
        int lastStatus;
        int code; // -1: nothing posted
    } cases[] = {
        { R"({"dev id":"ZGV2aWNlLWlk","result":"success"})", 0, 11000 },
        { R"({"dev id":"ZGV2aWNlLWlk","result":"update failed"})", 0, 11010 },
        { R"({"dev id":"ZGV2aWNlLWlk","result":"need auth"})", 4, 11009 },
        { R"({"dev id":"ZGV2aWNlLWlk","result":"need auth"})", 70, 11012 },
        { R"({"dev id":"ZGV2aWNlLWlk","result":"ipc rule not met"})", 0, 11011 },
        { R"({"dev id":"ZGV2aWNlLWlk","result":"Success"})", 0, 11011 },
        { R"({"dev id":"ZGV2aWNlLWlk"})", 0, 11011 },
        // Another device's reply, or none named: no response from this one.
        { R"({"dev id":"b3RoZXI=","result":"success"})", 0, 11008 },
        { R"({"result":"success"})", 0, 11008 },
        { R"({"dev id":7,"result":"success"})", 0, 11008 },
        { R"(not json)", 0, -1 },
        { R"(["success"])", 0, -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        MachineFixture f;
        prepare(*f.device);
        f.device->storeStatus(c.lastStatus);
        struct Codes : QObject {
            QList<int> codes;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() != MultiUpdateEvent)
                    return false;
                codes << static_cast<QMultiEvent*>(e)->code;
                return true;
            }
        } seen;
        f.device->installEventFilter(&seen);
        // While no update runs a reply belongs to no one.
        D::multiUpdateCallback(c.reply, f.device.get());
        f.device->updateHandle = fakeHandle();
        D::multiUpdateCallback(nullptr, f.device.get());
        D::multiUpdateCallback(c.reply, nullptr);
        D::multiUpdateCallback(c.reply, f.device.get());
        QCoreApplication::sendPostedEvents(f.device.get());
        f.device->updateHandle = nullptr;
        EXPECT_EQ(seen.codes, c.code < 0 ? QList<int>() : QList<int> { c.code });
    }
}

TEST(NetworkSettings, TheUpdateEventEndsTheOperationForBothPages)
{
    // What the state machine makes of the codes (the handle is not held
    // here, so nothing is stopped).
    const std::pair<int, int> cases[] = { { 11000, 61 }, { 11009, 70 }, { 11012, 73 }, { 11008, 69 } };
    for (const auto& [code, status] : cases) {
        MachineFixture f;
        f.watch(&D::deviceInfoPage, "settings");
        f.device->searchPage = &f.others;
        f.device->operation = D::Modify;
        f.post(new QMultiEvent(MultiUpdateEvent, code));
        EXPECT_EQ(f.device->status(D::NetworkFamily), status) << code;
        EXPECT_EQ(f.heard, QStringList({ "search row remove", "settings remove" }));
    }
}

TEST(NetworkSettings, TheVlnetRecordCarriesTheNewSettingsInItsLayout)
{
    MachineFixture f(options(0, 1));
    prepare(*f.device);
    f.device->password = QString(70, QLatin1Char('p')); // longer than its slot
    const VLNET_NEW_DEV_INFO record = newDevInfoRecord(f.device.get());
    const auto* b = reinterpret_cast<const unsigned char*>(&record);
    unsigned char expected[744] = {};
    std::memcpy(expected, "12", 2);
    std::memcpy(expected + 16, "admin", 5);
    std::memset(expected + 80, 'p', 63); // NUL-terminated in its 64 bytes
    const unsigned char addresses[] = {
        192, 168, 7, 20, // where the device is now
        10, 1, 2, 3, // new address
        255, 255, 0, 0, // mask
        10, 1, 2, 1, // gateway
        10, 1, 0, 53, 10, 1, 0, 54, // DNS servers
    };
    std::memcpy(expected + 144, addresses, sizeof addresses);
    std::memcpy(expected + 168, "02:56:4C:00:00:09", 17);
    const unsigned char type[] = { 0x44, 0x33, 0x22, 0x11, 0x88, 0x77, 0x66, 0x55 };
    std::memcpy(expected + 208, type, sizeof type);
    const int32_t ports[] = { 9100, 8080 };
    std::memcpy(expected + 216, ports, sizeof ports);
    expected[224] = 2; // static
    expected[225] = 1;
    for (int i = 0; i < 744; ++i)
        EXPECT_EQ(int(b[i]), int(expected[i])) << "byte " << i;

    f.device->addressMode = 0;
    f.device->newDns2 = QStringLiteral("not an address");
    const VLNET_NEW_DEV_INFO dhcp = newDevInfoRecord(f.device.get());
    EXPECT_EQ(dhcp.network_mode, 0);
    EXPECT_EQ(std::memcmp(dhcp.dns2, "\0\0\0\0", 4), 0);
}

TEST(NetworkSettings, AVlnetChangeThatFailsLeavesTheRecordAndEndsForBothPages)
{
    // VLNet is not started: the change cannot reach the device.
    MachineFixture f(options(0, 1));
    f.watch(&D::deviceInfoPage, "settings");
    f.device->searchPage = &f.others;
    prepare(*f.device);
    f.device->operation = D::Modify;
    Starts starts;
    f.device->modifyDevice();
    EXPECT_TRUE(starts.requests.isEmpty());
    EXPECT_EQ(f.device->status(D::NetworkFamily), 6);
    EXPECT_EQ(f.device->ip(), QStringLiteral("192.168.7.20"));
    EXPECT_EQ(f.heard, QStringList({ "search cell remove", "settings remove" }));
}

TEST(NetworkSettings, TheOnvifPortFollowsEditionPageAndProtocol)
{
    struct Case {
        int edition;
        int protocol;
        bool searchPage;
        int source;
        int port;
    } cases[] = {
        { 0, 1, true, 0, 8080 }, // VLNet: the web port
        { 0, 0, true, 1, 8081 }, // web interface: the HTTP port
        { 34, 0, true, 0, 8080 }, // not a multicast find
        { 34, 1, true, 1, 8081 }, // a multicast find
        { 34, 0, false, 0, 8081 }, // another page: by the protocol
        { 11, 1, false, 1, 8080 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(
            testing::Message() << c.edition << " " << c.protocol << " " << c.searchPage << " " << c.source);
        MachineFixture f(options(c.edition, c.protocol));
        prepare(*f.device);
        f.device->searchSource = c.source;
        GKAppSetting::instance()->setOnSearchPage(c.searchPage);
        EXPECT_EQ(onvifPort(f.device.get()), c.port);
        GKAppSetting::instance()->setOnSearchPage(true);
    }
}

TEST(NetworkSettings, TheOnvifRecordTakesOnlyWhatIsSet)
{
    MachineFixture f(options(0, 1));
    prepare(*f.device);
    VLONVIF_NETWORK_PARAM record {};
    record.size = sizeof record;
    const unsigned char queried[] = { 192, 168, 7, 20, 255, 255, 255, 0, 192, 168, 7, 1 };
    std::memcpy(record.ipv4, queried, sizeof queried);
    record.web_port = 80;
    record.address_mode = 0;
    record.reserved25[10] = 0x5A; // what the query returned beyond the fields

    f.device->newIp.clear();
    fillOnvifNetwork(f.device.get(), record);
    const unsigned char expected[] = { 192, 168, 7, 20, 255, 255, 0, 0, 10, 1, 2, 1 };
    EXPECT_EQ(std::memcmp(record.ipv4, expected, sizeof expected), 0);
    EXPECT_EQ(record.web_port, 8080);
    EXPECT_EQ(record.address_mode, 2);
    EXPECT_EQ(record.reserved25[10], 0x5A);
    EXPECT_EQ(record.size, 460);

    f.device->newWebPort = 0;
    f.device->addressMode = 0;
    fillOnvifNetwork(f.device.get(), record);
    EXPECT_EQ(record.web_port, 8080);
    EXPECT_EQ(record.address_mode, 0);
}

TEST(NetworkSettings, AFailedOnvifChangeLogsOutAtOnce)
{
    // VLOnvifs is not started: query and set fail, with or without the
    // query first.
    for (const bool query : { true, false }) {
        MachineFixture f(options(0, 1));
        prepare(*f.device);
        GKAppSetting::instance()->setOnvifTimeoutsSet(query);
        f.device->operation = D::OnvifModify;
        f.device->modifyOnvifDevice();
        EXPECT_EQ(f.device->status(D::NetworkFamily), 6);
        EXPECT_EQ(f.logouts, 1);
        EXPECT_EQ(f.device->ip(), QStringLiteral("192.168.7.20"));
        GKAppSetting::instance()->setOnvifTimeoutsSet(false);
    }
}

TEST(NetworkSettings, TheNtpSwitchFailsWithoutADevice)
{
    MachineFixture f(options(0, 1));
    f.device->operation = D::EnableNtp;
    f.device->storeStatus(0);
    f.device->enableNtp();
    EXPECT_EQ(f.device->lastStatus(), 6);
    EXPECT_EQ(f.logouts, 0) << "the state machine logs out after it";
}

TEST(NetworkSettings, TheWorkersAreInTheTable)
{
    MachineFixture f;
    WorkerTable::reset();
    for (const WorkerStep step :
        { WorkerStep::ModifyDevice, WorkerStep::EnableNtp, WorkerStep::ModifyOnvifDevice }) {
        ASSERT_NE(WorkerTable::function(step), nullptr) << WorkerTable::name(step);
        WorkerTable::function(step)(nullptr); // a null device: nothing
    }
}
