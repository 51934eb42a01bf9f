#pragma once
// The program's one clock: "now" and the length of every timer and animation
// that shapes a visible flow (the pop-up's six seconds, countdowns, waits for
// a device). Code asks the clock instead of writing milliseconds into a QTimer
// directly, so that tests can replace it and run flows of many seconds in a
// few milliseconds.
//
//   m_timer->setInterval(Clock::instance()->duration(1000));
//
// In the program the clock is the real one: durations are what the code asks
// for. A test installs its own (see MockClock in the shell's test support)
// and removes it again; GUI thread only for setInstance, any thread for the
// rest.
#include <QDateTime>

class Clock
{
public:
    virtual ~Clock() = default;

    // The wall-clock time now.
    virtual QDateTime currentDateTime() const { return QDateTime::currentDateTime(); }
    QDateTime currentDateTimeUtc() const { return currentDateTime().toUTC(); }

    // The real length in milliseconds of a wait the program means to last
    // `ms` milliseconds. A clock that shortens waits keeps a positive length
    // positive, so that a one-second tick never turns into a busy loop.
    virtual int duration(int ms) const { return ms; }

    // The installed clock (the real one unless a test installed another).
    static Clock* instance();
    // Installs `clock` (not owned; it must outlive its installation);
    // nullptr puts the real clock back.
    static void setInstance(Clock* clock);
};
