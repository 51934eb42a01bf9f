#pragma once
// A clock for tests: installed while it lives, it shortens every wait that
// goes through Clock by `scale` (0.02 turns one second into 20 ms) and gives
// a "now" that only moves when the test says so.
//
//   MockClock clock(0.02);
//   popup.showMessage("saved", 6);          // fades after ~100 ms, closes ~120 ms
//   clock.advance(60 * 1000);               // "now" a minute later
#include "shell/Clock.h"

#include <QDateTime>
#include <algorithm>

class MockClock : public Clock
{
public:
    explicit MockClock(
        double scale = 1.0, const QDateTime& now = QDateTime(QDate(2024, 1, 15), QTime(10, 0), Qt::UTC))
        : m_scale(scale)
        , m_now(now)
    {
        Clock::setInstance(this);
    }
    ~MockClock() override { Clock::setInstance(nullptr); }
    MockClock(const MockClock&) = delete;
    MockClock& operator=(const MockClock&) = delete;

    QDateTime currentDateTime() const override { return m_now; }
    int duration(int ms) const override
    {
        if (ms <= 0)
            return ms;
        return std::max(1, static_cast<int>(ms * m_scale));
    }

    void setNow(const QDateTime& now) { m_now = now; }
    void advance(qint64 ms) { m_now = m_now.addMSecs(ms); }
    double scale() const { return m_scale; }

private:
    double m_scale;
    QDateTime m_now;
};
