#pragma once
// Everything about the device tables that differs by customer edition, as
// data in one place: the column headers of each table kind, the cell codes of
// the upgrade and video-format tables, the status family each table shows,
// the cell rules that change how a value is written, and the table's looks
// (colours, fonts, the header check box, the copyable cells) and the one
// rule on which devices may be checked together.
//
// The table kinds are those of CheckBoxTableModel::TableKind (0 search to 15
// video format). Pure functions of their arguments; any thread.
#include <QList>
#include <QVector>
#include <QtGlobal>

namespace DeviceTableEditions
{

constexpr int kKindCount = 16;

// Language-table numbers of the column headers of a table of `kind`, column
// 0 first; empty for a kind outside 0 to 15. Editions without a row of their
// own for the kind (ids outside 0 to 66 too) get the kind's common row.
QVector<int> headerIds(int edition, int kind);

// Every language-table number the header lists use, ascending.
QVector<int> allHeaderIds();

// One entry of a cell-code table: the editions it serves and the cell code of
// columns 1, 2, 3, ... (CheckBoxTableModel::CellCode); column 0 shows the
// row number. The first row serves edition 0 and, as the fallback, every
// edition that no row names.
struct CellCodeRow {
    QList<int> editions;
    QList<int> codes;
};
// The upgrade table (kind 1) and the video-format table (kind 15).
const QVector<CellCodeRow>& upgradeCellCodeRows();
const QVector<CellCodeRow>& videoFormatCellCodeRows();

// The status family (DeviceInfo::StatusFamily) that the status column of a
// table of `kind` shows; 0 (the last status) for a kind outside 0 to 15.
int statusFamily(int edition, int kind);

// How a cell writes its value where an edition wants it otherwise.
enum class CellRule {
    Plain,
    NotAvailableWhenZero, // a port of 0 shows "N/A"
    PaddedAddress, // 10.0.0.1 shows as 010.000.000.001
    UnpaddedAddress, // 010.000.000.001 shows as 10.0.0.1
    YesNo, // a flag shows "Yes" or "No"
    ManufacturerWhenSingleChannel, // the maker's name for a one-channel device
};
// The rule of the column headed `headerId` in a table of `kind`.
CellRule cellRule(int edition, int kind, int headerId);

// Colours as 0xAARRGGBB; kNoColour where the table leaves the colour to the
// view.
constexpr quint32 kNoColour = 0;

// The looks and behaviour of an edition's tables.
struct Rules {
    // Background of the row under the mouse.
    quint32 hoverBackground = 0xfffffffe;
    // Text of column 1 (the address that opens the device's web page) and
    // of the other columns.
    quint32 linkText = 0xff0052c6;
    quint32 otherText = kNoColour;
    // Column 1 in bold, and a warning icon in every header but the first.
    bool boldLink = false;
    bool headerWarningIcons = false;
    // The header check box takes its look from the style sheet
    // (QCheckBox#HeadercheckBox) and sits 3 pixels lower.
    bool styledHeaderCheckBox = false;
    // Without alternating row colours; a right click on some cells of the
    // search table opens a read-only editor to copy the text from.
    bool copyableCells = false;
    // The last column takes the rest of the width.
    bool stretchLastSection = true;
    // On the import/export page only devices of one name are checked
    // together.
    bool sameNameChecks = false;
};
const Rules& rules(int edition);

// The columns of the search table that a right click opens for copying
// (Rules::copyableCells).
QVector<int> copyableColumns();

// The tool bar's filter on the IP-range table (kind 6), on top of the tool
// bar's own mapping: `choice` is the column the page keeps as its filter
// column, `keyColumn` the table column its proxy filters.
struct RangeFilter {
    int choice;
    int keyColumn;
};
RangeFilter rangeSearchFilter(int edition, int filterColumn);

} // namespace DeviceTableEditions
