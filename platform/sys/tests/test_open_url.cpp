// The URL opener: it returns while the launcher still runs, hands the URL
// over as one argument, and a hook takes every request instead of a browser.
#include "sys/open_url.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A folder with a stand-in "xdg-open" first on PATH: it writes its
// arguments, one a line, then stays for `seconds`.
struct FakeLauncher {
    std::string dir;
    std::string out;
    std::string oldPath;

    explicit FakeLauncher(int seconds)
    {
        char pattern[] = "/tmp/open_url_XXXXXX";
        dir = mkdtemp(pattern);
        out = dir + "/args";
        const std::string script = dir + "/xdg-open";
        std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"" << out
                              << ".tmp\"\nmv \"" << out << ".tmp\" \"" << out << "\"\nsleep " << seconds
                              << "\n";
        chmod(script.c_str(), 0755);
        oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", (dir + ":" + oldPath).c_str(), 1);
    }
    ~FakeLauncher()
    {
        setenv("PATH", oldPath.c_str(), 1);
        std::string cmd = "rm -rf '" + dir + "'";
        if (std::system(cmd.c_str()) != 0) { }
    }
    bool waitForArgs(int ms) const
    {
        for (int i = 0; i < ms / 10; ++i) {
            if (access(out.c_str(), F_OK) == 0)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

} // namespace

TEST(OpenUrl, ReturnsWhileTheLauncherStillRunsAndPassesTheUrlWhole)
{
    FakeLauncher launcher(3);
    const std::string url = "http://192.168.1.20:80/a b;$(touch x)";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(vlsys::openUrl(url));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(1000)) << "openUrl waited for the launcher";
    ASSERT_TRUE(launcher.waitForArgs(5000));
    EXPECT_EQ(readFile(launcher.out), url + "\n");
}

TEST(OpenUrl, RefusesAnEmptyUrlAndAMissingLauncher)
{
    EXPECT_FALSE(vlsys::openUrl(""));
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", "/nonexistent", 1);
    EXPECT_FALSE(vlsys::openUrl("http://192.168.1.20:80"));
    setenv("PATH", oldPath.c_str(), 1);
}

TEST(OpenUrl, AHookTakesEveryRequestInsteadOfABrowser)
{
    std::vector<vlsys::OpenUrlRequest> seen;
    vlsys::setOpenUrlHook([&](const vlsys::OpenUrlRequest& r) {
        seen.push_back(r);
        return false;
    });
    FakeLauncher launcher(0);
    EXPECT_FALSE(vlsys::openUrl("https://10.0.0.1:443", true));
    EXPECT_TRUE(vlsys::openUrl("http://10.0.0.2:80") == false);
    vlsys::setOpenUrlHook({});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].url, "https://10.0.0.1:443");
    EXPECT_TRUE(seen[0].elevated);
    EXPECT_FALSE(seen[1].elevated);
    EXPECT_FALSE(launcher.waitForArgs(300)) << "the launcher ran although a hook was set";
}
