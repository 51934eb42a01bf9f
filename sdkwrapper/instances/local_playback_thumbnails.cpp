#include "instances/local_playback_thumbnails.h"

local_playback_thumbnails::local_playback_thumbnails()
    : base_instance(nullptr, instance_type::local_playback_thumbnails, "local_playback_thumbnails", nullptr)
{
}

local_playback_thumbnails::~local_playback_thumbnails()
{
    stop();
}

int local_playback_thumbnails::start(const char* /*json*/, vl_picture_callback /*callback*/, void* /*user*/)
{
    log_result("local_playback_thumbnails start", false);
    return vl_fail;
}

int local_playback_thumbnails::stop()
{
    // Nothing runs yet.
    return vl_success;
}
