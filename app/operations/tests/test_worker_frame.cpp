// The operation workers' common frame: the transport choice, the request
// text and envelope, how a reply is read (error against fail), the transfer
// key that comes first, the requests of one run on a loopback web interface,
// and the end of a run.
#include "LoopbackWeb.h"
#include "StateMachineFixture.h"
#include "devices/WebSecrets.h"
#include "operations/WorkerFrame.h"
#include "shell/Utilities.h"

#include <QJsonArray>
#include <arpa/inet.h>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using machine_test::LoopbackWeb;
using machine_test::MachineFixture;
using machine_test::setAddress;
using namespace WorkerFrame;

namespace
{

QByteArray saltReply(const QJsonValue& seq = 7)
{
    return R"({"result":"success","data":{"Key_lists":[{"type":"base_salt","key":"c2FsdHNhbHRzYWx0","iter":10,"seq":)"
        + QByteArray::number(seq.toInt()) + "}]}}";
}

} // namespace

TEST(WorkerFrame, TheTransportFollowsProtocolAndEdition)
{
    EXPECT_EQ(transportFor(false, 1), Transport::VLNet);
    EXPECT_EQ(transportFor(false, 0), Transport::Web);
    EXPECT_EQ(transportFor(true, 1), Transport::Web);

    // Protocol 1 with customer 43: the web interface all the same.
    ShellTestOptions o;
    o.edition = 43;
    o.curpro = 1;
    {
        ShellTestEnv env(o);
        EXPECT_EQ(transport(), Transport::Web);
    }
    o.edition = 0;
    ShellTestEnv env(o);
    EXPECT_EQ(GKAppSetting::instance()->protocol(), 1);
    EXPECT_EQ(transport(), Transport::VLNet);
}

TEST(WorkerFrame, TheRequestTextAndTheEnvelope)
{
    MachineFixture f;
    setAddress(*f.device, "192.168.1.64", 8080);
    f.device->cookie = "session=1";
    f.device->csrfToken = "tok";

    f.device->isHttps = false;
    ClientSetup plain = clientSetup(f.device.get());
    EXPECT_EQ(plain.requestText("/API/Maintenance/DeviceReboot/Set", envelope({ { "reboot", true } })),
        QByteArray(
            R"(http://192.168.1.64:8080/API/Maintenance/DeviceReboot/Set{"data":{"reboot":true},"version":"1.0"})"));
    EXPECT_EQ(envelope({}), QByteArray(R"({"data":{},"version":"1.0"})"));
    EXPECT_EQ(plain.cookie, QByteArray("session=1"));
    EXPECT_EQ(plain.csrfToken, QByteArray("tok"));
    EXPECT_EQ(plain.host, QStringLiteral("192.168.1.64"));

    f.device->isHttps = true;
    setAddress(*f.device, "10.0.0.5", 65535);
    const ClientSetup secure = clientSetup(f.device.get());
    EXPECT_TRUE(secure.https);
    EXPECT_EQ(secure.requestText("/API/Web/Logout"), QByteArray("https://10.0.0.5:65535/API/Web/Logout"));
    // What the client makes of the text: the same host, port, path and body.
    HttpClient client;
    secure.apply(client);
    const auto parts = client.splitUrl(secure.requestText("/API/X/Get", envelope({ { "a", 1 } })));
    EXPECT_TRUE(parts.ok);
    EXPECT_EQ(parts.port, 65535);
    EXPECT_EQ(parts.path, QByteArray("/API/X/Get"));
    EXPECT_EQ(parts.body, QByteArray(R"({"data":{"a":1},"version":"1.0"})"));
}

TEST(WorkerFrame, AReplyIsErrorUnlessItParsesAndOkOnlyForExactlySuccess)
{
    struct Case {
        const char* body;
        bool httpOk;
        Outcome outcome;
    } cases[] = {
        { "", false, Outcome::Error }, // no reply
        { "Connection timed out", false, Outcome::Error },
        { "<html><body>404</body></html>", true, Outcome::Error },
        { R"({"result":"succ)", true, Outcome::Error }, // cut off
        { "[1,2]", true, Outcome::Error }, // no object
        { R"({"result":"success"})", true, Outcome::Ok },
        { R"({"result":"success","data":{"x":1}})", false, Outcome::Ok }, // the body decides
        { R"({"result":"Success"})", true, Outcome::Fail },
        { R"({"result":"SUCCESS"})", true, Outcome::Fail },
        { R"({"result":"success "})", true, Outcome::Fail },
        { R"({"result":"fail"})", true, Outcome::Fail },
        { R"({"result":1})", true, Outcome::Fail },
        { R"({"data":{}})", true, Outcome::Fail }, // no result
        { "{}", true, Outcome::Fail },
    };
    for (const Case& c : cases) {
        const Reply r = readReply(c.httpOk, c.body);
        EXPECT_EQ(r.outcome, c.outcome) << c.body;
        EXPECT_EQ(r.httpOk, c.httpOk) << c.body;
    }
    EXPECT_EQ(readReply(true, R"({"result":"success","data":{"x":1}})").data().value("x").toInt(), 1);
}

TEST(WorkerFrame, ASecondAuthenticationNeedsAUsableSaltEntry)
{
    const QString password = QStringLiteral("admin123");
    const auto ok = secondaryAuthFrom(jsonFromBytes(saltReply(7)), password);
    ASSERT_TRUE(ok.has_value());
    EXPECT_EQ(
        ok->value("cipher").toString(), *WebSecrets::secondaryAuthCipher(password, "c2FsdHNhbHRzYWx0", 10));
    EXPECT_EQ(ok->value("seq").toInt(), 7);

    const char* unusable[] = {
        R"({"result":"success"})",
        R"({"result":"success","data":{}})",
        R"({"result":"success","data":{"Key_lists":[]}})",
        R"({"data":{"Key_lists":[{"type":"base_salt","key":"c2FsdHNhbHRzYWx0","seq":1}]}})", // no iter
        R"({"data":{"Key_lists":[{"type":"base_salt","iter":10,"seq":1}]}})", // no key
        R"({"data":{"Key_lists":[{"type":"base_salt","key":"c2FsdHNhbHRzYWx0","iter":10}]}})", // no seq
        R"({"data":{"Key_lists":[{"type":"base_salt","key":"c2FsdHNhbHRzYWx0","iter":0,"seq":1}]}})",
        R"({"data":{"Key_lists":["base_salt"]}})",
    };
    for (const char* reply : unusable)
        EXPECT_FALSE(secondaryAuthFrom(jsonFromBytes(reply), password).has_value()) << reply;
}

TEST(WorkerFrame, ARunSendsItsRequestsOnOneSetUpClient)
{
    MachineFixture f;
    LoopbackWeb web({ saltReply(3), R"({"result":"success","data":{"done":1}})" });
    setAddress(*f.device, "127.0.0.1", web.port());
    f.device->cookie = "sid=abc";
    f.device->csrfToken = "csrf-1";
    f.device->password = QStringLiteral("pw");

    WebRun run(f.device.get());
    const auto auth = run.secondaryAuth();
    ASSERT_TRUE(auth.has_value());
    QJsonObject data { { "reboot", true } };
    data.insert("base_secondary_authentication", *auth);
    const Reply reply = run.postData("/API/Maintenance/DeviceReboot/Set", data);
    EXPECT_EQ(reply.outcome, Outcome::Ok);
    EXPECT_EQ(reply.data().value("done").toInt(), 1);

    ASSERT_EQ(run.sent().size(), 2);
    const QByteArray origin = "http://127.0.0.1:" + QByteArray::number(web.port());
    EXPECT_EQ(run.sent()[0], origin + R"(/API/Maintenance/TransKey/Get{"data":{"type":["base_salt"]}})");
    ASSERT_EQ(web.requests.size(), 2);
    EXPECT_TRUE(web.requests[0].startsWith("POST /API/Maintenance/TransKey/Get HTTP/1.1\r\n"));
    EXPECT_TRUE(web.requests[0].endsWith(R"({"data":{"type":["base_salt"]}})"));
    const QByteArray second = web.requests[1];
    EXPECT_TRUE(second.startsWith("POST /API/Maintenance/DeviceReboot/Set HTTP/1.1\r\n"));
    EXPECT_TRUE(second.contains("sid=abc"));
    EXPECT_TRUE(second.contains("csrf-1"));
    const QJsonObject body = jsonFromBytes(second.mid(second.indexOf("\r\n\r\n") + 4));
    EXPECT_EQ(body.value("version").toString(), QStringLiteral("1.0"));
    const QJsonObject sentAuth
        = body.value("data").toObject().value("base_secondary_authentication").toObject();
    EXPECT_EQ(
        sentAuth.value("cipher").toString(), *WebSecrets::secondaryAuthCipher("pw", "c2FsdHNhbHRzYWx0", 10));
    EXPECT_EQ(sentAuth.value("seq").toInt(), 3);
}

TEST(WorkerFrame, AKeyReplyWithoutAnEntryOrAnHtmlReplyIsAnError)
{
    MachineFixture f;
    {
        LoopbackWeb web({ R"({"result":"success","data":{}})" });
        setAddress(*f.device, "127.0.0.1", web.port());
        WebRun run(f.device.get());
        EXPECT_FALSE(run.secondaryAuth().has_value());
        EXPECT_EQ(run.sent().size(), 1); // the operation's request is not sent
    }
    {
        LoopbackWeb web({ "<html>login</html>" });
        setAddress(*f.device, "127.0.0.1", web.port());
        WebRun run(f.device.get());
        EXPECT_EQ(run.postData("/API/X/Set", {}).outcome, Outcome::Error);
    }
    // Nobody listening: no reply at all.
    unsigned closedPort = 0;
    {
        LoopbackWeb web({});
        closedPort = web.port();
    }
    setAddress(*f.device, "127.0.0.1", closedPort);
    WebRun run(f.device.get());
    const Reply none = run.postData("/API/X/Set", {});
    EXPECT_EQ(none.outcome, Outcome::Error);
    EXPECT_FALSE(none.httpOk);
}

TEST(WorkerFrame, TheEndOfARunStoresOneStatusTellsThePageAndLogsOut)
{
    MachineFixture f;
    f.watch(&DeviceInfo::rebootPage, "reboot");
    f.device->operation = DeviceInfo::Reboot;
    finish(f.device.get(), 61, f.device->rebootPage);
    EXPECT_EQ(f.device->lastStatus(), 61);
    EXPECT_EQ(f.heard, QStringList { "reboot refresh" });
    EXPECT_EQ(f.logouts, 1);

    // No page, no logout: only the status.
    f.clearJournals();
    finish(f.device.get(), 62, nullptr, false);
    EXPECT_EQ(f.device->lastStatus(), 62);
    EXPECT_TRUE(f.heard.isEmpty());
    EXPECT_EQ(f.logouts, 0);
    finish(nullptr, 1, nullptr); // nothing

    // The last step of an automatic upgrade drops the device from the page.
    f.clearJournals();
    finish(f.device.get(), 5, f.device->rebootPage, true, true);
    EXPECT_EQ(f.heard, QStringList { "reboot remove" });
    EXPECT_EQ(f.logouts, 1);
}

// Last in this file: it stops the process-wide pool, which no test here
// needs.
TEST(WorkerFrame, ARunSendsNothingOnceThePoolStops)
{
    MachineFixture f;
    LoopbackWeb web({ R"({"result":"success"})" });
    setAddress(*f.device, "127.0.0.1", web.port());
    WorkPool::instance()->stop();
    WebRun run(f.device.get());
    EXPECT_EQ(run.postData("/API/X/Set", {}).outcome, Outcome::Error);
    EXPECT_FALSE(run.secondaryAuth().has_value());
    EXPECT_TRUE(run.sent().isEmpty());
    // Let the loopback server's accept end.
    HttpClient client;
    client.setTimeouts(1000, 2000);
    client.postJson("http://127.0.0.1:" + QByteArray::number(web.port()) + "/API/X/Set{}");
}
