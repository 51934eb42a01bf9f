// Restoring defaults: the VLNet reset record from the recovery page's flags,
// the reading of Reset/Range, the Reset/Set items limited to what a device
// offers, the choice of a factory-reset type, and the workers' statuses and
// requests against a loopback web interface.
#include "LoopbackWeb.h"
#include "StateMachineFixture.h"
#include "operations/RestoreDefaults.h"
#include "operations/WorkerFrame.h"
#include "shell/Utilities.h"

#include <QJsonArray>
#include <cstring>
#include <gtest/gtest.h>

using machine_test::LoopbackWeb;
using machine_test::MachineFixture;
using machine_test::setAddress;
using namespace RestoreDefaults;

namespace
{

// Bytes 4 to 12 of a record.
QByteArray flagBytes(const SdkResetRecord& r)
{
    return QByteArray(reinterpret_cast<const char*>(&r) + 4, 9);
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QByteArray saltReply(const QByteArray& seq = "7")
{
    return R"({"result":"success","data":{"Key_lists":[{"type":"base_salt","key":"c2FsdHNhbHRzYWx0","iter":10,"seq":)"
        + seq + "}]}}";
}

QJsonObject bodyOf(const QByteArray& request)
{
    return jsonFromBytes(request.mid(request.indexOf("\r\n\r\n") + 4));
}

QByteArray pathOf(const QByteArray& request)
{
    const int from = request.indexOf(' ') + 1;
    return request.mid(from, request.indexOf(' ', from) - from);
}

// The reset items of a Reset/Set request: its "data" without the second
// authentication.
QJsonObject itemsOf(const QByteArray& request)
{
    QJsonObject data = bodyOf(request).value("data").toObject();
    data.remove("base_secondary_authentication");
    return data;
}

Offered offer(std::initializer_list<Item> items)
{
    Offered o {};
    for (Item i : items)
        o[i] = 1;
    return o;
}

const char* kAllOffered = R"({"result":"success","data":{"channel":{},"record":{},"event":{},"ai":{},
    "network":{},"except_network_param":{},"device":{},"system":{},"alarm":{},
    "secondary_authentication":true,"storage":null}})";

} // namespace

TEST(RestoreDefaults, TheResetRecordCarriesTheChosenCategories)
{
    EXPECT_EQ(sizeof(SdkResetRecord), 24u);
    const SdkResetRecord all = recordForAll();
    EXPECT_EQ(all.size, 24);
    EXPECT_EQ(flagBytes(all), bytes({ 1, 1, 1, 1, 1, 1, 1, 1, 0 })); // op 3
    const SdkResetRecord keep = recordKeepingNetwork();
    EXPECT_EQ(flagBytes(keep), bytes({ 1, 1, 2, 1, 1, 1, 1, 1, 1 })); // op 29
    for (const SdkResetRecord& r : { all, keep }) {
        for (std::size_t i = 13; i < 24; ++i)
            EXPECT_EQ(reinterpret_cast<const char*>(&r)[i], 0) << i;
    }

    // Op 19: byte 6 from the network, all and except-network flags, in
    // that order of precedence.
    struct Case {
        quint8 network, all, except;
        int mode;
    } cases[] = {
        { 1, 0, 1, 2 },
        { 1, 1, 1, 1 },
        { 1, 1, 0, 1 },
        { 0, 1, 1, 0 },
        { 0, 0, 1, 0 },
        { 1, 0, 0, 0 },
    };
    for (const Case& c : cases) {
        SdkFlags f {};
        f[SdkNetwork] = c.network;
        f[SdkAll] = c.all;
        f[SdkExceptNetwork] = c.except;
        EXPECT_EQ(recordFromFlags(f).network, c.mode) << int(c.network) << int(c.all) << int(c.except);
    }
    // Every other flag to its own byte.
    const std::pair<SdkFlag, int> byteOf[] = { { SdkDisplay, 4 }, { SdkRecord, 5 }, { SdkAlarm, 7 },
        { SdkDevice, 8 }, { SdkSystem, 9 }, { SdkAdvanced, 10 }, { SdkIntelligent, 11 }, { SdkPairing, 12 } };
    for (const auto& [flag, at] : byteOf) {
        SdkFlags f {};
        f[flag] = 1;
        QByteArray want(9, 0);
        want[at - 4] = 1;
        EXPECT_EQ(flagBytes(recordFromFlags(f)), want) << at;
    }
}

TEST(RestoreDefaults, RangeOffersWhatIsThereAndNotNull)
{
    const Offered all = offeredItems(jsonFromBytes(kAllOffered));
    EXPECT_EQ(all,
        offer({ ItemChannel, ItemRecord, ItemEvent, ItemAi, ItemNetwork, ItemExceptNetwork, ItemDevice,
            ItemSystem, ItemAlarm, ItemSecondaryAuth }));
    EXPECT_EQ(
        offeredItems(jsonFromBytes(R"({"data":{"channel":null,"record":false}})")), offer({ ItemRecord }));
    const Offered onlyAuth = offeredItems(jsonFromBytes(R"({"data":{"secondary_authentication":true}})"));
    EXPECT_TRUE(anyOffered(onlyAuth));
    EXPECT_TRUE(itemsFromFlags(WebFlags {}, onlyAuth).isEmpty()); // no item goes out
    EXPECT_FALSE(anyOffered(offeredItems(jsonFromBytes(R"({"data":[1]})"))));
    EXPECT_FALSE(anyOffered(offeredItems(jsonFromBytes(R"({"result":"success"})"))));

    // Factory-reset types: texts in order; anything but an array is none.
    EXPECT_EQ(factoryTypes(jsonFromBytes(R"({"data":{"factory_type":{"items":["a",1,"b",null]}}})")),
        (QList<QByteArray> { "a", "b" }));
    EXPECT_EQ(factoryTypes(jsonFromBytes(R"({"data":{"factory_type":{"items":[]}}})")), QList<QByteArray> {});
    for (const char* none : { R"({"data":{"factory_type":{"items":"a"}}})",
             R"({"data":{"factory_type":["a"]}})", R"({"data":{}})", "{}" })
        EXPECT_FALSE(factoryTypes(jsonFromBytes(none)).has_value()) << none;
}

TEST(RestoreDefaults, TheWebItemsGoOnlyWhereTheDeviceOffersThem)
{
    WebFlags f {};
    f[WebChannel] = f[WebDevice] = f[WebAlarm] = 1;
    const Offered all = offeredItems(jsonFromBytes(kAllOffered));
    EXPECT_EQ(itemsFromFlags(f, all),
        jsonFromBytes(R"({"channel":true,"record":false,"event":false,"ai":false,"network":false,
            "except_network_param":true,"device":true,"system":false,"alarm":true})"));

    // "storage" carries the device flag only when "device" is not offered.
    EXPECT_EQ(itemsFromFlags(f, offer({ ItemStorage })), jsonFromBytes(R"({"storage":true})"));
    EXPECT_EQ(itemsFromFlags(f, offer({ ItemStorage, ItemDevice })), jsonFromBytes(R"({"device":true})"));
    EXPECT_EQ(itemsFromFlags(f, offer({ ItemChannel })), jsonFromBytes(R"({"channel":true})"));

    // "except_network_param": true without the network reset, whatever the
    // radio button said; with it, the button.
    const Offered net = offer({ ItemNetwork, ItemExceptNetwork });
    struct Case {
        quint8 network, except;
        const char* items;
    } cases[] = {
        { 0, 0, R"({"network":false,"except_network_param":true})" },
        { 0, 1, R"({"network":false,"except_network_param":true})" },
        { 1, 0, R"({"network":true,"except_network_param":false})" },
        { 1, 1, R"({"network":true,"except_network_param":true})" },
    };
    for (const Case& c : cases) {
        WebFlags g {};
        g[WebNetwork] = c.network;
        g[WebExceptNetwork] = c.except;
        EXPECT_EQ(itemsFromFlags(g, net), jsonFromBytes(c.items)) << c.items;
    }

    // The automatic upgrade's reset keeps the network, or leaves it alone.
    EXPECT_EQ(itemsKeepingNetwork(all),
        jsonFromBytes(R"({"channel":true,"record":true,"event":true,"ai":true,"network":true,
            "except_network_param":true,"device":true,"system":true,"alarm":true})"));
    EXPECT_EQ(itemsKeepingNetwork(offer({ ItemNetwork, ItemStorage, ItemRecord })),
        jsonFromBytes(R"({"network":false,"storage":true,"record":true})"));
}

TEST(RestoreDefaults, TheLastMatchingFactoryTypeWins)
{
    struct Case {
        int choice;
        QList<QByteArray> types;
        const char* sent;
    } cases[] = {
        { 0, { "restore_to_inactive", "restore_to_inactive_v2" }, "restore_to_inactive_v2" },
        { 0, { "factory_defaults" }, "restore_to_inactive" },
        { 1, { "factory_restore_defaults" }, "factory_restore_defaults" },
        { 1, { "restoreDefaults" }, "restore_defaults" }, // case counts
        { 1, { "defaults_restore", "restore" }, "defaults_restore" },
        { 2, {}, "factory_defaults" },
        { 2, { "restore_defaults", "restore_to_inactive" }, "factory_defaults" },
        { 2, { "factory_a", "x", "factory_b", "y" }, "factory_b" },
        { 3, { "factory_defaults", "restore_to_inactive_v2" }, "restore_to_inactive" },
        { -1, { "restore_to_inactive_v2" }, "restore_to_inactive" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(chooseFactoryType(c.choice, c.types), QByteArray(c.sent)) << c.choice << c.sent;
}

TEST(RestoreDefaults, ResetSetIsTakenUnlessTheDeviceSaysOtherwise)
{
    using WorkerFrame::readReply;
    struct Case {
        bool httpOk;
        const char* body;
        int status;
    } cases[] = {
        { true, R"({"result":"success"})", kTaken },
        { true, "", kTaken }, // the device went down answering
        { true, "<html></html>", kTaken },
        { true, R"({"data":{}})", kTaken },
        { true, R"({"result":"failed"})", kFailed },
        { true, R"({"result":"Success"})", kFailed },
        { true, R"({"result":null})", kFailed },
        { false, R"({"result":"success"})", kFailed },
        { false, "", kFailed },
    };
    for (const Case& c : cases)
        EXPECT_EQ(resetSetStatus(c.httpOk, readReply(c.httpOk, c.body).object), c.status)
            << c.body << c.httpOk;
}

// ---- The workers against a loopback web interface ------------------------------

class RestoreWorker : public ::testing::Test
{
protected:
    void SetUp() override
    {
        f.watch(&DeviceInfo::recoveryPage, "recovery");
        f.watch(&DeviceInfo::autoUpgradePage, "auto");
        f.watch(&DeviceInfo::upgradePage, "upgrade");
        f.device->password = QStringLiteral("Admin_123");
    }

    MachineFixture f;
};

TEST_F(RestoreWorker, TheRequestsOfARecovery)
{
    f.device->operation = DeviceInfo::RestoreDefaults;
    f.device->setFactoryResetItems(0, 1, 1, 1, 1, 0, 0, 0, 0);
    QList<int> statusSeen; // the last status as each request arrived
    LoopbackWeb server(
        { R"({"result":"success","data":{"channel":{},"network":{},"except_network_param":{},"storage":{}}})",
            saltReply(), R"({"result":"success"})" },
        [&](int) { statusSeen << f.device->lastStatus(); });
    setAddress(*f.device, "127.0.0.1", server.port());
    DeviceInfo::restoreDefaults(f.device.get());

    EXPECT_EQ(f.device->status(DeviceInfo::RecoveryFamily), kTaken);
    EXPECT_EQ(statusSeen.value(2), kSending);
    EXPECT_EQ(f.heard, QStringList { "recovery refresh" });
    EXPECT_EQ(f.logouts, 1);

    ASSERT_EQ(server.requests.size(), 3);
    EXPECT_EQ(pathOf(server.requests[0]), QByteArray("/API/Maintenance/Reset/Range"));
    EXPECT_TRUE(server.requests[0].endsWith("\r\n\r\n")); // no body at all
    EXPECT_EQ(pathOf(server.requests[1]), QByteArray("/API/Maintenance/TransKey/Get"));
    EXPECT_EQ(pathOf(server.requests[2]), QByteArray("/API/Maintenance/Reset/Set"));
    EXPECT_EQ(bodyOf(server.requests[2]).value("version").toString(), QStringLiteral("1.0"));
    EXPECT_EQ(bodyOf(server.requests[2])
                  .value("data")
                  .toObject()
                  .value("base_secondary_authentication")
                  .toObject()
                  .value("seq")
                  .toInt(),
        7);
    EXPECT_EQ(itemsOf(server.requests[2]),
        jsonFromBytes(R"({"channel":true,"network":true,"except_network_param":false,"storage":true})"));
}

TEST_F(RestoreWorker, StatusesWhereTheRecoveryStops)
{
    struct Case {
        const char* what;
        int kind;
        QList<QByteArray> bodies;
        int status;
        int requests;
    } cases[] = {
        { "no item offered", 0, { R"({"result":"success","data":{"channel":null}})" }, kNoItems, 1 },
        { "range no JSON", 1, { "<html></html>" }, kNoItems, 1 },
        { "key seq a text", 0, { kAllOffered, saltReply(R"("7")") }, kNoKey, 2 },
        { "key no JSON", 0, { kAllOffered, "" }, kNoKey, 2 },
        { "key no entry", 1, { kAllOffered, R"({"result":"success","data":{"Key_lists":[]}})" }, kNoKey, 2 },
        { "device says failed", 0, { kAllOffered, saltReply(), R"({"result":"failed"})" }, kFailed, 3 },
        { "device went down", 1, { kAllOffered, saltReply(), "" }, kTaken, 3 },
        { "no factory types", 2, { kAllOffered }, kNoFactoryTypes, 1 },
        { "types no array", 2, { R"({"data":{"factory_type":{"items":{}}}})" }, kNoFactoryTypes, 1 },
        { "type key fails", 2, { R"({"data":{"factory_type":{"items":[]}}})", "x" }, kNoKey, 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        f.clearJournals();
        f.device->operation = DeviceInfo::RestoreDefaults;
        f.device->resetKind = c.kind;
        LoopbackWeb server(c.bodies);
        setAddress(*f.device, "127.0.0.1", server.port());
        (c.kind == 2 ? &DeviceInfo::resetDeviceByFactoryType : &DeviceInfo::restoreDefaults)(f.device.get());
        EXPECT_EQ(f.device->status(DeviceInfo::RecoveryFamily), c.status);
        EXPECT_EQ(server.requests.size(), c.requests);
        EXPECT_EQ(f.heard, QStringList { "recovery refresh" });
        EXPECT_EQ(f.logouts, 1);
    }
}

TEST_F(RestoreWorker, AFactoryResetSendsTheChosenTypeAlone)
{
    f.device->operation = DeviceInfo::RestoreDefaults;
    f.device->setInactiveResetParams(0);
    f.device->factoryTypes = { "restore_to_inactive" }; // an earlier answer
    LoopbackWeb server({ R"({"result":"success","data":{"channel":{},"factory_type":{"items":
        ["restore_defaults","restore_to_inactive_v2"]}}})",
        saltReply(), R"({"result":"success"})" });
    setAddress(*f.device, "127.0.0.1", server.port());
    DeviceInfo::resetDeviceByFactoryType(f.device.get());
    EXPECT_EQ(f.device->status(DeviceInfo::RecoveryFamily), kTaken);
    ASSERT_EQ(server.requests.size(), 3);
    EXPECT_EQ(itemsOf(server.requests[2]), jsonFromBytes(R"({"factory_type":"restore_to_inactive_v2"})"));
    EXPECT_EQ(f.device->factoryTypes,
        (QList<QByteArray> { "restore_to_inactive", "restore_defaults", "restore_to_inactive_v2" }));
}

TEST_F(RestoreWorker, TheAutomaticUpgradesResetKeepsTheNetworkAndDropsTheDevice)
{
    f.device->operation = DeviceInfo::AutoRestore;
    // An earlier answer stands when Reset/Range fails now.
    f.device->offeredResetItems = offer({ ItemNetwork, ItemExceptNetwork, ItemRecord });
    LoopbackWeb server({ "not json", saltReply(), R"({"result":"success"})" });
    setAddress(*f.device, "127.0.0.1", server.port());
    DeviceInfo::restoreDefaultsKeepNetwork(f.device.get());
    EXPECT_EQ(f.device->status(DeviceInfo::AutoUpgradeFamily), kTaken);
    ASSERT_EQ(server.requests.size(), 3);
    EXPECT_EQ(itemsOf(server.requests[2]),
        jsonFromBytes(R"({"network":true,"except_network_param":true,"record":true})"));
    EXPECT_EQ(f.heard, QStringList { "auto remove" });
    EXPECT_EQ(f.logouts, 1);

    // No key: 29, and the page drops the device all the same.
    f.clearJournals();
    LoopbackWeb noKey({ kAllOffered, "" });
    setAddress(*f.device, "127.0.0.1", noKey.port());
    DeviceInfo::restoreDefaultsKeepNetwork(f.device.get());
    EXPECT_EQ(f.device->status(DeviceInfo::AutoUpgradeFamily), kNoKey);
    EXPECT_EQ(noKey.requests.size(), 2);
    EXPECT_EQ(f.heard, QStringList { "auto remove" });
}

TEST(RestoreDefaultsVlnet, TheWorkersOverVlnet)
{
    ShellTestOptions o;
    o.curpro = 1;
    MachineFixture f(o);
    f.watch(&DeviceInfo::recoveryPage, "recovery");
    f.watch(&DeviceInfo::autoUpgradePage, "auto");
    f.watch(&DeviceInfo::upgradePage, "upgrade");
    // No connection: VLNet refuses the record.
    f.device->connectionHandle = 0;

    f.device->operation = DeviceInfo::RestoreDefaults;
    f.device->setInactiveResetParams(1);
    DeviceInfo::resetDeviceByFactoryType(f.device.get());
    EXPECT_EQ(f.device->status(DeviceInfo::RecoveryFamily), kFailed);
    EXPECT_EQ(f.heard, QStringList { "recovery refresh" });

    f.clearJournals();
    f.device->operation = DeviceInfo::SdkDefault;
    DeviceInfo::restoreDefaultsBySdk(f.device.get());
    EXPECT_EQ(f.device->lastStatus(), kFailed);
    EXPECT_EQ(f.heard, QStringList { "upgrade refresh" });
    EXPECT_EQ(f.logouts, 1);

    f.clearJournals();
    f.device->operation = DeviceInfo::AutoRestore;
    DeviceInfo::restoreDefaultsKeepNetwork(f.device.get());
    EXPECT_EQ(f.device->status(DeviceInfo::AutoUpgradeFamily), kFailed);
    EXPECT_EQ(f.heard, QStringList { "auto remove" });

    // The queries ask nothing where the web interface is not in use.
    EXPECT_FALSE(f.device->queryResetItems());
    EXPECT_FALSE(f.device->queryResetFactoryTypes());

    // Null devices: nothing.
    DeviceInfo::restoreDefaultsBySdk(nullptr);
    DeviceInfo::restoreDefaults(nullptr);
    DeviceInfo::resetDeviceByFactoryType(nullptr);
    DeviceInfo::restoreDefaultsKeepNetwork(nullptr);
}

TEST(RestoreDefaultsVlnet, EditionsOnTheWebInterfaceAskTheDeviceAllTheSame)
{
    for (int edition : { 40, 43, 44 }) {
        SCOPED_TRACE(edition);
        ShellTestOptions o;
        o.curpro = 1;
        o.edition = edition;
        MachineFixture f(o);
        LoopbackWeb server({ R"({"data":{"record":{},"factory_type":{"items":["x"]}}})",
            R"({"data":{"record":{},"factory_type":{"items":["x"]}}})" });
        setAddress(*f.device, "127.0.0.1", server.port());
        EXPECT_TRUE(f.device->queryResetItems());
        EXPECT_TRUE(f.device->queryResetFactoryTypes());
        EXPECT_EQ(f.device->factoryTypes, QList<QByteArray> { "x" });
    }
}
