// The device's state machine: every result that reaches a device record as an
// event (logins, firmware uploads, multicast replies, the search after an
// automatic upgrade, the video-format flow) is turned here, on the GUI
// thread, into the next step of the device's operation, a status, a logout
// where a session ends, and a word to the pages that wait for the device.
// Also the callbacks and slots that post those events, and the three
// operations the state machine carries out itself (2, 4, 9).
#include "devices/DeviceEvents.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "devices/HttpClient.h"
#include "devices/UploadThread.h"
#include "devices/WorkPool.h"
#include "operations/MaintenanceRequests.h"
#include "operations/WorkerFrame.h"
#include "operations/WorkerTable.h"
#include "shell/Clock.h"
#include "shell/GKAppSetting.h"
#include "vl_sdk_wrapper.h"
#include "vlnet.h"
#include "vlonvifs.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <cstring>
#include <memory>

namespace
{

constexpr int kLoggedIn = 101;
constexpr int kFailed = 6;
constexpr int kSucceeded = 5;

void logLine(const char* function, int line, const QString& message)
{
    GKAppSetting::instance()->log(QLatin1String(function), line, message);
}

struct CodeStatus {
    int code;
    int status;
};

int statusOf(const CodeStatus* table, std::size_t n, int code, int otherwise)
{
    for (std::size_t i = 0; i < n; ++i) {
        if (table[i].code == code)
            return table[i].status;
    }
    return otherwise;
}
template <std::size_t N> int statusOf(const CodeStatus (&table)[N], int code, int otherwise)
{
    return statusOf(table, N, code, otherwise);
}

// ---- What a successful login starts -----------------------------------------

enum class Action {
    Worker, // the row's step, inline or on the pool
    Own, // carried out here (operations 2, 4, 9)
    Nothing,
};
constexpr int kInline = -1;

struct LoggedInRow {
    int operation;
    Action action;
    WorkerStep step;
    int queue; // kInline, or the pool's queue
    int status; // stored (without forwarding) before the action; -1 none
    bool logout; // after the action
    bool remove; // the pages' remove flag
};

using D = DeviceInfo;
using S = WorkerStep;
constexpr int P0 = WorkPool::NormalQueue;
constexpr int P1 = WorkPool::PriorityQueue;

// Before every row the last status and the operation's family become 0.
constexpr LoggedInRow kLoggedInRows[] = {
    { D::Modify, Action::Worker, S::ModifyDevice, kInline, -1, true, true },
    { D::Upgrade, Action::Worker, S::StartUpgradeDevice, kInline, -1, false, false },
    { D::SetSdkDevInfo, Action::Own, S::ModifyDevice, kInline, -1, true, true },
    { D::SdkDefault, Action::Worker, S::RestoreDefaultsBySdk, P1, -1, false, true },
    { D::PtzDefault, Action::Own, S::ModifyDevice, kInline, -1, true, true },
    { D::ExportConfig, Action::Worker, S::ExportConfig, kInline, -1, true, true },
    { D::ImportConfig, Action::Worker, S::ImportConfig, P1, -1, false, true },
    { D::EnableNtp, Action::Worker, S::EnableNtp, kInline, -1, true, true },
    { D::OnvifModify, Action::Worker, S::ModifyOnvifDevice, kInline, -1, true, true },
    { D::OnvifQuery, Action::Own, S::ModifyDevice, kInline, -1, true, true },
    { D::QueryVersion, Action::Worker, S::QueryUpgradeMatchText, kInline, -1, true, true },
    // The table shows the comparison of the two version texts.
    { D::CompareVersion, Action::Nothing, S::ModifyDevice, kInline, -1, true, true },
    { D::ChangePassword, Action::Worker, S::ChangeUserPassword, P1, -1, false, false },
    { D::GetStream, Action::Worker, S::GetStreamConfig, P1, -1, false, false },
    { D::SetStream, Action::Worker, S::SetStreamConfig, P0, -1, false, false },
    { D::DateTime, Action::Worker, S::SetDateTime, P0, -1, false, false },
    { D::SetOsd, Action::Worker, S::SetOsdConfig, P0, -1, false, false },
    { D::GetOsd, Action::Worker, S::GetOsdConfig, P0, -1, false, false },
    { D::RestoreDefaults, Action::Worker, S::RestoreDefaults, P0, -1, false, false },
    { D::Activate, Action::Worker, S::ActivateDevice, P0, -1, false, false },
    { D::Reboot, Action::Worker, S::RebootDevice, P0, 38, false, false },
    { D::RecoveryReboot, Action::Worker, S::RebootDeviceForRecovery, P0, 38, false, false },
    { D::ChangeDevice, Action::Worker, S::SetDeviceNameAndType, P0, 42, false, false },
    { D::GetDevMode, Action::Worker, S::GetDeveloperMode, P0, 47, false, false },
    { D::SetDevMode, Action::Worker, S::SetDeveloperMode, P0, 51, false, false },
    { D::AutoUpgrade, Action::Worker, S::AutoUpgradeDevice, P0, 15, false, false },
    { D::AutoSearch, Action::Nothing, S::ModifyDevice, kInline, -1, true, true },
    { D::AutoRestore, Action::Worker, S::RestoreDefaultsKeepNetwork, P0, 42, false, false },
    { D::AutoActivate, Action::Worker, S::ActivateDeviceForAutoUpgrade, P0, -1, false, false },
    { D::VideoFormat, Action::Worker, S::SendSetVideoFormatRequest, kInline, -1, false, false },
    { D::VfReboot, Action::Worker, S::RequestFactoryResetTransKey, kInline, -1, false, false },
    { D::VfReset, Action::Nothing, S::ModifyDevice, kInline, -1, false, false },
};
// Any other operation: nothing to do, the session closes.
constexpr LoggedInRow kNoOperation
    = { D::NoOperation, Action::Nothing, S::ModifyDevice, kInline, -1, true, true };

const LoggedInRow& loggedInRow(int operation)
{
    for (const LoggedInRow& row : kLoggedInRows) {
        if (row.operation == operation)
            return row;
    }
    return kNoOperation;
}

// ---- Status maps --------------------------------------------------------------

constexpr CodeStatus kUpgradeStatuses[] = {
    { 0, 16 },
    { 104, 3 },
    { 390, 7 },
    { 391, 8 },
    { 392, 10 },
    { 393, 11 },
    { 394, 12 },
    { 395, 13 },
    { 396, 14 },
    { 397, 17 },
    { 764, 15 },
    { 20000, 18 },
    { 20001, 19 },
    { 20002, 4 },
};
constexpr int kUpgradeFailed = 9;

constexpr CodeStatus kAutoUpgradeStatuses[] = {
    { 390, 7 },
    { 391, 8 },
    { 392, 10 },
    { 393, 11 },
    { 395, 13 },
    { 396, 14 },
};

// Activation replies; the update's replies differ in 11012 and 11013
// (updateStatus).
constexpr CodeStatus kActivationStatuses[] = {
    { 11000, 61 },
    { 11001, 62 },
    { 11002, 63 },
    { 11003, 64 },
    { 11004, 65 },
    { 11005, 66 },
    { 11006, 67 },
    { 11007, 68 },
    { 11008, 69 },
    { 11009, 70 },
    { 11010, 71 },
    { 11011, 72 },
    { 11012, 69 },
    { 11013, 74 },
};
constexpr int kNoResponse = 69;

int updateStatus(int code)
{
    constexpr int kNeedAuthAgain = 73;
    if (code == MultiNeedAuthAgain)
        return kNeedAuthAgain;
    if (code == MultiIpcRuleNotMet) // not a result of the update
        return kNoResponse;
    return statusOf(kActivationStatuses, code, kNoResponse);
}

// The search after an automatic upgrade.
enum SearchCode {
    SearchTimerFired = 11014,
    SearchRestart1 = 11015,
    SearchUnreadable = 11016,
    SearchRestart2 = 11017,
    SearchFound = 11018,
    SearchGaveUp = 11019,
    SearchNotYet = 11020,
};
enum SearchStatus { SearchStarting = 76, SearchFoundAgain = 75, SearchRepeating = 78, SearchEnded = 77 };

// The video-format flow's steps: status (-1 none) and whether the session
// closes.
struct VideoFormatRow {
    int code;
    int status;
    bool logout;
};
constexpr VideoFormatRow kVideoFormatRows[] = {
    { 1031, 85, false },
    { 1032, -1, false },
    { 1033, 87, true },
    { 1034, 86, true },
    { 1035, 88, true },
    { 1036, 92, false },
    { 1037, 89, false },
    { 1038, 86, true },
    { 1039, 91, false },
    { 1040, 86, true },
};
constexpr VideoFormatRow kOtherVideoFormatCode = { 0, -1, true };

// The product-information record that follows the device information.
constexpr int kProductInfoSize = VLNET_PARAM_PRODUCT_INFO_SIZE;
constexpr int kProductTypeOffset = 8;
constexpr int kProductTypeSize = 16;
constexpr int kProductMarkOffset = 24;

constexpr int kPtzRestore = 100; // the PTZ's default position and settings

constexpr int kOnvifNetworkCommand = 511;
constexpr int kOnvifQueried = 24;
constexpr int kOnvifNotQueried = 25;

// The web logout's request, sent from a pool thread: it needs nothing of
// the record, which may be gone by then.
// The logout's request: the session as the frame sets every worker's client
// up, with shorter time-outs, since nobody waits for the answer.
struct WebLogoutRequest {
    WorkerFrame::ClientSetup setup;
};
constexpr int kWebLogoutConnectMs = 3000;
constexpr int kWebLogoutTotalMs = 5000;

void sendWebLogout(void* argument)
{
    std::unique_ptr<WebLogoutRequest> request(static_cast<WebLogoutRequest*>(argument));
    HttpClient client;
    request->setup.apply(client);
    client.setTimeouts(kWebLogoutConnectMs, kWebLogoutTotalMs);
    client.postJson(
        request->setup.requestText(QByteArrayLiteral("/API/Web/Logout"))); // the answer is not read
}

} // namespace

// The handlers, one per event type; friends of the record.
class DeviceStateMachine
{
public:
    static void connect(DeviceInfo* d, const QConnectEvent& e);
    static void upgrade(DeviceInfo* d, const QUpgradeEvent& e);
    static void autoUpgrade(DeviceInfo* d, const QUpgradeEvent& e);
    static void autoUpgradeSearch(DeviceInfo* d, const QUpgradeEvent& e);
    static void multiActivate(DeviceInfo* d, int code);
    static void autoActivate(DeviceInfo* d, int code);
    static void multiUpdate(DeviceInfo* d, int code);
    static void videoFormat(DeviceInfo* d, int code);

private:
    static void loggedIn(DeviceInfo* d);
    static void loginFailed(DeviceInfo* d, int code);
    static void retryOrEnd(DeviceInfo* d);
    static void writeSdkDevInfo(DeviceInfo* d);
    static void restorePtz(DeviceInfo* d);
    static void queryOnvifNetwork(DeviceInfo* d);
};

void DeviceInfo::customEvent(QEvent* event)
{
    // The device event types are numbers beyond Qt's own.
    switch (int(event->type())) {
    case ConnectEvent:
        DeviceStateMachine::connect(this, *static_cast<QConnectEvent*>(event));
        break;
    case UpgradeEvent:
        DeviceStateMachine::upgrade(this, *static_cast<QUpgradeEvent*>(event));
        break;
    case AutoUpgradeEvent:
        DeviceStateMachine::autoUpgrade(this, *static_cast<QUpgradeEvent*>(event));
        break;
    case AutoUpgradeSearchEvent:
        DeviceStateMachine::autoUpgradeSearch(this, *static_cast<QUpgradeEvent*>(event));
        break;
    case MultiActivateEvent:
        DeviceStateMachine::multiActivate(this, static_cast<QMultiEvent*>(event)->code);
        break;
    case AutoActivateEvent:
        DeviceStateMachine::autoActivate(this, static_cast<QMultiEvent*>(event)->code);
        break;
    case MultiUpdateEvent:
        DeviceStateMachine::multiUpdate(this, static_cast<QMultiEvent*>(event)->code);
        break;
    case VideoFormatEvent:
        DeviceStateMachine::videoFormat(this, static_cast<QVideoFormatEvent*>(event)->code);
        break;
    default:
        QObject::customEvent(event);
        break;
    }
}

// ---- Logins -------------------------------------------------------------------

void DeviceStateMachine::connect(DeviceInfo* d, const QConnectEvent& e)
{
    if (!d->isCurrentLogin(e.login)) {
        // A code of a session that has ended (a reboot's connection drop
        // after the upgrade's logout, a reconnect of a closed session).
        logLine("DeviceInfo::customEvent", __LINE__,
            QStringLiteral("%1: code %2 of an earlier login dropped").arg(d->ip()).arg(e.code));
        return;
    }
    if (e.code == kLoggedIn)
        loggedIn(d);
    else
        loginFailed(d, e.code);
}

void DeviceStateMachine::loggedIn(DeviceInfo* d)
{
    const int operation = d->operation.load();
    const LoggedInRow& row = loggedInRow(operation);
    d->storeStatus(0);
    if (row.status >= 0)
        d->storeStatus(row.status);

    switch (row.action) {
    case Action::Worker: {
        WorkerStep step = row.step;
        if (operation == DeviceInfo::RestoreDefaults && d->resetKind == 2)
            step = WorkerStep::ResetDeviceByFactoryType;
        if (operation == DeviceInfo::Upgrade) {
            if (!WorkerTable::function(step)) {
                WorkerTable::failOperation(step, d);
                return;
            }
            if (d->upgradeManager)
                d->upgradeManager->onDeviceUploadStarted(d);
        }
        const bool started
            = row.queue == kInline ? WorkerTable::run(step, d) : WorkerTable::submit(step, d, row.queue);
        if (!started)
            return; // ended as a failure already
        break;
    }
    case Action::Own:
        if (operation == DeviceInfo::SetSdkDevInfo)
            writeSdkDevInfo(d);
        else if (operation == DeviceInfo::PtzDefault)
            restorePtz(d);
        else
            queryOnvifNetwork(d);
        break;
    case Action::Nothing:
        break;
    }
    if (row.logout)
        d->logoutDevice(__LINE__);
    d->notifyWatchers(row.remove);
}

void DeviceStateMachine::loginFailed(DeviceInfo* d, int code)
{
    switch (code) {
    case 3:
        d->setStatus(1);
        return retryOrEnd(d);
    case 104:
        d->setStatus(3);
        return retryOrEnd(d);
    case 103:
        d->setStatus(2);
        break;
    case 112:
        d->setStatus(3);
        break;
    // A login refused from this address (113) or by the device's state
    // (125): through setStatus, so that an upload's slot is freed.
    case 113:
        d->setStatus(28);
        break;
    case 125:
        d->setStatus(26);
        break;
    default:
        d->setStatus(1);
        break;
    }
    d->logoutDevice(__LINE__);
    d->notifyWatchers(true);
}

void DeviceStateMachine::retryOrEnd(DeviceInfo* d)
{
    constexpr int kMoreLogins = 3;
    const int operation = d->operation.load();
    switch (operation) {
    case DeviceInfo::AutoRestore:
    case DeviceInfo::AutoUpgrade:
        // The automatic upgrade runs unattended: a device that reboots or
        // is busy gets three more logins.
        if (++d->loginRetries <= kMoreLogins) {
            d->storeStatus(operation == DeviceInfo::AutoRestore ? 42 : 15);
            d->loginDevice();
            return;
        }
        break;
    case DeviceInfo::VfReboot:
    case DeviceInfo::VfReset:
        // The video-format flow keeps its session.
        d->notifyWatchers(false);
        return;
    default:
        break;
    }
    d->logoutDevice(__LINE__);
    d->notifyWatchers(true);
}

// ---- Operations carried out here ----------------------------------------------

void DeviceStateMachine::writeSdkDevInfo(DeviceInfo* d)
{
    int result = 0;
    if (d->sdkDevInfo.size() != DeviceInfo::kSdkDevInfoSize) {
        // Writing a record of zeros would wipe the device's information.
        logLine("DeviceInfo::customEvent", __LINE__,
            QStringLiteral("%1: no device-information record to write").arg(d->ip()));
    } else {
        QByteArray record = d->sdkDevInfo;
        VLNET_SET_PARAM_EX request {};
        request.kind = VLNET_SET_PARAM_KIND;
        request.command = VLNET_PARAM_DEVICE_INFO;
        request.record = record.constData();
        request.record_size = record.size();
        request.record_count = 1;
        result = VLNetSetParamEx(d->connectionHandle, &request);
        if (result != 0) {
            // An empty text stands for a value not to be written; the record
            // goes only when the page left at least one of them set.
            d->functionCodeText = d->functionCodeText.trimmed();
            d->customTypeText = d->customTypeText.trimmed();
            if (!d->functionCodeText.isEmpty() || !d->customTypeText.isEmpty()) {
                unsigned char product[kProductInfoSize] = {};
                const quint32 size = kProductInfoSize;
                bool hex = false;
                const quint32 code = d->functionCodeText.toUInt(&hex, 16);
                const quint32 word = hex ? code : 0;
                std::memcpy(product, &size, sizeof size);
                std::memcpy(product + 4, &word, sizeof word);
                copyRecordText(reinterpret_cast<char*>(product + kProductTypeOffset), kProductTypeSize,
                    d->customTypeText.toUtf8());
                product[kProductMarkOffset] = 0xFF;
                VLNET_SET_PARAM_EX productRequest {};
                productRequest.kind = VLNET_SET_PARAM_KIND;
                productRequest.command = VLNET_PARAM_PRODUCT_INFO;
                productRequest.record = product;
                productRequest.record_size = kProductInfoSize;
                productRequest.record_count = 1;
                result = VLNetSetParamEx(d->connectionHandle, &productRequest);
            }
        }
    }
    d->setFamilyStatus(DeviceInfo::LastStatus, result != 0 ? kSucceeded : kFailed);
}

void DeviceStateMachine::restorePtz(DeviceInfo* d)
{
    VLNET_PTZ_CONTROL control {};
    // 1 alone is an accepted command; 2 is a device that refuses PTZ to
    // this user.
    const int result = VLNetPTZControl(d->connectionHandle, kPtzRestore, &control);
    d->setFamilyStatus(DeviceInfo::LastStatus, result == 1 ? kSucceeded : kFailed);
}

void DeviceStateMachine::queryOnvifNetwork(DeviceInfo* d)
{
    VLONVIF_NETWORK_PARAM network {};
    network.size = sizeof network;
    VLONVIF_QUERY_PARAM_EX request {};
    request.command = kOnvifNetworkCommand;
    request.buffer = &network;
    request.buffer_size = sizeof network;
    int status = kOnvifNotQueried;
    if (VLOnvifQueryParamEx(d->connectionHandle, &request) == 1) {
        SearchDevRsp& record = d->searchRecord;
        std::memset(record.sdk.ip, 0, sizeof record.sdk.ip);
        std::memset(record.sdk.netmask, 0, sizeof record.sdk.netmask);
        std::memset(record.sdk.gateway, 0, sizeof record.sdk.gateway);
        ipv4ToText(network.ipv4, record.sdk.ip, sizeof record.sdk.ip);
        ipv4ToText(network.netmask, record.sdk.netmask, sizeof record.sdk.netmask);
        ipv4ToText(network.gateway, record.sdk.gateway, sizeof record.sdk.gateway);
        record.sdk.web_port = std::uint32_t(network.web_port);
        record.sdk.network_mode = network.address_mode;
        status = kOnvifQueried;
    }
    // Stored without forwarding; the logout that follows every inline
    // operation closes the session.
    d->storeStatus(status);
}

// ---- Firmware upgrade ---------------------------------------------------------

void DeviceStateMachine::upgrade(DeviceInfo* d, const QUpgradeEvent& e)
{
    const int status = statusOf(kUpgradeStatuses, e.code, kUpgradeFailed);
    const bool goesOn = e.code == 394 || e.code == 764; // progress, upload started
    if (e.code == 394)
        d->upgradePercent = e.value;
    if (!goesOn) {
        if (DeviceInfo::webInterfaceProtocol()) {
            if (d->wrapperDevice) {
                d->logoutDevice(__LINE__);
                d->wrapperDevice = nullptr;
            }
        } else if (d->upgradeHandle != 0) {
            VLNetStopRemoteUpgrade(&d->upgradeHandle);
            d->upgradeHandle = 0;
        }
        d->upgradePercent = 0;
        d->logoutDevice(__LINE__);
    }
    d->setStatus(status);
    if (d->upgradePage)
        d->upgradePage->removeWorkDevice(d, !goesOn);
}

void DeviceStateMachine::autoUpgrade(DeviceInfo* d, const QUpgradeEvent& e)
{
    bool remove = false;
    if (e.code == 764) {
        d->setStatus(15);
    } else if (e.code == 394) {
        d->autoUpgradePercent = e.value;
        d->setStatus(82);
    } else {
        d->webLogout();
        d->logoutDevice(__LINE__);
        d->setStatus(statusOf(kAutoUpgradeStatuses, e.code, kUpgradeFailed));
        if (e.code == 391) {
            // The device took the firmware and reboots: look for it again.
            d->operation = DeviceInfo::AutoSearch;
            if (!WorkerTable::run(WorkerStep::StartAutoUpgradeSearchTimer, d))
                return;
        } else if (e.code == 390 || e.code == 392 || e.code == 393) {
            // A failed upload still leaves the device to restore.
            d->loginRetries = 0;
            d->operation = DeviceInfo::AutoRestore;
            d->loginDevice();
        } else {
            // 395, 396 and anything unknown end the device's sequence: its
            // page must take it off the batch.
            remove = true;
        }
    }
    if (d->autoUpgradePage)
        d->autoUpgradePage->removeWorkDevice(d, remove);
}

void DeviceStateMachine::autoUpgradeSearch(DeviceInfo* d, const QUpgradeEvent& e)
{
    int status = SearchEnded;
    switch (e.code) {
    case SearchTimerFired:
    case SearchRestart1:
    case SearchRestart2:
        status = SearchStarting;
        break;
    case SearchFound:
        status = SearchFoundAgain;
        break;
    case SearchNotYet:
        status = SearchRepeating;
        break;
    default:
        break;
    }
    if (GKAppSetting::instance()->protocol() == 0 && d->multiSearchHandle) {
        vl_stop_multi_search(d->multiSearchHandle);
        d->multiSearchHandle = nullptr;
    }
    d->setStatus(status);
    switch (status) {
    case SearchStarting:
        d->operation = DeviceInfo::AutoSearch;
        if (!WorkerTable::run(WorkerStep::SearchUpgradedDevice, d))
            return;
        break;
    case SearchRepeating:
        ++d->searchPasses;
        if (!WorkerTable::run(WorkerStep::SearchUpgradedDevice, d))
            return;
        break;
    case SearchFoundAgain:
        d->loginRetries = 0;
        d->operation = DeviceInfo::AutoRestore;
        d->loginDevice();
        break;
    default:
        break;
    }
    if (d->autoUpgradePage)
        d->autoUpgradePage->removeWorkDevice(d, status == SearchEnded);
}

// ---- Multicast replies ----------------------------------------------------------

void DeviceStateMachine::multiActivate(DeviceInfo* d, int code)
{
    const bool goesOn = code == MultiNeedAuth;
    if (!goesOn) {
        if (multicast_handle* h = d->activationHandle.exchange(nullptr))
            vl_stop_multi_activate(h);
        // The activation pre-check marked the device as in a session; the
        // run is over, and a device left marked would stay busy for ever.
        d->loggedIn = false;
    }
    d->setStatus(statusOf(kActivationStatuses, code, kNoResponse));
    if (d->initialDevicePage)
        d->initialDevicePage->removeWorkDevice(d, !goesOn);
}

void DeviceStateMachine::autoActivate(DeviceInfo* d, int code)
{
    const int status = statusOf(kActivationStatuses, code, kNoResponse);
    // The device now has the password its activation sent.
    if (code == MultiSuccess)
        d->password = d->autoActivationPassword;
    if (code != MultiNeedAuth) {
        if (multicast_handle* h = d->autoActivationHandle.exchange(nullptr))
            vl_stop_multi_activate(h);
    }
    d->setStatus(status);
    if (code == MultiSuccess || code == MultiDeviceActivated) {
        // Activated now or before: the automatic upgrade follows.
        d->loginRetries = 0;
        d->searchPasses = 0;
        d->found = false;
        d->operation = DeviceInfo::AutoUpgrade;
        d->loginDevice();
        return;
    }
    if (code != MultiNeedAuth)
        d->loggedIn = false; // as for operation 20
    if (d->autoUpgradePage)
        d->autoUpgradePage->removeWorkDevice(d, code != MultiNeedAuth);
}

void DeviceStateMachine::multiUpdate(DeviceInfo* d, int code)
{
    if (multicast_handle* h = d->updateHandle.exchange(nullptr))
        vl_stop_multi_update(h);
    d->setStatus(updateStatus(code));
    if (d->searchPage)
        d->searchPage->removeWorkDevice(d, true, true);
    if (d->deviceInfoPage)
        d->deviceInfoPage->removeWorkDevice(d, true);
}

// ---- Video format ---------------------------------------------------------------

void DeviceStateMachine::videoFormat(DeviceInfo* d, int code)
{
    const VideoFormatRow* row = &kOtherVideoFormatCode;
    for (const VideoFormatRow& r : kVideoFormatRows) {
        if (r.code == code)
            row = &r;
    }
    if (row->status >= 0)
        d->setStatus(row->status);
    if (code == 1031) {
        if (!WorkerTable::run(WorkerStep::SendFirstLoginTransKeyRequest, d))
            return;
    } else if (code == 1032) {
        d->loginDevice();
    }
    if (row->logout)
        d->logoutDevice(__LINE__);
    if (d->videoFormatPage)
        d->videoFormatPage->updateDeviceRow(d);
}

// ---- Members of the record used by the state machine ----------------------------

void DeviceInfo::notifyWatchers(bool remove)
{
    if (searchPage)
        searchPage->removeWorkDevice(this, remove, true);
    DeviceWatcher* const pages[] = {
        upgradePage,
        importExportPage,
        changePasswordPage,
        exportExcelPage,
        deviceInfoPage,
        extranetSearchPage,
        streamConfigPage,
        osdConfigPage,
        recoveryPage,
        initialDevicePage,
        rebootPage,
        changeDevicePage,
        autoUpgradePage,
    };
    for (DeviceWatcher* page : pages) {
        if (page)
            page->removeWorkDevice(this, remove);
    }
    if (videoFormatPage)
        videoFormatPage->updateDeviceRow(this);
}

void DeviceInfo::webLogout()
{
    if (GKAppSetting::instance()->protocol() == 0) {
        if (wrapperDevice) {
            vl_device_logout(wrapperDevice);
            vl_destroy_device(wrapperDevice);
            auto* request = new WebLogoutRequest;
            request->setup = WorkerFrame::clientSetup(this);
            WorkPool::instance()->submit(&sendWebLogout, request, WorkPool::NormalQueue);
        }
        wrapperDevice = nullptr;
    } else if (upgradeHandle != 0) {
        VLNetStopRemoteUpgrade(&upgradeHandle);
        upgradeHandle = 0;
    }
    autoUpgradePercent = 0;
}

void DeviceInfo::startAutoUpgradeSearchTimer()
{
    delete autoSearchTimer;
    autoSearchTimer = new QTimer;
    autoSearchTimer->setSingleShot(true);
    autoSearchTimer->setInterval(Clock::instance()->duration(kAutoSearchDelayMs));
    QObject::connect(autoSearchTimer, &QTimer::timeout, this, &DeviceInfo::checkAutoUpgradeSearchTimeout);
    autoSearchTimer->start();
}

void DeviceInfo::checkAutoUpgradeSearchTimeout()
{
    if (autoSearchTimer)
        autoSearchTimer->stop();
    QCoreApplication::postEvent(this, new QUpgradeEvent(AutoUpgradeSearchEvent, SearchTimerFired));
}

void DeviceInfo::checkUpgradeResult(bool ok)
{
    QCoreApplication::postEvent(this, new QUpgradeEvent(UpgradeEvent, ok ? 391 : 390));
    endUploadThread();
}

void DeviceInfo::checkAutoUpgradeResult(bool ok)
{
    QCoreApplication::postEvent(this, new QUpgradeEvent(AutoUpgradeEvent, ok ? 391 : 390));
    endUploadThread();
}

// ---- Callbacks (SDK and VLSDKWrapper threads) -----------------------------------

void VLNET_CALL DeviceInfo::upgradeCallback(uint32_t code, void* second, void* user)
{
    if (!user) {
        logLine("DeviceInfo::upgradeCallback", __LINE__,
            QStringLiteral("parse response failed: userParam is nullptr"));
        return;
    }
    auto* device = static_cast<DeviceInfo*>(user);
    logLine("DeviceInfo::upgradeCallback", __LINE__,
        QStringLiteral("%1 recieved multicast response from SDK, code: %2").arg(device->mac()).arg(code));
    QCoreApplication::postEvent(
        device, new QUpgradeEvent(UpgradeEvent, int(code), reinterpret_cast<intptr_t>(second)));
}

void VLNET_CALL DeviceInfo::autoUpgradeCallback(uint32_t code, void* second, void* user)
{
    if (user)
        QCoreApplication::postEvent(static_cast<DeviceInfo*>(user),
            new QUpgradeEvent(AutoUpgradeEvent, int(code), reinterpret_cast<intptr_t>(second)));
}

void VL_CALL DeviceInfo::autoActivateCallback(const char* json, void* user)
{
    if (json && user)
        static_cast<DeviceInfo*>(user)->onAutoActivateReply(json);
}

void DeviceInfo::onAutoActivateReply(const char* json)
{
    // A reply after the operation was stopped belongs to no one.
    if (!json || !autoActivationHandle.load(std::memory_order_acquire))
        return;
    // Another device's answer says nothing about this one (11008).
    if (const auto code = MaintenanceRequests::activationReplyCode(json, devId()))
        QCoreApplication::postEvent(this, new QMultiEvent(AutoActivateEvent, *code));
}

namespace
{
// The end of one search pass: found, or another pass while rounds are left.
void postSearchPassEnd(DeviceInfo* device, int rounds)
{
    const int code = device->found.load()
        ? SearchFound
        : (device->searchPasses.load() < rounds ? SearchNotYet : SearchGaveUp);
    QCoreApplication::postEvent(device, new QUpgradeEvent(AutoUpgradeSearchEvent, code));
}

void markFound(DeviceInfo* device, const QString& mac)
{
    const QString key = macKey(mac);
    if (!key.isEmpty() && key == device->macKey())
        device->found = true;
}
} // namespace

void VL_CALL DeviceInfo::autoUpgradeSearchCallback(const char* json, void* user)
{
    auto* device = static_cast<DeviceInfo*>(user);
    if (!device)
        return;
    if (!json) {
        postSearchPassEnd(device, kMulticastSearchRounds);
        return;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(json), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        QCoreApplication::postEvent(device, new QUpgradeEvent(AutoUpgradeSearchEvent, SearchUnreadable));
        return;
    }
    if (!device->found.load())
        markFound(device, doc.object().value(QStringLiteral("mac")).toString());
}

int VLNET_CALL DeviceInfo::autoUpgradeSdkSearchCallback(const VLNET_SEARCH_DEV_RSP* record, void* user)
{
    auto* device = static_cast<DeviceInfo*>(user);
    if (!device)
        return 0;
    if (!record) {
        postSearchPassEnd(device, kSdkSearchRounds);
        return 1;
    }
    if (!device->found.load())
        markFound(device, recordText(record->mac_addr));
    return 1;
}
