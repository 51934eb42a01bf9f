#pragma once
// The login page's session with one device, given by IP, port, user and
// password: it logs in over VLNet or over the device's web interface
// (VLSDKWrapper), keeps what the configuration pages need afterwards (the
// VLNet connection handle and device information block, or the web session's
// cookie, csrf token, https flag and HTTP port), and forwards every change of
// its state to its owner (the login page) as a QConnectEvent carrying the
// state current when the forwarding runs.
//
// States: 3 closed (initial), 100 web login under way, 101 logged in, 105
// web login failed or account blocked, or the last VLNet status (2, 103 to
// 109, 112, 156). A reply "close" of the web login, and a forwarding that
// finds the state 3, log the session out.
//
// Threads: login, logout, setOwner and customEvent on the GUI thread; the
// two C callbacks on threads of VLNet and VLSDKWrapper. One small mutex
// (m_lock) guards every field the callbacks write or read (state, device
// block, cookie, token, https, port, both handles, the login number); it
// is never held while calling out, except across VLNetConnectionStartEx in
// login, which reports nothing before it returns, so that a status callback
// finds the handle stored. The accessors below read under it. Stopping the
// connection and destroying the wrapper device wait for their callbacks, so
// they run unlocked, on handles taken out under the lock. Events posted by
// a session that has since been logged out are dropped.
#include "vl_sdk_wrapper.h"
#include "vlnet.h"

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>

class GKDevice : public QObject
{
    Q_OBJECT

public:
    static constexpr int kClosed = 3;
    static constexpr int kWebLoggingIn = 100;
    static constexpr int kLoggedIn = 101;
    static constexpr int kWebFailed = 105;

    explicit GKDevice(QObject* parent = nullptr);
    // Logs out; no callback runs after it.
    ~GKDevice() override;

    // Logs out, then starts a login; the outcome arrives as state changes.
    // VLNet unless the edition reaches devices through their web interface
    // only or the protocol setting is 0 (the web interface).
    void login(const QString& ip, int port, const QString& user, const QString& password);
    // Closes the connection or web session; state 3, ip, user, password,
    // cookie and token empty, port 0.
    void logout();

    // The receiver of the forwarded events (the login page); may be null.
    void setOwner(QObject* owner) { m_owner = owner; }
    QObject* owner() const { return m_owner; }

    // ---- What the session holds (any thread) ------------------------------
    int state() const;
    QString ip() const;
    // The port given at login; after a web login the reply's HTTP port.
    int port() const;
    QString user() const;
    QString password() const;
    // The device information: VLNet's block after a VLNet login; after a
    // web login only its first 8 bytes (deviceType()) are set.
    VLNET_DEVICE_INFO deviceInfo() const;
    qint64 deviceType() const;
    int connectionHandle() const;
    bool hasWrapperDevice() const;
    QByteArray cookie() const;
    QByteArray csrfToken() const;
    bool isHttps() const;
    // The protocol setting copied at the last login.
    int protocol() const;

    // ---- Callbacks (threads of VLNet and VLSDKWrapper) ---------------------
    static void VLNET_CALL connectionCallback(int32_t code, void* user);
    // Passes the text to onLoginReply when text and user are given and the
    // session holds a wrapper device.
    static void VL_CALL loginStatusCallback(const char* json, void* user);
    // A web login status: "success" (101), "login_failed_or_block" (105),
    // "close" (3); anything else, and a text that is no JSON object, changes
    // nothing.
    void onLoginReply(const char* json);

protected:
    // ConnectEvent: forwards the current state to the owner; at state 3 the
    // session logs out.
    void customEvent(QEvent* event) override;

private:
    // Posts `code` to the session itself, tagged with `login`.
    void postToSelf(int code, quint64 login);

    mutable QMutex m_lock;
    QString m_ip;
    int m_port = 0;
    QString m_user;
    QString m_password;
    int m_state = kClosed;
    VLNET_DEVICE_INFO m_deviceInfo {};
    int m_connectionHandle = 0;
    QPointer<QObject> m_owner;
    device* m_wrapperDevice = nullptr;
    QByteArray m_cookie;
    QByteArray m_csrfToken;
    bool m_https = false;
    int m_protocol = 0;
    // Counts logins and logouts; events of an earlier one are stale.
    quint64 m_login = 0;
};
