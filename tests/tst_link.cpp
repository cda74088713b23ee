// The device link without a window: the settings model, the message, the port and the
// procedures of "Envoi" and of the port, against a pseudo-terminal playing the device.

#include "link/deviceprogrammer.h"
#include "link/exchangejournal.h"
#include "link/portanswer.h"
#include "link/portmap.h"
#include "link/portwatch.h"
#include "link/programmingmessage.h"
#include "link/seriallink.h"
#include "ptypair.h"
#include "testdata.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <termios.h>

using namespace Tensiova;

class TestLink : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QString paramIni() const { return m_folder.filePath(QStringLiteral("param.ini")); }

    void attach(const PtyPair &device, int port)
    {
        const QString link = m_folder.filePath(QStringLiteral("COM%1").arg(port));
        QFile::remove(link);
        QVERIFY(QFile::link(device.devicePath(), link));
    }

private slots:
    void initTestCase() { VERIFY_PROCESS_LOCALE(); }

    // A COMn link in the settings folder names port n, beyond the table too, and is listed.
    void linkInSettingsFolderNamesThePort()
    {
        QTemporaryDir folder;
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), folder.filePath(QStringLiteral("COM2"))));
        QVERIFY(
            QFile::link(QStringLiteral("/dev/zero"), folder.filePath(QStringLiteral("COM200"))));
        QCOMPARE(PortMap::devicePath(200, folder.path()),
                 folder.filePath(QStringLiteral("COM200")));
        QCOMPARE(PortMap::portNumberOf(QStringLiteral("/dev/null"), folder.path()), 2);
        // The link replaces the table's device for that number.
        QCOMPARE(PortMap::portNumberOf(QStringLiteral("/dev/ttyS1"), folder.path()), 0);
        QVERIFY(PortMap::presentPorts(listPorts(folder.path()))
                    .contains(PortMap::PresentPort {2, QStringLiteral("/dev/null")}));
    }

    // The listing follows the ports as they come: at once when asked, even while a listing runs,
    // and by itself every few seconds. Each wait is on the listing itself: the watch lists at idle
    // priority, and on a busy machine a listing takes seconds.
    void portWatchFollowsThePorts()
    {
        QTemporaryDir folder;
        PortWatch watch(folder.path());
        watch.setInterval(3600 * 1000); // only what is asked for lists, until the last step
        const auto listed = [&watch](int port, const char *device) {
            return PortMap::presentPorts(watch.latest())
                .contains(PortMap::PresentPort {port, QString::fromLatin1(device)});
        };
        // tensiova --send waits for the first listing, and no longer than it takes.
        QElapsedTimer waited;
        waited.start();
        QVERIFY(watch.waitForListing(2 * LongWaitMs));
        QVERIFY2(waited.elapsed() < LongWaitMs, qPrintable(QString::number(waited.elapsed())));

        QVERIFY(QFile::link(QStringLiteral("/dev/null"), folder.filePath(QStringLiteral("COM2"))));
        watch.refresh();
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), folder.filePath(QStringLiteral("COM3"))));
        watch.refresh(); // while the listing above may still run: one more follows it
        QTRY_VERIFY_WITH_TIMEOUT(listed(2, "/dev/null") && listed(3, "/dev/zero"), LongWaitMs);

        watch.setInterval(100);
        QVERIFY(
            QFile::link(QStringLiteral("/dev/random"), folder.filePath(QStringLiteral("COM4"))));
        QTRY_VERIFY_WITH_TIMEOUT(listed(4, "/dev/random"), LongWaitMs);
    }

    // The device expects 4800 baud, 8N1; a pty forces 8 bits and no parity, so check in-process.
    void opensWithTheDeviceLineSettingsOnlyTheNumberItNames()
    {
        PtyPair device;
        attach(device, 3);
        SerialLink link(m_folder.path());
        QCOMPARE(link.commPort(), qint16(1));
        QVERIFY(!link.setCommPort(0));
        QVERIFY(link.setCommPort(3));
        QVERIFY(link.open());
        QVERIFY(!link.setCommPort(5));
        QCOMPARE(link.port().baudRate(), 4800);
        QCOMPARE(link.port().dataBits(), QSerialPort::Data8);
        QCOMPARE(link.port().parity(), QSerialPort::NoParity);
        QCOMPARE(link.port().stopBits(), QSerialPort::OneStop);
        QCOMPARE(link.port().flowControl(), QSerialPort::NoFlowControl);
        QCOMPARE(device.outputSpeed(), unsigned(B4800));

        QSignalSpy events(&link, &SerialLink::commEvent);
        link.output(workedExampleBytes());
        QVERIFY(device.write("OK"));
        QTRY_VERIFY_WITH_TIMEOUT(events.contains(QVariantList {int(SerialLink::Received)}),
                                 LongWaitMs);
        QCOMPARE(link.input(), QByteArray("OK"));
        // Closed without waiting for the device to read what was written (it reads after): a
        // close that drained the line would wait here until the patience ran out.
        QElapsedTimer closing;
        closing.start();
        link.close();
        QVERIFY2(closing.elapsed() < LongWaitMs / 6,
                 qPrintable(QString::number(closing.elapsed())));
        QCOMPARE(device.read(52), workedExampleBytes());
    }

    void lostDeviceIsReportedOnceAndTheNextOpenWorks()
    {
        auto device = std::make_unique<PtyPair>();
        attach(*device, 6);
        SerialLink link(m_folder.path());
        link.setCommPort(6);
        QVERIFY(link.open());
        QSignalSpy lost(&link, &SerialLink::connectionLost);
        QSignalSpy errors(&link.port(), &QSerialPort::errorOccurred);
        device->hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, LongWaitMs);
        QTest::qWait(300);
        QCOMPARE(lost.count(), 1);
        QVERIFY(!link.portOpen());
        QVERIFY2(errors.count() < 10, qPrintable(QString::number(errors.count())));
        // Named as it was opened, though the link to it is gone by now.
        QCOMPARE(lost.first(),
                 (QVariantList {qint16(6), m_folder.filePath(QStringLiteral("COM6"))}));

        device = std::make_unique<PtyPair>();
        attach(*device, 6);
        QVERIFY(link.open());
        link.output(workedExampleBytes());
        QCOMPARE(device->read(52), workedExampleBytes());
    }

    // "Envoi" without a window: corrected, checked, kept, sent; a wrong field stops it all.
    void envoiCorrectsChecksKeepsAndSends()
    {
        PtyPair device;
        attach(device, 1);
        SerialLink link(m_folder.path());
        DeviceProgrammer programmer(link, paramIni(), QLocale::c());
        writeBytes(paramIni(), "[Port COM]\r\nvaleur=1\r\n");

        MonitoringSetup wrong = workedExample();
        wrong.analog[2].coeff = QStringLiteral("abc");
        const DeviceProgrammer::Envoi refused = programmer.send(wrong);
        QCOMPARE(refused.problems.size(), 1);
        QVERIFY(!link.portOpen());
        QCOMPARE(readBytes(paramIni()), QByteArray("[Port COM]\r\nvaleur=1\r\n"));

        MonitoringSetup setup = workedExample();
        setup.logic[3].et = QStringLiteral("2");
        const DeviceProgrammer::Envoi envoi = programmer.send(setup);
        QVERIFY(envoi.statesCorrected && envoi.portOpened && envoi.saved);
        QCOMPARE(envoi.setup, workedExample());
        QCOMPARE(envoi.sent, workedExampleBytes());
        QCOMPARE(device.read(52), workedExampleBytes());
        const QByteArray saved = readBytes(paramIni());
        QVERIFY(saved.startsWith("[Port COM]\r\nvaleur=1\r\n[min0]\r\nvaleur=10\r\n"));
        QVERIFY(saved.contains("[ET3]\r\nvaleur=0\r\n"));

        // Again on the open port: sent in full.
        QVERIFY(programmer.send(setup).portOpened);
        QCOMPARE(device.read(52), workedExampleBytes());
    }

    void portChangeIsKeptAsTypedAndRefusedWhileOpen()
    {
        QTemporaryDir folder;
        PtyPair device;
        QVERIFY(QFile::link(device.devicePath(), folder.filePath(QStringLiteral("COM1"))));
        SerialLink link(folder.path());
        const QString ini = folder.filePath(QStringLiteral("param.ini"));
        DeviceProgrammer programmer(link, ini, QLocale(QLocale::French));
        using Outcome = DeviceProgrammer::PortChange::Outcome;
        QCOMPARE(programmer.changePort(QString()).outcome, Outcome::Cancelled);
        QCOMPARE(programmer.changePort(QStringLiteral("COM3")).outcome, Outcome::Refused);
        QVERIFY(!QFile::exists(ini));
        QCOMPARE(programmer.storedPort(), std::nullopt);
        QCOMPARE(programmer.changePort(QStringLiteral(" 2,5 ")).outcome, Outcome::Changed);
        QCOMPARE(link.commPort(), qint16(2));
        QCOMPARE(readBytes(ini), QByteArray("[Port COM]\r\nvaleur= 2,5 \r\n"));
        QCOMPARE(programmer.storedPort(),
                 std::optional<qint16>(2)); // read back as the Windows program did
        writeBytes(ini, "[Port COM]\r\nvaleur=3.4\r\n");
        QCOMPARE(programmer.storedPort(), std::optional<qint16>(3));

        QVERIFY(programmer.changePort(QStringLiteral("1")).kept);
        QVERIFY(link.open());
        QCOMPARE(programmer.changePort(QStringLiteral("4")).outcome, Outcome::PortOpen);
        QCOMPARE(link.commPort(), qint16(1));
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
