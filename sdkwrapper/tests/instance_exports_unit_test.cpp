// The exports that start, stop and drive feature instances, with the fake
// network SDK: starts that fail leave nothing, the three stop rules under
// every name, the forwarders to the instance's operations, the player
// operations that take JSON, and the pause and resume of downloads.
#include "connection_fixture.h"
#include "core/base_instance.h"
#include "core/device.h"
#include "instances/download_record.h"
#include "test_dir.h"
#include "vl_sdk_wrapper.h"
#include "vlnet.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{

std::vector<std::string> g_events;

// A test-only instance: its start answers as told, it notes its stop and
// deletion, answers is_sync_play as told and overrides every slot with an
// answer that shows what reached it.
class slots : public base_instance
{
public:
    slots(device* owner, const std::string& name, bool sync = false)
        : base_instance(
            owner, instance_type::remote_playback, name.c_str(), owner ? owner->label().c_str() : nullptr)
        , m_name(name)
        , m_sync(sync)
    {
    }
    ~slots() override { g_events.push_back(m_name + " deleted"); }

    int start(int answer)
    {
        set_active(answer == vl_success);
        return answer;
    }
    int stop() override
    {
        g_events.push_back(m_name + " stopped");
        return 7;
    }
    bool is_sync_play() override { return m_sync; }
    int deactivate() override
    {
        g_events.push_back(m_name + " deactivated");
        return vl_success;
    }
    int switch_stream_type(const char* json) override { return note("switch", json, 3); }
    int seek_by_time(const char* time) override { return note("seek", time, 4); }
    int seek_by_time_v1(const char* json) override { return note("seek_v1", json, 5); }
    int set_play_mode(const char* json) override { return note("mode", json, 6); }
    int seek_by_key_frame_index(int index) override { return note("key", std::to_string(index), 7); }
    int input_local_playback_time(int low, int high) override
    {
        return note("time", std::to_string(low) + "," + std::to_string(high), 8);
    }
    int send_human_face_param(const void* data, int length) override
    {
        return note("face", std::string(static_cast<const char*>(data), size_t(length)), 9);
    }
    int sync_playback_add_session(base_instance* member) override
    {
        return note("add", static_cast<slots*>(member)->m_name, 14);
    }
    int sync_playback_del_session(base_instance* member) override
    {
        return note("del", static_cast<slots*>(member)->m_name, 15);
    }
    int delete_playback_thumbnails(const char* json) override { return note("thumbs", json, 17); }
    int request_more_frame() override { return note("more", "", 18); }
    int talk_send_record_data(const void* data, int length) override
    {
        return note("talk", std::string(static_cast<const char*>(data), size_t(length)), 19);
    }

    std::string last;

private:
    int note(const std::string& what, const std::string& arg, int answer)
    {
        last = what + " " + arg;
        return answer;
    }

    const std::string m_name;
    const bool m_sync;
};

// A base instance that overrides nothing but stop.
class bare : public base_instance
{
public:
    bare()
        : base_instance(nullptr, instance_type::p2p_tunnel, nullptr, nullptr)
    {
    }
    int stop() override { return vl_success; }
};

// A download whose start the test plays: it holds a network SDK handle.
class running_download : public download_record
{
public:
    explicit running_download(device* owner)
        : download_record(owner, owner->conn())
    {
    }
    void run(int handle) { set_download_handle(handle); }
};

class InstanceExports : public ConnectionTest
{
protected:
    void SetUp() override
    {
        ConnectionTest::SetUp();
        g_events.clear();
        dev = std::make_unique<device>(fake::kCalls);
        ASSERT_EQ(dev->login(param(R"({"ip or id": "cam-1", "port": 9000})")), vl_success);
    }
    void TearDown() override
    {
        dev.reset();
        ConnectionTest::TearDown();
    }
    slots* start_slots(const std::string& name, bool sync = false)
    {
        return dev->start_instance(
            std::make_unique<slots>(dev.get(), name, sync), [](slots& s) { return s.start(vl_success); });
    }
    bool happened(const std::string& e) const
    {
        return std::find(g_events.begin(), g_events.end(), e) != g_events.end();
    }

    std::unique_ptr<device> dev;
};

} // namespace

TEST_F(InstanceExports, StartsThatFailLeaveNothingInTheDevicesSet)
{
    device* d = dev.get();
    vl_preview_param preview {};
    preview.dev = d;
    vl_remote_playback_param playback {};
    playback.dev = d;
    vl_download_param download {};
    download.dev = d;
    download.json = R"({"channel": 1, "index": 1})";
    vl_talk_param talk {};
    talk.dev = d;
    talk.json = "{}";
    const char* json = "{}";
    const std::vector<std::pair<const char*, std::function<base_instance*()>>> starts = {
        { "preview", [&] { return vl_start_preview(&preview); } },
        { "remote_playback", [&] { return vl_start_remote_playback(&playback); } },
        { "search_record", [&] { return vl_search_record_by_month(d, json, nullptr, nullptr); } },
        { "search_record", [&] { return vl_search_record_by_day(d, json, nullptr, nullptr); } },
        { "", [&] { return vl_start_download_by_file(d, download.json, nullptr, nullptr); } },
        { "", [&] { return vl_start_download_by_time(d, download.json, nullptr, nullptr); } },
        { "", [&] { return vl_start_download_by_file_v1(&download); } },
        { "", [&] { return vl_start_download_by_time_v1(&download); } },
        { "talk", [&] { return vl_start_talk_to_device(d, json, nullptr, nullptr); } },
        { "talk", [&] { return vl_start_talk_to_channel(d, json, nullptr, nullptr); } },
        { "talk", [&] { return vl_start_talk_to_device_v1(&talk); } },
        { "talk", [&] { return vl_start_talk_to_channel_v1(&talk); } },
        { "remote_playback_thumbnails",
            [&] { return vl_start_playback_thumbnails(d, json, nullptr, nullptr); } },
        { "remote_playback_thumbnails",
            [&] { return vl_start_playback_thumbnails_index(d, json, nullptr, nullptr); } },
        { "upgrade", [&] { return vl_start_upgrade(d, json, nullptr, nullptr); } },
    };
    for (const auto& start : starts) {
        EXPECT_EQ(start.second(), nullptr) << start.first << ": its class's work is not built";
        if (*start.first) {
            EXPECT_TRUE(logged(std::string("[cam-1] call <") + start.first + " start> result:fail"))
                << start.first;
        }
    }
    EXPECT_EQ(dev->instance_count(), 0u);

    // The face subscriptions start (the fake network SDK takes them); a
    // refused one leaves nothing either.
    sdk.refuse_alarm = true;
    vl_human_face_report_param report { d, nullptr, nullptr, nullptr };
    vl_human_face_param_param face_param { d, nullptr, nullptr, nullptr };
    EXPECT_EQ(vl_start_human_face_alarm_report(&report), nullptr);
    EXPECT_EQ(vl_start_human_face_param(&face_param), nullptr);
    EXPECT_EQ(dev->instance_count(), 0u);
    sdk.refuse_alarm = false;
    base_instance* reports = vl_start_human_face_alarm_report(&report);
    ASSERT_NE(reports, nullptr);
    EXPECT_TRUE(dev->holds_instance(reports));
    EXPECT_EQ(vl_start_human_face_alarm_report(&report), nullptr) << "one per device";
    EXPECT_EQ(vl_stop_human_face_alarm_report(reports), vl_success);
    EXPECT_EQ(dev->instance_count(), 0u);
}

TEST_F(InstanceExports, StartsWithoutADeviceOrRecordGiveNull)
{
    vl_preview_param preview {};
    vl_remote_playback_param playback {};
    vl_download_param download {};
    vl_talk_param talk {};
    vl_human_face_report_param report {};
    vl_human_face_param_param face_param {};
    EXPECT_EQ(vl_start_preview(nullptr), nullptr);
    EXPECT_EQ(vl_start_preview(&preview), nullptr);
    EXPECT_EQ(vl_start_remote_playback(nullptr), nullptr);
    EXPECT_EQ(vl_start_remote_playback(&playback), nullptr);
    EXPECT_EQ(vl_search_record_by_month(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_search_record_by_day(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_download_by_file(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_download_by_time(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_download_by_file_v1(nullptr), nullptr);
    EXPECT_EQ(vl_start_download_by_time_v1(&download), nullptr);
    EXPECT_EQ(vl_start_talk_to_device(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_talk_to_channel(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_talk_to_device_v1(nullptr), nullptr);
    EXPECT_EQ(vl_start_talk_to_channel_v1(&talk), nullptr);
    EXPECT_EQ(vl_start_playback_thumbnails(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_playback_thumbnails_index(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_upgrade(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_human_face_alarm_report(nullptr), nullptr);
    EXPECT_EQ(vl_start_human_face_alarm_report(&report), nullptr);
    EXPECT_EQ(vl_start_human_face_param(nullptr), nullptr);
    EXPECT_EQ(vl_start_human_face_param(&face_param), nullptr);
    EXPECT_TRUE(sdk.alarms().empty()) << "nothing reached the network SDK";

    // Device-less starts: made, started, deleted when the start fails.
    vl_local_playback_param local {};
    vl_sync_playback_param group {};
    vl_http_client_param http {};
    EXPECT_EQ(vl_start_local_playback(&local), nullptr);
    EXPECT_EQ(vl_start_local_playback(nullptr), nullptr);
    EXPECT_EQ(vl_start_sync_playback(&group), nullptr);
    EXPECT_EQ(vl_start_local_playback_thumbnails("{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_convert_file("{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_p2p_tunnel("{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_http_client(&http), nullptr);
    EXPECT_EQ(vl_start_http_client(nullptr), nullptr);
    for (const char* name : { "local_playback", "sync_playback", "local_playback_thumbnails",
             "convert_file_type", "p2p_tunnel", "vl_wrapper_http_client" })
        EXPECT_TRUE(logged(std::string("[] call <") + name + " start> result:fail")) << name;
}

TEST_F(InstanceExports, ADeviceLessStartKeepsWhatStartedAndDeletesWhatFailed)
{
    base_instance* ok = vlsdk::start_unbound_instance(
        std::make_unique<slots>(nullptr, "ok"), [](slots& s) { return s.start(vl_success); });
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->active());
    EXPECT_EQ(vlsdk::start_unbound_instance(
                  std::make_unique<slots>(nullptr, "refused"), [](slots& s) { return s.start(vl_fail); }),
        nullptr);
    EXPECT_TRUE(happened("refused deleted"));
    EXPECT_FALSE(happened("refused stopped")) << "a failed start leaves nothing to stop";
    EXPECT_EQ(vl_stop_convert_file(ok), 7) << "its stop's result";
    EXPECT_TRUE(happened("ok stopped") && happened("ok deleted"));
}

TEST_F(InstanceExports, TheThreeStopRulesUnderEveryName)
{
    const std::vector<std::pair<const char*, int (*)(base_instance*)>> bound = {
        { "vl_stop_download", vl_stop_download },
        { "vl_stop_human_face_alarm_report", vl_stop_human_face_alarm_report },
        { "vl_stop_human_face_param", vl_stop_human_face_param },
        { "vl_stop_playback_thumbnails", vl_stop_playback_thumbnails },
        { "vl_stop_preview", vl_stop_preview },
        { "vl_stop_search_record", vl_stop_search_record },
        { "vl_stop_talk", vl_stop_talk },
        { "vl_stop_upgrade", vl_stop_upgrade },
    };
    for (const auto& stop : bound) {
        g_events.clear();
        EXPECT_EQ(stop.second(nullptr), vl_invalid_instance) << stop.first;
        slots loose(nullptr, "loose");
        EXPECT_EQ(stop.second(&loose), vl_invalid_instance) << stop.first << ": a device-less instance";
        EXPECT_TRUE(g_events.empty()) << stop.first << " touched it";
        slots* mine = start_slots("mine");
        EXPECT_EQ(stop.second(mine), vl_success) << stop.first;
        EXPECT_TRUE(happened("mine stopped") && happened("mine deleted")) << stop.first;
        EXPECT_EQ(dev->instance_count(), 0u) << stop.first;
        slots* member = start_slots("member", true);
        EXPECT_EQ(stop.second(member), vl_success) << stop.first;
        EXPECT_TRUE(happened("member deactivated")) << stop.first << ": the group owns it";
        EXPECT_FALSE(happened("member deleted")) << stop.first;
        delete member;
    }

    // Playback stop.
    g_events.clear();
    EXPECT_EQ(vl_stop_playback(nullptr), vl_invalid_instance);
    slots grouped(nullptr, "grouped", true);
    EXPECT_EQ(vl_stop_playback(&grouped), vl_invalid_instance) << "a device-less group member is left alone";
    EXPECT_TRUE(g_events.empty());
    slots* remote = start_slots("remote");
    EXPECT_EQ(vl_stop_playback(remote), vl_success);
    EXPECT_TRUE(happened("remote deleted"));
    EXPECT_EQ(vl_stop_playback(new slots(nullptr, "local")), 7)
        << "a device-less playback answers its stop's";
    EXPECT_TRUE(happened("local stopped") && happened("local deleted"));

    // Device-less stop.
    const std::vector<std::pair<const char*, int (*)(base_instance*)>> unbound = {
        { "vl_stop_convert_file", vl_stop_convert_file },
        { "vl_stop_http_client", vl_stop_http_client },
        { "vl_stop_local_playback_thumbnails", vl_stop_local_playback_thumbnails },
        { "vl_stop_p2p_tunnel", vl_stop_p2p_tunnel },
    };
    for (const auto& stop : unbound) {
        g_events.clear();
        EXPECT_EQ(stop.second(nullptr), vl_invalid_instance) << stop.first;
        EXPECT_EQ(stop.second(new slots(nullptr, "alone")), 7) << stop.first;
        EXPECT_TRUE(happened("alone stopped") && happened("alone deleted")) << stop.first;
        slots* kept = start_slots("kept");
        EXPECT_EQ(stop.second(kept), vl_invalid_instance) << stop.first << ": its device owns it";
        EXPECT_TRUE(dev->holds_instance(kept));
        EXPECT_EQ(vl_stop_preview(kept), vl_success);
    }
}

TEST_F(InstanceExports, ForwardersReachTheInstancesOperations)
{
    slots* s = start_slots("s");
    slots member(nullptr, "member");
    const char face[] = "face";
    struct Row {
        const char* name;
        std::function<int(base_instance*)> call;
        int answer;
        const char* reached;
    };
    const std::vector<Row> rows = {
        { "vl_switch_stream_type", [](base_instance* i) { return vl_switch_stream_type(i, "{\"a\":1}"); }, 3,
            "switch {\"a\":1}" },
        { "vl_seek_by_time", [](base_instance* i) { return vl_seek_by_time(i, "2024-01-02 03:04:05"); }, 4,
            "seek 2024-01-02 03:04:05" },
        { "vl_seek_by_time_v1", [](base_instance* i) { return vl_seek_by_time_v1(i, "{}"); }, 5,
            "seek_v1 {}" },
        { "vl_set_play_mode", [](base_instance* i) { return vl_set_play_mode(i, "m"); }, 6, "mode m" },
        { "vl_seek_by_key_frame_index", [](base_instance* i) { return vl_seek_by_key_frame_index(i, -3); }, 7,
            "key -3" },
        { "vl_input_local_playback_time",
            [](base_instance* i) { return vl_input_local_playback_time(i, 1, -2); }, 8, "time 1,-2" },
        { "vl_send_human_face_param", [&](base_instance* i) { return vl_send_human_face_param(i, face, 4); },
            9, "face face" },
        { "vl_sync_playback_add_session",
            [&](base_instance* i) { return vl_sync_playback_add_session(i, &member); }, 14, "add member" },
        { "vl_sync_playback_del_session",
            [&](base_instance* i) { return vl_sync_playback_del_session(i, &member); }, 15, "del member" },
        { "vl_delete_playback_thumbnails",
            [](base_instance* i) { return vl_delete_playback_thumbnails(i, "t"); }, 17, "thumbs t" },
        { "vl_request_more_frame", [](base_instance* i) { return vl_request_more_frame(i); }, 18, "more " },
        { "vl_talk_send_record_data",
            [&](base_instance* i) {
                vl_talk_data_param data { i, face, 2 };
                return vl_talk_send_record_data(&data);
            },
            19, "talk fa" },
    };
    bare plain;
    for (const Row& row : rows) {
        s->last.clear();
        EXPECT_EQ(row.call(s), row.answer) << row.name;
        EXPECT_EQ(s->last, row.reached) << row.name;
        const int null_answer = std::string(row.name).find("_session") != std::string::npos ? -1 : -5;
        EXPECT_EQ(row.call(nullptr), null_answer) << row.name;
        EXPECT_EQ(row.call(&plain), std::string(row.name) == "vl_delete_playback_thumbnails" ? -5 : -1)
            << row.name << ": the base answer";
    }

    // The edges of the rows.
    s->last.clear();
    EXPECT_EQ(vl_sync_playback_add_session(s, nullptr), vl_fail) << "a null member: -1, not -5";
    EXPECT_EQ(vl_sync_playback_del_session(s, nullptr), vl_fail);
    EXPECT_EQ(vl_sync_playback_add_session(nullptr, nullptr), vl_fail);
    slots alone(nullptr, "alone");
    EXPECT_EQ(vl_delete_playback_thumbnails(&alone, "t"), vl_invalid_instance) << "device-less";
    EXPECT_EQ(alone.last, "");
    EXPECT_EQ(vl_talk_send_record_data(nullptr), vl_invalid_instance);
    vl_talk_data_param empty { nullptr, face, 4 };
    EXPECT_EQ(vl_talk_send_record_data(&empty), vl_invalid_instance);
    EXPECT_EQ(s->last, "");
}

TEST_F(InstanceExports, PlayerOperationsWithJsonAnswerFailUntilBuilt)
{
    slots* s = start_slots("s");
    const std::vector<std::pair<const char*, int (*)(base_instance*, const char*)>> ops = {
        { "vl_start_record", vl_start_record },
        { "vl_capture_picture", vl_capture_picture },
        { "vl_set_video_proportion", vl_set_video_proportion },
        { "vl_fisheye_mouse_control", vl_fisheye_mouse_control },
        { "vl_fisheye_ptz_control", vl_fisheye_ptz_control },
        { "vl_manual_switch_record", vl_manual_switch_record },
    };
    for (const auto& op : ops) {
        EXPECT_EQ(op.second(nullptr, "{}"), vl_invalid_instance) << op.first;
        EXPECT_EQ(op.second(s, "{}"), vl_fail) << op.first << ": never a made-up success";
        EXPECT_EQ(op.second(s, nullptr), vl_fail) << op.first;
    }
}

TEST_F(InstanceExports, PauseAndResumeOnlyARunningDownloadOfADevice)
{
    TestDir dir;
    VLNET_LOG_INFO log;
    std::memset(&log, 0, sizeof log);
    const std::string path = dir.file("VLNet.txt");
    std::snprintf(log.file_path, sizeof log.file_path, "%s", path.c_str());
    ASSERT_EQ(VLNetInitLog(&log), 1);

    EXPECT_EQ(vl_pause_download(nullptr), vl_invalid_instance);
    EXPECT_EQ(vl_resume_download(nullptr), vl_invalid_instance);
    slots* preview = start_slots("preview");
    EXPECT_EQ(vl_pause_download(preview), vl_invalid_instance) << "not a download";
    EXPECT_EQ(vl_resume_download(preview), vl_invalid_instance);
    running_download idle(dev.get());
    EXPECT_EQ(vl_pause_download(&idle), vl_invalid_instance) << "nothing runs";
    EXPECT_EQ(vl_resume_download(&idle), vl_invalid_instance);
    running_download busy(dev.get());
    busy.run(4242);
    EXPECT_EQ(vl_pause_download(&busy), vl_success);
    EXPECT_EQ(vl_resume_download(&busy), vl_success);
    EXPECT_EQ(busy.download_handle(), 4242);

    VLNET_LOG_INFO off;
    std::memset(&off, 0, sizeof off);
    VLNetInitLog(&off);
    const std::string text = read_file(path);
    EXPECT_NE(text.find("download 4242: pause asked"), std::string::npos) << text;
    EXPECT_NE(text.find("download 4242: resume asked"), std::string::npos) << text;
    EXPECT_EQ(text.find("refused"), std::string::npos) << "nothing else reached VLNet: " << text;
}
