// Web logins of many device records at once, as a page that configures a
// whole selection starts them: every one must succeed. Devsim plays all the
// devices behind one listener per port, so a burst of connections must not
// be lost before the devices answer (a lost handshake came back only after
// the client's connect time-out, and the login ended as a closed one).
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "support/ConnectEvents.h"
#include "support/poll.h"
#include "support/vlnet_lab.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

namespace
{

constexpr int kDevices = 120;

class DeviceLoginBurstLab : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        // The stand-in's own times: the connect time-out is the one that a
        // lost handshake ran into.
        startLab({ "1000", "3000", "5000", "5000" },
            { "--generate", std::to_string(kDevices), "--seed", "11", "--inactive-percent", "0",
                "--onvif-percent", "0", "--password", GKAppSetting::kDefaultPassword });
    }
};

struct Record {
    DeviceInfo device;
    std::unique_ptr<ConnectEvents> events;
};

} // namespace

TEST_F(DeviceLoginBurstLab, EveryDeviceOfABurstLogsInOverTheWeb)
{
    ShellTestOptions options;
    options.curpro = 0; // the web interface
    ShellTestEnv env(options);
    std::vector<std::unique_ptr<Record>> records;
    for (int n = 0; n < kDevices; ++n) {
        auto r = std::make_unique<Record>();
        r->events = std::make_unique<ConnectEvents>(&r->device);
        const Json::Value net = state(n)["network"];
        copyRecordText(r->device.searchRecord.sdk.ip, net["ip"].asCString());
        r->device.searchRecord.sdk.web_port = net["web_port"].asUInt();
        r->device.searchRecord.sdk.https_port = net["https_port"].asUInt();
        r->device.operation = DeviceInfo::QueryVersion;
        records.push_back(std::move(r));
    }

    for (auto& r : records)
        r->device.loginDevice();
    // Each login ends with one code; a generous bound for a loaded host.
    QDeadlineTimer deadline(60000);
    auto allAnswered = [&] {
        for (const auto& r : records)
            if (r->events->codes.empty())
                return false;
        return true;
    };
    while (!allAnswered() && !deadline.hasExpired()) {
        QCoreApplication::sendPostedEvents();
        QThread::msleep(5);
    }

    std::map<int, int> outcomes; // the first code of each login (0: none) and its count
    std::ostringstream failed;
    for (int n = 0; n < kDevices; ++n) {
        const ConnectEvents& e = *records[std::size_t(n)]->events;
        const int code = e.codes.empty() ? 0 : e.codes.front();
        ++outcomes[code];
        if (code != 101)
            failed << " " << n << ":" << code;
    }
    EXPECT_EQ(outcomes[101], kDevices) << "devices whose login failed (device:code):" << failed.str();
    for (const auto& [code, count] : outcomes)
        std::fprintf(stderr, "code %d: %d logins\n", code, count);
    // Each device holds the session its login opened.
    for (int n = 0; n < kDevices; ++n) {
        if (records[std::size_t(n)]->events->codes == std::vector<int> { 101 }) {
            EXPECT_EQ(state(n)["web_sessions"].size(), 1u) << "device " << n;
        }
    }

    for (auto& r : records)
        r->device.logoutDevice(__LINE__);
    EXPECT_TRUE(vltest::pollUntil(
        [&] {
            for (int n = 0; n < kDevices; ++n)
                if (!state(n)["web_sessions"].empty())
                    return false;
            return true;
        },
        10000));
}
