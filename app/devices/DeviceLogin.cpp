// Login and logout of a device record over its three transports: VLOnvifs
// for devices of the ONVIF search, the device's web interface through
// VLSDKWrapper, and the VLNet SDK. Every outcome reaches the record as a
// QConnectEvent; the state machine acts on it on the GUI thread.
#include "devices/DeviceEvents.h"
#include "devices/DeviceInfo.h"
#include "shell/GKAppSetting.h"
#include "shell/Utilities.h"
#include "vlonvifs.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstring>

namespace
{

// Codes of the transports that the state machine handles.
constexpr int kConnectionCodes[] = { 2, 3, 4, 101, 103, 104, 105, 106, 107, 108, 109, 112, 125 };
constexpr int kForbiddenIpMessage = 113;

// Posted when a transport refuses to start a login: the state machine then
// ends the operation as for a connection that closed.
constexpr int kStartRefused = 2;
constexpr int kLoggedIn = 101;
constexpr int kInvalidParameters = 103;
constexpr int kWrongUserOrPassword = 104;
constexpr int kFailedOrBlocked = 105;
constexpr int kClosed = 3;
constexpr int kLoggingIn = 4; // the status of a web login under way
constexpr const char* kMasked = "******";

void post(DeviceInfo* device, int code, quint64 login)
{
    QCoreApplication::postEvent(device, new QConnectEvent(code, ConnectEvent, login));
}

void logLogin(int line, const QString& message)
{
    GKAppSetting::instance()->log(QStringLiteral("DeviceInfo::loginDevice"), line, message);
}

void logReply(int line, const QString& message)
{
    GKAppSetting::instance()->log(QStringLiteral("DeviceInfo::onLoginReply"), line, message);
}

// VLSDKWrapper's named device messages: the pages read none.
void VL_CALL emptyMessageCallback(const char*, const char*, void*)
{
}

// A JSON object as the log may show it: secrets replaced by "******".
QJsonObject masked(QJsonObject object, std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        const QString k = QLatin1String(key);
        if (object.contains(k))
            object.insert(k, QLatin1String(kMasked));
    }
    return object;
}

QString text(const QJsonObject& object)
{
    return QString::fromUtf8(jsonToBytes(object));
}

} // namespace

DeviceInfo::Transport DeviceInfo::loginTransport() const
{
    GKAppSetting* settings = GKAppSetting::instance();
    const EditionProfile::Devices& edition = settings->profile().devices;
    if (isOnvif)
        return Transport::Onvif;
    if (edition.webInterfaceForMulticastFinds && settings->onSearchPage())
        return searchSource.load() != 0 ? Transport::Web : Transport::VLNet;
    if (edition.webInterfaceOnly || settings->protocol() == 0)
        return Transport::Web;
    return Transport::VLNet;
}

QByteArray DeviceInfo::webLoginJson() const
{
    return webLoginJson(ip(), user, password, webPort(), true);
}

QByteArray DeviceInfo::webLoginJson(
    const QString& ip, const QString& user, const QString& password, int port, bool newCgiCheck)
{
    QJsonObject o;
    o.insert(QStringLiteral("ip or id"), ip);
    o.insert(QStringLiteral("user"), user);
    o.insert(QStringLiteral("password"), password);
    o.insert(QStringLiteral("ddns id server addr"), QString());
    o.insert(QStringLiteral("p2p type"), QStringLiteral("ip"));
    o.insert(QStringLiteral("oem type"), GKAppSetting::instance()->profile().devices.loginOemType);
    o.insert(QStringLiteral("protocol"), QStringLiteral("auto"));
    o.insert(QStringLiteral("port"), port);
    if (newCgiCheck)
        o.insert(QStringLiteral("enable_new_cgi_check"), true);
    return jsonToBytes(o);
}

void DeviceInfo::loginDevice()
{
    const Transport transport = loginTransport();
    // From here on the codes of earlier logins are stale.
    LoginContext* context = newLoginContext();
    const quint64 login = context->login;
    if (transport == Transport::Web) {
        // Everything a web login needs, before anything is started.
        const int port = webPort();
        if (user.isEmpty() || password.isEmpty() || ip().isEmpty() || port < 1 || port > 65535) {
            logLogin(__LINE__,
                QStringLiteral("%1: web login refused: user, password, address or port missing").arg(ip()));
            post(this, kInvalidParameters, login);
            return;
        }
        if (!wrapperDevice)
            wrapperDevice = vl_create_device();
        setStatus(kLoggingIn);
        const QByteArray json = webLoginJson();
        logLogin(__LINE__,
            QStringLiteral("login json is %1").arg(text(masked(jsonFromBytes(json), { "password" }))));
        vl_login_param param;
        std::memset(&param, 0, sizeof param);
        param.dev = wrapperDevice;
        param.json = json.constData();
        param.status_callback = &DeviceInfo::loginStatusCallback;
        param.message_callback = &emptyMessageCallback;
        param.user = context;
        // Set before the start: a reply may arrive (and clear it) before
        // the call returns.
        loggedIn = true;
        const int result = vl_device_login_ex(&param);
        if (result != vl_success) {
            loggedIn = false;
            logLogin(__LINE__, QStringLiteral("%1: web login not started (%2)").arg(ip()).arg(result));
            post(this, kStartRefused, login);
        }
        return;
    }

    // VLNet and VLOnvifs: one connection at a time; an earlier one would
    // keep reporting to the record.
    stopConnection();
    const QByteArray address = ip().toUtf8();
    const QByteArray name = user.toUtf8();
    const QByteArray secret = password.toUtf8();
    int handle = 0;
    if (transport == Transport::Onvif) {
        VLONVIF_CONNECTION_START start;
        std::memset(&start, 0, sizeof start);
        start.ip = address.constData();
        start.port = webPort();
        start.user = name.constData();
        start.password = secret.constData();
        start.user_data = context;
        start.status_callback = &DeviceInfo::connectionCallback;
        handle = VLOnvifConnectionStart(&start);
    } else {
        VLNET_CONNECTION_START_EX start;
        std::memset(&start, 0, sizeof start);
        start.address = address.constData();
        start.port = mediaPort();
        start.user = name.constData();
        start.password = secret.constData();
        start.user_data = context;
        start.message_callback = &DeviceInfo::messageCallback;
        start.status_callback = &DeviceInfo::connectionCallback;
        start.device_class = GKAppSetting::instance()->profile().devices.loginDeviceClass;
        handle = VLNetConnectionStartEx(&start);
    }
    connectionHandle = handle;
    if (handle != 0) {
        loggedIn = true;
        return;
    }
    logLogin(__LINE__,
        QStringLiteral("%1: %2 login not started")
            .arg(ip(), transport == Transport::Onvif ? QStringLiteral("ONVIF") : QStringLiteral("VLNet")));
    post(this, kStartRefused, login);
}

void DeviceInfo::logoutDevice(int line)
{
    GKAppSetting::instance()->log(QStringLiteral("DeviceInfo::logoutDevice"), line, ip());
    // What the closed session still reports is stale from here on.
    endLogin();
    // Every connection goes, whatever the mode: a login of another
    // transport may have opened it (ONVIF devices, multicast finds on the
    // search page), and the next login would lose it.
    stopConnection();
    // In VLNet mode the wrapper device is kept for the next web login.
    if (webInterfaceProtocol() && wrapperDevice) {
        vl_device_logout(wrapperDevice);
        vl_destroy_device(wrapperDevice);
        wrapperDevice = nullptr;
    }
    loggedIn = false;
    emit logout();
}

// ---- Callbacks (threads of VLNet, VLOnvifs and VLSDKWrapper) ----------------

void VLNET_CALL DeviceInfo::connectionCallback(int32_t code, void* user)
{
    const auto* context = static_cast<const LoginContext*>(user);
    if (!context)
        return;
    for (int known : kConnectionCodes) {
        if (code == known) {
            post(context->device, code, context->login);
            return;
        }
    }
}

void VLNET_CALL DeviceInfo::messageCallback(uint16_t code, const char*, int32_t, void* user)
{
    const auto* context = static_cast<const LoginContext*>(user);
    if (context && code == kForbiddenIpMessage)
        post(context->device, kForbiddenIpMessage, context->login);
}

void VL_CALL DeviceInfo::loginStatusCallback(const char* json, void* user)
{
    const auto* context = static_cast<const LoginContext*>(user);
    if (!json || !context)
        return;
    DeviceInfo* device = context->device;
    // A reply of an earlier login must not overwrite the session fields.
    if (!device->wrapperDevice || !device->isCurrentLogin(context->login))
        return;
    device->onLoginReply(json, device, context->login);
}

void DeviceInfo::onLoginReply(const char* json, DeviceInfo* target, quint64 login)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(json), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        target->loggedIn = false;
        post(target, kClosed, login);
        return;
    }
    const QJsonObject reply = doc.object();
    const QString status = reply.value(QStringLiteral("status")).toString();
    if (status == QLatin1String("success")) {
        const QJsonObject info = reply.value(QStringLiteral("info")).toObject();
        target->cookie = info.value(QStringLiteral("cookie")).toString().toUtf8();
        target->csrfToken = info.value(QStringLiteral("token")).toString().toUtf8();
        const QJsonValue https = info.value(QStringLiteral("is_https"));
        target->isHttps = https.isBool() ? https.toBool() : https.toDouble() != 0;
        if (target->isHttps) {
            QJsonObject shown = reply;
            shown.insert(QStringLiteral("info"), masked(info, { "cookie", "token" }));
            logReply(__LINE__, QStringLiteral("login info is %1").arg(text(shown)));
        }
        // The low 16 bits, as a port field takes them.
        const quint16 port = quint16(qint64(info.value(QStringLiteral("port")).toDouble()) & 0xFFFF);
        target->httpPort = port;
        target->searchRecord.sdk.web_port = port;
        target->newWebPort = port;
        target->deviceType = vl_get_device_type(target->wrapperDevice);
        post(target, kLoggedIn, login);
    } else if (status == QLatin1String("login_failed_or_block")) {
        target->setFamilyStatus(LastStatus, 1);
        target->loggedIn = false;
        post(target, kFailedOrBlocked, login);
    } else if (status == QLatin1String("user or password error")) {
        target->setFamilyStatus(LastStatus, 3);
        target->loggedIn = false;
        post(target, kWrongUserOrPassword, login);
    } else if (status == QLatin1String("close") && target->lastStatus() == kLoggingIn) {
        target->loggedIn = false;
        post(target, kClosed, login);
    }
}
