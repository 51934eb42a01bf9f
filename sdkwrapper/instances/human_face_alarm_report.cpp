#include "instances/human_face_alarm_report.h"

#include "core/device.h"

#include <cstring>

human_face_alarm_report::human_face_alarm_report(device* owner)
    : human_face_subscription(owner, instance_type::human_face_alarm_report, "human_face_alarm_report")
{
}

human_face_alarm_report::~human_face_alarm_report()
{
    stop();
}

int human_face_alarm_report::start(const vl_human_face_report_param* param)
{
    stop();
    if (!param)
        return vl_fail;
    m_report_callback = param->report_callback;
    m_status_callback = param->status_callback;
    m_user = param->user;
    VLNET_ALARM_REQUEST_INFO request;
    std::memset(&request, 0, sizeof request);
    request.report_callback = &human_face_alarm_report::on_report;
    request.status_callback = &human_face_subscription::on_status;
    // The status handler, shared, takes its context as the shared base.
    request.context = static_cast<human_face_subscription*>(this);
    return subscribed(owner()->conn().sdk().start_alarm_request_info(login_handle(), &request));
}

void human_face_alarm_report::unsubscribe(int* handle)
{
    owner()->conn().sdk().stop_alarm_request_info(handle);
}

void VLNET_CALL human_face_alarm_report::on_report(
    const void* data, int32_t length, const uint8_t* info, void* context)
{
    auto* self = static_cast<human_face_alarm_report*>(static_cast<human_face_subscription*>(context));
    if (!self || !self->active() || !data || length <= 0)
        return;
    self->log_dropped("report kind", info ? info[0] : -1);
}
