#include "instances/preview.h"

#include "core/device.h"

preview::preview(device* owner)
    : base_instance(owner, instance_type::preview, "preview", owner->label().c_str())
    , m_login_handle(owner->login_handle())
{
}

preview::~preview()
{
    stop();
}

int preview::start(const vl_preview_param* /*param*/)
{
    log_result("preview start", false);
    return vl_fail;
}

int preview::stop()
{
    // Nothing runs yet.
    return vl_success;
}
