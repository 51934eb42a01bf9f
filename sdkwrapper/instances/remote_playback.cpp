#include "instances/remote_playback.h"

#include "core/device.h"

remote_playback::remote_playback(device* owner)
    : base_instance(owner, instance_type::remote_playback, "remote_playback", owner->label().c_str())
    , m_login_handle(owner->login_handle())
{
}

remote_playback::~remote_playback()
{
    stop();
}

int remote_playback::start(const vl_remote_playback_param* /*param*/)
{
    log_result("remote_playback start", false);
    return vl_fail;
}

int remote_playback::stop()
{
    // Nothing runs yet.
    return vl_success;
}
