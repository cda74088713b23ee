#pragma once

#include "history/historysource.h"
#include "history/historystore.h"
#include "sharedhistory/serverconnection.h"

#include <QList>
#include <QString>

namespace Tensiova {

// Where the shared history is and how the user accepted to reach it.
struct SharedServer
{
    QString connection; // libpq's connection text; empty: no shared history
    bool acceptUnencrypted = false; // records may cross the network in clear to another computer
    bool isSet() const { return !connection.trimmed().isEmpty(); }
};

// The workshop's history on its PostgreSQL server: every station's records, each kept once by
// its station's id and its number there. Made on the server at the first connection when the
// account may; a schema newer than the program is read, never written. Used by one thread at a
// time; each call connects when needed and waits at most StatementPatienceMs.
class SharedDatabase : public HistorySource
{
public:
    static constexpr int SchemaVersion = 2; // 2: the set-up library
    static constexpr int StatementPatienceMs = 15000;
    // Records a statement takes when they are sent, and read a page at a time for a long listing.
    static constexpr int SendBatch = 100;
    static constexpr int ReadBatch = 2000;
    // The newest records a search reads through before it asks the trigram index.
    static constexpr int RecentWindow = 20000;
    // count() says CountLimit + 1 for more than CountLimit records.
    static constexpr qint64 CountLimit = 100000;

    explicit SharedDatabase(const SharedServer &server);

    // How long a call may wait for the server: StatementPatienceMs unless a script is in a hurry.
    void setPatience(int milliseconds) { m_patienceMs = milliseconds; }

    // Connected, with the tables there (made when missing and the account may).
    bool connect();
    const ServerIdentity &identity() const { return m_server.identity(); }
    // Made with the tables: another id means another database, which has none of our records.
    const QString &databaseId() const { return m_databaseId; }
    // The set-up library is there: the tables are of version 2 or later.
    bool hasLibrary() const { return m_version >= 2; }
    // Tables of a newer program: read, never written.
    bool isNewer() const { return m_newer; }

    // One statement on the connected server, within the patience; its values never spliced into
    // its text.
    bool run(const QByteArray &sql, const QList<ServerValue> &values, ServerRows *rows = nullptr);
    // Several statements in one transaction, each with its values: all or nothing.
    bool runInTransaction(const QList<std::pair<QByteArray, QList<ServerValue>>> &statements,
                          ServerRows *lastRows = nullptr);

    // Adds the station's records, or completes those the server has (answers; repères when
    // changed later than the server's); in one transaction.
    bool push(const QString &station, const QList<HistoryStore::Unshared> &records);
    // The station's records on the server by blocks of their local ids, as
    // HistoryStore::sharedBlocks() gives the station's own; and the local ids of one block.
    std::optional<QList<HistoryStore::IdBlock>> idBlocks(const QString &station, qint64 size);
    std::optional<QList<qint64>> localIds(const QString &station, qint64 from, qint64 to);
    // Connections made so far: a new one may reach a server restored, or taken over by its
    // standby, since the last.
    quint64 connections() const { return m_connections; }

    bool forEach(const HistoryFilter &filter, int limit, qint64 beforeId,
                 const std::function<bool(const SendRecord &)> &take) override;
    qint64 count(const HistoryFilter &filter) override;
    std::optional<SendRecord> record(qint64 id) override;
    const QString &error() const override;
    // SQLSTATE, or the program's own: "password-in-text", "unencrypted", "connection",
    // "newer-schema", "no-schema".
    const QString &errorCode() const;

private:
    bool ensureSchema();
    bool readSchema(QDeadlineTimer deadline);
    bool forEachLatestByLabel(const HistoryFilter &filter, int limit,
                              const std::function<bool(const SendRecord &)> &take);
    bool fail(const QString &code, const QString &error);
    void leaveReadOnlySession(const QString &code);
    // plannerSetting: a SET LOCAL for this statement alone, in a transaction of its own.
    bool readPage(const QByteArray &sql, const QList<ServerValue> &values,
                  const std::function<bool(const SendRecord &)> &take, int *read = nullptr,
                  const QByteArray &plannerSetting = {});

    SharedServer m_settings;
    ServerConnection m_server;
    QString m_databaseId;
    QString m_code;
    QString m_ownError;
    bool m_newer = false; // the server's tables are of a newer program: read, never written
    qint64 m_version = 0;
    quint64 m_connections = 0;
    int m_patienceMs = StatementPatienceMs;
};

} // namespace Tensiova
