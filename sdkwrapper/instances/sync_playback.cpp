#include "instances/sync_playback.h"

sync_playback::sync_playback()
    : base_instance(nullptr, instance_type::sync_playback, "sync_playback", nullptr)
{
}

sync_playback::~sync_playback()
{
    stop();
}

int sync_playback::start(const vl_sync_playback_param* /*param*/)
{
    log_result("sync_playback start", false);
    return vl_fail;
}

int sync_playback::stop()
{
    // Nothing runs yet.
    return vl_success;
}
