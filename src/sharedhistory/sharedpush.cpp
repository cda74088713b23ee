#include "sharedhistory/sharedpush.h"

namespace Tensiova {

SharedPush::SharedPush(const QString &historyPath, const SharedServer &server)
    : m_store(historyPath)
    , m_own(std::in_place, server)
    , m_database(*m_own)
{ }

SharedPush::SharedPush(const QString &historyPath, SharedDatabase &database)
    : m_store(historyPath)
    , m_database(database)
{ }

SharingState SharedPush::failed(SharingState state, const QString &code, const QString &reason)
{
    state.failed = true;
    state.code = code;
    state.reason = reason;
    state.waiting = m_store.unsharedCount();
    return state;
}

SharingState SharedPush::run(QDeadlineTimer deadline)
{
    SharingState state;
    state.waiting = m_store.unsharedCount();
    if (state.waiting == 0 && !m_store.error().isEmpty()) {
        return failed(state, QStringLiteral("local"), m_store.error());
    }
    if (!m_database.connect()) {
        return failed(state, m_database.errorCode(), m_database.error());
    }
    state.server = m_database.identity();
    if (state.waiting == 0) {
        return state;
    }
    if (!m_store.followSharedDatabase(m_database.databaseId())) {
        return failed(state, QStringLiteral("local"), m_store.error());
    }
    const QString station = m_store.stationId();
    while (!deadline.hasExpired()) {
        const QList<HistoryStore::Unshared> batch = m_store.unshared(SharedDatabase::SendBatch);
        if (batch.isEmpty()) {
            if (!m_store.error().isEmpty()) {
                return failed(state, QStringLiteral("local"), m_store.error());
            }
            break;
        }
        if (!m_database.push(station, batch)) {
            return failed(state, m_database.errorCode(), m_database.error());
        }
        if (!m_store.markShared(batch)) {
            // The server has them: the next try sends them again, and they are kept once.
            return failed(state, QStringLiteral("local"), m_store.error());
        }
        state.sent += batch.size();
    }
    state.waiting = m_store.unsharedCount();
    return state;
}

} // namespace Tensiova
