#pragma once
// The synchronous client of a device's web interface, on libcurl: one JSON
// POST at a time with the session cookie and csrf token of the device's web
// login (success only on HTTP status 200), and the firmware upload with
// progress events to a receiver.
//
// Threads: a client is used by one thread at a time (the worker that made it,
// or the upload thread that owns it); cancel() may be called from any thread.
// globalInit() and globalCleanup() belong to start-up and shut-down: libcurl's
// process-wide state is made once before any thread uses a client and freed
// once after every client is gone.
//
// Nothing secret is printed: the cookie, the csrf token, the upgrade token
// and passwords never reach the log or the debug output. libcurl's own trace
// is off unless debug output is switched on (setDebugOutput, or the
// environment variable DORVEX_HTTP_DEBUG=1 at start-up), and even then these
// header values are masked.
#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>

class HttpClient
{
public:
    // Libcurl's process-wide state. globalInit: once at start-up, before the
    // work pool starts, on the main thread; later calls do nothing and return
    // the first result. globalCleanup: once at shut-down, after the work pool
    // has stopped; refused (false, nothing freed) while a client still lives,
    // since freeing it under a running transfer is undefined.
    static bool globalInit();
    static bool globalCleanup();
    static int liveClients();

    // libcurl's trace (request and answer headers, connection steps) on the
    // debug output, with secrets masked. Any thread.
    static void setDebugOutput(bool on);
    static bool debugOutput();

    // A header line as the trace shows it: the values of Cookie,
    // Set-Cookie, X-csrftoken, X-Upgrade-Token and Authorization replaced by
    // "***".
    static QByteArray maskSecrets(const QByteArray& headerLine);

    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    void setCookie(const QByteArray& cookie) { m_cookie = cookie; }
    void setCsrfToken(const QByteArray& token) { m_csrfToken = token; }
    // Non-zero: send to https:// whatever scheme the request text names.
    void setHttps(int https) { m_https = https != 0; }
    // Replaces the port of every request's URL.
    void setPort(int port)
    {
        m_port = port;
        m_portSet = true;
    }
    // HTTP Digest credentials; offered only when both are non-empty.
    void setCredentials(const QString& user, const QString& password)
    {
        m_digestUser = user;
        m_digestPassword = password;
    }
    // The device's address; requests take their host from their URL, so it
    // changes nothing that is sent.
    void setHost(const QString& host) { m_host = host; }
    // Gets the upload's progress events; may be null. Any thread.
    void setReceiver(QObject* receiver);
    // Progress events of the automatic upgrade (AutoUpgradeEvent) instead of
    // the upgrade page's (UpgradeEvent).
    void setAutoMode(bool on) { m_autoMode = on; }
    // Time-outs of postJson (default 10 s to connect, 60 s in all), for a
    // caller that must give up sooner.
    void setTimeouts(int connectMs, int totalMs)
    {
        m_connectTimeoutMs = connectMs;
        m_totalTimeoutMs = totalMs;
    }

    // The parts of a request text "http://host[:port]/path{json}" (or
    // https://). The body runs from the first "{" to the last "}" (empty
    // without a "{"); the path from the first "/" after the scheme (else
    // "/"); the port is what follows the host's first ":", else 443 with the
    // https flag and 80 without. `ok` is false for any other scheme, and for
    // a port that is no number from 1 to 65535 unless setPort overrides it.
    struct UrlParts {
        bool ok = false;
        QByteArray host;
        int port = 0; // the override when set
        QByteArray path;
        QByteArray body;
    };
    UrlParts splitUrl(const QByteArray& text) const;

    // POSTs the body of `text` (see splitUrl) as JSON; true when the answer's
    // HTTP status is 200, whatever its body says. The body is kept for
    // responseBody; after a time-out it reads "Connection timed out".
    bool postJson(const QByteArray& text);
    bool postJson(const QString& text) { return postJson(text.toUtf8()); }
    bool postJson(const char* text) { return postJson(QByteArray(text)); }
    // The body of the last answer.
    QByteArray responseBody() const { return m_response; }

    // POSTs `length` bytes at `data` raw to `url`, with "X-Upgrade-Token",
    // sending at most `speedFactor` x 512 KiB per second (0: no limit); the
    // receiver gets one progress event (code 394, value = percent sent) per
    // progress call of the transfer. True when the answer's HTTP status is
    // 200 and the upload was not cancelled. `fileName` is not sent. The bytes
    // must stay readable until the call returns.
    bool upload(const QString& url, const QByteArray& upgradeToken, const QString& fileName, const char* data,
        qint64 length, int speedFactor);

    // Ends a running upload at its next progress call (libcurl calls it at
    // least about once a second, while connecting too), and with it every
    // progress event: once cancel returns, the receiver gets none. A later
    // upload fails at once. Any thread.
    void cancel();
    bool isCancelled() const { return m_cancelled.load(); }

    static constexpr int kUploadConnectTimeoutS = 30;
    static constexpr int kUploadTimeoutS = 360;
    static constexpr qint64 kSpeedUnit = 524288; // bytes per second
    static constexpr int kProgressCode = 394;

private:
    // libcurl's transfer-info function: posts the progress event; non-zero
    // (abort) once cancelled.
    static int progressCallback(
        void* client, int64_t downloadTotal, int64_t downloadNow, int64_t uploadTotal, int64_t uploadNow);
    void postProgress(int percent);

    QByteArray m_response;
    QByteArray m_cookie;
    QByteArray m_csrfToken;
    QString m_digestUser;
    QString m_digestPassword;
    QString m_host;
    int m_port = 0;
    bool m_portSet = false;
    bool m_https = false;
    bool m_autoMode = false;
    int m_connectTimeoutMs = 10000;
    int m_totalTimeoutMs = 60000;
    QByteArray m_writeBuffer;
    QByteArray m_headerBuffer; // answer headers; never offered to callers
    QByteArray m_postBody; // the body libcurl reads while postJson runs
    void* m_handle = nullptr; // postJson's libcurl easy handle, kept between calls

    // The receiver and the cancel mark, under one lock so that no event is
    // posted after cancel() or setReceiver() has returned.
    mutable QMutex m_receiverMutex;
    QObject* m_receiver = nullptr;
    std::atomic<bool> m_cancelled { false };
};
