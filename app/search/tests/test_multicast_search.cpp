// The multicast search as the program asks for it and reads its answers:
// the requests of each edition, and every conversion of an answer into a
// search record, with what is not a device kept apart from the end.
#include "devices/DeviceTexts.h"
#include "multicast/operations.h"
#include "search/MulticastSearch.h"
#include "shell/edition/EditionProfile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace
{

using Kind = MulticastAnswer::Kind;

MulticastAnswer parse(const std::string& text)
{
    return parseMulticastAnswer(text.c_str());
}

// An answer holding one key.
MulticastAnswer withKey(const char* key, const QJsonValue& value)
{
    QJsonObject o;
    o.insert(QLatin1String(key), value);
    return parse(QJsonDocument(o).toJson().toStdString());
}

QJsonObject requestObject(const QByteArray& text)
{
    return QJsonDocument::fromJson(text).object();
}

} // namespace

TEST(MulticastSearchRequest, EditionsFilterByTheirMakers)
{
    struct Case {
        int edition;
        QStringList codes; // of the first request; empty: no filter
        int requests;
    };
    const Case cases[] = {
        { 0, {}, 1 },
        { 5, {}, 1 },
        { 28, { "ALD" }, 1 },
        { 43, { "HLX", "JVN", "KST" }, 1 },
        { 44, { "HLX", "JVN", "KST" }, 1 },
        { 11, { "CNX" }, 1 },
        { 53, { "DLT" }, 1 },
        { 56, { "EKO" }, 1 },
        { 42, { "FNX", "IRS" }, 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edition);
        const QVector<QByteArray> requests = multicastSearchRequests(EditionProfile::of(c.edition));
        ASSERT_EQ(requests.size(), c.requests);
        const QJsonObject first = requestObject(requests[0]);
        EXPECT_EQ(first.value("delay").toInt(), 200);
        EXPECT_EQ(first.value("timeout").toInt(), 3000);
        if (c.codes.isEmpty()) {
            EXPECT_EQ(first.keys(), (QStringList { "delay", "timeout" }));
        } else {
            EXPECT_EQ(first.value("must understand"), QJsonValue(true));
            EXPECT_EQ(first.value("manufactures").toArray().toVariantList(), QVariant(c.codes).toList());
            // Each code names a maker the wrapper knows, so the filter
            // reaches devices.
            for (const QString& code : c.codes) {
                const std::string id = vlsdk::map_manufacturer(code.toStdString());
                EXPECT_NE(id, code.toStdString()) << code.toStdString();
                EXPECT_FALSE(id.empty()) << code.toStdString();
            }
        }
        if (c.requests == 2) {
            EXPECT_EQ(requestObject(requests[1]).keys(), (QStringList { "delay", "timeout" }));
        }
    }
}

TEST(MulticastAnswer, ADeviceFillsItsRecord)
{
    // Styled, as the wrapper writes it.
    const std::string text = R"({
	"activated" : true,
	"analog num" : 4,
	"channel num" : 16,
	"dev data" : "2023-7-5",
	"dev enc" : "a2V5",
	"dev id" : "ZGV2aWQ=",
	"dev name" : "Lobby",
	"dev type" : "IPC-4M",
	"dev_limit" : { "wired_dns1" : true },
	"dhcp" : "static",
	"ipv6" : "fe80::1",
	"mac" : "AA:BB:CC:00:11:22",
	"manufacture" : "309",
	"media port" : 9000,
	"p2pid" : "P2P123",
	"rtsp port" : 554,
	"serial number" : "SN42",
	"software" : "V1.2.3",
	"sys channel num" : 8,
	"web port" : 80,
	"wired dns1" : "8.8.8.8",
	"wired dns2" : "8.8.4.4",
	"wired gateway" : "192.168.1.1",
	"wired ip" : "192.168.1.64",
	"wired mask" : "255.255.255.0"
})";
    const MulticastAnswer a = parse(text);
    ASSERT_EQ(a.kind, Kind::Device);
    const SearchDevRsp& r = a.record;
    EXPECT_EQ(recordText(r.sdk.ip), QStringLiteral("192.168.1.64"));
    EXPECT_EQ(recordText(r.sdk.netmask), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(recordText(r.sdk.gateway), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(recordText(r.sdk.dns1), QStringLiteral("8.8.8.8"));
    EXPECT_EQ(recordText(r.sdk.dns2), QStringLiteral("8.8.4.4"));
    EXPECT_EQ(recordText(r.sdk.mac_addr), QStringLiteral("AA:BB:CC:00:11:22"));
    EXPECT_EQ(recordText(r.sdk.device_name), QStringLiteral("Lobby"));
    EXPECT_EQ(recordText(r.sdk.device_type), QStringLiteral("IPC-4M"));
    EXPECT_EQ(recordText(r.sdk.device_version), QStringLiteral("V1.2.3"));
    EXPECT_EQ(recordText(r.sdk.p2p_id), QStringLiteral("P2P123"));
    EXPECT_EQ(recordText(r.sdk.manufacture), QStringLiteral("309"));
    EXPECT_EQ(recordText(r.sdk.serialnum), QStringLiteral("SN42"));
    EXPECT_EQ(recordText(r.devId), QStringLiteral("ZGV2aWQ="));
    EXPECT_EQ(recordText(r.devEnc), QStringLiteral("a2V5"));
    EXPECT_EQ(recordText(r.ipv6Text), QStringLiteral("fe80::1"));
    EXPECT_EQ(r.sdk.media_port, 9000u);
    EXPECT_EQ(r.sdk.web_port, 80u);
    EXPECT_EQ(r.sdk.rtsp_port, 554);
    EXPECT_EQ(r.sdk.channel_number, 16u);
    EXPECT_EQ(r.sdk.sys_channel_num, 8u);
    EXPECT_EQ(r.analogChannelCount, 4);
    EXPECT_EQ(r.sdk.analog_channel_num, 0) << "the multicast count has its own field";
    EXPECT_EQ(r.sdk.network_mode, 2);
    EXPECT_EQ(r.sdk.is_first_login, 0);
    EXPECT_EQ(r.sdk.system_time.year, 2023);
    EXPECT_EQ(r.sdk.system_time.month, 7);
    EXPECT_EQ(r.sdk.system_time.day, 5);
    EXPECT_EQ(QJsonDocument::fromJson(a.limits).object().value("wired_dns1"), QJsonValue(true));
}

TEST(MulticastAnswer, MissingKeysReadAsZeroAndEmpty)
{
    const MulticastAnswer a = parse("{}");
    ASSERT_EQ(a.kind, Kind::Device);
    SearchDevRsp expected {};
    expected.sdk.is_first_login = 1; // "activated" missing: not activated
    expected.sdk.network_mode = 5; // "dhcp" missing: other
    EXPECT_EQ(std::memcmp(&a.record, &expected, sizeof expected), 0);
    EXPECT_TRUE(a.limits.isEmpty());
    EXPECT_TRUE(recordText(a.record.sdk.mac_addr).isEmpty());
}

TEST(MulticastAnswer, NetworkModeFromDhcp)
{
    struct Case {
        QJsonValue dhcp;
        int mode;
    };
    const Case cases[] = { { "static", 2 }, { "dhcp", 0 }, { "pppoe", 1 }, { "3g", 3 }, { "wifi", 4 },
        { "DHCP", 5 }, { "", 5 }, { "Static ", 5 }, { 0, 5 }, { QJsonValue::Null, 5 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(QJsonDocument(QJsonArray { c.dhcp }).toJson().toStdString());
        EXPECT_EQ(withKey("dhcp", c.dhcp).record.sdk.network_mode, c.mode);
    }
}

TEST(MulticastAnswer, DateFromDevData)
{
    struct Case {
        const char* text;
        int year;
        int month;
        int day;
    };
    const Case cases[] = {
        { "2023-7-5", 2023, 7, 5 }, { "2023-07-05", 2023, 7, 5 }, { " 2023-7-5 12:00", 2023, 7, 5 },
        { "70000-300-260", 4464, 44, 4 }, // low bits
        { "2023/07/05", 0, 0, 0 }, { "2023-7", 0, 0, 0 }, { "", 0, 0, 0 }, { "-", 0, 0, 0 },
        { "99999999999999999999999-1-1", -1, 1, 1 }, // only the low 16 bits of the year
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const VLNET_TIME& t = withKey("dev data", QString::fromLatin1(c.text)).record.sdk.system_time;
        if (c.year >= 0) {
            EXPECT_EQ(t.year, c.year);
        }
        EXPECT_EQ(t.month, c.month);
        EXPECT_EQ(t.day, c.day);
    }
}

TEST(MulticastAnswer, ActivatedIsInverted)
{
    EXPECT_EQ(withKey("activated", true).record.sdk.is_first_login, 0);
    EXPECT_EQ(withKey("activated", false).record.sdk.is_first_login, 1);
    EXPECT_EQ(withKey("activated", "true").record.sdk.is_first_login, 1);
    EXPECT_EQ(withKey("activated", 1).record.sdk.is_first_login, 1);
    EXPECT_EQ(withKey("other", true).record.sdk.is_first_login, 1);
}

TEST(MulticastAnswer, NumbersAre32BitAndTheRtspPortItsLow16Bits)
{
    EXPECT_EQ(withKey("rtsp port", 70000).record.sdk.rtsp_port, 4464);
    EXPECT_EQ(withKey("rtsp port", 554).record.sdk.rtsp_port, 554);
    EXPECT_EQ(withKey("rtsp port", "554").record.sdk.rtsp_port, 0);
    EXPECT_EQ(withKey("web port", 4294967295.0).record.sdk.web_port, 0xFFFFFFFFu);
    EXPECT_EQ(withKey("analog num", -2).record.analogChannelCount, -2);
    EXPECT_EQ(withKey("channel num", 1e300).record.sdk.channel_number, 0u);
    EXPECT_EQ(withKey("media port", true).record.sdk.media_port, 0u);
}

TEST(MulticastAnswer, LongTextsFillTheirFieldAndNoMore)
{
    const MulticastAnswer name = withKey("dev name", QString(40, QLatin1Char('n')));
    EXPECT_EQ(std::string(name.record.sdk.device_name, 36), std::string(36, 'n'));
    EXPECT_EQ(name.record.sdk.mac_addr[0], '\0') << "the next field stays untouched";
    EXPECT_EQ(recordText(name.record.sdk.device_name), QString(36, QLatin1Char('n')));

    const MulticastAnswer type = withKey("dev type", QString(30, QLatin1Char('t')));
    EXPECT_EQ(recordText(type.record.sdk.device_type), QString(28, QLatin1Char('t')));
    EXPECT_EQ(type.record.sdk.dev_type_l, 0u);

    const MulticastAnswer ip = withKey("wired ip", QStringLiteral("192.168.100.200.extra"));
    EXPECT_EQ(recordText(ip.record.sdk.ip), QStringLiteral("192.168.100.200."));
    EXPECT_EQ(ip.record.sdk.host_name[0], '\0');
}

TEST(MulticastAnswer, WhatIsNoDeviceIsKeptApartFromTheEnd)
{
    EXPECT_EQ(parseMulticastAnswer(nullptr).kind, Kind::End);
    for (const char* text : { "", "not json", "{\"mac\":", "[1,2]", "42", "null" }) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parse(text).kind, Kind::Unreadable);
    }

    const MulticastAnswer error
        = parse(R"({"info" : "No such device", "msg" : "Failed to join V4 multicast group"})");
    EXPECT_EQ(error.kind, Kind::Error);
    EXPECT_EQ(error.error, QStringLiteral("Failed to join V4 multicast group: No such device"));

    // A device object that happens to carry "msg" is still a device.
    EXPECT_EQ(parse(R"({"msg" : "x", "mac" : "aa:bb:cc:00:11:22"})").kind, Kind::Device);
}

TEST(MulticastAnswer, LimitsOnlyFromAnObject)
{
    EXPECT_TRUE(withKey("dev_limit", "wired_dns1").limits.isEmpty());
    EXPECT_TRUE(withKey("dev_limit", QJsonArray { 1 }).limits.isEmpty());
    EXPECT_EQ(withKey("dev_limit", QJsonObject()).limits, QByteArray("{}"));
}
