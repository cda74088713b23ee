// The demonstration driver against the simulated device, the way ./scripts/run uses them on a
// machine without a display.

#include "testdata.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestDemo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { VERIFY_PROCESS_LOCALE(); }

    void sendsTheSettingsOfParamIniAndShowsTheAnswer()
    {
        QTemporaryDir folder;
        writeBytes(folder.filePath(QStringLiteral("param.ini")),
                   iniBytes({{"min0", "10"},
                             {"max0", "200"},
                             {"coeff0", "5"},
                             {"ET0", "1"},
                             {"action20", "1"},
                             {"action10", "2"},
                             {"min1", "2.5"},
                             {"max1", "255"},
                             {"coeff1", "1"},
                             {"Port COM", "2"}}));
        QProcess device;
        device.start(QStringLiteral(DEVSIM),
                     {QStringLiteral("--link"), folder.filePath(QStringLiteral("COM2"))});
        QVERIFY(device.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(folder.filePath(QStringLiteral("COM2"))),
                                 LongWaitMs);

        QProcess demo;
        demo.start(QStringLiteral(DEMO),
                   {QStringLiteral("--settings"), folder.path(), QStringLiteral("--screenshots"),
                    folder.filePath(QStringLiteral("shots"))});
        QVERIFY(demo.waitForFinished(30000));
        const QString output = QString::fromLocal8Bit(demo.readAllStandardOutput());
        QVERIFY2(demo.exitCode() == 0, qPrintable(output + demo.readAllStandardError()));
        QVERIFY2(
            output.contains(QStringLiteral("  6E 0A C8 05 01 02 FF 01 00 00 00 00 00 00 00 00\n"
                                           "  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
                                           "  00 01 02 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
                                           "  00 00 00 00\n")),
            qPrintable(output));
        QVERIFY(output.contains(QStringLiteral("Réponse de l'appareil : \"OK\\r\\n\"")));
        for (const char *shot : {"splash.png", "main-before.png", "main-after.png"}) {
            QVERIFY(
                QFileInfo(folder.filePath(QStringLiteral("shots/") + QLatin1String(shot))).size()
                > 1000);
        }

        device.terminate();
        QVERIFY(device.waitForFinished(5000));
        const QString deviceSide = QString::fromLocal8Bit(device.readAllStandardOutput());
        QVERIFY(deviceSide.contains(
            QStringLiteral("AN0  min  10  max 200  coeff   5  action 1 (relais)")));
        QVERIFY(deviceSide.contains(QStringLiteral("conforme")));
        QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("COM2"))));
    }
};

QTEST_GUILESS_MAIN(TestDemo)
#include "tst_demo.moc"
