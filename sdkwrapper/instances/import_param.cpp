#include "instances/import_param.h"

#include "core/device.h"

import_param::import_param(device* owner, vlsdk::connection& connection)
    : base_instance(owner, instance_type::import_param, "import_param", owner->label().c_str())
    , m_login_handle(connection.login_handle())
{
}

import_param::~import_param()
{
    stop();
}

int import_param::stop()
{
    // Nothing runs yet.
    return vl_success;
}
