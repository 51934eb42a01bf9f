#include "runtime.h"

#include "messages.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>

namespace vlonvif
{

namespace
{
std::mutex g_timesLock;
Times g_times;

std::mutex g_pathLock;
std::map<std::string, std::string> g_paths;
constexpr std::size_t kMaxPaths = 4096;
} // namespace

Times times()
{
    std::lock_guard<std::mutex> hold(g_timesLock);
    return g_times;
}

bool setTimes(const Times& t)
{
    auto ok = [](int s) { return s >= 1 && s <= 600; };
    if (!ok(t.probe) || !ok(t.match) || !ok(t.answer))
        return false;
    std::lock_guard<std::mutex> hold(g_timesLock);
    g_times = t;
    return true;
}

void logLine(const char* format, ...)
{
    static std::mutex lock;
    static std::FILE* file = nullptr;
    static bool opened = false;
    std::lock_guard<std::mutex> hold(lock);
    if (!opened) {
        opened = true;
        const char* path = std::getenv("VLONVIFS_LOG");
        if (path && std::strcmp(path, "stderr") == 0)
            file = stderr;
        else if (path && *path)
            file = std::fopen(path, "a");
    }
    if (!file)
        return;
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    const int ms = int(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm tm {};
    localtime_r(&t, &tm);
    std::fprintf(file, "VLOnvifs [%02d:%02d:%02d.%03d] %s\n", tm.tm_hour, tm.tm_min, tm.tm_sec, ms, text);
    std::fflush(file);
}

void Workers::spawn(std::function<void()> task)
{
    std::lock_guard<std::mutex> hold(m_lock);
    reapLocked();
    auto done = std::make_shared<bool>(false);
    std::thread t([this, task = std::move(task), done] {
        task();
        std::lock_guard<std::mutex> hold(m_lock);
        *done = true;
    });
    m_workers.push_back({ std::move(t), done });
}

void Workers::reapLocked()
{
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (*it->done) {
            it->thread.join(); // it has left its task; only its return is left
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}

void Workers::joinAll()
{
    for (;;) {
        std::vector<Worker> all;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            all.swap(m_workers);
        }
        if (all.empty())
            return;
        for (auto& w : all) {
            if (w.thread.get_id() == std::this_thread::get_id())
                w.thread.detach(); // released from one of our own callbacks
            else
                w.thread.join();
        }
    }
}

Workers& workers()
{
    static Workers* w = new Workers; // never destroyed: release may come late in exit
    return *w;
}

std::string servicePath(const std::string& ip, int port)
{
    std::lock_guard<std::mutex> hold(g_pathLock);
    auto it = g_paths.find(ip + ":" + std::to_string(port));
    return it == g_paths.end() ? std::string(kDefaultServicePath) : it->second;
}

void rememberServicePath(const std::string& ip, int port, const std::string& path)
{
    std::lock_guard<std::mutex> hold(g_pathLock);
    if (g_paths.size() >= kMaxPaths)
        g_paths.clear();
    g_paths[ip + ":" + std::to_string(port)] = path;
}

} // namespace vlonvif
