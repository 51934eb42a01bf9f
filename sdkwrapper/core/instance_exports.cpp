// The exports that drive feature instances: the decoded frames, the
// virtual operations and the player operations that take a JSON request.
#include "core/base_instance.h"
#include "core/device.h"
#include "core/export_guard.h"
#include "vl_sdk_wrapper.h"

VL_API void* vl_get_decoded_frame(base_instance* instance, bool* valid)
{
    bool held = false;
    void* frame = vlsdk::export_guard("get_decoded_frame", static_cast<void*>(nullptr), [&]() -> void* {
        if (!instance)
            return nullptr;
        if (!instance->owner()) {
            held = true;
            return instance->get_decoded_frame();
        }
        return instance->owner()->get_decoded_frame(instance, &held);
    });
    if (valid)
        *valid = held;
    return frame;
}

namespace
{

// An operation of a non-null instance; vl_invalid_instance for null.
template <class Body> int on_instance(const char* name, base_instance* instance, Body&& body)
{
    if (!instance)
        return vl_invalid_instance;
    return vlsdk::export_guard(name, static_cast<int>(vl_fail), [&]() -> int { return body(*instance); });
}

} // namespace

// ---- Virtual operations ---------------------------------------------------

VL_API int vl_switch_stream_type(base_instance* instance, const char* json)
{
    return on_instance(
        "switch_stream_type", instance, [&](base_instance& i) { return i.switch_stream_type(json); });
}

VL_API int vl_seek_by_time(base_instance* instance, const char* time)
{
    return on_instance("seek_by_time", instance, [&](base_instance& i) { return i.seek_by_time(time); });
}

VL_API int vl_seek_by_time_v1(base_instance* instance, const char* json)
{
    return on_instance(
        "seek_by_time_v1", instance, [&](base_instance& i) { return i.seek_by_time_v1(json); });
}

VL_API int vl_set_play_mode(base_instance* instance, const char* json)
{
    return on_instance("set_play_mode", instance, [&](base_instance& i) { return i.set_play_mode(json); });
}

VL_API int vl_seek_by_key_frame_index(base_instance* instance, int index)
{
    return on_instance("seek_by_key_frame_index", instance,
        [&](base_instance& i) { return i.seek_by_key_frame_index(index); });
}

VL_API int vl_input_local_playback_time(base_instance* instance, int low, int high)
{
    return on_instance("input_local_playback_time", instance,
        [&](base_instance& i) { return i.input_local_playback_time(low, high); });
}

VL_API int vl_send_human_face_param(base_instance* instance, const void* data, int length)
{
    return on_instance("send_human_face_param", instance,
        [&](base_instance& i) { return i.send_human_face_param(data, length); });
}

VL_API int vl_sync_playback_add_session(base_instance* group, base_instance* member)
{
    if (!group || !member)
        return vl_fail;
    return on_instance("sync_playback_add_session", group,
        [&](base_instance& g) { return g.sync_playback_add_session(member); });
}

VL_API int vl_sync_playback_del_session(base_instance* group, base_instance* member)
{
    if (!group || !member)
        return vl_fail;
    return on_instance("sync_playback_del_session", group,
        [&](base_instance& g) { return g.sync_playback_del_session(member); });
}

VL_API int vl_delete_playback_thumbnails(base_instance* instance, const char* json)
{
    // Thumbnails of a device's recordings only.
    if (instance && !instance->owner())
        return vl_invalid_instance;
    return on_instance("delete_playback_thumbnails", instance,
        [&](base_instance& i) { return i.delete_playback_thumbnails(json); });
}

VL_API int vl_request_more_frame(base_instance* instance)
{
    return on_instance(
        "request_more_frame", instance, [](base_instance& i) { return i.request_more_frame(); });
}

VL_API int vl_talk_send_record_data(vl_talk_data_param* param)
{
    return on_instance("talk_send_record_data", param ? param->instance : nullptr,
        [&](base_instance& i) { return i.talk_send_record_data(param->data, param->length); });
}

// ---- Player operations with a JSON request ----------------------------------

VL_API int vl_start_record(base_instance* instance, const char* json)
{
    return on_instance("start_record", instance, [&](base_instance& i) { return i.start_record(json); });
}

VL_API int vl_capture_picture(base_instance* instance, const char* json)
{
    return on_instance(
        "capture_picture", instance, [&](base_instance& i) { return i.capture_picture(json); });
}

VL_API int vl_set_video_proportion(base_instance* instance, const char* json)
{
    return on_instance(
        "set_video_proportion", instance, [&](base_instance& i) { return i.set_video_proportion(json); });
}

VL_API int vl_fisheye_mouse_control(base_instance* instance, const char* json)
{
    return on_instance(
        "fisheye_mouse_control", instance, [&](base_instance& i) { return i.fisheye_mouse_control(json); });
}

VL_API int vl_fisheye_ptz_control(base_instance* instance, const char* json)
{
    return on_instance(
        "fisheye_ptz_control", instance, [&](base_instance& i) { return i.fisheye_ptz_control(json); });
}

VL_API int vl_manual_switch_record(base_instance* instance, const char* json)
{
    return on_instance(
        "manual_switch_record", instance, [&](base_instance& i) { return i.manual_switch_record(json); });
}
