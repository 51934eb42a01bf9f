#pragma once
// A subscription to a logged-in device's face and object reports (at most
// one per device): VLNetStartAlarmRequestInfo and VLNetStopAlarmRequestInfo.
#include "instances/human_face_subscription.h"

class human_face_alarm_report : public human_face_subscription
{
public:
    explicit human_face_alarm_report(device* owner);
    ~human_face_alarm_report() override;

    // 0 when subscribed; vl_fail when the network SDK refused (null record,
    // no handle).
    int start(const vl_human_face_report_param* param);

private:
    void unsubscribe(int* handle) override;
    void forget_data_callback() override { m_report_callback = nullptr; }
    static void VLNET_CALL on_report(const void* data, int32_t length, const uint8_t* info, void* context);

    vl_human_face_report_callback m_report_callback = nullptr;
};
