#pragma once

#include "history/historystore.h"
#include "sharedhistory/shareddatabase.h"

#include <QDeadlineTimer>
#include <QMetaType>
#include <QString>

#include <optional>

namespace Tensiova {

// Where the station's records stand with the shared history.
struct SharingState
{
    bool failed = false; // the last try failed: reason and code say why
    qint64 waiting = 0; // records the server does not have as they stand
    qint64 sent = 0; // by the last try
    qint64 restored = 0; // of those, records the server had lost since it had them
    QString reason; // libpq's, the server's or the local history's words
    QString code; // SharedDatabase::errorCode(), or "local" for the station's own history
    ServerIdentity server; // as last reached
};

// Copies the records the server does not have yet, oldest first, a batch at a time, each batch
// marked sent in the local history once the server has committed it. A record sent again after
// a crash between the two is kept once by the server.
//
// A server restored from last night's backup, or a standby promoted before the last records
// reached it, no longer has records the station marked sent. So on each new connection (and
// every VerifyEveryMs, asked by the station's sender), the station compares what it marked sent
// with what the server holds, by blocks of VerifyBlock local ids (how many, and the sum of their
// ids); only a block that differs is read id by id, and its missing records wait again to be
// sent.
class SharedPush
{
public:
    static constexpr qint64 VerifyBlock = 1000;
    static constexpr int VerifyEveryMs = 5 * 60 * 1000;

    SharedPush(const QString &historyPath, const SharedServer &server);
    // On a connection already made (which must outlive it), rather than one of its own.
    SharedPush(const QString &historyPath, SharedDatabase &database);

    // Until nothing waits, the server fails or the deadline passes. Check::Now compares with the
    // server even on a connection that has been checked.
    enum class Check { WhenDue, Now };
    SharingState run(QDeadlineTimer deadline = QDeadlineTimer::Forever,
                     Check check = Check::WhenDue);
    SharedDatabase &database() { return m_database; }

private:
    SharingState failed(SharingState state, const QString &code, const QString &reason);
    // The records the server lost marked waiting again: how many, or nothing when it failed.
    std::optional<qint64> unmarkLost(const QString &station);

    HistoryStore m_store;
    std::optional<SharedDatabase> m_own;
    SharedDatabase &m_database;
    quint64 m_checkedConnection = 0; // SharedDatabase::connections() at the last check
};

} // namespace Tensiova

Q_DECLARE_METATYPE(Tensiova::SharingState)
