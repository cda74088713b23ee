// The history of "Envoi": records written and read back byte-exact, searched, exported, and kept
// through every fault of the file: unwritable, damaged, newer, killed mid-write, shared.

#include "app/historywindow/historymodel.h"
#include "app/historywindow/historysheet.h"
#include "app/historywindow/historywindow.h"
#include "app/sentences/historymessages.h"
#include "app/widgets/setupgrid.h"
#include "conversions/windows1252.h"
#include "history/historycsv.h"
#include "history/historyrecorder.h"
#include "history/historystore.h"
#include "link/programmingmessage.h"
#include "link/seriallink.h"
#include "model/actionchoice.h"
#include "scripteduserdialogs.h"
#include "testdata.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sqlite3.h>

#include <atomic>
#include <csignal>
#include <thread>

#ifndef Q_OS_WIN
#include <sys/resource.h>
#endif

using namespace Tensiova;

namespace {

// What a tool of poppler's prints of a PDF file.
QString pdfTool(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(LongWaitMs)) {
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of a PDF file as laid out on its pages, each ended by a form feed.
QString pdfText(const QString &pdf)
{
    return pdfTool(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

// What a search typed in the window asks for.
HistoryFilter textFilter(const QString &text)
{
    HistoryFilter filter;
    filter.text = text;
    return filter;
}

// What "Envoi" did: the port not opened, opened but the device gone as it was written, or sent.
enum class Reached { Nothing, Port, Device };
DeviceProgrammer::Envoi envoi(Reached reached)
{
    DeviceProgrammer::Envoi envoi;
    envoi.message = workedExampleBytes();
    envoi.portOpened = reached != Reached::Nothing;
    envoi.sent = reached == Reached::Device ? envoi.message : QByteArray();
    return envoi;
}

QString historyIn(const QTemporaryDir &folder)
{
    return folder.filePath(QStringLiteral("data/tensiova/historique.sqlite"));
}

// A statement run straight on the file, as another program would.
QString sql(const QString &path, const QString &statement)
{
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    QString result;
    sqlite3_exec(
        db, statement.toUtf8().constData(),
        [](void *out, int, char **values, char **) {
            *static_cast<QString *>(out) += QString::fromUtf8(values[0] ? values[0] : "") + '\n';
            return 0;
        },
        &result, nullptr);
    sqlite3_close(db);
    return result.trimmed();
}

QList<SendRecord> allRecords(const QString &path)
{
    HistoryStore store(path);
    return store.records({});
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { VERIFY_PROCESS_LOCALE(); }

    // Every field comes back as it went in, bytes and accents included; newest first.
    void recordsComeBackExact()
    {
        QTemporaryDir folder;
        HistoryStore store(historyIn(folder));
        QVERIFY(store.records({}).isEmpty());
        QVERIFY2(!QFileInfo::exists(store.path()), "nothing is made before the first record");
        QList<SendRecord> written;
        for (int n = 0; n < 3; ++n) {
            SendRecord record = sampleRecord(n);
            QVERIFY2(store.append(record), qPrintable(store.error()));
            QCOMPARE(record.id, n + 1);
            written.prepend(record);
        }
        QCOMPARE(allRecords(store.path()), written);
        QCOMPARE(store.record(2), std::optional<SendRecord>(written.at(1)));
        QCOMPARE(store.record(9), std::nullopt);
        QCOMPARE(written.front().answer, QByteArray("OK\r\n\x00\xE9", 6));
        QCOMPARE(written.front().answerText, QStringLiteral("OK\r\n") + QChar(0) + QChar(0xE9));

        SendRecord answered = written.front();
        answered.appendAnswer("…encore");
        answered.outcome = SendRecord::Outcome::NoAnswer;
        QVERIFY(store.updateAnswer(answered));
        QVERIFY(store.setLabel(answered.id, QStringLiteral("Armoire Est")));
        const SendRecord stored = *store.record(answered.id);
        QCOMPARE(stored.answer, answered.answer);
        QCOMPARE(stored.outcome, SendRecord::Outcome::NoAnswer);
        QCOMPARE(stored.label, QStringLiteral("Armoire Est"));
        QVERIFY(qAbs(stored.labelChangedAt.secsTo(QDateTime::currentDateTimeUtc())) < 60);
        QCOMPARE(stored.message, written.front().message);
    }

    // The values shown are read back from the 52 bytes, as the device reads them.
    void valuesAreReadFromTheBytes()
    {
        SendRecord record;
        record.message = workedExampleBytes();
        QCOMPARE(record.values(), asReceived(workedExample(), QLocale::system()));
        record.message.chop(1);
        QCOMPARE(record.values(), std::nullopt);
        QCOMPARE(readProgrammingMessage(QByteArray(52, 'x')), std::nullopt);
        MonitoringSetup typed = uniformSetup(QStringLiteral("2,6"), 3);
        typed.setText(Family::Et, 4, QStringLiteral("7"));
        typed.setText(Family::Max, 1, QStringLiteral("trop"));
        const MonitoringSetup received = asReceived(typed, QLocale(QLocale::French));
        QCOMPARE(received.text(Family::Min, 0), QStringLiteral("3"));
        QCOMPARE(received.text(Family::Et, 4), QStringLiteral("0"));
        QCOMPARE(received.text(Family::Max, 1), QStringLiteral("trop"));
        QCOMPARE(received.action(Family::LogicAction, 7), 3);
    }

    // An answer is kept up to 4 KiB, with its text.
    void answerIsCapped()
    {
        SendRecord record;
        record.appendAnswer(QByteArray(4000, 'a'));
        record.appendAnswer(QByteArray(200, 'b'));
        record.appendAnswer("c");
        QCOMPARE(record.answer.size(), SendRecord::AnswerCapacity);
        QVERIFY(record.answer.endsWith(QByteArray(96, 'b')));
        QCOMPARE(record.answerText, QString::fromLatin1(record.answer));
    }

    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("since");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QList<qint64>>("ids");
        QTest::newRow("all") << "" << 0 << ""
                             << "" << QList<qint64> {4, 3, 2, 1};
        QTest::newRow("date as shown, local time") << "07/12/2026 15:32" << 0 << ""
                                                   << "" << QList<qint64> {3};
        QTest::newRow("port") << "com4" << 0 << ""
                              << "" << QList<qint64> {4, 2};
        QTest::newRow("adapter serial") << "a3" << 0 << ""
                                        << "" << QList<qint64> {4};
        QTest::newRow("set-up file") << "ARMOIRE-2.INI" << 0 << ""
                                     << "" << QList<qint64> {3};
        QTest::newRow("outcome word") << "port non ouvert" << 0 << ""
                                      << "" << QList<qint64> {2};
        QTest::newRow("answer as shown") << "« OK\\r\\n"
                                         << 0 << ""
                                         << "" << QList<qint64> {4, 3, 1};
        QTest::newRow("repère, accents") << "ÉTAGE" << 0 << ""
                                         << "" << QList<qint64> {1};
        QTest::newRow("--port") << "" << 3 << ""
                                << "" << QList<qint64> {3, 1};
        QTest::newRow("--since") << "" << 0 << "2026-12-07T14:32:12.345Z"
                                 << "" << QList<qint64> {4, 3};
        QTest::newRow("--label") << "" << 0 << ""
                                 << "étage" << QList<qint64> {1};
        QTest::newRow("--label is the repère alone") << "" << 0 << ""
                                                     << "com4" << QList<qint64> {};
        QTest::newRow("together") << "ok" << 3 << "2026-12-07T14:31:00Z"
                                  << "" << QList<qint64> {3};
    }
    void search()
    {
        QFETCH(QString, text);
        QFETCH(int, port);
        QFETCH(QString, since);
        QFETCH(QString, label);
        QFETCH(QList<qint64>, ids);
        QTemporaryDir folder;
        HistoryStore store(historyIn(folder));
        for (int n = 0; n < 4; ++n) {
            SendRecord record = sampleRecord(n);
            if (n == 0) {
                record.label = QStringLiteral("Étage 2");
            }
            if (n == 1) {
                record.outcome = SendRecord::Outcome::PortNotOpened;
                record.answer.clear();
                record.answerText.clear();
            }
            QVERIFY(store.append(record));
        }
        HistoryFilter filter {text, QDateTime::fromString(since, Qt::ISODateWithMs), port, label};
        QList<qint64> found;
        for (const SendRecord &record : store.records(filter)) {
            found.append(record.id);
        }
        QCOMPARE(found, ids);
        QCOMPARE(store.count(filter), ids.size());
        // A page at a time, as the window reads them.
        if (ids.size() > 1) {
            QCOMPARE(store.records(filter, 1).front().id, ids.at(0));
            QCOMPARE(store.records(filter, 1, ids.at(0)).front().id, ids.at(1));
        }
    }

    // A cell a spreadsheet would run as a formula is written as text; separators are quoted.
    void csvField_data() { addDataRows(QStringLiteral("csvfield.tsv")); }
    void csvField()
    {
        QFETCH(QString, text);
        QFETCH(QString, field);
        QCOMPARE(HistoryCsv::field(QString::fromUtf8(unescaped(text))),
                 QString::fromUtf8(unescaped(field)));
    }

    // The export as French spreadsheets open it, against a file checked by hand.
    void csvExport()
    {
        QTemporaryDir folder;
        HistoryStore store(historyIn(folder));
        for (int n = 0; n < 2; ++n) {
            SendRecord record = sampleRecord(n);
            QVERIFY(store.append(record));
        }
        const auto exported = [&store](int limit) {
            QByteArray csv;
            const bool written = HistoryCsv::write(
                store, {},
                [&csv](const QByteArray &line) {
                    csv += line;
                    return true;
                },
                limit);
            return written ? csv : QByteArray();
        };
        QCOMPARE(exported(-1), readBytes(testDataPath(QStringLiteral("history-export.csv"))));
        QCOMPARE(HistoryCsv::header().size(), HistoryCsv::row(sampleRecord(0)).size());
        QCOMPARE(exported(1).count("\r\n"), 2); // the header and one record
        QCOMPARE(exported(0).count("\r\n"), 1); // "--limit 0": the header alone
        QVERIFY(!HistoryCsv::write(store, {}, [](const QByteArray &) { return false; }));
    }

    // The sheet is one A4 page whose text a reader gets back, with room to sign at its foot.
    void pdfSheet()
    {
#ifdef Q_OS_WIN
        QSKIP("pdftotext is a tool of the Linux build machine");
#endif
        QTemporaryDir folder;
        const QString pdf = folder.filePath(QStringLiteral("fiche.pdf"));
        QString error;
        SendRecord record = sampleRecord(1);
        record.port = 1;
        QVERIFY(HistorySheet::write(record, QStringLiteral("1.0.0"), pdf, error));
        const QString page = pdfText(pdf);
        QCOMPARE(page.count(QLatin1Char('\f')), 1); // one page
        QVERIFY2(pdfTool(QStringLiteral("pdfinfo"), {pdf}).contains(QStringLiteral("(A4)")),
                 "not an A4 page");
        // The header reads as a table: each name beside its value, on one line.
        QVERIFY2(page.contains(QRegularExpression(QStringLiteral("Repère +Site Nord"))),
                 qPrintable(page));
        for (const QString &foot :
             {QStringLiteral("Visa du technicien"), QStringLiteral("Visa du client"),
              QStringLiteral("Nom :"), QStringLiteral("Signature :"), QStringLiteral("Page 1 / 1"),
              QStringLiteral("Fiche établie le")}) {
            QVERIFY2(page.contains(foot), qPrintable(foot));
        }
        QCOMPARE(page.count(QStringLiteral("Visa du")), 2);
        for (const QString &expected :
             {QStringLiteral("Fiche de programmation"), QStringLiteral("Site Nord; armoire \"B1\""),
              QStringLiteral("07/12/2026 15:31:12"), QStringLiteral("COM1 (/dev/ttyUSB1)"),
              QStringLiteral("FTDI, FT232R USB UART, n° A1"), QStringLiteral("répondu"),
              QStringLiteral("POSTE-ATELIER, compte technicien"), QStringLiteral("Envoyé depuis"),
              originWord(record.origin) + QStringLiteral(", Tensiova 1.0.0"),
              QStringLiteral("6E 01 C8 05 01 00 FF 01"), QStringLiteral("ET1"),
              QStringLiteral("relais"), QStringLiteral("buzzer"), QStringLiteral("4F 4B 0D 0A")}) {
            QVERIFY2(page.contains(expected), qPrintable(expected + QStringLiteral("\n") + page));
        }
        // A sheet that cannot be written is said to have failed, and leaves nothing behind.
        QVERIFY(
            !HistorySheet::write(sampleRecord(1), {}, folder.filePath("absent/fiche.pdf"), error));
        QVERIFY(!error.isEmpty());
#ifndef Q_OS_WIN
        // So is one that meets a full disk on its way (a file size limit: root is held by it too).
        error.clear();
        rlimit limit {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit small {1024, limit.rlim_max};
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written =
            HistorySheet::write(sampleRecord(1), {}, folder.filePath("plein.pdf"), error);
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, previousHandler);
        QVERIFY(!written && !error.isEmpty());
        QVERIFY(!QFile::exists(folder.filePath("plein.pdf")));
#endif

        // A long answer goes on over a second page, numbered, instead of being cut off.
        record.answer = QByteArray(SendRecord::AnswerCapacity, 'z');
        record.answerText = QString(SendRecord::AnswerCapacity, QLatin1Char('z'));
        QVERIFY(HistorySheet::write(record, QStringLiteral("1.0.0"), pdf, error));
        const QString pages = pdfText(pdf);
        QCOMPARE(pages.count(QLatin1Char('\f')), 2);
        QVERIFY(pages.contains(QStringLiteral("Page 1 / 2"))
                && pages.contains(QStringLiteral("Page 2 / 2")));
        // Every character of the answer is there (a line drawn at a page's edge may be read twice
        // from the file, never seen twice), and the boxes to sign come after it.
        QVERIFY(pages.count(QLatin1Char('z')) - page.count(QLatin1Char('z'))
                >= SendRecord::AnswerCapacity);
        QVERIFY(pages.indexOf(QStringLiteral("Visa du client")) > pages.indexOf(QLatin1Char('\f')));
    }

    // What the window and the command line say of the history.
    void problemMessages_data()
    {
        addDataRows(QStringLiteral("historymessages.tsv"));
    }
    void problemMessages()
    {
        QFETCH(QString, kind);
        QFETCH(QString, detail);
        QFETCH(QString, records);
        QFETCH(QString, text);
        static const QMap<QString, HistoryProblem::Kind> Kinds {
            {"CannotWrite", HistoryProblem::Kind::CannotWrite},
            {"NewerSchema", HistoryProblem::Kind::NewerSchema},
            {"SetAside", HistoryProblem::Kind::SetAside},
            {"WrittenAgain", HistoryProblem::Kind::WrittenAgain},
            {"Unsaved", HistoryProblem::Kind::Unsaved}};
        const QString path = QStringLiteral("/home/t/historique.sqlite");
        QCOMPARE(HistoryMessages::problem({Kinds.value(kind), path, detail, records.toInt()}),
                 QDir::toNativeSeparators(QString(text).replace(QStringLiteral("{path}"), path)));
    }

    // The grids as the main window lays them out: each column under its heading, each row beside
    // its caption; with other values, each difference marked.
    void gridsShowTheValues()
    {
        SetupGrid grid;
        grid.showValues(asReceived(workedExample(), QLocale::system()));
        grid.resize(grid.sizeHint());
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        const auto centre = [&grid](QWidget *widget) {
            return widget->mapTo(&grid, widget->rect().center());
        };
        for (const Family family : FamilyOrder) {
            for (const int channel : {0, 7}) {
                QLineEdit *cell = nullptr;
                for (QLineEdit *box : grid.findChildren<QLineEdit *>()) {
                    cell = box->accessibleName() == fieldCaption(family, channel) ? box : cell;
                }
                QVERIFY(cell);
                QLabel *heading = nullptr;
                QLabel *caption = nullptr;
                for (QLabel *label : grid.findChildren<QLabel *>()) {
                    const bool sameFrame = label->parent() == cell->parent();
                    heading = sameFrame && label->text() == columnCaption(family) ? label : heading;
                    caption =
                        sameFrame && label->text() == rowCaption(family, channel) ? label : caption;
                }
                QVERIFY(heading && caption);
                QVERIFY(qAbs(centre(heading).x() - centre(cell).x()) < cell->width() / 2);
                QVERIFY(qAbs(centre(caption).y() - centre(cell).y()) < cell->height() / 2);
            }
        }
        QCOMPARE(grid.fieldText(Family::Max, 0), QStringLiteral("200"));
        QCOMPARE(grid.fieldText(Family::LogicAction, 0), QStringLiteral("buzzer"));
        MonitoringSetup other = asReceived(workedExample(), QLocale::system());
        other.setText(Family::Coeff, 7, QStringLiteral("9"));
        other.setAction(Family::AnalogAction, 0, ActionChoice::NoSelection);
        QCOMPARE(grid.showValues(asReceived(workedExample(), QLocale::system()), other), 2);
        QCOMPARE(grid.fieldText(Family::Coeff, 7), QStringLiteral("1 → 9"));
        QCOMPARE(grid.fieldText(Family::AnalogAction, 0), QStringLiteral("relais → (vide)"));
        QVERIFY(grid.isMarked(Family::Coeff, 7) && !grid.isMarked(Family::Coeff, 6));
    }

    // The comparison's heading says what its marks show: the same values, one difference, several.
    void comparisonHeadingCountsTheDifferences_data()
    {
        QTest::addColumn<int>("changed");
        QTest::addColumn<QString>("said");
        QTest::newRow("none") << 0 << QStringLiteral(" : la fenêtre montre les mêmes réglages.");
        QTest::newRow("one") << 1 << QStringLiteral(" comparé à la fenêtre : 1 différence, ");
        QTest::newRow("three") << 3 << QStringLiteral(" comparé à la fenêtre : 3 différences, ");
    }
    void comparisonHeadingCountsTheDifferences()
    {
        QFETCH(int, changed);
        QFETCH(QString, said);
        QTemporaryDir folder;
        HistoryStore store(historyIn(folder));
        SendRecord record = sampleRecord(2);
        QVERIFY(store.append(record));
        MonitoringSetup current = *record.values();
        for (int channel = 0; channel < changed; ++channel) {
            current.setText(Family::Coeff, channel, QStringLiteral("9"));
        }
        ScriptedUserDialogs dialogs;
        HistoryWindow window(
            store, dialogs, [&current] { return current; }, QLocale::system(),
            QStringLiteral("1.0.0"));
        window.select(0);
        window.compare();
        auto *comparison = window.findChild<QDialog *>(QStringLiteral("HistoryComparison"));
        QVERIFY(comparison && comparison->isVisible());
        const QString heading =
            comparison->findChild<QLabel *>(QStringLiteral("ComparisonHeading"))->text();
        QVERIFY2(heading.contains(said), qPrintable(heading));
        auto *grid = comparison->findChild<SetupGrid *>(QStringLiteral("ComparisonGrid"));
        for (int channel = 0; channel < 8; ++channel) {
            QCOMPARE(grid->isMarked(Family::Coeff, channel), channel < changed);
        }
    }

    // The window reads a long past a page at a time, as it scrolls.
    void modelReadsPageByPage()
    {
        QTemporaryDir folder;
        HistoryStore store(historyIn(folder));
        for (int n = 0; n < 450; ++n) {
            SendRecord record = sampleRecord(n % 7);
            QVERIFY(store.append(record));
        }
        HistoryModel model(store);
        model.setFilter({});
        QCOMPARE(model.total(), 450);
        QCOMPARE(model.rowCount(), HistoryModel::PageSize);
        QCOMPARE(model.recordAt(0).id, 450);
        for (const int rows : {400, 450}) {
            QVERIFY(model.canFetchMore({}));
            model.fetchMore({});
            QCOMPARE(model.rowCount(), rows);
        }
        QVERIFY(!model.canFetchMore({}));
        QCOMPARE(model.recordAt(449).id, 1);
        QCOMPARE(model.rowOf(3), 447);
        model.setFilter(textFilter(QStringLiteral("armoire-6.ini")));
        QCOMPARE(model.total(), 64);
        QCOMPARE(model.data(model.index(0, SetupFileColumn), Qt::DisplayRole),
                 QStringLiteral("armoire-6.ini"));
    }

    // A message that went out is recorded at once, then completed with what the device said until
    // the next "Envoi" or the port's closing.
    // What the station compares with the server: by blocks of ids, only the records it sent,
    // including those changed since (their repère waits, they are on the server all the same).
    void sentBlocksCountOnlyTheRecordsSent()
    {
        QTemporaryDir folder;
        HistoryStore store(folder.filePath(QStringLiteral("h.sqlite")));
        for (int n = 0; n < 7; ++n) {
            SendRecord record = sampleRecord(n);
            QVERIFY(store.append(record));
        }
        QList<HistoryStore::Unshared> sent = store.unshared(10);
        sent.removeIf([](const HistoryStore::Unshared &waiting) {
            return !QList<qint64> {1, 2, 4, 6}.contains(waiting.record.id);
        });
        QVERIFY(store.markShared(sent));
        QVERIFY(store.setLabel(2, QStringLiteral("Changée depuis")));
        using Block = HistoryStore::IdBlock;
        QCOMPARE(store.sharedBlocks(3), QList<Block>({{0, 2, 3}, {1, 1, 4}, {2, 1, 6}}));
        QCOMPARE(store.sharedIds(0, 6), QList<qint64>({1, 2, 4}));
    }

    void answersCompleteTheirRecord()
    {
        QTemporaryDir folder;
        HistoryRecorder recorder(historyIn(folder), SendRecord::Origin::Script,
                                 QStringLiteral("1.0.0"));
        SerialLink link(folder.path());
        recorder.recordEnvoi(envoi(Reached::Device), link, 2, QStringLiteral("a.ini"),
                             QStringLiteral("Armoire 4"));
        const auto stored = [&recorder](int row) {
            return recorder.store().records({}).value(row);
        };
        QCOMPARE(stored(0).outcome, SendRecord::Outcome::NoAnswer);
        QCOMPARE(stored(0).label, QStringLiteral("Armoire 4"));
        QCOMPARE(stored(0).origin, SendRecord::Origin::Script);
        recorder.received("OK");
        QTRY_COMPARE_WITH_TIMEOUT(stored(0).answer, QByteArray("OK"),
                                  LongWaitMs); // shown while it may still grow
        QCOMPARE(stored(0).outcome, SendRecord::Outcome::Answered);
        // A repère set in the window meanwhile stays, and is found.
        QVERIFY(recorder.store().setLabel(stored(0).id, QStringLiteral("Armoire 5")));
        recorder.received(QByteArray(5000, 'z'));
        recorder.recordEnvoi(envoi(Reached::Device), link, 2, {}); // ends the last answer
        QCOMPARE(stored(1).answer.size(), SendRecord::AnswerCapacity);
        QCOMPARE(stored(1).label, QStringLiteral("Armoire 5"));
        QCOMPARE(recorder.store().count(textFilter(QStringLiteral("armoire 5"))), 1);
        QVERIFY(stored(1).answerText.endsWith(QLatin1Char('z')));
        QCOMPARE(stored(0).outcome, SendRecord::Outcome::NoAnswer);
        recorder.endAnswer(SendRecord::Outcome::NotWaited);
        recorder.received("trop tard");
        QTest::qWait(HistoryRecorder::AnswerProgressMs + 50);
        QCOMPARE(stored(0).outcome, SendRecord::Outcome::NotWaited);
        QCOMPARE(stored(0).answer, QByteArray());
        QCOMPARE(recorder.unsavedCount(), 0);
    }

    // A file whose write bits are all off (root too) or a read-only folder: "Envoi" goes on, the
    // records are kept and written with the next one that can be, and it is said once.
    void unwritableHistoryKeepsItsRecords()
    {
        QTemporaryDir folder;
        const QString path = historyIn(folder);
        SendRecord first = sampleRecord(0);
        QVERIFY(HistoryStore(path).append(first));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser));
        HistoryRecorder recorder(path, SendRecord::Origin::Window, QStringLiteral("1.0.0"));
        QSignalSpy told(&recorder, &HistoryRecorder::problem);
        SerialLink link(folder.path());
        for (int n = 0; n < 2; ++n) {
            recorder.recordEnvoi(envoi(Reached::Nothing), link, 7, QStringLiteral("reglage.ini"));
        }
        QCOMPARE(recorder.unsavedCount(), 2);
        QCOMPARE(told.size(), 1);
        const auto problem = told.front().front().value<HistoryProblem>();
        QCOMPARE(problem.kind, HistoryProblem::Kind::CannotWrite);
        QCOMPARE(problem.path, path);
        QVERIFY(!recorder.flush());
        QCOMPARE(allRecords(path).size(), 1);

        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        recorder.recordEnvoi(envoi(Reached::Port), link, 7, {});
        QCOMPARE(recorder.unsavedCount(), 0);
        QCOMPARE(told.size(), 2);
        QCOMPARE(told.back().front().value<HistoryProblem>().kind,
                 HistoryProblem::Kind::WrittenAgain);
        QCOMPARE(told.back().front().value<HistoryProblem>().records, 3);
        const QList<SendRecord> records = allRecords(path);
        QCOMPARE(records.size(), 4);
        QCOMPARE(records.front().outcome, SendRecord::Outcome::LinkLost);
        QCOMPARE(records.at(1).outcome, SendRecord::Outcome::PortNotOpened);
        QCOMPARE(records.at(1).port, 7);
        QCOMPARE(records.at(1).setupFile, QStringLiteral("reglage.ini"));
        QCOMPARE(records.at(1).message, workedExampleBytes());
        QVERIFY(records.at(2).sentAt <= records.at(1).sentAt);

#ifndef Q_OS_WIN // where a folder's read-only mark does not keep files out
        // A folder that cannot take the file: nothing is made, the record is kept.
        const QString lockedFolder = folder.filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(lockedFolder));
        QVERIFY(QFile::setPermissions(lockedFolder, QFile::ReadOwner | QFile::ExeOwner));
        HistoryStore locked(lockedFolder + QStringLiteral("/historique.sqlite"));
        SendRecord record = sampleRecord(1);
        QVERIFY(!locked.append(record));
        QVERIFY(!locked.error().isEmpty());
        QVERIFY(!QFileInfo::exists(locked.path()));
        QFile::setPermissions(lockedFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#endif
    }

    // Another program keeps the file past the busy wait (a busy machine, several writers): the
    // record is kept, said busy, and a program that ends waits its turn instead of losing it.
    void busyHistoryKeepsItsRecordUntilItsTurn()
    {
        QTemporaryDir folder;
        const QString path = historyIn(folder);
        SendRecord first = sampleRecord(0);
        QVERIFY(HistoryStore(path).append(first));
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open(path.toUtf8().constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        // The other program ends its transaction a while after the record meets it.
        std::atomic<bool> busyMet = false;
        std::thread otherProgram([&] {
            while (!busyMet) {
                QThread::msleep(10);
            }
            QThread::msleep(HistoryStore::BusyWaitMs + 500); // longer than one try waits
            sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        });

        HistoryRecorder recorder(path, SendRecord::Origin::Script, QStringLiteral("1.0.0"));
        SerialLink link(folder.path());
        recorder.recordEnvoi(envoi(Reached::Nothing), link, 4, QStringLiteral("reglage.ini"));
        QCOMPARE(recorder.unsavedCount(), 1);
        QVERIFY2(recorder.store().isBusy(), qPrintable(recorder.store().error()));
        busyMet = true;
        const bool flushed = recorder.flush(HistoryRecorder::ExitPatienceMs);
        otherProgram.join();
        sqlite3_close(other);
        QVERIFY(flushed);
        QCOMPARE(recorder.unsavedCount(), 0);
        QCOMPARE(allRecords(path).size(), 2);
        QCOMPARE(allRecords(path).front().port, 4);
    }

    // A file that is not a database, or whose pages are damaged: set aside under a dated name,
    // never deleted, and a new history begins.
    void damagedHistoryIsSetAside_data()
    {
        QTest::addColumn<int>("damageAt"); // -1: not a database at all
        QTest::newRow("not a database") << -1;
        QTest::newRow("a damaged page") << 2 * 4096 + 100;
    }
    void damagedHistoryIsSetAside()
    {
        QFETCH(int, damageAt);
        QTemporaryDir folder;
        const QString path = historyIn(folder);
        QByteArray damaged = "Ceci n'est pas une base de données.\n";
        if (damageAt >= 0) {
            HistoryStore store(path);
            for (int n = 0; n < 60; ++n) {
                SendRecord record = sampleRecord(n);
                record.appendAnswer(QByteArray(1000, 'x'));
                QVERIFY(store.append(record));
            }
            store.close();
            damaged = readBytes(path);
            QVERIFY(damaged.size() > damageAt + 200);
            damaged.replace(damageAt, 200, QByteArray(200, '\xA5'));
        } else {
            QDir().mkpath(QFileInfo(path).path());
        }
        writeBytes(path, damaged);

        HistoryRecorder recorder(path, SendRecord::Origin::Script, QStringLiteral("1.0.0"));
        QSignalSpy told(&recorder, &HistoryRecorder::problem);
        SerialLink link(folder.path());
        recorder.recordEnvoi(envoi(Reached::Nothing), link, 1, {});
        recorder.recordEnvoi(envoi(Reached::Nothing), link, 1, {});
        QCOMPARE(told.size(), 1);
        const auto problem = told.front().front().value<HistoryProblem>();
        QCOMPARE(problem.kind, HistoryProblem::Kind::SetAside);
        QCOMPARE(readBytes(problem.detail), damaged);
        QVERIFY2(QFileInfo(problem.detail)
                     .fileName()
                     .startsWith(QStringLiteral("historique.endommage-%1")
                                     .arg(QDate::currentDate().toString(Qt::ISODate))),
                 qPrintable(problem.detail));
        QCOMPARE(recorder.unsavedCount(), 0);
        QCOMPARE(allRecords(path).size(), 2);
    }

    // Damaged while another program has it open with pages still in the log: the log goes aside
    // with the file (whoever recovers it needs both), and the new history starts without it.
    void damagedHistoryTakesItsLogAside()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows renames no file that another program holds open");
#endif
        QTemporaryDir folder;
        const QString path = historyIn(folder);
        {
            HistoryStore store(path);
            for (int n = 0; n < 60; ++n) {
                SendRecord record = sampleRecord(n);
                record.appendAnswer(QByteArray(1000, 'x'));
                QVERIFY(store.append(record));
            }
        }
        sqlite3 *other = nullptr;
        const auto closeOther = qScopeGuard([&] { sqlite3_close(other); });
        QCOMPARE(sqlite3_open_v2(path.toUtf8().constData(), &other, SQLITE_OPEN_READWRITE, nullptr),
                 SQLITE_OK);
        QCOMPARE(sqlite3_exec(other,
                              "PRAGMA wal_autocheckpoint = 0; CREATE TABLE notes(x);"
                              "INSERT INTO notes VALUES ('pas encore dans le fichier')",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
        const QByteArray log = readBytes(path + QStringLiteral("-wal"));
        QVERIFY(!log.isEmpty());
        QByteArray damaged = readBytes(path);
        damaged.replace(2 * 4096 + 100, 200, QByteArray(200, '\xA5'));
        writeBytes(path, damaged);

        HistoryRecorder recorder(path, SendRecord::Origin::Script, QStringLiteral("1.0.0"));
        QSignalSpy told(&recorder, &HistoryRecorder::problem);
        SerialLink link(folder.path());
        recorder.recordEnvoi(envoi(Reached::Nothing), link, 1, {});
        QCOMPARE(told.size(), 1);
        const auto problem = told.front().front().value<HistoryProblem>();
        QCOMPARE(problem.kind, HistoryProblem::Kind::SetAside);
        QCOMPARE(readBytes(problem.detail + QStringLiteral("-wal")), log);
        QCOMPARE(allRecords(path).size(), 1);
    }

    // Written by a newer program: read, never changed, and said so.
    void newerHistoryIsOnlyRead()
    {
        QTemporaryDir folder;
        const QString path = historyIn(folder);
        SendRecord record = sampleRecord(0);
        QVERIFY(HistoryStore(path).append(record));
        sql(path, QStringLiteral("PRAGMA user_version = 99"));
        const QByteArray before = readBytes(path);
        HistoryRecorder recorder(path, SendRecord::Origin::Window, QStringLiteral("1.0.0"));
        QSignalSpy told(&recorder, &HistoryRecorder::problem);
        SerialLink link(folder.path());
        recorder.recordEnvoi(envoi(Reached::Nothing), link, 1, {});
        recorder.recordEnvoi(envoi(Reached::Nothing), link, 1, {});
        QCOMPARE(told.size(), 1);
        QCOMPARE(told.front().front().value<HistoryProblem>().kind,
                 HistoryProblem::Kind::NewerSchema);
        QCOMPARE(recorder.unsavedCount(), 2);
        QVERIFY(!recorder.store().setLabel(1, QStringLiteral("x")));
        QCOMPARE(recorder.store().records({}), QList<SendRecord> {record});
        QVERIFY(recorder.store().isNewer());
        recorder.store().close();
        QCOMPARE(readBytes(path), before);
    }

    // A history of the first schema takes the later columns and indexes, records kept; its
    // records wait for the shared history, and the station has its name there.
    void firstSchemaIsMigrated()
    {
        QTemporaryDir folder;
        const QString path = historyIn(folder);
        QDir().mkpath(QFileInfo(path).path());
        sql(path, QString::fromUtf8(readBytes(testDataPath(QStringLiteral("history-v1.sql")))));
        QCOMPARE(sql(path, QStringLiteral("PRAGMA user_version")), QStringLiteral("1"));
        const QList<SendRecord> records = allRecords(path);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.front().label, QStringLiteral("Poste Nord"));
        QCOMPARE(records.front().message, workedExampleBytes());
        QCOMPARE(records.front().port, 3);
        QVERIFY(!records.front().labelChangedAt.isValid());
        QCOMPARE(sql(path, QStringLiteral("PRAGMA user_version")), QStringLiteral("4"));
        QCOMPARE(sql(path,
                     QStringLiteral("SELECT group_concat(name) FROM sqlite_master WHERE "
                                    "type = 'index' AND name LIKE 'envois%'")),
                 QStringLiteral("envois_by_port,envois_unshared"));
        HistoryStore store(path);
        QCOMPARE(store.unsharedCount(), 1);
        QCOMPARE(store.stationId().size(), 32);
        QCOMPARE(store.stationId(), HistoryStore(path).stationId());
    }

    // Killed while it writes: every record it said was written is there, whole, and the file
    // opens at once.
    void killedWriterLosesNothingWritten()
    {
        QTemporaryDir folder;
        const QString path = historyIn(folder);
        QProcess writer;
        writer.start(QStringLiteral(HISTORYWRITER),
                     {path, QStringLiteral("tué"), QStringLiteral("0")});
        QVERIFY(writer.waitForStarted());
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += writer.readAllStandardOutput()).count('\n') >= 20,
                                 LongWaitMs);
        writer.kill();
        writer.waitForFinished();
        said += writer.readAllStandardOutput();
        HistoryStore store(path);
        const QList<SendRecord> records = store.records({});
        QVERIFY2(store.takeSetAsidePath().isEmpty(), "a sound file is never set aside");
        QVERIFY(records.size() >= said.count('\n'));
        for (int i = 0; i < records.size(); ++i) {
            QCOMPARE(records.at(i).id, records.size() - i);
            QCOMPARE(records.at(i).label, QStringLiteral("tué-%1").arg(records.size() - i));
            QCOMPARE(records.at(i).message, workedExampleBytes());
        }
        SendRecord next = sampleRecord(0);
        QVERIFY(store.append(next));
    }

    // The window and four scripts writing at once: every record kept, once.
    void concurrentWritersKeepEveryRecord()
    {
        QTemporaryDir folder;
        const QString path = historyIn(folder);
        constexpr int Each = 40;
        std::array<QProcess, 4> writers;
        for (std::size_t w = 0; w < writers.size(); ++w) {
            writers[w].start(QStringLiteral(HISTORYWRITER),
                             {path, QStringLiteral("script%1").arg(w), QString::number(Each)});
        }
        HistoryStore window(path);
        for (int n = 1; n <= Each; ++n) {
            SendRecord record = sampleRecord(n);
            record.label = QStringLiteral("fenêtre-%1").arg(n);
            QVERIFY2(window.append(record), qPrintable(window.error()));
        }
        for (QProcess &writer : writers) {
            QVERIFY(writer.waitForFinished(2 * LongWaitMs));
            QVERIFY2(writer.exitStatus() == QProcess::NormalExit && writer.exitCode() == 0,
                     writer.readAllStandardError().constData());
        }
        QSet<QString> labels;
        for (const SendRecord &record : window.records({})) {
            labels.insert(record.label);
        }
        QCOMPARE(labels.size(), 5 * Each);
        QCOMPARE(window.count({}), 5 * Each);
        QVERIFY(labels.contains(QStringLiteral("script3-%1").arg(Each)));
    }

    // It names the account and the computer: its owner's alone.
    void historyIsTheOwnersAlone()
    {
#ifdef Q_OS_WIN
        QSKIP("the user's %LOCALAPPDATA% is the owner's already");
#endif
        QTemporaryDir folder;
        const QString path = historyIn(folder);
        SendRecord record = sampleRecord(0);
        QVERIFY(HistoryStore(path).append(record));
        QCOMPARE(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(
            QFile::permissions(QFileInfo(path).path())
                & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
            QFile::Permissions());
    }

    // Where it lives: the user's data folder, moved by XDG_DATA_HOME on Linux.
    void historyLivesInTheUsersDataFolder()
    {
        QCOMPARE(QFileInfo(HistoryStore::defaultPath()).fileName(),
                 QStringLiteral("historique.sqlite"));
        QCOMPARE(QFileInfo(HistoryStore::defaultPath()).dir().dirName(),
                 QStringLiteral("tensiova"));
#ifndef Q_OS_WIN
        QCOMPARE(HistoryStore::defaultPath(),
                 qEnvironmentVariable("XDG_DATA_HOME")
                     + QStringLiteral("/tensiova/historique.sqlite"));
#endif
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
