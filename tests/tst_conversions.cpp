// Texts and numbers as the Windows program read and wrote them, whatever the C library's locale.

#include "conversions/numberconversion.h"
#include "testdata.h"

#include <QTest>

#include <clocale>
#include <cmath>

using namespace Tensiova;

class TestConversions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { VERIFY_PROCESS_LOCALE(); }

    void leadingNumber_data() { addDataRows(QStringLiteral("leadingnumber.tsv")); }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(QString, number);
        QCOMPARE(LeadingNumber(QString::fromLatin1(unescaped(text))), number.toDouble());
    }

    void numberText_data() { addDataRows(QStringLiteral("numbertext.tsv")); }
    void numberText()
    {
        QFETCH(QString, number);
        QFETCH(QString, english);
        QFETCH(QString, french);
        QCOMPARE(NumberText(number.toDouble(), QLocale(QLocale::English)), english);
        QCOMPARE(NumberText(number.toDouble(), QLocale(QLocale::French)), french);
    }

    void roundToInt16_data() { addDataRows(QStringLiteral("roundtoint16.tsv")); }
    void roundToInt16()
    {
        QFETCH(QString, number);
        QFETCH(QString, rounded);
        const auto result = RoundToInt16(number.toDouble());
        QCOMPARE(result ? QString::number(*result) : QStringLiteral("overflow"), rounded);
    }

    void regionalNumber_data() { addDataRows(QStringLiteral("regionalnumber.tsv")); }
    void regionalNumber()
    {
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QFETCH(QString, number);
        const auto result = RegionalNumber(QString::fromLatin1(unescaped(text)), QLocale(locale));
        QCOMPARE(result ? QString::number(*result) : QStringLiteral("none"),
                 number == QLatin1String("none") ? number : QString::number(number.toDouble()));
    }

    // The C library's locale (which QApplication takes from the desktop) changes nothing.
    void conversionsIgnoreTheCLocale()
    {
        const QByteArray before = std::setlocale(LC_NUMERIC, nullptr);
        const QLocale french(QLocale::French);
#ifdef Q_OS_WIN
        const auto cLocales = {"French_France.1252", "English_United States.1252", "C"};
#else
        const auto cLocales = {"fr_FR.UTF-8", "en_US.UTF-8", "C"};
#endif
        for (const char *cLocale : cLocales) {
            QVERIFY(std::setlocale(LC_NUMERIC, cLocale));
            const QStringList texts {NumberText(12.75, french), NumberText(255, french),
                                     NumberText(1.2e15, french), NumberText(-0.5, QLocale::c())};
            const QList<double> numbers {LeadingNumber(u"12.75"), LeadingNumber(u"2,5"),
                                         RegionalNumber(u"2,5", french).value_or(-1)};
            std::setlocale(LC_NUMERIC, before.constData());
            QCOMPARE(texts, (QStringList {"12,75", "255", "1,2E+15", "-0.5"}));
            QCOMPARE(numbers, (QList<double> {12.75, 2.0, 2.5}));
        }
    }
};

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
