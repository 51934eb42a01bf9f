// Operations 21 and 22: the reboot, over VLNet's reboot test or the web
// interface's reboot request (after a transfer key: the device wants its
// password proven again). The worker does not wait for the device to come
// back.
#include "devices/DeviceInfo.h"
#include "operations/WorkerFrame.h"

#include <cstring>

namespace
{

constexpr int kRebootAccepted = 37;
constexpr int kRebootRefused = 35;
constexpr int kRebootNoAnswer = 36;

int rebootOverVlnet(DeviceInfo* device)
{
    VLNET_REMOTE_TEST request;
    std::memset(&request, 0, sizeof request);
    request.command = VLNET_TEST_REBOOT;
    request.user = device;
    request.callback = &DeviceInfo::remoteTestCallback;
    return VLNetRemoteTest(device->connectionHandle, &request) != 0 ? kRebootAccepted : kRebootRefused;
}

int rebootOverWeb(DeviceInfo* device)
{
    WorkerFrame::WebRun run(device);
    // No usable key: the reboot would only be refused, so it is not sent.
    const auto auth = run.secondaryAuth(true);
    if (!auth)
        return kRebootNoAnswer;
    QJsonObject data;
    data.insert(QStringLiteral("base_secondary_authentication"), *auth);
    // Judged by the answer alone: a device may answer its reboot with
    // another HTTP status than 200.
    const WorkerFrame::Reply reply
        = run.postData(QByteArrayLiteral("/API/Maintenance/DeviceReboot/Set"), data);
    switch (reply.outcome) {
    case WorkerFrame::Outcome::Ok:
        return kRebootAccepted;
    case WorkerFrame::Outcome::Fail:
        return kRebootRefused;
    case WorkerFrame::Outcome::Error:
        break;
    }
    return kRebootNoAnswer;
}

void reboot(DeviceInfo* device, DeviceWatcher* page)
{
    const int status = WorkerFrame::transport() == WorkerFrame::Transport::VLNet ? rebootOverVlnet(device)
                                                                                 : rebootOverWeb(device);
    WorkerFrame::finish(device, status, page);
}

} // namespace

void DeviceInfo::rebootDevice(DeviceInfo* device)
{
    if (device)
        reboot(device, device->rebootPage);
}

void DeviceInfo::rebootDeviceForRecovery(DeviceInfo* device)
{
    if (device)
        reboot(device, device->recoveryPage);
}

void VLNET_CALL DeviceInfo::remoteTestCallback(int, int, int, void*)
{
}
