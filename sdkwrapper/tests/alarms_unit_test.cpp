// The channel and alarm tables of a connection and their reports:
// "VLSDKAlarmStatus"/"VLSDKAlarmStatusEx" from alarms, record statuses,
// all-status records and alarm lists, and "VLSDKChannelStatus"/"Ex" from
// channel statuses, video loss and status reports, with a fake network SDK.
#include "connection_fixture.h"
#include "vlnet_messages.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

using namespace vlsdk;

namespace
{

const char* const kAllKeys[] = { "record", "motion", "io", "hdd", "lens cover", "smart", "pir", "lcd", "pid",
    "sod", "smart lcd", "smart sod", "smart pid", "smart pd", "smart fd", "smart cc", "sound", "vt", "pvd",
    "cd", "qd", "lpd", "rsd", "ad" };

class AlarmTest : public DeviceMessageTest
{
protected:
    // The last alarm report.
    Json::Value alarms() const
    {
        const auto all = caller.named("VLSDKAlarmStatus");
        return all.empty() ? Json::Value() : all.back();
    }
    Json::Value online_ex() const
    {
        const auto all = caller.named("VLSDKChannelStatusEx");
        return all.empty() ? Json::Value() : all.back();
    }

    VLNET_ALARM_INFO alarm(uint32_t channel, int32_t status, uint32_t alarm_type = 0)
    {
        auto r = zeroed<VLNET_ALARM_INFO>();
        r.channel = channel;
        r.status = status;
        r.alarm_type = alarm_type;
        return r;
    }
};

} // namespace

TEST_F(AlarmTest, FirstReportAfterLoginListsEveryFieldThenOnlyChanges)
{
    login_to(4, 4);
    send(191, alarm(4, 1)); // bit 2: channel 2
    EXPECT_EQ(caller.names(),
        (std::vector<std::string> { "MsgMotionAlarm", "VLSDKAlarmStatus", "VLSDKAlarmStatusEx" }));
    Json::Value report = alarms();
    ASSERT_EQ(report.size(), 4u);
    for (Json::ArrayIndex c = 0; c < 4; ++c) {
        ASSERT_EQ(report[c].size(), 24u) << c;
        for (const char* key : kAllKeys)
            EXPECT_EQ(report[c][key], c == 2 && std::string(key) == "motion" ? 1 : 0) << c << " " << key;
    }
    EXPECT_EQ(caller.named("VLSDKAlarmStatusEx").at(0)["alarm_list"], report);

    caller = Caller();
    send(191, alarm(4, 0));
    EXPECT_EQ(vljson::write_compact(alarms()), R"([null,null,{"motion":0},null])");

    // A "Channel" without a bit below the channel count is channel 0.
    caller = Caller();
    send(191, alarm(1u << 8, 1));
    EXPECT_EQ(vljson::write_compact(alarms()), R"([{"motion":1},null,null,null])");

    // The same alarm again changes nothing, but is still reported.
    caller = Caller();
    send(191, alarm(1u << 8, 1));
    EXPECT_EQ(vljson::write_compact(alarms()), R"([null,null,null,null])");
}

TEST_F(AlarmTest, PerTypeAlarmsSetTheirFields)
{
    struct Case {
        int type;
        int id;
        uint32_t channel;
        int32_t status;
        const char* key; // null: nothing reported
    } cases[] = {
        { 4, 191, 1, 1, "motion" }, { 4, 192, 1, 1, "io" }, { 4, 187, 1, 1, "pir" },
        { 4, 207, 1, 1, "lens cover" }, { 4, 215, 1, 1, "lcd" }, { 4, 218, 1, 1, "pid" },
        { 4, 216, 1, 1, "sod" }, { 4, 191, 1, 2, nullptr }, // "Status" other than 1 is no alarm
        { 3, 207, 2, 1, "lens cover" }, { 3, 192, 1, 1, nullptr }, // a recorder's I/O alarm changes no state
        { 6, 191, 1, 1, nullptr }, // and a DVR's motion alarm is not converted
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + std::to_string(c.id));
        login_to(c.type, 2);
        if (c.id == 207) {
            auto r = zeroed<VLNET_VIDEO_HIDE_ALARM>();
            r.channel = c.channel;
            r.status = uint32_t(c.status);
            send(c.id, r);
        } else {
            send(c.id, alarm(c.channel, c.status));
        }
        const Json::Value report = alarms();
        const int channel = c.channel == 2 ? 1 : 0;
        for (const char* key : kAllKeys) {
            const int want = c.key && std::string(key) == c.key ? 1 : 0;
            EXPECT_EQ(report[channel][key].asInt(), want) << key;
        }
    }
}

TEST_F(AlarmTest, RecordStatusOfACamera)
{
    struct Case {
        int record_status;
        uint32_t type;
        std::map<std::string, int> fields; // of record, motion, io, smart, pir; the rest 0
    } cases[] = {
        { 1, 0, { { "record", 2 } } },
        { 1, 2, { { "motion", 2 } } },
        { 1, 3, { { "io", 2 } } },
        { 1, 13, { { "smart", 2 } } },
        { 1, 15, { { "pir", 2 } } },
        { 0, 5, {} },
        { 0, 13, { { "smart", 2 } } },
        { 0, 14, {} },
        { 0, 15, { { "pir", 2 } } },
        { 0, 16, {} },
        { 1, 99, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.record_status) + "/" + std::to_string(c.type));
        login_to(4, 1);
        auto r = zeroed<VLNET_RECORD_STATUS_REPORT>();
        r.record_status = uint8_t(c.record_status);
        r.type = c.type;
        send(212, r);
        const Json::Value report = alarms();
        ASSERT_EQ(report.size(), 1u);
        for (const char* key : { "record", "motion", "io", "smart", "pir" }) {
            const auto it = c.fields.find(key);
            EXPECT_EQ(report[0][key].asInt(), it == c.fields.end() ? 0 : it->second) << key;
        }
    }
}

TEST_F(AlarmTest, AlarmsReportedByRecordStatusIgnoreTheirOwnMessages)
{
    login_to(4, 1);
    auto r = zeroed<VLNET_RECORD_STATUS_REPORT>();
    r.record_status = 1;
    r.type = 2;
    send(212, r);
    caller = Caller();
    send(191, alarm(1, 0));
    EXPECT_EQ(caller.names(), std::vector<std::string> { "MsgMotionAlarm" })
        << "motion comes by record status now";

    r.record_status = 0;
    r.type = 5;
    send(212, r);
    EXPECT_EQ(vljson::write_compact(alarms()), R"([{"motion":0}])");
    caller = Caller();
    send(191, alarm(1, 1));
    EXPECT_EQ(vljson::write_compact(alarms()), R"([{"motion":1}])");
}

TEST_F(AlarmTest, SmartAlarmsAndTheirSubtypes)
{
    // A camera: the alarm-type bits 3 (line crossing) and 7 (pedestrian).
    login_to(4, 1);
    send(251, alarm(1, 1, VLNET_SMART_LCD | VLNET_SMART_PD));
    Json::Value report = alarms();
    EXPECT_EQ(report[0]["smart"], 1);
    EXPECT_EQ(report[0]["smart lcd"], 1);
    EXPECT_EQ(report[0]["smart pd"], 1);
    EXPECT_EQ(report[0]["smart sod"], 0);

    // Raised by the camera's web client: not a smart alarm of its own.
    login_to(4, 1);
    auto web = alarm(1, 1, VLNET_SMART_LCD);
    web.msg_valid_flag_ipc_web = 1;
    send(251, web);
    EXPECT_TRUE(caller.named("VLSDKAlarmStatus").empty());

    // A recorder: the channels of the mask, each by its state bit.
    login_to(3, 40);
    send(251, alarm(0x5, 0x4, VLNET_SMART_SOD));
    report = alarms();
    ASSERT_EQ(report.size(), 40u);
    EXPECT_EQ(report[0]["smart"], 0);
    EXPECT_EQ(report[2]["smart"], 1);
    EXPECT_EQ(report[2]["smart sod"], 1);
    EXPECT_EQ(report[1]["smart"], 0);
}

TEST_F(AlarmTest, DiskStateByDeviceType)
{
    struct Case {
        int type;
        int disk;
        int reported;
    } cases[] = { { 4, 2, 0 }, { 4, 1, 2 }, { 3, 1, 0 }, { 3, 2, 2 }, { 6, 0, 2 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + std::to_string(c.disk));
        login_to(c.type, 2);
        auto r = zeroed<VLNET_HDD_STATUS_REPORT>();
        r.hdd_status = uint8_t(c.disk);
        send(213, r);
        EXPECT_EQ(alarms()[0]["hdd"].asInt(), c.reported);
    }
}

TEST_F(AlarmTest, AllStatusRecordDerivesEveryChannelsAlarms)
{
    auto all = zeroed<VLNET_ALL_STATUS>();
    all.hdd_status[0] = 1;
    all.record_all_status[0] = 5; // motion and I/O by record
    all.record_all_status[1] = 1; // recording
    all.record_all_status[2] = 18; // smart by record
    all.record_all_status_ext[0][3] = 7; // channel 35: PIR by record
    all.motion_status = 1u << 3;
    all.io_status_ext[0] = 1u << 4; // channel 36
    all.intelligent_chn_status_ext[0] = 1u << 5; // channel 37

    // Only a device whose page control says so.
    login_to(3, 40);
    send(610, all);
    EXPECT_EQ(caller.names(), std::vector<std::string> { "MsgDevAllStatusReq" });

    login_to(3, 40, true, [](VLNET_DEVICE_INFO& d) { d.page_control = 1u << 18; });
    send(610, all);
    Json::Value report = alarms();
    ASSERT_EQ(report.size(), 40u);
    EXPECT_EQ(report[0]["hdd"], 0);
    EXPECT_EQ(report[0]["motion"], 2);
    EXPECT_EQ(report[0]["io"], 2);
    EXPECT_EQ(report[1]["record"], 2);
    EXPECT_EQ(report[2]["smart"], 2);
    EXPECT_EQ(report[3]["motion"], 1);
    EXPECT_EQ(report[35]["pir"], 2);
    EXPECT_EQ(report[36]["io"], 1);
    EXPECT_EQ(report[37]["smart"], 1);
    EXPECT_EQ(report[4]["motion"], 0);

    // The next record without them clears what they held.
    caller = Caller();
    auto quiet = zeroed<VLNET_ALL_STATUS>();
    quiet.hdd_status[0] = 1;
    send(610, quiet);
    report = alarms();
    EXPECT_EQ(vljson::write_compact(report[0]), R"({"io":0,"motion":0})");
    EXPECT_EQ(vljson::write_compact(report[35]), R"({"pir":0})");
    EXPECT_TRUE(report[4].isNull());

    // A device-wide smart word marks every channel, with its subtypes.
    caller = Caller();
    quiet.intelligent_status = VLNET_SMART_PID;
    quiet.record_all_status[2] = 18;
    send(610, quiet);
    report = alarms();
    EXPECT_EQ(report[0]["smart"], 1);
    EXPECT_EQ(report[0]["smart pid"], 1);
    EXPECT_EQ(report[39]["smart"], 1);
    EXPECT_EQ(report[2]["smart"], 2);
    EXPECT_EQ(report[2]["smart pid"], 2);
}

TEST_F(AlarmTest, ChannelStatusDerivesBothOnlineTables)
{
    struct Channel {
        int8_t state;
        int8_t video_loss;
        bool wireless;
        bool online;
        int online_ex;
    } channels[] = {
        { 2, 0, false, true, 1 },
        { 3, 0, false, false, 1 },
        { 2, 1, false, false, 0 }, // analogue, no video: offline
        { 2, 1, false, false, 1 }, // an IP channel's video-loss state is its own
        { 6, 0, false, false, 1 },
        { 0, 0, false, false, 0 },
        { 2, 0, true, true, 1 }, // wireless and awake
        { 3, 0, true, false, 3 }, // wireless and asleep
        { 0, 0, true, false, 0 },
    };
    const int n = int(sizeof channels / sizeof channels[0]);
    login_to(
        6, n, true, [](VLNET_DEVICE_INFO& d) { d.analog_ch_num = 3; }, 0);
    auto payload = channel_payload(n);
    for (int c = 0; c < n; ++c) {
        auto* r = reinterpret_cast<VLNET_CHANNEL_STATUS*>(payload.data() + size_t(c) * 312);
        r->cur_chn_state = channels[c].state;
        r->vloss_state = channels[c].video_loss;
        r->abilities = channels[c].wireless ? 1u << 25 : 0;
    }
    // Twice: the first reply sets the video-loss states the second reads.
    sdk.message(611, payload.data(), int(payload.size()));
    caller = Caller();
    sdk.message(611, payload.data(), int(payload.size()));
    EXPECT_EQ(caller.names(),
        (std::vector<std::string> { "MsgRemoteCHStatusReq", "VLSDKChannelStatus", "VLSDKChannelStatusEx" }));
    const Json::Value online = caller.named("VLSDKChannelStatus").at(0);
    const Json::Value ex = online_ex();
    ASSERT_EQ(online.size(), size_t(n));
    for (int c = 0; c < n; ++c) {
        EXPECT_EQ(online[c]["online"], channels[c].online) << c;
        EXPECT_EQ(ex[c]["online"], channels[c].online_ex) << c;
    }
    EXPECT_TRUE(logged("channel_status:{110110130}"));
}

TEST_F(AlarmTest, StatusReportSetsOneChannelsOnlineValue)
{
    login_to(3, 4);
    auto r = zeroed<VLNET_ALARM_INFO>();
    r.channel = 1;
    r.status = 0;
    send(190, r);
    EXPECT_EQ(vljson::write_compact(online_ex()), R"([{"online":1},{"online":0},{"online":1},{"online":1}])");

    // -1 for either, and a channel beyond the tables, change nothing.
    for (uint32_t channel : { 0xFFFFFFFFu, 4u, 1000u }) {
        caller = Caller();
        r.channel = channel;
        send(190, r);
        EXPECT_TRUE(caller.named("VLSDKChannelStatusEx").empty()) << channel;
    }
    caller = Caller();
    r.channel = 2;
    r.status = -1;
    send(190, r);
    EXPECT_TRUE(caller.named("VLSDKChannelStatusEx").empty());

    // A camera keeps its values, and still reports them.
    login_to(4, 2);
    r.channel = 1;
    r.status = 0;
    send(190, r);
    EXPECT_EQ(vljson::write_compact(online_ex()), R"([{"online":1},{"online":1}])");
}

TEST_F(AlarmTest, LargeCountsAndChannelsBeyondTheTablesAreHarmless)
{
    // 300 channels: the tables hold 256 of them.
    login_to(3, 300, true, [](VLNET_DEVICE_INFO& d) { d.page_control = 1u << 18; });
    auto all = zeroed<VLNET_ALL_STATUS>();
    std::memset(&all, 0xFF, sizeof all);
    send(610, all);
    ASSERT_EQ(alarms().size(), 256u);

    auto everything = alarm(0xFFFFFFFFu, -1, 0xFFFFFFFFu);
    std::memset(everything.channel_ex, 0xFF, sizeof everything.channel_ex);
    std::memset(everything.status_ex, 0xFF, sizeof everything.status_ex);
    for (int id : { 184, 185, 187, 189, 190, 191, 192, 207, 212, 213, 215, 216, 218, 251, 259, 272, 274 })
        send(id, everything);
    auto payload = channel_payload(255);
    sdk.message(611, payload.data(), int(payload.size()));
    EXPECT_EQ(caller.named("MsgRemoteCHStatusReq").back().size(), 255u);
    EXPECT_EQ(caller.named("VLSDKChannelStatus").back().size(), 256u);
    EXPECT_EQ(caller.named("MsgChargePower").back().size(), 256u);

    // A DVR of 300 channels with every bit of its video-loss record set.
    login_to(6, 300, true, [](VLNET_DEVICE_INFO& d) { d.analog_ch_num = 255; });
    send(189, everything);
    EXPECT_EQ(caller.named("MsgVLossAlarm").back().size(), 256u);
    EXPECT_EQ(online_ex().size(), 256u);

    // Abilities and rights of channels far beyond.
    EXPECT_FALSE(ability_answer(conn.ability_facts_for(1000), "main stream"));
    EXPECT_FALSE(ability_answer(conn.ability_facts_for(UINT64_MAX), "ptz"));
    EXPECT_FALSE(authority_answer(conn.record(), "preview", 1000));
}

// ---- HTTP logins: the device's texts ------------------------------------------

class HttpAlarmTest : public AlarmTest
{
protected:
    void http_login(const char* device_info, const char* channel_info)
    {
        sdk.dev = fake::device_of_type(3, 3);
        std::strcpy(sdk.http.address, "192.168.1.30");
        ASSERT_EQ(conn.login(param(R"({"ip or id": "d", "protocol": "http"})")), vl_success);
        sdk.status(151, device_info, channel_info);
        caller = Caller();
    }
};

TEST_F(HttpAlarmTest, DeviceInformationSetsTheWebAbilities)
{
    struct Case {
        const char* info;
        bool half, full, detail, download, ai;
    } cases[] = {
        { R"({"data": {"talkback": "TalkFull"}})", false, true, false, false, false },
        { R"({"data": {"talkback": "TalkHalf", "support_playback_new_rec_detail": true}})", true, false, true,
            false, false },
        { R"({"data": {"support_playback_new_rec_file_download": 1, "support_ai_pic_report": true}})", false,
            false, false, true, true },
        { R"({"data": {"device_preview_AI_item": ["face"]}})", false, false, false, false, true },
        { R"({"data": {"device_preview_AI_item": []}})", false, false, false, false, false },
        { R"({"data": {"device_preview_AI_item": "x", "talkback": 5}})", false, false, false, false, true },
        { R"({"data": {"support_ai_pic_report": false, "device_preview_AI_item": null}})", false, false,
            false, false, false },
        { R"(not json)", false, false, false, false, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.info);
        http_login(c.info, nullptr);
        const ability_facts f = conn.ability_facts_for(0);
        EXPECT_EQ(f.talk_half, c.half);
        EXPECT_EQ(f.talk_full, c.full);
        EXPECT_EQ(f.new_rec_detail, c.detail);
        EXPECT_EQ(f.new_rec_file_download, c.download);
        EXPECT_EQ(f.ai_pic_report, c.ai);
        EXPECT_EQ(ability_answer(f, "talk to device"), c.half || c.full);
    }
}

TEST_F(HttpAlarmTest, AlarmListUpdatesChannelsByName)
{
    http_login(R"({"data": {}})", R"({"data": {"channel_param": {"items": [
        {"channel": "Door", "connect_status": "Online"},
        {"channel": "Yard", "connect_status": "Offline"},
        {"channel": "Pool", "connect_status": "Offline"}]}}})");
    send_text(-34, R"({"data": {"alarm_list": [{"time": "now",
        "system_alarm": [{"hdd": {"hdd_alarm_type": "OK"}}],
        "channel_alarm": [
            {"channel": "Yard", "record_flag": {"r": "x", "m": "R", "i": 1},
             "alarm_state": [{"int_subtype": "lcd"}, {"int_subtype": "video_tamper"}, {"int_subtype": "avd"}]},
            {"channel": "Nowhere", "record_flag": {"m": "R"}},
            {"channel": "", "int_alarm": {"int_subtype": "pd_vd", "alarm_val": true}, "videoloss": true},
            {"channel": "Pool", "camera_connect_status": {"connect_status": "Sleep", "ability": ["Ptz"]}}]}]}})");
    EXPECT_EQ(caller.names(),
        (std::vector<std::string> { "VLSDKChannelStatusEx", "VLSDKAlarmStatus", "VLSDKAlarmStatusEx" }));
    EXPECT_EQ(vljson::write_compact(online_ex()), R"([{"online":0},{"online":0},{"online":3}])");
    const Json::Value report = alarms();
    ASSERT_EQ(report.size(), 3u);
    EXPECT_EQ(report[0]["hdd"], 0);
    EXPECT_EQ(report[0]["pvd"], 1);
    EXPECT_EQ(report[1]["record"], 2);
    EXPECT_EQ(report[1]["motion"], 2);
    EXPECT_EQ(report[1]["io"], 1);
    EXPECT_EQ(report[1]["smart"], 0);
    EXPECT_EQ(report[1]["smart lcd"], 1);
    EXPECT_EQ(report[1]["vt"], 1);
    EXPECT_EQ(report[2]["motion"], 0) << "the unknown channel's flags went nowhere";
    EXPECT_TRUE(conn.ability_facts_for(2).channel_flags[ptz]);
    EXPECT_TRUE(ability_answer(conn.ability_facts_for(2), "ptz"));
    EXPECT_FALSE(ability_answer(conn.ability_facts_for(1), "ptz"));

    // A device's error comes with the report.
    caller = Caller();
    send_text(-34, R"({"data": {"error_code": "E1", "reason": "disk", "type": "hdd"}})");
    const Json::Value ex = caller.named("VLSDKAlarmStatusEx").at(0);
    EXPECT_EQ(vljson::write_compact(ex),
        R"({"alarm_list":[null,null,null],"error_code":"E1","reason":"disk","type":"hdd"})");

    // Nothing to report: nothing sent.
    caller = Caller();
    send_text(-34, R"({"data": {"alarm_list": []}})");
    send_text(-34, R"({"data": {"error_code": "E1"}})");
    send_text(-34, R"({"data": {"alarm_list": [)");
    EXPECT_TRUE(caller.messages.empty());
}
