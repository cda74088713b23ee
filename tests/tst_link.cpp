// The device link without a window: the settings model, the message, the port and the
// procedures of "Envoi" and of the port, against a pseudo-terminal playing the device.

#include "link/deviceprogrammer.h"
#include "link/exchangejournal.h"
#include "link/portanswer.h"
#include "link/portmap.h"
#include "link/programmingmessage.h"
#include "link/seriallink.h"
#include "ptypair.h"
#include "testdata.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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

    static ProgrammingMessage build(const MonitoringSetup &setup)
    {
        ProgrammingTable table;
        table.reset();
        table.fill(setup);
        return ProgrammingMessage::build(table, QLocale::c());
    }

private slots:
    void initTestCase() { VERIFY_PROCESS_LOCALE(); }

    void logicStatesOtherThanZeroOrOneBecomeZero_data()
    {
        addDataRows(QStringLiteral("logicstates.tsv"));
    }
    void logicStatesOtherThanZeroOrOneBecomeZero()
    {
        QFETCH(QString, state);
        QFETCH(QString, corrected);
        MonitoringSetup setup = uniformSetup(QStringLiteral("1"));
        setup.logic[3].et = state;
        QCOMPARE(setup.correctLogicStates(), state != corrected);
        QCOMPARE(setup.logic[3].et, corrected);
        QCOMPARE(setup.logic[2].et, QStringLiteral("1"));
    }

    void workedExampleAndAllZero()
    {
        QCOMPARE(build(workedExample()).bytes, workedExampleBytes());
        QCOMPARE(build(uniformSetup(QStringLiteral("0"))).bytes,
                 QByteArray(1, 'n') + QByteArray(51, '\0'));
    }

    // Every field lands at its own offset, and nowhere else; 49 to 51 stay zero.
    void eachFieldLandsAtItsOffset()
    {
        for (const Family family : FamilyOrder) {
            for (int channel = 0; channel < ChannelCount; ++channel) {
                MonitoringSetup setup = uniformSetup(QStringLiteral("0"));
                if (isActionFamily(family)) {
                    setup.setAction(family, channel, 3);
                } else {
                    setup.setText(family, channel, QStringLiteral("7"));
                }
                const int offset = family == Family::Et || family == Family::LogicAction
                    ? 33 + 2 * channel + (family == Family::LogicAction)
                    : 1 + 4 * channel + int(family) - (family == Family::AnalogAction ? 1 : 0);
                const QByteArray bytes = build(setup).bytes;
                QCOMPARE(bytes.size(), 52);
                for (int i = 1; i < 52; ++i) {
                    QCOMPARE(int(bytes[i]), i == offset ? (isActionFamily(family) ? 3 : 7) : 0);
                }
            }
        }
    }

    void byteValue_data() { addDataRows(QStringLiteral("bytevalue.tsv")); }
    void byteValue()
    {
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QFETCH(QString, byte);
        const auto value = Tensiova::byteValue(text, QLocale(locale));
        QCOMPARE(value ? QString::number(*value) : QStringLiteral("refused"), byte);
    }

    void everyWrongFieldIsNamedAndNothingIsBuilt()
    {
        MonitoringSetup setup = uniformSetup(QStringLiteral("0"));
        setup.analog[3].max = QStringLiteral("300");
        setup.analog[0].min = QString();
        setup.logic[1].action = -1;
        const ProgrammingMessage message = build(setup);
        QVERIFY(message.bytes.isEmpty());
        QCOMPARE(message.problems,
                 (QList<FieldProblem> {{Family::Min, 0, {}},
                                       {Family::Max, 3, QStringLiteral("300")},
                                       {Family::LogicAction, 1, QStringLiteral("-1")}}));
    }

    void portAnswer_data() { addDataRows(QStringLiteral("portanswer.tsv")); }
    void portAnswer()
    {
        QFETCH(QString, answer);
        QFETCH(QString, locale);
        QFETCH(QString, port);
        const PortAnswer parsed = PortAnswer::parse(answer, QLocale(locale));
        const QString problem = parsed.problem == PortAnswer::Problem::NotANumber ? "not a number"
            : parsed.problem == PortAnswer::Problem::OutOfRange                   ? "out of range"
                                                                                  : QString();
        QCOMPARE(parsed.port ? QString::number(*parsed.port) : problem, port);
    }

    void portMap_data() { addDataRows(QStringLiteral("portmap.tsv")); }
    void portMap()
    {
        QFETCH(QString, port);
        QFETCH(QString, device);
        QCOMPARE(PortMap::devicePath(port.toInt(), m_folder.path()), device);
        if (!device.isEmpty()) {
            QCOMPARE(PortMap::portNumberOf(device, m_folder.path()), port.toInt());
        }
    }

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
        QVERIFY(PortMap::presentPorts(folder.path())
                    .contains(PortMap::PresentPort {2, QStringLiteral("/dev/null")}));
    }

    void journalKeepsTheMostRecentEntriesCompact()
    {
        ExchangeJournal journal(3);
        for (int i = 0; i < 5; ++i) {
            journal.record(ExchangeJournal::Kind::Received, 1, QStringLiteral("/dev/x"),
                           QByteArray(i + 1, 'a'));
        }
        QCOMPARE(journal.size(), 3);
        QCOMPARE(journal.at(0).count, 3);
        QCOMPARE(journal.at(2).bytes, QByteArray(5, 'a'));
        journal.record(ExchangeJournal::Kind::Received, 1, {}, QByteArray(5000, 'b'));
        QCOMPARE(journal.at(2).bytes.size(), ExchangeJournal::BytesKept);
        QCOMPARE(journal.at(2).count, 5000);
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
        QTRY_VERIFY(events.contains(QVariantList {int(SerialLink::Received)}));
        QCOMPARE(link.input(), QByteArray("OK"));
        QElapsedTimer closing;
        closing.start();
        link.close();
        QVERIFY(closing.elapsed() < 500);
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
        QTRY_COMPARE(lost.count(), 1);
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
