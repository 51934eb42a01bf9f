#include "shell/ui/HoverButton.h"

#include "shell/ui/HoverDialog.h"

#include <QCursor>
#include <QScreen>

HoverButton::HoverButton(QWidget* parent)
    : QPushButton(parent)
{
    m_popup = new HoverDialog(this);
    connect(m_popup, &HoverDialog::HoverFirstRequest, this, &HoverButton::ClickHoverFirstRequest);
    connect(m_popup, &HoverDialog::HoverSecondRequest, this, &HoverButton::ClickHoverSecondRequest);
    connect(m_popup, &HoverDialog::HoverThirdRequest, this, &HoverButton::ClickHoverThirdRequest);
    connect(m_popup, &HoverDialog::ClickedAnyBtn, this, &HoverButton::HoverHasClickedBtn);
}

int HoverButton::currentChoice() const
{
    if (!isChecked() || !isEnabled())
        return 0;
    return m_popup->choiceIndex();
}

void HoverButton::restoreChoice(bool keep)
{
    if (isChecked() && isEnabled() && !keep)
        m_popup->checkChoice(0);
}

void HoverButton::resetChoices(bool keep)
{
    if (!keep)
        m_popup->resetChoices();
}

void HoverButton::showPopup()
{
    if (!isChecked() || !isEnabled())
        return;
    QPoint at = mapToGlobal(QPoint(width() / 2 - kPopupWidth / 2, height()));
    // Near a screen edge the pop-up would be cut off: keep it on the screen
    // that holds the button.
    if (QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        if (area.width() >= kPopupWidth)
            at.setX(qBound(area.left(), at.x(), area.right() + 1 - kPopupWidth));
    }
    m_popup->setFixedSize(kPopupWidth, kPopupHeight);
    m_popup->move(at);
    m_popup->show();
}

void HoverButton::enterEvent(QEvent* event)
{
    showPopup();
    if (event)
        QPushButton::enterEvent(event);
}

void HoverButton::leaveEvent(QEvent* event)
{
    if (m_popup->isVisible() && !m_popup->geometry().contains(QCursor::pos())) {
        m_popup->hide();
        emit HoverHasClickedBtn(m_popup->choiceIndex() != -1);
    }
    QPushButton::leaveEvent(event);
}
