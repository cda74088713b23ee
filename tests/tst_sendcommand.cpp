// tensiova --send as a script runs it: the real program against the simulated device.

#include "testdata.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestSendCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { VERIFY_PROCESS_LOCALE(); }

    void send_data() { addDataRows(QStringLiteral("sendcommand.tsv")); }
    void send()
    {
        QFETCH(QString, setup);
        QFETCH(QString, arguments);
        QFETCH(QString, exit);
        QFETCH(QString, says);
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("reglage.txt"));
        const QByteArray paramIni = iniBytes({{"Port COM", "2"}, {"min0", "99"}});
        writeBytes(folder.filePath(QStringLiteral("param.ini")), paramIni);
        if (setup == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(file));
        } else {
            QByteArray bytes = readBytes(testDataPath(QStringLiteral("worked-example.ini")));
            if (setup == QLatin1String("wrong")) {
                bytes += iniBytes({{"min1", "300"}, {"action17", "7"}});
            }
            writeBytes(file, bytes);
        }
        QProcess device;
        const QStringList deviceOptions {QStringLiteral("--link"),
                                         folder.filePath(QStringLiteral("COM2"))};
        device.start(QStringLiteral(DEVSIM),
                     setup == QLatin1String("silent")
                         ? deviceOptions + QStringList {QStringLiteral("--silent")}
                         : deviceOptions);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(folder.filePath(QStringLiteral("COM2"))),
                                 LongWaitMs);

        const auto fill = [&](QString text) {
            return text.replace(QStringLiteral("{file}"), file)
                .replace(QStringLiteral("{dir}"), folder.path());
        };
        QProcess program;
        // No display at all: a window (or a QApplication) could not start.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QLatin1String(name));
        }
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(PROGRAM),
                      fill(arguments).split(QLatin1Char(' '))
                          + QStringList {QStringLiteral("--settings"), folder.path()});
        QVERIFY(program.waitForFinished(10000));
        const QString output =
            QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
        QVERIFY2(output.contains(fill(QString::fromUtf8(unescaped(says)))), qPrintable(output));
        QCOMPARE(QString::number(program.exitCode()), exit);
        QCOMPARE(readBytes(folder.filePath(QStringLiteral("param.ini"))), paramIni);
        device.terminate();
        device.waitForFinished(3000);
        const bool sent = arguments.startsWith(QLatin1String("--send"))
            && (exit == QLatin1String("0") || exit == QLatin1String("1"));
        QCOMPARE(device.readAllStandardOutput().contains("AN0  min  10"), sent);
    }

    // A script's "Envoi" is in the history with its repère, and a script reads it back.
    void sendIsRecordedAndListed()
    {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("reglage.txt"));
        writeBytes(file, readBytes(testDataPath(QStringLiteral("worked-example.ini"))));
        QProcess device;
        device.start(QStringLiteral(DEVSIM),
                     {QStringLiteral("--link"), folder.filePath(QStringLiteral("COM2"))});
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(folder.filePath(QStringLiteral("COM2"))),
                                 LongWaitMs);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"),
                           folder.filePath(QStringLiteral("data")));
        const auto run = [&](const QStringList &arguments) {
            QProcess program;
            program.setProcessEnvironment(environment);
            program.start(QStringLiteral(PROGRAM), arguments);
            program.waitForFinished(10000);
            return std::pair {program.exitCode(), program.readAllStandardOutput()};
        };
        QCOMPARE(
            run({QStringLiteral("--history")}).second,
            QStringLiteral("Aucun envoi dans l'historique %1/data/tensiova/historique.sqlite.\n")
                .arg(folder.path())
                .toUtf8());
        QCOMPARE(run({QStringLiteral("--send"), file, QStringLiteral("--settings"), folder.path(),
                      QStringLiteral("--port"), QStringLiteral("COM2"), QStringLiteral("--label"),
                      QStringLiteral("Poste Nord, armoire 2")})
                     .first,
                 0);
        QCOMPARE(run({QStringLiteral("--send"), file, QStringLiteral("--settings"), folder.path(),
                      QStringLiteral("--port"), QStringLiteral("COM5"), QStringLiteral("--wait"),
                      QStringLiteral("0")})
                     .first,
                 4);
        device.terminate();
        device.waitForFinished(3000);

        const auto [exit, json] = run({QStringLiteral("--history"), QStringLiteral("--json")});
        QCOMPARE(exit, 0);
        const QList<QByteArray> lines = json.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        const QJsonObject newest = QJsonDocument::fromJson(lines.at(0)).object();
        QCOMPARE(newest.value("outcome").toString(), QStringLiteral("port not opened"));
        QCOMPARE(newest.value("port").toString(), QStringLiteral("COM5"));
        const QJsonObject sent = QJsonDocument::fromJson(lines.at(1)).object();
        QCOMPARE(sent.value("outcome").toString(), QStringLiteral("answered"));
        QCOMPARE(sent.value("answer").toString(), QStringLiteral("OK\r\n"));
        QCOMPARE(sent.value("bytes").toString().toLatin1(), workedExampleBytes().toHex().toUpper());
        QCOMPARE(sent.value("port").toString(), QStringLiteral("COM2"));
        QCOMPARE(sent.value("origin").toString(), QStringLiteral("script"));
        QCOMPARE(sent.value("setup_file").toString(), file);
        QCOMPARE(sent.value("label").toString(), QStringLiteral("Poste Nord, armoire 2"));
        QCOMPARE(sent.value("analog").toArray().at(0).toObject().value("max").toInt(), 200);
        QCOMPARE(sent.value("logic").toArray().at(0).toObject().value("action").toInt(), 2);

        const auto byLabel = [&](const QStringList &filter) {
            return run(QStringList {QStringLiteral("--history"), QStringLiteral("--json")} + filter)
                .second.count('\n');
        };
        QCOMPARE(byLabel({QStringLiteral("--label"), QStringLiteral("NORD")}), 1);
        QCOMPARE(byLabel({QStringLiteral("--port"), QStringLiteral("com5")}), 1);
        QCOMPARE(byLabel({QStringLiteral("--limit"), QStringLiteral("1")}), 1);
        QCOMPARE(byLabel({QStringLiteral("--since"),
                          QDate::currentDate().addDays(1).toString(Qt::ISODate)}),
                 0);
        QCOMPARE(byLabel({QStringLiteral("--since"), QDate::currentDate().toString(Qt::ISODate)}),
                 2);
        const QByteArray csv = run({QStringLiteral("--history"), QStringLiteral("--csv")}).second;
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"
                               "Date (heure du poste);"));
        QCOMPARE(csv.count("\r\n"), 3);
        const QByteArray text = run({QStringLiteral("--history")}).second;
        QVERIFY2(text.contains("répondu : « OK\\r\\n »  |  Poste Nord, armoire 2\n"),
                 text.constData());

        // A history that cannot be read says so, with an exit status of its own.
        QVERIFY(
            QDir(folder.path()).mkpath(QStringLiteral("unreadable/tensiova/historique.sqlite")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"),
                           folder.filePath(QStringLiteral("unreadable")));
        QCOMPARE(run({QStringLiteral("--history")}).first, 1);
    }

    // Several ports at once: a device that answers, a silent one, one that hangs up as it gets
    // the message, and a port with no device. Each gets its own outcome and record, as if alone.
    void sendsToEveryPortAtOnce()
    {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("reglage.txt"));
        writeBytes(file, readBytes(testDataPath(QStringLiteral("worked-example.ini"))));
        const QList<std::pair<QString, QStringList>> devices {
            {QStringLiteral("COM2"), {}},
            {QStringLiteral("COM3"), {QStringLiteral("--silent")}},
            {QStringLiteral("COM4"),
             {QStringLiteral("--silent"), QStringLiteral("--hangup-after"), QStringLiteral("1")}}};
        std::array<QProcess, 3> simulated;
        for (std::size_t n = 0; n < simulated.size(); ++n) {
            const QString link = folder.filePath(devices[n].first);
            simulated[n].start(QStringLiteral(DEVSIM),
                               devices[n].second + QStringList {QStringLiteral("--link"), link});
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(link), LongWaitMs);
        }
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"),
                           folder.filePath(QStringLiteral("data")));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(PROGRAM),
                      QStringList {"--send", file, "--settings", folder.path(), "--json", "--wait",
                                   "1500", "--port", "COM2", "--port", "com3", "--port", "COM4",
                                   "--port", "COM9", "--label", "COM3=Armoire 3", "--label",
                                   "Banc 1"});
        QVERIFY(program.waitForFinished(LongWaitMs));
        QCOMPARE(program.exitCode(), 4); // the worst: a port that did not open
        QMap<QString, QJsonObject> lines;
        for (const QByteArray &line : program.readAllStandardOutput().trimmed().split('\n')) {
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            lines.insert(object.value("port").toString(), object);
        }
        QCOMPARE(lines.keys(), QStringList({"COM2", "COM3", "COM4", "COM9"}));
        QCOMPARE(lines["COM2"].value("status").toString(), QStringLiteral("answered"));
        QCOMPARE(lines["COM2"].value("answer").toString(), QStringLiteral("OK\r\n"));
        QCOMPARE(lines["COM3"].value("status").toString(), QStringLiteral("no answer"));
        QCOMPARE(lines["COM4"].value("status").toString(), QStringLiteral("link lost"));
        QCOMPARE(lines["COM9"].value("status").toString(), QStringLiteral("port not opened"));
        QCOMPARE(lines["COM3"].value("label").toString(), QStringLiteral("Armoire 3"));
        QCOMPARE(lines["COM2"].value("label").toString(), QStringLiteral("Banc 1"));

        // As text, from two ports on: a line each, and nothing more.
        QProcess text;
        text.setProcessEnvironment(environment);
        text.start(QStringLiteral(PROGRAM),
                   QStringList {"--send", file, "--settings", folder.path(), "--wait", "0",
                                "--port", "COM2", "--port", "COM9", "--label", "COM2=A 2"});
        QVERIFY(text.waitForFinished(LongWaitMs));
        QStringList said = QString::fromUtf8(text.readAllStandardOutput())
                               .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        said.sort();
        QCOMPARE(said.size(), 2);
        QCOMPARE(
            said.at(0),
            QStringLiteral("COM2 (%1) : envoyé (repère « A 2 »)").arg(folder.filePath("COM2")));
        QVERIFY2(said.at(1).startsWith(QStringLiteral("COM9 (/dev/ttyS8) : port non ouvert : ")),
                 qPrintable(said.at(1)));

        // Every device got the same 52 bytes, whole.
        for (QProcess &device : simulated) {
            device.terminate();
            QVERIFY(device.waitForFinished(LongWaitMs));
            QVERIFY(device.readAllStandardOutput().contains("AN0  min  10"));
        }
        // One record a port, each with its repère.
        QProcess history;
        history.setProcessEnvironment(environment);
        history.start(QStringLiteral(PROGRAM),
                      {QStringLiteral("--history"), QStringLiteral("--json")});
        QVERIFY(history.waitForFinished(LongWaitMs));
        QMap<QString, QString> labels;
        for (const QByteArray &line : history.readAllStandardOutput().trimmed().split('\n')) {
            const QJsonObject record = QJsonDocument::fromJson(line).object();
            labels.insert(record.value("port").toString(), record.value("label").toString());
        }
        QCOMPARE(labels,
                 (QMap<QString, QString> {{"COM2", "Banc 1"},
                                          {"COM3", "Armoire 3"},
                                          {"COM4", "Banc 1"},
                                          {"COM9", "Banc 1"}}));
    }
};

QTEST_GUILESS_MAIN(TestSendCommand)
#include "tst_sendcommand.moc"
