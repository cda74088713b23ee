#include "sharedhistory/sharedpush.h"

#include <QSet>

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

std::optional<qint64> SharedPush::unmarkLost(const QString &station)
{
    const auto kept = m_store.sharedBlocks(VerifyBlock);
    const auto held = m_database.idBlocks(station, VerifyBlock);
    if (!kept || !held) {
        return std::nullopt;
    }
    QList<qint64> lost;
    for (const HistoryStore::IdBlock &block : *kept) {
        if (held->contains(block)) {
            continue;
        }
        const qint64 from = block.block * VerifyBlock;
        const auto marked = m_store.sharedIds(from, from + VerifyBlock);
        const auto there = m_database.localIds(station, from, from + VerifyBlock);
        if (!marked || !there) {
            return std::nullopt;
        }
        const QSet<qint64> onServer(there->begin(), there->end());
        for (const qint64 id : *marked) {
            if (!onServer.contains(id)) {
                lost.append(id);
            }
        }
    }
    if (!lost.isEmpty() && !m_store.unmarkShared(lost)) {
        return std::nullopt;
    }
    return lost.size();
}

SharingState SharedPush::run(QDeadlineTimer deadline, Check check)
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
    const bool checkDue = check == Check::Now || m_database.connections() != m_checkedConnection;
    if (state.waiting == 0 && !checkDue) {
        return state;
    }
    if (!m_store.followSharedDatabase(m_database.databaseId())) {
        return failed(state, QStringLiteral("local"), m_store.error());
    }
    const QString station = m_store.stationId();
    if (checkDue && !m_database.isNewer()) {
        const std::optional<qint64> lost = unmarkLost(station);
        if (!lost) {
            return m_store.error().isEmpty()
                ? failed(state, m_database.errorCode(), m_database.error())
                : failed(state, QStringLiteral("local"), m_store.error());
        }
        state.restored = *lost;
        m_checkedConnection = m_database.connections();
    }
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
