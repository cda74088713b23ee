// tensiova --send as a script runs it: the real program against the simulated device.

#include "testdata.h"

#include <QDir>
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
        QTRY_VERIFY(QFileInfo::exists(folder.filePath(QStringLiteral("COM2"))));

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
};

QTEST_GUILESS_MAIN(TestSendCommand)
#include "tst_sendcommand.moc"
