#pragma once
// Web-interface requests of a device record on the GUI thread
// (DeviceInfo::sendHttpRequest): the request record with its continuations,
// and the one network access manager they share.
//
// A request is a JSON POST to the device's web interface with the session
// cookie and csrf token of its web login; when the reply has finished, a
// reply whose "result" is "success" goes whole to the success continuation,
// anything else (network and TLS errors, a body that is no JSON object,
// another "result") to the failure continuation with a copy of the request.
// The HTTP status does not decide. Device certificates are not checked
// (devices carry self-signed ones that name no address).
//
// Threads: GUI thread only, continuations included.
#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <functional>

class DeviceInfo;
class QNetworkAccessManager;
struct HttpRequestParam;

// A member of DeviceInfo taking the reply object (or any callable of that
// shape); its result, if any, is not read.
using HttpSuccessContinuation = std::function<void(DeviceInfo*, const QJsonObject&)>;
// A member of DeviceInfo taking the failed request.
using HttpFailureContinuation = std::function<void(DeviceInfo*, const HttpRequestParam&)>;

// One request of DeviceInfo::sendHttpRequest; copied by value.
struct HttpRequestParam {
    QString path; // without the leading "/", such as "API/Login/TransKey/Get"
    QByteArray body; // the JSON body as sent
    QString extra; // copied along, not read
    int failureEventType = 0; // the event type the failure continuation posts
    int failureCode = 0; // the code it puts into that event
    HttpSuccessContinuation onSuccess; // may be empty
    HttpFailureContinuation onFailure; // may be empty
};

// The process-wide manager of these requests, made on first use with the
// application object as its parent (so it is made after that object and
// goes with it); null without an application object or off its thread.
QNetworkAccessManager* deviceNetworkManager();
