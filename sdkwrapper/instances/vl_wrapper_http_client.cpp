#include "instances/vl_wrapper_http_client.h"

vl_wrapper_http_client::vl_wrapper_http_client()
    : base_instance(nullptr, instance_type::vl_wrapper_http_client, "vl_wrapper_http_client", nullptr)
{
}

vl_wrapper_http_client::~vl_wrapper_http_client()
{
    stop();
}

int vl_wrapper_http_client::start(const vl_http_client_param* /*param*/)
{
    log_result("vl_wrapper_http_client start", false);
    return vl_fail;
}

int vl_wrapper_http_client::stop()
{
    // Nothing runs yet.
    return vl_success;
}
