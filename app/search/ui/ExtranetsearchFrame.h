#pragma once
// The IP-range search page: finds the devices that answer in a range of IPv4
// addresses given by the user, for networks that the LAN searches do not
// reach, and lists them with their web pages.
//
// The main window creates the page once, hands it the tool bar and passes it
// the tool bar's filter while the page is shown. GUI thread only.
#include <QFrame>

class QString;
class ToolBarFrame;

class ExtranetsearchFrame : public QFrame
{
    Q_OBJECT

public:
    explicit ExtranetsearchFrame(QWidget* parent = nullptr);

    // The main window's tool bar, which the page disables while it searches.
    void setToolBar(ToolBarFrame* toolBar) { m_pToolBar = toolBar; }
    ToolBarFrame* toolBar() const { return m_pToolBar; }

    // The tool bar's filter: the column, applied as the filter key column of
    // the table's proxy, and the text, as a case-insensitive regular
    // expression.
    void setFilterColumn(int column);
    void setFilterText(const QString& text);

private:
    ToolBarFrame* m_pToolBar = nullptr;
};
