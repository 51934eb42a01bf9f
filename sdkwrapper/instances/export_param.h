#pragma once
// Reads a logged-in device's configuration back: a job that lives only
// inside its export (vl_remote_export), never in the device's set. The
// network SDK hands the exported block to the job's handler during the
// call, which passes it to the caller's progress callback.
#include "core/base_instance.h"
#include "core/connection.h"
#include "instances/instance_records.h"
#include "vlnet.h"

class export_param : public base_instance
{
public:
    export_param(device* owner, vlsdk::connection& connection, vl_progress_callback callback, void* user);
    ~export_param() override;

    int stop() override;

    // Runs the export to its end: 0 when the network SDK answered non-zero,
    // else vl_fail.
    int run();

    int login_handle() const { return m_login_handle; }

    // The network SDK's handler: (block address, length) to the caller's
    // callback with its user value. Not tested against the active flag:
    // the job never activates, and the SDK calls it only during run().
    static void VLNET_CALL on_block(const char* block, int32_t length, void* context);

private:
    const vlsdk::vlnet_calls& m_sdk;
    const int m_login_handle; // the device's, when it was made
    const vl_progress_callback m_callback;
    void* const m_user;
};
