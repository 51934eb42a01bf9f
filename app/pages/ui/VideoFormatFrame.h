#pragma once
// The page that switches the checked devices between the NTSC and PAL video
// standards and follows each through its reset, reboot and search again.
//
// The main window creates the page once and hands it the tool bar; the
// filter and the busy state are PageBase's until the page's table and form
// arrive. GUI thread only, except updateDeviceRow.
#include "devices/DeviceWatcher.h"
#include "shell/ui/PageBase.h"

class VideoFormatFrame : public PageBase, public VideoFormatWatcher
{
    Q_OBJECT

public:
    explicit VideoFormatFrame(QWidget* parent = nullptr);

    // Refreshes a device's row after its video-format flow moved on; any
    // thread (VideoFormatWatcher).
    void updateDeviceRow(DeviceInfo* device) override;
};
