#pragma once
// Fetches thumbnails of a device's recordings, by day or by the keys of
// the record index.
//
// Its work is not built yet: start answers vl_fail (logged as a failed
// start), so a starter deletes it and returns null.
#include "core/base_instance.h"
#include "core/connection.h"
#include "instances/instance_records.h"
#include "instances/record_index.h"

class remote_playback_thumbnails : public base_instance
{
public:
    remote_playback_thumbnails(device* owner, vlsdk::connection& connection, record_index& records);
    ~remote_playback_thumbnails() override;

    int start(const char* json, vl_json_callback callback, void* user);
    int start_index(const char* json, vl_json_callback callback, void* user);
    int stop() override;

    int login_handle() const { return m_login_handle; }
    record_index& records() { return m_records; }

private:
    const int m_login_handle; // the device's, when it was made
    record_index& m_records;
};
