#include "ptypair.h"
#include "seriallink.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <termios.h>

using namespace Tensiova;

class TestSerialLink : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    void attach(const PtyPair &device, int port)
    {
        const QString link = m_folder.filePath(QStringLiteral("COM%1").arg(port));
        QFile::remove(link);
        QVERIFY(QFile::link(device.devicePath(), link));
    }

    static QByteArray message()
    {
        QByteArray bytes(52, '\0');
        bytes[0] = 'n';
        for (int i = 1; i < 52; ++i) {
            bytes[i] = char(i * 5);
        }
        return bytes;
    }

private slots:
    void opensWithTheDeviceLineSettings()
    {
        PtyPair device;
        attach(device, 3);
        SerialLink link(m_folder.path());
        QVERIFY(link.setCommPort(3));
        QVERIFY(link.open());
        QVERIFY(link.portOpen());
        QCOMPARE(link.port().baudRate(), 4800);
        QCOMPARE(link.port().dataBits(), QSerialPort::Data8);
        QCOMPARE(link.port().parity(), QSerialPort::NoParity);
        QCOMPARE(link.port().stopBits(), QSerialPort::OneStop);
        QCOMPARE(link.port().flowControl(), QSerialPort::NoFlowControl);
        QCOMPARE(device.outputSpeed(), unsigned(B4800));
    }

    void portNumberChangesOnlyWhileClosed()
    {
        PtyPair device;
        attach(device, 4);
        SerialLink link(m_folder.path());
        QCOMPARE(link.commPort(), qint16(1));
        QVERIFY(!link.setCommPort(0));
        QVERIFY(!link.setCommPort(-2));
        QVERIFY(link.setCommPort(4));
        QVERIFY(link.open());
        QVERIFY(!link.setCommPort(5));
        QCOMPARE(link.commPort(), qint16(4));
    }

    void messageGoesOutWholeAndCloseWaitsForIt()
    {
        PtyPair device;
        attach(device, 3);
        SerialLink link(m_folder.path());
        link.setCommPort(3);
        QVERIFY(link.open());
        link.output(message());
        QElapsedTimer closing;
        closing.start();
        link.close();
        QVERIFY(closing.elapsed() < 500);
        QVERIFY(!link.portOpen());
        QCOMPARE(device.read(52), message());
    }

    void answersRaiseReceiveEvents()
    {
        PtyPair device;
        attach(device, 3);
        SerialLink link(m_folder.path());
        link.setCommPort(3);
        QVERIFY(link.open());
        QSignalSpy events(&link, &SerialLink::commEvent);
        QVERIFY(device.write("OK"));
        QTRY_VERIFY(events.contains(QVariantList {int(SerialLink::Received)}));
        QCOMPARE(link.input(), QByteArray("OK"));
        QCOMPARE(link.input(), QByteArray());
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
        QTRY_COMPARE(lost.count(), 1);
        QTest::qWait(300);
        QCOMPARE(lost.count(), 1);
        QVERIFY(!link.portOpen());
        QVERIFY2(errors.count() < 10, qPrintable(QString::number(errors.count())));
        // Named as it was opened, though the link to it is gone by now.
        QFile::remove(m_folder.filePath(QStringLiteral("COM6")));
        QVERIFY2(lost.first().first().toString().contains(
                     QStringLiteral("COM6 (") + m_folder.filePath(QStringLiteral("COM6"))),
                 qPrintable(lost.first().first().toString()));

        device = std::make_unique<PtyPair>();
        attach(*device, 6);
        QVERIFY(link.open());
        link.output(message());
        QCOMPARE(device->read(52), message());
    }

    void openFailureSaysWhy_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("no device for the number") << 97 << "COM97 ne correspond";
        QTest::newRow("device missing") << 9 << "COM9";
    }

    void openFailureSaysWhy()
    {
        QFETCH(int, port);
        QFETCH(QString, mentions);
        QFile::link(m_folder.filePath(QStringLiteral("gone")),
                    m_folder.filePath(QStringLiteral("COM9")));
        SerialLink link(m_folder.path());
        link.setCommPort(qint16(port));
        QVERIFY(!link.open());
        QVERIFY(!link.portOpen());
        QVERIFY2(link.openFailure().contains(mentions), qPrintable(link.openFailure()));
        QVERIFY(link.openFailure().contains(QStringLiteral("Rien n'a été envoyé")));
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
