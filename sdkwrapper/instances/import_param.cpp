#include "instances/import_param.h"

#include "core/device.h"

#include <cstring>

import_param::import_param(device* owner, vlsdk::connection& connection)
    : base_instance(owner, instance_type::import_param, "import_param", owner->label().c_str())
    , m_sdk(connection.sdk())
    , m_login_handle(connection.login_handle())
{
    std::memset(&m_record, 0, sizeof m_record);
    m_record.size = sizeof m_record;
}

import_param::~import_param()
{
    stop();
}

int import_param::stop()
{
    // The import runs inside run(); nothing is left to stop.
    return vl_success;
}

int import_param::run(const void* data, int32_t length)
{
    if (length > 0)
        std::memcpy(m_record.data, data, static_cast<size_t>(length));
    m_record.length = static_cast<uint32_t>(length);
    // Only 1 says the device took the configuration: the SDK answers 2 when
    // the user lacks the right, which is a refusal too.
    return m_sdk.remote_param_import(m_login_handle, &m_record) == 1 ? vl_success : vl_fail;
}
