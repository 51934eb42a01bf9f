#pragma once
// Small helpers that the pages and device records share.
#include <QByteArray>
#include <QJsonObject>

class QComboBox;

// Fixes the combo box's width to its widest item text plus 40 pixels (40 for
// an empty box), so translated entries are never cut.
void fitComboBoxWidth(QComboBox* box);

// The JSON object of `text`; an empty object when the text is not a JSON object.
QJsonObject jsonFromBytes(const QByteArray& text);

// The compact JSON text of `object`.
QByteArray jsonToBytes(const QJsonObject& object);
