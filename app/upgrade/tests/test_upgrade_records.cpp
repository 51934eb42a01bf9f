// The result record of a device that must come back after a reboot, and the
// firmware file of a batch upgrade.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "upgrade/SearchDeviceInfo.h"
#include "upgrade/UpgradePackParser.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(SearchDeviceInfo, FinishesOnceAndFailsThroughTheDevicesSlot)
{
    ShellTestEnv env;
    DeviceInfo device;
    copyRecordText(device.searchRecord.sdk.mac_addr, "aa:bb:cc:00:11:22");
    copyRecordText(device.searchRecord.sdk.device_version, "V1");
    copyRecordText(device.searchRecord.sdk.p2p_id, "-x");
    SearchDeviceInfo record(&device);
    EXPECT_EQ(record.mac, QStringLiteral("aa:bb:cc:00:11:22"));
    EXPECT_EQ(record.oldVersion, QStringLiteral("V1"));
    EXPECT_TRUE(record.p2pId.isEmpty());
    EXPECT_FALSE(record.finished);

    device.videoFormatRecord = &record;
    device.operation = DeviceInfo::VideoFormat;
    device.setStatus(86);
    EXPECT_TRUE(record.finished);
    EXPECT_EQ(record.state, SearchDeviceInfo::Failed);
    EXPECT_EQ(record.result, QStringLiteral("Failed"));
    const qint64 end = record.endTime;
    EXPECT_GT(end, 0);

    record.succeed(0); // the first outcome stays
    EXPECT_EQ(record.result, QStringLiteral("Failed"));
    EXPECT_EQ(record.endTime, end);

    EXPECT_EQ(SearchDeviceInfo::stateBudget(SearchDeviceInfo::Holding), 300);
    EXPECT_EQ(SearchDeviceInfo::stateBudget(SearchDeviceInfo::Rebooting), 120);
    EXPECT_EQ(SearchDeviceInfo::stateBudget(SearchDeviceInfo::Searching), 180);
    EXPECT_EQ(SearchDeviceInfo::stateBudget(0), 0);
    EXPECT_EQ(SearchDeviceInfo::stateBudget(SearchDeviceInfo::Succeed), 0);
}

TEST(UpgradePackParser, MapsFilesOfAtLeast1024Bytes)
{
    QTemporaryDir dir;
    auto file = [&](const char* name, int size) {
        const QString path = dir.filePath(QLatin1String(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(size, 'f'));
        return path;
    };
    UpgradePackParser parser;
    EXPECT_TRUE(parser.load(file("exact.bin", 1024)));
    ASSERT_NE(parser.data(), nullptr);
    EXPECT_EQ(parser.size(), 1024);
    EXPECT_EQ(parser.data()[1023], 'f');

    EXPECT_FALSE(parser.load(file("short.bin", 1023)));
    EXPECT_EQ(parser.data(), nullptr);
    EXPECT_EQ(parser.size(), 0);
    EXPECT_FALSE(parser.load(dir.filePath(QStringLiteral("missing.bin"))));
    EXPECT_EQ(parser.data(), nullptr);

    EXPECT_TRUE(parser.load(file("second.bin", 2048)));
    EXPECT_EQ(parser.size(), 2048);
    parser.close();
    parser.close();
    EXPECT_EQ(parser.data(), nullptr);
    EXPECT_TRUE(parser.path().isEmpty());
}
