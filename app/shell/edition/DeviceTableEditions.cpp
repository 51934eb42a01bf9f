#include "shell/edition/DeviceTableEditions.h"

#include "shell/edition/EditionSet.h"

#include <QMutex>
#include <QMutexLocker>
#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace DeviceTableEditions
{

namespace
{

// Table kinds, as CheckBoxTableModel::TableKind numbers them.
enum Kind {
    Search = 0,
    Upgrade = 1,
    DeviceSettings = 2,
    ImportExport = 3,
    Password = 4,
    Excel = 5,
    RangeSearch = 6,
    Stream = 7,
    Osd = 8,
    Recovery = 9,
    Initialise = 10,
    Reboot = 11,
    ChangeDevice = 12,
    Developer = 13,
    AutoUpgrade = 14,
    VideoFormat = 15,
};

// --- Column headers -------------------------------------------------------

// One header list: the kinds and editions it serves. A row with an empty
// edition set is the kind's common row, for every edition that no other row
// of the kind names.
struct HeaderRow {
    std::vector<int> kinds;
    EditionSet editions;
    QVector<int> ids;
};

const std::vector<HeaderRow>& headerTable()
{
    static const std::vector<HeaderRow> table = {
        { { Search }, {}, { 31, 32, 33, 42, 34, 60, 35, 36, 37, 38, 39, 43, 127, 198, 44 } },
        { { Search }, { 20, 42 }, { 31, 32, 158, 33, 42, 34, 60, 35, 36, 37, 38, 39, 43, 127, 44 } },
        { { Search }, { 31 }, { 31, 32, 34, 60, 35, 36, 37, 38, 39, 43, 127, 44 } },
        { { Search }, { 34, 53 }, { 31, 32, 44, 33, 42, 34, 60, 35, 36, 37, 38, 39, 43, 198, 127 } },
        { { Search }, { 40 }, { 31, 191, 33, 42, 60, 190, 36, 44 } },
        { { Search }, { 41 }, { 31, 32, 33, 42, 34, 60, 35, 36, 37, 38, 39, 43, 127, 192, 44 } },
        { { Search }, { 43, 44 }, { 31, 32, 42, 34, 60, 35, 36, 37, 38, 39, 43, 127, 198, 44 } },
        { { Search }, { 51 }, { 31, 32, 33, 42, 34, 60, 35, 36, 37, 38, 39, 285, 43, 127, 198, 44 } },
        { { Search }, { 56 }, { 31, 32, 33, 42, 34, 60, 35, 36, 37, 38, 39, 43, 198, 44 } },
        { { Search }, { 57 }, { 31, 32, 33, 42, 34, 60, 35, 36, 37, 38, 39, 43, 308, 198, 44 } },

        { { Upgrade }, {}, { 31, 32, 33, 34, 60, 36, 44, 142, 145 } },
        { { Upgrade }, { 20, 42 }, { 31, 32, 33, 34, 60, 36, 39, 44, 142, 145 } },
        { { Upgrade }, { 31 }, { 31, 32, 34, 60, 36, 44, 142, 145 } },
        { { Upgrade }, { 34, 53 }, { 31, 32, 44, 33, 34, 60, 36, 39, 142 } },
        { { Upgrade }, { 40 }, { 31, 191, 33, 60, 190, 36, 44 } },
        { { Upgrade }, { 43, 44 }, { 31, 191, 42, 34, 60, 190, 36, 44 } },

        { { DeviceSettings }, {}, { 31, 32, 33, 34, 39, 44 } },
        { { DeviceSettings }, { 43, 44 }, { 31, 32, 42, 34, 39, 44 } },

        { { ImportExport, Password, Reboot }, {}, { 31, 32, 33, 34, 60, 36, 44 } },
        { { ImportExport, Password, Reboot }, { 34, 53 }, { 31, 32, 44, 33, 34, 60, 36 } },
        { { ImportExport, Password, Reboot }, { 43, 44 }, { 31, 32, 42, 34, 60, 36, 44 } },

        { { Excel }, {}, { 31, 32, 33, 42, 34, 60, 35, 36, 37, 38, 39, 43, 127, 44 } },
        { { Excel }, { 43, 44 }, { 31, 32, 42, 34, 60, 35, 36, 37, 38, 39, 43, 127, 44 } },

        { { RangeSearch }, {}, { 31, 32, 158, 33, 42, 34, 60, 35, 36, 37, 38, 39, 43, 127, 44 } },
        { { RangeSearch }, { 23, 42 }, { 31, 32, 33, 42, 34, 60, 35, 36, 37, 38, 39, 43, 127, 44 } },
        { { RangeSearch }, { 43, 44 }, { 31, 32, 42, 34, 60, 35, 36, 37, 38, 39, 43, 127, 44 } },

        { { Stream }, {}, { 31, 32, 34, 60, 35, 175, 176, 177, 181, 44 } },
        { { Stream }, { 34, 53 }, { 31, 32, 44, 34, 60, 35, 175, 176, 177, 181 } },
        { { Stream }, { 43, 44 }, { 31, 32, 42, 34, 60, 35, 175, 176, 177, 181, 44 } },

        { { Osd }, {}, { 31, 32, 33, 34, 60, 36, 182, 183, 184, 44 } },
        { { Osd }, { 34, 53 }, { 31, 32, 44, 33, 34, 60, 36, 182, 183, 184 } },
        { { Osd }, { 43, 44 }, { 31, 32, 42, 34, 60, 36, 182, 183, 184, 44 } },

        { { Recovery }, {}, { 31, 32, 33, 34, 60, 36, 44 } },
        { { Recovery }, { 34, 53 }, { 31, 32, 44, 33, 34, 60, 36 } },
        { { Recovery }, { 40 }, { 31, 32, 33, 60, 36, 44 } },

        { { Initialise }, {}, { 31, 32, 33, 34, 60, 36, 198, 44 } },
        { { Initialise }, { 34, 53 }, { 31, 32, 44, 33, 34, 60, 36, 198 } },
        { { Initialise }, { 43, 44 }, { 31, 32, 42, 34, 60, 36, 198, 44 } },
        { { Initialise }, { 46 }, { 31, 32, 42, 33, 34, 60, 36, 198, 44 } },

        { { ChangeDevice }, {}, { 31, 32, 33, 34, 60, 35, 36, 44 } },
        { { ChangeDevice }, { 40 }, { 31, 32, 33, 60, 35, 36, 44 } },

        { { Developer }, {}, { 31, 32, 33, 60, 35, 36, 243, 242, 44 } },

        { { AutoUpgrade }, {}, { 31, 32, 33, 34, 60, 36, 44, 142, 145 } },
        // The editions whose automatic upgrade reports only the last status
        // (see statusFamily) show no version columns.
        { { AutoUpgrade }, { 0, 28, 33, { 60, 67 } }, { 31, 32, 33, 34, 60, 36, 44 } },

        { { VideoFormat }, {}, { 31, 32, 44, 198, 33, 34, 60, 36 } },
    };
    return table;
}

bool servesKind(const HeaderRow& row, int kind)
{
    return std::find(row.kinds.begin(), row.kinds.end(), kind) != row.kinds.end();
}

// --- Cell rules -------------------------------------------------------------

struct CellRuleRow {
    EditionSet editions;
    std::vector<int> headerIds;
    std::vector<int> kinds; // empty: every kind
    CellRule rule;
};

const std::vector<CellRuleRow>& cellRuleTable()
{
    static const std::vector<CellRuleRow> table = {
        { { 60 }, { 33 }, {}, CellRule::NotAvailableWhenZero },
        { { 60 }, { 37, 38 }, { Search, Excel, RangeSearch }, CellRule::PaddedAddress },
        { { 60 }, { 198 }, { Search, Initialise }, CellRule::YesNo },
        { { 57 }, { 32, 37, 38 }, { Search }, CellRule::UnpaddedAddress },
        { { 7 }, { 60 }, { Search, Excel }, CellRule::ManufacturerWhenSingleChannel },
    };
    return table;
}

// --- Looks and rules ----------------------------------------------------------

struct RulesRow {
    EditionSet editions;
    void (*apply)(Rules&);
};

const std::vector<RulesRow>& rulesTable()
{
    static const std::vector<RulesRow> table = {
        { { 34, 53 }, [](Rules& r) { r.hoverBackground = 0xffcdcdcd; } },
        { { 54 },
            [](Rules& r) {
                r.hoverBackground = 0xff6d6e71;
                r.linkText = 0xfff0f0f0;
                r.otherText = 0xfff0f0f0;
            } },
        { { 59 },
            [](Rules& r) {
                r.hoverBackground = 0xfffbfbc2;
                r.linkText = 0xfff36c21;
                r.otherText = 0xff000000;
            } },
        { { 45 }, [](Rules& r) { r.linkText = 0xfff26e2c; } },
        { { 46 }, [](Rules& r) { r.linkText = 0xff932900; } },
        { { 57 },
            [](Rules& r) {
                r.linkText = 0xff0ca0c7;
                r.otherText = 0xff595959;
                r.boldLink = true;
                r.headerWarningIcons = true;
                r.copyableCells = true;
            } },
        { { 58 },
            [](Rules& r) {
                r.linkText = 0xffde1f26;
                r.otherText = 0xff000000;
            } },
        { { 58, 59 }, [](Rules& r) { r.styledHeaderCheckBox = true; } },
        { { 40 }, [](Rules& r) { r.stretchLastSection = false; } },
        { { 16 }, [](Rules& r) { r.sameNameChecks = true; } },
    };
    return table;
}

} // namespace

QVector<int> headerIds(int edition, int kind)
{
    const HeaderRow* common = nullptr;
    for (const HeaderRow& row : headerTable()) {
        if (!servesKind(row, kind))
            continue;
        if (row.editions.isEmpty()) {
            if (!common)
                common = &row;
        } else if (row.editions.contains(edition)) {
            return row.ids;
        }
    }
    return common ? common->ids : QVector<int>();
}

QVector<int> allHeaderIds()
{
    QVector<int> ids;
    for (const HeaderRow& row : headerTable()) {
        for (int id : row.ids) {
            if (!ids.contains(id))
                ids << id;
        }
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Codes: 0 address, 1 media port, 2 media port or "N/A", 3 web port,
// 4 channels, 5 name, 6 software, 7 MAC, 8 status, 9 queried version,
// 10 comparison text, 11 video format, 12 activation flag. Every list follows
// its editions' header list, so that each cell shows what its header names.
const QVector<CellCodeRow>& upgradeCellCodeRows()
{
    static const QVector<CellCodeRow> rows = {
        { { 0 }, { 0, 1, 4, 5, 6, 8, 9, 10 } },
        { { 20, 42 }, { 0, 1, 4, 5, 6, 7, 8, 9, 10 } },
        { { 31 }, { 0, 4, 5, 6, 8, 9, 10 } },
        // The MAC column of these editions shows the MAC, and the version
        // column the queried version.
        { { 34, 53 }, { 0, 8, 1, 4, 5, 6, 7, 9 } },
        { { 40 }, { 0, 1, 5, 7, 6, 8 } },
        // Eight headers: the last two codes are never shown.
        { { 43, 44 }, { 0, 3, 4, 5, 7, 6, 8, 9, 10 } },
        { { 60 }, { 0, 2, 4, 5, 6, 8, 9, 10 } },
    };
    return rows;
}

const QVector<CellCodeRow>& videoFormatCellCodeRows()
{
    // One header list for every edition: address, status, activation, media
    // port, channels, name, software.
    static const QVector<CellCodeRow> rows = {
        { { 0 }, { 0, 8, 12, 1, 4, 5, 6 } },
        { { 34 }, { 0, 8, 12, 1, 4, 5, 6 } },
        { { 60 }, { 0, 8, 12, 2, 4, 5, 6 } },
    };
    return rows;
}

int statusFamily(int edition, int kind)
{
    // DeviceInfo::StatusFamily of each kind, kind 0 first.
    static const int kFamilies[kKindCount] = { 10, 12, 0, 5, 2, 3, 4, 11, 7, 9, 6, 8, 1, 0, 13, 14 };
    static const EditionSet lastStatusAutoUpgrade = { 0, 28, 33, { 60, 67 } };
    if (kind < 0 || kind >= kKindCount)
        return 0;
    if (kind == AutoUpgrade && lastStatusAutoUpgrade.contains(edition))
        return 0;
    return kFamilies[kind];
}

CellRule cellRule(int edition, int kind, int headerId)
{
    for (const CellRuleRow& row : cellRuleTable()) {
        if (!row.editions.contains(edition))
            continue;
        if (std::find(row.headerIds.begin(), row.headerIds.end(), headerId) == row.headerIds.end())
            continue;
        if (!row.kinds.empty() && std::find(row.kinds.begin(), row.kinds.end(), kind) == row.kinds.end())
            continue;
        return row.rule;
    }
    return CellRule::Plain;
}

const Rules& rules(int edition)
{
    static QMutex mutex;
    static std::map<int, std::unique_ptr<Rules>> built;
    QMutexLocker lock(&mutex);
    std::unique_ptr<Rules>& slot = built[edition];
    if (!slot) {
        slot = std::make_unique<Rules>();
        for (const RulesRow& row : rulesTable()) {
            if (row.editions.contains(edition))
                row.apply(*slot);
        }
    }
    return *slot;
}

QVector<int> copyableColumns()
{
    return { 1, 6, 7, 8, 9, 10, 12 };
}

RangeFilter rangeSearchFilter(int edition, int filterColumn)
{
    // The range tables whose columns do not sit where the tool bar's filter
    // entries point: the choices that are renumbered first, then the
    // choices that filter another column.
    static const EditionSet renumbered = { 42 };
    static const EditionSet onePlaceRight = { 34, 53 };
    static const EditionSet choice2InColumn3 = { 43, 44 };
    static const EditionSet choice3InColumn4 = { 42 };
    int f = filterColumn;
    if (renumbered.contains(edition)) {
        if (f == 4)
            f = 5;
        else if (f == 5)
            f = 7;
    }
    int k = f;
    if (onePlaceRight.contains(edition) && f > 1)
        k = f + 1;
    else if (choice2InColumn3.contains(edition) && f == 2)
        k = 3;
    else if (choice3InColumn4.contains(edition) && f == 3)
        k = 4;
    return { f, k };
}

} // namespace DeviceTableEditions
