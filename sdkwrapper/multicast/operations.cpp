#include "multicast/operations.h"

#include "common/json.h"
#include "multicast/base64.h"

#include <cmath>
#include <exception>
#include <limits>
#include <new>
#include <system_error>

namespace vlsdk
{

// ---- Manufacturer table -----------------------------------------------------

const std::array<manufacturer_row, 15>& manufacturer_table()
{
    // Customers name their makers by short codes of their own; the devices
    // only know the ids. Two customers' codes lead to one maker ("313").
    static const std::array<manufacturer_row, 15> table { {
        { "ALD", "116" },
        { "BRV", "" },
        { "CNX", "144" },
        { "DLT", "148" },
        { "EKO", "221" },
        { "FNX", "199" },
        { "GRD", "313" },
        { "GRD2", "313" },
        { "HLX", "309" },
        { "IRS", "43" },
        { "JVN", "142" },
        { "KST", "253" },
        { "LMN", "440" },
        { "MRV", "378" },
        { "NVT", "448" },
    } };
    return table;
}

std::string map_manufacturer(const std::string& element)
{
    for (const auto& row : manufacturer_table())
        if (element == row.code)
            return row.id;
    return element;
}

// ---- Reading requests -------------------------------------------------------

namespace
{

constexpr const char* kParseErrorText = "{\"msg\":\"parse json error\"}";

// Requests of the multicast operations take each member in its own type
// only: a text where a number is meant makes the request unreadable. Null
// members count as absent.
vljson::reader request_reader(const Json::Value& object)
{
    return vljson::reader(object, vljson::policy::exact);
}

// The top level of every request: an object.
bool parse_top(const char* request, Json::Value& root)
{
    return vljson::parse(request, root) && root.isObject();
}

// A member that holds a JSON document: a text to parse, or (for callers
// that build the document in place) the object itself.
bool nested_object(const Json::Value* member, Json::Value& out)
{
    if (!member)
        return false;
    if (member->isObject()) {
        out = *member;
        return true;
    }
    return member->isString() && vljson::parse(member->asCString(), out) && out.isObject();
}

// The "device" array of a parsed "data" document; absent or empty gives none.
bool device_list(const Json::Value& data, Json::Value& out)
{
    const Json::Value* devices = request_reader(data).get("device");
    if (!devices) {
        out = Json::Value(Json::arrayValue);
        return true;
    }
    if (!devices->isArray())
        return false;
    for (const auto& d : *devices)
        if (!d.isObject())
            return false;
    out = *devices;
    return true;
}

bool read_settings(const Json::Value& info, multicast_device_record& s)
{
    vljson::reader r = request_reader(info);
    s.wired_ip = r.text("wired ip");
    s.dev_type = r.text("dev type");
    s.software_version = r.text("software");
    s.dev_name = r.text("dev name");
    s.mac = r.text("mac");
    s.manufacture = r.text("manufacture");
    s.p2pid = r.text("p2pid");
    s.wired_mask = r.text("wired mask");
    s.wired_gw = r.text("wired gateway");
    s.wired_dns1 = r.text("wired dns1");
    s.wired_dns2 = r.text("wired dns2");
    s.wireless_ip = r.text("wireless ip");
    s.ip6_link_local = r.text("ipv6");
    s.rtsp_port = r.number<std::uint32_t>("rtsp port");
    s.channel_num = r.number<std::uint32_t>("channel num");
    s.analog_num = r.number<std::uint32_t>("analog num");
    s.category = r.number<std::int32_t>("category");
    s.web_port = r.number<std::uint32_t>("web port");
    s.media_port = r.number<std::uint32_t>("media port");
    s.dhcp = r.text("dhcp");
    s.wired_connect = r.flag("wired connect");
    s.is_enable_wifi = r.flag("enable wifi");
    s.wifi_connect = r.flag("wifi connect");
    s.activated = r.flag("activate");
    s.support_sta = r.flag("support sta");
    s.support_ap = r.flag("support ap");
    s.net_card = r.text("net card");
    s.cloud_switch = r.flag("cloud switch");
    return r.ok();
}

// The device objects of a parsed "data" member, each read into an entry by
// `read_entry`, appended to `out`. All or nothing: a device object that
// fails leaves no entry behind, not even those of the objects before it,
// and the callback gets the parse error.
template <class Entry, class Read>
int read_entries(
    const Json::Value& data, const multicast_callback& callback, std::vector<Entry>& out, Read read_entry)
{
    auto fail = [&] {
        callback.call(kParseErrorText);
        return -1;
    };
    Json::Value document;
    Json::Value devices;
    if (!nested_object(&data, document) || !device_list(document, devices))
        return fail();
    std::vector<Entry> entries;
    for (const auto& device : devices) {
        Entry e;
        if (!read_entry(device, e))
            return fail();
        entries.push_back(std::move(e));
    }
    for (auto& e : entries)
        out.push_back(std::move(e));
    return 0;
}

} // namespace

int multicast_session::parse_activation_request(
    std::int32_t delay, std::int32_t timeout, const Json::Value& data, void* user, vl_json_callback callback)
{
    set_activation_callback(callback, user);
    set_delay(delay);
    set_timeout(timeout);
    return read_entries(data, m_activation_callback, m_activation_entries,
        [](const Json::Value& device, activation_entry& e) {
            vljson::reader r = request_reader(device);
            e.id = r.text("id");
            e.key = r.text("key");
            e.password = r.text("password");
            e.conn_ipc_pwd = r.text("conn ipc pwd");
            // Flags are true only when given as true; the client type is 0 or 1,
            // anything else reads as 0.
            vljson::reader loose(device, vljson::policy::exact_or_absent);
            e.sync_onvif = loose.flag("sync onvif");
            e.is_sync_pwd = loose.flag("is sync pwd");
            e.client_type = loose.number<long long>("client type") == 1 ? 1 : 0;
            e.result = kActivationNoResponse;
            return r.ok();
        });
}

int multicast_session::parse_update_request(
    std::int32_t delay, std::int32_t timeout, const Json::Value& data, void* user, vl_json_callback callback)
{
    set_update_callback(callback, user);
    set_delay(delay);
    set_timeout(timeout);
    return read_entries(
        data, m_update_callback, m_update_entries, [](const Json::Value& device, update_entry& e) {
            vljson::reader r = request_reader(device);
            e.id = r.text("id");
            e.key = r.text("key");
            e.password = r.text("password");
            e.username = r.text("username");
            e.result = kUpdateNoResponse;
            Json::Value info;
            return r.ok() && nested_object(r.get("info"), info) && read_settings(info, e.settings);
        });
}

// ---- Start ------------------------------------------------------------------

namespace
{

enum class operation { search, activation, update };

// The parts of the top level every operation reads.
struct top_level {
    Json::Value root;
    std::int32_t delay = 0;
    std::int32_t timeout = multicast_session::kDefaultTimeoutMs;
};

bool read_top_level(const char* request, top_level& top)
{
    if (!parse_top(request, top.root))
        return false;
    // Any number, held to the 32-bit range.
    vljson::reader r = request_reader(top.root);
    r.read_clamped("delay", top.delay);
    r.read_clamped("timeout", top.timeout);
    return r.ok();
}

std::unique_ptr<multicast_session> new_session(multicast_environment environment)
{
    return std::make_unique<multicast_session>(kMulticastGroupV4, kMulticastGroupV6, std::move(environment));
}

const char* name_of(operation op)
{
    return op == operation::search ? "search" : op == operation::activation ? "activation" : "update";
}

void (*procedure_of(operation op))(multicast_handle*)
{
    return op == operation::search    ? multi_search_thread
        : op == operation::activation ? multi_activate_thread
                                      : multi_update_thread;
}

multicast_handle* start(std::unique_ptr<multicast_session> engine, operation op)
{
    if (!engine)
        return nullptr;
    auto* handle = new multicast_handle;
    handle->engine = std::move(engine);
    try {
        handle->worker = std::make_unique<std::thread>(procedure_of(op), handle);
    } catch (const std::exception& e) {
        // No thread, no operation: the caller gets null and no callback.
        multicast_log("[START_FAIL] the %s cannot start its thread: %s\n", name_of(op), e.what());
        handle->worker.reset();
        multi_handle_destroy(handle);
        return nullptr;
    }
    return handle;
}

// The handle whose worker this thread is; null on other threads.
thread_local const multicast_handle* t_operation = nullptr;

// Runs the steps of one operation. Whatever goes wrong inside, the caller
// is told and still gets the null text that ends every started operation.
template <class Steps>
void run_operation(multicast_handle* handle, const multicast_callback& callback, operation op, Steps&& steps)
{
    t_operation = handle;
    bool ended = false;
    try {
        steps(ended);
    } catch (const std::exception& e) {
        multicast_log("[OPERATION_FAIL] the %s stopped: %s\n", name_of(op), e.what());
        try {
            Json::Value object(Json::objectValue);
            object["msg"] = "Multicast operation failed";
            object["info"] = e.what();
            callback.call(vljson::write_styled(object).c_str());
        } catch (const std::exception&) {
        }
    }
    if (!ended)
        callback.call(nullptr);
    t_operation = nullptr;
}

} // namespace

std::unique_ptr<multicast_session> make_search_session(
    const char* request, vl_json_callback callback, void* user, multicast_environment environment)
{
    top_level top;
    if (!read_top_level(request, top))
        return nullptr;
    vljson::reader r = request_reader(top.root);
    const bool must_understand = r.flag("must understand");
    Json::Value manu(Json::arrayValue);
    if (const Json::Value* list = r.get("manufactures")) {
        if (!list->isArray())
            return nullptr;
        for (Json::ArrayIndex i = 0; i < list->size() && i < kMaxManufacturers; ++i) {
            const Json::Value& element = (*list)[i];
            // An id may come as a number; a list or an object is no id.
            if (!element.isString() && !element.isNumeric())
                return nullptr;
            manu.append(map_manufacturer(element.asString()));
        }
    }
    if (!r.ok())
        return nullptr;
    Json::Value list_object(Json::nullValue);
    if (!manu.empty())
        list_object["manu"] = manu;

    auto engine = new_session(std::move(environment));
    engine->set_search_callback(callback, user);
    engine->set_manufacturer_list(vljson::write_styled(list_object));
    engine->set_delay(top.delay);
    engine->set_must_understand(must_understand);
    engine->set_timeout(top.timeout);
    return engine;
}

namespace
{

// An activation or an update: the device list of "data" becomes the
// engine's entries through `parse`.
std::unique_ptr<multicast_session> make_entries_session(const char* request, vl_json_callback callback,
    void* user, multicast_environment environment,
    int (multicast_session::*parse)(std::int32_t, std::int32_t, const Json::Value&, void*, vl_json_callback))
{
    top_level top;
    if (!read_top_level(request, top))
        return nullptr;
    // An absent "data" is an empty text, which does not parse.
    const Json::Value* data = request_reader(top.root).get("data");
    const Json::Value empty_text("");
    auto engine = new_session(std::move(environment));
    if (((*engine).*parse)(top.delay, top.timeout, data ? *data : empty_text, user, callback) != 0)
        return nullptr;
    return engine;
}

} // namespace

std::unique_ptr<multicast_session> make_activation_session(
    const char* request, vl_json_callback callback, void* user, multicast_environment environment)
{
    return make_entries_session(
        request, callback, user, std::move(environment), &multicast_session::parse_activation_request);
}

std::unique_ptr<multicast_session> make_update_session(
    const char* request, vl_json_callback callback, void* user, multicast_environment environment)
{
    return make_entries_session(
        request, callback, user, std::move(environment), &multicast_session::parse_update_request);
}

multicast_handle* multi_search_start(
    const char* request, vl_json_callback callback, void* user, multicast_environment environment)
{
    return start(make_search_session(request, callback, user, std::move(environment)), operation::search);
}

multicast_handle* multi_activate_start(
    const char* request, vl_json_callback callback, void* user, multicast_environment environment)
{
    return start(
        make_activation_session(request, callback, user, std::move(environment)), operation::activation);
}

multicast_handle* multi_update_start(
    const char* request, vl_json_callback callback, void* user, multicast_environment environment)
{
    return start(make_update_session(request, callback, user, std::move(environment)), operation::update);
}

// ---- Worker -----------------------------------------------------------------

namespace
{

// One pass on the worker: the sockets, the request `send` sends, the I/O
// loop until the pass ends, then the replies.
template <class Send> void run_one_pass(multicast_session& e, Send&& send)
{
    e.open_sockets();
    e.start_receive();
    send();
    e.process_replies();
}

} // namespace

void multi_search_thread(multicast_handle* handle)
{
    if (!handle || !handle->engine)
        return;
    multicast_session& e = *handle->engine;
    run_operation(handle, e.search_callback(), operation::search, [&](bool& ended) {
        run_one_pass(e, [&] { e.send_search_msg(); });
        e.report_search_results();
        ended = true;
    });
}

void multi_activate_thread(multicast_handle* handle)
{
    if (!handle || !handle->engine)
        return;
    multicast_session& e = *handle->engine;
    run_operation(handle, e.activation_callback(), operation::activation, [&](bool& ended) {
        run_one_pass(e, [&] { e.send_activate_msg(); });
        e.report_activation_results();
        ended = true;
    });
}

void multi_update_thread(multicast_handle* handle)
{
    if (!handle || !handle->engine)
        return;
    multicast_session& e = *handle->engine;
    run_operation(handle, e.update_callback(), operation::update, [&](bool& ended) {
        // First pass: the devices answer "need auth" with a nonce each.
        run_one_pass(e, [&] { e.send_update_msg(false); });
        e.report_update_results(false);
        e.clear_pass();
        // Second pass: the password digest bound to each device's nonce.
        run_one_pass(e, [&] { e.send_update_msg(true); });
        e.report_update_results(true);
        ended = true;
    });
}

bool on_worker_of(const multicast_handle* handle)
{
    return handle && t_operation == handle;
}

// ---- Stop -------------------------------------------------------------------

int multi_handle_stop(multicast_handle* handle)
{
    if (!handle)
        return 0;
    if (handle->engine && handle->engine->running())
        handle->engine->close();
    if (handle->worker) {
        if (handle->worker->joinable())
            handle->worker->join();
        handle->worker.reset();
    }
    handle->engine.reset();
    return 0;
}

void multi_handle_destroy(multicast_handle* handle)
{
    if (!handle)
        return;
    multi_handle_stop(handle);
    delete handle;
}

int multi_handle_stop_export(multicast_handle* handle)
{
    // A thread cannot wait for itself: a stop from inside the operation's
    // own callback is refused and changes nothing.
    if (!handle || on_worker_of(handle))
        return -1;
    multi_handle_destroy(handle);
    return 0;
}

} // namespace vlsdk
