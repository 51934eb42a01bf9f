// The settings object: editions, the settings file and its saver, broadcast
// events, the session log and the data folder.
#include "ShellTestEnv.h"
#include "shell/ConfigCipher.h"
#include "shell/GKAppSetting.h"
#include "shell/TextTable.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTranslator>
#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace
{

using Options = ShellTestEnv::Options;

Options edition(int e, int curpro = 0)
{
    Options o;
    o.edition = e;
    o.curpro = curpro;
    return o;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Counts the broadcast events that reach it, by type.
class Receiver : public QObject
{
public:
    std::vector<int> types;
    int count(int type) const { return int(std::count(types.begin(), types.end(), type)); }

protected:
    void customEvent(QEvent* e) override { types.push_back(int(e->type())); }
};

void deliverPostedEvents()
{
    QCoreApplication::sendPostedEvents(nullptr, 0);
}

// Restores an environment variable when the test ends.
class EnvGuard
{
public:
    explicit EnvGuard(const char* name)
        : m_name(name)
        , m_was(qEnvironmentVariableIsSet(name))
        , m_value(qgetenv(name))
    {
    }
    ~EnvGuard()
    {
        if (m_was)
            qputenv(m_name, m_value);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_was;
    QByteArray m_value;
};

} // namespace

TEST(Settings, ProtocolFollowsTheEditionAndTheConfiguredChoice)
{
    struct Case {
        int edition;
        int curpro; // -1: no protocol element
        QVector<int> protocols;
        int protocol;
        int searchProtocol;
    } cases[] = {
        { 47, 1, { 0 }, 0, 0 }, // 47 offers only the web interface: curpro 1 is ignored
        { 20, 0, { 1 }, 1, 0 }, // 20 offers only the SDK
        { 20, -1, { 1 }, 1, 0 }, { 42, 1, { 0, 1 }, 1, 1 }, // 42 also takes the search protocol
        { 42, 0, { 0, 1 }, 0, 0 }, { 0, 2, { 0, 1 }, 0, 0 }, // "2" is not the number 1
        { 0, 1, { 0, 1 }, 1, 0 }, { 6, -1, { 0, 1 }, 1, 0 }, // 6 starts with the SDK
        { 6, 0, { 0, 1 }, 0, 0 }, { 99, 1, { 0, 1 }, 1, 0 }, // unknown editions take the default row
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "edition " << c.edition << " curpro " << c.curpro);
        ShellTestEnv env(edition(c.edition, c.curpro));
        GKAppSetting* s = env.settings();
        EXPECT_EQ(s->customerId(), c.edition);
        EXPECT_EQ(s->protocols(), c.protocols);
        EXPECT_EQ(s->protocol(), c.protocol);
        EXPECT_EQ(s->searchProtocol(), c.searchProtocol);
    }
}

TEST(Settings, DefaultPasswordsByEdition)
{
    struct Case {
        int edition;
        const char* password;
        const char* alt;
    } cases[] = {
        { 4, "40718263", "" },
        { 8, "508214", "" },
        { 40, "9065132k", "" },
        { 33, "tavik", "9471" },
        { 0, "tavik", "" },
        { 12, "tavik", "" },
        { 65, "tavik", "" },
        { 99, "tavik", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edition);
        ShellTestEnv env(edition(c.edition));
        EXPECT_EQ(env.settings()->defaultPassword(), QLatin1String(c.password));
        EXPECT_EQ(env.settings()->altPassword(), QLatin1String(c.alt));
        EXPECT_EQ(env.settings()->defaultUser(), QLatin1String("tavik"));
    }
}

TEST(Settings, Edition65PasswordIsInsertedBetweenVersionAndProtocolAndSurvivesARestart)
{
    ShellTestEnv env(edition(65));
    const QString path = env.settings()->configFilePath();
    const QString data = env.dataDir();
    const QByteArray before = readAll(path);
    const QString password = QString::fromUtf8("Sésame-1");

    env.settings()->setPassword(password);

    const QByteArray hex = env.settings()->passwordHex().toLatin1();
    EXPECT_EQ(hex, hex.toLower());
    EXPECT_EQ(hex.size(), 32); // 9 UTF-8 bytes pad to one block
    QByteArray expected = before;
    const int from = expected.indexOf("</Version>") + 10;
    expected.replace(
        from, expected.indexOf("<Protocol") - from, "\n    <Password>" + hex + "</Password>\n    ");
    EXPECT_EQ(readAll(path), expected);

    // A restart reads the same password back; a second change replaces the
    // element instead of adding one.
    GKAppSetting* again = GKAppSetting::createTempInstance(data, ShellTestEnv::programDir());
    again->loadConfig();
    EXPECT_EQ(again->defaultPassword(), password);
    again->setPassword(QStringLiteral("other"));
    const QByteArray text = readAll(path);
    EXPECT_EQ(text.count("<Password>"), 1);
    GKAppSetting* third = GKAppSetting::createTempInstance(data, ShellTestEnv::programDir());
    third->loadConfig();
    EXPECT_EQ(third->defaultPassword(), QStringLiteral("other"));
}

TEST(Settings, PasswordElementCountsOnlyInEdition65)
{
    const QString hex = QString::fromLatin1(ConfigCipher::instance()->encrypt("secret").toHex());
    Options o = edition(12);
    o.passwordHex = hex;
    ShellTestEnv env(o);
    EXPECT_EQ(env.settings()->defaultPassword(), QStringLiteral("tavik"));
}

TEST(Settings, UnreadableStoredPasswordKeepsTheDefault)
{
    for (const QString& bad : { QStringLiteral("zz"), QStringLiteral("00112233445566778899aabbccddeeff"),
             QString::fromLatin1(ConfigCipher::instance()->encrypt("x").toHex().left(30)) }) {
        SCOPED_TRACE(bad.toStdString());
        Options o = edition(65);
        o.passwordHex = bad;
        ShellTestEnv env(o);
        EXPECT_EQ(env.settings()->defaultPassword(), QStringLiteral("tavik"));
        EXPECT_EQ(env.settings()->passwordHex(), bad); // kept, so a save loses nothing
    }
}

TEST(Settings, Edition65WithoutAnchorsSavesTheRestAndNoPassword)
{
    ShellTestEnv env(edition(65, -1)); // no <Protocol element
    const QString path = env.settings()->configFilePath();
    env.settings()->setLanguage(1);
    env.settings()->setPassword(QStringLiteral("pw"));
    const QByteArray text = readAll(path);
    EXPECT_FALSE(text.contains("<Password>"));
    EXPECT_TRUE(text.contains("cursel=\"1\"")); // ENU.xml, CHS.xml: CHS is position 1
    EXPECT_EQ(env.settings()->defaultPassword(), QStringLiteral("pw"));
}

TEST(Settings, SavingKeepsTheFileTailWhenANumberShrinks)
{
    Options o = edition(0);
    o.languageFiles = QStringList { "A.xml", "B.xml", "CHS.xml", "D.xml", "E.xml", "F.xml", "G.xml", "H.xml",
        "I.xml", "J.xml", "ENU.xml" };
    o.cursel = 10;
    ShellTestEnv env(o);
    GKAppSetting* s = env.settings();
    ASSERT_EQ(s->offeredLanguages(), (QVector<int> { 10, 2 }));
    ASSERT_EQ(s->languageIndex(), 0);
    const QString path = s->configFilePath();
    const QByteArray before = readAll(path);

    s->setLanguage(1); // CHS.xml, position 2
    s->setProtocol(1);

    QByteArray expected = before;
    expected.replace("cursel=\"10\"", "cursel=\"2\"");
    expected.replace("curpro=\"0\"", "curpro=\"1\"");
    EXPECT_EQ(readAll(path), expected);
    EXPECT_TRUE(readAll(path).endsWith("</Config>\n"));
    // Nothing but the settings file and the log folder is left behind.
    EXPECT_EQ(QDir(s->dataDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        (QStringList { "config.xml", "log" }));
}

TEST(Settings, AReceiverRegisteredTwiceGetsOneEvent)
{
    ShellTestEnv env;
    GKAppSetting* s = env.settings();
    Receiver twice;
    Receiver removed;
    auto* destroyed = new Receiver;
    s->addEventReceiver(&twice);
    s->addEventReceiver(&removed);
    s->addEventReceiver(destroyed);
    s->addEventReceiver(&twice);
    s->removeEventReceiver(&removed);
    delete destroyed; // never removed: must be skipped, not crash
    EXPECT_EQ(s->receiverCount(), 1);

    s->setProtocol(0);
    s->setPassword(QStringLiteral("p"));
    s->postAutoRefresh();
    deliverPostedEvents();
    EXPECT_EQ(
        twice.types, (std::vector<int> { ProtocolChangedEvent, PasswordChangedEvent, AutoRefreshEvent }));
    EXPECT_TRUE(removed.types.empty());
}

TEST(Settings, ChoosingTheCurrentLanguageAgainOnlyPostsTheEvent)
{
    ShellTestEnv env;
    GKAppSetting* s = env.settings();
    Receiver r;
    s->addEventReceiver(&r);
    const QString path = s->configFilePath();
    const QByteArray before = readAll(path);
    const QDateTime stamp = QFileInfo(path).lastModified();
    const QString ok = TextTable::text(4);

    s->setLanguage(0); // current
    s->setLanguage(2); // beyond the menu
    s->setLanguage(-1); // nonsense
    deliverPostedEvents();

    EXPECT_EQ(
        r.types, (std::vector<int> { LanguageChangedEvent, LanguageChangedEvent, LanguageChangedEvent }));
    EXPECT_EQ(s->languageIndex(), 0);
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(QFileInfo(path).lastModified(), stamp);
    EXPECT_EQ(TextTable::text(4), ok);
}

TEST(Settings, ChangingTheLanguageReloadsTheTableAndSavesTheChoice)
{
    ShellTestEnv env;
    GKAppSetting* s = env.settings();
    EXPECT_EQ(TextTable::text(4), QStringLiteral("OK"));
    s->setLanguage(1);
    EXPECT_EQ(TextTable::text(4), QString::fromUtf8("确定"));
    EXPECT_EQ(s->currentLanguageFile(), QStringLiteral("CHS.xml"));
    EXPECT_TRUE(readAll(s->configFilePath()).contains("cursel=\"1\""));
    EXPECT_EQ(s->qtTranslationFile(), QStringLiteral("/qt_en.qm")); // chosen once, at start-up
}

TEST(Settings, OfferedLanguagesByEdition)
{
    {
        Options o = edition(0);
        o.cursel = 1;
        ShellTestEnv env(o);
        EXPECT_EQ(env.settings()->offeredLanguages(), (QVector<int> { 0, 1 }));
        EXPECT_EQ(env.settings()->languageTextIds(), (QVector<int> { 89, 93 }));
        EXPECT_EQ(env.settings()->languageIndex(), 1);
        EXPECT_EQ(env.settings()->qtTranslationFile(), QStringLiteral("/qt_zh_CN.qm"));
        // main installs it from the program's translations folder.
        QTranslator qt;
        EXPECT_TRUE(qt.load(env.settings()->qtTranslationPath()));
        EXPECT_FALSE(qt.isEmpty());
        EXPECT_EQ(TextTable::text(5), QString::fromUtf8("取消"));
    }
    {
        Options o = edition(65);
        o.languageFiles = QStringList { "ENU.xml", "CHS.xml", "SWE.xml" };
        o.cursel = 2;
        ShellTestEnv env(o);
        GKAppSetting* s = env.settings();
        ASSERT_EQ(s->offeredLanguages(), (QVector<int> { 2, 0, 1 }));
        QVector<int> names;
        for (int f : s->offeredLanguages())
            names << s->languageTextIds().at(f);
        EXPECT_EQ(names, (QVector<int> { 311, 89, 93 }));
        EXPECT_EQ(s->languageIndex(), 0);
    }
    for (int e : { 67, 100, 3, 51 }) {
        SCOPED_TRACE(e);
        ShellTestEnv env(edition(e));
        EXPECT_EQ(env.settings()->offeredLanguages(), (QVector<int> { 0 }));
        EXPECT_EQ(env.settings()->currentLanguageFile(), QStringLiteral("ENU.xml"));
    }
}

TEST(Settings, UnlistedLanguageFilesAreSkippedWithAFallback)
{
    {
        Options o = edition(65);
        o.languageFiles = QStringList { "CHS.xml" }; // SWE.xml and ENU.xml unlisted
        ShellTestEnv env(o);
        EXPECT_EQ(env.settings()->offeredLanguages(), (QVector<int> { 0 }));
    }
    {
        Options o = edition(1); // offers CHT.xml, which is not listed
        ShellTestEnv env(o);
        EXPECT_EQ(env.settings()->offeredLanguages(), (QVector<int> { 0 }));
        EXPECT_EQ(env.settings()->currentLanguageFile(), QStringLiteral("ENU.xml"));
        EXPECT_EQ(TextTable::text(4), QStringLiteral("OK"));
    }
    {
        Options o = edition(0);
        o.languageFiles.clear();
        o.cursel = 3;
        ShellTestEnv env(o);
        EXPECT_EQ(env.settings()->languageFiles(), QStringList { "ENU.xml" });
        EXPECT_EQ(env.settings()->offeredLanguages(), (QVector<int> { 0 }));
        EXPECT_EQ(env.settings()->languageIndex(), 0);
    }
}

TEST(Settings, AMissingSettingsFileIsCopiedFromTheProgramFolder)
{
    QTemporaryDir dir;
    GKAppSetting* s = GKAppSetting::createTempInstance(dir.path(), ShellTestEnv::programDir());
    s->loadConfig();
    EXPECT_EQ(
        readAll(s->configFilePath()), readAll(ShellTestEnv::programDir() + QStringLiteral("/config.xml")));
    EXPECT_EQ(s->customerId(), 0);
    EXPECT_EQ(s->languageFiles(), (QStringList { "ENU.xml", "CHS.xml" }));
    GKAppSetting::resetInstance();
}

TEST(Settings, WithoutAnySettingsFileTheProgramRunsAsEditionZero)
{
    QTemporaryDir data;
    QTemporaryDir emptyProgram;
    GKAppSetting* s = GKAppSetting::createTempInstance(data.path(), emptyProgram.path());
    s->loadConfig();
    EXPECT_EQ(s->customerId(), 0);
    EXPECT_EQ(s->protocols(), (QVector<int> { 0, 1 }));
    EXPECT_EQ(s->protocol(), 0);
    EXPECT_EQ(s->languageFiles(), QStringList { "ENU.xml" });
    EXPECT_EQ(s->offeredLanguages(), (QVector<int> { 0 }));
    // No language file either: an empty table, and no crash anywhere.
    EXPECT_FALSE(s->loadLanguage());
    EXPECT_EQ(TextTable::count(), 0);
    EXPECT_TRUE(TextTable::text(0).isEmpty());
    s->setLanguage(0);
    s->setProtocol(1); // the file does not exist: nothing is written
    EXPECT_FALSE(QFile::exists(s->configFilePath()));
    TextTable::free();
    GKAppSetting::resetInstance();
}

TEST(Settings, AMissingListedLanguageFileDoesNotCrash)
{
    Options o = edition(2); // GER.xml is listed but not shipped
    o.languageFiles = QStringList { "GER.xml", "ENU.xml" };
    ShellTestEnv env(o);
    EXPECT_EQ(env.settings()->currentLanguageFile(), QStringLiteral("GER.xml"));
    EXPECT_EQ(TextTable::text(4), QStringLiteral("OK")); // fell back to English

    Options two = edition(0);
    two.languageFiles = QStringList { "ENU.xml", "CHS.xml" };
    ShellTestEnv env2(two);
    // Remove the Chinese file from a private program folder: a change to it
    // keeps the previous texts.
    QTemporaryDir program;
    QDir().mkpath(program.path() + QStringLiteral("/Language"));
    QFile::copy(ShellTestEnv::programDir() + QStringLiteral("/Language/ENU.xml"),
        program.path() + QStringLiteral("/Language/ENU.xml"));
    GKAppSetting* s = GKAppSetting::createTempInstance(env2.dataDir(), program.path());
    s->loadConfig();
    ASSERT_TRUE(s->loadLanguage());
    s->setLanguage(1);
    EXPECT_EQ(s->languageIndex(), 1);
    EXPECT_EQ(TextTable::text(4), QStringLiteral("OK"));
}

TEST(Settings, AnXmlErrorKeepsWhatWasReadBeforeIt)
{
    ShellTestEnv env;
    writeFile(env.settings()->configFilePath(),
        "<Config><File name=\"ENU.xml\"/><Company>8</Company><Protocol curpro=\"1\"/><Broken></Config>"
        "<File name=\"CHS.xml\"/>");
    env.settings()->loadConfig();
    EXPECT_EQ(env.settings()->customerId(), 8);
    EXPECT_EQ(env.settings()->defaultPassword(), QStringLiteral("508214"));
    EXPECT_EQ(env.settings()->protocol(), 1);
    EXPECT_EQ(env.settings()->languageFiles(), QStringList { "ENU.xml" });
}

TEST(Settings, DataFolderFollowsAppdataOrTheUsersDataFolder)
{
    EnvGuard appdata("APPDATA");
    EnvGuard xdg("XDG_DATA_HOME");
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());

    qunsetenv("APPDATA");
    const QString expected = home.path() + QStringLiteral("/DORVEX Device Config");
    EXPECT_EQ(appDataDir().absolutePath(), expected);
    EXPECT_TRUE(QFileInfo(expected).isDir());

    qputenv("APPDATA", "");
    EXPECT_EQ(appDataDir().absolutePath(), expected);

    QTemporaryDir roaming;
    qputenv("APPDATA", roaming.path().toLocal8Bit());
    EXPECT_EQ(appDataDir().absolutePath(), roaming.path() + QStringLiteral("/DORVEX Device Config"));

    // The default object keeps its log there too.
    GKAppSetting::resetInstance();
    EXPECT_TRUE(GKAppSetting::instance()->logFilePath().startsWith(
        roaming.path() + QStringLiteral("/DORVEX Device Config/log/")));
    GKAppSetting::resetInstance();
}

TEST(Settings, LogLinesHaveTheirFormatAndKeepEveryScript)
{
    ShellTestEnv env;
    GKAppSetting* s = env.settings();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("/log/\\d{4}_\\d\\d_\\d\\d_\\d\\d_\\d\\d_\\d\\d\\.txt$"))
                    .match(s->logFilePath())
                    .hasMatch());
    s->log(QStringLiteral("DeviceInfo::doUpgradeWork"), 42, QString::fromUtf8("Kamera Süd 東門 %1 ready"));
    const QString text = QString::fromUtf8(readAll(s->logFilePath()));
    const QRegularExpression line(
        QString::fromUtf8("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\] DeviceInfo::doUpgradeWork: 42 "
                          "Kamera Süd 東門 %1 ready\n$"));
    EXPECT_TRUE(line.match(text).hasMatch()) << text.toStdString();
}

TEST(Settings, LogLinesFromManyThreadsNeverInterleave)
{
    ShellTestEnv env;
    GKAppSetting* s = env.settings();
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    std::vector<QThread*> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.push_back(QThread::create([s, t] {
            for (int i = 0; i < kLines; ++i)
                s->log(QStringLiteral("worker"), t, QStringLiteral("line %1 of thread %2").arg(i).arg(t));
        }));
        threads.back()->start();
    }
    for (QThread* t : threads) {
        t->wait();
        delete t;
    }
    const QStringList lines = QString::fromUtf8(readAll(s->logFilePath())).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), kThreads * kLines);
    const QRegularExpression form(QStringLiteral("^\\[[^\\]]+\\] worker: (\\d) line \\d+ of thread \\1$"));
    for (const QString& l : lines)
        ASSERT_TRUE(form.match(l).hasMatch()) << l.toStdString();
}

TEST(Settings, AutoRefreshRunsOnlyInEdition47)
{
    {
        ShellTestEnv env(edition(0));
        env.settings()->startAutoRefresh();
        EXPECT_FALSE(env.settings()->isAutoRefreshRunning());
    }
    ShellTestEnv env(edition(47));
    GKAppSetting* s = env.settings();
    Receiver r;
    s->addEventReceiver(&r);
    s->setAutoRefreshInterval(20);
    s->startAutoRefresh();
    EXPECT_TRUE(s->isAutoRefreshRunning());
    for (int i = 0; i < 200 && r.count(AutoRefreshEvent) < 3; ++i)
        QTest::qWait(10);
    EXPECT_GE(r.count(AutoRefreshEvent), 3);
    s->stopAutoRefresh();
    EXPECT_FALSE(s->isAutoRefreshRunning());
    deliverPostedEvents();
    const int seen = r.count(AutoRefreshEvent);
    QTest::qWait(80);
    EXPECT_EQ(r.count(AutoRefreshEvent), seen);
}

TEST(Settings, ToolBarGuard)
{
    ShellTestEnv env;
    GKAppSetting* s = env.settings();
    EXPECT_FALSE(s->isToolBarDestroyed());
    std::atomic<bool> readerIn { false };
    std::thread reader;
    {
        GKAppSetting::ToolBarAccess access(s);
        access.setToolBarDestroyed(true);
        // A search callback's thread waits while the guard is held.
        reader = std::thread([&] {
            GKAppSetting::ToolBarAccess theirs(s);
            readerIn = theirs.toolBarDestroyed();
        });
        QThread::msleep(50);
        EXPECT_FALSE(readerIn.load());
    }
    reader.join();
    EXPECT_TRUE(readerIn.load());
    EXPECT_TRUE(s->isToolBarDestroyed());
}

TEST(Settings, DerivedFromTheFileByTheEditionsRules)
{
    using File = GKAppSetting::ConfigFile;
    const auto file = [](int company, int cursel, QStringList languages) {
        File f;
        f.readable = true;
        f.company = company;
        f.cursel = cursel;
        f.languageFiles = std::move(languages);
        return f;
    };
    struct Case {
        const char* what;
        File file;
        QVector<int> offered;
        int languageIndex;
        QString qtFile;
        QString password;
    };
    const QStringList both { "ENU.xml", "CHS.xml" };
    const Case cases[] = {
        { "edition 0, the second file current", file(0, 1, both), { 0, 1 }, 1, "/qt_zh_CN.qm", "tavik" },
        { "a cursel no edition file has", file(0, 7, both), { 0, 1 }, 0, "/qt_en.qm", "tavik" },
        // 65 offers SWE, ENU and CHS; only the listed ones remain.
        { "edition 65 with two of its files", file(65, 1, both), { 0, 1 }, 1, "/qt_zh_CN.qm", "tavik" },
        // Nothing the edition offers is listed: the first listed file.
        { "edition 2 without its GER.xml", file(2, 0, both), { 0 }, 0, "/qt_en.qm", "tavik" },
        { "no language files at all", file(4, -1, {}), { 0 }, 0, "/qt_en.qm", "40718263" },
        { "edition 40's own password", file(40, 0, both), { 0 }, 0, "/qt_en.qm", "9065132k" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const GKAppSetting::DerivedSettings d = GKAppSetting::deriveSettings(c.file);
        EXPECT_EQ(d.offeredLanguages, c.offered);
        EXPECT_EQ(d.languageIndex, c.languageIndex);
        EXPECT_EQ(d.qtTranslationFile, c.qtFile);
        EXPECT_EQ(d.defaultPassword, c.password);
        EXPECT_FALSE(d.languageFiles.isEmpty());
        EXPECT_EQ(d.languageTextIds.size(), d.languageFiles.size());
    }

    // A stored password counts only for the edition that stores one; one
    // that does not decrypt leaves the default and says so.
    File stored = file(65, 0, both);
    stored.hasPassword = true;
    stored.passwordHex = QString::fromLatin1(ConfigCipher::instance()->encrypt("mine").toHex());
    EXPECT_EQ(GKAppSetting::deriveSettings(stored).defaultPassword, QStringLiteral("mine"));
    stored.company = 0;
    EXPECT_EQ(GKAppSetting::deriveSettings(stored).defaultPassword, QStringLiteral("tavik"));
    EXPECT_TRUE(GKAppSetting::deriveSettings(stored).passwordHex.isEmpty());
    stored.company = 65;
    stored.passwordHex = QStringLiteral("00ff");
    const GKAppSetting::DerivedSettings broken = GKAppSetting::deriveSettings(stored);
    EXPECT_EQ(broken.defaultPassword, QStringLiteral("tavik"));
    EXPECT_EQ(broken.passwordHex, QStringLiteral("00ff"));
    EXPECT_EQ(broken.warnings.size(), 2)
        << broken.warnings.join(QLatin1Char('|')).toStdString(); // SWE.xml too
}

TEST(Settings, TheFileIsReadAsItStands)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config.xml"));
    writeFile(path,
        "<Config><Language><Current cursel=\"2\"/><File name=\"ENU.xml\"/><File name=\"X.xml\"/></Language>"
        "<Company>65</Company><Version>1.0</Version><Password>abcd</Password><Protocol curpro=\"1\"/>"
        "</Config>");
    const GKAppSetting::ConfigFile f = GKAppSetting::readConfigFile(path);
    EXPECT_TRUE(f.readable);
    EXPECT_TRUE(f.error.isEmpty());
    EXPECT_EQ(f.company, 65);
    EXPECT_EQ(f.cursel, 2);
    EXPECT_EQ(f.languageFiles, (QStringList { "ENU.xml", "X.xml" }));
    EXPECT_TRUE(f.protocolConfigured);
    EXPECT_EQ(f.curpro, 1);
    EXPECT_TRUE(f.hasPassword);
    EXPECT_EQ(f.passwordHex, QStringLiteral("abcd"));

    writeFile(path, "<Config><Company>5</Company><Broken");
    const GKAppSetting::ConfigFile broken = GKAppSetting::readConfigFile(path);
    EXPECT_EQ(broken.company, 5); // what came before the fault counts
    EXPECT_FALSE(broken.error.isEmpty());

    const GKAppSetting::ConfigFile missing
        = GKAppSetting::readConfigFile(dir.filePath(QStringLiteral("none.xml")));
    EXPECT_FALSE(missing.readable);
    EXPECT_FALSE(missing.error.isEmpty());
    EXPECT_EQ(missing.company, 0);
}

TEST(ConfigCipher, SizesRoundTripAndBadInput)
{
    ConfigCipher* c = ConfigCipher::instance();
    EXPECT_EQ(c->encrypt(QByteArray(16, 'a')).size(), 32);
    EXPECT_EQ(c->encrypt(QByteArray()).size(), 16);
    EXPECT_EQ(c->encrypt(QByteArray(15, 'a')).size(), 16);
    EXPECT_EQ(c->encrypt("same"), c->encrypt("same")); // fixed IV: same text, same cipher

    bool ok = false;
    EXPECT_EQ(c->decrypt(c->encrypt("pässword"), &ok), QByteArray("pässword"));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(c->decrypt(c->encrypt(QByteArray()), &ok).isEmpty());
    EXPECT_TRUE(ok);

    // 19 bytes: two blocks, the last one ending in 13 bytes of padding. A flip
    // in the first cipher block flips the same bit of the second plain block.
    QByteArray tampered = c->encrypt(QByteArray(19, 'q'));
    ASSERT_EQ(tampered.size(), 32);
    tampered[15] = char(tampered[15] ^ 0x5a); // the last padding byte becomes 0x57
    EXPECT_TRUE(c->decrypt(tampered, &ok).isEmpty());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(c->decrypt(QByteArray(15, 'x'), &ok).isEmpty());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(c->decrypt(QByteArray(), &ok).isEmpty());
    EXPECT_FALSE(ok);
}
