// tensiova-soak: the real window, offscreen, against a simulated device for a long run at the
// device's pace. "Envoi" every 2 s; the device answers each message and sends bursts of text at
// line rate in between; every 30 s it hangs up and comes back on the same link 1 s later. Prints
// the figures once a minute and at the end; exits 0 only when nothing was lost, memory stopped
// growing and the event loop never stalled.
//
// --stream: a device that streams its text one byte at a time at line rate, the journal's window
// open, for 5 minutes unless --minutes says otherwise. Exits 0 when every byte reached the journal
// and the answers box, the event loop never paused 100 ms and the program used under a tenth of a
// core.

#include "app/dialogs/journalwindow.h"
#include "app/mainwindow/mainwindow.h"
#include "app/widgets/design.h"
#include "heartbeat.h"
#include "history/historyrecorder.h"
#include "link/seriallink.h"
#include "processmemory.h"
#include "ptypair.h"
#include "scripteduserdialogs.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

using namespace Tensiova;

namespace {

constexpr int EnvoiPeriodMs = 2000;
constexpr int HangUpPeriodMs = 30000;
constexpr int AwayMs = 1000;
constexpr int BurstTickMs = 100;
constexpr int BurstBytesPerTick = 48; // 4800 baud, 10 bits a byte: 480 bytes a second
constexpr int QuietBeforeEnvoiMs = 400; // no burst then: everything sent has arrived

// The device on a pseudo-terminal behind a COM200 link, driven by the window's own event loop.
// Beyond the fixed table, that number names nothing while the device is away.
class SoakDevice
{
public:
    explicit SoakDevice(const QString &link)
        : m_link(link)
    {
        comeBack();
    }

    qint64 messagesWhole = 0;
    qint64 reopenedAfterHangUp = 0;
    QByteArray sentSinceEnvoi; // what the window should show since its last "Envoi"
    QByteArray expectedMessage;

    bool isPresent() const { return m_terminal != nullptr; }

    // Like an adapter pulled out, the device's name goes with it: the link never points at a
    // terminal number that another program's terminal may take in the meantime.
    void hangUp()
    {
        QFile::remove(m_link);
        m_notifier.reset();
        m_terminal.reset();
        m_justCameBack = false;
    }

    void comeBack()
    {
        m_terminal = std::make_unique<PtyPair>();
        QFile::remove(m_link);
        QFile::link(m_terminal->devicePath(), m_link);
        m_notifier = std::make_unique<QSocketNotifier>(m_terminal->masterDescriptor(),
                                                       QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { receive(); });
        m_justCameBack = true;
        m_pending.clear();
    }

    // Between messages; back from a hang-up, only once the program has written again (until it
    // reopens the port, nothing would read it).
    void burst()
    {
        if (!m_terminal || m_justCameBack) {
            return;
        }
        QByteArray text;
        while (text.size() < BurstBytesPerTick) {
            text += QStringLiteral("U%1=%2 V\r\n")
                        .arg(QRandomGenerator::global()->bounded(8))
                        .arg(QRandomGenerator::global()->bounded(1000))
                        .toLatin1();
        }
        say(text.left(BurstBytesPerTick));
    }

private:
    void say(const QByteArray &bytes)
    {
        if (m_terminal && m_terminal->write(bytes)) {
            sentSinceEnvoi += bytes;
        }
    }

    void receive()
    {
        char buffer[256];
        const ssize_t count = ::read(m_terminal->masterDescriptor(), buffer, sizeof buffer);
        if (count <= 0) {
            return;
        }
        m_pending.append(buffer, count);
        while (!expectedMessage.isEmpty() && m_pending.size() >= expectedMessage.size()) {
            const QByteArray message = m_pending.left(expectedMessage.size());
            m_pending.remove(0, expectedMessage.size());
            messagesWhole += message == expectedMessage ? 1 : 0;
            reopenedAfterHangUp += m_justCameBack ? 1 : 0;
            m_justCameBack = false;
            // The window emptied its answers box when it sent: the answer starts a new text.
            sentSinceEnvoi.clear();
            say(QByteArrayLiteral("OK\r\n"));
        }
    }

    QString m_link;
    std::unique_ptr<PtyPair> m_terminal;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QByteArray m_pending;
    bool m_justCameBack = false;
};

// The processor time this process has used, user and system, in milliseconds.
// who: RUSAGE_SELF (the whole process) or RUSAGE_THREAD (the calling thread).
qint64 processorMs(int who = RUSAGE_SELF)
{
    rusage usage = {};
    ::getrusage(who, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

int stream(QApplication &application, int minutes)
{
    QTemporaryDir folder;
    PtyPair device;
    QFile::link(device.devicePath(), folder.filePath(QStringLiteral("COM1")));
    ScriptedUserDialogs dialogs;
    const auto window = MainWindow::load(SettingsLocation(folder.path(), folder.path()), dialogs);
    window->show();
    window->Command6_Click(); // opens the port
    window->n_journal_Click();
    ::tcflush(device.masterDescriptor(), TCIFLUSH);

    // Every byte the journal received, gathered as its entries come.
    QByteArray journalled;
    ExchangeJournal &journal = window->journal();
    QObject::connect(&journal, &ExchangeJournal::appended, [&] {
        const ExchangeJournal::Entry &entry = journal.at(journal.size() - 1);
        if (entry.kind == ExchangeJournal::Kind::Received) {
            journalled += entry.bytes;
        }
    });

    // The device on a thread of its own, so that its work is not counted as the program's: 480
    // bytes a second, each written alone, as a device's UART hands them over.
    const qint64 length = qint64(minutes) * 60000;
    QByteArray sent;
    qint64 deviceMs = 0;
    QElapsedTimer clock;
    clock.start();
    const qint64 startMs = processorMs();
    Heartbeat heartbeat;
    std::thread deviceThread([&] {
        const QByteArray text = QByteArrayLiteral("U3=417 V\r\n");
        const auto start = std::chrono::steady_clock::now();
        for (qint64 n = 0; n * 1000 / 480 < length; ++n) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(n * 1'000'000 / 480));
            const char byte = text.at(n % text.size());
            if (::write(device.masterDescriptor(), &byte, 1) == 1) {
                sent += byte;
            }
        }
        deviceMs = processorMs(RUSAGE_THREAD);
        // The last bytes land, then the run ends.
        QMetaObject::invokeMethod(&application, [&application] {
            QTimer::singleShot(500, &application, &QApplication::quit);
        });
    });
    application.exec();
    deviceThread.join();
    const double cpuPercent =
        100.0 * double(processorMs() - startMs - deviceMs) / double(clock.elapsed());
    const bool everyByte = journalled == sent && window->answers() == QString::fromLatin1(sent);
    std::printf("stream_bytes: %lld\nstream_journal_entries: %d\nstream_every_byte: %s\n"
                "stream_max_stall_ms: %lld ms\nstream_cpu_percent: %.3g %%\n",
                qint64(sent.size()), journal.size(), everyByte ? "yes" : "no",
                heartbeat.longestGap(), cpuPercent);
    return everyByte && heartbeat.longestGap() < 100 && cpuPercent < 10 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Long run of the window against a device."));
    parser.addHelpOption();
    const QCommandLineOption minutesOption(QStringLiteral("minutes"),
                                           QStringLiteral("Length of the run (default 60)."),
                                           QStringLiteral("N"), QStringLiteral("60"));
    const QCommandLineOption streamOption(
        QStringLiteral("stream"), QStringLiteral("A device streaming byte by byte, journal open."));
    parser.addOptions({minutesOption, streamOption});
    parser.process(application);
    const int minutes = qMax(1, parser.value(minutesOption).toInt());
    Design::prepareApplication();
    if (parser.isSet(streamOption)) {
        return stream(application, parser.isSet(minutesOption) ? minutes : 5);
    }

    QTemporaryDir folder;
    QFile settings(folder.filePath(QStringLiteral("param.ini")));
    if (settings.open(QIODevice::WriteOnly)) {
        settings.write("[Port COM]\r\nvaleur=200\r\n");
        settings.close();
    }
    SoakDevice device(folder.filePath(QStringLiteral("COM200")));
    ScriptedUserDialogs dialogs;
    // A history of its own: every message sent must be in it.
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder.filePath(QStringLiteral("data"))));
    const auto window = MainWindow::load(SettingsLocation(folder.path(), folder.path()), dialogs);
    window->show();

    qint64 sent = 0;
    qint64 refused = 0;
    qint64 hangUps = 0;
    qint64 lostAnswers = 0;
    qint64 longestEnvoi = 0;
    long rssStart = 0;
    long rssHalf = 0;
    QObject::connect(window.get(), &MainWindow::messageSent, [&](const QByteArray &bytes) {
        ++sent;
        device.expectedMessage = bytes;
    });

    QElapsedTimer clock;
    clock.start();
    const qint64 length = qint64(minutes) * 60000;
    qint64 nextEnvoi = 0;
    // In the quiet before an "Envoi": what the device said has all arrived, and that "Envoi"
    // finds it away.
    qint64 nextHangUp = HangUpPeriodMs - QuietBeforeEnvoiMs / 2;
    qint64 comeBackAt = -1;
    int minutesReported = 0;

    Heartbeat heartbeat;
    const auto report = [&](int minute) {
        const long rss = residentMemoryKiB();
        std::printf("soak: minutes %d, sent %lld, received_ok %lld, hangups %lld, reopened %lld, "
                    "lost %lld, rss_start_kib %ld, rss_end_kib %ld, rss_growth_kib %ld, "
                    "max_stall_ms %lld\n",
                    minute, sent, device.messagesWhole, hangUps, device.reopenedAfterHangUp,
                    (sent - device.messagesWhole) + lostAnswers, rssStart, rss,
                    rssHalf > 0 ? rss - rssHalf : 0, heartbeat.longestGap());
        std::fflush(stdout);
    };

    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(BurstTickMs);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (comeBackAt >= 0 && now >= comeBackAt) {
            device.comeBack();
            comeBackAt = -1;
        }
        if (now >= nextHangUp) {
            device.hangUp();
            ++hangUps;
            comeBackAt = now + AwayMs;
            nextHangUp += HangUpPeriodMs;
        }
        // Reported and ended before an "Envoi", never with a message on its way.
        const int minute = int(now / 60000);
        if (now >= length) {
            application.quit();
            return;
        }
        if (minute > minutesReported) {
            minutesReported = minute;
            report(minute);
        }
        if (now >= nextEnvoi) {
            // Everything the device said since the last "Envoi" must be in the box by now.
            if (sent > 0 && window->answers() != QString::fromLatin1(device.sentSinceEnvoi)) {
                ++lostAnswers;
            }
            device.sentSinceEnvoi.clear();
            const qint64 before = sent;
            QElapsedTimer envoiTime;
            envoiTime.start();
            window->Command6_Click();
            longestEnvoi = qMax(longestEnvoi, envoiTime.elapsed());
            refused += sent == before ? 1 : 0;
            nextEnvoi += EnvoiPeriodMs;
        } else if (nextEnvoi - now > QuietBeforeEnvoiMs
                   && now - (nextEnvoi - EnvoiPeriodMs) > 300) {
            device.burst();
        }
        if (rssStart == 0) {
            rssStart = residentMemoryKiB();
        }
        if (rssHalf == 0 && now >= length / 2) {
            rssHalf = residentMemoryKiB();
        }
    });
    tick.start();
    application.exec();
    report(minutes);
    const long growth = residentMemoryKiB() - rssHalf;
    const qint64 lost = (sent - device.messagesWhole) + lostAnswers;
    window->history().endAnswer();
    qint64 recordsSent = 0;
    qint64 recordsRefused = 0;
    window->history().store().forEach({}, -1, 0, [&](const SendRecord &record) {
        const bool wentOut = record.outcome == SendRecord::Outcome::Answered
            || record.outcome == SendRecord::Outcome::NoAnswer;
        (wentOut ? recordsSent : recordsRefused) += 1;
        return true;
    });
    std::printf("soak: refused %lld (the device was away), longest Envoi %lld ms, history: "
                "records_sent %lld of sent %lld, records_refused %lld of refused %lld\n",
                refused, longestEnvoi, recordsSent, sent, recordsRefused, refused);
    return lost == 0 && growth < 2048 && heartbeat.longestGap() < 100 && recordsSent == sent
            && recordsRefused == refused
        ? 0
        : 1;
}
