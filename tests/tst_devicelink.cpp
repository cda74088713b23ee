#include "actioncombobox.h"
#include "ptypair.h"
#include "windowfixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Tensiova;

namespace {

MonitoringSetup workedExample()
{
    MonitoringSetup setup;
    setup.analog[0] = {QStringLiteral("10"), QStringLiteral("200"), QStringLiteral("5"), 1};
    for (int channel = 1; channel < ChannelCount; ++channel) {
        setup.analog[channel] = {QStringLiteral("0"), QStringLiteral("255"), QStringLiteral("1"),
                                 0};
    }
    setup.logic[0] = {QStringLiteral("1"), 2};
    for (int channel = 1; channel < ChannelCount; ++channel) {
        setup.logic[channel] = {QStringLiteral("0"), 0};
    }
    return setup;
}

// The bytes of the worked example, as the device must receive them.
const QByteArray WorkedExampleBytes =
    QByteArray::fromHex("6E 0A C8 05 01 00 FF 01 00 00 FF 01 00 00 FF 01"
                        "00 00 FF 01 00 00 FF 01 00 00 FF 01 00 00 FF 01"
                        "00 01 02 00 00 00 00 00 00 00 00 00 00 00 00 00"
                        "00 00 00 00");

// The device on a pseudo-terminal, attached as COM1 in the window's settings folder.
struct DeviceFixture : WindowFixture
{
    std::unique_ptr<PtyPair> device = std::make_unique<PtyPair>();

    DeviceFixture() { attach(); }

    void attach()
    {
        const QString link = folder.filePath(QStringLiteral("COM1"));
        QFile::remove(link);
        QFile::link(device->devicePath(), link);
    }

    void send() { QTest::mouseClick(find<QWidget>(QStringLiteral("Command6")), Qt::LeftButton); }
};

} // namespace

class TestDeviceLink : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        VERIFY_PROCESS_LOCALE();
        Design::prepareApplication();
    }

    void workedExampleGoesOutByteExact()
    {
        QCOMPARE(WorkedExampleBytes.size(), 52);
        DeviceFixture fixture;
        MainWindow &window = fixture.open();
        window.setSetup(workedExample());
        QSignalSpy sent(&window, &MainWindow::messageSent);
        fixture.send();
        QCOMPARE(window.answers(), QString());
        QCOMPARE(sent.count(), 1);
        QCOMPARE(fixture.device->read(52), WorkedExampleBytes);
        QVERIFY(window.serialLink().portOpen());

        const QByteArray saved = readBytes(fixture.paramIni());
        QVERIFY(saved.startsWith("[min0]\r\nvaleur=10\r\n[min1]\r\nvaleur=0\r\n"));
        QVERIFY(saved.endsWith("[action17]\r\nvaleur=0\r\n"));
        QCOMPARE(saved.count('['), 48);
    }

    void nextStartShowsWhatWasSent()
    {
        DeviceFixture fixture;
        fixture.open().setSetup(workedExample());
        fixture.send();
        fixture.window.reset();
        QCOMPARE(fixture.open().setup(), workedExample());
    }

    void statesOtherThanZeroOrOneAreCorrected()
    {
        DeviceFixture fixture;
        MainWindow &window = fixture.open();
        MonitoringSetup setup = workedExample();
        setup.logic[3].et = QStringLiteral("2");
        setup.logic[0].et = QStringLiteral(" 1");
        setup.logic[5].et = QStringLiteral("1");
        window.setSetup(setup);
        fixture.send();
        QCOMPARE(fixture.find<QLineEdit>(QStringLiteral("et(3)"))->text(), QStringLiteral("0"));
        QCOMPARE(fixture.find<QLineEdit>(QStringLiteral("et(0)"))->text(), QStringLiteral("0"));
        const QByteArray bytes = fixture.device->read(52);
        QCOMPARE(int(bytes[33]), 0);
        QCOMPARE(int(bytes[39]), 0);
        QCOMPARE(int(bytes[43]), 1);
        QVERIFY(readBytes(fixture.paramIni()).contains("[ET3]\r\nvaleur=0\r\n"));
    }

    void fractionsAreRoundedHalfToEven_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("byte");
        QTest::newRow("2.5") << "C"
                             << "2.5" << 2;
        QTest::newRow("3.5") << "C"
                             << "3.5" << 4;
        QTest::newRow("french 2,5") << "fr_FR"
                                    << "2,5" << 2;
        QTest::newRow("blanks") << "C"
                                << " 12 " << 12;
    }

    void fractionsAreRoundedHalfToEven()
    {
        QFETCH(QString, locale);
        QFETCH(QString, typed);
        QFETCH(int, byte);
        DeviceFixture fixture;
        MainWindow &window = fixture.open(QLocale(locale));
        MonitoringSetup setup = workedExample();
        setup.analog[2].max = typed;
        window.setSetup(setup);
        fixture.send();
        QCOMPARE(int(static_cast<unsigned char>(fixture.device->read(52).at(10))), byte);
        QVERIFY(
            readBytes(fixture.paramIni()).contains("[max2]\r\nvaleur=" + typed.toUtf8() + "\r\n"));
    }

    void wrongFieldsSendAndSaveNothing()
    {
        DeviceFixture fixture;
        const QByteArray before = iniBytes({{"Port COM", "1"}, {"min0", "3"}});
        writeBytes(fixture.paramIni(), before);
        MainWindow &window = fixture.open();
        MonitoringSetup setup = workedExample();
        setup.analog[3].max = QStringLiteral("300");
        setup.analog[1].coeff = QStringLiteral("abc");
        window.setSetup(setup);
        auto *list = fixture.find<ActionComboBox>(QStringLiteral("Combo1(1)"));
        list->lineEdit()->selectAll();
        QTest::keyClicks(list->lineEdit(), QStringLiteral("sirene"));
        fixture.send();
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
        const QString warning = fixture.dialogs.warnings.first();
        QVERIFY(warning.startsWith(QStringLiteral("Envoi impossible|")));
        QVERIFY(warning.contains(QStringLiteral("AN3 – Valeur max : « 300 »")));
        QVERIFY(warning.contains(QStringLiteral("AN1 – Coeff : « abc »")));
        QVERIFY(warning.contains(QStringLiteral("ET2 – Action : aucune entrée choisie")));
        QVERIFY(!window.serialLink().portOpen());
        QCOMPARE(fixture.device->readFor(200), QByteArray());
        QCOMPARE(readBytes(fixture.paramIni()), before);
    }

    void secondEnvoiSendsAgainOnTheOpenPort()
    {
        DeviceFixture fixture;
        writeBytes(fixture.paramIni(), iniBytes({{"Port COM", "1"}}));
        MainWindow &window = fixture.open();
        window.setSetup(workedExample());
        fixture.send();
        fixture.send();
        QCOMPARE(fixture.device->read(104), WorkedExampleBytes + WorkedExampleBytes);
        QVERIFY(readBytes(fixture.paramIni()).startsWith("[Port COM]\r\nvaleur=1\r\n[min0]"));
    }

    void portThatCannotOpenIsExplained()
    {
        DeviceFixture fixture;
        writeBytes(fixture.paramIni(), iniBytes({{"Port COM", "97"}}));
        MainWindow &window = fixture.open();
        fixture.send();
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
        QVERIFY(fixture.dialogs.warnings.first().contains(QStringLiteral("COM97")));
        // Listed among the ports present: the simulated device as COM1.
        QVERIFY(fixture.dialogs.warnings.first().contains(QStringLiteral("COM1 (")));
        QVERIFY(!window.serialLink().portOpen());
        QCOMPARE(readBytes(fixture.paramIni()).count('['), 49);
    }

    void answersAppearAsReceived()
    {
        DeviceFixture fixture;
        MainWindow &window = fixture.open();
        QCOMPARE(window.answers(), QStringLiteral("...."));
        fixture.send();
        fixture.device->read(52);
        fixture.device->write("OK");
        QTRY_COMPARE(window.answers(), QStringLiteral("OK"));
        fixture.device->write("\r\n");
        QTRY_COMPARE(window.answers(), QStringLiteral("OK\r\n"));
        window.Comm1_OnComm(1);
        QCOMPARE(window.answers(), QStringLiteral("OK\r\n"));
        fixture.device->write(QByteArray("\x80\xE9\0", 3));
        QTRY_COMPARE(window.answers(), QStringLiteral("OK\r\n€é") + QChar(0));
        QVERIFY(fixture.find<QPlainTextEdit>(QStringLiteral("Text1"))
                    ->toPlainText()
                    .startsWith(QStringLiteral("OK\n")));

        // A click empties the box; the next answer starts a new text.
        auto *box = fixture.find<QPlainTextEdit>(QStringLiteral("Text1"));
        QTest::mouseClick(box->viewport(), Qt::LeftButton);
        QCOMPARE(window.answers(), QString());
        fixture.device->write("B");
        QTRY_COMPARE(window.answers(), QStringLiteral("B"));
    }

    void quitterHidesThePanelAndClosesThePortLater()
    {
        DeviceFixture fixture;
        MainWindow &window = fixture.open();
        auto *closing = fixture.find<QTimer>(QStringLiteral("Timer3"));
        QVERIFY(!closing->isActive());
        closing->setInterval(400);
        window.show();
        window.setSetup(workedExample());
        fixture.send();
        fixture.device->write("OK");
        QTRY_COMPARE(window.answers(), QStringLiteral("OK"));

        QTest::mouseClick(fixture.find<QWidget>(QStringLiteral("Command5")), Qt::LeftButton);
        QVERIFY(!window.isPanelVisible());
        QVERIFY(closing->isActive());
        QVERIFY(window.serialLink().portOpen());
        // Answers keep arriving while the panel is hidden.
        fixture.device->write("!");
        QTRY_COMPARE(window.answers(), QStringLiteral("OK!"));

        window.n_surv_Click();
        QVERIFY(window.isPanelVisible());
        QCOMPARE(window.setup(), workedExample());
        fixture.send();
        QTRY_VERIFY(!window.serialLink().portOpen());
        QVERIFY(!closing->isActive());
        QCOMPARE(fixture.device->read(104), WorkedExampleBytes + WorkedExampleBytes);

        fixture.send();
        QVERIFY(window.serialLink().portOpen());
        QCOMPARE(fixture.device->read(52), WorkedExampleBytes);
    }

    void quitterWithThePortClosedOnlyStopsTheTimer()
    {
        DeviceFixture fixture;
        MainWindow &window = fixture.open();
        auto *closing = fixture.find<QTimer>(QStringLiteral("Timer3"));
        closing->setInterval(100);
        window.Command5_Click();
        QTRY_VERIFY(!closing->isActive());
        QVERIFY(!window.serialLink().portOpen());
        QVERIFY(fixture.dialogs.warnings.isEmpty());
    }

    void lostDeviceIsToldOnceAndTheWindowStaysResponsive()
    {
        DeviceFixture fixture;
        MainWindow &window = fixture.open();
        window.setSetup(workedExample());
        fixture.send();
        fixture.device->read(52);

        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer heartbeat;
        heartbeat.setInterval(10);
        sinceTick.start();
        connect(&heartbeat, &QTimer::timeout,
                [&] { longestGap = qMax(longestGap, sinceTick.restart()); });
        heartbeat.start();

        fixture.device->hangUp();
        QTRY_COMPARE(fixture.dialogs.warnings.size(), 1);
        QTest::qWait(300);
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
        QVERIFY(fixture.dialogs.warnings.first().contains(QStringLiteral("COM1")));
        QVERIFY(!window.serialLink().portOpen());
        QVERIFY2(longestGap < 100, qPrintable(QString::number(longestGap)));

        fixture.device = std::make_unique<PtyPair>();
        fixture.attach();
        fixture.send();
        QCOMPARE(fixture.device->read(52), WorkedExampleBytes);
    }

    void portDialog_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("port");
        QTest::addColumn<QByteArray>("saved"); // empty: param.ini untouched
        QTest::addColumn<bool>("warned");
        QTest::newRow("cancel or empty") << "C"
                                         << "" << 1 << QByteArray() << false;
        QTest::newRow("three") << "C"
                               << "3" << 3 << QByteArray("[Port COM]\r\nvaleur=3\r\n") << false;
        QTest::newRow("kept as typed")
            << "C"
            << "2.5" << 2 << QByteArray("[Port COM]\r\nvaleur=2.5\r\n") << false;
        QTest::newRow("french") << "fr_FR"
                                << " 4,4 " << 4 << QByteArray("[Port COM]\r\nvaleur= 4,4 \r\n")
                                << false;
        QTest::newRow("minus one") << "C"
                                   << "-1" << 1 << QByteArray() << true;
        QTest::newRow("too large") << "C"
                                   << "99999" << 1 << QByteArray() << true;
        QTest::newRow("exponent") << "C"
                                  << "1e9" << 1 << QByteArray() << true;
        QTest::newRow("name") << "C"
                              << "COM3" << 1 << QByteArray() << true;
    }

    void portDialog()
    {
        QFETCH(QString, locale);
        QFETCH(QString, answer);
        QFETCH(int, port);
        QFETCH(QByteArray, saved);
        QFETCH(bool, warned);
        DeviceFixture fixture;
        MainWindow &window = fixture.open(QLocale(locale));
        fixture.dialogs.textAnswer = answer;
        window.n_port_Click();
        QCOMPARE(fixture.dialogs.textQuestions,
                 QStringList {QStringLiteral(
                     "Changement du port de communication|Port de communication|1")});
        QCOMPARE(int(window.serialLink().commPort()), port);
        QCOMPARE(readBytes(fixture.paramIni()), saved);
        QCOMPARE(fixture.dialogs.warnings.size(), warned ? 1 : 0);
        if (warned) {
            QVERIFY(fixture.dialogs.warnings.first().contains(answer));
        }
    }

    void portDialogProposesTheCurrentPortAndRefusesWhileOpen()
    {
        DeviceFixture fixture;
        writeBytes(fixture.paramIni(), iniBytes({{"Port COM", "1"}}));
        MainWindow &window = fixture.open();
        fixture.send();
        QVERIFY(window.serialLink().portOpen());
        fixture.dialogs.textAnswer = QStringLiteral("2");
        window.n_port_Click();
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
        QVERIFY(fixture.dialogs.warnings.first().contains(QStringLiteral("ouvert")));
        QCOMPARE(window.serialLink().commPort(), qint16(1));
        QVERIFY(readBytes(fixture.paramIni()).startsWith("[Port COM]\r\nvaleur=1\r\n"));
    }

    // The user's own desktop: the window takes the system locale, which the suite runs in French.
    void frenchDesktopShowsSendsAndKeepsFractions()
    {
        DeviceFixture fixture;
        writeBytes(
            fixture.paramIni(),
            iniBytes({{"min0", "2.5"}, {"max0", "3.5"}, {"coeff0", "12.75"}, {"max1", "255"}}));
        MainWindow &window = fixture.open();
        QCOMPARE(window.setup().analog[0],
                 (AnalogChannelSetup {QStringLiteral("2,5"), QStringLiteral("3,5"),
                                      QStringLiteral("12,7"), 0}));
        QCOMPARE(window.setup().analog[1].max, QStringLiteral("255"));
        fixture.send();
        QCOMPARE(fixture.device->read(52).mid(1, 6), QByteArray::fromHex("02 04 0D 00 00 FF"));
        const QByteArray saved = readBytes(fixture.paramIni());
        QVERIFY(saved.contains("[min0]\r\nvaleur=2,5\r\n"));
        QVERIFY(saved.contains("[coeff0]\r\nvaleur=12,7\r\n"));
        QVERIFY(fixture.dialogs.warnings.isEmpty());
    }

    // The device gets the settings even when param.ini cannot keep them, and the user is told.
    void envoiWhoseSaveFailsStillSendsAndSaysSo_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("read-only") << "read-only"
                                   << "lecture seule";
        QTest::newRow("folder") << "folder"
                                << "dossier";
    }

    void envoiWhoseSaveFailsStillSendsAndSaysSo()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        DeviceFixture fixture;
        const QByteArray before("; atelier\r\n[Port COM]\r\nvaleur=1\r\n");
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(fixture.paramIni()));
        } else {
            writeBytes(fixture.paramIni(), before);
            QVERIFY(QFile::setPermissions(fixture.paramIni(), QFileDevice::ReadOwner));
        }
        MainWindow &window = fixture.open();
        window.setSetup(workedExample());
        fixture.send();
        QCOMPARE(fixture.device->read(52), WorkedExampleBytes);
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
        const QString warning = fixture.dialogs.warnings.first();
        QVERIFY2(warning.contains(QStringLiteral("envoyés")) && warning.contains(reason)
                     && warning.contains(fixture.paramIni()),
                 qPrintable(warning));
        if (kind != QLatin1String("folder")) {
            QCOMPARE(readBytes(fixture.paramIni()), before);
        }
    }

    // A device answer due just before 4.5 s must still arrive before the port closes.
    void portClosesNeverBeforeItsDelay()
    {
        DeviceFixture fixture;
        MainWindow &window = fixture.open();
        fixture.send();
        QVERIFY(window.serialLink().portOpen());
        QElapsedTimer sinceQuitter;
        sinceQuitter.start();
        window.Command5_Click();
        QTest::qWait(4450);
        fixture.device->write("tard");
        QTRY_VERIFY_WITH_TIMEOUT(!window.serialLink().portOpen(), 2000);
        QVERIFY2(sinceQuitter.elapsed() >= 4500,
                 qPrintable(QString::number(sinceQuitter.elapsed())));
        QCOMPARE(window.answers(), QStringLiteral("tard"));
    }

    void clockShowsDateAndTime()
    {
        DeviceFixture fixture;
        MainWindow &window = fixture.open(QLocale(QLocale::French, QLocale::France));
        auto *clock = fixture.find<QLabel>(QStringLiteral("Label5"));
        QCOMPARE(clock->text(), QStringLiteral("..."));
        const int before = clock->width();
        window.Timer2_Timer();
        QVERIFY(
            clock->text().contains(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"))));
        QVERIFY(clock->text().count(QLatin1Char(':')) == 2);
        QVERIFY(clock->width() > before);
        QCOMPARE(fixture.find<QTimer>(QStringLiteral("Timer2"))->interval(), 1000);
        QVERIFY(fixture.find<QTimer>(QStringLiteral("Timer2"))->isActive());
    }
};

QTEST_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
