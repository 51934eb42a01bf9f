#include "search/table/ui/CheckBoxHeaderView.h"

#include "search/table/CheckBoxTableModel.h"
#include "search/table/TableViewSortProxy.h"
#include "shell/GKAppSetting.h"
#include "shell/edition/DeviceTableEditions.h"

#include <QCheckBox>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyleOptionHeader>

namespace
{

constexpr int kBoxLeft = 3;
constexpr int kBoxTop = 6;
constexpr int kBoxSize = 12;
// The label starts this far right of the box.
constexpr int kLabelGap = 5;
// The styled box sits this much lower.
constexpr int kStyledBoxShift = 3;

QStyle::State boxState(Qt::CheckState state)
{
    switch (state) {
    case Qt::Checked:
        return QStyle::State_Enabled | QStyle::State_On;
    case Qt::PartiallyChecked:
        return QStyle::State_Enabled | QStyle::State_NoChange;
    default:
        return QStyle::State_Enabled | QStyle::State_Off;
    }
}

} // namespace

CheckBoxHeaderView::CheckBoxHeaderView(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent)
    , m_styleCheckBox(new QCheckBox)
{
    if (DeviceTableEditions::rules(GKAppSetting::instance()->customerId()).styledHeaderCheckBox) {
        m_styledBox = true;
        m_styleCheckBox->setObjectName(QStringLiteral("HeadercheckBox"));
    }
}

CheckBoxHeaderView::~CheckBoxHeaderView()
{
    delete m_styleCheckBox;
}

bool CheckBoxHeaderView::setCheckState(Qt::CheckState state)
{
    if (state == m_checkState)
        return false;
    m_checkState = state;
    if (m_checkSection >= 0)
        updateSection(m_checkSection);
    return true;
}

bool CheckBoxHeaderView::setHttpsState(Qt::CheckState state)
{
    if (state == m_httpsState)
        return false;
    m_httpsState = state;
    if (m_httpsSection >= 0)
        updateSection(m_httpsSection);
    return true;
}

QRect CheckBoxHeaderView::checkBoxRect(int section) const
{
    return QRect(sectionViewportPosition(section) + kBoxLeft, kBoxTop, kBoxSize, kBoxSize);
}

bool CheckBoxHeaderView::showsHttpsBox() const
{
    if (m_httpsSection < 0)
        return false;
    const CheckBoxTableModel* source = sourceModelOf(qobject_cast<const QAbstractProxyModel*>(model()));
    return source && source->httpsColumn() == m_httpsSection;
}

void CheckBoxHeaderView::mousePressEvent(QMouseEvent* event)
{
    const int section = logicalIndexAt(event->pos());
    // A press on a box toggles it and goes no further, so it never sorts.
    if (section >= 0 && section == m_checkSection && checkBoxRect(section).contains(event->pos())) {
        setCheckState(m_checkState == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        emit updateHeadCheckStateToModel(m_checkState);
        return;
    }
    if (section >= 0 && section == m_httpsSection && showsHttpsBox()
        && checkBoxRect(section).contains(event->pos())) {
        setHttpsState(m_httpsState == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        emit updateHeadHttpsCheckStateToModel(m_httpsState);
        return;
    }
    QHeaderView::mousePressEvent(event);
}

void CheckBoxHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    const QRect box(rect.left() + kBoxLeft, rect.top() + kBoxTop, kBoxSize, kBoxSize);
    if (logicalIndex >= 0 && logicalIndex == m_checkSection) {
        const QRect label(
            box.right() + kLabelGap, rect.top(), rect.width() - kBoxSize - kLabelGap, rect.height());
        paintWithBox(painter, rect, label, logicalIndex,
            m_styledBox ? box.translated(0, kStyledBoxShift) : box, m_checkState,
            m_styledBox ? m_styleCheckBox : nullptr);
        return;
    }
    if (logicalIndex >= 0 && logicalIndex == m_httpsSection && showsHttpsBox()) {
        const QRect label(box.right(), rect.top(), rect.width() - kBoxSize, rect.height());
        paintWithBox(painter, rect, label, logicalIndex, box, m_httpsState, nullptr);
        return;
    }
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
}

QSize CheckBoxHeaderView::sectionSizeFromContents(int logicalIndex) const
{
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    if ((logicalIndex >= 0 && logicalIndex == m_checkSection)
        || (logicalIndex == m_httpsSection && showsHttpsBox()))
        size.rwidth() += kBoxLeft + kBoxSize + kLabelGap;
    return size;
}

void CheckBoxHeaderView::paintWithBox(QPainter* painter, const QRect& rect, const QRect& labelRect,
    int logicalIndex, const QRect& box, Qt::CheckState state, QWidget* styleWidget) const
{
    painter->save();
    // The whole section's background first, so that the strip under the box
    // looks like the rest of the section.
    QStyleOptionHeader background;
    initStyleOption(&background);
    background.rect = rect;
    background.section = logicalIndex;
    style()->drawControl(QStyle::CE_HeaderSection, &background, painter, this);
    QHeaderView::paintSection(painter, labelRect, logicalIndex);
    painter->restore();

    QStyleOptionButton option;
    option.rect = box;
    option.state = boxState(state);
    style()->drawControl(QStyle::CE_CheckBox, &option, painter, styleWidget);
}
