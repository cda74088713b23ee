#include "figures.h"

#include "history/historystore.h"
#include "sharedhistory/backgroundsharing.h"
#include "testserver.h"

#include <QDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <cstdio>

using namespace Tensiova;

namespace {

constexpr int LongWaitMs = 120000;

// Records of the station the server holds with a local id above the given one.
qint64 heldAbove(const TestServer &server, qint64 localId)
{
    return server
        .query(
            QStringLiteral("SELECT count(*) FROM tensiova_envois WHERE local_id > %1").arg(localId))
        .value_or(QString())
        .toLongLong();
}

} // namespace

void measureFailover(const QString &folder)
{
    TestServer primary;
    if (!primary.start()) {
        std::fprintf(stderr, "no PostgreSQL server: failover not measured (%s)\n",
                     qPrintable(primary.error()));
        return;
    }
    qputenv("XDG_DATA_HOME", QFile::encodeName(QDir(folder).filePath(QStringLiteral("failover"))));
    const QString path = QDir(folder).filePath(QStringLiteral("failover/station.sqlite"));
    HistoryStore store(path);
    qint64 written = 0;
    const auto write = [&] {
        SendRecord record = benchRecord(int(written));
        if (store.append(record)) {
            written = record.id;
        }
    };
    write();
    if (SharedPush(path, {primary.connection()}).run().sent != 1) { // the tables, then the copy
        std::fprintf(stderr, "failover: the primary did not take the first record\n");
        return;
    }
    TestServer standby;
    if (!standby.startStandbyOf(primary)) {
        std::fprintf(stderr, "failover: no standby (%s)\n", qPrintable(standby.error()));
        return;
    }
    const SharedServer both {primary.connectionToEither(standby)};

    // The station sends a record every 200 ms, as a bench programming a gang of devices does.
    BackgroundSharing sharing(path, both);
    QTimer sending;
    QObject::connect(&sending, &QTimer::timeout, [&] {
        write();
        sharing.nudge();
    });
    sending.start(200);
    if (!QTest::qWaitFor([&] { return heldAbove(standby, 10) > 0; }, LongWaitMs)) {
        std::fprintf(stderr, "failover: the standby did not follow the primary\n");
        return;
    }
    QElapsedTimer sinceDeath;
    primary.signalServer(SIGKILL);
    sinceDeath.start();
    const qint64 writtenAtDeath = written;
    if (!standby.promote()) {
        std::fprintf(stderr, "failover: the standby was not promoted (%s)\n",
                     qPrintable(standby.error()));
        return;
    }
    if (!QTest::qWaitFor([&] { return heldAbove(standby, writtenAtDeath) > 0; }, LongWaitMs)) {
        std::fprintf(stderr, "failover: the promoted standby took nothing\n");
        return;
    }
    report("failover_s", milliseconds(sinceDeath) / 1000.0, "s");
}
