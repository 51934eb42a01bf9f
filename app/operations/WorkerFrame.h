#pragma once
// What every operation worker does the same way: the choice of transport,
// the requests to the device's web interface (one HttpClient per run, set up
// with the session's cookie, csrf token, https flag and host; the request
// text "http[s]://<ip>:<web port><path><body>"; the envelope
// {"version":"1.0","data":{...}}), the transfer key that comes first where
// the device wants a second authentication, the reading of a reply, and the
// end of a run (one final status, the page told, the logout).
//
// A reply that does not parse as a JSON object (no reply, an empty body, an
// HTML page) is the operation's "error"; a JSON reply whose "result" is not
// exactly "success" (case counts) is its "fail". A transfer-key reply
// without a usable Key_lists entry is an "error" as well, and the
// operation's own request is then not sent.
//
// Requests are bounded (kConnectMs, kTotalMs) and are not started once the
// work pool is stopping, so that shut-down does not wait on a device.
//
// Threads: a WebRun belongs to the worker's thread; the free functions are
// pure unless stated.
#include "devices/HttpClient.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class DeviceInfo;
class DeviceWatcher;

namespace WorkerFrame
{

enum class Transport { Web, VLNet };
// VLNet for protocol 1 unless the edition reaches its devices through the
// web interface only; the web interface otherwise.
Transport transportFor(bool webInterfaceOnly, int protocol);
// The same from the program's settings. Any thread.
Transport transport();

// What a web request came to.
enum class Outcome { Ok, Fail, Error };
struct Reply {
    Outcome outcome = Outcome::Error;
    bool httpOk = false; // postJson's result: HTTP status 200
    QJsonObject object; // the parsed reply (empty for Error)
    QJsonObject data() const { return object.value(QStringLiteral("data")).toObject(); }
};
// Reads an answer: Error unless the body is a JSON object, Ok only when its
// "result" is the string "success", else Fail.
Reply readReply(bool httpOk, const QByteArray& body);

// The compact envelope {"version":"1.0","data":data}.
QByteArray envelope(const QJsonObject& data);

// What a client needs of the device's session, copied so that it can be
// used on another thread than the record's.
struct ClientSetup {
    QByteArray cookie;
    QByteArray csrfToken;
    bool https = false;
    QString host; // the IP text of the search record
    unsigned port = 0; // its web port
    // "http[s]://<ip>:<port>"
    QByteArray origin() const;
    // origin + path + body, as postJson takes them.
    QByteArray requestText(const QByteArray& path, const QByteArray& body = QByteArray()) const;
    // Cookie, token, https flag, host and the bounded time-outs.
    void apply(HttpClient& client) const;
};
ClientSetup clientSetup(const DeviceInfo* device);

constexpr int kConnectMs = 10000;
constexpr int kTotalMs = 30000;

// One run of a worker against the web interface: one client for all its
// requests.
class WebRun
{
public:
    explicit WebRun(const DeviceInfo* device);
    WebRun(const WebRun&) = delete;
    WebRun& operator=(const WebRun&) = delete;

    // POSTs `body` to `path` (which begins with "/API/"); Error without
    // sending anything when the work pool is stopping.
    Reply post(const QByteArray& path, const QByteArray& body);
    // post(path, envelope(data)).
    Reply postData(const QByteArray& path, const QJsonObject& data) { return post(path, envelope(data)); }

    // The transfer key of `types` from "/API/Maintenance/TransKey/Get" (its
    // "result" is not read); nothing when the reply does not parse, or, with
    // `needHttpOk`, the status was not 200.
    std::optional<QJsonObject> transKey(const QStringList& types, bool needHttpOk = false);
    // The "base_secondary_authentication" object ({"cipher","seq"}) from a
    // "base_salt" key and the device's password; nothing (the operation's
    // "error") when the reply does not parse or its first entry is missing or
    // unusable.
    std::optional<QJsonObject> secondaryAuth(bool needHttpOk = false);

    // HTTP Digest credentials for the run's requests (offered only when both
    // are non-empty).
    void setCredentials(const QString& user, const QString& password)
    {
        m_client->setCredentials(user, password);
    }

    const ClientSetup& setup() const { return m_setup; }
    // The texts sent so far, for tests.
    const QList<QByteArray>& sent() const { return m_sent; }

private:
    const DeviceInfo* m_device;
    ClientSetup m_setup;
    std::unique_ptr<HttpClient> m_client;
    QList<QByteArray> m_sent;
};

// The "base_secondary_authentication" object of a key reply for `password`;
// nothing when entry 0 of Key_lists is missing or unusable.
std::optional<QJsonObject> secondaryAuthFrom(const QJsonObject& keyReply, const QString& password);

// The end of a pool worker's run: exactly one final status, the page told to
// refresh the row (no call without a page; with `remove` it drops the device
// from its work list instead, as the last step of an automatic upgrade
// does), and, with `logout`, the device logged out.
void finish(DeviceInfo* device, int status, DeviceWatcher* page, bool logout = true, bool remove = false);

} // namespace WorkerFrame
