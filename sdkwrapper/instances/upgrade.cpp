#include "instances/upgrade.h"

#include "core/device.h"

upgrade::upgrade(device* owner)
    : base_instance(owner, instance_type::upgrade, "upgrade", owner->label().c_str())
    , m_login_handle(owner->login_handle())
{
}

upgrade::~upgrade()
{
    stop();
}

int upgrade::start(const char* /*json*/, vl_upgrade_callback /*callback*/, void* /*user*/)
{
    log_result("upgrade start", false);
    return vl_fail;
}

int upgrade::stop()
{
    // Nothing runs yet.
    return vl_success;
}
