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

// The edition that stores its default password, enciphered, in the file.
constexpr int kPasswordEdition = 65;
constexpr int kAutoRefreshEdition = 47;
constexpr int kSearchProtocolEdition = 42;

ProcessSingleton<GKAppSetting> g_settings;

// The protocols an edition offers, in menu order, and the one it starts with.
void editionProtocols(int edition, QVector<int>* protocols, int* protocol)
{
    switch (edition) {
    case 6:
    case 11:
    case 15:
    case 29:
    case 50:
        *protocols = { 0, 1 };
        *protocol = 1;
        break;
    case 20:
    case 22:
        *protocols = { 1 };
        *protocol = 1;
        break;
    case 47:
        *protocols = { 0 };
        *protocol = 0;
        break;
    default: // 42 and every other edition
        *protocols = { 0, 1 };
        *protocol = 0;
        break;
    }
}

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
    // Start from the constructor's values, so that a second load derives the
    // same settings as the first.
    m_customerId = 0;
    m_offeredLanguages.clear();
    m_languageTextIds.clear();
    m_protocols.clear();
    m_languageFiles.clear();
    m_languageIndex = 0;
    m_protocol = 0;
    m_searchProtocol = 0;
    m_qtTranslationFile.clear();
    {
        QMutexLocker lock(&m_credentialsMutex);
        m_defaultUser = QString::fromLatin1(kDefaultUser);
        m_defaultPassword = QString::fromLatin1(kDefaultPassword);
        m_altPassword.clear();
        m_passwordHex.clear();
    }

    const QString path = configFilePath();
    if (!QFile::exists(path)) {
        const QString shipped = QStringLiteral("%1/%2").arg(programDir(), kConfigFileName);
        if (QFile::copy(shipped, path)) {
            // An installed program folder may be read-only; the user's copy
            // must stay writable for the saver.
            QFile::setPermissions(
                path, QFile::permissions(path) | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
        }
    }

    int configuredLanguage = -1;
    int configuredProtocol = 0;
    bool protocolConfigured = false;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        QXmlStreamReader xml(&file);
        while (!xml.atEnd() && !xml.hasError()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QXmlStreamAttributes attrs = xml.attributes();
            if (attrs.hasAttribute(QLatin1String("cursel"))) {
                configuredLanguage = attrs.value(QLatin1String("cursel")).toInt();
            } else if (attrs.hasAttribute(QLatin1String("name"))) {
                const QString name = attrs.value(QLatin1String("name")).toString();
                m_languageTextIds.append(LanguageTables::displayTextId(name));
                m_languageFiles.append(name);
            } else if (attrs.hasAttribute(QLatin1String("curpro"))) {
                bool ok = false;
                const int value = attrs.value(QLatin1String("curpro")).toInt(&ok);
                configuredProtocol = (ok && value == 1) ? 1 : 0;
                protocolConfigured = true;
            }
            const auto element = xml.name();
            if (element == QLatin1String("Company")) {
                m_customerId = xml.readElementText().toInt();
            } else if (element == QLatin1String("Version")) {
                xml.readElementText(); // only an anchor of the saver
            } else if (m_customerId == kPasswordEdition && element == QLatin1String("Password")) {
                const QString hex = xml.readElementText();
                bool ok = false;
                const QByteArray plain
                    = ConfigCipher::instance()->decrypt(QByteArray::fromHex(hex.toLatin1()), &ok);
                QMutexLocker lock(&m_credentialsMutex);
                m_passwordHex = hex;
                if (ok)
                    m_defaultPassword = QString::fromUtf8(plain);
                else
                    qWarning()
                        << "GKAppSetting::loadConfig: the stored password cannot be read; the default stays";
            }
        }
        if (xml.hasError())
            qWarning() << "GKAppSetting::loadConfig:" << path << "line" << xml.lineNumber()
                       << xml.errorString();
    } else {
        // An unreadable file counts as an empty one: edition 0 with its
        // protocols and upload limit, so the program stays usable.
        qWarning() << "GKAppSetting::loadConfig: cannot read" << path << file.errorString();
    }

    const int edition = m_customerId;
    int protocol = 0;
    editionProtocols(edition, &m_protocols, &protocol);
    m_protocol = protocol;
    if (protocolConfigured) {
        // A configured protocol that the edition does not offer is ignored.
        for (int offered : qAsConst(m_protocols)) {
            if (offered == configuredProtocol) {
                m_protocol = offered;
                if (edition == kSearchProtocolEdition)
                    m_searchProtocol = offered;
            }
        }
    }

    // Offered languages: an edition file the settings file does not list is
    // skipped; with none left, the first listed file (or "ENU.xml") is offered.
    for (const QString& name : LanguageTables::editionLanguageFiles(edition)) {
        const int position = m_languageFiles.indexOf(name);
        if (position >= 0)
            m_offeredLanguages.append(position);
        else
            qWarning() << "GKAppSetting::loadConfig: language file" << name << "is not listed in" << path;
    }
    if (m_offeredLanguages.isEmpty()) {
        if (m_languageFiles.isEmpty()) {
            m_languageFiles.append(kFallbackLanguage);
            m_languageTextIds.append(kEnglishNameText);
        }
        m_offeredLanguages.append(0);
    }

    {
        QMutexLocker lock(&m_credentialsMutex);
        switch (edition) {
        case 4:
            m_defaultPassword = QStringLiteral("40718263");
            break;
        case 8:
            m_defaultPassword = QStringLiteral("508214");
            break;
        case 40:
            m_defaultPassword = QStringLiteral("9065132k");
            break;
        case 33:
            m_altPassword = QStringLiteral("9471");
            break;
        default:
            break;
        }
    }

    if (configuredLanguage >= 0) {
        for (int i = 0; i < m_offeredLanguages.size(); ++i) {
            if (m_offeredLanguages.at(i) == configuredLanguage)
                m_languageIndex = i;
        }
    }
    m_qtTranslationFile = LanguageTables::qtTranslationFile(currentLanguageFile());
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

    if (customerId() == kPasswordEdition) {
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
    if (customerId() == kAutoRefreshEdition && !m_autoRefreshTimer->isActive())
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
