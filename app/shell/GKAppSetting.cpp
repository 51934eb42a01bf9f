#include "shell/GKAppSetting.h"

#include "shell/ConfigCipher.h"
#include "shell/LanguageTables.h"
#include "shell/ProcessSingleton.h"
#include "shell/TextTable.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <QXmlStreamReader>

namespace
{

const QString kDataFolderName = QStringLiteral("DORVEX Device Config");
const QString kConfigFileName = QStringLiteral("config.xml");
const QString kFallbackLanguage = QStringLiteral("ENU.xml");
constexpr int kEnglishNameText = 89;

ProcessSingleton<GKAppSetting> g_settings;

// Replaces the text between the first pair of double quotes after the first
// occurrence of `key` with `value`. Nothing when the key or a quote is missing.
void replaceQuotedAfter(QByteArray* text, const QByteArray& key, int value)
{
    const int at = text->indexOf(key);
    if (at < 0)
        return;
    const int open = text->indexOf('"', at + key.size());
    if (open < 0)
        return;
    const int close = text->indexOf('"', open + 1);
    if (close < 0)
        return;
    text->replace(open + 1, close - open - 1, QByteArray::number(value));
}

} // namespace

QDir appDataDir()
{
    QString base = qEnvironmentVariable("APPDATA");
    // Without APPDATA (always so off Windows) a folder in the working
    // directory would scatter settings and logs wherever the program was
    // started; the user's data folder keeps them in one place.
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString path = QStringLiteral("%1/%2").arg(base, kDataFolderName);
    QDir().mkpath(path);
    return QDir(path);
}

GKAppSetting* GKAppSetting::instance()
{
    return g_settings.get([] { return new GKAppSetting(QString(), QString()); });
}

GKAppSetting* GKAppSetting::createTempInstance(const QString& dataDir, const QString& programDir)
{
    auto* settings = new GKAppSetting(dataDir, programDir);
    g_settings.replace(settings);
    return settings;
}

void GKAppSetting::resetInstance()
{
    g_settings.replace(nullptr);
}

GKAppSetting::GKAppSetting(const QString& dataDir, const QString& programDir)
    : m_defaultUser(QString::fromLatin1(kDefaultUser))
    , m_defaultPassword(QString::fromLatin1(kDefaultPassword))
    , m_dataDirOverride(dataDir)
    , m_programDirOverride(programDir)
{
    m_autoRefreshTimer = new QTimer(this);
    m_autoRefreshTimer->setInterval(kAutoRefreshMs);
    connect(m_autoRefreshTimer, &QTimer::timeout, this, &GKAppSetting::HandleTimer);
    chooseLogFile();
}

GKAppSetting::~GKAppSetting()
{
    if (m_autoRefreshTimer->isActive())
        m_autoRefreshTimer->stop();
}

void GKAppSetting::chooseLogFile()
{
    const QString folder = QStringLiteral("%1/%2").arg(dataDir(), QStringLiteral("log"));
    if (!QDir().mkpath(folder)) {
        qDebug() << "GKAppSetting::GKAppSetting" << __LINE__ << "mkdir failed:" << folder;
        return; // every later log() then fails to open the file and says so
    }
    const QString name = QStringLiteral("%1.txt").arg(
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy_MM_dd_hh_mm_ss")));
    m_logFile = QStringLiteral("%1/%2").arg(folder, name);
}

QString GKAppSetting::dataDir() const
{
    if (m_dataDirOverride.isEmpty())
        return appDataDir().absolutePath();
    QDir().mkpath(m_dataDirOverride);
    return QDir(m_dataDirOverride).absolutePath();
}

QString GKAppSetting::programDir() const
{
    if (m_programDirOverride.isEmpty())
        return QCoreApplication::applicationDirPath();
    return QDir(m_programDirOverride).absolutePath();
}

QString GKAppSetting::configFilePath() const
{
    return QStringLiteral("%1/%2").arg(dataDir(), kConfigFileName);
}

QString GKAppSetting::languageFilePath(const QString& fileName) const
{
    return QStringLiteral("%1/Language/%2").arg(programDir(), fileName);
}

QString GKAppSetting::logFilePath() const
{
    return m_logFile;
}

QString GKAppSetting::qtTranslationPath() const
{
    if (m_qtTranslationFile.isEmpty())
        return {};
    return QStringLiteral("%1/translations%2").arg(programDir(), m_qtTranslationFile);
}

void GKAppSetting::loadConfig()
{
    const QString path = configFilePath();
    provideConfigFile(path);
    const ConfigFile file = readConfigFile(path);
    if (!file.error.isEmpty())
        qWarning().noquote() << "GKAppSetting::loadConfig:" << path << file.error;
    const DerivedSettings derived = deriveSettings(file);
    for (const QString& warning : derived.warnings)
        qWarning().noquote() << "GKAppSetting::loadConfig:" << warning << "in" << path;
    applySettings(derived);
}

void GKAppSetting::provideConfigFile(const QString& path) const
{
    if (QFile::exists(path))
        return;
    const QString shipped = QStringLiteral("%1/%2").arg(programDir(), kConfigFileName);
    if (QFile::copy(shipped, path)) {
        // An installed program folder may be read-only; the user's copy must
        // stay writable for the saver.
        QFile::setPermissions(
            path, QFile::permissions(path) | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
    }
}

GKAppSetting::ConfigFile GKAppSetting::readConfigFile(const QString& path)
{
    ConfigFile out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        // An unreadable file counts as an empty one: edition 0 with its
        // protocols, so the program stays usable.
        out.error = QStringLiteral("cannot read: %1").arg(file.errorString());
        return out;
    }
    out.readable = true;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd() && !xml.hasError()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attrs = xml.attributes();
        if (attrs.hasAttribute(QLatin1String("cursel"))) {
            out.cursel = attrs.value(QLatin1String("cursel")).toInt();
        } else if (attrs.hasAttribute(QLatin1String("name"))) {
            out.languageFiles.append(attrs.value(QLatin1String("name")).toString());
        } else if (attrs.hasAttribute(QLatin1String("curpro"))) {
            bool ok = false;
            const int value = attrs.value(QLatin1String("curpro")).toInt(&ok);
            out.curpro = (ok && value == 1) ? 1 : 0;
            out.protocolConfigured = true;
        }
        const auto element = xml.name();
        if (element == QLatin1String("Company")) {
            out.company = xml.readElementText().toInt();
        } else if (element == QLatin1String("Version")) {
            xml.readElementText(); // only an anchor of the saver
        } else if (element == QLatin1String("Password")) {
            out.hasPassword = true;
            out.passwordHex = xml.readElementText();
        }
    }
    if (xml.hasError())
        out.error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
    return out;
}

GKAppSetting::DerivedSettings GKAppSetting::deriveSettings(const ConfigFile& file)
{
    DerivedSettings d;
    d.customerId = file.company;
    const EditionProfile& profile = EditionProfile::of(d.customerId);

    // Protocols: a configured protocol that the edition does not offer is
    // ignored.
    d.protocols = profile.protocols;
    d.protocol = profile.initialProtocol;
    if (file.protocolConfigured && d.protocols.contains(file.curpro)) {
        d.protocol = file.curpro;
        if (profile.searchProtocolFromConfig)
            d.searchProtocol = file.curpro;
    }

    // Offered languages: an edition file the settings file does not list is
    // skipped; with none left, the first listed file (or "ENU.xml") is offered.
    d.languageFiles = file.languageFiles;
    for (const QString& name : file.languageFiles)
        d.languageTextIds.append(LanguageTables::displayTextId(name));
    for (const QString& name : profile.languageFiles) {
        const int position = d.languageFiles.indexOf(name);
        if (position >= 0)
            d.offeredLanguages.append(position);
        else
            d.warnings << QStringLiteral("language file %1 is not listed in the settings file").arg(name);
    }
    if (d.offeredLanguages.isEmpty()) {
        if (d.languageFiles.isEmpty()) {
            d.languageFiles.append(kFallbackLanguage);
            d.languageTextIds.append(kEnglishNameText);
        }
        d.offeredLanguages.append(0);
    }
    if (file.cursel >= 0) {
        for (int i = 0; i < d.offeredLanguages.size(); ++i) {
            if (d.offeredLanguages.at(i) == file.cursel)
                d.languageIndex = i;
        }
    }
    const int current = d.offeredLanguages.at(d.languageIndex);
    d.qtTranslationFile = LanguageTables::qtTranslationFile(
        current >= 0 && current < d.languageFiles.size() ? d.languageFiles.at(current) : QString());

    // Credentials.
    d.defaultPassword
        = profile.defaultPassword.isEmpty() ? QString::fromLatin1(kDefaultPassword) : profile.defaultPassword;
    d.altPassword = profile.altPassword;
    if (profile.storesPassword && file.hasPassword) {
        d.passwordHex = file.passwordHex;
        bool ok = false;
        const QByteArray plain
            = ConfigCipher::instance()->decrypt(QByteArray::fromHex(file.passwordHex.toLatin1()), &ok);
        if (ok)
            d.defaultPassword = QString::fromUtf8(plain);
        else
            d.warnings << QStringLiteral("the stored password cannot be read; the default stays");
    }
    return d;
}

void GKAppSetting::applySettings(const DerivedSettings& d)
{
    m_customerId = d.customerId;
    m_profile = &EditionProfile::of(d.customerId);
    m_protocols = d.protocols;
    m_protocol = d.protocol;
    m_searchProtocol = d.searchProtocol;
    m_languageFiles = d.languageFiles;
    m_languageTextIds = d.languageTextIds;
    m_offeredLanguages = d.offeredLanguages;
    m_languageIndex = d.languageIndex;
    m_qtTranslationFile = d.qtTranslationFile;
    QMutexLocker lock(&m_credentialsMutex);
    m_defaultUser = QString::fromLatin1(kDefaultUser);
    m_defaultPassword = d.defaultPassword;
    m_altPassword = d.altPassword;
    m_passwordHex = d.passwordHex;
}

void GKAppSetting::saveConfig()
{
    const QString path = configFilePath();
    QByteArray text;
    {
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly)) {
            qWarning() << "GKAppSetting::saveConfig: cannot read" << path << in.errorString();
            return;
        }
        text = in.readAll();
    }

    const int index = languageIndex();
    if (index >= 0 && index < m_offeredLanguages.size())
        replaceQuotedAfter(&text, QByteArrayLiteral("cursel"), m_offeredLanguages.at(index));
    replaceQuotedAfter(&text, QByteArrayLiteral("curpro"), protocol());

    if (profile().storesPassword) {
        const QByteArray hex = passwordHex().toLatin1();
        const QByteArray open = QByteArrayLiteral("<Password>");
        const QByteArray close = QByteArrayLiteral("</Password>");
        const int openAt = text.indexOf(open);
        const int closeAt = openAt < 0 ? -1 : text.indexOf(close, openAt + open.size());
        if (openAt >= 0 && closeAt >= 0) {
            const int from = openAt + open.size();
            text.replace(from, closeAt - from, hex);
        } else {
            const QByteArray version = QByteArrayLiteral("</Version>");
            const int versionAt = text.indexOf(version);
            const int protocolAt = text.indexOf(QByteArrayLiteral("<Protocol"));
            const int from = versionAt < 0 ? -1 : versionAt + version.size();
            if (from >= 0 && protocolAt >= from) {
                text.replace(from, protocolAt - from,
                    QByteArrayLiteral("\n    <Password>") + hex + QByteArrayLiteral("</Password>\n    "));
            } else {
                // Without both anchors there is no safe place for the element.
                log(QStringLiteral("GKAppSetting::saveConfig"), __LINE__,
                    QStringLiteral("no </Version> ... <Protocol in %1: the password is not saved").arg(path));
            }
        }
    }

    // Write a new file and rename it over the old one, so that a crash while
    // saving never leaves a broken settings file.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit())
        qWarning() << "GKAppSetting::saveConfig: cannot write" << path << out.errorString();
}

bool GKAppSetting::loadLanguage()
{
    const QString file = currentLanguageFile();
    if (!file.isEmpty() && TextTable::load(languageFilePath(file)))
        return true;
    log(QStringLiteral("GKAppSetting::loadLanguage"), __LINE__,
        QStringLiteral("cannot read language file %1").arg(languageFilePath(file)));
    if (file != kFallbackLanguage && TextTable::load(languageFilePath(kFallbackLanguage)))
        return true;
    TextTable::load(QString()); // an empty table: every text is empty
    return false;
}

void GKAppSetting::setLanguage(int position)
{
    if (position >= 0 && position < m_offeredLanguages.size() && position != languageIndex()) {
        m_languageIndex = position;
        const QString path = languageFilePath(currentLanguageFile());
        if (!TextTable::reload(path))
            log(QStringLiteral("GKAppSetting::setLanguage"), __LINE__,
                QStringLiteral("cannot read language file %1; the texts stay as they were").arg(path));
        saveConfig();
    }
    broadcast(LanguageChangedEvent);
}

void GKAppSetting::setProtocol(int position)
{
    if (position >= 0 && position < m_protocols.size() && m_protocols.at(position) != protocol()) {
        m_protocol = m_protocols.at(position);
        saveConfig();
    }
    broadcast(ProtocolChangedEvent);
}

void GKAppSetting::setSearchProtocol(int position)
{
    m_searchProtocol = position;
    setProtocol(position);
}

void GKAppSetting::setPassword(const QString& password)
{
    // The locale codec of the program is UTF-8, so these are its local 8-bit
    // bytes; the loader reads them back as UTF-8.
    const QString hex = QString::fromLatin1(ConfigCipher::instance()->encrypt(password.toUtf8()).toHex());
    {
        QMutexLocker lock(&m_credentialsMutex);
        m_defaultPassword = password;
        m_passwordHex = hex;
    }
    saveConfig();
    broadcast(PasswordChangedEvent);
}

void GKAppSetting::addEventReceiver(QObject* receiver)
{
    if (!receiver)
        return;
    m_receivers.removeAll(QPointer<QObject>());
    for (const auto& r : qAsConst(m_receivers)) {
        if (r == receiver)
            return;
    }
    m_receivers.append(receiver);
}

void GKAppSetting::removeEventReceiver(QObject* receiver)
{
    m_receivers.removeAll(QPointer<QObject>(receiver));
    m_receivers.removeAll(QPointer<QObject>());
}

int GKAppSetting::receiverCount() const
{
    int n = 0;
    for (const auto& r : m_receivers)
        n += r ? 1 : 0;
    return n;
}

void GKAppSetting::broadcast(QEvent::Type type)
{
    const auto receivers = m_receivers;
    for (const auto& r : receivers) {
        if (r)
            QCoreApplication::postEvent(r.data(), new QEvent(type));
    }
}

void GKAppSetting::postAutoRefresh()
{
    broadcast(AutoRefreshEvent);
}

void GKAppSetting::HandleTimer()
{
    postAutoRefresh();
}

void GKAppSetting::startAutoRefresh()
{
    if (profile().autoRefresh && !m_autoRefreshTimer->isActive())
        m_autoRefreshTimer->start();
}

void GKAppSetting::stopAutoRefresh()
{
    if (m_autoRefreshTimer->isActive())
        m_autoRefreshTimer->stop();
}

bool GKAppSetting::isAutoRefreshRunning() const
{
    return m_autoRefreshTimer->isActive();
}

void GKAppSetting::setAutoRefreshInterval(int ms)
{
    m_autoRefreshTimer->setInterval(ms);
}

void GKAppSetting::lockToolBarAccess()
{
    m_toolBarMutex.lock();
}

void GKAppSetting::unlockToolBarAccess()
{
    m_toolBarMutex.unlock();
}

bool GKAppSetting::isToolBarDestroyed() const
{
    return m_toolBarDestroyed.load();
}

void GKAppSetting::setToolBarDestroyed(bool destroyed)
{
    m_toolBarDestroyed.store(destroyed);
}

void GKAppSetting::freeTexts()
{
    TextTable::free();
}

void GKAppSetting::log(const QString& function, int line, const QString& message)
{
    QMutexLocker lock(&m_logMutex);
    const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    const QString text
        = QStringLiteral("[%1] %2: %3 %4\n").arg(now, function, QString::number(line), message);
    QFile file(m_logFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        qDebug() << "GKAppSetting::log" << __LINE__ << "open file" << m_logFile << " failed"
                 << file.errorString();
        return;
    }
    // UTF-8: device names in any script survive (Latin-1 would turn them into "?").
    file.write(text.toUtf8());
    file.close();
}

QString GKAppSetting::currentLanguageFile() const
{
    const int index = languageIndex();
    if (index < 0 || index >= m_offeredLanguages.size())
        return {};
    const int file = m_offeredLanguages.at(index);
    if (file < 0 || file >= m_languageFiles.size())
        return {};
    return m_languageFiles.at(file);
}

QString GKAppSetting::defaultUser() const
{
    QMutexLocker lock(&m_credentialsMutex);
    return m_defaultUser;
}

QString GKAppSetting::defaultPassword() const
{
    QMutexLocker lock(&m_credentialsMutex);
    return m_defaultPassword;
}

QString GKAppSetting::altPassword() const
{
    QMutexLocker lock(&m_credentialsMutex);
    return m_altPassword;
}

QString GKAppSetting::passwordHex() const
{
    QMutexLocker lock(&m_credentialsMutex);
    return m_passwordHex;
}
