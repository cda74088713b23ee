// The window against a misbehaving simulated device: it goes away or floods. Each time nothing
// crashes, the event loop keeps turning, memory stays bounded, one clear message comes where one
// is due, and the next "Envoi" works once the device is back.

#include "heartbeat.h"
#include "processmemory.h"
#include "windowfixture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QTimer>

using namespace Tensiova;

namespace {

#ifdef __SANITIZE_ADDRESS__
// The sanitizer keeps freed memory in quarantine for a while, and runs a few times slower.
constexpr long LargestGrowthKiB = 600 * 1024;
constexpr qint64 LongestPauseMs = 250;
#else
constexpr long LargestGrowthKiB = 100 * 1024;
#ifdef NDEBUG
constexpr qint64 LongestPauseMs = 100;
#else
constexpr qint64 LongestPauseMs = 200; // unoptimised, beside other tests
#endif
#endif

struct SimulatedDeviceFixture : WindowFixture
{
    QProcess device;
    QByteArray deviceOutput;

    // Whether the device has said this on its terminal so far.
    bool deviceSaid(const char *words)
    {
        deviceOutput += device.readAllStandardOutput();
        return deviceOutput.contains(words);
    }

    bool startDevice(const QStringList &options = {})
    {
        const QString link = folder.filePath(QStringLiteral("COM1"));
        device.start(QStringLiteral(DEVSIM),
                     options + QStringList {QStringLiteral("--link"), link});
        if (!device.waitForStarted()) {
            return false;
        }
        QElapsedTimer waited;
        waited.start();
        while (!QFileInfo::exists(link) && waited.elapsed() < 30000) {
            QTest::qWait(10);
        }
        return QFileInfo::exists(link);
    }

    // Waits with the event loop running: the window's pauses are measured meanwhile, and a
    // simulated device under LeakSanitizer takes a while to end.
    [[nodiscard]] bool stopDevice()
    {
        device.terminate();
        return QTest::qWaitFor([this] { return device.state() == QProcess::NotRunning; }, 30000);
    }

    // A device that would not end is killed: the next test must not meet it on its terminal.
    ~SimulatedDeviceFixture()
    {
        if (!stopDevice()) {
            device.kill();
            device.waitForFinished();
        }
    }

    MainWindow &openWindow()
    {
        MainWindow &shown = open();
        shown.show();
        return shown;
    }
};

} // namespace

class TestSerialFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        VERIFY_PROCESS_LOCALE();
        Design::prepareApplication();
    }

    void hangUps_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("stopByHand");
        QTest::newRow("while idle") << QStringList {} << true;
        QTest::newRow("while Envoi writes")
            << QStringList {"--silent", "--hangup-after", "1"} << false;
        QTest::newRow("while answers arrive")
            << QStringList {"--flood", "300000", "--hangup-after", "1"} << false;
    }

    void hangUps()
    {
        QFETCH(QStringList, options);
        QFETCH(bool, stopByHand);
        SimulatedDeviceFixture fixture;
        QVERIFY(fixture.startDevice(options));
        MainWindow &window = fixture.openWindow();
        Heartbeat heartbeat;
        window.Command6_Click();
        QVERIFY(window.serialLink().portOpen());
        if (stopByHand) {
            QTRY_COMPARE_WITH_TIMEOUT(window.answers(), QStringLiteral("OK\r\n"), LongWaitMs);
            QVERIFY(heartbeat.without([&] { return fixture.stopDevice(); }));
        }
        QTRY_COMPARE_WITH_TIMEOUT(fixture.dialogs.warnings.size(), 1, LongWaitMs);
        QTest::qWait(200);
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
        QVERIFY(fixture.dialogs.warnings.first().startsWith(QStringLiteral("Liaison perdue|")));
        QVERIFY(!window.serialLink().portOpen());
        QVERIFY2(heartbeat.longestOwnPause() < LongestPauseMs,
                 qPrintable(QString::number(heartbeat.longestOwnPause())));

        QVERIFY(fixture.stopDevice());
        QVERIFY(fixture.startDevice());
        window.Command6_Click();
        QTRY_COMPARE_WITH_TIMEOUT(window.answers(), QStringLiteral("OK\r\n"), LongWaitMs);
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
    }

    void floodOfTenMebibytes()
    {
        SimulatedDeviceFixture fixture;
        QVERIFY(
            fixture.startDevice({QStringLiteral("--reply"), QString(), QStringLiteral("--flood"),
                                 QString::number(10 * 1024 * 1024)}));
        MainWindow &window = fixture.openWindow();
        const long memoryBefore = residentMemoryKiB();
        Heartbeat heartbeat;
        window.Command6_Click();
        // The device tells when it has sent the whole flood; the last bytes may still be on their
        // way.
        QTRY_VERIFY_WITH_TIMEOUT(fixture.deviceSaid("rafale"), 60000);
        QTest::qWait(300);
        QCOMPARE(window.answers().size(), qsizetype(1'000'000));
        QVERIFY2(heartbeat.longestOwnPause() < LongestPauseMs,
                 qPrintable(QString::number(heartbeat.longestOwnPause())));
        const long growth = residentMemoryKiB() - memoryBefore;
        QVERIFY2(growth < LargestGrowthKiB, qPrintable(QStringLiteral("%1 KiB more").arg(growth)));
        QVERIFY(fixture.dialogs.warnings.isEmpty());
    }
};

QTEST_MAIN(TestSerialFaults)
#include "tst_serialfaults.moc"
