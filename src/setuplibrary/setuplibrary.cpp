#include "setuplibrary/setuplibrary.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace Tensiova {

namespace {

// Times travel as milliseconds since 1970 (UTC); a name is found by its digest's index, then
// compared whole.
constexpr const char *VersionColumns =
    "SELECT r.name, v.number, array_to_json(v.entries)::text, v.message, v.comment, v.author,"
    " round(extract(epoch FROM v.proposed_utc) * 1000)::bigint, v.state,"
    " coalesce(v.decided_by, ''),"
    " coalesce(round(extract(epoch FROM v.decided_utc) * 1000), -1)::bigint, v.reason"
    " FROM tensiova_reglage_versions v JOIN tensiova_reglages r ON r.id = v.setup_id";
constexpr const char *NamedSetup = "md5(r.name) = md5($1::text) AND r.name = $1::text";

QDateTime fromMilliseconds(qint64 milliseconds)
{
    return milliseconds < 0 ? QDateTime() : QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC);
}

SetupVersion versionAt(const ServerRows &rows, int row)
{
    SetupVersion version;
    version.name = rows.text(row, 0);
    version.number = int(rows.number(row, 1));
    for (const QJsonValue &entry : QJsonDocument::fromJson(rows.text(row, 2).toUtf8()).array()) {
        version.entries.append(entry.toString());
    }
    version.message = rows.bytes(row, 3);
    version.comment = rows.text(row, 4);
    version.author = rows.text(row, 5);
    version.proposedAt = fromMilliseconds(rows.number(row, 6));
    version.state = stateFromKey(rows.text(row, 7)).value_or(SetupVersion::State::Proposed);
    version.decidedBy = rows.text(row, 8);
    version.decidedAt = fromMilliseconds(rows.number(row, 9));
    version.reason = rows.text(row, 10);
    return version;
}

QString entriesJson(const QStringList &entries)
{
    return QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(entries)).toJson(QJsonDocument::Compact));
}

} // namespace

SetupLibrary::SetupLibrary(SharedDatabase &database)
    : m_database(database)
{ }

const QString &SetupLibrary::error() const
{
    return m_code.isEmpty() ? m_database.error() : m_error;
}

const QString &SetupLibrary::errorCode() const
{
    return m_code.isEmpty() ? m_database.errorCode() : m_code;
}

bool SetupLibrary::fail(const QString &code, const QString &error)
{
    m_code = code;
    m_error = error;
    return false;
}

bool SetupLibrary::ready()
{
    m_code.clear();
    if (!m_database.connect()) {
        return false;
    }
    return m_database.hasLibrary()
        || fail(QStringLiteral("no-library"),
                QStringLiteral("the server's tables are of a version without the set-up library"));
}

bool SetupLibrary::read(const QByteArray &sql, const QList<ServerValue> &values,
                        QList<SetupVersion> &into)
{
    ServerRows rows;
    if (!ready() || !m_database.run(sql, values, &rows)) {
        return false;
    }
    for (int row = 0; row < rows.count(); ++row) {
        into.append(versionAt(rows, row));
    }
    return true;
}

std::optional<QList<SetupSummary>> SetupLibrary::list()
{
    ServerRows rows;
    if (!ready()
        || !m_database.run(
            "SELECT r.name, coalesce(a.number, 0), "
            " coalesce(round(extract(epoch FROM a.decided_utc) * 1000), -1)::bigint,"
            " coalesce(a.author, ''), c.proposals, c.latest"
            " FROM tensiova_reglages r"
            " LEFT JOIN tensiova_reglage_versions a ON a.setup_id = r.id AND a.state = 'approuvee'"
            " CROSS JOIN LATERAL (SELECT count(*) FILTER (WHERE state = 'proposee') AS proposals,"
            " coalesce(max(number), 0) AS latest FROM tensiova_reglage_versions v"
            " WHERE v.setup_id = r.id) c ORDER BY r.name",
            {}, &rows)) {
        return std::nullopt;
    }
    QList<SetupSummary> setups;
    for (int row = 0; row < rows.count(); ++row) {
        setups.append({rows.text(row, 0), int(rows.number(row, 1)),
                       fromMilliseconds(rows.number(row, 2)), rows.text(row, 3),
                       int(rows.number(row, 4)), int(rows.number(row, 5))});
    }
    return setups;
}

std::optional<QList<SetupVersion>> SetupLibrary::versions(const QString &name)
{
    QList<SetupVersion> found;
    if (!read(QByteArray(VersionColumns) + " WHERE " + NamedSetup + " ORDER BY v.number DESC",
              {name}, found)) {
        return std::nullopt;
    }
    return found;
}

std::optional<SetupVersion> SetupLibrary::version(const QString &name, int number)
{
    QList<SetupVersion> found;
    QList<ServerValue> values {name};
    QByteArray sql = QByteArray(VersionColumns) + " WHERE " + NamedSetup;
    if (number > 0) {
        sql += " AND v.number = $2::integer";
        values.append(qint64(number));
    } else {
        sql += " AND v.state = 'approuvee'";
    }
    if (!read(sql, values, found)) {
        return std::nullopt;
    }
    if (found.isEmpty()) {
        fail(QStringLiteral("no-version"),
             number > 0 ? QStringLiteral("%1 v%2").arg(name).arg(number) : name);
        return std::nullopt;
    }
    return found.front();
}

std::optional<int> SetupLibrary::propose(const QString &name, const SetupDraft &draft,
                                         const QString &comment)
{
    if (!ready()) {
        return std::nullopt;
    }
    ServerRows rows;
    // The set-up is made with its first version, in the same transaction.
    if (!m_database.runInTransaction(
            {{"INSERT INTO tensiova_reglages (name) VALUES ($1::text)"
              " ON CONFLICT ((md5(name))) DO NOTHING",
              {name}},
             {QByteArray("INSERT INTO tensiova_reglage_versions (setup_id, entries, message,"
                         " comment) SELECT r.id, ARRAY(SELECT e FROM"
                         " jsonb_array_elements_text($2::jsonb) WITH ORDINALITY AS t(e, n)"
                         " ORDER BY n), $3::bytea, $4::text FROM tensiova_reglages r WHERE ")
                  + NamedSetup + " RETURNING number",
              {name, entriesJson(draft.entries), draft.message, comment}}},
            &rows)) {
        return std::nullopt;
    }
    if (rows.count() != 1) {
        fail(QStringLiteral("no-setup"), name);
        return std::nullopt;
    }
    return int(rows.number(0, 0));
}

bool SetupLibrary::decide(const QString &name, int number, SetupVersion::State state,
                          const QString &reason)
{
    ServerRows rows;
    if (!ready()
        || !m_database.runInTransaction(
            {{QByteArray("UPDATE tensiova_reglage_versions v SET state = $3::text,"
                         " reason = $4::text FROM tensiova_reglages r WHERE r.id = v.setup_id AND ")
                  + NamedSetup + " AND v.number = $2::integer RETURNING v.number",
              {name, qint64(number), stateKey(state), reason}}},
            &rows)) {
        return false;
    }
    return rows.count() == 1
        || fail(QStringLiteral("no-version"), QStringLiteral("%1 v%2").arg(name).arg(number));
}

bool SetupLibrary::assign(const QString &pattern, const QString &name)
{
    ServerRows rows;
    if (!ready()
        || !m_database.runInTransaction(
            {{QByteArray("INSERT INTO tensiova_attributions (pattern, setup_id) SELECT $2::text,"
                         " r.id FROM tensiova_reglages r WHERE ")
                  + NamedSetup
                  + " ON CONFLICT ((md5(pattern_folded)), is_prefix) DO UPDATE SET"
                    " pattern = excluded.pattern, setup_id = excluded.setup_id RETURNING 1",
              {name, pattern}}},
            &rows)) {
        return false;
    }
    return rows.count() == 1 || fail(QStringLiteral("no-setup"), name);
}

std::optional<QList<SetupVersion>> SetupLibrary::approvedVersions()
{
    QList<SetupVersion> found;
    if (!read(QByteArray(VersionColumns)
                  + " WHERE v.state IN ('approuvee', 'retiree') ORDER BY r.name, v.number",
              {}, found)) {
        return std::nullopt;
    }
    return found;
}

std::optional<QList<SetupAssignment>> SetupLibrary::assignments()
{
    ServerRows rows;
    if (!ready()
        || !m_database.run("SELECT a.pattern, r.name FROM tensiova_attributions a"
                           " JOIN tensiova_reglages r ON r.id = a.setup_id ORDER BY a.pattern",
                           {}, &rows)) {
        return std::nullopt;
    }
    QList<SetupAssignment> found;
    for (int row = 0; row < rows.count(); ++row) {
        found.append({rows.text(row, 0), rows.text(row, 1)});
    }
    return found;
}

std::optional<QString> SetupLibrary::digest()
{
    ServerRows rows;
    if (!ready() || !m_database.run("SELECT revision FROM tensiova_bibliotheque", {}, &rows)) {
        return std::nullopt;
    }
    // Another database's count is another library's.
    return m_database.databaseId() + QLatin1Char('/') + rows.text(0, 0);
}

} // namespace Tensiova
