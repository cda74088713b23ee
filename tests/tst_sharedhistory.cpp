#include "testdata.h"
#include "testserver.h"
#include "windowfixture.h"

#include "../tools/common/heartbeat.h"
#include "app/dialogs/sharedhistorydialog.h"
#include "app/historywindow/historywindow.h"
#include "app/sentences/sharingmessages.h"
#include "history/historyrecorder.h"
#include "history/historystore.h"
#include "scripteduserdialogs.h"
#include "sharedhistory/backgroundsharing.h"
#include "sharedhistory/sharedpush.h"
#include "sharedhistory/sharedserversetting.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <future>
#include <signal.h>
#include <thread>

using namespace Tensiova;

namespace {

// The event loop while the server fails: the window's budget (the sanitizer runs a few times
// slower).
#ifdef __SANITIZE_ADDRESS__
constexpr qint64 LongestPauseMs = 250;
#else
constexpr qint64 LongestPauseMs = 100;
#endif

} // namespace

class SharedHistoryTest : public QObject
{
    Q_OBJECT

private:
    TestServer m_server;
    QTemporaryDir m_folder;
    int m_databases = 0;

    // A database of its own for each test, empty.
    QString freshDatabase()
    {
        const QString name = QStringLiteral("essai%1").arg(++m_databases);
        return m_server.query(QStringLiteral("CREATE DATABASE %1").arg(name),
                              QStringLiteral("postgres"))
            ? name
            : QString();
    }
    // Records 1 to count of another station written by SQL, each a second after the one before,
    // its number as its port; search: the SQL of their search text.
    bool writeOthers(const QString &database, int count, const QString &search = "''") const
    {
        return m_server
            .query(QStringLiteral(
                       "INSERT INTO tensiova_envois (station, local_id, sent_utc, utc_offset,"
                       " origin, version, account, computer, port, device, maker, product,"
                       " serial_number, setup_file, message, outcome, reason, answer,"
                       " answer_text, label, label_folded, search)"
                       " SELECT 'autre', n, now() + n * interval '1 second', 0, 'script', '',"
                       " '', '', n, '', '', '', '', '', '', 'answered', '', '', '', '', '', %2"
                       " FROM generate_series(1, %1) n")
                       .arg(count)
                       .arg(search),
                   database)
            .has_value();
    }
    QString historyPath(const QString &name) const
    {
        return m_folder.filePath(name + QStringLiteral(".sqlite"));
    }
    // A station's history with count records, numbered from first.
    static bool writeRecords(const QString &path, int count, int first = 0)
    {
        HistoryStore store(path);
        for (int n = first; n < first + count; ++n) {
            SendRecord record = sampleRecord(n);
            if (!store.append(record)) {
                return false;
            }
        }
        return true;
    }
    // Written from another thread while the loop turns: the test's own disk writes, slow on a
    // busy machine, are no pause of the program's.
    static bool writeRecordsAside(const QString &path, int count, int first)
    {
        std::future<bool> written =
            std::async(std::launch::async, [=] { return writeRecords(path, count, first); });
        return QTest::qWaitFor(
                   [&] {
                       return written.wait_for(std::chrono::seconds(0))
                           == std::future_status::ready;
                   },
                   LongWaitMs)
            && written.get();
    }
    qint64 serverCount(const QString &database, const QString &where = QStringLiteral("true"))
    {
        return m_server
            .query(QStringLiteral("SELECT count(*) FROM tensiova_envois WHERE ") + where, database)
            .value_or(QStringLiteral("-1"))
            .toLongLong();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        QVERIFY2(m_server.start(), qPrintable(m_server.error()));
    }

    void recordsReachTheServerOnceAsTheyStand()
    {
        const QString database = freshDatabase();
        const QString path = historyPath(QStringLiteral("once"));
        // Beyond a read batch: a long listing comes from the server a batch at a time.
        const int records = SharedDatabase::ReadBatch + 100;
        QVERIFY(writeRecords(path, records));
        SharedPush push(path, {m_server.connection(QStringLiteral("atelier_admin"), database)});
        SharingState state = push.run();
        QVERIFY2(!state.failed, qPrintable(state.reason));
        QCOMPARE(state.sent, records);
        QCOMPARE(state.waiting, 0);
        QVERIFY(state.server.encrypted);
        QVERIFY(state.server.certificateChecked);
        QCOMPARE(state.server.version.section(QLatin1Char('.'), 0, 0), QStringLiteral("15"));
        QCOMPARE(serverCount(database), records);
        // The answer's NUL byte, which a server's text cannot hold, is the replacement character
        // in the server's copy of the text, not its end.
        QCOMPARE(
            serverCount(database, QStringLiteral("answer_text = E'OK\\r\\n' || chr(65533) || 'é'")),
            records);

        // Every field comes back as the station wrote it.
        HistoryStore local(path);
        const QList<SendRecord> mine = local.records({});
        const QList<SendRecord> shared = push.database().records({});
        QCOMPARE(shared.size(), mine.size());
        for (int n = 0; n < mine.size(); ++n) {
            SendRecord fromServer = shared.at(n);
            fromServer.id = mine.at(n).id;
            QCOMPARE(fromServer, mine.at(n));
        }

        // Killed after the server's commit, before its own marks: sent again, kept once.
        QVERIFY(local.followSharedDatabase(QStringLiteral("un autre serveur")));
        QCOMPARE(local.unsharedCount(), records);
        state = push.run();
        QCOMPARE(state.sent, records);
        QCOMPARE(serverCount(database), records);
        QCOMPARE(push.run().sent, 0);

        // The workshop's server made anew: the station's next record brings the whole history.
        const QString anew = freshDatabase();
        QVERIFY(writeRecords(path, 1, records));
        state =
            SharedPush(path, {m_server.connection(QStringLiteral("atelier_admin"), anew)}).run();
        QCOMPARE(state.sent, records + 1);
        QCOMPARE(serverCount(anew), records + 1);
    }

    void answersAndLaterLabelsFollow()
    {
        const QString database = freshDatabase();
        const QString path = historyPath(QStringLiteral("follow"));
        QVERIFY(writeRecords(path, 3));
        SharedPush push(path, {m_server.connection(QStringLiteral("atelier_admin"), database)});
        QCOMPARE(push.run().sent, 3);

        HistoryStore local(path);
        SendRecord first = *local.record(1);
        first.outcome = SendRecord::Outcome::NoAnswer;
        first.answer.clear();
        first.answerText.clear();
        first.appendAnswer("ALARME\r\n");
        QVERIFY(local.updateAnswer(first));
        QVERIFY(local.setLabel(2, QStringLiteral("Armoire 12")));
        QCOMPARE(local.unsharedCount(), 2);
        QCOMPARE(push.run().sent, 2);
        QCOMPARE(serverCount(database, QStringLiteral("answer = 'ALARME\r\n'::bytea")), 1);
        QCOMPARE(serverCount(database, QStringLiteral("label = 'Armoire 12'")), 1);

        // The server's repère set later than the station's change stays.
        QVERIFY(m_server.query(QStringLiteral("UPDATE tensiova_envois SET label = 'Armoire 13',"
                                              " label_changed_utc = now() + interval '1 hour'"
                                              " WHERE local_id = 3"),
                               database));
        QVERIFY(local.setLabel(3, QStringLiteral("plus ancien")));
        QCOMPARE(push.run().sent, 1);
        QCOMPARE(serverCount(database, QStringLiteral("label = 'Armoire 13'")), 1);
        QCOMPARE(serverCount(database, QStringLiteral("label = 'plus ancien'")), 0);
    }

    void refusedWithTheReasonNothingLost_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QString>("passwordFile");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("reason");
        QTest::newRow("password in the text")
            << QStringLiteral("password=secret") << QString() << QStringLiteral("password-in-text")
            << QStringLiteral("password");
        QTest::newRow("wrong password")
            << QString() << QStringLiteral("wrong") << QStringLiteral("connection")
            << QStringLiteral("password authentication failed");
        QTest::newRow("no password file")
            << QString() << QStringLiteral("none") << QStringLiteral("connection")
            << QStringLiteral("no password supplied");
        QTest::newRow("certificate for another name")
            << QStringLiteral("host=autre.example hostaddr=127.0.0.1") << QString()
            << QStringLiteral("connection") << QStringLiteral("does not match host name");
        QTest::newRow("certificate of another authority")
            << QStringLiteral("sslrootcert=%1/wrong-ca.crt") << QString()
            << QStringLiteral("connection") << QStringLiteral("certificate verify failed");
    }

    void refusedWithTheReasonNothingLost()
    {
        QFETCH(QString, extra);
        QFETCH(QString, passwordFile);
        QFETCH(QString, code);
        QFETCH(QString, reason);
        const QString path = historyPath(QStringLiteral("refused-%1").arg(QTest::currentDataTag()));
        QVERIFY(writeRecords(path, 2));
        const QByteArray goodPasswords = qgetenv("PGPASSFILE");
        if (passwordFile == QLatin1String("wrong")) {
            const QString wrong = m_folder.filePath(QStringLiteral("wrong-pgpass"));
            writeBytes(wrong, "*:*:*:*:pas-le-bon\n");
            QFile::setPermissions(wrong, QFile::ReadOwner | QFile::WriteOwner);
            qputenv("PGPASSFILE", wrong.toLocal8Bit());
        } else if (passwordFile == QLatin1String("none")) {
            qputenv("PGPASSFILE", m_folder.filePath(QStringLiteral("absent")).toLocal8Bit());
        }
        SharedPush push(
            path,
            {m_server.connection(QStringLiteral("atelier_admin"), QStringLiteral("atelier"),
                                 QString(extra).replace(QLatin1String("%1"), m_server.folder()))});
        const SharingState state = push.run();
        qputenv("PGPASSFILE", goodPasswords);
        QVERIFY(state.failed);
        QCOMPARE(state.code, code);
        QVERIFY2(state.reason.contains(reason), qPrintable(state.reason));
        QCOMPARE(state.waiting, 2);
        QCOMPARE(state.sent, 0);
    }

    void unencryptedLinkToAnotherComputerNeedsConsent()
    {
        const QString path = historyPath(QStringLiteral("unencrypted"));
        QVERIFY(writeRecords(path, 1));
        // Another computer's name, reached at this one's address, in clear.
        const QString inClear =
            QStringLiteral("host=autre.example hostaddr=127.0.0.1 port=%1 dbname=atelier "
                           "user=atelier_admin sslmode=disable")
                .arg(m_server.port());
        SharedPush refused(path, {inClear});
        SharingState state = refused.run();
        QVERIFY(state.failed);
        QCOMPARE(state.code, QStringLiteral("unencrypted"));
        QCOMPARE(state.waiting, 1);
        // Tried again, still refused: the link in clear was closed, not kept for the next try.
        QCOMPARE(refused.run().code, QStringLiteral("unencrypted"));
        QVERIFY(SharingMessages::reason(state).contains(QStringLiteral("autre.example")));
        state = SharedPush(path, {inClear, true}).run();
        QVERIFY2(!state.failed, qPrintable(state.reason));
        QVERIFY(!state.server.encrypted);
        QCOMPARE(state.waiting, 0);
    }

    void serverWithoutTlsRefusedWhenVerificationIsAsked()
    {
        const QString path = historyPath(QStringLiteral("plain"));
        QVERIFY(writeRecords(path, 1));
        QVERIFY2(m_server.restart(false), qPrintable(m_server.error()));
        SharedPush push(path, {m_server.connection()});
        const SharingState state = push.run();
        QVERIFY2(m_server.restart(true), qPrintable(m_server.error()));
        QVERIFY(state.failed);
        QVERIFY2(state.reason.contains(QLatin1String("SSL")), qPrintable(state.reason));
        QCOMPARE(state.waiting, 1);
        QVERIFY(!push.run().failed);
    }

    void stationRoleMayAddAndCompleteButNotCreateOrDelete()
    {
        const QString database = freshDatabase();
        const QString path = historyPath(QStringLiteral("role"));
        QVERIFY(writeRecords(path, 2));
        // Before the administrator made the tables, the station's account cannot.
        SharedPush station(path, {m_server.connection(QStringLiteral("poste"), database)});
        SharingState state = station.run();
        QVERIFY(state.failed);
        QCOMPARE(state.code, QStringLiteral("no-schema"));
        QCOMPARE(state.waiting, 2);

        QVERIFY(SharedDatabase({m_server.connection(QStringLiteral("atelier_admin"), database)})
                    .connect());
        QVERIFY(m_server.query(QStringLiteral("GRANT tensiova_poste TO poste"), database));
        state = station.run();
        QVERIFY2(!state.failed, qPrintable(state.reason));
        QCOMPARE(state.sent, 2);
        HistoryStore local(path);
        QVERIFY(local.setLabel(1, QStringLiteral("Poste 4")));
        QVERIFY(!station.run().failed);
        QCOMPARE(serverCount(database, QStringLiteral("label = 'Poste 4'")), 1);

        ServerConnection asStation;
        QVERIFY(asStation.open(m_server.connection(QStringLiteral("poste"), database), false,
                               QDeadlineTimer(LongWaitMs)));
        QVERIFY(!asStation.run("DELETE FROM tensiova_envois", {}, QDeadlineTimer(LongWaitMs)));
        QCOMPARE(asStation.errorCode(), QStringLiteral("42501"));
        QVERIFY(!asStation.run("UPDATE tensiova_envois SET message = ''", {},
                               QDeadlineTimer(LongWaitMs)));
        QCOMPARE(serverCount(database), 2);
    }

    void newerSchemaIsReadNeverWritten()
    {
        const QString database = freshDatabase();
        const QString path = historyPath(QStringLiteral("newer"));
        QVERIFY(writeRecords(path, 2));
        SharedPush push(path, {m_server.connection(QStringLiteral("atelier_admin"), database)});
        QCOMPARE(push.run().sent, 2);
        QVERIFY(
            m_server.query(QStringLiteral("UPDATE tensiova_schema SET version = 99"), database));
        QVERIFY(writeRecords(path, 1, 10));
        SharedPush later(path, {m_server.connection(QStringLiteral("atelier_admin"), database)});
        const SharingState state = later.run();
        QVERIFY(state.failed);
        QCOMPARE(state.code, QStringLiteral("newer-schema"));
        QCOMPARE(state.waiting, 1);
        QCOMPARE(later.database().count({}), 2);
        QCOMPARE(serverCount(database), 2);
    }

    void hostileTextComesBackExactly_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("search");
        QTest::newRow("statement")
            << QStringLiteral("'); DROP TABLE tensiova_envois; --") << QStringLiteral("'); drop");
        QTest::newRow("quotes") << QStringLiteral("l'armoire \"B\"")
                                << QStringLiteral("l'armoire \"");
        QTest::newRow("backslashes")
            << QStringLiteral("C:\\dossier\\n") << QStringLiteral("dossier\\n");
        QTest::newRow("percent") << QStringLiteral("100 % chargé") << QStringLiteral("0 %");
        QTest::newRow("underscore") << QStringLiteral("poste_3") << QStringLiteral("e_3");
        QTest::newRow("accents, any case")
            << QStringLiteral("Été à Noël") << QStringLiteral("ÉTÉ À");
    }

    void hostileTextComesBackExactly()
    {
        QFETCH(QString, label);
        QFETCH(QString, search);
        const QString database = freshDatabase();
        const QString path = historyPath(QStringLiteral("hostile-%1").arg(m_databases));
        // Near misses beside it: a wildcard or a lost backslash would find them too.
        const QStringList labels {label, QStringLiteral("1000 chargé"), QStringLiteral("poste3"),
                                  QStringLiteral("C:dossiern"), QStringLiteral("larmoire")};
        HistoryStore local(path);
        for (int n = 0; n < labels.size(); ++n) {
            SendRecord record = sampleRecord(n);
            record.label = labels.at(n);
            QVERIFY(local.append(record));
        }
        SharedPush push(path, {m_server.connection(QStringLiteral("atelier_admin"), database)});
        QVERIFY(!push.run().failed);
        HistoryFilter byText;
        byText.text = search;
        HistoryFilter byLabel;
        byLabel.label = search;
        for (const HistoryFilter &filter : {byText, byLabel}) {
            const QList<SendRecord> found = push.database().records(filter);
            QCOMPARE(found.size(), 1);
            QCOMPARE(found.first().label, label);
            QCOMPARE(push.database().count(filter), 1);
        }
        QCOMPARE(serverCount(database), labels.size());
    }

    void latestOfEachLabelAndPagesByDate()
    {
        const QString database = freshDatabase();
        const QString path = historyPath(QStringLiteral("labels"));
        HistoryStore local(path);
        // Sent in the order 0..9, the repères taking turns: the last of each is 9, 7 and 8.
        for (int n = 0; n < 10; ++n) {
            SendRecord record = sampleRecord(n);
            record.label = QStringLiteral("Armoire %1").arg(n % 3);
            QVERIFY(local.append(record));
        }
        SharedPush push(path, {m_server.connection(QStringLiteral("atelier_admin"), database)});
        QVERIFY(!push.run().failed);
        for (HistorySource *source : {static_cast<HistorySource *>(&local),
                                      static_cast<HistorySource *>(&push.database())}) {
            HistoryFilter byLabel;
            byLabel.latestByLabel = true;
            const QList<SendRecord> latest = source->records(byLabel);
            QCOMPARE(source->count(byLabel), 3);
            QCOMPARE(latest.size(), 3);
            for (int n = 0; n < 3; ++n) {
                QCOMPARE(latest.at(n).label, QStringLiteral("Armoire %1").arg(n));
                QCOMPARE(latest.at(n).sentAt, sampleRecord(9 - (9 - n) % 3).sentAt);
            }
            // Newest first, a page after another.
            const QList<SendRecord> first = source->records({}, 4);
            const QList<SendRecord> next = source->records({}, 4, first.last().id);
            QCOMPARE(first.first().sentAt, sampleRecord(9).sentAt);
            QCOMPARE(next.first().sentAt, sampleRecord(5).sentAt);
            QCOMPARE(source->record(first.at(1).id)->sentAt, sampleRecord(8).sentAt);
        }
    }

    // A search first reads through the newest records, then asks the index for the rest: every
    // match comes once, newest first, wherever it lies, a page at a time or all at once.
    void searchFindsEachMatchOnceWhereverItLies_data()
    {
        QTest::addColumn<int>("every"); // the n-th records hold the text
        QTest::addColumn<int>("upTo"); // among the records numbered up to this one
        const int records = SharedDatabase::RecentWindow + 5000;
        QTest::newRow("many: the newest fill a page") << 50 << records;
        QTest::newRow("the pages cross into the older") << 150 << records;
        QTest::newRow("few, all older than the newest") << 10 << 100;
    }
    void searchFindsEachMatchOnceWhereverItLies()
    {
        QFETCH(int, every);
        QFETCH(int, upTo);
        const QString database = freshDatabase();
        SharedDatabase shared({m_server.connection(QStringLiteral("atelier_admin"), database)});
        QVERIFY2(shared.connect(), qPrintable(shared.error()));
        const int records = SharedDatabase::RecentWindow + 5000;
        QVERIFY(writeOthers(database, records,
                            QStringLiteral("CASE WHEN n % %1 = 0 AND n <= %2 THEN 'la cible'"
                                           " ELSE 'autre chose' END")
                                .arg(every)
                                .arg(upTo)));
        QList<int> expected; // their numbers, which the test gives as their ports
        for (int n = std::min(records, upTo) / every * every; n > 0; n -= every) {
            expected.append(n);
        }
        HistoryFilter filter;
        filter.text = QStringLiteral("CIBLE");
        const auto numbers = [](const QList<SendRecord> &found) {
            QList<int> ports;
            for (const SendRecord &record : found) {
                ports.append(record.port);
            }
            return ports;
        };
        QCOMPARE(numbers(shared.records(filter)), expected);
        QList<SendRecord> paged;
        for (QList<SendRecord> page = shared.records(filter, HistoryModel::PageSize);
             !page.isEmpty();
             page = shared.records(filter, HistoryModel::PageSize, page.last().id)) {
            paged += page;
        }
        QCOMPARE(numbers(paged), expected);
    }

    void fourStationsAtOnce()
    {
        const QString database = freshDatabase();
        std::vector<std::thread> stations;
        std::array<SharingState, 4> states;
        for (int n = 0; n < 4; ++n) {
            const QString path = historyPath(QStringLiteral("station%1").arg(n));
            QVERIFY(writeRecords(path, 50));
            const SharedServer server {
                m_server.connection(QStringLiteral("atelier_admin"), database)};
            stations.emplace_back([&states, n, path, server] {
                states.at(std::size_t(n)) = SharedPush(path, server).run();
            });
        }
        for (std::thread &station : stations) {
            station.join();
        }
        for (const SharingState &state : states) {
            QVERIFY2(!state.failed, qPrintable(state.reason));
            QCOMPARE(state.sent, 50);
        }
        QCOMPARE(serverCount(database), 200);
        QCOMPARE(
            m_server.query(QStringLiteral("SELECT count(DISTINCT station) FROM tensiova_envois"),
                           database),
            QStringLiteral("4"));
    }

    // The server the workshop's IT set for every user of the computer: used, shown read-only,
    // refused to the command line; one that cannot be used is said, and the user's own applies.
    void serverSetByTheWorkshopsIT()
    {
        QTemporaryDir system;
        const QByteArray configFolders = qgetenv("XDG_CONFIG_DIRS");
        const auto keepFolders = qScopeGuard([&] { qputenv("XDG_CONFIG_DIRS", configFolders); });
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(system.path()) + ":/etc/xdg");
        QVERIFY(QDir().mkpath(system.filePath(QStringLiteral("Tensiova"))));
        const QString policy = system.filePath(QStringLiteral("Tensiova/Tensiova.ini"));
        const auto setPolicy = [&policy](const QString &lines) {
            writeBytes(policy, QStringLiteral("[General]\n%1\n").arg(lines).toUtf8());
        };
        const QString users = QStringLiteral("host=serveur-du-technicien dbname=atelier");
        const QString usersFile = system.filePath(QStringLiteral("historique-partage.ini"));
        QVERIFY(SharedServerSetting::save({users}, usersFile));

        setPolicy(QStringLiteral("ServeurHistorique=\"%1\"").arg(m_server.connection()));
        QCOMPARE(SharedServerSetting::load(usersFile).connection, m_server.connection());
        {
            WindowFixture fixture;
            MainWindow &window = fixture.open();
            QCOMPARE(window.sharing().server().connection, m_server.connection());
            window.n_partage_Click();
            SharedHistoryDialog *dialog = window.sharedHistoryDialog();
            QVERIFY(dialog->findChild<QLineEdit *>(QStringLiteral("Connexion"))->isReadOnly());
            QVERIFY(!dialog->findChild<QCheckBox *>(QStringLiteral("NonChiffre"))->isEnabled());
            const auto *said = dialog->findChild<QLabel *>(QStringLiteral("Politique"));
            QVERIFY(!said->isHidden());
            QVERIFY2(said->text().contains(QStringLiteral("service informatique")),
                     qPrintable(said->text()));
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        QString out;
        QString err;
        QCOMPARE(runProgram(QStringLiteral(PROGRAM), environment,
                            {QStringLiteral("--history-server"), users}, &out, &err),
                 2);
        QVERIFY2(err.contains(QStringLiteral("réglé par le service informatique")),
                 qPrintable(err));
        QCOMPARE(SharedServerSetting::load(usersFile).connection, m_server.connection());

        // Allowed to change: IT's server is only the default of those who set none.
        setPolicy(QStringLiteral("ServeurHistorique=\"%1\"\nServeurHistoriqueModifiable=1")
                      .arg(m_server.connection()));
        QCOMPARE(SharedServerSetting::load(usersFile).connection, users);
        QVERIFY(SharedServerSetting::save({}, usersFile));
        QCOMPARE(SharedServerSetting::load(usersFile).connection, m_server.connection());

        // A password in IT's text, or a value of the wrong kind: none of it applies, and why is
        // said, on the command line and in the window's journal.
        QVERIFY(SharedServerSetting::save({users}, usersFile));
        for (const QString &lines :
             {QStringLiteral("ServeurHistorique=\"host=serveur password=secret\""),
              QStringLiteral("ServeurHistorique=\"host=serveur\"\nNonChiffreAccepte=oui")}) {
            setPolicy(lines);
            const SharedServerChoice chosen = SharedServerSetting::choice(usersFile);
            QCOMPARE(chosen.server.connection, users);
            QVERIFY(chosen.changeable);
            const QString problem = SharingMessages::policyProblem(chosen);
            QVERIFY2(problem.startsWith(QStringLiteral("Le réglage du service informatique")),
                     qPrintable(problem));
            WindowFixture fixture;
            MainWindow &window = fixture.open();
            bool told = false;
            for (int n = 0; n < window.journal().size(); ++n) {
                told = told || window.journal().at(n).cause == problem;
            }
            QVERIFY2(told, qPrintable(problem));
        }
    }

    void commandLineSetsPushesAndReads()
    {
        const QString database = freshDatabase();
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
        const auto tensiova = [&](const QStringList &arguments, QString *out = nullptr,
                                  QString *err = nullptr) {
            return runProgram(QStringLiteral(PROGRAM), environment, arguments, out, err);
        };
        QString out;
        QString err;
        QCOMPARE(tensiova({QStringLiteral("--history-server"),
                           m_server.connection(QStringLiteral("atelier_admin"), database,
                                               QStringLiteral("password=secret"))},
                          &out, &err),
                 2);
        QVERIFY2(err.contains(QLatin1String("mot de passe")), qPrintable(err));
        QCOMPARE(tensiova({QStringLiteral("--history"), QStringLiteral("--push")}), 2);

        QVERIFY(writeRecords(home.filePath(QStringLiteral("tensiova/historique.sqlite")), 3));
        QCOMPARE(tensiova({QStringLiteral("--history-server"),
                           m_server.connection(QStringLiteral("atelier_admin"), database)},
                          &out),
                 0);
        QVERIFY2(out.contains(QStringLiteral("certificat vérifié")), qPrintable(out));
        QCOMPARE(tensiova({QStringLiteral("--history"), QStringLiteral("--push")}, &out), 0);
        QVERIFY2(out.startsWith(QLatin1String("3 ")), qPrintable(out));
        QCOMPARE(serverCount(database), 3);
        QCOMPARE(tensiova({QStringLiteral("--history"), QStringLiteral("--shared"),
                           QStringLiteral("--by-label"), QStringLiteral("--csv")},
                          &out),
                 0);
        QCOMPARE(out.count(QLatin1String("\r\n")), 4); // the header and three repères
        QVERIFY(out.contains(QLatin1String("POSTE-ATELIER")));
        QCOMPARE(tensiova({QStringLiteral("--history"), QStringLiteral("--shared")}, &out), 0);
        QCOMPARE(out.count(QLatin1String("  |  POSTE-ATELIER (technicien)  |  ")), 3);
        // Records the server lost (restored from an older backup) are found and sent again.
        const QStringList verify {QStringLiteral("--history"), QStringLiteral("--push"),
                                  QStringLiteral("--verify")};
        QVERIFY(m_server.query(QStringLiteral("DELETE FROM tensiova_envois WHERE local_id <> 2"),
                               database));
        QCOMPARE(tensiova(verify, &out), 0);
        QVERIFY2(out.startsWith(QStringLiteral("2 envois de ce poste manquaient au serveur "
                                               "(restauré, ou repris par son secours) : ils y "
                                               "sont de nouveau.\n2 envoi(s) copié(s)")),
                 qPrintable(out));
        QCOMPARE(serverCount(database), 3);
        QCOMPARE(tensiova(verify, &out), 0);
        QVERIFY2(out.startsWith(QStringLiteral("Le serveur a tous les envois de ce poste.\n")),
                 qPrintable(out));
        QCOMPARE(tensiova({QStringLiteral("--history"), QStringLiteral("--verify")}, &out, &err),
                 2);

        // "--send" hands its record over at once, whatever the device did (here: no port).
        const QStringList send {
            QStringLiteral("--send"),     testDataPath(QStringLiteral("worked-example.ini")),
            QStringLiteral("--port"),     home.filePath(QStringLiteral("absent")),
            QStringLiteral("--settings"), home.path(),
            QStringLiteral("--label"),    QStringLiteral("Armoire 12")};
        QCOMPARE(tensiova(send, &out, &err), 4);
        QCOMPARE(serverCount(database, QStringLiteral("label = 'Armoire 12'")), 1);
        QVERIFY2(!err.contains(QStringLiteral("en attente")), qPrintable(err));

        // A server gone: the records wait and the push says so.
        QVERIFY(writeRecords(home.filePath(QStringLiteral("tensiova/historique.sqlite")), 1, 3));
        QCOMPARE(tensiova({QStringLiteral("--history-server"),
                           QStringLiteral("host=127.0.0.1 port=1 dbname=atelier")},
                          &out, &err),
                 1);
        QCOMPARE(tensiova(send, &out, &err), 4); // what the device did, not the server
        QVERIFY2(err.contains(QStringLiteral("en attente")), qPrintable(err));
        QCOMPARE(tensiova({QStringLiteral("--history"), QStringLiteral("--push")}, &out, &err), 1);
        QVERIFY2(out.contains(QLatin1String("2 envois en attente")), qPrintable(out));
        QVERIFY2(err.startsWith(QLatin1String("Connexion au serveur impossible")), qPrintable(err));
        QCOMPARE(tensiova({QStringLiteral("--history"), QStringLiteral("--shared")}, &out, &err),
                 1);
        QVERIFY2(err.startsWith(QStringLiteral("L'historique partagé n'a pas pu être lu en entier "
                                               "(Connexion au serveur impossible")),
                 qPrintable(err));
        QCOMPARE(tensiova({QStringLiteral("--history-server"), QString()}, &out), 0);
        QVERIFY(!QFile::exists(home.filePath(QStringLiteral("tensiova/historique-partage.ini"))));
    }

    void windowTakesTheLabelAndReadsTheWorkshop()
    {
        const QString database = freshDatabase();
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *label = fixture.find<QLineEdit>(QStringLiteral("Repere"));
        QVERIFY(label);
        // A scanner types the repère and Enter: kept, selected for the next scan, nothing sent.
        const QString hostile = QStringLiteral("'); DROP TABLE x; --");
        label->setFocus();
        QTest::keyClicks(label, hostile);
        QTest::keyClick(label, Qt::Key_Return);
        QCOMPARE(label->selectedText(), hostile);
        QCOMPARE(window.history().store().count({}), 0);

        QSignalSpy states(&window.sharing(), &BackgroundSharing::stateChanged);
        QVERIFY(window.setSharedServer(
            {m_server.connection(QStringLiteral("atelier_admin"), database)}));
        window.Command6_Click(); // no device: the record says the port was not opened
        window.Command6_Click(); // the repère is kept until changed
        QCOMPARE(window.history().store().count({}), 2);
        const QString byHostileLabel = QStringLiteral("label = '''); DROP TABLE x; --'");
        QTRY_COMPARE_WITH_TIMEOUT(serverCount(database, byHostileLabel), 2, LongWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.find<QLabel>(QStringLiteral("SharedHistoryLine"))->text(),
                                  QStringLiteral("Historique partagé : à jour"), LongWaitMs);

        // The workshop's view, then the latest of each repère; another station's repère is its
        // own to change.
        window.n_historique_Click();
        HistoryWindow *history = window.historyWindow();
        QSignalSpy loaded(&history->model(), &HistoryModel::firstPageLoaded);
        history->showSource(HistoryWindow::Source::Workshop);
        QVERIFY(loaded.wait(LongWaitMs));
        QVERIFY(history->model().isShared());
        QCOMPARE(history->model().total(), 2);
        QCOMPARE(history->model().columnCount(), HistoryColumnCount + 2); // station, set-up
        const SendRecord &first = history->model().recordAt(0);
        QCOMPARE(history->model()
                     .data(history->model().index(0, StationColumn), Qt::DisplayRole)
                     .toString(),
                 QStringLiteral("%1 (%2)").arg(first.computer, first.account));
        QVERIFY(!history->findChild<QPushButton *>(QStringLiteral("HistoryLabel"))->isEnabled());
        QVERIFY(!history->model()
                     .flags(history->model().index(0, LabelColumn))
                     .testFlag(Qt::ItemIsEditable));
        history->showLatestByLabel(true);
        QVERIFY(loaded.wait(LongWaitMs));
        QCOMPARE(history->model().rowCount(), 1);
        QCOMPARE(history->findChild<QLabel *>(QStringLiteral("HistoryCount"))->text(),
                 QStringLiteral("1 repère"));
        history->setSearchText(QStringLiteral("DROP table"));
        QVERIFY(loaded.wait(LongWaitMs));
        QCOMPARE(history->model().rowCount(), 1);
        history->setSearchText(QStringLiteral("drop_table"));
        QVERIFY(loaded.wait(LongWaitMs));
        QCOMPARE(history->model().rowCount(), 0);

        // The server restored from a backup without them: the station's next connection finds
        // them missing, sends them again and says so in the journal.
        QVERIFY(m_server.query(QStringLiteral("DELETE FROM tensiova_envois"), database));
        QVERIFY(window.setSharedServer({m_server.connection(
            QStringLiteral("atelier_admin"), database, QStringLiteral("connect_timeout=10"))}));
        QTRY_COMPARE_WITH_TIMEOUT(serverCount(database, byHostileLabel), 2, LongWaitMs);
        const auto toldInJournal = [&window](const QString &words) {
            int told = 0;
            for (int n = 0; n < window.journal().size(); ++n) {
                told += window.journal().at(n).cause.contains(words) ? 1 : 0;
            }
            return told;
        };
        QTRY_COMPARE_WITH_TIMEOUT(
            toldInJournal(QStringLiteral("2 envois de ce poste manquaient au serveur")), 1,
            LongWaitMs);

        // The server gone: told once, the records wait and the line says how many.
        const int toldBefore = toldInJournal(QStringLiteral("Historique partagé"));
        QVERIFY(window.setSharedServer({QStringLiteral("host=127.0.0.1 port=1 dbname=atelier")}));
        states.clear();
        window.Command6_Click();
        // The new record waits (and the one before it, if the old server had not yet taken its
        // answer completed by this "Envoi").
        QTRY_VERIFY_WITH_TIMEOUT(
            !states.isEmpty() && states.last().at(0).value<SharingState>().failed, LongWaitMs);
        window.sharing().nudge();
        QTRY_VERIFY_WITH_TIMEOUT(states.size() >= 2, LongWaitMs);
        const SharingState last = states.last().at(0).value<SharingState>();
        QVERIFY(last.waiting >= 1);
        auto *line = fixture.find<QLabel>(QStringLiteral("SharedHistoryLine"));
        QTRY_COMPARE_WITH_TIMEOUT(line->text(), SharingMessages::status(last),
                                  LongWaitMs); // told on the window's turn
        QVERIFY(line->text().endsWith(QStringLiteral("en attente")));
        QCOMPARE(toldInJournal(QStringLiteral("Historique partagé")), toldBefore + 1);
        QVERIFY2(line->toolTip().startsWith(QStringLiteral("Connexion au serveur impossible")),
                 qPrintable(line->toolTip()));
        QVERIFY(history->model().isShared());
        QVERIFY(window.setSharedServer({}));
        QVERIFY(!history->model().isShared());
        QCOMPARE(line->text(), QString());
    }

    void connectionDialogTriesRefusesAndKeeps()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        window.n_partage_Click();
        SharedHistoryDialog *dialog = window.sharedHistoryDialog();
        QVERIFY(dialog);
        auto *connection = dialog->findChild<QLineEdit *>(QStringLiteral("Connexion"));
        auto *outcome = dialog->findChild<QLabel *>(QStringLiteral("Resultat"));
        QSignalSpy tried(dialog, &SharedHistoryDialog::tried);

        connection->setText(m_server.connection());
        dialog->tryConnection();
        QVERIFY(tried.wait(LongWaitMs));
        QVERIFY2(outcome->text().startsWith(QStringLiteral("Connecté : PostgreSQL 15.")),
                 qPrintable(outcome->text()));
        QVERIFY(outcome->text().contains(QStringLiteral("certificat vérifié")));

        connection->setText(m_server.connection(
            QStringLiteral("atelier_admin"), QStringLiteral("atelier"),
            QStringLiteral("sslrootcert=%1/wrong-ca.crt").arg(m_server.folder())));
        dialog->tryConnection();
        QVERIFY(tried.wait(LongWaitMs));
        QVERIFY2(outcome->text().startsWith(QStringLiteral("Connexion au serveur impossible")),
                 qPrintable(outcome->text()));

        // A password in the text: refused, nothing kept, the dialog stays open.
        dialog->show();
        connection->setText(QStringLiteral("host=serveur password=secret"));
        dialog->accept();
        QVERIFY(dialog->isVisible());
        QVERIFY(outcome->text().contains(QStringLiteral("mot de passe")));
        QVERIFY(!window.sharing().server().isSet());

        connection->setText(m_server.connection());
        dialog->findChild<QCheckBox *>(QStringLiteral("NonChiffre"))->setChecked(true);
        dialog->accept();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(window.sharing().server().connection, m_server.connection());
        const SharedServer kept = SharedServerSetting::load();
        QCOMPARE(kept.connection, m_server.connection());
        QVERIFY(kept.acceptUnencrypted);
        QVERIFY(window.setSharedServer({}));
        QVERIFY(!QFile::exists(SharedServerSetting::defaultPath()));
    }

    void workshopModelPagesAndCountsOffTheWindowThread()
    {
        const QString database = freshDatabase();
        const QString path = historyPath(QStringLiteral("pages"));
        const int records = 2 * HistoryModel::PageSize + 50;
        QVERIFY(writeRecords(path, records));
        const SharedServer server {m_server.connection(QStringLiteral("atelier_admin"), database)};
        QVERIFY(!SharedPush(path, server).run().failed);

        HistoryStore local(historyPath(QStringLiteral("pages-window")));
        HistoryModel model(local);
        QSignalSpy loaded(&model, &HistoryModel::firstPageLoaded);
        QSignalSpy counted(&model, &HistoryModel::counted);
        model.setShared(server);
        QVERIFY(model.isLoading()); // the window's thread does not wait for the server
        QVERIFY(loaded.wait(LongWaitMs));
        QCOMPARE(model.rowCount(), HistoryModel::PageSize);
        QTRY_COMPARE_WITH_TIMEOUT(model.total(), qint64(records), LongWaitMs);
        QCOMPARE(counted.size(), 1);
        while (model.canFetchMore({})) {
            model.fetchMore({});
            QTRY_VERIFY_WITH_TIMEOUT(!model.isLoading(), LongWaitMs);
        }
        QCOMPARE(model.rowCount(), records);
        // Newest first, each once.
        QSet<qint64> seen;
        for (int row = 1; row < records; ++row) {
            QVERIFY(model.recordAt(row - 1).sentAt > model.recordAt(row).sentAt);
            seen.insert(model.recordAt(row).id);
        }
        QCOMPARE(seen.size(), records - 1);

        // A search typed on while the server reads: only the last one's page is shown.
        for (const QString &typed :
             {QStringLiteral("a"), QStringLiteral("ar"), QStringLiteral("armoire \"b17\"")}) {
            HistoryFilter filter;
            filter.text = typed;
            model.setFilter(filter);
        }
        loaded.clear();
        QVERIFY(loaded.wait(LongWaitMs));
        QTest::qWait(200); // a page of an older search would come in meanwhile
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.recordAt(0).label, sampleRecord(17).label);

        // The server gone: the model says why, and shows nothing it did not read.
        model.setShared({QStringLiteral("host=127.0.0.1 port=1 dbname=atelier")});
        QVERIFY(loaded.wait(LongWaitMs));
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(!model.failure().isEmpty());
    }

    // The workshop list's count line, as its pages come: a count the server stops at its limit
    // says so, and a short list read to its end keeps its own count.
    void countLineAsPagesCome_data()
    {
        QTest::addColumn<int>("others");
        QTest::addColumn<QString>("said");
        const QString limit = QLocale::system().toString(SharedDatabase::CountLimit);
        QTest::newRow("short list, two pages") << HistoryModel::PageSize << "201 envois";
        QTest::newRow("exactly the limit") << SharedDatabase::CountLimit - 1 << limit + " envois";
        QTest::newRow("past it") << SharedDatabase::CountLimit << "Plus de " + limit + " envois";
    }
    void countLineAsPagesCome()
    {
        QFETCH(int, others);
        QFETCH(QString, said);
        const QString database = freshDatabase();
        const QString path = historyPath(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(writeRecords(path, 1));
        const SharedServer server {m_server.connection(QStringLiteral("atelier_admin"), database)};
        QVERIFY(!SharedPush(path, server).run().failed);
        // The others from another station, written by SQL.
        QVERIFY(writeOthers(database, others));

        HistoryStore local(path);
        ScriptedUserDialogs dialogs;
        HistoryWindow window(
            local, dialogs, [] { return MonitoringSetup(); }, QLocale::system(),
            QStringLiteral("1.0.0"));
        window.setSharedServer(server);
        const auto *count = window.findChild<QLabel *>(QStringLiteral("HistoryCount"));
        QStringList shown; // what the line said each time it changed
        connect(&window.model(), &HistoryModel::counted, this,
                [&shown, count] { shown.append(count->text()); });
        QSignalSpy counted(&window.model(), &HistoryModel::counted);
        window.showSource(HistoryWindow::Source::Workshop);
        QVERIFY(counted.wait(LongWaitMs));
        // The next page, and its count: the line never says otherwise meanwhile.
        QVERIFY(window.model().canFetchMore({}));
        window.model().fetchMore({});
        QTRY_VERIFY_WITH_TIMEOUT(window.model().rowCount() > HistoryModel::PageSize, LongWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!window.model().isLoading() && counted.size() >= 2, LongWaitMs);
        QCOMPARE(shown, QStringList(shown.size(), said));
    }

    // The server restored from a dump older than the last records: each station's next
    // connection finds what the server lost and sends it again, kept once, with its answer and
    // its repère.
    void serverRestoredFromABackupIsMadeWhole()
    {
        const QString database = freshDatabase();
        const SharedServer server {m_server.connection(QStringLiteral("atelier_admin"), database)};
        std::vector<std::unique_ptr<SharedPush>> stations; // running, each with its connection
        for (int station = 0; station < 4; ++station) {
            const QString path = historyPath(QStringLiteral("restored-%1").arg(station));
            QVERIFY(writeRecords(path, 200));
            stations.push_back(std::make_unique<SharedPush>(path, server));
            QCOMPARE(stations.back()->run().sent, 200);
        }
        const QString dump = m_folder.filePath(QStringLiteral("atelier.dump"));
        QVERIFY2(m_server.dump(database, dump), qPrintable(m_server.error()));
        for (int station = 0; station < 4; ++station) {
            QVERIFY(
                writeRecords(historyPath(QStringLiteral("restored-%1").arg(station)), 300, 200));
            const SharingState state = stations.at(station)->run();
            QVERIFY(!state.failed && state.sent == 300 && state.restored == 0);
        }
        QCOMPARE(serverCount(database), 2000);

        QVERIFY2(m_server.restore(database, dump), qPrintable(m_server.error()));
        QCOMPARE(serverCount(database), 800);
        for (const auto &station : stations) {
            const SharingState state = station->run();
            QVERIFY2(!state.failed, qPrintable(state.reason));
            QCOMPARE(state.restored, 300);
            QCOMPARE(state.sent, 300);
            QCOMPARE(state.waiting, 0);
            QCOMPARE(station->run().restored, 0); // checked, whole: not checked again at once
        }
        QCOMPARE(serverCount(database), 2000);
        QCOMPARE(serverCount(database, QStringLiteral("local_id BETWEEN 201 AND 500")), 1200);
        const SendRecord late = sampleRecord(449);
        QCOMPARE(m_server.query(QStringLiteral("SELECT count(DISTINCT station) FROM tensiova_envois"
                                               " WHERE local_id = 450 AND label = '%1'"
                                               " AND answer = '\\x4f4b0d0a00e9'")
                                    .arg(QString(late.label).replace("'", "''")),
                                database),
                 QStringLiteral("4"));

        // Asked for at once (--verify), on a connection that has checked before.
        QVERIFY(m_server.query(QStringLiteral("DELETE FROM tensiova_envois WHERE local_id = 7"),
                               database));
        QCOMPARE(stations.front()->run().restored, 0);
        QCOMPARE(stations.front()->run(QDeadlineTimer::Forever, SharedPush::Check::Now).restored,
                 1);
        QCOMPARE(serverCount(database, QStringLiteral("local_id = 7")), 1);
    }

    // A primary and its streaming standby; the standby down while the last records commit on the
    // primary, the primary killed, the standby promoted: the stations go on with it, and their
    // next check sends again what never reached it.
    void standbyTakesOverAndIsMadeWhole()
    {
        const QByteArray passwords = qgetenv("PGPASSFILE");
        const auto keepPasswords = qScopeGuard([&] { qputenv("PGPASSFILE", passwords); });
        TestServer primary;
        QVERIFY2(primary.start(), qPrintable(primary.error()));
        const QStringList paths {historyPath(QStringLiteral("failover-0")),
                                 historyPath(QStringLiteral("failover-1"))};
        for (const QString &path : paths) { // the tables made before the standby copies them
            QVERIFY(writeRecords(path, 5));
            QCOMPARE(SharedPush(path, {primary.connection()}).run().sent, 5);
        }
        TestServer standby;
        QVERIFY2(standby.startStandbyOf(primary), qPrintable(standby.error()));
        const SharedServer both {primary.connectionToEither(standby)};
        std::vector<std::unique_ptr<SharedPush>> stations;
        for (const QString &path : paths) {
            stations.push_back(std::make_unique<SharedPush>(path, both));
        }
        const auto sendFive = [&](int first) {
            for (int station = 0; station < 2; ++station) {
                if (!writeRecords(paths.at(station), 5, first)) {
                    return QStringLiteral("not written");
                }
                const SharingState state = stations.at(station)->run();
                if (state.failed || state.waiting != 0) {
                    return state.reason + QStringLiteral(" (%1 waiting)").arg(state.waiting);
                }
            }
            return QString();
        };
        const auto count = [](const TestServer &server) {
            return server.query(QStringLiteral("SELECT count(*) FROM tensiova_envois"))
                .value_or(QString());
        };
        QCOMPARE(sendFive(5), QString());
        QTRY_COMPARE_WITH_TIMEOUT(count(standby), QStringLiteral("20"), LongWaitMs);

        // The standby down (or behind) while five more of each commit on the primary only.
        QVERIFY2(standby.halt(), qPrintable(standby.error()));
        QCOMPARE(sendFive(10), QString());
        QCOMPARE(count(primary), QStringLiteral("30"));
        QVERIFY(primary.signalServer(SIGKILL));
        QVERIFY2(standby.resume(), qPrintable(standby.error()));
        QVERIFY2(standby.promote(), qPrintable(standby.error()));
        QCOMPARE(count(standby), QStringLiteral("20"));

        // The stations go on with the promoted standby, say so, and make it whole.
        for (int station = 0; station < 2; ++station) {
            QVERIFY(writeRecords(paths.at(station), 5, 15));
            const SharingState state = stations.at(station)->run();
            QVERIFY2(!state.failed, qPrintable(state.reason));
            QCOMPARE(state.server.port, QString::number(standby.port()));
            QCOMPARE(state.restored, 5);
            QCOMPARE(state.sent, 10);
        }
        QCOMPARE(count(standby), QStringLiteral("40"));
        QCOMPARE(standby.query(QStringLiteral("SELECT count(DISTINCT (station, local_id))"
                                              " FROM tensiova_envois")),
                 QStringLiteral("40"));
    }

    // Refusals that are not the station's: its records wait, the reason is said, and they all
    // arrive once the server takes writes again (a session made read-only is left for a new one).
    void serverThatRefusesWritesKeepsRecordsWaiting_data()
    {
        QTest::addColumn<QString>("refuse");
        QTest::addColumn<QString>("accept");
        QTest::addColumn<bool>("inDatabase");
        QTest::addColumn<QString>("said");
        QTest::newRow("read-only") << "ALTER DATABASE %1 SET default_transaction_read_only = on"
                                   << "ALTER DATABASE %1 RESET default_transaction_read_only"
                                   << false << "n'accepte que des lectures";
        QTest::newRow("disk full")
            << "CREATE FUNCTION plein() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RAISE "
               "EXCEPTION 'could not extend file' USING ERRCODE = '53100'; END$$;"
               "CREATE TRIGGER plein BEFORE INSERT ON tensiova_envois FOR EACH ROW "
               "EXECUTE FUNCTION plein()"
            << "DROP TRIGGER plein ON tensiova_envois" << true << "disque plein";
    }
    void serverThatRefusesWritesKeepsRecordsWaiting()
    {
        QFETCH(QString, refuse);
        QFETCH(QString, accept);
        QFETCH(bool, inDatabase);
        QFETCH(QString, said);
        const QString database = freshDatabase();
        const QString path = historyPath(QStringLiteral("refusing-%1").arg(database));
        const SharedServer server {m_server.connection(QStringLiteral("atelier_admin"), database)};
        QVERIFY(writeRecords(path, 3));
        QCOMPARE(SharedPush(path, server).run().sent, 3);
        const QString where = inDatabase ? database : QStringLiteral("postgres");
        QVERIFY(m_server.query(QString(refuse).replace(QStringLiteral("%1"), database), where));

        SharedPush station(path, server);
        QVERIFY(writeRecords(path, 2, 3));
        for (int attempt = 0; attempt < 2; ++attempt) {
            const SharingState state = station.run();
            QVERIFY(state.failed);
            QCOMPARE(state.waiting, 2);
            QVERIFY2(SharingMessages::reason(state).contains(said),
                     qPrintable(SharingMessages::reason(state)));
        }
        QCOMPARE(serverCount(database), 3);
        QVERIFY(m_server.query(QString(accept).replace(QStringLiteral("%1"), database), where));
        const SharingState state = station.run();
        QVERIFY2(!state.failed && state.sent == 2 && state.waiting == 0, qPrintable(state.reason));
        QCOMPARE(serverCount(database), 5);
    }

    void serverThatStopsAnsweringCostsTheWindowNothing()
    {
        const QString database = freshDatabase();
        const QString path = historyPath(QStringLiteral("stopped"));
        QVERIFY(writeRecords(path, 5));
        BackgroundSharing sharing(path,
                                  {m_server.connection(QStringLiteral("atelier_admin"), database)});
        QSignalSpy states(&sharing, &BackgroundSharing::stateChanged);
        QTRY_VERIFY_WITH_TIMEOUT(!states.isEmpty(), LongWaitMs);
        QCOMPARE(states.last().at(0).value<SharingState>().waiting, 0);

        // Stopped, as a link that dies without a word: the server is said lost within the 30 s
        // promised (the program's own patience is half that), then killed: records wait, the
        // loop never stalls.
        Heartbeat heartbeat;
        QVERIFY(m_server.signalServer(SIGSTOP));
        states.clear();
        QVERIFY(heartbeat.without([&] { return writeRecordsAside(path, 5, 5); }));
        sharing.nudge();
        QTRY_VERIFY_WITH_TIMEOUT(!states.isEmpty(), 30000);
        SharingState state = states.last().at(0).value<SharingState>();
        QVERIFY(state.failed);
        QCOMPARE(state.waiting, 5);
        QVERIFY(heartbeat.without([&] { return m_server.signalServer(SIGKILL); }));
        QVERIFY(heartbeat.without([&] { return writeRecordsAside(path, 5, 10); }));
        sharing.nudge();
        QTest::qWait(BackgroundSharing::FirstRetryMs);
        QVERIFY2(heartbeat.longestOwnPause() < LongestPauseMs,
                 qPrintable(QString::number(heartbeat.longestOwnPause())));

        // Back: everything reaches it, once.
        QVERIFY2(m_server.restart(true), qPrintable(m_server.error()));
        const Heartbeat afterRestart;
        QTRY_VERIFY_WITH_TIMEOUT(!states.last().at(0).value<SharingState>().failed
                                     && states.last().at(0).value<SharingState>().waiting == 0,
                                 LongWaitMs + BackgroundSharing::LongestRetryMs);
        QCOMPARE(serverCount(database), 15);
        QVERIFY2(afterRestart.longestOwnPause() < LongestPauseMs,
                 qPrintable(QString::number(afterRestart.longestOwnPause())));
    }
};

QTEST_MAIN(SharedHistoryTest)
#include "tst_sharedhistory.moc"
