#pragma once
// Downloads one recorded file, or the recordings of a time range, into a
// file or to the caller's data callback, and reports progress and the end.
//
// Its work is not built yet: start answers vl_fail (logged as a failed
// start), so a starter deletes it and returns null.
#include "core/base_instance.h"
#include "core/connection.h"
#include "instances/instance_records.h"

#include <atomic>
#include <cstdint>

class download_record : public base_instance
{
public:
    download_record(device* owner, vlsdk::connection& connection);
    ~download_record() override;

    // descriptor: a record_descriptor, _ex or _arr (extended for _ex; form-2
    // marker 3 for _arr, else 0); total_bytes: of the range, for a download by
    // time.
    int start(const void* descriptor, const char* json, vl_json_callback callback, void* user, bool by_file,
        bool extended, uint64_t total_bytes, vl_data_callback data_callback, int form2_marker);
    int stop() override;

    int login_handle() const { return m_login_handle; }
    // The network SDK's handle of the running download; 0 when none runs.
    int download_handle() const { return m_download_handle.load(); }
    // Pause and resume the running download (VLNetPauseDownloadFile,
    // VLNetResumeDownloadFile): false, and nothing asked, when none runs.
    // Caller's thread, as start and stop.
    bool pause_download();
    bool resume_download();

protected:
    // The start keeps the handle of the download it started.
    void set_download_handle(int handle) { m_download_handle.store(handle); }

private:
    const int m_login_handle; // the device's, when it was made
    // Written by start and stop, read by pause and resume.
    std::atomic<int> m_download_handle { 0 };
};
