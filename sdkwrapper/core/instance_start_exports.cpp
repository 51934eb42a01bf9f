// The exports that start and stop feature instances. A device-bound start
// goes through the device (its starter, or device::start_instance for the
// classes without one), which keeps the instance in its set; a device-less
// start keeps nothing. Stops follow the three stop rules (base_instance.h).
#include "core/base_instance.h"
#include "core/device.h"
#include "core/export_guard.h"
#include "instances/convert_file_type.h"
#include "instances/local_playback.h"
#include "instances/local_playback_thumbnails.h"
#include "instances/p2p_tunnel.h"
#include "instances/remote_playback.h"
#include "instances/remote_playback_thumbnails.h"
#include "instances/search_record.h"
#include "instances/sync_playback.h"
#include "instances/upgrade.h"
#include "instances/vl_wrapper_http_client.h"
#include "vl_sdk_wrapper.h"

#include <memory>

namespace
{

// A start export's frame: null for a null device, and null for anything
// the start throws.
template <class Body> base_instance* start_on(const char* name, device* dev, Body&& body)
{
    if (!dev)
        return nullptr;
    return vlsdk::export_guard<base_instance*>(name, nullptr, [&]() -> base_instance* { return body(*dev); });
}

template <class Body> base_instance* start_alone(const char* name, Body&& body)
{
    return vlsdk::export_guard<base_instance*>(name, nullptr, [&]() -> base_instance* { return body(); });
}

base_instance* search_record_start(device& dev, const char* json, vl_json_callback month_callback,
    vl_json_callback day_callback, void* user, bool new_record_search)
{
    return dev.start_instance(
        std::make_unique<search_record>(&dev, dev.conn(), dev.records()), [&](search_record& s) {
            return s.start(json, month_callback, day_callback, user, new_record_search);
        });
}

base_instance* thumbnails_start(
    device& dev, const char* json, vl_json_callback callback, void* user, bool by_index)
{
    return dev.start_instance(std::make_unique<remote_playback_thumbnails>(&dev, dev.conn(), dev.records()),
        [&](remote_playback_thumbnails& t) {
            return by_index ? t.start_index(json, callback, user) : t.start(json, callback, user);
        });
}

} // namespace

// ---- Device-bound starts ----------------------------------------------------

VL_API base_instance* vl_start_preview(vl_preview_param* param)
{
    return start_on(
        "start_preview", param ? param->dev : nullptr, [&](device& dev) { return dev.start_preview(param); });
}

VL_API base_instance* vl_start_remote_playback(vl_remote_playback_param* param)
{
    return start_on("start_remote_playback", param ? param->dev : nullptr, [&](device& dev) {
        return dev.start_instance(
            std::make_unique<remote_playback>(&dev), [&](remote_playback& r) { return r.start(param); });
    });
}

VL_API base_instance* vl_search_record_by_month(
    device* dev, const char* json, vl_json_callback callback, void* user)
{
    return start_on("search_record_by_month", dev,
        [&](device& d) { return search_record_start(d, json, callback, nullptr, user, false); });
}

VL_API base_instance* vl_search_record_by_day(
    device* dev, const char* json, vl_json_callback callback, void* user)
{
    return start_on("search_record_by_day", dev, [&](device& d) {
        const bool new_search = d.has_ability(R"({"term": "new record search"})");
        return search_record_start(d, json, nullptr, callback, user, new_search);
    });
}

VL_API base_instance* vl_start_download_by_file(
    device* dev, const char* json, vl_json_callback callback, void* user)
{
    return start_on("start_download_by_file", dev,
        [&](device& d) { return d.start_download_by_file(json, callback, user, nullptr); });
}

VL_API base_instance* vl_start_download_by_time(
    device* dev, const char* json, vl_json_callback callback, void* user)
{
    return start_on("start_download_by_time", dev,
        [&](device& d) { return d.start_download_by_time(json, callback, user, nullptr); });
}

VL_API base_instance* vl_start_download_by_file_v1(vl_download_param* param)
{
    return start_on("start_download_by_file", param ? param->dev : nullptr, [&](device& d) {
        return d.start_download_by_file(
            param->json, param->status_callback, param->user, param->data_callback);
    });
}

VL_API base_instance* vl_start_download_by_time_v1(vl_download_param* param)
{
    return start_on("start_download_by_time", param ? param->dev : nullptr, [&](device& d) {
        return d.start_download_by_time(
            param->json, param->status_callback, param->user, param->data_callback);
    });
}

VL_API base_instance* vl_start_talk_to_device(
    device* dev, const char* json, vl_json_callback callback, void* user)
{
    return start_on(
        "start_talk", dev, [&](device& d) { return d.start_talk(json, callback, user, nullptr, nullptr); });
}

VL_API base_instance* vl_start_talk_to_channel(
    device* dev, const char* json, vl_json_callback callback, void* user)
{
    return vl_start_talk_to_device(dev, json, callback, user);
}

VL_API base_instance* vl_start_talk_to_device_v1(vl_talk_param* param)
{
    return start_on("start_talk", param ? param->dev : nullptr, [&](device& d) {
        return d.start_talk(
            param->json, param->status_callback, param->user, param->data_callback, param->play_callback);
    });
}

VL_API base_instance* vl_start_talk_to_channel_v1(vl_talk_param* param)
{
    return vl_start_talk_to_device_v1(param);
}

VL_API base_instance* vl_start_playback_thumbnails(
    device* dev, const char* json, vl_json_callback callback, void* user)
{
    return start_on("start_playback_thumbnails", dev,
        [&](device& d) { return thumbnails_start(d, json, callback, user, false); });
}

VL_API base_instance* vl_start_playback_thumbnails_index(
    device* dev, const char* json, vl_json_callback callback, void* user)
{
    return start_on("start_playback_thumbnails_index", dev,
        [&](device& d) { return thumbnails_start(d, json, callback, user, true); });
}

VL_API base_instance* vl_start_upgrade(
    device* dev, const char* json, vl_upgrade_callback callback, void* user)
{
    return start_on("start_upgrade", dev, [&](device& d) {
        return d.start_instance(
            std::make_unique<upgrade>(&d), [&](upgrade& u) { return u.start(json, callback, user); });
    });
}

VL_API base_instance* vl_start_human_face_alarm_report(vl_human_face_report_param* param)
{
    return start_on("start_human_face_alarm_report", param ? param->dev : nullptr,
        [&](device& d) { return d.start_human_face_alarm_report(param); });
}

VL_API base_instance* vl_start_human_face_param(vl_human_face_param_param* param)
{
    return start_on("start_human_face_param", param ? param->dev : nullptr,
        [&](device& d) { return d.start_human_face_param(param); });
}

// ---- Device-less starts -----------------------------------------------------

VL_API base_instance* vl_start_local_playback(vl_local_playback_param* param)
{
    return start_alone("start_local_playback", [&] {
        return vlsdk::start_unbound_instance(
            std::make_unique<local_playback>(), [&](local_playback& p) { return p.start(param); });
    });
}

VL_API base_instance* vl_start_sync_playback(vl_sync_playback_param* param)
{
    return start_alone("start_sync_playback", [&] {
        return vlsdk::start_unbound_instance(
            std::make_unique<sync_playback>(), [&](sync_playback& p) { return p.start(param); });
    });
}

VL_API base_instance* vl_start_local_playback_thumbnails(
    const char* json, vl_picture_callback callback, void* user)
{
    return start_alone("start_local_playback_thumbnails", [&] {
        return vlsdk::start_unbound_instance(std::make_unique<local_playback_thumbnails>(),
            [&](local_playback_thumbnails& t) { return t.start(json, callback, user); });
    });
}

VL_API base_instance* vl_start_convert_file(const char* json, vl_json_callback callback, void* user)
{
    return start_alone("start_convert_file", [&] {
        return vlsdk::start_unbound_instance(std::make_unique<convert_file_type>(),
            [&](convert_file_type& c) { return c.start(json, callback, user); });
    });
}

VL_API base_instance* vl_start_p2p_tunnel(const char* json, vl_json_callback callback, void* user)
{
    return start_alone("start_p2p_tunnel", [&] {
        return vlsdk::start_unbound_instance(
            std::make_unique<p2p_tunnel>(), [&](p2p_tunnel& t) { return t.start(json, callback, user); });
    });
}

VL_API base_instance* vl_start_http_client(vl_http_client_param* param)
{
    return start_alone("start_http_client", [&] {
        return vlsdk::start_unbound_instance(std::make_unique<vl_wrapper_http_client>(),
            [&](vl_wrapper_http_client& h) { return h.start(param); });
    });
}

// ---- Stops --------------------------------------------------------------------

VL_API int vl_stop_download(base_instance* instance)
{
    return vlsdk::export_guard(
        "stop_instance", static_cast<int>(vl_fail), [&] { return vlsdk::stop_bound_instance(instance); });
}

VL_API int vl_stop_human_face_alarm_report(base_instance* instance)
{
    return vl_stop_download(instance);
}

VL_API int vl_stop_human_face_param(base_instance* instance)
{
    return vl_stop_download(instance);
}

VL_API int vl_stop_playback_thumbnails(base_instance* instance)
{
    return vl_stop_download(instance);
}

VL_API int vl_stop_preview(base_instance* instance)
{
    return vl_stop_download(instance);
}

VL_API int vl_stop_search_record(base_instance* instance)
{
    return vl_stop_download(instance);
}

VL_API int vl_stop_talk(base_instance* instance)
{
    return vl_stop_download(instance);
}

VL_API int vl_stop_upgrade(base_instance* instance)
{
    return vl_stop_download(instance);
}

VL_API int vl_stop_playback(base_instance* instance)
{
    return vlsdk::export_guard(
        "stop_playback", static_cast<int>(vl_fail), [&] { return vlsdk::stop_playback_instance(instance); });
}

VL_API int vl_stop_convert_file(base_instance* instance)
{
    return vlsdk::export_guard("stop_unbound_instance", static_cast<int>(vl_fail),
        [&] { return vlsdk::stop_unbound_instance(instance); });
}

VL_API int vl_stop_http_client(base_instance* instance)
{
    return vl_stop_convert_file(instance);
}

VL_API int vl_stop_local_playback_thumbnails(base_instance* instance)
{
    return vl_stop_convert_file(instance);
}

VL_API int vl_stop_p2p_tunnel(base_instance* instance)
{
    return vl_stop_convert_file(instance);
}
