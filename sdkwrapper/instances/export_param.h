#pragma once
// Reads a logged-in device's configuration back: a job that lives only
// inside its export, never in the device's set.
#include "core/base_instance.h"
#include "core/connection.h"
#include "instances/instance_records.h"

class export_param : public base_instance
{
public:
    export_param(device* owner, vlsdk::connection& connection);
    ~export_param() override;

    int stop() override;

    int login_handle() const { return m_login_handle; }

private:
    const int m_login_handle; // the device's, when it was made
};
