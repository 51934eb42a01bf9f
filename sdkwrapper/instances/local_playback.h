#pragma once
// Plays a recorded file, or an ordered list of them, from the local disk
// into the caller's window; belongs to no device.
//
// Its work is not built yet: start answers vl_fail (logged as a failed
// start), so a starter deletes it and returns null.
#include "core/base_instance.h"
#include "instances/instance_records.h"

class local_playback : public base_instance
{
public:
    local_playback();
    ~local_playback() override;

    int start(const vl_local_playback_param* param);
    int stop() override;
};
