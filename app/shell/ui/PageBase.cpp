#include "shell/ui/PageBase.h"

#include "shell/ui/ToolBarFrame.h"

#include <QString>

PageBase::PageBase(QWidget* parent)
    : QFrame(parent)
{
}

void PageBase::setFilterColumn(int)
{
}

void PageBase::setFilterText(const QString&)
{
}

void PageBase::refreshDeviceTable()
{
}

void PageBase::setBusy(bool enabled)
{
    setActionsEnabled(enabled);
    if (m_pToolBar)
        m_pToolBar->setButtonsEnabled(enabled);
}

void PageBase::setActionsEnabled(bool)
{
}
