#include "log.h"

#include <chrono>
#include <ctime>

namespace devsim
{

void EventLog::line(const std::string& text)
{
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    int ms = int(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm tm {};
    localtime_r(&t, &tm);
    char stamp[32];
    std::snprintf(stamp, sizeof(stamp), "%02d:%02d:%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec, ms);
    std::lock_guard<std::mutex> hold(m_lock);
    std::fprintf(m_out, "%s %s\n", stamp, text.c_str());
    std::fflush(m_out);
}

void EventLog::device(int id, const std::string& ip, const std::string& text)
{
    line("[#" + std::to_string(id) + " " + ip + "] " + text);
}

} // namespace devsim
