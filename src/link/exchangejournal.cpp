#include "link/exchangejournal.h"

#include <algorithm>

namespace Tensiova {

ExchangeJournal::ExchangeJournal(int capacity, QObject *parent)
    : QObject(parent)
    , m_capacity(capacity)
{ }

void ExchangeJournal::record(Kind kind, qint16 port, const QString &device, const QByteArray &bytes,
                             const QString &cause)
{
    if (size() >= m_capacity) {
        m_entries.pop_front();
        emit oldestDropped();
    }
    // A copy of its own: what was read may share a far larger buffer.
    const QByteArray kept(bytes.constData(), std::min(bytes.size(), BytesKept));
    m_entries.push_back(
        {QDateTime::currentDateTime(), kind, port, device, kept, bytes.size(), cause});
    emit appended();
}

} // namespace Tensiova
