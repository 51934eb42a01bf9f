#pragma once
// The page of the devices' developer switches (telnet and log export).
//
// The main window creates the page once and hands it the tool bar; the
// filter and the busy state are PageBase's until the page's table and form
// arrive. GUI thread only.
#include "shell/ui/PageBase.h"

class DeveloperPage : public PageBase
{
    Q_OBJECT

public:
    explicit DeveloperPage(QWidget* parent = nullptr);
};
