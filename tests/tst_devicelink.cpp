// The window and the device on a pseudo-terminal: what goes out on the wire, what param.ini keeps,
// what the window shows and says.

#include "app/dialogs/journalwindow.h"
#include "app/dialogs/multisendwindow.h"
#include "app/dialogs/portdialog.h"
#include "app/historywindow/historywindow.h"
#include "app/widgets/actioncombobox.h"
#include "app/widgets/setupgrid.h"
#include "history/historyrecorder.h"
#include "link/programmingmessage.h"
#include "ptypair.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <map>

using namespace Tensiova;

namespace {

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

    void workedExampleGoesOutByteExactAndIsKept()
    {
        DeviceFixture fixture;
        writeBytes(fixture.paramIni(), iniBytes({{"Port COM", "1"}}));
        MainWindow &window = fixture.open();
        window.setSetup(workedExample());
        fixture.send();
        QCOMPARE(window.answers(), QString());
        QCOMPARE(fixture.device->read(52), workedExampleBytes());
        QVERIFY(window.serialLink().portOpen());
        const QByteArray saved = readBytes(fixture.paramIni());
        QVERIFY(saved.startsWith("[Port COM]\r\nvaleur=1\r\n[min0]\r\nvaleur=10\r\n[min1]\r\n"));
        QVERIFY(saved.endsWith("[action17]\r\nvaleur=0\r\n"));
        QCOMPARE(saved.count('['), 49);

        // Again on the open port, in full; and the next start shows what was sent.
        fixture.send();
        QCOMPARE(fixture.device->read(52), workedExampleBytes());
        fixture.window.reset();
        QCOMPARE(fixture.open().setup(), workedExample());
    }

    void statesOtherThanZeroOrOneAreCorrectedInSight()
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
        QCOMPARE(QList<int>({bytes[33], bytes[39], bytes[43]}), QList<int>({0, 0, 1}));
        QVERIFY(readBytes(fixture.paramIni()).contains("[ET3]\r\nvaleur=0\r\n"));
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

    void wrongFieldsSendAndSaveNothing()
    {
        DeviceFixture fixture;
        const QByteArray before = iniBytes({{"Port COM", "1"}, {"min0", "3"}});
        writeBytes(fixture.paramIni(), before);
        MainWindow &window = fixture.open(QLocale::c());
        MonitoringSetup setup = workedExample();
        setup.analog[3].max = QStringLiteral("300");
        setup.analog[1].coeff = QStringLiteral("5\r\n") + QString(100, QLatin1Char('9'));
        setup.analog[5].min = QStringLiteral("123456789012345678901234"); // shown whole, just
        window.setSetup(setup);
        auto *list = fixture.find<ActionComboBox>(QStringLiteral("Combo1(1)"));
        list->lineEdit()->selectAll();
        QTest::keyClicks(list->lineEdit(), QStringLiteral("sirene"));
        fixture.send();
        QCOMPARE(
            fixture.dialogs.warnings,
            QStringList {QStringLiteral(
                "Envoi impossible|Rien n'a été envoyé ni enregistré : chacun de ces champs "
                "doit contenir un nombre entier de 0 à 255, et chaque liste une action "
                "choisie.\n\nAN1 – Coeff : « 5  999999999999999999999… »\nAN3 – Valeur max : "
                "« 300 »\nAN5 – Valeur min : « 123456789012345678901234 »\nET2 – Action : aucune "
                "entrée choisie")});
        // Nothing went out: the port was not even opened. (What arrives on the pseudo-terminal
        // proves nothing: its number is soon reused by another test's.)
        QVERIFY(!window.serialLink().portOpen());
        QCOMPARE(readBytes(fixture.paramIni()), before);
    }

    void portThatCannotOpenIsExplained()
    {
        DeviceFixture fixture;
        writeBytes(fixture.paramIni(), iniBytes({{"Port COM", "97"}}));
        MainWindow &window = fixture.open();
        // The ports present are listed on a thread of their own, within moments of the start.
        QTRY_VERIFY_WITH_TIMEOUT(window.serialLink().portWatch().hasListed(), LongWaitMs);
        fixture.send();
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
        const QString warning = fixture.dialogs.warnings.first();
        QVERIFY(warning.contains(QStringLiteral("COM97 ne correspond")));
        QVERIFY(warning.contains(QStringLiteral("Rien n'a été envoyé")));
        // Listed among the ports present: the simulated device as COM1.
        QVERIFY(warning.contains(QStringLiteral("COM1 (")));
        QVERIFY(!window.serialLink().portOpen());
        QCOMPARE(readBytes(fixture.paramIni()).count('['), 49);
    }

    // The device gets the settings even when param.ini cannot keep them, and the user is told.
    void envoiWhoseSaveFailsStillSendsAndSaysSo_data()
    {
        addDataRows(QStringLiteral("savefails.tsv"));
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
        QCOMPARE(fixture.device->read(52), workedExampleBytes());
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
        const QString warning = fixture.dialogs.warnings.first();
        QVERIFY2(warning.contains(QStringLiteral("envoyés")) && warning.contains(reason)
                     && warning.contains(fixture.paramIni()),
                 qPrintable(warning));
        if (kind != QLatin1String("folder")) {
            QCOMPARE(readBytes(fixture.paramIni()), before);
        }
    }

    void answersAppearAsReceived()
    {
        DeviceFixture fixture;
        MainWindow &window = fixture.open();
        QCOMPARE(window.answers(), QStringLiteral("...."));
        fixture.send();
        fixture.device->read(52);
        fixture.device->write("OK");
        QTRY_COMPARE_WITH_TIMEOUT(window.answers(), QStringLiteral("OK"), LongWaitMs);
        fixture.device->write("\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(window.answers(), QStringLiteral("OK\r\n"), LongWaitMs);
        window.Comm1_OnComm(1);
        QCOMPARE(window.answers(), QStringLiteral("OK\r\n"));
        fixture.device->write(QByteArray("\x80\xE9\0", 3));
        QTRY_COMPARE_WITH_TIMEOUT(window.answers(), QStringLiteral("OK\r\n€é") + QChar(0),
                                  LongWaitMs);
        auto *box = fixture.find<QPlainTextEdit>(QStringLiteral("Text1"));
        QVERIFY(box->toPlainText().startsWith(QStringLiteral("OK\n")));
        // A line end split across two arrivals is still one line end on the screen.
        fixture.device->write("A\r");
        QTRY_VERIFY_WITH_TIMEOUT(window.answers().endsWith(QLatin1Char('\r')), LongWaitMs);
        fixture.device->write("\nB");
        QTRY_VERIFY_WITH_TIMEOUT(window.answers().endsWith(QLatin1Char('B')), LongWaitMs);
        QVERIFY2(box->toPlainText().endsWith(QStringLiteral("A\nB")),
                 qPrintable(box->toPlainText()));

        // A click empties the box; the next answer starts a new text.
        QTest::mouseClick(box->viewport(), Qt::LeftButton);
        QCOMPARE(window.answers(), QString());
        fixture.device->write("B");
        QTRY_COMPARE_WITH_TIMEOUT(window.answers(), QStringLiteral("B"), LongWaitMs);
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
        QTest::mouseClick(fixture.find<QWidget>(QStringLiteral("Command5")), Qt::LeftButton);
        QVERIFY(!window.isPanelVisible());
        QVERIFY(window.serialLink().portOpen());
        // Answers keep arriving while the panel is hidden.
        fixture.device->write("!");
        QTRY_COMPARE_WITH_TIMEOUT(window.answers(), QStringLiteral("!"), LongWaitMs);

        window.n_surv_Click();
        QVERIFY(window.isPanelVisible());
        QCOMPARE(window.setup(), workedExample());
        fixture.send();
        QTRY_VERIFY_WITH_TIMEOUT(!window.serialLink().portOpen(), LongWaitMs);
        QVERIFY(!closing->isActive());
        QCOMPARE(fixture.device->read(104), workedExampleBytes() + workedExampleBytes());

        fixture.send();
        QVERIFY(window.serialLink().portOpen());
        QCOMPARE(fixture.device->read(52), workedExampleBytes());
    }

    // A device answer due late in the 4.5 s must still arrive before the port closes, and the
    // port closes no sooner.
    void portClosesNeverBeforeItsDelay()
    {
        DeviceFixture fixture;
        MainWindow &window = fixture.open();
        fixture.send();
        QElapsedTimer sinceQuitter;
        sinceQuitter.start();
        window.Command5_Click();
        // Late, with a second to spare: a busy machine may wake a test well after it asked.
        QTest::qWait(3500);
        QVERIFY(window.serialLink().portOpen());
        fixture.device->write("tard");
        QTRY_VERIFY_WITH_TIMEOUT(!window.serialLink().portOpen(), LongWaitMs);
        QVERIFY(sinceQuitter.elapsed() >= 4500);
        QCOMPARE(window.answers(), QStringLiteral("tard"));
    }

    void lostDeviceIsToldOnceAndTheNextEnvoiReopens()
    {
        DeviceFixture fixture;
        MainWindow &window = fixture.open();
        fixture.send();
        fixture.device->read(52);
        fixture.device->hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(fixture.dialogs.warnings.size(), 1, LongWaitMs);
        QTest::qWait(300);
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
        QVERIFY(fixture.dialogs.warnings.first().startsWith(
            QStringLiteral("Liaison perdue|La liaison avec le port COM1 (")));
        QVERIFY(!window.serialLink().portOpen());

        fixture.device = std::make_unique<PtyPair>();
        fixture.attach();
        window.setSetup(workedExample());
        fixture.send();
        QCOMPARE(fixture.device->read(52), workedExampleBytes());
    }

    void portDialog_data() { addDataRows(QStringLiteral("portdialog.tsv")); }
    void portDialog()
    {
        QFETCH(QString, locale);
        QFETCH(QString, answer);
        QFETCH(QString, port);
        QFETCH(QString, saved);
        QFETCH(QString, warned);
        DeviceFixture fixture;
        MainWindow &window = fixture.open(QLocale(locale));
        fixture.dialogs.textAnswer = answer;
        window.n_port_Click();
        QCOMPARE(fixture.dialogs.textQuestions,
                 QStringList {QStringLiteral(
                     "Changement du port de communication|Port de communication|1")});
        QCOMPARE(QString::number(window.serialLink().commPort()), port);
        QCOMPARE(readBytes(fixture.paramIni()), unescaped(saved));
        QCOMPARE(fixture.dialogs.warnings.size(), warned == QLatin1String("yes") ? 1 : 0);
        if (warned == QLatin1String("yes")) {
            QVERIFY(fixture.dialogs.warnings.first().contains(answer));
            QVERIFY(fixture.dialogs.warnings.first().endsWith(
                QStringLiteral("Le port COM1 est conservé.")));
        }
    }

    // A device that streams a byte at a time: every byte reaches the box and the journal, whose
    // entries gather what came between two paints.
    void streamedBytesArriveWholeAndGathered()
    {
        DeviceFixture fixture;
        MainWindow &window = fixture.open();
        fixture.send();
        QTRY_VERIFY_WITH_TIMEOUT(window.serialLink().portOpen(), LongWaitMs);
        window.n_journal_Click();
        const int before = window.journal().size();
        QByteArray streamed;
        for (int i = 0; i < 200; ++i) {
            streamed += char('A' + i % 26);
            QVERIFY(fixture.device->write(streamed.right(1)));
            QTest::qWait(1);
        }
        QTRY_COMPARE_WITH_TIMEOUT(window.answers(), QString::fromLatin1(streamed), LongWaitMs);
        QByteArray journalled;
        for (int i = before; i < window.journal().size(); ++i) {
            journalled += window.journal().at(i).bytes;
        }
        QCOMPARE(journalled, streamed);
        QVERIFY2(window.journal().size() - before < 50,
                 qPrintable(QString::number(window.journal().size() - before)));
        auto *journal = fixture.find<JournalWindow>(QStringLiteral("JournalWindow"));
        QTRY_COMPARE_WITH_TIMEOUT(journal->model().rowCount(), window.journal().size(), LongWaitMs);
    }

    // Every exchange of the run, window open or not; saved as UTF-8 text with the same content.
    void journalRecordsEveryExchange()
    {
        DeviceFixture fixture;
        MainWindow &window = fixture.open();
        auto *closing = fixture.find<QTimer>(QStringLiteral("Timer3"));
        closing->setInterval(200);
        window.setSetup(workedExample());
        fixture.send();
        fixture.device->write("OK\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(window.answers(), QStringLiteral("OK\r\n"), LongWaitMs);
        window.Command5_Click();
        QTRY_VERIFY_WITH_TIMEOUT(!window.serialLink().portOpen(), LongWaitMs);

        QStringList menu;
        for (QAction *action : fixture.find<QMenu>(QStringLiteral("n_param"))->actions()) {
            menu.append(action->objectName());
        }
        QCOMPARE(menu,
                 (QStringList {"n_port", "n_surv", "n_journal", "n_historique", "n_partage", "",
                               "n_envoi", "n_plusieurs"}));
        window.n_journal_Click();
        auto *journal = fixture.find<JournalWindow>(QStringLiteral("JournalWindow"));
        QVERIFY(journal && journal->isVisible() && !journal->isModal());
        const QString text = journal->model().wholeText();
        const QString port = QStringLiteral("COM1 (%1)").arg(fixture.folder.filePath("COM1"));
        const QStringList expected {
            QStringLiteral("Port %1 ouvert").arg(port),
            QStringLiteral("Envoi sur %1, 52 octets :\n    6E 0A C8 05 01 00 FF 01").arg(port),
            QStringLiteral("    AN0  min  10  max 200  coeff   5  action 1 (relais)"),
            QStringLiteral("    ET1  état 1  action 2 (buzzer)"),
            QStringLiteral("Reçu de %1, 4 octets : 4F 4B 0D 0A  « OK\\r\\n »").arg(port),
            QStringLiteral("Port %1 fermé (minuterie de fermeture)").arg(port)};
        qsizetype at = 0;
        for (const QString &part : expected) {
            at = text.indexOf(part, at);
            QVERIFY2(at >= 0, qPrintable(part + QStringLiteral("\n---\n") + text));
        }
        QVERIFY(QRegularExpression(
                    QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}  Port"))
                    .match(text)
                    .hasMatch());
        // Saved by its button, as a user does.
        fixture.dialogs.fileChoice = fixture.folder.filePath(QStringLiteral("journal.txt"));
        const QList<QPushButton *> buttons = journal->findChildren<QPushButton *>();
        const auto save = std::find_if(buttons.begin(), buttons.end(), [](QPushButton *button) {
            return button->text() == QStringLiteral("Enregistrer le journal");
        });
        QVERIFY(save != buttons.end() && (*save)->isEnabled());
        QTest::mouseClick(*save, Qt::LeftButton);
        QCOMPARE(readBytes(*fixture.dialogs.fileChoice), text.toUtf8());
    }

    // Each "Envoi" is in the history with the answer that followed it, found, compared, taken
    // back into the window and exported from there.
    void envoiIsRecordedWithItsAnswer()
    {
        DeviceFixture fixture;
        MainWindow &window = fixture.open();
        fixture.find<QTimer>(QStringLiteral("Timer3"))->setInterval(200);
        // Before the first "Envoi", the history window says there is nothing yet.
        window.n_historique_Click();
        const auto *summary = fixture.find<QLabel>(QStringLiteral("HistorySummary"));
        QCOMPARE(summary->text(), QStringLiteral("Aucun envoi n'est encore inscrit."));
        window.historyWindow()->close();
        window.setSetup(workedExample());
        fixture.send();
        QCOMPARE(fixture.device->read(52), workedExampleBytes());
        fixture.device->write("OK");
        QTRY_COMPARE_WITH_TIMEOUT(window.answers(), QStringLiteral("OK"), LongWaitMs);
        fixture.device->write("\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(window.answers(), QStringLiteral("OK\r\n"), LongWaitMs);
        // Shown while the answer may still grow, whole once the port has closed.
        QTRY_COMPARE_WITH_TIMEOUT(window.history().store().records({}).value(0).answer,
                                  QByteArray("OK\r\n"), LongWaitMs);
        window.Command5_Click();
        QTRY_VERIFY_WITH_TIMEOUT(!window.serialLink().portOpen(), LongWaitMs);
        fixture.device->write("trop tard");
        QTest::qWait(100);
        QList<SendRecord> records = window.history().store().records({});
        QCOMPARE(records.size(), 1);
        const SendRecord first = records.front();
        QCOMPARE(first.message, workedExampleBytes());
        QCOMPARE(first.outcome, SendRecord::Outcome::Answered);
        QCOMPARE(first.answer, QByteArray("OK\r\n"));
        QCOMPARE(first.answerText, QStringLiteral("OK\r\n"));
        QCOMPARE(first.origin, SendRecord::Origin::Window);
        QCOMPARE(first.port, 1);
        QCOMPARE(first.device, fixture.folder.filePath(QStringLiteral("COM1")));
        QCOMPARE(first.setupFile, fixture.paramIni());
        QCOMPARE(first.programVersion, QStringLiteral(TENSIOVA_VERSION));
        QVERIFY(qAbs(first.sentAt.msecsTo(QDateTime::currentDateTimeUtc())) < 10'000);

        // A set-up opened, changed, sent: the next record names that file; no answer this time.
        const QString file = fixture.folder.filePath(QStringLiteral("armoire.ini"));
        writeBytes(file, iniBytes({{"min2", "7"}}));
        fixture.dialogs.fileChoice = file;
        window.n_ouvrir_Click();
        fixture.send();
        QCOMPARE(fixture.device->read(52).at(9), char(7));
        window.setSetup(uniformSetup(QStringLiteral("9"), 1));
        fixture.send(); // ends the last answer: nothing came
        records = window.history().store().records({});
        QCOMPARE(records.size(), 3);
        QCOMPARE(records.at(1).setupFile, file);
        QCOMPARE(records.at(1).outcome, SendRecord::Outcome::NoAnswer);

        window.n_historique_Click();
        HistoryWindow *history = window.historyWindow();
        QVERIFY(history && history->isVisible());
        QCOMPARE(history->model().rowCount(), 3);
        history->setSearchText(QStringLiteral("armoire.INI")); // the last file opened, still
        QCOMPARE(history->model().rowCount(), 2);
        history->select(1);
        QCOMPARE(history->selected()->id, records.at(1).id);
        auto *grid = history->findChild<SetupGrid *>(QStringLiteral("HistoryGrid"));
        QCOMPARE(grid->fieldText(Family::Min, 2), QStringLiteral("7"));
        history->setSearchText(QStringLiteral("répondu : « ok"));
        QCOMPARE(history->model().rowCount(), 1);
        QCOMPARE(history->selected()->id, first.id);
        QVERIFY(history->findChild<QPlainTextEdit *>(QStringLiteral("HistoryBytes"))
                    ->toPlainText()
                    .startsWith(QStringLiteral("6E 0A C8 05 01 00 FF 01")));
        QVERIFY(history->findChild<QPlainTextEdit *>(QStringLiteral("HistoryAnswer"))
                    ->toPlainText()
                    .startsWith(QStringLiteral("« OK\\r\\n »\n\n4F 4B 0D 0A")));

        // Compared with what the window shows now, differences marked.
        history->compare();
        auto *comparison = history->findChild<QDialog *>(QStringLiteral("HistoryComparison"));
        QVERIFY(comparison && comparison->isVisible());
        auto *compared = comparison->findChild<SetupGrid *>(QStringLiteral("ComparisonGrid"));
        QCOMPARE(compared->fieldText(Family::Min, 0), QStringLiteral("10 → 9"));
        QVERIFY(compared->isMarked(Family::Min, 0));
        QCOMPARE(compared->fieldText(Family::Max, 1), QStringLiteral("255 → 9"));
        QCOMPARE(compared->fieldText(Family::LogicAction, 0), QStringLiteral("buzzer → relais"));
        QVERIFY(!compared->isMarked(Family::AnalogAction, 0)); // relais either way
        QVERIFY(comparison->findChild<QLabel *>(QStringLiteral("ComparisonHeading"))
                    ->text()
                    .contains(QStringLiteral("différences")));
        comparison->close();

        // Taken back: shown, not sent; the marks then count what differs from the device.
        const int sentBefore = window.journal().size();
        history->takeSettings();
        QCOMPARE(window.setup(), asReceived(workedExample(), QLocale::system()));
        QCOMPARE(window.journal().size(), sentBefore);
        QVERIFY(fixture.find<QLabel>(QStringLiteral("UnsentLine"))
                    ->text()
                    .contains(QStringLiteral("modifiés depuis le dernier envoi")));

        // The repère, then the CSV of the records shown.
        fixture.dialogs.textAnswer = QStringLiteral("Poste Nord = armoire 2");
        history->editLabel();
        QCOMPARE(window.history().store().record(first.id)->label, fixture.dialogs.textAnswer);
        history->setSearchText(QStringLiteral("poste nord"));
        QCOMPARE(history->model().rowCount(), 1);
        fixture.dialogs.exportChoice = fixture.folder.filePath(QStringLiteral("export.csv"));
        history->exportCsv();
        const QList<QByteArray> lines = readBytes(*fixture.dialogs.exportChoice).split('\n');
        QCOMPARE(lines.size(), 3); // header, the one record shown, the end
        QVERIFY(lines.at(1).contains(";Poste Nord = armoire 2;"));
        fixture.dialogs.exportChoice = fixture.folder.filePath(QStringLiteral("fiche.pdf"));
        history->exportSheet();
        QVERIFY(readBytes(*fixture.dialogs.exportChoice).startsWith("%PDF"));
        QVERIFY(fixture.dialogs.warnings.isEmpty());

        // A new record shows in the open window.
        history->setSearchText({});
        fixture.send();
        QTRY_COMPARE_WITH_TIMEOUT(history->model().rowCount(), 4, LongWaitMs);
    }

    // A history that cannot be written never holds "Envoi" back; it is said once, in the status
    // line and the journal, and at the end what could not be written.
    void unwritableHistoryIsToldOnce()
    {
        DeviceFixture fixture;
        MainWindow &window = fixture.open();
        const QString path = window.history().store().path();
        QDir().mkpath(QFileInfo(path).path());
        writeBytes(path, {});
        QFile::setPermissions(path, QFile::ReadOwner);
        for (int n = 0; n < 3; ++n) {
            fixture.send();
            QCOMPARE(fixture.device->read(52).size(), 52);
        }
        auto *line = fixture.find<QLabel>(QStringLiteral("HistoryLine"));
        QCOMPARE(line->text(), QStringLiteral("Historique non écrit"));
        QCOMPARE(inkHue(line), QStringLiteral("rouge"));
        QVERIFY(window.statusBar()->currentMessage().contains(
            QStringLiteral("ne peut pas être écrit")));
        int notices = 0;
        for (int i = 0; i < window.journal().size(); ++i) {
            notices += window.journal().at(i).kind == ExchangeJournal::Kind::Notice ? 1 : 0;
        }
        QCOMPARE(notices, 1);
        QVERIFY(fixture.dialogs.warnings.isEmpty());
        window.n_quit_Click();
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
        QVERIFY2(
            fixture.dialogs.warnings.front().contains(QStringLiteral("3 envois de cette session")),
            qPrintable(fixture.dialogs.warnings.front()));
    }

    // A field "Envoi" would refuse is framed in red as it is typed, a state it will send as 0 in
    // amber; what differs from what the device last received is bold, and counted below.
    void wrongAndUnsentFieldsAreMarked()
    {
        PtyPair device;
        WindowFixture fixture;
        QFile::link(device.devicePath(), fixture.folder.filePath(QStringLiteral("COM1")));
        writeBytes(fixture.paramIni(), iniBytes({{"max3", "20"}}));
        MainWindow &window = fixture.open(QLocale::c());
        auto *line = fixture.find<QLabel>(QStringLiteral("UnsentLine"));
        QCOMPARE(line->text(), QStringLiteral("Aucun réglage modifié depuis le dernier envoi"));
        auto *max = fixture.find<QLineEdit>(QStringLiteral("max(3)"));
        QVERIFY(max->styleSheet().isEmpty() && !max->font().bold());
        max->selectAll();
        QTest::keyClicks(max, QStringLiteral("300"));
        QVERIFY(max->styleSheet().contains(QStringLiteral("#D00000")));
        QVERIFY(max->toolTip().contains(QStringLiteral("nombre entier de 0 à 255")));
        QVERIFY(max->font().bold());
        QTest::keyClick(max, Qt::Key_Backspace);
        QVERIFY(max->styleSheet().isEmpty() && max->font().bold());
        QCOMPARE(max->toolTip(), QStringLiteral("Modifié depuis le dernier envoi."));
        auto *state = fixture.find<QLineEdit>(QStringLiteral("et(2)"));
        state->setText(QStringLiteral("5"));
        QVERIFY(state->styleSheet().contains(QStringLiteral("#E08A00")));
        QVERIFY(state->toolTip().contains(QStringLiteral("enverra 0")));
        auto *list = fixture.find<ActionComboBox>(QStringLiteral("Combo2(1)"));
        list->lineEdit()->selectAll();
        QTest::keyClicks(list->lineEdit(), QStringLiteral("x"));
        QVERIFY(list->styleSheet().contains(QStringLiteral("#D00000")));
        QCOMPARE(line->text(), QStringLiteral("3 réglages modifiés depuis le dernier envoi"));
        QVERIFY(!fixture.find<QLineEdit>(QStringLiteral("min(0)"))->font().bold());

        list->setAction(2);
        window.Command6_Click();
        QVERIFY(!max->font().bold() && state->styleSheet().isEmpty() && !state->font().bold());
        QVERIFY(max->toolTip().isEmpty());
        QVERIFY2(line->text().startsWith(QStringLiteral("Réglages envoyés à ")),
                 qPrintable(line->text()));
        // "Ouvrir" marks what the file changed.
        writeBytes(
            fixture.folder.filePath(QStringLiteral("f.txt")),
            readBytes(fixture.paramIni()).replace("[min5]\r\nvaleur=0", "[min5]\r\nvaleur=7"));
        fixture.dialogs.fileChoice = fixture.folder.filePath(QStringLiteral("f.txt"));
        window.n_ouvrir_Click();
        QCOMPARE(line->text(), QStringLiteral("1 réglage modifié depuis le dernier envoi"));
        QVERIFY(fixture.find<QLineEdit>(QStringLiteral("min(5)"))->font().bold());
    }

    // "Envoi à plusieurs appareils": a scanner's Enter moves on without sending; the ticked ports
    // get the window's 52 bytes at once, each its own outcome and record; "Renvoyer aux échecs"
    // sends again to those alone; the window's own port and param.ini are left as they were.
    void multiSendReachesEveryTickedPort()
    {
        DeviceFixture fixture;
        MainWindow &window = fixture.open();
        window.setSetup(workedExample());
        const QByteArray paramIni = readBytes(fixture.paramIni());
        std::map<int, PtyPair> devices; // COM4 answers, COM5 keeps silent, COM6 is not ticked
        for (const int port : {4, 5, 6}) {
            QVERIFY(QFile::link(devices[port].devicePath(),
                                fixture.folder.filePath(QStringLiteral("COM%1").arg(port))));
        }
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), fixture.folder.filePath("COM7")));
        window.n_plusieurs_Click();
        MultiSendWindow *dialog = window.multiSendWindow();
        const auto row = [dialog](int port) {
            for (int index = 0;; ++index) {
                const auto *tick =
                    dialog->findChild<QCheckBox *>(QStringLiteral("Coche(%1)").arg(index));
                if (!tick || tick->text().startsWith(QStringLiteral("COM%1 ").arg(port))) {
                    return tick ? index : -1;
                }
            }
        };
        const auto field = [&](const char *kind, int port) {
            return dialog->findChild<QWidget *>(QStringLiteral("%1(%2)").arg(kind).arg(row(port)));
        };
        QTRY_VERIFY_WITH_TIMEOUT(row(4) >= 0 && row(5) >= 0 && row(6) >= 0 && row(7) >= 0,
                                 LongWaitMs);
        QVERIFY(!static_cast<QCheckBox *>(field("Coche", 4))->isChecked());

        for (const int port : {4, 5, 7}) {
            field("Repere", port)->setFocus();
            QTest::keyClicks(field("Repere", port), QStringLiteral("Armoire %1").arg(port));
            QTest::keyClick(field("Repere", port), Qt::Key_Return);
        }
        QCOMPARE(QApplication::focusWidget(), dialog->findChild<QWidget *>("EnvoyerATous"));
        QVERIFY(devices[4].readFor(200).isEmpty()); // Enter sent nothing
        QVERIFY(static_cast<QCheckBox *>(field("Coche", 7))->isChecked());

        QTest::mouseClick(dialog->findChild<QPushButton *>("EnvoyerATous"), Qt::LeftButton);
        QCOMPARE(devices[4].read(52), workedExampleBytes());
        QCOMPARE(devices[5].read(52), workedExampleBytes());
        QVERIFY(devices[4].write("OK"));
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->sending().isRunning(), LongWaitMs);
        const auto state = [&](int port) {
            return static_cast<QLabel *>(field("Etat", port))->text();
        };
        QCOMPARE(state(4), QStringLiteral("répondu « OK »"));
        QCOMPARE(state(5), QStringLiteral("pas de réponse"));
        QVERIFY2(state(7).startsWith(QStringLiteral("port non ouvert : ")), qPrintable(state(7)));
        QCOMPARE(state(6), QString());
        // Green what went well, red what failed.
        QCOMPARE(inkHue(field("Etat", 4)), QStringLiteral("vert"));
        QCOMPARE(inkHue(field("Etat", 5)), QStringLiteral("rouge"));
        QCOMPARE(inkHue(field("Etat", 7)), QStringLiteral("rouge"));
        QVERIFY(devices[6].readFor(100).isEmpty());
        // The listing goes on: a port gone since keeps its row and outcome, the others appear
        // once each, and a number that now names another device shows it.
        PtyPair other;
        QVERIFY(QFile::remove(fixture.folder.filePath("COM7")));
        QVERIFY(QFile::remove(fixture.folder.filePath("COM6")));
        QVERIFY(QFile::link(other.devicePath(), fixture.folder.filePath("COM6")));
        // COM6's row may leave the list for a moment, between the old link and the new.
        const auto tickText = [&](int port) {
            const auto *tick = static_cast<QCheckBox *>(field("Coche", port));
            return tick ? tick->text() : QString();
        };
        QTRY_VERIFY_WITH_TIMEOUT(tickText(6).contains(other.devicePath() + QStringLiteral(" ")),
                                 LongWaitMs);
        QVERIFY2(state(7).startsWith(QStringLiteral("port non ouvert : ")), qPrintable(state(7)));
        const auto rows = dialog->findChildren<QCheckBox *>();
        QCOMPARE(std::count_if(rows.begin(), rows.end(),
                               [](const QCheckBox *tick) {
                                   return tick->text().startsWith(QStringLiteral("COM4 "));
                               }),
                 1);

        QTest::mouseClick(dialog->findChild<QPushButton *>("RenvoyerAuxEchecs"), Qt::LeftButton);
        QCOMPARE(devices[5].read(52), workedExampleBytes());
        QVERIFY(devices[5].write("OK"));
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->sending().isRunning(), LongWaitMs);
        QCOMPARE(state(5), QStringLiteral("répondu « OK »"));
        QCOMPARE(inkHue(field("Etat", 5)), QStringLiteral("vert"));
        QVERIFY(devices[4].readFor(100).isEmpty());

        QList<QString> labels;
        for (const SendRecord &record : window.history().store().records({})) {
            labels.append(QStringLiteral("COM%1 %2 %3")
                              .arg(record.port)
                              .arg(record.label, outcomeWord(record.outcome)));
        }
        std::sort(labels.begin(), labels.end());
        QCOMPARE(labels,
                 (QList<QString> {"COM4 Armoire 4 répondu", "COM5 Armoire 5 pas de réponse",
                                  "COM5 Armoire 5 répondu", "COM7 Armoire 7 port non ouvert",
                                  "COM7 Armoire 7 port non ouvert"}));
        QCOMPARE(window.serialLink().commPort(), qint16(1));
        QCOMPARE(readBytes(fixture.paramIni()), paramIni);
    }

    // The port box lists the ports present, following a link that appears and disappears; a line
    // chosen fills the number; the port in use is marked.
    void portBoxFollowsThePortsPresent()
    {
        QTemporaryDir folder;
        auto device = std::make_unique<PtyPair>();
        const QString link = folder.filePath(QStringLiteral("COM7"));
        PortDialog dialog(nullptr, QStringLiteral("Changement du port de communication"),
                          QStringLiteral("Port de communication"), QStringLiteral("1"),
                          folder.path(), link);
        auto *list = dialog.findChild<QListWidget *>(QStringLiteral("PortList"));
        QCOMPARE(list->accessibleName(), QStringLiteral("Ports présents"));
        const auto row = [list](const QString &part) {
            for (int i = 0; i < list->count(); ++i) {
                if (list->item(i)->text().contains(part)) {
                    return i;
                }
            }
            return -1;
        };
        QCOMPARE(row(QStringLiteral("COM7")), -1);
        dialog.show();
        QVERIFY(QFile::link(device->devicePath(), link));
        QTRY_VERIFY_WITH_TIMEOUT(row(QStringLiteral("COM7 — ") + device->devicePath()) >= 0,
                                 LongWaitMs);
        const QString line = list->item(row(QStringLiteral("COM7")))->text();
        QVERIFY2(line.contains(QStringLiteral("en service"))
                     && line.contains(QStringLiteral("lien")),
                 qPrintable(line));
        list->setCurrentRow(row(QStringLiteral("COM7")));
        QCOMPARE(dialog.answer(), QStringLiteral("7"));
        // A port that comes leaves the choice as it was.
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), folder.filePath(QStringLiteral("COM9"))));
        QTRY_VERIFY_WITH_TIMEOUT(row(QStringLiteral("COM9")) >= 0, LongWaitMs);
        QVERIFY(list->currentItem()->text().startsWith(QStringLiteral("COM7")));
        // The first port too.
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), folder.filePath(QStringLiteral("COM1"))));
        QTRY_VERIFY_WITH_TIMEOUT(row(QStringLiteral("COM1 — /dev/null")) >= 0, LongWaitMs);
        list->setCurrentRow(row(QStringLiteral("COM1 — /dev/null")));
        QCOMPARE(dialog.answer(), QStringLiteral("1"));
        QFile::remove(link);
        device.reset();
        QTRY_VERIFY_WITH_TIMEOUT(row(QStringLiteral("COM7")) < 0, LongWaitMs);
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
        QCOMPARE(clock->text().count(QLatin1Char(':')), 2);
        QVERIFY(clock->width() > before);
        QCOMPARE(fixture.find<QTimer>(QStringLiteral("Timer2"))->interval(), 1000);
    }
};

QTEST_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
