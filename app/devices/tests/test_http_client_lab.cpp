// The HTTP client and the upload thread against simulated devices: what a
// device receives (headers in order, empty session values, Content-Length,
// the port and the scheme), which answers count as success, the time-out
// text, Digest credentials, firmware uploads over HTTP and HTTPS with their
// progress events and speed limit, cancelled uploads, and the device coming
// back with its new version.
#include "ShellTestEnv.h"
#include "devices/DeviceEvents.h"
#include "devices/DeviceInfo.h"
#include "devices/HttpClient.h"
#include "devices/UploadThread.h"
#include "support/devsim_lab.h"
#include "support/poll.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QPointer>
#include <QThread>
#include <QVector>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace
{

constexpr const char* kPassword = "Admin_123";
const QByteArray kUserAgent = "Mozilla/5.0 (Windows NT 10.0; WOW64; Trident/7.0; rv:11.0) like Gecko";

// Collects the upgrade events posted to it.
class EventSink : public QObject
{
public:
    struct Seen {
        int type;
        int code;
        int value;
        int extra;
    };
    QVector<Seen> events;

    // Delivers what has been posted so far.
    const QVector<Seen>& take()
    {
        QCoreApplication::sendPostedEvents(this);
        return events;
    }

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() == UpgradeEvent || event->type() == AutoUpgradeEvent) {
            const auto* u = static_cast<QUpgradeEvent*>(event);
            events.push_back({ int(u->type()), u->code, u->value, u->extra });
        }
    }
};

// A firmware image the upgrade page would have mapped.
class BytesSource : public UploadDataSource
{
public:
    explicit BytesSource(QByteArray bytes)
        : m_bytes(std::move(bytes))
    {
    }
    const char* uploadData() const override { return m_bytes.isNull() ? nullptr : m_bytes.constData(); }
    qint64 uploadSize() const override { return m_bytes.size(); }

private:
    QByteArray m_bytes;
};

QByteArray image(int size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((unsigned(i + seed) * 7919u) >> 3);
    return bytes;
}

QByteArray sha256Hex(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// Polls `done` while delivering the events posted to this thread.
bool waitFor(const std::function<bool()>& done, int ms)
{
    return vltest::pollUntil(
        [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            return done();
        },
        ms);
}

// Percent values that never go down, end at 100 and are all code 394 of
// one event type.
void expectProgress(const QVector<EventSink::Seen>& events, int type)
{
    ASSERT_FALSE(events.isEmpty());
    int last = -1;
    for (const auto& e : events) {
        EXPECT_EQ(e.type, type);
        EXPECT_EQ(e.code, HttpClient::kProgressCode);
        EXPECT_EQ(e.extra, -1);
        EXPECT_GE(e.value, last);
        EXPECT_LE(e.value, 100);
        last = e.value;
    }
    EXPECT_EQ(last, 100);
}

class HttpClientLab : public vltest::DevsimLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(HttpClient::globalInit());
        startDevsim({ "--generate", "6", "--inactive-percent", "0", "--reboot-seconds", "1" });
    }
    static void TearDownTestSuite()
    {
        stopDevsim();
        EXPECT_TRUE(HttpClient::globalCleanup());
    }

    static QString ip(int n) { return QString::fromStdString(state(n)["network"]["ip"].asString()); }
    static Json::Value web(int n, const std::string& fields)
    {
        return sim->must("{\"cmd\":\"web\",\"device\":" + std::to_string(n) + "," + fields + "}");
    }
    static void set(int n, const std::string& stateJson)
    {
        sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(n) + ",\"state\":" + stateJson + "}");
    }
    static Json::Value login(int n, bool https)
    {
        return web(n,
            std::string("\"login\":{\"user\":\"admin\",\"https\":") + (https ? "true" : "false")
                + "}")["session"];
    }
    // The web requests device n received since the last call, oldest first.
    static std::vector<Json::Value> webRequests(int n)
    {
        const Json::Value list = sim->must(
            "{\"cmd\":\"received\",\"clear\":true,\"device\":" + std::to_string(n) + "}")["received"];
        std::vector<Json::Value> out;
        for (const auto& entry : list)
            if (entry["transport"] == "web")
                out.push_back(entry);
        return out;
    }
    static Json::Value lastWebRequest(int n)
    {
        const std::vector<Json::Value> all = webRequests(n);
        return all.empty() ? Json::Value() : all.back();
    }
    static std::vector<std::pair<std::string, std::string>> headers(const Json::Value& request)
    {
        std::vector<std::pair<std::string, std::string>> out;
        for (const auto& h : request["headers"])
            out.emplace_back(h[0].asString(), h[1].asString());
        return out;
    }
    static std::string header(const Json::Value& request, const std::string& name)
    {
        for (const auto& [n, v] : headers(request))
            if (n == name)
                return v;
        return "<absent>";
    }
    static bool comesBackWith(int n, int boots, const std::string& firmware)
    {
        return waitFor(
            [&] {
                const Json::Value s = state(n);
                return s["online"].asBool() && s["boots"].asInt() == boots && s["firmware"] == firmware;
            },
            10000);
    }

    // A pending upgrade of `size` bytes on device n with a session of
    // `https`: the session's cookie and token, the upgrade token, the new
    // version.
    struct Pending {
        QByteArray cookie;
        QByteArray csrfToken;
        QByteArray token;
        std::string version;
        int boots = 0;
    };
    static Pending pendingUpgrade(int n, bool https, int size, const std::string& version)
    {
        web(n, R"("clear":true)");
        const Json::Value session = login(n, https);
        Pending p;
        p.cookie = QByteArray::fromStdString(session["cookie"].asString());
        p.csrfToken = QByteArray::fromStdString(session["token"].asString());
        p.version = version;
        p.token = QByteArray::fromStdString(web(n,
            "\"upgrade\":{\"size\":" + std::to_string(size) + ",\"version\":\"" + version
                + "\",\"reboot_seconds\":1}")["web"]["upgrade"]["token"]
                                                .asString());
        p.boots = state(n)["boots"].asInt();
        webRequests(n);
        return p;
    }
    static QString uploadUrl(int n, bool https)
    {
        return (https ? QStringLiteral("https://") : QStringLiteral("http://")) + ip(n)
            + QStringLiteral("/API/Maintenance/SystemUpgrade/Upgrade");
    }

    ShellTestEnv env; // the upload thread's log
};

TEST_F(HttpClientLab, PostJsonSendsItsHeadersInOrderWithEmptySessionValues)
{
    web(0, R"("clear":true,"sessions":false,"answers":{"/API/AccountRules/Get":{"x":1}})");
    webRequests(0);
    const QByteArray host = ip(0).toLatin1();
    struct Case {
        const char* what;
        QByteArray text;
        QByteArray cookie;
        QByteArray token;
        std::string body;
    } cases[] = {
        { "empty session", "http://" + host + "/API/AccountRules/Get{}", "", "", "{}" },
        { "session", "http://" + host + "/API/AccountRules/Get{\"version\":\"1.0\",\"data\":{}}", "sid=42",
            "t0k", R"({"version":"1.0","data":{}})" },
        { "no body", "http://" + host + "/API/AccountRules/Get", "", "", "" },
        // Header values from a device cannot add header lines of their own.
        { "line breaks in the cookie", "http://" + host + "/API/AccountRules/Get{}", "a=1\r\nX-Injected: 1",
            "t\n", "{}" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HttpClient client;
        client.setCookie(c.cookie);
        client.setCsrfToken(c.token);
        ASSERT_TRUE(client.postJson(c.text)) << client.responseBody().constData();
        EXPECT_EQ(client.responseBody(), QByteArray(R"({"data":{"x":1},"result":"success"})"));
        const Json::Value got = lastWebRequest(0);
        EXPECT_EQ(got["path"], "/API/AccountRules/Get");
        EXPECT_EQ(got["method"], "POST");
        EXPECT_EQ(got["body"].asString(), c.body);
        const std::string cookie = QByteArray(c.cookie).replace("\r", "").replace("\n", "").toStdString();
        const std::string token = QByteArray(c.token).replace("\n", "").toStdString();
        // Ours in the order given; libcurl adds only its Accept-Encoding.
        std::vector<std::pair<std::string, std::string>> expected = {
            { "Host", host.toStdString() },
            { "Accept", "*/*" },
            { "Accept-Encoding", header(got, "Accept-Encoding") },
            { "User-Agent", kUserAgent.toStdString() },
            { "Content-Length", std::to_string(c.body.size()) },
            { "Connection", "Keep-Alive" },
            { "Cache-Control", "no-cache" },
            { "Content-Type", "application/json" },
            { "X-Requested-With", "XMLHttpRequest" },
            { "X-csrftoken", token },
            { "Cookie", cookie },
        };
        const auto sent = headers(got);
        // The order among our own headers is the list's.
        std::vector<std::string> order;
        for (const auto& h : sent)
            order.push_back(h.first);
        const std::vector<std::string> ourOrder = { "Accept", "User-Agent", "Content-Length", "Connection",
            "Cache-Control", "Content-Type", "X-Requested-With", "X-csrftoken", "Cookie" };
        std::vector<std::string> seen;
        for (const auto& name : order)
            if (std::find(ourOrder.begin(), ourOrder.end(), name) != ourOrder.end())
                seen.push_back(name);
        EXPECT_EQ(seen, ourOrder);
        for (const auto& e : expected)
            EXPECT_EQ(header(got, e.first), e.second) << e.first;
        EXPECT_EQ(sent.size(), expected.size()) << "a header more or less than the list";
        EXPECT_EQ(header(got, "X-Injected"), "<absent>");
    }
}

TEST_F(HttpClientLab, TheHttpsFlagAndThePortChooseWhereTheRequestGoes)
{
    set(1, R"({"network":{"web_port":8080,"https_port":443}})");
    web(1, R"("clear":true,"sessions":false,"answers":{"/API/A":{}})");
    webRequests(1);
    const QByteArray host = ip(1).toLatin1();
    struct Case {
        const char* what;
        QByteArray text;
        bool https;
        int portOverride;
        bool reaches;
        const char* scheme;
        int port;
    } cases[] = {
        { "port in the URL", "http://" + host + ":8080/API/A{}", false, 0, true, "http", 8080 },
        { "https flag without a port: 443, even for an http:// text", "http://" + host + "/API/A{}", true, 0,
            true, "https", 443 },
        { "the override wins", "http://" + host + ":81/API/A{}", false, 8080, true, "http", 8080 },
        { "the https override wins", "https://" + host + ":8080/API/A{}", true, 443, true, "https", 443 },
        { "no port, plain: 80, which this device does not serve", "http://" + host + "/API/A{}", false, 0,
            false, "", 0 },
        { "another scheme", "ftp://" + host + ":8080/API/A{}", false, 0, false, "", 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HttpClient client;
        client.setHttps(c.https);
        if (c.portOverride)
            client.setPort(c.portOverride);
        EXPECT_EQ(client.postJson(c.text), c.reaches);
        const std::vector<Json::Value> got = webRequests(1);
        if (!c.reaches) {
            EXPECT_TRUE(got.empty());
            continue;
        }
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0]["scheme"], c.scheme);
        EXPECT_EQ(got[0]["port"].asInt(), c.port);
        // The Host header names the host alone.
        EXPECT_EQ(header(got[0], "Host"), host.toStdString());
    }
    set(1, R"({"network":{"web_port":80,"https_port":0}})");
}

TEST_F(HttpClientLab, OnlyHttpStatus200IsSuccess)
{
    set(2, R"({"network":{"https_port":443}})");
    web(2, R"("clear":true,"sessions":false,"answers":{"/API/F":{"v":1}})");
    const QByteArray url = "http://" + ip(2).toLatin1() + "/API/F{}";
    struct Case {
        const char* what;
        const char* fault; // null: none
        bool https;
        bool ok;
        QByteArray body; // the response body kept
    } cases[] = {
        { "success", nullptr, false, true, R"({"data":{"v":1},"result":"success"})" },
        { "200 whatever the result", R"({"result":"busy"})", false, true,
            R"({"data":{"v":1},"result":"busy"})" },
        { "200 without JSON", R"({"body":"<html>"})", false, true, "<html>" },
        { "200 without a body", R"({"empty":true})", false, true, "" },
        { "500 with a body", R"({"status":500})", false, false, R"({"data":{"v":1},"result":"success"})" },
        { "201", R"({"status":201})", false, false, R"({"data":{"v":1},"result":"success"})" },
        { "302 without a place to go", R"({"status":302})", false, false,
            R"({"data":{"v":1},"result":"success"})" },
        { "connection reset", R"({"reset":true})", false, false, "" },
        { "TLS failure", R"({"tls":true})", true, false, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        web(2, std::string(R"("faults":{"/API/F":)") + (c.fault ? c.fault : "null") + "}");
        HttpClient client;
        client.setHttps(c.https);
        EXPECT_EQ(client.postJson(url), c.ok);
        EXPECT_EQ(client.responseBody(), c.body);
    }
    web(2, R"("faults":{"/API/F":null})");
}

TEST_F(HttpClientLab, ATimeOutLeavesConnectionTimedOut)
{
    web(2,
        R"("clear":true,"sessions":false,"answers":{"/API/Slow":{}},"faults":{"/API/Slow":{"delay_ms":3000}})");
    HttpClient client;
    client.setTimeouts(1000, 1000);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(client.postJson("http://" + ip(2).toLatin1() + "/API/Slow{}"));
    EXPECT_LT(timer.elapsed(), 2500);
    EXPECT_EQ(client.responseBody(), QByteArray("Connection timed out"));
    // The kept handle serves the next request.
    web(2, R"("faults":{"/API/Slow":null})");
    EXPECT_TRUE(client.postJson("http://" + ip(2).toLatin1() + "/API/Slow{}"));
}

TEST_F(HttpClientLab, DigestCredentialsAreOfferedOnlyWhenBothAreSet)
{
    web(3, R"("clear":true,"sessions":false,"answers":{"/API/D":{}},"digest":{"/API/D":true})");
    webRequests(3);
    const QByteArray url = "http://" + ip(3).toLatin1() + "/API/D{}";
    struct Case {
        const char* user;
        const char* password;
        bool ok;
    } cases[] = {
        { "", "", false },
        { "admin", "", false },
        { "", kPassword, false },
        { "admin", kPassword, true },
        { "admin", "wrong", false },
    };
    HttpClient reused; // one client through every case: nothing carries over
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user) + "/" + c.password);
        reused.setCredentials(QString::fromLatin1(c.user), QString::fromLatin1(c.password));
        EXPECT_EQ(reused.postJson(url), c.ok);
        bool authorized = false;
        for (const auto& r : webRequests(3))
            authorized = authorized || header(r, "Authorization") != "<absent>";
        EXPECT_EQ(authorized, *c.user && *c.password) << "credentials offered";
    }
}

TEST_F(HttpClientLab, TheTraceIsOffUnlessSwitchedOnAndNeverShowsSecrets)
{
    web(0, R"("clear":true,"sessions":false,"answers":{"/API/T":{}})");
    static QMutex mutex;
    static QStringList lines;
    QtMessageHandler previous
        = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
              QMutexLocker lock(&mutex);
              lines << m;
          });
    auto run = [&](bool trace) {
        HttpClient::setDebugOutput(trace);
        HttpClient client;
        client.setCookie("session=cookie-secret");
        client.setCsrfToken("token-secret");
        client.setCredentials(QStringLiteral("admin"), QStringLiteral("password-secret"));
        client.postJson("http://" + ip(0).toLatin1() + "/API/T{}");
        HttpClient::setDebugOutput(false);
        QMutexLocker lock(&mutex);
        const QStringList got = lines;
        lines.clear();
        return got.join('\n');
    };
    const QString quiet = run(false);
    const QString traced = run(true);
    qInstallMessageHandler(previous);
    EXPECT_FALSE(quiet.contains(QStringLiteral("curl"))) << quiet.toStdString();
    EXPECT_TRUE(traced.contains(QStringLiteral("curl > POST /API/T"))) << traced.toStdString();
    EXPECT_TRUE(traced.contains(QStringLiteral("Cookie: ***"))) << traced.toStdString();
    EXPECT_TRUE(traced.contains(QStringLiteral("X-csrftoken: ***"))) << traced.toStdString();
    EXPECT_FALSE(traced.contains(QStringLiteral("secret"))) << traced.toStdString();
}

TEST_F(HttpClientLab, AnUploadReachesTheDeviceOverHttpAndHttpsWhichRebootsIntoTheNewVersion)
{
    set(4, R"({"network":{"https_port":443}})");
    struct Case {
        const char* what;
        bool https;
        bool autoMode;
    } cases[] = { { "HTTP", false, false }, { "HTTPS", true, false }, { "HTTPS, auto mode", true, true } };
    int seed = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray firmware = image(3 * 1024 * 1024 + 17, ++seed);
        const Pending p
            = pendingUpgrade(4, c.https, firmware.size(), std::string("V9.") + std::to_string(seed));
        EventSink sink;
        HttpClient client;
        client.setReceiver(&sink);
        client.setAutoMode(c.autoMode);
        client.setCookie(p.cookie);
        client.setCsrfToken(p.csrfToken);
        client.setHttps(c.https);
        ASSERT_TRUE(client.upload(uploadUrl(4, c.https), p.token, QStringLiteral("fw.bin"),
            firmware.constData(), firmware.size(), 16))
            << client.responseBody().constData();
        expectProgress(sink.take(), c.autoMode ? AutoUpgradeEvent : UpgradeEvent);

        const Json::Value got = lastWebRequest(4);
        EXPECT_EQ(got["check"], "ok");
        EXPECT_EQ(got["size"].asInt(), firmware.size());
        EXPECT_EQ(got["sha256"].asString(), sha256Hex(firmware).toStdString());
        EXPECT_EQ(got["scheme"], c.https ? "https" : "http");
        const std::string host = ip(4).toStdString();
        const std::vector<std::pair<std::string, std::string>> ours = {
            { "Accept", "application/json,text/plain,*/*" },
            { "User-Agent", kUserAgent.toStdString() },
            { "Content-Length", std::to_string(firmware.size()) },
            { "Referer", (c.https ? "https://" : "http://") + host + "/" },
            { "Connection", "Keep-Alive" },
            { "Cache-Control", "no-cache" },
            { "X-csrftoken", p.csrfToken.toStdString() },
            { "Cookie", p.cookie.toStdString() },
            { "X-Upgrade-Token", p.token.toStdString() },
        };
        std::vector<std::pair<std::string, std::string>> sentOurs;
        for (const auto& h : headers(got))
            for (const auto& o : ours)
                if (h.first == o.first)
                    sentOurs.push_back(h);
        EXPECT_EQ(sentOurs, ours);
        EXPECT_EQ(header(got, "Host"), host);
        // No JSON marks of its own (libcurl names its form type).
        EXPECT_NE(header(got, "Content-Type"), "application/json");
        EXPECT_EQ(header(got, "X-Requested-With"), "<absent>");
        EXPECT_TRUE(comesBackWith(4, p.boots + 1, p.version)) << sim->log();
    }
}

TEST_F(HttpClientLab, RunInAutoModeUploadsTheFileNamedByItsParams)
{
    set(5, R"({"network":{"https_port":443}})");
    const QByteArray firmware = image(2 * 1024 * 1024 + 5, 7);
    const QString path = env.tempDir() + QStringLiteral("/firmware 1.bin");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(firmware);
    }
    for (const bool https : { false, true }) {
        SCOPED_TRACE(https ? "HTTPS" : "HTTP");
        const Pending p = pendingUpgrade(5, https, firmware.size(), https ? "V7.1-s" : "V7.1");
        EventSink sink;
        httpRequest upload; // the automatic upgrade's: no parent, a receiver
        upload.setReceiver(&sink);
        upload.setSession(p.cookie, p.csrfToken, ip(5), https, https ? 443 : 80);
        upload.setParams(uploadUrl(5, https), p.token, path, firmware.size(), 16);
        upload.setAutoMode(true);
        std::vector<std::pair<bool, bool>> finished; // (auto, ok)
        QObject::connect(&upload, &httpRequest::taskAutoFinished, [&](bool ok) {
            finished.push_back({ true, ok });
        });
        QObject::connect(&upload, &httpRequest::taskFinished, [&](bool ok) {
            finished.push_back({ false, ok });
        });
        upload.start();
        ASSERT_TRUE(upload.wait(20000));
        QCoreApplication::processEvents();
        ASSERT_EQ(finished.size(), 1u);
        EXPECT_TRUE(finished[0].first);
        EXPECT_TRUE(finished[0].second) << upload.responseBody().constData();
        expectProgress(sink.take(), AutoUpgradeEvent);
        const Json::Value got = lastWebRequest(5);
        EXPECT_EQ(got["check"], "ok");
        EXPECT_EQ(got["sha256"].asString(), sha256Hex(firmware).toStdString());
        EXPECT_TRUE(comesBackWith(5, p.boots + 1, p.version)) << sim->log();
    }
}

TEST_F(HttpClientLab, AnUploadWithoutItsBytesFailsBeforeAnythingIsSent)
{
    const QString missing = env.tempDir() + QStringLiteral("/missing.bin");
    const QString shortFile = env.tempDir() + QStringLiteral("/short.bin");
    {
        QFile file(shortFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(image(1000, 1));
    }
    BytesSource none { QByteArray() };
    BytesSource small { image(1000, 1) };
    struct Case {
        const char* what;
        bool autoMode;
        QString file;
        const UploadDataSource* source;
    } cases[] = {
        { "manual, no data source yet", false, QString(), nullptr },
        { "manual, nothing loaded", false, QString(), &none },
        { "manual, fewer bytes than announced", false, QString(), &small },
        { "auto, no such file", true, missing, nullptr },
        { "auto, the file changed size", true, shortFile, nullptr },
    };
    const Pending p = pendingUpgrade(0, false, 4096, "V0");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EventSink sink;
        httpRequest upload(&sink);
        upload.setSession(p.cookie, p.csrfToken, ip(0), 0, 80);
        upload.setParams(uploadUrl(0, false), p.token, c.file, 4096, 16);
        upload.setAutoMode(c.autoMode);
        upload.setDataSource(c.source);
        bool result = true;
        int finished = 0;
        auto record = [&](bool ok) {
            result = ok;
            ++finished;
        };
        QObject::connect(
            &upload, c.autoMode ? &httpRequest::taskAutoFinished : &httpRequest::taskFinished, record);
        upload.start();
        ASSERT_TRUE(upload.wait(5000));
        EXPECT_EQ(finished, 1);
        EXPECT_FALSE(result);
        EXPECT_TRUE(sink.take().isEmpty());
        EXPECT_TRUE(webRequests(0).empty()) << "something reached the device";
    }
}

TEST_F(HttpClientLab, TheSpeedFactorLimitsSendingAndSizeZeroPostsNoProgress)
{
    // Factor 1 is 512 KiB/s: 1.5 MiB take about three seconds; factor 16
    // sends the same at once.
    const QByteArray firmware = image(3 * 512 * 1024, 3);
    struct Case {
        int factor;
        qint64 atLeastMs;
        qint64 atMostMs;
    } cases[] = { { 1, 2500, 6000 }, { 16, 0, 1500 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.factor);
        const Pending p = pendingUpgrade(3, false, firmware.size(), "V5." + std::to_string(c.factor));
        HttpClient client;
        client.setCookie(p.cookie);
        client.setCsrfToken(p.csrfToken);
        QElapsedTimer timer;
        timer.start();
        EXPECT_TRUE(client.upload(
            uploadUrl(3, false), p.token, QString(), firmware.constData(), firmware.size(), c.factor));
        EXPECT_GE(timer.elapsed(), c.atLeastMs);
        EXPECT_LE(timer.elapsed(), c.atMostMs);
        EXPECT_TRUE(comesBackWith(3, p.boots + 1, p.version)) << sim->log();
    }

    // Nothing to send: no percentage, and the device refuses the size.
    const Pending p = pendingUpgrade(3, false, 10, "V5.0");
    EventSink sink;
    HttpClient client;
    client.setReceiver(&sink);
    client.setCookie(p.cookie);
    client.setCsrfToken(p.csrfToken);
    EXPECT_FALSE(client.upload(uploadUrl(3, false), p.token, QString(), "", 0, 16));
    EXPECT_TRUE(sink.take().isEmpty());
    const Json::Value got = lastWebRequest(3);
    EXPECT_EQ(header(got, "Content-Length"), "0");
}

TEST_F(HttpClientLab, ACancelledUploadEndsAtItsNextProgressCallWithFalse)
{
    // 4 MiB at 512 KiB/s would take eight seconds.
    const QByteArray firmware = image(4 * 1024 * 1024, 9);
    for (const bool https : { false, true }) {
        SCOPED_TRACE(https ? "HTTPS" : "HTTP");
        set(1, https ? R"({"network":{"https_port":443}})" : R"({"network":{"https_port":0}})");
        const Pending p = pendingUpgrade(1, https, firmware.size(), "V6");
        BytesSource source { firmware };
        EventSink sink;
        httpRequest upload(&sink);
        upload.setSession(p.cookie, p.csrfToken, ip(1), https, https ? 443 : 80);
        upload.setParams(uploadUrl(1, https), p.token, QStringLiteral("fw.bin"), firmware.size(), 1);
        upload.setDataSource(&source);
        std::atomic<int> results { 0 };
        std::atomic<bool> result { true };
        QObject::connect(
            &upload, &httpRequest::taskFinished, &sink,
            [&](bool ok) {
                result = ok;
                ++results;
            },
            Qt::DirectConnection);
        upload.start();
        ASSERT_TRUE(waitFor([&] { return !sink.take().isEmpty() && sink.events.back().value >= 10; }, 5000));

        QElapsedTimer timer;
        timer.start();
        upload.cancel();
        const int seenAtCancel = sink.take().size();
        ASSERT_TRUE(upload.wait(3000)) << "the upload did not end after cancel";
        EXPECT_LT(timer.elapsed(), 1500);
        EXPECT_EQ(results.load(), 1);
        EXPECT_FALSE(result.load());
        EXPECT_EQ(sink.take().size(), seenAtCancel) << "progress posted after cancel";
        EXPECT_LT(sink.events.back().value, 100);
        // The device got no whole image and stays as it was.
        ASSERT_TRUE(waitFor([&] { return lastWebRequest(1)["check"] == "incomplete"; }, 3000));
        EXPECT_NE(state(1)["firmware"], "V6");
    }
    set(1, R"({"network":{"https_port":0}})");
}

TEST_F(HttpClientLab, ADeletedDeviceCancelsItsUploadAndWaitsForIt)
{
    const QByteArray firmware = image(4 * 1024 * 1024, 11);
    const Pending p = pendingUpgrade(2, false, firmware.size(), "V8");
    BytesSource source { firmware };
    auto* device = new DeviceInfo;
    auto* upload = new httpRequest(device); // the upgrade page's: the device is parent and receiver
    upload->setSession(p.cookie, p.csrfToken, ip(2), 0, 80);
    upload->setParams(uploadUrl(2, false), p.token, QStringLiteral("fw.bin"), firmware.size(), 1);
    upload->setDataSource(&source);
    device->uploadThread = upload;
    QPointer<httpRequest> alive(upload);
    upload->start();
    QThread::msleep(1200); // under way: about 600 KiB sent
    ASSERT_FALSE(upload->isFinished());

    QElapsedTimer timer;
    timer.start();
    delete device;
    EXPECT_LT(timer.elapsed(), 2000) << "well within the record's bound of " << DeviceInfo::kUploadStopWaitMs;
    EXPECT_TRUE(alive.isNull());
    QCoreApplication::processEvents();
    EXPECT_NE(state(2)["firmware"], "V8");
}

} // namespace
