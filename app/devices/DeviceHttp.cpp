// The web-interface requests of a device record on the GUI thread and the
// secrets they carry (DeviceHttp.h, WebSecrets.h).
#include "devices/DeviceHttp.h"

#include "devices/DeviceInfo.h"
#include "devices/HttpClient.h"
#include "devices/WebSecrets.h"
#include "shell/GKAppSetting.h"
#include "shell/Utilities.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QThread>
#include <QUrl>
#include <QtDebug>
#include <utility>

namespace
{

const QByteArray kUserAgent = "Mozilla/5.0 (Windows NT 10.0; WOW64; Trident/7.0; rv:11.0) like Gecko";

// A header value from a device or a search answer cannot add header lines
// of its own. Never null: Qt leaves out a header whose value is null, and
// the session's two headers go out even when they are empty.
QByteArray oneLine(QByteArray value)
{
    value.replace('\r', "").replace('\n', "");
    return value.isNull() ? QByteArray("") : value;
}

// A body as the debug output shows it: the secret objects replaced.
QByteArray forDebug(const QByteArray& body)
{
    QJsonObject object = jsonFromBytes(body);
    if (object.isEmpty())
        return body.size() > 2 ? QByteArray::number(body.size()) + " bytes, no JSON object" : body;
    QJsonObject data = object.value(QStringLiteral("data")).toObject();
    bool masked = false;
    for (const QString& key :
        { QStringLiteral("base_secondary_authentication"), QStringLiteral("base_enc_password") }) {
        if (data.contains(key)) {
            data.insert(key, QStringLiteral("***"));
            masked = true;
        }
    }
    if (masked)
        object.insert(QStringLiteral("data"), data);
    return jsonToBytes(object);
}

} // namespace

QNetworkAccessManager* deviceNetworkManager()
{
    static QPointer<QNetworkAccessManager> manager;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return nullptr;
    if (!manager)
        manager = new QNetworkAccessManager(app);
    return manager;
}

void DeviceInfo::sendHttpRequest(const HttpRequestParam& param)
{
    const QString url = QStringLiteral("%1://%2:%3/%4")
                            .arg(isHttps ? QStringLiteral("https") : QStringLiteral("http"), ip(),
                                QString::number(webPort()), param.path);
    QNetworkRequest request { QUrl(url) };
    QSslConfiguration tls = request.sslConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    tls.setProtocol(QSsl::TlsV1_2OrLater);
    request.setSslConfiguration(tls);
    request.setHeader(QNetworkRequest::UserAgentHeader, kUserAgent);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    request.setRawHeader("Accept", "application/json");
    // Plain bodies: Qt's own decompression leaks its zlib stream on every
    // reply it answers with credentials (a Digest challenge's).
    request.setRawHeader("Accept-Encoding", "identity");
    request.setRawHeader("Host", oneLine(ip().toLatin1()));
    request.setRawHeader("Content-Length", QByteArray::number(param.body.size()));
    request.setRawHeader("Connection", "Keep-Alive");
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader("X-Requested-With", "XMLHttpRequest");
    request.setRawHeader("X-csrftoken", oneLine(csrfToken));
    request.setRawHeader("Cookie", oneLine(cookie));
    // The session is the record's: the shared manager neither adds cookies
    // of other devices nor keeps those it is sent. (Credentials it keeps
    // are kept per address, port and realm: one device's.)
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);

    GKAppSetting::instance()->log(QStringLiteral("DeviceInfo::sendHttpRequest"), __LINE__,
        QStringLiteral("\n%1 sending to %2").arg(mac(), url));
    qDebug() << "sending" << url;
    qDebug() << "data:" << forDebug(param.body);

    QNetworkAccessManager* manager = deviceNetworkManager();
    if (!manager) {
        qWarning() << "DeviceInfo::sendHttpRequest: not on the application's thread:" << url;
        if (param.onFailure)
            param.onFailure(this, param);
        return;
    }
    QNetworkReply* reply = manager->post(request, param.body);
    m_httpReplies.append(reply);

    // Only this record's own reply gets its credentials: with requests of
    // several devices in flight, each challenge is another device's.
    const QMetaObject::Connection auth = connect(manager, &QNetworkAccessManager::authenticationRequired,
        this, [this, reply](QNetworkReply* asking, QAuthenticator* authenticator) {
            if (asking != reply)
                return;
            authenticator->setUser(user);
            authenticator->setPassword(password);
        });
    connect(reply, &QNetworkReply::finished, this, [this, reply, param, url, auth] {
        disconnect(auth);
        onHttpReplyFinished(reply, param, url);
    });
    connect(reply, &QNetworkReply::sslErrors, this, [reply](const QList<QSslError>& errors) {
        for (const QSslError& e : errors)
            qDebug() << "https ssl err:" << int(e.error()) << "errstr:" << e.errorString()
                     << "url:" << reply->url();
        // Qt reports the certificate's faults even when it is told not to
        // verify it, and every device's certificate has one (self-signed,
        // naming no address): aborting here would fail every HTTPS request.
        // A handshake that fails outright still ends the reply with an
        // error, and so in the failure continuation.
        reply->ignoreSslErrors(errors);
    });
    connect(reply, &QNetworkReply::errorOccurred, this,
        [reply](QNetworkReply::NetworkError code) { qDebug() << code << reply->errorString(); });
}

void DeviceInfo::onHttpReplyFinished(QNetworkReply* reply, const HttpRequestParam& param, const QString& url)
{
    m_httpReplies.removeAll(reply);
    reply->deleteLater();
    GKAppSetting::instance()->log(QStringLiteral("DeviceInfo::sendHttpRequest"), __LINE__,
        QStringLiteral("%1 revieced response from %2").arg(mac(), url));
    const QJsonObject object = jsonFromBytes(reply->isOpen() ? reply->readAll() : QByteArray());
    if (object.value(QStringLiteral("result")).toString() == QLatin1String("success")) {
        if (!param.onSuccess)
            return;
        qDebug() << "recieved success, data:" << object;
        const HttpRequestParam* outer = std::exchange(m_answering, &param);
        param.onSuccess(this, object);
        m_answering = outer;
    } else if (param.onFailure) {
        qDebug() << "recieved fail from" << url << "resp:" << object;
        param.onFailure(this, param);
    }
}

void DeviceInfo::abortHttpReplies()
{
    const QList<QPointer<QNetworkReply>> replies = std::exchange(m_httpReplies, {});
    for (const QPointer<QNetworkReply>& reply : replies) {
        if (!reply)
            continue;
        // Nothing of the reply reaches this record any more, not even the
        // finished signal that abort() sends.
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
}

void DeviceInfo::requestTransKey(const QString& type, int failureEventType, int failureCode,
    HttpSuccessContinuation onSuccess, HttpFailureContinuation onFailure)
{
    HttpRequestParam param;
    param.path = QStringLiteral("API/Login/TransKey/Get");
    param.body = WebSecrets::transKeyRequestBody({ type });
    param.failureEventType = failureEventType;
    param.failureCode = failureCode;
    param.onSuccess = std::move(onSuccess);
    param.onFailure = std::move(onFailure);
    sendHttpRequest(param);
}

bool DeviceInfo::onTransKeyReply(const QJsonObject& reply)
{
    const auto entry = WebSecrets::transKeyEntry(reply, 0);
    QString type;
    if (entry) {
        type = entry->type;
    } else {
        const QJsonArray lists
            = reply.value(QStringLiteral("data")).toObject().value(QStringLiteral("Key_lists")).toArray();
        if (!lists.isEmpty())
            type = lists.first().toObject().value(QStringLiteral("type")).toString();
    }
    const bool salt = type == QLatin1String("base_salt");
    const bool key = type == QLatin1String("base_x_public");
    // A failed exchange leaves no object of an earlier one to be sent.
    if (salt || !key)
        secondaryAuth = QJsonObject();
    if (key || !salt)
        encryptedPassword = QJsonObject();

    bool stored = false;
    if (entry && salt) {
        QString cipher;
        if (deriveSecondaryAuth(entry->key, cipher, entry->iterations)) {
            secondaryAuth.insert(QStringLiteral("cipher"), cipher);
            secondaryAuth.insert(QStringLiteral("seq"), entry->seq);
            stored = true;
        }
    } else if (entry && key) {
        QString publicKey, cipher;
        if (encryptPassword(entry->key.mid(1), publicKey, cipher) == 0) {
            encryptedPassword.insert(QStringLiteral("seq"), entry->seq);
            encryptedPassword.insert(QStringLiteral("cipher"), QLatin1Char('0') + cipher);
            encryptedPassword.insert(QStringLiteral("peer_key"), QLatin1Char('0') + publicKey);
            stored = true;
        }
    }
    if (stored)
        return true;

    GKAppSetting::instance()->log(QStringLiteral("DeviceInfo::onTransKeyReply"), __LINE__,
        QStringLiteral("%1: the transfer-key reply holds no usable key").arg(ip()));
    if (m_answering && m_answering->onFailure)
        m_answering->onFailure(this, *m_answering);
    return false;
}

bool DeviceInfo::deriveSecondaryAuth(const QString& saltText, QString& out, int iterations)
{
    out.clear();
    const auto cipher = WebSecrets::secondaryAuthCipher(password, saltText, iterations);
    if (!cipher)
        return false;
    out = *cipher;
    return true;
}

int DeviceInfo::encryptPassword(const QString& deviceKey, QString& publicKey, QString& cipher)
{
    publicKey.clear();
    cipher.clear();
    const auto sealed = WebSecrets::sealPassword(newPassword, deviceKey);
    if (!sealed)
        return -1;
    publicKey = sealed->publicKey;
    cipher = sealed->cipher;
    return 0;
}

int DeviceInfo::checkAccountRules()
{
    if (!GKAppSetting::instance()->profile().devices.checksAccountRules)
        return WebSecrets::RulesMet;
    const bool https = isHttps;
    const QString url = (https ? QStringLiteral("https://") : QStringLiteral("http://")) + ip()
        + QLatin1Char(':') + QString::number(webPort()) + QStringLiteral("/API/AccountRules/Get");
    QByteArray answer;
    {
        HttpClient client;
        client.setCookie(cookie);
        client.setCsrfToken(csrfToken);
        client.setHttps(https ? 1 : 0);
        client.setHost(ip());
        if (!client.postJson(url))
            return WebSecrets::RulesUnavailable;
        answer = client.responseBody();
    }
    // "result" is not read: the rules are what the device says they are.
    const QJsonObject object = jsonFromBytes(answer);
    if (object.isEmpty())
        return WebSecrets::RulesUnavailable;
    return WebSecrets::accountRulesCode(WebSecrets::readAccountRules(object), user, newPassword);
}
