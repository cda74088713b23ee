#pragma once

#include "history/historysource.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

struct sqlite3;

namespace Tensiova {

// The history of every "Envoi" in an SQLite file of the user's own: one transaction a record,
// write-ahead logged, so that a program killed while it writes leaves every earlier record whole
// and other programs may write beside it. Nothing is made before the first record.
class HistoryStore : public HistorySource
{
public:
    static constexpr int SchemaVersion = 4;
    static constexpr int BusyWaitMs = 5000; // other writers' turns

    // historique.sqlite in the user's data folder: ~/.local/share/tensiova (XDG_DATA_HOME), or
    // %LOCALAPPDATA%\tensiova on Windows.
    static QString defaultPath();

    explicit HistoryStore(const QString &path);
    ~HistoryStore() override;
    HistoryStore(const HistoryStore &) = delete;
    HistoryStore &operator=(const HistoryStore &) = delete;

    const QString &path() const { return m_path; }

    enum class Access { Read, Write };
    // Opens the file for reading, or for writing (making it, readable by its owner only, when
    // it is not there). A file that is not a sound database is first set aside under a dated
    // name beside it, never deleted. False when it cannot serve: error() says why; for reading,
    // also when there is no history yet.
    bool open(Access access);
    void close();

    // Written by a newer program: it is read, never changed.
    bool isNewer() const { return m_newer; }
    // Where a damaged file was set aside since this was last asked; empty when none was.
    QString takeSetAsidePath() { return std::exchange(m_setAside, {}); }
    // Why the last operation failed, in the system's or SQLite's words.
    const QString &error() const override { return m_error; }
    // The last operation failed only because other programs kept the file past BusyWaitMs: on a
    // busy machine with several writers, one may wait its turn longer. Trying again later works.
    bool isBusy() const { return m_busy; }

    // Each in a transaction of its own; the store is opened for writing first when needed.
    bool append(SendRecord &record); // gives the record its id
    bool updateAnswer(const SendRecord &record); // outcome and answer of a written record
    bool setLabel(qint64 id, const QString &label);

    std::optional<SendRecord> record(qint64 id) override;
    qint64 count(const HistoryFilter &filter) override;
    bool forEach(const HistoryFilter &filter, int limit, qint64 beforeId,
                 const std::function<bool(const SendRecord &)> &take) override;

    // The shared history's side: this history's name among the stations (made with the file),
    // the records the server does not have as they stand now, oldest first, and their marks once
    // it has them. A record changed again since it was read stays waiting.
    struct Unshared
    {
        SendRecord record;
        qint64 revision = 0;
    };
    QString stationId();
    QList<Unshared> unshared(int limit);
    qint64 unsharedCount();
    bool markShared(const QList<Unshared> &records);
    // The server's database the marks refer to: another one has none of the records yet.
    bool followSharedDatabase(const QString &database);
    // The records marked as on the server, by blocks of ids (block n holds ids from n × size to
    // n × size + size − 1): how many, and the sum of their ids. Compared with the server's own,
    // block by block, they find the records a server restored from a backup has lost.
    struct IdBlock
    {
        qint64 block = 0;
        qint64 count = 0;
        qint64 idSum = 0;
        bool operator==(const IdBlock &) const = default;
    };
    std::optional<QList<IdBlock>> sharedBlocks(qint64 size);
    std::optional<QList<qint64>> sharedIds(qint64 from, qint64 to); // from ≤ id < to
    // Waiting again: the server lost them.
    bool unmarkShared(const QList<qint64> &ids);

    // The workshop's approved set-ups as the station last copied them from the server, for use
    // without it: each version as the library's own document, found by its set-up's name or by
    // its 52 bytes; the set-up each repère, or each repère that begins with a prefix ("P20-*"),
    // is given; and when and from which state of the server the copy was made.
    struct KeptVersion
    {
        QString name;
        int number = 0;
        QByteArray message;
        QByteArray document;
    };
    struct KeptAssignment
    {
        QString pattern;
        QString name;
    };
    struct SetupCopyState
    {
        QString digest;
        QDateTime copiedAt; // invalid: never copied
    };
    bool replaceSetupCopy(const QList<KeptVersion> &versions,
                          const QList<KeptAssignment> &assignments, const QString &digest);
    // Every version kept, those of a set-up, or those with the message's bytes, by name and
    // number; nothing for no copy yet.
    std::optional<QList<KeptVersion>> keptVersions(const QString &name = {},
                                                   const QByteArray &message = {});
    // The set-up the repère is given: its own, else its longest prefix's; empty for none.
    std::optional<QString> keptSetupOf(const QString &label);
    std::optional<QList<KeptAssignment>> keptAssignments();
    SetupCopyState setupCopyState();

private:
    class Statement;
    static SendRecord readRecord(const Statement &select, int first);
    QString stationValue(const char *key);
    bool openFile(Access access);
    bool openConnection(bool writable);
    bool isSound();
    bool setAside();
    qint64 schemaVersion(); // -1 when it cannot be read
    bool migrate();
    bool fail(const QString &what);
    bool execute(const char *sql);
    bool rollBack(); // false, with the failure that led to it
    bool useWriteAheadLog();
    bool ensureWritable();
    // The records the filter takes, newest first, or how many there are (counting).
    Statement selection(const HistoryFilter &filter, int limit, qint64 beforeId, bool counting);
    bool readAll(Statement &select, const std::function<bool(const SendRecord &)> &take);

    QString m_path;
    sqlite3 *m_db = nullptr;
    bool m_writable = false;
    bool m_newer = false;
    bool m_busy = false;
    QString m_setAside;
    QString m_error;
};

} // namespace Tensiova
