#include "instances/talk.h"

#include "core/device.h"

talk::talk(device* owner)
    : base_instance(owner, instance_type::talk, "talk", owner->label().c_str())
    , m_login_handle(owner->login_handle())
{
}

talk::~talk()
{
    stop();
}

int talk::start(const char* /*json*/, vl_json_callback /*callback*/, void* /*user*/,
    vl_data_callback /*data_callback*/, vl_play_callback /*play_callback*/)
{
    log_result("talk start", false);
    return vl_fail;
}

int talk::stop()
{
    // Nothing runs yet.
    return vl_success;
}
