// The statuses of a device: which family each operation writes, who hears of
// an upgrade or video-format status (and with which reason), and the text
// each status shows.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"

#include <QVector>
#include <gtest/gtest.h>
#include <set>
#include <utility>
#include <vector>

namespace
{

using D = DeviceInfo;

struct Supervisor : UpgradeSupervisor {
    std::vector<std::pair<DeviceInfo*, int>> failed; // device, reason
    std::vector<DeviceInfo*> finished;
    std::vector<DeviceInfo*> started;
    void onDeviceUploadStarted(DeviceInfo* device) override { started.push_back(device); }
    void onDeviceUploadFinished(DeviceInfo* device) override { finished.push_back(device); }
    void onDeviceFailed(DeviceInfo* device, int reason) override { failed.emplace_back(device, reason); }
};

struct Record : DeviceResultRecord {
    std::vector<int> failures;
    void fail(int code) override { failures.push_back(code); }
};

} // namespace

TEST(DeviceStatus, EachOperationWritesItsFamily)
{
    ShellTestEnv env;
    struct Case {
        int operation;
        std::set<int> families; // besides the last status
    };
    const Case cases[] = {
        { D::Modify, { 10 } },
        { D::Upgrade, { 12 } },
        { D::SetSdkDevInfo, {} },
        { D::SdkDefault, {} },
        { D::PtzDefault, {} },
        { D::ExportConfig, { 5 } },
        { D::ImportConfig, { 5 } },
        { D::EnableNtp, {} },
        { D::OnvifModify, { 10 } },
        { D::OnvifQuery, { 10 } },
        { D::QueryVersion, {} },
        { D::CompareVersion, {} },
        { 12, {} },
        { D::ChangePassword, { 2 } },
        { D::GetStream, { 11 } },
        { D::SetStream, { 11 } },
        { D::DateTime, { 11 } },
        { D::SetOsd, { 7 } },
        { D::GetOsd, { 7 } },
        { D::RestoreDefaults, { 9 } },
        { D::Activate, { 6 } },
        { D::Reboot, { 8 } },
        { D::RecoveryReboot, { 9, 1 } },
        { D::ChangeDevice, { 1 } },
        { D::GetDevMode, {} },
        { D::SetDevMode, {} },
        { D::AutoUpgrade, { 13 } },
        { D::AutoSearch, { 13 } },
        { 28, {} },
        { D::AutoRestore, { 13 } },
        { D::AutoActivate, {} },
        { D::VideoFormat, { 14 } },
        { D::VfReboot, { 14 } },
        { D::VfReset, { 14 } },
        { D::NoOperation, {} },
        { 34, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        DeviceInfo d;
        d.operation = c.operation;
        d.setStatus(38);
        EXPECT_EQ(d.lastStatus(), 38);
        for (int family = 1; family < D::kFamilyCount; ++family)
            EXPECT_EQ(d.status(family), c.families.count(family) ? 38 : -1) << "family " << family;
        d.storeStatus(-1);
        for (int family = 0; family < D::kFamilyCount; ++family)
            EXPECT_EQ(d.status(family), -1) << "family " << family;
    }
}

TEST(DeviceStatus, UploadOutcomesReachTheSupervisorWithTheirReasons)
{
    ShellTestEnv env;
    struct Case {
        int status;
        int reason; // -1: not told of a failure
        bool finished;
    };
    const Case cases[] = {
        { 8, -1, true },
        { 1, 7, false },
        { 2, 14, false },
        { 3, 15, false },
        { 7, 8, false },
        { 9, 9, false },
        { 10, 10, false },
        { 11, 11, false },
        { 13, 12, false },
        // These end the device's upload too and must free its slot.
        { 14, 9, false },
        { 17, 3, false },
        { 26, 7, false },
        { 28, 7, false },
        { 6, 9, false }, // an upload this program cannot run
        // Steps that keep the slot.
        { 0, -1, false },
        { 4, -1, false },
        { 12, -1, false },
        { 15, -1, false },
        { 16, -1, false },
        { 18, -1, false },
        { 19, -1, false },
        { -1, -1, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        Supervisor supervisor;
        DeviceInfo d;
        d.upgradeManager = &supervisor;
        d.operation = D::Upgrade;
        d.setStatus(c.status);
        EXPECT_EQ(d.status(D::UpgradeFamily), c.status);
        if (c.reason >= 0) {
            ASSERT_EQ(supervisor.failed.size(), 1u);
            EXPECT_EQ(supervisor.failed[0].first, &d);
            EXPECT_EQ(supervisor.failed[0].second, c.reason);
        } else {
            EXPECT_TRUE(supervisor.failed.empty());
        }
        EXPECT_EQ(supervisor.finished.size(), c.finished ? 1u : 0u);
        EXPECT_TRUE(supervisor.started.empty());
    }
}

TEST(DeviceStatus, OnlyTheUpgradeOperationTellsTheSupervisor)
{
    ShellTestEnv env;
    Supervisor supervisor;
    DeviceInfo d;
    d.upgradeManager = &supervisor;
    for (int op : { int(D::AutoUpgrade), int(D::Reboot), int(D::NoOperation) }) {
        d.operation = op;
        d.setStatus(7);
        d.setStatus(8);
    }
    EXPECT_TRUE(supervisor.failed.empty());
    EXPECT_TRUE(supervisor.finished.empty());

    // Without a supervisor nothing is told and nothing breaks.
    DeviceInfo alone;
    alone.operation = D::Upgrade;
    alone.setStatus(7);
    EXPECT_EQ(alone.status(D::UpgradeFamily), 7);

    // After a reset a page replays the present status; no status, no call.
    d.operation = D::Upgrade;
    d.storeStatus(-1);
    d.notifyUpgradeStatus();
    EXPECT_TRUE(supervisor.failed.empty());
    d.setFamilyStatus(D::UpgradeFamily, 8);
    d.notifyUpgradeStatus();
    EXPECT_EQ(supervisor.finished.size(), 1u);
}

TEST(DeviceStatus, VideoFormatFailuresFailTheRunsRecord)
{
    ShellTestEnv env;
    for (int op : { int(D::VideoFormat), int(D::VfReboot), int(D::VfReset), int(D::Upgrade) }) {
        for (int status : { 3, 86, 88, 85, 87, 92 }) {
            SCOPED_TRACE(testing::Message() << "operation " << op << " status " << status);
            Record record;
            DeviceInfo d;
            d.videoFormatRecord = &record;
            d.operation = op;
            d.setStatus(status);
            const bool fails = op != D::Upgrade && (status == 3 || status == 86 || status == 88);
            EXPECT_EQ(record.failures, fails ? std::vector<int> { 0 } : std::vector<int> {});
        }
    }
}

TEST(DeviceStatus, StatusTexts)
{
    ShellTestEnv env;
    DeviceInfo d;
    d.operation = D::Upgrade;
    d.upgradePercent = 40;
    d.setStatus(12);
    EXPECT_EQ(d.statusText(D::UpgradeFamily), TextTable::text(27) + QStringLiteral("40"));

    d.countdown = 7;
    d.setStatus(18);
    EXPECT_EQ(d.statusText(D::UpgradeFamily), TextTable::text(315).arg(7));
    EXPECT_TRUE(d.statusText(D::UpgradeFamily).contains(QStringLiteral("7")));
    d.operation = D::VideoFormat;
    for (int status : { 89, 91 }) {
        d.setStatus(status);
        EXPECT_EQ(d.statusText(D::VideoFormatFamily), TextTable::text(324).arg(7)) << status;
    }

    struct Case {
        int status;
        int text; // -1: empty
    };
    for (const Case c : { Case { 0, 15 }, Case { 8, 23 }, Case { 9, 24 }, Case { 17, 24 }, Case { 20, 121 },
             Case { 46, 140 }, Case { 75, 293 }, Case { 76, 293 }, Case { 77, 294 }, Case { 78, 293 },
             Case { 90, 321 }, Case { 92, 325 }, Case { 79, -1 }, Case { 80, -1 }, Case { 81, -1 },
             Case { -1, -1 }, Case { -2, -1 }, Case { 93, -1 } }) {
        SCOPED_TRACE(c.status);
        EXPECT_EQ(D::statusTextId(c.status), c.text);
        d.operation = D::Reboot;
        d.setStatus(c.status);
        EXPECT_EQ(d.statusText(D::RebootFamily), c.text < 0 ? QString() : TextTable::text(c.text));
    }
}

TEST(DeviceStatus, FamilyZeroAndUnknownFamiliesShowTheLastStatus)
{
    ShellTestEnv env;
    DeviceInfo d;
    d.operation = D::SdkDefault; // writes only the last status
    d.setStatus(5);
    EXPECT_EQ(d.statusText(D::LastStatus), TextTable::text(20));
    EXPECT_EQ(d.statusText(3), QString()) << "family 3 keeps no status of operation 3";
    EXPECT_EQ(d.statusText(15), TextTable::text(20));
    EXPECT_EQ(d.statusText(-4), TextTable::text(20));
    d.operation = D::Reboot;
    d.setStatus(37);
    EXPECT_EQ(d.statusText(D::LastStatus), TextTable::text(75));
}

TEST(DeviceStatus, EveryStatusTextIsInTheShippedLanguageFiles)
{
    // The table holds its text numbers as data, where the language-file
    // check of literal TextTable::text(N) calls cannot see them.
    QVector<int> ids;
    for (int status = -2; status <= 95; ++status) {
        if (D::statusTextId(status) >= 0)
            ids << D::statusTextId(status);
    }
    ASSERT_FALSE(ids.isEmpty());
    for (const char* file : { "ENU.xml", "CHS.xml" }) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(TextTable::load(QStringLiteral(VL_TEST_SOURCE_DIR "/app/resources/Language/") + file));
        for (int id : ids) {
            ASSERT_LT(id, TextTable::count()) << "text " << id;
            EXPECT_FALSE(TextTable::text(id).trimmed().isEmpty()) << "text " << id;
        }
        // The waiting texts take the countdown.
        for (int id : { 315, 324 })
            EXPECT_TRUE(TextTable::text(id).contains(QStringLiteral("%1"))) << "text " << id;
    }
    TextTable::free();
}
