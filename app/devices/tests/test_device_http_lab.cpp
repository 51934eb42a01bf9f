// Web-interface requests of device records on the GUI thread, and the web
// secrets, against simulated devices: what a device receives (address,
// scheme, port, headers, body), which replies reach which continuation,
// Digest challenges answered only with the asking record's credentials,
// replies that outlive their record, the transfer-key exchange with the
// objects built from it and what the device makes of them, and the account
// rules that the program and the device share.
#include "ShellTestEnv.h"
#include "common/hex.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "devices/HttpClient.h"
#include "devices/WebSecrets.h"
#include "shell/Utilities.h"
#include "support/devsim_lab.h"
#include "support/poll.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QPointer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace
{

constexpr const char* kPassword = "Admin_123";

// Delivers posted events and replies while `done` is false.
bool waitFor(const std::function<bool()>& done, int ms)
{
    return vltest::pollUntil(
        [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            return done();
        },
        ms);
}

// What the continuations of one request got.
struct Outcome {
    int successes = 0;
    int failures = 0;
    bool stored = false; // onTransKeyReply's answer
    QJsonObject reply;
    HttpRequestParam failed;
    bool done() const { return successes + failures > 0; }
};

// A request whose continuations fill `outcome`.
HttpRequestParam request(const QString& path, const QByteArray& body, const std::shared_ptr<Outcome>& outcome)
{
    HttpRequestParam p;
    p.path = path;
    p.body = body;
    p.failureEventType = 1030;
    p.failureCode = 1034;
    p.onSuccess = [outcome](DeviceInfo*, const QJsonObject& reply) {
        ++outcome->successes;
        outcome->reply = reply;
    };
    p.onFailure = [outcome](DeviceInfo*, const HttpRequestParam& param) {
        ++outcome->failures;
        outcome->failed = param;
        // The copy's continuations hold the outcome: no cycle.
        outcome->failed.onSuccess = nullptr;
        outcome->failed.onFailure = nullptr;
    };
    return p;
}

class DeviceHttpLab : public vltest::DevsimLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(HttpClient::globalInit());
        startDevsim({ "--generate", "12", "--inactive-percent", "0", "--onvif-percent", "0", "--password",
            kPassword });
        const Json::Value list = sim->must(R"({"cmd":"list"})")["devices"];
        for (const auto& d : list) {
            if (d["kind"] == "ipc" && camera < 0)
                camera = d["index"].asInt();
            if (d["kind"] != "ipc" && recorder < 0)
                recorder = d["index"].asInt();
        }
        ASSERT_GE(camera, 0);
        ASSERT_GE(recorder, 0);
    }
    static void TearDownTestSuite()
    {
        stopDevsim();
        EXPECT_TRUE(HttpClient::globalCleanup());
    }

    static Json::Value web(int n, const std::string& fields)
    {
        return sim->must("{\"cmd\":\"web\",\"device\":" + std::to_string(n) + "," + fields + "}");
    }
    // The record of device n as a search fills it, with the credentials of
    // its administrator; with `session`, a web session of its own.
    static std::unique_ptr<DeviceInfo> record(int n, bool session, bool https = false)
    {
        auto d = std::make_unique<DeviceInfo>();
        const Json::Value net = state(n)["network"];
        copyRecordText(d->searchRecord.sdk.ip, net["ip"].asCString());
        copyRecordText(d->searchRecord.sdk.mac_addr, state(n)["mac"].asCString());
        d->searchRecord.sdk.web_port = https ? net["https_port"].asUInt() : net["web_port"].asUInt();
        d->isHttps = https;
        d->user = QStringLiteral("admin");
        d->password = QString::fromLatin1(kPassword);
        if (session) {
            const Json::Value s = web(n,
                std::string("\"login\":{\"user\":\"admin\",\"https\":") + (https ? "true" : "false")
                    + "}")["session"];
            d->cookie = QByteArray::fromStdString(s["cookie"].asString());
            d->csrfToken = QByteArray::fromStdString(s["token"].asString());
        }
        return d;
    }
    // The web requests device n received since the last call, oldest first,
    // once at least `count` are there.
    static std::vector<Json::Value> webRequests(int n, std::size_t count = 0)
    {
        std::vector<Json::Value> out;
        vltest::pollUntil(
            [&] {
                const Json::Value list = sim->must(
                    "{\"cmd\":\"received\",\"clear\":true,\"device\":" + std::to_string(n) + "}")["received"];
                for (const auto& entry : list)
                    if (entry["transport"] == "web")
                        out.push_back(entry);
                return out.size() >= count;
            },
            5000);
        return out;
    }
    static std::string header(const Json::Value& request, const std::string& name)
    {
        for (const auto& h : request["headers"])
            if (h[0].asString() == name)
                return h[1].asString();
        return "<absent>";
    }
    // Sends `param` for `d` and waits for its continuation.
    static bool send(DeviceInfo& d, const HttpRequestParam& param, const std::shared_ptr<Outcome>& outcome)
    {
        d.sendHttpRequest(param);
        return waitFor([&] { return outcome->done(); }, 15000);
    }

    // A key of `type` from device n, turned into its object on `d`.
    static bool fetchKey(DeviceInfo& d, const QString& type)
    {
        auto outcome = std::make_shared<Outcome>();
        d.requestTransKey(
            type, 1030, 1034,
            [outcome](DeviceInfo* device, const QJsonObject& reply) {
                ++outcome->successes;
                outcome->reply = reply;
                outcome->stored = device->onTransKeyReply(reply);
            },
            [outcome](DeviceInfo*, const HttpRequestParam&) { ++outcome->failures; });
        return waitFor([&] { return outcome->done(); }, 15000) && outcome->successes == 1 && outcome->stored;
    }
    // What device n made of a secret sent to a path it answers with success.
    static Json::Value sendSecret(
        DeviceInfo& d, int n, const QString& path, const QString& key, const QJsonObject& object)
    {
        web(n, "\"answers\":{\"/" + path.toStdString() + "\":{}}");
        webRequests(n);
        QJsonObject data { { key, object } };
        auto outcome = std::make_shared<Outcome>();
        EXPECT_TRUE(send(d,
            request(path,
                jsonToBytes(QJsonObject {
                    { QStringLiteral("version"), QStringLiteral("1.0") }, { QStringLiteral("data"), data } }),
                outcome),
            outcome));
        EXPECT_EQ(outcome->successes, 1);
        const auto got = webRequests(n, 1);
        return got.empty() ? Json::Value() : got.back();
    }

    // An edition that checks account rules; the rest is alike for all.
    static ShellTestOptions checkingEdition()
    {
        ShellTestOptions o;
        o.edition = 43;
        return o;
    }

    inline static int camera = -1;
    inline static int recorder = -1;
    ShellTestEnv env { checkingEdition() };
};

} // namespace

TEST_F(DeviceHttpLab, RequestReachesTheDevicesPortWithItsHeaders)
{
    sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(camera)
        + ",\"state\":{\"network\":{\"https_port\":443}}}");
    for (const bool https : { false, true }) {
        SCOPED_TRACE(https ? "https" : "http");
        const int n = camera;
        web(n, R"("clear":true)");
        auto d = record(n, true, https);
        webRequests(n);
        auto outcome = std::make_shared<Outcome>();
        ASSERT_TRUE(send(*d, request(QStringLiteral("API/AccountRules/Get"), "{}", outcome), outcome));
        ASSERT_EQ(outcome->successes, 1);
        // The whole reply, "result" included.
        EXPECT_EQ(outcome->reply.value(QStringLiteral("result")).toString(), QStringLiteral("success"));
        EXPECT_EQ(outcome->reply.value(QStringLiteral("data"))
                      .toObject()
                      .value(QStringLiteral("password"))
                      .toObject()
                      .value(QStringLiteral("min_length"))
                      .toInt(),
            8);

        const auto got = webRequests(n, 1);
        ASSERT_EQ(got.size(), 1u);
        const Json::Value& r = got[0];
        EXPECT_EQ(r["path"], "/API/AccountRules/Get");
        EXPECT_EQ(r["scheme"], https ? "https" : "http");
        EXPECT_EQ(r["port"].asUInt(), d->searchRecord.sdk.web_port);
        EXPECT_EQ(r["body"], "{}");
        EXPECT_TRUE(r["authorized"].asBool());
        EXPECT_EQ(
            header(r, "User-Agent"), "Mozilla/5.0 (Windows NT 10.0; WOW64; Trident/7.0; rv:11.0) like Gecko");
        EXPECT_EQ(header(r, "Content-Type"), "application/json");
        EXPECT_EQ(header(r, "Accept"), "application/json");
        EXPECT_EQ(header(r, "Accept-Encoding"), "identity");
        EXPECT_EQ(header(r, "Content-Length"), "2");
        EXPECT_EQ(header(r, "X-Requested-With"), "XMLHttpRequest");
        EXPECT_EQ(header(r, "Cache-Control"), "no-cache");
        EXPECT_EQ(header(r, "X-csrftoken"), d->csrfToken.toStdString());
        EXPECT_EQ(header(r, "Cookie"), d->cookie.toStdString());
        // Ours in the order given (Qt writes the length itself, last), each
        // once.
        std::vector<std::string> order;
        for (const auto& h : r["headers"])
            for (const char* name : { "Host", "Accept", "Content-Length", "Cache-Control", "X-Requested-With",
                     "X-csrftoken", "Cookie" })
                if (h[0].asString() == name)
                    order.push_back(name);
        EXPECT_EQ(order,
            (std::vector<std::string> { "Accept", "Host", "Cache-Control", "X-Requested-With", "X-csrftoken",
                "Cookie", "Content-Length" }));
    }
}

TEST_F(DeviceHttpLab, EmptySessionValuesAreSentAndHeaderLinesCannotBeAdded)
{
    const int n = camera;
    web(n, R"("clear":true,"sessions":false)");
    auto d = record(n, false);
    webRequests(n);
    auto outcome = std::make_shared<Outcome>();
    ASSERT_TRUE(send(*d, request(QStringLiteral("API/AccountRules/Get"), "{}", outcome), outcome));
    EXPECT_EQ(outcome->successes, 1);
    auto got = webRequests(n, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(header(got[0], "X-csrftoken"), "");
    EXPECT_EQ(header(got[0], "Cookie"), "");

    d->cookie = "a=1\r\nX-Injected: 1";
    outcome = std::make_shared<Outcome>();
    ASSERT_TRUE(send(*d, request(QStringLiteral("API/AccountRules/Get"), "{}", outcome), outcome));
    got = webRequests(n, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(header(got[0], "X-Injected"), "<absent>");
    web(n, R"("clear":true)");
}

TEST_F(DeviceHttpLab, OnlyTheResultDecidesNotTheStatus)
{
    const int n = camera;
    web(n, R"("clear":true,"faults":{"/API/AccountRules/Get":{"status":500}})");
    auto d = record(n, true);
    webRequests(n);
    auto outcome = std::make_shared<Outcome>();
    ASSERT_TRUE(send(*d, request(QStringLiteral("API/AccountRules/Get"), "{}", outcome), outcome));
    EXPECT_EQ(outcome->successes, 1);
    EXPECT_EQ(outcome->failures, 0);
    EXPECT_EQ(outcome->reply.value(QStringLiteral("result")).toString(), QStringLiteral("success"));
    const auto got = webRequests(n, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0]["status"].asInt(), 500);
    web(n, R"("clear":true)");
}

TEST_F(DeviceHttpLab, EveryOtherEndReachesTheFailureContinuationWithTheRequest)
{
    const int n = camera;
    struct Case {
        const char* what;
        std::string fault;
    } cases[] = {
        { "another result", R"({"result":"fail"})" },
        { "no JSON", R"({"body":"<html>busy</html>"})" },
        { "empty body", R"({"empty":true})" },
        { "connection reset", R"({"reset":true})" },
        { "a JSON array", R"({"body":"[\"success\"]"})" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        web(n, "\"clear\":true,\"faults\":{\"/API/AccountRules/Get\":" + c.fault + "}");
        auto d = record(n, true);
        auto outcome = std::make_shared<Outcome>();
        HttpRequestParam p = request(QStringLiteral("API/AccountRules/Get"), R"({"data":{}})", outcome);
        p.extra = QStringLiteral("kept");
        p.failureEventType = 1001;
        p.failureCode = 390;
        ASSERT_TRUE(send(*d, p, outcome));
        EXPECT_EQ(outcome->successes, 0);
        ASSERT_EQ(outcome->failures, 1);
        EXPECT_EQ(outcome->failed.path, p.path);
        EXPECT_EQ(outcome->failed.body, p.body);
        EXPECT_EQ(outcome->failed.extra, p.extra);
        EXPECT_EQ(outcome->failed.failureEventType, 1001);
        EXPECT_EQ(outcome->failed.failureCode, 390);
    }
    web(n, R"("clear":true)");

    // TLS that breaks, or a handshake the device refuses.
    sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(n)
        + ",\"state\":{\"network\":{\"https_port\":443}}}");
    for (const char* fault :
        { R"("faults":{"/API/AccountRules/Get":{"tls":true}})", R"("tls_refuse":true)" }) {
        SCOPED_TRACE(fault);
        web(n, std::string("\"clear\":true,") + fault);
        auto d = record(n, true, true);
        auto outcome = std::make_shared<Outcome>();
        ASSERT_TRUE(send(*d, request(QStringLiteral("API/AccountRules/Get"), "{}", outcome), outcome));
        EXPECT_EQ(outcome->failures, 1);
    }
    web(n, R"("clear":true)");

    // Nothing listens: the record's port is no web port of the device.
    auto d = record(n, false);
    d->searchRecord.sdk.web_port = 1;
    auto outcome = std::make_shared<Outcome>();
    ASSERT_TRUE(send(*d, request(QStringLiteral("API/AccountRules/Get"), "{}", outcome), outcome));
    EXPECT_EQ(outcome->failures, 1);
}

TEST_F(DeviceHttpLab, ChallengesAreAnsweredOnlyWithTheAskingRecordsCredentials)
{
    // Three devices, three passwords, all asked at once.
    const std::vector<int> devices = { 3, 4, 5 };
    std::vector<std::unique_ptr<DeviceInfo>> records;
    std::vector<std::shared_ptr<Outcome>> outcomes;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const int n = devices[i];
        const std::string password = "Own_Pass" + std::to_string(i);
        sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(n)
            + ",\"state\":{\"users\":[{\"name\":\"admin\"," + "\"password\":\"" + password + "\"}]}}");
        web(n, R"("clear":true,"sessions":false,"digest":{"/API/AccountRules/Get":true})");
        webRequests(n);
        records.push_back(record(n, false));
        records.back()->password = QString::fromStdString(password);
        outcomes.push_back(std::make_shared<Outcome>());
    }
    for (std::size_t i = 0; i < devices.size(); ++i)
        records[i]->sendHttpRequest(request(QStringLiteral("API/AccountRules/Get"), "{}", outcomes[i]));
    ASSERT_TRUE(waitFor(
        [&] {
            for (const auto& o : outcomes)
                if (!o->done())
                    return false;
            return true;
        },
        15000));
    for (std::size_t i = 0; i < devices.size(); ++i) {
        SCOPED_TRACE(devices[i]);
        EXPECT_EQ(outcomes[i]->successes, 1);
        // The challenge, then its answer with this device's own password.
        std::vector<bool> digests;
        for (const auto& r : webRequests(devices[i], 2))
            digests.push_back(r["digest"].asBool());
        EXPECT_EQ(digests, (std::vector<bool> { false, true }));
    }

    // A wrong password ends in the failure continuation, not in a loop.
    const int other = 6;
    web(other, R"("clear":true,"sessions":false,"digest":{"/API/AccountRules/Get":true})");
    webRequests(other);
    auto stranger = record(other, false);
    stranger->password = QStringLiteral("not_it_1");
    auto wrong = std::make_shared<Outcome>();
    ASSERT_TRUE(send(*stranger, request(QStringLiteral("API/AccountRules/Get"), "{}", wrong), wrong));
    EXPECT_EQ(wrong->failures, 1);
    std::vector<bool> digests;
    for (const auto& r : webRequests(other, 2))
        digests.push_back(r["digest"].asBool());
    EXPECT_EQ(digests, (std::vector<bool> { false, false }));
    web(other, R"("clear":true)");

    for (std::size_t i = 0; i < devices.size(); ++i) {
        web(devices[i], R"("clear":true)");
        sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(devices[i])
            + ",\"state\":{\"users\":[{\"name\":\"admin\",\"password\":\"" + kPassword + "\"}]}}");
    }
}

TEST_F(DeviceHttpLab, DeletingARecordAbortsItsReplies)
{
    const int n = camera;
    web(n, R"("clear":true,"faults":{"/API/AccountRules/Get":{"delay_ms":1500}})");
    auto d = record(n, true);
    auto outcome = std::make_shared<Outcome>();
    d->sendHttpRequest(request(QStringLiteral("API/AccountRules/Get"), "{}", outcome));
    // The request leaves; the answer waits at the device.
    QElapsedTimer t;
    t.start();
    waitFor([&] { return t.elapsed() > 300; }, 2000);
    d.reset();
    // Well past the answer: nothing reaches the deleted record.
    t.restart();
    waitFor([&] { return t.elapsed() > 2500; }, 5000);
    EXPECT_FALSE(outcome->done());
    web(n, R"("clear":true)");
}

TEST_F(DeviceHttpLab, EncryptedPasswordOpensOnTheDeviceOnce)
{
    const int n = camera;
    web(n, R"("clear":true)");
    auto d = record(n, true);
    webRequests(n);
    // A Latin-1 letter (a byte from 128 up) crosses as it is.
    d->newPassword = QStringLiteral("Caf\u00e9_Admin1");
    ASSERT_TRUE(fetchKey(*d, QStringLiteral("base_x_public")));
    const auto keyRequests = webRequests(n, 1);
    ASSERT_EQ(keyRequests.size(), 1u);
    EXPECT_EQ(keyRequests[0]["path"], "/API/Login/TransKey/Get");
    EXPECT_EQ(keyRequests[0]["body"], R"({"data":{"type":["base_x_public"]}})");

    const QJsonObject object = d->encryptedPassword;
    EXPECT_EQ(object.value(QStringLiteral("peer_key")).toString().size(), 45);
    const Json::Value got = sendSecret(
        *d, n, QStringLiteral("API/FirstLogin/Password/Set"), QStringLiteral("base_enc_password"), object);
    EXPECT_EQ(got["enc_password"], "ok");
    EXPECT_EQ(got["password_hex"], vlhex::to_hex("Caf\xe9_Admin1"));

    // The key was used up.
    const Json::Value again = sendSecret(
        *d, n, QStringLiteral("API/FirstLogin/Password/Set"), QStringLiteral("base_enc_password"), object);
    EXPECT_EQ(again["enc_password"], "unknown_seq");
    EXPECT_FALSE(again.isMember("password_hex"));
    web(n, R"("clear":true)");
}

TEST_F(DeviceHttpLab, SecondaryAuthProvesThePasswordOnce)
{
    for (const auto& [n, characters] : { std::pair { camera, 24 }, std::pair { recorder, 44 } }) {
        SCOPED_TRACE(n);
        web(n, R"("clear":true)");
        auto d = record(n, true);
        ASSERT_TRUE(fetchKey(*d, QStringLiteral("base_salt")));
        const QJsonObject object = d->secondaryAuth;
        EXPECT_EQ(object.value(QStringLiteral("cipher")).toString().size(), characters);
        const QString path = QStringLiteral("API/Maintenance/Reset/Set");
        const QString key = QStringLiteral("base_secondary_authentication");
        EXPECT_EQ(sendSecret(*d, n, path, key, object)["secondary_auth"], "ok");
        EXPECT_EQ(sendSecret(*d, n, path, key, object)["secondary_auth"], "unknown_seq");

        // A proof from another password.
        d->password = QStringLiteral("Other_123");
        ASSERT_TRUE(fetchKey(*d, QStringLiteral("base_salt")));
        EXPECT_EQ(sendSecret(*d, n, path, key, d->secondaryAuth)["secondary_auth"], "wrong");
        web(n, R"("clear":true)");
    }
}

TEST_F(DeviceHttpLab, AMissingOrShortKeyFailsWithTheOperationsCode)
{
    const int n = camera;
    struct Case {
        const char* what;
        std::string data;
        bool salt; // the entry names a salt
    } cases[] = {
        { "no entry", R"({"Key_lists":[]})", false },
        { "no Key_lists", R"({})", false },
        { "short key", R"({"Key_lists":[{"type":"base_x_public","key":"0AAAA","seq":1}]})", false },
        { "salt of 80 bytes",
            R"({"Key_lists":[{"type":"base_salt","iter":1000,"seq":1,"key":")" + std::string(108, 'A')
                + "\"}]}",
            true },
        { "no seq", R"({"Key_lists":[{"type":"base_salt","iter":1000,"key":"AAECAwQFBgcICQoLDA0ODw=="}]})",
            true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        web(n, "\"clear\":true,\"answers\":{\"/API/Login/TransKey/Get\":" + c.data + "}");
        auto d = record(n, false);
        d->secondaryAuth = QJsonObject { { QStringLiteral("cipher"), QStringLiteral("old") } };
        d->encryptedPassword = QJsonObject { { QStringLiteral("cipher"), QStringLiteral("old") } };
        auto failed = std::make_shared<Outcome>();
        d->requestTransKey(QStringLiteral("base_x_public"), 1030, 1034, &DeviceInfo::onTransKeyReply,
            [failed](DeviceInfo*, const HttpRequestParam& p) {
                ++failed->failures;
                failed->failed = p;
                failed->failed.onFailure = nullptr; // it holds `failed`
            });
        ASSERT_TRUE(waitFor([&] { return failed->done(); }, 15000));
        EXPECT_EQ(failed->failures, 1);
        EXPECT_EQ(failed->failed.failureEventType, 1030);
        EXPECT_EQ(failed->failed.failureCode, 1034);
        EXPECT_EQ(failed->failed.path, QStringLiteral("API/Login/TransKey/Get"));
        // The object of the failed kind is not left from before.
        EXPECT_TRUE((c.salt ? d->secondaryAuth : d->encryptedPassword).isEmpty());
    }
    web(n, R"("clear":true)");
}

TEST_F(DeviceHttpLab, WorkersKeysComeInTheOrderAskedFromTheSessionPath)
{
    const int n = recorder;
    web(n, R"("clear":true)");
    auto d = record(n, true);
    HttpClient client;
    client.setCookie(d->cookie);
    client.setCsrfToken(d->csrfToken);
    const QString base
        = QStringLiteral("http://") + d->ip() + QStringLiteral("/API/Maintenance/TransKey/Get");
    ASSERT_TRUE(client.postJson(base + QStringLiteral(R"({"data":{"type":["base_salt","base_x_public"]}})")));
    const QJsonObject reply = jsonFromBytes(client.responseBody());
    const auto salt = WebSecrets::transKeyEntry(reply, 0);
    const auto key = WebSecrets::transKeyEntry(reply, 1);
    ASSERT_TRUE(salt && key);
    EXPECT_EQ(salt->type, QStringLiteral("base_salt"));
    EXPECT_EQ(key->type, QStringLiteral("base_x_public"));
    EXPECT_NE(salt->seq, key->seq);
    // Without a session the worker's path is closed; the first-login one is not.
    HttpClient stranger;
    EXPECT_FALSE(stranger.postJson(base + QStringLiteral(R"({"data":{"type":["base_salt"]}})")));
    EXPECT_TRUE(stranger.postJson(QStringLiteral("http://") + d->ip()
        + QStringLiteral(R"(/API/Login/TransKey/Get{"data":{"type":["base_salt"]}})")));
    // Types the device does not know.
    EXPECT_FALSE(stranger.postJson(QStringLiteral("http://") + d->ip()
        + QStringLiteral(R"(/API/Login/TransKey/Get{"data":{"type":["base_rsa"]}})")));
}

TEST_F(DeviceHttpLab, ProgramAndDeviceHoldPasswordsToOneRuleSet)
{
    const int n = camera;
    web(n, R"("clear":true)");
    struct Case {
        std::string password;
        int code; // the program's check
        const char* device; // what the device makes of it
    };
    const Case cases[] = {
        { "Good_Pass1", 79, "ok" }, { "Caf\xe9_Pass1", 79, "ok" }, // Latin-1: a sign on both ends
        { "\xe9\xe8\xe0\xf9"
          "abcd",
            79, "ok" },
        { "Short_1", 251, "too_short" }, { std::string(33, 'a') + "1", 252, "too_long" },
        { "with space1A", 257, "bad_character" }, { "tab\tTab12", 257, "bad_character" },
        { "del\x7f"
          "Del12",
            257, "bad_character" },
        { "abcdefghij", 258, "too_few_kinds" }, { "admin", 250, "same_as_user" },
        { "password123", 79, "weak" }, // the device's own list of weak ones
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(vlhex::to_hex(c.password));
        auto d = record(n, true);
        d->newPassword = QString::fromLatin1(QByteArray::fromStdString(c.password));
        EXPECT_EQ(d->checkAccountRules(), c.code);
        ASSERT_TRUE(fetchKey(*d, QStringLiteral("base_x_public")));
        const Json::Value got = sendSecret(*d, n, QStringLiteral("API/SystemConfig/User/Set"),
            QStringLiteral("base_enc_password"), d->encryptedPassword);
        EXPECT_EQ(got["enc_password"], c.device);
        EXPECT_EQ(got["password_hex"], vlhex::to_hex(c.password));
    }

    // Rules that cannot be had: 202.
    auto d = record(n, true);
    d->newPassword = QStringLiteral("Good_Pass1");
    for (const char* fault : { R"({"status":500})", R"({"body":"<html></html>"})", R"({"reset":true})" }) {
        web(n, std::string("\"clear\":true,\"faults\":{\"/API/AccountRules/Get\":") + fault + "}");
        EXPECT_EQ(d->checkAccountRules(), 202) << fault;
    }
    web(n, R"("clear":true)");
}
