// The exports on an instance's player handle, against the VLPlay
// stand-in: the answers for a null instance and for an instance without a
// player (nothing called), the answers after the player's call, the played
// time and stream texts, and the visible area.
#include "core/base_instance.h"
#include "vl_sdk_wrapper.h"
#include "vlplay.h"
#include "vlplay_test.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{

// A device-less instance whose player the test hands it.
class player_probe : public base_instance
{
public:
    player_probe()
        : base_instance(nullptr, instance_type::local_playback, "player_probe", nullptr)
    {
    }
    int stop() override
    {
        set_play_handle(0);
        return vl_success;
    }
    void give_player(int handle) { set_play_handle(handle); }
};

std::vector<std::string> take_calls()
{
    const int length = VLPlayTestTakeCalls(nullptr, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    VLPlayTestTakeCalls(&text[0], length + 1);
    text.resize(static_cast<size_t>(length));
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

VLPLAY_TEST_STATE state_of(int32_t handle)
{
    VLPLAY_TEST_STATE s {};
    EXPECT_EQ(VLPlayTestGetState(handle, &s), 0);
    return s;
}

class PlayerExports : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VLPlayTestReset();
        handle = VLPlayTestCreateHandle();
        ASSERT_GT(handle, 0);
        playing.give_player(handle);
    }
    void TearDown() override { VLPlayTestReset(); }

    std::string h() const { return std::to_string(handle); }

    int32_t handle = 0;
    player_probe playing;
    player_probe idle; // no player
};

} // namespace

// The null and no-player columns of every player-handle export: the answer,
// no player call, and nothing written to the caller's buffers. Names that
// share a body answer alike.
TEST_F(PlayerExports, NullInstanceAndNoPlayerAnswerWithoutCallingThePlayer)
{
    char text[32];
    int width = 0;
    int height = 0;
    vl_record_result result {};
    vl_picture_buffer picture {};
    vl_view_ratios ratios {};
    const char data[] = "png";
    struct Row {
        const char* name;
        std::function<int64_t(base_instance*)> call;
        int64_t null_answer;
        int64_t no_player;
        const char* twin; // a name sharing its body, or null
    };
    const std::vector<Row> rows = {
        { "vl_open_sound", [](base_instance* i) { return vl_open_sound(i); }, -5, -1, nullptr },
        { "vl_close_sound", [](base_instance* i) { return vl_close_sound(i); }, -5, -1, nullptr },
        { "vl_set_volume", [](base_instance* i) { return vl_set_volume(i, 30); }, -5, -1, nullptr },
        { "vl_get_volume", [](base_instance* i) { return vl_get_volume(i); }, -5, -1, nullptr },
        { "vl_set_mute_on", [](base_instance* i) { return vl_set_mute_on(i); }, -5, -1, nullptr },
        { "vl_set_mute_off", [](base_instance* i) { return vl_set_mute_off(i); }, -5, -1, nullptr },
        { "vl_stop_record", [](base_instance* i) { return vl_stop_record(i); }, -5, -1, "vl_stop_record_ex" },
        { "vl_stop_record_ex", [&](base_instance* i) { return vl_stop_record_ex(i, &result); }, -5, -1,
            "vl_stop_record" },
        { "vl_capture_picture_to_buf",
            [&](base_instance* i) { return vl_capture_picture_to_buf(i, &picture); }, -5, -1, nullptr },
        { "vl_get_current_time", [&](base_instance* i) { return vl_get_current_time(i, text, sizeof text); },
            -5, -1, nullptr },
        { "vl_get_current_time_millisecond",
            [](base_instance* i) { return vl_get_current_time_millisecond(i); }, 0, 0, nullptr },
        { "vl_set_fishsye_mode", [](base_instance* i) { return vl_set_fishsye_mode(i, 2); }, -5, -1,
            nullptr },
        { "vl_window_in_zoom_status", [](base_instance* i) { return vl_window_in_zoom_status(i); }, 0, 0,
            nullptr },
        { "vl_set_color", [](base_instance* i) { return vl_set_color(i, 0xFF); }, -5, 0, nullptr },
        { "vl_draw_line", [](base_instance* i) { return vl_draw_line(i, 1, 2); }, -5, 0, nullptr },
        { "vl_draw_rect", [](base_instance* i) { return vl_draw_rect(i, 1, 2); }, -5, 0, nullptr },
        { "vl_draw_solid_rect", [](base_instance* i) { return vl_draw_solid_rect(i, 1, 2, 3); }, -5, 0,
            nullptr },
        { "vl_draw_hollow_circle", [](base_instance* i) { return vl_draw_hollow_circle(i, 1, 2); }, -5, 0,
            nullptr },
        { "vl_draw_text", [](base_instance* i) { return vl_draw_text(i, 1, 2); }, -5, 0, nullptr },
        { "vl_upload_picture_from_memory",
            [&](base_instance* i) { return vl_upload_picture_from_memory(i, data, sizeof data); }, 0, 0,
            nullptr },
        { "vl_delete_picture", [](base_instance* i) { return vl_delete_picture(i, 1); }, -5, 0, nullptr },
        { "vl_draw_picture", [](base_instance* i) { return vl_draw_picture(i, 1, 2, 3); }, -5, 0, nullptr },
        { "vl_get_frame_width_and_height",
            [&](base_instance* i) { return vl_get_frame_width_and_height(i, &width, &height); }, -5, 0,
            nullptr },
        { "vl_adjust_render_frame_rect",
            [&](base_instance* i) { return vl_adjust_render_frame_rect(i, &ratios); }, -5, 0, nullptr },
        { "vl_get_stream_info", [&](base_instance* i) { return vl_get_stream_info(i, text, sizeof text); },
            -5, -1, "vl_get_net_stream_info" },
        { "vl_get_net_stream_info",
            [&](base_instance* i) { return vl_get_net_stream_info(i, text, sizeof text); }, -5, -1,
            "vl_get_stream_info" },
        { "vl_play_lost", [](base_instance* i) { return vl_play_lost(i); }, -5, -1, nullptr },
        { "vl_play_reset", [](base_instance* i) { return vl_play_reset(i); }, -5, -1, nullptr },
        { "vl_get_play_handle", [](base_instance* i) { return vl_get_play_handle(i); }, 0, 0, nullptr },
        { "vl_enable_pos_frame",
            [](base_instance* i) {
                vl_enable_pos_frame(i, 1);
                return 0;
            },
            0, 0, nullptr },
    };
    ASSERT_EQ(rows.size(), 30u) << "the whole player-handle table";

    take_calls();
    for (const Row& row : rows) {
        std::memset(text, 'x', sizeof text);
        width = height = 77;
        EXPECT_EQ(row.call(nullptr), row.null_answer) << row.name << " on null";
        EXPECT_EQ(row.call(&idle), row.no_player) << row.name << " without a player";
        EXPECT_TRUE(take_calls().empty()) << row.name << " called the player";
        EXPECT_EQ(text[0], 'x') << row.name << " wrote to the buffer";
        EXPECT_EQ(width, 77) << row.name << " wrote the size";
        if (row.twin) {
            const auto twin = std::find_if(
                rows.begin(), rows.end(), [&](const Row& r) { return std::string(r.name) == row.twin; });
            ASSERT_NE(twin, rows.end()) << row.twin;
            EXPECT_EQ(twin->null_answer, row.null_answer) << row.name;
            EXPECT_EQ(twin->no_player, row.no_player) << row.name;
        }
    }
}

TEST_F(PlayerExports, SoundVolumeAndMuteAnswerAsThePlayerDoes)
{
    EXPECT_EQ(vl_open_sound(&playing), vl_success);
    EXPECT_EQ(state_of(handle).sound_on, 1);
    EXPECT_EQ(vl_close_sound(&playing), vl_success);
    EXPECT_EQ(state_of(handle).sound_on, 0);
    EXPECT_EQ(vl_set_volume(&playing, 30), vl_success);
    EXPECT_EQ(vl_get_volume(&playing), 30) << "the volume itself";
    EXPECT_EQ(vl_set_volume(&playing, 300), vl_fail) << "the player refuses";
    EXPECT_EQ(vl_get_volume(&playing), 30);
    EXPECT_EQ(vl_set_mute_on(&playing), vl_success);
    EXPECT_EQ(state_of(handle).mute, 1);
    EXPECT_EQ(vl_set_mute_off(&playing), vl_success);
    EXPECT_EQ(state_of(handle).mute, 0);
    take_calls();

    for (const char* call :
        { "VLPlayOpenSound", "VLPlayCloseSound", "VLPlaySetPlayVolume_s", "VLPlaySetMute_s" })
        VLPlayTestFailCall(call, 1);
    EXPECT_EQ(vl_open_sound(&playing), vl_fail);
    EXPECT_EQ(vl_close_sound(&playing), vl_fail);
    EXPECT_EQ(vl_set_volume(&playing, 10), vl_fail);
    EXPECT_EQ(vl_set_mute_on(&playing), vl_fail);
    EXPECT_EQ(vl_set_mute_off(&playing), vl_fail);
    EXPECT_EQ(take_calls(),
        (std::vector<std::string> { "VLPlayOpenSound " + h() + " 0", "VLPlayCloseSound " + h() + " 0",
            "VLPlaySetPlayVolume_s " + h() + " 10", "VLPlaySetMute_s " + h() + " 1",
            "VLPlaySetMute_s " + h() + " 0" }));
}

TEST_F(PlayerExports, LocalRecordingResultsAndPictureBuffer)
{
    EXPECT_EQ(vl_stop_record(&playing), vl_fail) << "no recording runs";
    ASSERT_EQ(VLPlayTestStartRecording(handle, 1000, 2000), 0);
    EXPECT_EQ(vl_stop_record(&playing), vl_success) << "the results are dropped";
    ASSERT_EQ(VLPlayTestStartRecording(handle, 3000, 4000), 0);
    vl_record_result result { 1, 1 };
    EXPECT_EQ(vl_stop_record_ex(&playing, &result), vl_success);
    EXPECT_EQ(result.first, 3000u);
    EXPECT_EQ(result.second, 4000u);
    ASSERT_EQ(VLPlayTestStartRecording(handle, 5, 6), 0);
    EXPECT_EQ(vl_stop_record_ex(&playing, nullptr), vl_success);
    EXPECT_EQ(state_of(handle).recording, 0);

    // The record's words go to the player as (w1, w2, w0).
    vl_picture_buffer picture { 10, 20, 30 };
    take_calls();
    EXPECT_EQ(vl_capture_picture_to_buf(&playing, &picture), vl_fail) << "no picture shown";
    ASSERT_EQ(VLPlayTestSetPictureSize(handle, 640, 480), 0);
    EXPECT_EQ(vl_capture_picture_to_buf(&playing, &picture), vl_success);
    EXPECT_EQ(take_calls().back(), "VLPlayCapturePictureToBuf " + h() + " 20 30 10");
    EXPECT_EQ(vl_capture_picture_to_buf(&playing, nullptr), vl_invalid_argument);
    EXPECT_EQ(vl_capture_picture_to_buf(&idle, nullptr), vl_invalid_argument);
    EXPECT_TRUE(take_calls().empty());
}

TEST_F(PlayerExports, DrawingWordsPassUnchangedAndAnswerZero)
{
    const intptr_t wide = static_cast<intptr_t>(1) << 40; // a pointer's width
    take_calls();
    EXPECT_EQ(vl_set_color(&playing, 0x00FF00), vl_success);
    EXPECT_EQ(vl_draw_line(&playing, wide, -2), vl_success);
    EXPECT_EQ(vl_draw_rect(&playing, 3, 4), vl_success);
    EXPECT_EQ(vl_draw_solid_rect(&playing, 5, 6, wide), vl_success);
    EXPECT_EQ(vl_draw_hollow_circle(&playing, 7, 8), vl_success);
    EXPECT_EQ(vl_draw_text(&playing, 9, 10), vl_success);
    const std::string w = std::to_string(wide);
    EXPECT_EQ(take_calls(),
        (std::vector<std::string> { "VLPlaySetColor " + h() + " 65280",
            "VLPlayDrawLine " + h() + " " + w + " -2", "VLPlayDrawRect " + h() + " 3 4",
            "VLPlayDrawSolidRect " + h() + " 5 6 " + w, "VLPlayDrawHollowCircle " + h() + " 7 8",
            "VLPlayDrawText " + h() + " 9 10" }));
    EXPECT_EQ(state_of(handle).colour, 0x00FF00);

    VLPlayTestFailCall("VLPlayDrawLine", 1);
    VLPlayTestFailCall("VLPlaySetColor", 1);
    EXPECT_EQ(vl_draw_line(&playing, 1, 2), vl_success) << "drawing answers 0 whatever the player did";
    EXPECT_EQ(vl_set_color(&playing, 1), vl_success);
}

TEST_F(PlayerExports, UploadedPicturesGiveTheirIdOrZero)
{
    const char png[] = "\x89PNG";
    EXPECT_EQ(vl_upload_picture_from_memory(nullptr, png, 4), 0) << "never a negative code";
    EXPECT_EQ(vl_upload_picture_from_memory(&playing, png, 4), 1);
    EXPECT_EQ(vl_upload_picture_from_memory(&playing, png, 4), 2);
    EXPECT_EQ(vl_upload_picture_from_memory(&playing, nullptr, 4), 0) << "the player refuses: 0, not -1";
    EXPECT_EQ(vl_upload_picture_from_memory(&playing, png, 0), 0);
    EXPECT_EQ(state_of(handle).pictures, 2);
    EXPECT_EQ(vl_draw_picture(&playing, 2, 11, 12), vl_success);
    EXPECT_EQ(vl_delete_picture(&playing, 2), vl_success);
    EXPECT_EQ(vl_delete_picture(&playing, 2), vl_success) << "0 whatever the player answered";
    EXPECT_EQ(state_of(handle).pictures, 1);
}

TEST_F(PlayerExports, FisheyeZoomPositionFrameAndResets)
{
    VLPlayTestFailCall("VLPlayFishSetMode", 1);
    EXPECT_EQ(vl_set_fishsye_mode(&playing, 4), vl_success) << "0 whatever the player answered";
    VLPlayTestFailCall("VLPlayFishSetMode", 0);
    EXPECT_EQ(vl_set_fishsye_mode(&playing, 4), vl_success);
    EXPECT_EQ(state_of(handle).fish_mode, 4);

    EXPECT_EQ(vl_window_in_zoom_status(&playing), 0);
    ASSERT_EQ(VLPlayTestSetZoomed(handle, 1), 0);
    EXPECT_EQ(vl_window_in_zoom_status(&playing), 1);

    vl_enable_pos_frame(&playing, 1);
    EXPECT_EQ(state_of(handle).pos_frame, 1);
    vl_enable_pos_frame(&playing, 0);
    EXPECT_EQ(state_of(handle).pos_frame, 0);

    EXPECT_EQ(vl_play_lost(&playing), vl_success);
    EXPECT_EQ(vl_play_reset(&playing), vl_success);
    EXPECT_EQ(vl_play_reset(&playing), vl_success);
    EXPECT_EQ(state_of(handle).lost, 1);
    EXPECT_EQ(state_of(handle).resets, 2);

    EXPECT_EQ(vl_get_play_handle(&playing), handle);
    EXPECT_EQ(vl_get_play_handle(&idle), 0);
}

TEST_F(PlayerExports, CurrentTimeText)
{
    char out[32];
    std::memset(out, 'x', sizeof out);
    take_calls();
    EXPECT_EQ(vl_get_current_time(&playing, out, sizeof out), vl_fail) << "nothing played yet";
    EXPECT_EQ(out[0], 'x') << "the buffer is left untouched";
    EXPECT_EQ(out[sizeof out - 1], 'x');
    EXPECT_EQ(take_calls().size(), 1u);

    // A null buffer or a size of 0 or less, before the player is asked.
    ASSERT_EQ(VLPlayTestSetPlayedTime(handle, 1500000), 0);
    EXPECT_EQ(vl_get_current_time(&playing, nullptr, 32), vl_invalid_argument);
    EXPECT_EQ(vl_get_current_time(&playing, nullptr, 0), vl_invalid_argument);
    EXPECT_EQ(vl_get_current_time(&playing, out, 0), vl_invalid_argument);
    EXPECT_EQ(vl_get_current_time(&playing, out, -1), vl_invalid_argument);
    EXPECT_EQ(vl_get_current_time(&idle, nullptr, 32), vl_invalid_argument);
    EXPECT_EQ(vl_get_current_time(nullptr, nullptr, 32), vl_invalid_instance);
    EXPECT_TRUE(take_calls().empty());
    EXPECT_EQ(out[0], 'x');

    EXPECT_EQ(vl_get_current_time(&playing, out, sizeof out), vl_success);
    EXPECT_STREQ(out, "1970-01-01 00:00:02") << "rounded to the nearest second";
    for (size_t i = std::strlen(out); i < sizeof out; ++i)
        EXPECT_EQ(out[i], '\0') << "the whole buffer is cleared first";

    ASSERT_EQ(VLPlayTestSetPlayedTime(handle, 1700000000499999ull), 0);
    EXPECT_EQ(vl_get_current_time(&playing, out, sizeof out), vl_success);
    EXPECT_STREQ(out, "2023-11-14 22:13:20") << "UTC";
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(vl_get_current_time(&playing, out, 5), vl_success) << "cut to fit";
    EXPECT_STREQ(out, "2023");
    EXPECT_EQ(out[5], 'x') << "nothing past size";

    // The player's whole range formats without overflow.
    ASSERT_EQ(VLPlayTestSetPlayedTime(handle, UINT64_MAX), 0);
    EXPECT_EQ(vl_get_current_time(&playing, out, sizeof out), vl_success);
    EXPECT_GT(std::strlen(out), 0u);
    EXPECT_EQ(vl_get_current_time_millisecond(&playing), static_cast<int64_t>(UINT64_MAX / 1000 + 1));
}

TEST_F(PlayerExports, CurrentTimeInMilliseconds)
{
    struct Case {
        uint64_t us;
        int64_t ms;
    } cases[] = { { 0, 0 }, { 499, 0 }, { 500, 1 }, { 1499, 1 }, { 1500, 2 },
        { 1700000000123456ull, 1700000000123 } };
    for (const Case& c : cases) {
        ASSERT_EQ(VLPlayTestSetPlayedTime(handle, c.us), 0);
        EXPECT_EQ(vl_get_current_time_millisecond(&playing), c.ms) << c.us;
    }
    VLPlayTestFailCall("VLPlayGetCurPlayedTime", 1);
    EXPECT_EQ(vl_get_current_time_millisecond(&playing), 0) << "a player that knows no time";
}

TEST_F(PlayerExports, StreamInfoText)
{
    VLPLAY_FRAME_INFO decoded {};
    decoded.frame_rate = 25;
    decoded.bit_rate = 4096;
    VLPLAY_FRAME_INFO net {};
    net.frame_rate = 30;
    net.bit_rate = -1;
    ASSERT_EQ(VLPlayTestSetFrameInfo(handle, &decoded, &net), 0);

    char out[64];
    EXPECT_EQ(vl_get_stream_info(&playing, out, sizeof out), vl_success);
    EXPECT_STREQ(out, R"({"frame rate": 25, "bit rate": 4096})");
    EXPECT_EQ(vl_get_net_stream_info(&playing, out, sizeof out), vl_success);
    EXPECT_STREQ(out, R"({"frame rate": 30, "bit rate": -1})");

    // Size 0, a negative size and a null buffer: vl_fail, nothing written,
    // the player not asked.
    take_calls();
    std::memset(out, 'x', sizeof out);
    for (int size : { 0, -1, INT_MIN }) {
        EXPECT_EQ(vl_get_stream_info(&playing, out, size), vl_fail) << size;
        EXPECT_EQ(vl_get_net_stream_info(&playing, out, size), vl_fail) << size;
    }
    EXPECT_EQ(vl_get_stream_info(&playing, nullptr, 64), vl_fail);
    EXPECT_EQ(vl_get_net_stream_info(&playing, nullptr, 64), vl_fail);
    EXPECT_EQ(out[0], 'x');
    EXPECT_TRUE(take_calls().empty());

    EXPECT_EQ(vl_get_stream_info(&playing, out, 10), vl_success) << "cut to fit";
    EXPECT_STREQ(out, R"({"frame r)");
    EXPECT_EQ(out[10], 'x');
}

TEST_F(PlayerExports, VisibleArea)
{
    vl_view_ratios whole { 0, 0, 0, 0 };
    take_calls();
    EXPECT_EQ(vl_adjust_render_frame_rect(&playing, &whole), vl_success);
    EXPECT_EQ(take_calls(), std::vector<std::string> { "VLPlayGetPlayPicSize " + h() })
        << "no picture yet: the view is not touched";

    ASSERT_EQ(VLPlayTestSetPictureSize(handle, 1920, 1080), 0);
    EXPECT_EQ(vl_adjust_render_frame_rect(&playing, &whole), vl_success);
    EXPECT_EQ(take_calls().back(), "VLPlayAdjustViewArea " + h() + " 0 1920 0 1080");

    vl_view_ratios part { 0.25f, 0.125f, 0.5f, 0.25f };
    EXPECT_EQ(vl_adjust_render_frame_rect(&playing, &part), vl_success);
    EXPECT_EQ(take_calls().back(), "VLPlayAdjustViewArea " + h() + " 480 960 135 810");

    // Truncated toward zero, in single precision.
    vl_view_ratios thin { 0.3f, 0.3f, -0.0001f, 0.0f };
    EXPECT_EQ(vl_adjust_render_frame_rect(&playing, &thin), vl_success);
    EXPECT_EQ(take_calls().back(),
        "VLPlayAdjustViewArea " + h() + " " + std::to_string(int(1920.0f * 0.3f)) + " "
            + std::to_string(int((1.0f + 0.0001f) * 1920.0f)) + " " + std::to_string(int(1080.0f * 0.3f))
            + " 1080");

    // Ratios far out of range, or not numbers, stay inside int.
    vl_view_ratios wild { FLT_MAX, -FLT_MAX, NAN, INFINITY };
    EXPECT_EQ(vl_adjust_render_frame_rect(&playing, &wild), vl_success);
    EXPECT_EQ(take_calls().back(),
        "VLPlayAdjustViewArea " + h() + " " + std::to_string(INT_MAX) + " 0 " + std::to_string(INT_MIN) + " "
            + std::to_string(INT_MIN));
    EXPECT_EQ(state_of(handle).view_left, INT_MAX);

    EXPECT_EQ(vl_adjust_render_frame_rect(&playing, nullptr), vl_invalid_argument);
    EXPECT_TRUE(take_calls().empty());
}

TEST_F(PlayerExports, FrameSize)
{
    int width = -1;
    int height = -1;
    EXPECT_EQ(vl_get_frame_width_and_height(&playing, &width, &height), vl_success);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    ASSERT_EQ(VLPlayTestSetPictureSize(handle, 1280, 720), 0);
    EXPECT_EQ(vl_get_frame_width_and_height(&playing, &width, &height), vl_success);
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 720);
    EXPECT_EQ(vl_get_frame_width_and_height(&playing, nullptr, &height), vl_invalid_argument);
    EXPECT_EQ(vl_get_frame_width_and_height(&playing, &width, nullptr), vl_invalid_argument);
}
