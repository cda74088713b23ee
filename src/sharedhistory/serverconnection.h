#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QString>

#include <memory>
#include <variant>

struct pg_conn;
struct pg_result;

namespace Tensiova {

// A value handed to the server apart from the statement's text: never spliced into it.
using ServerValue = std::variant<QString, QByteArray, qint64>;

// A statement's rows, as text (bytea columns decoded by bytes()).
class ServerRows
{
public:
    ServerRows() = default;
    explicit ServerRows(pg_result *result);
    int count() const;
    QString text(int row, int column) const;
    QByteArray bytes(int row, int column) const;
    qint64 number(int row, int column) const;

private:
    std::shared_ptr<pg_result> m_result;
};

// What the connection is: said by "Essayer" and by the status line's tip.
struct ServerIdentity
{
    QString version; // "15.18"
    QString host; // as libpq reached it: of several, the one that answered
    QString port;
    bool encrypted = false;
    bool certificateChecked = false; // sslmode verify-ca or verify-full
};

// One connection to the workshop's PostgreSQL server through libpq, used by one thread at a time.
// Every wait has its deadline: connecting and each statement run through libpq's asynchronous
// calls, so that a server that stops answering costs at most the time given, never a hang; the
// connection is then closed and made anew at the next call.
class ServerConnection
{
public:
    static constexpr int ConnectTimeoutS = 5;

    ServerConnection();
    ~ServerConnection();
    ServerConnection(const ServerConnection &) = delete;
    ServerConnection &operator=(const ServerConnection &) = delete;

    // The user's connection text (libpq's key = value, a postgresql:// URI or service=NAME), with
    // the program's timeouts and keep-alives unless the text sets its own. acceptUnencrypted: the
    // user accepted that records cross the network in clear to another computer.
    bool open(const QString &connection, bool acceptUnencrypted, QDeadlineTimer deadline);
    void close();
    bool isOpen() const { return m_conn != nullptr; }
    // Open, and not ended by the server since (restarted, its database dropped, its process
    // killed): an ended connection is closed here without waiting, so that it can be made again.
    bool stillOpen();
    const ServerIdentity &identity() const { return m_identity; }

    // Runs one statement with its values; false when it failed or the deadline passed (the
    // connection is then closed). rows: what it returned.
    bool run(const QByteArray &sql, const QList<ServerValue> &values, QDeadlineTimer deadline,
             ServerRows *rows = nullptr);
    // Runs several statements separated by semicolons, without values (a script of our own).
    bool runScript(const QByteArray &sql, QDeadlineTimer deadline);
    // The failure's words, as libpq or the server gave them, and its SQLSTATE ("42501").
    const QString &error() const { return m_error; }
    const QString &errorCode() const { return m_errorCode; }

private:
    bool begin(); // a statement may be sent: connected, the last failure forgotten
    bool collect(QDeadlineTimer deadline, ServerRows *rows);
    bool fail(const QString &error, bool lost);
    bool waitSocket(bool forWriting, QDeadlineTimer deadline);

    pg_conn *m_conn = nullptr;
    ServerIdentity m_identity;
    QString m_error;
    QString m_errorCode;
};

// Why libpq would refuse the text ("bad-text", with libpq's words), or why the program does
// ("password-in-text": it belongs in the password file). An empty code when it may be used.
struct ConnectionTextProblem
{
    QString code;
    QString detail;
};
ConnectionTextProblem connectionTextProblem(const QString &connection);

} // namespace Tensiova
