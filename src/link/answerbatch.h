#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

namespace Tensiova {

// What the device sends, gathered into pieces: a device that streams its text arrives a byte or
// two at a time, hundreds of times a second, and the answers box and the journal take what came
// in between two paints, in one piece. A flooding device is passed on a piece at a time.
class AnswerBatch : public QObject
{
    Q_OBJECT

public:
    static constexpr int IntervalMs = 50; // under what the eye tells from at once
    static constexpr qsizetype MaxBytes = 4096;

    explicit AnswerBatch(QObject *parent = nullptr);

    void add(const QByteArray &bytes);
    // Passes on at once what waits (before the box is cleared, the port closed, …).
    void flush();

signals:
    void ready(const QByteArray &bytes);

private:
    QTimer m_timer;
    QByteArray m_pending;
};

} // namespace Tensiova
