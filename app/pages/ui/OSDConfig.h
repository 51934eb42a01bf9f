#pragma once
// The page of the on-screen texts of the checked single-channel cameras: the
// channel name and the date, each with its position.
//
// The main window creates the page once, hands it the tool bar and passes it
// the tool bar's filter while the page is shown. GUI thread only.
#include <QFrame>

class QString;
class ToolBarFrame;
class QAbstractSlider;
class QSlider;

class OSDConfig : public QFrame
{
    Q_OBJECT

public:
    explicit OSDConfig(QWidget* parent = nullptr);

    // The main window's tool bar, which the page disables while a batch runs.
    void setToolBar(ToolBarFrame* toolBar) { m_pToolBar = toolBar; }
    ToolBarFrame* toolBar() const { return m_pToolBar; }

    // The tool bar's filter: the filter combo's column, mapped by edition to
    // a column of the page's table, and the filter text, matched as a
    // case-insensitive regular expression.
    void setFilterColumn(int column);
    void setFilterText(const QString& text);

    // The four position sliders (text X and Y, date X and Y). The main window
    // makes a left-button press on one jump straight to the pressed value.
    QAbstractSlider* sliderX() const;
    QAbstractSlider* sliderY() const;
    QAbstractSlider* sliderDateX() const;
    QAbstractSlider* sliderDateY() const;

    // The largest text positions the devices take.
    static constexpr int kMaxX = 486;
    static constexpr int kMaxY = 551;

private:
    ToolBarFrame* m_pToolBar = nullptr;
    QSlider* m_SldX = nullptr;
    QSlider* m_SldY = nullptr;
    QSlider* m_SldDateX = nullptr;
    QSlider* m_SldDateY = nullptr;
};
