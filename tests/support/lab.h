#pragma once
// What a test running inside the network lab knows about it (tests/lab/lab
// sets these variables): its own namespace "pc", the "lan" namespace where the
// simulated devices live, and the fixed addresses of both sides.
#include "support/process.h"

#include <string>
#include <vector>

namespace vltest
{

struct Lab {
    // True when the test runs inside a lab (VL_LAB_LAN is set).
    static bool active();
    static std::string lanNamespace();
    static std::string pcIp4(); // 192.168.0.2
    static std::string lanIp4(); // 192.168.0.1, the lan side of the link
    static std::string ifName(); // the link's interface name in both namespaces
    // The n-th free device address of the device subnet (n >= 0): 192.168.1.10 + n, wrapping into
    // the following /24s.
    static std::string deviceIp4(int n);
    // argv prefix that runs a command in the "lan" namespace.
    static std::vector<std::string> inLan(std::vector<std::string> argv);
    // Starts a command in "lan" with its output in `logPath`.
    static Process startInLan(const std::vector<std::string>& argv, const std::string& logPath = {});
};

// The build's bin folder (programs and libraries), and the source tree.
std::string buildBin();
std::string sourceDir();

// A fresh folder under /tmp, removed by the destructor.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

} // namespace vltest
