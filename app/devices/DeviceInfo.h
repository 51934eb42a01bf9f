#pragma once
// The record of one device that a search found. For now it holds the
// process-wide limit of the firmware upload queue and the watcher slots; the
// rest of the record (search record, session, statuses, per-page state) is
// added with the device model.
//
// The record knows no page: pages watch it through the interfaces of
// DeviceWatcher.h, which they implement.
//
// Threads: a record lives on the GUI thread (its events run there); the
// watcher slots are written on the GUI thread before the page submits work
// and read by pool threads afterwards (the pool's hand-over orders the two).
#include "devices/DeviceWatcher.h"

#include <QObject>
#include <atomic>

class UpgradeManager;

class DeviceInfo : public QObject
{
    Q_OBJECT

public:
    // The watcher slots: the page of each class (or the upload supervisor)
    // that waits for the end of an operation it started on this device. Null
    // until that page first registers itself; never cleared.
    SearchDeviceWatcher* searchPage = nullptr;
    DeviceWatcher* upgradePage = nullptr;
    DeviceWatcher* importExportPage = nullptr;
    DeviceWatcher* exportExcelPage = nullptr;
    DeviceWatcher* changePasswordPage = nullptr;
    DeviceWatcher* deviceInfoPage = nullptr;
    DeviceWatcher* extranetSearchPage = nullptr;
    DeviceWatcher* streamConfigPage = nullptr;
    DeviceWatcher* osdConfigPage = nullptr;
    DeviceWatcher* recoveryPage = nullptr;
    DeviceWatcher* initialDevicePage = nullptr;
    DeviceWatcher* rebootPage = nullptr;
    DeviceWatcher* changeDevicePage = nullptr;
    DeviceWatcher* developerPage = nullptr;
    DeviceWatcher* autoUpgradePage = nullptr;
    VideoFormatWatcher* videoFormatPage = nullptr;
    UpgradeManager* upgradeManager = nullptr;

    // How many devices may hold an upload slot when a new device asks for one.
    // 0 until start-up (after the settings load) or an upgrade page sets it.
    // Written on the GUI thread and read by upload workers on pool threads,
    // hence atomic.
    static std::atomic<int> maxUpgradingCount;

    // Up to 30 devices upload at once: the device web interface takes
    // parallel uploads well.
    static void enableParallelUpgrade();
    // One device at a time: the SDK transport uploads one device at a time.
    static void disableParallelUpgrade();
    // The limit that fits device-access protocol `protocol`: 0 (the web
    // interface) enables, 1 (the SDK) disables parallel uploads; any other
    // value leaves the limit as it is. Start-up applies it after the settings
    // are loaded; the upgrade pages apply it again on a protocol change.
    static void setUploadLimitForProtocol(int protocol);
};
