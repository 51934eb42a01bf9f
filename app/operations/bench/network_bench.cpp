// How a batch of network changes scales: starts the device simulator with N
// devices in the lab, finds them with a multicast search, and re-addresses
// all of them at once through the program's operation 0, the way the search
// page does (every device's entry handed to the work pool): first by
// multicast, then through VLNet back to where they were. Prints, per batch,
// the wall time, the sum of the devices' own round trips (from the moment
// a pool thread takes the device's entry to its final status) and how many
// devices ended with success.
//
//   tests/lab/lab run -- build/tests/bin/network_bench [--devices 100]
//
// A run on the development host (100 devices): multicast wall 16.1 s
// against 1604 s of round trips (each device's update listens through both
// of its passes, 8 s each); VLNet wall 26 ms against 537 ms.
//
// Not a test: it asserts nothing and its times depend on the host.
#include "ShellTestEnv.h"
#include "common/json.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "devices/WorkPool.h"
#include "support/devsim.h"
#include "vl_sdk_wrapper.h"
#include "vlnet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace std::chrono;

namespace
{

struct Answers {
    std::mutex lock;
    std::vector<std::string> texts;
    bool ended = false;

    static void VL_CALL on_result(const char* json, void* user)
    {
        auto* a = static_cast<Answers*>(user);
        std::lock_guard<std::mutex> hold(a->lock);
        if (!json)
            a->ended = true;
        else
            a->texts.emplace_back(json);
    }
};

// One device of the batch, with the times of its run.
struct Run {
    DeviceInfo* device = nullptr;
    steady_clock::time_point taken;
    steady_clock::time_point ended;
    bool done = false;
};

// The search page as the batch sees it: notes when each device has ended.
class Page : public SearchDeviceWatcher
{
public:
    void removeWorkDevice(DeviceInfo* device, bool, bool remove) override
    {
        if (!remove)
            return;
        QMutexLocker hold(&m_lock);
        for (Run& r : *runs) {
            if (r.device == device && !r.done) {
                r.ended = steady_clock::now();
                r.done = true;
                ++ended;
            }
        }
    }
    int endedCount()
    {
        QMutexLocker hold(&m_lock);
        return ended;
    }
    std::vector<Run>* runs = nullptr;

private:
    QMutex m_lock;
    int ended = 0;
};

void timedEntry(void* argument)
{
    auto* run = static_cast<Run*>(argument);
    run->taken = steady_clock::now();
    DeviceInfo::doModifyWork(run->device);
}

void batch(const char* name, std::vector<Run>& runs, int successStatus)
{
    Page page;
    page.runs = &runs;
    for (Run& r : runs) {
        r.done = false;
        r.device->searchPage = &page;
        r.device->setFamilyStatus(DeviceInfo::NetworkFamily, 4);
    }
    const auto start = steady_clock::now();
    for (Run& r : runs)
        WorkPool::instance()->submit(&timedEntry, &r, WorkPool::NormalQueue);
    QElapsedTimer limit;
    limit.start();
    while (page.endedCount() < int(runs.size()) && limit.elapsed() < 180000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    const auto end = steady_clock::now();
    long long sum = 0;
    long long longest = 0;
    int ok = 0;
    for (const Run& r : runs) {
        if (!r.done)
            continue;
        const long long ms = duration_cast<milliseconds>(r.ended - r.taken).count();
        sum += ms;
        longest = std::max(longest, ms);
        ok += r.device->status(DeviceInfo::NetworkFamily) == successStatus ? 1 : 0;
    }
    std::printf("%-9s %zu devices: wall %lld ms, sum of round trips %lld ms (longest %lld ms), "
                "%d ended, %d with success\n",
        name, runs.size(), (long long)duration_cast<milliseconds>(end - start).count(), sum, longest,
        page.endedCount(), ok);
    std::fflush(stdout);
    for (Run& r : runs)
        r.device->searchPage = nullptr;
}

int number_arg(int argc, char** argv, const char* name, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return std::atoi(argv[i + 1]);
    return fallback;
}

void setText(char* field, std::size_t width, const std::string& text)
{
    std::memset(field, 0, width);
    copyRecordText(field, width, QByteArray::fromStdString(text));
}

} // namespace

int main(int argc, char** argv)
{
    if (!vltest::Lab::active()) {
        std::fprintf(stderr, "network_bench: run it inside the lab: tests/lab/lab run -- %s\n", argv[0]);
        return 2;
    }
    setenv("VL_BUILD_BIN", VL_BENCH_BUILD_BIN, 0);
    QCoreApplication app(argc, argv);
    // Every multicast update logs its request: a hundred of them hide the
    // figures.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    const int devices = number_arg(argc, argv, "--devices", 100);

    vltest::Devsim sim({ "--generate", std::to_string(devices), "--seed", "5", "--inactive-percent", "0",
        "--onvif-percent", "0", "--password", GKAppSetting::kDefaultPassword });
    VLNetInit();

    Answers answers;
    multicast_handle* search
        = vl_start_multi_search(R"({"delay":500,"timeout":3000})", Answers::on_result, &answers);
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(answers.lock);
            if (answers.ended || !search)
                break;
        }
        QThread::msleep(20);
    }
    if (search)
        vl_stop_multi_search(search);

    std::vector<std::unique_ptr<DeviceInfo>> records;
    std::vector<Run> runs;
    for (const std::string& text : answers.texts) {
        Json::Value v;
        if (!vljson::parse_object(text, v) || !v.isMember("dev id"))
            continue;
        auto d = std::make_unique<DeviceInfo>();
        SearchDevRsp& r = d->searchRecord;
        setText(r.sdk.ip, sizeof r.sdk.ip, v["wired ip"].asString());
        setText(r.sdk.mac_addr, sizeof r.sdk.mac_addr, v["mac"].asString());
        setText(r.sdk.netmask, sizeof r.sdk.netmask, v["wired mask"].asString());
        setText(r.sdk.gateway, sizeof r.sdk.gateway, v["wired gateway"].asString());
        setText(r.devId, sizeof r.devId, v["dev id"].asString());
        setText(r.devEnc, sizeof r.devEnc, v["dev enc"].asString());
        r.sdk.media_port = v["media port"].asUInt();
        r.sdk.web_port = v["web port"].asUInt();
        d->searchSource = 1;
        records.push_back(std::move(d));
    }
    std::printf("found %zu of %d devices\n", records.size(), devices);
    runs.resize(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        runs[i].device = records[i].get();

    // Away by multicast, then back through VLNet.
    std::vector<QString> home;
    for (std::size_t i = 0; i < records.size(); ++i) {
        DeviceInfo* d = records[i].get();
        home.push_back(d->ip());
        d->user = QLatin1String(GKAppSetting::kDefaultUser);
        d->password = QLatin1String(GKAppSetting::kDefaultPassword);
        d->setModifyParams(QStringLiteral("192.168.60.%1").arg(i + 1), 0, 0, QString(),
            QStringLiteral("255.255.0.0"), 1, QString(), QString());
    }
    {
        ShellTestOptions o;
        o.curpro = 0;
        ShellTestEnv env(o);
        for (auto& d : records)
            d->httpPort = d->webPort();
        batch("multicast", runs, 61);
    }
    {
        ShellTestOptions o;
        o.curpro = 1;
        ShellTestEnv env(o);
        for (std::size_t i = 0; i < records.size(); ++i) {
            DeviceInfo* d = records[i].get();
            // Where the multicast batch put it, as a new search would show.
            setText(d->searchRecord.sdk.ip, sizeof d->searchRecord.sdk.ip, d->newIp.toStdString());
            d->newIp = home[i];
            d->newWebPort = quint16(d->webPort());
        }
        batch("VLNet", runs, 5);
    }
    WorkPool::instance()->stopAndWait(5000);
    records.clear();
    VLNetRelease();
    return sim.stopCleanly() ? 0 : 1;
}
