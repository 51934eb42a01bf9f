#pragma once
// What the video-format flow (DeviceInfo's members in VideoFormatFlow.cpp)
// sends and reads, as pure functions (VideoFormatFlowRequests.cpp).
#include "devices/WebSecrets.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

namespace VideoFormatRequests
{

// The failure codes the flow's requests post (event type 1030).
constexpr int kKeyOrLoginOrResetFailed = 1034;
constexpr int kSetFailed = 1035;
constexpr int kQueryFailed = 1040;
// The codes it posts itself.
constexpr int kLogIn = 1032;
constexpr int kFormatTaken = 1036;
// The text that stands for a format the device did not name.
constexpr int kUnknownFormatText = 318;

// The factory type a "VC" device is reset to: of the list's entries of at
// least 7 characters that contain "factory", the last; "factory_defaults"
// when there is none.
QString factoryTypeFor(const QList<QByteArray>& factoryTypes);

// The "data" of the factory reset: the second authentication, then for
// software beginning with "VC" (case counts) the factory type, else the
// nine reset items, each true.
QJsonObject factoryResetData(
    const QString& software, const QList<QByteArray>& factoryTypes, const QJsonObject& secondaryAuth);

// The entry of a transfer-key reply that a step of the flow can use: the
// reply's first usable entry when it is of the kind the step asked for
// ("base_x_public" for the first password, "base_salt" for the reset); a
// key of the other kind would leave the step nothing to send.
std::optional<WebSecrets::TransKeyEntry> stepKey(const QJsonObject& reply, const QString& type);

// The "video_format" text of a query's reply; nothing when the reply has
// none, or something else than a text there.
std::optional<QString> videoFormatOf(const QJsonObject& reply);

} // namespace VideoFormatRequests
