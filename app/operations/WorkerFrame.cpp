#include "WorkerFrame.h"

#include "devices/DeviceInfo.h"
#include "devices/DeviceWatcher.h"
#include "devices/WebSecrets.h"
#include "devices/WorkPool.h"
#include "shell/GKAppSetting.h"
#include "shell/Utilities.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace WorkerFrame
{

Transport transportFor(bool webInterfaceOnly, int protocol)
{
    return !webInterfaceOnly && protocol != 0 ? Transport::VLNet : Transport::Web;
}

Transport transport()
{
    GKAppSetting* settings = GKAppSetting::instance();
    return transportFor(settings->profile().devices.webInterfaceOnly, settings->protocol());
}

Reply readReply(bool httpOk, const QByteArray& body)
{
    Reply reply;
    reply.httpOk = httpOk;
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return reply;
    reply.object = document.object();
    const QJsonValue result = reply.object.value(QStringLiteral("result"));
    reply.outcome
        = result.isString() && result.toString() == QLatin1String("success") ? Outcome::Ok : Outcome::Fail;
    return reply;
}

QByteArray envelope(const QJsonObject& data)
{
    QJsonObject object;
    object.insert(QStringLiteral("version"), QStringLiteral("1.0"));
    object.insert(QStringLiteral("data"), data);
    return jsonToBytes(object);
}

QByteArray ClientSetup::origin() const
{
    return (https ? QByteArrayLiteral("https://") : QByteArrayLiteral("http://")) + host.toLatin1() + ':'
        + QByteArray::number(port);
}

QByteArray ClientSetup::requestText(const QByteArray& path, const QByteArray& body) const
{
    return origin() + path + body;
}

void ClientSetup::apply(HttpClient& client) const
{
    client.setCookie(cookie);
    client.setCsrfToken(csrfToken);
    client.setHttps(https ? 1 : 0);
    client.setHost(host);
    client.setTimeouts(kConnectMs, kTotalMs);
}

ClientSetup clientSetup(const DeviceInfo* device)
{
    ClientSetup setup;
    setup.cookie = device->cookie;
    setup.csrfToken = device->csrfToken;
    setup.https = device->isHttps.load();
    setup.host = device->ip();
    setup.port = unsigned(device->webPort());
    return setup;
}

WebRun::WebRun(const DeviceInfo* device)
    : m_device(device)
    , m_setup(clientSetup(device))
    , m_client(std::make_unique<HttpClient>())
{
    m_setup.apply(*m_client);
}

Reply WebRun::post(const QByteArray& path, const QByteArray& body)
{
    WorkPool* pool = WorkPool::instance();
    if (pool && pool->isStopping())
        return Reply {};
    const QByteArray text = m_setup.requestText(path, body);
    m_sent << text;
    const bool ok = m_client->postJson(text);
    return readReply(ok, m_client->responseBody());
}

std::optional<QJsonObject> WebRun::transKey(const QStringList& types, bool needHttpOk)
{
    const Reply reply
        = post(QByteArrayLiteral("/API/Maintenance/TransKey/Get"), WebSecrets::transKeyRequestBody(types));
    if (reply.outcome == Outcome::Error || (needHttpOk && !reply.httpOk))
        return std::nullopt;
    return reply.object;
}

std::optional<QJsonObject> WebRun::secondaryAuth(bool needHttpOk)
{
    const auto reply = transKey({ QStringLiteral("base_salt") }, needHttpOk);
    if (!reply)
        return std::nullopt;
    return secondaryAuthFrom(*reply, m_device->password);
}

std::optional<QJsonObject> secondaryAuthFrom(const QJsonObject& keyReply, const QString& password)
{
    const auto entry = WebSecrets::transKeyEntry(keyReply, 0);
    if (!entry || entry->type != QLatin1String("base_salt"))
        return std::nullopt;
    const auto cipher = WebSecrets::secondaryAuthCipher(password, entry->key, entry->iterations);
    if (!cipher)
        return std::nullopt;
    QJsonObject object;
    object.insert(QStringLiteral("cipher"), *cipher);
    object.insert(QStringLiteral("seq"), entry->seq);
    return object;
}

void finish(DeviceInfo* device, int status, DeviceWatcher* page, bool logout, bool remove)
{
    if (!device)
        return;
    device->setStatus(status);
    if (page)
        page->removeWorkDevice(device, remove);
    if (logout)
        device->logoutDevice(__LINE__);
}

} // namespace WorkerFrame
