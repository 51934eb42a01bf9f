// The C interface as a client sees it: the shared library and its public
// header only.
#include "test_dir.h"
#include "vl_sdk_wrapper.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

extern "C" int vl_header_c_check(void);

namespace
{

std::mutex g_lock;
std::vector<std::string> g_lines;
std::vector<std::string> g_other_lines;

void VL_CALL collect(const char* line, void*)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_lines.emplace_back(line);
}

void VL_CALL collect_other(const char* line, void*)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_other_lines.emplace_back(line);
}

bool seen(const std::vector<std::string>& lines, const std::string& part)
{
    std::lock_guard<std::mutex> hold(g_lock);
    for (const auto& line : lines) {
        if (line.find(part) != std::string::npos)
            return true;
    }
    return false;
}

std::string log_json(const TestDir& dir, long max_size)
{
    return "{\"directory\": \"" + dir.path() + "\", \"max size\": " + std::to_string(max_size)
        + ", \"enable net log\": true}";
}

class CInterface : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::lock_guard<std::mutex> hold(g_lock);
        g_lines.clear();
        g_other_lines.clear();
    }
    void TearDown() override
    {
        vl_sdk_wrapper_uninit();
        vl_log_param none {};
        vl_init_log_ex(&none); // removes the callback
    }
};

} // namespace

TEST_F(CInterface, HeaderIsPlainC)
{
    EXPECT_EQ(vl_header_c_check(), -22 + 256 + 1 + VL_SDK_WRAPPER_VERSION_MAJOR);
}

TEST_F(CInterface, InitUninitInitAgain)
{
    EXPECT_EQ(vl_sdk_wrapper_uninit(), vl_success) << "a shut-down without start-up is harmless";
    EXPECT_EQ(vl_sdk_wrapper_init(nullptr), vl_success);
    EXPECT_EQ(vl_sdk_wrapper_uninit(), vl_success);
    EXPECT_EQ(vl_sdk_wrapper_init("{}"), vl_success);
    EXPECT_EQ(vl_sdk_wrapper_uninit(), vl_success);
    EXPECT_EQ(vl_sdk_wrapper_init_v1(nullptr), vl_success);
    EXPECT_EQ(vl_sdk_wrapper_uninit(), vl_success);

    vl_init_param param {};
    param.p2p_word1 = 0x1234;
    param.p2p_word2 = 7;
    param.json = "{\"port\": 65534, \"cache_directory\": \"/tmp\", \"max hardware decode num\": 2,"
                 " \"enable hw render\": true, \"vl iot router v1\": {\"a\": [1]},}";
    EXPECT_EQ(vl_sdk_wrapper_init_v1(&param), vl_success);
    EXPECT_EQ(vl_sdk_wrapper_init(param.json), vl_success) << "start-up may run more than once";
    EXPECT_EQ(vl_sdk_wrapper_uninit(), vl_success);
    EXPECT_EQ(vl_sdk_wrapper_uninit(), vl_success);
}

TEST_F(CInterface, StartUpRequestForms)
{
    struct Case {
        const char* json;
        int result;
    } cases[] = {
        { "{}", vl_success },
        { "{\"port\": 1, } // trailing comma and comment", vl_success },
        { "/* comment */ {\"region\": \"region_us\"}", vl_success },
        { "{", vl_parse_json_error },
        { "", vl_parse_json_error },
        { "not json", vl_parse_json_error },
        { "{\"port\": \"eighty\"}", vl_parse_json_error }, // wrong types fail, never crash
        { "{\"port\": -5}", vl_parse_json_error },
        { "{\"windows dll path\": {\"a\": 1}}", vl_parse_json_error },
        { "{\"enable hw render\": \"yes\"}", vl_parse_json_error },
        { "[1, 2]", vl_parse_json_error },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vl_sdk_wrapper_init(c.json), c.result) << c.json;
        if (c.result == vl_success)
            vl_sdk_wrapper_uninit();
    }
}

TEST_F(CInterface, LogSetUpRequestForms)
{
    TestDir dir;
    struct Case {
        std::string json;
        int result;
    } cases[] = {
        { "{}", vl_success },
        { "{\"enable p2p log\": true,}", vl_success },
        { "{} // nothing", vl_success },
        { "{", vl_parse_json_error },
        { "{\"max size\": \"big\"}", vl_parse_json_error },
        { "{\"directory\": [\"" + dir.path() + "\"]}", vl_parse_json_error },
        { "{\"enable net log\": {}}", vl_parse_json_error },
    };
    for (const Case& c : cases)
        EXPECT_EQ(vl_init_log(c.json.c_str()), c.result) << c.json;
    EXPECT_EQ(vl_init_log(nullptr), vl_parse_json_error);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "no request above opened a file";
}

TEST_F(CInterface, LogFileRotationAtOpening)
{
    TestDir dir;
    const std::string log = dir.file("VLWrapper.txt");
    const std::string old = dir.file("VLWrapper_1.txt");
    const std::string big(1001, 'x');

    // "max size" 0: the existing log is kept and appended to.
    write_file(log, big);
    ASSERT_EQ(vl_init_log(log_json(dir, 0).c_str()), vl_success);
    EXPECT_FALSE(std::filesystem::exists(old));
    ASSERT_EQ(vl_sdk_wrapper_init(nullptr), vl_success); // writes its line into the open log
    EXPECT_EQ(vl_sdk_wrapper_uninit(), vl_success);
    std::string content = read_file(log);
    EXPECT_EQ(content.substr(0, 1001), big);
    EXPECT_NE(content.find("call <sdk_wrapper_init> result:success\n"), std::string::npos);
    EXPECT_NE(content.find("call <sdk_wrapper_uninit> result:success\n"), std::string::npos);

    // "max size" 1000 against a 1001-byte log: it becomes VLWrapper_1.txt,
    // replacing the older one, and a new empty log is started.
    write_file(log, big);
    write_file(old, "older");
    ASSERT_EQ(vl_init_log(log_json(dir, 1000).c_str()), vl_success);
    EXPECT_EQ(read_file(old), big);
    EXPECT_TRUE(std::filesystem::exists(log));
    EXPECT_EQ(std::filesystem::file_size(log), 0u);

    // While it is open, later set-ups leave it alone.
    TestDir other;
    ASSERT_EQ(vl_init_log(log_json(other, 1).c_str()), vl_success);
    EXPECT_FALSE(std::filesystem::exists(other.file("VLWrapper.txt")));
    EXPECT_EQ(vl_sdk_wrapper_uninit(), vl_success);
    EXPECT_NE(read_file(log).find("sdk_wrapper_uninit"), std::string::npos);
}

TEST_F(CInterface, LogCallbackRecord)
{
    EXPECT_EQ(vl_init_log_ex(nullptr), vl_fail);

    // A null JSON still stores the callback: lines reach it without a file.
    vl_log_param param {};
    param.callback = collect;
    EXPECT_EQ(vl_init_log_ex(&param), vl_fail);
    ASSERT_EQ(vl_sdk_wrapper_init(nullptr), vl_success);
    EXPECT_TRUE(seen(g_lines, "call <sdk_wrapper_init> result:success\n"));

    // Shut-down keeps the callback.
    EXPECT_EQ(vl_sdk_wrapper_uninit(), vl_success);
    EXPECT_TRUE(seen(g_lines, "call <sdk_wrapper_uninit> result:success\n"));

    // A bad JSON still replaces the callback, and returns the parse error.
    param.callback = collect_other;
    param.json = "{ bad";
    EXPECT_EQ(vl_init_log_ex(&param), vl_parse_json_error);
    ASSERT_EQ(vl_sdk_wrapper_init(nullptr), vl_success);
    EXPECT_TRUE(seen(g_other_lines, "sdk_wrapper_init"));

    // Lines have the time prefix and carry their own line end.
    std::lock_guard<std::mutex> hold(g_lock);
    ASSERT_FALSE(g_lines.empty());
    EXPECT_EQ(g_lines[0][0], '[');
    EXPECT_EQ(g_lines[0][21], ' ');
    EXPECT_EQ(g_lines[0].back(), '\n');
}

TEST_F(CInterface, LongP2PAddressIsReportedNotCut)
{
    vl_log_param param {};
    param.callback = collect;
    vl_init_log_ex(&param);
    const std::string json
        = "{\"vv main server addr\": \"" + std::string(200, 'a') + "\", \"vv main server port\": 80}";
    EXPECT_EQ(vl_sdk_wrapper_init(json.c_str()), vl_success);
    EXPECT_TRUE(seen(g_lines, "call <sdk_wrapper_init> error:p2p main server address too long"));
}

TEST_F(CInterface, LogFileNamedByVLNetIniBesideTheProgram)
{
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe");
    const std::string ini = (program.parent_path() / "VLNet.ini").string();
    struct RemoveIni {
        std::string path;
        ~RemoveIni() { std::filesystem::remove(path); }
    } remove_ini { ini };

    TestDir dir;
    std::filesystem::create_directories(dir.file("mylogs"));
    // Blanks are removed from the value, so "my logs" names "mylogs".
    write_file(ini, "[net]\r\nlevel=2\r\nlog_path = " + dir.path() + "/my logs/net.log\r\n");
    ASSERT_EQ(vl_sdk_wrapper_init(nullptr), vl_success);
    EXPECT_EQ(vl_sdk_wrapper_uninit(), vl_success);
    const std::string content = read_file(dir.file("mylogs/VLWrapper.txt"));
    EXPECT_NE(content.find("call <sdk_wrapper_init> result:success"), std::string::npos) << content;

    // A value without a folder opens nothing; the library runs without a file.
    write_file(ini, "log_path=net.log\n");
    ASSERT_EQ(vl_sdk_wrapper_init(nullptr), vl_success);
    EXPECT_EQ(vl_sdk_wrapper_uninit(), vl_success);
    EXPECT_FALSE(std::filesystem::exists(program.parent_path() / "VLWrapper.txt"));

    // A log file opened by the log set-up wins over the configuration file.
    TestDir first;
    write_file(ini, "log_path=" + dir.path() + "/x.log\n");
    ASSERT_EQ(vl_init_log(log_json(first, 0).c_str()), vl_success);
    ASSERT_EQ(vl_sdk_wrapper_init(nullptr), vl_success);
    EXPECT_EQ(vl_sdk_wrapper_uninit(), vl_success);
    EXPECT_NE(read_file(first.file("VLWrapper.txt")).find("sdk_wrapper_init"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("VLWrapper.txt")));
}

TEST_F(CInterface, DeviceExportsCheckTheirArguments)
{
    EXPECT_EQ(vl_destroy_device(nullptr), vl_success);
    EXPECT_EQ(vl_device_login_ex(nullptr), vl_invalid_device);
    vl_login_param param;
    std::memset(&param, 0, sizeof param);
    param.json = "{}";
    EXPECT_EQ(vl_device_login_ex(&param), vl_invalid_device) << "a record without a device";
    EXPECT_EQ(vl_device_logout(nullptr), vl_invalid_device);
    EXPECT_EQ(vl_get_device_type(nullptr), vl_fail);
    char out[8] = "keep";
    EXPECT_EQ(vl_get_login_rsp(nullptr, out, sizeof out), vl_invalid_device);

    device* dev = vl_create_device();
    ASSERT_NE(dev, nullptr);
    EXPECT_EQ(vl_get_device_type(dev), 0);
    EXPECT_EQ(vl_get_login_rsp(dev, nullptr, 10), vl_invalid_argument);
    EXPECT_EQ(vl_get_login_rsp(dev, out, sizeof out), vl_buffer_too_small);
    EXPECT_STREQ(out, "keep") << "a buffer that is too small is left alone";
    EXPECT_EQ(vl_get_login_rsp(dev, nullptr, 0), vl_buffer_too_small);
    std::vector<char> big(16384, 'x');
    ASSERT_EQ(vl_get_login_rsp(dev, big.data(), int(big.size())), vl_success);
    const std::string rsp(big.data());
    EXPECT_NE(rsp.find("\"DevVer\" : \"\""), std::string::npos);
    EXPECT_NE(rsp.find("\"sys_channel_num\" : 0"), std::string::npos);
    // Exactly as long as the text: too small; one byte more: fits.
    std::vector<char> exact(rsp.size(), 'x');
    EXPECT_EQ(vl_get_login_rsp(dev, exact.data(), int(exact.size())), vl_buffer_too_small);
    std::vector<char> fits(rsp.size() + 1, 'x');
    EXPECT_EQ(vl_get_login_rsp(dev, fits.data(), int(fits.size())), vl_success);
    EXPECT_EQ(std::string(fits.data()), rsp);

    EXPECT_EQ(vl_device_logout(dev), vl_success) << "logging out a device never logged in";
    param.dev = dev;
    param.json = "{\"ip or id\": ";
    EXPECT_EQ(vl_device_login_ex(&param), vl_parse_json_error);
    param.json = nullptr;
    EXPECT_EQ(vl_device_login_ex(&param), vl_parse_json_error);
    param.json = "{\"ip or id\": \"192.0.2.1\", \"user\": [1]}";
    EXPECT_EQ(vl_device_login_ex(&param), vl_parse_json_error) << "a value of the wrong type";
    // Without the network SDK started the login cannot begin.
    param.json = "{\"ip or id\": \"192.0.2.1\"}";
    EXPECT_EQ(vl_device_login_ex(&param), vl_fail);

    // Abilities and rights of a device never logged in: what zeros say.
    EXPECT_FALSE(vl_has_ability(nullptr, R"({"term": "main stream"})"));
    EXPECT_FALSE(vl_has_authority(nullptr, R"({"term": "preview"})"));
    EXPECT_TRUE(vl_has_ability(dev, R"({"term": "main stream"})"));
    EXPECT_TRUE(vl_has_ability(dev, R"({"term": "sub stream", "channel": 3})"));
    EXPECT_FALSE(vl_has_ability(dev, R"({"term": "ptz"})"));
    EXPECT_FALSE(vl_has_ability(dev, R"({"term": "no such term"})"));
    EXPECT_FALSE(vl_has_ability(dev, R"({"term": "main stream", "channel": -1})"));
    EXPECT_FALSE(vl_has_ability(dev, "{"));
    EXPECT_FALSE(vl_has_ability(dev, nullptr));
    EXPECT_FALSE(vl_has_authority(dev, R"({"term": "preview", "channel": 0})"));
    EXPECT_FALSE(vl_has_authority(dev, nullptr));

    // Reports and remote tests.
    vl_report_callback_param report { nullptr, nullptr };
    EXPECT_EQ(vl_cms_register_callback(nullptr, &report), vl_invalid_instance);
    EXPECT_EQ(vl_cms_register_callback(dev, nullptr), vl_invalid_argument);
    EXPECT_EQ(vl_cms_register_callback(dev, &report), vl_success);
    EXPECT_EQ(vl_remote_test(nullptr, 301, "{}", nullptr, nullptr), vl_invalid_device);
    EXPECT_EQ(vl_remote_test(dev, 301, "{", nullptr, nullptr), vl_parse_json_error);
    EXPECT_EQ(vl_remote_test(dev, 301, nullptr, nullptr, nullptr), vl_parse_json_error);
    EXPECT_EQ(vl_remote_test(dev, 301, "{}", nullptr, nullptr), vl_fail);
    EXPECT_EQ(vl_destroy_device(dev), vl_success);

    bool valid = true;
    EXPECT_EQ(vl_get_decoded_frame(nullptr, &valid), nullptr);
    EXPECT_FALSE(valid);
    EXPECT_EQ(vl_get_decoded_frame(nullptr, nullptr), nullptr);
}

// Every instance export that takes an instance or a record, handed a null
// one, answers as its contract says and touches nothing.
TEST_F(CInterface, InstanceExportsGivenNullAnswerAndNeverCrash)
{
    // Starts: NULL for a null record, a record without device, a null device.
    vl_preview_param preview {};
    vl_remote_playback_param playback {};
    vl_download_param download {};
    vl_talk_param talk {};
    vl_human_face_report_param report {};
    vl_human_face_param_param face {};
    EXPECT_EQ(vl_start_preview(nullptr), nullptr);
    EXPECT_EQ(vl_start_preview(&preview), nullptr);
    EXPECT_EQ(vl_start_remote_playback(nullptr), nullptr);
    EXPECT_EQ(vl_start_remote_playback(&playback), nullptr);
    EXPECT_EQ(vl_search_record_by_month(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_search_record_by_day(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_download_by_file(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_download_by_time(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_download_by_file_v1(nullptr), nullptr);
    EXPECT_EQ(vl_start_download_by_file_v1(&download), nullptr);
    EXPECT_EQ(vl_start_download_by_time_v1(nullptr), nullptr);
    EXPECT_EQ(vl_start_download_by_time_v1(&download), nullptr);
    EXPECT_EQ(vl_start_talk_to_device(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_talk_to_channel(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_talk_to_device_v1(nullptr), nullptr);
    EXPECT_EQ(vl_start_talk_to_device_v1(&talk), nullptr);
    EXPECT_EQ(vl_start_talk_to_channel_v1(nullptr), nullptr);
    EXPECT_EQ(vl_start_talk_to_channel_v1(&talk), nullptr);
    EXPECT_EQ(vl_start_playback_thumbnails(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_playback_thumbnails_index(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_upgrade(nullptr, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_human_face_alarm_report(nullptr), nullptr);
    EXPECT_EQ(vl_start_human_face_alarm_report(&report), nullptr);
    EXPECT_EQ(vl_start_human_face_param(nullptr), nullptr);
    EXPECT_EQ(vl_start_human_face_param(&face), nullptr);
    EXPECT_EQ(vl_start_local_playback(nullptr), nullptr);
    EXPECT_EQ(vl_start_sync_playback(nullptr), nullptr);
    EXPECT_EQ(vl_start_http_client(nullptr), nullptr);
    EXPECT_EQ(vl_start_local_playback_thumbnails(nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_convert_file(nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_p2p_tunnel(nullptr, nullptr, nullptr), nullptr);

    // Stops.
    for (auto stop : { vl_stop_download, vl_stop_human_face_alarm_report, vl_stop_human_face_param,
             vl_stop_playback_thumbnails, vl_stop_preview, vl_stop_search_record, vl_stop_talk,
             vl_stop_upgrade, vl_stop_playback, vl_stop_convert_file, vl_stop_http_client,
             vl_stop_local_playback_thumbnails, vl_stop_p2p_tunnel })
        EXPECT_EQ(stop(nullptr), vl_invalid_instance);

    // Operations.
    bool valid = true;
    EXPECT_EQ(vl_get_decoded_frame(nullptr, &valid), nullptr);
    EXPECT_FALSE(valid);
    for (auto op : { vl_switch_stream_type, vl_seek_by_time, vl_seek_by_time_v1, vl_set_play_mode,
             vl_delete_playback_thumbnails, vl_start_record, vl_capture_picture, vl_set_video_proportion,
             vl_fisheye_mouse_control, vl_fisheye_ptz_control, vl_manual_switch_record })
        EXPECT_EQ(op(nullptr, "{}"), vl_invalid_instance);
    EXPECT_EQ(vl_seek_by_key_frame_index(nullptr, 1), vl_invalid_instance);
    EXPECT_EQ(vl_input_local_playback_time(nullptr, 1, 2), vl_invalid_instance);
    EXPECT_EQ(vl_send_human_face_param(nullptr, "x", 1), vl_invalid_instance);
    EXPECT_EQ(vl_sync_playback_add_session(nullptr, nullptr), vl_fail);
    EXPECT_EQ(vl_sync_playback_del_session(nullptr, nullptr), vl_fail);
    EXPECT_EQ(vl_request_more_frame(nullptr), vl_invalid_instance);
    EXPECT_EQ(vl_talk_send_record_data(nullptr), vl_invalid_instance);
    vl_talk_data_param data { nullptr, "x", 1 };
    EXPECT_EQ(vl_talk_send_record_data(&data), vl_invalid_instance);

    // The player handle.
    char out[16];
    std::memset(out, 'x', sizeof out);
    int width = 7;
    int height = 7;
    vl_record_result result {};
    vl_picture_buffer picture {};
    vl_view_ratios ratios {};
    for (auto op : { vl_open_sound, vl_close_sound, vl_get_volume, vl_set_mute_on, vl_set_mute_off,
             vl_stop_record, vl_play_lost, vl_play_reset })
        EXPECT_EQ(op(nullptr), vl_invalid_instance);
    EXPECT_EQ(vl_set_volume(nullptr, 10), vl_invalid_instance);
    EXPECT_EQ(vl_stop_record_ex(nullptr, &result), vl_invalid_instance);
    EXPECT_EQ(vl_stop_record_ex(nullptr, nullptr), vl_invalid_instance);
    EXPECT_EQ(vl_capture_picture_to_buf(nullptr, &picture), vl_invalid_instance);
    EXPECT_EQ(vl_capture_picture_to_buf(nullptr, nullptr), vl_invalid_instance);
    EXPECT_EQ(vl_get_current_time(nullptr, out, sizeof out), vl_invalid_instance);
    EXPECT_EQ(vl_get_current_time(nullptr, nullptr, 0), vl_invalid_instance);
    EXPECT_EQ(vl_get_current_time_millisecond(nullptr), 0);
    EXPECT_EQ(vl_set_fishsye_mode(nullptr, 1), vl_invalid_instance);
    EXPECT_EQ(vl_window_in_zoom_status(nullptr), 0);
    EXPECT_EQ(vl_set_color(nullptr, 1), vl_invalid_instance);
    EXPECT_EQ(vl_draw_line(nullptr, 1, 2), vl_invalid_instance);
    EXPECT_EQ(vl_draw_rect(nullptr, 1, 2), vl_invalid_instance);
    EXPECT_EQ(vl_draw_solid_rect(nullptr, 1, 2, 3), vl_invalid_instance);
    EXPECT_EQ(vl_draw_hollow_circle(nullptr, 1, 2), vl_invalid_instance);
    EXPECT_EQ(vl_draw_text(nullptr, 1, 2), vl_invalid_instance);
    EXPECT_EQ(vl_upload_picture_from_memory(nullptr, "x", 1), 0);
    EXPECT_EQ(vl_upload_picture_from_memory(nullptr, nullptr, 0), 0);
    EXPECT_EQ(vl_delete_picture(nullptr, 1), vl_invalid_instance);
    EXPECT_EQ(vl_draw_picture(nullptr, 1, 2, 3), vl_invalid_instance);
    EXPECT_EQ(vl_get_frame_width_and_height(nullptr, &width, &height), vl_invalid_instance);
    EXPECT_EQ(vl_get_frame_width_and_height(nullptr, nullptr, nullptr), vl_invalid_instance);
    EXPECT_EQ(vl_adjust_render_frame_rect(nullptr, &ratios), vl_invalid_instance);
    EXPECT_EQ(vl_adjust_render_frame_rect(nullptr, nullptr), vl_invalid_instance);
    EXPECT_EQ(vl_get_stream_info(nullptr, out, sizeof out), vl_invalid_instance);
    EXPECT_EQ(vl_get_net_stream_info(nullptr, nullptr, 0), vl_invalid_instance);
    EXPECT_EQ(vl_get_play_handle(nullptr), 0);
    vl_enable_pos_frame(nullptr, 1);
    EXPECT_EQ(vl_pause_download(nullptr), vl_invalid_instance);
    EXPECT_EQ(vl_resume_download(nullptr), vl_invalid_instance);
    EXPECT_EQ(out[0], 'x');
    EXPECT_EQ(width, 7);
}

// Starts on a device that is not logged in: nothing starts, and the device
// is destroyed cleanly afterwards (the sanitizer build sees any leak).
TEST_F(CInterface, StartsOnADeviceThatIsNotLoggedIn)
{
    device* dev = vl_create_device();
    ASSERT_NE(dev, nullptr);
    vl_preview_param preview {};
    preview.dev = dev;
    preview.json = "{}";
    vl_download_param download { dev, R"({"channel": 0, "index": 1})", nullptr, nullptr, nullptr };
    vl_talk_param talk { dev, "{}", nullptr, nullptr, nullptr, nullptr };
    vl_human_face_report_param report { dev, nullptr, nullptr, nullptr };
    EXPECT_EQ(vl_start_preview(&preview), nullptr);
    EXPECT_EQ(vl_search_record_by_day(dev, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_download_by_file_v1(&download), nullptr);
    EXPECT_EQ(vl_start_download_by_time(dev, "not json", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_talk_to_channel_v1(&talk), nullptr);
    EXPECT_EQ(vl_start_playback_thumbnails_index(dev, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_upgrade(dev, "{}", nullptr, nullptr), nullptr);
    EXPECT_EQ(vl_start_human_face_alarm_report(&report), nullptr) << "no login, no subscription";
    EXPECT_EQ(vl_destroy_device(dev), vl_success);
}
