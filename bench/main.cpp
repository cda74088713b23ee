// tensiova-bench: the program's figures, each beside its baseline measured in the same run.
// Prints one line per figure, "name: value unit"; every value is the median of several runs.

#include "app/dialogs/journalwindow.h"
#include "app/dialogs/multisendwindow.h"
#include "app/historywindow/historywindow.h"
#include "app/mainwindow/mainwindow.h"
#include "app/widgets/answerbox.h"
#include "app/widgets/design.h"
#include "figures.h"
#include "heartbeat.h"
#include "history/historyrecorder.h"
#include "link/exchangejournal.h"
#include "link/messagedescription.h"
#include "link/programmingmessage.h"
#include "link/seriallink.h"
#include "processmemory.h"
#include "ptypair.h"
#include "scripteduserdialogs.h"
#include "settings/setupstore.h"
#include "sharedhistory/backgroundsharing.h"
#include "sharedhistory/sharedpush.h"
#include "sharedhistory/sharedserversetting.h"
#include "testserver.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include <signal.h>

using namespace Tensiova;

namespace {

// A wait for the server ends when it answers; this long only when it never does.
constexpr int LongWaitMs = 60000;

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
    }
}

QByteArray fullParamIni()
{
    QByteArray bytes;
    const char *words[] = {"min", "max", "coeff", "ET", "action2", "action1"};
    for (const char *word : words) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            bytes += QByteArray("[") + word + QByteArray::number(channel)
                + "]\r\nvaleur=" + QByteArray::number(channel % 2) + "\r\n";
        }
    }
    return bytes + "[Port COM]\r\nvaleur=1\r\n";
}

struct ProbeRun
{
    double milliseconds = 0;
    double residentKiB = 0;
};

ProbeRun runProbe(const QString &probe, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    process.start(probe, arguments);
    QByteArray line;
    while (!line.contains('\n') && process.waitForReadyRead(10000)) {
        line += process.readAllStandardOutput();
    }
    const double elapsed = milliseconds(timer);
    process.waitForFinished(10000);
    return {elapsed, line.trimmed().split(' ').value(1).toDouble()};
}

void measureStartup(const QString &probe, const QString &folder)
{
    std::vector<double> programTimes, bareTimes, programMemory, bareMemory;
    runProbe(probe, {QStringLiteral("bare")}); // warm the caches for both
    for (int run = 0; run < 9; ++run) {
        const ProbeRun program = runProbe(probe, {QStringLiteral("program"), folder});
        const ProbeRun bare = runProbe(probe, {QStringLiteral("bare")});
        programTimes.push_back(program.milliseconds);
        bareTimes.push_back(bare.milliseconds);
        programMemory.push_back(program.residentKiB);
        bareMemory.push_back(bare.residentKiB);
    }
    report("startup_ms", median(programTimes), "ms");
    report("startup_bare_ms", median(bareTimes), "ms");
    report("startup_ratio", median(programTimes) / median(bareTimes), "");
    report("rss_kib", median(programMemory), "KiB");
    report("rss_bare_kib", median(bareMemory), "KiB");
    report("rss_ratio", median(programMemory) / median(bareMemory), "");
}

void measureFormLoad(const QString &folder, UserDialogs &dialogs)
{
    std::vector<double> times;
    for (int run = 0; run < 21; ++run) {
        MainWindow window(SettingsLocation(folder, folder), dialogs, QLocale::c());
        QElapsedTimer timer;
        timer.start();
        window.Form_Load();
        times.push_back(milliseconds(timer));
    }
    report("form_load_ms", median(times), "ms");
}

void measureEnvoi(const QString &folder, UserDialogs &dialogs, const char *name = "envoi_ms")
{
    PtyPair device;
    if (!device.isValid()) {
        std::fprintf(stderr, "no pseudo-terminal: envoi not measured\n");
        return;
    }
    const QString link = QDir(folder).filePath(QStringLiteral("COM1"));
    QFile::remove(link);
    QFile::link(device.devicePath(), link);

    std::vector<double> firstClick, nextClick;
    for (int run = 0; run < 15; ++run) {
        const auto window =
            MainWindow::load(SettingsLocation(folder, folder), dialogs, QLocale::c());
        for (std::vector<double> *times : {&firstClick, &nextClick}) {
            QElapsedTimer timer;
            timer.start();
            window->Command6_Click();
            times->push_back(milliseconds(timer));
            if (window->serialLink().port().bytesToWrite() != 0) {
                std::fprintf(stderr, "the message was not handed over whole\n");
            }
            device.read(52);
        }
    }
    QFile::remove(link);
    constexpr double wireMilliseconds = 52 * 10 * 1000.0 / 4800.0;
    report(name, median(firstClick), "ms");
    if (qstrcmp(name, "envoi_ms") == 0) {
        report("envoi_open_port_ms", median(nextClick), "ms");
        report("envoi_wire_ratio", median(firstClick) / wireMilliseconds, "");
    }
}

QString answerChunk()
{
    QString chunk;
    while (chunk.size() < 1024) {
        chunk += QStringLiteral("U=%1 V\r\n").arg(QRandomGenerator::global()->bounded(1000));
    }
    return chunk.left(1024);
}

double appendMilliseconds(AnswerBox &box, const QString &chunk, int chunks)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < chunks; ++i) {
        box.appendAnswer(chunk);
        QCoreApplication::processEvents();
    }
    return milliseconds(timer) / chunks;
}

void measureAppend()
{
    const QString chunk = answerChunk();
    std::vector<double> empty, full;
    for (int run = 0; run < 7; ++run) {
        AnswerBox emptyBox;
        emptyBox.resize(219, 23);
        emptyBox.show();
        empty.push_back(appendMilliseconds(emptyBox, chunk, 128));

        AnswerBox fullBox;
        fullBox.resize(219, 23);
        fullBox.show();
        for (int i = 0; i < 1024; ++i) {
            fullBox.appendAnswer(chunk);
        }
        QCoreApplication::processEvents();
        full.push_back(appendMilliseconds(fullBox, chunk, 128));
    }
    report("append_empty_ms_per_kib", median(empty), "ms");
    report("append_full_ms_per_kib", median(full), "ms");
    report("append_flatness", median(full) / median(empty), "");

    AnswerBox box;
    box.resize(219, 23);
    box.show();
    QElapsedTimer timer;
    timer.start();
    int kib = 0;
    while (timer.elapsed() < 2000) {
        box.appendAnswer(chunk);
        QCoreApplication::processEvents();
        ++kib;
    }
    report("append_kib_per_s", kib / (milliseconds(timer) / 1000.0), "KiB/s");
}

// What one more entry costs a journal that holds its 10,000, followed by the window's model.
void measureJournal()
{
    ExchangeJournal journal;
    JournalModel model(journal);
    const QByteArray chunk = QByteArrayLiteral("U3=217 V\r\nU4=998 V\r\n");
    const QString device = QStringLiteral("/dev/ttyUSB0");
    for (int i = 0; i < ExchangeJournal::Capacity; ++i) {
        journal.record(ExchangeJournal::Kind::Received, 33, device, chunk);
    }
    std::vector<double> perEntry;
    for (int run = 0; run < 11; ++run) {
        constexpr int Entries = 10'000;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < Entries; ++i) {
            journal.record(ExchangeJournal::Kind::Received, 33, device, chunk);
        }
        perEntry.push_back(double(timer.nsecsElapsed()) / 1000.0 / Entries);
    }
    report("journal_append_us", median(perEntry), "us");

    // The same with the journal's window open, following every entry.
    ScriptedUserDialogs dialogs;
    JournalWindow window(journal, dialogs);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the journal's window did not show\n");
    }
    perEntry.clear();
    for (int run = 0; run < 11; ++run) {
        constexpr int Entries = 1'000;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < Entries; ++i) {
            journal.record(ExchangeJournal::Kind::Received, 33, device, chunk);
            QCoreApplication::processEvents();
        }
        perEntry.push_back(double(timer.nsecsElapsed()) / 1000.0 / Entries);
    }
    report("journal_append_shown_us", median(perEntry), "us");
}

void measureLoad(const QString &folder)
{
    const QString full = QDir(folder).filePath(QStringLiteral("param.ini"));
    std::vector<double> times;
    for (int run = 0; run < 51; ++run) {
        QElapsedTimer timer;
        timer.start();
        const auto entries = SetupStore::LoadSetup(full, QLocale::c()).entries;
        times.push_back(milliseconds(timer));
        if (entries.size() != 48) {
            std::fprintf(stderr, "load gave %lld entries\n",
                         static_cast<long long>(entries.size()));
        }
    }
    report("load_ms", median(times), "ms");

    QByteArray junk;
    junk.reserve(10 * 1024 * 1024);
    while (junk.size() < 10 * 1024 * 1024) {
        junk += "ligne " + QByteArray::number(QRandomGenerator::global()->generate())
            + " = du texte sans réglage\r\n";
    }
    const QString junkFile = QDir(folder).filePath(QStringLiteral("junk.txt"));
    writeFile(junkFile, junk);
    times.clear();
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        SetupStore::LoadSetup(junkFile, QLocale::c());
        times.push_back(milliseconds(timer));
    }
    report("load_junk_ms", median(times), "ms");
}

// A record as a busy workshop writes them: n minutes from now, 40 ports, 300 files, 50 sites.
// A history of 100,000 records, then what the station pays with it: a record on the event loop,
// the window shown with its first rows, a search, the CSV of all, and the window's memory.
void measureHistory(const QString &folder, ScriptedUserDialogs &dialogs)
{
    constexpr int Records = 100'000;
    qputenv("XDG_DATA_HOME", QFile::encodeName(QDir(folder).filePath(QStringLiteral("data"))));
    {
        HistoryStore store(HistoryStore::defaultPath());
        QElapsedTimer filling;
        filling.start();
        for (int n = 0; n < Records; ++n) {
            SendRecord record = benchRecord(n - Records);
            if (!store.append(record)) {
                std::fprintf(stderr, "history not filled: %s\n", qPrintable(store.error()));
                return;
            }
        }
        report("history_fill_s", milliseconds(filling) / 1000.0, "s");
    }

    PtyPair device;
    MainWindow window(SettingsLocation(folder, folder), dialogs, QLocale::c());
    window.Form_Load();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the main window did not show\n");
    }
    SerialLink &link = window.serialLink();
    link.setDevice(device.devicePath());
    DeviceProgrammer::Envoi envoi;
    envoi.message = envoi.sent = QByteArray(52, 'n');
    envoi.portOpened = true;
    std::vector<double> records;
    double first = 0;
    for (int run = 0; run < 41; ++run) {
        QElapsedTimer timer;
        timer.start();
        // Each one also completes the one before it, as the next "Envoi" does.
        window.history().recordEnvoi(envoi, link, 1, folder);
        (run == 0 ? first : records.emplace_back()) = milliseconds(timer);
        window.history().received("OK\r\n");
    }
    window.history().endAnswer();
    report("history_first_record_ms", first, "ms");
    report("history_record_ms", median(records), "ms");

    const long memoryBefore = residentMemoryKiB();
    QElapsedTimer opening;
    opening.start();
    window.n_historique_Click();
    HistoryWindow *history = window.historyWindow();
    const bool shown = QTest::qWaitForWindowExposed(history);
    const double openMs = milliseconds(opening);
    if (!shown || history->model().rowCount() == 0) {
        std::fprintf(stderr, "the history window did not show its records\n");
    }
    report("history_open_ms", openMs, "ms");

    std::vector<double> filters;
    for (const QString &text :
         {QStringLiteral("armoire 17"), QStringLiteral("com12"), QStringLiteral("ft00042"),
          QStringLiteral("introuvable"), QStringLiteral("site 3"), QStringLiteral("répondu")}) {
        QElapsedTimer timer;
        timer.start();
        history->setSearchText(text);
        QCoreApplication::processEvents();
        filters.push_back(milliseconds(timer));
    }
    report("history_filter_ms", median(filters), "ms");
    history->setSearchText({});

    dialogs.exportChoice = QDir(folder).filePath(QStringLiteral("historique.csv"));
    QElapsedTimer exporting;
    exporting.start();
    history->exportCsv();
    report("history_export_s", milliseconds(exporting) / 1000.0, "s");
    QFile exported(*dialogs.exportChoice);
    report("history_export_mib", double(exported.size()) / (1024.0 * 1024.0), "MiB");
    // Scrolled to the end of a long past, a page at a time.
    for (int page = 0; page < 20; ++page) {
        history->model().fetchMore({});
    }
    QCoreApplication::processEvents();
    report("history_window_rss_kib", double(residentMemoryKiB() - memoryBefore), "KiB");
    useBenchDataFolder(folder);
}

// A station's history of 50,000 records, all marked sent to the server (which the caller then
// fills with them): its station id, or nothing when it could not be made.
std::optional<QString> stationWithRecordsSent(const QString &path, const SharedServer &server)
{
    HistoryStore store(path);
    for (int n = 0; n < 50'000; ++n) {
        SendRecord record = benchRecord(n);
        if (!store.append(record)) {
            std::fprintf(stderr, "station not filled: %s\n", qPrintable(store.error()));
            return std::nullopt;
        }
    }
    SharedDatabase database(server);
    if (!database.connect() || !store.followSharedDatabase(database.databaseId())) {
        std::fprintf(stderr, "station not marked: %s\n", qPrintable(database.error()));
        return std::nullopt;
    }
    for (auto batch = store.unshared(10'000); !batch.isEmpty(); batch = store.unshared(10'000)) {
        store.markShared(batch);
    }
    return store.stationId();
}

// Four stations of 2,500 records each, sent, then lost by the server as a restore from a
// backup taken before them would lose them: from the stations' connection to all back.
void measureRestore(const QString &data, const TestServer &server)
{
    constexpr int Stations = 4;
    QStringList paths;
    QStringList stations;
    for (int station = 0; station < Stations; ++station) {
        paths.append(QDir(data).filePath(QStringLiteral("restored-%1.sqlite").arg(station)));
        HistoryStore store(paths.last());
        for (int n = 0; n < 2'500; ++n) {
            SendRecord record = benchRecord(n);
            store.append(record);
        }
        stations.append(QStringLiteral("'%1'").arg(store.stationId()));
        if (SharedPush(paths.last(), {server.connection()}).run().sent != 2'500) {
            std::fprintf(stderr, "restore: the records were not sent\n");
            return;
        }
    }
    if (!server.query(QStringLiteral("DELETE FROM tensiova_envois WHERE station IN (%1)")
                          .arg(stations.join(QLatin1Char(','))))) {
        std::fprintf(stderr, "restore: the records were not removed\n");
        return;
    }
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> running;
    std::atomic<qint64> restored = 0;
    for (const QString &path : paths) {
        running.emplace_back(
            [&, path] { restored += SharedPush(path, {server.connection()}).run().restored; });
    }
    for (std::thread &thread : running) {
        thread.join();
    }
    report("restore_s", milliseconds(timer) / 1000.0, "s");
    if (restored != Stations * 2'500) {
        std::fprintf(stderr, "restore: %lld restored\n", static_cast<long long>(restored));
    }
}

// The shared history against a real PostgreSQL server on this machine: "Envoi" with the server
// reachable, unreachable or stopped (each beside "Envoi" without one), from "Envoi" to the
// server's commit, a backlog of 10,000 records, then a workshop of 1,000,000 records from 20
// stations as the history window and the command line read it.
void measureShared(const QString &folder, ScriptedUserDialogs &dialogs)
{
    TestServer server;
    if (!server.start()) {
        std::fprintf(stderr, "no PostgreSQL server: shared history not measured (%s)\n",
                     qPrintable(server.error()));
        return;
    }
    const SharedServer reachable {server.connection()};
    const QString data = QDir(folder).filePath(QStringLiteral("shared-data"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    const auto envoiWith = [&](const SharedServer &setting, const char *name) {
        SharedServerSetting::save(setting);
        measureEnvoi(folder, dialogs, name);
    };
    envoiWith({}, "envoi_no_server_ms");
    envoiWith(reachable, "envoi_server_reachable_ms");
    envoiWith({QStringLiteral("host=127.0.0.1 port=1 dbname=atelier")},
              "envoi_server_unreachable_ms");
    server.signalServer(SIGSTOP);
    envoiWith(reachable, "envoi_server_stopped_ms");
    server.signalServer(SIGKILL);
    server.restart(true);
    SharedServerSetting::save({});

    {
        const QString path = QDir(data).filePath(QStringLiteral("push.sqlite"));
        HistoryStore store(path);
        BackgroundSharing sharing(path, reachable);
        QSignalSpy states(&sharing, &BackgroundSharing::stateChanged);
        states.wait(LongWaitMs);
        std::vector<double> pushes;
        SendRecord record = benchRecord(0);
        for (int run = 0; run < 41; ++run) {
            states.clear();
            QElapsedTimer timer;
            timer.start();
            record.id = 0;
            store.append(record);
            sharing.nudge();
            while (states.isEmpty() || states.last().at(0).value<SharingState>().waiting > 0) {
                if (!states.wait(LongWaitMs)) {
                    std::fprintf(stderr, "the shared history did not take the record\n");
                    return;
                }
            }
            pushes.push_back(milliseconds(timer));
        }
        report("shared_push_ms", median(pushes), "ms");
    }
    {
        const QString path = QDir(data).filePath(QStringLiteral("backlog.sqlite"));
        HistoryStore store(path);
        for (int n = 0; n < 10'000; ++n) {
            SendRecord record = benchRecord(n);
            store.append(record);
        }
        QElapsedTimer timer;
        timer.start();
        const SharingState state = SharedPush(path, reachable).run();
        report("shared_backlog_s", milliseconds(timer) / 1000.0, "s");
        if (state.sent != 10'000) {
            std::fprintf(stderr, "backlog: %lld sent\n", static_cast<long long>(state.sent));
        }
    }

    // One of the twenty stations is a real one, its 50,000 records marked sent.
    const QString checkedPath = QDir(data).filePath(QStringLiteral("checked.sqlite"));
    const std::optional<QString> checkedStation = stationWithRecordsSent(checkedPath, reachable);
    if (!checkedStation) {
        return;
    }

    // A million records from 20 stations, 10,000 repères, written on the server by SQL as a
    // workshop imports its old records: the server's statistics are those of the small table it
    // was before (as its own housekeeping left them), none gathered after.
    server.query(QStringLiteral("ANALYZE tensiova_envois"));
    QElapsedTimer filling;
    filling.start();
    const std::optional<QString> filled = server.query(
        QStringLiteral(
            "INSERT INTO tensiova_envois (station, local_id, sent_utc, utc_offset, origin, version,"
            " account, computer, port, device, maker, product, serial_number, setup_file, message,"
            " outcome, reason, answer, answer_text, label, label_folded, search)"
            " SELECT CASE n % 20 WHEN 0 THEN '%1' ELSE 'station-' || n % 20 END, n / 20, now() - "
            "(1000000 - n) * interval '1 minute', 3600,"
            " 'window', '1.0.0', 'technicien' || n % 20, 'POSTE-' || n % 20, 1 + n % 40,"
            " '/dev/ttyUSB' || n % 40, 'FTDI', 'FT232R USB UART', 'FT' || lpad((n % 997)::text, 5, "
            "'0'),"
            " '/home/technicien/reglages/armoire-' || n % 300 || '.ini', decode(repeat('01', 52), "
            "'hex'),"
            " 'answered', '', '\\x4f4b0d0a'::bytea, E'OK\\r\\n', 'Site ' || n % 50 || ', armoire ' "
            "|| "
            "n % 10000,"
            " 'site ' || n % 50 || ', armoire ' || n % 10000,"
            " 'com' || (1 + n % 40) || ' /dev/ttyusb' || n % 40 || ' ftdi ft232r usb uart ft'"
            " || lpad((n % 997)::text, 5, '0') || ' armoire-' || n % 300 || '.ini répondu ok'"
            " || E'\\n' || 'poste-' || n % 20 || E'\\n' || 'technicien' || n % 20"
            " FROM generate_series(1, 1000000) n; SELECT count(*) FROM tensiova_envois")
            .arg(*checkedStation));
    report("shared_fill_s", milliseconds(filling) / 1000.0, "s");
    if (!filled) {
        std::fprintf(stderr, "the workshop's history was not filled\n");
        return;
    }

    HistoryStore local(QDir(data).filePath(QStringLiteral("window.sqlite")));
    const long memoryBefore = residentMemoryKiB();
    HistoryModel model(local);
    QSignalSpy loaded(&model, &HistoryModel::firstPageLoaded);
    const auto timed = [&](const std::function<void()> &change) {
        loaded.clear();
        QElapsedTimer timer;
        timer.start();
        change();
        if (!loaded.wait(LongWaitMs) || !model.failure().isEmpty()) {
            std::fprintf(stderr, "the workshop was not read: %s\n", qPrintable(model.failure()));
        }
        return milliseconds(timer);
    };
    report("shared_first_page_ms", timed([&] { model.setShared(reachable); }), "ms");
    std::vector<double> searches;
    HistoryFilter filter;
    for (const QString &typed :
         {QStringLiteral("a"), QStringLiteral("ar"), QStringLiteral("armoire 12"),
          QStringLiteral("armoire 1234"), QStringLiteral("poste-7"), QStringLiteral("ft00042"),
          QStringLiteral("introuvable")}) {
        filter.text = typed;
        searches.push_back(timed([&] { model.setFilter(filter); }));
        std::fprintf(stderr, "search %s: %.1f ms\n", qPrintable(typed), searches.back());
    }
    report("shared_search_ms", median(searches), "ms");
    report("shared_search_worst_ms", *std::max_element(searches.begin(), searches.end()), "ms");
    filter = {};
    filter.latestByLabel = true;
    report("shared_by_label_ms", timed([&] { model.setFilter(filter); }), "ms");
    report("shared_by_label_rows", model.rowCount(), "");
    filter = {};
    timed([&] { model.setFilter(filter); });
    for (int page = 0; page < 20; ++page) {
        model.fetchMore({});
        if (!QTest::qWaitFor([&model] { return !model.isLoading(); }, LongWaitMs)) {
            std::fprintf(stderr, "a page of the workshop did not come\n");
        }
    }
    report("shared_window_mib", double(residentMemoryKiB() - memoryBefore) / 1024.0, "MiB");

    // The check a station makes on each connection and every few minutes, when nothing is
    // missing: its 50,000 records against the million, first right after the import, then once
    // the server has done the housekeeping it does by itself after inserts (autovacuum's VACUUM,
    // after which its index alone answers).
    SharedPush checked(checkedPath, reachable);
    const auto check = [&checked] {
        QElapsedTimer timer;
        timer.start();
        const SharingState state = checked.run(QDeadlineTimer::Forever, SharedPush::Check::Now);
        if (state.failed || state.restored != 0) {
            std::fprintf(stderr, "check: %lld restored, %s\n",
                         static_cast<long long>(state.restored), qPrintable(state.reason));
        }
        return milliseconds(timer);
    };
    check(); // connected
    report("verify_after_import_ms", check(), "ms");
    server.query(QStringLiteral("VACUUM tensiova_envois"));
    std::vector<double> checks;
    for (int run = 0; run < 11; ++run) {
        checks.push_back(check());
    }
    report("verify_ms", median(checks), "ms");
    measureRestore(data, server);

    SharedServerSetting::save(reachable);
    QProcess csv;
    csv.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer exporting;
    exporting.start();
    csv.start(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../src/tensiova")),
        {QStringLiteral("--history"), QStringLiteral("--shared"), QStringLiteral("--csv")});
    if (!csv.waitForFinished(600000) || csv.exitCode() != 0) {
        std::fprintf(stderr, "--history --shared --csv failed: %s\n",
                     csv.readAllStandardError().constData());
    }
    report("shared_csv_all_s", milliseconds(exporting) / 1000.0, "s");
    useBenchDataFolder(folder);
}

} // namespace

// A set-up every field of which the device takes, and its 52 bytes.
MonitoringSetup benchSetup()
{
    MonitoringSetup setup;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        setup.analog[std::size_t(channel)] = {QString::number(10 + channel), QStringLiteral("200"),
                                              QStringLiteral("5"), channel % 4};
        setup.logic[std::size_t(channel)] = {QString::number(channel % 2), channel % 4};
    }
    return setup;
}

QByteArray programmingBytes()
{
    ProgrammingTable table;
    table.fill(benchSetup());
    return ProgrammingMessage::build(table, QLocale::c()).bytes;
}

// Simulated devices on pseudo-terminals, each behind a COMn link of the settings folder, from
// COM21 on; they end with the benchmark.
struct DeviceBench
{
    std::vector<std::unique_ptr<QProcess>> devices;

    bool start(const QString &folder, int count)
    {
        const QString devsim = QDir(QCoreApplication::applicationDirPath())
                                   .filePath(QStringLiteral("../tools/tensiova-devsim"));
        for (int n = 0; n < count; ++n) {
            const QString link = QDir(folder).filePath(QStringLiteral("COM%1").arg(21 + n));
            QFile::remove(link);
            devices.push_back(std::make_unique<QProcess>());
            devices.back()->start(devsim, {QStringLiteral("--link"), link});
            if (!QTest::qWaitFor([&] { return QFileInfo::exists(link); }, 10000)) {
                std::fprintf(stderr, "simulated device %d did not start\n", n);
                return false;
            }
        }
        return true;
    }
    // Whether every device received the message, byte for byte, as many times as sent.
    bool allReceived(const QByteArray &message, int times)
    {
        const QString rows = hexRows(message).join(QStringLiteral("\n  "));
        return std::all_of(devices.begin(), devices.end(), [&](auto &device) {
            return QString::fromUtf8(device->readAllStandardOutput()).count(rows) == times;
        });
    }
    ~DeviceBench()
    {
        for (auto &device : devices) {
            device->terminate();
            device->waitForFinished(5000);
        }
    }
};

// One set-up to 8 devices at once, beside the same to one; then 16 from the window's dialog,
// its longest pause measured.
void measureMultiSend(const QString &folder, ScriptedUserDialogs &dialogs)
{
    DeviceBench bench;
    if (!bench.start(folder, 16)) {
        return;
    }
    QTemporaryDir data;
    SendContext context;
    context.settingsFolder = folder;
    context.historyPath = QDir(data.path()).filePath(QStringLiteral("historique.sqlite"));
    context.programVersion = QStringLiteral(TENSIOVA_VERSION);
    context.locale = QLocale::c();
    MultiSend sending(context);
    sending.portWatch().waitForListing(10000);
    const auto programme = [&](int count) {
        QList<PortSend::Target> targets;
        QList<int> indexes;
        for (int n = 0; n < count; ++n) {
            targets.append({qint16(21 + n), {}, QStringLiteral("banc %1").arg(n)});
            indexes.append(n);
        }
        sending.setTargets(targets);
        QEventLoop loop;
        QObject::connect(&sending, &MultiSend::finished, &loop, &QEventLoop::quit);
        QElapsedTimer timer;
        timer.start();
        if (!sending.start(benchSetup(), QStringLiteral("bench.ini"), indexes).isEmpty()) {
            std::fprintf(stderr, "fields refused\n");
        }
        if (sending.isRunning()) {
            loop.exec();
        }
        return milliseconds(timer);
    };
    std::vector<double> one, eight;
    for (int run = 0; run < 9; ++run) {
        one.push_back(programme(1));
        eight.push_back(programme(8));
    }
    report("gang_one_ms", median(one), "ms");
    report("gang_eight_ms", median(eight), "ms");
    report("gang_ratio", median(eight) / median(one), "");
    for (auto &device : bench.devices) {
        device->readAllStandardOutput(); // counted below from here on
    }

    // Sixteen from the window: the 52 bytes exact on each, a record each, and the window's pauses.
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const auto window = MainWindow::load(SettingsLocation(folder, folder), dialogs, QLocale::c());
    window->setSetup(benchSetup());
    window->show();
    window->n_plusieurs_Click();
    MultiSendWindow *dialog = window->multiSendWindow();
    const auto labelOf = [dialog](int port) -> QLineEdit * {
        for (int index = 0;; ++index) {
            const auto *tick =
                dialog->findChild<QCheckBox *>(QStringLiteral("Coche(%1)").arg(index));
            if (!tick) {
                return nullptr;
            }
            if (tick->text().startsWith(QStringLiteral("COM%1 ").arg(port))) {
                return dialog->findChild<QLineEdit *>(QStringLiteral("Repere(%1)").arg(index));
            }
        }
    };
    if (!QTest::qWaitFor([&] { return labelOf(36) != nullptr; }, 10000)) {
        std::fprintf(stderr, "the dialog did not list the 16 ports\n");
        return;
    }
    for (int port = 21; port <= 36; ++port) {
        QTest::keyClicks(labelOf(port), QStringLiteral("armoire %1").arg(port));
    }
    const qint64 before = HistoryStore(window->history().store().path()).count({});
    Heartbeat heartbeat;
    dialog->EnvoyerATous_Click();
    if (!QTest::qWaitFor([&] { return !dialog->sending().isRunning(); }, 30000)) {
        std::fprintf(stderr, "the 16 sendings did not end\n");
    }
    report("gang16_longest_pause_ms", double(heartbeat.longestGap()), "ms");
    const qint64 recorded = HistoryStore(window->history().store().path()).count({}) - before;
    report("gang16_records", double(recorded), "");
    report("gang16_bytes_exact", bench.allReceived(programmingBytes(), 1) ? 1.0 : 0.0, "");
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    Design::prepareApplication();
    const QString probe = QDir(QCoreApplication::applicationDirPath())
                              .filePath(QStringLiteral("tensiova-startup-probe"));

    QTemporaryDir folder;
    writeFile(QDir(folder.path()).filePath(QStringLiteral("param.ini")), fullParamIni());
    useBenchDataFolder(folder.path());
    ScriptedUserDialogs dialogs;
    dialogs.echo = [](const QString &title, const QString &text) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    };

    std::printf("# tensiova-bench, Qt %s, medians\n", qVersion());
    // "tensiova-bench gang history" measures those alone; no argument, every one.
    const QStringList chosen = QCoreApplication::arguments().mid(1);
    const std::vector<std::pair<QString, std::function<void()>>> groups {
        {QStringLiteral("startup"),
         [&] {
             measureStartup(probe, folder.path());
         }},
        {QStringLiteral("journal"),
         [&] {
             measureJournal();
         }},
        {QStringLiteral("formload"),
         [&] {
             measureFormLoad(folder.path(), dialogs);
         }},
        {QStringLiteral("envoi"),
         [&] {
             measureEnvoi(folder.path(), dialogs);
         }},
        {QStringLiteral("gang"),
         [&] {
             measureMultiSend(folder.path(), dialogs);
         }},
        {QStringLiteral("append"),
         [&] {
             measureAppend();
         }},
        {QStringLiteral("load"),
         [&] {
             measureLoad(folder.path());
         }},
        {QStringLiteral("history"),
         [&] {
             measureHistory(folder.path(), dialogs);
         }},
        {QStringLiteral("shared"),
         [&] {
             measureShared(folder.path(), dialogs);
         }},
        {QStringLiteral("failover"),
         [&] {
             measureFailover(folder.path());
         }},
        {QStringLiteral("library"), [&] {
             measureLibrary(folder.path());
         }}};
    for (const auto &[name, measure] : groups) {
        if (chosen.isEmpty() || chosen.contains(name)) {
            measure();
        }
    }
    return 0;
}
