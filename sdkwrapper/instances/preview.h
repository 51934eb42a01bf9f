#pragma once
// The live video of one channel of a logged-in device.
//
// Its work is not built yet: start answers vl_fail (logged as a failed
// start), so a starter deletes it and returns null.
#include "core/base_instance.h"
#include "instances/instance_records.h"

class preview : public base_instance
{
public:
    explicit preview(device* owner);
    ~preview() override;

    int start(const vl_preview_param* param);
    int stop() override;

    int login_handle() const { return m_login_handle; }

private:
    const int m_login_handle; // the device's, when it was made
};
