#include "support/lab.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace vltest
{

namespace
{
std::string env(const char* name, const char* fallback = "")
{
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : std::string(fallback);
}
} // namespace

bool Lab::active()
{
    return !env("VL_LAB_LAN").empty();
}
std::string Lab::lanNamespace()
{
    return env("VL_LAB_LAN");
}
std::string Lab::pcIp4()
{
    return env("VL_LAB_PC_IP4", "192.168.0.2");
}
std::string Lab::lanIp4()
{
    return env("VL_LAB_LAN_IP4", "192.168.0.1");
}
std::string Lab::ifName()
{
    return env("VL_LAB_IF", "eth0");
}

std::string Lab::deviceIp4(int n)
{
    int host = 10 + n;
    int third = 1 + host / 250;
    int fourth = host % 250 + (host >= 250 ? 1 : 0);
    return "192.168." + std::to_string(third) + "." + std::to_string(fourth);
}

std::vector<std::string> Lab::inLan(std::vector<std::string> argv)
{
    if (!active())
        throw std::runtime_error("not inside the network lab");
    std::vector<std::string> out = { "ip", "netns", "exec", lanNamespace() };
    out.insert(out.end(), argv.begin(), argv.end());
    return out;
}

Process Lab::startInLan(const std::vector<std::string>& argv, const std::string& logPath)
{
    return Process(inLan(argv), logPath);
}

std::string buildBin()
{
    return env("VL_BUILD_BIN", ".");
}
std::string sourceDir()
{
    return env("VL_SOURCE_DIR", ".");
}

TempDir::TempDir()
{
    char tmpl[] = "/tmp/vltest-XXXXXX";
    const char* made = mkdtemp(tmpl);
    if (!made)
        throw std::runtime_error("mkdtemp failed");
    m_path = made;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

} // namespace vltest
