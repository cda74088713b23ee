#pragma once

#include <QElapsedTimer>
#include <QTimer>

// Measures the longest pause of the event loop while it lives: a timer that should tick every
// 10 ms, and the longest it waited between two ticks.
class Heartbeat
{
public:
    Heartbeat()
    {
        m_timer.setInterval(10);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_longest = qMax(m_longest, m_sinceTick.restart()); });
        m_sinceTick.start();
        m_timer.start();
    }
    qint64 longestGap() const { return m_longest; }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    qint64 m_longest = 0;
};
