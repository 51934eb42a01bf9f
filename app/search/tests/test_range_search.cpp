// The IP-range search without widgets: the answers of VLSDKWrapper's search
// read into search records, the order of found devices, the transport and
// request chosen by edition and protocol, VLNet's start record, and the list
// that callback threads fill.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "search/IpOrder.h"
#include "search/RangeSearch.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace
{

ShellTestEnv::Options edition(int e, int protocol)
{
    ShellTestEnv::Options o;
    o.edition = e;
    o.curpro = protocol;
    return o;
}

int VLNET_CALL ignore(const VLNET_SEARCH_DEV_RSP*, void*)
{
    return 1;
}

SearchDevRsp read(const char* json)
{
    SearchDevRsp r;
    std::memset(&r, 0xAB, sizeof r);
    EXPECT_TRUE(RangeSearch::recordFromJson(json, r)) << json;
    return r;
}

} // namespace

TEST(RangeSearchAnswer, EveryKeyFillsItsField)
{
    const SearchDevRsp r = read(R"({
        "ip": "192.168.1.20", "host name": "host", "netmask": "255.255.255.0", "gateway": "192.168.1.1",
        "dns1": "8.8.8.8", "dns2": "8.8.4.4", "media port": 9000, "web port": 8080, "network mode": "dhcp",
        "device type": "IPC-200", "device type ull": 18446744073709551615, "device version": "V2.4.1",
        "device id": 77, "device name": "Gate", "mac addr": "00:12:34:56:78:9A", "channel number": 16,
        "version": 258, "net interface": 3, "p2p id": "P2P0001", "manufacture": "Maker",
        "rtsp port": 70000, "is first login": 1, "input pin count": 4, "output pin count": 2,
        "support two way talk": 1, "sys_channel_num": 64, "analogy channel number": 8,
        "serialnum": "ignored", "system time": "2024-01-01 00:00:00"
    })");
    const VLNET_SEARCH_DEV_RSP& s = r.sdk;
    EXPECT_EQ(recordText(s.ip), "192.168.1.20");
    EXPECT_EQ(recordText(s.host_name), "host");
    EXPECT_EQ(recordText(s.netmask), "255.255.255.0");
    EXPECT_EQ(recordText(s.gateway), "192.168.1.1");
    EXPECT_EQ(recordText(s.dns1), "8.8.8.8");
    EXPECT_EQ(recordText(s.dns2), "8.8.4.4");
    EXPECT_EQ(s.media_port, 9000u);
    EXPECT_EQ(s.web_port, 8080u);
    EXPECT_EQ(s.network_mode, 0);
    EXPECT_EQ(recordText(s.device_type), "IPC-200");
    EXPECT_EQ(s.dev_type_l, 0xFFFFFFFFu) << "all 64 bits";
    EXPECT_EQ(s.dev_type_h, 0xFFFFFFFFu);
    EXPECT_EQ(recordText(s.device_version), "V2.4.1");
    EXPECT_EQ(s.device_id, 77u);
    EXPECT_EQ(recordText(s.device_name), "Gate");
    EXPECT_EQ(recordText(s.mac_addr), "00:12:34:56:78:9A");
    EXPECT_EQ(s.channel_number, 16u);
    EXPECT_EQ(s.version, 2) << "the low byte of 258";
    EXPECT_EQ(s.net_interface, 3);
    EXPECT_EQ(recordText(s.p2p_id), "P2P0001");
    EXPECT_EQ(recordText(s.manufacture), "Maker");
    EXPECT_EQ(s.rtsp_port, 4464) << "the low 16 bits of 70000";
    EXPECT_EQ(s.is_first_login, 1);
    EXPECT_EQ(s.input_pin_count, 4);
    EXPECT_EQ(s.output_pin_count, 2);
    EXPECT_EQ(s.support_two_way_talk, 1);
    EXPECT_EQ(s.sys_channel_num, 64u);
    EXPECT_EQ(r.analogChannelCount, 8);
    EXPECT_EQ(recordText(s.serialnum), "") << "keys outside the table are ignored";
    EXPECT_EQ(s.system_time.year, 0);
    EXPECT_EQ(recordText(r.devId), "");
}

TEST(RangeSearchAnswer, ConversionsMissingKeysAndWrongTypes)
{
    struct Case {
        const char* json;
        int networkMode;
        unsigned mediaPort;
        std::uint64_t typeWord;
        const char* name;
    } cases[] = {
        { R"({"network mode": "static"})", 2, 0, 0, "" },
        { R"({"network mode": "pppoe"})", 1, 0, 0, "" },
        { R"({"network mode": "3g"})", 3, 0, 0, "" },
        { R"({"network mode": "wifi"})", 4, 0, 0, "" },
        { R"({"network mode": "unknown"})", 5, 0, 0, "" },
        { R"({"network mode": ""})", 5, 0, 0, "" },
        // Members of a wrong type read as absent: 0 or the empty text.
        { R"({"network mode": 2, "media port": "9000", "device name": 12})", 0, 0, 0, "" },
        { R"({"media port": [1], "device name": {"a": 1}, "device type ull": "5"})", 0, 0, 0, "" },
        { R"({"media port": 1.5, "device name": null, "device type ull": -1})", 0, 0, ~std::uint64_t(0), "" },
        { R"({"media port": 4294967297, "device type ull": 4294967296})", 0, 1, std::uint64_t(1) << 32, "" },
        { R"({})", 0, 0, 0, "" },
        // Texts are cut to their field (36 bytes for a name), at a whole
        // UTF-8 sequence.
        { R"({"device name": "abcdefghijklmnopqrstuvwxyz0123456789TOO LONG"})", 0, 0, 0,
            "abcdefghijklmnopqrstuvwxyz0123456789" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        const SearchDevRsp r = read(c.json);
        EXPECT_EQ(r.sdk.network_mode, c.networkMode);
        EXPECT_EQ(r.sdk.media_port, c.mediaPort);
        EXPECT_EQ((std::uint64_t(r.sdk.dev_type_h) << 32) | r.sdk.dev_type_l, c.typeWord);
        EXPECT_EQ(recordText(r.sdk.device_name), QString::fromUtf8(c.name));
        EXPECT_EQ(r.sdk.rtsp_port, 0);
        EXPECT_EQ(r.analogChannelCount, 0);
    }

    SearchDevRsp untouched;
    std::memset(&untouched, 0x5A, sizeof untouched);
    for (const char* bad : { "", "{", "[1,2]", "\"text\"", "12", "null", "{\"ip\": }" }) {
        EXPECT_FALSE(RangeSearch::recordFromJson(bad, untouched)) << bad;
    }
    EXPECT_FALSE(RangeSearch::recordFromJson(nullptr, untouched));
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&untouched)[0], 0x5A);
}

// The analogue count reaches the device record, which keeps only the VLNet
// part of a search record.
TEST(RangeSearchAnswer, TheDeviceRecordKeepsTheAnswer)
{
    ShellTestEnv env;
    const SearchDevRsp r = read(R"({"ip": "10.0.0.5", "web port": 81, "analogy channel number": 4})");
    DeviceInfo d;
    d.setSearchResult(&r, QByteArray(), false);
    EXPECT_EQ(d.ip(), "10.0.0.5");
    EXPECT_EQ(d.webPort(), 81);
    EXPECT_EQ(d.searchRecord.analogChannelCount, 4);
}

TEST(RangeSearchOrder, DevicesSortByTheirAddressAsNumbers)
{
    ShellTestEnv env;
    std::vector<std::unique_ptr<DeviceInfo>> owned;
    auto device = [&](const char* ip) {
        owned.push_back(std::make_unique<DeviceInfo>());
        copyRecordText(owned.back()->searchRecord.sdk.ip, QByteArray(ip));
        return owned.back().get();
    };
    QList<DeviceInfo*> list { device("192.168.1.20"), device("192.168.1.3"), device("10.0.0.5") };
    std::sort(list.begin(), list.end(), lessByIpAddress);
    QStringList ips;
    for (DeviceInfo* d : list)
        ips << d->ip();
    EXPECT_EQ(ips, (QStringList { "10.0.0.5", "192.168.1.3", "192.168.1.20" }));

    // Whatever devices send, the order is a strict weak order (std::sort
    // may read past the list otherwise): texts that are no address come
    // first, in the locale's order.
    std::vector<DeviceInfo*> mixed { device("9.0.0.1"), device("abc"), device(""), device("10.0.0.2"),
        device("1.2.3"), device("255.255.255.255"), device("0.0.0.0"), device("01.2.3.4"), device("zz") };
    for (DeviceInfo* a : mixed) {
        EXPECT_FALSE(lessByIpAddress(a, a)) << a->ip().toStdString();
        for (DeviceInfo* b : mixed) {
            if (lessByIpAddress(a, b)) {
                EXPECT_FALSE(lessByIpAddress(b, a)) << a->ip().toStdString() << " " << b->ip().toStdString();
            }
            for (DeviceInfo* c : mixed) {
                if (lessByIpAddress(a, b) && lessByIpAddress(b, c)) {
                    EXPECT_TRUE(lessByIpAddress(a, c));
                }
                // Incomparability is transitive too.
                const bool ab = !lessByIpAddress(a, b) && !lessByIpAddress(b, a);
                const bool bc = !lessByIpAddress(b, c) && !lessByIpAddress(c, b);
                if (ab && bc) {
                    EXPECT_TRUE(!lessByIpAddress(a, c) && !lessByIpAddress(c, a));
                }
            }
        }
    }
    std::sort(mixed.begin(), mixed.end(), lessByIpAddress);
    QStringList sorted;
    for (DeviceInfo* d : mixed)
        sorted << d->ip();
    EXPECT_EQ(sorted.mid(5), (QStringList { "0.0.0.0", "9.0.0.1", "10.0.0.2", "255.255.255.255" }));
}

TEST(RangeSearchTransport, EditionAndProtocolChooseTheSearchAndItsCode)
{
    struct Case {
        int edition;
        int protocol;
        bool wrapper;
        const char* oemType;
    } cases[] = {
        { 43, 1, true, "dorvex_nc" },
        { 44, 1, true, "dorvex_nc" },
        { 42, 1, true, "dorvex_hm" },
        { 0, 1, false, "default" },
        { 0, 0, true, "default" },
        { 8, 0, true, "dorvex_kp" },
        { 53, 0, true, "dorvex_ez" },
        { 11, 0, true, "default" },
        { 11, 1, false, "default" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "edition " << c.edition << " protocol " << c.protocol);
        ShellTestEnv env(edition(c.edition, c.protocol));
        EXPECT_EQ(RangeSearch::throughWrapper(), c.wrapper);
        const QJsonObject request
            = QJsonDocument::fromJson(RangeSearch::wrapperRequest("10.0.0.1", "10.0.0.9")).object();
        EXPECT_EQ(request.size(), 3);
        EXPECT_EQ(request.value("oem type").toString().toStdString(), c.oemType);
        EXPECT_EQ(request.value("start ip").toString(), "10.0.0.1");
        EXPECT_EQ(request.value("stop ip").toString(), "10.0.0.9");
    }
}

TEST(RangeSearchTransport, VlnetStartRecordTakesSixteenBytesOfEachText)
{
    const VLNET_SEARCH_CALLBACK callback = &ignore;
    int user = 0;
    VLNET_SEARCH_DEV_POINT2POINT s;
    std::memset(&s, 0xEE, sizeof s);
    RangeSearch::fillPoint2Point(
        s, QStringLiteral("192.168.100.100"), QStringLiteral("1234567890abcdefXYZ"), callback, &user);
    EXPECT_EQ(s.callback, callback);
    EXPECT_EQ(s.context, &user);
    EXPECT_EQ(s.oem_type, 7);
    EXPECT_STREQ(s.start_ip, "192.168.100.100");
    EXPECT_EQ(std::string(s.stop_ip), "1234567890abcdef") << "the rest of the field stays zero";
    EXPECT_EQ(s.recv_timeout_ms, 0);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&s);
    for (std::size_t i = offsetof(VLNET_SEARCH_DEV_POINT2POINT, reserved9);
         i < offsetof(VLNET_SEARCH_DEV_POINT2POINT, start_ip); ++i)
        ASSERT_EQ(bytes[i], 0) << i;
    for (std::size_t i = offsetof(VLNET_SEARCH_DEV_POINT2POINT, reserved142); i < sizeof s; ++i)
        ASSERT_EQ(bytes[i], 0) << i;
}

// Callback threads add at once; the records reach the GUI thread.
TEST(RangeSearchList, ThreadsAddWhileTheListIsRead)
{
    ShellTestEnv env;
    RangeSearchList list;
    QThread* gui = QCoreApplication::instance()->thread();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                SearchDevRsp r {};
                copyRecordText(r.sdk.ip, QStringLiteral("10.0.%1.%2").arg(t).arg(i).toLatin1());
                list.add(r, gui);
                list.count();
            }
        });
    }
    for (int i = 0; i < 50; ++i)
        list.sorted();
    for (auto& t : threads)
        t.join();
    const QList<DeviceInfo*> sorted = list.sorted();
    ASSERT_EQ(sorted.size(), 100);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(sorted[i]->thread(), gui);
        EXPECT_EQ(sorted[i]->ip(), QStringLiteral("10.0.%1.%2").arg(i / 25).arg(i % 25));
    }
    EXPECT_FALSE(list.remove(sorted[5]));
    EXPECT_FALSE(list.remove(sorted[5])) << "gone already";
    const QList<DeviceInfo*> rest = list.takeAll();
    EXPECT_EQ(rest.size(), 99);
    EXPECT_EQ(list.count(), 0);
    qDeleteAll(sorted);
}

TEST(RangeSearchList, RemovingTheLastDeviceEmptiesIt)
{
    ShellTestEnv env;
    RangeSearchList list;
    SearchDevRsp r {};
    DeviceInfo* a = list.add(r, nullptr);
    DeviceInfo* b = list.add(r, nullptr);
    EXPECT_FALSE(list.remove(a));
    EXPECT_TRUE(list.remove(b));
    EXPECT_FALSE(list.remove(b));
    delete a;
    delete b;
}
