#pragma once
// Two-way audio between the caller and a logged-in device.
//
// Its work is not built yet: start answers vl_fail (logged as a failed
// start), so a starter deletes it and returns null.
#include "core/base_instance.h"
#include "instances/instance_records.h"

class talk : public base_instance
{
public:
    explicit talk(device* owner);
    ~talk() override;

    int start(const char* json, vl_json_callback callback, void* user, vl_data_callback data_callback,
        vl_play_callback play_callback);
    int stop() override;

    int login_handle() const { return m_login_handle; }

private:
    const int m_login_handle; // the device's, when it was made
};
