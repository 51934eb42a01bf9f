#pragma once
// How a device record tells the pages (and the upload supervisor) about the
// work they started on it, without knowing any page: each page that watches
// devices implements one of these interfaces, and the record keeps one
// watcher slot per page class (DeviceInfo::searchPage ... upgradeManager).
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
