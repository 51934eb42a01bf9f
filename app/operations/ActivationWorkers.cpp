// Operations 20 and 30: a new device's first password by multicast. The
// workers start the multicast activation and store its handle; the reply
// comes later on VLSDKWrapper's thread and reaches the state machine as an
// event, which sets the final status and stops the operation.
#include "devices/DeviceEvents.h"
#include "devices/DeviceInfo.h"
#include "operations/MaintenanceRequests.h"
#include "operations/WorkerFrame.h"
#include "shell/GKAppSetting.h"
#include "vl_sdk_wrapper.h"

#include <QCoreApplication>

namespace
{

constexpr int kActivationSent = 34;
constexpr int kActivationNotStarted = 32;
constexpr int kNoDeviceKey = 62;

using MaintenanceRequests::ActivationEntry;

// The request's id and key from the search.
ActivationEntry entryOf(const DeviceInfo* device)
{
    ActivationEntry entry;
    entry.id = device->devId().toLatin1();
    entry.key = device->devEnc().toLatin1();
    return entry;
}

// Starts the activation; the handle goes to `handle` only after the start
// has returned (the engine's thread reads it with acquire). 34 when it
// runs, 32 when nothing started.
int start(DeviceInfo* device, const ActivationEntry& entry, vl_json_callback callback,
    std::atomic<multicast_handle*>& handle)
{
    const std::string request = MaintenanceRequests::activationRequest(entry);
    multicast_handle* h = MaintenanceRequests::activationStarter()(request.c_str(), callback, device);
    handle.store(h, std::memory_order_release);
    return h ? kActivationSent : kActivationNotStarted;
}

// Nothing went to the device: the activation pre-check's session mark is
// taken back, and the page takes the device off its work list instead of
// waiting for a reply that will not come.
void notStarted(DeviceInfo* device)
{
    device->loggedIn = false;
    device->setStatus(kActivationNotStarted);
}

// The device has no id or key to activate it with (a VLNet search found it).
void noDeviceKey(DeviceInfo* device, QEvent::Type event)
{
    device->loggedIn = false;
    device->setStatus(kNoDeviceKey);
    QCoreApplication::postEvent(device, new QMultiEvent(event, MultiNotSupport));
}

void tellInitialisationPages(DeviceInfo* device, bool remove)
{
    if (device->initialDevicePage)
        device->initialDevicePage->removeWorkDevice(device, remove);
    if (device->videoFormatPage)
        device->videoFormatPage->updateDeviceRow(device);
}

} // namespace

void DeviceInfo::activateDevice(DeviceInfo* device)
{
    if (!device)
        return;
    ActivationEntry entry = entryOf(device);
    entry.password = device->activationPassword;
    if (WorkerFrame::transport() == WorkerFrame::Transport::Web) {
        if (entry.id.isEmpty() || entry.key.isEmpty()) {
            noDeviceKey(device, MultiActivateEvent);
            return;
        }
        entry.withSyncFields = true;
        entry.syncPassword = device->syncPassword;
        entry.connIpcPassword = device->cameraConnectionPassword;
    }
    int status = kActivationNotStarted;
    if (!entry.password.isEmpty())
        status = start(device, entry, &DeviceInfo::multiActivateCallback, device->activationHandle);
    if (status == kActivationNotStarted) {
        notStarted(device);
        tellInitialisationPages(device, true);
        return;
    }
    device->setStatus(status);
    tellInitialisationPages(device, false);
}

void DeviceInfo::activateDeviceForAutoUpgrade(DeviceInfo* device)
{
    if (!device)
        return;
    ActivationEntry entry = entryOf(device);
    int status = kActivationNotStarted;
    if (GKAppSetting::instance()->protocol() == 0) {
        if (entry.id.isEmpty() || entry.key.isEmpty()) {
            noDeviceKey(device, AutoActivateEvent);
            return;
        }
        // The edition's alternative password where it has one; else the
        // password entered on the page. The state machine makes the text
        // sent the login password once the device took it.
        const QString alternative = GKAppSetting::instance()->altPassword();
        const QString password
            = alternative.isEmpty() ? QString::fromLatin1(device->activationPassword) : alternative;
        entry.password = password.toLatin1();
        entry.withSyncFields = true;
        entry.syncPassword = false;
        device->autoActivationPassword = password;
        if (!entry.password.isEmpty())
            status = start(device, entry, &DeviceInfo::autoActivateCallback, device->autoActivationHandle);
    } else {
        // The reply comes as operation 20's (MultiActivateEvent).
        entry.password = device->activationPassword;
        if (!entry.password.isEmpty())
            status = start(device, entry, &DeviceInfo::multiActivateCallback, device->activationHandle);
    }
    const bool started = status != kActivationNotStarted;
    if (started)
        device->setStatus(status);
    else
        notStarted(device);
    if (device->autoUpgradePage)
        device->autoUpgradePage->removeWorkDevice(device, !started);
}

void VL_CALL DeviceInfo::multiActivateCallback(const char* json, void* user)
{
    if (json && user)
        static_cast<DeviceInfo*>(user)->onMultiActivateReply(json);
}

void DeviceInfo::onMultiActivateReply(const char* json)
{
    // A reply after the operation was stopped (or before its handle was
    // stored) belongs to no run.
    if (!json || !activationHandle.load(std::memory_order_acquire))
        return;
    if (const auto code = MaintenanceRequests::activationReplyCode(json, devId()))
        QCoreApplication::postEvent(this, new QMultiEvent(MultiActivateEvent, *code));
}
