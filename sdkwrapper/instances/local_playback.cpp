#include "instances/local_playback.h"

local_playback::local_playback()
    : base_instance(nullptr, instance_type::local_playback, "local_playback", nullptr)
{
}

local_playback::~local_playback()
{
    stop();
}

int local_playback::start(const vl_local_playback_param* /*param*/)
{
    log_result("local_playback start", false);
    return vl_fail;
}

int local_playback::stop()
{
    // Nothing runs yet.
    return vl_success;
}
