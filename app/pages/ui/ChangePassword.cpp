#include "pages/ui/ChangePassword.h"

#include "shell/ui/PagePlaceholder.h"

ChangePassword::ChangePassword(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("ChangePassword"));
    new PagePlaceholder(this, ToolBarButton::Password, "password",
        QStringLiteral("Changes the password of the checked devices."));
}

// The work list and its table arrive with the page's form.
void ChangePassword::removeWorkDevice(DeviceInfo*, bool)
{
}
