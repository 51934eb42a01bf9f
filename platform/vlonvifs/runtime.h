#pragma once
// The library's process-wide state: its times, its log, the threads it
// starts (joined at release), and what searches learnt about where each
// device serves its device service.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vlonvif
{

// Seconds, as VLOnvifSetSearchTimeout sets them.
struct Times {
    int probe = 2;
    int match = 2;
    int answer = 2;
};
Times times();
bool setTimes(const Times& t);

// One line to the log: the file named by VLONVIFS_LOG ("stderr" for the
// console); nothing when it is not set. printf-style.
void logLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The threads of searches and logins. A finished thread is joined when the
// next one starts; joinAll() waits for every one (release).
class Workers
{
public:
    void spawn(std::function<void()> task);
    void joinAll();

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<bool> done; // guarded by m_lock
    };
    void reapLocked();
    std::mutex m_lock;
    std::vector<Worker> m_workers;
};
Workers& workers();

// The device-service path that a search found for "ip:port"; the default
// path when none was found.
std::string servicePath(const std::string& ip, int port);
void rememberServicePath(const std::string& ip, int port, const std::string& path);

} // namespace vlonvif
