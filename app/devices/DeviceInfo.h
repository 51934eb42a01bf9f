#pragma once
// The record of one device that a search found. For now it holds only the
// process-wide limit of the firmware upload queue; the record itself (search
// record, session, statuses, per-page state) is added with the device model.
#include <QObject>
#include <atomic>

class DeviceInfo : public QObject
{
    Q_OBJECT

public:
    // How many devices may hold an upload slot when a new device asks for one.
    // 0 until the settings loader (or the upgrade page) sets it. Written on
    // the GUI thread and read by upload workers on pool threads, hence atomic.
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
