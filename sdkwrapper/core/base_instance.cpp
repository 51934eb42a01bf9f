#include "core/base_instance.h"

#include "core/device.h"
#include "core/log.h"

base_instance::base_instance(device* owner, instance_type type, const char* class_name, const char* label)
    : m_owner(owner)
    , m_label(label ? label : "")
    , m_type(type)
    , m_class_name(class_name ? class_name : "")
{
    (void)m_reserved;
}

base_instance::~base_instance() = default;

void* base_instance::get_decoded_frame()
{
    return nullptr;
}

int base_instance::switch_stream_type(const char*)
{
    return vl_fail;
}

int base_instance::seek_by_time(const char*)
{
    return vl_fail;
}

int base_instance::seek_by_time_v1(const char*)
{
    return vl_fail;
}

int base_instance::set_play_mode(const char*)
{
    return vl_fail;
}

int base_instance::seek_by_key_frame_index(int)
{
    return vl_fail;
}

int base_instance::input_local_playback_time(int, int)
{
    return vl_fail;
}

int base_instance::send_human_face_param(const void*, int)
{
    return vl_fail;
}

int base_instance::start_net()
{
    return vl_fail;
}

int base_instance::stop_net()
{
    return vl_fail;
}

bool base_instance::is_sync_play()
{
    return false;
}

void base_instance::detach_from_device()
{
}

int base_instance::sync_playback_add_session(base_instance*)
{
    return vl_fail;
}

int base_instance::sync_playback_del_session(base_instance*)
{
    return vl_fail;
}

int base_instance::deactivate()
{
    return vl_fail;
}

int base_instance::delete_playback_thumbnails(const char*)
{
    return vl_fail;
}

int base_instance::request_more_frame()
{
    return vl_fail;
}

int base_instance::talk_send_record_data(const void*, int)
{
    return vl_fail;
}

void base_instance::clear_active_locked()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    m_active.store(false);
}

void base_instance::log_result(const char* what, bool success) const
{
    write_log("dev:%p, this:%p, [%s] call <%s> result:%s\n", static_cast<const void*>(m_owner),
        static_cast<const void*>(this), m_label.c_str(), what, success ? "success" : "fail");
}

namespace vlsdk
{

int stop_bound_instance(base_instance* instance)
{
    if (!instance || !instance->owner())
        return vl_invalid_instance;
    return instance->owner()->stop_instance(instance);
}

int stop_playback_instance(base_instance* instance)
{
    if (!instance)
        return vl_invalid_instance;
    if (instance->owner())
        return instance->owner()->stop_instance(instance);
    if (instance->is_sync_play())
        return vl_invalid_instance;
    const int result = instance->stop();
    delete instance;
    return result;
}

int stop_unbound_instance(base_instance* instance)
{
    // A device-bound instance lives in its device's set, which stops and
    // deletes it: deleting it here would leave the set a freed pointer.
    if (!instance || instance->owner())
        return vl_invalid_instance;
    const int result = instance->stop();
    delete instance;
    return result;
}

} // namespace vlsdk
