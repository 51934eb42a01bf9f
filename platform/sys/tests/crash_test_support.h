#pragma once
// Helpers shared by the tests of the crash handler and of the program's
// crash-dump writer: crashes run in forked children, and the tests look at
// what they leave behind.
#include <cctype>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace crashtest
{

struct ChildResult {
    int status = -1;
    std::string errorOutput;
};

// Runs `body` in a forked child with core files off and its error output
// captured. The child is killed if it has not ended after 20 seconds.
inline ChildResult runChild(const std::function<void()>& body, const std::string& errorFile)
{
    ChildResult r;
    pid_t pid = fork();
    if (pid == 0) {
        struct rlimit noCore = { 0, 0 };
        setrlimit(RLIMIT_CORE, &noCore);
        int fd = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (fd >= 0) {
            dup2(fd, STDERR_FILENO);
            close(fd);
        }
        body();
        _exit(0);
    }
    for (int i = 0; i < 2000; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            r.status = status;
            break;
        }
        usleep(10000);
    }
    if (r.status == -1) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    std::ifstream in(errorFile);
    std::stringstream ss;
    ss << in.rdbuf();
    r.errorOutput = ss.str();
    return r;
}

inline std::vector<std::string> dumpsIn(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".dmp") == 0)
                names.push_back(n);
        }
        closedir(d);
    }
    return names;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Dump names that a crash between `from` and `to` may carry.
inline std::vector<std::string> namesBetween(const std::string& stem, time_t from, time_t to)
{
    std::vector<std::string> names;
    for (time_t t = from; t <= to; ++t) {
        struct tm tm = {};
        localtime_r(&t, &tm);
        char buf[128];
        std::snprintf(buf, sizeof(buf), "%s_%4d_%02d_%02d_%02d_%02d_%02d.dmp", stem.c_str(),
            tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
        names.push_back(buf);
    }
    return names;
}

inline size_t count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// True when `text` is the one failure report for a dump of `stem` in
// `folder` that could not be created with error 13.
inline bool isCreateFailure(const std::string& text, const std::string& folder, const std::string& stem)
{
    const std::string head = "-----------MiniDumper-----------\nFailed to create the mini-dump file '"
        + folder + "/" + stem + "_";
    const std::string tail = ".dmp' (error 13)\n";
    const std::string stamp = "dddd_dd_dd_dd_dd_dd";
    if (text.size() != head.size() + stamp.size() + tail.size() || text.compare(0, head.size(), head) != 0
        || text.compare(text.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    for (size_t i = 0; i < stamp.size(); ++i) {
        char c = text[head.size() + i];
        if (stamp[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(c)) : c != '_')
            return false;
    }
    return true;
}

} // namespace crashtest
