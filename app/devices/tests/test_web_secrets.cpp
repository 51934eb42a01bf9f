// The web secrets on the program's side without a network: Base64, the
// second-authentication proof against PBKDF2 answers computed apart
// (Python's hashlib), the sealed new password opened as a device opens it,
// the read of transfer-key replies (what a device sends never sizes
// anything), and the account-rules table.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "devices/HttpClient.h"
#include "devices/WebSecrets.h"
#include "multicast/envelope.h"
#include "shell/Utilities.h"

#include <QJsonArray>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace
{

const QString kSalt16 = QStringLiteral("AAECAwQFBgcICQoLDA0ODw=="); // bytes 0..15
const QString kSalt32 = QStringLiteral("ICEiIyQlJicoKSorLC0uLzAxMjM0NTY3ODk6Ozw9Pj8="); // bytes 32..63
const QString kSalt64 = QStringLiteral(
    "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+Pw==");
const QString kSalt65 = QStringLiteral(
    "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+P0A=");

QString base64Of(const std::string& bytes)
{
    return base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()), int(bytes.size()));
}

std::string bytesOf(const QString& base64)
{
    const QByteArray text = base64.toLatin1();
    return base64Decode(text.constData(), text.size()).toStdString();
}

// A transfer-key reply holding `entries`.
QJsonObject keyReply(const QJsonArray& entries)
{
    return { { QStringLiteral("result"), QStringLiteral("success") },
        { QStringLiteral("data"), QJsonObject { { QStringLiteral("Key_lists"), entries } } } };
}

QJsonObject saltEntry(const QString& key, const QJsonValue& iter, const QJsonValue& seq)
{
    return { { QStringLiteral("type"), QStringLiteral("base_salt") }, { QStringLiteral("key"), key },
        { QStringLiteral("iter"), iter }, { QStringLiteral("seq"), seq } };
}

QJsonObject publicKeyEntry(const QString& key, const QJsonValue& seq)
{
    return { { QStringLiteral("type"), QStringLiteral("base_x_public") }, { QStringLiteral("key"), key },
        { QStringLiteral("seq"), seq } };
}

class WebSecretsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(devicePair.make());
        deviceKeyText = QLatin1Char('0') + base64Of(devicePair.public_key());
    }

    // What the device opens from an encrypted-password object.
    std::string open(const QJsonObject& object)
    {
        const QString cipher = object.value(QStringLiteral("cipher")).toString();
        const QString peer = object.value(QStringLiteral("peer_key")).toString();
        EXPECT_TRUE(cipher.startsWith(QLatin1Char('0')));
        EXPECT_TRUE(peer.startsWith(QLatin1Char('0')));
        return vlsdk::open_web_secret(devicePair, bytesOf(peer.mid(1)), bytesOf(cipher.mid(1))).value_or("?");
    }

    ShellTestEnv env;
    DeviceInfo device;
    vlsdk::x25519_key_pair devicePair;
    QString deviceKeyText; // as a device sends it: "0" and the Base64 key
};

} // namespace

TEST(WebBase64, StandardAlphabetPaddedOnOneLine)
{
    const unsigned char bytes[] = { 0xfb, 0xff, 0x00, 'a' };
    EXPECT_EQ(base64Encode(bytes, 4), QStringLiteral("+/8AYQ=="));
    EXPECT_EQ(base64Encode(bytes, 0), QString());
    EXPECT_EQ(base64Encode(nullptr, 4), QString());
    EXPECT_EQ(base64Decode("+/8AYQ==", 8),
        QByteArray("\xfb\xff\x00"
                   "a",
            4));
    EXPECT_EQ(base64Decode(nullptr, 8), QByteArray());
    // Text that is no Base64 decodes to nothing, not to part of itself.
    for (const char* bad : { "+/8AYQ=", "+/8A*Q==", "====" })
        EXPECT_TRUE(base64Decode(bad, int(std::strlen(bad))).isEmpty()) << bad;
    // No line breaks, however long.
    const std::string many(300, 'x');
    EXPECT_FALSE(base64Of(many).contains(QLatin1Char('\n')));
    EXPECT_EQ(bytesOf(base64Of(many)), many);
}

TEST_F(WebSecretsTest, SecondaryAuthIsPbkdf2OfTheLoginPasswordAsLongAsTheSalt)
{
    struct Case {
        QString password;
        QString salt;
        int iterations;
        QString expected;
    };
    const Case cases[] = {
        // 16-byte salt, 16-byte key, 24 characters.
        { QStringLiteral("Admin_123"), kSalt16, 1000, QStringLiteral("V3TaHJUeXSVJTEV6bu6lwg==") },
        // 32-byte salt, 32-byte key, 44 characters.
        { QStringLiteral("Admin_123"), kSalt32, 1000,
            QStringLiteral("p/imcPu7mLwJ5IAGbHrl+YkG6qqWOgnaMXg2n2YRYzw=") },
        // The password's Latin-1 bytes.
        { QStringLiteral("P\u00e4sswort1"), kSalt16, 1, QStringLiteral("Hdx0taa5v/gHbeoqXRU7GA==") },
        // Up to its first zero byte.
        { QStringLiteral("abc") + QChar(0) + QStringLiteral("def"), kSalt16, 1,
            QStringLiteral("1P0hOnxzqBd70cA1CzQ4Dw==") },
    };
    for (const Case& c : cases) {
        device.password = c.password;
        QString out = QStringLiteral("left over");
        EXPECT_TRUE(device.deriveSecondaryAuth(c.salt, out, c.iterations));
        EXPECT_EQ(out, c.expected);
    }
    EXPECT_EQ(WebSecrets::secondaryAuthCipher(QStringLiteral("x"), kSalt16, 5)->size(), 24);
    EXPECT_EQ(WebSecrets::secondaryAuthCipher(QStringLiteral("x"), kSalt32, 5)->size(), 44);
    // A 64-byte salt is derived in full (no fixed buffer to overrun).
    EXPECT_EQ(bytesOf(*WebSecrets::secondaryAuthCipher(QStringLiteral("x"), kSalt64, 5)).size(), 64u);
}

TEST_F(WebSecretsTest, SecondaryAuthRefusesSaltsAndCountsADeviceShouldNotSend)
{
    device.password = QStringLiteral("Admin_123");
    struct Case {
        const char* what;
        QString salt;
        int iterations;
    } cases[] = {
        { "salt longer than 64 bytes", kSalt65, 1000 },
        { "salt that is no Base64", QStringLiteral("AAEC*wQF"), 1000 },
        { "empty salt", QString(), 1000 },
        { "no iterations", kSalt16, 0 },
        { "negative iterations", kSalt16, -1 },
        { "iterations that would block for hours", kSalt16, WebSecrets::kMaxIterations + 1 },
    };
    for (const auto& c : cases) {
        QString out = QStringLiteral("left over");
        EXPECT_FALSE(device.deriveSecondaryAuth(c.salt, out, c.iterations)) << c.what;
        EXPECT_TRUE(out.isEmpty()) << c.what;
    }
}

TEST_F(WebSecretsTest, EncryptedPasswordOpensWithTheDeviceKey)
{
    const struct {
        QString password;
        QByteArray sent; // the bytes the device opens
    } cases[] = {
        { QStringLiteral("Admin_12"), "Admin_12" },
        { QStringLiteral("Caf\u00e9_1234"), "Caf\xe9_1234" }, // Latin-1 bytes
        { QStringLiteral("ab") + QChar(0) + QStringLiteral("cd"), "ab" }, // up to a zero byte
        { QString(127, QLatin1Char('x')), QByteArray(127, 'x') },
    };
    for (const auto& c : cases) {
        device.newPassword = c.password;
        QString publicKey, cipher;
        ASSERT_EQ(device.encryptPassword(deviceKeyText.mid(1), publicKey, cipher), 0);
        EXPECT_EQ(publicKey.size(), 44);
        EXPECT_EQ(bytesOf(cipher).size(), std::size_t(c.sent.size()) + 28);
        const QJsonObject object { { QStringLiteral("cipher"), QLatin1Char('0') + cipher },
            { QStringLiteral("peer_key"), QLatin1Char('0') + publicKey } };
        EXPECT_EQ(open(object), c.sent.toStdString());
    }
    // An 8-character password: 36 bytes, 48 characters.
    device.newPassword = QStringLiteral("Admin_12");
    QString publicKey, cipher;
    ASSERT_EQ(device.encryptPassword(deviceKeyText.mid(1), publicKey, cipher), 0);
    EXPECT_EQ(cipher.size(), 48);
    // A fresh key pair for every password.
    QString secondKey, secondCipher;
    ASSERT_EQ(device.encryptPassword(deviceKeyText.mid(1), secondKey, secondCipher), 0);
    EXPECT_NE(secondKey, publicKey);
}

TEST_F(WebSecretsTest, EncryptedPasswordRefusesKeysNotOf32Bytes)
{
    device.newPassword = QStringLiteral("Admin_12");
    const QString zeros31 = QStringLiteral("AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA==");
    const QString zeros33 = QStringLiteral("AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
    for (const QString& key : { QString(), zeros31, zeros33, deviceKeyText.left(20), QStringLiteral("@@@@"),
             // a low-order key: a secret that anyone could compute
             base64Of(std::string(32, '\0')) }) {
        QString publicKey = QStringLiteral("x"), cipher = QStringLiteral("y");
        EXPECT_EQ(device.encryptPassword(key, publicKey, cipher), -1) << key.toStdString();
        EXPECT_TRUE(publicKey.isEmpty() && cipher.isEmpty());
    }
    // Longer than the devices' 128-byte buffer holds.
    device.newPassword = QString(128, QLatin1Char('x'));
    QString publicKey, cipher;
    EXPECT_EQ(device.encryptPassword(deviceKeyText.mid(1), publicKey, cipher), -1);
}

TEST_F(WebSecretsTest, TransKeyReplyStoresTheObjectsWithTheirSeq)
{
    device.password = QStringLiteral("Admin_123");
    ASSERT_TRUE(device.onTransKeyReply(keyReply({ saltEntry(kSalt16, 1000, 7) })));
    EXPECT_EQ(
        jsonToBytes(device.secondaryAuth), QByteArray(R"({"cipher":"V3TaHJUeXSVJTEV6bu6lwg==","seq":7})"));

    device.newPassword = QStringLiteral("Admin_12");
    ASSERT_TRUE(device.onTransKeyReply(keyReply({ publicKeyEntry(deviceKeyText, 12) })));
    const QJsonObject& enc = device.encryptedPassword;
    EXPECT_EQ(enc.value(QStringLiteral("seq")).toInt(), 12);
    EXPECT_EQ(enc.value(QStringLiteral("peer_key")).toString().size(), 45);
    EXPECT_EQ(enc.value(QStringLiteral("cipher")).toString().size(), 49);
    EXPECT_EQ(open(enc), "Admin_12");
    // Only the first entry is read.
    ASSERT_TRUE(
        device.onTransKeyReply(keyReply({ saltEntry(kSalt32, 1000, 8), publicKeyEntry(QString(), 9) })));
    EXPECT_EQ(device.secondaryAuth.value(QStringLiteral("seq")).toInt(), 8);
}

TEST_F(WebSecretsTest, AMissingOrShortEntryFailsTheExchangeCleanly)
{
    device.password = QStringLiteral("Admin_123");
    device.newPassword = QStringLiteral("Admin_12");
    const QString zeros31 = QStringLiteral("0AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA==");
    struct Case {
        const char* what;
        QJsonObject reply;
    };
    const Case cases[] = {
        { "no data", QJsonObject { { QStringLiteral("result"), QStringLiteral("success") } } },
        { "no Key_lists", jsonFromBytes(R"({"result":"success","data":{}})") },
        { "Key_lists no array",
            jsonFromBytes(R"({"result":"success","data":{"Key_lists":{"type":"base_salt"}}})") },
        { "empty Key_lists", keyReply({}) },
        { "entry no object", keyReply({ QStringLiteral("base_salt") }) },
        { "salt without key",
            keyReply({ QJsonObject { { QStringLiteral("type"), QStringLiteral("base_salt") },
                { QStringLiteral("iter"), 1000 }, { QStringLiteral("seq"), 1 } } }) },
        { "salt without iter",
            keyReply({ QJsonObject { { QStringLiteral("type"), QStringLiteral("base_salt") },
                { QStringLiteral("key"), kSalt16 }, { QStringLiteral("seq"), 1 } } }) },
        { "salt without seq",
            keyReply({ QJsonObject { { QStringLiteral("type"), QStringLiteral("base_salt") },
                { QStringLiteral("key"), kSalt16 }, { QStringLiteral("iter"), 1000 } } }) },
        { "seq as text", keyReply({ saltEntry(kSalt16, 1000, QStringLiteral("1")) }) },
        { "salt of 65 bytes", keyReply({ saltEntry(kSalt65, 1000, 1) }) },
        { "iter zero", keyReply({ saltEntry(kSalt16, 0, 1) }) },
        { "iter fraction", keyReply({ saltEntry(kSalt16, 2.5, 1) }) },
        { "iter huge", keyReply({ saltEntry(kSalt16, 4294967296.0, 1) }) },
        { "public key without key",
            keyReply({ QJsonObject { { QStringLiteral("type"), QStringLiteral("base_x_public") },
                { QStringLiteral("seq"), 1 } } }) },
        { "public key of one character", keyReply({ publicKeyEntry(QStringLiteral("0"), 1) }) },
        { "public key of 31 bytes", keyReply({ publicKeyEntry(zeros31, 1) }) },
        { "public key without its skipped character", keyReply({ publicKeyEntry(deviceKeyText.mid(1), 1) }) },
        { "public key cut short", keyReply({ publicKeyEntry(deviceKeyText.left(30), 1) }) },
        { "another type",
            keyReply({ QJsonObject { { QStringLiteral("type"), QStringLiteral("base_rsa") },
                { QStringLiteral("key"), kSalt16 }, { QStringLiteral("seq"), 1 } } }) },
    };
    for (const Case& c : cases) {
        // Objects of an earlier exchange are not left to be sent.
        device.secondaryAuth = QJsonObject { { QStringLiteral("cipher"), QStringLiteral("old") } };
        device.encryptedPassword = QJsonObject { { QStringLiteral("cipher"), QStringLiteral("old") } };
        EXPECT_FALSE(device.onTransKeyReply(c.reply)) << c.what;
        const QString type = c.reply.value(QStringLiteral("data"))
                                 .toObject()
                                 .value(QStringLiteral("Key_lists"))
                                 .toArray()
                                 .first()
                                 .toObject()
                                 .value(QStringLiteral("type"))
                                 .toString();
        if (type != QLatin1String("base_x_public")) {
            EXPECT_TRUE(device.secondaryAuth.isEmpty()) << c.what;
        }
        if (type != QLatin1String("base_salt")) {
            EXPECT_TRUE(device.encryptedPassword.isEmpty()) << c.what;
        }
    }
}

TEST(WebSecretsRequest, TransKeyBodyIsCompactWithTheTypesInOrder)
{
    EXPECT_EQ(WebSecrets::transKeyRequestBody({ QStringLiteral("base_salt") }),
        QByteArray(R"({"data":{"type":["base_salt"]}})"));
    EXPECT_EQ(
        WebSecrets::transKeyRequestBody({ QStringLiteral("base_salt"), QStringLiteral("base_x_public") }),
        QByteArray(R"({"data":{"type":["base_salt","base_x_public"]}})"));
}

TEST(AccountRules, FirstBrokenRuleDecides)
{
    const QJsonObject alphaDigit = jsonFromBytes(R"({"data":{"password":{"min_length":8,"max_length":16,
        "character_combinations_num":2,"character_combinations":["alpha","digit"]}}})");
    const QJsonObject specials = jsonFromBytes(R"({"data":{"password":{"character_combinations_num":2,
        "character_combinations":["alpha","ALPHA","digit","special"],"special":"!#"}}})");
    const QJsonObject latin1 = jsonFromBytes(QStringLiteral(R"({"data":{"password":{"max_length":32,
        "character_combinations":["alpha","ALPHA","digit","special"],"special":"!\u00e9\u00ff\u20ac"}}})")
                                                 .toUtf8());
    const QJsonObject noUser = jsonFromBytes(R"({"data":{"password":{"not_same_username":true,
        "character_combinations":["alpha","digit"],"character_combinations_num":1}}})");
    const QJsonObject none = jsonFromBytes(R"({"result":"fail"})");
    struct Case {
        const char* what;
        const QJsonObject& rules;
        QString user;
        QString password;
        int code;
    };
    const Case cases[] = {
        { "eight lower-case letters", alphaDigit, QStringLiteral("admin"), QStringLiteral("abcdefgh"), 258 },
        { "with a digit", alphaDigit, QStringLiteral("admin"), QStringLiteral("abcdefg1"), 79 },
        { "with an upper-case letter", alphaDigit, QStringLiteral("admin"), QStringLiteral("abcdefG1"), 254 },
        { "with an exclamation mark", alphaDigit, QStringLiteral("admin"), QStringLiteral("abcdef!1"), 256 },
        { "digits alone", alphaDigit, QStringLiteral("admin"), QStringLiteral("12345678"), 258 },
        { "17 characters under 16", alphaDigit, QStringLiteral("admin"), QStringLiteral("abcdefgh!ABCDEF12"),
            252 },
        { "7 characters", alphaDigit, QStringLiteral("admin"), QStringLiteral("abc1234"), 251 },
        { "a sign the device does not list", specials, QStringLiteral("admin"), QStringLiteral("abcd$1234"),
            257 },
        { "a listed sign", specials, QStringLiteral("admin"), QStringLiteral("abcd#1234"), 79 },
        { "a space is a sign too", specials, QStringLiteral("admin"), QStringLiteral("abcd 1234"), 257 },
        { "the user's name", noUser, QStringLiteral("operator1"), QStringLiteral("operator1"), 250 },
        { "the user's name, short", noUser, QStringLiteral("ad1"), QStringLiteral("ad1"), 250 },
        { "not the user's name", noUser, QStringLiteral("operator1"), QStringLiteral("operator2"), 79 },
        { "lower case not allowed",
            jsonFromBytes(R"({"data":{"password":{"character_combinations":["digit"]}}})"), QString(),
            QStringLiteral("1234567a"), 253 },
        { "digits not allowed",
            jsonFromBytes(R"({"data":{"password":{"character_combinations":["alpha"]}}})"), QString(),
            QStringLiteral("abcdefg1"), 255 },
        // Bytes from 128 up count as signs, and must be listed.
        { "a listed Latin-1 letter", latin1, QString(), QStringLiteral("Caf\u00e9!no1"), 79 },
        { "listed Latin-1 letters", latin1, QString(), QStringLiteral("Caf\u00e9\u00ff!no1"), 79 },
        { "an unlisted Latin-1 letter", latin1, QString(), QStringLiteral("Caf\u00e8!no1"), 257 },
        // A character outside Latin-1 becomes "?" and lists nothing.
        { "the euro sign of the list", latin1, QString(), QStringLiteral("Caf?!no1"), 257 },
        { "no rules at all: defaults, no kind allowed", none, QString(), QStringLiteral("abcdefgh"), 253 },
        { "empty password", none, QString(), QString(), 251 },
        { "empty password, no minimum",
            jsonFromBytes(R"({"data":{"password":{"min_length":0,"character_combinations_num":1}}})"),
            QString(), QString(), 258 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            WebSecrets::accountRulesCode(WebSecrets::readAccountRules(c.rules), c.user, c.password), c.code)
            << c.what;
}

TEST(AccountRules, OnlyEditionsThatCheckThemAskTheDevice)
{
    ASSERT_TRUE(HttpClient::globalInit());
    for (const auto& [edition, code] :
        { std::pair { 0, 79 }, std::pair { 40, 79 }, std::pair { 43, 202 }, std::pair { 44, 202 } }) {
        ShellTestOptions options;
        options.edition = edition;
        ShellTestEnv env(options);
        DeviceInfo device;
        SearchDevRsp record {};
        copyRecordText(record.sdk.ip, "127.0.0.1");
        record.sdk.web_port = 1; // nothing listens there: no answer, 202
        device.searchRecord = record;
        device.newPassword = QStringLiteral("x");
        EXPECT_EQ(device.checkAccountRules(), code) << edition;
    }
}
