#include "link/answerbatch.h"

namespace Tensiova {

AnswerBatch::AnswerBatch(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(IntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &AnswerBatch::flush);
}

void AnswerBatch::add(const QByteArray &bytes)
{
    m_pending += bytes;
    if (m_pending.size() >= MaxBytes) {
        flush();
    } else if (!m_timer.isActive()) {
        m_timer.start();
    }
}

void AnswerBatch::flush()
{
    m_timer.stop();
    if (!m_pending.isEmpty()) {
        emit ready(std::exchange(m_pending, {}));
    }
}

} // namespace Tensiova
