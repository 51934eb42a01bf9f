#pragma once
// The base of every page of the main window: what the main window and the
// search page ask of each page, so that they can treat all seventeen alike.
// A page adds only its own work and overrides what it does differently.
//
// - The tool bar, handed over once by the main window right after the page is
//   built (every page but the login page).
// - The tool bar's filter: the main window passes the page the filter
//   column and text while the page is shown. A page with a device table
//   applies them to its table; the base does nothing with them.
// - refreshDeviceTable: reload the page's table from the device lists, after
//   a search has published its results; the base has no table.
// - setBusy: false when a batch starts, true when it ends; disables or
//   enables the page's own action controls (setActionsEnabled) and the tool
//   bar's buttons together.
//
// GUI thread only. A page that watches the devices of the work it started also
// derives from DeviceWatcher (devices/DeviceWatcher.h); its removeWorkDevice
// runs on pool threads too and reaches the page's widgets only through a
// queued call or a posted event.
#include <QFrame>

class QString;
class ToolBarFrame;

class PageBase : public QFrame
{
    Q_OBJECT

public:
    explicit PageBase(QWidget* parent = nullptr);

    void setToolBar(ToolBarFrame* toolBar) { m_pToolBar = toolBar; }
    ToolBarFrame* toolBar() const { return m_pToolBar; }

    virtual void setFilterColumn(int column);
    virtual void setFilterText(const QString& text);
    virtual void refreshDeviceTable();

    // `enabled` false: a batch starts; true: it has ended.
    virtual void setBusy(bool enabled);

protected:
    // The page's own controls that start work; the base has none.
    virtual void setActionsEnabled(bool enabled);

private:
    ToolBarFrame* m_pToolBar = nullptr;
};
