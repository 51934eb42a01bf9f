// The device lists: who owns the found devices, when they are deleted, and
// the status reset before a batch.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceInfoMng.h"

#include <QPointer>
#include <QThread>
#include <QVector>
#include <gtest/gtest.h>

namespace
{

class DeviceLists : public testing::Test
{
protected:
    void TearDown() override
    {
        DeviceInfoMng::instance()->setDevices({});
        DeviceInfoMng::instance()->setExtranetDevices({});
    }

    ShellTestEnv env;
};

} // namespace

TEST_F(DeviceLists, ReplacingAListDeletesItsRecords)
{
    DeviceInfoMng* mng = DeviceInfoMng::instance();
    auto* a = new DeviceInfo;
    auto* b = new DeviceInfo;
    auto* range = new DeviceInfo;
    QPointer<DeviceInfo> aAlive(a), bAlive(b), rangeAlive(range);
    mng->setDevices({ a, b });
    mng->setExtranetDevices({ range });
    EXPECT_EQ(mng->devices(), (QList<DeviceInfo*> { a, b }));

    // A record that the new list holds again stays.
    mng->setDevices({ b });
    EXPECT_TRUE(aAlive.isNull());
    EXPECT_FALSE(bAlive.isNull());
    mng->setDevices(mng->devices());
    EXPECT_FALSE(bAlive.isNull());

    mng->setDevices({});
    EXPECT_TRUE(bAlive.isNull());
    EXPECT_TRUE(mng->devices().isEmpty());
    EXPECT_FALSE(rangeAlive.isNull()) << "the IP-range list is its own";
    mng->setExtranetDevices({});
    EXPECT_TRUE(rangeAlive.isNull());
}

TEST_F(DeviceLists, AppendingReplacesTheListWithoutDeleting)
{
    DeviceInfoMng* mng = DeviceInfoMng::instance();
    DeviceInfo a1, a2, b1;
    mng->appendDevices({ &a1, &a2 });
    mng->appendDevices({ &b1 });
    EXPECT_EQ(mng->devices(), QList<DeviceInfo*> { &b1 });
    mng->appendExtranetDevices({ &a1 });
    EXPECT_EQ(mng->extranetDevices(), QList<DeviceInfo*> { &a1 });
    // The records here live on the stack: drop them, never delete them.
    mng->appendDevices({});
    mng->appendExtranetDevices({});
}

TEST_F(DeviceLists, ResetStatusClearsTheLastStatusAndTheOperationsFamilies)
{
    DeviceInfoMng* mng = DeviceInfoMng::instance();
    DeviceInfo sdkDefault, recoveryReboot, stream;
    for (DeviceInfo* d : { &sdkDefault, &recoveryReboot, &stream }) {
        for (int family = 0; family < DeviceInfo::kFamilyCount; ++family)
            d->setFamilyStatus(family, 5);
    }
    sdkDefault.operation = DeviceInfo::SdkDefault;
    recoveryReboot.operation = DeviceInfo::RecoveryReboot;
    stream.operation = DeviceInfo::GetStream;
    mng->appendDevices({ &sdkDefault, &recoveryReboot, &stream });
    mng->resetStatus();
    mng->appendDevices({});

    auto cleared = [](const DeviceInfo& d) {
        QVector<int> families;
        for (int family = 0; family < DeviceInfo::kFamilyCount; ++family) {
            if (d.status(family) == -1)
                families << family;
        }
        return families;
    };
    EXPECT_EQ(cleared(sdkDefault), QVector<int> { 0 });
    EXPECT_EQ(cleared(recoveryReboot), (QVector<int> { 0, 1, 9 }));
    EXPECT_EQ(cleared(stream), (QVector<int> { 0, 11 }));
}

TEST_F(DeviceLists, OneInstanceForEveryThread)
{
    QVector<DeviceInfoMng*> seen(8, nullptr);
    QVector<QThread*> threads;
    for (int i = 0; i < seen.size(); ++i)
        threads << QThread::create([&seen, i] { seen[i] = DeviceInfoMng::instance(); });
    for (QThread* t : threads)
        t->start();
    for (QThread* t : threads) {
        t->wait();
        delete t;
    }
    for (DeviceInfoMng* m : seen)
        EXPECT_EQ(m, DeviceInfoMng::instance());
}
