#include "instances/p2p_tunnel.h"

p2p_tunnel::p2p_tunnel()
    : base_instance(nullptr, instance_type::p2p_tunnel, "p2p_tunnel", nullptr)
{
}

p2p_tunnel::~p2p_tunnel()
{
    stop();
}

int p2p_tunnel::start(const char* /*json*/, vl_json_callback /*callback*/, void* /*user*/)
{
    log_result("p2p_tunnel start", false);
    return vl_fail;
}

int p2p_tunnel::stop()
{
    // Nothing runs yet.
    return vl_success;
}
