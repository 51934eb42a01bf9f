#pragma once
// The object behind a device handle (vl_create_device .. vl_destroy_device):
// one login session (`connection`), the copy of its login password, the
// record index that record searches fill and downloads read, the
// remote-test runner, the caller's report callbacks, and the set of live
// feature instances started on the device.
//
// Every instance started on the device is stopped and deleted at the latest
// when the device logs out (a second login logs out first) or is destroyed.
// A stop through the device (stop_instance) takes the instance out of the
// set and then stops and deletes it, except a member of a synchronised
// playback group, which is only deactivated: the group owns it.
//
// The device lock is re-entrant and serialises login, logout, teardown and
// the instance set. It is never taken on VLNet's callback threads, so
// logout may hold it while VLNetConnectionStop and the instances' stops
// wait for their callbacks to end; a caller's status or message callback
// must therefore not log the device out, destroy it, or start or stop its
// instances, and instance callbacks take only their instance lock.
// Starters create and start an instance outside the lock and insert it
// under the lock; an instance whose session ended meanwhile (a logout ran
// while it started) is stopped and deleted instead of inserted.
//
// The report callbacks (remote test, device reports) have their own lock,
// which is never held while a callback runs: replies arrive on VLNet's
// threads.
#include "core/base_instance.h"
#include "core/connection.h"
#include "instances/instance_records.h"
#include "instances/record_index.h"
#include "vl_sdk_wrapper.h"

#include <cstdint>
#include <json/value.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>

class CParamRemoteTest;

struct device {
public:
    // A logged-out device: empty texts, port 0, a closed connection, an
    // empty instance set and its remote-test runner. Tests hand it network
    // SDK calls of their own.
    explicit device(const vlsdk::vlnet_calls& calls = vlsdk::sdk_vlnet_calls());
    // Logs out (stopping every instance), then tears the connection down.
    ~device();
    device(const device&) = delete;
    device& operator=(const device&) = delete;

    // Logs out first (stopping every instance of the earlier session), then
    // logs in with the record (connection::login); takes the connection's
    // password, address and port over. 0, -1 or -3 as connection::login.
    int login(const vl_login_param& param);
    // Under the device lock: stops and deletes every instance of the set,
    // empties every record-index slot, clears the password copy and the
    // record-index address and port, then logs the connection out. Always 0.
    int logout();

    // What the logged-in device can do, and what its user may do on a
    // channel: {"term": name, "channel": n} (device_abilities.h). False for
    // a request that does not parse and for an unknown term. They answer
    // from the connection's state at the moment of the call and take no
    // device lock: any thread, also inside the device's callbacks.
    bool has_ability(const char* json) const;
    bool has_authority(const char* json) const;

    // ---- Feature instances ----------------------------------------------

    // Takes the instance out of the set and stops and deletes it (a
    // synchronised playback member is only deactivated). An instance the
    // set does not hold is left alone. Always 0.
    int stop_instance(base_instance* instance);

    // The starters: create the instance with the device as owner, start it,
    // and on success insert it into the set and return it; null when the
    // start fails (nothing is left behind).
    base_instance* start_preview(const vl_preview_param* param);
    // {"channel", "index"} names a record of the record index.
    base_instance* start_download_by_file(
        const char* json, vl_json_callback callback, void* user, vl_data_callback data_callback);
    // Also "begin time", "end time" ("%d-%d-%d %d:%d:%d"), and in the copy
    // of the record "streamtype", "type", "new type" (at most 4 words) and,
    // for a record with texts, "record type arr".
    base_instance* start_download_by_time(
        const char* json, vl_json_callback callback, void* user, vl_data_callback data_callback);
    base_instance* start_talk(const char* json, vl_json_callback callback, void* user,
        vl_data_callback data_callback, vl_play_callback play_callback);
    // At most one face report per device: null while one runs or starts.
    base_instance* start_human_face_alarm_report(const vl_human_face_report_param* param);
    base_instance* start_human_face_param(const vl_human_face_param_param* param);

    // Runs `start` on an instance made for this device (by a start export
    // of its own) and inserts it on success (0); null otherwise, the
    // instance deleted. The pattern of every starter.
    template <class T, class Start> T* start_instance(std::unique_ptr<T> instance, Start&& start)
    {
        const uint64_t session = session_id();
        if (!instance || start(*instance) != vl_success)
            return nullptr;
        return static_cast<T*>(insert_started(std::move(instance), session));
    }
    // The session that instances made now belong to; a logout ends it.
    uint64_t session_id() const;
    // Inserts a started instance of `session` into the set; when that
    // session has ended, stops and deletes it and returns null.
    base_instance* insert_started(std::unique_ptr<base_instance> instance, uint64_t session);

    // A decoded frame of an instance of the set, fetched under the device
    // lock so that a logout cannot delete the instance meanwhile; null and
    // *held false when the set does not hold it.
    void* get_decoded_frame(base_instance* instance, bool* held);
    // Whether the set holds the instance, and how many it holds.
    bool holds_instance(const base_instance* instance) const;
    size_t instance_count() const;

    // ---- Reports and remote tests ---------------------------------------

    // A report of the parameter layer: type 7 goes to the remote-test
    // callback, message 35 of type 5 to the device report callback, each as
    // styled JSON; anything else, or no callback, calls nothing.
    void notify_param_report(int msg, int type, const Json::Value& value);
    // Parses json (vl_parse_json_error, callbacks unchanged), keeps the
    // callback and user as the remote-test callback and runs the test:
    // 0 when the runner answers 1 or more, else vl_fail.
    int remote_test(int command, const char* json, vl_report_callback callback, void* user);
    // The device report callback (vl_cms_register_callback).
    void set_report_callback(vl_report_callback callback, void* user);
    // Replaces the remote-test runner (tests); it must hold this device.
    void replace_remote_test_runner(std::unique_ptr<CParamRemoteTest> runner);

    // ---- Session facts --------------------------------------------------

    vlsdk::connection& conn() { return m_connection; }
    const vlsdk::connection& conn() const { return m_connection; }
    ::record_index& records() { return m_record_index; }
    // The label of the login ("ip or id"), which instances copy.
    std::string label() const;
    int login_handle() const { return m_connection.login_handle(); }

    std::string password() const;
    std::string record_address() const;
    int record_port() const;

    // The contexts the network SDK hands back to the PTZ controls and the
    // snapshot: pointers back to this device.
    void* ptz_context() const { return m_ptz_self; }
    void* new_ptz_context() const { return m_new_ptz_self; }
    void* snapshot_context() const { return m_snapshot_self; }

private:
    int logout_locked();
    // Stops and deletes, logging it as a logout does.
    void clear_instance(base_instance* instance);
    // Parses a download request; null when it does not parse or has no
    // "channel".
    base_instance* start_download(const char* json, vl_json_callback callback, void* user,
        vl_data_callback data_callback, bool by_file);

    std::string m_password; // the login password; empty when logged out
    ::record_index m_record_index;
    vlsdk::connection m_connection;
    device* const m_ptz_self = this;
    device* const m_new_ptz_self = this;
    device* const m_snapshot_self = this;

    mutable std::recursive_mutex m_lock;
    // Guarded by m_lock.
    std::map<base_instance*, base_instance*> m_instances;
    uint64_t m_session = 1; // counts logouts
    bool m_face_report_starting = false; // a face report is being started

    std::unique_ptr<CParamRemoteTest> m_remote_test;

    mutable std::mutex m_report_lock;
    // Guarded by m_report_lock.
    vl_report_callback m_remote_test_callback = nullptr;
    void* m_remote_test_user = nullptr;
    vl_report_callback m_report_callback = nullptr;
    void* m_report_user = nullptr;
};
