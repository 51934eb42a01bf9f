#include "commands.h"

#include "decode.h"
#include "netlog.h"
#include "wire.h"

#include <array>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>

namespace vlnet
{

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace
{

template <std::size_t N> std::string slotText(const char (&slot)[N])
{
    return std::string(slot, strnlen(slot, N));
}

// One connection that the caller's thread drives itself, each step bounded
// in time: the network change is a single request outside any session, so
// it needs neither the I/O thread nor a callback thread.
class OneShot
{
public:
    OneShot()
        : m_socket(m_io)
    {
    }

    bool connect(const tcp::endpoint& to, Clock::time_point deadline)
    {
        bool done = false;
        boost::system::error_code error;
        m_socket.async_connect(to, [&](boost::system::error_code ec) {
            done = true;
            error = ec;
        });
        return wait(done, deadline) && !error;
    }

    bool write(const std::vector<std::uint8_t>& frame, Clock::time_point deadline)
    {
        bool done = false;
        boost::system::error_code error;
        asio::async_write(m_socket, asio::buffer(frame), [&](boost::system::error_code ec, std::size_t) {
            done = true;
            error = ec;
        });
        return wait(done, deadline) && !error;
    }

    // The next whole frame; nothing on a closed connection, a peer that
    // does not speak the protocol, or the deadline.
    std::optional<std::pair<vlwire::Header, Bytes>> read(Clock::time_point deadline)
    {
        std::array<std::uint8_t, vlwire::kHeaderSize> header {};
        if (!readExactly(header.data(), header.size(), deadline))
            return std::nullopt;
        const auto h = vlwire::decodeHeader(header.data());
        if (!h)
            return std::nullopt;
        Bytes payload(h->length);
        if (!payload.empty() && !readExactly(payload.data(), payload.size(), deadline))
            return std::nullopt;
        return std::make_pair(*h, std::move(payload));
    }

private:
    bool readExactly(std::uint8_t* to, std::size_t n, Clock::time_point deadline)
    {
        bool done = false;
        boost::system::error_code error;
        asio::async_read(m_socket, asio::buffer(to, n), [&](boost::system::error_code ec, std::size_t) {
            done = true;
            error = ec;
        });
        return wait(done, deadline) && !error;
    }

    // Runs the pending step until it finishes or the deadline passes; a
    // step still pending then is cancelled by closing the socket.
    bool wait(bool& done, Clock::time_point deadline)
    {
        m_io.restart();
        m_io.run_until(deadline);
        if (done)
            return true;
        boost::system::error_code ignore;
        m_socket.close(ignore);
        m_io.restart();
        m_io.run();
        return false;
    }

    asio::io_context m_io;
    tcp::socket m_socket;
};

const char* resultText(std::int32_t result)
{
    switch (result) {
    case vlwire::kOk:
        return "done";
    case vlwire::kNotLoggedIn:
        return "not logged in";
    case vlwire::kBadRequest:
        return "refused the request";
    case vlwire::kUnknownCommand:
        return "does not know the command";
    case vlwire::kUnsupported:
        return "does not support it";
    case vlwire::kRefused:
        return "refused the user or password";
    case vlwire::kNoRight:
        return "refused it to this user";
    default:
        return "answered an unknown result";
    }
}

// Writes the whole picture or nothing: a file cut short by a full disk is
// removed rather than left looking like a picture.
bool writeFile(const std::string& path, const Bytes& data)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::remove(path.c_str());
    return ok;
}

} // namespace

std::optional<std::vector<std::uint8_t>> newDevInfoPayload(
    const VLNET_NEW_DEV_INFO& info, const std::string& nonce)
{
    const std::string password = slotText(info.password);
    const auto sealed = vlwire::sealRecord(
        nonce, password, std::string_view(reinterpret_cast<const char*>(&info), sizeof info));
    if (!sealed)
        return std::nullopt;
    std::vector<std::uint8_t> payload(info.user, info.user + sizeof info.user);
    payload.insert(payload.end(), sealed->begin(), sealed->end());
    return payload;
}

int setNewDevInfo(const VLNET_NEW_DEV_INFO& info, const Settings& settings)
{
    const std::string where = vlwire::ipv4Text(info.original_ip);
    const std::string user = slotText(info.user);
    const auto address = asio::ip::make_address_v4(asio::ip::address_v4::bytes_type {
        info.original_ip[0], info.original_ip[1], info.original_ip[2], info.original_ip[3] });
    if (address.is_unspecified()) {
        logLine("network change refused: no device address");
        return 0;
    }
    auto fail = [&](const char* why) {
        logLine("network change of %s (user %s) failed: %s", where.c_str(), user.c_str(), why);
        return 0;
    };
    OneShot shot;
    const auto connectBy = Clock::now() + std::chrono::milliseconds(settings.connectTimeoutMs);
    if (!shot.connect(tcp::endpoint(address, settings.sessionPort), connectBy))
        return fail("the device cannot be reached");
    // The device greets first; its nonce keys the sealed record.
    std::optional<std::string> nonce;
    while (!nonce) {
        auto frame = shot.read(connectBy);
        if (!frame)
            return fail("no greeting");
        if (frame->first.command == vlwire::kHello)
            nonce = helloNonce(frame->second);
        if (frame->first.command == vlwire::kHello && !nonce)
            return fail("bad greeting");
    }
    const auto payload = newDevInfoPayload(info, *nonce);
    if (!payload)
        return fail("the record carries no password to seal it with");
    const std::uint32_t sequence = 1;
    const auto replyBy = Clock::now() + std::chrono::milliseconds(settings.replyTimeoutMs);
    if (!shot.write(
            vlwire::encode(vlwire::kSetNewDevInfo, 0, sequence, payload->data(), payload->size()), replyBy))
        return fail("the request could not be sent");
    for (;;) {
        auto frame = shot.read(replyBy);
        if (!frame)
            return fail("no answer");
        const auto& h = frame->first;
        if (h.command != vlwire::kSetNewDevInfo || !(h.flags & vlwire::kReply) || h.sequence != sequence)
            continue;
        const auto reply = readReply(frame->second);
        if (!reply)
            return fail("bad answer");
        if (reply->result != vlwire::kOk)
            return fail(resultText(reply->result));
        logLine("network change of %s (user %s) to %s: done", where.c_str(), user.c_str(),
            vlwire::ipv4Text(info.new_ip).c_str());
        return 1;
    }
}

int ptzControl(Session& session, int command, const VLNET_PTZ_CONTROL& control)
{
    std::vector<std::uint8_t> payload(4 + sizeof control);
    vlwire::putU32(payload.data(), std::uint32_t(command));
    std::memcpy(payload.data() + 4, &control, sizeof control);
    const auto reply = session.exchange(vlwire::kPtzControl, std::move(payload));
    if (!reply) {
        logLine("connection %d: PTZ command %d got no answer", session.handle(), command);
        return 0;
    }
    if (reply->result != vlwire::kOk)
        logLine("connection %d: PTZ command %d: the device %s", session.handle(), command,
            resultText(reply->result));
    if (reply->result == vlwire::kOk)
        return 1;
    return reply->result == vlwire::kNoRight ? 2 : 0;
}

int capture(Session& session, const VLNET_CAPTURE& capture)
{
    const std::string path = slotText(capture.picture_name);
    if (path.empty()) {
        logLine("connection %d: snapshot refused: no picture name", session.handle());
        return 0;
    }
    std::vector<std::uint8_t> payload(8);
    vlwire::putU32(payload.data(), capture.channel);
    vlwire::putU32(payload.data() + 4, capture.picture_format);
    const auto reply = session.exchange(vlwire::kCapture, std::move(payload));
    if (!reply || reply->result != vlwire::kOk || reply->data.empty()) {
        logLine("connection %d: snapshot of channel %u: %s", session.handle(), unsigned(capture.channel),
            !reply                             ? "no answer"
                : reply->result != vlwire::kOk ? resultText(reply->result)
                                               : "no picture");
        return 0;
    }
    if (!writeFile(path, reply->data)) {
        logLine("connection %d: snapshot of channel %u: cannot write %s", session.handle(),
            unsigned(capture.channel), path.c_str());
        return 0;
    }
    return 1;
}

std::optional<std::vector<std::uint8_t>> setParamPayload(const VLNET_SET_PARAM_EX& request)
{
    if (request.kind != VLNET_SET_PARAM_KIND || !request.record || request.record_size < 1
        || request.record_count < 1)
        return std::nullopt;
    const std::uint64_t bytes = std::uint64_t(request.record_size) * std::uint64_t(request.record_count);
    if (bytes > vlwire::kMaxPayload - 16)
        return std::nullopt;
    std::vector<std::uint8_t> payload(16 + std::size_t(bytes));
    vlwire::putU32(payload.data(), std::uint32_t(request.command));
    vlwire::putU32(payload.data() + 4, std::uint32_t(request.channel));
    vlwire::putU32(payload.data() + 8, std::uint32_t(request.record_size));
    vlwire::putU32(payload.data() + 12, std::uint32_t(request.record_count));
    std::memcpy(payload.data() + 16, request.record, std::size_t(bytes));
    return payload;
}

int setParam(Session& session, const VLNET_SET_PARAM_EX& request)
{
    auto payload = setParamPayload(request);
    if (!payload) {
        logLine("connection %d: parameter %d refused: not a request this call takes", session.handle(),
            int(request.command));
        return 0;
    }
    const auto reply = session.exchange(vlwire::kSetParam, std::move(*payload));
    if (!reply) {
        logLine("connection %d: parameter %d got no answer", session.handle(), int(request.command));
        return 0;
    }
    if (reply->result != vlwire::kOk) {
        logLine("connection %d: parameter %d: the device %s", session.handle(), int(request.command),
            resultText(reply->result));
        return 0;
    }
    return 1;
}

} // namespace vlnet
