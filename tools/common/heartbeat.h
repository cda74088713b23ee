#pragma once

#include <QElapsedTimer>
#include <QFile>
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
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_waitedNs = waitedForProcessorNs();
        m_sinceTick.start();
        m_timer.start();
    }
    // As a user would feel it, on this machine as busy as it is now.
    qint64 longestGap() const { return m_longest; }
    // Less the time the thread stood ready while other programs had the processors: what the
    // program itself held the loop for (working, or waiting on something), on any machine.
    qint64 longestOwnPause() const { return m_longestOwn; }

    // Runs the caller's own work (stopping a process, signalling a server, writing from another
    // thread) without counting the pauses meanwhile: they are the caller's, not the program's.
    template<typename Work> auto without(Work work)
    {
        m_counting = false;
        const auto result = work();
        m_counting = true;
        m_sinceTick.restart();
        m_waitedNs = waitedForProcessorNs();
        return result;
    }

private:
    void tick()
    {
        const qint64 gap = m_sinceTick.restart();
        const qint64 waited = waitedForProcessorNs();
        if (m_counting) {
            m_longest = qMax(m_longest, gap);
            m_longestOwn = qMax(m_longestOwn, gap - (waited - m_waitedNs) / 1000000);
        }
        m_waitedNs = waited;
    }

    // Linux counts, for each thread, how long it waited in the queue for a processor; 0 where
    // that is not told.
    static qint64 waitedForProcessorNs()
    {
        QFile schedstat(QStringLiteral("/proc/thread-self/schedstat"));
        if (!schedstat.open(QIODevice::ReadOnly)) {
            return 0;
        }
        return schedstat.readLine().simplified().split(' ').value(1).toLongLong();
    }

    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    qint64 m_waitedNs = 0;
    bool m_counting = true;
    qint64 m_longest = 0;
    qint64 m_longestOwn = 0;
};
