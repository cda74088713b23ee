#include "programmingmessage.h"
#include "testdata.h"

#include <QTest>

using namespace Tensiova;

namespace {

ProgrammingMessage build(const MonitoringSetup &setup, const QLocale &locale = QLocale::c())
{
    ProgrammingTable table;
    table.reset();
    table.fill(setup);
    return ProgrammingMessage::build(table, locale);
}

} // namespace

class TestProgrammingMessage : public QObject
{
    Q_OBJECT

private slots:
    void workedExample()
    {
        MonitoringSetup setup = uniformSetup(QStringLiteral("0"));
        setup.analog[0] = {QStringLiteral("10"), QStringLiteral("200"), QStringLiteral("5"), 1};
        for (int channel = 1; channel < ChannelCount; ++channel) {
            setup.analog[channel] = {QStringLiteral("0"), QStringLiteral("255"),
                                     QStringLiteral("1"), 0};
        }
        setup.logic[0] = {QStringLiteral("1"), 2};
        const ProgrammingMessage message = build(setup);
        QVERIFY(message.isValid());
        QCOMPARE(message.bytes,
                 QByteArray::fromHex("6E 0A C8 05 01 00 FF 01 00 00 FF 01 00 00 FF 01"
                                     "00 00 FF 01 00 00 FF 01 00 00 FF 01 00 00 FF 01"
                                     "00 01 02 00 00 00 00 00 00 00 00 00 00 00 00 00"
                                     "00 00 00 00"));
    }

    void allZero()
    {
        const ProgrammingMessage message = build(uniformSetup(QStringLiteral("0")));
        QCOMPARE(message.bytes, QByteArray(1, 'n') + QByteArray(51, '\0'));
    }

    void eachFieldLandsAtItsOffset_data()
    {
        QTest::addColumn<int>("family");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("offset");
        QTest::newRow("min 0") << int(Family::Min) << 0 << 1;
        QTest::newRow("coeff 0") << int(Family::Coeff) << 0 << 3;
        QTest::newRow("action 7") << int(Family::AnalogAction) << 7 << 32;
        QTest::newRow("state 0") << int(Family::Et) << 0 << 33;
        QTest::newRow("state 3") << int(Family::Et) << 3 << 39;
        QTest::newRow("logic action 7") << int(Family::LogicAction) << 7 << 48;
    }

    void eachFieldLandsAtItsOffset()
    {
        QFETCH(int, family);
        QFETCH(int, channel);
        QFETCH(int, offset);
        MonitoringSetup setup = uniformSetup(QStringLiteral("0"));
        if (isActionFamily(Family(family))) {
            setup.setAction(Family(family), channel, 3);
        } else {
            setup.setText(Family(family), channel, QStringLiteral("1"));
        }
        const QByteArray bytes = build(setup).bytes;
        QCOMPARE(bytes.size(), 52);
        for (int i = 1; i < bytes.size(); ++i) {
            QCOMPARE(int(bytes[i]), i == offset ? (isActionFamily(Family(family)) ? 3 : 1) : 0);
        }
    }

    void conversion_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("byte"); // -1: refused
        QTest::newRow("twelve") << "12"
                                << "C" << 12;
        QTest::newRow("top") << "255"
                             << "C" << 255;
        QTest::newRow("half to even down") << "2.5"
                                           << "C" << 2;
        QTest::newRow("half to even up") << "3.5"
                                         << "C" << 4;
        QTest::newRow("french half") << "2,5"
                                     << "fr_FR" << 2;
        QTest::newRow("blanks around") << " 7 "
                                       << "C" << 7;
        QTest::newRow("rounds to top") << "255.4"
                                       << "C" << 255;
        QTest::newRow("above") << "256"
                               << "C" << -1;
        QTest::newRow("rounds above") << "255.5"
                                      << "C" << -1;
        QTest::newRow("negative") << "-1"
                                  << "C" << -1;
        QTest::newRow("empty") << ""
                               << "C" << -1;
        QTest::newRow("word") << "abc"
                              << "C" << -1;
        QTest::newRow("english comma") << "2,5"
                                       << "en_US" << -1;
    }

    void conversion()
    {
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QFETCH(int, byte);
        const auto value = byteValue(text, QLocale(locale));
        QCOMPARE(value ? int(*value) : -1, byte);
    }

    void everyWrongFieldIsNamedAndNothingIsBuilt()
    {
        MonitoringSetup setup = uniformSetup(QStringLiteral("0"));
        setup.analog[3].max = QStringLiteral("300");
        setup.analog[0].min = QString();
        setup.logic[1].action = -1;
        const ProgrammingMessage message = build(setup);
        QVERIFY(!message.isValid());
        QVERIFY(message.bytes.isEmpty());
        QStringList described;
        for (const FieldProblem &problem : message.problems) {
            described.append(problem.description());
        }
        QCOMPARE(described,
                 (QStringList {QStringLiteral("AN0 – Valeur min : «  »"),
                               QStringLiteral("AN3 – Valeur max : « 300 »"),
                               QStringLiteral("ET2 – Action : aucune entrée choisie")}));
    }

    void longOrControlTextsAreQuotedShort()
    {
        const FieldProblem longText {Family::Min, 1, QString(100000, QLatin1Char('9'))};
        QCOMPARE(longText.description(),
                 QStringLiteral("AN1 – Valeur min : « 999999999999999999999999… »"));
        const FieldProblem pasted {Family::Coeff, 0, QStringLiteral("5\r\n[x]")};
        QCOMPARE(pasted.description(), QStringLiteral("AN0 – Coeff : « 5  [x] »"));
    }

    void unfilledEntriesStayZero()
    {
        ProgrammingTable table;
        table.reset();
        table.fill(uniformSetup(QStringLiteral("0")));
        for (int index = 48; index < ProgrammingTable::Size; ++index) {
            QCOMPARE(table.entry(index), QStringLiteral("0"));
        }
    }
};

QTEST_GUILESS_MAIN(TestProgrammingMessage)
#include "tst_programmingmessage.moc"
