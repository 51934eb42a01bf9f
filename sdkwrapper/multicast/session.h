#pragma once
// multicast_session: the engine of one multicast operation (a search, an
// activation or an update of devices' network settings).
//
// One engine serves one operation and is driven by exactly one worker
// thread. A pass on that thread runs, in this order:
//   open_sockets()    one UDP socket per local IPv4 and IPv6 address, joined
//                     to the discovery groups; failures reach the callback as
//                     error objects {"msg": ..., "info": ...}
//   start_receive()   one receive armed on every socket
//   send_*_msg()      fresh key pair, the request on every socket, then the
//                     I/O loop until the time-out or close(); replies are
//                     queued meanwhile (reply_queue())
//   then the reply processing reads reply_queue() with key_pair().
// An update runs two passes on one engine, with clear_pass() between them.
//
// close() may come from any thread: it ends the pass that runs at that
// moment and no other. The engine's sockets, timer and lists are touched only
// on the worker; close() hands the work to the worker's I/O loop. The engine
// must outlive its worker: destroy it only after the worker has ended.
//
// The engine logs to "multi_log.txt" (multicast_log.h).
#include "multicast/datagram.h"
#include "multicast/envelope.h"
#include "multicast/multicast_log.h"
#include "multicast/records.h"
#include "sys/local_addresses.h"
#include "vl_sdk_wrapper.h"

#include <atomic>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Json
{
class Value;
}

namespace vlsdk
{

using vlsys::local_address;

// A caller's callback and the user value passed back with every call.
struct multicast_callback {
    vl_json_callback function = nullptr;
    void* user = nullptr;

    explicit operator bool() const { return function != nullptr; }
    // Calls it (when set) with a text; null marks the end of an operation.
    void call(const char* text) const
    {
        if (function)
            function(text, user);
    }
};

// One received reply waiting to be opened.
struct queued_reply {
    std::string reply_key; // pub_key of the datagram's Reply when that member is present, else empty
    std::string envelope; // enc_data of the Reply
    std::string sender_key; // pub_key of the datagram's Multicast: the device's key blob
};

// The reply a received datagram carries, as the engine queues it; nothing
// for a datagram of someone else's or one that holds no reply.
std::optional<queued_reply> queued_reply_of(std::string_view datagram);

// The two socket options whose outcome the engine reports instead of failing.
enum class socket_step { outbound_interface, join_group };

// What the engine takes from the host; tests replace either part.
struct multicast_environment {
    // The local addresses to open sockets on; unset: list_local_addresses().
    std::function<std::vector<local_address>()> local_addresses;
    // Called after each socket_step with its real outcome; a non-empty
    // result replaces that outcome (tests inject failures). Unset: none.
    std::function<boost::system::error_code(socket_step, const local_address&)> step_result;
};

class multicast_session
{
public:
    static constexpr std::int32_t kDefaultTimeoutMs = 3000;
    static constexpr std::int32_t kMaxTimeoutMs = 10000;
    static constexpr std::int32_t kDefaultDelayMs = 200;

    // group_v4 and group_v6 are the groups the sockets join; the requests go
    // to kMulticastGroupV4 and kMulticastGroupV6 on kMulticastPort. Opens the
    // log file (shared with the other engines). Throws only when the address
    // texts are not addresses.
    explicit multicast_session(const std::string& group_v4 = kMulticastGroupV4,
        const std::string& group_v6 = kMulticastGroupV6, multicast_environment environment = {});
    // Closes what is still open. The worker must have ended.
    ~multicast_session();
    multicast_session(const multicast_session&) = delete;
    multicast_session& operator=(const multicast_session&) = delete;

    // ---- Configuration, before the worker starts -------------------------
    // Each sets the function and the user value only when they are non-null.
    void set_search_callback(vl_json_callback callback, void* user);
    void set_activation_callback(vl_json_callback callback, void* user);
    void set_update_callback(vl_json_callback callback, void* user);
    const multicast_callback& search_callback() const { return m_search_callback; }
    const multicast_callback& activation_callback() const { return m_activation_callback; }
    const multicast_callback& update_callback() const { return m_update_callback; }

    // Milliseconds within which devices spread their answers (a negative
    // value is sent as 0).
    void set_delay(std::int32_t ms) { m_delay = ms; }
    std::int32_t delay() const { return m_delay; }
    // Length of each pass in milliseconds: 1 to 10000, anything else 3000.
    void set_timeout(std::int32_t ms);
    std::int32_t timeout() const { return m_timeout; }
    void set_must_understand(bool on) { m_must_understand = on; }
    bool must_understand() const { return m_must_understand; }
    // JSON text {"manu": ["116", ...]} (or null, or empty): the manufacturer
    // ids a search asks for.
    void set_manufacturer_list(std::string text) { m_manufacturer_list = std::move(text); }
    const std::string& manufacturer_list() const { return m_manufacturer_list; }

    // The device objects of an activation or update request ("data": a JSON
    // text, or an object, holding {"device": [...]}) become the entries;
    // also sets the callback, the user value, the delay and the time-out.
    // When "data" or an update's "info" does not parse (or holds values of
    // the wrong type), the callback (when set) gets {"msg":"parse json
    // error"} on this thread and the result is -1; else 0.
    int parse_activation_request(std::int32_t delay, std::int32_t timeout, const Json::Value& data,
        void* user, vl_json_callback callback);
    int parse_update_request(std::int32_t delay, std::int32_t timeout, const Json::Value& data, void* user,
        vl_json_callback callback);

    // Request entries in request order. The senders read them; a sender sets
    // the result of an entry it could not seal (activation 3 "key error",
    // update 4 "update failed"); the reports set results and nonces.
    std::vector<activation_entry>& activation_entries() { return m_activation_entries; }
    std::vector<update_entry>& update_entries() { return m_update_entries; }

    // ---- One pass, on the worker thread ----------------------------------
    void open_sockets();
    void start_receive();
    // Each sender makes a fresh key pair, sends its request on every socket
    // and runs the I/O loop; it returns when the pass has been closed (by the
    // time-out or by close()).
    void send_search_msg();
    void send_activate_msg();
    // First pass: digest of the password alone, no nonce. Second pass: the
    // digest of the password followed by the entry's nonce (when the device
    // gave one).
    void send_update_msg(bool second_pass);
    // Between the two passes of an update: drops the replies, the reply queue
    // and the key pair; entries (with their nonces), device records,
    // callbacks and settings stay.
    void clear_pass();

    // ---- From any thread -------------------------------------------------
    // Ends the pass that runs now: its sockets are closed and its I/O loop
    // stops, on the worker. Does nothing when no pass runs; never ends a
    // later pass. Returns at once.
    void close();
    // True from the moment a sender starts its pass until the pass is closed.
    bool running() const { return m_running_pass.load() != 0; }

    // ---- What a pass leaves, on the worker thread ------------------------
    std::vector<queued_reply>& reply_queue() { return m_reply_queue; }
    const x25519_key_pair& key_pair() const { return m_keys; }
    // Set by a search that asked for manufacturer "309", "310" or "313".
    bool extended_results() const { return m_extended_results; }
    std::vector<multicast_device_record>& device_records() { return m_device_records; }
    std::vector<activation_reply>& activation_replies() { return m_activation_replies; }
    std::vector<update_reply>& update_replies() { return m_update_replies; }
    std::size_t socket_count_v4() const { return m_sockets_v4.size(); }
    std::size_t socket_count_v6() const { return m_sockets_v6.size(); }

    // One error object {"msg": message, "info": the error's text} to the
    // first callback set, in the order activation, update, search.
    void report_error(const std::string& message, const boost::system::error_code& error);

    // ---- Reply processing and reports (replies.cpp, replies.h) -----------
    void process_replies();
    bool process_reply(
        const std::string& device_public_key, const std::string& envelope, const std::string& sender_key);
    // The opened envelope of a reply (a serialized DecReply) into the records
    // of this pass. False when it does not parse or holds no known reply.
    bool process_dec_reply(const std::string& plaintext, const std::string& sender_key);
    void report_search_results();
    void report_activation_results();
    void report_update_results(bool second_pass);

private:
    using udp = boost::asio::ip::udp;
    using socket_ptr = std::shared_ptr<udp::socket>;
    struct receive_slot;
    // The log lines of one sender (printf formats).
    struct send_lines {
        const char* start_v4; // sockets, destination address, port
        const char* attempt_v4; // local address, destination address, port, datagram size
        const char* exception_v4; // exception text
        const char* start_v6; // sockets
        const char* attempt_v6; // local address, datagram size
        const char* exception_v6; // exception text
    };

    bool open_socket(const local_address& local);
    void arm_receive(const socket_ptr& socket, bool v6);
    void handle_receive(const boost::system::error_code& error, std::size_t bytes,
        const std::shared_ptr<receive_slot>& slot, const socket_ptr& socket, bool v6);
    void handle_send(const boost::system::error_code& error, std::size_t bytes);
    void on_timeout(const boost::system::error_code& error, int pass);
    // Ends `pass` when it is still the one running; on the worker only.
    void close_pass(int pass);
    void make_key_pair();
    void run_pass(const send_lines& lines, const std::string& datagram);

    multicast_log_user m_log; // first: the log stays open until the last member is gone
    multicast_environment m_environment;
    boost::asio::io_context m_io;
    boost::asio::executor_work_guard<boost::asio::io_context::executor_type> m_work;
    boost::asio::steady_timer m_timer;
    boost::asio::ip::address m_group_v4;
    boost::asio::ip::address m_group_v6;
    udp::endpoint m_destination_v4;
    udp::endpoint m_destination_v6;
    std::vector<socket_ptr> m_sockets_v4;
    std::vector<socket_ptr> m_sockets_v6;

    x25519_key_pair m_keys;

    multicast_callback m_search_callback;
    multicast_callback m_activation_callback;
    multicast_callback m_update_callback;
    std::int32_t m_delay = kDefaultDelayMs;
    std::int32_t m_timeout = kDefaultTimeoutMs;
    bool m_must_understand = false;
    std::string m_manufacturer_list;
    bool m_extended_results = false;

    // Number of the pass that runs, 0 while none does. Passes are numbered
    // from 1 by the senders; close() reads it from other threads.
    std::atomic<int> m_running_pass { 0 };
    int m_pass = 0; // number of the last pass started (worker only)

    std::vector<activation_entry> m_activation_entries;
    std::vector<update_entry> m_update_entries;
    std::vector<activation_reply> m_activation_replies;
    std::vector<update_reply> m_update_replies;
    std::vector<queued_reply> m_reply_queue;
    std::vector<multicast_device_record> m_device_records;
};

} // namespace vlsdk
