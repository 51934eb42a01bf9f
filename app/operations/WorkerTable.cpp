#include "operations/WorkerTable.h"

#include "devices/DeviceInfo.h"
#include "devices/WorkPool.h"
#include "shell/GKAppSetting.h"

#include <array>
#include <atomic>

namespace
{

struct Row {
    WorkerStep step;
    const char* name;
    WorkerTable::Function builtIn; // null: not built into the program
};

// One row per step, in the order of WorkerStep. A worker that comes into the
// program takes its row's null.
constexpr Row kRows[] = {
    { WorkerStep::ModifyDevice, "modifyDevice",
        [](DeviceInfo* device) {
            if (device)
                device->modifyDevice();
        } },
    { WorkerStep::StartUpgradeDevice, "startUpgradeDevice", nullptr },
    { WorkerStep::RestoreDefaultsBySdk, "restoreDefaultsBySdk", &DeviceInfo::restoreDefaultsBySdk },
    { WorkerStep::ExportConfig, "exportConfig", [](DeviceInfo* device) { device->exportConfig(); } },
    { WorkerStep::ImportConfig, "importConfig", &DeviceInfo::importConfig },
    { WorkerStep::EnableNtp, "enableNtp",
        [](DeviceInfo* device) {
            if (device)
                device->enableNtp();
        } },
    { WorkerStep::ModifyOnvifDevice, "modifyOnvifDevice",
        [](DeviceInfo* device) {
            if (device)
                device->modifyOnvifDevice();
        } },
    { WorkerStep::QueryUpgradeMatchText, "queryUpgradeMatchText",
        [](DeviceInfo* device) {
            if (device)
                device->queryUpgradeMatchText();
        } },
    { WorkerStep::ChangeUserPassword, "changeUserPassword", &DeviceInfo::changeUserPassword },
    { WorkerStep::GetStreamConfig, "getStreamConfig", &DeviceInfo::getStreamConfig },
    { WorkerStep::SetStreamConfig, "setStreamConfig", &DeviceInfo::setStreamConfig },
    { WorkerStep::SetDateTime, "setDateTime", &DeviceInfo::setDateTime },
    { WorkerStep::SetOsdConfig, "setOSDConfig", &DeviceInfo::setOSDConfig },
    { WorkerStep::GetOsdConfig, "getOSDConfig", &DeviceInfo::getOSDConfig },
    { WorkerStep::RestoreDefaults, "restoreDefaults", &DeviceInfo::restoreDefaults },
    { WorkerStep::ResetDeviceByFactoryType, "resetDeviceByFactoryType",
        &DeviceInfo::resetDeviceByFactoryType },
    { WorkerStep::ActivateDevice, "activateDevice", &DeviceInfo::activateDevice },
    { WorkerStep::RebootDevice, "rebootDevice", &DeviceInfo::rebootDevice },
    { WorkerStep::RebootDeviceForRecovery, "rebootDeviceForRecovery", &DeviceInfo::rebootDeviceForRecovery },
    { WorkerStep::SetDeviceNameAndType, "setDeviceNameAndType", &DeviceInfo::setDeviceNameAndType },
    { WorkerStep::GetDeveloperMode, "getDeveloperMode", &DeviceInfo::getDeveloperMode },
    { WorkerStep::SetDeveloperMode, "setDeveloperMode", &DeviceInfo::setDeveloperMode },
    { WorkerStep::AutoUpgradeDevice, "autoUpgradeDevice", nullptr },
    { WorkerStep::RestoreDefaultsKeepNetwork, "restoreDefaultsKeepNetwork",
        &DeviceInfo::restoreDefaultsKeepNetwork },
    { WorkerStep::ActivateDeviceForAutoUpgrade, "activateDeviceForAutoUpgrade",
        &DeviceInfo::activateDeviceForAutoUpgrade },
    { WorkerStep::SendSetVideoFormatRequest, "sendSetVideoFormatRequest",
        [](DeviceInfo* device) { device->sendSetVideoFormatRequest(QJsonObject()); } },
    { WorkerStep::RequestFactoryResetTransKey, "requestFactoryResetTransKey",
        [](DeviceInfo* device) { device->requestFactoryResetTransKey(); } },
    { WorkerStep::SendFirstLoginTransKeyRequest, "sendFirstLoginTransKeyRequest",
        [](DeviceInfo* device) { device->sendFirstLoginTransKeyRequest(); } },
    { WorkerStep::SearchUpgradedDevice, "searchUpgradedDevice", nullptr },
    { WorkerStep::StartAutoUpgradeSearchTimer, "startAutoUpgradeSearchTimer",
        [](DeviceInfo* device) { device->startAutoUpgradeSearchTimer(); } },
};
static_assert(std::size(kRows) == kWorkerStepCount, "one row per step");

constexpr bool rowsInStepOrder()
{
    for (int i = 0; i < kWorkerStepCount; ++i) {
        if (int(kRows[i].step) != i)
            return false;
    }
    return true;
}
static_assert(rowsInStepOrder(), "rows in the order of WorkerStep");

std::array<std::atomic<WorkerTable::Function>, kWorkerStepCount>& overrides()
{
    static std::array<std::atomic<WorkerTable::Function>, kWorkerStepCount> table {};
    return table;
}

bool valid(WorkerStep step)
{
    return int(step) >= 0 && int(step) < kWorkerStepCount;
}

// The override that stands for "no function" (WorkerTable::setMissing).
void missingWorker(DeviceInfo*)
{
}

} // namespace

namespace WorkerTable
{

Function function(WorkerStep step)
{
    if (!valid(step))
        return nullptr;
    if (Function fake = overrides()[std::size_t(step)].load())
        return fake == &missingWorker ? nullptr : fake;
    return kRows[int(step)].builtIn;
}

const char* name(WorkerStep step)
{
    return valid(step) ? kRows[int(step)].name : "unknown step";
}

void setFunction(WorkerStep step, Function function)
{
    if (valid(step))
        overrides()[std::size_t(step)].store(function);
}

void setMissing(WorkerStep step)
{
    setFunction(step, &missingWorker);
}

void reset()
{
    for (auto& f : overrides())
        f.store(nullptr);
}

bool run(WorkerStep step, DeviceInfo* device)
{
    const Function f = function(step);
    if (!f) {
        failOperation(step, device);
        return false;
    }
    f(device);
    return true;
}

bool submit(WorkerStep step, DeviceInfo* device, int queue)
{
    const Function f = function(step);
    if (!f) {
        failOperation(step, device);
        return false;
    }
    WorkPool::instance()->submit(f, device, queue);
    return true;
}

void failOperation(WorkerStep step, DeviceInfo* device)
{
    constexpr int kFailed = 6;
    GKAppSetting::instance()->log(QStringLiteral("WorkerTable::failOperation"), __LINE__,
        QStringLiteral("%1: operation %2 has no worker %3 in this program; it fails")
            .arg(device->ip())
            .arg(device->operation.load())
            .arg(QLatin1String(name(step))));
    device->setStatus(kFailed);
    device->logoutDevice(__LINE__);
    device->notifyWatchers(true);
}

} // namespace WorkerTable
