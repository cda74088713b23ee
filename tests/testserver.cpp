#include "testserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <signal.h>

namespace {
int serverCount = 0;
}

// The server's account must reach its folder: /tmp is open to every account, where a TMPDIR of
// root's own may not be.
TestServer::TestServer()
    : m_folder(
        QDir(QFileInfo(QStringLiteral("/tmp")).isDir() ? QStringLiteral("/tmp") : QDir::tempPath())
            .filePath(QStringLiteral("tensiova-pg-%1-%2")
                          .arg(QCoreApplication::applicationPid())
                          .arg(++serverCount)))
{ }

TestServer::~TestServer()
{
    if (m_port > 0) {
        script({QStringLiteral("stop"), m_folder});
    }
}

bool TestServer::script(const QStringList &arguments, QString *output)
{
    QProcess process;
    process.start(QStringLiteral(TENSIOVA_PGSERVER), arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        m_error = QString::fromLocal8Bit(process.readAllStandardError());
        return false;
    }
    if (output) {
        *output = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    }
    return true;
}

bool TestServer::start()
{
    QString port;
    if (!script({QStringLiteral("start"), m_folder}, &port)) {
        return false;
    }
    m_port = port.toInt();
    qputenv("PGPASSFILE", QDir(m_folder).filePath(QStringLiteral("pgpass")).toLocal8Bit());
    return m_port > 0;
}

bool TestServer::startStandbyOf(const TestServer &primary)
{
    QString port;
    if (!script({QStringLiteral("standby"), m_folder, primary.folder()}, &port)) {
        return false;
    }
    m_port = port.toInt();
    return m_port > 0;
}

bool TestServer::promote()
{
    return script({QStringLiteral("promote"), m_folder});
}

bool TestServer::halt()
{
    return script({QStringLiteral("halt"), m_folder});
}

bool TestServer::resume()
{
    return script({QStringLiteral("resume"), m_folder});
}

bool TestServer::dump(const QString &database, const QString &file)
{
    return script({QStringLiteral("dump"), m_folder, database, file});
}

bool TestServer::restore(const QString &database, const QString &file)
{
    return script({QStringLiteral("restore"), m_folder, database, file});
}

QString TestServer::connection(const QString &account, const QString &database,
                               const QString &extra) const
{
    return QStringLiteral("host=localhost port=%1 dbname=%2 user=%3 sslmode=verify-full "
                          "sslrootcert=%4 %5")
        .arg(m_port)
        .arg(database, account, QDir(m_folder).filePath(QStringLiteral("ca.crt")), extra)
        .trimmed();
}

std::optional<QString> TestServer::query(const QString &sql, const QString &database) const
{
    QProcess psql;
    psql.start(QStringLiteral("/usr/lib/postgresql/15/bin/psql"),
               {QStringLiteral("-XAtq"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                QString::number(m_port), QStringLiteral("-U"), QStringLiteral("atelier_admin"),
                QStringLiteral("-d"), database, QStringLiteral("-c"), sql});
    // A wait on psql alone: the bench's fill of a million records takes minutes on a busy machine.
    if (!psql.waitForFinished(600000) || psql.exitCode() != 0) {
        qWarning("psql: %s", psql.readAllStandardError().constData());
        return std::nullopt;
    }
    return QString::fromUtf8(psql.readAllStandardOutput()).trimmed();
}

bool TestServer::restart(bool tls)
{
    return script({tls ? QStringLiteral("tls") : QStringLiteral("plain"), m_folder});
}

bool TestServer::signalServer(int signal) const
{
    QFile pidFile(QDir(m_folder).filePath(QStringLiteral("db/postmaster.pid")));
    if (!pidFile.open(QIODevice::ReadOnly)) {
        return false;
    }
    const qint64 pid = pidFile.readLine().trimmed().toLongLong();
    if (pid <= 0) {
        return false;
    }
    // Its children too: the connections already made are served by them.
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &process : processes) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process));
        if (process.toLongLong() > 0 && stat.open(QIODevice::ReadOnly)) {
            // "pid (name) state ppid …": the name may hold blanks, not the closing parenthesis.
            const QByteArray line = stat.readAll();
            const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (fields.value(1).toLongLong() == pid) {
                ::kill(pid_t(process.toLongLong()), signal);
            }
        }
    }
    return ::kill(pid_t(pid), signal) == 0;
}

QString TestServer::connectionToEither(const TestServer &standby) const
{
    return QStringLiteral("host=localhost,localhost port=%1,%2 dbname=atelier user=atelier_admin"
                          " sslmode=verify-full sslrootcert=%3 target_session_attrs=read-write")
        .arg(m_port)
        .arg(standby.port())
        .arg(QDir(m_folder).filePath(QStringLiteral("ca.crt")));
}
