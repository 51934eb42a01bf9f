#pragma once
// A device record whose state machine runs against fakes: every worker of
// the table is a fake that notes its run, the work pool's hook notes (and
// keeps) every task handed to it, the pages, the upload supervisor and the
// video-format record note what they are told, and logins and logouts are
// counted. Logins go to the web interface (protocol 0) with an empty user,
// which the login refuses at once with code 103 and without any traffic;
// the fixture swallows that code and counts it as one login started.
//
//   MachineFixture f;
//   f.device->operation = DeviceInfo::SetStream;
//   f.post(new QConnectEvent(101));
//   EXPECT_EQ(f.submitted, QStringList { "setStreamConfig@0" });
#include "ShellTestEnv.h"
#include "devices/DeviceEvents.h"
#include "devices/DeviceInfo.h"
#include "devices/WorkPool.h"
#include "operations/WorkerTable.h"

#include <QCoreApplication>
#include <QObject>
#include <QStringList>
#include <memory>
#include <utility>

namespace machine_test
{

// The steps that fake workers ran inline, by name, in order.
inline QStringList& ranSteps()
{
    static QStringList steps;
    return steps;
}

template <int Step> void fakeWorker(DeviceInfo*)
{
    ranSteps() << QLatin1String(WorkerTable::name(WorkerStep(Step)));
}

template <int... Steps> void installFakes(std::integer_sequence<int, Steps...>)
{
    (WorkerTable::setFunction(WorkerStep(Steps), &fakeWorker<Steps>), ...);
}

inline QString stepNameOf(WorkTask::DeviceFunction f)
{
    for (int i = 0; i < kWorkerStepCount; ++i) {
        if (WorkerTable::function(WorkerStep(i)) == f)
            return QLatin1String(WorkerTable::name(WorkerStep(i)));
    }
    return QStringLiteral("other task");
}

// One batch page, or all the other watchers at once.
class Page : public DeviceWatcher
{
public:
    Page(QString name, QStringList* log)
        : m_name(std::move(name))
        , m_log(log)
    {
    }
    void removeWorkDevice(DeviceInfo*, bool remove) override
    {
        *m_log << m_name + (remove ? QStringLiteral(" remove") : QStringLiteral(" refresh"));
    }

private:
    QString m_name;
    QStringList* m_log;
};

class Others : public SearchDeviceWatcher,
               public VideoFormatWatcher,
               public UpgradeSupervisor,
               public DeviceResultRecord
{
public:
    explicit Others(QStringList* log)
        : m_log(log)
    {
    }
    void removeWorkDevice(DeviceInfo*, bool wholeRow, bool remove) override
    {
        *m_log << QStringLiteral("search %1 %2")
                      .arg(wholeRow ? QStringLiteral("row") : QStringLiteral("cell"),
                          remove ? QStringLiteral("remove") : QStringLiteral("keep"));
    }
    void updateDeviceRow(DeviceInfo*) override { *m_log << QStringLiteral("video format row"); }
    void onDeviceUploadStarted(DeviceInfo*) override { *m_log << QStringLiteral("supervisor started"); }
    void onDeviceUploadFinished(DeviceInfo*) override { *m_log << QStringLiteral("supervisor finished"); }
    void onDeviceFailed(DeviceInfo*, int reason) override
    {
        *m_log << QStringLiteral("supervisor failed %1").arg(reason);
    }
    void fail(int code) override { *m_log << QStringLiteral("record failed %1").arg(code); }

private:
    QStringList* m_log;
};

class MachineFixture : public QObject
{
public:
    explicit MachineFixture(ShellTestOptions options = webInterface())
        : env(options)
        , device(new DeviceInfo)
        , others(&heard)
    {
        ranSteps().clear();
        installFakes(std::make_integer_sequence<int, kWorkerStepCount> {});
        WorkPool::setSubmitHook([this](const WorkTask& task, int queue) {
            if (task.deviceFunction)
                submitted << QStringLiteral("%1@%2").arg(stepNameOf(task.deviceFunction)).arg(queue);
            else
                submitted << QStringLiteral("other task@%1").arg(queue);
            return true;
        });
        device->user.clear(); // logins end at once with 103
        device->installEventFilter(this);
        QObject::connect(device.get(), &DeviceInfo::logout, this, [this] { ++logouts; });
    }
    ~MachineFixture() override
    {
        WorkPool::setSubmitHook({});
        WorkerTable::reset();
        device.reset();
        QCoreApplication::removePostedEvents(nullptr);
    }

    static ShellTestOptions webInterface()
    {
        ShellTestOptions o;
        o.curpro = 0;
        return o;
    }

    // Every watcher slot set: each batch page by its name.
    void watchAll()
    {
        const std::pair<DeviceWatcher * DeviceInfo::*, const char*> watcherSlots[] = {
            { &DeviceInfo::upgradePage, "upgrade" },
            { &DeviceInfo::importExportPage, "import" },
            { &DeviceInfo::changePasswordPage, "password" },
            { &DeviceInfo::exportExcelPage, "excel" },
            { &DeviceInfo::deviceInfoPage, "settings" },
            { &DeviceInfo::extranetSearchPage, "range" },
            { &DeviceInfo::streamConfigPage, "stream" },
            { &DeviceInfo::osdConfigPage, "osd" },
            { &DeviceInfo::recoveryPage, "recovery" },
            { &DeviceInfo::initialDevicePage, "initial" },
            { &DeviceInfo::rebootPage, "reboot" },
            { &DeviceInfo::changeDevicePage, "change" },
            { &DeviceInfo::developerPage, "developer" },
            { &DeviceInfo::autoUpgradePage, "auto" },
        };
        for (const auto& slot : watcherSlots) {
            pages.push_back(std::make_unique<Page>(QLatin1String(slot.second), &heard));
            (*device).*(slot.first) = pages.back().get();
        }
        device->searchPage = &others;
        device->videoFormatPage = &others;
    }
    // One page only.
    void watch(DeviceWatcher* DeviceInfo::*slot, const char* name)
    {
        pages.push_back(std::make_unique<Page>(QLatin1String(name), &heard));
        (*device).*slot = pages.back().get();
    }

    // Posts the event to the device and handles what follows from it.
    void post(QEvent* event)
    {
        QCoreApplication::postEvent(device.get(), event);
        // Twice: what the first delivery posts (a refused login) too.
        QCoreApplication::sendPostedEvents(device.get());
        QCoreApplication::sendPostedEvents(device.get());
    }

    void clearJournals()
    {
        heard.clear();
        submitted.clear();
        ranSteps().clear();
        logouts = 0;
        logins = 0;
    }

    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == ConnectEvent) {
            auto* c = static_cast<QConnectEvent*>(e);
            // The refusal of a login this fixture made impossible.
            if (c->code == 103 && c->login != 0) {
                ++logins;
                return true;
            }
        }
        return false;
    }

    ShellTestEnv env;
    std::unique_ptr<DeviceInfo> device;
    QStringList heard; // pages, supervisor, record
    QStringList submitted; // "step@queue"
    int logouts = 0;
    int logins = 0;
    std::vector<std::unique_ptr<Page>> pages;
    Others others;
};

} // namespace machine_test
