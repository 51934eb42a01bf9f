#pragma once
// A channel for a logged-in device's face parameters (several may run on
// one device): VLNetStartAlarmParamInfo and VLNetStopAlarmParamInfo.
#include "instances/human_face_subscription.h"

class human_face_remote_param : public human_face_subscription
{
public:
    explicit human_face_remote_param(device* owner);
    ~human_face_remote_param() override;

    // 0 when subscribed; vl_fail when the network SDK refused (null record,
    // no handle).
    int start(const vl_human_face_param_param* param);

private:
    void unsubscribe(int* handle) override;
    void forget_data_callback() override { m_param_callback = nullptr; }
    static void VLNET_CALL on_param(const void* data, int32_t length, void* context);

    vl_human_face_param_callback m_param_callback = nullptr;
};
