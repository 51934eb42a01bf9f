#include "shell/ui/HoverDialog.h"

#include "shell/TextTable.h"
#include "shell/ui/HoverButton.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QStyleOption>

namespace
{

// Language-table numbers of the three choices.
constexpr int kChoiceTexts[3] = { 83, 171, 180 }; // configuration, stream, OSD

} // namespace

HoverDialog::HoverDialog(HoverButton* parent)
    : QDialog(parent, (parent ? parent->windowFlags() : Qt::WindowFlags()) | Qt::FramelessWindowHint)
{
    // Pointing at the tool bar must not take the focus from the main window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_layout = new QHBoxLayout(this);
    // The pop-up has a fixed 360 x 50: margins and spacing are fixed too, so
    // that three full-height buttons fit.
    m_layout->setContentsMargins(6, 6, 6, 6);
    m_layout->setSpacing(0);
    m_group = new QButtonGroup(this);
    m_group->setExclusive(true);

    QPushButton** buttons[3] = { &m_pBtnFirst, &m_pBtnSecond, &m_pBtnThird };
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(this);
        b->setObjectName(QStringLiteral("PageHoverTabButton"));
        b->setCheckable(true);
        b->setMinimumSize(85, 38);
        b->setMaximumSize(110, 38);
        b->setFocusPolicy(Qt::NoFocus);
        m_group->addButton(b);
        if (i > 0)
            m_layout->addSpacing(10);
        m_layout->addWidget(b);
        *buttons[i] = b;
    }
    connect(m_pBtnFirst, &QPushButton::clicked, this, &HoverDialog::HoverFirstRequest);
    connect(m_pBtnSecond, &QPushButton::clicked, this, &HoverDialog::HoverSecondRequest);
    connect(m_pBtnThird, &QPushButton::clicked, this, &HoverDialog::HoverThirdRequest);
    retranslate();
}

void HoverDialog::retranslate()
{
    QPushButton* buttons[3] = { m_pBtnFirst, m_pBtnSecond, m_pBtnThird };
    for (int i = 0; i < 3; ++i) {
        const QString text = TextTable::text(kChoiceTexts[i]);
        buttons[i]->setText(text);
        buttons[i]->setToolTip(text);
    }
}

QPushButton* HoverDialog::choiceButton(int index) const
{
    switch (index) {
    case 0:
        return m_pBtnFirst;
    case 1:
        return m_pBtnSecond;
    case 2:
        return m_pBtnThird;
    default:
        return nullptr;
    }
}

int HoverDialog::choiceIndex() const
{
    for (int i = 0; i < 3; ++i) {
        if (choiceButton(i)->isChecked())
            return i;
    }
    return -1;
}

void HoverDialog::checkChoice(int index)
{
    if (QPushButton* b = choiceButton(index))
        b->setChecked(true);
}

void HoverDialog::resetChoices()
{
    // An exclusive group refuses to uncheck its checked button.
    m_group->setExclusive(false);
    for (int i = 0; i < 3; ++i)
        choiceButton(i)->setChecked(false);
    m_group->setExclusive(true);
}

void HoverDialog::enterEvent(QEvent* event)
{
    QDialog::enterEvent(event);
}

void HoverDialog::leaveEvent(QEvent* event)
{
    // Hiding a window under the pointer can bring a second leave event:
    // report only the one that closed the pop-up.
    const bool wasVisible = isVisible();
    hide();
    // Reported with or without a choice: leaving the pop-up without one must
    // give the tool bar back its previous page, as leaving the button does.
    if (wasVisible)
        emit ClickedAnyBtn(choiceIndex() != -1);
    QDialog::leaveEvent(event);
}

void HoverDialog::paintEvent(QPaintEvent* event)
{
    // Lets the style sheet paint the pop-up's background and border.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    QDialog::paintEvent(event);
}
