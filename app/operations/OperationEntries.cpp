// The operation entries: what a page hands to the work pool to start an
// operation on a device. Each stores the operation and opens the session it
// needs; the session's result reaches the device's state machine
// (DeviceStateMachine.cpp), which runs the operation. Pool threads.
#include "devices/DeviceEvents.h"
#include "devices/DeviceInfo.h"
#include "operations/WorkerTable.h"

#include <QCoreApplication>

namespace
{

constexpr int kLoggedIn = 101;
constexpr int kActivationRuns = 34; // "activating": the activation is sent next
constexpr int kActivatedAlready = 30;
constexpr int kFirstVideoFormatStep = 1031;

void login(void* argument, DeviceInfo::Operation operation)
{
    auto* device = static_cast<DeviceInfo*>(argument);
    if (!device)
        return;
    device->operation = operation;
    device->loginDevice();
}

// Operations 20 and 30 need no login: a device without a password yet takes
// its first one by multicast. The state machine is told as if a login had
// succeeded, so that it queues the activation; an activated device ends
// here, and its page's timer finds it not logged in.
void activationPreCheck(void* argument, DeviceInfo::Operation operation)
{
    auto* device = static_cast<DeviceInfo*>(argument);
    if (!device)
        return;
    device->operation = operation;
    if (device->isActivated()) {
        device->storeStatus(kActivatedAlready);
        return;
    }
    device->loggedIn = true;
    device->storeStatus(kActivationRuns);
    QCoreApplication::postEvent(device, new QConnectEvent(kLoggedIn, ConnectEvent, device->currentLogin()));
}

} // namespace

void DeviceInfo::doModifyWork(void* argument)
{
    auto* device = static_cast<DeviceInfo*>(argument);
    if (!device)
        return;
    device->operation = Modify;
    // The worker ends the operation itself (status, pages, the multicast
    // update's reply).
    WorkerTable::run(WorkerStep::ModifyDevice, device);
}

void DeviceInfo::doSetInfoWork(void* device)
{
    login(device, SetSdkDevInfo);
}

void DeviceInfo::doSetParamWork(void* device)
{
    login(device, SdkDefault);
}

void DeviceInfo::doPtzControlWork(void* device)
{
    login(device, PtzDefault);
}

void DeviceInfo::doExportWork(void* device)
{
    login(device, ExportConfig);
}

void DeviceInfo::doImportWork(void* device)
{
    login(device, ImportConfig);
}

void DeviceInfo::doEnableNtpWork(void* device)
{
    login(device, EnableNtp);
}

void DeviceInfo::doOnvifParamWork(void* device)
{
    login(device, OnvifModify);
}

void DeviceInfo::doOnvifQueryWork(void* device)
{
    login(device, OnvifQuery);
}

void DeviceInfo::doQueryParamWork(void* device)
{
    login(device, QueryVersion);
}

void DeviceInfo::doCompareWork(void* device)
{
    login(device, CompareVersion);
}

void DeviceInfo::doChangePasswordWork(void* device)
{
    login(device, ChangePassword);
}

void DeviceInfo::doGetStreamWork(void* device)
{
    login(device, GetStream);
}

void DeviceInfo::doSetStreamWork(void* device)
{
    login(device, SetStream);
}

void DeviceInfo::doDateTimeWork(void* device)
{
    login(device, DateTime);
}

void DeviceInfo::doSetOsdWork(void* device)
{
    login(device, SetOsd);
}

void DeviceInfo::doGetOsdWork(void* device)
{
    login(device, GetOsd);
}

void DeviceInfo::doRecoveryWork(void* argument)
{
    auto* device = static_cast<DeviceInfo*>(argument);
    if (device && (device->resetKind == 0 || device->resetKind == 1))
        login(device, RestoreDefaults);
}

void DeviceInfo::doRecoveryToInactiveWork(void* argument)
{
    auto* device = static_cast<DeviceInfo*>(argument);
    if (device && device->resetKind == 2)
        login(device, RestoreDefaults);
}

void DeviceInfo::doActivateWork(void* device)
{
    activationPreCheck(device, Activate);
}

void DeviceInfo::doAutoActivateWork(void* device)
{
    activationPreCheck(device, AutoActivate);
}

void DeviceInfo::doRebootWork(void* device)
{
    login(device, Reboot);
}

void DeviceInfo::doRecoveryRebootWork(void* device)
{
    login(device, RecoveryReboot);
}

void DeviceInfo::doChangeDeviceWork(void* device)
{
    login(device, ChangeDevice);
}

void DeviceInfo::doGetDeveloperModeWork(void* device)
{
    login(device, GetDevMode);
}

void DeviceInfo::doSetDeveloperModeWork(void* device)
{
    login(device, SetDevMode);
}

void DeviceInfo::doAutoUpgradeWork(void* argument)
{
    auto* device = static_cast<DeviceInfo*>(argument);
    if (!device)
        return;
    device->loginRetries = 0;
    device->searchPasses = 0;
    // A found mark left by an earlier automatic upgrade of the record would
    // end the first search pass as found while the device still reboots.
    device->found = false;
    login(device, AutoUpgrade);
}

void DeviceInfo::doVideoFormatWork(void* argument)
{
    auto* device = static_cast<DeviceInfo*>(argument);
    if (!device)
        return;
    device->operation = VideoFormat;
    QCoreApplication::postEvent(device, new QVideoFormatEvent(kFirstVideoFormatStep));
}
