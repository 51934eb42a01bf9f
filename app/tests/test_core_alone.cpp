// dorvex_core by itself: this test links no other part of the program and
// runs with a QCoreApplication. It proves that the core builds and works
// without Qt Widgets, and shows how core code hands results across threads.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceWatcher.h"
#include "devices/WorkPool.h"
#include "shell/GKAppSetting.h"
#include "shell/TextTable.h"
#include "shell/edition/EditionProfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <gtest/gtest.h>

namespace
{

// A page as the core sees it: a watcher whose removeWorkDevice may run on a
// pool thread and hands the result to its own thread by a queued call.
class FakePage : public QObject, public DeviceWatcher
{
public:
    void removeWorkDevice(DeviceInfo* device, bool remove) override
    {
        {
            QMutexLocker lock(&mutex);
            if (remove)
                workList.removeAll(device);
            callThreads << QThread::currentThread();
        }
        QMetaObject::invokeMethod(
            this, [this, device] { refreshedOn << qMakePair(device, QThread::currentThread()); },
            Qt::QueuedConnection);
    }

    QMutex mutex;
    QList<DeviceInfo*> workList;
    QList<QThread*> callThreads;
    QList<QPair<DeviceInfo*, QThread*>> refreshedOn;
};

} // namespace

TEST(CoreAlone, RunsWithoutAnyGuiLibrary)
{
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    EXPECT_FALSE(QCoreApplication::instance()->inherits("QGuiApplication"));
#ifdef Q_OS_LINUX
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QByteArray loaded = maps.readAll();
    EXPECT_FALSE(loaded.contains("libQt5Widgets")) << "dorvex_core pulled in Qt Widgets";
    EXPECT_FALSE(loaded.contains("libQt5Gui")) << "dorvex_core pulled in Qt Gui";
#endif
}

TEST(CoreAlone, SettingsTextsAndTheEditionProfile)
{
    ShellTestEnv::Options options;
    options.edition = 65;
    ShellTestEnv env(options);
    GKAppSetting* settings = env.settings();
    EXPECT_EQ(settings->customerId(), 65);
    EXPECT_EQ(&settings->profile(), &EditionProfile::of(65));
    EXPECT_TRUE(settings->profile().storesPassword);
    EXPECT_EQ(TextTable::text(4), QStringLiteral("OK"));
}

TEST(CoreAlone, TheUploadLimitFollowsTheProtocol)
{
    DeviceInfo::maxUpgradingCount = 0;
    DeviceInfo::setUploadLimitForProtocol(2); // no such protocol: unchanged
    EXPECT_EQ(DeviceInfo::maxUpgradingCount.load(), 0);
    DeviceInfo::setUploadLimitForProtocol(0);
    EXPECT_EQ(DeviceInfo::maxUpgradingCount.load(), 30);
    DeviceInfo::setUploadLimitForProtocol(1);
    EXPECT_EQ(DeviceInfo::maxUpgradingCount.load(), 1);
    DeviceInfo::setUploadLimitForProtocol(-1);
    EXPECT_EQ(DeviceInfo::maxUpgradingCount.load(), 1);
}

TEST(CoreAlone, AWatcherHearsFromPoolThreadsAndRefreshesOnItsOwnThread)
{
    FakePage page;
    DeviceInfo device;
    EXPECT_EQ(device.upgradePage, nullptr);
    device.upgradePage = &page;
    page.workList << &device;

    WorkPool pool(2);
    pool.submit(
        [](DeviceInfo* d) {
            d->upgradePage->removeWorkDevice(d, false);
            d->upgradePage->removeWorkDevice(d, true);
        },
        &device, WorkPool::NormalQueue);
    QElapsedTimer waited;
    waited.start();
    while (page.refreshedOn.size() < 2 && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(page.refreshedOn.size(), 2);
    EXPECT_TRUE(page.workList.isEmpty());
    for (QThread* t : page.callThreads)
        EXPECT_NE(t, QThread::currentThread());
    for (const auto& refresh : page.refreshedOn) {
        EXPECT_EQ(refresh.first, &device);
        EXPECT_EQ(refresh.second, QThread::currentThread());
    }
    EXPECT_TRUE(pool.stopAndWait(5000));
}
