#include "instances/export_param.h"

#include "core/device.h"

export_param::export_param(device* owner, vlsdk::connection& connection)
    : base_instance(owner, instance_type::import_param, "export", owner->label().c_str())
    , m_login_handle(connection.login_handle())
{
}

export_param::~export_param()
{
    stop();
}

int export_param::stop()
{
    // Nothing runs yet.
    return vl_success;
}
