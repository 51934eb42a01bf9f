// The device's state machine without devices: what a successful login starts
// for each operation (inline or on the pool, statuses, logout, the pages'
// remove flag), an operation whose worker the program lacks, failed logins
// and their retries, codes of an earlier login, the code-to-status maps of
// the upgrade, multicast, search and video-format events, the search rounds
// after an automatic upgrade (under a fast clock), the activation reply's
// device check, the operation entries, and the end of a running upload.
#include "MockClock.h"
#include "StateMachineFixture.h"
#include "devices/DeviceTexts.h"
#include "devices/HttpClient.h"
#include "devices/UploadThread.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

using machine_test::MachineFixture;
using machine_test::ranSteps;
using D = DeviceInfo;

namespace
{

QString logText()
{
    QFile f(GKAppSetting::instance()->logFilePath());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Delivers posted events until `done` or `ms` passed.
template <typename Pred> bool settleUntil(Pred done, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents();
    }
    return true;
}

} // namespace

// ---- A successful login ---------------------------------------------------------

TEST(StateMachine, ALoginRunsEachOperationAsItsTableSays)
{
    struct Case {
        int operation;
        int family; // LastStatus: only the last status is written
        int status; // the family's status afterwards
        const char* inlineStep; // "" none
        const char* poolStep; // "" none: "step@queue"
        bool logout;
        bool remove;
    };
    const Case cases[] = {
        { D::Modify, D::NetworkFamily, 0, "modifyDevice", "", true, true },
        { D::SetSdkDevInfo, D::LastStatus, 6, "", "", true, true }, // no record: failed
        { D::SdkDefault, D::LastStatus, 0, "", "restoreDefaultsBySdk@1", false, true },
        { D::PtzDefault, D::LastStatus, 6, "", "", true, true }, // no connection: failed
        { D::ExportConfig, D::ConfigFamily, 0, "exportConfig", "", true, true },
        { D::ImportConfig, D::ConfigFamily, 0, "", "importConfig@1", false, true },
        { D::EnableNtp, D::LastStatus, 0, "enableNtp", "", true, true },
        { D::OnvifModify, D::NetworkFamily, 0, "modifyOnvifDevice", "", true, true },
        { D::OnvifQuery, D::NetworkFamily, 25, "", "", true, true }, // no connection
        { D::QueryVersion, D::LastStatus, 0, "queryUpgradeMatchText", "", true, true },
        { D::CompareVersion, D::LastStatus, 0, "", "", true, true },
        { D::ChangePassword, D::PasswordFamily, 0, "", "changeUserPassword@1", false, false },
        { D::GetStream, D::StreamFamily, 0, "", "getStreamConfig@1", false, false },
        { D::SetStream, D::StreamFamily, 0, "", "setStreamConfig@0", false, false },
        { D::DateTime, D::StreamFamily, 0, "", "setDateTime@0", false, false },
        { D::SetOsd, D::OsdFamily, 0, "", "setOSDConfig@0", false, false },
        { D::GetOsd, D::OsdFamily, 0, "", "getOSDConfig@0", false, false },
        { D::RestoreDefaults, D::RecoveryFamily, 0, "", "restoreDefaults@0", false, false },
        { D::Activate, D::ActivateFamily, 0, "", "activateDevice@0", false, false },
        { D::Reboot, D::RebootFamily, 38, "", "rebootDevice@0", false, false },
        { D::RecoveryReboot, D::RecoveryFamily, 38, "", "rebootDeviceForRecovery@0", false, false },
        { D::ChangeDevice, D::ChangeDeviceFamily, 42, "", "setDeviceNameAndType@0", false, false },
        { D::GetDevMode, D::LastStatus, 47, "", "getDeveloperMode@0", false, false },
        { D::SetDevMode, D::LastStatus, 51, "", "setDeveloperMode@0", false, false },
        { D::AutoUpgrade, D::AutoUpgradeFamily, 15, "", "autoUpgradeDevice@0", false, false },
        { D::AutoSearch, D::AutoUpgradeFamily, 0, "", "", true, true },
        { D::AutoRestore, D::AutoUpgradeFamily, 42, "", "restoreDefaultsKeepNetwork@0", false, false },
        { D::AutoActivate, D::LastStatus, 0, "", "activateDeviceForAutoUpgrade@0", false, false },
        { D::VideoFormat, D::VideoFormatFamily, 0, "sendSetVideoFormatRequest", "", false, false },
        { D::VfReboot, D::VideoFormatFamily, 0, "requestFactoryResetTransKey", "", false, false },
        { D::VfReset, D::VideoFormatFamily, 0, "", "", false, false },
        { 12, D::LastStatus, 0, "", "", true, true }, // no such operation
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        MachineFixture f;
        f.watch(&D::streamConfigPage, "stream");
        f.device->operation = c.operation;
        for (int family = 1; family < D::kFamilyCount; ++family)
            f.device->setFamilyStatus(family, 4); // the pages' "waiting"
        f.post(new QConnectEvent(101));

        EXPECT_EQ(f.device->status(c.family), c.status);
        if (c.family != D::LastStatus) {
            EXPECT_EQ(f.device->lastStatus(), c.status);
        }
        EXPECT_EQ(ranSteps(), c.inlineStep[0] ? QStringList { c.inlineStep } : QStringList());
        EXPECT_EQ(f.submitted, c.poolStep[0] ? QStringList { c.poolStep } : QStringList());
        EXPECT_EQ(f.logouts, c.logout ? 1 : 0);
        EXPECT_EQ(f.heard, QStringList { c.remove ? "stream remove" : "stream refresh" });
        EXPECT_EQ(f.logins, 0);
    }
}

TEST(StateMachine, ALoginOfRecoveryRebootResetsBothOfItsFamilies)
{
    MachineFixture f;
    f.device->operation = D::RecoveryReboot;
    f.device->setFamilyStatus(D::RecoveryFamily, 4);
    f.device->setFamilyStatus(D::ChangeDeviceFamily, 4);
    f.post(new QConnectEvent(101));
    EXPECT_EQ(f.device->status(D::RecoveryFamily), 38);
    EXPECT_EQ(f.device->status(D::ChangeDeviceFamily), 38);
}

TEST(StateMachine, RestoreByFactoryTypeRunsItsOwnWorker)
{
    MachineFixture f;
    f.device->operation = D::RestoreDefaults;
    f.device->resetKind = 2;
    f.post(new QConnectEvent(101));
    EXPECT_EQ(f.submitted, QStringList { "resetDeviceByFactoryType@0" });
}

TEST(StateMachine, AnUploadLoginTellsTheSupervisorThenUploads)
{
    MachineFixture f;
    f.watchAll();
    f.device->upgradeManager = &f.others;
    f.device->operation = D::Upgrade;
    f.post(new QConnectEvent(101));
    EXPECT_EQ(f.device->status(D::UpgradeFamily), 0);
    EXPECT_EQ(ranSteps(), QStringList { "startUpgradeDevice" });
    EXPECT_EQ(f.logouts, 0);
    // The search page keeps the device (its remove flag is always true; the
    // row flag carries the table's), every batch page but the developer's
    // refreshes, then the video-format row.
    EXPECT_EQ(f.heard,
        QStringList({ "supervisor started", "search cell remove", "upgrade refresh", "import refresh",
            "password refresh", "excel refresh", "settings refresh", "range refresh", "stream refresh",
            "osd refresh", "recovery refresh", "initial refresh", "reboot refresh", "change refresh",
            "auto refresh", "video format row" }));
}

TEST(StateMachine, AnOperationWithoutItsWorkerFailsInADefinedWay)
{
    struct Case {
        int operation;
        WorkerStep step;
        int family;
    };
    const Case cases[] = {
        { D::VideoFormat, WorkerStep::SendSetVideoFormatRequest, D::VideoFormatFamily }, // inline
        { D::ChangeDevice, WorkerStep::SetDeviceNameAndType, D::ChangeDeviceFamily }, // pool
        { D::Upgrade, WorkerStep::StartUpgradeDevice, D::UpgradeFamily },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        MachineFixture f;
        f.watch(&D::upgradePage, "upgrade");
        f.device->upgradeManager = &f.others;
        WorkerTable::setMissing(c.step);
        ASSERT_EQ(WorkerTable::function(c.step), nullptr);
        f.device->operation = c.operation;
        f.post(new QConnectEvent(101));
        EXPECT_EQ(f.device->status(c.family), 6);
        EXPECT_TRUE(f.submitted.isEmpty());
        EXPECT_TRUE(ranSteps().isEmpty());
        EXPECT_EQ(f.logouts, 1);
        // The upload's slot is freed, not left to a supervisor that waits.
        if (c.operation == D::Upgrade) {
            EXPECT_EQ(f.heard, QStringList({ "supervisor failed 9", "upgrade remove" }));
        } else {
            EXPECT_EQ(f.heard, QStringList { "upgrade remove" });
        }
        EXPECT_TRUE(logText().contains(QStringLiteral("has no worker %1").arg(WorkerTable::name(c.step))));
    }
}

// ---- Failed logins ----------------------------------------------------------------

TEST(StateMachine, FailedLoginsStoreTheirStatusLogOutAndReleaseTheDevice)
{
    struct Case {
        int code;
        int status;
    };
    const Case cases[] = {
        { 3, 1 },
        { 104, 3 },
        { 103, 2 },
        { 112, 3 },
        { 113, 28 },
        { 125, 26 },
        { 2, 1 },
        { 105, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        MachineFixture f;
        f.watch(&D::upgradePage, "upgrade");
        f.device->upgradeManager = &f.others;
        f.device->operation = D::Upgrade;
        f.post(new QConnectEvent(c.code));
        EXPECT_EQ(f.device->status(D::UpgradeFamily), c.status);
        EXPECT_EQ(f.logouts, 1);
        EXPECT_EQ(f.logins, 0);
        // Every refusal frees the upload's slot: 113 and 125 included.
        ASSERT_EQ(f.heard.size(), 2);
        EXPECT_TRUE(f.heard[0].startsWith(QStringLiteral("supervisor failed")));
        EXPECT_EQ(f.heard[1], QStringLiteral("upgrade remove"));
    }
}

TEST(StateMachine, TheAutomaticUpgradeLogsInThreeTimesMoreBeforeItGivesUp)
{
    struct Case {
        int operation;
        int code;
        int waiting; // status while the next login runs
        int failed; // status after the last
    };
    for (const Case c : { Case { D::AutoRestore, 104, 42, 3 }, Case { D::AutoUpgrade, 3, 15, 1 } }) {
        SCOPED_TRACE(c.operation);
        MachineFixture f;
        f.watch(&D::autoUpgradePage, "auto");
        f.device->operation = c.operation;
        for (int attempt = 1; attempt <= 3; ++attempt) {
            f.post(new QConnectEvent(c.code));
            EXPECT_EQ(f.logins, attempt);
            EXPECT_EQ(f.device->status(D::AutoUpgradeFamily), c.waiting);
            EXPECT_EQ(f.logouts, 0);
            EXPECT_TRUE(f.heard.isEmpty());
        }
        f.post(new QConnectEvent(c.code));
        EXPECT_EQ(f.logins, 3);
        EXPECT_EQ(f.device->status(D::AutoUpgradeFamily), c.failed);
        EXPECT_EQ(f.logouts, 1);
        EXPECT_EQ(f.heard, QStringList { "auto remove" });
    }
}

TEST(StateMachine, TheVideoFormatFlowKeepsItsSessionWhenALoginFails)
{
    for (int operation : { int(D::VfReboot), int(D::VfReset) }) {
        MachineFixture f;
        f.watch(&D::streamConfigPage, "stream");
        f.device->operation = operation;
        f.post(new QConnectEvent(3));
        EXPECT_EQ(f.device->status(D::VideoFormatFamily), 1);
        EXPECT_EQ(f.logouts, 0);
        EXPECT_EQ(f.logins, 0);
        EXPECT_EQ(f.heard, QStringList { "stream refresh" });
    }
}

TEST(StateMachine, CodesOfAnEarlierLoginAreDropped)
{
    MachineFixture f;
    f.watch(&D::upgradePage, "upgrade");
    f.device->operation = D::Upgrade;
    const quint64 first = f.device->beginLogin();
    f.device->endLogin(); // the upgrade's logout after 391
    f.device->setFamilyStatus(D::UpgradeFamily, 8);
    // The reboot's connection drop, and a reconnect, of the closed session.
    f.post(new QConnectEvent(2, ConnectEvent, first));
    f.post(new QConnectEvent(101, ConnectEvent, first));
    EXPECT_EQ(f.device->status(D::UpgradeFamily), 8);
    EXPECT_TRUE(f.heard.isEmpty());
    EXPECT_TRUE(ranSteps().isEmpty());
    EXPECT_TRUE(logText().contains(QStringLiteral("code 2 of an earlier login dropped")));

    // The codes of the login in force go through.
    const quint64 second = f.device->beginLogin();
    EXPECT_GT(second, first);
    f.post(new QConnectEvent(101, ConnectEvent, second));
    EXPECT_EQ(ranSteps(), QStringList { "startUpgradeDevice" });
}

// ---- Firmware upgrade -------------------------------------------------------------

TEST(StateMachine, UpgradeCodesGiveTheirStatusesAndEndTheSessionUnlessTheyReportProgress)
{
    struct Case {
        int code;
        int value;
        int status;
        bool ends;
        int percent;
    };
    const Case cases[] = {
        { 0, 0, 16, true, 0 },
        { 104, 0, 3, true, 0 },
        { 390, 0, 7, true, 0 },
        { 391, 0, 8, true, 0 },
        { 392, 0, 10, true, 0 },
        { 393, 0, 11, true, 0 },
        { 394, 40, 12, false, 40 },
        { 395, 0, 13, true, 0 },
        { 396, 0, 14, true, 0 },
        { 397, 0, 17, true, 0 },
        { 764, 0, 15, false, 25 },
        { 20000, 0, 18, true, 0 },
        { 20001, 0, 19, true, 0 },
        { 20002, 0, 4, true, 0 },
        { 402, 0, 9, true, 0 }, // a progress record that never came
        { 12345, 0, 9, true, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        MachineFixture f;
        f.watch(&D::upgradePage, "upgrade");
        f.device->operation = D::Upgrade;
        f.device->upgradePercent = 25;
        f.post(new QUpgradeEvent(UpgradeEvent, c.code, intptr_t(c.value)));
        EXPECT_EQ(f.device->status(D::UpgradeFamily), c.status);
        EXPECT_EQ(f.device->upgradePercent.load(), c.percent);
        EXPECT_EQ(f.logouts, c.ends ? 1 : 0);
        EXPECT_EQ(f.heard, QStringList { c.ends ? "upgrade remove" : "upgrade refresh" });
    }
}

TEST(StateMachine, AnEndedSdkUpgradeStopsItsUpgradeSession)
{
    ShellTestOptions o;
    o.curpro = 1;
    MachineFixture f(o);
    f.device->operation = D::Upgrade;
    f.device->upgradeHandle = 77; // unknown to VLNet: stopping it is harmless
    f.post(new QUpgradeEvent(UpgradeEvent, 391));
    EXPECT_EQ(f.device->upgradeHandle, 0);
    EXPECT_EQ(f.logouts, 1);
}

TEST(StateMachine, AutomaticUpgradeCodesLeadToTheNextStep)
{
    struct Case {
        int code;
        int status;
        int operation; // afterwards
        bool loginStarted;
        bool timerStarted;
        bool ends; // session closed
        const char* page;
    };
    const Case cases[] = {
        { 764, 15, D::AutoUpgrade, false, false, false, "auto refresh" },
        { 394, 82, D::AutoUpgrade, false, false, false, "auto refresh" },
        { 391, 8, D::AutoSearch, false, true, true, "auto refresh" },
        { 390, 7, D::AutoRestore, true, false, true, "auto refresh" },
        { 392, 10, D::AutoRestore, true, false, true, "auto refresh" },
        { 393, 11, D::AutoRestore, true, false, true, "auto refresh" },
        // These end the device's sequence: its page must let it go.
        { 395, 13, D::AutoUpgrade, false, false, true, "auto remove" },
        { 396, 14, D::AutoUpgrade, false, false, true, "auto remove" },
        { 12345, 9, D::AutoUpgrade, false, false, true, "auto remove" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        MachineFixture f;
        f.watch(&D::autoUpgradePage, "auto");
        f.device->operation = D::AutoUpgrade;
        f.device->loginRetries = 2;
        f.post(new QUpgradeEvent(AutoUpgradeEvent, c.code, intptr_t(55)));
        EXPECT_EQ(f.device->status(D::AutoUpgradeFamily), c.status);
        EXPECT_EQ(f.device->operation.load(), c.operation);
        EXPECT_EQ(f.logins, c.loginStarted ? 1 : 0);
        if (c.loginStarted) {
            EXPECT_EQ(f.device->loginRetries, 0);
        }
        EXPECT_EQ(ranSteps(), c.timerStarted ? QStringList { "startAutoUpgradeSearchTimer" } : QStringList());
        EXPECT_EQ(f.logouts, c.ends ? 1 : 0);
        if (c.code == 394) {
            EXPECT_EQ(f.device->autoUpgradePercent.load(), 55);
        }
        EXPECT_EQ(f.heard, QStringList { c.page });
    }
}

TEST(StateMachine, SearchCodesAfterAnAutomaticUpgrade)
{
    struct Case {
        int code;
        int status;
        const char* step; // "" none
        int passes; // afterwards, from 5
        bool loginStarted;
        const char* page;
    };
    const Case cases[] = {
        { 11014, 76, "searchUpgradedDevice", 5, false, "auto refresh" },
        { 11015, 76, "searchUpgradedDevice", 5, false, "auto refresh" },
        { 11017, 76, "searchUpgradedDevice", 5, false, "auto refresh" },
        { 11020, 78, "searchUpgradedDevice", 6, false, "auto refresh" },
        { 11018, 75, "", 5, true, "auto refresh" },
        { 11016, 77, "", 5, false, "auto remove" },
        { 11019, 77, "", 5, false, "auto remove" },
        { 4711, 77, "", 5, false, "auto remove" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        MachineFixture f;
        f.watch(&D::autoUpgradePage, "auto");
        f.device->operation = D::AutoSearch;
        f.device->searchPasses = 5;
        f.post(new QUpgradeEvent(AutoUpgradeSearchEvent, c.code));
        EXPECT_EQ(f.device->lastStatus(), c.status);
        EXPECT_EQ(ranSteps(), c.step[0] ? QStringList { c.step } : QStringList());
        EXPECT_EQ(f.device->searchPasses.load(), c.passes);
        EXPECT_EQ(f.logins, c.loginStarted ? 1 : 0);
        if (c.loginStarted) {
            EXPECT_EQ(f.device->operation.load(), int(D::AutoRestore));
        }
        EXPECT_EQ(f.heard, QStringList { c.page });
    }
}

namespace
{
// A search pass over VLNet that finds nothing, or the device on pass
// `g_findOnPass` (counting from 1).
int g_passes = 0;
int g_findOnPass = 0;
char g_mac[36] = "00:11:22:aa:bb:cc";
void sdkPass(DeviceInfo* d)
{
    ++g_passes;
    if (g_passes == g_findOnPass) {
        VLNET_SEARCH_DEV_RSP other {};
        copyRecordText(other.mac_addr, "00:11:22:AA:BB:CD");
        D::autoUpgradeSdkSearchCallback(&other, d);
        VLNET_SEARCH_DEV_RSP same {};
        copyRecordText(same.mac_addr, "00-11-22-AA-BB-CC"); // the same MAC, written otherwise
        D::autoUpgradeSdkSearchCallback(&same, d);
    }
    D::autoUpgradeSdkSearchCallback(nullptr, d);
}
void multicastPass(DeviceInfo* d)
{
    ++g_passes;
    D::autoUpgradeSearchCallback("{\"mac\":\"00:11:22:aa:bb:cd\"}", d);
    if (g_passes == g_findOnPass)
        D::autoUpgradeSearchCallback("{\"mac\":\"00:11:22:AA:BB:CC\"}", d);
    D::autoUpgradeSearchCallback(nullptr, d);
}
} // namespace

TEST(StateMachine, TheSearchAfterAnUpgradeWaitsThenSearchesItsRounds)
{
    struct Case {
        WorkerTable::Function pass;
        int findOn; // 0: never
        int passes; // that ran
        int status;
    };
    const Case cases[] = {
        { &sdkPass, 0, 31, 77 },
        { &multicastPass, 0, 61, 77 },
        { &sdkPass, 4, 4, 75 },
        { &multicastPass, 1, 1, 75 },
    };
    MockClock clock(0.001); // the 10 s wait in 10 ms
    for (const Case& c : cases) {
        SCOPED_TRACE(c.passes);
        MachineFixture f;
        f.watch(&D::autoUpgradePage, "auto");
        WorkerTable::setFunction(WorkerStep::StartAutoUpgradeSearchTimer, nullptr); // the real one
        WorkerTable::setFunction(WorkerStep::SearchUpgradedDevice, c.pass);
        copyRecordText(f.device->searchRecord.sdk.mac_addr, g_mac);
        g_passes = 0;
        g_findOnPass = c.findOn;
        f.device->operation = D::AutoUpgrade;
        f.device->searchPasses = 0;
        f.device->found = false;
        f.post(new QUpgradeEvent(AutoUpgradeEvent, 391));
        ASSERT_NE(f.device->autoSearchTimer, nullptr);
        EXPECT_EQ(f.device->autoSearchTimer->interval(), 10);
        EXPECT_EQ(g_passes, 0);
        ASSERT_TRUE(settleUntil([&] {
            const int s = f.device->status(D::AutoUpgradeFamily);
            return s == 77 || s == 75;
        }));
        EXPECT_EQ(f.device->status(D::AutoUpgradeFamily), c.status);
        EXPECT_EQ(g_passes, c.passes);
        if (c.status == 75) {
            EXPECT_EQ(f.device->operation.load(), int(D::AutoRestore));
            EXPECT_EQ(f.logins, 1);
            EXPECT_EQ(f.heard.last(), QStringLiteral("auto refresh"));
        } else {
            EXPECT_EQ(f.heard.last(), QStringLiteral("auto remove"));
        }
    }
}

TEST(StateMachine, AMulticastAnswerThatIsNoJsonEndsTheSearch)
{
    MachineFixture f;
    f.watch(&D::autoUpgradePage, "auto");
    f.device->operation = D::AutoSearch;
    D::autoUpgradeSearchCallback("not json", f.device.get());
    QCoreApplication::sendPostedEvents(f.device.get());
    EXPECT_EQ(f.device->lastStatus(), 77);
    EXPECT_EQ(f.heard, QStringList { "auto remove" });
    // Without the record nothing is posted.
    D::autoUpgradeSearchCallback(nullptr, nullptr);
    EXPECT_EQ(D::autoUpgradeSdkSearchCallback(nullptr, nullptr), 0);
}

// ---- Multicast replies ----------------------------------------------------------------

TEST(StateMachine, ActivationAndUpdateRepliesGiveTheirStatuses)
{
    struct Case {
        int code;
        int activation; // 1022 and 1027
        int update; // 1023
    };
    const Case cases[] = {
        { 11000, 61, 61 },
        { 11001, 62, 62 },
        { 11002, 63, 63 },
        { 11003, 64, 64 },
        { 11004, 65, 65 },
        { 11005, 66, 66 },
        { 11006, 67, 67 },
        { 11007, 68, 68 },
        { 11008, 69, 69 },
        { 11009, 70, 70 },
        { 11010, 71, 71 },
        { 11011, 72, 72 },
        { 11012, 69, 73 },
        { 11013, 74, 69 },
        { 10999, 69, 69 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        {
            MachineFixture f;
            f.watchAll();
            f.device->operation = D::Activate;
            f.post(new QMultiEvent(MultiActivateEvent, c.code));
            EXPECT_EQ(f.device->status(D::ActivateFamily), c.activation);
            // Only the initialisation page hears of it; 11009 keeps the
            // activation running.
            EXPECT_EQ(f.heard, QStringList { c.code == 11009 ? "initial refresh" : "initial remove" });
            EXPECT_EQ(f.logouts, 0);
        }
        {
            MachineFixture f;
            f.watchAll();
            f.device->operation = D::Modify;
            f.post(new QMultiEvent(MultiUpdateEvent, c.code));
            EXPECT_EQ(f.device->status(D::NetworkFamily), c.update);
            EXPECT_EQ(f.heard, QStringList({ "search row remove", "settings remove" }));
        }
        if (c.code != 11000 && c.code != 11006) {
            MachineFixture f;
            f.watchAll();
            f.device->operation = D::AutoActivate;
            f.post(new QMultiEvent(AutoActivateEvent, c.code));
            EXPECT_EQ(f.device->lastStatus(), c.activation);
            EXPECT_EQ(f.heard, QStringList { c.code == 11009 ? "auto refresh" : "auto remove" });
            EXPECT_EQ(f.logins, 0);
        }
    }
}

TEST(StateMachine, AnActivatedDeviceGoesOnToTheAutomaticUpgrade)
{
    struct Case {
        int code;
        int status;
        const char* password;
    };
    ShellTestOptions o;
    o.edition = 33; // has an alternative password
    for (const Case c : { Case { 11000, 61, "9471" }, Case { 11006, 67, "old" } }) {
        SCOPED_TRACE(c.code);
        MachineFixture f(o);
        f.watch(&D::autoUpgradePage, "auto");
        f.device->operation = D::AutoActivate;
        f.device->password = QStringLiteral("old");
        // What the activation sent (the edition's alternative password).
        f.device->autoActivationPassword = QStringLiteral("9471");
        f.device->loginRetries = 2;
        f.device->searchPasses = 9;
        f.device->found = true;
        f.post(new QMultiEvent(AutoActivateEvent, c.code));
        EXPECT_EQ(f.device->lastStatus(), c.status);
        EXPECT_EQ(f.device->password, QLatin1String(c.password));
        EXPECT_EQ(f.device->operation.load(), int(D::AutoUpgrade));
        EXPECT_EQ(f.device->loginRetries, 0);
        EXPECT_EQ(f.device->searchPasses.load(), 0);
        EXPECT_FALSE(f.device->found.load());
        EXPECT_EQ(f.logins, 1);
        EXPECT_TRUE(f.heard.isEmpty());
    }
}

TEST(StateMachine, AnActivationReplyOfAnotherDeviceIsNoResponse)
{
    struct Case {
        const char* reply;
        int code; // 0: nothing posted
    };
    const Case cases[] = {
        { R"({"dev id":"QUJD","result":"success"})", 11000 },
        { R"({"dev id":"QUJE","result":"success"})", 11008 },
        { R"({"dev id":"QUJD","result":"need auth"})", 11011 },
        { R"({"result":"success"})", 11008 },
        { "no json", 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        MachineFixture f;
        copyRecordText(f.device->searchRecord.devId, "QUJD");
        std::vector<int> codes;
        struct Catch : QObject {
            std::vector<int>* codes;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == AutoActivateEvent) {
                    codes->push_back(static_cast<QMultiEvent*>(e)->code);
                    return true;
                }
                return false;
            }
        } filter;
        filter.codes = &codes;
        f.device->installEventFilter(&filter);
        // No operation held: the reply belongs to no one.
        D::autoActivateCallback(c.reply, f.device.get());
        QCoreApplication::sendPostedEvents(f.device.get());
        EXPECT_TRUE(codes.empty());
        f.device->autoActivationHandle = reinterpret_cast<multicast_handle*>(&codes); // only compared
        D::autoActivateCallback(c.reply, f.device.get());
        D::autoActivateCallback(nullptr, f.device.get());
        QCoreApplication::sendPostedEvents(f.device.get());
        f.device->autoActivationHandle = nullptr;
        EXPECT_EQ(codes, c.code ? std::vector<int> { c.code } : std::vector<int>());
    }
}

// ---- Video format -----------------------------------------------------------------------

TEST(StateMachine, VideoFormatStepsGiveTheirStatusesAndKeepOrCloseTheSession)
{
    struct Case {
        int code;
        int status; // -1: unchanged
        bool logout;
        const char* step;
        bool login;
    };
    const Case cases[] = {
        { 1031, 85, false, "sendFirstLoginTransKeyRequest", false },
        { 1032, -1, false, "", true },
        { 1033, 87, true, "", false },
        { 1034, 86, true, "", false },
        { 1035, 88, true, "", false },
        { 1036, 92, false, "", false },
        { 1037, 89, false, "", false },
        { 1038, 86, true, "", false },
        { 1039, 91, false, "", false },
        { 1040, 86, true, "", false },
        { 1041, -1, true, "", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        MachineFixture f;
        f.device->videoFormatPage = &f.others;
        f.device->videoFormatRecord = &f.others;
        f.device->operation = D::VideoFormat;
        f.device->setFamilyStatus(D::VideoFormatFamily, 4);
        f.post(new QVideoFormatEvent(c.code));
        EXPECT_EQ(f.device->status(D::VideoFormatFamily), c.status < 0 ? 4 : c.status);
        EXPECT_EQ(f.logouts, c.logout ? 1 : 0);
        EXPECT_EQ(ranSteps(), c.step[0] ? QStringList { c.step } : QStringList());
        EXPECT_EQ(f.logins, c.login ? 1 : 0);
        // 86 and 88 fail the page's record; the row is refreshed always.
        QStringList heard;
        if (c.status == 86 || c.status == 88)
            heard << QStringLiteral("record failed 0");
        heard << QStringLiteral("video format row");
        EXPECT_EQ(f.heard, heard);
    }
}

// ---- Operation entries ------------------------------------------------------------------

TEST(OperationEntries, EachLoginEntryStoresItsOperationAndLogsIn)
{
    struct Case {
        WorkTask::Function entry;
        int operation;
    };
    const Case cases[] = {
        { &D::doSetInfoWork, D::SetSdkDevInfo },
        { &D::doSetParamWork, D::SdkDefault },
        { &D::doPtzControlWork, D::PtzDefault },
        { &D::doExportWork, D::ExportConfig },
        { &D::doImportWork, D::ImportConfig },
        { &D::doEnableNtpWork, D::EnableNtp },
        { &D::doOnvifParamWork, D::OnvifModify },
        { &D::doOnvifQueryWork, D::OnvifQuery },
        { &D::doQueryParamWork, D::QueryVersion },
        { &D::doCompareWork, D::CompareVersion },
        { &D::doChangePasswordWork, D::ChangePassword },
        { &D::doGetStreamWork, D::GetStream },
        { &D::doSetStreamWork, D::SetStream },
        { &D::doDateTimeWork, D::DateTime },
        { &D::doSetOsdWork, D::SetOsd },
        { &D::doGetOsdWork, D::GetOsd },
        { &D::doRecoveryWork, D::RestoreDefaults },
        { &D::doRebootWork, D::Reboot },
        { &D::doRecoveryRebootWork, D::RecoveryReboot },
        { &D::doChangeDeviceWork, D::ChangeDevice },
        { &D::doGetDeveloperModeWork, D::GetDevMode },
        { &D::doSetDeveloperModeWork, D::SetDevMode },
        { &D::doAutoUpgradeWork, D::AutoUpgrade },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        MachineFixture f;
        c.entry(f.device.get());
        QCoreApplication::sendPostedEvents(f.device.get());
        EXPECT_EQ(f.device->operation.load(), c.operation);
        EXPECT_EQ(f.logins, 1);
        c.entry(nullptr); // nothing to do
    }
}

TEST(OperationEntries, RecoveryEntriesStartOnlyTheirResetKinds)
{
    struct Case {
        WorkTask::Function entry;
        int resetKind;
        bool starts;
    };
    const Case cases[] = {
        { &D::doRecoveryWork, 0, true },
        { &D::doRecoveryWork, 1, true },
        { &D::doRecoveryWork, 2, false },
        { &D::doRecoveryToInactiveWork, 2, true },
        { &D::doRecoveryToInactiveWork, 0, false },
        { &D::doRecoveryToInactiveWork, 1, false },
    };
    for (const Case& c : cases) {
        MachineFixture f;
        f.device->resetKind = c.resetKind;
        f.device->operation = D::Reboot;
        c.entry(f.device.get());
        QCoreApplication::sendPostedEvents(f.device.get());
        EXPECT_EQ(f.device->operation.load(), c.starts ? int(D::RestoreDefaults) : int(D::Reboot));
        EXPECT_EQ(f.logins, c.starts ? 1 : 0);
    }
}

TEST(OperationEntries, TheAutomaticUpgradeEntryStartsItsCountersAgain)
{
    MachineFixture f;
    f.device->loginRetries = 3;
    f.device->searchPasses = 30;
    f.device->found = true;
    D::doAutoUpgradeWork(f.device.get());
    EXPECT_EQ(f.device->loginRetries, 0);
    EXPECT_EQ(f.device->searchPasses.load(), 0);
    EXPECT_FALSE(f.device->found.load());
}

TEST(OperationEntries, TheActivationPreCheckLetsOnlyNewDevicesThrough)
{
    struct Case {
        WorkTask::Function entry;
        int operation;
        int family;
        bool activated;
        int status;
        const char* submitted; // after the state machine had the event
    };
    const Case cases[] = {
        { &D::doActivateWork, D::Activate, D::ActivateFamily, false, 0, "activateDevice@0" },
        { &D::doAutoActivateWork, D::AutoActivate, D::LastStatus, false, 0,
            "activateDeviceForAutoUpgrade@0" },
        { &D::doActivateWork, D::Activate, D::ActivateFamily, true, 30, "" },
        { &D::doAutoActivateWork, D::AutoActivate, D::LastStatus, true, 30, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        MachineFixture f;
        f.watch(&D::initialDevicePage, "initial");
        f.device->searchRecord.sdk.is_first_login = c.activated ? 0 : 1;
        struct Count : QObject {
            int connects = 0;
            bool eventFilter(QObject*, QEvent* e) override
            {
                connects += e->type() == ConnectEvent;
                return false;
            }
        } count;
        f.device->installEventFilter(&count);
        c.entry(f.device.get());
        EXPECT_EQ(f.device->operation.load(), c.operation);
        if (!c.activated) {
            EXPECT_TRUE(f.device->loggedIn.load());
            EXPECT_EQ(f.device->status(c.family), 34);
        }
        QCoreApplication::sendPostedEvents(f.device.get());
        EXPECT_EQ(count.connects, c.activated ? 0 : 1);
        EXPECT_EQ(f.device->status(c.family), c.status);
        EXPECT_EQ(f.submitted, c.submitted[0] ? QStringList { c.submitted } : QStringList());
        EXPECT_EQ(f.logins, 0);
        EXPECT_EQ(f.heard, c.activated ? QStringList() : QStringList { "initial refresh" });
    }
}

TEST(OperationEntries, TheModifyEntryRunsItsWorkerAtOnce)
{
    MachineFixture f;
    f.watch(&D::deviceInfoPage, "settings");
    D::doModifyWork(f.device.get());
    EXPECT_EQ(f.device->operation.load(), int(D::Modify));
    EXPECT_EQ(ranSteps(), QStringList { "modifyDevice" });
    EXPECT_EQ(f.logins, 0);
    EXPECT_TRUE(f.heard.isEmpty()); // the worker tells its pages itself

    WorkerTable::setFunction(WorkerStep::ModifyDevice, nullptr);
    if (!WorkerTable::function(WorkerStep::ModifyDevice)) {
        f.clearJournals();
        D::doModifyWork(f.device.get());
        EXPECT_EQ(f.device->status(D::NetworkFamily), 6);
        EXPECT_EQ(f.heard, QStringList { "settings remove" });
    }
}

TEST(OperationEntries, TheVideoFormatEntryStartsTheFlowWithoutALogin)
{
    MachineFixture f;
    f.device->videoFormatPage = &f.others;
    D::doVideoFormatWork(f.device.get());
    QCoreApplication::sendPostedEvents(f.device.get());
    EXPECT_EQ(f.device->operation.load(), int(D::VideoFormat));
    EXPECT_EQ(f.device->status(D::VideoFormatFamily), 85);
    EXPECT_EQ(ranSteps(), QStringList { "sendFirstLoginTransKeyRequest" });
    EXPECT_EQ(f.logins, 0);
}

// ---- Web logout and the upload's end ---------------------------------------------------

TEST(StateMachine, AWebLogoutWithoutASessionSendsNothing)
{
    MachineFixture f;
    f.device->autoUpgradePercent = 70;
    f.device->webLogout();
    EXPECT_EQ(f.device->wrapperDevice, nullptr);
    EXPECT_TRUE(f.submitted.isEmpty());
    EXPECT_EQ(f.device->autoUpgradePercent.load(), 0);
}

namespace
{
// Bytes that are never all sent: the receiving end does not read.
class EndlessSource : public UploadDataSource
{
public:
    EndlessSource()
        : m_bytes(64 * 1024 * 1024, 'x')
    {
    }
    const char* uploadData() const override { return m_bytes.constData(); }
    qint64 uploadSize() const override { return m_bytes.size(); }

private:
    QByteArray m_bytes;
};
} // namespace

TEST(StateMachine, TheResultSlotEndsARunningUploadWithinItsBoundAndDeletesIt)
{
    ASSERT_TRUE(HttpClient::globalInit());
    // A listener on loopback that takes the connection and never reads.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    MachineFixture f;
    EndlessSource source;
    for (bool automatic : { false, true }) {
        SCOPED_TRACE(automatic);
        auto* thread = new httpRequest(automatic ? nullptr : f.device.get());
        thread->setReceiver(f.device.get());
        thread->setDataSource(&source);
        thread->setParams(QStringLiteral("http://127.0.0.1:%1/upload").arg(server.serverPort()), "token",
            QString(), source.uploadSize(), 0);
        f.device->uploadThread = thread;
        QPointer<QThread> watched(thread);
        thread->start();
        ASSERT_TRUE(settleUntil([&] { return server.hasPendingConnections(); }));
        std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
        QThread::msleep(200); // into the transfer

        QElapsedTimer t;
        t.start();
        if (automatic)
            f.device->checkAutoUpgradeResult(false);
        else
            f.device->checkUpgradeResult(false);
        EXPECT_LT(t.elapsed(), D::kUploadStopWaitMs);
        EXPECT_EQ(f.device->uploadThread, nullptr);
        EXPECT_TRUE(watched.isNull()) << "the thread was not deleted";
        QCoreApplication::removePostedEvents(f.device.get());
    }
}
