#pragma once
// How a device record tells the pages (and the upload supervisor and the
// result records) about the work they started on it, without knowing any
// page: each page that watches devices implements one of these interfaces,
// and the record keeps one watcher slot per page class
// (DeviceInfo::searchPage ... upgradeManager, videoFormatRecord).
//
// Threads: the calls come from the GUI thread (the device's state machine)
// and from work-pool threads (the operation workers). An implementation
// changes its own lists only under its own mutex and reaches its widgets
// only through a queued call (QMetaObject::invokeMethod with
// Qt::QueuedConnection) or a posted event, never directly.
class DeviceInfo;

// A batch page (and the IP-range search page).
class DeviceWatcher
{
public:
    // An operation of this page on `device` reported back. `remove`: the
    // operation has ended and the device leaves the page's work list;
    // otherwise only the device's row is refreshed.
    virtual void removeWorkDevice(DeviceInfo* device, bool remove) = 0;

protected:
    ~DeviceWatcher() = default;
};

// The search page, whose rows refresh whole or by their status cell.
class SearchDeviceWatcher
{
public:
    virtual void removeWorkDevice(DeviceInfo* device, bool wholeRow, bool remove) = 0;

protected:
    ~SearchDeviceWatcher() = default;
};

// The video-format page, which keeps no work list.
class VideoFormatWatcher
{
public:
    virtual void updateDeviceRow(DeviceInfo* device) = 0;

protected:
    ~VideoFormatWatcher() = default;
};

// The supervisor of a batch firmware upgrade (UpgradeManager), told of each
// device's upload through DeviceInfo::upgradeManager. Called on the thread
// that stores the device's upgrade status (GUI or pool thread); the
// supervisor does its own locking.
class UpgradeSupervisor
{
public:
    // The device's login for the upload succeeded; the upload starts.
    virtual void onDeviceUploadStarted(DeviceInfo* device) = 0;
    // The device took the whole firmware; it reboots next. Frees its slot.
    virtual void onDeviceUploadFinished(DeviceInfo* device) = 0;
    // The device's upgrade failed with `reason` (the reason codes of the
    // upgrade records). Frees its slot.
    virtual void onDeviceFailed(DeviceInfo* device, int reason) = 0;

protected:
    ~UpgradeSupervisor() = default;
};

// The result record that follows a device through an operation that ends
// after a reboot (SearchDeviceInfo), told of a failure through
// DeviceInfo::videoFormatRecord.
class DeviceResultRecord
{
public:
    // Finishes the record as failed with `code`; a finished record stays as
    // it is.
    virtual void fail(int code) = 0;

protected:
    ~DeviceResultRecord() = default;
};
