#pragma once
// Converts a recorded file to another container through the player and
// reports the progress; belongs to no device.
//
// Its work is not built yet: start answers vl_fail (logged as a failed
// start), so a starter deletes it and returns null.
#include "core/base_instance.h"
#include "instances/instance_records.h"

class convert_file_type : public base_instance
{
public:
    convert_file_type();
    ~convert_file_type() override;

    int start(const char* json, vl_json_callback callback, void* user);
    int stop() override;
};
