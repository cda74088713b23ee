#include "portmap.h"
#include "testdata.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Tensiova;

class TestPortMap : public QObject
{
    Q_OBJECT

private slots:
    void fixedTable_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("device");
        QTest::newRow("COM1") << 1 << "/dev/ttyS0";
        QTest::newRow("COM32") << 32 << "/dev/ttyS31";
        QTest::newRow("COM33") << 33 << "/dev/ttyUSB0";
        QTest::newRow("COM64") << 64 << "/dev/ttyUSB31";
        QTest::newRow("COM65") << 65 << "/dev/ttyACM0";
        QTest::newRow("COM96") << 96 << "/dev/ttyACM31";
        QTest::newRow("COM97") << 97 << "";
        QTest::newRow("COM0") << 0 << "";
        QTest::newRow("negative") << -3 << "";
    }

    void fixedTable()
    {
        QFETCH(int, port);
        QFETCH(QString, device);
        QTemporaryDir folder;
        QCOMPARE(PortMap::devicePath(port, folder.path()), device);
        if (!device.isEmpty()) {
            QCOMPARE(PortMap::portNumberOf(device, folder.path()), port);
        }
    }

    void linkInSettingsFolderNamesThePort()
    {
        QTemporaryDir folder;
        const QString link = folder.filePath(QStringLiteral("COM2"));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), link));
        QCOMPARE(PortMap::devicePath(2, folder.path()), link);
        QCOMPARE(PortMap::portNumberOf(QStringLiteral("/dev/null"), folder.path()), 2);
        // Beyond the table too.
        QVERIFY(
            QFile::link(QStringLiteral("/dev/zero"), folder.filePath(QStringLiteral("COM200"))));
        QCOMPARE(PortMap::devicePath(200, folder.path()),
                 folder.filePath(QStringLiteral("COM200")));
        // The link replaces the table's device for that number.
        QCOMPARE(PortMap::portNumberOf(QStringLiteral("/dev/ttyS1"), folder.path()), 0);
    }

    void presentPortsListLinkedDevices()
    {
        QTemporaryDir folder;
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), folder.filePath(QStringLiteral("COM5"))));
        const auto ports = PortMap::presentPorts(folder.path());
        QVERIFY(ports.contains(PortMap::PresentPort {5, QStringLiteral("/dev/null")}));
    }
};

QTEST_GUILESS_MAIN(TestPortMap)
#include "tst_portmap.moc"
