#pragma once
// The page of the unattended upgrade: each checked device is activated when
// new, upgraded, searched again and reset to its defaults, keeping its
// network settings.
//
// The main window creates the page once and hands it the tool bar; the
// filter and the busy state are PageBase's until the page's table and form
// arrive. GUI thread only, except removeWorkDevice.
#include "devices/DeviceWatcher.h"
#include "shell/ui/PageBase.h"

class AutoUpgrade : public PageBase, public DeviceWatcher
{
    Q_OBJECT

public:
    explicit AutoUpgrade(QWidget* parent = nullptr);

    // A device of the page's work reported back; any thread (DeviceWatcher).
    void removeWorkDevice(DeviceInfo* device, bool remove) override;
};
