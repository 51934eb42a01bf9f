// Device messages as named JSON: the conversion of every message form
// (pure, over payload bytes), and what a connection sends and keeps when a
// device's messages arrive through the fake network SDK.
#include "connection_fixture.h"
#include "core/device_messages.h"
#include "vlnet_messages.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace vlsdk;

namespace
{

template <class T> std::vector<uint8_t> bytes(const T& record)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&record);
    return std::vector<uint8_t>(p, p + sizeof record);
}

const message_facts kCamera { 4, 4, 4, true };
const message_facts kCameraShort { 4, 4, 4, false };
const message_facts kNvr { 3, 4, 4, true };
const message_facts kNvrShort { 3, 4, 4, false };
const message_facts kDvr { 6, 4, 4, true };

const char* const kZeroTime = "0000-00-00-00-00-00";

} // namespace

TEST(DeviceMessages, EveryFormOfTheTable)
{
    auto forbid = zeroed<VLNET_LOGIN_FORBID_IP_INFO>();
    forbid.times = 3;
    forbid.time = { 2024, 5, 6, 7, 8, 9, 0 };
    std::strcpy(forbid.mac, "aa:bb");
    std::strcpy(forbid.serial_number, "SN1");

    auto states = zeroed<VLNET_ALARM_INFO>();
    states.status = 0x5;
    states.channel = 0xA;
    states.power_state[1] = 3;
    states.chn_mode = 2;

    auto loss = zeroed<VLNET_ALARM_INFO>();
    loss.channel = 0x6;
    loss.status = 0x4;

    auto upgrade = zeroed<VLNET_FTP_UPGRADE_STATE>();
    upgrade.pos = 40;
    upgrade.status = 1;

    auto hide = zeroed<VLNET_VIDEO_HIDE_ALARM>();
    hide.channel = 4;
    hide.status = 1;
    hide.rec_state = -1;

    auto rec = zeroed<VLNET_RECORD_STATUS_REPORT>();
    rec.type = 2;
    rec.channel_num = 1;
    rec.record_status = 1;
    rec.all_chan_rec_state = 5;

    auto hdd = zeroed<VLNET_HDD_STATUS_REPORT>();
    hdd.hdd_status = 2;
    std::strcpy(hdd.hdd_sn, "WD-1");

    auto fish = zeroed<VLNET_FISHEYE_IPC_STAT>();
    fish.cur_stream_num = 3;

    auto ptz = zeroed<VLNET_PTZ_IPC_STAT>();
    ptz.channel_mask = 1;
    ptz.cur_zoom_value = 2;
    ptz.zoom_step = 3;
    ptz.cur_focus_value = 4;
    ptz.focus_step = 5;
    ptz.auto_focus_state = 1;

    auto name = zeroed<VLNET_NAME_CHANGE>();
    name.chn = 2;
    std::strcpy(name.name, "Gate");

    auto page = zeroed<VLNET_PARAM_CHANGE_REPORT>();
    page.chn = 1;
    page.page_type = 9;

    auto preview = zeroed<VLNET_PREVIEW_CHANGE_REPORT>();
    preview.flood_light_mode = 1;
    preview.flood_light_value = 2;
    preview.audio_alarm_switch = 3;
    preview.flash_light = 4;
    preview.line_out_volume = 5;
    preview.flash_frequency = 6;
    preview.is_dualtalk_working = 7;

    auto custom = zeroed<VLNET_CUSTOM_REPORT>();
    custom.structsize = 768;
    custom.type = 1;
    custom.alarm_switch = -1;
    std::strcpy(custom.reserve, "x");

    auto versions = zeroed<VLNET_REMOTE_PARAM_INFO>();
    std::memcpy(versions.old_version, "12345678", 8); // fills its slot: no NUL
    std::strcpy(versions.new_version, "v2");
    std::strcpy(versions.model, "X1");
    std::strcpy(versions.message, "m");

    auto status = zeroed<VLNET_ALARM_INFO>();
    status.channel = 1;
    status.status = 2;
    status.rec_state = -1;
    status.input_num = 4;
    status.chn_mode = 1;
    status.abilities_ex = 9;
    auto status_short = zeroed<VLNET_ALARM_SHORT>();
    status_short.channel = 1;
    status_short.status = -1;
    status_short.ipc_dev_type_flag = 7;

    struct Case {
        unsigned id;
        message_facts facts;
        std::vector<uint8_t> payload;
        const char* name; // null: not converted
        const char* json; // compact; "" for nothing to send
    } cases[] = {
        { 113, kCamera, bytes(forbid), "VLNetMsgLoginForbidIP",
            R"({"Day":6,"Hour":7,"Minute":8,"Month":5,"Second":9,"Year":2024,"mac":"aa:bb","serialNumber":"SN1","times":3})" },
        { 184, kNvr, bytes(states), "MsgChargePower",
            R"([{"Channel":0,"Status":1},{"Channel":1,"Status":0},{"Channel":2,"Status":1},{"Channel":3,"Status":0}])" },
        { 274, kNvr, bytes(states), "MsgAudioReport",
            R"([{"Channel":0,"Status":1},{"Channel":1,"Status":0},{"Channel":2,"Status":1},{"Channel":3,"Status":0}])" },
        { 185, { 3, 2, 2, true }, bytes(states), "MsgPowerChange",
            R"([{"Channel":0,"PowerStat":0},{"Channel":1,"PowerStat":3}])" },
        { 259, kNvr, bytes(states), "MsgDevChModeReport",
            R"({"arrChMode":[{"Channel":1,"bChnMode":2},{"Channel":3,"bChnMode":2}]})" },
        { 189, kDvr, bytes(loss), "MsgVLossAlarm", R"([{"ch":1,"state":0},{"ch":2,"state":1}])" },
        { 189, kNvr, bytes(loss), "MsgVLossAlarm", "" },
        { 203, kCamera, bytes(upgrade), "MsgFtpUpgradeAlarm", R"({"pos":40,"status":1})" },
        { 205, kCamera, std::vector<uint8_t>(8448, 1), "MsgIntelPeaAlarm", "" },
        { 206, kCamera, std::vector<uint8_t>(272, 1), "MsgOscRuleAlarm", "" },
        { 207, kCamera, bytes(hide), "MsgVideoHideAlarm",
            R"({"AlarmTime":"0000-00-00-00-00-00","Channel":4,"RecState":-1,"Status":1})" },
        { 212, kCamera, bytes(rec), "MsgRecordStatusReport",
            R"({"AlarmTime":"0000-00-00-00-00-00","AllChanRecState":5,"ChannelNum":1,"RecordStatus":1,"Type":2})" },
        { 213, kCamera, bytes(hdd), "MsgHddStatusReport",
            R"({"AlarmTime":"0000-00-00-00-00-00","HddSN":"WD-1","HddStatus":2})" },
        { 252, kCamera, bytes(fish), "MsgAlarmFishEyeIpcStat", R"({"curStreamNum":3})" },
        { 253, kCamera, bytes(ptz), "MsgAlarmPTZIpcStat",
            R"({"ChannelMask":1,"autoFocusState":1,"curFocusValue":4,"curZoomValue":2,"focusStep":5,"zoomStep":3})" },
        { 255, kCamera, bytes(name), "MsgChNameChange", R"({"Name":"Gate","chn":2})" },
        { 256, kCamera, bytes(name), "MsgDevNameChange", R"({"Name":"Gate"})" },
        { 257, kCamera, bytes(page), "MsgDevParamChangeReport", R"({"chn":1,"pageType":9})" },
        { 258, kCamera, bytes(preview), "MsgDevPreviewChangeReport",
            R"({"AudioAlarmSwitch":3,"FlashFrequency":6,"FlashLight":4,"FloodLightMode":1,"FloodLightValue":2,"LineOutVolume":5,"chn":0,"isDualtalkWorking":7})" },
        { 286, kCamera, bytes(custom), "MsgCustomReportInfo",
            R"({"alarmSwitch":-1,"s8Reserve":"x","structsize":768,"type":1})" },
        { 615, kCamera, bytes(versions), "MsgGetRemoteParam",
            R"({"NewVersion":"v2","NewVersionEX":"","OldVersion":"12345678","OldVersionEX":"","message":"m","model":"X1"})" },
        { 190, kNvr, bytes(status), "MsgDevStatReport",
            R"({"Abilities":0,"AbilitiesEx":9,"AlarmTime":"0000-00-00-00-00-00","Channel":1,"CurRecType":0,"IPCDevTypeFlag":0,"InputNum":4,"OutputNum":0,"ProtocolType":0,"RecEnable":0,"RecState":-1,"Schedule":0,"Status":2,"bChnMode":1,"chnMode":1,"u8WirelessIpcType":0})" },
        { 190, kNvrShort, bytes(status_short), "MsgDevStatReport",
            R"({"Data":{"Abilities":0,"AbilitiesEx":0,"AlarmTime":"0000-00-00-00-00-00","Channel":1,"IPCDevTypeFlag":7,"ProtocolType":0,"Status":-1}})" },
        { 190, kCameraShort, bytes(status_short), "MsgDevStatReport", "" },
        // The alarm group by device type.
        { 191, kNvr, bytes(states), "MsgAlarmIntManage",
            R"({"Abilities":0,"AbilitiesEx":0,"AlarmTime":"0000-00-00-00-00-00","AlarmType":0,"Channel":10,"IPCDevTypeFlag":0,"MsgValidFlagIPCWeb":0,"ProtocolType":0,"Status":5})" },
        { 191, kNvrShort, bytes(states), "MsgAlarmIntManage", nullptr },
        { 191, kDvr, bytes(states), nullptr, "" },
        { 251, kDvr, bytes(states), "MsgAlarmIntManage", nullptr },
        { 272, kDvr, bytes(states), "MsgSoundAlarmReport", nullptr },
        { 285, kCamera, bytes(states), "MsgPWDChange", nullptr },
        { 187, { 0, 4, 4, true }, bytes(states), nullptr, "" },
        // Without a row.
        { 275, kCamera, { 1, 2, 3 }, nullptr, "" },
        { 0, kCamera, {}, nullptr, "" },
        { 0xFFFF, kCamera, {}, nullptr, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        const named_message m = convert_device_message(
            c.id, reinterpret_cast<const char*>(c.payload.data()), c.payload.size(), c.facts);
        if (!c.name) {
            EXPECT_EQ(m.name, nullptr) << m.name;
            continue;
        }
        ASSERT_NE(m.name, nullptr);
        EXPECT_STREQ(m.name, c.name);
        if (!c.json)
            continue;
        if (!*c.json)
            EXPECT_TRUE(is_empty_root(m.root)) << vljson::write_compact(m.root);
        else
            EXPECT_EQ(vljson::write_compact(m.root), c.json);
    }

    // A video loss asks every device for its all-status record.
    EXPECT_TRUE(convert_device_message(189, nullptr, 0, kNvr).ask_all_status);
    EXPECT_FALSE(convert_device_message(191, nullptr, 0, kCamera).ask_all_status);
    EXPECT_TRUE(convert_device_message(287, "{}", 2, kCamera).pass_text);
}

TEST(DeviceMessages, ShortPayloadsReadAsZerosAndLongOnesAreCut)
{
    // Two bytes of a 20-byte record: the channel's low bytes only.
    const uint8_t two[] = { 4, 0 };
    named_message m = convert_device_message(207, reinterpret_cast<const char*>(two), 2, kCamera);
    EXPECT_EQ(vljson::write_compact(m.root),
        R"({"AlarmTime":"0000-00-00-00-00-00","Channel":4,"RecState":0,"Status":0})");

    // A name without its NUL, followed by bytes beyond the record.
    std::vector<char> big(400, 'A');
    std::memset(big.data(), 0, 8);
    m = convert_device_message(256, big.data(), big.size(), kCamera);
    EXPECT_EQ(m.root["Name"].asString(), std::string(256, 'A'));

    // Nothing at all: every field zero.
    m = convert_device_message(610, nullptr, 0, kCamera);
    EXPECT_EQ(m.root["AlarmTime"], kZeroTime);
    EXPECT_EQ(m.root["PageIntelligentChn"].size(), 256u);
    EXPECT_EQ(m.root["RecordAllStatusExt"].size(), 8u);
    EXPECT_EQ(m.root["RecordAllStatusExt"][7].size(), 32u);
    EXPECT_EQ(m.root["IntelligentChnStatusExt"].size(), 6u);
    EXPECT_FALSE(m.root.isMember("OldVer")) << "the versions are a DVR's";
}

TEST(DeviceMessages, AllStatusRecordOfADvrCarriesItsVersions)
{
    auto r = zeroed<VLNET_ALL_STATUS>();
    std::strcpy(r.old_version, "1.0");
    std::strcpy(r.new_version, "1.1");
    std::strcpy(r.dev_type, "DVR-8");
    r.ftp_new_vers_flag = 1;
    r.page_intelligent_chn[127] = 9;
    r.record_all_status_ext[1][2] = 5;
    r.intelligent_chn_status_ext[5] = 77;
    named_message m = convert_device_message(610, reinterpret_cast<const char*>(&r), sizeof r, kDvr);
    EXPECT_EQ(m.root["OldVer"], "1.0");
    EXPECT_EQ(m.root["NewVer"], "1.1");
    EXPECT_EQ(m.root["DevType"], "DVR-8");
    EXPECT_EQ(m.root["VersFlag"], 1);
    EXPECT_EQ(m.root["FtpNewVersFlag"], 1);
    EXPECT_EQ(m.root["PageIntelligentChn"][127], 9);
    EXPECT_EQ(m.root["PageIntelligentChn"][128], 0) << "the second half is always zero";
    EXPECT_EQ(m.root["RecordAllStatusExt"][1][2], 5);
    EXPECT_EQ(m.root["IntelligentChnStatusExt"][5], 77u);
}

TEST(DeviceMessages, SevenUsersOfThePreviewReport)
{
    auto r = zeroed<VLNET_USER_PREVIEW_REPORT>();
    r.users[1].preview_channel[0] = 0xF;
    r.users[6].user_preview = 1;
    r.preview_covert[7] = 2;
    named_message m = convert_device_message(279, reinterpret_cast<const char*>(&r), sizeof r, kNvr);
    EXPECT_STREQ(m.name, "MsgSamPCAlarmReport");
    ASSERT_EQ(m.root["alluser"].size(), 7u);
    EXPECT_EQ(m.root["alluser"][1]["PreviewChannel"][0], 15u);
    EXPECT_EQ(m.root["alluser"][6]["UserPreview"], 1);
    EXPECT_EQ(m.root["PreviewCovert"][7], 2u);
}

// ---- Through a connection --------------------------------------------------

using MessageTest = DeviceMessageTest;

TEST_F(MessageTest, CameraMotionAlarmInTheShortRecordKeepsItsKeyOrder)
{
    login_to(4, 4, false);
    auto r = zeroed<VLNET_ALARM_SHORT>();
    r.channel = 4;
    r.status = 1;
    send(191, r);
    ASSERT_GE(caller.messages.size(), 1u);
    EXPECT_EQ(caller.messages[0].first, "MsgMotionAlarm");
    EXPECT_EQ(caller.texts[0],
        "{\n\t\"Abilities\" : 0,\n\t\"AbilitiesEx\" : 0,\n\t\"AlarmTime\" : \"0000-00-00-00-00-00\",\n"
        "\t\"AlarmType\" : 0,\n\t\"Channel\" : 4,\n\t\"IPCDevTypeFlag\" : 0,\n\t\"MsgValidFlagIPCWeb\" : 0,\n"
        "\t\"ProtocolType\" : 0,\n\t\"Status\" : 1\n}");
    EXPECT_EQ(caller.events.back(), "raw 191 36") << "and unchanged to the raw callback";
}

TEST_F(MessageTest, RecorderAlarmsAreRenamedAndOnlyItsSmartAlarmCounts)
{
    login_to(3, 4);
    auto r = zeroed<VLNET_ALARM_INFO>();
    r.channel = 0x4;
    r.status = 0x4;
    send(191, r);
    EXPECT_EQ(caller.names(), std::vector<std::string> { "MsgAlarmIntManage" })
        << "a recorder's motion alarm changes no alarm state";
    ASSERT_EQ(caller.messages.size(), 1u);
    EXPECT_FALSE(caller.messages[0].second.isMember("bBoxEnable"));

    caller = Caller();
    send(251, r);
    EXPECT_EQ(caller.names(),
        (std::vector<std::string> { "MsgAlarmIntManage", "VLSDKAlarmStatus", "VLSDKAlarmStatusEx" }));
    const Json::Value alarms = caller.named("VLSDKAlarmStatus").at(0);
    ASSERT_EQ(alarms.size(), 4u);
    EXPECT_EQ(alarms[2]["smart"], 1);
    EXPECT_EQ(alarms[0]["smart"], 0);
}

TEST_F(MessageTest, VideoLossAsksForTheAllStatusRecord)
{
    login_to(3, 4);
    auto r = zeroed<VLNET_ALARM_INFO>();
    r.channel = 0x2;
    r.status = 0x2;
    send(189, r);
    EXPECT_TRUE(caller.messages.empty()) << "only a DVR's video loss is passed on";
    EXPECT_EQ(sdk.commands, std::vector<int> { 610 });
    EXPECT_EQ(caller.events.back(), "raw 189 616");

    // A DVR: the message, and the analogue channel that lost its video
    // offline in both online reports.
    login_to(6, 4, true, [](VLNET_DEVICE_INFO& d) { d.analog_ch_num = 4; });
    send(189, r);
    EXPECT_EQ(sdk.commands, std::vector<int> { 610 });
    EXPECT_EQ(caller.names(),
        (std::vector<std::string> { "MsgVLossAlarm", "VLSDKChannelStatus", "VLSDKChannelStatusEx" }));
    EXPECT_EQ(vljson::write_compact(caller.named("MsgVLossAlarm").at(0)), R"([{"ch":1,"state":1}])");
    EXPECT_EQ(vljson::write_compact(caller.named("VLSDKChannelStatus").at(0)),
        R"([{"online":true},{"online":false},{"online":true},{"online":true}])");
    EXPECT_EQ(vljson::write_compact(caller.named("VLSDKChannelStatusEx").at(0)),
        R"([{"online":1},{"online":0},{"online":1},{"online":1}])");

    // Its video back: online again.
    caller = Caller();
    r.status = 0;
    send(189, r);
    EXPECT_EQ(vljson::write_compact(caller.named("VLSDKChannelStatusEx").at(0)),
        R"([{"online":1},{"online":1},{"online":1},{"online":1}])");
}

TEST_F(MessageTest, KeptRecordsAndTheJsonTextPassedOn)
{
    login_to(4, 1);
    auto all = zeroed<VLNET_ALL_STATUS>();
    all.ability_word = 1u << 8;
    send(610, all);
    EXPECT_EQ(conn.ability_facts_for(0).all_status_word, 256u);
    EXPECT_EQ(caller.named("MsgDevAllStatusReq").size(), 1u);

    const char text[] = R"({"alarm":"face"})";
    sdk.message(287, text, int(sizeof text - 1));
    ASSERT_EQ(caller.texts.size(), 2u);
    EXPECT_EQ(caller.messages[1].first, "MsgAlarmJsonInfo");
    EXPECT_EQ(caller.texts[1], text) << "passed on as it came";
    sdk.message(287, nullptr, 0);
    sdk.message(287, text, 0);
    EXPECT_EQ(caller.texts.size(), 2u) << "no text, nothing to pass on";
    EXPECT_EQ(caller.events.back(), "raw 287 0");
}

TEST_F(MessageTest, NothingIsConvertedOnceLoggedOut)
{
    login_to(4, 1);
    const auto start = sdk.starts.back();
    conn.logout();
    auto r = zeroed<VLNET_ALARM_SHORT>();
    start.record.message_callback(
        191, reinterpret_cast<const char*>(&r), int(sizeof r), start.record.context);
    EXPECT_TRUE(caller.events.empty());
}
