#pragma once
// Small helpers that the pages and device records share. Pure functions; any
// thread.
#include <QByteArray>
#include <QJsonObject>

// The JSON object of `text`; an empty object when the text is not a JSON object.
QJsonObject jsonFromBytes(const QByteArray& text);

// The compact JSON text of `object`.
QByteArray jsonToBytes(const QJsonObject& object);
