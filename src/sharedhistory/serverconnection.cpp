#include "sharedhistory/serverconnection.h"

#include <QThread>

#include <libpq-fe.h>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/select.h>
#endif

#include <array>
#include <vector>

namespace Tensiova {

namespace {

QString trimmed(const char *message)
{
    return QString::fromUtf8(message).trimmed();
}

bool isThisComputer(const QString &host)
{
    return host.isEmpty() || host.startsWith(QLatin1Char('/')) || host == QLatin1String("localhost")
        || host.startsWith(QLatin1String("127.")) || host == QLatin1String("::1");
}

// The value of one option of an open connection, service and defaults included.
QString optionInUse(pg_conn *conn, const char *keyword)
{
    QString value;
    if (PQconninfoOption *options = PQconninfo(conn)) {
        for (PQconninfoOption *option = options; option->keyword; ++option) {
            if (qstrcmp(option->keyword, keyword) == 0 && option->val) {
                value = QString::fromUtf8(option->val);
            }
        }
        PQconninfoFree(options);
    }
    return value;
}

} // namespace

ServerRows::ServerRows(pg_result *result)
    : m_result(result, PQclear)
{ }

int ServerRows::count() const
{
    return m_result ? PQntuples(m_result.get()) : 0;
}

QString ServerRows::text(int row, int column) const
{
    return QString::fromUtf8(PQgetvalue(m_result.get(), row, column),
                             PQgetlength(m_result.get(), row, column));
}

QByteArray ServerRows::bytes(int row, int column) const
{
    // bytea comes as text in its hex form: \x followed by two digits a byte.
    const QByteArray hex(PQgetvalue(m_result.get(), row, column),
                         PQgetlength(m_result.get(), row, column));
    return QByteArray::fromHex(hex.mid(2));
}

qint64 ServerRows::number(int row, int column) const
{
    return QByteArray(PQgetvalue(m_result.get(), row, column)).toLongLong();
}

ConnectionTextProblem connectionTextProblem(const QString &connection)
{
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(connection.toUtf8().constData(), &error);
    if (!options) {
        const QString reason = error ? trimmed(error) : QStringLiteral("out of memory");
        PQfreemem(error);
        return {QStringLiteral("bad-text"), reason};
    }
    bool password = false;
    for (PQconninfoOption *option = options; option->keyword; ++option) {
        password =
            password || (qstrcmp(option->keyword, "password") == 0 && option->val && *option->val);
    }
    PQconninfoFree(options);
    return password
        ? ConnectionTextProblem {QStringLiteral("password-in-text"), QStringLiteral("password")}
        : ConnectionTextProblem {};
}

ServerConnection::ServerConnection() = default;

ServerConnection::~ServerConnection()
{
    close();
}

void ServerConnection::close()
{
    PQfinish(m_conn);
    m_conn = nullptr;
}

bool ServerConnection::stillOpen()
{
    // A server that ends the connection says why, then closes it: the end is read on the
    // second read, after its words.
    for (int read = 0; read < 2 && m_conn; ++read) {
        if (PQconsumeInput(m_conn) == 0 || PQstatus(m_conn) == CONNECTION_BAD) {
            close();
        }
    }
    return isOpen();
}

bool ServerConnection::fail(const QString &error, bool lost)
{
    m_error = error;
    if (lost) {
        close();
    }
    return false;
}

bool ServerConnection::waitSocket(bool forWriting, QDeadlineTimer deadline)
{
    const int socket = PQsocket(m_conn);
    if (socket < 0) {
        return fail(trimmed(PQerrorMessage(m_conn)), true);
    }
#ifndef _WIN32
    // select() cannot watch a descriptor numbered past its set (a program with very many files
    // open): refused rather than written past the set.
    if (socket >= FD_SETSIZE) {
        return fail(QStringLiteral("too many files open to wait for the server"), true);
    }
#endif
    // In short slices, so that a thread asked to stop does not wait for the deadline.
    for (;;) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket, &set);
        const qint64 slice =
            deadline.isForever() ? 200 : std::min<qint64>(deadline.remainingTime(), 200);
        timeval wait {long(slice / 1000), long(slice % 1000) * 1000};
        const int ready = select(socket + 1, forWriting ? nullptr : &set,
                                 forWriting ? &set : nullptr, nullptr, &wait);
        if (ready > 0) {
            break;
        }
        if (deadline.hasExpired() || QThread::currentThread()->isInterruptionRequested()) {
            m_errorCode.clear();
            return fail(QStringLiteral("no answer from the server"), true);
        }
    }
    return true;
}

bool ServerConnection::open(const QString &connection, bool acceptUnencrypted,
                            QDeadlineTimer deadline)
{
    close();
    m_error.clear();
    m_errorCode.clear();
    if (const ConnectionTextProblem problem = connectionTextProblem(connection);
        !problem.code.isEmpty()) {
        m_errorCode = problem.code;
        return fail(problem.detail, false);
    }
    // Ours first: the user's text, expanded in place of dbname, overrides any of them.
    const QByteArray text = connection.toUtf8();
    const std::array<const char *, 9> keywords {
        "connect_timeout",     "keepalives",       "keepalives_idle",
        "keepalives_interval", "keepalives_count", "tcp_user_timeout",
        "application_name",    "dbname",           nullptr};
    const QByteArray timeout = QByteArray::number(ConnectTimeoutS);
    const std::array<const char *, 9> values {
        timeout.constData(), "1", "10", "5", "3", "15000", "Tensiova", text.constData(), nullptr};
    m_conn = PQconnectStartParams(keywords.data(), values.data(), 1);
    if (!m_conn) {
        return fail(QStringLiteral("out of memory"), true);
    }
    for (PostgresPollingStatusType state = PGRES_POLLING_WRITING; state != PGRES_POLLING_OK;) {
        if (state == PGRES_POLLING_FAILED || PQstatus(m_conn) == CONNECTION_BAD) {
            m_errorCode = QStringLiteral("connection");
            return fail(trimmed(PQerrorMessage(m_conn)), true);
        }
        if (!waitSocket(state == PGRES_POLLING_WRITING, deadline)) {
            return false;
        }
        state = PQconnectPoll(m_conn);
    }
    const int version = PQserverVersion(m_conn);
    m_identity.version = QStringLiteral("%1.%2").arg(version / 10000).arg(version % 10000);
    m_identity.host = QString::fromUtf8(PQhost(m_conn));
    m_identity.port = QString::fromUtf8(PQport(m_conn));
    m_identity.encrypted = PQsslInUse(m_conn) != 0;
    const QString sslMode = optionInUse(m_conn, "sslmode");
    m_identity.certificateChecked = m_identity.encrypted
        && (sslMode == QLatin1String("verify-ca") || sslMode == QLatin1String("verify-full"));
    if (!isThisComputer(m_identity.host) && !m_identity.encrypted && !acceptUnencrypted) {
        m_errorCode = QStringLiteral("unencrypted");
        return fail(m_identity.host, true);
    }
    // Sending never blocks either: what does not go at once waits for the socket, with the rest.
    PQsetnonblocking(m_conn, 1);
    return true;
}

bool ServerConnection::begin()
{
    m_error.clear();
    m_errorCode.clear();
    return m_conn || fail(QStringLiteral("not connected"), true);
}

bool ServerConnection::run(const QByteArray &sql, const QList<ServerValue> &values,
                           QDeadlineTimer deadline, ServerRows *rows)
{
    if (!begin()) {
        return false;
    }
    // Texts and numbers as text, bytes as bytes: the server never reads a value as SQL.
    std::vector<QByteArray> data;
    std::vector<const char *> pointers;
    std::vector<int> lengths;
    std::vector<int> formats;
    data.reserve(std::size_t(values.size()));
    for (const ServerValue &value : values) {
        if (const auto *text = std::get_if<QString>(&value)) {
            // A server's text holds no NUL character, and libpq would end the value there.
            data.push_back(QString(*text).replace(QChar(0), QChar::ReplacementCharacter).toUtf8());
            formats.push_back(0);
        } else if (const auto *bytes = std::get_if<QByteArray>(&value)) {
            data.push_back(*bytes);
            formats.push_back(1);
        } else {
            data.push_back(QByteArray::number(std::get<qint64>(value)));
            formats.push_back(0);
        }
        pointers.push_back(data.back().constData());
        lengths.push_back(int(data.back().size()));
    }
    if (!PQsendQueryParams(m_conn, sql.constData(), int(values.size()), nullptr, pointers.data(),
                           lengths.data(), formats.data(), 0)) {
        return fail(trimmed(PQerrorMessage(m_conn)), PQstatus(m_conn) == CONNECTION_BAD);
    }
    return collect(deadline, rows);
}

bool ServerConnection::runScript(const QByteArray &sql, QDeadlineTimer deadline)
{
    if (!begin()) {
        return false;
    }
    if (!PQsendQuery(m_conn, sql.constData())) {
        return fail(trimmed(PQerrorMessage(m_conn)), PQstatus(m_conn) == CONNECTION_BAD);
    }
    return collect(deadline, nullptr);
}

bool ServerConnection::collect(QDeadlineTimer deadline, ServerRows *rows)
{
    for (int flushed = PQflush(m_conn); flushed != 0; flushed = PQflush(m_conn)) {
        if (flushed < 0 || !waitSocket(true, deadline)) {
            return m_conn ? fail(trimmed(PQerrorMessage(m_conn)), true) : false;
        }
    }
    bool succeeded = true;
    // Each result, and the end of them all, is read only once it has come in whole.
    for (;;) {
        while (PQisBusy(m_conn)) {
            if (!waitSocket(false, deadline)) {
                return false;
            }
            if (!PQconsumeInput(m_conn)) {
                return fail(trimmed(PQerrorMessage(m_conn)), true);
            }
        }
        pg_result *result = PQgetResult(m_conn);
        if (!result) {
            break;
        }
        const ExecStatusType status = PQresultStatus(result);
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
            if (rows) {
                *rows = ServerRows(result);
                continue;
            }
        } else if (succeeded) {
            succeeded = false;
            m_error = trimmed(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
            if (m_error.isEmpty()) {
                m_error = trimmed(PQerrorMessage(m_conn));
            }
            m_errorCode = QString::fromLatin1(PQresultErrorField(result, PG_DIAG_SQLSTATE));
        }
        PQclear(result);
    }
    if (!succeeded) {
        // Class 08: the connection; 57P: the server going away.
        const bool lost = PQstatus(m_conn) == CONNECTION_BAD
            || m_errorCode.startsWith(QLatin1String("08"))
            || m_errorCode.startsWith(QLatin1String("57P"));
        return fail(m_error, lost);
    }
    return true;
}

} // namespace Tensiova
