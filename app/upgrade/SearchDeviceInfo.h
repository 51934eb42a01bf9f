#pragma once
// The result record of one device of an operation that must see the device
// come back after a reboot (the batch upgrade, the video-format change): a
// snapshot of the device when the run starts, a state with a time budget per
// state, and the outcome ("Succeed" or "Failed") with its reason and end
// time. A record finishes once; later outcomes change nothing.
//
// GUI thread only; no lock.
#include "devices/DeviceWatcher.h"

#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QString>

class SearchDeviceInfo : public QObject, public DeviceResultRecord
{
    Q_OBJECT

public:
    enum State {
        Holding = 1,
        Rebooting = 2,
        Searching = 3,
        Succeed = 4,
        Failed = 5,
    };

    // A snapshot of `device`'s search record (null: an empty snapshot).
    explicit SearchDeviceInfo(DeviceInfo* device);

    QString mac;
    QString serialNumber;
    QString p2pId;
    QString name;
    QString ip;
    QString oldVersion;
    QString newVersion;
    QString result; // "Succeed" or "Failed" once finished
    QString reason;
    qint64 startTime = 0; // seconds since 1970 UTC
    qint64 endTime = 0;
    int state = 0;
    QDateTime stateStart;
    qint64 stateTimeout = 0;
    bool finished = false;

    // Enters `state` with its time budget, now; also after the record has
    // finished.
    void setState(int state);
    // The budget of a state in seconds: Holding 300, Rebooting 120,
    // Searching 180, any other 0.
    static qint64 stateBudget(int state);

    void succeed(int code);
    // Logs the failure and finishes the record as "Failed" with the code's
    // reason text.
    void fail(int code) override;
    // Marks the record finished and stamps its end time, once.
    void stampEnd();

    // The workbook columns (number to header), the reason text of a code,
    // the text of a column and the number of columns; empty for this base.
    virtual QMap<int, QString> columns() const;
    virtual QString reasonText(int code) const;
    virtual QString cellText(int column) const;
    virtual int columnCount() const;
};
