#include "sharedhistory/shareddatabase.h"

#include "conversions/windows1252.h"

#include <QFile>

namespace Tensiova {

namespace {

// Times travel as milliseconds since 1970 (UTC), never as text a server's settings could read
// otherwise.
constexpr const char *Columns =
    "id, round(extract(epoch FROM sent_utc) * 1000)::bigint, utc_offset, origin, version, account,"
    " computer, port, device, maker, product, serial_number, setup_file, message, outcome, reason,"
    " answer, answer_text, label, coalesce(round(extract(epoch FROM label_changed_utc) * 1000),"
    " -1)::bigint";

QDateTime fromMilliseconds(qint64 milliseconds)
{
    return milliseconds < 0 ? QDateTime() : QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC);
}

SendRecord recordAt(const ServerRows &rows, int row)
{
    const auto text = [&](int column) {
        return rows.text(row, column);
    };
    SendRecord record;
    record.id = rows.number(row, 0);
    record.sentAt = fromMilliseconds(rows.number(row, 1));
    record.utcOffsetSeconds = int(rows.number(row, 2));
    record.origin = originFromKey(text(3)).value_or(SendRecord::Origin::Window);
    record.programVersion = text(4);
    record.account = text(5);
    record.computer = text(6);
    record.port = int(rows.number(row, 7));
    record.device = text(8);
    record.adapter = {text(9), text(10), text(11)};
    record.setupFile = text(12);
    record.message = rows.bytes(row, 13);
    record.outcome = outcomeFromKey(text(14)).value_or(SendRecord::Outcome::NoAnswer);
    record.reason = text(15);
    record.answer = rows.bytes(row, 16);
    // Read again from the bytes: the server's copy of the text has no NUL characters.
    record.answerText = Windows1252::decode(record.answer);
    record.label = text(18);
    record.labelChangedAt = fromMilliseconds(rows.number(row, 19));
    return record;
}

// What a search finds on the server: the station's own search text, and who sent it from where.
QString serverSearchText(const SendRecord &record)
{
    SendRecord withoutLabel = record;
    withoutLabel.label.clear(); // searched in its own column, which may be newer
    return withoutLabel.searchText() + QLatin1Char('\n') + record.computer.toLower()
        + QLatin1Char('\n') + record.account.toLower();
}

// A LIKE pattern that finds the text as it is, whatever its case: its own "%", "_" and "\" are
// taken literally.
QString containing(const QString &text)
{
    QString escaped = text.toLower();
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('%'), QLatin1String("\\%"))
        .replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

// The conditions of a filter, their values appended; beforeId continues after that record.
QByteArray conditions(const HistoryFilter &filter, qint64 beforeId, QList<ServerValue> &values)
{
    QByteArray sql(" WHERE true");
    const auto next = [&values](const ServerValue &value) {
        values.append(value);
        return QByteArray("$") + QByteArray::number(values.size());
    };
    if (!filter.text.isEmpty()) {
        // The very expression of the trigram index, which finds a text among a million records
        // without reading them all.
        sql += " AND (search || E'\\n' || label_folded) LIKE " + next(containing(filter.text))
            + "::text";
    }
    if (filter.since.isValid()) {
        sql += " AND sent_utc >= to_timestamp(" + next(filter.since.toMSecsSinceEpoch())
            + "::bigint / 1000.0)";
    }
    if (filter.port > 0) {
        sql += " AND port = " + next(qint64(filter.port)) + "::integer";
    }
    if (!filter.label.isEmpty()) {
        sql += " AND label_folded LIKE " + next(containing(filter.label)) + "::text";
    }
    if (beforeId > 0) {
        sql += " AND (sent_utc, id) < (SELECT sent_utc, id FROM tensiova_envois WHERE id = "
            + next(beforeId) + "::bigint)";
    }
    return sql;
}

} // namespace

SharedDatabase::SharedDatabase(const SharedServer &server)
    : m_settings(server)
{ }

const QString &SharedDatabase::error() const
{
    return m_code.isEmpty() ? m_server.error() : m_ownError;
}

const QString &SharedDatabase::errorCode() const
{
    return m_code.isEmpty() ? m_server.errorCode() : m_code;
}

bool SharedDatabase::fail(const QString &code, const QString &error)
{
    m_code = code;
    m_ownError = error;
    return false;
}

bool SharedDatabase::run(const QByteArray &sql, const QList<ServerValue> &values, ServerRows *rows)
{
    m_code.clear();
    if (connect() && m_server.run(sql, values, QDeadlineTimer(m_patienceMs), rows)) {
        return true;
    }
    leaveReadOnlySession(m_server.errorCode());
    return false;
}

void SharedDatabase::leaveReadOnlySession(const QString &code)
{
    // A session made read-only stays so: the next try connects again, to a server made writable
    // since or, of several hosts, to the one that now takes writes.
    if (code == QLatin1String("25006")) { // read_only_sql_transaction
        m_server.close();
    }
}

bool SharedDatabase::runInTransaction(
    const QList<std::pair<QByteArray, QList<ServerValue>>> &statements, ServerRows *lastRows)
{
    if (!run("BEGIN", {})) {
        return false;
    }
    for (const auto &[sql, values] : statements) {
        if (!m_server.run(sql, values, QDeadlineTimer(m_patienceMs), lastRows)) {
            // Nothing of it stays: the server undoes it, or has undone it with a lost connection.
            const QString error = m_server.error();
            const QString code = m_server.errorCode();
            if (m_server.isOpen()) {
                m_server.runScript("ROLLBACK", QDeadlineTimer(m_patienceMs));
            }
            leaveReadOnlySession(code);
            return fail(code, error);
        }
    }
    return m_server.run("COMMIT", {}, QDeadlineTimer(m_patienceMs));
}

bool SharedDatabase::connect()
{
    if (m_server.stillOpen()) {
        return true;
    }
    m_code.clear();
    if (!m_settings.isSet()) {
        return fail(QStringLiteral("not-set"), QStringLiteral("no shared history"));
    }
    if (!m_server.open(m_settings.connection, m_settings.acceptUnencrypted,
                       QDeadlineTimer(std::min((ServerConnection::ConnectTimeoutS + 1) * 1000,
                                               m_patienceMs)))) {
        return false;
    }
    if (!ensureSchema()) {
        m_server.close();
        return false;
    }
    ++m_connections;
    return true;
}

bool SharedDatabase::ensureSchema()
{
    const QDeadlineTimer deadline(m_patienceMs);
    ServerRows found;
    if (!m_server.run("SELECT to_regclass('tensiova_schema') IS NOT NULL", {}, deadline, &found)) {
        return false;
    }
    const bool existed = found.text(0, 0) == QLatin1String("t");
    if (!existed || !readSchema(deadline) || m_version < SchemaVersion) {
        // Made, or brought up to date, by the same script; stations that start together run it
        // one after the other.
        QFile script(QStringLiteral(":/sharedhistory/historique-postgresql.sql"));
        if (!script.open(QIODevice::ReadOnly)) {
            return fail(QStringLiteral("no-schema"), script.errorString());
        }
        if (!m_server.runScript("BEGIN; SELECT pg_advisory_xact_lock(7305142);" + script.readAll()
                                    + ";COMMIT",
                                deadline)) {
            if (m_server.errorCode() != QLatin1String("42501")) { // insufficient privilege
                return false;
            }
            // An account that may not bring older tables up to date still shares its records:
            // only the set-up library is missing until an administrator runs the script.
            if (!existed || !m_server.runScript("ROLLBACK", deadline)) {
                return fail(QStringLiteral("no-schema"), m_server.error());
            }
        }
    }
    return readSchema(deadline);
}

bool SharedDatabase::readSchema(QDeadlineTimer deadline)
{
    ServerRows schema;
    if (!m_server.run("SELECT version, database_id FROM tensiova_schema", {}, deadline, &schema)
        || schema.count() != 1) {
        return m_server.error().isEmpty()
            ? fail(QStringLiteral("no-schema"), QStringLiteral("tensiova_schema has no row"))
            : false;
    }
    m_version = schema.number(0, 0);
    m_newer = m_version > SchemaVersion;
    m_databaseId = schema.text(0, 1);
    return true;
}

bool SharedDatabase::push(const QString &station, const QList<HistoryStore::Unshared> &records)
{
    if (records.isEmpty()) {
        return true;
    }
    if (!connect()) {
        return false;
    }
    if (m_newer) {
        return fail(QStringLiteral("newer-schema"),
                    QStringLiteral("the server's tables are of a newer version"));
    }
    // One statement for the batch; a record the server has is completed, not added again. The
    // later repère wins, by the date it was set.
    QByteArray sql(
        "INSERT INTO tensiova_envois (station, local_id, sent_utc, utc_offset, origin, version,"
        " account, computer, port, device, maker, product, serial_number, setup_file, message,"
        " outcome, reason, answer, answer_text, label, label_folded, label_changed_utc, search)"
        " VALUES ");
    QList<ServerValue> values;
    for (const HistoryStore::Unshared &unshared : records) {
        const SendRecord &record = unshared.record;
        const int first = int(values.size());
        values << station << record.id << record.sentAt.toMSecsSinceEpoch()
               << qint64(record.utcOffsetSeconds) << originKey(record.origin)
               << record.programVersion << record.account << record.computer << qint64(record.port)
               << record.device << record.adapter.maker << record.adapter.product
               << record.adapter.serialNumber << record.setupFile << record.message
               << outcomeKey(record.outcome) << record.reason << record.answer << record.answerText
               << record.label << record.label.toLower()
               << (record.labelChangedAt.isValid() ? record.labelChangedAt.toMSecsSinceEpoch()
                                                   : qint64(-1))
               << serverSearchText(record);
        const auto at = [first](int n) {
            return QByteArray("$") + QByteArray::number(first + n);
        };
        sql += (first > 0 ? ",(" : "(") + at(1) + "::text," + at(2) + "::bigint,to_timestamp("
            + at(3) + "::bigint/1000.0)," + at(4) + "::integer";
        for (int n = 5; n <= 23; ++n) {
            const char *type = n == 9 ? "::integer" : (n == 15 || n == 18) ? "::bytea" : "::text";
            sql += n == 22 ? ",to_timestamp(nullif(" + at(n) + "::bigint,-1)/1000.0)"
                           : "," + at(n) + type;
        }
        sql += ")";
    }
    sql += " ON CONFLICT (station, local_id) DO UPDATE SET outcome = excluded.outcome,"
           " reason = excluded.reason, answer = excluded.answer,"
           " answer_text = excluded.answer_text, search = excluded.search,"
           " label = CASE WHEN later THEN excluded.label ELSE tensiova_envois.label END,"
           " label_folded = CASE WHEN later THEN excluded.label_folded"
           " ELSE tensiova_envois.label_folded END,"
           " label_changed_utc = greatest(excluded.label_changed_utc,"
           " tensiova_envois.label_changed_utc)";
    sql.replace("later",
                "coalesce(excluded.label_changed_utc > tensiova_envois.label_changed_utc,"
                " tensiova_envois.label_changed_utc IS NULL)");
    return run(sql, values);
}

bool SharedDatabase::readPage(const QByteArray &sql, const QList<ServerValue> &values,
                              const std::function<bool(const SendRecord &)> &take, int *read,
                              const QByteArray &plannerSetting)
{
    ServerRows rows;
    if (!(plannerSetting.isEmpty()
              ? run(sql, values, &rows)
              : runInTransaction({{plannerSetting, {}}, {sql, values}}, &rows))) {
        return false;
    }
    for (int row = 0; row < rows.count(); ++row) {
        if (!take(recordAt(rows, row))) {
            return true;
        }
        if (read) {
            ++*read;
        }
    }
    return true;
}

bool SharedDatabase::forEach(const HistoryFilter &filter, int limit, qint64 beforeId,
                             const std::function<bool(const SendRecord &)> &take)
{
    if (filter.latestByLabel) {
        return forEachLatestByLabel(filter, limit, take);
    }
    // A long listing comes a page at a time, never whole in memory.
    bool more = true;
    for (int left = limit; more && (limit < 0 || left > 0);) {
        const int page = limit < 0 ? ReadBatch : std::min(left, ReadBatch);
        int read = 0;
        qint64 last = beforeId;
        const auto readRest = [&](QByteArray sql, const QList<ServerValue> &values,
                                  const QByteArray &plannerSetting) {
            sql += " ORDER BY sent_utc DESC, id DESC LIMIT " + QByteArray::number(page - read);
            return readPage(
                sql, values,
                [&](const SendRecord &record) {
                    last = record.id;
                    more = take(record);
                    return more;
                },
                &read, plannerSetting);
        };
        // Right after a bulk import, before the server has gathered its statistics again, the
        // planner took the trigram index for any text and read every record that holds it
        // before the newest: a text that tens of thousands hold took a second. So a text is
        // looked for first among the RecentWindow records that come next by date, and the index
        // is asked only for what they did not fill. The window is read through the date index
        // whatever the statistics say: with those of a table a hundred times smaller, the
        // planner would sort the whole table to find its newest records.
        if (!filter.text.isEmpty()) {
            QList<ServerValue> values;
            QByteArray sql = QByteArray("SELECT ") + Columns
                + " FROM (SELECT * FROM tensiova_envois" + conditions({}, last, values)
                + " ORDER BY sent_utc DESC, id DESC LIMIT " + QByteArray::number(RecentWindow)
                + ") AS tensiova_envois";
            sql += conditions(filter, 0, values);
            if (!readRest(sql, values, "SET LOCAL enable_sort = off")) {
                return false;
            }
        }
        if (more && read < page) {
            QList<ServerValue> values;
            QByteArray sql = QByteArray("SELECT ") + Columns + " FROM tensiova_envois";
            sql += conditions(filter, last, values);
            if (!readRest(sql, values, {})) {
                return false;
            }
        }
        more = more && read == page;
        left -= read;
        beforeId = last;
    }
    return true;
}

qint64 SharedDatabase::count(const HistoryFilter &filter)
{
    if (filter.latestByLabel) {
        qint64 found = 0;
        const bool read = forEachLatestByLabel(filter, -1, [&found](const SendRecord &) {
            ++found;
            return true;
        });
        return read ? found : 0;
    }
    // Counting stops past the limit: a one-letter search would otherwise read every record.
    QList<ServerValue> values;
    ServerRows rows;
    return run("SELECT count(*) FROM (SELECT 1 FROM tensiova_envois" + conditions(filter, 0, values)
                   + " LIMIT " + QByteArray::number(CountLimit + 1) + ") counted",
               values, &rows)
        ? rows.number(0, 0)
        : 0;
}

std::optional<QList<HistoryStore::IdBlock>> SharedDatabase::idBlocks(const QString &station,
                                                                     qint64 size)
{
    ServerRows rows;
    if (!run("SELECT local_id / $2::bigint, count(*), sum(local_id) FROM tensiova_envois"
             " WHERE station = $1 GROUP BY 1 ORDER BY 1",
             {station, size}, &rows)) {
        return std::nullopt;
    }
    QList<HistoryStore::IdBlock> blocks;
    for (int row = 0; row < rows.count(); ++row) {
        blocks.append({rows.number(row, 0), rows.number(row, 1), rows.number(row, 2)});
    }
    return blocks;
}

std::optional<QList<qint64>> SharedDatabase::localIds(const QString &station, qint64 from,
                                                      qint64 to)
{
    ServerRows rows;
    if (!run("SELECT local_id FROM tensiova_envois WHERE station = $1"
             " AND local_id >= $2::bigint AND local_id < $3::bigint",
             {station, from, to}, &rows)) {
        return std::nullopt;
    }
    QList<qint64> ids;
    for (int row = 0; row < rows.count(); ++row) {
        ids.append(rows.number(row, 0));
    }
    return ids;
}

std::optional<SendRecord> SharedDatabase::record(qint64 id)
{
    ServerRows rows;
    if (!run(QByteArray("SELECT ") + Columns + " FROM tensiova_envois WHERE id = $1::bigint", {id},
             &rows)
        || rows.count() == 0) {
        return std::nullopt;
    }
    return recordAt(rows, 0);
}

bool SharedDatabase::forEachLatestByLabel(const HistoryFilter &filter, int limit,
                                          const std::function<bool(const SendRecord &)> &take)
{
    // Each repère found by a skip through its index, then its latest record: a few thousand
    // index probes rather than a pass over every record. The skip goes in the repères' order and
    // stops once the page is full; the page alone is sorted.
    QList<ServerValue> values {filter.afterLabel};
    const QByteArray where = conditions(filter, 0, values);
    const QByteArray sql = QByteArray("WITH RECURSIVE labels(label) AS ("
                                      " (SELECT label FROM tensiova_envois WHERE label > $1::text"
                                      " AND label > '' ORDER BY label LIMIT 1)"
                                      " UNION ALL SELECT (SELECT e.label FROM tensiova_envois e"
                                      " WHERE e.label > l.label ORDER BY e.label LIMIT 1)"
                                      " FROM labels l WHERE l.label IS NOT NULL),"
                                      " latest AS (SELECT e.* FROM labels, LATERAL (SELECT *"
                                      " FROM tensiova_envois e WHERE e.label = labels.label"
                                      " ORDER BY sent_utc DESC, id DESC LIMIT 1) e"
                                      " WHERE labels.label IS NOT NULL) SELECT * FROM (SELECT ")
        + Columns + " FROM latest" + where
        + (limit >= 0 ? " LIMIT " + QByteArray::number(limit) : QByteArray())
        + ") page ORDER BY label";
    return readPage(sql, values, take);
}

} // namespace Tensiova
