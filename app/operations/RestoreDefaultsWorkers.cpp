// The restore-defaults workers (operations 3, 19 and 29) and the two
// questions they ask of a device's web interface first; what they send is
// RestoreDefaults.h's.
#include "devices/DeviceInfo.h"
#include "devices/DeviceWatcher.h"
#include "operations/RestoreDefaults.h"
#include "operations/WorkerFrame.h"
#include "shell/GKAppSetting.h"

#include <cstring>

namespace
{

using namespace RestoreDefaults;

const QByteArray kRangePath = QByteArrayLiteral("/API/Maintenance/Reset/Range");
const QByteArray kSetPath = QByteArrayLiteral("/API/Maintenance/Reset/Set");

// These workers choose by the protocol setting alone.
WorkerFrame::Transport resetTransport()
{
    return WorkerFrame::transportFor(false, GKAppSetting::instance()->protocol());
}

int sendRecord(DeviceInfo* device, const SdkResetRecord& record)
{
    VLNET_SET_PARAM request;
    std::memset(&request, 0, sizeof request);
    request.command = VLNET_PARAM_RESET;
    request.record = &record;
    return VLNetSetParam(device->connectionHandle, &request) != 0 ? kTaken : kFailed;
}

// The body of a Reset/Set: the second authentication and `items`.
QJsonObject resetData(const QJsonObject& auth, const QJsonObject& items)
{
    QJsonObject data = items;
    data.insert(QStringLiteral("base_secondary_authentication"), auth);
    return data;
}

int setStatusOf(const WorkerFrame::Reply& reply)
{
    return resetSetStatus(reply.httpOk, reply.object);
}

// The end of a run: the status, the page told, the logout.
void end(DeviceInfo* device, int status, DeviceWatcher* page, bool remove = false)
{
    WorkerFrame::finish(device, status, page, true, remove);
}

// The Reset/Range reply, or nothing where the web interface is not in use or
// the reply is no JSON.
std::optional<QJsonObject> askRange(const DeviceInfo* device)
{
    GKAppSetting* settings = GKAppSetting::instance();
    if (!settings->profile().devices.resetRangeOverWeb && settings->protocol() != 0)
        return std::nullopt;
    WorkerFrame::WebRun run(device);
    const WorkerFrame::Reply reply = run.post(kRangePath, QByteArray());
    if (reply.outcome == WorkerFrame::Outcome::Error)
        return std::nullopt;
    return reply.object;
}

} // namespace

bool DeviceInfo::queryResetItems()
{
    const auto reply = askRange(this);
    if (!reply)
        return false;
    offeredResetItems = offeredItems(*reply);
    return anyOffered(offeredResetItems);
}

bool DeviceInfo::queryResetFactoryTypes()
{
    const auto reply = askRange(this);
    if (!reply)
        return false;
    const auto types = RestoreDefaults::factoryTypes(*reply);
    if (!types)
        return false;
    factoryTypes << *types;
    return true;
}

void DeviceInfo::restoreDefaultsBySdk(DeviceInfo* device)
{
    if (!device)
        return;
    end(device, sendRecord(device, recordForAll()), device->upgradePage);
}

void DeviceInfo::restoreDefaults(DeviceInfo* device)
{
    if (!device)
        return;
    DeviceWatcher* page = device->recoveryPage;
    if (resetTransport() == WorkerFrame::Transport::VLNet) {
        end(device, sendRecord(device, recordFromFlags(device->resetItems)), page);
        return;
    }
    WorkerFrame::WebRun run(device);
    if (!device->queryResetItems())
        return end(device, kNoItems, page);
    const auto auth = run.secondaryAuth();
    if (!auth)
        return end(device, kNoKey, page);
    device->setStatus(kSending);
    const QJsonObject items = itemsFromFlags(device->factoryResetItems, device->offeredResetItems);
    end(device, setStatusOf(run.postData(kSetPath, resetData(*auth, items))), page);
}

void DeviceInfo::resetDeviceByFactoryType(DeviceInfo* device)
{
    if (!device)
        return;
    DeviceWatcher* page = device->recoveryPage;
    // VLNet's reset record has no factory-reset types.
    if (resetTransport() == WorkerFrame::Transport::VLNet)
        return end(device, kFailed, page);
    WorkerFrame::WebRun run(device);
    if (!device->queryResetFactoryTypes())
        return end(device, kNoFactoryTypes, page);
    const auto auth = run.secondaryAuth();
    if (!auth)
        return end(device, kNoKey, page);
    QJsonObject items;
    items.insert(QStringLiteral("factory_type"),
        QString::fromUtf8(chooseFactoryType(device->factoryTypeChoice, device->factoryTypes)));
    end(device, setStatusOf(run.postData(kSetPath, resetData(*auth, items))), page);
}

void DeviceInfo::restoreDefaultsKeepNetwork(DeviceInfo* device)
{
    if (!device)
        return;
    // The last step of the automatic upgrade: the page drops the device
    // whatever the outcome, on either transport.
    DeviceWatcher* page = device->autoUpgradePage;
    if (resetTransport() == WorkerFrame::Transport::VLNet)
        return end(device, sendRecord(device, recordKeepingNetwork()), page, true);
    WorkerFrame::WebRun run(device);
    // A failed query leaves the items of the last answer in force.
    device->queryResetItems();
    const auto auth = run.secondaryAuth();
    if (!auth)
        return end(device, kNoKey, page, true);
    device->setStatus(kSending);
    const QJsonObject items = itemsKeepingNetwork(device->offeredResetItems);
    end(device, setStatusOf(run.postData(kSetPath, resetData(*auth, items))), page, true);
}
