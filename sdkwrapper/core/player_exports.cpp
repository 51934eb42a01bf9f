// The exports that act on an instance's player handle, and the pause and
// resume of a download. Each checks the instance, then its arguments, then
// whether the instance has a player; an instance without one calls nothing.
#include "core/base_instance.h"
#include "core/copy_out.h"
#include "core/export_guard.h"
#include "core/time_text.h"
#include "instances/download_record.h"
#include "vl_sdk_wrapper.h"
#include "vlplay.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{

// The body of a player export: `null_answer` for a null instance,
// `no_player` when its play handle is 0, else body(handle). The handle is
// read once: a stop on another thread clears it.
template <class R, class Body>
R on_player(const char* name, base_instance* instance, R null_answer, R no_player, Body&& body)
{
    if (!instance)
        return null_answer;
    return vlsdk::export_guard(name, no_player, [&]() -> R {
        const int handle = instance->play_handle();
        if (handle == 0)
            return no_player;
        return body(handle);
    });
}

int player_result(int answer)
{
    return answer == 0 ? vl_success : vl_fail;
}

// A single-precision product truncated toward zero, kept inside int:
// ratios come from the caller, and a value out of range (or not a number)
// must not reach the conversion.
int truncate_to_int(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0f)
        return INT_MAX;
    if (value <= -2147483648.0f)
        return INT_MIN;
    return static_cast<int>(value);
}

int stream_info(const char* name, base_instance* instance, char* out, int size,
    int(VLPLAY_CALL* get)(int32_t, VLPLAY_FRAME_INFO*))
{
    return on_player(
        name, instance, static_cast<int>(vl_invalid_instance), static_cast<int>(vl_fail), [&](int h) {
            // Unlike the other clear-first exports, a negative size answers as
            // 0 does: vl_fail with nothing written.
            if (!out || size <= 0)
                return static_cast<int>(vl_fail);
            VLPLAY_FRAME_INFO info;
            std::memset(&info, 0, sizeof info);
            get(h, &info);
            std::memset(out, 0, static_cast<size_t>(size));
            std::snprintf(out, static_cast<size_t>(size), "{\"frame rate\": %d, \"bit rate\": %d}",
                info.frame_rate, info.bit_rate);
            return static_cast<int>(vl_success);
        });
}

} // namespace

// ---- Sound ----------------------------------------------------------------------

VL_API int vl_open_sound(base_instance* instance)
{
    return on_player("open_sound", instance, static_cast<int>(vl_invalid_instance), static_cast<int>(vl_fail),
        [](int h) { return player_result(VLPlayOpenSound(h)); });
}

VL_API int vl_close_sound(base_instance* instance)
{
    return on_player("close_sound", instance, static_cast<int>(vl_invalid_instance),
        static_cast<int>(vl_fail), [](int h) { return player_result(VLPlayCloseSound(h)); });
}

VL_API int vl_set_volume(base_instance* instance, int volume)
{
    return on_player("set_volume", instance, static_cast<int>(vl_invalid_instance), static_cast<int>(vl_fail),
        [&](int h) { return player_result(VLPlaySetPlayVolume_s(h, volume)); });
}

VL_API int vl_get_volume(base_instance* instance)
{
    return on_player("get_volume", instance, static_cast<int>(vl_invalid_instance), static_cast<int>(vl_fail),
        [](int h) { return VLPlayGetPlayVolume_s(h); });
}

VL_API int vl_set_mute_on(base_instance* instance)
{
    return on_player("set_mute_on", instance, static_cast<int>(vl_invalid_instance),
        static_cast<int>(vl_fail), [](int h) { return player_result(VLPlaySetMute_s(h, 1)); });
}

VL_API int vl_set_mute_off(base_instance* instance)
{
    return on_player("set_mute_off", instance, static_cast<int>(vl_invalid_instance),
        static_cast<int>(vl_fail), [](int h) { return player_result(VLPlaySetMute_s(h, 0)); });
}

// ---- Local recording and pictures --------------------------------------------

VL_API int vl_stop_record(base_instance* instance)
{
    return vl_stop_record_ex(instance, nullptr);
}

VL_API int vl_stop_record_ex(base_instance* instance, vl_record_result* result)
{
    return on_player("stop_record", instance, static_cast<int>(vl_invalid_instance),
        static_cast<int>(vl_fail), [&](int h) {
            vl_record_result dropped {};
            vl_record_result* into = result ? result : &dropped;
            return player_result(VLPlayStoplocalrecord(h, &into->first, &into->second));
        });
}

VL_API int vl_capture_picture_to_buf(base_instance* instance, vl_picture_buffer* buffer)
{
    if (instance && !buffer)
        return vl_invalid_argument;
    return on_player("capture_picture_to_buf", instance, static_cast<int>(vl_invalid_instance),
        static_cast<int>(vl_fail), [&](int h) {
            return player_result(VLPlayCapturePictureToBuf(h, buffer->word1, buffer->word2, buffer->word0));
        });
}

// ---- Played time ----------------------------------------------------------------

VL_API int vl_get_current_time(base_instance* instance, char* out, int size)
{
    // The clear-first rule (vlsdk::clear_out_buffer), checked before the
    // player is asked: a time of 0 must leave the buffer untouched.
    if (instance && (!out || size <= 0))
        return vl_invalid_argument;
    return on_player("get_current_time", instance, static_cast<int>(vl_invalid_instance),
        static_cast<int>(vl_fail), [&](int h) {
            const uint64_t played = VLPlayGetCurPlayedTime(h);
            if (played == 0)
                return static_cast<int>(vl_fail);
            const std::string text = vlsdk::format_time_rounded(played);
            vlsdk::clear_out_buffer(out, size);
            std::snprintf(out, static_cast<size_t>(size), "%s", text.c_str());
            return static_cast<int>(vl_success);
        });
}

VL_API int64_t vl_get_current_time_millisecond(base_instance* instance)
{
    return on_player<int64_t>("get_current_time_millisecond", instance, 0, 0, [](int h) -> int64_t {
        const uint64_t played = VLPlayGetCurPlayedTime(h);
        return played == 0 ? 0 : static_cast<int64_t>(vlsdk::round_us_to_ms(played));
    });
}

// ---- View -----------------------------------------------------------------------

VL_API int vl_set_fishsye_mode(base_instance* instance, int mode)
{
    return on_player("set_fishsye_mode", instance, static_cast<int>(vl_invalid_instance),
        static_cast<int>(vl_fail), [&](int h) {
            VLPlayFishSetMode(h, mode);
            return static_cast<int>(vl_success);
        });
}

VL_API int vl_window_in_zoom_status(base_instance* instance)
{
    return on_player(
        "window_in_zoom_status", instance, 0, 0, [](int h) { return VLPlayWindowInZoomStatus(h); });
}

VL_API int vl_get_frame_width_and_height(base_instance* instance, int* width, int* height)
{
    if (instance && (!width || !height))
        return vl_invalid_argument;
    return on_player("get_frame_width_and_height", instance, static_cast<int>(vl_invalid_instance),
        static_cast<int>(vl_success), [&](int h) {
            VLPlayGetPlayPicSize(h, width, height);
            return static_cast<int>(vl_success);
        });
}

VL_API int vl_adjust_render_frame_rect(base_instance* instance, vl_view_ratios* ratios)
{
    if (instance && !ratios)
        return vl_invalid_argument;
    return on_player("adjust_render_frame_rect", instance, static_cast<int>(vl_invalid_instance),
        static_cast<int>(vl_success), [&](int h) {
            int32_t w = 0;
            int32_t ht = 0;
            VLPlayGetPlayPicSize(h, &w, &ht);
            if (w == 0 || ht == 0)
                return static_cast<int>(vl_success);
            const float fw = static_cast<float>(w);
            const float fh = static_cast<float>(ht);
            VLPlayAdjustViewArea(h, truncate_to_int(fw * ratios->left),
                truncate_to_int((1.0f - ratios->right) * fw), truncate_to_int(fh * ratios->top),
                truncate_to_int((1.0f - ratios->bottom) * fh));
            return static_cast<int>(vl_success);
        });
}

VL_API int vl_get_stream_info(base_instance* instance, char* out, int size)
{
    return stream_info("get_stream_info", instance, out, size, &VLPlayGetFrameInfo);
}

VL_API int vl_get_net_stream_info(base_instance* instance, char* out, int size)
{
    return stream_info("get_net_stream_info", instance, out, size, &VLPlayGetNetFrameInfo);
}

VL_API int vl_play_lost(base_instance* instance)
{
    return on_player(
        "play_lost", instance, static_cast<int>(vl_invalid_instance), static_cast<int>(vl_fail), [](int h) {
            VLPLAY_PLAY_RESET info;
            std::memset(&info, 0, sizeof info);
            VLPlayLostPlay(h, &info);
            return static_cast<int>(vl_success);
        });
}

VL_API int vl_play_reset(base_instance* instance)
{
    return on_player(
        "play_reset", instance, static_cast<int>(vl_invalid_instance), static_cast<int>(vl_fail), [](int h) {
            VLPLAY_PLAY_RESET info;
            std::memset(&info, 0, sizeof info);
            VLPlayResetPlay(h, &info);
            return static_cast<int>(vl_success);
        });
}

VL_API int vl_get_play_handle(base_instance* instance)
{
    return instance ? instance->play_handle() : 0;
}

VL_API void vl_enable_pos_frame(base_instance* instance, int enable)
{
    on_player("enable_pos_frame", instance, 0, 0, [&](int h) {
        VLPlayEnablePosFrame(h, enable);
        return 0;
    });
}

// ---- Drawing over the picture ---------------------------------------------------

namespace
{

// Drawing answers 0 whatever the player did, also without a player.
template <class Call> int draw(const char* name, base_instance* instance, Call&& call)
{
    return on_player(
        name, instance, static_cast<int>(vl_invalid_instance), static_cast<int>(vl_success), [&](int h) {
            call(h);
            return static_cast<int>(vl_success);
        });
}

} // namespace

VL_API int vl_set_color(base_instance* instance, int colour)
{
    return draw("set_color", instance, [&](int h) { VLPlaySetColor(h, colour); });
}

VL_API int vl_draw_line(base_instance* instance, intptr_t a, intptr_t b)
{
    return draw("draw_line", instance, [&](int h) { VLPlayDrawLine(h, a, b); });
}

VL_API int vl_draw_rect(base_instance* instance, intptr_t a, intptr_t b)
{
    return draw("draw_rect", instance, [&](int h) { VLPlayDrawRect(h, a, b); });
}

VL_API int vl_draw_solid_rect(base_instance* instance, intptr_t a, intptr_t b, intptr_t c)
{
    return draw("draw_solid_rect", instance, [&](int h) { VLPlayDrawSolidRect(h, a, b, c); });
}

VL_API int vl_draw_hollow_circle(base_instance* instance, intptr_t a, intptr_t b)
{
    return draw("draw_hollow_circle", instance, [&](int h) { VLPlayDrawHollowCircle(h, a, b); });
}

VL_API int vl_draw_text(base_instance* instance, intptr_t a, intptr_t b)
{
    return draw("draw_text", instance, [&](int h) { VLPlayDrawText(h, a, b); });
}

VL_API int vl_upload_picture_from_memory(base_instance* instance, const void* data, int size)
{
    return on_player("upload_picture_from_memory", instance, 0, 0, [&](int h) {
        const int id = VLPlayUploadPictureFromMemory(h, data, size);
        return id > 0 ? id : 0;
    });
}

VL_API int vl_delete_picture(base_instance* instance, int id)
{
    return draw("delete_picture", instance, [&](int h) { VLPlayDeletePicture(h, id); });
}

VL_API int vl_draw_picture(base_instance* instance, int id, intptr_t a, intptr_t b)
{
    return draw("draw_picture", instance, [&](int h) { VLPlayDrawPicture(h, id, a, b); });
}

// ---- Downloads ------------------------------------------------------------------

namespace
{

// Only a download of a device with a running download has anything to
// pause or resume; any other instance is refused, never read as one.
template <class Call> int on_download(const char* name, base_instance* instance, Call&& call)
{
    if (!instance)
        return vl_invalid_instance;
    return vlsdk::export_guard(name, static_cast<int>(vl_invalid_instance), [&]() -> int {
        auto* download = dynamic_cast<download_record*>(instance);
        if (!download || !download->owner() || !call(*download))
            return vl_invalid_instance;
        return vl_success;
    });
}

} // namespace

VL_API int vl_pause_download(base_instance* instance)
{
    return on_download("pause_download", instance, [](download_record& d) { return d.pause_download(); });
}

VL_API int vl_resume_download(base_instance* instance)
{
    return on_download("resume_download", instance, [](download_record& d) { return d.resume_download(); });
}
