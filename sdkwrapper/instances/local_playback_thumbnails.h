#pragma once
// Takes pictures from a recorded file on the local disk at the positions
// the caller steers to; belongs to no device.
//
// Its work is not built yet: start answers vl_fail (logged as a failed
// start), so a starter deletes it and returns null.
#include "core/base_instance.h"
#include "instances/instance_records.h"

class local_playback_thumbnails : public base_instance
{
public:
    local_playback_thumbnails();
    ~local_playback_thumbnails() override;

    int start(const char* json, vl_picture_callback callback, void* user);
    int stop() override;
};
