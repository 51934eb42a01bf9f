#include "devices/DeviceInfoMng.h"

#include "devices/DeviceInfo.h"

#include <QSet>

DeviceInfoMng* DeviceInfoMng::instance()
{
    // Made once, thread-safe; at process exit its destructor only drops the
    // lists, since the SDKs the records' handles belong to are gone by then.
    static DeviceInfoMng holder;
    return &holder;
}

DeviceInfoMng::~DeviceInfoMng() = default;

void DeviceInfoMng::appendDevices(const QList<DeviceInfo*>& devices)
{
    m_devices = devices;
}

void DeviceInfoMng::appendExtranetDevices(const QList<DeviceInfo*>& devices)
{
    m_extranetDevices = devices;
}

void DeviceInfoMng::setDevices(const QList<DeviceInfo*>& devices)
{
    replace(m_devices, devices);
}

void DeviceInfoMng::setExtranetDevices(const QList<DeviceInfo*>& devices)
{
    replace(m_extranetDevices, devices);
}

void DeviceInfoMng::replace(QList<DeviceInfo*>& list, const QList<DeviceInfo*>& devices)
{
    // A copy first: `devices` may be the list itself. A record that the new
    // list holds again is kept, not deleted under it; one held twice is
    // deleted once.
    const QList<DeviceInfo*> next = devices;
    QList<DeviceInfo*> old;
    old.swap(list);
    list = next;
    QSet<DeviceInfo*> deleted;
    for (DeviceInfo* device : qAsConst(old)) {
        if (!next.contains(device) && !deleted.contains(device)) {
            deleted.insert(device);
            delete device;
        }
    }
}

void DeviceInfoMng::resetStatus()
{
    const QList<DeviceInfo*> devices = m_devices;
    for (DeviceInfo* device : devices)
        device->storeStatus(DeviceInfo::kNoStatus);
}
