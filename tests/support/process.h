#pragma once
// A child process for tests: started with an argument vector (never through a
// shell), its output captured to a file, killed and reaped by the destructor.
#include <string>
#include <sys/types.h>
#include <vector>

namespace vltest
{

class Process
{
public:
    Process() = default;
    // Starts argv[0] (searched on PATH) with stdout and stderr going to
    // `logPath` (or inherited when empty).
    explicit Process(const std::vector<std::string>& argv, const std::string& logPath = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;

    pid_t pid() const { return m_pid; }
    bool running();
    // Sends SIGTERM, waits up to `graceMs`, then SIGKILL. Returns the wait status.
    int stop(int graceMs = 2000);
    // Waits up to `timeoutMs` for the process to end by itself; -1 when it did not.
    int wait(int timeoutMs);
    const std::string& logPath() const { return m_log; }
    std::string log() const;

private:
    pid_t m_pid = -1;
    int m_status = -1;
    std::string m_log;
};

// Runs a command to its end and returns its exit status (-1 when it could not run).
int run(const std::vector<std::string>& argv);

} // namespace vltest
