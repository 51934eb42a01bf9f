#pragma once
// Writes a configuration file the caller holds to a logged-in device: a
// job that lives only inside its export, never in the device's set.
#include "core/base_instance.h"
#include "core/connection.h"
#include "instances/instance_records.h"

class import_param : public base_instance
{
public:
    import_param(device* owner, vlsdk::connection& connection);
    ~import_param() override;

    int stop() override;

    int login_handle() const { return m_login_handle; }

private:
    const int m_login_handle; // the device's, when it was made
};
