#include "portanswer.h"

#include <QTest>

using namespace Tensiova;

class TestPortAnswer : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("port"); // 0: refused
        QTest::newRow("three") << "3"
                               << "en_US" << 3;
        QTest::newRow("blanks") << " 3 "
                                << "en_US" << 3;
        QTest::newRow("two and a half") << "2.5"
                                        << "en_US" << 2;
        QTest::newRow("three and a half") << "3.5"
                                          << "en_US" << 4;
        QTest::newRow("french fraction") << "2,5"
                                         << "fr_FR" << 2;
        QTest::newRow("largest") << "32767"
                                 << "en_US" << 32767;
        QTest::newRow("minus one") << "-1"
                                   << "en_US" << 0;
        QTest::newRow("zero") << "0"
                              << "en_US" << 0;
        QTest::newRow("rounds to zero") << "0.5"
                                        << "en_US" << 0;
        QTest::newRow("too large") << "99999"
                                   << "en_US" << 0;
        QTest::newRow("exponent too large") << "1e9"
                                            << "en_US" << 0;
        QTest::newRow("name") << "COM3"
                              << "en_US" << 0;
        QTest::newRow("french point") << "2.5"
                                      << "fr_FR" << 0;
    }

    void parse()
    {
        QFETCH(QString, answer);
        QFETCH(QString, locale);
        QFETCH(int, port);
        const PortAnswer parsed = PortAnswer::parse(answer, QLocale(locale));
        QCOMPARE(parsed.port ? int(*parsed.port) : 0, port);
        // A refusal always says why, quoting the answer.
        QCOMPARE(parsed.problem.isEmpty(), port != 0);
        if (port == 0) {
            QVERIFY(parsed.problem.contains(answer));
        }
    }
};

QTEST_GUILESS_MAIN(TestPortAnswer)
#include "tst_portanswer.moc"
