#pragma once
// Plays several playbacks in step; owns the members it accepted. Belongs
// to no device.
//
// Its work is not built yet: start answers vl_fail (logged as a failed
// start), so a starter deletes it and returns null.
#include "core/base_instance.h"
#include "instances/instance_records.h"

class sync_playback : public base_instance
{
public:
    sync_playback();
    ~sync_playback() override;

    int start(const vl_sync_playback_param* param);
    int stop() override;
};
