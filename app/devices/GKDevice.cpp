#include "devices/GKDevice.h"

#include "common/json.h"
#include "devices/DeviceEvents.h"
#include "devices/DeviceInfo.h"
#include "shell/GKAppSetting.h"

#include <QCoreApplication>
#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <cstring>
#include <exception>
#include <json/value.h>

namespace
{

// The VLNet statuses the session takes as its state.
constexpr int kConnectionCodes[] = { 2, 101, 103, 104, 105, 106, 107, 108, 109, 112, 156 };
constexpr const char* kMasked = "******";

void log(int line, const QString& message)
{
    GKAppSetting::instance()->log(QStringLiteral("GKDevice"), line, message);
}

// VLSDKWrapper's named device messages: the login page reads none.
void VL_CALL emptyMessageCallback(const char*, const char*, void*)
{
}

} // namespace

GKDevice::GKDevice(QObject* parent)
    : QObject(parent)
{
}

GKDevice::~GKDevice()
{
    logout();
}

void GKDevice::login(const QString& ip, int port, const QString& user, const QString& password)
{
    logout();
    GKAppSetting* settings = GKAppSetting::instance();
    const int protocol = settings->protocol();
    {
        QMutexLocker hold(&m_lock);
        m_ip = ip;
        m_port = port;
        m_user = user;
        m_password = password;
        m_protocol = protocol;
    }

    if (!settings->profile().devices.webInterfaceOnly && protocol != 0) {
        const QByteArray address = ip.toUtf8();
        const QByteArray name = user.toUtf8();
        const QByteArray secret = password.toUtf8();
        VLNET_CONNECTION_START_EX start;
        std::memset(&start, 0, sizeof start);
        start.address = address.constData();
        start.port = port;
        start.user = name.constData();
        start.password = secret.constData();
        start.user_data = this;
        start.status_callback = &GKDevice::connectionCallback;
        start.device_class = settings->profile().devices.loginDeviceClass;
        int handle = 0;
        {
            // Held across the start, which reports on other threads only: a
            // status that comes at once waits here and then finds the handle.
            QMutexLocker hold(&m_lock);
            handle = VLNetConnectionStartEx(&start);
            m_connectionHandle = handle;
        }
        if (!handle)
            log(__LINE__, QStringLiteral("%1: VLNet login not started").arg(ip));
        return;
    }

    device* wrapper = nullptr;
    {
        QMutexLocker hold(&m_lock);
        wrapper = m_wrapperDevice;
    }
    if (!wrapper) {
        wrapper = vl_create_device();
        QMutexLocker hold(&m_lock);
        m_wrapperDevice = wrapper;
    }
    {
        QMutexLocker hold(&m_lock);
        m_state = kWebLoggingIn;
    }
    const QByteArray json = DeviceInfo::webLoginJson(ip, user, password, port, false);
    QJsonObject shown = QJsonDocument::fromJson(json).object();
    shown.insert(QStringLiteral("password"), QLatin1String(kMasked));
    qDebug().noquote() << "Login param "
            + QString::fromUtf8(QJsonDocument(shown).toJson(QJsonDocument::Compact));
    vl_login_param param;
    std::memset(&param, 0, sizeof param);
    param.dev = wrapper;
    param.json = json.constData();
    param.status_callback = &GKDevice::loginStatusCallback;
    param.message_callback = &emptyMessageCallback;
    param.user = this;
    const int result = vl_device_login_ex(&param);
    if (result != vl_success) {
        // Nothing will report: the page hears the session closed.
        log(__LINE__, QStringLiteral("%1: web login not started (%2)").arg(ip).arg(result));
        quint64 login = 0;
        {
            QMutexLocker hold(&m_lock);
            m_state = kClosed;
            login = m_login;
        }
        postToSelf(kClosed, login);
    }
}

void GKDevice::logout()
{
    int handle = 0;
    device* wrapper = nullptr;
    {
        QMutexLocker hold(&m_lock);
        handle = m_connectionHandle;
        m_connectionHandle = 0;
        wrapper = m_wrapperDevice;
        m_wrapperDevice = nullptr;
        // What the closing session has posted is stale from here on.
        ++m_login;
    }
    // Both wait for the callbacks still running, which take the lock.
    if (handle)
        VLNetConnectionStop(&handle);
    if (wrapper) {
        vl_device_logout(wrapper);
        vl_destroy_device(wrapper);
    }
    QMutexLocker hold(&m_lock);
    m_state = kClosed;
    m_ip.clear();
    m_user.clear();
    m_password.clear();
    m_port = 0;
    m_cookie.clear();
    m_csrfToken.clear();
}

void GKDevice::postToSelf(int code, quint64 login)
{
    QCoreApplication::postEvent(this, new QConnectEvent(code, ConnectEvent, login));
}

// ---- Callbacks --------------------------------------------------------------

void VLNET_CALL GKDevice::connectionCallback(int32_t code, void* user)
{
    auto* session = static_cast<GKDevice*>(user);
    if (!session)
        return;
    bool known = false;
    for (int c : kConnectionCodes)
        known = known || c == code;
    if (!known)
        return;
    int handle = 0;
    {
        QMutexLocker hold(&session->m_lock);
        handle = session->m_connectionHandle;
    }
    // A connection being stopped reports no more.
    if (!handle)
        return;
    const GKAppSetting* settings = GKAppSetting::instance();
    const bool readInfo
        = code == kLoggedIn && !(settings->profile().devices.webInterfaceOnly && settings->protocol() == 0);
    VLNET_DEVICE_INFO info;
    std::memset(&info, 0, sizeof info);
    if (readInfo)
        VLNetGetDevInfo(handle, &info, int(sizeof info));
    quint64 login = 0;
    {
        QMutexLocker hold(&session->m_lock);
        if (session->m_connectionHandle != handle)
            return;
        if (readInfo)
            session->m_deviceInfo = info;
        session->m_state = code;
        login = session->m_login;
    }
    session->postToSelf(code, login);
}

void VL_CALL GKDevice::loginStatusCallback(const char* json, void* user)
{
    auto* session = static_cast<GKDevice*>(user);
    if (!json || !session || !session->hasWrapperDevice())
        return;
    try {
        session->onLoginReply(json);
    } catch (const std::exception&) {
        // Nothing may leave a callback of the wrapper.
    }
}

void GKDevice::onLoginReply(const char* json)
{
    Json::Value reply;
    if (!json || !vljson::parse_object(json, reply))
        return;
    // Members of another type count as absent.
    vljson::reader r(reply, vljson::policy::exact_or_absent);
    const std::string status = r.text("status");
    int code = 0;
    if (status == "success")
        code = kLoggedIn;
    else if (status == "login_failed_or_block")
        code = kWebFailed;
    else if (status == "close")
        code = kClosed;
    else
        return;

    device* wrapper = nullptr;
    {
        QMutexLocker hold(&m_lock);
        wrapper = m_wrapperDevice;
    }
    // A session being logged out reports no more.
    if (!wrapper)
        return;
    QByteArray cookie;
    QByteArray token;
    bool https = false;
    int port = -1;
    qint64 type = 0;
    if (code == kLoggedIn) {
        const Json::Value& info = vljson::member(reply, "info");
        vljson::reader i(info, vljson::policy::exact_or_absent);
        cookie = QByteArray::fromStdString(i.text("cookie"));
        token = QByteArray::fromStdString(i.text("token"));
        const Json::Value& httpsValue = vljson::member(info, "is_https");
        https = httpsValue.isBool() ? httpsValue.asBool()
                                    : (httpsValue.isIntegral() && httpsValue.asLargestInt() != 0);
        i.read("port", port, 0, 65535);
        type = qint64(vl_get_device_type(wrapper));
    }
    quint64 login = 0;
    {
        QMutexLocker hold(&m_lock);
        if (m_wrapperDevice != wrapper)
            return;
        if (code == kLoggedIn) {
            m_cookie = cookie;
            m_csrfToken = token;
            m_https = https;
            if (port >= 0)
                m_port = port;
            std::memcpy(&m_deviceInfo, &type, sizeof type);
        }
        m_state = code;
        login = m_login;
    }
    postToSelf(code, login);
}

// ---- GUI thread -------------------------------------------------------------

void GKDevice::customEvent(QEvent* event)
{
    if (event->type() != ConnectEvent)
        return;
    int state = kClosed;
    {
        QMutexLocker hold(&m_lock);
        if (static_cast<QConnectEvent*>(event)->login != m_login)
            return;
        state = m_state;
    }
    if (m_owner)
        QCoreApplication::postEvent(m_owner, new QConnectEvent(state));
    if (state == kClosed)
        logout();
}

// ---- Accessors --------------------------------------------------------------

int GKDevice::state() const
{
    QMutexLocker hold(&m_lock);
    return m_state;
}

QString GKDevice::ip() const
{
    QMutexLocker hold(&m_lock);
    return m_ip;
}

int GKDevice::port() const
{
    QMutexLocker hold(&m_lock);
    return m_port;
}

QString GKDevice::user() const
{
    QMutexLocker hold(&m_lock);
    return m_user;
}

QString GKDevice::password() const
{
    QMutexLocker hold(&m_lock);
    return m_password;
}

VLNET_DEVICE_INFO GKDevice::deviceInfo() const
{
    QMutexLocker hold(&m_lock);
    return m_deviceInfo;
}

qint64 GKDevice::deviceType() const
{
    qint64 type = 0;
    QMutexLocker hold(&m_lock);
    std::memcpy(&type, &m_deviceInfo, sizeof type);
    return type;
}

int GKDevice::connectionHandle() const
{
    QMutexLocker hold(&m_lock);
    return m_connectionHandle;
}

bool GKDevice::hasWrapperDevice() const
{
    QMutexLocker hold(&m_lock);
    return m_wrapperDevice != nullptr;
}

QByteArray GKDevice::cookie() const
{
    QMutexLocker hold(&m_lock);
    return m_cookie;
}

QByteArray GKDevice::csrfToken() const
{
    QMutexLocker hold(&m_lock);
    return m_csrfToken;
}

bool GKDevice::isHttps() const
{
    QMutexLocker hold(&m_lock);
    return m_https;
}

int GKDevice::protocol() const
{
    QMutexLocker hold(&m_lock);
    return m_protocol;
}
