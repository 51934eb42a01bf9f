// Web logins of many devices at once through vl_device_login_ex, as a tool
// that configures a whole selection starts them: every one must succeed and
// hold its web session. Devsim plays all the devices behind one listener per
// port; a burst must not lose connections before the devices answer.
#include "lab_session.h"
#include "support/poll.h"
#include "vl_sdk_wrapper.h"

#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using lab_session::Session;

namespace
{

constexpr int kDevices = 120;

class LoginBurstLab : public lab_session::DeviceLab
{
protected:
    static void SetUpTestSuite()
    {
        // The stand-in's own times: its connect time-out is what a lost
        // handshake ran into.
        startLab({ "1000", "3000", "5000", "5000" },
            { "--generate", std::to_string(kDevices), "--seed", "12", "--inactive-percent", "0",
                "--onvif-percent", "0", "--password", lab_session::kPassword });
    }
};

} // namespace

TEST_F(LoginBurstLab, EveryDeviceOfABurstLogsInOverTheWeb)
{
    std::vector<device*> devices;
    std::vector<std::unique_ptr<Session>> sessions;
    std::vector<std::string> ports;
    for (int n = 0; n < kDevices; ++n)
        ports.push_back(state(n)["network"]["web_port"].asString());
    for (int n = 0; n < kDevices; ++n) {
        devices.push_back(vl_create_device());
        sessions.push_back(std::make_unique<Session>());
        ASSERT_EQ(
            login(devices.back(), *sessions.back(), n, R"("protocol": "auto", "port": )" + ports[size_t(n)]),
            vl_success);
    }
    // A generous bound for a loaded host; each login ends in "success" or
    // "close".
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::map<std::string, int> outcomes; // the first final status of each login and its count
    std::vector<std::string> ended(kDevices);
    std::ostringstream failed;
    for (int n = 0; n < kDevices; ++n) {
        Session& s = *sessions[size_t(n)];
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        s.wait([&] { return s.count_status("success") + s.count_status("close") > 0; },
            int(std::max<long long>(0, left.count())));
        std::string outcome = "none";
        for (const auto& text : s.status_texts())
            if (text == "success" || text == "close") {
                outcome = text;
                break;
            }
        ++outcomes[outcome];
        ended[size_t(n)] = outcome;
        if (outcome != "success")
            failed << " " << n << ":" << outcome;
    }
    EXPECT_EQ(outcomes["success"], kDevices) << "devices whose login failed (device:status):" << failed.str();
    for (int n = 0; n < kDevices; ++n) {
        if (ended[size_t(n)] == "success") {
            EXPECT_EQ(state(n)["web_sessions"].size(), 1u) << "device " << n;
        }
    }

    for (device* d : devices)
        vl_destroy_device(d);
    EXPECT_TRUE(vltest::pollUntil(
        [&] {
            for (int n = 0; n < kDevices; ++n)
                if (!state(n)["web_sessions"].empty())
                    return false;
            return true;
        },
        10000))
        << "destroying the devices ends their sessions";
}
