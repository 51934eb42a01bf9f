#include "instances/human_face_alarm_report.h"

#include "core/device.h"
#include "core/log.h"

#include <cstring>

human_face_alarm_report::human_face_alarm_report(device* owner)
    : base_instance(
        owner, instance_type::human_face_alarm_report, "human_face_alarm_report", owner->label().c_str())
    , m_login_handle(owner->login_handle())
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
    request.status_callback = &human_face_alarm_report::on_status;
    request.context = this;
    m_subscription = owner()->conn().sdk().start_alarm_request_info(m_login_handle, &request);
    // What the device reports while the call is still returning is dropped.
    set_active(m_subscription != 0);
    log_result("human_face_alarm_report start", m_subscription != 0);
    return m_subscription ? vl_success : vl_fail;
}

int human_face_alarm_report::stop()
{
    if (!active() && !m_subscription)
        return vl_success;
    set_active(false);
    if (m_subscription)
        owner()->conn().sdk().stop_alarm_request_info(&m_subscription);
    m_subscription = 0;
    // Only now: no handler runs any more.
    m_report_callback = nullptr;
    m_status_callback = nullptr;
    m_user = nullptr;
    log_result("human_face_alarm_report stop", true);
    return vl_success;
}

void VLNET_CALL human_face_alarm_report::on_report(
    const void* data, int32_t length, const uint8_t* info, void* context)
{
    auto* self = static_cast<human_face_alarm_report*>(context);
    if (!self || !self->active() || !data || length <= 0)
        return;
    write_log("dev:%p, this:%p, [%s] <human_face_alarm_report report> kind:%d length:%d dropped\n",
        static_cast<void*>(self->owner()), static_cast<void*>(self), self->label().c_str(),
        info ? info[0] : -1, int(length));
}

void VLNET_CALL human_face_alarm_report::on_status(int32_t state, void* context)
{
    auto* self = static_cast<human_face_alarm_report*>(context);
    if (!self || !self->active())
        return;
    write_log("dev:%p, this:%p, [%s] <human_face_alarm_report status> state:%d dropped\n",
        static_cast<void*>(self->owner()), static_cast<void*>(self), self->label().c_str(), int(state));
}
