#pragma once
// Opens a P2P tunnel to a device named by address or P2P id and reports
// its state; belongs to no device.
//
// Its work is not built yet: start answers vl_fail (logged as a failed
// start), so a starter deletes it and returns null.
#include "core/base_instance.h"
#include "instances/instance_records.h"

class p2p_tunnel : public base_instance
{
public:
    p2p_tunnel();
    ~p2p_tunnel() override;

    int start(const char* json, vl_json_callback callback, void* user);
    int stop() override;
};
