#include "instances/download_record.h"

#include "core/device.h"
#include "vlnet.h"

download_record::download_record(device* owner, vlsdk::connection& connection)
    : base_instance(owner, instance_type::download_record, "download_record", owner->label().c_str())
    , m_login_handle(connection.login_handle())
{
}

download_record::~download_record()
{
    stop();
}

int download_record::start(const void* /*descriptor*/, const char* /*json*/, vl_json_callback /*callback*/,
    void* /*user*/, bool /*by_file*/, bool /*extended*/, uint64_t /*total_bytes*/,
    vl_data_callback /*data_callback*/, int /*form2_marker*/)
{
    log_result("download_record start", false);
    return vl_fail;
}

int download_record::stop()
{
    // Nothing runs yet.
    return vl_success;
}

bool download_record::pause_download()
{
    int handle = m_download_handle.load();
    if (handle == 0)
        return false;
    VLNetPauseDownloadFile(&handle);
    return true;
}

bool download_record::resume_download()
{
    int handle = m_download_handle.load();
    if (handle == 0)
        return false;
    VLNetResumeDownloadFile(&handle);
    return true;
}
