// Device messages end to end: simulated devices raise alarms (once or on a
// schedule) and report their channels; the caller's message callback
// receives the named JSON messages and their summaries, and asks the
// device's abilities and the user's rights through the exports.
#include "lab_session.h"
#include "support/devsim.h"
#include "support/vlnet_lab.h"
#include "vl_sdk_wrapper.h"

#include <gtest/gtest.h>
#include <json/json.h>
#include <string>
#include <vector>

using lab_session::Session;

namespace
{

class MessagesLab : public lab_session::DeviceLab
{
protected:
    static void SetUpTestSuite()
    {
        startLab({ "200", "2000", "3000", "300" },
            { "--generate", "16", "--seed", "4", "--inactive-percent", "0" });
    }

    static Json::Value command(const char* cmd, int n, Json::Value fields = Json::Value(Json::objectValue))
    {
        fields["cmd"] = cmd;
        fields["device"] = n;
        return sim->must(fields);
    }
    static Json::Value alarm(int n, int channel, const char* type, bool on = true)
    {
        Json::Value f(Json::objectValue);
        f["channel"] = channel;
        f["type"] = type;
        f["on"] = on;
        return command("alarm", n, f);
    }
    static bool ability(device* d, const char* term, int channel)
    {
        const std::string json
            = std::string(R"({"term": ")") + term + R"(", "channel": )" + std::to_string(channel) + "}";
        return vl_has_ability(d, json.c_str());
    }
    static bool authority(device* d, const char* term, int channel)
    {
        const std::string json
            = std::string(R"({"term": ")") + term + R"(", "channel": )" + std::to_string(channel) + "}";
        return vl_has_authority(d, json.c_str());
    }
};

} // namespace

TEST_F(MessagesLab, CameraAlarmReachesTheCallerAsNamedJson)
{
    const int n = first("ipc");
    device* d = vl_create_device();
    Session s;
    ASSERT_EQ(login(d, s, n), vl_success);
    ASSERT_TRUE(s.wait_status("success"));
    ASSERT_TRUE(s.wait_message("MsgDevAllStatusReq")) << "a camera is asked for its all-status record";

    EXPECT_EQ(alarm(n, 0, "motion")["sessions"], 1);
    ASSERT_TRUE(s.wait_message("MsgMotionAlarm"));
    const Json::Value m = s.message("MsgMotionAlarm");
    EXPECT_EQ(m["Channel"].asUInt(), 1u);
    EXPECT_EQ(m["Status"], 1);
    EXPECT_TRUE(m.isMember("bBoxEnable")) << "the device announces the long alarm record";
    ASSERT_TRUE(s.wait_message("VLSDKAlarmStatusEx"));
    EXPECT_EQ(s.message("VLSDKAlarmStatus")[0]["motion"], 1);
    EXPECT_EQ(s.message("VLSDKAlarmStatusEx")["alarm_list"][0]["motion"], 1);
    EXPECT_TRUE(s.wait([&] {
        for (int id : s.raw)
            if (id == 191)
                return true;
        return false;
    })) << "and unchanged to the raw-message callback";

    // On a schedule: on and off, four times.
    Json::Value every(Json::objectValue);
    every["every_ms"] = 100;
    every["count"] = 4;
    every["alarm"]["channel"] = 0;
    every["alarm"]["type"] = "io";
    command("schedule", n, every);
    ASSERT_TRUE(s.wait_count("MsgIOAlarm", 4));
    const auto io = s.all("MsgIOAlarm");
    ASSERT_EQ(io.size(), 4u);
    for (size_t k = 0; k < io.size(); ++k)
        EXPECT_EQ(io[k]["Status"].asInt(), k % 2 == 0 ? 1 : 0) << k;
    EXPECT_EQ(state(n)["channels"][0]["alarms"]["io"], false);
    vl_destroy_device(d);
}

TEST_F(MessagesLab, RecorderChannelsAbilitiesAndSmartAlarms)
{
    const int n = first("nvr");
    Json::Value change(Json::objectValue);
    Json::Value channels(Json::arrayValue);
    for (int c = 0; c < 4; ++c) {
        Json::Value ch(Json::objectValue);
        ch["name"] = "Cam" + std::to_string(c + 1);
        ch["online"] = c != 1;
        channels.append(ch);
    }
    channels[0]["abilities"] = 0x7u | 1u << 28; // streams and half-duplex talk
    channels[1]["abilities"] = 0u;
    channels[2]["abilities_arr"] = Json::Value(Json::arrayValue);
    for (uint32_t w : { 0u, 0u, 0x40000000u })
        channels[2]["abilities_arr"].append(w);
    change["channels"] = channels;
    Json::Value viewer(Json::objectValue);
    viewer["name"] = "viewer";
    viewer["password"] = "Viewer_123";
    viewer["rights"]["preview"] = false;
    viewer["rights"]["ptz"] = false;
    change["users"].append(viewer);
    set(n, change);

    device* d = vl_create_device();
    Session s;
    ASSERT_EQ(login(d, s, n, R"("protocol": "media")"), vl_success);
    ASSERT_TRUE(s.wait_status("success"));
    ASSERT_TRUE(s.wait_message("VLSDKChannelStatusEx"));
    const Json::Value records = s.message("MsgRemoteCHStatusReq");
    ASSERT_GE(records.size(), 4u);
    EXPECT_EQ(records[2]["AbilitiesArr"][2].asUInt(), 0x40000000u) << "the region-form word";
    const Json::Value online = s.message("VLSDKChannelStatus");
    EXPECT_EQ(online[0]["online"], true);
    EXPECT_EQ(online[1]["online"], false);
    EXPECT_EQ(s.message("VLSDKChannelStatusEx")[1]["online"], 0);

    EXPECT_TRUE(ability(d, "main stream", 0));
    EXPECT_TRUE(ability(d, "talk to channel half duplex", 0));
    EXPECT_FALSE(ability(d, "talk to channel full duplex", 0));
    EXPECT_FALSE(ability(d, "main stream", 1));
    EXPECT_TRUE(ability(d, "main stream", 2));
    EXPECT_FALSE(ability(d, "main stream", 300));
    EXPECT_TRUE(authority(d, "preview", 0));
    EXPECT_TRUE(authority(d, "ptz", 3));
    EXPECT_FALSE(authority(d, "preview", 4)) << "the device has four channels";

    // A smart alarm with its subtype (line crossing) on channel 2.
    Json::Value smart(Json::objectValue);
    smart["channel"] = 2;
    smart["type"] = "smart";
    smart["smart_type"] = 8;
    command("alarm", n, smart);
    ASSERT_TRUE(s.wait_message("MsgAlarmIntManage"));
    ASSERT_TRUE(s.wait_message("VLSDKAlarmStatus"));
    const Json::Value report = s.message("VLSDKAlarmStatus");
    EXPECT_EQ(report[2]["smart"], 1);
    EXPECT_EQ(report[2]["smart lcd"], 1);
    EXPECT_EQ(report[0]["smart"], 0);

    // The rights of another user.
    Session viewer_session;
    ASSERT_EQ(login(d, viewer_session, n, R"("user": "viewer")", "Viewer_123"), vl_success);
    ASSERT_TRUE(viewer_session.wait_status("success"));
    EXPECT_FALSE(authority(d, "preview", 0));
    EXPECT_FALSE(authority(d, "ptz", 0));
    EXPECT_TRUE(authority(d, "remote playback", 0));
    vl_destroy_device(d);
}

TEST_F(MessagesLab, DvrVideoLossAndAnHttpLoginsAbilities)
{
    const int n = first("dvr");
    device* d = vl_create_device();
    Session s;
    ASSERT_EQ(login(d, s, n, R"("protocol": "media")"), vl_success);
    ASSERT_TRUE(s.wait_status("success"));
    ASSERT_TRUE(s.wait_message("MsgDevAllStatusReq"));
    size_t all_status = s.all("MsgDevAllStatusReq").size();
    alarm(n, 1, "video_loss");
    ASSERT_TRUE(s.wait_message("MsgVLossAlarm"));
    const Json::Value loss = s.message("MsgVLossAlarm");
    ASSERT_GE(loss.size(), 2u);
    EXPECT_EQ(loss[1]["ch"], 1);
    EXPECT_EQ(loss[1]["state"], 1);
    EXPECT_TRUE(s.wait_count("MsgDevAllStatusReq", all_status + 1))
        << "a video loss asks for the all-status record";
    alarm(n, 1, "video_loss", false);

    // Over HTTP the web abilities answer.
    Session web;
    const Json::Value dev = state(n);
    ASSERT_EQ(login(d, web, n, R"("protocol": "http", "port": )" + dev["network"]["web_port"].asString()),
        vl_success);
    ASSERT_TRUE(web.wait_status("success"));
    EXPECT_TRUE(ability(d, "talk to device", 0)) << "a recorder's web interface offers full-duplex talk";
    EXPECT_TRUE(ability(d, "main stream", 0));
    EXPECT_TRUE(ability(d, "sub stream", 0));
    EXPECT_FALSE(ability(d, "ptz", 0));
    EXPECT_TRUE(ability(d, "new record download", 0));
    vl_destroy_device(d);
}
