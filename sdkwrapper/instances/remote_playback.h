#pragma once
// Plays recordings that a logged-in device stores; with "sync play" it
// becomes a member of a synchronised playback group.
//
// Its work is not built yet: start answers vl_fail (logged as a failed
// start), so a starter deletes it and returns null.
#include "core/base_instance.h"
#include "instances/instance_records.h"

class remote_playback : public base_instance
{
public:
    explicit remote_playback(device* owner);
    ~remote_playback() override;

    int start(const vl_remote_playback_param* param);
    int stop() override;

    int login_handle() const { return m_login_handle; }

private:
    const int m_login_handle; // the device's, when it was made
};
