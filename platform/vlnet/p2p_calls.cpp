// The P2P, network-state and asynchronous JSON calls, and the configuration
// transfer calls that the stand-in does not carry out yet. What they are
// given is recorded (VLNetStandInCalls) and logged; the P2P online check
// asks the local networks for a device with the id (a probe, as the
// searches send).
#include "connection.h"
#include "netlog.h"
#include "runtime.h"
#include "search.h"
#include "vlnet.h"

#include <atomic>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace
{

// The record of calls; bounded, so a long run does not grow it without end.
constexpr std::size_t kMaxRecorded = 256 * 1024;
std::mutex g_record_lock;
std::string g_recorded; // guarded by g_record_lock

void record(const char* format, ...) __attribute__((format(printf, 1, 2)));
void record(const char* format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    vlnet::logLine("%s", line);
    std::lock_guard<std::mutex> hold(g_record_lock);
    if (g_recorded.size() + std::strlen(line) + 1 > kMaxRecorded)
        g_recorded.clear();
    g_recorded += line;
    g_recorded += '\n';
}

// Asynchronous requests under way: (connection, request number).
std::mutex g_async_lock;
std::set<std::pair<int, int>> g_async; // guarded by g_async_lock
std::atomic<int> g_next_request { 1 };

bool logged_in(int handle)
{
    auto session = vlnet::Runtime::instance().find(handle);
    VLNET_HTTP_DEVICE_INFO http;
    return session && session->httpInfo(&http);
}

int start_async(const char* name, int handle, const VLNET_ASYNC_JSON_REQUEST* request)
{
    if (!request || !logged_in(handle)) {
        record("%s %d refused", name, handle);
        return 0;
    }
    int number = g_next_request.fetch_add(1);
    if (number <= 0) {
        g_next_request.store(2);
        number = 1;
    }
    {
        std::lock_guard<std::mutex> hold(g_async_lock);
        g_async.insert({ handle, number });
    }
    const auto& w = request->words;
    record(
        "%s %d %d %d %d %d %d %d -> %d", name, handle, w[0], w[1], w[2], w[3], w[4], request->flag, number);
    return number;
}

std::string id_text(const VLNET_P2P_CHECK& check)
{
    return std::string(check.p2p_id, strnlen(check.p2p_id, sizeof check.p2p_id));
}

// One online check: the first answer from a device with the id ends it.
struct p2p_probe {
    std::string id;
    std::mutex lock;
    std::condition_variable changed;
    bool found = false; // guarded by lock
    bool ended = false; // guarded by lock
};

int VLNET_CALL on_p2p_answer(const VLNET_SEARCH_DEV_RSP* answer, void* context)
{
    auto* probe = static_cast<p2p_probe*>(context);
    std::lock_guard<std::mutex> hold(probe->lock);
    if (!answer)
        probe->ended = true;
    else if (std::string(answer->p2p_id, strnlen(answer->p2p_id, sizeof answer->p2p_id)) == probe->id)
        probe->found = true;
    probe->changed.notify_all();
    return 0;
}

// The outcome of a probe for the id: VLNET_P2P_ONLINE or VLNET_P2P_NO_ANSWER;
// -1 when no probe could start.
int probe_p2p(const std::string& id, int timeout_ms)
{
    vlnet::Runtime& rt = vlnet::Runtime::instance();
    if (!rt.running())
        return -1;
    p2p_probe probe;
    probe.id = id;
    vlnet::SearchConfig config;
    config.callback = &on_p2p_answer;
    config.context = &probe;
    config.timeoutMs = timeout_ms;
    config.p2pId = id;
    const int handle = rt.reserveSearch();
    auto search = std::make_shared<vlnet::Search>(handle, config, rt);
    rt.attachSearch(handle, search);
    search->begin();
    {
        std::unique_lock<std::mutex> hold(probe.lock);
        probe.changed.wait(hold, [&] { return probe.found || probe.ended; });
    }
    // The search ends by itself after the time-out; an early find ends it
    // here. Either way its last callback has run when stop() returns, so
    // `probe` may go.
    if (auto running = rt.takeSearch(handle))
        running->stop();
    else
        search->stop();
    std::lock_guard<std::mutex> hold(probe.lock);
    return probe.found ? VLNET_P2P_ONLINE : VLNET_P2P_NO_ANSWER;
}

} // namespace

extern "C" {

int VLNET_CALL VLNetCheckP2POnlineStatus(const VLNET_P2P_CHECK* check, int* status)
{
    if (!check || !status)
        return -1;
    const std::string id = id_text(*check);
    record("VLNetCheckP2POnlineStatus %s %d %d", id.c_str(), check->timeout_ms, check->kind);
    const char* refuse = std::getenv("VLNET_P2P_CHECK_REFUSE");
    if (refuse && std::strcmp(refuse, "1") == 0)
        return -1;
    const char* forced = std::getenv("VLNET_P2P_CHECK_STATUS");
    if (forced && std::strcmp(forced, "-22") == 0) {
        *status = VLNET_P2P_REFUSED;
        return 0;
    }
    const int timeout = check->timeout_ms >= 1 && check->timeout_ms <= 60000 ? check->timeout_ms : 3000;
    const int result = probe_p2p(id, timeout);
    if (result == -1)
        return -1;
    *status = result;
    return 0;
}

int VLNET_CALL VLNetInitP2P(const char* type, int kind, int flags)
{
    if (!type)
        return -1;
    record("VLNetInitP2P %s %d %d", type, kind, flags);
    return 0;
}

int VLNET_CALL VLNetRegisterP2PProcessCallback(VLNET_P2P_PROCESS_CALLBACK callback, void* user)
{
    record("VLNetRegisterP2PProcessCallback %s %p", callback ? "callback" : "null", user);
    return 0;
}

int VLNET_CALL VLNetP2PEnterBackgroundDestroy(void)
{
    record("VLNetP2PEnterBackgroundDestroy");
    return 0;
}

int VLNET_CALL VLNetEnableTutkManyConnection(int enable)
{
    record("VLNetEnableTutkManyConnection %d", enable);
    return 0;
}

int VLNET_CALL VLNetP2PRegisterId(int id)
{
    record("VLNetP2PRegisterId %d", id);
    return 0;
}

int VLNET_CALL VLNetNetworkStatusChanged(const VLNET_NETWORK_STATUS* status)
{
    if (!status)
        return -1;
    bool zero = true;
    for (std::uint8_t b : status->reserved)
        zero = zero && b == 0;
    record("VLNetNetworkStatusChanged %s", zero ? "zero" : "data");
    return 0;
}

int VLNET_CALL VLNetSetOperatorPlmn(int plmn)
{
    record("VLNetSetOperatorPlmn %d", plmn);
    return 0;
}

int VLNET_CALL VLNetAsyncStartQueryParamJson(int handle, const VLNET_ASYNC_JSON_QUERY* query)
{
    return start_async("VLNetAsyncStartQueryParamJson", handle, query ? &query->request : nullptr);
}

int VLNET_CALL VLNetAsyncStartSetParamJson(int handle, const VLNET_ASYNC_JSON_SET* set)
{
    return start_async("VLNetAsyncStartSetParamJson", handle, set ? &set->request : nullptr);
}

int VLNET_CALL VLNetAsyncStopQueryParamJson(int handle, int request)
{
    bool running = false;
    {
        std::lock_guard<std::mutex> hold(g_async_lock);
        running = g_async.erase({ handle, request }) > 0;
    }
    record("VLNetAsyncStopQueryParamJson %d %d%s", handle, request, running ? "" : " (not running)");
    return running ? 1 : 0;
}

int VLNET_CALL VLNetStandInCalls(char* out, int size, int clear)
{
    std::lock_guard<std::mutex> hold(g_record_lock);
    const int length = int(g_recorded.size());
    int result = -1;
    if (out && size > length) {
        std::memcpy(out, g_recorded.c_str(), g_recorded.size() + 1);
        result = length;
    }
    if (clear)
        g_recorded.clear();
    return result;
}

} // extern "C"
