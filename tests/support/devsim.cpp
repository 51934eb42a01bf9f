#include "support/devsim.h"

#include "common/json.h"

#include <chrono>
#include <cstring>
#include <json/reader.h>
#include <json/writer.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vltest
{

namespace
{

bool parseJson(const std::string& text, Json::Value& out)
{
    return vljson::parse(text, out);
}

// One request and its answer line over a fresh connection. Empty on a
// channel failure.
std::string exchange(const std::string& path, const std::string& line)
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return {};
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
    timeval tv { 30, 0 };
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
    std::string out;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0
        && ::send(fd, line.data(), line.size(), MSG_NOSIGNAL) == ssize_t(line.size())) {
        char buf[65536];
        for (;;) {
            ssize_t n = ::recv(fd, buf, sizeof(buf), 0);
            if (n <= 0) {
                out.clear();
                break;
            }
            out.append(buf, size_t(n));
            if (out.back() == '\n')
                break;
        }
    }
    ::close(fd);
    return out;
}

} // namespace

Devsim::Devsim(std::vector<std::string> args)
    : m_args(std::move(args))
{
    start();
}

Devsim::~Devsim()
{
    if (m_process.pid() > 0)
        stop();
}

void Devsim::start()
{
    ++m_runs;
    m_control = m_dir.file("control.sock");
    std::vector<std::string> argv = { buildBin() + "/devsim" };
    argv.insert(argv.end(), m_args.begin(), m_args.end());
    argv.push_back("--control");
    argv.push_back(m_control);
    m_process = Lab::startInLan(argv, m_dir.file("devsim-" + std::to_string(m_runs) + ".log"));
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < until) {
        if (!m_process.running())
            throw std::runtime_error("devsim ended at start:\n" + log());
        if (!exchange(m_control, "{\"cmd\":\"ping\"}\n").empty())
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    throw std::runtime_error("devsim did not come up:\n" + log());
}

void Devsim::restart()
{
    if (m_process.pid() > 0)
        stop();
    start();
}

int Devsim::stop()
{
    return m_process.stop(10000);
}

bool Devsim::stopCleanly()
{
    int status = stop();
    std::string text = log();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && text.find("Sanitizer") == std::string::npos
        && text.find("runtime error") == std::string::npos;
}

Json::Value Devsim::command(const Json::Value& request)
{
    std::string answer = exchange(m_control, vljson::write_compact(request) + "\n");
    if (answer.empty())
        throw std::runtime_error("devsim control channel failed");
    Json::Value out;
    if (!parseJson(answer, out))
        throw std::runtime_error("devsim answered no JSON: " + answer);
    return out;
}

Json::Value Devsim::command(const std::string& jsonText)
{
    Json::Value request;
    if (!parseJson(jsonText, request))
        throw std::runtime_error("not JSON: " + jsonText);
    return command(request);
}

Json::Value Devsim::must(const Json::Value& request)
{
    Json::Value out = command(request);
    if (!out.get("ok", false).asBool())
        throw std::runtime_error(
            "devsim refused " + request.toStyledString() + ": " + out["error"].asString());
    return out;
}

Json::Value Devsim::must(const std::string& jsonText)
{
    Json::Value out = command(jsonText);
    if (!out.get("ok", false).asBool())
        throw std::runtime_error("devsim refused " + jsonText + ": " + out["error"].asString());
    return out;
}

} // namespace vltest
