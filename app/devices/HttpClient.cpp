#include "devices/HttpClient.h"

#include "devices/DeviceEvents.h"

#include <QCoreApplication>
#include <QDebug>
#include <QList>
#include <QMutexLocker>
#include <cstdio>
#include <curl/curl.h>

namespace
{

const QByteArray kUserAgent
    = QByteArrayLiteral("User-Agent: Mozilla/5.0 (Windows NT 10.0; WOW64; Trident/7.0; rv:11.0) like Gecko");
const QByteArray kTimedOut = QByteArrayLiteral("Connection timed out");

QMutex g_globalMutex;
bool g_globalDone = false; // under g_globalMutex
bool g_globalOk = false;
std::atomic<int> g_liveClients { 0 };
std::atomic<bool> g_debugOutput { false };

size_t appendTo(char* data, size_t size, size_t count, void* out)
{
    static_cast<QByteArray*>(out)->append(data, static_cast<int>(size * count));
    return size * count;
}

// A header value without what would end the header line: a cookie or token
// from a device's answer must not add header lines of its own.
QByteArray headerSafe(QByteArray value)
{
    value.replace('\r', QByteArray());
    value.replace('\n', QByteArray());
    value.replace('\0', QByteArray());
    return value;
}

// "Name: value", or "Name;" for an empty value: libcurl drops a custom
// header whose value is empty unless it is written that way, and the device
// expects the header either way.
QByteArray headerLine(const char* name, const QByteArray& value)
{
    const QByteArray safe = headerSafe(value);
    if (safe.isEmpty())
        return QByteArray(name) + ';';
    return QByteArray(name) + ": " + safe;
}

// The request's header list, freed with it.
class HeaderList
{
public:
    HeaderList() = default;
    ~HeaderList() { curl_slist_free_all(m_list); }
    HeaderList(const HeaderList&) = delete;
    HeaderList& operator=(const HeaderList&) = delete;

    void append(const QByteArray& line) { m_list = curl_slist_append(m_list, line.constData()); }
    curl_slist* list() const { return m_list; }

private:
    curl_slist* m_list = nullptr;
};

// libcurl's trace, on the debug output: connection steps and header lines
// with their secrets masked; bodies only by their size (a body can carry a
// password).
int debugTrace(CURL*, curl_infotype type, char* data, size_t size, void*)
{
    const QByteArray text(data, static_cast<int>(size));
    switch (type) {
    case CURLINFO_TEXT:
        qDebug().noquote() << "curl *" << QString::fromLatin1(text.trimmed());
        break;
    case CURLINFO_HEADER_OUT:
    case CURLINFO_HEADER_IN: {
        const char* mark = type == CURLINFO_HEADER_OUT ? "curl >" : "curl <";
        for (const QByteArray& line : text.split('\n')) {
            const QByteArray trimmed = line.trimmed();
            if (!trimmed.isEmpty())
                qDebug().noquote() << mark << QString::fromLatin1(HttpClient::maskSecrets(trimmed));
        }
        break;
    }
    case CURLINFO_DATA_OUT:
    case CURLINFO_DATA_IN:
        qDebug().noquote() << (type == CURLINFO_DATA_OUT ? "curl > body" : "curl < body") << size << "bytes";
        break;
    default:
        break; // TLS records
    }
    return 0;
}

void setTrace(CURL* curl)
{
    if (HttpClient::debugOutput()) {
        curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, &debugTrace);
        curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
    } else {
        curl_easy_setopt(curl, CURLOPT_VERBOSE, 0L);
    }
}

// What every request sets: its headers, URL and answer buffers, and no
// certificate check at all. Devices carry self-signed certificates that name
// no address: host-name checking alone would fail every request.
void setCommonOptions(
    CURL* curl, const HeaderList& headers, const QByteArray& url, QByteArray* body, QByteArray* answerHeaders)
{
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.list());
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &appendTo);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &appendTo);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, answerHeaders);
    setTrace(curl);
}

QByteArray requestUrl(bool https, const HttpClient::UrlParts& parts)
{
    return (https ? QByteArrayLiteral("https://") : QByteArrayLiteral("http://")) + parts.host + ':'
        + QByteArray::number(parts.port) + parts.path;
}

void failedToInit()
{
    std::fputs("Failed to init curl \n", stdout);
    std::fflush(stdout);
}

} // namespace

// ---- Process-wide state ----------------------------------------------------

bool HttpClient::globalInit()
{
    QMutexLocker lock(&g_globalMutex);
    if (g_globalDone)
        return g_globalOk;
    g_globalOk = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
    g_globalDone = true;
    if (qEnvironmentVariable("DORVEX_HTTP_DEBUG") == QLatin1String("1"))
        setDebugOutput(true);
    return g_globalOk;
}

bool HttpClient::globalCleanup()
{
    QMutexLocker lock(&g_globalMutex);
    if (!g_globalDone)
        return true;
    if (g_liveClients.load() > 0)
        return false;
    if (g_globalOk)
        curl_global_cleanup();
    g_globalDone = false;
    g_globalOk = false;
    return true;
}

int HttpClient::liveClients()
{
    return g_liveClients.load();
}

void HttpClient::setDebugOutput(bool on)
{
    g_debugOutput = on;
}

bool HttpClient::debugOutput()
{
    return g_debugOutput.load();
}

QByteArray HttpClient::maskSecrets(const QByteArray& headerLine)
{
    static const QList<QByteArray> secret = { "cookie", "set-cookie", "x-csrftoken", "x-upgrade-token",
        "authorization", "proxy-authorization" };
    const int colon = headerLine.indexOf(':');
    const int semicolon = headerLine.indexOf(';');
    // "Name;" is libcurl's form of an empty header: nothing to hide.
    if (colon < 0 || (semicolon >= 0 && semicolon < colon))
        return headerLine;
    if (!secret.contains(headerLine.left(colon).trimmed().toLower()))
        return headerLine;
    return headerLine.left(colon + 1) + " ***";
}

// ---- One client --------------------------------------------------------------

HttpClient::HttpClient()
{
    ++g_liveClients;
}

HttpClient::~HttpClient()
{
    if (m_handle)
        curl_easy_cleanup(static_cast<CURL*>(m_handle));
    --g_liveClients;
}

void HttpClient::setReceiver(QObject* receiver)
{
    QMutexLocker lock(&m_receiverMutex);
    m_receiver = receiver;
}

void HttpClient::cancel()
{
    QMutexLocker lock(&m_receiverMutex);
    m_cancelled = true;
}

HttpClient::UrlParts HttpClient::splitUrl(const QByteArray& text) const
{
    UrlParts parts;
    const int brace = text.indexOf('{');
    const QByteArray urlPart = brace < 0 ? text : text.left(brace);
    if (brace >= 0) {
        const int last = text.lastIndexOf('}');
        parts.body = last > brace ? text.mid(brace, last - brace + 1) : text.mid(brace);
    }

    QByteArray rest;
    if (urlPart.startsWith("http://"))
        rest = urlPart.mid(7);
    else if (urlPart.startsWith("https://"))
        rest = urlPart.mid(8);
    else
        return parts;

    const int slash = rest.indexOf('/');
    parts.path = slash < 0 ? QByteArrayLiteral("/") : rest.mid(slash);
    const QByteArray hostPort = slash < 0 ? rest : rest.left(slash);
    const int colon = hostPort.indexOf(':');
    parts.host = colon < 0 ? hostPort : hostPort.left(colon);
    bool portOk = true;
    if (m_portSet)
        parts.port = m_port;
    else if (colon < 0)
        parts.port = m_https ? 443 : 80;
    else
        parts.port = hostPort.mid(colon + 1).toInt(&portOk);
    parts.ok = portOk && parts.port >= 1 && parts.port <= 65535 && !parts.host.isEmpty();
    return parts;
}

bool HttpClient::postJson(const QByteArray& text)
{
    m_writeBuffer.clear();
    m_headerBuffer.clear();
    const UrlParts parts = splitUrl(text);
    if (!parts.ok) {
        m_response.clear();
        return false;
    }
    if (!m_handle)
        m_handle = curl_easy_init();
    if (!m_handle) {
        failedToInit();
        return false;
    }
    CURL* curl = static_cast<CURL*>(m_handle);
    m_postBody = parts.body;

    HeaderList headers;
    headers.append("Accept: */*");
    headers.append(kUserAgent);
    headers.append(headerLine("Host", parts.host));
    headers.append("Content-Length: " + QByteArray::number(m_postBody.size()));
    headers.append("Connection: Keep-Alive");
    headers.append("Cache-Control: no-cache");
    headers.append("Content-Type: application/json");
    headers.append("X-Requested-With: XMLHttpRequest");
    headers.append(headerLine("X-csrftoken", m_csrfToken));
    headers.append(headerLine("Cookie", m_cookie));
    const QByteArray url = requestUrl(m_https, parts);

    setCommonOptions(curl, headers, url, &m_writeBuffer, &m_headerBuffer);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(m_connectTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(m_totalTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(m_postBody.size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, m_postBody.constData());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    // Each call offers Digest only with its own complete credentials.
    const QByteArray user = m_digestUser.toUtf8();
    const QByteArray password = m_digestPassword.toUtf8();
    if (!user.isEmpty() && !password.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, long(CURLAUTH_DIGEST));
    } else {
        curl_easy_setopt(curl, CURLOPT_USERNAME, nullptr);
        curl_easy_setopt(curl, CURLOPT_PASSWORD, nullptr);
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
    }

    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    // The list and the credentials die with this call; the handle stays.
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(curl, CURLOPT_USERNAME, nullptr);
    curl_easy_setopt(curl, CURLOPT_PASSWORD, nullptr);

    if (code == CURLE_OPERATION_TIMEDOUT)
        m_writeBuffer = kTimedOut;
    m_response = m_writeBuffer;
    // An answer cut short is no answer, whatever status it began with.
    return code == CURLE_OK && status == 200;
}

bool HttpClient::upload(const QString& url, const QByteArray& upgradeToken, const QString& fileName,
    const char* data, qint64 length, int speedFactor)
{
    (void)fileName; // the device learnt the name with the token
    m_writeBuffer.clear();
    m_headerBuffer.clear();
    m_response.clear();
    const UrlParts parts = splitUrl(url.toUtf8());
    if (!parts.ok || length < 0 || (length > 0 && !data) || isCancelled())
        return false;
    CURL* curl = curl_easy_init();
    if (!curl) {
        failedToInit();
        return false;
    }

    const QByteArray scheme = m_https ? QByteArrayLiteral("https://") : QByteArrayLiteral("http://");
    HeaderList headers;
    headers.append("Accept: application/json,text/plain,*/*");
    headers.append(kUserAgent);
    headers.append(headerLine("Host", parts.host));
    headers.append("Content-Length: " + QByteArray::number(length));
    headers.append(headerLine("Referer", scheme + parts.host + '/'));
    headers.append("Connection: Keep-Alive");
    headers.append("Cache-Control: no-cache");
    headers.append(headerLine("X-csrftoken", m_csrfToken));
    headers.append(headerLine("Cookie", m_cookie));
    headers.append(headerLine("X-Upgrade-Token", upgradeToken));
    const QByteArray requestTarget = requestUrl(m_https, parts);

    setCommonOptions(curl, headers, requestTarget, &m_writeBuffer, &m_headerBuffer);
    if (speedFactor > 0)
        curl_easy_setopt(curl, CURLOPT_MAX_SEND_SPEED_LARGE, curl_off_t(speedFactor) * kSpeedUnit);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &HttpClient::progressCallback);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPIDLE, 1L);
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPINTVL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, long(kUploadConnectTimeoutS));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, long(kUploadTimeoutS));
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(length));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, length > 0 ? data : "");

    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);

    m_response = m_writeBuffer;
    if (code == CURLE_OPERATION_TIMEDOUT) {
        m_response = kTimedOut;
        return false;
    }
    if (isCancelled())
        return false;
    if (code != CURLE_OK)
        qDebug() << "Curl error:" << int(code);
    return status == 200;
}

int HttpClient::progressCallback(
    void* client, int64_t downloadTotal, int64_t downloadNow, int64_t uploadTotal, int64_t uploadNow)
{
    (void)downloadTotal;
    (void)downloadNow;
    auto* self = static_cast<HttpClient*>(client);
    if (self->isCancelled())
        return 1; // libcurl ends the transfer with CURLE_ABORTED_BY_CALLBACK
    if (uploadTotal > 0) {
        const int64_t percent = uploadNow * 100 / uploadTotal;
        if (percent >= 0 && percent <= 100)
            self->postProgress(static_cast<int>(percent));
    }
    return 0;
}

void HttpClient::postProgress(int percent)
{
    QMutexLocker lock(&m_receiverMutex);
    if (m_cancelled.load() || !m_receiver)
        return;
    QCoreApplication::postEvent(
        m_receiver, new QUpgradeEvent(m_autoMode ? AutoUpgradeEvent : UpgradeEvent, kProgressCode, percent));
}
