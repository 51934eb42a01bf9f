// The edition profile: what chosen editions get, what holds for every
// edition, and a style-sheet rule for every look variant the profile names.
#include "QtPrinters.h"
#include "shell/edition/EditionProfile.h"
#include "shell/edition/EditionSet.h"
#include "shell/edition/ToolBarEditions.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <gtest/gtest.h>

namespace
{

using Layout = EditionProfile::About::Layout;

QString styleSheetSource()
{
    QString all;
    const QDir dir(QStringLiteral(VL_TEST_SOURCE_DIR "/app/resources/style"));
    for (const QString& name : dir.entryList({ QStringLiteral("*.qss") }, QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly))
            all += QString::fromUtf8(f.readAll());
    }
    return all;
}

} // namespace

TEST(EditionSet, SinglesAndRanges)
{
    const EditionSet set = { 0, { 4, 6 }, 59 };
    for (int e : { 0, 4, 5, 6, 59 })
        EXPECT_TRUE(set.contains(e)) << e;
    for (int e : { -1, 1, 3, 7, 58, 60 })
        EXPECT_FALSE(set.contains(e)) << e;
    EXPECT_TRUE(EditionSet().isEmpty());
    EXPECT_FALSE(EditionSet().contains(0));
}

TEST(EditionProfile, ChosenEditions)
{
    const EditionProfile& plain = EditionProfile::of(99); // no rows of its own
    EXPECT_EQ(plain.edition, 99);
    EXPECT_EQ(plain.protocols, (QVector<int> { 0, 1 }));
    EXPECT_EQ(plain.mainWindow.titleBarHeight, 50);
    EXPECT_EQ(plain.mainWindow.sideMargin, 10);
    EXPECT_TRUE(plain.titleBar.logo);
    EXPECT_FALSE(plain.titleBar.secondLogo);
    EXPECT_EQ(plain.dialogs.titleText, QStringLiteral("white"));
    EXPECT_EQ(plain.languageFiles, QStringList { "ENU.xml" });
    EXPECT_EQ(plain.about.layout, Layout::Standard);

    const EditionProfile& two = EditionProfile::of(2);
    EXPECT_TRUE(two.titleBar.topLogo);
    EXPECT_EQ(two.mainWindow.titleBarHeight, 150);

    const EditionProfile& twenty = EditionProfile::of(20);
    EXPECT_EQ(twenty.protocols, QVector<int> { 1 });
    EXPECT_EQ(twenty.initialProtocol, 1);
    EXPECT_TRUE(twenty.titleBar.buttonBar);
    EXPECT_FALSE(twenty.titleBar.logo);
    EXPECT_TRUE(twenty.titleBar.secondLogo);
    EXPECT_FALSE(twenty.titleBar.stretchAfterLogo);
    EXPECT_TRUE(twenty.mainWindow.maximizeWhileBuilding);
    EXPECT_EQ(twenty.titleBar.thirdLanguageFont, QStringLiteral("Meiryo"));

    const EditionProfile& t33 = EditionProfile::of(33);
    EXPECT_EQ(t33.altPassword, QStringLiteral("9471"));
    EXPECT_FALSE(t33.titleBar.stretchBeforeButtons);
    EXPECT_EQ(ToolBarEditions::loginButton(33), ToolBarButton::Hover);
    EXPECT_EQ(ToolBarEditions::loginButton(0), ToolBarButton::Config);

    const EditionProfile& t34 = EditionProfile::of(34);
    EXPECT_TRUE(t34.titleBar.restoreAndMaximize);
    EXPECT_FALSE(t34.titleBar.buttonBar);
    EXPECT_EQ(t34.titleBar.wideStretch, 50);
    EXPECT_TRUE(t34.titleBar.protocolEntryOffSearchPage);

    const EditionProfile& t42 = EditionProfile::of(42);
    EXPECT_TRUE(t42.searchProtocolFromConfig);
    EXPECT_TRUE(t42.titleBar.searchProtocolMenu);

    EXPECT_TRUE(EditionProfile::of(47).autoRefresh);
    EXPECT_EQ(EditionProfile::of(47).protocols, QVector<int> { 0 });
    EXPECT_TRUE(ToolBarEditions::hasAutoRefresh(47));
    EXPECT_FALSE(ToolBarEditions::hasAutoRefresh(0));

    const EditionProfile& t54 = EditionProfile::of(54);
    EXPECT_TRUE(t54.dialogs.darkBody);
    EXPECT_EQ(t54.about.border, QStringLiteral("light"));
    EXPECT_EQ(t54.toolBar.filterLabelName, QStringLiteral("FilterLable"));

    const EditionProfile& t57 = EditionProfile::of(57);
    EXPECT_TRUE(t57.ownFonts);
    EXPECT_EQ(t57.mainWindow.sideMargin, 28);
    EXPECT_EQ(t57.about.layout, Layout::VersionAndWeb);
    EXPECT_EQ(t57.about.titleText, 295);
    EXPECT_EQ(t57.titleBar.dialogTitleMinimumWidth, 240);

    const EditionProfile& t65 = EditionProfile::of(65);
    EXPECT_TRUE(t65.storesPassword);
    EXPECT_TRUE(t65.titleBar.subLogoForFirstLanguage);
    EXPECT_EQ(t65.languageFiles, (QStringList { "SWE.xml", "ENU.xml", "CHS.xml" }));
    EXPECT_EQ(t65.about.layout, Layout::VersionOnly);

    EXPECT_EQ(EditionProfile::of(32).about.version, QStringLiteral("1.0.0.00"));
    EXPECT_EQ(EditionProfile::of(8).defaultPassword, QStringLiteral("508214"));
    EXPECT_TRUE(EditionProfile::of(8).dialogs.whiteMessageButtons);
    EXPECT_EQ(EditionProfile::of(58).dialogs.titleText, QStringLiteral("red"));
}

TEST(EditionProfile, WhatHoldsForEveryEdition)
{
    const QString sheet = styleSheetSource();
    ASSERT_FALSE(sheet.isEmpty());
    QSet<QString> titleTexts, borders;
    for (int e = -1; e <= 70; ++e) {
        SCOPED_TRACE(e);
        const EditionProfile& p = EditionProfile::of(e);
        EXPECT_EQ(&p, &EditionProfile::of(e)); // built once
        EXPECT_EQ(p.edition, e);
        EXPECT_TRUE(p.protocols.contains(p.initialProtocol));
        EXPECT_FALSE(p.languageFiles.isEmpty());
        // The button bar replaces the logo and brings restore and maximise.
        if (p.titleBar.buttonBar) {
            EXPECT_FALSE(p.titleBar.logo);
            EXPECT_TRUE(p.titleBar.restoreAndMaximize);
        }
        EXPECT_EQ(p.titleBar.topLogo, p.mainWindow.titleBarHeight > 50);
        EXPECT_EQ(p.about.layout == Layout::StandardWithCompany, !p.about.companyBlock.isEmpty());
        titleTexts << p.dialogs.titleText;
        borders << p.about.border;
    }
    // Every look variant the profile names has its rule in the style sheet.
    for (const QString& v : titleTexts)
        EXPECT_TRUE(sheet.contains(QStringLiteral("[titleText=\"%1\"]").arg(v))) << v.toStdString();
    borders.remove(QString());
    for (const QString& v : borders)
        EXPECT_TRUE(sheet.contains(QStringLiteral("[aboutBorder=\"%1\"]").arg(v))) << v.toStdString();
    for (const char* v : { "[darkBody=\"true\"]", "[whiteText=\"true\"]", "[boldText=\"true\"]" })
        EXPECT_TRUE(sheet.contains(QLatin1String(v))) << v;
}

TEST(EditionProfile, DevicesAndSearches)
{
    struct Case {
        int edition;
        int searchDeviceType;
    };
    for (const Case c :
        { Case { 24, 1 }, Case { 8, 2 }, Case { 9, 4 }, Case { 21, 4 }, Case { 11, 6 }, Case { 20, 7 },
            Case { 42, 7 }, Case { 28, 8 }, Case { 43, 11 }, Case { 44, 11 }, Case { 53, 15 },
            Case { 56, 16 }, Case { 39, 0 }, Case { 1, 0 }, Case { 25, 0 }, Case { 0, 0 } }) {
        EXPECT_EQ(EditionProfile::of(c.edition).devices.searchDeviceType, c.searchDeviceType) << c.edition;
    }
    struct Filter {
        int edition;
        int codes;
        bool unfilteredToo;
    };
    for (const Filter f : { Filter { 28, 1, false }, Filter { 43, 3, false }, Filter { 44, 3, false },
             Filter { 11, 1, false }, Filter { 53, 1, false }, Filter { 56, 1, false },
             Filter { 42, 2, true }, Filter { 0, 0, false }, Filter { 34, 0, false } }) {
        const EditionProfile::Devices& d = EditionProfile::of(f.edition).devices;
        EXPECT_EQ(d.multicastManufacturers.size(), f.codes) << f.edition;
        EXPECT_EQ(d.unfilteredMulticastSearchToo, f.unfilteredToo) << f.edition;
    }
    EXPECT_EQ(EditionProfile::of(43).devices.multicastManufacturers,
        EditionProfile::of(44).devices.multicastManufacturers);

    for (int e = 0; e <= 66; ++e) {
        const EditionProfile::Devices& d = EditionProfile::of(e).devices;
        const bool web = e == 43 || e == 44;
        EXPECT_EQ(d.webInterfaceOnly, web) << e;
        EXPECT_EQ(d.analogChannelCount, web) << e;
        EXPECT_EQ(d.webInterfaceForMulticastFinds, e == 11 || e == 34) << e;
        EXPECT_EQ(d.dnsAlwaysEditable, e == 50) << e;
        EXPECT_EQ(d.latin1DeviceTexts, e == 40) << e;
        EXPECT_EQ(d.nameAndTypeOverWeb, e == 0 || e == 28 || e == 29 || e == 40 || (e >= 60 && e <= 67)) << e;
        EXPECT_EQ(d.checksAccountRules, e == 43 || e == 44) << e;
        EXPECT_EQ(d.resetRangeOverWeb, e == 40 || e == 43 || e == 44) << e;
    }

    struct Login {
        int edition;
        int deviceClass;
        const char* oemType;
    };
    for (const Login l : { Login { 24, 1, "default" }, Login { 8, 2, "dorvex_kp" }, Login { 9, 4, "default" },
             Login { 21, 4, "default" }, Login { 25, 5, "default" }, Login { 11, 6, "dorvex_lx" },
             Login { 20, 7, "default" }, Login { 42, 7, "dorvex_hm" }, Login { 28, 8, "dorvex_sg" },
             Login { 53, 15, "dorvex_ez" }, Login { 43, 0, "dorvex_nc" }, Login { 44, 0, "dorvex_nc" },
             Login { 0, 0, "default" }, Login { 34, 0, "default" }, Login { 56, 0, "default" } }) {
        const EditionProfile::Devices& d = EditionProfile::of(l.edition).devices;
        EXPECT_EQ(d.loginDeviceClass, l.deviceClass) << l.edition;
        EXPECT_EQ(d.loginOemType.toStdString(), l.oemType) << l.edition;
    }

    // The IP-range search: the editions that always search through the
    // wrapper, and the code each sends.
    for (int e = 0; e <= 66; ++e) {
        const EditionProfile::Devices& d = EditionProfile::of(e).devices;
        EXPECT_EQ(d.rangeSearchThroughWrapper, e == 42 || e == 43 || e == 44) << e;
        const char* code = "default";
        if (e == 43 || e == 44)
            code = "dorvex_nc";
        else if (e == 8)
            code = "dorvex_kp";
        else if (e == 42)
            code = "dorvex_hm";
        else if (e == 53)
            code = "dorvex_ez";
        EXPECT_EQ(d.rangeSearchOemType.toStdString(), code) << e;
    }
}
