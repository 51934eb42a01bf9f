#include "search/IpOrder.h"

#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"

#include <QByteArray>
#include <QString>

namespace
{

bool addressOf(const QString& text, quint32& out)
{
    unsigned char bytes[4];
    if (!parseIPv4(text.toLatin1().constData(), bytes))
        return false;
    out = (quint32(bytes[0]) << 24) | (quint32(bytes[1]) << 16) | (quint32(bytes[2]) << 8) | bytes[3];
    return true;
}

} // namespace

bool lessByIpAddress(const DeviceInfo* a, const DeviceInfo* b)
{
    const QString ipA = a->ip();
    const QString ipB = b->ip();
    quint32 first = 0;
    quint32 second = 0;
    const bool addressA = addressOf(ipA, first);
    const bool addressB = addressOf(ipB, second);
    if (addressA && addressB)
        return first < second;
    if (addressA != addressB)
        return addressB;
    return QString::localeAwareCompare(ipA, ipB) < 0;
}
