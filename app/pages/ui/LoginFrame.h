#pragma once
// The login page: logs one device in by address, port, user and password,
// looks after a new device's first password, and carries the single-device
// configuration dialog below its login line.
//
// The main window creates the page once and makes it emit IsLoginFrame()
// whenever it shows it. It takes no tool bar and no filter. GUI thread only.
#include "shell/ui/PageBase.h"

class DeviceInfo;
class QString;

class LoginFrame : public PageBase
{
    Q_OBJECT

public:
    explicit LoginFrame(QWidget* parent = nullptr);

    // Fills the address and port from `device` (logging an earlier session
    // out when the address changed).
    void setDevice(DeviceInfo* device);
    // Puts the user and the password into the page's edits.
    void setUserPassword(const QString& user, const QString& password);

signals:
    // The page has just been shown.
    void IsLoginFrame();
};
