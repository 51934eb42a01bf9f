#include "core/device.h"

#include "common/json.h"
#include "core/log.h"
#include "instances/download_record.h"
#include "instances/human_face_alarm_report.h"
#include "instances/human_face_remote_param.h"
#include "instances/preview.h"
#include "instances/talk.h"
#include "params/CParamRemoteTest.h"

#include <cstdio>
#include <limits>

namespace
{

// A record time from "%d-%d-%d %d:%d:%d"; fields not read stay 0.
record_time read_record_time(const std::string& text)
{
    int v[6] = {};
    std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
    record_time t {};
    t.year = uint16_t(v[0]);
    t.month = uint8_t(v[1]);
    t.day = uint8_t(v[2]);
    t.hour = uint8_t(v[3]);
    t.minute = uint8_t(v[4]);
    t.second = uint8_t(v[5]);
    return t;
}

// The type words a download passes on: at most four, from "new type".
constexpr unsigned kTypeWords = 4;

// Overrides a download by time takes from its request into its copy of the
// record. False for a value of the wrong type.
template <class R> bool apply_time_overrides(const Json::Value& root, int32_t& stream_type, R& record)
{
    vljson::reader r(root, vljson::policy::convert);
    r.read("streamtype", stream_type);
    r.read("type", record.record_type);
    if (!r.ok())
        return false;
    const Json::Value& words = vljson::member(root, "new type");
    if (words.isNull())
        return true;
    if (!words.isArray())
        return false;
    for (Json::ArrayIndex i = 0; i < words.size() && i < kTypeWords; ++i) {
        if (!words[i].isUInt())
            return false;
        record.type_words[i] = words[i].asUInt();
    }
    return true;
}

} // namespace

device::device(const vlsdk::vlnet_calls& calls)
    : m_connection(this, calls)
    , m_remote_test(std::make_unique<CParamRemoteTest>(this))
{
}

device::~device()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    logout_locked();
    m_remote_test.reset();
    m_connection.destroy();
    m_record_index.clear();
}

int device::login(const vl_login_param& param)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    logout_locked();
    const int result = m_connection.login(param);
    m_password = m_connection.password();
    m_record_index.set_identity(m_connection.address(), m_connection.port());
    return result;
}

int device::logout()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return logout_locked();
}

int device::logout_locked()
{
    // Taken out first: an instance's stop may reach the device again.
    auto instances = std::move(m_instances);
    m_instances.clear();
    for (auto& entry : instances)
        clear_instance(entry.first);
    ++m_session;
    m_record_index.clear_records();
    m_record_index.clear_identity();
    m_password.clear();
    return m_connection.logout();
}

void device::clear_instance(base_instance* instance)
{
    write_log("dev:%p, this:%p, [%s] call <logout_clear_instance> name:%s\n", static_cast<void*>(this),
        static_cast<void*>(this), m_connection.label().c_str(), instance->class_name().c_str());
    instance->stop();
    delete instance;
}

std::string device::label() const
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_connection.label();
}

std::string device::password() const
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_password;
}

std::string device::record_address() const
{
    return m_record_index.label();
}

int device::record_port() const
{
    return m_record_index.port();
}

// ---- Feature instances ------------------------------------------------------

int device::stop_instance(base_instance* instance)
{
    if (!instance)
        return vl_success;
    {
        std::lock_guard<std::recursive_mutex> hold(m_lock);
        if (!m_instances.erase(instance))
            return vl_success;
    }
    if (instance->is_sync_play()) {
        // The group still owns it, and stops and deletes it.
        instance->deactivate();
        return vl_success;
    }
    instance->stop();
    delete instance;
    return vl_success;
}

uint64_t device::session_id() const
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_session;
}

base_instance* device::insert_started(std::unique_ptr<base_instance> instance, uint64_t session)
{
    if (!instance)
        return nullptr;
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (session != m_session) {
        // The device logged out while it started: no set would ever stop it.
        clear_instance(instance.release());
        return nullptr;
    }
    base_instance* raw = instance.get();
    m_instances.emplace(raw, raw);
    return instance.release();
}

void* device::get_decoded_frame(base_instance* instance, bool* held)
{
    // Held across the fetch: a logout deletes instances under this lock.
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (!m_instances.count(instance)) {
        *held = false;
        return nullptr;
    }
    *held = true;
    return instance->get_decoded_frame();
}

bool device::holds_instance(const base_instance* instance) const
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_instances.count(const_cast<base_instance*>(instance)) != 0;
}

size_t device::instance_count() const
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_instances.size();
}

base_instance* device::start_preview(const vl_preview_param* param)
{
    return start_instance(std::make_unique<preview>(this), [&](preview& p) { return p.start(param); });
}

base_instance* device::start_talk(const char* json, vl_json_callback callback, void* user,
    vl_data_callback data_callback, vl_play_callback play_callback)
{
    return start_instance(std::make_unique<talk>(this),
        [&](talk& t) { return t.start(json, callback, user, data_callback, play_callback); });
}

base_instance* device::start_download_by_file(
    const char* json, vl_json_callback callback, void* user, vl_data_callback data_callback)
{
    return start_download(json, callback, user, data_callback, true);
}

base_instance* device::start_download_by_time(
    const char* json, vl_json_callback callback, void* user, vl_data_callback data_callback)
{
    return start_download(json, callback, user, data_callback, false);
}

base_instance* device::start_download(
    const char* json, vl_json_callback callback, void* user, vl_data_callback data_callback, bool by_file)
{
    Json::Value root;
    if (!json || !vljson::parse(json, root) || !vljson::has(root, "channel"))
        return nullptr;
    vljson::reader request(root, vljson::policy::convert);
    uint32_t index = 0;
    uint32_t channel = 0;
    request.read("index", index);
    request.read("channel", channel);
    if (!request.ok())
        return nullptr;
    const int slot_channel = channel < uint32_t(kRecordIndexChannels) ? int(channel) : -1;

    // The record, of whichever kind the channel's day search stored.
    record_descriptor basic {};
    record_descriptor_ex ex {};
    record_descriptor_arr arr {};
    // Copies of the record's texts: the slot's own go with its next store.
    record_texts texts;
    int kind = 0;
    if (m_record_index.find_record(slot_channel, index, &basic))
        kind = 0;
    else if (m_record_index.find_record_ex(slot_channel, index, &ex))
        kind = 1;
    else if (m_record_index.find_record_arr(slot_channel, index, &arr, &texts))
        kind = 2;
    else
        return nullptr;

    uint64_t bytes = 0;
    std::string record_type_text;
    if (!by_file) {
        const record_time begin = read_record_time(request.text("begin time"));
        const record_time end = read_record_time(request.text("end time"));
        if (!request.ok())
            return nullptr;
        bool ok = true;
        if (kind == 0)
            ok = apply_time_overrides(root, basic.stream_type, basic.record);
        else if (kind == 1)
            ok = apply_time_overrides(root, ex.stream_type, ex.record);
        else
            ok = apply_time_overrides(root, arr.stream_type, arr.record);
        if (!ok)
            return nullptr;
        const Json::Value& types = vljson::member(root, "record type arr");
        if (kind == 2 && types.isArray()) {
            record_type_text = vljson::write_compact(types);
            arr.record.record_type_json = record_type_text.c_str();
        }
        if (const record_index_slot* slot = m_record_index.slot(slot_channel)) {
            bytes = kind == 0 ? slot->bytes_in_range(begin, end)
                : kind == 1   ? slot->bytes_in_range_ex(begin, end)
                              : slot->bytes_in_range_arr(begin, end);
        }
    }

    const void* descriptor = kind == 0 ? static_cast<const void*>(&basic)
        : kind == 1                    ? static_cast<const void*>(&ex)
                                       : static_cast<const void*>(&arr);
    return start_instance(std::make_unique<download_record>(this, m_connection), [&](download_record& d) {
        return d.start(
            descriptor, json, callback, user, by_file, kind == 1, bytes, data_callback, kind == 2 ? 3 : 0);
    });
}

base_instance* device::start_human_face_alarm_report(const vl_human_face_report_param* param)
{
    if (!param)
        return nullptr;
    uint64_t session = 0;
    {
        // The one report of the device is reserved until it is in the set
        // or has failed, so two starts at once cannot both pass.
        std::lock_guard<std::recursive_mutex> hold(m_lock);
        if (m_face_report_starting)
            return nullptr;
        for (const auto& entry : m_instances) {
            if (entry.first->type() == instance_type::human_face_alarm_report)
                return nullptr;
        }
        m_face_report_starting = true;
        session = m_session;
    }
    struct reservation {
        device& dev;
        ~reservation()
        {
            std::lock_guard<std::recursive_mutex> hold(dev.m_lock);
            dev.m_face_report_starting = false;
        }
    } reserved { *this };
    auto report = std::make_unique<human_face_alarm_report>(this);
    if (report->start(param) != vl_success)
        return nullptr;
    return insert_started(std::move(report), session);
}

base_instance* device::start_human_face_param(const vl_human_face_param_param* param)
{
    if (!param)
        return nullptr;
    return start_instance(std::make_unique<human_face_remote_param>(this),
        [&](human_face_remote_param& p) { return p.start(param); });
}

// ---- Reports and remote tests -------------------------------------------------

void device::notify_param_report(int msg, int type, const Json::Value& value)
{
    vl_report_callback callback = nullptr;
    void* user = nullptr;
    {
        std::lock_guard<std::mutex> hold(m_report_lock);
        if (type == 7 && m_remote_test_callback) {
            callback = m_remote_test_callback;
            user = m_remote_test_user;
        } else if (msg == 35 && type == 5 && m_report_callback) {
            callback = m_report_callback;
            user = m_report_user;
        }
    }
    if (!callback)
        return;
    const std::string text = vljson::write_styled(value);
    callback(msg, text.c_str(), user);
}

int device::remote_test(int command, const char* json, vl_report_callback callback, void* user)
{
    Json::Value root;
    if (!json || !vljson::parse(json, root))
        return vl_parse_json_error;
    {
        std::lock_guard<std::mutex> hold(m_report_lock);
        m_remote_test_callback = callback;
        m_remote_test_user = user;
    }
    return m_remote_test->RemoteTest(command, root) >= 1 ? vl_success : vl_fail;
}

void device::set_report_callback(vl_report_callback callback, void* user)
{
    std::lock_guard<std::mutex> hold(m_report_lock);
    m_report_callback = callback;
    m_report_user = user;
}

void device::replace_remote_test_runner(std::unique_ptr<CParamRemoteTest> runner)
{
    m_remote_test = std::move(runner);
}
