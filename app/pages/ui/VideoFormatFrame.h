#pragma once
// The page that switches the checked devices between the NTSC and PAL video
// standards and follows each through its reset, reboot and search again.
//
// The main window creates the page once and hands it the tool bar; the
// filter and the busy state are PageBase's until the page's table and form
// arrive. GUI thread only.
#include "shell/ui/PageBase.h"

class VideoFormatFrame : public PageBase
{
    Q_OBJECT

public:
    explicit VideoFormatFrame(QWidget* parent = nullptr);
};
