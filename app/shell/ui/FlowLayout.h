#pragma once
// Lays its items out left to right and starts a new row when the next item
// would cross the right edge, like words in a paragraph. The tool bar uses it
// so that its page buttons wrap into a second row in a narrow window instead
// of being cut off.
//
// A hidden widget takes no width, but the spacing after it stays: hiding a
// button therefore leaves a gap of one spacing. GUI thread only.
#include <QLayout>
#include <QList>
#include <QStyle>

class FlowLayout : public QLayout
{
public:
    // Contents margins `margin` on all four sides; a spacing of -1 takes the
    // spacing from the style (see smartSpacing).
    explicit FlowLayout(QWidget* parent, int margin = -1, int hSpacing = -1, int vSpacing = -1);
    explicit FlowLayout(int margin = -1, int hSpacing = -1, int vSpacing = -1);
    ~FlowLayout() override;

    int horizontalSpacing() const { return m_hSpace; }
    int verticalSpacing() const { return m_vSpace; }

    // Places the items inside `rect` (only measures when `testOnly`) and
    // returns the height they need, margins included.
    int doLayout(const QRect& rect, bool testOnly) const;

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;

    QSize sizeHint() const override;
    QSize minimumSize() const override;
    Qt::Orientations expandingDirections() const override;
    void setGeometry(const QRect& rect) override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

private:
    int spacingFor(int own, QStyle::PixelMetric metric, QLayoutItem* item, Qt::Orientation o) const;

    QList<QLayoutItem*> m_items;
    int m_hSpace;
    int m_vSpace;
};
