#include "instances/human_face_subscription.h"

#include "core/device.h"
#include "core/log.h"

#include <string>

human_face_subscription::human_face_subscription(device* owner, instance_type type, const char* class_name)
    : base_instance(owner, type, class_name, owner->label().c_str())
    , m_login_handle(owner->login_handle())
{
}

int human_face_subscription::subscribed(int handle)
{
    m_subscription = handle;
    set_active(handle != 0);
    log_result((class_name() + " start").c_str(), handle != 0);
    return handle ? vl_success : vl_fail;
}

int human_face_subscription::stop()
{
    if (!active() && !m_subscription)
        return vl_success;
    set_active(false);
    if (m_subscription)
        unsubscribe(&m_subscription);
    m_subscription = 0;
    // Only now: no handler runs any more.
    forget_data_callback();
    m_status_callback = nullptr;
    m_user = nullptr;
    log_result((class_name() + " stop").c_str(), true);
    return vl_success;
}

void human_face_subscription::log_dropped(const char* what, int value) const
{
    write_log("dev:%p, this:%p, [%s] <%s %s> %d dropped\n", static_cast<void*>(owner()),
        static_cast<const void*>(this), label().c_str(), class_name().c_str(), what, value);
}

void VLNET_CALL human_face_subscription::on_status(int32_t state, void* context)
{
    auto* self = static_cast<human_face_subscription*>(context);
    if (!self || !self->active())
        return;
    self->log_dropped("status", int(state));
}
