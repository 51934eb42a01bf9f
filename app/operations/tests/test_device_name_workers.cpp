// Operations 23 to 25: the new name and type (the record of message 700 with
// its 31-byte UTF-8 cut, the web body, the transport by edition and
// protocol), the developer switches' query, and the Set that sends nothing;
// the web requests on a loopback web interface.
#include "LoopbackWeb.h"
#include "StateMachineFixture.h"
#include "devices/DeviceTexts.h"
#include "operations/DeviceNameWorkers.h"
#include "operations/WorkerTable.h"
#include "shell/Utilities.h"

#include <cstring>
#include <gtest/gtest.h>

using machine_test::LoopbackWeb;
using machine_test::MachineFixture;
using machine_test::setAddress;
using namespace DeviceNameRequests;

namespace
{

QByteArray field(const QByteArray& record, int offset)
{
    return record.mid(offset, VLNET_DEVICE_INFO_TEXT_SIZE);
}

quint32 word(const QByteArray& record, int offset)
{
    quint32 w = 0;
    std::memcpy(&w, record.constData() + offset, sizeof w);
    return w;
}

QByteArray padded(const QByteArray& text)
{
    return text + QByteArray(VLNET_DEVICE_INFO_TEXT_SIZE - text.size(), '\0');
}

QJsonObject bodyOf(const QByteArray& request)
{
    return jsonFromBytes(request.mid(request.indexOf("\r\n\r\n") + 4));
}

ShellTestOptions edition(int customer, int protocol)
{
    ShellTestOptions o;
    o.edition = customer;
    o.curpro = protocol;
    return o;
}

} // namespace

TEST(DeviceNameRequests, TextsAreCutWithinThirtyOneBytesAtACharacterBoundary)
{
    const QByteArray forty(40, 'n');
    const QByteArray e = QByteArray(30, 'a') + "\xC3\xA9" + "z"; // é straddles byte 31
    const QByteArray three = QByteArray(29, 'b') + "\xE2\x82\xAC"; // € at bytes 29..31
    const QByteArray four = QByteArray(28, 'c') + "\xF0\x9F\x98\x80"; // a 4-byte one fits exactly
    struct Case {
        QByteArray in;
        QByteArray out;
    };
    const Case cases[] = {
        { forty, QByteArray(31, 'n') },
        { e, QByteArray(30, 'a') },
        { three, QByteArray(29, 'b') },
        { four, four.left(28) },
        { four.mid(1), four.mid(1) }, // 27 bytes and the 4-byte one: 31, whole
        { "short", "short" },
        { QByteArray(31, 'x'), QByteArray(31, 'x') },
        { QByteArray(), QByteArray() },
    };
    for (const Case& c : cases) {
        const QByteArray cut = cutUtf8(c.in, kRecordTextMax);
        EXPECT_EQ(cut, c.out) << c.in.toHex().toStdString();
        EXPECT_LE(cut.size(), 31);
        EXPECT_TRUE(QString::fromUtf8(cut).toUtf8() == cut) << "a whole character at the end";
    }
}

TEST(DeviceNameRequests, TheRecordCarriesOnlyTheGivenTextsAndTheirFlags)
{
    struct Case {
        QByteArray name;
        QByteArray type;
        quint32 flags;
    };
    const Case cases[] = {
        { "Door", "IPC-7", 0x30 },
        { "", "IPC-7", 0x10 },
        { "Door", "", 0x20 },
        { "", "", 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        const QByteArray r = deviceInfoRecord(c.name, c.type);
        ASSERT_EQ(r.size(), 1032);
        EXPECT_EQ(word(r, 0), 1032u);
        EXPECT_EQ(word(r, 4), c.flags);
        EXPECT_EQ(field(r, 136), padded(c.type));
        EXPECT_EQ(field(r, 168), padded(c.name));
        // Every other byte zero.
        QByteArray rest = r;
        rest.replace(0, 8, QByteArray(8, '\0'));
        rest.replace(136, 64, QByteArray(64, '\0'));
        EXPECT_EQ(rest, QByteArray(1032, '\0'));
    }

    // A long type stays out of the name's field, a long name out of what
    // follows it (the custom type and function code).
    const QByteArray longType = QByteArray(30, 't') + "\xC3\xA9" + QByteArray(10, 'T');
    const QByteArray r = deviceInfoRecord(QByteArray(40, 'n'), longType);
    EXPECT_EQ(field(r, 136), padded(QByteArray(30, 't')));
    EXPECT_EQ(field(r, 168), padded(QByteArray(31, 'n')));
    EXPECT_EQ(r.mid(200), QByteArray(1032 - 200, '\0'));
}

TEST(DeviceNameRequests, TheWebBodyAndTheDeveloperQuery)
{
    EXPECT_EQ(nameAndTypeBody("Door", "IPC-7"),
        QByteArray(R"({"data":{"device_name":"Door","device_type":"IPC-7"},"version":"1.0"})"));
    EXPECT_EQ(
        nameAndTypeBody("", "IPC-7"), QByteArray(R"({"data":{"device_type":"IPC-7"},"version":"1.0"})"));
    EXPECT_EQ(nameAndTypeBody("", ""), QByteArray(R"({"version":"1.0"})"));

    EXPECT_EQ(developerModeBody("true"), QByteArray(R"({"data":"","version":"1.0"})"));
    for (const char* other : { "false", "True", "", "true " })
        EXPECT_EQ(developerModeBody(QString::fromLatin1(other)), QByteArray(R"({"version":"1.0"})")) << other;
}

TEST(DeviceNameRequests, NameAndTypeHaveTheirOwnTransport)
{
    struct Case {
        int customer;
        int protocol;
        bool web;
    };
    const Case cases[] = {
        { 28, 1, true },
        { 0, 1, true },
        { 29, 1, true },
        { 40, 1, true },
        { 60, 1, true },
        { 67, 1, true },
        { 43, 1, false }, // the web-only editions send these over VLNet
        { 44, 1, false },
        { 59, 1, false },
        { 43, 0, true },
        { 5, 0, true },
        { 5, 1, false },
    };
    for (const Case& c : cases) {
        ShellTestEnv env(edition(c.customer, c.protocol));
        EXPECT_EQ(nameAndTypeOverWeb(), c.web) << c.customer << " " << c.protocol;
    }
}

TEST(DeviceNameWorkers, NameAndTypeOverTheWebWithTheDevicesCredentials)
{
    MachineFixture f(edition(28, 1));
    f.watch(&DeviceInfo::changeDevicePage, "change");
    struct Case {
        QByteArray reply;
        int status;
    };
    const Case cases[] = {
        { R"({"result":"success","data":{}})", 41 },
        { R"({"result":"Success"})", 39 },
        { R"({"result":1})", 39 }, // a result that is no text
        { "<html>no</html>", 40 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply.toStdString());
        f.clearJournals();
        LoopbackWeb web({ c.reply, c.reply });
        setAddress(*f.device, "127.0.0.1", web.port());
        f.device->cookie = "sid=1";
        f.device->operation = DeviceInfo::ChangeDevice;
        f.device->setNameTypeParams("admin", "Pass_123", "", QStringLiteral("IPC-7"));
        DeviceInfo::setDeviceNameAndType(f.device.get());
        EXPECT_EQ(f.device->status(DeviceInfo::ChangeDeviceFamily), c.status);
        EXPECT_EQ(f.heard, QStringList { "change refresh" });
        EXPECT_EQ(f.logouts, 1);
        // With Digest credentials the client first sends an empty request
        // for the challenge; this device asks for none, so the body follows.
        ASSERT_EQ(web.requests.size(), 2);
        EXPECT_TRUE(web.requests[0].contains("Content-Length: 0\r\n"));
        EXPECT_TRUE(web.requests[1].startsWith("POST /API/Maintenance/Customfactory/Set HTTP/1.1\r\n"));
        EXPECT_EQ(jsonToBytes(bodyOf(web.requests[1])),
            QByteArray(R"({"data":{"device_type":"IPC-7"},"version":"1.0"})"));
    }
}

TEST(DeviceNameWorkers, NameAndTypeOverVlnetFailWithoutAConnection)
{
    // Customer 43 on the VLNet setting: the record goes to VLNet, which has
    // no connection here (the lab test sends it to a device).
    MachineFixture f(edition(43, 1));
    f.watch(&DeviceInfo::changeDevicePage, "change");
    f.device->operation = DeviceInfo::ChangeDevice;
    f.device->setNameTypeParams("admin", "Pass_123", "Door", "");
    DeviceInfo::setDeviceNameAndType(f.device.get());
    EXPECT_EQ(f.device->status(DeviceInfo::ChangeDeviceFamily), 39);
    EXPECT_EQ(f.heard, QStringList { "change refresh" });
    DeviceInfo::setDeviceNameAndType(nullptr); // nothing
}

TEST(DeviceNameWorkers, TheDeveloperQueryReadsBothSwitchesAsTexts)
{
    MachineFixture f(edition(43, 1)); // web only
    f.watch(&DeviceInfo::developerPage, "developer");
    struct Case {
        const char* before;
        QByteArray reply;
        int status;
        const char* telnet;
        const char* disk;
        bool sendsData;
    };
    const Case cases[] = {
        { "true", R"({"result":"success","data":{"telnet_switch":"false","export_disk_switch":"true"}})", 46,
            "false", "true", true },
        { "", R"({"result":"success","data":{"telnet_switch":"true","export_disk_switch":"false"}})", 46,
            "true", "false", false },
        // Members of another type count as missing.
        { "x", R"({"result":"success","data":{"telnet_switch":true,"export_disk_switch":1}})", 46, "", "",
            false },
        { "true", R"({"result":"success","data":"none"})", 46, "", "", true },
        { "keep", R"({"result":"fail","data":{"telnet_switch":"true"}})", 44, "keep", "keep", false },
        { "keep", "", 45, "keep", "keep", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply.toStdString());
        f.clearJournals();
        LoopbackWeb web({ c.reply });
        setAddress(*f.device, "127.0.0.1", web.port());
        f.device->operation = DeviceInfo::GetDevMode;
        f.device->telnetSwitch = QLatin1String(c.before);
        f.device->exportDiskSwitch = QLatin1String(c.before);
        DeviceInfo::getDeveloperMode(f.device.get());
        EXPECT_EQ(f.device->lastStatus(), c.status);
        EXPECT_EQ(f.device->telnetSwitch, QLatin1String(c.telnet));
        EXPECT_EQ(f.device->exportDiskSwitch, QLatin1String(c.disk));
        EXPECT_EQ(f.heard, QStringList { "developer refresh" });
        EXPECT_EQ(f.logouts, 1);
        ASSERT_EQ(web.requests.size(), 1);
        EXPECT_TRUE(web.requests[0].startsWith("POST /API/Maintenance/DeveloperMode/Get HTTP/1.1\r\n"));
        EXPECT_EQ(bodyOf(web.requests[0]).contains("data"), c.sendsData);
    }
}

TEST(DeviceNameWorkers, OnVlnetTheQuerySendsNothingAndTheSetNeverDoes)
{
    MachineFixture f(edition(0, 1));
    f.watch(&DeviceInfo::developerPage, "developer");
    f.device->operation = DeviceInfo::GetDevMode;
    f.device->storeStatus(47);
    f.device->telnetSwitch = "true";
    DeviceInfo::getDeveloperMode(f.device.get());
    EXPECT_EQ(f.device->lastStatus(), 47);
    EXPECT_EQ(f.device->telnetSwitch, QStringLiteral("true"));
    EXPECT_EQ(f.heard, QStringList { "developer refresh" });
    EXPECT_EQ(f.logouts, 1);

    f.clearJournals();
    f.device->operation = DeviceInfo::SetDevMode;
    f.device->storeStatus(51);
    DeviceInfo::setDeveloperMode(f.device.get());
    EXPECT_EQ(f.device->lastStatus(), 51);
    EXPECT_EQ(f.heard, QStringList { "developer refresh" });
    EXPECT_EQ(f.logouts, 1);
}

TEST(DeviceNameWorkers, TheTableHoldsTheThreeWorkers)
{
    WorkerTable::reset();
    EXPECT_EQ(WorkerTable::function(WorkerStep::SetDeviceNameAndType), &DeviceInfo::setDeviceNameAndType);
    EXPECT_EQ(WorkerTable::function(WorkerStep::GetDeveloperMode), &DeviceInfo::getDeveloperMode);
    EXPECT_EQ(WorkerTable::function(WorkerStep::SetDeveloperMode), &DeviceInfo::setDeveloperMode);
    for (WorkerStep step : { WorkerStep::SendSetVideoFormatRequest, WorkerStep::RequestFactoryResetTransKey,
             WorkerStep::SendFirstLoginTransKeyRequest })
        EXPECT_NE(WorkerTable::function(step), nullptr) << WorkerTable::name(step);
}
