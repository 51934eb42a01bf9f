#include "search/RangeSearch.h"

#include "common/json.h"
#include "devices/DeviceInfo.h"
#include "search/IpOrder.h"
#include "shell/GKAppSetting.h"

#include <QMutexLocker>
#include <QThread>
#include <algorithm>
#include <cstring>
#include <json/value.h>

namespace
{

// The device-type byte of the range search's start record.
constexpr std::uint8_t kRangeSearchDeviceType = 7;
// The edits take 16 characters; the start record's fields are wider.
constexpr int kAddressTextBytes = 16;

void putAddress(char (&field)[64], const QString& text)
{
    const QByteArray bytes = text.toLatin1().left(kAddressTextBytes);
    std::memcpy(field, bytes.constData(), std::size_t(bytes.size()));
}

} // namespace

namespace RangeSearch
{

bool throughWrapper()
{
    const GKAppSetting* settings = GKAppSetting::instance();
    return settings->profile().devices.rangeSearchThroughWrapper || settings->protocol() == 0;
}

QByteArray wrapperRequest(const QString& start, const QString& stop)
{
    Json::Value request(Json::objectValue);
    request["oem type"] = GKAppSetting::instance()->profile().devices.rangeSearchOemType.toStdString();
    request["start ip"] = start.toLatin1().toStdString();
    request["stop ip"] = stop.toLatin1().toStdString();
    return QByteArray::fromStdString(vljson::write_compact(request));
}

void fillPoint2Point(VLNET_SEARCH_DEV_POINT2POINT& start, const QString& startIp, const QString& stopIp,
    VLNET_SEARCH_CALLBACK callback, void* user)
{
    std::memset(&start, 0, sizeof start);
    start.callback = callback;
    start.context = user;
    start.oem_type = kRangeSearchDeviceType;
    putAddress(start.start_ip, startIp);
    putAddress(start.stop_ip, stopIp);
    start.recv_timeout_ms = 0;
}

} // namespace RangeSearch

DeviceInfo* RangeSearchList::add(const SearchDevRsp& record, QThread* guiThread)
{
    auto* device = new DeviceInfo();
    device->setSearchResult(&record, QByteArray(), false);
    if (guiThread)
        device->moveToThread(guiThread);
    QMutexLocker hold(&listMutex);
    foundList.append(device);
    return device;
}

QList<DeviceInfo*> RangeSearchList::sorted()
{
    QMutexLocker hold(&listMutex);
    std::sort(foundList.begin(), foundList.end(), lessByIpAddress);
    return foundList;
}

QList<DeviceInfo*> RangeSearchList::takeAll()
{
    QMutexLocker hold(&listMutex);
    QList<DeviceInfo*> all;
    all.swap(foundList);
    return all;
}

bool RangeSearchList::remove(DeviceInfo* device)
{
    QMutexLocker hold(&listMutex);
    return foundList.removeOne(device) && foundList.isEmpty();
}

int RangeSearchList::count()
{
    QMutexLocker hold(&listMutex);
    return foundList.size();
}
