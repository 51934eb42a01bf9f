// A device's probe answer read into the search record: what is read, and
// what a malformed or hostile answer does (nothing, or zero fields).
#include "probe_answer.h"
#include "wire.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using vlnet::ProbeAnswer;
using vlnet::readProbeAnswer;

namespace
{

std::vector<std::uint8_t> answer(const std::string& json, std::uint32_t sequence = 9, std::int32_t result = 0)
{
    return vlwire::encodeReply(vlwire::kProbe, sequence, result, json);
}

std::string text(const char* slot, std::size_t size)
{
    return std::string(slot, strnlen(slot, size));
}

TEST(ProbeAnswer, ReadsEveryFieldOfTheDescription)
{
    const std::string json = R"({"ip":"192.168.1.20","host_name":"cam-20","netmask":"255.255.0.0",
        "gateway":"192.168.0.1","dns1":"8.8.8.8","dns2":"1.1.1.1","dhcp":true,"media_port":9000,
        "web_port":80,"https_port":443,"rtsp_port":554,"ipv6":"fe80::1","device_type":4,
        "device_type_word":4398046511104,"model":"IPC-B200","firmware":"V5.1","device_id":77,
        "name":"Front door","mac":"00:11:22:33:44:55","serial":"SN0001","manufacturer":"1",
        "p2p_id":"P2P77","channels":4,"sys_channel_num":8,"analog_channels":-2,"alarm_in":3,
        "alarm_out":1,"two_way_talk":1,"activated":false,"http_api_version":"1.0",
        "http_api_config_net":1,"system_time":"2024-02-29 23:59:58"})";
    const auto bytes = answer(json, 1234);
    ProbeAnswer a;
    ASSERT_TRUE(readProbeAnswer(bytes.data(), bytes.size(), &a));
    const VLNET_SEARCH_DEV_RSP& r = a.record;
    EXPECT_EQ(a.sequence, 1234u);
    EXPECT_EQ(text(r.ip, 16), "192.168.1.20");
    EXPECT_EQ(text(r.host_name, 36), "cam-20");
    EXPECT_EQ(text(r.netmask, 16), "255.255.0.0");
    EXPECT_EQ(text(r.gateway, 16), "192.168.0.1");
    EXPECT_EQ(text(r.dns1, 16), "8.8.8.8");
    EXPECT_EQ(text(r.dns2, 16), "1.1.1.1");
    EXPECT_EQ(r.network_mode, 0);
    EXPECT_EQ(r.media_port, 9000u);
    EXPECT_EQ(r.web_port, 80u);
    EXPECT_EQ(r.https_port, 443u);
    EXPECT_EQ(r.rtsp_port, 554);
    EXPECT_EQ(r.ipv6[0], 0xFE);
    EXPECT_EQ(r.ipv6[1], 0x80);
    EXPECT_EQ(r.ipv6[15], 0x01);
    EXPECT_EQ(text(r.device_type, 28), "IPC-B200");
    EXPECT_EQ(r.dev_type_l, 0u);
    EXPECT_EQ(r.dev_type_h, 4u << 8);
    EXPECT_EQ(text(r.device_version, 36), "V5.1");
    EXPECT_EQ(r.device_id, 77u);
    EXPECT_EQ(text(r.device_name, 36), "Front door");
    EXPECT_EQ(text(r.mac_addr, 36), "00:11:22:33:44:55");
    EXPECT_EQ(text(r.serialnum, 32), "SN0001");
    EXPECT_EQ(text(r.manufacture, 32), "1");
    EXPECT_EQ(text(r.p2p_id, 38), "P2P77");
    EXPECT_EQ(r.channel_number, 4u);
    EXPECT_EQ(r.sys_channel_num, 8u);
    EXPECT_EQ(r.analog_channel_num, -2);
    EXPECT_EQ(r.input_pin_count, 3);
    EXPECT_EQ(r.output_pin_count, 1);
    EXPECT_EQ(r.support_two_way_talk, 1);
    EXPECT_EQ(r.is_first_login, 1);
    EXPECT_EQ(text(r.http_api_version, 16), "1.0");
    EXPECT_EQ(r.support_http_api_config_net, 1);
    EXPECT_EQ(r.system_time.year, 2024);
    EXPECT_EQ(r.system_time.month, 2);
    EXPECT_EQ(r.system_time.day, 29);
    EXPECT_EQ(r.system_time.hour, 23);
    EXPECT_EQ(r.system_time.minute, 59);
    EXPECT_EQ(r.system_time.second, 58);
}

TEST(ProbeAnswer, WhatIsNoProbeAnswerIsRefused)
{
    const auto good = answer("{}");
    ProbeAnswer a;
    ASSERT_TRUE(readProbeAnswer(good.data(), good.size(), &a));

    auto wrongMagic = good;
    wrongMagic[0] = 'X';
    auto request = vlwire::encode(vlwire::kProbe, 0, 9, "{}");
    auto otherCommand = vlwire::encodeReply(vlwire::kPing, 9, 0, "{}");
    auto claimsMore = good;
    vlwire::putU32(claimsMore.data() + 12, 4096);
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        { "wrong magic", wrongMagic },
        { "a request, not a reply", request },
        { "another command", otherCommand },
        { "payload longer than the datagram", claimsMore },
        { "header only", std::vector<std::uint8_t>(good.begin(), good.begin() + 16) },
        { "result -1", answer("{}", 9, -1) },
        { "not JSON", answer("{\"ip\":") },
        { "an array", answer("[1,2]") },
        { "a text", answer("\"192.168.1.2\"") },
    };
    for (const auto& c : cases)
        EXPECT_FALSE(readProbeAnswer(c.bytes.data(), c.bytes.size(), &a)) << c.what;
    EXPECT_FALSE(readProbeAnswer(nullptr, 100, &a));
    EXPECT_FALSE(readProbeAnswer(good.data(), good.size(), nullptr));
}

TEST(ProbeAnswer, AddressModes)
{
    struct Case {
        const char* members;
        int mode;
    };
    const Case cases[] = {
        { R"("dhcp":true)", 0 },
        { R"("dhcp":false)", 2 },
        { R"("dhcp":false,"pppoe":true)", 1 },
        { R"("dhcp":true,"pppoe":false)", 0 },
        { R"("pppoe":true)", 1 },
        { R"("pppoe":"yes","dhcp":false)", 2 },
        { R"("ip":"1.2.3.4")", 5 },
    };
    for (const auto& c : cases) {
        const auto bytes = answer(std::string("{") + c.members + "}");
        ProbeAnswer a;
        ASSERT_TRUE(readProbeAnswer(bytes.data(), bytes.size(), &a)) << c.members;
        EXPECT_EQ(a.record.network_mode, c.mode) << c.members;
    }
}

TEST(ProbeAnswer, MembersOfTheWrongTypeOrRangeReadAsNothing)
{
    const std::string json = R"({"ip":7,"name":{"x":1},"mac":["a"],"media_port":-1,"web_port":"80",
        "rtsp_port":70000,"analog_channels":300,"alarm_in":256,"device_id":1.5,"dhcp":"yes",
        "activated":1,"device_type_word":-5,"ipv6":"fe80::zz","system_time":"2024/02/29 10:00:00",
        "channels":1e30})";
    const auto bytes = answer(json);
    ProbeAnswer a;
    ASSERT_TRUE(readProbeAnswer(bytes.data(), bytes.size(), &a));
    VLNET_SEARCH_DEV_RSP zero;
    std::memset(&zero, 0, sizeof zero);
    zero.network_mode = 5; // "dhcp" that is no boolean: other
    EXPECT_EQ(std::memcmp(&a.record, &zero, sizeof zero), 0);
}

TEST(ProbeAnswer, TextsAreCutToTheirSlotAndTimesKeptAsSent)
{
    const std::string longName(50, 'N');
    const auto bytes = answer(
        R"({"ip":"1234567890123456789","name":")" + longName + R"(","system_time":"10000-13-40 25:61:61"})");
    ProbeAnswer a;
    ASSERT_TRUE(readProbeAnswer(bytes.data(), bytes.size(), &a));
    EXPECT_EQ(std::string(a.record.ip, 16), "1234567890123456") << "the slot is filled, no NUL";
    EXPECT_EQ(std::string(a.record.device_name, 36), std::string(36, 'N'));
    EXPECT_EQ(a.record.mac_addr[0], 0) << "nothing spills into the next slot";
    // The reader of the record judges the clock; it is passed on as sent.
    EXPECT_EQ(a.record.system_time.year, 10000);
    EXPECT_EQ(a.record.system_time.month, 13);
    EXPECT_EQ(a.record.system_time.second, 61);
}

} // namespace
