#pragma once
// Devices for the device-table tests and the table preview: records filled
// as a search would fill them, owned by the set.
//
//   TableDevices set;
//   DeviceInfo* d = set.add({ "192.168.1.10", "Gate" });
//   d->setFamilyStatus(DeviceInfo::NetworkFamily, 1);
//   model.setDevices(set.list());
//
// Needs GKAppSetting (ShellTestEnv): a record takes the default credentials.
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"

#include <QList>
#include <QString>
#include <memory>
#include <vector>

struct TableDeviceSpec {
    QString ip;
    QString name = QStringLiteral("IPC");
    int channels = 1;
    bool activated = true;
    int mediaPort = 9000;
    int webPort = 80;
    QString mac = QStringLiteral("00:12:34:56:78:9a");
    QString manufacturer = QStringLiteral("Maker");
    QString type = QStringLiteral("IPC-200");
    QString software = QStringLiteral("V2.4.1");
    QString netmask = QStringLiteral("255.255.255.0");
    QString gateway = QStringLiteral("192.168.1.1");
    QString serial = QStringLiteral("SN0001");
    QString p2p = QStringLiteral("P2P0001");
    int networkMode = 2; // static
};

class TableDevices
{
public:
    DeviceInfo* add(const TableDeviceSpec& spec)
    {
        auto device = std::make_unique<DeviceInfo>();
        VLNET_SEARCH_DEV_RSP& r = device->searchRecord.sdk;
        copyRecordText(r.ip, spec.ip.toLatin1());
        copyRecordText(r.device_name, spec.name.toUtf8());
        copyRecordText(r.mac_addr, spec.mac.toLatin1());
        copyRecordText(r.manufacture, spec.manufacturer.toUtf8());
        copyRecordText(r.device_type, spec.type.toUtf8());
        copyRecordText(r.device_version, spec.software.toUtf8());
        copyRecordText(r.netmask, spec.netmask.toLatin1());
        copyRecordText(r.gateway, spec.gateway.toLatin1());
        copyRecordText(r.serialnum, spec.serial.toLatin1());
        copyRecordText(r.p2p_id, spec.p2p.toLatin1());
        r.channel_number = uint32_t(spec.channels);
        r.media_port = uint32_t(spec.mediaPort);
        r.web_port = uint32_t(spec.webPort);
        r.network_mode = spec.networkMode;
        r.is_first_login = spec.activated ? 0 : 1;
        m_devices.push_back(std::move(device));
        return m_devices.back().get();
    }

    // Devices at 192.168.1.<first> .. <first + count - 1>, named "IPC-<n>".
    void addRange(int count, int first = 1)
    {
        for (int i = 0; i < count; ++i) {
            TableDeviceSpec spec;
            spec.ip = QStringLiteral("192.168.1.%1").arg(first + i);
            spec.name = QStringLiteral("IPC-%1").arg(first + i);
            add(spec);
        }
    }

    QList<DeviceInfo*> list() const
    {
        QList<DeviceInfo*> out;
        for (const auto& d : m_devices)
            out << d.get();
        return out;
    }
    DeviceInfo* at(int i) const { return m_devices.at(std::size_t(i)).get(); }
    int size() const { return int(m_devices.size()); }

    // Deletes the records, as a new search does with the old ones.
    void clear() { m_devices.clear(); }

private:
    std::vector<std::unique_ptr<DeviceInfo>> m_devices;
};
