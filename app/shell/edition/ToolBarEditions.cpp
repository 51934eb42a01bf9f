#include "shell/edition/ToolBarEditions.h"

#include "shell/edition/EditionProfile.h"
#include "shell/edition/EditionSet.h"

#include <algorithm>
#include <vector>

namespace ToolBarEditions
{

namespace
{

using B = ToolBarButton;

constexpr int kLastKnownEdition = 67;

// --- Initial visibility ---------------------------------------------------

struct ShownRow {
    B button;
    EditionSet editions;
};

const std::vector<ShownRow>& shownTable()
{
    // Search, upgrade and configuration are handled in initiallyShown().
    static const std::vector<ShownRow> table = {
        { B::DeviceInfo, { 13, 22, 36 } },
        { B::ImportExport, { 0, { 4, 6 }, 8, 15, 16, 23, 28, 29, 33, 34, 38, 39, 41, { 43, 67 } } },
        { B::Password, { 0, 4, 6, 8, 15, 23, 28, 29, 33, 34, 38, 39, 41, { 43, 67 } } },
        { B::ExportExcel, { 0, 4, 15, 23, 28, 29, 37, 38, 43, 44, 47, 49, { 58, 67 } } },
        { B::ExtranetSearch, { 20, 23, { 42, 44 } } },
        { B::Stream, { 0, 4, 6, 8, 15, 22, 23, 28, 29, 34, 38, 39, 41, { 43, 67 } } },
        { B::OSD, { 0, 4, 6, 8, 15, 23, 28, 29, 34, 38, 39, 41, { 43, 67 } } },
        { B::Recovery, { 0, 4, 6, 8, 15, 23, 28, 29, 33, 34, { 38, 41 }, { 45, 67 } } },
        { B::InitialDevice, { 0, 4, 6, 8, 15, 23, 28, 29, 33, 34, 38, 39, 41, 43, 44, { 46, 67 } } },
        { B::Reboot, { 0, 4, 6, 8, 15, 23, 28, 29, 34, 38, 39, 41, 43, 44, { 46, 67 } } },
        { B::ChangeDevice, { 1, 40, 42 } },
        { B::Developer, {} },
        { B::AutoUpgrade, { 33 } },
        { B::Hover, { 33 } },
        { B::VideoFormat, { 34 } },
    };
    return table;
}

// 39 too: its protocol rule and the main window's search page use the combo,
// so it is there from the start rather than after the first search click.
const EditionSet kProtocolEditions = { 13, 20, 26, 34, { 36, 39 }, 42, 53 };

// --- Flow order -------------------------------------------------------------

struct FlowRow {
    EditionSet editions;
    QVector<B> order;
};

const std::vector<FlowRow>& flowTable()
{
    static const std::vector<FlowRow> table = {
        // 47 shows its workbook and initial-device buttons in the places the
        // full editions give them.
        { { 0, 4, 28, 29, 47, 49, { 58, 67 } },
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::InitialDevice,
                B::ExportExcel, B::ImportExport, B::Password, B::Reboot } },
        { { 1 }, { B::Search, B::Upgrade, B::Config, B::ChangeDevice } },
        { { 5, 16 }, { B::Search, B::Upgrade, B::Config, B::ImportExport } },
        { { 6 },
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::InitialDevice,
                B::ImportExport, B::Password, B::Reboot } },
        { { 8, 39, 50, 51, { 55, 57 } },
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::InitialDevice,
                B::ImportExport, B::Reboot, B::Password } },
        { { 13, 36 }, { B::Search, B::Upgrade, B::Config, B::DeviceInfo } },
        { { 15, 41, 48 },
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::InitialDevice,
                B::ExportExcel, B::ImportExport, B::Password, B::Reboot } },
        // 20 shows the IP-range button, as 42 does.
        { { 20 }, { B::Search, B::Upgrade, B::Config, B::ExtranetSearch } },
        { { 22 }, { B::Search, B::Upgrade, B::Config, B::DeviceInfo, B::Stream } },
        { { 23 },
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::ExportExcel,
                B::ImportExport, B::Password, B::InitialDevice, B::Reboot, B::ExtranetSearch } },
        { { 33 },
            { B::Search, B::AutoUpgrade, B::Hover, B::Recovery, B::InitialDevice, B::ImportExport,
                B::Password } },
        { { 34, 53 },
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::InitialDevice,
                B::ImportExport, B::Password, B::Reboot, B::VideoFormat } },
        { { 37 }, { B::Search, B::Upgrade, B::Config, B::ExportExcel } },
        { { 38 },
            { B::Search, B::Upgrade, B::Config, B::ExportExcel, B::Stream, B::OSD, B::InitialDevice,
                B::Recovery, B::ImportExport, B::Reboot, B::Password } },
        { { 40 }, { B::Search, B::Upgrade, B::Config, B::Recovery, B::ChangeDevice } },
        { { 42 }, { B::Search, B::Upgrade, B::Config, B::ExtranetSearch, B::ChangeDevice } },
        { { 43, 44 },
            { B::Search, B::Upgrade, B::Config, B::Password, B::ExportExcel, B::ImportExport, B::OSD,
                B::Stream, B::InitialDevice, B::Reboot, B::ExtranetSearch } },
        { { 45 },
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::ImportExport,
                B::Password } },
        { { 46 },
            { B::Search, B::Upgrade, B::Config, B::InitialDevice, B::Stream, B::OSD, B::Recovery,
                B::ImportExport, B::Password, B::Reboot } },
        { { 52, 54 },
            { B::Search, B::Upgrade, B::Config, B::ImportExport, B::Stream, B::OSD, B::Recovery,
                B::InitialDevice, B::Reboot, B::Password } },
    };
    return table;
}

// --- Widths -------------------------------------------------------------------

enum class WidthRow { Fixed120, Narrow, Row23, Row29, Row45, Wide };

WidthRow widthRow(int edition, bool wideTexts)
{
    // Editions 50 and 56 offer English and Russian: Russian words need the
    // wide row.
    if (edition == 50 || edition == 56)
        return wideTexts ? WidthRow::Wide : WidthRow::Narrow;
    static const EditionSet narrow = { 0, 4, 8, 15, 33, 34, 38, 39, 41, { 47, 49 }, 51, 53, { 60, 67 } };
    static const EditionSet wide = { 52, 54, 55, 57 };
    if (narrow.contains(edition))
        return WidthRow::Narrow;
    if (wide.contains(edition))
        return WidthRow::Wide;
    if (edition == 23 || edition == 43 || edition == 44)
        return WidthRow::Row23;
    if (edition == 29 || edition == 58 || edition == 59)
        return WidthRow::Row29;
    if (edition == 45 || edition == 46)
        return WidthRow::Row45;
    return WidthRow::Fixed120;
}

// --- Filter columns -------------------------------------------------------------

struct ColumnRow {
    QVector<B> pages;
    EditionSet editions; // empty: every edition
    QVector<QPair<int, int>> replace;
};

const std::vector<ColumnRow>& columnTable()
{
    static const std::vector<ColumnRow> table = {
        { { B::Search }, {}, { { 3, 4 }, { 4, 5 }, { 5, 7 } } },
        { { B::Search }, { 40, 43, 44 }, { { 5, 6 } } },
        { { B::Upgrade }, { 43, 44 }, { { 3, 4 }, { 4, 6 } } },
        { { B::Upgrade }, { 40 }, { { 5, 6 } } },
        { { B::Password, B::ImportExport, B::OSD, B::Reboot }, { 43, 44 }, { { 3, 4 }, { 4, 5 } } },
        { { B::ExportExcel }, { 0, 23, 28, 29, { 58, 67 } }, { { 3, 4 }, { 4, 5 }, { 5, 7 } } },
        { { B::ExportExcel }, { 43, 44 }, { { 2, 3 }, { 3, 4 }, { 4, 6 } } },
        { { B::Stream }, { 43, 44 }, { { 2, 3 }, { 3, 4 } } },
        { { B::InitialDevice }, { 43, 44 }, { { 3, 4 }, { 4, 5 } } },
        { { B::InitialDevice }, { 46 }, { { 2, 3 }, { 3, 4 }, { 4, 5 }, { 5, 6 } } },
        { { B::ExtranetSearch }, { 23 }, { { 3, 4 }, { 4, 5 }, { 5, 7 } } },
        { { B::ExtranetSearch }, { 43, 44 }, { { 3, 4 }, { 4, 6 } } },
        { { B::ChangeDevice }, { 40 }, { { 4, 5 } } },
    };
    return table;
}

// --- Protocol combo -----------------------------------------------------------

struct ProtocolRow {
    EditionSet editions;
    ProtocolRule rule;
};

const std::vector<ProtocolRow>& protocolTable()
{
    static const std::vector<ProtocolRow> table = {
        { { 13, 36 },
            { { B::Upgrade, B::Config, B::DeviceInfo },
                { B::ImportExport, B::Password, B::ExportExcel, B::Stream, B::OSD, B::Developer,
                    B::ExtranetSearch } } },
        { { 20, 26 },
            { { B::Upgrade, B::Config },
                { B::DeviceInfo, B::ImportExport, B::Password, B::ExportExcel, B::Stream, B::OSD,
                    B::Developer, B::ExtranetSearch } } },
        { { 34, 53 },
            { { B::Upgrade, B::Config, B::ImportExport, B::Password, B::Stream, B::OSD, B::Recovery,
                  B::Reboot, B::InitialDevice },
                { B::DeviceInfo, B::ExportExcel, B::AutoUpgrade, B::Hover, B::ExtranetSearch } } },
        { { 37 },
            { { B::Upgrade, B::Config, B::ExportExcel },
                { B::DeviceInfo, B::ImportExport, B::Password, B::Stream, B::OSD, B::Developer,
                    B::ExtranetSearch } } },
        { { 38 },
            { { B::Upgrade, B::Config, B::ImportExport, B::Password, B::ExportExcel, B::Stream, B::OSD,
                  B::Recovery, B::Reboot, B::InitialDevice },
                { B::DeviceInfo, B::Developer, B::ExtranetSearch } } },
        { { 39 },
            { { B::Upgrade, B::Config, B::ImportExport, B::Password, B::Stream, B::OSD, B::Recovery,
                  B::Reboot, B::InitialDevice },
                { B::DeviceInfo, B::ExportExcel, B::ExtranetSearch } } },
        { { 42 },
            { { B::Upgrade, B::Config, B::ExtranetSearch },
                { B::DeviceInfo, B::ImportExport, B::Password, B::ExportExcel, B::Stream, B::OSD,
                    B::Developer } } },
    };
    return table;
}

} // namespace

QVector<ToolBarButton> allButtons()
{
    QVector<ToolBarButton> all;
    for (int i = 0; i < kButtonCount; ++i)
        all.append(static_cast<ToolBarButton>(i));
    return all;
}

bool initiallyShown(int edition, ToolBarButton button)
{
    switch (button) {
    case B::Search:
        return true;
    case B::Upgrade:
    case B::Config:
        return edition != 33;
    case B::None:
        return false;
    default:
        break;
    }
    if (edition < 0 || edition > kLastKnownEdition)
        return false;
    for (const ShownRow& row : shownTable()) {
        if (row.button == button)
            return row.editions.contains(edition);
    }
    return false;
}

bool hasProtocolCombo(int edition)
{
    return kProtocolEditions.contains(edition);
}

bool hasAutoRefresh(int edition)
{
    return EditionProfile::of(edition).autoRefresh;
}

ToolBarButton loginButton(int edition)
{
    return initiallyShown(edition, B::Config) ? B::Config : B::Hover;
}

QVector<ToolBarButton> flowOrder(int edition)
{
    for (const FlowRow& row : flowTable()) {
        if (row.editions.contains(edition))
            return row.order;
    }
    return { B::Search, B::Upgrade, B::Config };
}

ButtonWidth buttonWidth(int edition, bool wideTexts, ToolBarButton button)
{
    switch (widthRow(edition, wideTexts)) {
    case WidthRow::Fixed120:
        return { 120, 120 };
    case WidthRow::Narrow:
        if (button == B::Password)
            return { 117, 150 };
        if (button == B::VideoFormat)
            return { 101, 110 };
        if (button == B::Hover)
            return { 85, kNoMaximumWidth };
        return { 85, 110 };
    case WidthRow::Row23:
        return { 101, 130 };
    case WidthRow::Row29:
        if (button == B::Password)
            return { 101, 150 };
        return { 85, 140 };
    case WidthRow::Row45:
        return { 108, 160 };
    case WidthRow::Wide:
        return { 117, 150 };
    }
    return { 85, 110 };
}

ButtonTexts buttonTexts(int edition, ToolBarButton button)
{
    if (edition == 33) {
        switch (button) {
        case B::Password:
            return { 13, 169 };
        case B::Recovery:
            return { 63, 289 };
        case B::InitialDevice:
            return { 288, 288 };
        default:
            break;
        }
    }
    static const int ids[kButtonCount] = {
        10, // search
        11, // upgrade
        83, // configuration
        95, // device information
        112, // import/export
        169, // password
        168, // workbook export
        159, // IP-range search
        171, // stream
        180, // OSD
        196, // recovery
        199, // initial device
        224, // reboot
        229, // change device
        244, // developer
        11, // automatic upgrade
        83, // hover button
        317, // video format
    };
    const int i = static_cast<int>(button);
    if (i < 0 || i >= kButtonCount)
        return { -1, -1 };
    return { ids[i], ids[i] };
}

bool boldButton(int edition, ToolBarButton button)
{
    return edition == 40
        && (button == B::Search || button == B::Upgrade || button == B::Config || button == B::Recovery
            || button == B::ChangeDevice);
}

ToolBarButton hoverChoice(int choice)
{
    static const ToolBarButton choices[] = { B::Config, B::Stream, B::OSD };
    return choice >= 0 && choice < 3 ? choices[choice] : B::None;
}

QVector<int> filterEntries(int edition, bool streamForm, int protocolIndex)
{
    const bool normalSearch = protocolIndex == 0;
    if (streamForm) {
        QVector<int> ids { 32 };
        if (normalSearch)
            ids << 34;
        ids << 260;
        return ids;
    }
    QVector<int> ids { 32 };
    if (normalSearch) {
        if (edition != 43 && edition != 44)
            ids << 33;
        if (edition != 40)
            ids << 34;
    }
    ids << 260 << 259;
    return ids;
}

int filterColumn(int edition, ToolBarButton page, int comboIndex)
{
    int c = comboIndex + 1;
    for (const ColumnRow& row : columnTable()) {
        if (!row.pages.contains(page))
            continue;
        if (!row.editions.isEmpty() && !row.editions.contains(edition))
            continue;
        for (const auto& r : row.replace) {
            if (c == r.first) {
                c = r.second;
                break; // one replacement per row
            }
        }
    }
    return c;
}

ProtocolRule protocolRule(int edition)
{
    for (const ProtocolRow& row : protocolTable()) {
        if (row.editions.contains(edition))
            return row.rule;
    }
    return {};
}

} // namespace ToolBarEditions
