#pragma once
// The program's one settings object. It reads "config.xml" from the program's
// data folder, fixes from it the customer edition (which selects columns,
// colours, filters, login variants and texts all over the program), the
// device-access protocol, the offered languages and the default device
// credentials, writes changed choices back, and tells registered pages about a
// change by posting one broadcast event to each. It also owns the session log
// (one file per run), the guard that keeps search callbacks away from a tool
// bar that is being destroyed, and the auto-refresh timer of the editions
// that search again by themselves (EditionProfile::autoRefresh).
//
// Threads: the object is made and loaded on the GUI thread; loadConfig,
// saveConfig, the set* operations, the receiver list and the timer are GUI
// thread only. The accessors below, profile(), log() and the tool-bar guard
// may be called from any thread; readConfigFile and deriveSettings too.
#include "shell/edition/EditionProfile.h"

#include <QDir>
#include <QEvent>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>
#include <atomic>

class QTimer;

// The broadcast events (plain QEvent objects of these types). Constants of
// QEvent::Type, so that `event->type() == LanguageChangedEvent` and
// `case LanguageChangedEvent:` work without casts.
inline constexpr QEvent::Type LanguageChangedEvent = static_cast<QEvent::Type>(1005); // retranslate
inline constexpr QEvent::Type ProtocolChangedEvent = static_cast<QEvent::Type>(1017); // protocol menu used
inline constexpr QEvent::Type AutoRefreshEvent
    = static_cast<QEvent::Type>(1019); // search again (autoRefresh)
inline constexpr QEvent::Type PasswordChangedEvent
    = static_cast<QEvent::Type>(1028); // copy defaultPassword()

// The program's data folder: "DORVEX Device Config" inside the folder that the
// environment variable APPDATA names when it is set and not empty, otherwise
// inside the user's data folder (QStandardPaths::GenericDataLocation). Created
// with every missing parent on each call.
QDir appDataDir();

class GKAppSetting : public QObject
{
    Q_OBJECT

public:
    // The device user name and password a device record starts with, unless
    // the edition sets another password.
    static constexpr const char* kDefaultUser = "tavik";
    static constexpr const char* kDefaultPassword = "tavik";
    static constexpr int kAutoRefreshMs = 5000;

    // The process-wide settings object, created on first use (thread-safe);
    // deleted at process exit.
    static GKAppSetting* instance();

    // For tests: replaces the process-wide object with a new one that keeps
    // its data (config.xml, log folder) in `dataDir` instead of appDataDir(),
    // and takes the shipped files (config.xml, Language/) from `programDir`
    // instead of the program's folder (empty: the program's folder). The
    // previous object is deleted; pointers to it become invalid.
    static GKAppSetting* createTempInstance(const QString& dataDir, const QString& programDir = QString());
    // For tests: deletes the object; the next instance() makes a default one.
    static void resetInstance();

    // Reads the settings file and derives the edition's settings. A missing
    // "config.xml" in the data folder is first copied from the program's
    // folder. An unreadable file counts as an empty one (edition 0). Three
    // steps: readConfigFile, deriveSettings, then the result is stored.
    void loadConfig();

    // What a settings file says, as read from it.
    struct ConfigFile {
        bool readable = false; // false: missing or unreadable (counts as empty)
        QString error; // why the file could not be read, or its XML error
        int company = 0; // <Company>: the customer edition
        int cursel = -1; // the "cursel" attribute; -1 when there is none
        bool protocolConfigured = false; // a "curpro" attribute exists
        int curpro = 0; // 1 when "curpro" is the number 1, otherwise 0
        QStringList languageFiles; // the "name" attributes, in file order
        bool hasPassword = false; // a <Password> element exists
        QString passwordHex; // its text: the enciphered password as hex
    };
    static ConfigFile readConfigFile(const QString& path);

    // The settings that a file gives, with the edition profile's rules.
    struct DerivedSettings {
        int customerId = 0;
        QVector<int> protocols;
        int protocol = 0;
        int searchProtocol = 0;
        QStringList languageFiles;
        QVector<int> languageTextIds;
        QVector<int> offeredLanguages;
        int languageIndex = 0;
        QString qtTranslationFile;
        QString defaultPassword;
        QString altPassword;
        QString passwordHex;
        QStringList warnings; // what of the file was left out, for the log
    };
    static DerivedSettings deriveSettings(const ConfigFile& file);

    // Writes the current language, protocol and (where the edition stores
    // one, EditionProfile::storesPassword) password into the settings file,
    // replacing it atomically.
    void saveConfig();
    // Loads the language table with the current language file (falling back
    // to "ENU.xml" when that file cannot be read). Returns false when no
    // language file could be read: the table is then empty.
    bool loadLanguage();

    // Makes offered language `position` current: reloads the table and saves.
    // Posts LanguageChangedEvent to every receiver in every case.
    void setLanguage(int position);
    // Makes protocol menu entry `position` current and saves. Posts
    // ProtocolChangedEvent to every receiver in every case.
    void setProtocol(int position);
    // Stores `position` as the search-protocol choice, then as
    // setProtocol(position).
    void setSearchProtocol(int position);
    // Stores a new default password (enciphered in the file where the edition
    // stores one), saves and posts PasswordChangedEvent to every receiver.
    void setPassword(const QString& password);

    // Broadcast receivers, in registration order, each at most once. A
    // receiver that is destroyed without being removed is skipped.
    void addEventReceiver(QObject* receiver);
    void removeEventReceiver(QObject* receiver);
    int receiverCount() const;

    // Posts AutoRefreshEvent to every receiver (the auto-refresh timer's work).
    void postAutoRefresh();
    // Edition 47 only: starts the auto-refresh timer when it is not running.
    void startAutoRefresh();
    void stopAutoRefresh();
    bool isAutoRefreshRunning() const;
    // For tests: the period of the auto-refresh timer (default kAutoRefreshMs).
    void setAutoRefreshInterval(int ms);

    // The tool-bar guard: the tool bar's destructor sets the flag under the
    // lock; search callbacks read the tool bar's protocol combo only under the
    // lock and only while the flag is false. Take the lock through
    // ToolBarAccess below, never by hand.
    void lockToolBarAccess();
    void unlockToolBarAccess();
    bool isToolBarDestroyed() const;
    void setToolBarDestroyed(bool destroyed);

    // Holds the tool-bar guard while it lives; any thread.
    //
    //   GKAppSetting::ToolBarAccess access(GKAppSetting::instance());
    //   const int protocol = access.toolBarDestroyed() ? 0 : toolBar->protocolIndex();
    class ToolBarAccess
    {
    public:
        explicit ToolBarAccess(GKAppSetting* settings)
            : m_settings(settings)
        {
            m_settings->lockToolBarAccess();
        }
        ~ToolBarAccess() { m_settings->unlockToolBarAccess(); }
        ToolBarAccess(const ToolBarAccess&) = delete;
        ToolBarAccess& operator=(const ToolBarAccess&) = delete;

        bool toolBarDestroyed() const { return m_settings->isToolBarDestroyed(); }
        void setToolBarDestroyed(bool destroyed) { m_settings->setToolBarDestroyed(destroyed); }

    private:
        GKAppSetting* m_settings;
    };

    // Frees the language table (shut-down).
    void freeTexts();

    // Appends "[time] function: line message" to the session log and flushes
    // it to disk before returning. Any thread; whole lines never interleave.
    void log(const QString& function, int line, const QString& message);
    QString logFilePath() const;

    // Settings. Fixed once loadConfig has run unless said otherwise.
    int customerId() const { return m_customerId.load(); }
    // The rules of the customer edition (edition 0's before loadConfig).
    const EditionProfile& profile() const { return *m_profile.load(); }
    const QVector<int>& offeredLanguages() const { return m_offeredLanguages; }
    const QVector<int>& languageTextIds() const { return m_languageTextIds; }
    const QVector<int>& protocols() const { return m_protocols; }
    const QStringList& languageFiles() const { return m_languageFiles; }
    // The current language, a position in offeredLanguages() (changes).
    int languageIndex() const { return m_languageIndex.load(); }
    // The file name of the current language ("ENU.xml"); empty without one.
    QString currentLanguageFile() const;
    // 0: device web interface through VLSDKWrapper; 1: the VLNet SDK (changes).
    int protocol() const { return m_protocol.load(); }
    int searchProtocol() const { return m_searchProtocol.load(); }
    // The Qt translation of the start-up language, such as "/qt_de.qm".
    QString qtTranslationFile() const { return m_qtTranslationFile; }
    // That file in the "translations" folder of the program's folder, such as
    // "<program folder>/translations/qt_de.qm" (the name's leading "/" would
    // make QTranslator::load ignore a directory argument); empty without one.
    QString qtTranslationPath() const;
    QString defaultUser() const;
    QString defaultPassword() const;
    QString altPassword() const;
    QString passwordHex() const;

    // Set by main after VLOnvifSetSearchTimeout; read by the ONVIF workers.
    bool onvifTimeoutsSet() const { return m_onvifTimeoutsSet.load(); }
    void setOnvifTimeoutsSet(bool set) { m_onvifTimeoutsSet.store(set); }
    // Whether the search page is current; written by the tool bar.
    bool onSearchPage() const { return m_onSearchPage.load(); }
    void setOnSearchPage(bool on) { m_onSearchPage.store(on); }

    // The data folder (appDataDir() unless a test chose another) and the
    // folder of the shipped files (the program's folder unless a test chose
    // another). Both as absolute paths.
    QString dataDir() const;
    QString programDir() const;
    QString configFilePath() const;
    QString languageFilePath(const QString& fileName) const;

    ~GKAppSetting() override;

public slots:
    void HandleTimer();

private:
    GKAppSetting(const QString& dataDir, const QString& programDir);
    void broadcast(QEvent::Type type);
    void chooseLogFile();
    // Copies the shipped settings file into the data folder when it has none.
    void provideConfigFile(const QString& path) const;
    void applySettings(const DerivedSettings& settings);

    std::atomic<int> m_customerId { 0 };
    std::atomic<const EditionProfile*> m_profile { &EditionProfile::of(0) };
    QVector<int> m_offeredLanguages;
    QVector<int> m_languageTextIds;
    QVector<int> m_protocols;
    std::atomic<int> m_languageIndex { 0 };
    std::atomic<int> m_protocol { 0 };
    std::atomic<int> m_searchProtocol { 0 };
    std::atomic<bool> m_onvifTimeoutsSet { false };
    std::atomic<bool> m_onSearchPage { true };
    QVector<QPointer<QObject>> m_receivers;
    QString m_qtTranslationFile;
    mutable QMutex m_credentialsMutex; // the four texts below change on the GUI thread
    QString m_defaultUser;
    QString m_defaultPassword;
    QString m_altPassword;
    QString m_passwordHex;
    QStringList m_languageFiles;
    QTimer* m_autoRefreshTimer = nullptr;
    std::atomic<bool> m_toolBarDestroyed { false };
    QMutex m_toolBarMutex;
    QString m_logFile;
    QMutex m_logMutex;
    QString m_dataDirOverride;
    QString m_programDirOverride;
};
