#include "instances/convert_file_type.h"

convert_file_type::convert_file_type()
    : base_instance(nullptr, instance_type::convert_file_type, "convert_file_type", nullptr)
{
}

convert_file_type::~convert_file_type()
{
    stop();
}

int convert_file_type::start(const char* /*json*/, vl_json_callback /*callback*/, void* /*user*/)
{
    log_result("convert_file_type start", false);
    return vl_fail;
}

int convert_file_type::stop()
{
    // Nothing runs yet.
    return vl_success;
}
