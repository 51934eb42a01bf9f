#include "support/process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vltest
{

Process::Process(const std::vector<std::string>& argv, const std::string& logPath)
    : m_log(logPath)
{
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    m_pid = fork();
    if (m_pid == 0) {
        if (!logPath.empty()) {
            int fd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0) {
                dup2(fd, 1);
                dup2(fd, 2);
                close(fd);
            }
        }
        // Own process group, so that a stop reaches what the child starts.
        setpgid(0, 0);
        execvp(args[0], args.data());
        _exit(127);
    }
}

Process::~Process()
{
    if (m_pid > 0)
        stop(500);
}

Process::Process(Process&& other) noexcept
    : m_pid(other.m_pid)
    , m_status(other.m_status)
    , m_log(std::move(other.m_log))
{
    other.m_pid = -1;
}

Process& Process::operator=(Process&& other) noexcept
{
    if (this != &other) {
        if (m_pid > 0)
            stop(500);
        m_pid = other.m_pid;
        m_status = other.m_status;
        m_log = std::move(other.m_log);
        other.m_pid = -1;
    }
    return *this;
}

bool Process::running()
{
    if (m_pid <= 0)
        return false;
    int status = 0;
    pid_t r = waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid) {
        m_status = status;
        m_pid = -1;
        return false;
    }
    return r == 0;
}

int Process::wait(int timeoutMs)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (running()) {
        if (std::chrono::steady_clock::now() >= until)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return m_status;
}

int Process::stop(int graceMs)
{
    if (m_pid <= 0)
        return m_status;
    kill(-m_pid, SIGTERM);
    kill(m_pid, SIGTERM);
    if (wait(graceMs) == -1 && m_pid > 0) {
        kill(-m_pid, SIGKILL);
        kill(m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_status = status;
        m_pid = -1;
    }
    return m_status;
}

std::string Process::log() const
{
    std::ifstream in(m_log);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

int run(const std::vector<std::string>& argv)
{
    Process p(argv);
    int status = p.wait(600000);
    if (status < 0 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace vltest
