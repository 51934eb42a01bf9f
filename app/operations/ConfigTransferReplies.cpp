#include "operations/ConfigTransferReplies.h"

#include <QJsonValue>

namespace ConfigTransfer
{

bool saysFailed(const QJsonObject& reply)
{
    const QJsonValue result = reply.value(QStringLiteral("result"));
    return result.isString() && result.toString() != QLatin1String("success");
}

QByteArray cleanExportText(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == ' ' || byte < 0x20 || byte > 0x7F)
            continue;
        out.append(c);
    }
    return out;
}

std::optional<QByteArray> exportFileBytes(const QJsonObject& reply, bool encoded)
{
    if (saysFailed(reply))
        return std::nullopt;
    const QJsonValue param = reply.value(QStringLiteral("data")).toObject().value(QStringLiteral("param"));
    if (!param.isString())
        return std::nullopt;
    const QByteArray text = cleanExportText(param.toString().toLatin1());
    if (text.isEmpty())
        return std::nullopt;
    // Configurations run to hundreds of kilobytes: decoded whole, strictly.
    const auto decoded = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty())
        return std::nullopt;
    return encoded ? text : decoded.decoded;
}

std::optional<QByteArray> exportBlockData(const char* block, std::int32_t length)
{
    if (!block || length < 0 || length > VLNET_PARAM_IMPORT_DATA_MAX)
        return std::nullopt;
    return QByteArray(block + VLNET_PARAM_IMPORT_HEAD_SIZE, length);
}

} // namespace ConfigTransfer
