// The device object and its instance set, with the fake network SDK: the
// stop rules, logout and destruction with running instances, the starters,
// the face subscriptions, remote tests and reports, and a frame fetch that
// races a logout.
#include "connection_fixture.h"
#include "core/base_instance.h"
#include "core/device.h"
#include "instances/human_face_alarm_report.h"
#include "params/CParamRemoteTest.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace
{

using namespace std::chrono_literals;

// What happened to the test's instances, in order, from any thread.
struct Journal {
    std::mutex lock;
    std::vector<std::string> events;

    void add(const std::string& e)
    {
        std::lock_guard<std::mutex> hold(lock);
        events.push_back(e);
    }
    std::vector<std::string> all()
    {
        std::lock_guard<std::mutex> hold(lock);
        return events;
    }
    bool has(const std::string& e)
    {
        const auto v = all();
        return std::find(v.begin(), v.end(), e) != v.end();
    }
};

// A test-only instance whose start succeeds; it notes its stop,
// deactivation and deletion, and answers is_sync_play as told.
class probe : public base_instance
{
public:
    probe(device* owner, Journal& journal, const std::string& name, bool sync = false)
        : base_instance(owner, instance_type::preview, name.c_str(), owner ? owner->label().c_str() : nullptr)
        , m_journal(journal)
        , m_name(name)
        , m_sync(sync)
    {
    }
    ~probe() override { m_journal.add(m_name + " deleted"); }

    int start()
    {
        set_active(true);
        return vl_success;
    }
    int stop() override
    {
        if (on_stop)
            on_stop();
        m_journal.add(m_name + " stopped");
        set_active(false);
        return 7;
    }
    bool is_sync_play() override { return m_sync; }
    int deactivate() override
    {
        clear_active_locked();
        m_journal.add(m_name + " deactivated");
        return vl_success;
    }
    void* get_decoded_frame() override { return frame ? frame() : nullptr; }
    void log_start() const { log_result("probe start", true); }

    std::function<void()> on_stop;
    std::function<void*()> frame;
    char buffer[4] = {};

private:
    Journal& m_journal;
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
    void log_start() const { log_result("bare start", false); }
};

class runner : public CParamRemoteTest
{
public:
    runner(device* dev, int answer)
        : CParamRemoteTest(dev)
        , m_answer(answer)
    {
    }
    int RemoteTest(int command, const Json::Value& request) override
    {
        calls.emplace_back(command, request);
        return m_answer;
    }
    std::vector<std::pair<int, Json::Value>> calls;

private:
    const int m_answer;
};

struct Reports {
    std::vector<std::pair<int, std::string>> got;
    static void VL_CALL on_report(int msg, const char* json, void* user)
    {
        static_cast<Reports*>(user)->got.emplace_back(msg, json);
    }
};

class DeviceTest : public ConnectionTest
{
protected:
    void SetUp() override
    {
        ConnectionTest::SetUp();
        dev = std::make_unique<device>(fake::kCalls);
    }
    void TearDown() override
    {
        dev.reset();
        ConnectionTest::TearDown();
    }

    void login(const char* ip = "cam-1")
    {
        const std::string json
            = std::string(R"({"ip or id": ")") + ip + R"(", "port": 9000, "password": "pw"})";
        ASSERT_EQ(dev->login(param(json.c_str())), vl_success);
    }
    probe* start_probe(const std::string& name, bool sync = false)
    {
        return dev->start_instance(
            std::make_unique<probe>(dev.get(), journal, name, sync), [](probe& p) { return p.start(); });
    }
    vl_human_face_report_param report_param()
    {
        return vl_human_face_report_param { dev.get(), nullptr, nullptr, nullptr };
    }

    Journal journal;
    std::unique_ptr<device> dev;
};

TEST_F(DeviceTest, ASecondLoginStopsTheFirstSessionsInstancesBeforeItStarts)
{
    login();
    probe* a = start_probe("a");
    probe* b = start_probe("b");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->label(), "cam-1");
    EXPECT_EQ(dev->instance_count(), 2u);
    size_t starts_at_stop = 0;
    size_t stops_at_stop = 99;
    a->on_stop = [&] {
        starts_at_stop = sdk.starts.size();
        stops_at_stop = sdk.stopped.size();
    };

    login("cam-2");
    EXPECT_EQ(starts_at_stop, 1u) << "the instance stops before the second login starts";
    EXPECT_EQ(stops_at_stop, 0u) << "and before the first connection is stopped";
    EXPECT_TRUE(journal.has("a stopped") && journal.has("a deleted"));
    EXPECT_TRUE(journal.has("b stopped") && journal.has("b deleted"));
    EXPECT_EQ(dev->instance_count(), 0u);
    EXPECT_TRUE(logged("[cam-1] call <logout_clear_instance> name:a"));
    EXPECT_EQ(dev->record_address(), "cam-2");
    EXPECT_EQ(dev->record_port(), 9000);
    EXPECT_EQ(dev->password(), "pw");
}

TEST_F(DeviceTest, StopRules)
{
    login();
    // Device-bound stop.
    EXPECT_EQ(vlsdk::stop_bound_instance(nullptr), vl_invalid_instance);
    auto loose = std::make_unique<probe>(nullptr, journal, "loose");
    EXPECT_EQ(vlsdk::stop_bound_instance(loose.get()), vl_invalid_instance);
    EXPECT_TRUE(journal.all().empty()) << "a device-less instance is left alone";
    probe* bound = start_probe("bound");
    EXPECT_EQ(vlsdk::stop_bound_instance(bound), vl_success);
    EXPECT_EQ(journal.all(), (std::vector<std::string> { "bound stopped", "bound deleted" }));
    EXPECT_EQ(dev->instance_count(), 0u);

    // A synchronised-play member stopped through its device: only
    // deactivated, and out of the set; its group still owns it.
    probe* member = start_probe("member", true);
    EXPECT_EQ(vlsdk::stop_bound_instance(member), vl_success);
    EXPECT_TRUE(journal.has("member deactivated"));
    EXPECT_FALSE(journal.has("member stopped"));
    EXPECT_FALSE(member->active());
    EXPECT_FALSE(dev->holds_instance(member));
    // The device no longer holds it: a second stop touches nothing.
    EXPECT_EQ(dev->stop_instance(member), vl_success);
    EXPECT_FALSE(journal.has("member deleted"));
    delete member;

    // Playback stop.
    EXPECT_EQ(vlsdk::stop_playback_instance(nullptr), vl_invalid_instance);
    probe* playback = start_probe("playback");
    EXPECT_EQ(vlsdk::stop_playback_instance(playback), vl_success);
    EXPECT_TRUE(journal.has("playback deleted"));
    auto grouped = std::make_unique<probe>(nullptr, journal, "grouped", true);
    EXPECT_EQ(vlsdk::stop_playback_instance(grouped.get()), vl_invalid_instance);
    EXPECT_FALSE(journal.has("grouped stopped"));
    EXPECT_EQ(vlsdk::stop_playback_instance(new probe(nullptr, journal, "local")), 7)
        << "a device-less playback answers its stop's result";
    EXPECT_TRUE(journal.has("local stopped") && journal.has("local deleted"));

    // Device-less stop.
    EXPECT_EQ(vlsdk::stop_unbound_instance(nullptr), vl_invalid_instance);
    EXPECT_EQ(vlsdk::stop_unbound_instance(loose.release()), 7);
    EXPECT_TRUE(journal.has("loose deleted"));
    probe* kept = start_probe("kept");
    EXPECT_EQ(vlsdk::stop_unbound_instance(kept), vl_invalid_instance)
        << "its device owns a device-bound instance: deleting it would leave the set a freed pointer";
    EXPECT_TRUE(dev->holds_instance(kept));
    EXPECT_FALSE(journal.has("kept stopped"));
}

TEST_F(DeviceTest, DestroyWhileLoggedInStopsEverythingThenLogsOut)
{
    login();
    start_probe("a");
    start_probe("b");
    auto report = report_param();
    ASSERT_NE(dev->start_human_face_alarm_report(&report), nullptr);
    // The connection is stopped after the instances.
    bool stopped_before_logout = false;
    start_probe("c")->on_stop = [&] { stopped_before_logout = sdk.stopped.empty(); };

    EXPECT_EQ(vl_destroy_device(dev.release()), vl_success);
    for (const char* name : { "a", "b", "c" })
        EXPECT_TRUE(journal.has(std::string(name) + " deleted")) << name;
    EXPECT_TRUE(stopped_before_logout);
    EXPECT_EQ(sdk.stopped, std::vector<int> { 7 }) << "the connection is logged out";
    EXPECT_EQ(sdk.alarms().back(), "stop report 500") << "the face subscription ends";
    EXPECT_TRUE(logged("call <logout_clear_instance> name:human_face_alarm_report"));
}

TEST_F(DeviceTest, AStartThatALogoutOvertakesIsStoppedNotKept)
{
    login();
    base_instance* raced
        = dev->start_instance(std::make_unique<probe>(dev.get(), journal, "raced"), [&](probe& p) {
              dev->logout(); // another thread's logout, while the start runs
              return p.start();
          });
    EXPECT_EQ(raced, nullptr);
    EXPECT_TRUE(journal.has("raced stopped") && journal.has("raced deleted"));
    EXPECT_EQ(dev->instance_count(), 0u);
}

TEST_F(DeviceTest, StartsThatFailLeaveNothing)
{
    login();
    EXPECT_EQ(dev->start_preview(nullptr), nullptr);
    EXPECT_TRUE(logged("[cam-1] call <preview start> result:fail"));
    EXPECT_EQ(dev->start_talk("{}", nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(dev->start_instance(
                  std::make_unique<probe>(dev.get(), journal, "refused"), [](probe&) { return -1; }),
        nullptr);
    EXPECT_TRUE(journal.has("refused deleted"));
    EXPECT_FALSE(journal.has("refused stopped"));

    // Downloads name a record of the record index by channel and key.
    for (const char* request : { "{", "[]", "{}", R"({"channel": null, "index": 1})", R"({"channel": -1})",
             R"({"channel": "x"})", R"({"channel": 2, "index": 1})" }) {
        EXPECT_EQ(dev->start_download_by_file(request, nullptr, nullptr, nullptr), nullptr) << request;
        EXPECT_EQ(dev->start_download_by_time(request, nullptr, nullptr, nullptr), nullptr) << request;
    }
    EXPECT_EQ(dev->start_download_by_file(nullptr, nullptr, nullptr, nullptr), nullptr);
    std::vector<uint32_t> keys;
    record_info r {};
    r.size = sizeof r;
    r.file_size = 1000;
    ASSERT_TRUE(dev->records().store(2, 0, &r, 1, keys));
    const std::string found = R"({"channel": 2, "index": )" + std::to_string(keys[0]) + "}";
    EXPECT_EQ(dev->start_download_by_file(found.c_str(), nullptr, nullptr, nullptr), nullptr);
    EXPECT_TRUE(logged("call <download_record start> result:fail"))
        << "the record was found and the start ran";
    EXPECT_EQ(dev->instance_count(), 0u);
}

TEST_F(DeviceTest, OneFaceReportPerDeviceAndAnyNumberOfParameterChannels)
{
    login();
    vl_human_face_report_param report = report_param();
    base_instance* first = dev->start_human_face_alarm_report(&report);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->active());
    EXPECT_EQ(first->type(), instance_type::human_face_alarm_report);
    EXPECT_EQ(static_cast<human_face_alarm_report*>(first)->subscription(), 500);
    {
        std::lock_guard<std::mutex> hold(sdk.alarm_lock);
        EXPECT_EQ(sdk.last_request.context, first);
        EXPECT_NE(sdk.last_request.report_callback, nullptr);
        EXPECT_NE(sdk.last_request.status_callback, nullptr);
    }
    EXPECT_TRUE(logged("[cam-1] call <human_face_alarm_report start> result:success"));
    EXPECT_EQ(dev->start_human_face_alarm_report(&report), nullptr) << "a second report while the first runs";
    EXPECT_EQ(sdk.alarms(), std::vector<std::string> { "report 7" }) << "the second never subscribes";

    vl_human_face_param_param channel { dev.get(), nullptr, nullptr, nullptr };
    base_instance* p1 = dev->start_human_face_param(&channel);
    base_instance* p2 = dev->start_human_face_param(&channel);
    ASSERT_TRUE(p1 && p2);
    EXPECT_NE(p1, p2);
    EXPECT_EQ(dev->instance_count(), 3u);

    EXPECT_EQ(vlsdk::stop_bound_instance(first), vl_success);
    EXPECT_EQ(vlsdk::stop_bound_instance(p1), vl_success);
    EXPECT_EQ(sdk.alarms(),
        (std::vector<std::string> { "report 7", "param 7", "param 7", "stop report 500", "stop param 501" }));
    EXPECT_TRUE(logged("call <human_face_alarm_report stop> result:success"));
    EXPECT_NE(dev->start_human_face_alarm_report(&report), nullptr)
        << "once the first is stopped, another starts";

    // A refused subscription gives null and leaves the set as it was.
    sdk.refuse_alarm = true;
    EXPECT_EQ(dev->start_human_face_param(&channel), nullptr);
    EXPECT_TRUE(logged("call <human_face_remote_param start> result:fail"));
    EXPECT_EQ(dev->instance_count(), 2u);
    EXPECT_EQ(dev->start_human_face_alarm_report(nullptr), nullptr);
}

TEST_F(DeviceTest, TwoFaceReportsStartedAtOnceGiveOne)
{
    login();
    // Each subscription takes a while, so both starts are under way at once.
    sdk.on_alarm_start = [] { std::this_thread::sleep_for(30ms); };
    vl_human_face_report_param report = report_param();
    base_instance* got[2] = {};
    std::thread one([&] { got[0] = dev->start_human_face_alarm_report(&report); });
    std::thread two([&] { got[1] = dev->start_human_face_alarm_report(&report); });
    one.join();
    two.join();
    EXPECT_EQ((got[0] != nullptr) + (got[1] != nullptr), 1);
    EXPECT_EQ(dev->instance_count(), 1u);
    EXPECT_EQ(sdk.alarms().size(), 1u);
}

TEST_F(DeviceTest, DecodedFrameFetchHoldsOffALogout)
{
    login();
    probe* p = start_probe("frame");
    ASSERT_NE(p, nullptr);
    void* const expected = p->buffer;
    std::atomic<bool> entered { false };
    p->frame = [&, p] {
        entered = true;
        std::this_thread::sleep_for(50ms);
        journal.add("frame fetched");
        return static_cast<void*>(p->buffer); // the instance is still there
    };
    void* got = nullptr;
    bool valid = false;
    std::thread fetch([&] { got = vl_get_decoded_frame(p, &valid); });
    while (!entered)
        std::this_thread::yield();
    dev->logout();
    fetch.join();
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(valid);
    const auto events = journal.all();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], "frame fetched") << "the logout waited for the fetch";
    EXPECT_EQ(events[2], "frame deleted");
}

TEST_F(DeviceTest, DecodedFrameValidity)
{
    bool valid = true;
    EXPECT_EQ(vl_get_decoded_frame(nullptr, &valid), nullptr);
    EXPECT_FALSE(valid);
    EXPECT_EQ(vl_get_decoded_frame(nullptr, nullptr), nullptr);

    probe loose(nullptr, journal, "loose");
    loose.frame = [&] { return static_cast<void*>(loose.buffer); };
    EXPECT_EQ(vl_get_decoded_frame(&loose, &valid), loose.buffer);
    EXPECT_TRUE(valid) << "a device-less instance answers itself";

    login();
    probe* member = start_probe("member", true);
    member->frame = [member] { return static_cast<void*>(member->buffer); };
    EXPECT_EQ(vl_get_decoded_frame(member, &valid), member->buffer);
    EXPECT_TRUE(valid);
    dev->stop_instance(member);
    EXPECT_EQ(vl_get_decoded_frame(member, &valid), nullptr);
    EXPECT_FALSE(valid) << "its device no longer holds it";
    delete member;
}

TEST_F(DeviceTest, BaseAnswersOfTheTwentyOperations)
{
    bare b;
    EXPECT_EQ(b.get_decoded_frame(), nullptr);
    EXPECT_EQ(b.switch_stream_type("{}"), vl_fail);
    EXPECT_EQ(b.seek_by_time("2024-01-01 00:00:00"), vl_fail);
    EXPECT_EQ(b.seek_by_time_v1("{}"), vl_fail);
    EXPECT_EQ(b.set_play_mode("{}"), vl_fail);
    EXPECT_EQ(b.seek_by_key_frame_index(3), vl_fail);
    EXPECT_EQ(b.input_local_playback_time(1, 0), vl_fail);
    EXPECT_EQ(b.send_human_face_param("x", 1), vl_fail);
    EXPECT_EQ(b.start_net(), vl_fail);
    EXPECT_EQ(b.stop_net(), vl_fail);
    EXPECT_FALSE(b.is_sync_play());
    b.detach_from_device();
    EXPECT_EQ(b.sync_playback_add_session(&b), vl_fail);
    EXPECT_EQ(b.sync_playback_del_session(&b), vl_fail);
    EXPECT_EQ(b.deactivate(), vl_fail);
    EXPECT_EQ(b.delete_playback_thumbnails("{}"), vl_fail);
    EXPECT_EQ(b.request_more_frame(), vl_fail);
    EXPECT_EQ(b.talk_send_record_data("x", 1), vl_fail);
    EXPECT_EQ(b.owner(), nullptr);
    EXPECT_FALSE(b.active());
    EXPECT_EQ(b.play_handle(), 0);
    EXPECT_EQ(b.type(), instance_type::p2p_tunnel);
    EXPECT_EQ(b.class_name(), "");
    b.log_start();
    EXPECT_TRUE(logged("[] call <bare start> result:fail")) << "null texts log empty brackets";
}

TEST_F(DeviceTest, RemoteTestsAndReports)
{
    Reports tests, reports, earlier;
    EXPECT_EQ(vl_remote_test(nullptr, 301, "{}", &Reports::on_report, &tests), vl_invalid_device);
    EXPECT_EQ(vl_remote_test(dev.get(), 301, "{}", &Reports::on_report, &tests), vl_fail)
        << "the runner does not run tests yet";

    auto owned = std::make_unique<runner>(dev.get(), 0);
    runner* r = owned.get();
    dev->replace_remote_test_runner(std::move(owned));
    EXPECT_EQ(vl_remote_test(dev.get(), 302, R"({"HostName": "h"})", &Reports::on_report, &earlier), vl_fail)
        << "a runner answering 0 gives -1";
    ASSERT_EQ(r->calls.size(), 1u);
    EXPECT_EQ(r->calls[0].first, 302);
    EXPECT_EQ(r->calls[0].second["HostName"].asString(), "h");

    auto owned1 = std::make_unique<runner>(dev.get(), 1);
    dev->replace_remote_test_runner(std::move(owned1));
    EXPECT_EQ(vl_remote_test(dev.get(), 303, "{} // a comment", &Reports::on_report, &earlier), vl_success);
    EXPECT_EQ(vl_remote_test(dev.get(), 303, "{", &Reports::on_report, &tests), vl_parse_json_error);
    EXPECT_EQ(vl_remote_test(dev.get(), 303, nullptr, &Reports::on_report, &tests), vl_parse_json_error);

    // Replies go to the callback of the last test that parsed.
    Json::Value reply;
    reply["RetVal"] = 1;
    dev->notify_param_report(367, 7, reply);
    ASSERT_EQ(earlier.got.size(), 1u);
    EXPECT_EQ(earlier.got[0].first, 367);
    EXPECT_EQ(earlier.got[0].second, "{\n\t\"RetVal\" : 1\n}");
    EXPECT_TRUE(tests.got.empty());

    // Device reports: message 35 of type 5, once registered.
    dev->notify_param_report(35, 5, reply);
    EXPECT_TRUE(reports.got.empty());
    vl_report_callback_param registration { &Reports::on_report, &reports };
    EXPECT_EQ(vl_cms_register_callback(nullptr, &registration), vl_invalid_instance);
    EXPECT_EQ(vl_cms_register_callback(dev.get(), nullptr), vl_invalid_argument);
    EXPECT_EQ(vl_cms_register_callback(dev.get(), &registration), vl_success);
    dev->notify_param_report(35, 5, reply);
    dev->notify_param_report(35, 4, reply);
    dev->notify_param_report(36, 5, reply);
    ASSERT_EQ(reports.got.size(), 1u);
    EXPECT_EQ(reports.got[0].first, 35);
    EXPECT_EQ(earlier.got.size(), 1u);
}

} // namespace
