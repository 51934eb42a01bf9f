#pragma once
// What the two face classes share: a subscription on the device's
// connection through the network SDK, whose handle makes the instance
// active, the caller's status callback and user value, the status handler,
// and the stop that unsubscribes with the handle's address (after which no
// handler runs) before it forgets the caller's callbacks.
//
// The handlers run on the network SDK's threads, take no lock and test the
// active flag. Reports are not turned into JSON yet: they are logged and
// dropped.
#include "core/base_instance.h"
#include "instances/instance_records.h"
#include "vlnet.h"

#include <cstdint>

class human_face_subscription : public base_instance
{
public:
    int stop() override;

    int login_handle() const { return m_login_handle; }
    int subscription() const { return m_subscription; }

protected:
    human_face_subscription(device* owner, instance_type type, const char* class_name);
    // Derived destructors stop: the base cannot reach their unsubscribe.
    ~human_face_subscription() override = default;

    // Keeps the handle the network SDK's start call gave: active when it
    // is not 0 (what the device reports while the call is still returning
    // is dropped). Logs the start; 0, or vl_fail for no handle.
    int subscribed(int handle);
    // The network SDK's stop call of the subscription.
    virtual void unsubscribe(int* handle) = 0;
    // Forgets the caller's data callback, once no handler runs.
    virtual void forget_data_callback() = 0;

    static void VLNET_CALL on_status(int32_t state, void* context);
    // "dev:%p, this:%p, [label] <class what> ... dropped".
    void log_dropped(const char* what, int value) const;

    vl_json_callback m_status_callback = nullptr;
    void* m_user = nullptr;

private:
    const int m_login_handle; // the device's, when it was made
    int m_subscription = 0; // 0: none
};
