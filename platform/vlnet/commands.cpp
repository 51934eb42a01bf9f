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

// The SET_PARAM payload: message, channel, record size and count, then
// the records. Nothing without records, for a size or count below 1, or
// more than a frame holds.
std::optional<std::vector<std::uint8_t>> setParamFrame(std::int32_t message, std::int32_t channel,
    std::uint32_t recordSize, std::int32_t count, const void* records)
{
    if (!records || recordSize < 1 || count < 1)
        return std::nullopt;
    const std::uint64_t bytes = std::uint64_t(recordSize) * std::uint64_t(count);
    if (bytes > vlwire::kMaxPayload - 16)
        return std::nullopt;
    std::vector<std::uint8_t> payload(16 + std::size_t(bytes));
    vlwire::putU32(payload.data(), std::uint32_t(message));
    vlwire::putU32(payload.data() + 4, std::uint32_t(channel));
    vlwire::putU32(payload.data() + 8, recordSize);
    vlwire::putU32(payload.data() + 12, std::uint32_t(count));
    std::memcpy(payload.data() + 16, records, std::size_t(bytes));
    return payload;
}

// The API's answer to a device's result: 1 done, 2 no right, else 0.
int apiResult(std::int32_t result)
{
    if (result == vlwire::kOk)
        return 1;
    return result == vlwire::kNoRight ? 2 : 0;
}

// Sends a QUERY_PARAM and reads its reply: the records, or the API's
// answer when there are none to hand over (2 no right, 0 failure).
struct QueryOutcome {
    int answer = 0;
    Reply reply;
    std::optional<ParamRecords> records;
};
QueryOutcome runQuery(Session& session, const vlwire::QueryParam& q)
{
    QueryOutcome out;
    auto reply = session.exchange(vlwire::kQueryParam, vlwire::encodeQueryParam(q));
    if (!reply) {
        logLine("connection %d: parameter query %d got no answer", session.handle(), int(q.message));
        return out;
    }
    if (reply->result != vlwire::kOk) {
        logLine("connection %d: parameter query %d: the device %s", session.handle(), int(q.message),
            resultText(reply->result));
        out.answer = apiResult(reply->result);
        return out;
    }
    out.reply = std::move(*reply);
    out.records = readParamRecords(out.reply.data, q.headerSize, q.recordSize);
    if (!out.records) {
        logLine("connection %d: parameter query %d: an answer of %zu bytes is not whole records",
            session.handle(), int(q.message), out.reply.data.size());
        return out;
    }
    out.answer = 1;
    return out;
}

constexpr ParamMessageSize kParamMessages[] = {
    { VLNET_PARAM_VERSION, 0, VLNET_PARAM_VERSION_SIZE },
    { VLNET_PARAM_USERS, VLNET_PARAM_USERS_HEADER_SIZE, VLNET_PARAM_USERS_SIZE },
    { VLNET_PARAM_RESET, 0, VLNET_PARAM_RESET_SIZE },
    { VLNET_PARAM_TIME, 0, VLNET_PARAM_TIME_SIZE },
    { VLNET_PARAM_MAIN_STREAM, 0, VLNET_PARAM_STREAM_SIZE },
    { VLNET_PARAM_SUB_STREAM, 0, VLNET_PARAM_STREAM_SIZE },
    { VLNET_PARAM_MOBILE_STREAM, 0, VLNET_PARAM_STREAM_SIZE },
    { VLNET_PARAM_OSD, 0, VLNET_PARAM_OSD_SIZE },
    { VLNET_PARAM_DEVICE_INFO, 0, VLNET_PARAM_DEVICE_INFO_SIZE },
    { VLNET_PARAM_PRODUCT_INFO, 0, VLNET_PARAM_PRODUCT_INFO_SIZE },
};

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
    if (request.kind != VLNET_SET_PARAM_KIND || request.record_size < 1)
        return std::nullopt;
    return setParamFrame(request.command, request.channel, std::uint32_t(request.record_size),
        request.record_count, request.record);
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

namespace vlnet
{

const ParamMessageSize* paramMessageSize(int message)
{
    for (const ParamMessageSize& m : kParamMessages)
        if (m.message == message)
            return &m;
    return nullptr;
}

int queryParam(Session& session, const VLNET_QUERY_PARAM& request)
{
    const int message = request.command;
    auto refuse = [&](const char* why) {
        logLine("connection %d: parameter query %d refused: %s", session.handle(), message, why);
        return 0;
    };
    if (!request.record_callback)
        return refuse("no record callback");
    if (request.record_size < 1 || request.header_size < 0)
        return refuse("no record size");
    // A message the stand-in knows must be asked with its own sizes; the
    // device answers another with whatever it knows of it.
    if (const ParamMessageSize* known = paramMessageSize(message))
        if (std::uint32_t(request.record_size) != known->recordSize
            || std::uint32_t(request.header_size) != known->headerSize)
            return refuse("a size that is not the message's");
    vlwire::QueryParam q;
    q.message = message;
    for (int i = 0; i < 8; ++i)
        q.mask[i] = request.channels ? request.channels->mask[i] : 0xFFFFFFFFu;
    q.recordSize = std::uint32_t(request.record_size);
    q.headerSize = std::uint32_t(request.header_size);
    const QueryOutcome got = runQuery(session, q);
    if (got.answer != 1)
        return got.answer;
    if (got.records->header && request.header_callback)
        request.header_callback(got.records->header, request.user);
    for (std::size_t i = 0; i < got.records->count; ++i)
        request.record_callback(got.records->record(i), request.user);
    return 1;
}

int queryParamEx(Session& session, const VLNET_QUERY_PARAM_EX& request)
{
    const int message = request.command;
    auto refuse = [&](const char* why) {
        logLine("connection %d: parameter query %d refused: %s", session.handle(), message, why);
        return 0;
    };
    if (!request.buffer || request.buffer_size < 1)
        return refuse("no buffer");
    const ParamMessageSize* known = paramMessageSize(message);
    if (known && (known->headerSize != 0 || std::uint32_t(request.buffer_size) != known->recordSize))
        return refuse("not one structure of the message's size");
    vlwire::QueryParam q;
    q.message = message;
    for (std::uint32_t& word : q.mask)
        word = 0xFFFFFFFFu;
    q.recordSize = std::uint32_t(request.buffer_size);
    const QueryOutcome got = runQuery(session, q);
    if (got.answer != 1)
        return got.answer;
    if (got.records->count != 1) {
        logLine("connection %d: parameter query %d: %zu records where one structure was asked",
            session.handle(), message, got.records->count);
        return 0;
    }
    std::memcpy(request.buffer, got.records->record(0), got.records->recordSize);
    return 1;
}

int setParam(Session& session, const VLNET_SET_PARAM& request)
{
    const int message = request.command;
    auto refuse = [&](const char* why) {
        logLine("connection %d: parameter %d refused: %s", session.handle(), message, why);
        return 0;
    };
    const ParamMessageSize* known = paramMessageSize(message);
    if (!known)
        return refuse("a message whose record size is not known");
    if (bool(request.record) == bool(request.records))
        return refuse("not one structure or one list of records");
    const bool list = request.records != nullptr;
    auto payload = setParamFrame(message, 0, known->recordSize, list ? request.record_count : 1,
        list ? request.records : request.record);
    if (!payload)
        return refuse("no records");
    const auto reply = session.exchange(vlwire::kSetParam, std::move(*payload));
    if (!reply) {
        logLine("connection %d: parameter %d got no answer", session.handle(), message);
        return 0;
    }
    if (reply->result != vlwire::kOk)
        logLine("connection %d: parameter %d: the device %s", session.handle(), message,
            resultText(reply->result));
    return apiResult(reply->result);
}

int remoteTest(Session& session, const VLNET_REMOTE_TEST& request)
{
    const int command = request.command;
    std::vector<std::uint8_t> payload(4);
    vlwire::putU32(payload.data(), std::uint32_t(command));
    const auto reply = session.exchange(vlwire::kRemoteTest, std::move(payload));
    if (!reply || reply->result != vlwire::kOk) {
        logLine("connection %d: remote test %d: %s", session.handle(), command,
            reply ? resultText(reply->result) : "no answer");
        return 0;
    }
    logLine("connection %d: remote test %d accepted", session.handle(), command);
    if (request.callback) {
        const int handle = session.handle();
        session.runCallback([callback = request.callback, user = request.user, handle, command] {
            callback(handle, command, 1, user);
        });
    }
    return 1;
}

} // namespace vlnet
