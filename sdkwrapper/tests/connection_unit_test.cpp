// The connection of a device without a network: the login request and its
// start record, the masked log line, the status texts and their holding
// until the channel status, and the message dispatch. A fake network SDK
// (fake_vlnet.h) plays VLNet.
#include "common/json.h"
#include "connection_fixture.h"
#include "core/connection.h"
#include "core/log.h"
#include "core/login_request.h"
#include "core/login_tables.h"
#include "fake_vlnet.h"

#include <cstring>
#include <gtest/gtest.h>
#include <json/json.h>
#include <mutex>
#include <string>
#include <vector>

using namespace vlsdk;

// ---- The login request ------------------------------------------------------

TEST(LoginRequest, ProtocolFlagsFromTheProtocolKeys)
{
    struct Case {
        const char* json;
        int flags;
        int real;
    } cases[] = {
        { R"({"real_protocol": "media,http"})", 3, 1 },
        { R"({"protocol": "http,https"})", 6, 0 },
        { R"({"protocol": "https"})", 4, 0 },
        { R"({"protocol": "media https http 65000"})", 15, 0 },
        { R"({"protocol": "auto"})", 7, 0 },
        { R"({"real_protocol": "media auto http"})", 7, 0 },
        { R"({"protocol": "65000"})", 8, 0 },
        { R"({"protocol": ""})", 0, 0 },
        { R"({"protocol": "MEDIA"})", 0, 0 },
        { R"({"real_protocol": null})", 0, 1 },
        { R"({"real_protocol": "http", "protocol": "media"})", 2, 1 },
        { R"({"enable_http_check": false})", 1, 0 },
        { R"({"enable_http_check": true})", 7, 0 },
        { R"({"protocol": "media", "enable_http_check": true})", 1, 0 },
        { R"({})", 0, 0 },
    };
    for (const auto& c : cases) {
        Json::Value root;
        ASSERT_TRUE(vljson::parse(c.json, root));
        login_request r;
        ASSERT_TRUE(read_login_request(root, r)) << c.json;
        EXPECT_EQ(r.protocol_flags, c.flags) << c.json;
        EXPECT_EQ(r.real_protocol, c.real) << c.json;
    }
}

TEST(LoginRequest, P2PAndOemWordsAreWholeAndCaseSensitive)
{
    EXPECT_EQ(p2p_type_number("tutk"), 2);
    EXPECT_EQ(p2p_type_number("TUTK"), 0);
    EXPECT_EQ(p2p_type_number("ip"), 0);
    EXPECT_EQ(p2p_type_number("id"), 1);
    EXPECT_EQ(p2p_type_number("ddns"), 23);
    EXPECT_EQ(p2p_type_number("vl"), 24);
    EXPECT_EQ(p2p_type_number("tutk "), 0);
    EXPECT_EQ(p2p_type_number(""), 0);
    EXPECT_EQ(oem_type_number("default"), 0);
    EXPECT_EQ(oem_type_number("no such edition"), 0);
}

TEST(LoginRequest, ValueConversionsAndWrongTypes)
{
    Json::Value root;
    ASSERT_TRUE(
        vljson::parse(R"({"ip or id": 10, "user": true, "password": 1.5, "media port": "9000x"})", root));
    login_request r;
    EXPECT_FALSE(read_login_request(root, r)) << "a text where the port is read";

    ASSERT_TRUE(vljson::parse(R"({"ip or id": 10, "user": true, "password": 12, "media port": true,
        "disable auto send msg": 2, "support_new_schedule": 0})",
        root));
    ASSERT_TRUE(read_login_request(root, r));
    EXPECT_EQ(r.address, "10");
    EXPECT_EQ(r.user, "true");
    EXPECT_EQ(r.password, "12");
    EXPECT_TRUE(r.has_port);
    EXPECT_EQ(r.port, 1);
    EXPECT_TRUE(r.disable_auto_send);
    EXPECT_FALSE(r.support_new_schedule);

    const char* bad[] = {
        R"([1, 2])",
        R"("text")",
        R"({"ip or id": {"a": 1}})",
        R"({"user": [1]})",
        R"({"port": 4294967296})",
        R"({"disable auto send msg": "yes"})",
        R"({"protocol": {}})",
        R"({"enable_http_check": "true"})",
    };
    for (const char* text : bad) {
        ASSERT_TRUE(vljson::parse(text, root)) << text;
        EXPECT_FALSE(read_login_request(root, r)) << text;
    }
}

// ---- Login and logout ---------------------------------------------------------

TEST_F(ConnectionTest, StartRecordCarriesTheRequest)
{
    const char* text = R"({"ip or id": "192.168.1.20", "port": 9000, "user": "admin", "password": "pw",
        "p2p type": "tutk", "ddns id server addr": "ddns.example", "event_check_ext_data": "ext",
        "enable_http_api_version_check": 1, "enable_new_cgi_check": true, "disable_media_in_auto_mode": true,
        "support_new_schedule": true, "real_protocol": "https",
        "login_post_data_json": {"a": 1}})";
    auto p = param(text);
    ASSERT_EQ(conn.login(p), vl_success);
    ASSERT_EQ(sdk.starts.size(), 1u);
    const auto& s = sdk.starts[0];
    EXPECT_EQ(*s.address, "192.168.1.20");
    EXPECT_EQ(s.record.port, 9000);
    EXPECT_EQ(*s.user, "admin");
    EXPECT_EQ(*s.password, "pw");
    EXPECT_EQ(s.record.word16, 0);
    EXPECT_EQ(s.record.word20, 0);
    EXPECT_EQ(s.record.word28, 1);
    EXPECT_EQ(s.record.word36, 1);
    EXPECT_EQ(s.record.word40, 0);
    EXPECT_EQ(s.record.context, &conn);
    EXPECT_NE(s.record.message_callback, nullptr);
    EXPECT_NE(s.record.status_text_callback, nullptr);
    EXPECT_NE(s.record.status_record_callback, nullptr);
    EXPECT_EQ(s.record.p2p_type, 2);
    EXPECT_EQ(*s.ddns, "ddns.example");
    EXPECT_EQ(s.record.protocol_flags, 4);
    EXPECT_EQ(s.record.real_protocol, 1);
    EXPECT_EQ(*s.remote, "windows") << "no remote_terminal_info";
    EXPECT_FALSE(s.register_uid) << "no register_uid";
    EXPECT_EQ(*s.event_ext, "ext");
    EXPECT_EQ(s.record.enable_http_api_version_check, 1);
    EXPECT_EQ(s.record.enable_new_cgi_check, 1);
    EXPECT_EQ(s.record.disable_media_in_auto_mode, 1);
    EXPECT_EQ(s.record.support_new_schedule, 1);
    EXPECT_EQ(*s.login_json, text) << "the caller's JSON, unchanged";
    EXPECT_EQ(*s.post_data, "{\n\t\"a\" : 1\n}");
    EXPECT_TRUE(conn.active());
    EXPECT_EQ(conn.login_handle(), 7);
    EXPECT_EQ(conn.label(), "192.168.1.20");

    ASSERT_EQ(conn.login(param(R"({"ip or id": "h", "remote_terminal_info": "linux", "register_uid": "u",
        "login_post_data_json": "raw text", "oem type": "no such edition"})")),
        vl_success);
    EXPECT_EQ(sdk.stopped, std::vector<int> { 7 }) << "a second login logs the first out";
    const auto& t = sdk.starts[1];
    EXPECT_EQ(*t.remote, "linux");
    EXPECT_EQ(*t.register_uid, "u");
    EXPECT_EQ(*t.post_data, "raw text");
    EXPECT_FALSE(t.ddns);
    EXPECT_FALSE(t.event_ext);
    EXPECT_EQ(t.record.oem_type, 0);
    EXPECT_EQ(t.record.protocol_flags, 0);

    ASSERT_EQ(conn.login(param(R"({"login_post_data_json": ""})")), vl_success);
    EXPECT_FALSE(sdk.starts[2].post_data) << "an empty post text is no post text";
    ASSERT_EQ(conn.login(param(R"({"login_post_data_json": 5})")), vl_success);
    EXPECT_FALSE(sdk.starts[3].post_data);
}

TEST_F(ConnectionTest, PortKeepsTheLastLoginsWhenMissing)
{
    ASSERT_EQ(conn.login(param(R"({"ip or id": "a"})")), vl_success);
    EXPECT_EQ(sdk.starts.back().record.port, 0) << "a new connection has port 0";
    ASSERT_EQ(conn.login(param(R"({"ip or id": "a", "media port": 34567})")), vl_success);
    EXPECT_EQ(sdk.starts.back().record.port, 34567);
    ASSERT_EQ(conn.login(param(R"({"ip or id": "a", "port": null})")), vl_success);
    EXPECT_EQ(sdk.starts.back().record.port, 34567) << "null counts as missing";
    ASSERT_EQ(conn.login(param(R"({"ip or id": "a", "port": 80, "media port": 9000})")), vl_success);
    EXPECT_EQ(sdk.starts.back().record.port, 80) << "\"port\" wins";
}

TEST_F(ConnectionTest, LogMasksThePasswordAndShowsWhatTheLoginRead)
{
    ASSERT_EQ(conn.login(param(R"({"ip or id": "192.168.1.20", "user": "admin", "password": "Secret_1"})")),
        vl_success);
    ASSERT_EQ(conn.login(param(R"({"ip or id": "192.168.1.21"})")), vl_success);
    std::vector<std::string> logins;
    for (const auto& line : log_lines()) {
        EXPECT_EQ(line.find("Secret_1"), std::string::npos) << line;
        if (line.find("call <connection login> result:success, param:") != std::string::npos)
            logins.push_back(line);
    }
    ASSERT_EQ(logins.size(), 2u);
    for (const auto& line : logins) {
        EXPECT_NE(line.find("\"password\" : \"******\""), std::string::npos) << line;
        EXPECT_NE(line.find("\"register_uid\" : null"), std::string::npos) << line;
        EXPECT_NE(line.find("\"p2p type\" : null"), std::string::npos) << line;
    }
    EXPECT_NE(logins[1].find("[192.168.1.21] call <connection login>"), std::string::npos) << logins[1];
    EXPECT_TRUE(logged("[192.168.1.20] call <connection logout> result:success"));
}

TEST_F(ConnectionTest, UnreadableLoginIsRefusedBeforeAnyStart)
{
    for (const char* text : { static_cast<const char*>(nullptr), "{", "[1]", R"({"user": {}})" }) {
        EXPECT_EQ(conn.login(param(text)), vl_parse_json_error) << (text ? text : "(null)");
    }
    EXPECT_TRUE(sdk.starts.empty());
    EXPECT_FALSE(conn.active());
    EXPECT_TRUE(logged("call <connection login> error:vl_parse_json_error"));
}

TEST_F(ConnectionTest, RefusedStartFailsAndTheConnectionStaysClosed)
{
    sdk.refuse = true;
    EXPECT_EQ(conn.login(param(R"({"ip or id": "x"})")), vl_fail);
    EXPECT_FALSE(conn.active());
    EXPECT_EQ(conn.login_handle(), 0);
    EXPECT_TRUE(logged("[x] call <connection login> result:fail"));
    const size_t lines = log_lines().size();
    EXPECT_EQ(conn.logout(), vl_success);
    EXPECT_EQ(log_lines().size(), lines) << "logout of a connection that never started writes nothing";
    EXPECT_TRUE(sdk.stopped.empty());
}

// ---- Statuses ---------------------------------------------------------------------

TEST_F(ConnectionTest, StatusTextsAndTheStatusesThatSayNothing)
{
    ASSERT_EQ(conn.login(param(R"({"ip or id": "d"})")), vl_success);
    struct Case {
        int status;
        const char* json; // null: no callback
    } cases[] = {
        { 999, nullptr },
        { 1, nullptr },
        { 0, R"({"status":"connecting"})" },
        { 103, R"({"status":"user or password error"})" },
        { 104, R"({"status":"user or password error"})" },
        { 4, R"({"status":"close"})" },
        { 108, R"({"status":"max user"})" },
        { 112, R"({"status":"force close brower"})" },
        { 153, R"({"status":"login_failed_or_block"})" },
        { 164, R"({"status":"need_double_check"})" },
    };
    for (const auto& c : cases) {
        caller.statuses.clear();
        sdk.status(c.status);
        if (!c.json) {
            EXPECT_TRUE(caller.statuses.empty()) << c.status;
        } else {
            ASSERT_EQ(caller.statuses.size(), 1u) << c.status;
            EXPECT_EQ(caller.statuses[0], c.json);
        }
    }
    EXPECT_TRUE(logged("[d] <conn_callback>, param:{\"status\":\"user or password error\"}"));
}

TEST_F(ConnectionTest, HttpSuccessCarriesTokenCookieAndTheChannelTable)
{
    sdk.dev = fake::device_of_type(3, 3);
    std::strcpy(sdk.http.real_address, "nvr.example");
    std::strcpy(sdk.http.address, "192.168.1.30");
    sdk.http.port = 443;
    sdk.http.real_port = 9000;
    sdk.http.https = 1;
    std::strcpy(sdk.http.token, "tok123");
    std::strcpy(sdk.http.cookie, "session=abc");
    std::strcpy(sdk.http.protocol, "https");
    std::strcpy(sdk.http.user_name, "admin");
    sdk.http.activation_password = 1;
    ASSERT_EQ(conn.login(param(R"({"ip or id": "nvr.example", "protocol": "https"})")), vl_success);

    const char* device_info = R"({"data": {"talkback": "TalkFull"}})";
    const char* channel_info = R"({"data": {"channel_param": {"items": [
        {"channel": "Door", "connect_status": "Online", "ability": ["Mainstream"]},
        {"channel": "Yard", "connect_status": "Offline"},
        {"channel": "Pool", "connect_status": "Sleep"}]}}})";
    sdk.status(152, device_info, channel_info);
    ASSERT_EQ(caller.statuses.size(), 1u);
    Json::Value s = json(caller.statuses[0]);
    EXPECT_EQ(s["status"], "success");
    const Json::Value& info = s["info"];
    EXPECT_EQ(info["token"], "tok123");
    EXPECT_EQ(info["cookie"], "session=abc");
    EXPECT_EQ(info["ip"], "192.168.1.30");
    EXPECT_EQ(info["port"], 443);
    EXPECT_EQ(info["real_ip_or_id"], "nvr.example");
    EXPECT_EQ(info["real_port"], 9000);
    EXPECT_EQ(info["protocol"], "https");
    EXPECT_EQ(info["is_https"], 1);
    EXPECT_EQ(info["username"], "admin");
    EXPECT_EQ(info["activation_pwd"], true);
    EXPECT_EQ(info["syn_activation_pwd_enable"], false);
    EXPECT_EQ(info["device_info"], device_info);
    EXPECT_EQ(info["channel_info"], channel_info);
    EXPECT_EQ(caller.statuses[0].find('\n'), std::string::npos) << "status texts are compact";
    EXPECT_EQ(conn.login_kind(), kLoginHttps);
    EXPECT_TRUE(sdk.commands.empty()) << "an HTTP login asks for no status messages";

    ASSERT_EQ(caller.messages.size(), 1u);
    EXPECT_EQ(caller.messages[0].first, "VLSDKChannelStatusEx");
    EXPECT_EQ(
        vljson::write_compact(caller.messages[0].second), R"([{"online":1},{"online":0},{"online":3}])");
    EXPECT_TRUE(logged("channel_status:{103}"));

    // A media login's success names the address but no web session.
    caller.statuses.clear();
    sdk.dev = fake::device_of_type(4, 1);
    sdk.status(101);
    ASSERT_GE(caller.statuses.size(), 1u);
    s = json(caller.statuses[0]);
    EXPECT_EQ(s["info"]["ip"], "192.168.1.30");
    EXPECT_FALSE(s["info"].isMember("token"));
    EXPECT_FALSE(s["info"].isMember("cookie"));

    // No HTTP record: no "info".
    caller.statuses.clear();
    sdk.http_ok = false;
    sdk.status(151);
    ASSERT_EQ(caller.statuses.size(), 1u);
    EXPECT_EQ(caller.statuses[0], R"({"status":"success"})");
}

TEST_F(ConnectionTest, RecorderSuccessIsHeldUntilItsChannelStatus)
{
    sdk.dev = fake::device_of_type(3, 2);
    ASSERT_EQ(conn.login(param(R"({"ip or id": "nvr"})")), vl_success);
    sdk.status(0);
    sdk.status(101);
    EXPECT_EQ(caller.statuses, std::vector<std::string> { R"({"status":"connecting"})" })
        << "success is held";
    EXPECT_EQ(sdk.commands, (std::vector<int> { 611, 610 }));
    EXPECT_EQ(conn.login_kind(), kLoginMedia);

    auto payload = channel_payload(2);
    sdk.message(611, payload.data(), int(payload.size()));
    ASSERT_EQ(caller.statuses.size(), 2u);
    EXPECT_EQ(json(caller.statuses[1])["status"], "success");
    // A recorder's channels are online as its records say, nothing made up.
    EXPECT_EQ(caller.names(),
        (std::vector<std::string> { "MsgRemoteCHStatusReq", "VLSDKChannelStatus", "VLSDKChannelStatusEx" }));
    EXPECT_EQ(caller.messages[0].first, "MsgRemoteCHStatusReq");
    ASSERT_EQ(caller.messages[0].second.size(), 2u);
    EXPECT_EQ(caller.messages[0].second[1]["CurChnName"], "CH2");
    EXPECT_EQ(caller.messages[0].second[1]["CurChnState"], 2);
    EXPECT_EQ(caller.messages[0].second[1]["AbilitiesArr"].size(), 8u);
    EXPECT_EQ(vljson::write_compact(caller.messages[1].second), R"([{"online":true},{"online":true}])");
    EXPECT_EQ(vljson::write_compact(caller.messages[2].second), R"([{"online":1},{"online":1}])");
    EXPECT_EQ(caller.events.back(), "raw 611 " + std::to_string(payload.size()));
    const auto reply = std::find(caller.events.begin(), caller.events.end(), "message MsgRemoteCHStatusReq");
    ASSERT_NE(reply, caller.events.begin());
    EXPECT_EQ((reply - 1)->rfind("status ", 0), 0u)
        << "the held status goes out before the message that released it";

    // A later status is not held any more.
    sdk.status(102);
    EXPECT_EQ(caller.statuses.back(), R"({"status":"user logined"})");
}

TEST_F(ConnectionTest, ACloseDiscardsWhatIsHeld)
{
    sdk.dev = fake::device_of_type(6, 4);
    ASSERT_EQ(conn.login(param(R"({"ip or id": "dvr"})")), vl_success);
    sdk.status(101);
    EXPECT_TRUE(caller.statuses.empty());
    sdk.status(2);
    EXPECT_EQ(caller.statuses, std::vector<std::string> { R"({"status":"close"})" });
    auto payload = channel_payload(4);
    sdk.message(611, payload.data(), int(payload.size()));
    EXPECT_EQ(caller.statuses.size(), 1u) << "the discarded success never comes";
}

TEST_F(ConnectionTest, WithoutMessageCallbackNothingIsHeld)
{
    sdk.dev = fake::device_of_type(3, 2);
    ASSERT_EQ(conn.login(param(R"({"ip or id": "nvr"})", false, true)), vl_success);
    sdk.status(101);
    ASSERT_EQ(caller.statuses.size(), 1u);
    EXPECT_EQ(json(caller.statuses[0])["status"], "success");
    auto payload = channel_payload(2);
    sdk.message(611, payload.data(), int(payload.size()));
    EXPECT_EQ(caller.statuses.size(), 1u);
    EXPECT_TRUE(caller.messages.empty());
    channel_record r;
    EXPECT_TRUE(conn.channel_record_at(1, &r)) << "the records abilities are read from are kept";
    EXPECT_EQ(caller.events.back(), "raw 611 " + std::to_string(payload.size()));
}

TEST_F(ConnectionTest, HoldingNeedsTheChannelStatusRequestToGoOut)
{
    sdk.dev = fake::device_of_type(3, 2);
    sdk.command_ok = false;
    ASSERT_EQ(conn.login(param(R"({"ip or id": "nvr"})")), vl_success);
    sdk.status(101);
    ASSERT_EQ(caller.statuses.size(), 1u) << "no reply will come, so nothing waits for one";

    // "disable auto send msg": no requests, no holding.
    sdk.command_ok = true;
    sdk.commands.clear();
    caller.statuses.clear();
    ASSERT_EQ(conn.login(param(R"({"ip or id": "nvr", "disable auto send msg": true})")), vl_success);
    sdk.status(101);
    EXPECT_EQ(caller.statuses.size(), 1u);
    EXPECT_TRUE(sdk.commands.empty());
}

TEST_F(ConnectionTest, AReplyConvertedBeforeTheStatusReturnsReleasesIt)
{
    // The reply to the request may be converted on another VLNet thread
    // while the status handler is still busy; the success must not wait for
    // a second reply.
    sdk.dev = fake::device_of_type(3, 1);
    auto payload = channel_payload(1);
    sdk.on_command = [&](int command) {
        if (command == 611)
            sdk.message(611, payload.data(), int(payload.size()));
    };
    ASSERT_EQ(conn.login(param(R"({"ip or id": "nvr"})")), vl_success);
    sdk.status(101);
    ASSERT_EQ(caller.statuses.size(), 1u);
    EXPECT_EQ(json(caller.statuses[0])["status"], "success");
}

TEST_F(ConnectionTest, CameraSuccessReportsItsChannelsOnline)
{
    sdk.dev = fake::device_of_type(4, 4);
    sdk.dev.flags230 = VLNET_F230_INTELLIGENT_ANALYSIS;
    ASSERT_EQ(conn.login(param(R"({"ip or id": "ipc"})")), vl_success);
    sdk.status(101);
    EXPECT_EQ(sdk.commands, (std::vector<int> { 610, 612, 613 }));
    ASSERT_EQ(caller.statuses.size(), 1u);
    ASSERT_EQ(caller.messages.size(), 2u);
    EXPECT_EQ(caller.messages[0].first, "VLSDKChannelStatus");
    EXPECT_EQ(vljson::write_compact(caller.messages[0].second),
        R"([{"online":true},{"online":true},{"online":true},{"online":true}])");
    EXPECT_EQ(caller.messages[1].first, "VLSDKChannelStatusEx");
    EXPECT_EQ(vljson::write_compact(caller.messages[1].second),
        R"([{"online":1},{"online":1},{"online":1},{"online":1}])");
    EXPECT_TRUE(logged("channel_status:{1111}"));

    // A channel count beyond the tables is cut to them.
    caller.messages.clear();
    sdk.dev = fake::device_of_type(4, 1000);
    sdk.status(101);
    ASSERT_EQ(caller.messages.size(), 2u);
    EXPECT_EQ(caller.messages[0].second.size(), 256u);
    EXPECT_EQ(conn.channel_count(), 1000) << "the device's own count stays as it said";

    // No channels: nothing to report.
    caller.messages.clear();
    sdk.dev = fake::device_of_type(4, 0);
    sdk.status(101);
    EXPECT_TRUE(caller.messages.empty());
}

TEST_F(ConnectionTest, ChannelStatusReplyIsBoundedByItsPayload)
{
    sdk.dev = fake::device_of_type(3, 8);
    ASSERT_EQ(conn.login(param(R"({"ip or id": "nvr"})")), vl_success);
    sdk.status(101);

    auto three = channel_payload(3);
    three.resize(three.size() - 100); // the third record is cut short
    sdk.message(611, three.data(), int(three.size()));
    auto replies = caller.named("MsgRemoteCHStatusReq");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].size(), 3u) << "only records that begin inside the payload";
    EXPECT_EQ(caller.statuses.size(), 1u);

    // Shorter records (an older device) are read at their own stride.
    auto short_records = channel_payload(2, 200);
    sdk.message(611, short_records.data(), int(short_records.size()));
    replies = caller.named("MsgRemoteCHStatusReq");
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1][1]["CurChnName"], "CH2");
    EXPECT_EQ(replies[1][1]["AbilitiesArr"][0].asUInt(), 0u) << "beyond the stride: zero";

    // No usable stride, a null payload: nothing is sent.
    uint32_t zero = 0;
    sdk.message(611, &zero, 4);
    sdk.message(611, nullptr, 0);
    EXPECT_EQ(caller.named("MsgRemoteCHStatusReq").size(), 2u);
}

TEST_F(ConnectionTest, EmptyChannelStatusStillReleasesHeldStatuses)
{
    sdk.dev = fake::device_of_type(3, 0);
    sdk.dev.sys_channel_num = 0;
    ASSERT_EQ(conn.login(param(R"({"ip or id": "nvr"})")), vl_success);
    sdk.status(101);
    EXPECT_TRUE(caller.statuses.empty());
    sdk.message(611, nullptr, 0);
    EXPECT_EQ(caller.statuses.size(), 1u);
    EXPECT_TRUE(caller.messages.empty());
}

TEST_F(ConnectionTest, WithoutStatusCallbackNothingIsProcessed)
{
    sdk.dev = fake::device_of_type(4, 2);
    auto p = param(R"({"ip or id": "ipc"})");
    p.status_callback = nullptr;
    ASSERT_EQ(conn.login(p), vl_success);
    sdk.status(101);
    EXPECT_EQ(sdk.dev_info_calls, 0);
    EXPECT_EQ(conn.login_kind(), kLoginNone);
    EXPECT_EQ(conn.device_type(), 0) << "the login response stays all zeros";
    EXPECT_TRUE(caller.events.empty());
}

TEST_F(ConnectionTest, ModeStatusesReadTheirRecordOthersTheirBody)
{
    ASSERT_EQ(conn.login(param(R"({"ip or id": "p2p"})")), vl_success);
    VLNET_MODE_INFO mode;
    std::memset(&mode, 0, sizeof mode);
    mode.vid = 1;
    mode.pid = 2;
    mode.gid = 3;
    mode.current_region = "eu";
    sdk.status_record(122, &mode);
    std::memset(&mode, 0, sizeof mode);
    mode.regions_list = "eu,us";
    sdk.status_record(121, &mode);
    sdk.status_record(163, "rebooting");
    ASSERT_EQ(caller.statuses.size(), 3u);
    EXPECT_EQ(caller.statuses[0], R"({"current_region":"eu","gid":3,"pid":2,"status":"relay mode","vid":1})");
    EXPECT_EQ(caller.statuses[1], R"({"regions_list":"eu,us","status":"p2p mode"})");
    EXPECT_EQ(caller.statuses[2], R"({"http_body":"rebooting","status":"device reboot"})");
}

TEST_F(ConnectionTest, MessageDispatch)
{
    ASSERT_EQ(conn.login(param(R"({"ip or id": "d"})")), vl_success);
    const char alarm[] = R"({"a":1})";
    sdk.message(-33, alarm, 7);
    ASSERT_EQ(caller.messages.size(), 1u);
    EXPECT_EQ(caller.messages[0].first, "VLSDKSwitchAlarmStatusEx");
    EXPECT_EQ(vljson::write_compact(caller.messages[0].second), alarm);
    EXPECT_EQ(caller.events.back(), "raw 65503 7");

    sdk.message(275, "x", 1); // a message without a converter: raw only
    EXPECT_EQ(caller.events.back(), "raw 275 1");
    EXPECT_EQ(caller.messages.size(), 1u);

    // Without a message callback only the raw call remains; without either, nothing.
    ASSERT_EQ(conn.login(param(R"({"ip or id": "d"})", false, true)), vl_success);
    caller.events.clear();
    sdk.message(-33, alarm, 7);
    EXPECT_EQ(caller.events, std::vector<std::string> { "raw 65503 7" });
    ASSERT_EQ(conn.login(param(R"({"ip or id": "d"})", false, false)), vl_success);
    caller.events.clear();
    sdk.message(-33, alarm, 7);
    EXPECT_TRUE(caller.events.empty());
}

TEST_F(ConnectionTest, NothingReachesTheCallerAfterLogout)
{
    sdk.dev = fake::device_of_type(4, 1);
    ASSERT_EQ(conn.login(param(R"({"ip or id": "d"})")), vl_success);
    const auto start = sdk.starts.back();
    EXPECT_EQ(conn.logout(), vl_success);
    EXPECT_EQ(sdk.stopped, std::vector<int> { 7 });
    EXPECT_FALSE(conn.active());
    // A late call from the SDK (it must make none) would still be dropped.
    start.record.status_text_callback(101, nullptr, nullptr, start.record.context);
    start.record.message_callback(611, nullptr, 0, start.record.context);
    start.record.status_text_callback(101, nullptr, nullptr, nullptr);
    EXPECT_TRUE(caller.events.empty());
}
