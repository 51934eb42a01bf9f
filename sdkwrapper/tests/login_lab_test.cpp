// Device sessions end to end: vl_create_device and vl_device_login_ex
// against simulated devices in the lab, the statuses and messages the
// caller receives, and the login response compared with the device's state.
#include "common/json.h"
#include "lab_session.h"
#include "record_fields.h"
#include "support/devsim.h"
#include "support/poll.h"
#include "support/vlnet_lab.h"
#include "vl_sdk_wrapper.h"
#include "vlnet.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <httplib.h>
#include <json/json.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using lab_session::kPassword;
using lab_session::parse;
using lab_session::Session;
using vltest::Devsim;

namespace
{

class LoginLab : public lab_session::DeviceLab
{
protected:
    static void SetUpTestSuite()
    {
        // The host starts the network SDK itself, as the program does.
        startLab({ "200", "2000", "3000", "300" },
            { "--generate", "16", "--seed", "4", "--inactive-percent", "0" });
    }
};

} // namespace

TEST_F(LoginLab, RecorderMediaLoginSucceedsOnceItsChannelsAreKnown)
{
    const int n = first("nvr");
    const Json::Value dev = state(n);
    device* d = vl_create_device();
    Session s;
    ASSERT_EQ(login(d, s, n, R"("protocol": "media")"), vl_success);
    ASSERT_TRUE(s.wait_status("success")) << "statuses: " << s.status_list();
    EXPECT_EQ(s.status_texts(), (std::vector<std::string> { "connecting", "success" }));
    ASSERT_TRUE(s.wait_message("MsgRemoteCHStatusReq"));
    const Json::Value channels = s.message("MsgRemoteCHStatusReq");
    ASSERT_EQ(channels.size(), dev["channels"].size());
    for (Json::ArrayIndex c = 0; c < channels.size(); ++c) {
        EXPECT_EQ(channels[c]["CurChnName"], dev["channels"][c]["name"]) << c;
        EXPECT_EQ(channels[c]["CurChnState"].asInt(), dev["channels"][c]["online"].asBool() ? 2 : 0) << c;
    }
    ASSERT_TRUE(s.wait([&] { return s.raw.size() >= 2; }));
    {
        std::lock_guard<std::mutex> hold(s.lock);
        EXPECT_EQ(s.raw, (std::vector<int> { 611, 610 })) << "the device answers both requests";
        EXPECT_EQ(parse(s.statuses[1])["info"]["ip"], dev["network"]["ip"]);
    }

    // The login response is the device as devsim holds it.
    EXPECT_EQ(vl_get_device_type(d), 3);
    const Json::Value rsp = login_rsp(d);
    EXPECT_EQ(rsp["DeviceName"], dev["name"]);
    EXPECT_EQ(rsp["DeviceName2"], dev["name"]);
    EXPECT_EQ(rsp["MacAddr"], dev["mac"]);
    EXPECT_EQ(rsp["SerialNumber"], dev["serial"]);
    EXPECT_EQ(rsp["DevVer"], dev["firmware"]);
    EXPECT_EQ(rsp["DeviceType"], dev["model"]);
    EXPECT_EQ(rsp["DeviceID"].asUInt(), dev["device_id"].asUInt());
    EXPECT_EQ(rsp["p2pId"], dev["p2p_id"]);
    EXPECT_EQ(rsp["ChannelNum"].asUInt(), dev["channels"].size());
    EXPECT_EQ(rsp["sys_channel_num"].asUInt(), dev["channels"].size());
    EXPECT_EQ(rsp["AnalogChNum"], dev["analog_channels"]);
    EXPECT_EQ(rsp["AlarmInNum"], dev["alarm_in"]);
    EXPECT_EQ(rsp["AlarmOutNum"], dev["alarm_out"]);
    EXPECT_EQ(rsp["VideoFormat"], dev["video_format"]);
    EXPECT_EQ(rsp["ISAdmin"], 1);
    EXPECT_EQ(rsp["HighType"], 768);
    EXPECT_EQ(rsp["https_port"], dev["network"]["https_port"]);
    EXPECT_EQ(rsp["http_api_version"], "1.0");

    EXPECT_EQ(vl_device_logout(d), vl_success);
    const size_t seen = s.events();
    sim->must("{\"cmd\":\"push\",\"device\":" + std::to_string(n) + ",\"id\":611}");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(s.events(), seen) << "nothing reaches the caller after logout";
    EXPECT_EQ(login_rsp(d)["MacAddr"], dev["mac"]) << "the last login's values stay";
    EXPECT_EQ(vl_destroy_device(d), vl_success);
}

TEST_F(LoginLab, CameraMediaLoginReportsItsChannelsOnline)
{
    const int n = first("ipc");
    const Json::Value dev = state(n);
    device* d = vl_create_device();
    Session s;
    ASSERT_EQ(login(d, s, n), vl_success);
    ASSERT_TRUE(s.wait_status("success")) << "statuses: " << s.status_list();
    ASSERT_TRUE(s.wait_message("VLSDKChannelStatusEx"));
    EXPECT_EQ(s.message("VLSDKChannelStatus").size(), dev["channels"].size());
    for (const auto& c : s.message("VLSDKChannelStatusEx"))
        EXPECT_EQ(c["online"], 1);
    EXPECT_EQ(vl_get_device_type(d), 4);
    vl_destroy_device(d);
}

TEST_F(LoginLab, HttpLoginCarriesTheDevicesWebSession)
{
    const int n = first("nvr", 1);
    Json::Value channels(Json::arrayValue);
    for (int c = 0; c < 4; ++c) {
        Json::Value ch(Json::objectValue);
        ch["name"] = "Cam" + std::to_string(c + 1);
        ch["online"] = c != 2;
        channels.append(ch);
    }
    Json::Value change(Json::objectValue);
    change["channels"] = channels;
    set(n, change);

    device* d = vl_create_device();
    Session s;
    const Json::Value dev = state(n);
    ASSERT_EQ(login(d, s, n, R"("protocol": "http", "port": )" + dev["network"]["web_port"].asString()),
        vl_success);
    ASSERT_TRUE(s.wait_status("success")) << "statuses: " << s.status_list();
    Json::Value success;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        success = parse(s.statuses.back());
    }
    const Json::Value web = state(n)["web_sessions"];
    ASSERT_EQ(web.size(), 1u);
    const Json::Value& info = success["info"];
    EXPECT_EQ(info["cookie"], web[0]["cookie"]);
    EXPECT_EQ(info["token"], web[0]["token"]);
    EXPECT_FALSE(info["cookie"].asString().empty());
    EXPECT_EQ(info["ip"], dev["network"]["ip"]);
    EXPECT_EQ(info["port"], dev["network"]["web_port"]);
    EXPECT_EQ(info["protocol"], "http");
    EXPECT_EQ(info["is_https"], 0);
    EXPECT_EQ(info["username"], "admin");
    EXPECT_TRUE(info.isMember("device_info"));
    EXPECT_TRUE(info.isMember("channel_info"));
    ASSERT_TRUE(s.wait_message("VLSDKChannelStatusEx"));
    Json::Value online(Json::arrayValue);
    for (int c = 0; c < 4; ++c) {
        Json::Value e(Json::objectValue);
        e["online"] = c != 2 ? 1 : 0;
        online.append(e);
    }
    EXPECT_EQ(s.message("VLSDKChannelStatusEx"), online);
    vl_destroy_device(d);
    EXPECT_TRUE(vltest::pollUntil([&] { return state(n)["web_sessions"].empty(); }, 3000))
        << "destroying the device ends its session";
}

namespace
{

// A request of the test's own to a protected path of the device's web
// interface, with or without the session's cookie and token.
int askWebInterface(const Json::Value& info, bool withSession)
{
    const std::string base = std::string(info["is_https"].asInt() ? "https://" : "http://")
        + info["ip"].asString() + ":" + std::to_string(info["port"].asInt());
    httplib::Client client(base);
    client.enable_server_certificate_verification(false);
    client.set_connection_timeout(3, 0);
    httplib::Headers headers;
    if (withSession)
        headers = { { "Cookie", info["cookie"].asString() }, { "X-csrftoken", info["token"].asString() } };
    auto r = client.Post("/API/Web/Heartbeat", headers, "{}", "application/json");
    return r ? r->status : -1;
}

} // namespace

TEST_F(LoginLab, WebLoginsHandOverASessionTheWebInterfaceAccepts)
{
    const int n = first("ipc", 3);
    set(n, [] {
        Json::Value s(Json::objectValue);
        s["network"]["https_port"] = 443;
        return s;
    }());
    const Json::Value dev = state(n);
    const std::string webPort = dev["network"]["web_port"].asString();
    struct Case {
        const char* protocol;
        int https;
        int port;
    } cases[] = {
        { "http", 0, dev["network"]["web_port"].asInt() },
        { "auto", 1, 443 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.protocol);
        device* d = vl_create_device();
        Session s;
        ASSERT_EQ(login(d, s, n, std::string(R"("protocol": ")") + c.protocol + R"(", "port": )" + webPort),
            vl_success);
        ASSERT_TRUE(s.wait_status("success"));
        Json::Value info;
        {
            std::lock_guard<std::mutex> hold(s.lock);
            info = parse(s.statuses.back())["info"];
        }
        const Json::Value web = state(n)["web_sessions"];
        ASSERT_EQ(web.size(), 1u);
        EXPECT_EQ(info["cookie"], web[0]["cookie"]);
        EXPECT_EQ(info["token"], web[0]["token"]);
        EXPECT_EQ(info["is_https"], c.https);
        EXPECT_EQ(web[0]["https"].asBool(), c.https != 0);
        EXPECT_EQ(info["port"], c.port);
        EXPECT_EQ(info["protocol"], c.https ? "https" : "http");
        EXPECT_TRUE(info["device_info"].isString());
        EXPECT_TRUE(info["channel_info"].isString());
        EXPECT_EQ(vl_get_device_type(d), dev["device_type"].asInt());
        EXPECT_EQ(login_rsp(d)["MacAddr"], dev["mac"]) << "the record comes over the web session";
        EXPECT_EQ(askWebInterface(info, true), 200);
        EXPECT_EQ(askWebInterface(info, false), 401);
        vl_destroy_device(d);
        EXPECT_TRUE(vltest::pollUntil([&] { return state(n)["web_sessions"].empty(); }, 3000));
    }
}

TEST_F(LoginLab, RebootOfAWebSessionReportsTheDropAndAFreshSession)
{
    const int n = first("ipc", 4);
    const Json::Value dev = state(n);
    device* d = vl_create_device();
    Session s;
    ASSERT_EQ(login(d, s, n, R"("protocol": "http", "port": )" + dev["network"]["web_port"].asString()),
        vl_success);
    ASSERT_TRUE(s.wait_status("success"));
    sim->must("{\"cmd\":\"reboot\",\"device\":" + std::to_string(n) + ",\"seconds\":1}");
    ASSERT_TRUE(s.wait_status("close"));
    ASSERT_TRUE(s.wait_status("success", 2, 15000)) << "the web login comes back by itself";
    std::vector<Json::Value> successes;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        for (const auto& text : s.statuses)
            if (parse(text)["status"] == "success")
                successes.push_back(parse(text)["info"]);
    }
    ASSERT_EQ(successes.size(), 2u);
    EXPECT_NE(successes[1]["cookie"], successes[0]["cookie"]);
    EXPECT_NE(successes[1]["token"], successes[0]["token"]);
    const Json::Value web = state(n)["web_sessions"];
    ASSERT_EQ(web.size(), 1u);
    EXPECT_EQ(successes[1]["cookie"], web[0]["cookie"]);
    EXPECT_EQ(askWebInterface(successes[1], true), 200);
    EXPECT_EQ(vl_get_device_type(d), dev["device_type"].asInt());
    vl_destroy_device(d);
}

TEST_F(LoginLab, LockedAccountReportsItsBlock)
{
    const int n = first("ipc", 5);
    const std::string extra = R"("protocol": "auto", "port": )" + state(n)["network"]["web_port"].asString();
    auto outcome = [&](const char* password) {
        device* d = vl_create_device();
        Session s;
        EXPECT_EQ(login(d, s, n, extra, password), vl_success);
        EXPECT_TRUE(s.wait([&] { return s.statuses.size() >= 2; }));
        const std::string last = s.status_texts().back();
        vl_destroy_device(d);
        return last;
    };
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(outcome("wrong"), "user or password error") << "attempt " << i + 1;
    EXPECT_EQ(outcome(kPassword), "login_failed_or_block");
}

TEST_F(LoginLab, WrongPasswordReportsTheFailureOnly)
{
    const int n = first("ipc", 1);
    device* d = vl_create_device();
    Session s;
    ASSERT_EQ(login(d, s, n, {}, "wrong"), vl_success) << "the login starts; its outcome comes later";
    ASSERT_TRUE(s.wait_status("user or password error")) << "statuses: " << s.status_list();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(s.status_texts(), (std::vector<std::string> { "connecting", "user or password error" }));
    {
        std::lock_guard<std::mutex> hold(s.lock);
        EXPECT_EQ(s.statuses.back(), R"({"status":"user or password error"})");
    }
    EXPECT_EQ(vl_get_device_type(d), 0);
    vl_destroy_device(d);
}

TEST_F(LoginLab, RebootReportsTheDropAndTheReturn)
{
    const int n = first("dvr");
    device* d = vl_create_device();
    Session s;
    ASSERT_EQ(login(d, s, n), vl_success);
    ASSERT_TRUE(s.wait_status("success")) << "statuses: " << s.status_list();
    sim->must("{\"cmd\":\"reboot\",\"device\":" + std::to_string(n) + ",\"seconds\":1}");
    ASSERT_TRUE(s.wait_status("close")) << "statuses: " << s.status_list();
    ASSERT_TRUE(s.wait_status("success", 2, 15000))
        << "the connection comes back by itself; statuses: " << s.status_list();
    const auto texts = s.status_texts();
    ASSERT_GE(texts.size(), 5u);
    EXPECT_EQ(texts[2], "close");
    EXPECT_EQ(texts[3], "connecting");
    EXPECT_EQ(texts.back(), "success");
    EXPECT_EQ(vl_get_device_type(d), 6);
    vl_destroy_device(d);
}

TEST_F(LoginLab, RecorderWithoutMessageCallbackStillHearsItsSuccess)
{
    const int n = first("nvr", 2);
    device* d = vl_create_device();
    Session s;
    ASSERT_EQ(login(d, s, n, {}, kPassword, false), vl_success);
    ASSERT_TRUE(s.wait_status("success")) << "statuses: " << s.status_list();
    vl_destroy_device(d);
}

TEST_F(LoginLab, EveryFieldOfTheRecordReachesTheLoginResponse)
{
    const int n = first("ipc", 2);
    // A distinct value per field, as large as the field takes.
    Json::Value record(Json::objectValue);
    Json::Value expect(Json::objectValue);
    VLNET_DEVICE_INFO zero;
    std::memset(&zero, 0, sizeof zero);
    uint32_t seed = 0x9E3779B9u;
    int k = 0;
    for (const auto& key : devsim::recordFieldKeys()) {
        ++k;
        seed = seed * 1664525u + 1013904223u;
        const Json::Value kind = devsim::readRecordField(zero, key);
        Json::Value value;
        if (kind.isString()) {
            value = "T" + std::to_string(k);
        } else if (kind.isArray()) {
            value = Json::Value(Json::arrayValue);
            for (int i = 0; i < 8; ++i)
                value.append(Json::UInt(seed + uint32_t(i)));
        } else {
            // The widest of these that the field takes.
            for (uint32_t v :
                { seed, seed & 0xFFFFu, seed & 0xFFu, seed & 0xFu, seed & 3u, uint32_t(k & 1) }) {
                if (devsim::checkRecordField(key, Json::UInt(v), nullptr)) {
                    value = Json::UInt(v);
                    break;
                }
            }
        }
        ASSERT_TRUE(devsim::checkRecordField(key, value, nullptr)) << key;
        record[key] = value;
        expect[key] = value;
    }
    record["UiType"] = 52;
    expect["UiType"] = 50;
    set(n, [&] {
        Json::Value s(Json::objectValue);
        s["record"] = record;
        return s;
    }());

    device* d = vl_create_device();
    Session s;
    ASSERT_EQ(login(d, s, n), vl_success);
    ASSERT_TRUE(s.wait_status("success")) << "statuses: " << s.status_list();
    Json::Value rsp = login_rsp(d);
    EXPECT_EQ(rsp["UI52Type"], true);
    // Flatten the two objects and compare every key both ways.
    for (const char* group : { "FishEye", "autoFocus" }) {
        for (const auto& key : rsp[group].getMemberNames())
            rsp[key] = rsp[group][key];
        rsp.removeMember(group);
    }
    rsp.removeMember("UI52Type");
    for (const auto& key : expect.getMemberNames()) {
        EXPECT_EQ(vljson::write_compact(rsp[key]), vljson::write_compact(expect[key])) << key;
    }
    EXPECT_EQ(rsp.size(), expect.size()) << "no key beyond the record's fields";
    EXPECT_EQ(vl_get_device_type(d), int((expect["HighType"].asUInt() >> 8) & 0xF));
    vl_destroy_device(d);
}
