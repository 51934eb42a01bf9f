#include "shell/Utilities.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QJsonDocument>

void fitComboBoxWidth(QComboBox* box)
{
    if (!box)
        return;
    const QFontMetrics metrics(box->font());
    int widest = 0;
    for (int i = 0; i < box->count(); ++i)
        widest = qMax(widest, metrics.horizontalAdvance(box->itemText(i)));
    box->setFixedWidth(widest + 40);
    box->updateGeometry();
}

QJsonObject jsonFromBytes(const QByteArray& text)
{
    return QJsonDocument::fromJson(text).object();
}

QByteArray jsonToBytes(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
