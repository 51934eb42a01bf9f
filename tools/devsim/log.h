#pragma once
// devsim's event log: one line per event, with the time and, for device
// events, the device's index and address, so a failing test shows what
// each device saw.
#include <cstdio>
#include <mutex>
#include <string>

namespace devsim
{

class EventLog
{
public:
    explicit EventLog(std::FILE* out = stderr)
        : m_out(out)
    {
    }
    void line(const std::string& text);
    void device(int id, const std::string& ip, const std::string& text);

private:
    std::mutex m_lock;
    std::FILE* m_out;
};

} // namespace devsim
