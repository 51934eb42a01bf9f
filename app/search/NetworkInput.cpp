#include "search/NetworkInput.h"

#include "devices/DeviceTexts.h"

#include <QVector>

namespace
{

// The text split at "." when it has no space, no "..", does not start with
// "." and every part is a decimal number 0..255 of at most `maxDigits`
// digits (or empty); empty when any of that fails.
bool numericParts(const QString& text, QVector<int>& parts, bool allowEmpty)
{
    parts.clear();
    if (text.isEmpty() || text.contains(QLatin1Char(' ')) || text.contains(QLatin1String(".."))
        || text.startsWith(QLatin1Char('.')))
        return false;
    const QStringList pieces = text.split(QLatin1Char('.'));
    if (pieces.size() > 4)
        return false;
    for (const QString& p : pieces) {
        if (p.isEmpty()) {
            if (!allowEmpty)
                return false;
            parts.append(-1);
            continue;
        }
        if (p.size() > 3)
            return false;
        for (QChar c : p) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        const int v = p.toInt();
        if (v > 255)
            return false;
        parts.append(v);
    }
    return true;
}

} // namespace

bool isValidHostAddress(const QString& text)
{
    QVector<int> parts;
    if (!numericParts(text, parts, true) || parts.size() != 4 || parts.contains(-1))
        return false;
    if (parts[0] < 1 || parts[0] > 223 || parts[0] == 127)
        return false;
    return parts[3] >= 1 && parts[3] <= 254;
}

bool isValidNetMask(const QString& text)
{
    QVector<int> parts;
    if (text.endsWith(QLatin1Char('.')) || !numericParts(text, parts, false) || parts.size() != 4)
        return false;
    const quint32 mask = (quint32(parts[0]) << 24) | (quint32(parts[1]) << 16) | (quint32(parts[2]) << 8)
        | quint32(parts[3]);
    if (mask < 0xff000000u || mask > 0xfffffffcu)
        return false;
    const quint32 inverted = ~mask;
    return (inverted & (inverted + 1)) == 0; // ones only at the bottom of the inverse
}

QStringList consecutiveAddresses(const QString& first, int count)
{
    QStringList out;
    QString current = first;
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !current.isEmpty()) {
            const QByteArray latin = current.toLatin1();
            unsigned char b[4] = {};
            if (parseIPv4(latin.constData(), b) != 1) {
                current.clear();
            } else {
                const quint64 next
                    = ((quint64(b[0]) << 24) | (quint64(b[1]) << 16) | (quint64(b[2]) << 8) | quint64(b[3]))
                    + 1;
                if (next > 0xffffffffull)
                    current.clear();
                else
                    current = QStringLiteral("%1.%2.%3.%4")
                                  .arg((next >> 24) & 0xff)
                                  .arg((next >> 16) & 0xff)
                                  .arg((next >> 8) & 0xff)
                                  .arg(next & 0xff);
            }
        }
        out.append(current);
    }
    return out;
}
