#include "pages/ui/LoginFrame.h"

#include "shell/ui/PagePlaceholder.h"

LoginFrame::LoginFrame(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("LoginFrame"));
    new PagePlaceholder(this, ToolBarButton::Config, "config",
        QStringLiteral("Logs in to one device by its address and configures it: users, default "
                       "settings and reboot."));
}

// The login line and its session arrive with the page's form.
void LoginFrame::setDevice(DeviceInfo*)
{
}

void LoginFrame::setUserPassword(const QString&, const QString&)
{
}
