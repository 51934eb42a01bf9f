#pragma once
// The IP-range search page: finds the devices that answer in a range of IPv4
// addresses given by the user, for networks that the LAN searches do not
// reach, and lists them with their web pages.
//
// The main window creates the page once and hands it the tool bar, which the
// page disables while it searches. The tool bar's filter (PageBase) will set
// the filter key column of the table's proxy and match the text as a
// case-insensitive regular expression. GUI thread
// only, except removeWorkDevice.
#include "devices/DeviceWatcher.h"
#include "shell/ui/PageBase.h"

class ExtranetsearchFrame : public PageBase, public DeviceWatcher
{
    Q_OBJECT

public:
    explicit ExtranetsearchFrame(QWidget* parent = nullptr);

    // A device of the page's work reported back; any thread (DeviceWatcher).
    void removeWorkDevice(DeviceInfo* device, bool remove) override;
};
