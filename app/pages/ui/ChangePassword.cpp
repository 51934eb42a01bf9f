#include "pages/ui/ChangePassword.h"

#include "shell/ui/PagePlaceholder.h"

ChangePassword::ChangePassword(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("ChangePassword"));
    new PagePlaceholder(this, ToolBarButton::Password, "password",
        QStringLiteral("Changes the password of the checked devices."));
}

// The page's table arrives with its form; until then there is nothing to filter.
void ChangePassword::setFilterColumn(int)
{
}

void ChangePassword::setFilterText(const QString&)
{
}
