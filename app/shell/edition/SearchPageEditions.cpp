#include "shell/edition/SearchPageEditions.h"

#include "shell/edition/EditionSet.h"

#include <QMutex>
#include <QMutexLocker>
#include <map>
#include <memory>
#include <vector>

namespace SearchPageEditions
{

namespace
{

// Editions that merge both LAN searches, and those that search by multicast
// whatever the protocol.
const EditionSet kBothSearches = { 11, 34 };
const EditionSet kMulticastOnly = { 22, 47 };

struct Rule {
    EditionSet editions;
    void (*apply)(Rules&);
};

const std::vector<Rule>& ruleTable()
{
    static const std::vector<Rule> table = {
        { kBothSearches, [](Rules& r) { r.multicastReplacesLan = true; } },
        { { 0, 31, 50 }, [](Rules& r) { r.dnsWidgets = true; } },
        { { 43, 44 },
            [](Rules& r) {
                r.mediaPortHidden = true;
                r.modeFromComboIndex = true;
            } },
        { { 60 },
            [](Rules& r) {
                r.notAvailablePort = true;
                r.paddedAddresses = true;
            } },
        { { 33 }, [](Rules& r) { r.staticMode = true; } },
        { { 20 }, [](Rules& r) { r.noPanelInOnvifView = true; } },
        { { 0 }, [](Rules& r) { r.elevatedWebPage = true; } },
        { { 20, 42 }, [](Rules& r) { r.httpsColumn = true; } },
        { { 54 },
            [](Rules& r) {
                r.groupBoxName = QStringLiteral("GroupInfo");
                r.comboName = QStringLiteral("FilterCombo");
                r.editName = QStringLiteral("FilterEdit");
                r.labelVariant = QStringLiteral("light");
            } },
        { { 57 }, [](Rules& r) { r.labelVariant = QStringLiteral("black"); } },
        { { 58 }, [](Rules& r) { r.labelVariant = QStringLiteral("red"); } },
        { { 59 }, [](Rules& r) { r.labelVariant = QStringLiteral("orange"); } },
        { { 6, 34, 53 }, [](Rules& r) { r.groupMinimumHeight = 85; } },
        { { 40 },
            [](Rules& r) {
                r.labelVariant = QStringLiteral("bold");
                r.userLabelText = -1;
                r.userLabel = QStringLiteral("User Name");
            } },
    };
    return table;
}

Rules build(int edition)
{
    Rules r;
    for (const Rule& rule : ruleTable()) {
        if (rule.editions.contains(edition))
            rule.apply(r);
    }
    return r;
}

using Widths = QVector<QPair<int, int>>;

// Later entries of a column override earlier ones.
void put(Widths& widths, int column, int width)
{
    for (auto& w : widths) {
        if (w.first == column) {
            w.second = width;
            return;
        }
    }
    widths.append({ column, width });
}

} // namespace

Searches normalSearches(int edition, int protocol)
{
    if (kBothSearches.contains(edition))
        return { true, true };
    if (kMulticastOnly.contains(edition) || protocol == 0)
        return { true, false };
    return { false, true };
}

const Rules& rules(int edition)
{
    static QMutex mutex;
    static std::map<int, std::unique_ptr<Rules>> built;
    QMutexLocker lock(&mutex);
    std::unique_ptr<Rules>& slot = built[edition];
    if (!slot)
        slot = std::make_unique<Rules>(build(edition));
    return *slot;
}

QVector<QPair<int, int>> normalColumnWidths(int edition, int languageIndex)
{
    const bool https = EditionSet { 20, 42 }.contains(edition);
    const bool wide45 = edition == 45;
    Widths w { { 0, 80 }, { 2, https ? 70 : 100 }, { 3, 135 }, { 4, 130 }, { 5, wide45 ? 165 : 125 },
        { 6, 145 }, { 7, 120 }, { 8, wide45 ? 140 : 120 }, { 9, 120 }, { 10, 120 }, { 11, 120 } };
    if (EditionSet { 34, 53 }.contains(edition)) {
        for (auto [c, px] :
            { std::pair { 1, 160 }, { 2, 220 }, { 3, 110 }, { 4, 90 }, { 5, 90 }, { 12, 120 }, { 13, 80 } })
            put(w, c, px);
    }
    if (edition == 41)
        put(w, 13, 80);
    if (wide45)
        put(w, 12, 180);
    if (edition == 60) {
        for (auto [c, px] : { std::pair { 3, 80 }, { 4, 80 }, { 7, 220 }, { 12, 180 } })
            put(w, c, px);
    }
    if (https) {
        const int px = languageIndex == 2 ? 155 : 120;
        for (int c : { 7, 8, 12 })
            put(w, c, px);
    }
    if (edition == 51) {
        for (auto [c, px] : { std::pair { 11, 200 }, { 12, 130 }, { 13, 180 } })
            put(w, c, px);
    }
    return w;
}

QVector<int> hiddenNormalColumns(int edition)
{
    if (edition == 57)
        return { 2 };
    return {};
}

QVector<QPair<int, int>> onvifColumnWidths(int edition)
{
    const int second = EditionSet { 34, 53 }.contains(edition) ? 820 : 135;
    return { { 0, 80 }, { 2, second }, { 5, 125 }, { 6, 145 }, { 7, 120 }, { 8, 120 }, { 9, 120 },
        { 10, 120 }, { 11, 120 } };
}

QVector<int> hiddenOnvifColumns(int edition)
{
    if (EditionSet { 20, 42 }.contains(edition))
        return { 2, 3, 5, 7, 8, 9, 10, 12, 13 };
    if (EditionSet { 34, 53 }.contains(edition))
        return { 3, 8, 9, 10, 11, 12, 13 };
    if (edition == 38)
        return { 2, 7, 8, 9, 10, 11, 12, 13 };
    return { 2, 4, 6, 7, 8, 9, 11, 12 };
}

int filterColumn(int edition, int choice)
{
    if (EditionSet { 34, 53 }.contains(edition) && choice > 1)
        return choice + 1;
    if (EditionSet { 43, 44 }.contains(edition) && choice == 2)
        return 3;
    if (edition == 42 && choice == 3)
        return 4;
    return choice;
}

} // namespace SearchPageEditions
