// The video-format flow's requests and the reads of its replies, without a
// device record (VideoFormatFlow.h); any thread.
#include "operations/VideoFormatFlow.h"

#include <QJsonValue>

namespace VideoFormatRequests
{

QString factoryTypeFor(const QList<QByteArray>& factoryTypes)
{
    constexpr int kShortest = 7; // "factory" itself
    QString chosen = QStringLiteral("factory_defaults");
    for (const QByteArray& entry : factoryTypes) {
        if (entry.size() >= kShortest && entry.contains("factory"))
            chosen = QString::fromUtf8(entry);
    }
    return chosen;
}

QJsonObject factoryResetData(
    const QString& software, const QList<QByteArray>& factoryTypes, const QJsonObject& secondaryAuth)
{
    QJsonObject data;
    data.insert(QStringLiteral("base_secondary_authentication"), secondaryAuth);
    if (software.startsWith(QLatin1String("VC"))) {
        data.insert(QStringLiteral("factory_type"), factoryTypeFor(factoryTypes));
        return data;
    }
    for (const char* item :
        { "channel", "record", "event", "ai", "network", "device", "storage", "system", "alarm" })
        data.insert(QLatin1String(item), true);
    return data;
}

std::optional<WebSecrets::TransKeyEntry> stepKey(const QJsonObject& reply, const QString& type)
{
    auto entry = WebSecrets::transKeyEntry(reply, 0);
    if (!entry || entry->type != type)
        return std::nullopt;
    return entry;
}

std::optional<QString> videoFormatOf(const QJsonObject& reply)
{
    const QJsonValue value
        = reply.value(QStringLiteral("data")).toObject().value(QStringLiteral("video_format"));
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

} // namespace VideoFormatRequests
