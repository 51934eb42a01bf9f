#pragma once
// The page that restores the default settings of the checked devices.
//
// The main window creates the page once and hands it the tool bar; the
// filter and the busy state are PageBase's until the page's table and form
// arrive. GUI thread only, except removeWorkDevice.
#include "devices/DeviceWatcher.h"
#include "shell/ui/PageBase.h"

class RecoveryDevice : public PageBase, public DeviceWatcher
{
    Q_OBJECT

public:
    explicit RecoveryDevice(QWidget* parent = nullptr);

    // A device of the page's work reported back; any thread (DeviceWatcher).
    void removeWorkDevice(DeviceInfo* device, bool remove) override;
};
