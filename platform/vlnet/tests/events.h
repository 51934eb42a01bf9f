#pragma once
// What one connection of the stand-in reported, gathered for tests, with
// the checks of the callback contract (never before the start call returned,
// never after the stop call returned, never two at once, always on one thread).
#include "support/poll.h"
#include "vlnet.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace vltest
{

struct Events {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<int> statuses;
    std::vector<std::pair<int, std::vector<std::uint8_t>>> messages;
    std::string deviceInfo, channelInfo;
    std::set<std::thread::id> threads;
    // Held across the start call and the setting of `started`, as a caller
    // that stores its handle does: a callback waits for it, so one that
    // finds `started` unset ran before the start had its handle.
    std::mutex startLock;
    std::atomic<bool> started { false }; // set by the test once the start call returned
    std::atomic<bool> stopped { false }; // set by the test once the stop call returned
    std::atomic<int> inside { 0 };
    std::atomic<int> early { 0 }, late { 0 }, overlaps { 0 };

    void enter()
    {
        {
            std::lock_guard<std::mutex> hold(startLock);
            if (!started)
                ++early;
        }
        if (stopped)
            ++late;
        if (inside.fetch_add(1) != 0)
            ++overlaps;
    }
    void leave() { inside.fetch_sub(1); }

    bool waitFor(const std::function<bool()>& pred, int ms = 10000)
    {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, std::chrono::milliseconds(ms), pred);
    }
    bool waitStatus(int status, int ms = 10000)
    {
        return waitFor(
            [&] {
                for (int s : statuses)
                    if (s == status)
                        return true;
                return false;
            },
            ms);
    }
    std::vector<int> statusList()
    {
        std::lock_guard<std::mutex> hold(lock);
        return statuses;
    }
    void clear()
    {
        std::lock_guard<std::mutex> hold(lock);
        statuses.clear();
        messages.clear();
    }

    static void VLNET_CALL onStatus(std::int32_t status, const char* dev, const char* ch, void* ctx)
    {
        auto* e = static_cast<Events*>(ctx);
        e->enter();
        {
            std::lock_guard<std::mutex> hold(e->lock);
            e->statuses.push_back(status);
            e->threads.insert(std::this_thread::get_id());
            if (dev)
                e->deviceInfo = dev;
            if (ch)
                e->channelInfo = ch;
        }
        e->changed.notify_all();
        e->leave();
    }
    static void VLNET_CALL onMessage(std::int32_t id, const char* data, std::int32_t length, void* ctx)
    {
        auto* e = static_cast<Events*>(ctx);
        e->enter();
        {
            std::lock_guard<std::mutex> hold(e->lock);
            e->messages.emplace_back(id, std::vector<std::uint8_t>(data, data + length));
            e->threads.insert(std::this_thread::get_id());
        }
        e->changed.notify_all();
        e->leave();
    }
};

// Starts a V1 connection whose callbacks feed `events`.
inline int startV1(Events& events, const std::string& ip, const char* user, const char* password,
    std::uint8_t flags = 0, int port = 0)
{
    VLNET_CONNECTION_START_V1 s;
    std::memset(&s, 0, sizeof(s));
    s.address = ip.c_str();
    s.port = port;
    s.user = user;
    s.password = password;
    s.context = &events;
    s.word28 = 1;
    s.word36 = 1;
    s.protocol_flags = flags;
    s.message_callback = &Events::onMessage;
    s.status_text_callback = &Events::onStatus;
    s.remote_terminal_info = "windows";
    std::lock_guard<std::mutex> hold(events.startLock);
    int h = VLNetConnectionStartV1(&s);
    events.started = true;
    return h;
}

} // namespace vltest
