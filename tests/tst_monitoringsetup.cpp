#include "monitoringsetup.h"

#include <QTest>

using namespace Tensiova;

class TestMonitoringSetup : public QObject
{
    Q_OBJECT

private slots:
    void correctLogicStates_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("corrected");
        QTest::newRow("zero") << "0"
                              << "0";
        QTest::newRow("one") << "1"
                             << "1";
        QTest::newRow("two") << "2"
                             << "0";
        QTest::newRow("blank before") << " 1"
                                      << "0";
        QTest::newRow("blank after") << "1 "
                                     << "0";
        QTest::newRow("leading zero") << "01"
                                      << "0";
        QTest::newRow("empty") << ""
                               << "0";
        QTest::newRow("word") << "oui"
                              << "0";
    }

    void correctLogicStates()
    {
        QFETCH(QString, state);
        QFETCH(QString, corrected);
        MonitoringSetup setup;
        for (auto &channel : setup.logic) {
            channel.et = QStringLiteral("1");
        }
        setup.logic[3].et = state;
        QCOMPARE(setup.correctLogicStates(), state != corrected);
        QCOMPARE(setup.logic[3].et, corrected);
        QCOMPARE(setup.logic[2].et, QStringLiteral("1"));
    }

    void fieldTextIsTheTextOrTheIndex()
    {
        MonitoringSetup setup;
        setup.analog[3].max = QStringLiteral(" 2,5 ");
        setup.analog[3].action = 2;
        setup.logic[7].action = -1;
        QCOMPARE(setup.fieldText(Family::Max, 3), QStringLiteral(" 2,5 "));
        QCOMPARE(setup.fieldText(Family::AnalogAction, 3), QStringLiteral("2"));
        QCOMPARE(setup.fieldText(Family::LogicAction, 7), QStringLiteral("-1"));
    }

    void captionsNumberLogicRowsFromOne()
    {
        QCOMPARE(fieldCaption(Family::Max, 3), QStringLiteral("AN3 – Valeur max"));
        QCOMPARE(fieldCaption(Family::LogicAction, 1), QStringLiteral("ET2 – Action"));
        QCOMPARE(fieldCaption(Family::Et, 0), QStringLiteral("ET1 – Etat à surveiller"));
    }
};

QTEST_GUILESS_MAIN(TestMonitoringSetup)
#include "tst_monitoringsetup.moc"
