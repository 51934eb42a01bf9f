#include "instances/remote_playback_thumbnails.h"

#include "core/device.h"

remote_playback_thumbnails::remote_playback_thumbnails(
    device* owner, vlsdk::connection& connection, record_index& records)
    : base_instance(owner, instance_type::remote_playback_thumbnails, "remote_playback_thumbnails",
        owner->label().c_str())
    , m_login_handle(connection.login_handle())
    , m_records(records)
{
}

remote_playback_thumbnails::~remote_playback_thumbnails()
{
    stop();
}

int remote_playback_thumbnails::start(const char* /*json*/, vl_json_callback /*callback*/, void* /*user*/)
{
    log_result("remote_playback_thumbnails start", false);
    return vl_fail;
}

int remote_playback_thumbnails::start_index(
    const char* /*json*/, vl_json_callback /*callback*/, void* /*user*/)
{
    log_result("remote_playback_thumbnails start", false);
    return vl_fail;
}

int remote_playback_thumbnails::stop()
{
    // Nothing runs yet.
    return vl_success;
}
