// devsim's web interface in the lab, reached with libcurl as the program
// reaches devices: sessions and the answer envelope, HTTPS with the
// device's own certificate, one scheme per port, Digest challenges, faults
// per path, and the firmware upload that reboots a device into a new
// version.
#include "common/hex.h"
#include "common/json.h"
#include "events.h"
#include "multicast/base64.h"
#include "multicast/envelope.h"
#include "support/devsim.h"
#include "support/vlnet_lab.h"

#include <chrono>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <json/writer.h>
#include <openssl/evp.h>
#include <set>
#include <thread>
#include <vector>

using vltest::pollUntil;

namespace
{

constexpr const char* kPassword = "Admin_123";

struct HttpReply {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::string body;
    std::string headers; // the answer's header lines
    std::string certificate; // the server certificate as libcurl reads it
    curl_off_t uploaded = 0;
    long ms = 0;

    Json::Value json() const
    {
        Json::Value v;
        vljson::parse(body, v);
        return v;
    }
};

struct HttpRequest {
    HttpRequest(std::string url_, std::string body_ = "{}", std::vector<std::string> headers_ = {})
        : url(std::move(url_))
        , body(std::move(body_))
        , headers(std::move(headers_))
    {
    }
    std::string url;
    std::string body;
    std::vector<std::string> headers; // "Name: value", or "Name;" for an empty value
    std::string user, password; // HTTP Digest when set
    bool bodyless = false; // a POST without a body, a length or chunks
};

size_t append(char* data, size_t size, size_t n, void* out)
{
    static_cast<std::string*>(out)->append(data, size * n);
    return size * n;
}

HttpReply post(const HttpRequest& r)
{
    HttpReply out;
    CURL* c = curl_easy_init();
    curl_slist* headers = nullptr;
    for (const auto& h : r.headers)
        headers = curl_slist_append(headers, h.c_str());
    curl_easy_setopt(c, CURLOPT_URL, r.url.c_str());
    if (r.bodyless) {
        curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, "POST");
    } else {
        curl_easy_setopt(c, CURLOPT_POST, 1L);
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, r.body.data());
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(r.body.size()));
    }
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(c, CURLOPT_CERTINFO, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 5L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, 20L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &append);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &out.body);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &append);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &out.headers);
    if (!r.user.empty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, r.user.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, r.password.c_str());
        curl_easy_setopt(c, CURLOPT_HTTPAUTH, long(CURLAUTH_DIGEST));
    }
    auto start = std::chrono::steady_clock::now();
    out.code = curl_easy_perform(c);
    out.ms
        = long(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                   .count());
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &out.status);
    curl_easy_getinfo(c, CURLINFO_SIZE_UPLOAD_T, &out.uploaded);
    curl_certinfo* certs = nullptr;
    if (curl_easy_getinfo(c, CURLINFO_CERTINFO, &certs) == CURLE_OK && certs)
        for (int i = 0; i < certs->num_of_certs; ++i)
            for (curl_slist* s = certs->certinfo[i]; s; s = s->next)
                out.certificate += std::string(s->data) + "\n";
    curl_slist_free_all(headers);
    curl_easy_cleanup(c);
    return out;
}

std::vector<std::string> sessionHeaders(const Json::Value& session)
{
    return { "Cookie: " + session["cookie"].asString(), "X-csrftoken: " + session["token"].asString() };
}

std::string sha256Hex(const std::string& data)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_Digest(data.data(), data.size(), digest, &n, EVP_sha256(), nullptr);
    return vlhex::to_hex(digest, n);
}

class DevsimWeb : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        curl_global_init(CURL_GLOBAL_ALL);
        startLab({ "200", "3000", "3000", "300" },
            { "--generate", "6", "--inactive-percent", "0", "--reboot-seconds", "1" });
    }
    static void TearDownTestSuite()
    {
        VlnetLabSuite::TearDownTestSuite();
        curl_global_cleanup();
    }

    static std::string ip(int n) { return state(n)["network"]["ip"].asString(); }

    // The "web" command for device n with the members of `fields` (JSON text).
    static Json::Value web(int n, const std::string& fields)
    {
        return sim->must("{\"cmd\":\"web\",\"device\":" + std::to_string(n) + "," + fields + "}");
    }
    static Json::Value login(int n, bool https = false)
    {
        return web(n,
            std::string("\"login\":{\"user\":\"admin\",\"https\":") + (https ? "true" : "false")
                + "}")["session"];
    }
    static void set(int n, const std::string& stateJson)
    {
        sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(n) + ",\"state\":" + stateJson + "}");
    }
    // The last request the device noted from its web interface.
    static Json::Value lastWeb(int n)
    {
        Json::Value list
            = sim->must("{\"cmd\":\"received\",\"device\":" + std::to_string(n) + "}")["received"];
        for (Json::ArrayIndex i = list.size(); i-- > 0;)
            if (list[i]["transport"] == "web")
                return list[i];
        return Json::Value();
    }
    static bool hasHeader(const Json::Value& noted, const std::string& name, const std::string& value)
    {
        for (const auto& h : noted["headers"])
            if (h[0].asString() == name && h[1].asString() == value)
                return true;
        return false;
    }
    static bool comesBack(int n, int boots)
    {
        return pollUntil(
            [&] {
                Json::Value s = state(n);
                return s["online"].asBool() && s["boots"].asInt() == boots;
            },
            10000);
    }
};

TEST_F(DevsimWeb, SessionsGuardProtectedPathsAndEndByLogoutAndReboot)
{
    web(0, R"("clear":true,"answers":{"/API/Test/Get":{"x":1}})");
    Json::Value a = login(0), b = login(0);
    std::string url = "http://" + ip(0) + "/API/Test/Get";

    struct Case {
        const char* what;
        std::vector<std::string> headers;
        long status;
        const char* result;
    } cases[] = {
        { "no session headers", {}, 401, "session_invalid" },
        { "empty session headers", { "Cookie;", "X-csrftoken;" }, 401, "session_invalid" },
        { "first session", sessionHeaders(a), 200, "success" },
        { "second session", sessionHeaders(b), 200, "success" },
        { "one's cookie with the other's token",
            { "Cookie: " + a["cookie"].asString(), "X-csrftoken: " + b["token"].asString() }, 401,
            "session_invalid" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HttpReply r = post({ url, R"({"version":"1.0","data":{}})", c.headers });
        ASSERT_EQ(r.code, CURLE_OK);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.json()["result"].asString(), c.result);
        Json::Value noted = lastWeb(0);
        EXPECT_EQ(noted["path"], "/API/Test/Get");
        EXPECT_EQ(noted["body"], R"({"version":"1.0","data":{}})");
        EXPECT_EQ(noted["status"].asInt(), c.status);
    }
    // The envelope, compact; the headers as sent, empty ones kept apart
    // from absent ones.
    EXPECT_EQ(post({ url, "{}", sessionHeaders(a) }).body, R"({"data":{"x":1},"result":"success"})");
    post({ url, "{}", { "Cookie;", "X-csrftoken;" } });
    EXPECT_TRUE(hasHeader(lastWeb(0), "Cookie", ""));
    EXPECT_TRUE(hasHeader(lastWeb(0), "X-csrftoken", ""));
    post({ url, "{}", {} });
    EXPECT_FALSE(hasHeader(lastWeb(0), "Cookie", ""));

    // A logout ends the session it names, and only that one. It carries no
    // body, and need not even say so.
    HttpRequest logout { "http://" + ip(0) + "/API/Web/Logout", "", sessionHeaders(a) };
    logout.bodyless = true;
    HttpReply out = post(logout);
    EXPECT_EQ(out.status, 200);
    EXPECT_LT(out.ms, 2000);
    EXPECT_EQ(out.json()["result"].asString(), "success");
    EXPECT_EQ(post({ url, "{}", sessionHeaders(a) }).status, 401);
    EXPECT_EQ(post({ url, "{}", sessionHeaders(b) }).status, 200);
    EXPECT_EQ(state(0)["web_sessions"].size(), 1u);

    // Without the check, absent and empty headers both pass.
    web(0, R"("sessions":false)");
    EXPECT_EQ(post({ url, "{}", {} }).status, 200);
    EXPECT_EQ(post({ url, "{}", { "Cookie;", "X-csrftoken;" } }).status, 200);
    web(0, R"("sessions":true)");

    // A body that is no JSON object is refused; the session still counts.
    EXPECT_EQ(post({ url, "not json", sessionHeaders(b) }).status, 400);

    // A reboot ends every session; while the device is away nothing answers.
    int boots = state(0)["boots"].asInt();
    sim->must(R"({"cmd":"reboot","device":0,"seconds":1})");
    EXPECT_NE(post({ url, "{}", sessionHeaders(b) }).code, CURLE_OK);
    ASSERT_TRUE(comesBack(0, boots + 1));
    EXPECT_EQ(post({ url, "{}", sessionHeaders(b) }).status, 401);
    EXPECT_TRUE(state(0)["web_sessions"].empty());
}

TEST_F(DevsimWeb, TheWebSessionOfAnHttpLoginIsTheOneTheWebInterfaceChecks)
{
    web(1, R"("clear":true,"answers":{"/API/Test/Get":{}})");
    vltest::Events ev;
    int h = vltest::startV1(ev, ip(1), "admin", kPassword, VLNET_PROTOCOL_HTTP, 80);
    ASSERT_TRUE(ev.waitStatus(151));
    VLNET_HTTP_DEVICE_INFO http;
    ASSERT_EQ(VLNetGetHttpDevInfo(h, &http, sizeof(http)), 1);
    std::vector<std::string> headers
        = { std::string("Cookie: ") + http.cookie, std::string("X-csrftoken: ") + http.token };
    std::string url = "http://" + ip(1) + "/API/Test/Get";
    EXPECT_EQ(post({ url, "{}", headers }).status, 200);
    VLNetConnectionStop(&h);
    ASSERT_TRUE(pollUntil([&] { return state(1)["web_sessions"].empty(); }, 3000));
    EXPECT_EQ(post({ url, "{}", headers }).status, 401);
}

TEST_F(DevsimWeb, HttpsUsesACertificateOfItsOwnThatNamesNoAddress)
{
    set(2, R"({"network":{"https_port":443}})");
    web(2, R"("clear":true,"sessions":false,"answers":{"/API/Test/Get":{"tls":true}})");
    std::string address = ip(2);
    HttpReply r = post({ "https://" + address + "/API/Test/Get" });
    ASSERT_EQ(r.code, CURLE_OK) << curl_easy_strerror(r.code);
    EXPECT_EQ(r.status, 200);
    EXPECT_TRUE(r.json()["data"]["tls"].asBool());
    EXPECT_EQ(lastWeb(2)["scheme"], "https");
    EXPECT_EQ(lastWeb(2)["port"].asInt(), 443);
    EXPECT_NE(r.certificate.find("Subject:"), std::string::npos) << r.certificate;
    EXPECT_EQ(r.certificate.find(address), std::string::npos) << r.certificate;
    EXPECT_EQ(r.certificate.find("IP Address"), std::string::npos) << r.certificate;

    // Each port speaks its own scheme only.
    EXPECT_NE(post({ "http://" + address + ":443/API/Test/Get" }).code, CURLE_OK);
    EXPECT_NE(post({ "https://" + address + ":80/API/Test/Get" }).code, CURLE_OK);
    // A device that refuses the handshake.
    web(2, R"("tls_refuse":true)");
    EXPECT_EQ(post({ "https://" + address + "/API/Test/Get" }).code, CURLE_SSL_CONNECT_ERROR);
    web(2, R"("tls_refuse":false)");

    // HTTPS moves with the device's HTTPS port; without one there is none.
    set(2, R"({"network":{"https_port":8443}})");
    EXPECT_EQ(post({ "https://" + address + ":8443/API/Test/Get" }).status, 200);
    Json::Value ping = sim->must(R"({"cmd":"ping"})");
    EXPECT_NE(ping["https_ports"].toStyledString().find("8443"), std::string::npos) << ping;
    EXPECT_NE(ping["web_ports"].toStyledString().find("80"), std::string::npos) << ping;
    EXPECT_NE(post({ "https://" + address + "/API/Test/Get" }).code, CURLE_OK);
    set(2, R"({"network":{"https_port":0}})");
    EXPECT_NE(post({ "https://" + address + ":8443/API/Test/Get" }).code, CURLE_OK);
    EXPECT_TRUE(pollUntil(
        [&] {
            Json::Value ports = sim->must(R"({"cmd":"ping"})")["https_ports"];
            return ports.toStyledString().find("8443") == std::string::npos;
        },
        3000));
    set(2, R"({"network":{"https_port":443}})");
}

TEST_F(DevsimWeb, APortNeverSpeaksBothSchemes)
{
    set(4, R"({"network":{"https_port":443}})");
    struct Case {
        const char* what;
        const char* network;
    } refused[] = {
        { "HTTPS where every device speaks HTTP", R"({"https_port":80})" },
        { "HTTP where another device speaks HTTPS", R"({"web_port":443})" },
        { "both on one port", R"({"web_port":8088,"https_port":8088})" },
        { "HTTP on the media port", R"({"web_port":9000})" },
    };
    Json::Value before = state(3)["network"];
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        Json::Value answer
            = sim->command(std::string(R"({"cmd":"set","device":3,"state":{"network":)") + c.network + "}}");
        EXPECT_FALSE(answer["ok"].asBool());
        EXPECT_NE(answer["error"].asString().find("port"), std::string::npos) << answer;
        EXPECT_EQ(state(3)["network"], before);
    }

    // A device that moves its web port is served there, and only there.
    web(3, R"("clear":true,"sessions":false,"answers":{"/API/Test/Get":{}})");
    set(3, R"({"network":{"web_port":8080}})");
    EXPECT_EQ(post({ "http://" + ip(3) + ":8080/API/Test/Get" }).status, 200);
    EXPECT_NE(post({ "http://" + ip(3) + "/API/Test/Get" }).code, CURLE_OK);
    // A moved address needs nothing either.
    set(3, R"({"network":{"web_port":80,"ip":"192.168.70.3"}})");
    EXPECT_EQ(post({ "http://192.168.70.3/API/Test/Get" }).status, 200);
    EXPECT_EQ(lastWeb(3)["port"].asInt(), 80);
}

TEST_F(DevsimWeb, DigestIsAskedOnTheChosenPathsOnly)
{
    web(4, R"("clear":true,"sessions":false,"answers":{"/API/A":{},"/API/B":{}},"digest":{"/API/A":true})");
    std::string base = "http://" + ip(4);
    HttpReply bare = post({ base + "/API/A" });
    EXPECT_EQ(bare.status, 401);
    EXPECT_NE(bare.headers.find("WWW-Authenticate: Digest realm=\"device\""), std::string::npos)
        << bare.headers;

    HttpRequest right { base + "/API/A" };
    right.user = "admin";
    right.password = kPassword;
    HttpReply ok = post(right);
    EXPECT_EQ(ok.status, 200);
    EXPECT_TRUE(lastWeb(4)["digest"].asBool());
    EXPECT_TRUE(hasHeader(lastWeb(4), "Content-Length", "2"));

    HttpRequest wrong = right;
    wrong.password = "nope";
    EXPECT_EQ(post(wrong).status, 401);
    EXPECT_EQ(post({ base + "/API/B" }).status, 200);
}

TEST_F(DevsimWeb, FaultsActOnOnePathAsSet)
{
    set(5, R"({"network":{"https_port":443}})");
    web(5, R"("clear":true,"sessions":false,"answers":{"/API/F":{"v":1},"/API/G":{}})");
    std::string f = "http://" + ip(5) + "/API/F";
    struct Case {
        const char* what;
        const char* fault;
        std::string url;
        bool transfers; // an HTTP answer arrives
        long status;
        std::string body; // exact body, or "" to check `result`
        const char* result;
    } cases[] = {
        { "HTTP status", R"({"status":500})", f, true, 500, "", "success" },
        { "result text", R"({"result":"busy"})", f, true, 200, R"({"data":{"v":1},"result":"busy"})", "" },
        { "not JSON", R"({"body":"<html>oops</html>"})", f, true, 200, "<html>oops</html>", "" },
        { "empty body", R"({"empty":true,"status":502})", f, true, 502, "", "" },
        { "reset", R"({"reset":true})", f, false, 0, "", "" },
        { "TLS failure", R"({"tls":true})", "https://" + ip(5) + "/API/F", false, 0, "", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        web(5, std::string(R"("faults":{"/API/F":)") + c.fault + "}");
        HttpReply r = post({ c.url });
        if (!c.transfers) {
            EXPECT_NE(r.code, CURLE_OK);
            EXPECT_EQ(lastWeb(5)["fault"].asString(), c.url.rfind("https", 0) == 0 ? "tls" : "reset");
        } else {
            ASSERT_EQ(r.code, CURLE_OK) << curl_easy_strerror(r.code);
            EXPECT_EQ(r.status, c.status);
            if (*c.result)
                EXPECT_EQ(r.json()["result"].asString(), c.result);
            else
                EXPECT_EQ(r.body, c.body);
        }
        // Another path is not touched.
        EXPECT_EQ(post({ "http://" + ip(5) + "/API/G" }).status, 200);
    }
    web(5, R"("faults":{"/API/F":{"delay_ms":600}})");
    HttpReply late = post({ f });
    EXPECT_EQ(late.status, 200);
    EXPECT_GE(late.ms, 550);

    // A fault for a number of requests, and one for every path.
    web(5, R"("faults":{"/API/F":{"status":503,"times":1}})");
    EXPECT_EQ(post({ f }).status, 503);
    EXPECT_EQ(post({ f }).status, 200);
    web(5, R"("faults":{"*":{"status":504}})");
    EXPECT_EQ(post({ "http://" + ip(5) + "/API/G" }).status, 504);
    Json::Value cleared = web(5, R"("faults":{"*":null})")["web"];
    EXPECT_TRUE(cleared["faults"].empty());
    EXPECT_FALSE(
        sim->command(R"({"cmd":"web","device":5,"faults":{"/API/F":{"stauts":500}}})")["ok"].asBool());
}

TEST_F(DevsimWeb, FirmwareUploadRebootsTheDeviceIntoTheNewVersion)
{
    set(0, R"({"network":{"https_port":0}})");
    set(2, R"({"network":{"https_port":443}})");
    struct Case {
        const char* what;
        int device;
        bool https;
    } cases[] = { { "HTTP", 0, false }, { "HTTPS", 2, true } };
    std::string image(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = char((i * 7919) >> 3);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        web(c.device, R"("clear":true)");
        Json::Value session = login(c.device, c.https);
        std::string version = std::string("V9.9.9-") + c.what;
        Json::Value upgrade = web(c.device,
            "\"upgrade\":{\"size\":" + std::to_string(image.size()) + ",\"version\":\"" + version
                + "\",\"reboot_seconds\":1}")["web"]["upgrade"];
        std::string token = upgrade["token"].asString();
        ASSERT_FALSE(token.empty());

        std::string host = ip(c.device);
        std::string scheme = c.https ? "https://" : "http://";
        auto request = [&](const std::string& tokenSent, std::string body, bool withSession,
                           bool expect = true) {
            HttpRequest r { scheme + host + "/API/Maintenance/SystemUpgrade/Upgrade", std::move(body) };
            r.headers = { "Accept: application/json,text/plain,*/*",
                "User-Agent: Mozilla/5.0 (Windows NT 10.0; WOW64; Trident/7.0; rv:11.0) like Gecko",
                "Host: " + host, "Content-Length: " + std::to_string(r.body.size()),
                "Referer: " + scheme + host + "/", "Connection: Keep-Alive", "Cache-Control: no-cache" };
            if (withSession)
                for (const auto& h : sessionHeaders(session))
                    r.headers.push_back(h);
            r.headers.push_back("X-Upgrade-Token: " + tokenSent);
            // Without the header libcurl would still ask for large bodies.
            r.headers.push_back(expect ? "Expect: 100-continue" : "Expect:");
            return post(r);
        };

        // Refused before the body leaves.
        struct Refusal {
            const char* what;
            std::string token;
            size_t size;
            bool session;
            long status;
            const char* result;
        } refusals[] = {
            { "wrong token", "0123", image.size(), true, 403, "invalid_upgrade_token" },
            { "other size", token, image.size() - 1, true, 400, "file_size_mismatch" },
            { "no session", token, image.size(), false, 401, "session_invalid" },
        };
        for (const auto& f : refusals) {
            SCOPED_TRACE(f.what);
            HttpReply r = request(f.token, image.substr(0, f.size), f.session);
            ASSERT_EQ(r.code, CURLE_OK) << curl_easy_strerror(r.code);
            EXPECT_EQ(r.status, f.status);
            EXPECT_EQ(r.json()["result"].asString(), f.result);
            EXPECT_LT(r.uploaded, curl_off_t(1024 * 1024)) << "the body was not waited for";
            EXPECT_TRUE(lastWeb(c.device)["before_body"].asBool());
        }
        // A client that sends its body at once still reads the refusal.
        HttpReply eager = request("0123", image, true, false);
        ASSERT_EQ(eager.code, CURLE_OK) << curl_easy_strerror(eager.code);
        EXPECT_EQ(eager.status, 403);
        EXPECT_FALSE(hasHeader(lastWeb(c.device), "Expect", "100-continue"));

        int boots = state(c.device)["boots"].asInt();
        HttpReply done = request(token, image, true);
        ASSERT_EQ(done.code, CURLE_OK) << curl_easy_strerror(done.code);
        EXPECT_EQ(done.status, 200);
        EXPECT_EQ(done.json()["result"].asString(), "success");
        Json::Value noted = lastWeb(c.device);
        EXPECT_EQ(noted["size"].asUInt64(), image.size());
        EXPECT_EQ(noted["sha256"].asString(), sha256Hex(image));
        EXPECT_EQ(noted["check"], "ok");
        EXPECT_TRUE(hasHeader(noted, "Expect", "100-continue"));
        EXPECT_TRUE(hasHeader(noted, "X-Upgrade-Token", token));
        // The headers in the order they were sent.
        std::vector<std::string> order;
        for (const auto& h : noted["headers"])
            order.push_back(h[0].asString());
        auto at
            = [&](const char* name) { return std::find(order.begin(), order.end(), name) - order.begin(); };
        EXPECT_LT(at("Accept"), at("Referer"));
        EXPECT_LT(at("Referer"), at("Cookie"));
        EXPECT_LT(at("Cookie"), at("X-Upgrade-Token"));
        EXPECT_LT(at("X-Upgrade-Token"), at("Expect"));

        ASSERT_TRUE(comesBack(c.device, boots + 1)) << sim->log();
        Json::Value after = state(c.device);
        EXPECT_EQ(after["firmware"].asString(), version);
        EXPECT_TRUE(after["web_sessions"].empty());
        EXPECT_TRUE(web(c.device, R"("clear":false)")["web"]["upgrade"].isNull());
        // The token was used up.
        session = login(c.device, c.https);
        EXPECT_EQ(request(token, image, true).status, 403);
    }
}

} // namespace

TEST_F(DevsimWeb, TransferKeysAskedAtOnceAreEachUsedOnce)
{
    // Clients on several connections at once: every key has its own
    // sequence number, and each proof counts once, whichever arrives first.
    const int n = 2;
    web(n, R"("clear":true)");
    const Json::Value session = login(n);
    const std::string base = "http://" + ip(n);
    std::string password;
    const Json::Value device = state(n);
    for (const auto& u : device["users"])
        if (u["name"] == "admin")
            password = u["password"].asString();
    constexpr int kClients = 6;
    std::vector<Json::Value> keys(kClients);
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i)
        clients.emplace_back([&, i] {
            keys[size_t(i)]
                = post(HttpRequest(base + "/API/Maintenance/TransKey/Get",
                           R"({"data":{"type":["base_salt","base_x_public"]}})", sessionHeaders(session)))
                      .json()["data"]["Key_lists"];
        });
    for (auto& t : clients)
        t.join();
    std::set<std::int64_t> seqs;
    for (const auto& k : keys) {
        ASSERT_EQ(k.size(), 2u);
        EXPECT_EQ(k[0]["type"], "base_salt");
        EXPECT_EQ(k[1]["type"], "base_x_public");
        seqs.insert(k[0]["seq"].asInt64());
        seqs.insert(k[1]["seq"].asInt64());
    }
    EXPECT_EQ(seqs.size(), size_t(2 * kClients));

    // The same proof sent on every connection at once: one "ok".
    const std::string salt = vlsdk::multicast_base64_decode(keys[0][0]["key"].asString());
    Json::Value proof(Json::objectValue);
    proof["cipher"] = vlsdk::multicast_base64_encode(
        *vlsdk::pbkdf2_sha256(password, salt, keys[0][0]["iter"].asInt(), salt.size()));
    proof["seq"] = keys[0][0]["seq"];
    Json::Value body(Json::objectValue);
    body["data"]["base_secondary_authentication"] = proof;
    web(n, R"("answers":{"/API/Maintenance/Reset/Set":{}})");
    sim->must("{\"cmd\":\"received\",\"clear\":true,\"device\":" + std::to_string(n) + "}");
    clients.clear();
    for (int i = 0; i < kClients; ++i)
        clients.emplace_back([&] {
            post(HttpRequest(
                base + "/API/Maintenance/Reset/Set", vljson::write_compact(body), sessionHeaders(session)));
        });
    for (auto& t : clients)
        t.join();
    int ok = 0, used = 0;
    const Json::Value got
        = sim->must("{\"cmd\":\"received\",\"clear\":true,\"device\":" + std::to_string(n) + "}")["received"];
    for (const auto& r : got) {
        ok += r["secondary_auth"] == "ok";
        used += r["secondary_auth"] == "unknown_seq";
    }
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(used, kClients - 1);
    web(n, R"("clear":true)");
}

TEST_F(DevsimWeb, FactorySideSettingsAreReadAndSetAndANewFormatReboots)
{
    const int n = 4;
    web(n, R"("clear":true,"sessions":false)");
    const std::string base = "http://" + ip(n);
    const Json::Value before = state(n);
    Json::Value got = post(HttpRequest(base + "/API/Maintenance/Customfactory/Get", "")).json();
    EXPECT_EQ(got["result"], "success");
    EXPECT_EQ(got["data"]["video_format"], before["video_format"].asInt() == 1 ? "NTSC" : "PAL");
    EXPECT_EQ(got["data"]["device_name"], before["name"]);
    EXPECT_EQ(got["data"]["device_type"], before["model"]);

    // Members of another type, or a format the device does not know,
    // change nothing.
    for (const char* body : { R"({"data":{"device_name":7}})", R"({"data":{"video_format":"SECAM"}})",
             R"({"data":{"device_name":"x","video_format":1}})", R"({"data":"PAL"})" }) {
        const HttpReply r = post(HttpRequest(base + "/API/Maintenance/Customfactory/Set", body));
        EXPECT_EQ(r.status, 400) << body;
        EXPECT_EQ(r.json()["result"], "invalid_param") << body;
    }
    EXPECT_EQ(state(n)["name"], before["name"]);

    // Names from several clients at once: each answered, one of them kept.
    std::vector<std::thread> clients;
    for (int i = 0; i < 4; ++i)
        clients.emplace_back([&, i] {
            post(HttpRequest(base + "/API/Maintenance/Customfactory/Set",
                R"({"data":{"device_name":"Cam )" + std::to_string(i) + R"(","device_type":"T"}})"));
        });
    for (auto& t : clients)
        t.join();
    const Json::Value named = state(n);
    EXPECT_EQ(named["name"].asString().rfind("Cam ", 0), 0u);
    EXPECT_EQ(named["model"], "T");
    EXPECT_EQ(named["boots"], before["boots"]) << "a name needs no reboot";

    // A new format is answered, then the device reboots into it.
    const std::string format = before["video_format"].asInt() == 1 ? "PAL" : "NTSC";
    const HttpReply set = post(HttpRequest(
        base + "/API/Maintenance/Customfactory/Set", R"({"data":{"video_format":")" + format + "\"}}"));
    EXPECT_EQ(set.status, 200);
    EXPECT_EQ(set.json()["result"], "success");
    EXPECT_TRUE(comesBack(n, before["boots"].asInt() + 1));
    EXPECT_EQ(state(n)["video_format"].asInt(), format == "NTSC" ? 1 : 0);

    const Json::Value developer = post(HttpRequest(base + "/API/Maintenance/DeveloperMode/Get")).json();
    EXPECT_EQ(developer["data"]["telnet_switch"], "false");
    EXPECT_EQ(developer["data"]["export_disk_switch"], "false");
    web(n, R"("clear":true)");
}
