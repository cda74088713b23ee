#include "numberconversion.h"
#include "testdata.h"

#include <QTest>

#include <clocale>
#include <cmath>

using namespace Tensiova;

class TestNumberConversion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { VERIFY_PROCESS_LOCALE(); }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("integer") << "007" << 7.0;
        QTest::newRow("blanks around") << "  4.5 " << 4.5;
        QTest::newRow("unit after") << "4.5V" << 4.5;
        QTest::newRow("word") << "abc" << 0.0;
        QTest::newRow("comma is no point") << "2,5" << 2.0;
        QTest::newRow("blanks inside") << "1 2\t3" << 123.0;
        QTest::newRow("line feed skipped") << "\n5" << 5.0;
        QTest::newRow("sign then blank") << "- 5" << -5.0;
        QTest::newRow("plus") << "+3" << 3.0;
        QTest::newRow("point first") << ".5" << 0.5;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("exponent") << "1E3" << 1000.0;
        QTest::newRow("exponent D") << "2d2" << 200.0;
        QTest::newRow("negative exponent") << "5E-1" << 0.5;
        QTest::newRow("exponent without digits") << "1E" << 1.0;
        QTest::newRow("hexadecimal") << "&H1F" << 31.0;
        QTest::newRow("hexadecimal 16-bit") << "&HFFFF" << -1.0;
        QTest::newRow("hexadecimal 32-bit") << "&H10000" << 65536.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("octal stops at 8") << "&O18" << 1.0;
        QTest::newRow("ampersand alone") << "&X1" << 0.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("negative fraction") << "-1.5" << -1.5;
        QTest::newRow("four characters") << "0.12" << 0.12;
    }

    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, number);
        QCOMPARE(LeadingNumber(text), number);
    }

    void leadingNumberOfHugeExponent()
    {
        QVERIFY(std::isinf(LeadingNumber(u"1E999")));
        QCOMPARE(LeadingNumber(u"1E-999"), 0.0);
    }

    void numberText_data()
    {
        QTest::addColumn<double>("number");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("french");
        QTest::newRow("zero") << 0.0 << "0"
                              << "0";
        QTest::newRow("negative zero") << -0.0 << "0"
                                       << "0";
        QTest::newRow("whole") << 3.0 << "3"
                               << "3";
        QTest::newRow("minus one") << -1.0 << "-1"
                                   << "-1";
        QTest::newRow("no group separator") << 1000.0 << "1000"
                                            << "1000";
        QTest::newRow("half") << 2.5 << "2.5"
                              << "2,5";
        QTest::newRow("twelve point seven") << 12.7 << "12.7"
                                            << "12,7";
        QTest::newRow("tenth") << 0.1 << "0.1"
                               << "0,1";
        QTest::newRow("negative fraction") << -1.5 << "-1.5"
                                           << "-1,5";
        QTest::newRow("fifteen digits") << 123456789012345.0 << "123456789012345"
                                        << "123456789012345";
        QTest::newRow("large") << 1e15 << "1E+15"
                               << "1E+15";
        QTest::newRow("large fraction") << 1.2e15 << "1.2E+15"
                                        << "1,2E+15";
        QTest::newRow("hundredth thousandth") << 1e-5 << "0.00001"
                                              << "0,00001";
        QTest::newRow("small digits") << 5.6789e-5 << "0.000056789"
                                      << "0,000056789";
        QTest::newRow("eleven places") << 5.6789e-11 << "0.000000000056789"
                                       << "0,000000000056789";
        QTest::newRow("ten places") << 1.5e-10 << "0.00000000015"
                                    << "0,00000000015";
        QTest::newRow("below eleven places") << 5.6789e-12 << "5.6789E-12"
                                             << "5,6789E-12";
        QTest::newRow("subnormal") << 5e-324 << "4.94065645841247E-324"
                                   << "4,94065645841247E-324";
        QTest::newRow("ten thousandth") << 0.0001 << "0.0001"
                                        << "0,0001";
        QTest::newRow("third") << 1.0 / 3.0 << "0.333333333333333"
                               << "0,333333333333333";
        QTest::newRow("two hundred fifty-five") << 255.0 << "255"
                                                << "255";
        QTest::newRow("rounded to fifteen") << 0.1 + 0.2 << "0.3"
                                            << "0,3";
    }

    void numberText()
    {
        QFETCH(double, number);
        QFETCH(QString, english);
        QFETCH(QString, french);
        QCOMPARE(NumberText(number, QLocale(QLocale::English, QLocale::UnitedStates)), english);
        QCOMPARE(NumberText(number, QLocale(QLocale::French, QLocale::France)), french);
    }

    // The C library's locale (which QApplication takes from the desktop) changes nothing.
    void conversionsIgnoreTheCLocale_data()
    {
        QTest::addColumn<QByteArray>("cLocale");
        QTest::newRow("French") << QByteArray("fr_FR.UTF-8");
        QTest::newRow("English") << QByteArray("en_US.UTF-8");
        QTest::newRow("C") << QByteArray("C");
    }

    void conversionsIgnoreTheCLocale()
    {
        QFETCH(QByteArray, cLocale);
        const QByteArray before = std::setlocale(LC_NUMERIC, nullptr);
        QVERIFY(std::setlocale(LC_NUMERIC, cLocale.constData()));
        const QLocale french(QLocale::French, QLocale::France);
        const QString texts[] = {NumberText(12.75, french), NumberText(255, french),
                                 NumberText(1.2e15, french), NumberText(-0.5, QLocale::c())};
        const double numbers[] = {LeadingNumber(u"12.75"), LeadingNumber(u"2,5"),
                                  RegionalNumber(u"2,5", french).value_or(-1)};
        std::setlocale(LC_NUMERIC, before.constData());
        QCOMPARE(texts[0], QStringLiteral("12,75"));
        QCOMPARE(texts[1], QStringLiteral("255"));
        QCOMPARE(texts[2], QStringLiteral("1,2E+15"));
        QCOMPARE(texts[3], QStringLiteral("-0.5"));
        QCOMPARE(numbers[0], 12.75);
        QCOMPARE(numbers[1], 2.0);
        QCOMPARE(numbers[2], 2.5);
    }

    void roundToInt16_data()
    {
        QTest::addColumn<double>("number");
        QTest::addColumn<bool>("fits");
        QTest::addColumn<int>("rounded");
        QTest::newRow("half down to even") << 2.5 << true << 2;
        QTest::newRow("half up to even") << 3.5 << true << 4;
        QTest::newRow("one and a half") << 1.5 << true << 2;
        QTest::newRow("below half") << 0.4 << true << 0;
        QTest::newRow("negative half") << -2.5 << true << -2;
        QTest::newRow("minus one") << -1.0 << true << -1;
        QTest::newRow("largest") << 32767.0 << true << 32767;
        QTest::newRow("rounds past largest") << 32767.5 << false << 0;
        QTest::newRow("smallest after rounding") << -32768.5 << true << -32768;
        QTest::newRow("below smallest") << -32769.0 << false << 0;
        QTest::newRow("huge") << 1e9 << false << 0;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << false << 0;
    }

    void roundToInt16()
    {
        QFETCH(double, number);
        QFETCH(bool, fits);
        QFETCH(int, rounded);
        const auto result = RoundToInt16(number);
        QCOMPARE(result.has_value(), fits);
        if (fits) {
            QCOMPARE(int(*result), rounded);
        }
    }

    void regionalNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("number");
        QTest::newRow("english point") << "2.5"
                                       << "en_US" << true << 2.5;
        QTest::newRow("french comma") << "2,5"
                                      << "fr_FR" << true << 2.5;
        QTest::newRow("french point") << "2.5"
                                      << "fr_FR" << false << 0.0;
        QTest::newRow("english comma is no number") << "2,5"
                                                    << "en_US" << false << 0.0;
        QTest::newRow("blanks around") << " \t12 "
                                       << "en_US" << true << 12.0;
        QTest::newRow("empty") << ""
                               << "en_US" << false << 0.0;
        QTest::newRow("word") << "COM3"
                              << "en_US" << false << 0.0;
        QTest::newRow("trailing unit") << "5V"
                                       << "en_US" << false << 0.0;
        QTest::newRow("negative") << "-1"
                                  << "en_US" << true << -1.0;
        QTest::newRow("exponent") << "1e9"
                                  << "en_US" << true << 1e9;
        QTest::newRow("infinity refused") << "inf"
                                          << "en_US" << false << 0.0;
    }

    void regionalNumber()
    {
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QFETCH(bool, isNumber);
        QFETCH(double, number);
        const auto result = RegionalNumber(text, QLocale(locale));
        QCOMPARE(result.has_value(), isNumber);
        if (isNumber) {
            QCOMPARE(*result, number);
        }
    }
};

QTEST_GUILESS_MAIN(TestNumberConversion)
#include "tst_numberconversion.moc"
