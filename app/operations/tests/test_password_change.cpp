// The password change: where the new password goes in a VLNet user record
// of either layout, which records go back, how the account rules end a
// run, and the web requests against scripted answers.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "operations/PasswordChange.h"

#include <QJsonDocument>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace PasswordChange;
using WorkerFrame::readReply;
using WorkerFrame::Reply;

namespace
{

QByteArray bothKeysReply()
{
    QByteArray key(32, '\0');
    for (int i = 0; i < 32; ++i)
        key[i] = char(9 + i);
    return R"({"data":{"Key_lists":[{"type":"base_salt","key":"AAECAwQFBgcICQoLDA0ODw==","iter":1000,"seq":3},)"
           R"({"type":"base_x_public","key":"0)"
        + key.toBase64() + R"(","seq":4}]}})";
}

struct ScriptedWeb {
    QList<Reply> replies;
    QList<QPair<QByteArray, QByteArray>> sent;
    Post post()
    {
        return [this](const QByteArray& path, const QByteArray& body) {
            sent.append({ path, body });
            return replies.isEmpty() ? Reply {} : replies.takeFirst();
        };
    }
};

SdkUserRecord patterned(unsigned char fill)
{
    SdkUserRecord r;
    std::memset(&r, fill, sizeof r);
    return r;
}

QByteArray bytesOf(const SdkUserRecord& r, int from, int to)
{
    return QByteArray(reinterpret_cast<const char*>(&r) + from, to - from + 1);
}

class PasswordChangeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        device = std::make_unique<DeviceInfo>();
        device->user = QStringLiteral("admin");
        device->password = QStringLiteral("Admin_123");
        device->newPassword = QStringLiteral("Newpass_1234");
        device->secondPassword = QStringLiteral("Newpass_1234");
    }
    ShellTestEnv env;
    std::unique_ptr<DeviceInfo> device;
};

} // namespace

TEST(PasswordChangeRecord, TheNewPasswordTakesTheSlotsOfTheDevicesLayout)
{
    const QString twelve = QStringLiteral("Newpass_1234");
    SdkUserRecord eight = patterned(0xAB);
    applyNewPassword(eight, false, QStringLiteral("admin"), twelve, QStringLiteral("Conf_12"));
    EXPECT_EQ(bytesOf(eight, 8, 15), QByteArray("Newpass_")) << "cut to 8 bytes, no terminator";
    EXPECT_EQ(bytesOf(eight, 16, 23), QByteArray("Conf_12\0", 8)) << "the confirmation, zero-filled";
    EXPECT_EQ(eight.have_switch, 1);
    EXPECT_EQ(bytesOf(eight, 24, 33), QByteArray(10, char(0xAB))) << "the name is not written";
    EXPECT_EQ(bytesOf(eight, 80, 143), QByteArray(64, char(0xAB))) << "the 32-byte slots stay";

    SdkUserRecord wide = patterned(0xAB);
    applyNewPassword(wide, true, QStringLiteral("admin"), twelve, QStringLiteral("ignored"));
    EXPECT_EQ(bytesOf(wide, 80, 111), twelve.toLatin1() + QByteArray(20, '\0')) << "whole";
    EXPECT_EQ(bytesOf(wide, 112, 143), QByteArray("admin") + QByteArray(27, '\0'));
    EXPECT_EQ(bytesOf(wide, 8, 23), QByteArray(16, char(0xAB)));
    EXPECT_EQ(bytesOf(wide, 144, 271), QByteArray(128, char(0xAB)));
    EXPECT_EQ(wide.size, int32_t(0xABABABAB)) << "bytes not named keep the device's value";
}

TEST(PasswordChangeRecord, RulesResultsBecomeStatuses)
{
    EXPECT_EQ(rulesStatus(79), 0);
    for (int code = 250; code <= 258; ++code)
        EXPECT_EQ(rulesStatus(code), code - 198);
    for (const int code : { 202, 0, 249, 259, -1 })
        EXPECT_EQ(rulesStatus(code), kRulesUnavailable) << code;
}

TEST_F(PasswordChangeTest, OverVlnetOnlyTheFirstRecordChangesAndTheWholeListGoesBack)
{
    for (const bool c32 : { true, false }) {
        SCOPED_TRACE(c32);
        device->userRecords.clear();
        std::vector<SdkUserRecord> delivered { patterned(1), patterned(2), patterned(3) };
        std::vector<SdkUserRecord> sent;
        int32_t sentCount = 0;
        VlnetCalls calls;
        calls.query = [&](const VLNET_QUERY_PARAM& q) {
            EXPECT_EQ(q.command, 505);
            EXPECT_EQ(q.header_size, 48);
            EXPECT_EQ(q.record_size, 272);
            EXPECT_EQ(q.channels, nullptr);
            const char header[48] = "users";
            q.header_callback(header, q.user);
            for (const auto& r : delivered)
                q.record_callback(&r, q.user);
            return 1;
        };
        calls.deviceInfo
            = [c32](VLNET_DEVICE_INFO& info) { info.flags228 = c32 ? VLNET_F228_C32_PASSWORD : 0; };
        calls.set = [&](const VLNET_SET_PARAM& s) {
            EXPECT_EQ(s.command, 505);
            EXPECT_EQ(s.record, nullptr);
            sentCount = s.record_count;
            const auto* records = static_cast<const SdkUserRecord*>(s.records);
            sent.assign(records, records + s.record_count);
            return 1;
        };
        EXPECT_EQ(changeByVlnet(device.get(), calls), kChanged);
        EXPECT_STREQ(device->userQueryHeader.text[0], "users");
        ASSERT_EQ(sentCount, 3);
        EXPECT_EQ(sent[0].have_switch, 1);
        EXPECT_EQ(bytesOf(sent[0], c32 ? 80 : 8, c32 ? 91 : 15),
            c32 ? QByteArray("Newpass_1234") : QByteArray("Newpass_"));
        EXPECT_EQ(std::memcmp(&sent[1], &delivered[1], sizeof(SdkUserRecord)), 0);
        EXPECT_EQ(std::memcmp(&sent[2], &delivered[2], sizeof(SdkUserRecord)), 0);
    }
}

TEST_F(PasswordChangeTest, OverVlnetOnlyResultOneIsSuccess)
{
    const struct {
        const char* what;
        int query;
        int records;
        int set;
        int status;
        int sets;
    } cases[] = {
        { "query failed", 0, 1, 1, kFailed, 0 },
        { "no record", 1, 0, 1, kFailed, 0 },
        { "set answers 2", 1, 1, 2, kFailed, 1 },
        { "set answers 0", 1, 1, 0, kFailed, 1 },
        { "set answers 1", 1, 1, 1, kChanged, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        device->userRecords.clear();
        int sets = 0;
        VlnetCalls calls;
        calls.query = [&](const VLNET_QUERY_PARAM& q) {
            const SdkUserRecord r = patterned(0);
            for (int i = 0; i < c.records; ++i)
                q.record_callback(&r, q.user);
            return c.query;
        };
        calls.deviceInfo = [](VLNET_DEVICE_INFO&) {};
        calls.set = [&](const VLNET_SET_PARAM&) {
            ++sets;
            return c.set;
        };
        EXPECT_EQ(changeByVlnet(device.get(), calls), c.status);
        EXPECT_EQ(sets, c.sets);
    }
}

TEST_F(PasswordChangeTest, OverTheWebTheAccountGoesBackWithTheSealedPassword)
{
    const struct {
        const char* what;
        QByteArray get;
        bool keepsAccount;
    } cases[] = {
        { "account", R"({"result":"success","data":{"user_info":{"ADMIN":{"username":"admin","level":7}}}})",
            true },
        { "no ADMIN", R"({"result":"success","data":{"user_info":{}}})", false },
        { "Success", R"({"result":"Success","data":{"user_info":{"ADMIN":{"username":"admin"}}}})", false },
        { "ADMIN a text", R"({"result":"success","data":{"user_info":{"ADMIN":"admin"}}})", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedWeb first, second;
        first.replies = { readReply(true, c.get) };
        second.replies = { readReply(true, bothKeysReply()), readReply(true, R"({"result":"success"})") };
        EXPECT_EQ(changeByWeb(device.get(), first.post(), second.post(), [] { return 79; }), kChanged);
        ASSERT_EQ(first.sent.size(), 1);
        EXPECT_EQ(first.sent[0], qMakePair(QByteArray("/API/SystemConfig/User/Get"), QByteArray()));
        ASSERT_EQ(second.sent.size(), 2);
        EXPECT_EQ(second.sent[0].second, QByteArray(R"({"data":{"type":["base_salt","base_x_public"]}})"));
        EXPECT_EQ(second.sent[1].first, QByteArray("/API/SystemConfig/User/Set"));
        const QJsonObject body = QJsonDocument::fromJson(second.sent[1].second).object();
        EXPECT_EQ(body.value(QStringLiteral("version")), QStringLiteral("1.0"));
        const QJsonObject data = body.value(QStringLiteral("data")).toObject();
        EXPECT_EQ(data.value(QStringLiteral("type")), QStringLiteral("SavePassword"));
        EXPECT_EQ(data.value(QStringLiteral("base_secondary_authentication"))
                      .toObject()
                      .value(QStringLiteral("seq")),
            3);
        const QJsonObject admin
            = data.value(QStringLiteral("user_info")).toObject().value(QStringLiteral("ADMIN")).toObject();
        const QJsonObject sealed = admin.value(QStringLiteral("base_enc_password")).toObject();
        EXPECT_EQ(sealed.value(QStringLiteral("seq")), 4);
        EXPECT_TRUE(sealed.value(QStringLiteral("cipher")).toString().startsWith(QLatin1Char('0')));
        EXPECT_TRUE(sealed.value(QStringLiteral("peer_key")).toString().startsWith(QLatin1Char('0')));
        if (c.keepsAccount) {
            EXPECT_EQ(admin.value(QStringLiteral("username")), QStringLiteral("admin"));
            EXPECT_EQ(admin.value(QStringLiteral("level")), 7);
        } else {
            EXPECT_EQ(admin.keys(), QStringList { QStringLiteral("base_enc_password") });
        }
    }
}

TEST_F(PasswordChangeTest, OverTheWebEachFailureHasItsStatus)
{
    const QByteArray account = R"({"result":"success","data":{"user_info":{"ADMIN":{"username":"admin"}}}})";
    const struct {
        const char* what;
        Reply get;
        int rules;
        QList<Reply> second;
        int status;
        int secondRequests;
    } cases[] = {
        { "get not answered", Reply {}, 79, {}, kFailed, 0 },
        { "get HTTP 500", readReply(false, account), 79, {}, kFailed, 0 },
        { "rules unreadable", readReply(true, account), 202, {}, kRulesUnavailable, 0 },
        { "rule 250", readReply(true, account), 250, {}, 52, 0 },
        { "rule 258", readReply(true, account), 258, {}, 60, 0 },
        { "key HTTP 500", readReply(true, account), 79, { readReply(false, bothKeysReply()) }, kFailed, 1 },
        { "one key only", readReply(true, account), 79,
            { readReply(
                true, R"({"data":{"Key_lists":[{"type":"base_salt","key":"AAEC","iter":1000,"seq":3}]}})") },
            kFailed, 1 },
        { "empty device key", readReply(true, account), 79,
            { readReply(true,
                R"({"data":{"Key_lists":[{"type":"base_salt","key":"AAEC","iter":1000,"seq":3},{"type":"base_x_public","key":"","seq":4}]}})") },
            kFailed, 1 },
        { "set refused", readReply(true, account), 79,
            { readReply(true, bothKeysReply()), readReply(true, R"({"result":"failed"})") }, kFailed, 2 },
        { "set not JSON", readReply(true, account), 79,
            { readReply(true, bothKeysReply()), readReply(true, "<html>") }, kFailed, 2 },
        { "set HTTP 500 with success", readReply(true, account), 79,
            { readReply(true, bothKeysReply()), readReply(false, R"({"result":"success"})") }, kChanged, 2 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedWeb first, second;
        first.replies = { c.get };
        second.replies = c.second;
        const int rules = c.rules;
        EXPECT_EQ(
            changeByWeb(device.get(), first.post(), second.post(), [rules] { return rules; }), c.status);
        EXPECT_EQ(second.sent.size(), c.secondRequests);
    }
}
