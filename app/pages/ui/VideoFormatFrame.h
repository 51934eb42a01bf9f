#pragma once
// The page that switches the checked devices between the NTSC and PAL video
// standards and follows each through its reset, reboot and search again.
//
// The main window creates the page once, hands it the tool bar and passes it
// the tool bar's filter while the page is shown. GUI thread only.
#include <QFrame>

class QString;
class ToolBarFrame;

class VideoFormatFrame : public QFrame
{
    Q_OBJECT

public:
    explicit VideoFormatFrame(QWidget* parent = nullptr);

    // The main window's tool bar, which the page disables while a batch runs.
    void setToolBar(ToolBarFrame* toolBar) { m_pToolBar = toolBar; }
    ToolBarFrame* toolBar() const { return m_pToolBar; }

    // The tool bar's filter: the filter combo's column, mapped by edition to
    // a column of the page's table, and the filter text, matched as a
    // case-insensitive regular expression.
    void setFilterColumn(int column);
    void setFilterText(const QString& text);

private:
    ToolBarFrame* m_pToolBar = nullptr;
};
