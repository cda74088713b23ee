#include "figures.h"

#include "../tools/common/ptypair.h"

#include "app/dialogs/setuplibrarydialog.h"
#include "app/historywindow/historymodel.h"
#include "history/historystore.h"
#include "scripteduserdialogs.h"
#include "settings/setupstore.h"
#include "setuplibrary/workshopsetups.h"
#include "sharedhistory/sharedserversetting.h"
#include "testserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>
#include <functional>

using namespace Tensiova;

namespace {

constexpr int LongWaitMs = 600000;

QString program()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../src/tensiova"));
}

// The program's run with the arguments; false when it did not end with one of the statuses.
double timedRun(const QStringList &arguments, std::initializer_list<int> statuses)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program(), arguments);
    if (!process.waitForFinished(LongWaitMs)
        || std::find(statuses.begin(), statuses.end(), process.exitCode()) == statuses.end()) {
        std::fprintf(stderr, "%s: exit %d, %s\n", qPrintable(arguments.join(QLatin1Char(' '))),
                     process.exitCode(), process.readAllStandardError().constData());
    }
    return milliseconds(timer);
}

double medianOf(int runs, const std::function<double()> &measure)
{
    std::vector<double> values;
    for (int run = 0; run < runs; ++run) {
        values.push_back(measure());
    }
    return median(values);
}

double timed(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return milliseconds(timer);
}

} // namespace

void measureLibrary(const QString &folder)
{
    TestServer server;
    if (!server.start()) {
        std::fprintf(stderr, "no PostgreSQL server: the library not measured (%s)\n",
                     qPrintable(server.error()));
        return;
    }
    const QString data = QDir(folder).filePath(QStringLiteral("library-data"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    const SharedServer approver {server.connection()};
    SharedServerSetting::save(approver);
    SharedDatabase admin(approver);
    if (!admin.connect()) {
        std::fprintf(stderr, "the library's tables were not made: %s\n", qPrintable(admin.error()));
        return;
    }

    // 1,000 set-ups of 10 versions proposed by a station's login (each the bytes of its number),
    // the 9th of each approved, then the 10th: devices hold v10, v9 or others; 100,000 repères
    // given set-ups; 1,000,000 records of those repères.
    QElapsedTimer filling;
    filling.start();
    const std::optional<QString> filled = server.query(QStringLiteral(
        "GRANT tensiova_poste TO poste;"
        "INSERT INTO tensiova_reglages (name) SELECT 'Armoire ' || s FROM generate_series(1, 1000) "
        "s;"
        "SET SESSION AUTHORIZATION poste;"
        "INSERT INTO tensiova_reglage_versions (setup_id, entries, message, comment)"
        " SELECT r.id, array_fill('0'::text, ARRAY[48]),"
        " 'n'::bytea || int4send(r.id::int) || int4send(v) || decode(repeat('00', 43), 'hex'),"
        " 'version ' || v FROM tensiova_reglages r, generate_series(1, 10) v ORDER BY r.id, v;"
        "RESET SESSION AUTHORIZATION;"
        "UPDATE tensiova_reglage_versions SET state = 'approuvee' WHERE number = 9;"
        "UPDATE tensiova_reglage_versions SET state = 'approuvee' WHERE number = 10;"
        "INSERT INTO tensiova_attributions (pattern, setup_id)"
        " SELECT 'P' || k, (SELECT id FROM tensiova_reglages ORDER BY id OFFSET k % 1000 LIMIT 1)"
        " FROM generate_series(0, 99999) k;"
        "INSERT INTO tensiova_envois (station, local_id, sent_utc, utc_offset, origin, version,"
        " account, computer, port, device, maker, product, serial_number, setup_file, message,"
        " outcome, reason, answer, answer_text, label, label_folded, search)"
        " SELECT 'station-' || n % 20, n, now() - (1000000 - n) * interval '1 minute', 3600,"
        " 'window', '1.0.0', 'technicien', 'POSTE-' || n % 20, 1, '/dev/ttyUSB0', '', '', '',"
        " 'reglage.ini', v.message, 'answered', '', '\\x4f4b0d0a'::bytea, E'OK\\r\\n',"
        " 'P' || n % 100000, 'p' || n % 100000, 'p' || n % 100000"
        " FROM generate_series(1, 1000000) n JOIN tensiova_reglage_versions v"
        " ON v.setup_id = (SELECT min(id) FROM tensiova_reglages) + (n % 100000) % 1000"
        " AND v.number = 8 + n % 3;"
        "ANALYZE; SELECT count(*) FROM tensiova_envois"));
    report("library_fill_s", milliseconds(filling) / 1000.0, "s");
    if (!filled) {
        std::fprintf(stderr, "the library was not filled\n");
        return;
    }

    // A set-up of real values, proposed by a station and approved by another login.
    const QString file = QDir(folder).filePath(QStringLiteral("param.ini"));
    QList<FieldProblem> problems;
    const SetupDraft draft = SetupDraft::of(
        scriptSetup(SetupStore::LoadSetup(file, QLocale::system()), problems), QLocale::system());
    SharedDatabase stationDb({server.connection(QStringLiteral("poste"))});
    SetupLibrary library(admin);
    if (!SetupLibrary(stationDb).propose(QStringLiteral("Banc"), draft, {})
        || !library.decide(QStringLiteral("Banc"), 1, SetupVersion::State::Approved)) {
        std::fprintf(stderr, "the bench's set-up was not approved: %s\n",
                     qPrintable(library.error()));
    }
    report("library_list_ms", medianOf(5, [&] { return timed([&] { library.list(); }); }), "ms");
    {
        ScriptedUserDialogs dialogs;
        SetupLibraryDialog dialog(
            HistoryStore::defaultPath(), approver, dialogs, [] { return MonitoringSetup(); },
            QLocale::system());
        QSignalSpy answered(&dialog, &SetupLibraryDialog::answered);
        report("library_dialog_open_ms", timed([&] { answered.wait(LongWaitMs); }), "ms");
        auto *filter = dialog.findChild<QLineEdit *>(QStringLiteral("FiltreReglages"));
        std::vector<double> keystrokes;
        QString typed;
        for (const QChar key : QStringLiteral("armoire 12")) {
            typed += key;
            keystrokes.push_back(timed([&] { filter->setText(typed); }));
        }
        report("library_filter_worst_ms", *std::max_element(keystrokes.begin(), keystrokes.end()),
               "ms");
    }

    // A scanned repère to its set-up: the server reachable (the copy made first), then the copy.
    WorkshopSetups setups(HistoryStore::defaultPath(), approver);
    report("library_copy_ms", timed([&] { setups.refreshCopy(); }), "ms");
    int label = 0;
    for (const bool away : {false, true}) {
        report(away ? "library_label_copy_ms" : "library_label_server_ms",
               medianOf(11,
                        [&] {
                            const QString repere =
                                QStringLiteral("P%1").arg(++label * 7919 % 100000);
                            return timed([&] {
                                if (!setups.versionForLabel(repere, away).version) {
                                    std::fprintf(stderr, "%s: no version\n", qPrintable(repere));
                                }
                            });
                        }),
               "ms");
    }

    // Par repère with each device's state, as the window reads it.
    HistoryStore local(HistoryStore::defaultPath());
    HistoryModel model(local);
    QSignalSpy loaded(&model, &HistoryModel::firstPageLoaded);
    model.setShared(approver);
    loaded.wait(LongWaitMs);
    HistoryFilter byLabel;
    byLabel.latestByLabel = true;
    loaded.clear();
    report("library_by_label_ms", timed([&] {
               model.setFilter(byLabel);
               loaded.wait(LongWaitMs);
           }),
           "ms");
    report("library_by_label_rows", model.rowCount(), "");

    report("library_outdated_csv_s",
           timedRun({QStringLiteral("--history"), QStringLiteral("--shared"),
                     QStringLiteral("--by-label"), QStringLiteral("--outdated"),
                     QStringLiteral("--csv")},
                    {1})
               / 1000.0,
           "s");

    // --send --setup beside --send FILE, to a port with nothing behind it (--wait 0): the same
    // work, the record named and handed to the server, but the device's answer.
    PtyPair port;
    const auto sent = [&](const QStringList &source) {
        return timedRun(QStringList {QStringLiteral("--send")} + source
                            + QStringList {QStringLiteral("--port"), port.devicePath(),
                                           QStringLiteral("--wait"), QStringLiteral("0")},
                        {0});
    };
    const double byFile = medianOf(7, [&] { return sent({file}); });
    const double bySetup = medianOf(7, [&] {
        return sent({QStringLiteral("--setup"), QStringLiteral("Banc")});
    });
    report("library_send_file_ms", byFile, "ms");
    report("library_send_setup_ms", bySetup, "ms");
    SharedServerSetting::save({});
    useBenchDataFolder(folder);
}
