#include "upgrade/UpgradeManager.h"

#include "devices/DeviceInfo.h"
#include "shell/GKAppSetting.h"

UpgradeManager::UpgradeManager(QObject* parent)
    : QObject(parent)
{
}

void UpgradeManager::onDeviceUploadStarted(DeviceInfo* device)
{
    GKAppSetting::instance()->log(QStringLiteral("UpgradeManager::onDeviceUploadStarted"), __LINE__,
        QStringLiteral("%1 upload started; no batch is supervised").arg(device ? device->mac() : QString()));
}

void UpgradeManager::onDeviceUploadFinished(DeviceInfo* device)
{
    GKAppSetting::instance()->log(QStringLiteral("UpgradeManager::onDeviceUploadFinished"), __LINE__,
        QStringLiteral("%1 upload finished; no batch is supervised").arg(device ? device->mac() : QString()));
}

void UpgradeManager::onDeviceFailed(DeviceInfo* device, int reason)
{
    GKAppSetting::instance()->log(QStringLiteral("UpgradeManager::onDeviceFailed"), __LINE__,
        QStringLiteral("%1 upgrade failed, reason %2; no batch is supervised")
            .arg(device ? device->mac() : QString())
            .arg(reason));
}
