#include "instances/human_face_remote_param.h"

#include "core/device.h"

#include <cstring>

human_face_remote_param::human_face_remote_param(device* owner)
    : human_face_subscription(owner, instance_type::human_face_remote_param, "human_face_remote_param")
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
    request.status_callback = &human_face_subscription::on_status;
    // The status handler, shared, takes its context as the shared base.
    request.context = static_cast<human_face_subscription*>(this);
    return subscribed(owner()->conn().sdk().start_alarm_param_info(login_handle(), &request));
}

void human_face_remote_param::unsubscribe(int* handle)
{
    owner()->conn().sdk().stop_alarm_param_info(handle);
}

void VLNET_CALL human_face_remote_param::on_param(const void* data, int32_t length, void* context)
{
    auto* self = static_cast<human_face_remote_param*>(static_cast<human_face_subscription*>(context));
    if (!self || !self->active() || !data || length <= 0)
        return;
    self->log_dropped("answer length", int(length));
}
