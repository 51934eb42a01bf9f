#include "instances/export_param.h"

#include "core/device.h"

#include <cstdint>

export_param::export_param(
    device* owner, vlsdk::connection& connection, vl_progress_callback callback, void* user)
    : base_instance(owner, instance_type::import_param, "export", owner->label().c_str())
    , m_sdk(connection.sdk())
    , m_login_handle(connection.login_handle())
    , m_callback(callback)
    , m_user(user)
{
}

export_param::~export_param()
{
    stop();
}

int export_param::stop()
{
    // The export runs inside run(); nothing is left to stop.
    return vl_success;
}

int export_param::run()
{
    VLNET_EXPORT_BACKUP request;
    request.context = this;
    request.handler = &export_param::on_block;
    return m_sdk.export_backup(m_login_handle, &request) != 0 ? vl_success : vl_fail;
}

void VLNET_CALL export_param::on_block(const char* block, int32_t length, void* context)
{
    auto* job = static_cast<export_param*>(context);
    if (!job || !job->m_callback)
        return;
    // An address needs a pointer's width: the callback's first value is an
    // intptr_t for this reason.
    job->m_callback(reinterpret_cast<intptr_t>(block), length, job->m_user);
}
