#include "operations/StreamOsdReplies.h"

#include <QJsonValue>
#include <climits>
#include <cmath>

namespace StreamOsd
{

namespace
{

// A member as text; another type reads as missing (empty).
QString textOf(const QJsonObject& o, const char* key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isString() ? v.toString() : QString();
}

// A member as an int; another type, a fraction or a number outside int
// reads as missing (0).
int intOf(const QJsonObject& o, const char* key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isDouble())
        return 0;
    const double d = v.toDouble();
    if (d != std::floor(d) || d < double(INT_MIN) || d > double(INT_MAX))
        return 0;
    return int(d);
}

QJsonObject objectOf(const QJsonObject& o, const char* key)
{
    return o.value(QLatin1String(key)).toObject();
}

// data.channel_info.CH1, when the reply has it as an object.
std::optional<QJsonObject> firstChannel(const QJsonObject& reply)
{
    const QJsonValue ch1 = objectOf(objectOf(reply, "data"), "channel_info").value(QLatin1String("CH1"));
    if (!ch1.isObject())
        return std::nullopt;
    return ch1.toObject();
}

} // namespace

std::optional<StreamReply> streamReply(const QJsonObject& reply)
{
    const auto ch = firstChannel(reply);
    if (!ch)
        return std::nullopt;
    StreamReply r;
    r.resolution = textOf(*ch, "resolution");
    r.frameRate = QString::number(intOf(*ch, "fps"));
    r.codec = textOf(*ch, "video_encode_type");
    r.customBitrate = intOf(*ch, "custom_bitrate");
    r.bitrate = intOf(*ch, "bitrate");
    r.bitrateMode = textOf(*ch, "bitrate_mode");
    r.userDefined = r.bitrateMode == QLatin1String("UserDefined") ? 1 : 0;
    return r;
}

std::optional<OsdReply> osdReply(const QJsonObject& reply)
{
    const auto ch = firstChannel(reply);
    if (!ch)
        return std::nullopt;
    const QJsonObject name = objectOf(*ch, "name");
    const QJsonObject namePos = objectOf(name, "pos");
    const QJsonObject datePos = objectOf(objectOf(*ch, "datetime"), "pos");
    OsdReply r;
    r.name = textOf(name, "text");
    r.namePosition = position(intOf(namePos, "x"), intOf(namePos, "y"));
    r.datePosition = position(intOf(datePos, "x"), intOf(datePos, "y"));
    return r;
}

QString position(int x, int y)
{
    return QString::number(x) + QLatin1Char(',') + QString::number(y);
}

bool refused(const QJsonObject& reply)
{
    const QJsonValue result = reply.value(QLatin1String("result"));
    return result.isString() && result.toString() != QLatin1String("success");
}

} // namespace StreamOsd
