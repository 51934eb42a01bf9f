#pragma once
// What one search of the stand-in reported, gathered for tests, with the
// checks of the search callback's contract: never on the caller's thread,
// never two at once, nothing after the null record or after the stop call
// returned, and every record readable for its whole 452 bytes (the program
// copies that many).
#include "vlnet.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace vltest
{

struct SearchEvents {
    using Clock = std::chrono::steady_clock;

    std::mutex lock;
    std::condition_variable changed;
    std::vector<VLNET_SEARCH_DEV_RSP> records;
    int ends = 0;
    Clock::time_point begun = Clock::now();
    Clock::time_point endedAt;
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> stopped { false }; // set by the test once the stop call returned
    std::atomic<int> onCaller { 0 }, late { 0 }, afterEnd { 0 }, overlaps { 0 }, inside { 0 };
    // Runs inside the callback with each record (null at the end).
    void (*inCallback)(SearchEvents&, const VLNET_SEARCH_DEV_RSP*) = nullptr;
    std::atomic<int> handle { 0 }; // for inCallback

    static int VLNET_CALL callback(const VLNET_SEARCH_DEV_RSP* record, void* context)
    {
        auto& e = *static_cast<SearchEvents*>(context);
        if (std::this_thread::get_id() == e.caller)
            ++e.onCaller;
        if (e.stopped)
            ++e.late;
        if (e.inside.fetch_add(1) != 0)
            ++e.overlaps;
        VLNET_SEARCH_DEV_RSP copy;
        if (record)
            std::memcpy(&copy, record, 452);
        if (e.inCallback)
            e.inCallback(e, record);
        // The last touch of `e` happens under its lock: a test that has seen
        // the end may destroy it as soon as the lock is free.
        std::lock_guard<std::mutex> hold(e.lock);
        e.inside.fetch_sub(1);
        if (e.ends)
            ++e.afterEnd;
        if (record) {
            e.records.push_back(copy);
        } else {
            ++e.ends;
            e.endedAt = Clock::now();
        }
        e.changed.notify_all();
        return 1;
    }

    bool waitEnd(int ms = 20000)
    {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, std::chrono::milliseconds(ms), [&] { return ends > 0; });
    }
    bool waitRecords(std::size_t n, int ms = 10000)
    {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, std::chrono::milliseconds(ms), [&] { return records.size() >= n; });
    }
    std::vector<VLNET_SEARCH_DEV_RSP> list()
    {
        std::lock_guard<std::mutex> hold(lock);
        return records;
    }
    int endCount()
    {
        std::lock_guard<std::mutex> hold(lock);
        return ends;
    }
    // Milliseconds from the start of the test's search to its null record.
    long long msToEnd()
    {
        std::lock_guard<std::mutex> hold(lock);
        return std::chrono::duration_cast<std::chrono::milliseconds>(endedAt - begun).count();
    }
    // The "ip" texts of the records, in order of arrival.
    std::vector<std::string> ips()
    {
        std::vector<std::string> out;
        for (const auto& r : list())
            out.emplace_back(r.ip, strnlen(r.ip, sizeof r.ip));
        return out;
    }
    // No contract broken so far.
    bool clean() const { return onCaller == 0 && late == 0 && afterEnd == 0 && overlaps == 0; }
};

// Start records as the callers fill them: zeroed, with this gatherer.
inline VLNET_SEARCH_DEV searchRecord(SearchEvents& e, std::uint8_t oemType, std::uint16_t timeoutMs)
{
    VLNET_SEARCH_DEV s;
    std::memset(&s, 0, sizeof s);
    s.callback = &SearchEvents::callback;
    s.context = &e;
    s.oem_type = oemType;
    s.recv_timeout_ms = timeoutMs;
    return s;
}

inline VLNET_SEARCH_DEV_POINT2POINT rangeRecord(SearchEvents& e, const std::string& start,
    const std::string& stop, std::uint8_t oemType, std::uint16_t timeoutMs)
{
    VLNET_SEARCH_DEV_POINT2POINT s;
    std::memset(&s, 0, sizeof s);
    s.callback = &SearchEvents::callback;
    s.context = &e;
    s.oem_type = oemType;
    std::memcpy(s.start_ip, start.data(), std::min(start.size(), sizeof s.start_ip));
    std::memcpy(s.stop_ip, stop.data(), std::min(stop.size(), sizeof s.stop_ip));
    s.recv_timeout_ms = timeoutMs;
    return s;
}

// The texts must outlive the start call.
inline VLNET_START_SEARCH_DEVICE startedRecord(
    SearchEvents& e, const char* start, const char* stop, std::uint32_t timeoutMs)
{
    VLNET_START_SEARCH_DEVICE s;
    std::memset(&s, 0, sizeof s);
    s.callback = &SearchEvents::callback;
    s.context = &e;
    s.start_ip = start;
    s.stop_ip = stop;
    s.recv_timeout_ms = timeoutMs;
    return s;
}

} // namespace vltest
