// What devsim's web interface reads from a client, without a network: the
// header block, sessions, Digest credentials, upload checks, the rule that
// one port speaks one kind of connection, and the switches a test sets.
#include "common/json.h"
#include "store.h"
#include "web_request.h"
#include "web_server.h"

#include <gtest/gtest.h>

using namespace devsim;

namespace
{

TEST(WebRequest, HeadersKeepTheirOrderAndEmptyValues)
{
    std::string head = "POST /API/x HTTP/1.1\r\n"
                       "Accept: */*\r\n"
                       "Host: 192.168.1.10\r\n"
                       "Content-Length: 2\r\n"
                       "X-csrftoken:\r\n"
                       "Cookie:   \r\n"
                       "no colon here\r\n"
                       "X-Upgrade-Token:  abc \r\n"
                       "\r\n"
                       "{}";
    HeaderList h = parseHeaderBlock(head);
    HeaderList want = { { "Accept", "*/*" }, { "Host", "192.168.1.10" }, { "Content-Length", "2" },
        { "X-csrftoken", "" }, { "Cookie", "" }, { "X-Upgrade-Token", "abc" } };
    EXPECT_EQ(h, want);
    EXPECT_EQ(headerValue(h, "x-CSRFTOKEN"), std::optional<std::string>(""));
    EXPECT_EQ(headerValue(h, "Referer"), std::nullopt);
    // A head cut short (a client that stopped) gives what arrived.
    EXPECT_EQ(parseHeaderBlock("POST / HTTP/1.1\r\nAccept: a\r\nHost: 19").size(), 2u);
    EXPECT_TRUE(parseHeaderBlock("").empty());
}

TEST(WebRequest, ASessionNeedsItsWholeCookieAndItsToken)
{
    std::vector<WebSession> sessions
        = { { "session=aa", "t1", "admin", false }, { "session=bb", "t2", "guest", true } };
    struct Case {
        const char* what;
        HeaderList headers;
        const char* user; // null: no session
    } cases[] = {
        { "both match", { { "Cookie", "session=bb" }, { "X-csrftoken", "t2" } }, "guest" },
        { "header names in any case", { { "cookie", "session=aa" }, { "x-csrftoken", "t1" } }, "admin" },
        { "token of another session", { { "Cookie", "session=aa" }, { "X-csrftoken", "t2" } }, nullptr },
        { "cookie not sent whole", { { "Cookie", "session=aa; lang=en" }, { "X-csrftoken", "t1" } },
            nullptr },
        { "no token", { { "Cookie", "session=aa" } }, nullptr },
        { "empty headers", { { "Cookie", "" }, { "X-csrftoken", "" } }, nullptr },
        { "no headers", {}, nullptr },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const WebSession* s = findWebSession(sessions, c.headers);
        if (c.user) {
            ASSERT_NE(s, nullptr);
            EXPECT_EQ(s->user, c.user);
        } else {
            EXPECT_EQ(s, nullptr);
        }
    }
    // A session with an empty cookie is never matched by empty headers.
    std::vector<WebSession> blank = { { "", "", "admin", false } };
    EXPECT_EQ(findWebSession(blank, { { "Cookie", "" }, { "X-csrftoken", "" } }), nullptr);
}

TEST(WebRequest, DigestCredentialsAreReadAndChecked)
{
    // The worked example of RFC 2617, section 3.5.
    auto c = parseDigestAuthorization(R"(Digest username="Mufasa", realm="testrealm@host.com",)"
                                      R"( nonce="dcd98b7102dd2f0e8b11d0f600bfb0c093", uri="/dir/index.html",)"
                                      R"( qop=auth, nc=00000001, cnonce="0a4f113b",)"
                                      R"( response="6629fae49393a05397450978507c4ef1",)"
                                      R"( opaque="5ccc069c403ebaf9f0171e9517f40e41")");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->username, "Mufasa");
    EXPECT_EQ(c->uri, "/dir/index.html");
    EXPECT_EQ(c->qop, "auth");
    EXPECT_EQ(c->nc, "00000001");
    EXPECT_EQ(digestResponse(*c, "Circle Of Life", "GET"), c->response);
    EXPECT_NE(digestResponse(*c, "Circle of Life", "GET"), c->response);
    EXPECT_NE(digestResponse(*c, "Circle Of Life", "POST"), c->response);

    for (const char* bad : { "", "Basic YWRtaW46YWRtaW4=", "Digest", "Digestusername=\"a\"",
             R"(Digest username="a", realm="r", nonce="n", uri="/")", // no response
             R"(Digest username="a, realm="r", nonce="n", uri="/", response="x)" }) { // unclosed quote
        SCOPED_TRACE(bad);
        EXPECT_FALSE(parseDigestAuthorization(bad));
    }
}

TEST(WebRequest, UploadNeedsTheTokenAndTheAnnouncedSize)
{
    UploadExpectation want { "tok", 1000 };
    struct Case {
        const char* what;
        HeaderList headers;
        UploadExpectation expected;
        UploadCheck check;
    } cases[] = {
        { "right token and size", { { "X-Upgrade-Token", "tok" }, { "Content-Length", "1000" } }, want,
            UploadCheck::Ok },
        { "no token sent", { { "Content-Length", "1000" } }, want, UploadCheck::NoToken },
        { "empty token sent", { { "X-Upgrade-Token", "" }, { "Content-Length", "1000" } }, want,
            UploadCheck::NoToken },
        { "none pending", { { "X-Upgrade-Token", "tok" }, { "Content-Length", "1000" } }, { "", 1000 },
            UploadCheck::NoToken },
        { "another token", { { "X-Upgrade-Token", "tok2" }, { "Content-Length", "1000" } }, want,
            UploadCheck::WrongToken },
        { "chunked, no length", { { "X-Upgrade-Token", "tok" }, { "Transfer-Encoding", "chunked" } }, want,
            UploadCheck::NoLength },
        { "length not a number", { { "X-Upgrade-Token", "tok" }, { "Content-Length", "-1" } }, want,
            UploadCheck::NoLength },
        { "other size", { { "X-Upgrade-Token", "tok" }, { "Content-Length", "999" } }, want,
            UploadCheck::WrongSize },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(checkUpload(c.headers, c.expected), c.check)
            << uploadCheckName(checkUpload(c.headers, c.expected));
    }
}

TEST(WebRequest, BodiesAndTheEnvelope)
{
    Json::Value v;
    EXPECT_TRUE(parseJsonBody("", &v));
    EXPECT_TRUE(v.isObject() && v.empty());
    EXPECT_TRUE(parseJsonBody(" \r\n", &v));
    EXPECT_TRUE(parseJsonBody("{\"version\":\"1.0\",\"data\":{\"a\":1}}\n", &v));
    EXPECT_EQ(v["data"]["a"].asInt(), 1);
    EXPECT_FALSE(parseJsonBody("[1,2]", &v));
    EXPECT_FALSE(parseJsonBody("{\"a\":", &v));
    EXPECT_FALSE(parseJsonBody("<html></html>", &v));

    Json::Value data(Json::objectValue);
    data["x"] = 1;
    EXPECT_EQ(envelope("success", data), R"({"data":{"x":1},"result":"success"})");
    EXPECT_EQ(withResult(envelope("success", data), "busy"), R"({"data":{"x":1},"result":"busy"})");
    EXPECT_EQ(withResult("not json", "busy"), R"({"result":"busy"})");
}

Device deviceAt(const std::string& ip, std::uint16_t web, std::uint16_t https)
{
    Device d;
    d.net.ip = ip;
    d.net.webPort = web;
    d.net.httpsPort = https;
    return d;
}

TEST(WebRequest, OnePortServesOneKindOfConnection)
{
    DeviceStore store;
    store.add(deviceAt("192.168.1.10", 80, 443));
    store.add(deviceAt("192.168.1.11", 80, 0));
    EXPECT_EQ(store.portClash(), "");
    EXPECT_EQ(store.webPorts(false), (std::set<std::uint16_t> { 80 }));
    EXPECT_EQ(store.webPorts(true), (std::set<std::uint16_t> { 443 }));

    struct Case {
        const char* what;
        std::uint16_t web, https, media;
        bool ok;
    } cases[] = {
        { "HTTPS on another port of its own", 80, 8443, 9000, true },
        { "HTTP on a new port", 8080, 0, 9000, true },
        { "HTTPS where the other device speaks HTTP", 8080, 80, 9000, false },
        { "HTTP where the other device speaks HTTPS", 443, 0, 9000, false },
        { "both schemes on one port of its own", 8080, 8080, 9000, false },
        { "HTTP on the media port", 9000, 0, 9000, false },
        { "HTTPS on a media port", 80, 9000, 9000, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Network net = deviceAt("192.168.1.11", c.web, c.https).net;
        net.mediaPort = c.media;
        std::string error;
        EXPECT_EQ(store.setNetwork(1, net, &error), c.ok) << error;
        if (!c.ok) {
            EXPECT_NE(error.find("port"), std::string::npos) << error;
        }
        store.setNetwork(1, deviceAt("192.168.1.11", 80, 0).net, &error);
    }
    // The device's own HTTPS port can move to where only it spoke HTTP.
    std::string error;
    EXPECT_TRUE(store.setNetwork(0, deviceAt("192.168.1.10", 8081, 0).net, &error)) << error;
    EXPECT_TRUE(store.setNetwork(0, deviceAt("192.168.1.10", 8082, 8081).net, &error)) << error;
    EXPECT_EQ(store.webPorts(true), (std::set<std::uint16_t> { 8081 }));

    DeviceStore loaded;
    loaded.add(deviceAt("192.168.1.10", 80, 443));
    loaded.add(deviceAt("192.168.1.11", 443, 0));
    EXPECT_NE(loaded.portClash(), "");
}

TEST(WebControl, SwitchesAreCheckedBeforeAnyIsTaken)
{
    DeviceStore store;
    Device d = deviceAt("192.168.1.10", 80, 443);
    d.users.push_back({ "admin", "pw", true, true, {} });
    store.add(d);
    std::FILE* quiet = std::fopen("/dev/null", "w");
    ASSERT_NE(quiet, nullptr);
    {
        EventLog log(quiet);
        WebServer web(store, log, 1500);
        auto control = [&](const char* text, std::string* error) {
            Json::Value request;
            EXPECT_TRUE(vljson::parse(text, request)) << text;
            error->clear();
            return web.control(0, request, error);
        };
        for (const char* bad : {
                 R"({"sessions":1})",
                 R"({"clear":"yes"})",
                 R"({"digest":{"/API/x":"yes"}})",
                 R"({"faults":{"API/x":{}}})",
                 R"({"faults":{"/API/x":{"status":99}}})",
                 R"({"faults":{"/API/x":{"stauts":500}}})",
                 R"({"faults":{"/API/x":{"delay_ms":-1}}})",
                 R"({"faults":{"/API/x":[]}})",
                 R"({"answers":{"/API/x":[1]}})",
                 R"({"upgrade":{"size":-1,"version":"v"}})",
                 R"({"upgrade":{"version":"v"}})",
                 R"({"upgrade":{"size":1}})",
                 R"({"upgrade":{"size":1,"version":"v","reboot_seconds":1e10}})",
                 R"({"upgrade":5})",
                 R"({"login":{"user":"nobody"}})",
                 R"({"login":{"https":"yes"}})",
                 R"({"sessions":false,"faults":{"/API/x":{"status":99}}})",
             }) {
            SCOPED_TRACE(bad);
            std::string error;
            control(bad, &error);
            EXPECT_FALSE(error.empty());
            Json::Value now = control("{}", &error)["web"];
            EXPECT_TRUE(now["sessions"].asBool());
            EXPECT_TRUE(now["faults"].empty());
            EXPECT_TRUE(now["upgrade"].isNull());
        }
        std::string error;
        Json::Value up = control(R"({"upgrade":{"size":5,"version":"v2"}})", &error)["web"]["upgrade"];
        EXPECT_EQ(error, "");
        EXPECT_EQ(up["token"].asString().size(), 32u);
        EXPECT_EQ(up["reboot_ms"].asInt(), 1500);
        Json::Value session = control(R"({"login":{}})", &error)["session"];
        EXPECT_EQ(session["cookie"].asString().rfind("session=", 0), 0u);
        store.read(0, [](const Device& dev) { EXPECT_EQ(dev.webSessions.size(), 1u); });
        endWebSessions(store, 0);
        store.read(0, [](const Device& dev) { EXPECT_TRUE(dev.webSessions.empty()); });
    }
    std::fclose(quiet);
}

} // namespace
