// Operations 23 to 25: the device's new name and type, the developer
// switches' query, and the developer page's Set (which sends nothing).
#include "operations/DeviceNameWorkers.h"

#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "operations/WorkerFrame.h"
#include "shell/GKAppSetting.h"
#include "shell/Utilities.h"

#include <QJsonValue>
#include <cstring>

namespace DeviceNameRequests
{

QByteArray deviceInfoRecord(const QByteArray& name, const QByteArray& type)
{
    QByteArray record(VLNET_PARAM_DEVICE_INFO_SIZE, '\0');
    char* bytes = record.data();
    const quint32 size = VLNET_PARAM_DEVICE_INFO_SIZE;
    quint32 changes = 0;
    std::memcpy(bytes, &size, sizeof size);
    if (!type.isEmpty()) {
        const QByteArray text = cutUtf8(type, kRecordTextMax);
        std::memcpy(bytes + VLNET_DEVICE_INFO_TYPE, text.constData(), size_t(text.size()));
        changes |= VLNET_DEVICE_INFO_TYPE_CHANGED;
    }
    if (!name.isEmpty()) {
        const QByteArray text = cutUtf8(name, kRecordTextMax);
        std::memcpy(bytes + VLNET_DEVICE_INFO_NAME, text.constData(), size_t(text.size()));
        changes |= VLNET_DEVICE_INFO_NAME_CHANGED;
    }
    std::memcpy(bytes + VLNET_DEVICE_INFO_CHANGES, &changes, sizeof changes);
    return record;
}

QByteArray nameAndTypeBody(const QString& name, const QString& type)
{
    QJsonObject data;
    if (!name.isEmpty())
        data.insert(QStringLiteral("device_name"), name);
    if (!type.isEmpty())
        data.insert(QStringLiteral("device_type"), type);
    if (!data.isEmpty())
        return WorkerFrame::envelope(data);
    return jsonToBytes(QJsonObject { { QStringLiteral("version"), QStringLiteral("1.0") } });
}

bool nameAndTypeOverWeb(bool editionOverWeb, int protocol)
{
    return editionOverWeb || protocol == 0;
}

bool nameAndTypeOverWeb()
{
    GKAppSetting* settings = GKAppSetting::instance();
    return nameAndTypeOverWeb(settings->profile().devices.nameAndTypeOverWeb, settings->protocol());
}

QByteArray developerModeBody(const QString& telnetSwitch)
{
    QJsonObject object { { QStringLiteral("version"), QStringLiteral("1.0") } };
    if (telnetSwitch == QLatin1String("true"))
        object.insert(QStringLiteral("data"), QString(""));
    return jsonToBytes(object);
}

QString textMember(const QJsonObject& data, const QString& name)
{
    const QJsonValue value = data.value(name);
    return value.isString() ? value.toString() : QString();
}

} // namespace DeviceNameRequests

namespace
{

constexpr int kNameTypeSet = 41;
constexpr int kNameTypeRefused = 39;
constexpr int kNameTypeNoReply = 40;
constexpr int kDevModeRead = 46;
constexpr int kDevModeRefused = 44;
constexpr int kDevModeNoReply = 45;
// The statuses the state machine stored before the workers ran; they stay
// where a worker has nothing to send.
constexpr int kDevModeQuerying = 47;
constexpr int kDevModeSetting = 51;

// The 8-bit texts of the change-device page as the web interface takes
// them (the page stored them in the edition's encoding).
QString deviceText(const QByteArray& bytes)
{
    return GKAppSetting::instance()->profile().devices.latin1DeviceTexts ? QString::fromLatin1(bytes)
                                                                         : QString::fromLocal8Bit(bytes);
}

int statusOf(const WorkerFrame::Reply& reply, int ok, int fail, int error)
{
    switch (reply.outcome) {
    case WorkerFrame::Outcome::Ok:
        return ok;
    case WorkerFrame::Outcome::Fail:
        return fail;
    case WorkerFrame::Outcome::Error:
        break;
    }
    return error;
}

} // namespace

void DeviceInfo::setDeviceNameAndType(DeviceInfo* device)
{
    if (!device)
        return;
    using namespace DeviceNameRequests;
    int status = kNameTypeRefused;
    if (nameAndTypeOverWeb()) {
        WorkerFrame::WebRun run(device);
        run.setCredentials(device->user, device->password);
        const WorkerFrame::Reply reply = run.post(QByteArrayLiteral("/API/Maintenance/Customfactory/Set"),
            nameAndTypeBody(deviceText(device->newDeviceName), deviceText(device->newDeviceType)));
        status = statusOf(reply, kNameTypeSet, kNameTypeRefused, kNameTypeNoReply);
    } else {
        const QByteArray record = deviceInfoRecord(device->newDeviceName, device->newDeviceType);
        VLNET_SET_PARAM_EX request {};
        request.kind = VLNET_SET_PARAM_KIND;
        request.command = VLNET_PARAM_DEVICE_INFO;
        request.record = record.constData();
        request.record_size = record.size();
        request.record_count = 1;
        status = VLNetSetParamEx(device->connectionHandle, &request) != 0 ? kNameTypeSet : kNameTypeRefused;
    }
    WorkerFrame::finish(device, status, device->changeDevicePage);
}

void DeviceInfo::getDeveloperMode(DeviceInfo* device)
{
    if (!device)
        return;
    using namespace DeviceNameRequests;
    // The switches are read through the web interface only.
    if (WorkerFrame::transport() != WorkerFrame::Transport::Web) {
        WorkerFrame::finish(device, kDevModeQuerying, device->developerPage);
        return;
    }
    WorkerFrame::WebRun run(device);
    const WorkerFrame::Reply reply = run.post(
        QByteArrayLiteral("/API/Maintenance/DeveloperMode/Get"), developerModeBody(device->telnetSwitch));
    if (reply.outcome == WorkerFrame::Outcome::Ok) {
        const QJsonObject data = reply.data();
        device->telnetSwitch = textMember(data, QStringLiteral("telnet_switch"));
        device->exportDiskSwitch = textMember(data, QStringLiteral("export_disk_switch"));
    }
    WorkerFrame::finish(
        device, statusOf(reply, kDevModeRead, kDevModeRefused, kDevModeNoReply), device->developerPage);
}

void DeviceInfo::setDeveloperMode(DeviceInfo* device)
{
    if (!device)
        return;
    WorkerFrame::finish(device, kDevModeSetting, device->developerPage);
}
