// The network change, the snapshot and PTZ without a network: the address
// parser, the records handed to the network SDK byte by byte, and the
// result codes, over the fake network SDK.
#include "connection_fixture.h"
#include "core/device_modify.h"
#include "core/ptz.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace vlsdk;

namespace
{

TEST(ParseIpv4, DottedQuadsOnly)
{
    struct Case {
        const char* text;
        bool ok;
        uint8_t octets[4];
    };
    const Case cases[] = {
        { "192.168.1.10", true, { 192, 168, 1, 10 } },
        { "192.168.001.010", true, { 192, 168, 1, 10 } },
        { "0.0.0.0", true, { 0, 0, 0, 0 } },
        { "255.255.255.255", true, { 255, 255, 255, 255 } },
        { "0000000001.2.3.4", true, { 1, 2, 3, 4 } },
        { "192.168.1.300", false, {} },
        { "1.2.3.0256", false, {} },
        { "192.168.1.", false, {} },
        { "192..168.1", false, {} },
        { "001.010", false, {} },
        { ".1.2.3", false, {} },
        { "1.2.3.4.", false, {} },
        { "1.2.3.4.5", false, {} },
        { "1.2.3.4 ", false, {} },
        { "1.2.-3.4", false, {} },
        { "", false, {} },
        { nullptr, false, {} },
    };
    for (const auto& c : cases) {
        uint8_t out[4] = { 9, 9, 9, 9 };
        EXPECT_EQ(parse_ipv4(c.text, out), c.ok) << (c.text ? c.text : "(null)");
        const uint8_t untouched[4] = { 9, 9, 9, 9 };
        EXPECT_EQ(std::memcmp(out, c.ok ? c.octets : untouched, 4), 0) << (c.text ? c.text : "(null)");
    }
}

class ControlTest : public ConnectionTest
{
protected:
    void login() { ASSERT_EQ(conn.login(param(R"({"ip or id": "cam-7"})")), vl_success); }
    int ptz(const char* json) { return ptz_control(nullptr, &conn, json, conn); }
    int new_ptz(const char* json) { return new_ptz_control(nullptr, &conn, json, conn); }
    // The last PTZ record as bytes.
    std::vector<uint8_t> last_record() const
    {
        const auto* p = reinterpret_cast<const uint8_t*>(&sdk.ptz.back().record);
        return std::vector<uint8_t>(p, p + sizeof(VLNET_PTZ_CONTROL));
    }
    // A request, and the command and record it must send.
    struct Sent {
        const char* json;
        int command;
        std::vector<uint8_t> record;
    };
    template <class Export> void expect_sent(Export&& send, const std::vector<Sent>& cases)
    {
        for (const auto& c : cases) {
            ASSERT_EQ(send(c.json), vl_success) << c.json;
            EXPECT_EQ(sdk.ptz.back().command, c.command) << c.json;
            EXPECT_EQ(sdk.ptz.back().handle, 7) << c.json;
            EXPECT_EQ(last_record(), c.record) << c.json;
        }
    }
    // Little-endian words, then zeros up to 44 bytes.
    static std::vector<uint8_t> words(std::initializer_list<int32_t> values)
    {
        std::vector<uint8_t> out(44, 0);
        size_t at = 0;
        for (int32_t v : values) {
            for (int i = 0; i < 4; ++i)
                out[at + i] = uint8_t(uint32_t(v) >> (8 * i));
            at += 4;
        }
        return out;
    }
};

TEST_F(ControlTest, TheNetworkChangeRecordByteByByte)
{
    const char* request = R"({"user": "admin", "password": "Admin_123", "original ip": "192.168.1.10",
        "change ip": "192.168.001.050", "netmask": "255.255.255.0", "gateway": "192.168.1.1",
        "dns1": "8.8.8.8", "dns2": "192.168.1.300", "mac addr": "AA:BB:CC:00:11:22",
        "device type ull": 4398046511104, "media port": 9001, "web port": 8080,
        "network mode": "static", "point to point": true})";
    ASSERT_EQ(modify_device(request, fake::kCalls), vl_success);
    ASSERT_EQ(sdk.new_dev_infos.size(), 1u);
    const auto* got = reinterpret_cast<const uint8_t*>(&sdk.new_dev_infos[0]);

    std::vector<uint8_t> want(744, 0);
    auto text = [&](size_t at, const std::string& s) { std::memcpy(&want[at], s.data(), s.size()); };
    auto bytes
        = [&](size_t at, std::initializer_list<uint8_t> b) { std::copy(b.begin(), b.end(), &want[at]); };
    text(0, "12");
    text(16, "admin");
    text(80, "Admin_123");
    bytes(
        144, { 192, 168, 1, 10, 192, 168, 1, 50, 255, 255, 255, 0, 192, 168, 1, 1, 8, 8, 8, 8, 0, 0, 0, 0 });
    text(168, "AA:BB:CC:00:11:22");
    bytes(208, { 0, 0, 0, 0, 0, 4, 0, 0 }); // 4 << 40
    bytes(216, { 0x29, 0x23, 0, 0, 0x90, 0x1F, 0, 0 });
    bytes(224, { 2, 1, 0, 1 });
    EXPECT_EQ(std::vector<uint8_t>(got, got + 744), want);
    EXPECT_TRUE(logged("call <modify_device> result:success"));
    for (const auto& line : log_lines())
        EXPECT_EQ(line.find("Admin_123"), std::string::npos) << line;
}

TEST_F(ControlTest, TextsAreCutToTheirFieldsAndModesReadExactly)
{
    const std::string user64(64, 'u');
    const std::string password70(70, 'p');
    const std::string mac50(50, 'm');
    const std::string request = R"({"user": ")" + user64 + R"(", "password": ")" + password70
        + R"(", "mac addr": ")" + mac50 + R"(", "network mode": "Static"})";
    ASSERT_EQ(modify_device(request.c_str(), fake::kCalls), vl_success);
    const VLNET_NEW_DEV_INFO& r = sdk.new_dev_infos.back();
    EXPECT_EQ(std::string(r.user, 64), user64) << "fills the field, no NUL";
    EXPECT_EQ(std::string(r.password, 64), std::string(64, 'p'));
    EXPECT_EQ(std::string(r.mac_addr, 40), std::string(40, 'm'));
    EXPECT_EQ(r.original_ip[0], 0);

    struct Mode {
        const char* json;
        uint8_t mode;
        uint8_t point_to_point;
    };
    const Mode modes[] = {
        { R"({"network mode": "dhcp"})", 0, 0 },
        { R"({"network mode": "pppoe", "point to point": false})", 1, 0 },
        { R"({"network mode": "static", "point to point": null})", 2, 0 },
        { R"({"network mode": "Static", "point to point": true})", 0, 1 },
        { R"({"network mode": "fixed"})", 0, 0 },
        { R"({})", 0, 0 },
    };
    for (const auto& m : modes) {
        ASSERT_EQ(modify_device(m.json, fake::kCalls), vl_success) << m.json;
        EXPECT_EQ(sdk.new_dev_infos.back().network_mode, m.mode) << m.json;
        EXPECT_EQ(sdk.new_dev_infos.back().point_to_point, m.point_to_point) << m.json;
        EXPECT_EQ(sdk.new_dev_infos.back().byte225, 1) << m.json;
    }
}

TEST_F(ControlTest, ModifyResults)
{
    sdk.sdk_result = 0;
    EXPECT_EQ(modify_device(R"({"user": "admin"})", fake::kCalls), vl_fail);
    EXPECT_TRUE(logged("dev:(nil), this:(nil), [:] call <modify_device> result:fail"));
    const size_t sent = sdk.new_dev_infos.size();
    for (const char* bad : { "not json", R"({"media port": "9000"})", R"({"device type ull": -1})",
             R"({"user": ["admin"]})", R"("a text")", static_cast<const char*>(nullptr) })
        EXPECT_EQ(modify_device(bad, fake::kCalls), vl_parse_json_error) << (bad ? bad : "(null)");
    EXPECT_EQ(sdk.new_dev_infos.size(), sent) << "nothing is sent for a request that does not read";
    EXPECT_TRUE(logged("call <modify_device> error:vl_parse_json_error"));
}

TEST_F(ControlTest, SnapshotRecordAndResults)
{
    const char* request = R"({"channel": 3, "picture name": "/tmp/a.jpg"})";
    EXPECT_EQ(capture_from_device(nullptr, &conn, request, conn), vl_need_login_first);
    EXPECT_TRUE(logged(" ch:3] call <capture_from_device> error:vl_need_login_first"));
    EXPECT_TRUE(sdk.captures.empty());

    login();
    const std::string name(260, 'n');
    const std::string long_request = R"({"channel": 2, "picture name": ")" + name + "\"}";
    ASSERT_EQ(capture_from_device(nullptr, &conn, long_request.c_str(), conn), vl_success);
    ASSERT_EQ(sdk.captures.size(), 1u);
    const VLNET_CAPTURE& r = sdk.captures[0].record;
    EXPECT_EQ(sdk.captures[0].handle, 7);
    EXPECT_EQ(r.channel, 2u);
    EXPECT_EQ(r.reserved4, 0u);
    EXPECT_EQ(std::string(r.picture_name), name.substr(0, 259)) << "259 characters and the NUL";
    EXPECT_EQ(r.picture_format, 8u);
    EXPECT_EQ(r.reserved272, 0u);

    sdk.sdk_result = 0;
    EXPECT_EQ(capture_from_device(nullptr, &conn, request, conn), vl_fail);
    for (const char* bad : { "{", R"({"channel": -1})", R"({"channel": "1"})", R"({"picture name": {}})" })
        EXPECT_EQ(capture_from_device(nullptr, &conn, bad, conn), vl_parse_json_error) << bad;
    EXPECT_TRUE(logged("[cam-7] call <capture_from_device> error:vl_parse_json_error"));
    EXPECT_EQ(sdk.captures.size(), 2u);
}

TEST_F(ControlTest, PtzRequestsBecomeCommandsAndRecords)
{
    login();
    expect_sent([&](const char* json) { return ptz(json); },
        {
            { R"({"ptz type": "normal", "channel": 0, "operation": "up", "speed": 5, "flag": "start"})", 1,
                words({ 0, 0, 5 }) },
            { R"({"ptz type": "normal", "channel": 0, "operation": "up", "speed": 5, "flag": "stop"})", 1,
                words({ 0, 1, 5 }) },
            { R"({"ptz type": "normal", "channel": 2, "operation": "privacy mode"})", 121,
                words({ 2, 0, 0 }) },
            { R"({"ptz type": "normal", "channel": 1, "operation": "scan line", "flag": "go"})", 51,
                words({ 1, 0, 0 }) },
            { R"({"ptz type": "preset", "channel": 1, "operation": "call", "index": 4})", 93,
                words({ 1, 5, 3 }) },
            { R"({"ptz type": "preset", "channel": 0, "operation": "clear", "index": 0})", 92,
                words({ 0, 1, 3 }) },
            { R"({"ptz type": "cruise", "channel": 3, "flag": "stop", "speed": 4, "time": 10})", 51,
                words({ 3, 1, 1, 10, 4 }) },
            { R"({"ptz type": "call cruise", "channel": 2})", 54, words({ 2, 1 }) },
            { R"({"ptz type": "normal", "channel": 0, "operation": "zoom in", "flag": "start"})", 11,
                words({ 0, 0, 0 }) },
        });

    ASSERT_EQ(
        ptz(R"({"ptz type": "set cruise", "channel": 1, "speed": 263, "preset count": 3, "pps": [1, 2, 300]})"),
        vl_success);
    EXPECT_EQ(sdk.ptz.back().command, 53);
    std::vector<uint8_t> cruise = words({ 1, 1 });
    const uint8_t tail[] = { 3, 5, 7, 0, 1, 2, 44 }; // speed and presets keep their low byte
    std::copy(std::begin(tail), std::end(tail), cruise.begin() + 8);
    EXPECT_EQ(last_record(), cruise);
    ASSERT_EQ(ptz(R"({"ptz type": "set cruise", "channel": 0, "preset count": 32, "pps": [9]})"), vl_success);
    EXPECT_EQ(last_record()[12], 9);
    EXPECT_EQ(last_record()[13], 0) << "presets past the list are 0";
    EXPECT_EQ(last_record()[43], 0);
}

TEST_F(ControlTest, NewStylePtzSteps)
{
    login();
    expect_sent([&](const char* json) { return new_ptz(json); },
        {
            { R"({"ptz type": "normal", "channel": 0, "operation": "zoom in", "flag": "start"})", 103,
                words({ 0, 1, 0 }) },
            { R"({"ptz type": "normal", "channel": 0, "operation": "zoom in", "flag": "stop"})", 103,
                words({ 0, 2, 0 }) },
            { R"({"ptz type": "normal", "channel": 1, "operation": "focus near", "flag": "start"})", 104,
                words({ 1, 0, 0 }) },
            { R"({"ptz type": "normal", "channel": 0, "operation": "focus far", "flag": "start"})", 104,
                words({ 0, 1, 0 }) },
            { R"({"ptz type": "normal", "channel": 0, "operation": "zoom position", "speed": 40})", 101,
                words({ 0, 0, 40 }) },
            { R"({"ptz type": "normal", "channel": 0, "operation": "restore"})", 100, words({ 0, 0, 0 }) },
            { R"({"ptz type": "normal", "channel": 0, "operation": "refresh", "flag": "start"})", 107,
                words({ 0, 0, 0 }) },
        });
    EXPECT_TRUE(logged("call <new_ptz_control start normal> result:success"));
}

TEST_F(ControlTest, PtzRefusalsSendNothing)
{
    const char* up = R"({"ptz type": "normal", "channel": 0, "operation": "up"})";
    EXPECT_EQ(ptz(up), vl_parse_ptz_param_error) << "not logged in: -12, not -13";
    EXPECT_EQ(new_ptz(R"({"ptz type": "normal", "operation": "restore"})"), vl_parse_ptz_param_error);
    login();
    const char* refused[] = {
        R"({"ptz type": "Normal", "channel": 0, "operation": "up"})",
        R"({"ptz type": "normal", "channel": 0, "operation": "Up"})",
        R"({"ptz type": "normal", "channel": 0, "operation": "up "})",
        R"({"ptz type": "normal", "channel": -1, "operation": "up"})",
        R"({"ptz type": "normal", "channel": 4294967295, "operation": "up"})",
        R"({"ptz type": "preset", "channel": 0, "operation": "goto", "index": 1})",
        R"({"ptz type": "preset", "channel": -2, "operation": "call", "index": 1})",
        R"({"ptz type": "set cruise", "channel": 0, "preset count": 33, "pps": []})",
        R"({"ptz type": "set cruise", "channel": 0, "preset count": -1, "pps": []})",
        R"({"ptz type": "set cruise", "channel": 0, "preset count": 4294967295})",
        R"({"ptz type": "tour", "channel": 0})",
        R"({"ptz type": 5, "channel": 0})", // a number reads as its text: no such type
        R"({"channel": 0, "operation": "up"})",
    };
    for (const char* json : refused)
        EXPECT_EQ(ptz(json), vl_parse_ptz_param_error) << json;
    EXPECT_EQ(
        new_ptz(R"({"ptz type": "preset", "channel": 0, "operation": "restore"})"), vl_parse_ptz_param_error);
    EXPECT_EQ(
        new_ptz(R"({"ptz type": "normal", "channel": 0, "operation": "up"})"), vl_parse_ptz_param_error);
    EXPECT_TRUE(logged("[cam-7] call <ptz_control start> error:vl_parse_ptz_param_error"));
    EXPECT_TRUE(logged("[cam-7] call <new_ptz_control start> error:vl_parse_ptz_param_error"));

    const char* unreadable[] = {
        "{",
        R"({"ptz type": "normal", "channel": "0", "operation": "up"})",
        R"({"ptz type": "normal", "channel": 0, "operation": "up", "speed": "fast"})",
        R"({"ptz type": "set cruise", "channel": 0, "preset count": 2, "pps": {"a": 1}})",
        R"({"ptz type": "set cruise", "channel": 0, "preset count": 2, "pps": ["one"]})",
    };
    for (const char* json : unreadable)
        EXPECT_EQ(ptz(json), vl_parse_json_error) << json;
    EXPECT_EQ(new_ptz("[1, 2]"), vl_parse_json_error);
    EXPECT_TRUE(logged("call <ptz_control start> error:vl_parse_json_error"));
    EXPECT_TRUE(logged("call <new_ptz_control start> error:vl_parse_json_error"));
    EXPECT_TRUE(sdk.ptz.empty());
}

TEST_F(ControlTest, PtzResultsMapTheDevicesAnswer)
{
    login();
    const char* up = R"({"ptz type": "normal", "channel": 0, "operation": "up"})";
    struct Case {
        int sdk;
        int result;
        const char* logged;
    };
    const Case cases[] = {
        { 1, vl_success, "result:success" },
        { 2, vl_no_right, "result:success" }, // a refusal is logged as a success
        { 0, vl_fail, "result:fail" },
        { 3, vl_fail, "result:success" },
    };
    for (const auto& c : cases) {
        sdk.sdk_result = c.sdk;
        {
            std::lock_guard<std::mutex> hold(connection_test::g_log_lock);
            connection_test::g_log.clear();
        }
        EXPECT_EQ(ptz(up), c.result) << c.sdk;
        EXPECT_TRUE(logged(std::string("[cam-7] call <ptz_control start normal> ") + c.logged)) << c.sdk;
    }
}

TEST(ControlExports, NullDevices)
{
    EXPECT_EQ(vl_ptz_control(nullptr, "{}"), vl_invalid_device);
    EXPECT_EQ(vl_new_ptz_control(nullptr, "{}"), vl_invalid_device);
    EXPECT_EQ(vl_capture_picture_from_device(nullptr, "{}"), vl_invalid_device);
    EXPECT_EQ(vl_modify_device("not json"), vl_parse_json_error);
}

} // namespace
