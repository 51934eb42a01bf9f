#include "instances/search_record.h"

#include "core/device.h"

search_record::search_record(device* owner, vlsdk::connection& connection, record_index& records)
    : base_instance(owner, instance_type::search_record, "search_record", owner->label().c_str())
    , m_login_handle(connection.login_handle())
    , m_records(records)
{
}

search_record::~search_record()
{
    stop();
}

int search_record::start(const char* /*json*/, vl_json_callback /*month_callback*/,
    vl_json_callback /*day_callback*/, void* /*user*/, bool /*new_record_search*/)
{
    log_result("search_record start", false);
    return vl_fail;
}

int search_record::stop()
{
    // Nothing runs yet.
    return vl_success;
}
