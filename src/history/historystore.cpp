#include "history/historystore.h"

#include "settings/fileaccess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <sqlite3.h>

#include <array>

namespace Tensiova {

namespace {

const QString FileName = QStringLiteral("historique.sqlite");
const QString DateFormat = QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'Z'");

// Step n makes version n + 1 of the schema out of version n.
constexpr std::array<const char *, HistoryStore::SchemaVersion> Migrations {
    // 1: the records
    "CREATE TABLE envois ("
    " id INTEGER PRIMARY KEY,"
    " sent_utc TEXT NOT NULL, utc_offset INTEGER NOT NULL, origin TEXT NOT NULL,"
    " version TEXT NOT NULL, account TEXT NOT NULL, computer TEXT NOT NULL,"
    " port INTEGER NOT NULL, device TEXT NOT NULL,"
    " maker TEXT NOT NULL, product TEXT NOT NULL, serial_number TEXT NOT NULL,"
    " setup_file TEXT NOT NULL, message BLOB NOT NULL,"
    " outcome TEXT NOT NULL, reason TEXT NOT NULL,"
    " answer BLOB NOT NULL, answer_text TEXT NOT NULL,"
    " label TEXT NOT NULL, search TEXT NOT NULL)",
    // 2: when the repère was last set; a device's programmings by its port
    "ALTER TABLE envois ADD COLUMN label_changed_utc TEXT NOT NULL DEFAULT '';"
    "CREATE INDEX envois_by_port ON envois (port, id)",
    // 3: what the shared history has of each record (every change counts one revision), and the
    // station's own name there
    "ALTER TABLE envois ADD COLUMN revision INTEGER NOT NULL DEFAULT 1;"
    "ALTER TABLE envois ADD COLUMN shared_revision INTEGER NOT NULL DEFAULT 0;"
    "CREATE INDEX envois_unshared ON envois (id) WHERE revision > shared_revision;"
    "CREATE TABLE station (key TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "INSERT INTO station VALUES ('id', lower(hex(randomblob(16))))",
    // 4: the station's copy of the workshop's approved set-ups and of which repère holds which
    "CREATE TABLE setup_copy (name TEXT NOT NULL, number INTEGER NOT NULL, message BLOB NOT NULL,"
    " document BLOB NOT NULL, PRIMARY KEY (name, number));"
    "CREATE INDEX setup_copy_by_message ON setup_copy (message);"
    "CREATE TABLE setup_assignment_copy (pattern TEXT NOT NULL, folded TEXT NOT NULL,"
    " is_prefix INTEGER NOT NULL, name TEXT NOT NULL, PRIMARY KEY (folded, is_prefix))",
};

constexpr const char *Columns =
    "id, sent_utc, utc_offset, origin, version, account, computer, port, device, maker, product,"
    " serial_number, setup_file, message, outcome, reason, answer, answer_text, label,"
    " label_changed_utc";

QString utcText(const QDateTime &time)
{
    return time.isValid() ? time.toUTC().toString(DateFormat) : QString();
}

// Read by hand: QDateTime's parser goes through the local time zone, which asks the system for
// its zone file at every call.
QDateTime utcTime(QStringView text)
{
    if (text.size() != DateFormat.size() - 4) { // the format's four quote marks
        return {};
    }
    const auto number = [text](int at, int length) {
        return text.mid(at, length).toInt();
    };
    return QDateTime(QDate(number(0, 4), number(5, 2), number(8, 2)),
                     QTime(number(11, 2), number(14, 2), number(17, 2), number(20, 3)), Qt::UTC);
}

// Case folded beyond ASCII, which SQLite's own lower() leaves alone.
void foldCase(sqlite3_context *context, int, sqlite3_value **values)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(values[0]));
    const QByteArray folded =
        QString::fromUtf8(text, sqlite3_value_bytes(values[0])).toLower().toUtf8();
    sqlite3_result_text(context, folded.constData(), int(folded.size()), SQLITE_TRANSIENT);
}

} // namespace

// A prepared statement, bound by position from 1, finalized when it goes.
class HistoryStore::Statement
{
public:
    Statement(sqlite3 *db, const QByteArray &sql)
    {
        if (db) {
            m_result =
                sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_statement, nullptr);
        }
    }
    Statement(Statement &&other) noexcept
        : m_statement(std::exchange(other.m_statement, nullptr))
        , m_result(other.m_result)
        , m_next(other.m_next)
    { }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    Statement &operator=(Statement &&) = delete;

    bool isValid() const { return m_statement != nullptr; }
    Statement &bind(const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_statement, m_next++, utf8.constData(), int(utf8.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    Statement &bind(const QByteArray &bytes)
    {
        // Never a null blob: the column takes none.
        sqlite3_bind_blob(m_statement, m_next++, bytes.isEmpty() ? "" : bytes.constData(),
                          int(bytes.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement &bind(qint64 number)
    {
        sqlite3_bind_int64(m_statement, m_next++, number);
        return *this;
    }
    // SQLITE_ROW while there are rows, SQLITE_DONE after, or the error.
    int step()
    {
        m_result = m_statement ? sqlite3_step(m_statement) : m_result;
        return m_result;
    }
    bool run() { return step() == SQLITE_DONE; }
    QString text(int column) const
    {
        return QString::fromUtf8(
            reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column)),
            sqlite3_column_bytes(m_statement, column));
    }
    QByteArray bytes(int column) const
    {
        const void *data = sqlite3_column_blob(m_statement, column);
        return QByteArray(static_cast<const char *>(data),
                          sqlite3_column_bytes(m_statement, column));
    }
    qint64 number(int column) const { return sqlite3_column_int64(m_statement, column); }
    int result() const { return m_result; }

private:
    sqlite3_stmt *m_statement = nullptr;
    int m_result = SQLITE_MISUSE;
    int m_next = 1;
};

QString HistoryStore::defaultPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("tensiova/") + FileName);
}

HistoryStore::HistoryStore(const QString &path)
    : m_path(path)
{ }

HistoryStore::~HistoryStore()
{
    close();
}

void HistoryStore::close()
{
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_writable = false;
    m_newer = false;
}

bool HistoryStore::fail(const QString &what)
{
    const bool fromSqlite = what.isEmpty() && m_db;
    m_error = fromSqlite ? QString::fromUtf8(sqlite3_errmsg(m_db)) : what;
    // SQLITE_PROTOCOL: the write-ahead log's locks kept by others through all of SQLite's tries.
    const int code = fromSqlite ? sqlite3_extended_errcode(m_db) & 0xFF : SQLITE_OK;
    m_busy = code == SQLITE_BUSY || code == SQLITE_LOCKED || code == SQLITE_PROTOCOL;
    return false;
}

bool HistoryStore::rollBack()
{
    // The failure said is the one that stopped the transaction, not the undoing's.
    const QString error = std::exchange(m_error, {});
    const bool busy = m_busy;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_error = error;
    m_busy = busy;
    return false;
}

bool HistoryStore::execute(const char *sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK || fail({});
}

bool HistoryStore::useWriteAheadLog()
{
    // Turning a new file to WAL takes it whole for a moment, and SQLite answers "locked" at once,
    // without its busy wait, to a program doing it while another writes: it tries again, as long
    // as it would wait for another writer.
    const QDeadlineTimer deadline(BusyWaitMs);
    while (sqlite3_exec(m_db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr)
           != SQLITE_OK) {
        const int code = sqlite3_errcode(m_db);
        if ((code != SQLITE_BUSY && code != SQLITE_LOCKED) || deadline.hasExpired()) {
            return fail({});
        }
        QThread::msleep(10);
    }
    return true;
}

bool HistoryStore::open(Access access)
{
    if (m_db && (access == Access::Read || m_writable)) {
        return true;
    }
    m_error.clear();
    close();
    if (!openFile(access) || (!isSound() && (close(), !setAside() || !openFile(access)))) {
        close();
        return false;
    }
    const qint64 found = schemaVersion();
    if (found > SchemaVersion) {
        // Read as it stands: the newer program's file is not ours to change.
        close();
        m_newer = openConnection(false);
        if (access == Access::Write) {
            return fail(QStringLiteral("written by a newer version (schema %1)").arg(found));
        }
        return m_newer;
    }
    // WAL lets readers and other writers work beside a writer; NORMAL synchronisation keeps
    // every committed record through a crash of the program.
    const bool ready = found >= 0
        && (!m_writable || (useWriteAheadLog() && execute("PRAGMA synchronous = NORMAL")))
        && (found == SchemaVersion || (m_writable && migrate()));
    if (!ready) {
        if (m_error.isEmpty()) {
            fail(QStringLiteral("read-only file of an older schema"));
        }
        close();
    }
    return ready;
}

bool HistoryStore::openFile(Access access)
{
    const QFileInfo file(m_path);
    if (!file.exists()) {
        if (access == Access::Read) {
            return false; // no history yet
        }
        const QString folder = file.absolutePath();
        if (!QFileInfo::exists(folder)) {
            if (!QDir().mkpath(folder)) {
                return fail(QStringLiteral("cannot create the folder %1").arg(folder));
            }
            // It names the account and the computer: the owner's alone.
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        QFile created(m_path);
        if (!FileAccess::isWritable(folder)
            || !created.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                             QFile::ReadOwner | QFile::WriteOwner)) {
            // Another program may have just made it.
            if (!QFileInfo::exists(m_path)) {
                return fail(created.errorString().isEmpty() ? QStringLiteral("read-only folder")
                                                            : created.errorString());
            }
        }
    }
    const bool writable = FileAccess::isWritable(m_path);
    if (access == Access::Write && !writable) {
        return fail(QStringLiteral("read-only file"));
    }
    return openConnection(writable);
}

bool HistoryStore::openConnection(bool writable)
{
    // SQLite takes names in UTF-8, which is also what Qt gives the system on Linux.
    const QByteArray native = m_path.toUtf8();
    const int flags = writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    if (sqlite3_open_v2(native.constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        return fail({});
    }
    m_writable = writable;
    sqlite3_busy_timeout(m_db, BusyWaitMs);
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_create_function_v2(m_db, "fold_case", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               foldCase, nullptr, nullptr, nullptr);
    return true;
}

bool HistoryStore::isSound()
{
    Statement check(m_db, "PRAGMA quick_check");
    if (check.step() == SQLITE_ROW && check.text(0) == QLatin1String("ok")) {
        return true;
    }
    const int code = check.result() & 0xFF;
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED || code == SQLITE_IOERR
        || code == SQLITE_CANTOPEN || code == SQLITE_NOMEM) {
        return fail({}); // not the file's fault
    }
    return false;
}

bool HistoryStore::setAside()
{
    if (!m_error.isEmpty()) {
        return false;
    }
    const QFileInfo file(m_path);
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString aside;
    for (int n = 1; aside.isEmpty() || QFileInfo::exists(aside); ++n) {
        aside = file.dir().filePath(QStringLiteral("%1.endommage-%2%3.%4")
                                        .arg(file.completeBaseName(), stamp,
                                             n > 1 ? QStringLiteral("-%1").arg(n) : QString(),
                                             file.suffix()));
    }
    if (!QFile::rename(m_path, aside)) {
        return fail(QStringLiteral("damaged, and cannot be set aside"));
    }
    // Its log goes with it: it belongs to that file alone.
    for (const QString &suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFileInfo::exists(m_path + suffix)) {
            QFile::rename(m_path + suffix, aside + suffix);
        }
    }
    m_setAside = aside;
    return true;
}

qint64 HistoryStore::schemaVersion()
{
    Statement version(m_db, "PRAGMA user_version");
    return version.step() == SQLITE_ROW ? version.number(0) : (fail({}), -1);
}

bool HistoryStore::migrate()
{
    if (!execute("BEGIN IMMEDIATE")) {
        return false;
    }
    // Read again inside the transaction: another program may have just done it.
    const qint64 found = schemaVersion();
    if (found < 0) {
        return rollBack();
    }
    for (qint64 step = found; step < SchemaVersion; ++step) {
        if (!execute(Migrations.at(std::size_t(step)))) {
            return rollBack();
        }
    }
    return execute(QByteArray("PRAGMA user_version = ")
                       .append(QByteArray::number(SchemaVersion))
                       .constData())
        && execute("COMMIT");
}

bool HistoryStore::ensureWritable()
{
    if (m_db && m_newer) {
        // Opened again, it would be checked again, and still be newer.
        return fail(QStringLiteral("written by a newer version"));
    }
    return (m_db && m_writable) || open(Access::Write);
}

bool HistoryStore::append(SendRecord &record)
{
    if (!ensureWritable()) {
        return false;
    }
    Statement insert(m_db,
                     "INSERT INTO envois (sent_utc, utc_offset, origin, version, account,"
                     " computer, port, device, maker, product, serial_number, setup_file, message,"
                     " outcome, reason, answer, answer_text, label, label_changed_utc, search)"
                     " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insert.bind(utcText(record.sentAt))
        .bind(qint64(record.utcOffsetSeconds))
        .bind(originKey(record.origin))
        .bind(record.programVersion)
        .bind(record.account)
        .bind(record.computer)
        .bind(qint64(record.port))
        .bind(record.device)
        .bind(record.adapter.maker)
        .bind(record.adapter.product)
        .bind(record.adapter.serialNumber)
        .bind(record.setupFile)
        .bind(record.message)
        .bind(outcomeKey(record.outcome))
        .bind(record.reason)
        .bind(record.answer)
        .bind(record.answerText)
        .bind(record.label)
        .bind(utcText(record.labelChangedAt))
        .bind(record.searchText());
    if (!insert.run()) {
        return fail({});
    }
    record.id = sqlite3_last_insert_rowid(m_db);
    return true;
}

bool HistoryStore::updateAnswer(const SendRecord &record)
{
    if (!ensureWritable()) {
        return false;
    }
    // The repère may have been set meanwhile, in the window: the search takes the stored one.
    SendRecord updated = record;
    updated.label = this->record(record.id).value_or(record).label;
    Statement update(m_db,
                     "UPDATE envois SET outcome = ?, answer = ?, answer_text = ?,"
                     " search = ?, revision = revision + 1 WHERE id = ?");
    update.bind(outcomeKey(updated.outcome))
        .bind(updated.answer)
        .bind(updated.answerText)
        .bind(updated.searchText())
        .bind(updated.id);
    return update.run() || fail({});
}

bool HistoryStore::setLabel(qint64 id, const QString &label)
{
    std::optional<SendRecord> stored = record(id);
    if (!stored || !ensureWritable()) {
        return stored.has_value() ? false : fail(QStringLiteral("no such record"));
    }
    stored->label = label;
    stored->labelChangedAt = QDateTime::currentDateTimeUtc();
    Statement update(m_db,
                     "UPDATE envois SET label = ?, label_changed_utc = ?, search = ?,"
                     " revision = revision + 1 WHERE id = ?");
    update.bind(label).bind(utcText(stored->labelChangedAt)).bind(stored->searchText()).bind(id);
    return update.run() || fail({});
}

HistoryStore::Statement HistoryStore::selection(const HistoryFilter &filter, int limit,
                                                qint64 beforeId, bool counting)
{
    const bool latestByLabel = filter.latestByLabel;
    QByteArray sql =
        QByteArray("SELECT ") + (counting ? "count(*)" : Columns) + " FROM envois WHERE 1";
    if (latestByLabel) {
        sql += " AND id IN (SELECT max(id) FROM envois WHERE label <> '' GROUP BY label)";
        if (!filter.afterLabel.isEmpty()) {
            sql += " AND label > ?";
        }
    }
    if (!filter.text.isEmpty()) {
        sql += " AND instr(search, ?) > 0";
    }
    if (filter.since.isValid()) {
        sql += " AND sent_utc >= ?";
    }
    if (filter.port > 0) {
        sql += " AND port = ?";
    }
    if (!filter.label.isEmpty()) {
        sql += " AND instr(fold_case(label), ?) > 0";
    }
    if (beforeId > 0) {
        sql += " AND id < ?";
    }
    if (!counting) {
        sql += latestByLabel ? " ORDER BY label" : " ORDER BY id DESC";
    }
    if (limit >= 0) {
        sql += " LIMIT ?";
    }
    Statement select(m_db, sql);
    if (latestByLabel && !filter.afterLabel.isEmpty()) {
        select.bind(filter.afterLabel);
    }
    if (!filter.text.isEmpty()) {
        select.bind(filter.text.toLower());
    }
    if (filter.since.isValid()) {
        select.bind(utcText(filter.since));
    }
    if (filter.port > 0) {
        select.bind(qint64(filter.port));
    }
    if (!filter.label.isEmpty()) {
        select.bind(filter.label.toLower());
    }
    if (beforeId > 0) {
        select.bind(beforeId);
    }
    if (limit >= 0) {
        select.bind(qint64(limit));
    }
    return select;
}

// The record in the row's columns from first on, in the order of Columns.
SendRecord HistoryStore::readRecord(const Statement &select, int first)
{
    const auto text = [&](int column) {
        return select.text(first + column);
    };
    SendRecord record;
    record.id = select.number(first);
    record.sentAt = utcTime(text(1));
    record.utcOffsetSeconds = int(select.number(first + 2));
    record.origin = originFromKey(text(3)).value_or(SendRecord::Origin::Window);
    record.programVersion = text(4);
    record.account = text(5);
    record.computer = text(6);
    record.port = int(select.number(first + 7));
    record.device = text(8);
    record.adapter = {text(9), text(10), text(11)};
    record.setupFile = text(12);
    record.message = select.bytes(first + 13);
    record.outcome = outcomeFromKey(text(14)).value_or(SendRecord::Outcome::NoAnswer);
    record.reason = text(15);
    record.answer = select.bytes(first + 16);
    record.answerText = text(17);
    record.label = text(18);
    record.labelChangedAt = utcTime(text(19));
    return record;
}

bool HistoryStore::forEach(const HistoryFilter &filter, int limit, qint64 beforeId,
                           const std::function<bool(const SendRecord &)> &take)
{
    if (!open(Access::Read)) {
        return m_error.isEmpty(); // no history yet: nothing to take
    }
    Statement select = selection(filter, limit, beforeId, false);
    return readAll(select, take);
}

bool HistoryStore::readAll(Statement &select, const std::function<bool(const SendRecord &)> &take)
{
    int result = SQLITE_ROW;
    while ((result = select.step()) == SQLITE_ROW) {
        if (!take(readRecord(select, 0))) {
            return true;
        }
    }
    return result == SQLITE_DONE || fail({});
}

std::optional<SendRecord> HistoryStore::record(qint64 id)
{
    // The record just after id + 1, newest first, is id itself when it exists.
    const QList<SendRecord> found = records({}, 1, id + 1);
    if (found.isEmpty() || found.front().id != id) {
        return std::nullopt;
    }
    return found.front();
}

QString HistoryStore::stationValue(const char *key)
{
    if (!open(Access::Read)) {
        return {};
    }
    Statement select(m_db, "SELECT value FROM station WHERE key = ?");
    select.bind(QString::fromLatin1(key));
    return select.step() == SQLITE_ROW ? select.text(0) : QString();
}

QString HistoryStore::stationId()
{
    return ensureWritable() ? stationValue("id") : QString();
}

bool HistoryStore::followSharedDatabase(const QString &database)
{
    if (!ensureWritable()) {
        return false;
    }
    if (stationValue("shared_database") == database) {
        return true;
    }
    // Another server, or one made anew: it has none of the records yet.
    Statement forget(m_db, "UPDATE envois SET shared_revision = 0 WHERE shared_revision > 0");
    Statement follow(m_db, "INSERT OR REPLACE INTO station VALUES ('shared_database', ?)");
    follow.bind(database);
    return (execute("BEGIN IMMEDIATE") && forget.run() && follow.run() && execute("COMMIT"))
        || (fail({}), rollBack());
}

QList<HistoryStore::Unshared> HistoryStore::unshared(int limit)
{
    QList<Unshared> found;
    if (!open(Access::Read) || m_newer) {
        return found;
    }
    QByteArray sql("SELECT revision, ");
    sql += Columns;
    sql += " FROM envois WHERE revision > shared_revision ORDER BY id LIMIT ?";
    Statement select(m_db, sql);
    select.bind(qint64(limit));
    while (select.step() == SQLITE_ROW) {
        found.append({readRecord(select, 1), select.number(0)});
    }
    if (select.result() != SQLITE_DONE) {
        fail({});
    }
    return found;
}

qint64 HistoryStore::unsharedCount()
{
    if (!open(Access::Read) || m_newer) {
        return 0;
    }
    Statement total(m_db, "SELECT count(*) FROM envois WHERE revision > shared_revision");
    return total.step() == SQLITE_ROW ? total.number(0) : (fail({}), 0);
}

bool HistoryStore::markShared(const QList<Unshared> &records)
{
    if (!ensureWritable() || !execute("BEGIN IMMEDIATE")) {
        return false;
    }
    // A change made since the copy was read keeps its record waiting.
    for (const Unshared &sent : records) {
        Statement mark(
            m_db, "UPDATE envois SET shared_revision = ? WHERE id = ? AND shared_revision < ?");
        mark.bind(sent.revision).bind(sent.record.id).bind(sent.revision);
        if (!mark.run()) {
            return fail({}), rollBack();
        }
    }
    return execute("COMMIT") || rollBack();
}

std::optional<QList<HistoryStore::IdBlock>> HistoryStore::sharedBlocks(qint64 size)
{
    if (!open(Access::Read)) {
        return std::nullopt;
    }
    // Every record less those never sent: the first from a small index that holds every id,
    // the others from the index of those waiting, so that the records themselves are not read
    // (a station's check runs every few minutes over tens of thousands of them).
    Statement select(m_db,
                     "SELECT block, sum(n), sum(ids) FROM ("
                     " SELECT id / ?1 AS block, count(*) AS n, sum(id) AS ids FROM envois"
                     " GROUP BY block"
                     " UNION ALL SELECT id / ?1, -count(*), -sum(id) FROM envois"
                     " WHERE revision > shared_revision AND shared_revision = 0 GROUP BY 1)"
                     " GROUP BY block HAVING sum(n) > 0 ORDER BY block");
    select.bind(size);
    QList<IdBlock> blocks;
    while (select.step() == SQLITE_ROW) {
        blocks.append({select.number(0), select.number(1), select.number(2)});
    }
    return select.result() == SQLITE_DONE ? std::optional(blocks) : (fail({}), std::nullopt);
}

std::optional<QList<qint64>> HistoryStore::sharedIds(qint64 from, qint64 to)
{
    if (!open(Access::Read)) {
        return std::nullopt;
    }
    Statement select(m_db,
                     "SELECT id FROM envois WHERE id >= ? AND id < ? AND shared_revision > 0");
    select.bind(from).bind(to);
    QList<qint64> ids;
    while (select.step() == SQLITE_ROW) {
        ids.append(select.number(0));
    }
    return select.result() == SQLITE_DONE ? std::optional(ids) : (fail({}), std::nullopt);
}

bool HistoryStore::unmarkShared(const QList<qint64> &ids)
{
    if (!ensureWritable() || !execute("BEGIN IMMEDIATE")) {
        return false;
    }
    for (const qint64 id : ids) {
        Statement unmark(m_db, "UPDATE envois SET shared_revision = 0 WHERE id = ?");
        unmark.bind(id);
        if (!unmark.run()) {
            return fail({}), rollBack();
        }
    }
    return execute("COMMIT") || rollBack();
}

qint64 HistoryStore::count(const HistoryFilter &filter)
{
    if (!open(Access::Read)) {
        return 0;
    }
    Statement total = selection(filter, -1, 0, true);
    return total.step() == SQLITE_ROW ? total.number(0) : (fail({}), 0);
}

bool HistoryStore::replaceSetupCopy(const QList<KeptVersion> &versions,
                                    const QList<KeptAssignment> &assignments, const QString &digest)
{
    if (!ensureWritable() || !execute("BEGIN IMMEDIATE")) {
        return false;
    }
    bool written =
        execute("DELETE FROM setup_copy") && execute("DELETE FROM setup_assignment_copy");
    for (qsizetype n = 0; written && n < versions.size(); ++n) {
        const KeptVersion &version = versions.at(n);
        Statement insert(m_db, "INSERT OR REPLACE INTO setup_copy VALUES (?, ?, ?, ?)");
        insert.bind(version.name).bind(qint64(version.number)).bind(version.message);
        written = insert.bind(version.document).run();
    }
    for (qsizetype n = 0; written && n < assignments.size(); ++n) {
        const KeptAssignment &assignment = assignments.at(n);
        const bool prefix = assignment.pattern.endsWith(QLatin1Char('*'));
        Statement insert(m_db, "INSERT OR REPLACE INTO setup_assignment_copy VALUES (?, ?, ?, ?)");
        insert.bind(assignment.pattern)
            .bind((prefix ? assignment.pattern.chopped(1) : assignment.pattern).toLower())
            .bind(qint64(prefix));
        written = insert.bind(assignment.name).run();
    }
    Statement state(m_db,
                    "INSERT OR REPLACE INTO station VALUES ('setup_digest', ?),"
                    " ('setup_copied_utc', ?)");
    state.bind(digest).bind(utcText(QDateTime::currentDateTimeUtc()));
    return (written && state.run() && execute("COMMIT")) || (fail({}), rollBack());
}

std::optional<QList<HistoryStore::KeptVersion>>
HistoryStore::keptVersions(const QString &name, const QByteArray &message)
{
    QList<KeptVersion> found;
    if (!open(Access::Read)) {
        return m_error.isEmpty() ? std::optional(found) : std::nullopt;
    }
    QByteArray sql("SELECT name, number, message, document FROM setup_copy");
    sql += !name.isEmpty() ? " WHERE name = ?" : !message.isNull() ? " WHERE message = ?" : "";
    Statement select(m_db, sql + " ORDER BY name, number");
    if (!name.isEmpty()) {
        select.bind(name);
    } else if (!message.isNull()) {
        select.bind(message);
    }
    while (select.step() == SQLITE_ROW) {
        found.append({select.text(0), int(select.number(1)), select.bytes(2), select.bytes(3)});
    }
    if (select.result() != SQLITE_DONE) {
        return fail({}), std::nullopt;
    }
    return found;
}

std::optional<QString> HistoryStore::keptSetupOf(const QString &label)
{
    if (!open(Access::Read)) {
        return m_error.isEmpty() ? std::optional(QString()) : std::nullopt;
    }
    // The repère's own set-up, or its longest prefix's.
    Statement select(m_db,
                     "SELECT name FROM setup_assignment_copy WHERE (is_prefix = 0 AND"
                     " folded = ?1) OR (is_prefix = 1 AND substr(?1, 1, length(folded))"
                     " = folded) ORDER BY is_prefix, length(folded) DESC LIMIT 1");
    select.bind(label.toLower());
    const int result = select.step();
    if (result != SQLITE_ROW && result != SQLITE_DONE) {
        return fail({}), std::nullopt;
    }
    return result == SQLITE_ROW ? select.text(0) : QString();
}

std::optional<QList<HistoryStore::KeptAssignment>> HistoryStore::keptAssignments()
{
    QList<KeptAssignment> found;
    if (!open(Access::Read)) {
        return m_error.isEmpty() ? std::optional(found) : std::nullopt;
    }
    Statement select(m_db, "SELECT pattern, name FROM setup_assignment_copy ORDER BY pattern");
    while (select.step() == SQLITE_ROW) {
        found.append({select.text(0), select.text(1)});
    }
    if (select.result() != SQLITE_DONE) {
        return fail({}), std::nullopt;
    }
    return found;
}

HistoryStore::SetupCopyState HistoryStore::setupCopyState()
{
    return {stationValue("setup_digest"), utcTime(stationValue("setup_copied_utc"))};
}

} // namespace Tensiova
