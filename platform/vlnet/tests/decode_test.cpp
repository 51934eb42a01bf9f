// What devices send the stand-in, decoded without a socket.
#include "decode.h"
#include "wire.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace vlnet;

namespace
{

Bytes loginReply(const std::string& json, std::int32_t result = vlwire::kOk)
{
    Bytes b(4);
    vlwire::putU32(b.data(), std::uint32_t(result));
    b.insert(b.end(), json.begin(), json.end());
    return b;
}

} // namespace

TEST(VlnetDecode, AWebLoginAnswer)
{
    auto a = readLoginAnswer(loginReply(R"({"status":151,"http_port":8080,"https":false,"password_enc":1,
        "token":"t","cookie":"c","protocol":"http","activation_pwd":true,"device_info":{"a":1}})"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->status, 151);
    EXPECT_TRUE(a->http);
    EXPECT_EQ(a->httpPort, 8080);
    EXPECT_EQ(a->passwordEncryption, 1);
    EXPECT_TRUE(a->activationPassword);
    EXPECT_EQ(a->deviceInfo, R"({"a":1})");
    EXPECT_EQ(a->channelInfo, "");

    VLNET_HTTP_DEVICE_INFO record;
    std::memset(&record, 0x5A, sizeof record);
    fillHttpRecord(*a, { "cam.local", "10.0.0.2", 9000, "admin" }, record);
    EXPECT_STREQ(record.real_address, "cam.local");
    EXPECT_STREQ(record.address, "10.0.0.2");
    EXPECT_EQ(record.port, 8080);
    EXPECT_EQ(record.real_port, 9000);
    EXPECT_STREQ(record.token, "t");
    EXPECT_STREQ(record.protocol, "http");
    EXPECT_STREQ(record.user_name, "admin");
    EXPECT_EQ(record.reserved619[0], 0);
}

// Each of these answers once ended the caller's whole program (an exception
// on the I/O thread). A member of the wrong type or range counts as missing.
TEST(VlnetDecode, MembersOfTheWrongTypeCountAsMissing)
{
    auto port = readLoginAnswer(loginReply(R"({"status":101,"http_port":"x"})"));
    ASSERT_TRUE(port);
    EXPECT_FALSE(port->http) << "no readable web port: a media answer";
    auto big = readLoginAnswer(loginReply(R"({"status":151,"http_port":80,"password_enc":1e20})"));
    ASSERT_TRUE(big);
    EXPECT_TRUE(big->http);
    EXPECT_EQ(big->passwordEncryption, 0);
    auto token
        = readLoginAnswer(loginReply(R"({"status":151,"http_port":80,"token":{},"cookie":[1],"https":"y"})"));
    ASSERT_TRUE(token);
    EXPECT_EQ(token->token, "");
    EXPECT_EQ(token->cookie, "");
    EXPECT_FALSE(token->https);
}

TEST(VlnetDecode, UnreadableAnswersAndFrames)
{
    EXPECT_FALSE(readLoginAnswer(loginReply(R"({"http_port":80})"))) << "no status";
    EXPECT_FALSE(readLoginAnswer(loginReply(R"({"status":"101"})")));
    EXPECT_FALSE(readLoginAnswer(loginReply(R"({"status":101})", vlwire::kBadRequest)));
    EXPECT_FALSE(readLoginAnswer(loginReply("[101]")));
    EXPECT_FALSE(readLoginAnswer(Bytes { 0, 0 }));
    EXPECT_FALSE(helloNonce(Bytes {}));
    const std::string hello = R"({"proto":1,"nonce":"ab"})";
    EXPECT_EQ(helloNonce(Bytes(hello.begin(), hello.end())), std::string("ab"));
    const std::string badHello = R"({"nonce":7})";
    EXPECT_FALSE(helloNonce(Bytes(badHello.begin(), badHello.end())));
    EXPECT_FALSE(readMessage(Bytes { 1, 2, 3 }));
    auto m = readMessage(Bytes { 0x63, 0x02, 0, 0, 9 });
    ASSERT_TRUE(m);
    EXPECT_EQ(m->id, 611);
    EXPECT_EQ(m->data, Bytes { 9 });
    EXPECT_FALSE(readReply(Bytes {}));
}

TEST(VlnetWire, SealedRecordsOpenOnlyUnderTheirNonceAndPassword)
{
    const std::string record(744, 'r');
    const auto sealed = vlwire::sealRecord("nonce-1", "Admin_123", record);
    ASSERT_TRUE(sealed);
    EXPECT_EQ(sealed->find("Admin_123"), std::string::npos);
    EXPECT_EQ(vlwire::openRecord("nonce-1", "Admin_123", *sealed).value_or(""), record);
    EXPECT_FALSE(vlwire::openRecord("nonce-2", "Admin_123", *sealed)) << "another session";
    EXPECT_FALSE(vlwire::openRecord("nonce-1", "Admin_124", *sealed)) << "another password";
    EXPECT_FALSE(vlwire::openRecord("nonce-1", "Admin_123", sealed->substr(0, 20)));
    EXPECT_FALSE(vlwire::sealRecord("nonce-1", "", record)) << "no password to seal with";
    EXPECT_FALSE(vlwire::openRecord("nonce-1", "", *sealed));
}
