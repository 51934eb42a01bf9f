// Configuration export and import: the cleaning and decoding of what the
// web interface sends, the file names of VLNet's import record, the request
// bodies of both key exchanges, and which answers save or load nothing.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "operations/ConfigTransfer.h"
#include "shell/Utilities.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

using namespace ConfigTransfer;
using WorkerFrame::readReply;
using WorkerFrame::Reply;

namespace
{

QByteArray saltKeyReply()
{
    return R"({"result":"success","data":{"Key_lists":[{"type":"base_salt","key":"AAECAwQFBgcICQoLDA0ODw==","iter":1000,"seq":7}]}})";
}

QByteArray publicKeyReply()
{
    QByteArray key(32, '\0');
    for (int i = 0; i < 32; ++i)
        key[i] = char(9 + i);
    return R"({"result":"success","data":{"Key_lists":[{"type":"base_x_public","key":"0)" + key.toBase64()
        + R"(","seq":8}]}})";
}

// A web interface that answers each request with the next reply, recording
// what it was sent.
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

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

QJsonObject bodyOf(const QByteArray& body)
{
    return QJsonDocument::fromJson(body).object();
}

class ConfigTransferTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        device = std::make_unique<DeviceInfo>();
        std::strncpy(
            device->searchRecord.sdk.device_name, "cam-7", sizeof device->searchRecord.sdk.device_name - 1);
        device->password = QStringLiteral("Admin_123");
        device->newPassword = QStringLiteral("Admin_123");
        setSaveFileChooser([this](const QString& caption, const QString& name, const QString& filter) {
            asked.append(caption + QLatin1Char('|') + name + QLatin1Char('|') + filter);
            return answer;
        });
    }
    void TearDown() override { setSaveFileChooser(nullptr); }

    ShellTestEnv env;
    QTemporaryDir dir;
    std::unique_ptr<DeviceInfo> device;
    QStringList asked;
    QString answer;
};

} // namespace

TEST(ConfigTransferFile, CleaningAndDecodingFollowTheEncodingFlag)
{
    // "Hello, config" in Base64, broken by CR LF and followed by a space.
    const QByteArray param = "SGVsbG8s\r\nIGNvbmZpZw== ";
    QJsonObject data;
    data.insert(QStringLiteral("param"), QString::fromLatin1(param));
    QJsonObject reply;
    reply.insert(QStringLiteral("data"), data);
    EXPECT_EQ(exportFileBytes(reply, true), QByteArray("SGVsbG8sIGNvbmZpZw=="));
    EXPECT_EQ(exportFileBytes(reply, false), QByteArray("Hello, config"));
    EXPECT_EQ(cleanExportText(QByteArray("a b\tc\x7f\x80\xff"
                                         "d",
                  9)),
        QByteArray("abc\x7f"
                   "d"));

    // A "result" of another type counts as none.
    reply.insert(QStringLiteral("result"), 1);
    EXPECT_TRUE(exportFileBytes(reply, true));
}

TEST(ConfigTransferFile, AnAnswerWithoutAUsableParamSavesNothing)
{
    const char* const answers[] = {
        R"({"result":"success","data":{}})",
        R"({"result":"success","data":{"param":{"a":1}}})",
        R"({"result":"success","data":{"param":42}})",
        R"({"result":"success","data":{"param":" \r\n"}})",
        R"({"result":"success","data":{"param":"@@@@"}})",
        R"({"result":"failed","data":{"param":"SGVsbG8="}})",
        R"({"data":"SGVsbG8="})",
    };
    for (const char* text : answers) {
        SCOPED_TRACE(text);
        const QJsonObject reply = QJsonDocument::fromJson(text).object();
        EXPECT_FALSE(exportFileBytes(reply, true));
        EXPECT_FALSE(exportFileBytes(reply, false));
    }
}

TEST(ConfigTransferFile, TheImportRecordNamesTheFileWithoutItsLastFourCharacters)
{
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        { "/tmp/x/cam1.txt", "cam1" },
        { "/tmp/x/backup", "ba" },
        { "/tmp/x/abcd", "" },
        { "/tmp/x/abc", "abc" },
        { "/tmp/x/a-very-long-configuration-file-name-here.txt", "a-very-long-configuration-file-n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(importRecordName(QString::fromLatin1(c.path)), QByteArray(c.name));
    }

    auto record = std::make_unique<SdkParamImportRecord>();
    ASSERT_TRUE(fillImportRecord(*record, QStringLiteral("/tmp/cam1.txt"), QByteArray("\x01\x02\x03", 3)));
    EXPECT_EQ(record->size, 393256u);
    EXPECT_EQ(record->length, 3u);
    EXPECT_STREQ(record->name, "cam1");
    EXPECT_EQ(record->data[2], 3);
    EXPECT_TRUE(
        fillImportRecord(*record, QStringLiteral("full"), QByteArray(VLNET_PARAM_IMPORT_DATA_MAX, 'x')));
    EXPECT_FALSE(
        fillImportRecord(*record, QStringLiteral("big"), QByteArray(VLNET_PARAM_IMPORT_DATA_MAX + 1, 'x')));
    EXPECT_EQ(record->length, uint32_t(VLNET_PARAM_IMPORT_DATA_MAX)) << "a refused file leaves the record";
}

TEST_F(ConfigTransferTest, AWebExportWritesTheChosenFileByTheFlag)
{
    for (const bool encoded : { true, false }) {
        SCOPED_TRACE(encoded);
        device->configEncoded = encoded;
        answer = dir.filePath(encoded ? QStringLiteral("enc.txt") : QStringLiteral("raw.txt"));
        ScriptedWeb web;
        web.replies = { readReply(true, saltKeyReply()),
            readReply(true, R"({"result":"success","data":{"param":"SGVsbG8s\r\nIGNvbmZpZw== "}})") };
        EXPECT_EQ(exportByWeb(device.get(), web.post(), false), kExportDone);
        EXPECT_EQ(
            readFile(answer), encoded ? QByteArray("SGVsbG8sIGNvbmZpZw==") : QByteArray("Hello, config"));
        ASSERT_EQ(web.sent.size(), 2);
        EXPECT_EQ(web.sent[0].second, QByteArray(R"({"data":{"type":["base_salt"]}})"));
        const QJsonObject get = bodyOf(web.sent[1].second);
        EXPECT_EQ(get.value(QStringLiteral("version")), QStringLiteral("1.0"));
        EXPECT_EQ(get.value(QStringLiteral("data"))
                      .toObject()
                      .value(QStringLiteral("base_secondary_authentication"))
                      .toObject()
                      .value(QStringLiteral("seq")),
            7);
    }
    EXPECT_EQ(asked.first(), TextTable::text(115) + QStringLiteral("|cam-7.txt|Export File (*.txt)"));
}

TEST_F(ConfigTransferTest, AWebExportThatCannotSaveFailsAndLeavesNoFile)
{
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    struct Case {
        const char* what;
        QList<Reply> replies;
        QString answer;
        int requests;
        int dialogs;
    };
    const QByteArray good = R"({"result":"success","data":{"param":"SGVsbG8="}})";
    const QList<Case> cases = {
        { "key not answered", { Reply {} }, path, 1, 0 },
        { "key without entries", { readReply(true, R"({"data":{"Key_lists":[]}})") }, path, 1, 0 },
        { "key with HTTP 500", { readReply(false, saltKeyReply()) }, path, 1, 0 },
        { "get with HTTP 500", { readReply(true, saltKeyReply()), readReply(false, good) }, path, 2, 0 },
        { "get as HTML", { readReply(true, saltKeyReply()), readReply(true, "<html>") }, path, 2, 0 },
        { "param an object",
            { readReply(true, saltKeyReply()),
                readReply(true, R"({"result":"success","data":{"param":{}}})") },
            path, 2, 0 },
        { "refused",
            { readReply(true, saltKeyReply()), readReply(true, R"({"result":"auth_failed","data":{}})") },
            path, 2, 0 },
        { "cancelled", { readReply(true, saltKeyReply()), readReply(true, good) }, QString(), 2, 1 },
        { "folder missing", { readReply(true, saltKeyReply()), readReply(true, good) },
            dir.filePath(QStringLiteral("no/such/folder/x.txt")), 2, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        asked.clear();
        answer = c.answer;
        ScriptedWeb web;
        web.replies = c.replies;
        EXPECT_EQ(exportByWeb(device.get(), web.post(), false), kExportFailed);
        EXPECT_EQ(web.sent.size(), c.requests);
        EXPECT_EQ(asked.size(), c.dialogs);
        EXPECT_FALSE(QFile::exists(path));
    }
}

TEST_F(ConfigTransferTest, TheFileIsWrittenThroughATemporaryOneOrInPlace)
{
    // A folder that takes no new file: the temporary file cannot be made,
    // and the file in place is written directly.
    const QString folder = dir.filePath(QStringLiteral("locked"));
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/cam.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QString error;
    EXPECT_TRUE(writeExportFile(path, "new", &error)) << error.toStdString();
    EXPECT_EQ(readFile(path), QByteArray("new"));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // A path that is a folder cannot be written: the error, nothing changed.
    EXPECT_FALSE(writeExportFile(folder, "x", &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(ConfigTransferTest, AWebImportSendsTheFileAsTheExportWroteIt)
{
    const QString path = dir.filePath(QStringLiteral("cam.txt"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\x00\xff\x10 cfg", 7));
    }
    device->configFilePath = path;
    for (const bool encoded : { false, true }) {
        SCOPED_TRACE(encoded);
        device->configEncoded = encoded;
        ScriptedWeb web;
        web.replies
            = { readReply(true, saltKeyReply()), readReply(true, R"({"result":"success","data":{}})") };
        EXPECT_EQ(importByWeb(device.get(), web.post(), false), kImportDone);
        ASSERT_EQ(web.sent.size(), 2);
        EXPECT_EQ(web.sent[1].first, QByteArray("/API/Maintenance/ParamManagement/Set"));
        const QJsonObject body = bodyOf(web.sent[1].second);
        EXPECT_EQ(body.value(QStringLiteral("version")), QStringLiteral("1.0"));
        const QString param
            = body.value(QStringLiteral("data")).toObject().value(QStringLiteral("param")).toString();
        EXPECT_EQ(param,
            encoded ? QString::fromLatin1(QByteArray("\x00\xff\x10 cfg", 7))
                    : QStringLiteral("AP8QIGNmZw=="));
    }
}

TEST_F(ConfigTransferTest, TheEncryptedPasswordEditionSendsNoVersionAndZeroPrefixedTexts)
{
    const QString path = dir.filePath(QStringLiteral("cam.txt"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("cfg");
    }
    device->configFilePath = path;
    ScriptedWeb web;
    web.replies = { readReply(true, publicKeyReply()), readReply(true, R"({"result":"success"})") };
    EXPECT_EQ(importByWeb(device.get(), web.post(), true), kImportDone);
    ASSERT_EQ(web.sent.size(), 2);
    EXPECT_EQ(web.sent[0].second, QByteArray(R"({"data":{"type":["base_x_public"]}})"));
    const QJsonObject body = bodyOf(web.sent[1].second);
    EXPECT_FALSE(body.contains(QStringLiteral("version")));
    const QJsonObject sealed
        = body.value(QStringLiteral("data")).toObject().value(QStringLiteral("base_enc_password")).toObject();
    EXPECT_TRUE(sealed.value(QStringLiteral("cipher")).toString().startsWith(QLatin1Char('0')));
    EXPECT_TRUE(sealed.value(QStringLiteral("peer_key")).toString().startsWith(QLatin1Char('0')));
    EXPECT_EQ(sealed.value(QStringLiteral("seq")), 8);

    // The export of that edition asks for the same key.
    ScriptedWeb exportWeb;
    exportWeb.replies = { readReply(true, publicKeyReply()), readReply(true, "{}") };
    EXPECT_EQ(exportByWeb(device.get(), exportWeb.post(), true), kExportFailed);
    ASSERT_EQ(exportWeb.sent.size(), 2);
    EXPECT_TRUE(bodyOf(exportWeb.sent[1].second)
                    .value(QStringLiteral("data"))
                    .toObject()
                    .contains(QStringLiteral("base_enc_password")));
}

TEST_F(ConfigTransferTest, AnImportFailsOnAMissingFileAndOnARefusal)
{
    device->configFilePath = dir.filePath(QStringLiteral("missing.txt"));
    ScriptedWeb web;
    web.replies = { readReply(true, saltKeyReply()) };
    EXPECT_EQ(importByWeb(device.get(), web.post(), false), kImportFailed);
    EXPECT_EQ(web.sent.size(), 1) << "no Set without a file";

    const QString path = dir.filePath(QStringLiteral("cam.txt"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("cfg");
    }
    device->configFilePath = path;
    const struct {
        const char* what;
        Reply set;
        int status;
    } cases[] = {
        { "refused", readReply(true, R"({"result":"failed"})"), kImportFailed },
        { "HTTP 500", readReply(false, R"({"result":"success"})"), kImportFailed },
        { "no result", readReply(true, "{}"), kImportDone },
        { "not JSON", readReply(true, "OK"), kImportDone },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedWeb w;
        w.replies = { readReply(true, saltKeyReply()), c.set };
        EXPECT_EQ(importByWeb(device.get(), w.post(), false), c.status);
    }

    // VLNet: nothing is sent for a file that is missing or does not fit.
    int calls = 0;
    auto import = [&calls](const SdkParamImportRecord&) {
        ++calls;
        return 1;
    };
    device->configFilePath = dir.filePath(QStringLiteral("missing.txt"));
    EXPECT_EQ(importByVlnet(device.get(), import), kImportFailed);
    const QString big = dir.filePath(QStringLiteral("big.txt"));
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(VLNET_PARAM_IMPORT_DATA_MAX + 1, 'x'));
    }
    device->configFilePath = big;
    EXPECT_EQ(importByVlnet(device.get(), import), kImportFailed);
    EXPECT_EQ(calls, 0);

    // Only 1 is success.
    device->configFilePath = path;
    QByteArray name;
    EXPECT_EQ(importByVlnet(device.get(),
                  [&name](const SdkParamImportRecord& r) {
                      name = QByteArray(r.name);
                      return 2;
                  }),
        kImportFailed);
    EXPECT_EQ(name, QByteArray("cam"));
    EXPECT_EQ(importByVlnet(device.get(), import), kImportDone);
}

TEST(ConfigTransferEdition, OnlyEdition59ProvesThePasswordByEncryptingIt)
{
    for (const int edition : { 0, 43, 59 }) {
        ShellTestOptions options;
        options.edition = edition;
        ShellTestEnv env(options);
        EXPECT_EQ(GKAppSetting::instance()->profile().devices.configTransferByEncPassword, edition == 59);
    }
}
