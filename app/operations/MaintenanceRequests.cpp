#include "operations/MaintenanceRequests.h"

#include "common/json.h"
#include "devices/DeviceEvents.h"
#include "devices/DeviceInfo.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QTimeZone>
#include <atomic>
#include <cmath>
#include <cstring>

namespace MaintenanceRequests
{

namespace
{

std::string utf8Of(const QByteArray& latin1)
{
    return QString::fromLatin1(latin1).toStdString();
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

std::string activationRequest(const ActivationEntry& entry)
{
    Json::Value device(Json::objectValue);
    device["id"] = utf8Of(entry.id);
    device["key"] = utf8Of(entry.key);
    device["password"] = utf8Of(entry.password);
    if (entry.withSyncFields) {
        device["is sync pwd"] = entry.syncPassword;
        device["conn ipc pwd"] = utf8Of(entry.connIpcPassword);
    }
    Json::Value inner(Json::objectValue);
    inner["device"].append(device);

    Json::Value outer(Json::objectValue);
    outer["delay"] = kActivationDelayMs;
    outer["timeout"] = kActivationTimeoutMs;
    outer["data"] = vljson::write_styled(inner);
    return vljson::write_styled(outer);
}

namespace
{
std::atomic<ActivationStarter> g_starter { nullptr };
} // namespace

void setActivationStarter(ActivationStarter starter)
{
    g_starter.store(starter);
}

ActivationStarter activationStarter()
{
    const ActivationStarter starter = g_starter.load();
    return starter ? starter : &vl_start_multi_activate;
}

std::optional<int> activationReplyCode(const char* json, const QString& devId)
{
    if (!json)
        return std::nullopt;
    QJsonParseError error {};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(json), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject reply = doc.object();
    // toString() gives the empty text for a member of another type: read as
    // absent.
    const QString id = reply.value(QStringLiteral("dev id")).toString();
    const QString result = reply.value(QStringLiteral("result")).toString();
    if (id != devId)
        return MultiNoResponse;
    return activationResultCode(result);
}

QString versionText(const unsigned char* record, int size)
{
    if (!record || size <= VLNET_PARAM_VERSION_TEXT)
        return QString();
    const char* text = reinterpret_cast<const char*>(record) + VLNET_PARAM_VERSION_TEXT;
    const int room = size - VLNET_PARAM_VERSION_TEXT;
    const void* end = std::memchr(text, '\0', std::size_t(room));
    const int length = end ? int(static_cast<const char*>(end) - text) : room;
    return QString::fromLatin1(text, length);
}

float utcOffsetHours(const QDateTime& dateTime)
{
    return float(dateTime.offsetFromUtc()) / 3600.0f;
}

int timeZoneIndex(float hours)
{
    float best = 999.0f;
    int index = 14;
    for (const DeviceInfo::TimeZone& zone : DeviceInfo::timeZones) {
        const float distance = std::fabs(hours - zone.hours);
        if (distance < best) {
            best = distance;
            index = zone.index;
        }
    }
    return index;
}

QString dateText(const QDateTime& dateTime)
{
    const QDate d = dateTime.date();
    return twoDigits(d.day()) + QLatin1Char('/') + twoDigits(d.month()) + QLatin1Char('/')
        + QString::number(d.year());
}

QString timeText(const QDateTime& dateTime)
{
    const QTime t = dateTime.time();
    return twoDigits(t.hour()) + QLatin1Char(':') + twoDigits(t.minute()) + QLatin1Char(':')
        + twoDigits(t.second());
}

QString zoneText(const QDateTime& dateTime)
{
    if (!dateTime.timeZone().isValid())
        return QStringLiteral("GMT+0:00");
    // Whole hours, truncated toward zero: the half hour of +5:30 is dropped,
    // and a zone west of UTC keeps its sign after the "+".
    return QStringLiteral("GMT+%1:00").arg(dateTime.offsetFromUtc() / 3600);
}

QJsonObject dateTimeData(const QDateTime& dateTime)
{
    QJsonObject data;
    data.insert(QStringLiteral("date"), dateText(dateTime));
    data.insert(QStringLiteral("time"), timeText(dateTime));
    data.insert(QStringLiteral("synchronize_computer_time"), true);
    data.insert(QStringLiteral("date_format"), QStringLiteral("DD/MM/YYYY"));
    data.insert(QStringLiteral("time_format"), 24);
    data.insert(QStringLiteral("time_zone"), zoneText(dateTime));
    return data;
}

void writeTimeRecord(VLNET_TIME_PARAM& record, const QDateTime& dateTime)
{
    const QDate d = dateTime.date();
    const QTime t = dateTime.time();
    record.size = VLNET_PARAM_TIME_SIZE;
    record.year = uint16_t(d.year() - 2000);
    record.month = uint8_t(d.month());
    record.day = uint8_t(d.day());
    record.hour = uint8_t(t.hour());
    record.minute = uint8_t(t.minute());
    record.second = uint8_t(t.second());
    record.time_mode = 0;
    record.date_mode = 1;
    record.time_zone = uint8_t(timeZoneIndex(utcOffsetHours(dateTime)));
    record.ie_change_time = 1;
}

int dateTimeSetStatus(const WorkerFrame::Reply& reply)
{
    if (!reply.httpOk)
        return kDateTimeFailed;
    const QJsonValue result = reply.object.value(QStringLiteral("result"));
    if (result.isString() && result.toString() != QLatin1String("success"))
        return kDateTimeFailed;
    return kDateTimeSet;
}

} // namespace MaintenanceRequests
