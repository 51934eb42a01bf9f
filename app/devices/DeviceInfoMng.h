#pragma once
// The one holder of the devices the searches found: the devices of the LAN
// search (the search page), which every operation page shows, and those of
// the IP-range search. It owns them: replacing a list deletes the records of
// the old one (the record's destructor closes what they hold open).
//
// Shut-down empties both lists after the main window is gone and before the
// device SDKs are released (ProgramStartup), so that no record outlives the
// SDKs its handles belong to.
//
// GUI thread only (instance() from any thread). The lists carry no lock: the
// pages replace them only while no operation runs.
#include <QList>
#include <QObject>

class DeviceInfo;

class DeviceInfoMng : public QObject
{
    Q_OBJECT

public:
    // The process-wide holder, made on first use.
    static DeviceInfoMng* instance();

    // The devices of the last LAN search, in the search page's order.
    const QList<DeviceInfo*>& devices() const { return m_devices; }
    // The devices of the last IP-range search.
    const QList<DeviceInfo*>& extranetDevices() const { return m_extranetDevices; }

    // The LAN list becomes `devices`; the records it held are dropped from
    // the list, not deleted (they must be owned elsewhere).
    void appendDevices(const QList<DeviceInfo*>& devices);
    void appendExtranetDevices(const QList<DeviceInfo*>& devices);
    // Deletes every record of the LAN list that `devices` does not hold
    // again, then the list becomes `devices`. A record must not be in use
    // when it is deleted: no operation running, no table showing it.
    void setDevices(const QList<DeviceInfo*>& devices);
    void setExtranetDevices(const QList<DeviceInfo*>& devices);

    // Every record of the LAN list gets no status (-1) in its last status and
    // in the family of its current operation; nobody is told.
    void resetStatus();

    // Drops both lists without deleting a record.
    ~DeviceInfoMng() override;

private:
    DeviceInfoMng() = default;
    static void replace(QList<DeviceInfo*>& list, const QList<DeviceInfo*>& devices);

    QList<DeviceInfo*> m_devices;
    QList<DeviceInfo*> m_extranetDevices;
};
