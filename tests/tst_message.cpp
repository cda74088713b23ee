// What goes on the wire and what names a port, on Linux and Windows alike: the programming
// message, its field checks, the port answer, the COM number map, the exchange journal.

#include "link/exchangejournal.h"
#include "link/messagedescription.h"
#include "link/portanswer.h"
#include "link/portlisting.h"
#include "link/portmap.h"
#include "link/programmingmessage.h"
#include "testdata.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Tensiova;

class TestMessage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

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

    // Linux names devices by a fixed table; on Windows, COMn is the system's own name.
#ifdef Q_OS_WIN
    void portMap_data()
    {
        addDataRows(QStringLiteral("portmap-windows.tsv"));
    }
#else
    void portMap_data()
    {
        addDataRows(QStringLiteral("portmap.tsv"));
    }
#endif
    void portMap()
    {
        QFETCH(QString, port);
        QFETCH(QString, device);
        QCOMPARE(PortMap::devicePath(port.toInt(), m_folder.path()), device);
        QFETCH(QString, label);
        if (!device.isEmpty()) {
            QCOMPARE(PortMap::portNumberOf(device, m_folder.path()), port.toInt());
            QCOMPARE(PortMap::portLabel(port.toInt(), device), label);
            // Windows' names know no case: COM10 and com10 are one port.
            QCOMPARE(PortMap::sameDevice(device, device.toLower()), device.startsWith("COM"));
        }
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
        // Sixteen bytes to a row, and no empty row after a whole one.
        QCOMPARE(hexRows(QByteArray(16, '\n')),
                 QStringList {QString("0A ").repeated(16).trimmed()});
        QCOMPARE(hexRows(QByteArray(33, 'a')).size(), 3);
        QCOMPARE(escapedText(QStringLiteral("a\r\n") + QChar(0) + QChar(0x1B)),
                 QStringLiteral("a\\r\\n\\x00\\x1b"));
    }

    // The port box lists ports by COM number; those no number names come last, as found.
    void portsAreListedByNumber()
    {
        QList<PortListing> ports(4);
        const int numbers[] {0, 12, 0, 2};
        for (int i = 0; i < 4; ++i) {
            ports[i].number = numbers[i];
            ports[i].device = QString::number(i);
        }
        sortByNumber(ports);
        QString order;
        for (const PortListing &port : ports) {
            order += port.device;
        }
        QCOMPARE(order, QStringLiteral("3102"));
        // What the system knows of a port, each thing once.
        QCOMPARE(describePort("FTDI", "FT232R", "A1"), QStringLiteral("FTDI, FT232R, n° A1"));
        QCOMPARE(describePort("Prolific", "Prolific", {}), QStringLiteral("Prolific"));
        QCOMPARE(describePort({}, {}, {}), QString());
    }
};

QTEST_GUILESS_MAIN(TestMessage)
#include "tst_message.moc"
