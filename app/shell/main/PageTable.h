#pragma once
// The main window's page table: one row per page, from which MainFrame builds
// the pages, connects the tool bar's requests (ToolBarFrame::requestSignal of
// the row's button) to its slots, maps the active tool-bar button to its page
// and routes the filter, each in one loop. Adding a page means a
// MainFrame::PageIndex value, a row here, the page's class (a PageBase in a
// ui/ folder) and, for a new button, its ToolBarButton and request signal.
// GUI thread only.
#include "shell/edition/ToolBarEditions.h"
#include "shell/main/MainFrame.h"

#include <QVector>

class PageBase;
class QWidget;
class SearchFrame;

namespace PageTable
{

// How the tool bar's filter reaches a page: not at all (the login page, which
// takes no tool bar either), with the normal filter entries, or with the
// stream page's own entries.
enum class Filter { None, Normal, Stream };

struct Row {
    MainFrame::PageIndex index; // the page's place in the page stack
    ToolBarButton button; // the tool-bar button whose page it is
    PageBase* (*create)(QWidget* parent);
    void (MainFrame::*slot)(); // the window's slot for the button's request
    Filter filter;
};

// Every page, in the order the window builds them. Each page registers for
// the settings broadcasts as it is built, so this order (not the stack's) is
// the order in which the pages hear of them.
const QVector<Row>& rows();
// The row of a page; null for an index outside the table.
const Row* rowOf(MainFrame::PageIndex index);
// The row of the page a tool-bar button shows; null for a button without a
// page of its own (the hover button, None).
const Row* rowOf(ToolBarButton button);

// The tool bar's requests that the hover button's pop-up raises, with the
// slots they go to; choice i shows the page of ToolBarEditions::hoverChoice(i).
struct HoverRow {
    void (ToolBarFrame::*request)();
    void (MainFrame::*slot)();
};
const QVector<HoverRow>& hoverRows();

// Hands the search page the pages whose tables follow each search, in the
// order SearchFrame::setPages takes them. `pages` is indexed by PageIndex.
void handPagesToSearch(SearchFrame* search, PageBase* const* pages);

} // namespace PageTable
