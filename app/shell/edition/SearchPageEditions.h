#pragma once
// Everything about the search page that differs by customer edition, as data
// in one place: which searches run, how duplicates merge, which widgets of the
// bottom panel show and how, the column widths of its two views, how its
// filter choice maps to a column and how a device's web page is opened. Pure
// functions of their arguments; any thread.
#include <QPair>
#include <QString>
#include <QVector>
#include <QtGlobal>

namespace SearchPageEditions
{

// The searches of the normal view. The ONVIF view runs the ONVIF search only.
struct Searches {
    bool multicast = false;
    bool lanSearch = false; // VLNet's LAN search
};
// `protocol`: the device-access protocol (0 the web interface, 1 VLNet).
Searches normalSearches(int edition, int protocol);

struct Rules {
    // A multicast answer replaces a VLNet answer of the same device (IP and
    // MAC); otherwise the first answer of a device is kept.
    bool multicastReplacesLan = false;
    // The DNS labels and edits are shown (else hidden, and the media-port,
    // web-port and mask edits and the mode combo 100 pixels wide).
    bool dnsWidgets = false;
    // The media-port label and edit are never shown.
    bool mediaPortHidden = false;
    // A media port of 0 shows "N/A" (else the empty text); gateway and mask
    // show zero-padded (010.000.000.001).
    bool notAvailablePort = false;
    bool paddedAddresses = false;
    // The network-mode combo starts at static, and a row click always picks
    // static.
    bool staticMode = false;
    // A row click in the ONVIF view hides the bottom panel.
    bool noPanelInOnvifView = false;
    // The device's web page opens with raised rights (Windows' "runas").
    bool elevatedWebPage = false;
    // Modify takes the network mode from the combo's index, not its data.
    bool modeFromComboIndex = false;
    // The normal view has https boxes in column 2.
    bool httpsColumn = false;
    // Object names of the two group boxes, the mode combo and the edits
    // (style-sheet hooks; empty: none).
    QString groupBoxName;
    QString comboName;
    QString editName;
    // The style variant "labels" of the page (styled in 60-searchpage.qss):
    // "light", "black", "red", "orange", "bold"; empty: none.
    QString labelVariant;
    // The least height of both group boxes (0: none).
    int groupMinimumHeight = 0;
    // Language-table number of the user label; -1: the literal userLabel.
    int userLabelText = 12;
    QString userLabel;
};
const Rules& rules(int edition);

// Column widths (column, pixels) of the normal view; `languageIndex` is the
// current language's position (some editions widen columns for the third).
QVector<QPair<int, int>> normalColumnWidths(int edition, int languageIndex);
// Columns of the normal view that are hidden.
QVector<int> hiddenNormalColumns(int edition);
// Column widths of the ONVIF view, and the columns it hides.
QVector<QPair<int, int>> onvifColumnWidths(int edition);
QVector<int> hiddenOnvifColumns(int edition);

// The table column that the page's filter choice (ToolBarFrame::filterColumn,
// already mapped by the tool bar) stands for.
int filterColumn(int edition, int choice);

} // namespace SearchPageEditions
