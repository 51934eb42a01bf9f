// The HTTP client without a network: how a request text splits into host,
// port, path and body; the secrets the trace masks; requests that fail
// before anything is sent; libcurl's state kept while a client lives.
#include "devices/HttpClient.h"

#include <gtest/gtest.h>

TEST(HttpClient, RequestTextsSplitIntoHostPortPathAndBody)
{
    struct Case {
        const char* text;
        bool https;
        int portOverride; // 0: none
        bool ok;
        const char* host;
        int port;
        const char* path;
        const char* body;
    } cases[] = {
        { "http://192.168.1.10/API/AccountRules/Get{}", false, 0, true, "192.168.1.10", 80,
            "/API/AccountRules/Get", "{}" },
        { "http://192.168.1.10/API/Web/Logout", false, 0, true, "192.168.1.10", 80, "/API/Web/Logout", "" },
        // The https flag, not the scheme of the text, chooses the port.
        { "http://10.0.0.1/a{}", true, 0, true, "10.0.0.1", 443, "/a", "{}" },
        { "https://10.0.0.1/a{}", false, 0, true, "10.0.0.1", 80, "/a", "{}" },
        { "http://10.0.0.1:8080/a/b{\"x\":1}", false, 0, true, "10.0.0.1", 8080, "/a/b", "{\"x\":1}" },
        // The override wins over the URL's port and the scheme's.
        { "http://10.0.0.1:8080/a{}", false, 81, true, "10.0.0.1", 81, "/a", "{}" },
        { "http://10.0.0.1/a{}", true, 8443, true, "10.0.0.1", 8443, "/a", "{}" },
        // No path: "/"; the body runs from the first "{" to the last "}".
        { "http://10.0.0.1:81{\"a\":{\"b\":2}} trailing", false, 0, true, "10.0.0.1", 81, "/",
            "{\"a\":{\"b\":2}}" },
        { "http://10.0.0.1/p{\"open\":", false, 0, true, "10.0.0.1", 80, "/p", "{\"open\":" },
        // Anything but the two schemes, or a port that is no port, reaches
        // no device.
        { "ftp://10.0.0.1/a{}", false, 0, false, "", 0, "", "{}" },
        { "HTTP://10.0.0.1/a", false, 0, false, "", 0, "", "" },
        { "10.0.0.1/a", false, 0, false, "", 0, "", "" },
        { "http://10.0.0.1:http/a", false, 0, false, "10.0.0.1", 0, "/a", "" },
        { "http://10.0.0.1:70000/a", false, 0, false, "10.0.0.1", 70000, "/a", "" },
        { "http:///a", false, 0, false, "", 80, "/a", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        HttpClient client;
        client.setHttps(c.https);
        if (c.portOverride)
            client.setPort(c.portOverride);
        const HttpClient::UrlParts parts = client.splitUrl(c.text);
        EXPECT_EQ(parts.ok, c.ok);
        EXPECT_EQ(parts.body, QByteArray(c.body));
        if (c.ok) {
            EXPECT_EQ(parts.host, QByteArray(c.host));
            EXPECT_EQ(parts.port, c.port);
            EXPECT_EQ(parts.path, QByteArray(c.path));
        }
    }
}

TEST(HttpClient, TheTraceMasksEverySecretHeader)
{
    struct Case {
        const char* line;
        const char* shown;
    } cases[] = {
        { "Cookie: session=abc; user=admin", "Cookie: ***" },
        { "cookie:abc", "cookie: ***" },
        { "Set-Cookie: id=1; HttpOnly", "Set-Cookie: ***" },
        { "X-csrftoken: 0123abcd", "X-csrftoken: ***" },
        { "X-Upgrade-Token: t0k3n", "X-Upgrade-Token: ***" },
        { "Authorization: Digest username=\"admin\", response=\"9f\"", "Authorization: ***" },
        // libcurl's form of an empty header hides nothing.
        { "X-csrftoken;", "X-csrftoken;" },
        { "Host: 192.168.1.10", "Host: 192.168.1.10" },
        { "POST /API/Login HTTP/1.1", "POST /API/Login HTTP/1.1" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(HttpClient::maskSecrets(c.line), QByteArray(c.shown));
    }
}

TEST(HttpClient, ARequestThatNamesNoDeviceFailsWithoutSending)
{
    ASSERT_TRUE(HttpClient::globalInit());
    HttpClient client;
    EXPECT_FALSE(client.postJson(QByteArray("ftp://127.0.0.1/API/x{}")));
    EXPECT_TRUE(client.responseBody().isEmpty());
    const char data[] = "firmware";
    EXPECT_FALSE(client.upload(QStringLiteral("file:///etc/passwd"), "t", QString(), data, 8, 16));
    // Bytes that are not there are not read.
    EXPECT_FALSE(client.upload(QStringLiteral("http://127.0.0.1:1/x"), "t", QString(), nullptr, 8, 16));
    // A cancelled client uploads nothing more.
    client.cancel();
    EXPECT_TRUE(client.isCancelled());
    EXPECT_FALSE(client.upload(QStringLiteral("http://127.0.0.1:1/x"), "t", QString(), data, 8, 16));
}

TEST(HttpClient, LibcurlIsFreedOnlyWhenNoClientLives)
{
    ASSERT_TRUE(HttpClient::globalInit());
    EXPECT_TRUE(HttpClient::globalInit()) << "a second start-up call changes nothing";
    {
        HttpClient a;
        HttpClient b;
        EXPECT_EQ(HttpClient::liveClients(), 2);
        EXPECT_FALSE(HttpClient::globalCleanup());
    }
    EXPECT_EQ(HttpClient::liveClients(), 0);
    EXPECT_TRUE(HttpClient::globalCleanup());
    EXPECT_TRUE(HttpClient::globalCleanup()) << "nothing left to free";
}
