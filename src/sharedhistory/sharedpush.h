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
    QString reason; // libpq's, the server's or the local history's words
    QString code; // SharedDatabase::errorCode(), or "local" for the station's own history
    ServerIdentity server; // as last reached
};

// Copies the records the server does not have yet, oldest first, a batch at a time, each batch
// marked sent in the local history once the server has committed it. A record sent again after
// a crash between the two is kept once by the server.
class SharedPush
{
public:
    SharedPush(const QString &historyPath, const SharedServer &server);
    // On a connection already made (which must outlive it), rather than one of its own.
    SharedPush(const QString &historyPath, SharedDatabase &database);

    // Until nothing waits, the server fails or the deadline passes.
    SharingState run(QDeadlineTimer deadline = QDeadlineTimer::Forever);
    SharedDatabase &database() { return m_database; }

private:
    SharingState failed(SharingState state, const QString &code, const QString &reason);

    HistoryStore m_store;
    std::optional<SharedDatabase> m_own;
    SharedDatabase &m_database;
};

} // namespace Tensiova

Q_DECLARE_METATYPE(Tensiova::SharingState)
