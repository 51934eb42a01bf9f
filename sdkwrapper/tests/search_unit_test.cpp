// The LAN search's own work without a network: the request, the JSON of a
// found device, and the end of a search (one null text, the context freed;
// the sanitizer build sees a context that is lost or freed twice).
#include "common/json.h"
#include "core/search.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace vlsdk;

namespace
{

template <size_t N> void put(char (&slot)[N], const std::string& text)
{
    std::memset(slot, 0, N);
    std::memcpy(slot, text.data(), std::min(N, text.size()));
}

VLNET_SEARCH_DEV_RSP sample()
{
    VLNET_SEARCH_DEV_RSP r;
    std::memset(&r, 0, sizeof r);
    put(r.ip, "192.168.1.20");
    put(r.host_name, "cam20");
    put(r.netmask, "255.255.0.0");
    put(r.gateway, "192.168.0.1");
    put(r.dns1, "8.8.8.8");
    put(r.dns2, "1.1.1.1");
    r.media_port = 9000;
    r.web_port = 80;
    r.network_mode = 2;
    put(r.device_type, "IPC-B200");
    r.dev_type_l = 0x11;
    r.dev_type_h = 0x400;
    put(r.device_version, "V5.1");
    r.device_id = 77;
    put(r.device_name, "Front door");
    put(r.mac_addr, "00:11:22:33:44:55");
    r.channel_number = 4;
    r.version = 200;
    r.net_interface = -1;
    put(r.p2p_id, "P2P77");
    put(r.manufacture, "1");
    r.rtsp_port = 554;
    r.analog_channel_num = -2;
    r.system_time = VLNET_TIME { 2024, 2, 29, 23, 59, 59, 0 };
    r.is_first_login = 1;
    r.input_pin_count = 3;
    r.output_pin_count = 2;
    r.support_two_way_talk = 1;
    put(r.http_api_version, "1.0");
    r.https_port = 443;
    r.support_http_api_config_net = 1;
    r.sys_channel_num = 8;
    put(r.serialnum, "SN0001");
    return r;
}

TEST(SearchResult, EveryKeyOfAFoundDevice)
{
    const Json::Value o = search_result_json(sample(), 0);
    EXPECT_EQ(o["ip"], "192.168.1.20");
    EXPECT_EQ(o["host name"], "cam20");
    EXPECT_EQ(o["netmask"], "255.255.0.0");
    EXPECT_EQ(o["gateway"], "192.168.0.1");
    EXPECT_EQ(o["dns1"], "8.8.8.8");
    EXPECT_EQ(o["dns2"], "1.1.1.1");
    EXPECT_EQ(o["media port"].asUInt(), 9000u);
    EXPECT_EQ(o["web port"].asUInt(), 80u);
    EXPECT_EQ(o["network mode"], "static");
    EXPECT_EQ(o["device type"], "IPC-B200");
    EXPECT_EQ(o["device type ull"].asUInt64(), 0x40000000011ull);
    EXPECT_EQ(o["device version"], "V5.1");
    EXPECT_EQ(o["device id"].asUInt(), 77u);
    EXPECT_EQ(o["device name"], "Front door");
    EXPECT_EQ(o["mac addr"], "00:11:22:33:44:55");
    EXPECT_EQ(o["channel number"].asUInt(), 4u);
    EXPECT_EQ(o["version"].asInt(), 200);
    EXPECT_EQ(o["net interface"].asInt(), -1);
    EXPECT_EQ(o["p2p id"], "P2P77");
    EXPECT_EQ(o["manufacture"], "1");
    EXPECT_EQ(o["rtsp port"].asInt(), 554);
    EXPECT_EQ(o["analogy channel number"].asInt(), -2);
    EXPECT_EQ(o["system time"], "2024-02-29 23:59:59");
    EXPECT_EQ(o["is first login"].asInt(), 1);
    EXPECT_EQ(o["http_api_version"], "1.0");
    EXPECT_EQ(o["https_port"].asUInt(), 443u);
    EXPECT_EQ(o["support_http_api_config_net"].asInt(), 1);
    EXPECT_EQ(o["sys_channel_num"].asUInt(), 8u);
    EXPECT_EQ(o["serialnum"], "SN0001");
    EXPECT_FALSE(o.isMember("ipv6")) << "no address: its first byte is 0";
    // OEM type "default": no pins, no talk.
    EXPECT_FALSE(o.isMember("input pin count"));
    EXPECT_FALSE(o.isMember("output pin count"));
    EXPECT_FALSE(o.isMember("support two way talk"));
    EXPECT_EQ(o.size(), 29u);

    const Json::Value oem11 = search_result_json(sample(), 11);
    EXPECT_EQ(oem11["input pin count"].asInt(), 3);
    EXPECT_EQ(oem11["output pin count"].asInt(), 2);
    EXPECT_EQ(oem11["support two way talk"].asInt(), 1);
    EXPECT_EQ(oem11.size(), 32u);

    // Styled, keys in ascending order.
    const std::string text = vljson::write_styled(o);
    EXPECT_EQ(text.substr(0, 2), "{\n");
    EXPECT_LT(text.find("\t\"analogy channel number\""), text.find("\t\"device id\""));
}

TEST(SearchResult, TextsAreScreenedButTheSerialNumber)
{
    VLNET_SEARCH_DEV_RSP r = sample();
    put(r.ip, " 192.168.1.20");
    put(r.device_name, "-dash");
    put(r.mac_addr, "");
    put(r.serialnum, " SN with a space");
    put(r.http_api_version, "_1.0");
    put(r.dns1, "1234567890123456"); // fills its slot: no NUL
    const Json::Value o = search_result_json(r, 0);
    EXPECT_EQ(o["ip"], "");
    EXPECT_EQ(o["device name"], "");
    EXPECT_EQ(o["mac addr"], "");
    EXPECT_EQ(o["serialnum"], " SN with a space");
    EXPECT_EQ(o["dns1"], "1234567890123456");
    EXPECT_FALSE(o.isMember("http_api_version"));
    EXPECT_FALSE(o.isMember("https_port"));
    EXPECT_FALSE(o.isMember("support_http_api_config_net"));
}

TEST(SearchResult, NetworkModeSystemTimeAndIpv6)
{
    const struct {
        int32_t mode;
        const char* text;
    } modes[] = { { 0, "dhcp" }, { 1, "pppoe" }, { 2, "static" }, { 3, "unknown" }, { -1, "unknown" } };
    for (const auto& m : modes) {
        VLNET_SEARCH_DEV_RSP r = sample();
        r.network_mode = m.mode;
        EXPECT_EQ(search_result_json(r, 0)["network mode"], m.text) << m.mode;
    }

    const struct {
        VLNET_TIME time;
        const char* text; // empty: no "system time"
    } times[] = {
        { { 2024, 2, 29, 23, 59, 59, 0 }, "2024-02-29 23:59:59" },
        { { 2024, 1, 1, 0, 0, 0, 0 }, "2024-01-01 00:00:00" },
        { { 7, 12, 31, 0, 0, 0, 0 }, "0007-12-31 00:00:00" },
        // A year that does not fit four digits is shown whole, not cut.
        { { 10000, 1, 1, 0, 0, 0, 0 }, "10000-01-01 00:00:00" },
        { { 65535, 1, 1, 0, 0, 0, 0 }, "65535-01-01 00:00:00" },
        { { 2024, 0, 1, 0, 0, 0, 0 }, "" },
        { { 2024, 13, 1, 0, 0, 0, 0 }, "" },
        { { 2024, 1, 0, 0, 0, 0, 0 }, "" },
        { { 2024, 1, 32, 0, 0, 0, 0 }, "" },
        { { 2024, 1, 1, 24, 0, 0, 0 }, "" },
        { { 2024, 1, 1, 0, 60, 0, 0 }, "" },
        { { 2024, 1, 1, 0, 0, 60, 0 }, "" },
    };
    for (const auto& t : times) {
        VLNET_SEARCH_DEV_RSP r = sample();
        r.system_time = t.time;
        const Json::Value o = search_result_json(r, 0);
        if (*t.text)
            EXPECT_EQ(o["system time"], t.text) << t.text;
        else
            EXPECT_FALSE(o.isMember("system time")) << int(t.time.month) << " " << int(t.time.second);
    }

    VLNET_SEARCH_DEV_RSP r = sample();
    const uint8_t link_local[16] = { 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01 };
    std::memcpy(r.ipv6, link_local, 16);
    EXPECT_EQ(search_result_json(r, 0)["ipv6"], "fe80:0000:0000:0000:0000:0000:0000:0001");
    r.ipv6[0] = 0;
    EXPECT_FALSE(search_result_json(r, 0).isMember("ipv6"));
}

TEST(SearchRequest, KeysAndTheirConversions)
{
    const struct {
        const char* json;
        bool ok;
        uint8_t oem;
        const char* start;
        const char* stop;
        uint16_t timeout;
    } cases[] = {
        { "{}", true, 0, "", "", 0 },
        { R"({"recv timeout millisecond": 70000})", true, 0, "", "", 4464 },
        { R"({"recv timeout millisecond": 500, "oem type": "dorvex_ez"})", true, 11, "", "", 500 },
        { R"({"oem type": "default", "start ip": "10.0.0.1", "stop ip": null})", true, 0, "10.0.0.1", "", 0 },
        { R"({"oem type": "no such edition", "start ip": 7})", true, 0, "7", "", 0 },
        { R"({"start ip": {}})", false, 0, "", "", 0 },
        { R"({"recv timeout millisecond": "3000"})", false, 0, "", "", 0 },
        { R"([1])", false, 0, "", "", 0 },
    };
    for (const auto& c : cases) {
        Json::Value root;
        ASSERT_TRUE(vljson::parse(c.json, root)) << c.json;
        search_request r;
        ASSERT_EQ(read_search_request(root, r), c.ok) << c.json;
        if (!c.ok)
            continue;
        EXPECT_EQ(r.oem_type, c.oem) << c.json;
        EXPECT_EQ(r.start_ip, c.start) << c.json;
        EXPECT_EQ(r.stop_ip, c.stop) << c.json;
        EXPECT_EQ(r.timeout_ms, c.timeout) << c.json;
    }
}

struct Calls {
    std::vector<std::string> texts;
    int ends = 0;
    static void VL_CALL callback(const char* json, void* user)
    {
        auto* c = static_cast<Calls*>(user);
        if (json)
            c->texts.emplace_back(json);
        else
            ++c->ends;
    }
};

TEST(SearchCallback, OneTextPerDeviceThenOneEndThatFreesTheContext)
{
    Calls calls;
    auto* context = new search_context();
    context->callback = &Calls::callback;
    context->user = &calls;
    context->oem_type = 11;
    const VLNET_SEARCH_DEV_RSP r = sample();
    EXPECT_EQ(search_device_callback(&r, context), 1);
    EXPECT_EQ(search_device_callback(&r, context), 1);
    EXPECT_EQ(search_device_callback(nullptr, context), 1); // frees it
    ASSERT_EQ(calls.texts.size(), 2u);
    EXPECT_EQ(calls.ends, 1);
    Json::Value first;
    ASSERT_TRUE(vljson::parse(calls.texts[0].c_str(), first));
    EXPECT_EQ(first["input pin count"].asInt(), 3);

    // Without a callback the end still frees the context; without a
    // context nothing happens.
    auto* silent = new search_context();
    EXPECT_EQ(search_device_callback(&r, silent), 1);
    EXPECT_EQ(search_device_callback(nullptr, silent), 1);
    EXPECT_EQ(search_device_callback(&r, nullptr), 1);
    EXPECT_EQ(search_device_callback(nullptr, nullptr), 1);
}

// The network SDK is not started in this program, so it refuses every
// search: the search still ends, at once, with its one null text.
TEST(SearchExports, ARefusedSearchEndsAtOnceAndABadRequestNotAtAll)
{
    Calls calls;
    EXPECT_EQ(
        search_device(R"({"start ip": "10.0.0.1", "stop ip": "10.0.0.9"})", &Calls::callback, &calls), 0);
    EXPECT_EQ(calls.ends, 1);
    EXPECT_EQ(search_device("{}", &Calls::callback, &calls), 0);
    EXPECT_EQ(calls.ends, 2);
    EXPECT_EQ(search_device("{}", nullptr, nullptr), 0);

    EXPECT_EQ(search_device("{", &Calls::callback, &calls), vl_parse_json_error);
    EXPECT_EQ(search_device(nullptr, &Calls::callback, &calls), vl_parse_json_error);
    EXPECT_EQ(search_device(R"({"stop ip": []})", &Calls::callback, &calls), vl_parse_json_error);
    EXPECT_EQ(calls.ends, 2);

    EXPECT_EQ(vl_start_search_device("{}", &Calls::callback, &calls), nullptr);
    EXPECT_EQ(calls.ends, 3) << "a start the SDK refused ends with its null text";
    EXPECT_EQ(vl_start_search_device("{,", &Calls::callback, &calls), nullptr);
    EXPECT_EQ(calls.ends, 3);
    EXPECT_TRUE(calls.texts.empty());

    EXPECT_EQ(vl_stop_search_device(nullptr), 0);
    // A holder whose start never set an SDK handle is freed without an SDK call.
    EXPECT_EQ(vl_stop_search_device(new vl_search_handle()), 0);
}

} // namespace
