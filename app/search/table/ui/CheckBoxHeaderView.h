#pragma once
// The horizontal header of every device table: a check box in the check
// section that checks or unchecks all shown rows, and, where the table has an
// https column (a search table whose column is headed by the https text), a
// second box for that column. A press on a box toggles it and tells the view;
// it never sorts. Presses elsewhere are the standard header's (a click on a
// section sorts, through the view).
//
// The view (CheckBoxTableView) makes the header, sets its sections and keeps
// its states in step with the model. GUI thread only.
#include <QHeaderView>

class QCheckBox;

class CheckBoxHeaderView : public QHeaderView
{
    Q_OBJECT

public:
    explicit CheckBoxHeaderView(Qt::Orientation orientation, QWidget* parent = nullptr);
    ~CheckBoxHeaderView() override;

    // The section with the check box (-1: none) and the https section (-1:
    // none; its box shows only while the section is the model's https
    // column).
    int checkSection() const { return m_checkSection; }
    void setCheckSection(int section) { m_checkSection = section; }
    int httpsSection() const { return m_httpsSection; }
    void setHttpsSection(int section) { m_httpsSection = section; }

    Qt::CheckState checkState() const { return m_checkState; }
    Qt::CheckState httpsState() const { return m_httpsState; }
    // Store a state and repaint its box; false (and nothing repainted) when
    // the box shows that state already.
    bool setCheckState(Qt::CheckState state);
    bool setHttpsState(Qt::CheckState state);

    // The box of `section`, in header coordinates: 12 by 12 pixels, 3 from
    // the section's left edge and 6 from the top.
    QRect checkBoxRect(int section) const;
    // Whether the https box is drawn and answers presses.
    bool showsHttpsBox() const;
    // Lends the style sheet's identity ("HeadercheckBox") to the drawing of
    // the editions that style the box; never shown.
    QCheckBox* styleCheckBox() const { return m_styleCheckBox; }

signals:
    void updateHeadCheckStateToModel(Qt::CheckState state);
    void updateHeadHttpsCheckStateToModel(Qt::CheckState state);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    // Room for the box beside the label of a section that has one.
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    // The section's background, then its label in `labelRect`, then the box.
    void paintWithBox(QPainter* painter, const QRect& rect, const QRect& labelRect, int logicalIndex,
        const QRect& box, Qt::CheckState state, QWidget* styleWidget) const;

    int m_checkSection = 0;
    Qt::CheckState m_checkState = Qt::Unchecked;
    int m_httpsSection = -1;
    Qt::CheckState m_httpsState = Qt::Unchecked;
    QCheckBox* m_styleCheckBox = nullptr;
    bool m_styledBox = false;
};
