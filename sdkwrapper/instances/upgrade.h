#pragma once
// Sends a firmware file to a logged-in device and reports the progress.
//
// Its work is not built yet: start answers vl_fail (logged as a failed
// start), so a starter deletes it and returns null.
#include "core/base_instance.h"
#include "instances/instance_records.h"

class upgrade : public base_instance
{
public:
    explicit upgrade(device* owner);
    ~upgrade() override;

    int start(const char* json, vl_upgrade_callback callback, void* user);
    int stop() override;

    int login_handle() const { return m_login_handle; }

private:
    const int m_login_handle; // the device's, when it was made
};
