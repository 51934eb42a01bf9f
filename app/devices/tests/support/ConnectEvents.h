#pragma once
// The QConnectEvent codes posted to a device record, in order, with the
// number of the login each belongs to, taken by an event filter: they do not
// reach the record's state machine, which login tests leave out.
//
//   ConnectEvents events(&device);
//   device.loginDevice();
//   ASSERT_TRUE(events.waitFor(1));
//   EXPECT_EQ(events.codes, (std::vector<int> { 101 }));
#include "devices/DeviceEvents.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QThread>
#include <vector>

class ConnectEvents : public QObject
{
public:
    explicit ConnectEvents(QObject* device) { device->installEventFilter(this); }

    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == ConnectEvent) {
            codes.push_back(static_cast<QConnectEvent*>(e)->code);
            logins.push_back(static_cast<QConnectEvent*>(e)->login);
            return true;
        }
        return false;
    }

    // Delivers posted events until `count` codes came or `ms` passed.
    bool waitFor(std::size_t count, int ms = 10000)
    {
        QDeadlineTimer deadline(ms);
        for (;;) {
            QCoreApplication::sendPostedEvents();
            if (codes.size() >= count)
                return true;
            if (deadline.hasExpired())
                return false;
            QThread::msleep(5);
        }
    }
    // Delivers what has been posted so far (and what comes within `ms`).
    void settle(int ms = 0)
    {
        QDeadlineTimer deadline(ms);
        do {
            QCoreApplication::sendPostedEvents();
            QThread::msleep(ms > 0 ? 5 : 0);
        } while (!deadline.hasExpired());
        QCoreApplication::sendPostedEvents();
    }

    std::vector<int> codes;
    std::vector<quint64> logins; // the login number of each code
};
