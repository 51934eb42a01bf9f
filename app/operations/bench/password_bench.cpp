// How long a password change takes on many devices over the web interface:
// starts the device simulator with N devices in the lab, changes every
// device's password once device by device (the sum of the devices' own
// times) and once as the password page does, all devices handed to the
// work pool at once (the wall time), and prints both.
//
//   tests/lab/lab run -- build/tests/bin/password_bench [--devices 100]
//
// Not a test: it asserts nothing and its times depend on the host.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "devices/WorkPool.h"
#include "support/devsim.h"
#include "support/lab.h"
#include "vlnet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace
{

int numberArg(int argc, char** argv, const char* name, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return std::atoi(argv[i + 1]);
    return fallback;
}

class Page : public DeviceWatcher
{
public:
    void removeWorkDevice(DeviceInfo*, bool) override { ++ended; }
    std::atomic<int> ended { 0 };
};

// Any status but none (-1), the operation's start (0) and the login under
// way (4); a failed login ends a device too.
bool finalStatus(int s)
{
    return s >= 1 && s != 4;
}

// Waits, delivering the devices' events, until every device has a final
// status and is logged out.
bool waitAll(const std::vector<std::unique_ptr<DeviceInfo>>& devices, int ms)
{
    QElapsedTimer t;
    t.start();
    for (;;) {
        QCoreApplication::sendPostedEvents();
        bool all = true;
        for (const auto& d : devices)
            all = all && finalStatus(d->lastStatus()) && !d->loggedIn.load();
        if (all)
            return true;
        if (t.elapsed() > ms)
            return false;
        QThread::msleep(2);
    }
}

void prepare(DeviceInfo& d, const QString& from, const QString& to)
{
    d.storeStatus(-1);
    d.user = QStringLiteral("admin");
    d.password = from;
    d.newPassword = to;
    d.secondPassword = to;
}

} // namespace

int main(int argc, char** argv)
{
    if (!vltest::Lab::active()) {
        std::fprintf(stderr, "password_bench: run it inside the lab: tests/lab/lab run -- %s\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    setenv("VL_BUILD_BIN", VL_TEST_BUILD_BIN, 0);
    const int count = numberArg(argc, argv, "--devices", 100);
    ShellTestOptions options;
    options.curpro = 0; // the web interface
    ShellTestEnv env(options);

    const QString first = QString::fromLatin1(GKAppSetting::kDefaultPassword);
    const QString second = QStringLiteral("Bench_pass_2");
    const QString third = QStringLiteral("Bench_pass_3");
    vltest::Devsim sim({ "--generate", std::to_string(count), "--seed", "9", "--inactive-percent", "0",
        "--onvif-percent", "0", "--https-port", "0", "--password", GKAppSetting::kDefaultPassword });
    VLNetInit();
    Page page;
    std::vector<std::unique_ptr<DeviceInfo>> devices;
    for (int n = 0; n < count; ++n) {
        const Json::Value net
            = sim.must("{\"cmd\":\"get\",\"device\":" + std::to_string(n) + "}")["state"]["network"];
        auto d = std::make_unique<DeviceInfo>();
        copyRecordText(d->searchRecord.sdk.ip, net["ip"].asCString());
        d->searchRecord.sdk.web_port = net["web_port"].asUInt();
        d->changePasswordPage = &page;
        devices.push_back(std::move(d));
    }

    // Device by device: the sum of their own times.
    QElapsedTimer t;
    qint64 sum = 0;
    for (auto& d : devices) {
        prepare(*d, first, second);
        t.start();
        WorkPool::instance()->submit(&DeviceInfo::doChangePasswordWork, d.get(), WorkPool::NormalQueue);
        while (!(finalStatus(d->lastStatus()) && !d->loggedIn.load())) {
            QCoreApplication::sendPostedEvents();
            QThread::msleep(1);
        }
        sum += t.elapsed();
    }
    int changed = 0;
    for (const auto& d : devices)
        changed += d->lastStatus() == 5;
    std::fprintf(stderr, "one by one: %lld ms, %d changed\n", static_cast<long long>(sum), changed);

    // All at once, as the page hands them to the work pool.
    for (auto& d : devices)
        prepare(*d, second, third);
    t.start();
    for (auto& d : devices)
        WorkPool::instance()->submit(&DeviceInfo::doChangePasswordWork, d.get(), WorkPool::NormalQueue);
    const bool ended = waitAll(devices, numberArg(argc, argv, "--wait-ms", 120000));
    const qint64 wall = t.elapsed();
    if (!ended) {
        // Which devices did not end, and where they stand.
        for (std::size_t n = 0; n < devices.size(); ++n) {
            const DeviceInfo& d = *devices[n];
            if (!finalStatus(d.lastStatus()) || d.loggedIn.load())
                std::fprintf(stderr, "device %zu: status %d, logged in %d\n", n, d.lastStatus(),
                    int(d.loggedIn.load()));
        }
    }
    int back = 0;
    std::map<int, int> others; // other final statuses and their counts
    for (const auto& d : devices) {
        if (d->lastStatus() == 5)
            ++back;
        else
            ++others[d->lastStatus()];
    }

    std::printf("%d devices: one by one %lld ms in all (%d changed), at once %lld ms wall (%d changed)%s\n",
        count, static_cast<long long>(sum), changed, static_cast<long long>(wall), back,
        ended ? "" : ", not all ended");
    for (const auto& [status, count] : others)
        std::printf("%d devices ended with status %d\n", count, status);
    WorkPool::instance()->stopAndWait(10000);
    devices.clear();
    VLNetRelease();
    return 0;
}
