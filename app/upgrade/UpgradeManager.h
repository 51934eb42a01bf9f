#pragma once
// The supervisor of a batch firmware upgrade: it follows every device of the
// batch through upload, reboot and search again, and frees each device's
// upload slot when its upload has ended. A device reaches it through its
// DeviceInfo::upgradeManager slot (UpgradeSupervisor).
//
// So far it only logs what the devices report: the batch's tasks, phases,
// search and records come with the upgrade page.
//
// Threads: the device calls arrive on the GUI thread or a pool thread.
#include "devices/DeviceWatcher.h"

#include <QObject>

class UpgradeManager : public QObject, public UpgradeSupervisor
{
    Q_OBJECT

public:
    explicit UpgradeManager(QObject* parent = nullptr);

    void onDeviceUploadStarted(DeviceInfo* device) override;
    void onDeviceUploadFinished(DeviceInfo* device) override;
    void onDeviceFailed(DeviceInfo* device, int reason) override;
};
