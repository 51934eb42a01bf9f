#pragma once
// Every rule of the program that differs by customer edition, in one place:
// the settings an edition starts with, its languages and fonts, and how its
// main window, title bar, dialogs, message boxes and About window look. The
// tool bar's tables are ToolBarEditions (ToolBarEditions.h), beside this.
//
// Code never compares edition numbers; it asks the profile:
//
//   const EditionProfile& p = GKAppSetting::instance()->profile();
//   if (p.titleBar.secondLogo) ...
//   label->setProperty("titleText", p.dialogs.titleText); // styled in the QSS
//
// Looks that differ by edition are named variants here (such as "black" for
// a dialog's title text) that widgets set as Qt properties; the style sheet
// (app/resources/style) gives each variant its look. A new edition rule is a
// field here, a row in EditionProfile.cpp and a case in the profile's test.
//
// Built from tables (EditionProfile.cpp); pure, and of() may be called from
// any thread.
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

struct EditionProfile {
    // The profile of `edition`; editions without rows of their own get the
    // defaults below. The reference stays valid for the process's life.
    static const EditionProfile& of(int edition);

    int edition = 0;

    // --- Settings ------------------------------------------------------------

    // The device-access protocols offered, in menu order (0 the device web
    // interface, 1 the VLNet SDK), and the one used until the settings file
    // chooses another of them.
    QVector<int> protocols { 0, 1 };
    int initialProtocol = 0;
    // The configured protocol is also the search protocol of the title bar's
    // search-protocol menu.
    bool searchProtocolFromConfig = false;
    // The default device password is the user's own: kept enciphered in the
    // settings file and changed in a settings window.
    bool storesPassword = false;
    // The default device password and the alternative one; empty: the
    // program's own default, and none.
    QString defaultPassword;
    QString altPassword;
    // The search repeats itself every few seconds when the user asks.
    bool autoRefresh = false;
    // The language files offered, in menu order.
    QStringList languageFiles { QStringLiteral("ENU.xml") };
    // The edition's own fonts (Open Sans) instead of Arial.
    bool ownFonts = false;

    // --- Main window -----------------------------------------------------------

    struct MainWindow {
        int titleBarHeight = 50;
        // Left and right margin of the tool bar and the pages.
        int sideMargin = 10;
        // Maximised once while being built, so that its first showing
        // restores it (the window otherwise opens maximised).
        bool maximizeWhileBuilding = false;
    } mainWindow;

    // --- Title bar of the main window ----------------------------------------------

    struct TitleBar {
        // A sub-logo on a row of its own above the main row.
        bool topLogo = false;
        bool logo = true;
        bool secondLogo = false;
        // Language and search-protocol buttons in the bar instead of entries
        // in the information menu, and an About text button.
        bool buttonBar = false;
        // Restore and maximise buttons, which a double click on the title
        // area swaps.
        bool restoreAndMaximize = false;
        bool languageEntry = true;
        bool searchProtocolMenu = false;
        // The protocol entry is hidden while the search page is current (and
        // so at start).
        bool protocolEntryOffSearchPage = false;
        // Main-row layout: a stretch after the logo; a wide stretch (this
        // factor, 0 for none) before the second logo; the second logo centred
        // between two stretches with 100 pixels after it; a stretch before
        // the buttons.
        bool stretchAfterLogo = true;
        int wideStretch = 0;
        bool centredSecondLogo = false;
        bool stretchBeforeButtons = true;
        // The first language shows the sub-logo in the logo's place.
        bool subLogoForFirstLanguage = false;
        // The application font family for the third language (empty: the
        // edition's font).
        QString thirdLanguageFont;
        // The least width of a dialog title (0: as wide as the text).
        int dialogTitleMinimumWidth = 0;
    } titleBar;

    // --- Dialogs and message boxes ----------------------------------------------------

    struct Dialogs {
        // The colour variant of dialog titles: "white" on the dark bar,
        // "black" or "red" on the light one.
        QString titleText = QStringLiteral("white");
        // Dark dialog bodies with light text.
        bool darkBody = false;
        // Message text left-aligned with 40 pixels between icon and text
        // (centred otherwise).
        bool messageLeftAligned = false;
        // Links in message texts open in the browser.
        bool messageLinks = false;
        // The object name of message-box buttons (empty: none).
        QString messageButtonName;
        // Message-box buttons always write white, also when disabled.
        bool whiteMessageButtons = false;
    } dialogs;

    // --- About window -------------------------------------------------------------------

    struct About {
        // The composition of the About text (EditionTexts::aboutText).
        enum class Layout {
            Standard, // product label and name; version line
            VersionOnly,
            NameAndVersion,
            VersionAndWeb, // version line; web address
            RichWithLink, // headings with name, version line and web link
            StandardWithCompany, // Standard, then companyBlock
        };
        Layout layout = Layout::Standard;
        QString companyBlock;
        // A fixed version instead of the program's (empty: the program's).
        QString version;
        // The language-table number of the window title.
        int titleText = 7;
        // The border variant of the window ("" the dialogs' own grey,
        // "light", "orange").
        QString border;
    } about;

    // --- Devices and searches -------------------------------------------------------------

    struct Devices {
        // The one-byte device-type code that the VLNet and ONVIF searches
        // send in their start record (0: every device answers).
        quint8 searchDeviceType = 0;
        // The manufacturer codes the multicast search asks for, in order
        // (empty: every maker answers). The codes are those of VLSDKWrapper's
        // manufacturer table.
        QStringList multicastManufacturers;
        // Beside the filtered multicast search an unfiltered one runs, so
        // that devices of other makers are found too.
        bool unfilteredMulticastSearchToo = false;
        // Devices are always reached through their web interface, whatever
        // the protocol setting.
        bool webInterfaceOnly = false;
        // While the search page is current, a device that the multicast
        // search found is reached through its web interface, any other
        // through VLNet; its whole multicast record is kept.
        bool webInterfaceForMulticastFinds = false;
        // A non-zero analogue channel count of the search record is the
        // channel count shown.
        bool analogChannelCount = false;
        // Both DNS servers are editable, whatever the device's limits say.
        bool dnsAlwaysEditable = false;
        // A new password is checked against the device's own account rules
        // ("/API/AccountRules/Get") before it is sent.
        bool checksAccountRules = false;
        // The configuration export and import prove the password to the
        // web interface with "base_enc_password" (the password sealed to a
        // "base_x_public" key), not with "base_secondary_authentication".
        bool configTransferByEncPassword = false;
        // A device's new name and type go out as Latin-1 (otherwise in the
        // system's local 8-bit encoding).
        bool latin1DeviceTexts = false;
        // A device's new name and type are written through its web
        // interface, whatever the protocol setting (otherwise over VLNet
        // while the protocol setting is VLNet).
        bool nameAndTypeOverWeb = false;
        // The device-class byte of the program's own VLNet login record.
        quint8 loginDeviceClass = 0;
        // The edition code sent as "oem type" in the web login's JSON (one of
        // VLSDKWrapper's OEM type words; "default" for most editions).
        QString loginOemType = QStringLiteral("default");
        // The IP-range search goes through VLSDKWrapper's search (not
        // VLNet's range search), whatever the protocol setting.
        bool rangeSearchThroughWrapper = false;
        // The edition code sent as "oem type" with that search (one of
        // VLSDKWrapper's OEM type words; "default" for most editions).
        QString rangeSearchOemType = QStringLiteral("default");
        // The device's reset categories and factory-reset types are asked of
        // its web interface ("/API/Maintenance/Reset/Range"), whatever the
        // protocol setting.
        bool resetRangeOverWeb = false;
    } devices;

    // --- Tool bar (beyond ToolBarEditions) --------------------------------------------------

    struct ToolBar {
        // Object names of the filter label, edit and combo (empty: none).
        QString filterLabelName;
        QString filterEditName;
        QString filterComboName;
    } toolBar;
};
