#pragma once
// The base of every feature instance (preview, playback, download, record
// search, talk, upgrade, face alarms, conversion, tunnel, HTTP client,
// configuration transfer). A pointer to it is the opaque instance handle of
// the start and stop exports.
//
// A device-bound instance has its device as owner and copies the device's
// label; it lives in the device's instance set from its successful start
// until the device stops it (device::stop_instance) or logs out. A
// device-less instance has no owner and ends only through its stop export.
// The library alone deletes instances, through the virtual destructor.
//
// Threads and locks:
// - start, stop and the slot operations run on the caller's thread.
// - the network SDK and the player call an instance's handlers on their own
//   threads. A handler that reports to the caller builds its JSON first,
//   then delivers through deliver(): under the instance lock it tests the
//   active flag and, while still holding the lock, calls the caller. So
//   once deactivate() (or a stop that clears the flag and then takes the
//   lock) has returned, no such report starts. The caller's callback runs
//   under the instance lock: it must not stop its own instance.
// - the active flag is atomic: handlers that deliver without the lock read
//   it as well.
// - the device lock is never taken on those threads; handlers take only
//   their instance lock.
#include "vl_sdk_wrapper.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

// Type numbers of the instance classes; 15 serves import_param and
// export_param alike.
enum class instance_type : int {
    convert_file_type = 0,
    download_record = 1,
    human_face_alarm_report = 2,
    human_face_remote_param = 3,
    local_playback = 4,
    local_playback_thumbnails = 5,
    preview = 6,
    remote_playback = 7,
    remote_playback_thumbnails = 8,
    search_record = 9,
    talk = 10,
    upgrade = 11,
    sync_playback = 12,
    p2p_tunnel = 13,
    vl_wrapper_http_client = 14,
    import_param = 15,
};

struct base_instance {
public:
    // Null texts are stored as empty ones.
    base_instance(device* owner, instance_type type, const char* class_name, const char* label);
    virtual ~base_instance();
    base_instance(const base_instance&) = delete;
    base_instance& operator=(const base_instance&) = delete;

    // The twenty operations, in their slot order; a class overrides what it
    // supports and keeps the base answer for the rest (-1, null or false),
    // so an export that reaches an unsupported operation changes nothing.
    // Ends the instance's SDK work; a stop on a stopped instance returns 0.
    virtual int stop() = 0;
    // A decoded frame the caller frees with free(), or null.
    virtual void* get_decoded_frame();
    virtual int switch_stream_type(const char* json);
    // time: "year-month-day hour:minute:second".
    virtual int seek_by_time(const char* time);
    virtual int seek_by_time_v1(const char* json);
    virtual int set_play_mode(const char* json);
    virtual int seek_by_key_frame_index(int index);
    // The low and high halves of a 64-bit value.
    virtual int input_local_playback_time(int low, int high);
    virtual int send_human_face_param(const void* data, int length);
    virtual int start_net();
    virtual int stop_net();
    // True for a member of a synchronised playback group, which owns it.
    virtual bool is_sync_play();
    virtual void detach_from_device();
    virtual int sync_playback_add_session(base_instance* member);
    virtual int sync_playback_del_session(base_instance* member);
    // Clears the active flag under the instance lock, where a class
    // supports it (an instance that outlives its place in the device's set).
    virtual int deactivate();
    virtual int delete_playback_thumbnails(const char* json);
    virtual int request_more_frame();
    virtual int talk_send_record_data(const void* data, int length);

    // The operations on the instance's player that take a JSON request,
    // alike for every class with a player: local recording and its switch
    // to a new file, a snapshot to a file, the picture's proportion, and
    // the fisheye view by mouse or by PTZ. 0, vl_fail (no player, or the
    // player refused) or vl_parse_json_error. Not built yet: vl_fail.
    int start_record(const char* json);
    int manual_switch_record(const char* json);
    int capture_picture(const char* json);
    int set_video_proportion(const char* json);
    int fisheye_mouse_control(const char* json);
    int fisheye_ptz_control(const char* json);

    device* owner() const { return m_owner; }
    bool active() const { return m_active.load(); }
    int play_handle() const { return m_play_handle.load(); }
    const std::string& label() const { return m_label; }
    instance_type type() const { return m_type; }
    const std::string& class_name() const { return m_class_name; }

protected:
    void set_active(bool active) { m_active.store(active); }
    void set_play_handle(int handle) { m_play_handle.store(handle); }
    // Clears the active flag under the instance lock: when it returns, no
    // locked delivery runs or starts.
    void clear_active_locked();

    // A handler's report: under the instance lock, when the instance is
    // active, runs `call` (which calls the caller) and returns true.
    template <class Call> bool deliver(Call&& call)
    {
        std::lock_guard<std::recursive_mutex> hold(m_lock);
        if (!m_active.load())
            return false;
        call();
        return true;
    }

    // "dev:%p, this:%p, [label] call <what> result:success" (or fail).
    void log_result(const char* what, bool success) const;

private:
    device* const m_owner;
    std::atomic<bool> m_active { false };
    // Re-entrant, as a handler may report more than once while it holds it.
    std::recursive_mutex m_lock;
    std::atomic<int> m_play_handle { 0 };
    const std::string m_label;
    int m_reserved = 0; // kept for the derived classes
    const instance_type m_type;
    const std::string m_class_name;
};

namespace vlsdk
{

// The start of an instance that belongs to no device: `start` runs on the
// new instance; on any answer but 0 the instance is deleted and the result
// is null, else the caller gets it.
template <class T, class Start> T* start_unbound_instance(std::unique_ptr<T> instance, Start&& start)
{
    if (!instance || start(*instance) != vl_success)
        return nullptr;
    return instance.release();
}

// The three stop rules of the instance stop exports.
// Device-bound stop (preview, download, record search, thumbnails, talk,
// upgrade, face alarms): vl_invalid_instance for null or a device-less
// instance; else the owner stops and deletes it (device::stop_instance), 0.
int stop_bound_instance(base_instance* instance);
// Playback stop: null gives vl_invalid_instance; a device-bound playback
// goes to its owner (0); a device-less member of a synchronised group is
// left alone (vl_invalid_instance: the group owns it); any other
// device-less instance is stopped and deleted, and its stop's result is
// returned.
int stop_playback_instance(base_instance* instance);
// Device-less stop (conversion, tunnel, HTTP client, local thumbnails):
// vl_invalid_instance for null and for a device-bound instance (its device
// owns it); else stop, delete, and the stop's result.
int stop_unbound_instance(base_instance* instance);

} // namespace vlsdk
