// The web secrets of a simulated device without a network: the password
// rules (shared with the multicast activation) and what "/API/AccountRules/Get"
// publishes of them, the transfer keys a device hands out, and its check of
// the proofs and sealed passwords sent with them.
#include "common/hex.h"
#include "common/json.h"
#include "generate.h"
#include "multicast/base64.h"
#include "multicast/envelope.h"
#include "password_rules.h"
#include "state_json.h"
#include "store.h"
#include "support/lab.h"
#include "web_secrets.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <thread>

using namespace devsim;

namespace
{

std::string b64(const std::string& bytes)
{
    return vlsdk::multicast_base64_encode(bytes);
}

std::string unb64(const std::string& text)
{
    return vlsdk::multicast_base64_decode(text);
}

class WebSecretsTest : public ::testing::Test
{
protected:
    explicit WebSecretsTest(int keyLifeMs = WebSecrets::kKeyLifeMs)
        : secrets(store, log, keyLifeMs)
    {
        for (int n = 0; n < 8; ++n) {
            Device d = generateDevice(n, GenerateOptions {});
            if (d.kind == Kind::Ipc && camera < 0)
                camera = n;
            if (d.kind != Kind::Ipc && recorder < 0)
                recorder = n;
            store.add(d);
        }
    }

    // Issues keys of `types` (a JSON array text) to device n.
    Json::Value issue(int n, const std::string& types)
    {
        Json::Value t;
        EXPECT_TRUE(vljson::parse(types, t));
        Json::Value lists;
        std::string error;
        EXPECT_TRUE(secrets.issue(n, t, &lists, &error)) << error;
        return lists;
    }
    // The proof a client makes from `password` for a salt entry.
    static Json::Value proof(const Json::Value& entry, const std::string& password)
    {
        const std::string salt = unb64(entry["key"].asString());
        Json::Value o(Json::objectValue);
        o["cipher"] = b64(*vlsdk::pbkdf2_sha256(password, salt, entry["iter"].asInt(), salt.size()));
        o["seq"] = entry["seq"];
        return o;
    }
    // The sealed password a client makes for a key entry.
    static Json::Value sealed(const Json::Value& entry, const std::string& password)
    {
        const auto s = vlsdk::seal_web_secret(unb64(entry["key"].asString().substr(1)), password);
        Json::Value o(Json::objectValue);
        o["cipher"] = "0" + b64(s->sealed);
        o["peer_key"] = "0" + b64(s->public_key);
        o["seq"] = entry["seq"];
        return o;
    }
    std::string passwordOf(int n, const std::string& user)
    {
        std::string p;
        store.read(n, [&](const Device& d) { p = d.findUser(user)->password; });
        return p;
    }

    std::FILE* quiet = std::fopen("/dev/null", "w");
    EventLog log { quiet ? quiet : stderr };
    DeviceStore store;
    WebSecrets secrets;
    int camera = -1;
    int recorder = -1;
};

class ShortLivedKeys : public WebSecretsTest
{
protected:
    ShortLivedKeys()
        : WebSecretsTest(1)
    {
    }
};

} // namespace

TEST(PasswordRules, OneRuleSetInOrder)
{
    struct Case {
        std::string password;
        std::string user;
        PasswordCheck check;
    };
    const Case cases[] = {
        { "Good_Pass1", "admin", PasswordCheck::Ok },
        { "abcdefg1", "", PasswordCheck::Ok },
        { "Caf\xe9_Pass1", "admin", PasswordCheck::Ok }, // Latin-1: a sign
        { "\x80\xff"
          "abcdef",
            "", PasswordCheck::Ok },
        { "operator1", "operator1", PasswordCheck::SameAsUser },
        { "admin", "admin", PasswordCheck::SameAsUser },
        { "Short_1", "", PasswordCheck::TooShort },
        { "", "", PasswordCheck::TooShort },
        { std::string(32, 'a') + "1", "", PasswordCheck::TooLong },
        { std::string(31, 'a') + "1", "", PasswordCheck::Ok },
        { "with space1", "", PasswordCheck::BadCharacter },
        { "tab\tTab12", "", PasswordCheck::BadCharacter },
        { "del\x7f"
          "Del12",
            "", PasswordCheck::BadCharacter },
        { std::string("nul\0Nul12", 9), "", PasswordCheck::BadCharacter },
        { "abcdefghij", "", PasswordCheck::TooFewKinds },
        { "\xe9\xe8\xe0\xf9\xe9\xe8\xe0\xf9", "", PasswordCheck::TooFewKinds },
        { "Password1", "", PasswordCheck::Weak },
        { "ADMIN123", "", PasswordCheck::Weak },
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            passwordCheckName(checkPassword(c.password, c.user)), std::string(passwordCheckName(c.check)))
            << vlhex::to_hex(c.password);
}

TEST(PasswordRules, PublishedAsTheDeviceChecksThem)
{
    const Json::Value rules = accountRulesJson();
    EXPECT_EQ(rules["min_length"].asInt(), 8);
    EXPECT_EQ(rules["max_length"].asInt(), 32);
    EXPECT_TRUE(rules["not_same_username"].asBool());
    EXPECT_EQ(rules["character_combinations_num"].asInt(), 2);
    EXPECT_EQ(
        vljson::write_compact(rules["character_combinations"]), R"(["ALPHA","alpha","digit","special"])");
    const std::string special = rules["special"].asString();
    EXPECT_TRUE(vljson::is_valid_utf8(special));
    EXPECT_EQ(special.substr(0, 32), kSpecialSigns);
    EXPECT_EQ(special.find(' '), std::string::npos);
    // U+0080 to U+00FF follow, two bytes each.
    EXPECT_EQ(special.size(), 32u + 2 * 128);
    EXPECT_EQ(special.substr(32, 2), "\xc2\x80");
    EXPECT_EQ(special.substr(special.size() - 2), "\xc3\xbf");
}

TEST_F(WebSecretsTest, KeysComeOnePerTypeInTheOrderAsked)
{
    const Json::Value lists = issue(camera, R"(["base_x_public","base_salt","base_salt"])");
    ASSERT_EQ(lists.size(), 3u);
    EXPECT_EQ(lists[0]["type"], "base_x_public");
    EXPECT_EQ(lists[1]["type"], "base_salt");
    EXPECT_EQ(lists[2]["type"], "base_salt");
    // "0" and a 32-byte key in 44 characters.
    const std::string key = lists[0]["key"].asString();
    EXPECT_EQ(key.size(), 45u);
    EXPECT_EQ(key[0], '0');
    EXPECT_EQ(unb64(key.substr(1)).size(), 32u);
    EXPECT_FALSE(lists[0].isMember("iter"));
    EXPECT_EQ(unb64(lists[1]["key"].asString()).size(), 16u); // a camera's salt
    EXPECT_GT(lists[1]["iter"].asInt(), 0);
    EXPECT_NE(lists[1]["key"], lists[2]["key"]);
    EXPECT_LT(lists[0]["seq"].asInt64(), lists[1]["seq"].asInt64());
    EXPECT_LT(lists[1]["seq"].asInt64(), lists[2]["seq"].asInt64());
    EXPECT_EQ(unb64(issue(recorder, R"(["base_salt"])")[0]["key"].asString()).size(), 32u);

    for (const char* bad : { R"([])", R"(["base_rsa"])", R"("base_salt")", R"([1])", "null",
             R"(["base_salt","base_salt","base_salt","base_salt","base_salt"])" }) {
        Json::Value t, lists2;
        vljson::parse(bad, t);
        std::string error;
        EXPECT_FALSE(secrets.issue(camera, t, &lists2, &error)) << bad;
        EXPECT_EQ(error, "invalid_param");
    }
}

TEST_F(WebSecretsTest, ProofOfTheCurrentPasswordCountsOnce)
{
    const std::string password = passwordOf(recorder, "admin");
    const Json::Value salt = issue(recorder, R"(["base_salt"])")[0];
    const Json::Value good = proof(salt, password);
    EXPECT_EQ(unb64(good["cipher"].asString()).size(), 32u);
    EXPECT_EQ(secrets.checkSecondaryAuth(camera, "admin", good), "unknown_seq"); // another device's key
    EXPECT_EQ(secrets.checkSecondaryAuth(recorder, "admin", good), "ok");
    EXPECT_EQ(secrets.checkSecondaryAuth(recorder, "admin", good), "unknown_seq"); // used up

    const Json::Value salt2 = issue(recorder, R"(["base_salt"])")[0];
    EXPECT_EQ(secrets.checkSecondaryAuth(recorder, "admin", proof(salt2, password + "x")), "wrong");
    const Json::Value salt3 = issue(recorder, R"(["base_salt"])")[0];
    EXPECT_EQ(secrets.checkSecondaryAuth(recorder, "nobody", proof(salt3, password)), "no_user");
    // A key of the other kind is no salt.
    const Json::Value key = issue(recorder, R"(["base_x_public"])")[0];
    Json::Value wrongKind = good;
    wrongKind["seq"] = key["seq"];
    EXPECT_EQ(secrets.checkSecondaryAuth(recorder, "admin", wrongKind), "unknown_seq");

    const Json::Value salt4 = issue(recorder, R"(["base_salt"])")[0];
    for (const char* bad : { R"({"cipher":"AAAA"})", R"({"seq":"1","cipher":"AAAA"})", R"({"seq":1})",
             R"({"seq":1e30,"cipher":"AAAA"})", R"("text")" }) {
        Json::Value o;
        vljson::parse(bad, o);
        EXPECT_EQ(secrets.checkSecondaryAuth(recorder, "admin", o), "malformed") << bad;
    }
    Json::Value notBase64 = proof(salt4, password);
    notBase64["cipher"] = "****";
    EXPECT_EQ(secrets.checkSecondaryAuth(recorder, "admin", notBase64), "malformed");
}

TEST_F(WebSecretsTest, SealedPasswordOpensOnceAndMeetsTheRules)
{
    struct Case {
        std::string password;
        const char* result;
    } cases[] = {
        { "Good_Pass1", "ok" },
        { "Caf\xe9_Pass1", "ok" },
        { "short", "too_short" },
        { "password123", "weak" },
        { "admin", "same_as_user" },
    };
    for (const Case& c : cases) {
        const Json::Value key = issue(camera, R"(["base_x_public"])")[0];
        const Json::Value object = sealed(key, c.password);
        std::string opened;
        EXPECT_EQ(secrets.openPassword(camera, "admin", object, &opened), c.result);
        EXPECT_EQ(opened, c.password);
        opened.clear();
        EXPECT_EQ(secrets.openPassword(camera, "admin", object, &opened), "unknown_seq");
        EXPECT_TRUE(opened.empty());
    }

    const Json::Value key = issue(camera, R"(["base_x_public"])")[0];
    Json::Value tampered = sealed(key, "Good_Pass1");
    std::string cipher = unb64(tampered["cipher"].asString().substr(1));
    cipher[0] = char(cipher[0] ^ 1);
    tampered["cipher"] = "0" + b64(cipher);
    std::string opened;
    EXPECT_EQ(secrets.openPassword(camera, "admin", tampered, &opened), "not_opened");

    const Json::Value key2 = issue(camera, R"(["base_x_public"])")[0];
    const Json::Value good = sealed(key2, "Good_Pass1");
    for (const char* member : { "cipher", "peer_key" }) {
        // Another first character, not a dropped one: Base64 of random
        // bytes may itself begin with a '0'.
        Json::Value noZero = good;
        noZero[member] = "x" + noZero[member].asString().substr(1);
        EXPECT_EQ(secrets.openPassword(camera, "admin", noZero, &opened), "malformed") << member;
    }
    Json::Value shortKey = good;
    shortKey["peer_key"] = "0" + b64(std::string(31, 'k'));
    EXPECT_EQ(secrets.openPassword(camera, "admin", shortKey, &opened), "malformed");
}

TEST_F(ShortLivedKeys, KeysExpire)
{
    const Json::Value salt = issue(camera, R"(["base_salt"])")[0];
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(
        secrets.checkSecondaryAuth(camera, "admin", proof(salt, passwordOf(camera, "admin"))), "expired");
}

TEST_F(WebSecretsTest, KeysAreForgottenWhenTheDeviceGoesAwayAndBounded)
{
    const Json::Value salt = issue(camera, R"(["base_salt"])")[0];
    store.reboot(camera, 1);
    EXPECT_EQ(
        secrets.checkSecondaryAuth(camera, "admin", proof(salt, passwordOf(camera, "admin"))), "unknown_seq");

    // The oldest keys go first.
    const Json::Value first = issue(recorder, R"(["base_salt"])")[0];
    for (std::size_t i = 0; i < WebSecrets::kMaxKeys; ++i)
        issue(recorder, R"(["base_salt"])");
    EXPECT_EQ(secrets.checkSecondaryAuth(recorder, "admin", proof(first, passwordOf(recorder, "admin"))),
        "unknown_seq");
}

TEST(StateFile, APasswordOfLatin1BytesSurvives)
{
    vltest::TempDir dir;
    std::vector<Device> devices { generateDevice(0, GenerateOptions {}) };
    devices[0].users[0].password = "Caf\xe9_Pass1";
    saveDevices(dir.file("s.json"), devices);
    const auto back = loadDevices(dir.file("s.json"));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].users[0].password, "Caf\xe9_Pass1");
    EXPECT_EQ(deviceToJson(back[0], false)["users"][0]["password_hex"], vlhex::to_hex("Caf\xe9_Pass1"));
    // UTF-8 passwords stay as they were.
    EXPECT_EQ(deviceToJson(devices[0], false)["users"][1]["password"], devices[0].users[1].password);
}
