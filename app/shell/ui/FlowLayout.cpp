#include "shell/ui/FlowLayout.h"

#include <QWidget>

FlowLayout::FlowLayout(QWidget* parent, int margin, int hSpacing, int vSpacing)
    : QLayout(parent)
    , m_hSpace(hSpacing)
    , m_vSpace(vSpacing)
{
    setContentsMargins(margin, margin, margin, margin);
}

FlowLayout::FlowLayout(int margin, int hSpacing, int vSpacing)
    : m_hSpace(hSpacing)
    , m_vSpace(vSpacing)
{
    setContentsMargins(margin, margin, margin, margin);
}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item)
{
    m_items.append(item);
}

int FlowLayout::count() const
{
    return m_items.size();
}

QLayoutItem* FlowLayout::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

QLayoutItem* FlowLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    QLayoutItem* item = m_items.takeAt(index);
    invalidate();
    return item;
}

Qt::Orientations FlowLayout::expandingDirections() const
{
    return {};
}

bool FlowLayout::hasHeightForWidth() const
{
    return true;
}

int FlowLayout::heightForWidth(int width) const
{
    return doLayout(QRect(0, 0, width, 0), true);
}

void FlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    doLayout(rect, false);
}

QSize FlowLayout::sizeHint() const
{
    return minimumSize();
}

QSize FlowLayout::minimumSize() const
{
    QSize size;
    for (const QLayoutItem* item : m_items)
        size = size.expandedTo(item->minimumSize());
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

// A spacing of -1 asks the surroundings: the parent widget's style, else the
// parent layout's spacing, else the style's gap between two push buttons.
int FlowLayout::spacingFor(int own, QStyle::PixelMetric metric, QLayoutItem* item, Qt::Orientation o) const
{
    if (own >= 0)
        return own;
    int space = -1;
    QObject* p = parent();
    if (p && p->isWidgetType()) {
        auto* pw = static_cast<QWidget*>(p);
        space = pw->style()->pixelMetric(metric, nullptr, pw);
    } else if (p) {
        space = static_cast<QLayout*>(p)->spacing();
    }
    if (space == -1) {
        QWidget* w = item->widget();
        space = w ? w->style()->layoutSpacing(QSizePolicy::PushButton, QSizePolicy::PushButton, o) : 0;
    }
    return space;
}

int FlowLayout::doLayout(const QRect& rect, bool testOnly) const
{
    const QMargins m = contentsMargins();
    const QRect e = rect.adjusted(m.left(), m.top(), -m.right(), -m.bottom());
    // The first x past the usable area: an item whose right edge reaches
    // exactly the edge still fits.
    const int rightEnd = e.x() + e.width();
    int x = e.x();
    int y = e.y();
    int lineHeight = 0;

    for (QLayoutItem* item : m_items) {
        const QSize s = item->sizeHint();
        const int spaceX = spacingFor(m_hSpace, QStyle::PM_LayoutHorizontalSpacing, item, Qt::Horizontal);
        const int spaceY = spacingFor(m_vSpace, QStyle::PM_LayoutVerticalSpacing, item, Qt::Vertical);
        // A hidden item never starts a row: it would open a row with nothing
        // in it, making the bar a spacing taller and pushing the next visible
        // item off the left edge.
        if (!item->isEmpty() && x + s.width() > rightEnd && lineHeight > 0) {
            x = e.x();
            y = y + lineHeight + spaceY;
            lineHeight = 0;
        }
        if (!testOnly)
            item->setGeometry(QRect(QPoint(x, y), s));
        x = x + s.width() + spaceX;
        lineHeight = qMax(lineHeight, s.height());
    }
    return y + lineHeight - rect.y() + m.bottom();
}
