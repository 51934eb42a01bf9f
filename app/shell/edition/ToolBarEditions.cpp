#include "shell/edition/ToolBarEditions.h"

#include <algorithm>
#include <vector>

namespace ToolBarEditions
{

namespace
{

using B = ToolBarButton;

// A set of editions as inclusive ranges.
struct Range {
    int first;
    int last;
};
using Editions = std::vector<Range>;

bool contains(const Editions& set, int edition)
{
    return std::any_of(set.begin(), set.end(),
        [edition](const Range& r) { return edition >= r.first && edition <= r.last; });
}

Range one(int e)
{
    return { e, e };
}

constexpr int kLastKnownEdition = 67;

// --- Initial visibility ---------------------------------------------------

struct ShownRow {
    B button;
    Editions editions;
};

const std::vector<ShownRow>& shownTable()
{
    // Search, upgrade and configuration are handled in initiallyShown().
    static const std::vector<ShownRow> table = {
        { B::DeviceInfo, { one(13), one(22), one(36) } },
        { B::ImportExport,
            { one(0), { 4, 6 }, one(8), one(15), one(16), one(23), one(28), one(29), one(33), one(34),
                one(38), one(39), one(41), { 43, 67 } } },
        { B::Password,
            { one(0), one(4), one(6), one(8), one(15), one(23), one(28), one(29), one(33), one(34), one(38),
                one(39), one(41), { 43, 67 } } },
        { B::ExportExcel,
            { one(0), one(4), one(15), one(23), one(28), one(29), one(37), one(38), one(43), one(44), one(47),
                one(49), { 58, 67 } } },
        { B::ExtranetSearch, { one(20), one(23), { 42, 44 } } },
        { B::Stream,
            { one(0), one(4), one(6), one(8), one(15), one(22), one(23), one(28), one(29), one(34), one(38),
                one(39), one(41), { 43, 67 } } },
        { B::OSD,
            { one(0), one(4), one(6), one(8), one(15), one(23), one(28), one(29), one(34), one(38), one(39),
                one(41), { 43, 67 } } },
        { B::Recovery,
            { one(0), one(4), one(6), one(8), one(15), one(23), one(28), one(29), one(33), one(34),
                { 38, 41 }, { 45, 67 } } },
        { B::InitialDevice,
            { one(0), one(4), one(6), one(8), one(15), one(23), one(28), one(29), one(33), one(34), one(38),
                one(39), one(41), one(43), one(44), { 46, 67 } } },
        { B::Reboot,
            { one(0), one(4), one(6), one(8), one(15), one(23), one(28), one(29), one(34), one(38), one(39),
                one(41), one(43), one(44), { 46, 67 } } },
        { B::ChangeDevice, { one(1), one(40), one(42) } },
        { B::Developer, {} },
        { B::AutoUpgrade, { one(33) } },
        { B::Hover, { one(33) } },
        { B::VideoFormat, { one(34) } },
    };
    return table;
}

// 39 too: its protocol rule and the main window's search page use the combo,
// so it is there from the start rather than after the first search click.
const Editions kProtocolEditions = { one(13), one(20), one(26), one(34), { 36, 39 }, one(42), one(53) };

// --- Flow order -------------------------------------------------------------

struct FlowRow {
    Editions editions;
    QVector<B> order;
};

const std::vector<FlowRow>& flowTable()
{
    static const std::vector<FlowRow> table = {
        // 47 shows its workbook and initial-device buttons in the places the
        // full editions give them.
        { { one(0), one(4), one(28), one(29), one(47), one(49), { 58, 67 } },
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::InitialDevice,
                B::ExportExcel, B::ImportExport, B::Password, B::Reboot } },
        { { one(1) }, { B::Search, B::Upgrade, B::Config, B::ChangeDevice } },
        { { one(5), one(16) }, { B::Search, B::Upgrade, B::Config, B::ImportExport } },
        { { one(6) },
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::InitialDevice,
                B::ImportExport, B::Password, B::Reboot } },
        { { one(8), one(39), one(50), one(51), { 55, 57 } },
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::InitialDevice,
                B::ImportExport, B::Reboot, B::Password } },
        { { one(13), one(36) }, { B::Search, B::Upgrade, B::Config, B::DeviceInfo } },
        { { one(15), one(41), one(48) },
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::InitialDevice,
                B::ExportExcel, B::ImportExport, B::Password, B::Reboot } },
        // 20 shows the IP-range button, as 42 does.
        { { one(20) }, { B::Search, B::Upgrade, B::Config, B::ExtranetSearch } },
        { { one(22) }, { B::Search, B::Upgrade, B::Config, B::DeviceInfo, B::Stream } },
        { { one(23) },
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::ExportExcel,
                B::ImportExport, B::Password, B::InitialDevice, B::Reboot, B::ExtranetSearch } },
        { { one(33) },
            { B::Search, B::AutoUpgrade, B::Hover, B::Recovery, B::InitialDevice, B::ImportExport,
                B::Password } },
        { { one(34), one(53) },
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::InitialDevice,
                B::ImportExport, B::Password, B::Reboot, B::VideoFormat } },
        { { one(37) }, { B::Search, B::Upgrade, B::Config, B::ExportExcel } },
        { { one(38) },
            { B::Search, B::Upgrade, B::Config, B::ExportExcel, B::Stream, B::OSD, B::InitialDevice,
                B::Recovery, B::ImportExport, B::Reboot, B::Password } },
        { { one(40) }, { B::Search, B::Upgrade, B::Config, B::Recovery, B::ChangeDevice } },
        { { one(42) }, { B::Search, B::Upgrade, B::Config, B::ExtranetSearch, B::ChangeDevice } },
        { { one(43), one(44) },
            { B::Search, B::Upgrade, B::Config, B::Password, B::ExportExcel, B::ImportExport, B::OSD,
                B::Stream, B::InitialDevice, B::Reboot, B::ExtranetSearch } },
        { { one(45) },
            { B::Search, B::Upgrade, B::Config, B::Stream, B::OSD, B::Recovery, B::ImportExport,
                B::Password } },
        { { one(46) },
            { B::Search, B::Upgrade, B::Config, B::InitialDevice, B::Stream, B::OSD, B::Recovery,
                B::ImportExport, B::Password, B::Reboot } },
        { { one(52), one(54) },
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
    static const Editions narrow = { one(0), one(4), one(8), one(15), one(33), one(34), one(38), one(39),
        one(41), { 47, 49 }, one(51), one(53), { 60, 67 } };
    static const Editions wide = { one(52), one(54), one(55), one(57) };
    if (contains(narrow, edition))
        return WidthRow::Narrow;
    if (contains(wide, edition))
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
    Editions editions; // empty: every edition
    QVector<QPair<int, int>> replace;
};

const std::vector<ColumnRow>& columnTable()
{
    static const std::vector<ColumnRow> table = {
        { { B::Search }, {}, { { 3, 4 }, { 4, 5 }, { 5, 7 } } },
        { { B::Search }, { one(40), one(43), one(44) }, { { 5, 6 } } },
        { { B::Upgrade }, { one(43), one(44) }, { { 3, 4 }, { 4, 6 } } },
        { { B::Upgrade }, { one(40) }, { { 5, 6 } } },
        { { B::Password, B::ImportExport, B::OSD, B::Reboot }, { one(43), one(44) }, { { 3, 4 }, { 4, 5 } } },
        { { B::ExportExcel }, { one(0), one(23), one(28), one(29), { 58, 67 } },
            { { 3, 4 }, { 4, 5 }, { 5, 7 } } },
        { { B::ExportExcel }, { one(43), one(44) }, { { 2, 3 }, { 3, 4 }, { 4, 6 } } },
        { { B::Stream }, { one(43), one(44) }, { { 2, 3 }, { 3, 4 } } },
        { { B::InitialDevice }, { one(43), one(44) }, { { 3, 4 }, { 4, 5 } } },
        { { B::InitialDevice }, { one(46) }, { { 2, 3 }, { 3, 4 }, { 4, 5 }, { 5, 6 } } },
        { { B::ExtranetSearch }, { one(23) }, { { 3, 4 }, { 4, 5 }, { 5, 7 } } },
        { { B::ExtranetSearch }, { one(43), one(44) }, { { 3, 4 }, { 4, 6 } } },
        { { B::ChangeDevice }, { one(40) }, { { 4, 5 } } },
    };
    return table;
}

// --- Protocol combo -----------------------------------------------------------

struct ProtocolRow {
    Editions editions;
    ProtocolRule rule;
};

const std::vector<ProtocolRow>& protocolTable()
{
    static const std::vector<ProtocolRow> table = {
        { { one(13), one(36) },
            { { B::Upgrade, B::Config, B::DeviceInfo },
                { B::ImportExport, B::Password, B::ExportExcel, B::Stream, B::OSD, B::Developer,
                    B::ExtranetSearch } } },
        { { one(20), one(26) },
            { { B::Upgrade, B::Config },
                { B::DeviceInfo, B::ImportExport, B::Password, B::ExportExcel, B::Stream, B::OSD,
                    B::Developer, B::ExtranetSearch } } },
        { { one(34), one(53) },
            { { B::Upgrade, B::Config, B::ImportExport, B::Password, B::Stream, B::OSD, B::Recovery,
                  B::Reboot, B::InitialDevice },
                { B::DeviceInfo, B::ExportExcel, B::AutoUpgrade, B::Hover, B::ExtranetSearch } } },
        { { one(37) },
            { { B::Upgrade, B::Config, B::ExportExcel },
                { B::DeviceInfo, B::ImportExport, B::Password, B::Stream, B::OSD, B::Developer,
                    B::ExtranetSearch } } },
        { { one(38) },
            { { B::Upgrade, B::Config, B::ImportExport, B::Password, B::ExportExcel, B::Stream, B::OSD,
                  B::Recovery, B::Reboot, B::InitialDevice },
                { B::DeviceInfo, B::Developer, B::ExtranetSearch } } },
        { { one(39) },
            { { B::Upgrade, B::Config, B::ImportExport, B::Password, B::Stream, B::OSD, B::Recovery,
                  B::Reboot, B::InitialDevice },
                { B::DeviceInfo, B::ExportExcel, B::ExtranetSearch } } },
        { { one(42) },
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
            return contains(row.editions, edition);
    }
    return false;
}

bool hasProtocolCombo(int edition)
{
    return contains(kProtocolEditions, edition);
}

bool hasAutoRefresh(int edition)
{
    return edition == 47;
}

QVector<ToolBarButton> flowOrder(int edition)
{
    for (const FlowRow& row : flowTable()) {
        if (contains(row.editions, edition))
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
        if (!row.editions.empty() && !contains(row.editions, edition))
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
        if (contains(row.editions, edition))
            return row.rule;
    }
    return {};
}

} // namespace ToolBarEditions
