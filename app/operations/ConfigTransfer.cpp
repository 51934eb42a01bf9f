#include "operations/ConfigTransfer.h"

#include "devices/DeviceInfo.h"
#include "devices/HttpClient.h"
#include "devices/WebSecrets.h"
#include "shell/GKAppSetting.h"
#include "shell/TextTable.h"
#include "shell/Utilities.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <cstring>
#include <memory>

namespace ConfigTransfer
{

namespace
{

constexpr int kCaptionText = 115;
const QByteArray kKeyPath = QByteArrayLiteral("/API/Maintenance/TransKey/Get");
const QByteArray kGetPath = QByteArrayLiteral("/API/Maintenance/ParamManagement/Get");
const QByteArray kSetPath = QByteArrayLiteral("/API/Maintenance/ParamManagement/Set");

SaveFileChooser& chooser()
{
    static SaveFileChooser instance;
    return instance;
}

bool encPasswordEdition()
{
    return GKAppSetting::instance()->profile().devices.configTransferByEncPassword;
}

} // namespace

void setSaveFileChooser(SaveFileChooser c)
{
    chooser() = std::move(c);
}

QString chooseSaveFile(const DeviceInfo* device)
{
    if (!chooser())
        return QString();
    return chooser()(TextTable::text(kCaptionText), device->devName() + QStringLiteral(".txt"),
        DeviceInfo::tr("Export File (*.txt)"));
}

bool writeExportFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = file.errorString();
        qDebug() << "File open error:" << *error;
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        qDebug() << "Write error:" << *error;
        return false;
    }
    return true;
}

QByteArray importRecordName(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const QString stem = name.size() < 4 ? name : name.left(name.size() - 4);
    return stem.toLatin1().left(int(sizeof(SdkParamImportRecord::name)));
}

bool fillImportRecord(SdkParamImportRecord& record, const QString& path, const QByteArray& bytes)
{
    if (bytes.size() > VLNET_PARAM_IMPORT_DATA_MAX)
        return false;
    std::memset(&record, 0, sizeof record);
    record.size = sizeof record;
    record.length = uint32_t(bytes.size());
    const QByteArray name = importRecordName(path);
    std::memcpy(record.name, name.constData(), std::size_t(name.size()));
    if (!bytes.isEmpty())
        std::memcpy(record.data, bytes.constData(), std::size_t(bytes.size()));
    return true;
}

QString importParamText(const QByteArray& fileBytes, bool encoded)
{
    return encoded ? QString::fromLatin1(fileBytes) : QString::fromLatin1(fileBytes.toBase64());
}

QStringList keyTypes(bool encPassword)
{
    return { encPassword ? QStringLiteral("base_x_public") : QStringLiteral("base_salt") };
}

std::optional<QJsonObject> authMember(DeviceInfo* device, const QJsonObject& keyReply, bool encPassword)
{
    QJsonObject member;
    if (!encPassword) {
        const auto auth = WorkerFrame::secondaryAuthFrom(keyReply, device->password);
        if (!auth)
            return std::nullopt;
        member.insert(QStringLiteral("base_secondary_authentication"), *auth);
        return member;
    }
    const auto entry = WebSecrets::transKeyEntry(keyReply, 0);
    if (!entry || entry->type != QLatin1String("base_x_public"))
        return std::nullopt;
    QString publicKey, cipher;
    if (device->encryptPassword(entry->key.mid(1), publicKey, cipher) != 0)
        return std::nullopt;
    QJsonObject sealed;
    sealed.insert(QStringLiteral("cipher"), QStringLiteral("0") + cipher);
    sealed.insert(QStringLiteral("peer_key"), QStringLiteral("0") + publicKey);
    sealed.insert(QStringLiteral("seq"), entry->seq);
    member.insert(QStringLiteral("base_enc_password"), sealed);
    return member;
}

int exportByWeb(DeviceInfo* device, const Post& post, bool encPassword)
{
    const WorkerFrame::Reply key = post(kKeyPath, WebSecrets::transKeyRequestBody(keyTypes(encPassword)));
    qDebug() << "build_curl111:" << key.httpOk << "IP:" << device->ip() << "url: Maintenance/TransKey/Get";
    if (!key.httpOk || key.outcome == WorkerFrame::Outcome::Error)
        return kExportFailed;
    const auto auth = authMember(device, key.object, encPassword);
    if (!auth)
        return kExportFailed;

    const WorkerFrame::Reply reply = post(kGetPath, WorkerFrame::envelope(*auth));
    // The body is the device's whole configuration, account secrets
    // included: only its size unless the debug switch is on.
    const QByteArray body = jsonToBytes(reply.object);
    if (HttpClient::debugOutput())
        qDebug().noquote() << QString::fromUtf8(body);
    else
        qDebug() << "response body of" << body.size() << "bytes";
    qDebug() << "build_curl222:" << reply.httpOk << "IP:" << device->ip()
             << "url: Maintenance/ParamManagement/Get";
    if (!reply.httpOk)
        return kExportFailed;
    if (reply.outcome == WorkerFrame::Outcome::Error) {
        qDebug() << "parseFromStream ERROR";
        return kExportFailed;
    }
    // Nothing to save: no file, and no dialog asking where to put it.
    const auto bytes = exportFileBytes(reply.object, device->configEncoded);
    if (!bytes)
        return kExportFailed;
    const QString path = chooseSaveFile(device);
    if (path.isEmpty()) {
        qDebug() << "SaveFileName ERROR";
        return kExportFailed;
    }
    QString error;
    return writeExportFile(path, *bytes, &error) ? kExportDone : kExportFailed;
}

int importByWeb(DeviceInfo* device, const Post& post, bool encPassword)
{
    const WorkerFrame::Reply key = post(kKeyPath, WebSecrets::transKeyRequestBody(keyTypes(encPassword)));
    qDebug() << "Import build_curl111:" << key.httpOk << "url: Maintenance/TransKey/Get";
    if (!key.httpOk || key.outcome == WorkerFrame::Outcome::Error) {
        qDebug() << "Import parseFromStream ERROR";
        return kImportFailed;
    }
    const auto auth = authMember(device, key.object, encPassword);
    if (!auth)
        return kImportFailed;

    QFile file(device->configFilePath);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!encPassword)
            qDebug() << "Failed to open file:" << device->configFilePath << "Error:" << file.errorString();
        return kImportFailed;
    }
    if (encPassword)
        qDebug() << "Import strPath:" << device->configFilePath << "pbuf:" << static_cast<const void*>(&file);
    const QByteArray bytes = file.readAll();
    file.close();
    if (encPassword)
        qDebug() << "Import delete buffer";

    QJsonObject data = *auth;
    data.insert(QStringLiteral("param"), importParamText(bytes, device->configEncoded));
    QByteArray body;
    if (encPassword) {
        QJsonObject top;
        top.insert(QStringLiteral("data"), data);
        body = jsonToBytes(top);
    } else {
        body = WorkerFrame::envelope(data);
    }
    const WorkerFrame::Reply reply = post(kSetPath, body);
    qDebug() << "Import build_curl222:" << reply.httpOk << "url: Maintenance/ParamManagement/Set";
    if (!reply.httpOk || saysFailed(reply.object))
        return kImportFailed;
    return kImportDone;
}

int importByVlnet(DeviceInfo* device, const std::function<int(const SdkParamImportRecord&)>& import)
{
    QFile file(device->configFilePath);
    if (!file.open(QIODevice::ReadOnly))
        return kImportFailed;
    // One byte more than fits tells a file that is too big from one that
    // fills the record, without reading a huge file whole.
    const QByteArray bytes = file.read(qint64(VLNET_PARAM_IMPORT_DATA_MAX) + 1);
    file.close();
    auto record = std::make_unique<SdkParamImportRecord>();
    if (!fillImportRecord(*record, device->configFilePath, bytes)) {
        GKAppSetting::instance()->log(QStringLiteral("ConfigTransfer::importByVlnet"), __LINE__,
            QStringLiteral("%1: %2 is larger than a device takes; nothing sent")
                .arg(device->ip(), device->configFilePath));
        return kImportFailed;
    }
    return import(*record) == 1 ? kImportDone : kImportFailed;
}

} // namespace ConfigTransfer

// ---- The workers ---------------------------------------------------------------

void DeviceInfo::exportConfig()
{
    const bool encPassword = ConfigTransfer::encPasswordEdition();
    if (WorkerFrame::transport() == WorkerFrame::Transport::VLNet) {
        configBlockDelivered = false;
        VLNET_EXPORT_BACKUP request;
        request.context = this;
        request.handler = &DeviceInfo::saveExportedConfig;
        VLNetExportBackupNew(connectionHandle, &request);
        // No block, no file: the same failure as the web interface's.
        if (!configBlockDelivered)
            setStatus(ConfigTransfer::kExportFailed);
        return;
    }
    WorkerFrame::WebRun run(this);
    setStatus(ConfigTransfer::exportByWeb(
        this, [&run](const QByteArray& path, const QByteArray& body) { return run.post(path, body); },
        encPassword));
}

void VLNET_CALL DeviceInfo::saveExportedConfig(const char* block, int32_t length, void* user)
{
    auto* device = static_cast<DeviceInfo*>(user);
    if (!device)
        return;
    device->configBlockDelivered = true;
    const auto bytes = ConfigTransfer::exportBlockData(block, length);
    if (!bytes) {
        device->setStatus(ConfigTransfer::kExportFailed);
        return;
    }
    const QString path = ConfigTransfer::chooseSaveFile(device);
    if (path.isEmpty()) {
        qDebug() << "SaveFileName ERROR";
        device->setStatus(ConfigTransfer::kExportFailed);
        return;
    }
    QString error;
    device->setStatus(ConfigTransfer::writeExportFile(path, *bytes, &error) ? ConfigTransfer::kExportDone
                                                                            : ConfigTransfer::kExportFailed);
}

void DeviceInfo::importConfig(DeviceInfo* device)
{
    if (!device)
        return;
    int status;
    if (WorkerFrame::transport() == WorkerFrame::Transport::VLNet) {
        const int handle = device->connectionHandle;
        status = ConfigTransfer::importByVlnet(device, [handle](const SdkParamImportRecord& record) {
            return VLNetRemoteParamImportNew(handle, &record);
        });
    } else {
        WorkerFrame::WebRun run(device);
        status = ConfigTransfer::importByWeb(
            device, [&run](const QByteArray& path, const QByteArray& body) { return run.post(path, body); },
            ConfigTransfer::encPasswordEdition());
    }
    WorkerFrame::finish(device, status, device->importExportPage);
}
