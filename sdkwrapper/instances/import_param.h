#pragma once
// Writes a configuration file the caller holds to a logged-in device: a
// job that lives only inside its export (vl_remote_import), never in the
// device's set. It carries the network SDK's whole import record (about
// 384 KiB) and copies the caller's data into it once.
#include "core/base_instance.h"
#include "core/connection.h"
#include "instances/instance_records.h"
#include "vlnet.h"

#include <cstdint>

class import_param : public base_instance
{
public:
    import_param(device* owner, vlsdk::connection& connection);
    ~import_param() override;

    int stop() override;

    // Copies length bytes of data into the record and hands it to the
    // network SDK, which runs the import to its end: 0 when it answered 1
    // (the device took it), else vl_fail (2, the user has no right, too). The caller has checked data and
    // length (0 to VLNET_PARAM_IMPORT_DATA_MAX).
    int run(const void* data, int32_t length);

    int login_handle() const { return m_login_handle; }
    const VLNET_PARAM_IMPORT& record() const { return m_record; }

private:
    const vlsdk::vlnet_calls& m_sdk;
    const int m_login_handle; // the device's, when it was made
    VLNET_PARAM_IMPORT m_record;
};
