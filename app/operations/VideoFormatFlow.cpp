// The video-format flow: a chain of web requests on the GUI thread that
// spans two reboots of the device (first password when it has none, the
// format, the wait for the reboot, the factory reset, the wait again). Each
// step ends in a QVideoFormatEvent for the state machine; every request
// belongs to the record (sendHttpRequest), so a record that a new search
// deletes meanwhile takes its pending request with it.
#include "operations/VideoFormatFlow.h"

#include "devices/DeviceEvents.h"
#include "devices/DeviceInfo.h"
#include "operations/WorkerFrame.h"
#include "shell/GKAppSetting.h"
#include "shell/TextTable.h"
#include "shell/Utilities.h"

#include <QCoreApplication>
#include <QtDebug>

using namespace VideoFormatRequests;

namespace
{

HttpRequestParam flowRequest(
    const char* path, QByteArray body, int failureCode, HttpSuccessContinuation onSuccess)
{
    HttpRequestParam param;
    param.path = QLatin1String(path);
    param.body = std::move(body);
    param.failureEventType = VideoFormatEvent;
    param.failureCode = failureCode;
    param.onSuccess = std::move(onSuccess);
    param.onFailure = &DeviceInfo::onVideoFormatOccurredError;
    return param;
}

void post(DeviceInfo* device, int code)
{
    QCoreApplication::postEvent(device, new QVideoFormatEvent(code));
}

// A step that failed: logged, its code posted.
void postFailure(DeviceInfo* device, QEvent::Type type, int code)
{
    GKAppSetting::instance()->log(QStringLiteral("DeviceInfo::onVideoFormatOccurredError"), __LINE__,
        QStringLiteral("%1 set format failed.").arg(device->ip()));
    QCoreApplication::postEvent(device, new QVideoFormatEvent(type, code));
}

} // namespace

void DeviceInfo::requestVideoFormat()
{
    sendHttpRequest(flowRequest(
        "API/Maintenance/Customfactory/Get", QByteArray(), kQueryFailed, &DeviceInfo::onGetVideoFormatReply));
}

void DeviceInfo::onGetVideoFormatReply(const QJsonObject& reply)
{
    videoFormat = videoFormatOf(reply).value_or(TextTable::text(kUnknownFormatText));
}

void DeviceInfo::sendFirstLoginTransKeyRequest()
{
    if (isActivated()) {
        post(this, kLogIn);
        return;
    }
    requestTransKey(QStringLiteral("base_x_public"), VideoFormatEvent, kKeyOrLoginOrResetFailed,
        &DeviceInfo::sendFirstLoginPasswordRequest, &DeviceInfo::onVideoFormatOccurredError);
}

void DeviceInfo::sendFirstLoginPasswordRequest(const QJsonObject& keyReply)
{
    user = QLatin1String(GKAppSetting::kDefaultUser);
    password = QLatin1String(kFirstLoginPassword);
    newPassword = password;
    // A key of the other kind (a salt) encrypts nothing: an empty object
    // would go out as the first password.
    if (!stepKey(keyReply, QStringLiteral("base_x_public"))) {
        postFailure(this, VideoFormatEvent, kKeyOrLoginOrResetFailed);
        return;
    }
    // An unusable key has run this request's failure continuation already.
    if (!onTransKeyReply(keyReply))
        return;
    QJsonObject data;
    data.insert(QStringLiteral("base_enc_password"), encryptedPassword);
    sendHttpRequest(flowRequest("API/FirstLogin/Password/Set", WorkerFrame::envelope(data),
        kKeyOrLoginOrResetFailed, &DeviceInfo::postVideoFormatLoginEvent));
}

void DeviceInfo::postVideoFormatLoginEvent(const QJsonObject&)
{
    post(this, kLogIn);
}

void DeviceInfo::sendSetVideoFormatRequest(const QJsonObject&)
{
    QJsonObject data;
    data.insert(QStringLiteral("video_format"), videoFormat);
    const QByteArray body = jsonToBytes(QJsonObject { { QStringLiteral("data"), data } });
    GKAppSetting::instance()->log(
        QStringLiteral("DeviceInfo::sendSetVideoFormatRequest"), __LINE__, QString::fromUtf8(body));
    sendHttpRequest(flowRequest(
        "API/Maintenance/Customfactory/Set", body, kSetFailed, &DeviceInfo::onSetVideoFormatReply));
}

void DeviceInfo::onSetVideoFormatReply(const QJsonObject&)
{
    post(this, kFormatTaken);
    operation = VfReboot;
    emit setVideoFormatWaitingForSettingReboot();
}

void DeviceInfo::requestFactoryResetTransKey()
{
    requestTransKey(QStringLiteral("base_salt"), VideoFormatEvent, kKeyOrLoginOrResetFailed,
        &DeviceInfo::sendFactoryResetRequest, &DeviceInfo::onVideoFormatOccurredError);
}

void DeviceInfo::sendFactoryResetRequest(const QJsonObject& keyReply)
{
    // A key of the other kind proves nothing of the password.
    if (!stepKey(keyReply, QStringLiteral("base_salt"))) {
        postFailure(this, VideoFormatEvent, kKeyOrLoginOrResetFailed);
        return;
    }
    if (!onTransKeyReply(keyReply))
        return;
    operation = VfReset;
    const QJsonObject data = factoryResetData(software(), factoryTypes, secondaryAuth);
    sendHttpRequest(flowRequest("API/Maintenance/Reset/Set",
        jsonToBytes(QJsonObject { { QStringLiteral("data"), data } }), kKeyOrLoginOrResetFailed,
        &DeviceInfo::onFactoryResetSucceeded));
}

void DeviceInfo::onFactoryResetSucceeded(const QJsonObject&)
{
    emit setVideoFormatRecoveryFinished();
}

void DeviceInfo::onVideoFormatOccurredError(const HttpRequestParam& param)
{
    postFailure(this, QEvent::Type(param.failureEventType), param.failureCode);
}
