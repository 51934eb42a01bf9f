#pragma once
// Sends one HTTP request through the network SDK and hands the answer to
// the caller; belongs to no device.
//
// Its work is not built yet: start answers vl_fail (logged as a failed
// start), so a starter deletes it and returns null.
#include "core/base_instance.h"
#include "instances/instance_records.h"

class vl_wrapper_http_client : public base_instance
{
public:
    vl_wrapper_http_client();
    ~vl_wrapper_http_client() override;

    int start(const vl_http_client_param* param);
    int stop() override;
};
