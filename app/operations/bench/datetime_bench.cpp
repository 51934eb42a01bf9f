// How the date-and-time operation scales over many devices: starts the
// device simulator with N devices in the lab and sets their clocks as the
// page does (entry, login, the worker on the work pool, logout), once over
// VLNet and once over the web interface. Prints, per transport, the wall
// time of the whole batch against the sum of the devices' own times (from
// the entry to the page's word), and how many devices ended set.
//
//   tests/lab/lab run -- build/tests/bin/datetime_bench [--devices 200]
//
// Not a test: it asserts nothing and its times depend on the host.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "devices/WorkPool.h"
#include "support/devsim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace
{

// The page: notes when its device's operation ended.
class Page : public DeviceWatcher
{
public:
    void removeWorkDevice(DeviceInfo*, bool) override
    {
        if (!ended.exchange(true))
            endedMs = clock->elapsed();
    }
    const QElapsedTimer* clock = nullptr;
    std::atomic<bool> ended { false };
    std::atomic<qint64> endedMs { 0 };
};

void runOnce(vltest::Devsim& sim, int devices, int protocol, const char* name)
{
    ShellTestOptions options;
    options.curpro = protocol;
    ShellTestEnv env(options);
    QElapsedTimer clock;
    std::vector<std::unique_ptr<DeviceInfo>> records;
    std::vector<std::unique_ptr<Page>> pages;
    for (int n = 0; n < devices; ++n) {
        const Json::Value state = sim.must("{\"cmd\":\"get\",\"device\":" + std::to_string(n) + "}")["state"];
        const Json::Value net = state["network"];
        auto d = std::make_unique<DeviceInfo>();
        copyRecordText(d->searchRecord.sdk.ip, net["ip"].asCString());
        d->searchRecord.sdk.web_port = net["web_port"].asUInt();
        d->searchRecord.sdk.media_port = net["media_port"].asUInt();
        d->setDateTimeParam(QDateTime::currentDateTime());
        pages.push_back(std::make_unique<Page>());
        pages.back()->clock = &clock;
        d->streamConfigPage = pages.back().get();
        records.push_back(std::move(d));
    }
    clock.start();
    for (auto& d : records)
        WorkPool::instance()->submit(&DeviceInfo::doDateTimeWork, d.get(), WorkPool::NormalQueue);
    for (;;) {
        QCoreApplication::sendPostedEvents();
        bool all = true;
        for (std::size_t i = 0; i < records.size() && all; ++i)
            all = pages[i]->ended.load() && !records[i]->isBusy();
        if (all || clock.elapsed() > 300000)
            break;
        QThread::msleep(5);
    }
    const qint64 wall = clock.elapsed();
    qint64 sum = 0;
    int set = 0;
    std::map<int, int> others; // other final statuses and their counts
    for (std::size_t i = 0; i < records.size(); ++i) {
        sum += pages[i]->endedMs.load();
        if (records[i]->lastStatus() == 5)
            ++set;
        else
            ++others[records[i]->lastStatus()];
    }
    std::printf("%-14s %4d devices: %4d set, wall %6lld ms, sum of the devices' times %8lld ms (%.1fx)\n",
        name, devices, set, static_cast<long long>(wall), static_cast<long long>(sum),
        wall > 0 ? double(sum) / double(wall) : 0.0);
    for (const auto& [status, count] : others)
        std::printf("%-14s %4d devices ended with status %d\n", "", count, status);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int devices = 200;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--devices") == 0)
            devices = std::atoi(argv[i + 1]);
    }
    setenv("VL_BUILD_BIN", VL_BENCH_BUILD_BIN, 0);
    vltest::Devsim sim({ "--generate", std::to_string(devices), "--seed", "5", "--inactive-percent", "0",
        "--onvif-percent", "0", "--password", GKAppSetting::kDefaultPassword });
    VLNetInit();
    WorkPool::instance();
    runOnce(sim, devices, 1, "VLNet");
    runOnce(sim, devices, 0, "web interface");
    WorkPool::instance()->stopAndWait(10000);
    VLNetRelease();
    return sim.stopCleanly() ? 0 : 1;
}
