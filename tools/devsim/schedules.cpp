#include "schedules.h"

#include <boost/asio/steady_timer.hpp>
#include <chrono>

namespace devsim
{

struct Schedules::Entry {
    explicit Entry(boost::asio::io_context& io)
        : timer(io)
    {
    }
    int number = 0;
    int device = 0;
    int everyMs = 0;
    long remaining = 0; // 0: until cancelled
    bool alarm = false; // an alarm that goes on and off; else a push
    bool on = true; // the alarm's state at the next tick
    Json::Value command;
    boost::asio::steady_timer timer;
};

Schedules::Schedules(boost::asio::io_context& io, Runner run)
    : m_io(io)
    , m_run(std::move(run))
{
}

Schedules::~Schedules()
{
    stop();
}

Json::Value Schedules::control(int device, const Json::Value& request)
{
    Json::Value out(Json::objectValue);
    out["ok"] = true;
    auto fail = [&](const char* why) {
        out["ok"] = false;
        out["error"] = why;
        return out;
    };

    if (request.get("cancel", false) == true) {
        int n = 0;
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            if (it->second->device == device) {
                it->second->timer.cancel();
                it = m_entries.erase(it);
                ++n;
            } else {
                ++it;
            }
        }
        out["cancelled"] = n;
        return out;
    }

    const Json::Value& every = request["every_ms"];
    if (!every.isIntegral() || every.asLargestInt() < 10 || every.asLargestInt() > 3600000)
        return fail("\"every_ms\" must be an integer from 10 to 3600000");
    const Json::Value& count = request.get("count", 0);
    if (!count.isIntegral() || count.asLargestInt() < 0 || count.asLargestInt() > 1000000)
        return fail("\"count\" must be an integer from 0 to 1000000");
    const bool alarm = request.isMember("alarm");
    const Json::Value& what = alarm ? request["alarm"] : request["push"];
    if (!what.isObject() || alarm == request.isMember("push"))
        return fail("give one of \"alarm\" (channel, type) or \"push\" (id, hex or text) as an object");

    auto e = std::make_shared<Entry>(m_io);
    e->number = m_next++;
    e->device = device;
    e->everyMs = int(every.asLargestInt());
    e->remaining = long(count.asLargestInt());
    e->alarm = alarm;
    e->command = what;
    e->command["cmd"] = alarm ? "alarm" : "push";
    e->command["device"] = device;
    // The first run is now: a command the device does not take fails the
    // schedule at once.
    if (alarm)
        e->command["on"] = true;
    const Json::Value first = m_run(e->command);
    if (!first.get("ok", false).asBool())
        return first;
    e->on = false;
    out["schedule"] = e->number;
    if (e->remaining > 0 && --e->remaining == 0)
        return out;
    m_entries[e->number] = e;
    arm(e);
    return out;
}

void Schedules::arm(const std::shared_ptr<Entry>& e)
{
    e->timer.expires_after(std::chrono::milliseconds(e->everyMs));
    std::weak_ptr<Entry> weak = e;
    e->timer.async_wait([this, weak](boost::system::error_code ec) {
        auto entry = weak.lock();
        if (!ec && entry && m_entries.count(entry->number))
            tick(entry);
    });
}

void Schedules::tick(const std::shared_ptr<Entry>& e)
{
    if (e->alarm) {
        e->command["on"] = e->on;
        e->on = !e->on;
    }
    m_run(e->command);
    if (e->remaining > 0 && --e->remaining == 0) {
        m_entries.erase(e->number);
        return;
    }
    arm(e);
}

void Schedules::stop()
{
    for (auto& entry : m_entries)
        entry.second->timer.cancel();
    m_entries.clear();
}

} // namespace devsim
