#include "pages/ui/ChangePassword.h"

#include "shell/ui/PagePlaceholder.h"

ChangePassword::ChangePassword(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("ChangePassword"));
    new PagePlaceholder(this, ToolBarButton::Password, "password",
        QStringLiteral("Changes the password of the checked devices."));
}
