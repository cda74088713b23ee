#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// A real PostgreSQL 15 server for the tests, started by pgserver.sh in a folder of its own, TLS
// with a certificate made for it, and the password file of its accounts given to libpq through
// PGPASSFILE for this process and those it starts. Stopped and removed when it goes.
class TestServer
{
public:
    TestServer();
    ~TestServer();
    TestServer(const TestServer &) = delete;
    TestServer &operator=(const TestServer &) = delete;

    bool start();
    // A standby of primary, following it by streaming replication on a port of its own.
    bool startStandbyOf(const TestServer &primary);
    bool promote();
    // Stopped, its files kept; started again.
    bool halt();
    bool resume();
    // pg_dump of the database into file; the database dropped and restored from it.
    bool dump(const QString &database, const QString &file);
    bool restore(const QString &database, const QString &file);
    const QString &error() const { return m_error; }
    const QString &folder() const { return m_folder; }
    int port() const { return m_port; }

    // To the database as the account, the server's certificate checked against the test's
    // authority; extra options after.
    QString connection(const QString &account = QStringLiteral("atelier_admin"),
                       const QString &database = QStringLiteral("atelier"),
                       const QString &extra = {}) const;
    // To this server or its standby, whichever takes writes, as the stations of a workshop with
    // a standby connect.
    QString connectionToEither(const TestServer &standby) const;
    // What psql prints (unaligned, tuples only) for the statements, as the administrator; nothing
    // when they failed.
    std::optional<QString> query(const QString &sql,
                                 const QString &database = QStringLiteral("atelier")) const;
    // Started again, with or without TLS.
    bool restart(bool tls);
    // A signal to the server's processes (SIGSTOP, SIGKILL): the main one and its children.
    bool signalServer(int signal) const;

private:
    bool script(const QStringList &arguments, QString *output = nullptr);

    QString m_folder;
    QString m_error;
    int m_port = 0;
};
