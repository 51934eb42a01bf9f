#include "multicast/session.h"

#include "common/json.h"
#include "multicast/multicast.pb.h"
#include "sys/receive_buffer.h"

#include <algorithm>
#include <boost/asio/ip/multicast.hpp>
#include <boost/asio/post.hpp>
#include <chrono>
#include <exception>

namespace vlsdk
{

namespace asio = boost::asio;
namespace mc = boost::asio::ip::multicast;

// One receive: the buffer and the source endpoint the datagram fills, kept
// alive by the completion handler.
struct multicast_session::receive_slot {
    char data[kMaxDatagramSize] = {};
    udp::endpoint source;
};

multicast_session::multicast_session(
    const std::string& group_v4, const std::string& group_v6, multicast_environment environment)
    : m_environment(std::move(environment))
    , m_work(asio::make_work_guard(m_io))
    , m_timer(m_io)
    , m_group_v4(asio::ip::make_address(group_v4))
    , m_group_v6(asio::ip::make_address(group_v6))
    , m_destination_v4(asio::ip::make_address(kMulticastGroupV4), kMulticastPort)
    , m_destination_v6(asio::ip::make_address(kMulticastGroupV6), kMulticastPort)
{
}

multicast_session::~multicast_session()
{
    boost::system::error_code ignored;
    try {
        m_timer.cancel();
    } catch (const std::exception&) {
    }
    for (auto& socket : m_sockets_v4)
        socket->close(ignored);
    for (auto& socket : m_sockets_v6)
        socket->close(ignored);
    m_sockets_v4.clear();
    m_sockets_v6.clear();
    m_search_callback = {};
    m_activation_callback = {};
    m_update_callback = {};
    m_work.reset();
}

namespace
{
void set_callback(multicast_callback& target, vl_json_callback callback, void* user)
{
    if (callback)
        target.function = callback;
    if (user)
        target.user = user;
}
} // namespace

void multicast_session::set_search_callback(vl_json_callback callback, void* user)
{
    set_callback(m_search_callback, callback, user);
}

void multicast_session::set_activation_callback(vl_json_callback callback, void* user)
{
    set_callback(m_activation_callback, callback, user);
}

void multicast_session::set_update_callback(vl_json_callback callback, void* user)
{
    set_callback(m_update_callback, callback, user);
}

void multicast_session::set_timeout(std::int32_t ms)
{
    m_timeout = ms >= 1 && ms <= kMaxTimeoutMs ? ms : kDefaultTimeoutMs;
}

void multicast_session::report_error(const std::string& message, const boost::system::error_code& error)
{
    const multicast_callback* target = m_activation_callback ? &m_activation_callback
        : m_update_callback                                  ? &m_update_callback
        : m_search_callback                                  ? &m_search_callback
                                                             : nullptr;
    if (!target)
        return;
    Json::Value object(Json::objectValue);
    object["msg"] = message;
    object["info"] = error.message();
    const std::string text = vljson::write_styled(object);
    target->call(text.c_str());
}

// ---- Sockets ----------------------------------------------------------------

void multicast_session::open_sockets()
{
    const std::vector<local_address> addresses
        = m_environment.local_addresses ? m_environment.local_addresses() : vlsys::list_local_addresses();
    multicast_log("check native interface num %d \n", static_cast<int>(addresses.size()));
    for (const auto& local : addresses)
        if (!open_socket(local))
            return;
}

bool multicast_session::open_socket(const local_address& local)
{
    const bool v6 = local.address.is_v6();
    const std::string text = local.address.to_string();
    auto socket = std::make_shared<udp::socket>(m_io);
    try {
        socket->open(v6 ? udp::v6() : udp::v4());
        socket->set_option(udp::socket::reuse_address(true));
        socket->set_option(mc::enable_loopback(false));
        const int buffer = vlsys::size_receive_buffer(*socket);
        if (buffer < vlsys::kReceiveBufferBytes)
            multicast_log("receive buffer of address %s: %d bytes \n", text.c_str(), buffer);
        // IPv4 sockets send from their own address; an IPv6 socket takes its
        // address from the outbound interface.
        socket->bind(v6 ? udp::endpoint(asio::ip::address_v6::any(), 0) : udp::endpoint(local.address, 0));
    } catch (const boost::system::system_error& e) {
        // An address that vanished or cannot be bound: that address gets no
        // socket, the others still do.
        multicast_log("open socket on address %s failed: %s \n", text.c_str(), e.what());
        report_error(v6 ? "Failed to open V6 socket" : "Failed to open V4 socket", e.code());
        return true;
    }

    boost::system::error_code outbound;
    boost::system::error_code join;
    if (v6) {
        // A global address has no scope id; its interface is the one that
        // holds it.
        const unsigned long scope = local.address.to_v6().scope_id();
        const unsigned int index = scope != 0 ? static_cast<unsigned int>(scope) : local.interface_index;
        socket->set_option(mc::outbound_interface(index), outbound);
        socket->set_option(mc::join_group(m_group_v6.to_v6(), m_group_v6.to_v6().scope_id()), join);
    } else {
        socket->set_option(mc::outbound_interface(local.address.to_v4()), outbound);
        socket->set_option(mc::join_group(m_group_v4.to_v4(), local.address.to_v4()), join);
    }
    if (m_environment.step_result) {
        if (auto e = m_environment.step_result(socket_step::outbound_interface, local))
            outbound = e;
        if (auto e = m_environment.step_result(socket_step::join_group, local))
            join = e;
    }

    if (!outbound && !join) {
        multicast_log(v6 ? "Have bind address v6 %s \n" : "Have bind address %s \n", text.c_str());
        (v6 ? m_sockets_v6 : m_sockets_v4).push_back(std::move(socket));
        return true;
    }
    multicast_log(v6 ? "bind interface address v6 %s bind message %s join group message %s \n"
                     : "bind interface address %s bind message %s join group message %s \n",
        text.c_str(), outbound.message().c_str(), join.message().c_str());
    if (join)
        report_error(v6 ? "Failed to join V6 multicast group" : "Failed to join V4 multicast group", join);
    if (outbound)
        report_error(v6 ? "Failed to bind V6 interface" : "Failed to bind V4 interface", outbound);
    boost::system::error_code ignored;
    socket->close(ignored);
    // The addresses after a failing one get no socket in this pass.
    return false;
}

void multicast_session::start_receive()
{
    for (const auto& socket : m_sockets_v4)
        arm_receive(socket, false);
    for (const auto& socket : m_sockets_v6)
        arm_receive(socket, true);
}

void multicast_session::arm_receive(const socket_ptr& socket, bool v6)
{
    auto slot = std::make_shared<receive_slot>();
    socket->async_receive_from(asio::buffer(slot->data), slot->source,
        [this, slot, socket, v6](const boost::system::error_code& error, std::size_t bytes) {
            handle_receive(error, bytes, slot, socket, v6);
        });
}

std::optional<queued_reply> queued_reply_of(std::string_view datagram)
{
    multicast::Multicast message;
    if (decode_datagram(datagram, message) == datagram_status::no_prefix)
        return std::nullopt;
    // A message that does not parse whole keeps what was read before the
    // fault; a reply with a key or sealed data in it is still worth opening.
    const multicast::Multicast::Reply& reply = message.content_case() == multicast::Multicast::kReply
        ? message.reply()
        : multicast::Multicast::Reply::default_instance();
    const bool has_key = reply.key_case() == multicast::Multicast::Reply::kPubKey;
    if (!has_key && reply.enc_data().empty())
        return std::nullopt;
    return queued_reply { has_key ? reply.pub_key() : std::string(), reply.enc_data(), message.pub_key() };
}

void multicast_session::handle_receive(const boost::system::error_code& error, std::size_t bytes,
    const std::shared_ptr<receive_slot>& slot, const socket_ptr& socket, bool v6)
{
    if (error) {
        multicast_log("Recv message error,socket %p message %s \n", static_cast<void*>(socket.get()),
            error.message().c_str());
        return;
    }
    // The pass that opened this socket has ended; the datagram came too late
    // for it and belongs to no later pass.
    if (!socket->is_open())
        return;
    // A longer datagram arrives cut to the buffer and is read as far as it goes.
    const std::string_view datagram(slot->data, std::min(bytes, sizeof slot->data));
    if (auto queued = queued_reply_of(datagram))
        m_reply_queue.push_back(std::move(*queued));
    arm_receive(socket, v6);
}

void multicast_session::handle_send(const boost::system::error_code& error, std::size_t bytes)
{
    if (error)
        multicast_log("[SEND_FAIL] Send error message: %s (error code: %d) Bytes: %zu\n",
            error.message().c_str(), error.value(), bytes);
    else
        multicast_log("[SEND_OK] Sent %zu bytes\n", bytes);
}

// ---- Passes -----------------------------------------------------------------

void multicast_session::make_key_pair()
{
    if (!m_keys.make())
        multicast_log("[KEY_FAIL] no key pair could be made; devices cannot answer this request\n");
}

void multicast_session::run_pass(const send_lines& lines, const std::string& datagram)
{
    // A loop stopped by the previous pass runs again; a close queued for that
    // pass is ignored when it runs (it carries that pass's number).
    if (m_io.stopped())
        m_io.restart();
    const int pass = ++m_pass;
    m_running_pass.store(pass);
    try {
        m_timer.expires_after(std::chrono::milliseconds(m_timeout));
        m_timer.async_wait([this, pass](const boost::system::error_code& error) { on_timeout(error, pass); });
    } catch (const std::exception& e) {
        // Without its deadline the pass would only end by a stop: end it now.
        multicast_log("[TIMER_FAIL] %s\n", e.what());
        close_pass(pass);
    }

    auto send_on = [&](const std::vector<socket_ptr>& sockets, const udp::endpoint& destination,
                       const char* exception_line, const auto& log_attempt) {
        for (const auto& socket : sockets) {
            try {
                log_attempt(socket->local_endpoint().address().to_string());
                auto copy = std::make_shared<const std::string>(datagram);
                socket->async_send_to(asio::buffer(*copy), destination,
                    [this, copy](const boost::system::error_code& error, std::size_t bytes) {
                        handle_send(error, bytes);
                    });
            } catch (const std::exception& e) {
                multicast_log(exception_line, e.what());
            }
        }
    };
    const std::string destination_v4 = m_destination_v4.address().to_string();
    const unsigned port = m_destination_v4.port();
    multicast_log(lines.start_v4, m_sockets_v4.size(), destination_v4.c_str(), port);
    send_on(m_sockets_v4, m_destination_v4, lines.exception_v4, [&](const std::string& local) {
        multicast_log(lines.attempt_v4, local.c_str(), destination_v4.c_str(), port, datagram.size());
    });
    multicast_log(lines.start_v6, m_sockets_v6.size());
    send_on(m_sockets_v6, m_destination_v6, lines.exception_v6,
        [&](const std::string& local) { multicast_log(lines.attempt_v6, local.c_str(), datagram.size()); });

    try {
        m_io.run();
    } catch (const std::exception& e) {
        multicast_log("[LOOP_FAIL] %s\n", e.what());
        close_pass(pass);
    }
}

void multicast_session::on_timeout(const boost::system::error_code& error, int pass)
{
    // A cancelled wait is no deadline: after a stop it may run only once the
    // next pass has begun, and must not end that one.
    if (error == asio::error::operation_aborted)
        return;
    close_pass(pass);
}

void multicast_session::close()
{
    const int pass = m_running_pass.load();
    if (pass == 0)
        return;
    // The sockets are not safe for use from two threads: the worker closes them.
    asio::post(m_io, [this, pass] { close_pass(pass); });
}

void multicast_session::close_pass(int pass)
{
    int expected = pass;
    if (!m_running_pass.compare_exchange_strong(expected, 0))
        return;
    boost::system::error_code ignored;
    for (const auto& socket : m_sockets_v4) {
        socket->set_option(mc::leave_group(m_group_v4.to_v4()), ignored);
        socket->close(ignored);
    }
    for (const auto& socket : m_sockets_v6) {
        socket->set_option(mc::leave_group(m_group_v6.to_v6(), 0), ignored);
        socket->close(ignored);
    }
    m_sockets_v4.clear();
    m_sockets_v6.clear();
    try {
        m_timer.cancel();
    } catch (const std::exception& e) {
        multicast_log("[TIMER_FAIL] %s\n", e.what());
    }
    m_io.stop();
}

void multicast_session::clear_pass()
{
    m_update_replies.clear();
    m_activation_replies.clear();
    m_reply_queue.clear();
    m_keys.reset();
}

} // namespace vlsdk
