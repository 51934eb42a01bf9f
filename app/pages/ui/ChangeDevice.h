#pragma once
// The page that gives the checked devices a new device name, type or both.
//
// The main window creates the page once and hands it the tool bar; the
// filter and the busy state are PageBase's until the page's table and form
// arrive. GUI thread only.
#include "shell/ui/PageBase.h"

class ChangeDevice : public PageBase
{
    Q_OBJECT

public:
    explicit ChangeDevice(QWidget* parent = nullptr);
};
