#pragma once
// The page that restores the default settings of the checked devices.
//
// The main window creates the page once and hands it the tool bar; the
// filter and the busy state are PageBase's until the page's table and form
// arrive. GUI thread only.
#include "shell/ui/PageBase.h"

class RecoveryDevice : public PageBase
{
    Q_OBJECT

public:
    explicit RecoveryDevice(QWidget* parent = nullptr);
};
