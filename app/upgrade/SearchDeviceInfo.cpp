#include "upgrade/SearchDeviceInfo.h"

#include "devices/DeviceInfo.h"
#include "shell/Clock.h"
#include "shell/GKAppSetting.h"

#include <QDebug>

SearchDeviceInfo::SearchDeviceInfo(DeviceInfo* device)
{
    if (!device)
        return;
    mac = device->mac();
    serialNumber = device->serialNumber();
    p2pId = device->p2pId();
    name = device->devName();
    ip = device->ip();
    oldVersion = device->software();
}

void SearchDeviceInfo::setState(int state)
{
    this->state = state;
    stateTimeout = stateBudget(state);
    stateStart = Clock::instance()->currentDateTime();
}

qint64 SearchDeviceInfo::stateBudget(int state)
{
    switch (state) {
    case Holding:
        return 300;
    case Rebooting:
        return 120;
    case Searching:
        return 180;
    default:
        return 0;
    }
}

void SearchDeviceInfo::succeed(int code)
{
    if (finished)
        return;
    state = Succeed;
    result = QStringLiteral("Succeed");
    reason = reasonText(code);
    stampEnd();
}

void SearchDeviceInfo::fail(int code)
{
    if (finished)
        return;
    qDebug() << "SearchDeviceInfo::fail" << mac << " failed: " << code;
    state = Failed;
    result = QStringLiteral("Failed");
    reason = reasonText(code);
    GKAppSetting::instance()->log(QStringLiteral("SearchDeviceInfo::fail"), __LINE__,
        QStringLiteral("%1 finished with result %2: %3").arg(mac, result).arg(code));
    stampEnd();
}

void SearchDeviceInfo::stampEnd()
{
    if (finished)
        return;
    finished = true;
    endTime = Clock::instance()->currentDateTime().toSecsSinceEpoch();
}

QMap<int, QString> SearchDeviceInfo::columns() const
{
    return {};
}

QString SearchDeviceInfo::reasonText(int) const
{
    return QString();
}

QString SearchDeviceInfo::cellText(int) const
{
    return QString();
}

int SearchDeviceInfo::columnCount() const
{
    return 0;
}
