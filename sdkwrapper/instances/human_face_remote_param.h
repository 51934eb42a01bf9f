#pragma once
// A channel for a logged-in device's face parameters (several may run on
// one device). Start subscribes through the network SDK
// (VLNetStartAlarmParamInfo) and makes the instance active when a
// subscription handle comes back; stop unsubscribes with the handle's
// address, after which no handler runs.
//
// The handlers run on the network SDK's threads, take no lock and test the
// active flag. The device's answers are not handed on yet: they are logged
// and dropped.
#include "core/base_instance.h"
#include "instances/instance_records.h"
#include "vlnet.h"

#include <cstdint>

class human_face_remote_param : public base_instance
{
public:
    explicit human_face_remote_param(device* owner);
    ~human_face_remote_param() override;

    // 0 when subscribed; vl_fail when the network SDK refused (null record,
    // no handle).
    int start(const vl_human_face_param_param* param);
    int stop() override;

    int login_handle() const { return m_login_handle; }
    int subscription() const { return m_subscription; }

private:
    static void VLNET_CALL on_param(const void* data, int32_t length, void* context);
    static void VLNET_CALL on_status(int32_t state, void* context);

    const int m_login_handle; // the device's, when it was made
    int m_subscription = 0; // 0: none
    vl_human_face_param_callback m_param_callback = nullptr;
    vl_json_callback m_status_callback = nullptr;
    void* m_user = nullptr;
};
