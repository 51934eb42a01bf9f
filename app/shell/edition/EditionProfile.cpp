#include "shell/edition/EditionProfile.h"

#include "shell/edition/EditionSet.h"

#include <QMutex>
#include <QMutexLocker>
#include <map>
#include <memory>
#include <vector>

namespace
{

using P = EditionProfile;
using Layout = EditionProfile::About::Layout;

// One rule: what the editions of the set have that the defaults lack. Rules
// apply in table order; a later rule wins over an earlier one.
struct Rule {
    EditionSet editions;
    void (*apply)(P&);
};

const std::vector<Rule>& rules()
{
    static const std::vector<Rule> table = {
        // --- Settings ---
        { { 6, 11, 15, 29, 50 }, [](P& p) { p.initialProtocol = 1; } },
        { { 20, 22 },
            [](P& p) {
                p.protocols = { 1 };
                p.initialProtocol = 1;
            } },
        { { 47 }, [](P& p) { p.protocols = { 0 }; } },
        { { 42 }, [](P& p) { p.searchProtocolFromConfig = true; } },
        { { 65 }, [](P& p) { p.storesPassword = true; } },
        { { 4 }, [](P& p) { p.defaultPassword = QStringLiteral("40718263"); } },
        { { 8 }, [](P& p) { p.defaultPassword = QStringLiteral("508214"); } },
        { { 40 }, [](P& p) { p.defaultPassword = QStringLiteral("9065132k"); } },
        { { 33 }, [](P& p) { p.altPassword = QStringLiteral("9471"); } },
        { { 47 }, [](P& p) { p.autoRefresh = true; } },
        { { 57 }, [](P& p) { p.ownFonts = true; } },

        // --- Main window ---
        { { 2 }, [](P& p) { p.mainWindow.titleBarHeight = 150; } },
        { { 57 }, [](P& p) { p.mainWindow.sideMargin = 28; } },
        { { 20, 40 }, [](P& p) { p.mainWindow.maximizeWhileBuilding = true; } },

        // --- Title bar ---
        { { 2 }, [](P& p) { p.titleBar.topLogo = true; } },
        { { 3, 17, 20, 27, 33, 34, 35, { 37, 39 }, 42, 53 }, [](P& p) { p.titleBar.secondLogo = true; } },
        { { 20, 42 },
            [](P& p) {
                p.titleBar.logo = false;
                p.titleBar.buttonBar = true;
                p.titleBar.thirdLanguageFont = QStringLiteral("Meiryo");
            } },
        { { 20, 34, 42, 53 }, [](P& p) { p.titleBar.restoreAndMaximize = true; } },
        { { 51 }, [](P& p) { p.titleBar.languageEntry = false; } },
        { { 42 }, [](P& p) { p.titleBar.searchProtocolMenu = true; } },
        { { 34 }, [](P& p) { p.titleBar.protocolEntryOffSearchPage = true; } },
        { { 20, 35, 42 }, [](P& p) { p.titleBar.stretchAfterLogo = false; } },
        { { 34, 53 }, [](P& p) { p.titleBar.wideStretch = 50; } },
        { { 37, 38, 39 }, [](P& p) { p.titleBar.centredSecondLogo = true; } },
        { { 33 }, [](P& p) { p.titleBar.stretchBeforeButtons = false; } },
        { { 65 }, [](P& p) { p.titleBar.subLogoForFirstLanguage = true; } },
        { { 16 }, [](P& p) { p.titleBar.dialogTitleMinimumWidth = 120; } },
        { { 0, 20, 30, 40, 42, { 61, 66 } }, [](P& p) { p.titleBar.dialogTitleMinimumWidth = 150; } },
        { { 57, 60 }, [](P& p) { p.titleBar.dialogTitleMinimumWidth = 240; } },

        // --- Dialogs and message boxes ---
        { { 15, 23, 40, 43, 44, 46 }, [](P& p) { p.dialogs.titleText = QStringLiteral("black"); } },
        { { 58 }, [](P& p) { p.dialogs.titleText = QStringLiteral("red"); } },
        { { 54 }, [](P& p) { p.dialogs.darkBody = true; } },
        { { 27 }, [](P& p) { p.dialogs.messageLeftAligned = true; } },
        { { 60 }, [](P& p) { p.dialogs.messageLinks = true; } },
        { { 46 }, [](P& p) { p.dialogs.messageButtonName = QStringLiteral("MessageButton"); } },
        { { 8 }, [](P& p) { p.dialogs.whiteMessageButtons = true; } },

        // --- About window ---
        { { 0, 47, { 61, 66 } }, [](P& p) { p.about.layout = Layout::VersionOnly; } },
        { { 43, 44 }, [](P& p) { p.about.layout = Layout::NameAndVersion; } },
        { { 57 }, [](P& p) { p.about.layout = Layout::VersionAndWeb; } },
        { { 60 }, [](P& p) { p.about.layout = Layout::RichWithLink; } },
        { { 10, 16, 27 }, [](P& p) { p.about.layout = Layout::StandardWithCompany; } },
        { { 10 },
            [](P& p) {
                p.about.companyBlock = QStringLiteral("Northbay Vision Systems\nsupport@northbay.example");
            } },
        { { 16 },
            [](P& p) {
                p.about.companyBlock
                    = QStringLiteral("Kestrel Security Co., Ltd.\nwww.kestrel-security.example");
            } },
        { { 27 },
            [](P& p) {
                p.about.companyBlock = QStringLiteral("Alder & Finch Surveillance\nalder-finch.example");
            } },
        { { 32 }, [](P& p) { p.about.version = QStringLiteral("1.0.0.00"); } },
        { { 16 }, [](P& p) { p.about.titleText = 126; } },
        { { 57 }, [](P& p) { p.about.titleText = 295; } },
        { { 54 }, [](P& p) { p.about.border = QStringLiteral("light"); } },
        { { 58 }, [](P& p) { p.about.border = QStringLiteral("orange"); } },

        // --- Devices and searches ---
        { { 24 }, [](P& p) { p.devices.searchDeviceType = 1; } },
        { { 8 }, [](P& p) { p.devices.searchDeviceType = 2; } },
        { { 9, 21 }, [](P& p) { p.devices.searchDeviceType = 4; } },
        { { 11 }, [](P& p) { p.devices.searchDeviceType = 6; } },
        { { 20, 42 }, [](P& p) { p.devices.searchDeviceType = 7; } },
        { { 28 }, [](P& p) { p.devices.searchDeviceType = 8; } },
        { { 43, 44 }, [](P& p) { p.devices.searchDeviceType = 11; } },
        { { 53 }, [](P& p) { p.devices.searchDeviceType = 15; } },
        { { 56 }, [](P& p) { p.devices.searchDeviceType = 16; } },
        { { 28 }, [](P& p) { p.devices.multicastManufacturers = QStringList { QStringLiteral("ALD") }; } },
        { { 43, 44 },
            [](P& p) {
                p.devices.multicastManufacturers
                    = QStringList { QStringLiteral("HLX"), QStringLiteral("JVN"), QStringLiteral("KST") };
            } },
        { { 11 }, [](P& p) { p.devices.multicastManufacturers = QStringList { QStringLiteral("CNX") }; } },
        { { 53 }, [](P& p) { p.devices.multicastManufacturers = QStringList { QStringLiteral("DLT") }; } },
        { { 56 }, [](P& p) { p.devices.multicastManufacturers = QStringList { QStringLiteral("EKO") }; } },
        { { 42 },
            [](P& p) {
                p.devices.multicastManufacturers
                    = QStringList { QStringLiteral("FNX"), QStringLiteral("IRS") };
                p.devices.unfilteredMulticastSearchToo = true;
            } },
        { { 43, 44 },
            [](P& p) {
                p.devices.webInterfaceOnly = true;
                p.devices.analogChannelCount = true;
            } },
        { { 11, 34 }, [](P& p) { p.devices.webInterfaceForMulticastFinds = true; } },
        { { 50 }, [](P& p) { p.devices.dnsAlwaysEditable = true; } },
        { { 40 }, [](P& p) { p.devices.latin1DeviceTexts = true; } },
        { { 0, 28, 29, 40, 60, 61, 62, 63, 64, 65, 66, 67 },
            [](P& p) { p.devices.nameAndTypeOverWeb = true; } },
        { { 43, 44 }, [](P& p) { p.devices.checksAccountRules = true; } },
        { { 59 }, [](P& p) { p.devices.configTransferByEncPassword = true; } },
        { { 40, 43, 44 }, [](P& p) { p.devices.resetRangeOverWeb = true; } },
        { { 24 }, [](P& p) { p.devices.loginDeviceClass = 1; } },
        { { 8 }, [](P& p) { p.devices.loginDeviceClass = 2; } },
        { { 9, 21 }, [](P& p) { p.devices.loginDeviceClass = 4; } },
        { { 25 }, [](P& p) { p.devices.loginDeviceClass = 5; } },
        { { 11 }, [](P& p) { p.devices.loginDeviceClass = 6; } },
        { { 20, 42 }, [](P& p) { p.devices.loginDeviceClass = 7; } },
        { { 28 }, [](P& p) { p.devices.loginDeviceClass = 8; } },
        { { 53 }, [](P& p) { p.devices.loginDeviceClass = 15; } },
        // Placeholders of ours for the editions' own codes.
        { { 43, 44 }, [](P& p) { p.devices.loginOemType = QStringLiteral("dorvex_nc"); } },
        { { 8 }, [](P& p) { p.devices.loginOemType = QStringLiteral("dorvex_kp"); } },
        { { 11 }, [](P& p) { p.devices.loginOemType = QStringLiteral("dorvex_lx"); } },
        { { 28 }, [](P& p) { p.devices.loginOemType = QStringLiteral("dorvex_sg"); } },
        { { 42 }, [](P& p) { p.devices.loginOemType = QStringLiteral("dorvex_hm"); } },
        { { 53 }, [](P& p) { p.devices.loginOemType = QStringLiteral("dorvex_ez"); } },
        { { 42, 43, 44 }, [](P& p) { p.devices.rangeSearchThroughWrapper = true; } },
        // Placeholders of ours too; the same words as the editions' logins.
        { { 43, 44 }, [](P& p) { p.devices.rangeSearchOemType = QStringLiteral("dorvex_nc"); } },
        { { 8 }, [](P& p) { p.devices.rangeSearchOemType = QStringLiteral("dorvex_kp"); } },
        { { 42 }, [](P& p) { p.devices.rangeSearchOemType = QStringLiteral("dorvex_hm"); } },
        { { 53 }, [](P& p) { p.devices.rangeSearchOemType = QStringLiteral("dorvex_ez"); } },

        // --- Tool bar ---
        { { 54 },
            [](P& p) {
                p.toolBar.filterLabelName = QStringLiteral("FilterLable");
                p.toolBar.filterEditName = QStringLiteral("FilterEdit");
                p.toolBar.filterComboName = QStringLiteral("FilterCombo");
            } },
        { { 10 },
            [](P& p) {
                p.toolBar.filterEditName = QStringLiteral("ToolBarEdit");
                p.toolBar.filterComboName = QStringLiteral("ToolBarCombox");
            } },
    };
    return table;
}

// The language files of the editions that offer more than English. Edition
// files are language files made for one or a few editions; the English,
// Korean and Japanese files of editions 20, 37, 38, 39 and 42 are shared.
struct LanguageRow {
    EditionSet editions;
    QStringList files;
};

QStringList files(std::initializer_list<const char*> names)
{
    QStringList out;
    for (const char* n : names)
        out << QLatin1String(n);
    return out;
}

const std::vector<LanguageRow>& languageTable()
{
    static const std::vector<LanguageRow> table = {
        { { 0, 47, 49, 59 }, files({ "ENU.xml", "CHS.xml" }) },
        { { 1 }, files({ "CHT.xml" }) },
        { { 2 }, files({ "GER.xml" }) },
        { { 4 }, files({ "RUS_04.xml", "ENU.xml" }) },
        { { 5 }, files({ "RUS_05.xml", "ENU.xml" }) },
        { { 6 }, files({ "RUS_06.xml", "ENU.xml" }) },
        { { 11 }, files({ "RUS_11.xml", "ENU.xml" }) },
        { { 29 }, files({ "RUS_29.xml", "ENU.xml" }) },
        { { 56 }, files({ "RUS_56.xml", "ENU.xml" }) },
        { { 7 }, files({ "ENU_07.xml" }) },
        { { 8 }, files({ "ENU_08.xml" }) },
        { { 10 }, files({ "ENU_10.xml" }) },
        { { 12 }, files({ "ENU_12.xml" }) },
        { { 14 }, files({ "ENU_14.xml" }) },
        { { 16 }, files({ "ENU_16.xml" }) },
        { { 17 }, files({ "ENU_17.xml" }) },
        { { 57 }, files({ "ENU_57.xml" }) },
        { { 60 }, files({ "ENU_60.xml" }) },
        { { 13, 22, 36 }, files({ "CHS.xml", "ENU.xml" }) },
        { { 15 }, files({ "RUS_15.xml" }) },
        { { 32 }, files({ "RUS_32.xml" }) },
        { { 18 }, files({ "KOR_18.xml", "ENU.xml" }) },
        { { 19 }, files({ "KOR_19.xml" }) },
        { { 20, 37, 38, 39 }, files({ "ENU_20.xml", "KOR_20.xml", "JAPAN_20.xml" }) },
        { { 23 }, files({ "TUR_23.xml" }) },
        { { 30 }, files({ "CHS.xml" }) },
        { { 34 }, files({ "ENU_34.xml", "KR_34.xml" }) },
        { { 35 }, files({ "PORT_35.xml", "ENU_35.xml" }) },
        { { 42 }, files({ "KOR_20.xml", "ENU_20.xml" }) },
        { { 45 }, files({ "PORT_45.xml" }) },
        { { 50 }, files({ "ENU_DORVEX.xml", "RUS_DORVEX.xml" }) },
        { { 53 }, files({ "ENU_53.xml", "KR_53.xml", "CHS.xml" }) },
        { { 54 }, files({ "ENU.xml", "FRENCH_54.xml", "ITALIAN_54.xml" }) },
        { { 55 }, files({ "RUS_55.xml", "ENU_55.xml" }) },
        { { 61 }, files({ "GER_61.xml", "ENU.xml" }) },
        { { 62 }, files({ "POLISH.xml" }) },
        { { 63 }, files({ "PERSION_63.xml", "ENU.xml", "CHS.xml" }) },
        { { 64 }, files({ "PERSION_64.xml", "ENU.xml", "CHS.xml" }) },
        { { 65 }, files({ "SWE.xml", "ENU.xml", "CHS.xml" }) },
    };
    return table;
}

EditionProfile build(int edition)
{
    EditionProfile p;
    p.edition = edition;
    for (const Rule& rule : rules()) {
        if (rule.editions.contains(edition))
            rule.apply(p);
    }
    for (const LanguageRow& row : languageTable()) {
        if (row.editions.contains(edition)) {
            p.languageFiles = row.files;
            break;
        }
    }
    return p;
}

} // namespace

const EditionProfile& EditionProfile::of(int edition)
{
    static QMutex mutex;
    static std::map<int, std::unique_ptr<EditionProfile>> built;
    QMutexLocker lock(&mutex);
    std::unique_ptr<EditionProfile>& slot = built[edition];
    if (!slot)
        slot = std::make_unique<EditionProfile>(build(edition));
    return *slot;
}
