#pragma once
// Control commands repeated on a timer, so that a device raises and clears
// an alarm, or pushes a message, every so many milliseconds while a test
// (or a person at the program) watches. Runs on the simulator's I/O thread.
#include <boost/asio/io_context.hpp>
#include <functional>
#include <json/value.h>
#include <map>
#include <memory>

namespace devsim
{

class Schedules
{
public:
    // Runs one control command (the simulator's control()).
    using Runner = std::function<Json::Value(const Json::Value&)>;
    Schedules(boost::asio::io_context& io, Runner run);
    ~Schedules();
    Schedules(const Schedules&) = delete;
    Schedules& operator=(const Schedules&) = delete;

    // The `schedule` command for one device (README of devsim): starts a
    // schedule ({"schedule": number}) or cancels the device's schedules
    // ({"cancelled": count}); {"ok": false, "error"} for a bad request.
    Json::Value control(int device, const Json::Value& request);
    // Cancels every schedule.
    void stop();

private:
    struct Entry;
    void arm(const std::shared_ptr<Entry>& e);
    void tick(const std::shared_ptr<Entry>& e);

    boost::asio::io_context& m_io;
    Runner m_run;
    std::map<int, std::shared_ptr<Entry>> m_entries;
    int m_next = 1;
};

} // namespace devsim
