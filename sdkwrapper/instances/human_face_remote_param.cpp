#include "instances/human_face_remote_param.h"

#include "core/device.h"
#include "core/log.h"

#include <cstring>

human_face_remote_param::human_face_remote_param(device* owner)
    : base_instance(
        owner, instance_type::human_face_remote_param, "human_face_remote_param", owner->label().c_str())
    , m_login_handle(owner->login_handle())
{
}

human_face_remote_param::~human_face_remote_param()
{
    stop();
}

int human_face_remote_param::start(const vl_human_face_param_param* param)
{
    stop();
    if (!param)
        return vl_fail;
    m_param_callback = param->param_callback;
    m_status_callback = param->status_callback;
    m_user = param->user;
    VLNET_ALARM_PARAM_INFO request;
    std::memset(&request, 0, sizeof request);
    request.param_callback = &human_face_remote_param::on_param;
    request.status_callback = &human_face_remote_param::on_status;
    request.context = this;
    m_subscription = owner()->conn().sdk().start_alarm_param_info(m_login_handle, &request);
    // What the device reports while the call is still returning is dropped.
    set_active(m_subscription != 0);
    log_result("human_face_remote_param start", m_subscription != 0);
    return m_subscription ? vl_success : vl_fail;
}

int human_face_remote_param::stop()
{
    if (!active() && !m_subscription)
        return vl_success;
    set_active(false);
    if (m_subscription)
        owner()->conn().sdk().stop_alarm_param_info(&m_subscription);
    m_subscription = 0;
    // Only now: no handler runs any more.
    m_param_callback = nullptr;
    m_status_callback = nullptr;
    m_user = nullptr;
    log_result("human_face_remote_param stop", true);
    return vl_success;
}

void VLNET_CALL human_face_remote_param::on_param(const void* data, int32_t length, void* context)
{
    auto* self = static_cast<human_face_remote_param*>(context);
    if (!self || !self->active() || !data || length <= 0)
        return;
    write_log("dev:%p, this:%p, [%s] <human_face_remote_param answer> length:%d dropped\n",
        static_cast<void*>(self->owner()), static_cast<void*>(self), self->label().c_str(), int(length));
}

void VLNET_CALL human_face_remote_param::on_status(int32_t state, void* context)
{
    auto* self = static_cast<human_face_remote_param*>(context);
    if (!self || !self->active())
        return;
    write_log("dev:%p, this:%p, [%s] <human_face_remote_param status> state:%d dropped\n",
        static_cast<void*>(self->owner()), static_cast<void*>(self), self->label().c_str(), int(state));
}
