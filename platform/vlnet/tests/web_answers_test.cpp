// What a device's web interface answers the stand-in's web login, read
// without a socket, and the Digest credentials the login sends.
#include "web_answers.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

using namespace vlnet;

TEST(WebAnswers, DigestCredentialsFollowTheRfcExample)
{
    // RFC 2617, section 3.5.
    auto c = readDigestChallenge(
        R"(Digest realm="testrealm@host.com", qop="auth,auth-int",)"
        R"( nonce="dcd98b7102dd2f0e8b11d0f600bfb0c093", opaque="5ccc069c403ebaf9f0171e9517f40e41")");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->realm, "testrealm@host.com");
    EXPECT_EQ(c->qop, "auth");
    const std::string h
        = digestAuthorization(*c, "Mufasa", "Circle Of Life", "GET", "/dir/index.html", "0a4f113b");
    EXPECT_NE(h.find(R"(response="6629fae49393a05397450978507c4ef1")"), std::string::npos) << h;
    EXPECT_NE(h.find("nc=00000001"), std::string::npos);
    EXPECT_NE(h.find(R"(opaque="5ccc069c403ebaf9f0171e9517f40e41")"), std::string::npos);
    EXPECT_EQ(h.rfind("Digest username=\"Mufasa\"", 0), 0u);
}

TEST(WebAnswers, ChallengesThisClientCannotAnswerAreNone)
{
    for (const char* header : { "", "Basic realm=\"x\"", "Digest realm=\"x\"", "Digest nonce=\"n\"",
             "Digest realm=\"x\", nonce=\"n\", algorithm=SHA-256", "Digestrealm=\"x\", nonce=\"n\"" })
        EXPECT_FALSE(readDigestChallenge(header)) << header;
    auto plain = readDigestChallenge(R"(  digest nonce=abc, realm="a\"b")");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->realm, "a\"b");
    EXPECT_EQ(plain->qop, "");
    EXPECT_EQ(digestAuthorization(*plain, "us\"er", "p", "POST", "/x", "c").find("qop"), std::string::npos);
}

TEST(WebAnswers, CookieIsTheFirstPairOfSetCookie)
{
    EXPECT_EQ(cookieOf("session=0a1b; Path=/; HttpOnly"), "session=0a1b");
    EXPECT_EQ(cookieOf(" id=x "), "id=x");
    EXPECT_EQ(cookieOf("=x; Path=/"), "");
    EXPECT_EQ(cookieOf("novalue"), "");
    EXPECT_EQ(cookieOf(""), "");
}

TEST(WebAnswers, LoginRangeTakesWhatFitsAndNeedsSuccess)
{
    auto r = readLoginRange(R"({"result":"success","data":{"http_port":8080,"https_port":8443,)"
                            R"("activated":false,"password_enc":1,"syn_activation_pwd":true}})");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->httpPort, 8080);
    EXPECT_EQ(r->httpsPort, 8443);
    EXPECT_FALSE(r->activated);
    EXPECT_EQ(r->passwordEncryption, 1);
    EXPECT_TRUE(r->syncActivationPassword);
    auto odd = readLoginRange(R"({"result":"success","data":{"http_port":"x","https_port":70000}})");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->httpPort, 0);
    EXPECT_EQ(odd->httpsPort, 0);
    EXPECT_TRUE(odd->activated);
    EXPECT_FALSE(readLoginRange(R"({"result":"error","data":{}})"));
    EXPECT_FALSE(readLoginRange("<html>"));
}

TEST(WebAnswers, LoginAnswersMeanTheirStatus)
{
    struct Case {
        int http;
        const char* body;
        bool success;
        int status;
    } cases[] = {
        { 200, R"({"result":"success","data":{}})", true, 0 },
        { 401, R"({"result":"password_error","data":{}})", false, 103 },
        { 401, R"({"result":"user_not_exist","data":{}})", false, 104 },
        { 403, R"({"result":"user_disabled","data":{}})", false, 110 },
        { 403, R"({"result":"login_locked","data":{"remaining_ms":5}})", false, 153 },
        { 403, R"({"result":"not_activated","data":{}})", false, 154 },
        { 403, R"({"result":"login_refused","data":{"status":108}})", false, 108 },
        { 403, R"({"result":"login_refused","data":{"status":"108"}})", false, 0 },
        { 403, R"({"result":"login_refused","data":{"status":5000}})", false, 0 },
        { 404, "<html>not here</html>", false, 161 },
        { 401, R"({"result":"unauthorized","data":{}})", false, 0 },
        { 500, R"({"result":"success","data":{}})", false, 0 },
        { 200, "", false, 0 },
    };
    for (const auto& c : cases) {
        const WebLoginResult r = readWebLogin(c.http, c.body);
        EXPECT_EQ(r.success, c.success) << c.body;
        EXPECT_EQ(r.status, c.status) << c.body;
    }
}

TEST(WebAnswers, TextsAndRecordComeFromSuccessAnswers)
{
    EXPECT_EQ(readDataText(R"({"result":"success","data":{"a":[1,"x"]}})"), R"({"data":{"a":[1,"x"]}})");
    EXPECT_FALSE(readDataText(R"({"result":"session_invalid","data":{}})"));
    VLNET_DEVICE_INFO info;
    std::memset(&info, 0x5A, sizeof info);
    const std::string whole(2 * sizeof info, 'f');
    ASSERT_TRUE(readDeviceRecord(R"({"result":"success","data":{"record":")" + whole + "\"}}", &info));
    EXPECT_EQ(info.low_type, 0xFFFFFFFFu);
    std::memset(&info, 0x5A, sizeof info);
    EXPECT_FALSE(readDeviceRecord(R"({"result":"success","data":{"record":"ff"}})", &info));
    EXPECT_FALSE(readDeviceRecord(
        R"({"result":"success","data":{"record":")" + std::string(2 * sizeof info, 'g') + "\"}}", &info));
    EXPECT_EQ(info.low_type, 0x5A5A5A5Au) << "a refused record leaves the caller's bytes";
}
