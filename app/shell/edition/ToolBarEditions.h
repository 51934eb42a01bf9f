#pragma once
// Everything about the tool bar that differs by customer edition, as data in
// one place: which buttons and widgets an edition shows, the order of the
// page buttons, their widths, their texts, the filter entries, the model
// column each filter entry stands for on each page, and which buttons the
// protocol combo shows and hides. Pure functions of their arguments; any
// thread.
#include <QVector>

// The page buttons of the tool bar, the hover button and the video-format
// button, in the order the tool bar creates them.
enum class ToolBarButton : int {
    None = -1,
    Search = 0,
    Upgrade,
    Config, // the login (configuration) page
    DeviceInfo,
    ImportExport,
    Password,
    ExportExcel, // export to workbook
    ExtranetSearch, // IP-range search
    Stream,
    OSD,
    Recovery,
    InitialDevice,
    Reboot,
    ChangeDevice,
    Developer,
    AutoUpgrade,
    Hover,
    VideoFormat,
};

namespace ToolBarEditions
{

constexpr int kButtonCount = 18;
// Every button, in creation order.
QVector<ToolBarButton> allButtons();

// Whether `button` is shown when the tool bar is built. The search button
// always is; editions outside 0 to 67 show search, upgrade and configuration.
bool initiallyShown(int edition, ToolBarButton button);
// Whether the edition shows the protocol label and combo.
bool hasProtocolCombo(int edition);
// Whether the edition has the auto-refresh label and check box (the
// profile's autoRefresh).
bool hasAutoRefresh(int edition);
// The button that stands for the login page: the configuration button, or
// the hover button where the configuration button is not shown.
ToolBarButton loginButton(int edition);

// The buttons of the flow layout, left to right; each at most once, and every
// button that initiallyShown() or the protocol rule can show is among them.
QVector<ToolBarButton> flowOrder(int edition);

// Allowed width of a button (every button is kButtonHeight high); a fixed
// width has minimum == maximum. `wideTexts`: the current language is not
// English (editions 50 and 56 then make room for longer words).
struct ButtonWidth {
    int minimum;
    int maximum;
};
constexpr int kButtonHeight = 38;
// A maximum that does not limit (Qt's QWIDGETSIZE_MAX).
constexpr int kNoMaximumWidth = (1 << 24) - 1;
ButtonWidth buttonWidth(int edition, bool wideTexts, ToolBarButton button);

// Language-table numbers of a button's text and tool tip.
struct ButtonTexts {
    int text;
    int toolTip;
};
ButtonTexts buttonTexts(int edition, ToolBarButton button);
// Whether the button gets a bold font (edition 40's main buttons).
bool boldButton(int edition, ToolBarButton button);

// The page button that choice `choice` (0 to 2) of the hover button's pop-up
// stands for: configuration, stream, OSD; ToolBarButton::None for any other
// number (no choice).
ToolBarButton hoverChoice(int choice);

// Language-table numbers of the filter combo's entries. The stream form is
// for the stream page; `protocolIndex` is the protocol combo's current index
// (0 normal search, 1 ONVIF), which has fewer columns.
QVector<int> filterEntries(int edition, bool streamForm, int protocolIndex);

// The model column for filter entry `comboIndex` while `page` is the active
// page button. Rows of replacements apply one after another; inside a row each
// value is replaced at most once (3 -> 4, 4 -> 5 turns 3 into 4, not 5).
int filterColumn(int edition, ToolBarButton page, int comboIndex);

// What the protocol combo does to the page buttons: `normalOnly` are shown
// for the normal search and hidden for ONVIF, `alwaysHidden` are hidden for
// both. Both empty for editions without a protocol combo.
struct ProtocolRule {
    QVector<ToolBarButton> normalOnly;
    QVector<ToolBarButton> alwaysHidden;
};
ProtocolRule protocolRule(int edition);

} // namespace ToolBarEditions
