#pragma once
// Searches a device's recordings: the days of a month (month callback) or
// the records of a day (day callback), which go into the record index.
//
// Its work is not built yet: start answers vl_fail (logged as a failed
// start), so a starter deletes it and returns null.
#include "core/base_instance.h"
#include "core/connection.h"
#include "instances/instance_records.h"
#include "instances/record_index.h"

class search_record : public base_instance
{
public:
    search_record(device* owner, vlsdk::connection& connection, record_index& records);
    ~search_record() override;

    int start(const char* json, vl_json_callback month_callback, vl_json_callback day_callback, void* user,
        bool new_record_search);
    int stop() override;

    int login_handle() const { return m_login_handle; }
    record_index& records() { return m_records; }

private:
    const int m_login_handle; // the device's, when it was made
    record_index& m_records;
};
