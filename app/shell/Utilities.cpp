#include "shell/Utilities.h"

#include <QJsonDocument>

QJsonObject jsonFromBytes(const QByteArray& text)
{
    return QJsonDocument::fromJson(text).object();
}

QByteArray jsonToBytes(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
