#include "testdata.h"
#include "testserver.h"
#include "windowfixture.h"

#include "../tools/common/ptypair.h"
#include "app/dialogs/multisendwindow.h"
#include "app/dialogs/proposaldialog.h"
#include "app/dialogs/setuplibrarydialog.h"
#include "app/historywindow/historywindow.h"
#include "app/widgets/setupgrid.h"
#include "history/historystore.h"
#include "setuplibrary/devicestates.h"
#include "setuplibrary/setupcopy.h"
#include "setuplibrary/workshopsetups.h"
#include "sharedhistory/sharedpush.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <map>
#include <signal.h>
#include <thread>

using namespace Tensiova;

namespace {

// Names, comments and repères a user could type or a file could hold, stored and read back exact.
const QStringList HostileTexts {
    QStringLiteral("'); DROP TABLE tensiova_reglages; --"),
    QStringLiteral("100 % _sûr_ \\ \"guillemets\" l'armoire"),
    QStringLiteral("Réglage élévé ÉÀÇ œ €"),
    QString(10000, QLatin1Char('x')) + QStringLiteral("é"),
};

SetupDraft draftOf(const MonitoringSetup &setup)
{
    return SetupDraft::of(setup, QLocale::system());
}

// A set-up of its own for each n, valid for the device.
SetupDraft sampleDraft(int n)
{
    MonitoringSetup setup = workedExample();
    setup.setText(Family::Max, 0, QString::number(100 + n));
    return draftOf(setup);
}

} // namespace

class SetupLibraryTest : public QObject
{
    Q_OBJECT

private:
    TestServer m_server;
    QTemporaryDir m_folder;
    int m_databases = 0;
    QString m_database;

    // A database of its own, its tables made by the administrator; "poste" a station's login,
    // "autre" an approver's.
    QString freshDatabase()
    {
        const QString name = QStringLiteral("bibliotheque%1").arg(++m_databases);
        if (!m_server.query(QStringLiteral("CREATE DATABASE %1").arg(name),
                            QStringLiteral("postgres"))) {
            return {};
        }
        SharedDatabase admin(server(QStringLiteral("atelier_admin"), name));
        if (!admin.connect()
            || !m_server.query(QStringLiteral("GRANT tensiova_poste TO poste;"
                                              "GRANT tensiova_approbation TO autre"),
                               name)) {
            return {};
        }
        return name;
    }
    SharedServer server(const QString &account, const QString &database = {}) const
    {
        return {m_server.connection(account, database.isEmpty() ? m_database : database)};
    }
    QString scalar(const QString &sql) const
    {
        return m_server.query(sql, m_database).value_or(QStringLiteral("(failed)")).trimmed();
    }

private slots:
    void initTestCase()
    {
        VERIFY_PROCESS_LOCALE();
        QVERIFY(m_folder.isValid());
        QVERIFY2(m_server.start(), qPrintable(m_server.error()));
        m_database = freshDatabase();
        QVERIFY(!m_database.isEmpty());
    }

    // Proposed by a station, approved by another person only, never changed, never deleted:
    // the server refuses it whoever asks, with a sentence that says why.
    void fourEyesAndStoredValuesAreTheServers()
    {
        SharedDatabase stationDb(server(QStringLiteral("poste")));
        SharedDatabase approverDb(server(QStringLiteral("autre")));
        SharedDatabase adminDb(server(QStringLiteral("atelier_admin")));
        SetupLibrary station(stationDb);
        SetupLibrary approver(approverDb);
        SetupLibrary admin(adminDb);
        const QString name = QStringLiteral("Quatre yeux");

        QCOMPARE(station.propose(name, sampleDraft(1), QStringLiteral("première")), 1);
        QCOMPARE(approver.propose(name, sampleDraft(2), QStringLiteral("seconde")), 2);
        QCOMPARE(scalar(QStringLiteral("SELECT string_agg(author, ',' ORDER BY number) FROM "
                                       "tensiova_reglage_versions")),
                 QStringLiteral("poste,autre"));

        // A station's login reads and proposes, nothing more.
        QVERIFY(!station.decide(name, 1, SetupVersion::State::Approved));
        QCOMPARE(station.errorCode(), QStringLiteral("42501"));
        QVERIFY(!station.assign(QStringLiteral("P1"), name));
        QCOMPARE(station.errorCode(), QStringLiteral("42501"));
        // Nobody approves their own version, not even the tables' owner.
        QVERIFY(!approver.decide(name, 2, SetupVersion::State::Approved));
        QCOMPARE(approver.errorCode(), QStringLiteral("TV003"));
        QVERIFY2(approver.error().contains(QStringLiteral("une autre personne")),
                 qPrintable(approver.error()));
        // A refusal says why.
        QVERIFY(!approver.decide(name, 1, SetupVersion::State::Refused, QStringLiteral("  ")));
        QCOMPARE(approver.errorCode(), QStringLiteral("TV004"));

        QVERIFY2(approver.decide(name, 1, SetupVersion::State::Approved),
                 qPrintable(approver.error()));
        QVERIFY2(admin.decide(name, 2, SetupVersion::State::Approved), qPrintable(admin.error()));
        // One approved version a set-up: the one before is retired in the same stroke.
        const auto versions = station.versions(name);
        QVERIFY(versions);
        QCOMPARE(versions->size(), 2);
        QCOMPARE(versions->at(0).state, SetupVersion::State::Approved);
        QCOMPARE(versions->at(0).decidedBy, QStringLiteral("atelier_admin"));
        QCOMPARE(versions->at(1).state, SetupVersion::State::Retired);
        QCOMPARE(versions->at(1).reason, QStringLiteral("remplacée par v2"));
        QCOMPARE(versions->at(1).message, sampleDraft(1).message);
        // A retired version never comes back.
        QVERIFY(!approver.decide(name, 1, SetupVersion::State::Approved));
        QCOMPARE(approver.errorCode(), QStringLiteral("TV002"));

        // Stored values: refused to the station by its rights, to the owner by the triggers.
        const QString statements[] {
            QStringLiteral("UPDATE tensiova_reglage_versions SET comment = 'autre'"),
            QStringLiteral("UPDATE tensiova_reglage_versions SET message = '\\x00'::bytea"),
            QStringLiteral("UPDATE tensiova_reglage_versions SET decided_by = 'moi'"),
            QStringLiteral("DELETE FROM tensiova_reglage_versions"),
            QStringLiteral("DELETE FROM tensiova_reglages"),
            QStringLiteral("TRUNCATE tensiova_reglage_versions CASCADE"),
            QStringLiteral("UPDATE tensiova_reglages SET name = 'autre'")};
        for (const QString &sql : statements) {
            for (SharedDatabase *database : {&stationDb, &approverDb, &adminDb}) {
                QVERIFY2(!database->run(sql.toUtf8(), {}), qPrintable(sql));
                QVERIFY2(database->errorCode() == QLatin1String("42501")
                             || database->errorCode().startsWith(QLatin1String("TV")),
                         qPrintable(sql + QLatin1Char(' ') + database->errorCode()));
            }
        }
        QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM tensiova_reglage_versions WHERE "
                                       "comment IN ('première', 'seconde')")),
                 QStringLiteral("2"));
    }

    // Stations proposing the same set-up at once get one number each, one after the other.
    void proposalsAtOnceAreNumberedOnce()
    {
        constexpr int Stations = 4;
        constexpr int EachProposes = 5;
        const QString name = QStringLiteral("Concurrence");
        std::vector<std::thread> stations;
        QList<int> numbers[Stations];
        for (int s = 0; s < Stations; ++s) {
            stations.emplace_back([&, s] {
                SharedDatabase database(server(QStringLiteral("poste")));
                SetupLibrary library(database);
                for (int n = 0; n < EachProposes; ++n) {
                    numbers[s].append(library.propose(name, sampleDraft(n), {}).value_or(0));
                }
            });
        }
        for (std::thread &station : stations) {
            station.join();
        }
        QSet<int> all;
        for (const QList<int> &mine : numbers) {
            for (const int number : mine) {
                all.insert(number);
            }
        }
        QCOMPARE(all.size(), Stations * EachProposes);
        QCOMPARE(*std::min_element(all.begin(), all.end()), 1);
        QCOMPARE(*std::max_element(all.begin(), all.end()), Stations * EachProposes);
    }

    // Whatever the name, the comment or the repère, it is kept and read back as typed.
    void hostileTextsAreStoredExact()
    {
        SharedDatabase stationDb(server(QStringLiteral("poste")));
        SharedDatabase approverDb(server(QStringLiteral("autre")));
        SetupLibrary station(stationDb);
        SetupLibrary approver(approverDb);
        for (const QString &text : HostileTexts) {
            QCOMPARE(station.propose(text, sampleDraft(3), text), 1);
            QVERIFY2(approver.decide(text, 1, SetupVersion::State::Approved),
                     qPrintable(approver.error()));
            QVERIFY2(approver.assign(text, text), qPrintable(approver.error()));
            const auto version = station.version(text);
            QVERIFY2(version, qPrintable(station.error()));
            QCOMPARE(version->name, text);
            QCOMPARE(version->comment, text);
            QCOMPARE(version->entries, sampleDraft(3).entries);
        }
        // "_" and "%" are no wildcards: a name like another is another set-up.
        QVERIFY(!station.version(QStringLiteral("100 %")));
        QCOMPARE(station.errorCode(), QStringLiteral("no-version"));
        const auto listed = station.list();
        QVERIFY(listed);
        QStringList names;
        for (const SetupSummary &summary : *listed) {
            names.append(summary.name);
        }
        for (const QString &text : HostileTexts) {
            QVERIFY(names.contains(text));
        }
        const auto assignments = station.assignments();
        QVERIFY(assignments);
        for (const QString &text : HostileTexts) {
            QVERIFY(std::any_of(assignments->begin(), assignments->end(), [&](const auto &given) {
                return given.pattern == text && given.name == text;
            }));
        }
    }

    // A proposal is whole or absent: a failure after the set-up's row leaves no set-up behind,
    // and a server that stops answering has nothing half-made once it answers again.
    void nothingHalfMade()
    {
        SharedDatabase database(server(QStringLiteral("poste")));
        SetupLibrary library(database);
        SetupDraft broken = sampleDraft(1);
        broken.message.chop(1); // the table's rule refuses it, after the set-up is made
        QVERIFY(!library.propose(QStringLiteral("Moitié"), broken, {}));
        QCOMPARE(library.errorCode(), QStringLiteral("23514"));
        QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM tensiova_reglages WHERE name = "
                                       "'Moitié'")),
                 QStringLiteral("0"));
        // The connection is usable again at once.
        QCOMPARE(library.propose(QStringLiteral("Moitié"), sampleDraft(1), {}), 1);

        database.setPatience(1000);
        QVERIFY(m_server.signalServer(SIGSTOP));
        const std::optional<int> during =
            library.propose(QStringLiteral("Gelé"), sampleDraft(1), {});
        QVERIFY(m_server.signalServer(SIGCONT));
        QVERIFY(!during);
        QVERIFY2(library.errorCode().isEmpty(), qPrintable(library.errorCode()));
        QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM tensiova_reglages r JOIN "
                                       "tensiova_reglage_versions v ON v.setup_id = r.id WHERE "
                                       "r.name = 'Gelé'")),
                 scalar(QStringLiteral("SELECT count(*) FROM tensiova_reglages WHERE name = "
                                       "'Gelé'")));
    }

    // The station's copy: approved versions without the server, never one the server has since
    // retired once it was reached again; records named from their bytes.
    void copyServesWithoutTheServerAndFollowsIt()
    {
        const QString history = m_folder.filePath(QStringLiteral("copie.sqlite"));
        SharedDatabase approverDb(server(QStringLiteral("autre")));
        SetupLibrary approver(approverDb);
        SharedDatabase stationDb(server(QStringLiteral("poste")));
        SetupLibrary station(stationDb);
        const QString name = QStringLiteral("Copie");
        QCOMPARE(station.propose(name, sampleDraft(11), {}), 1);
        QCOMPARE(station.propose(name, sampleDraft(12), {}), 2);
        QVERIFY(approver.decide(name, 1, SetupVersion::State::Approved));
        QVERIFY(approver.assign(QStringLiteral("C-*"), name));
        QVERIFY(approver.assign(QStringLiteral("C-1"), QStringLiteral("Moitié")));

        WorkshopSetups online(history, server(QStringLiteral("poste")));
        QVERIFY(online.version(name).version);
        SetupCopy copy(history);
        QVERIFY(copy.copiedAt().isValid());
        QCOMPARE(copy.version(name)->number, 1);
        QVERIFY(!copy.version(name, 2)); // never approved: not kept
        QCOMPARE(copy.setupOf(QStringLiteral("c-7")), name);
        QCOMPARE(copy.setupOf(QStringLiteral("C-1")), QStringLiteral("Moitié"));
        QCOMPARE(copy.setupOf(QStringLiteral("D-1")), QString());
        QCOMPARE(copy.versionSending(sampleDraft(11).message)->title(), QStringLiteral("Copie v1"));
        QVERIFY(!copy.versionSending(sampleDraft(12).message));

        // Without the server, the copy serves and says its date.
        WorkshopSetups offline(history, {QStringLiteral("host=127.0.0.1 port=1 sslmode=disable")});
        const WorkshopSetups::Found found = offline.version(name);
        QVERIFY(found.fromCopy);
        QCOMPARE(found.copiedAt, copy.copiedAt());
        QCOMPARE(found.version->message, sampleDraft(11).message);
        const WorkshopSetups::Listing listing = offline.list();
        QVERIFY(listing.fromCopy);
        QVERIFY(
            std::any_of(listing.setups->begin(), listing.setups->end(),
                        [&](const SetupSummary &s) { return s.name == name && s.approved == 1; }));

        // v2 approved, then retired: once the server is reached, the copy has no approved version,
        // and a record of v1 or v2 is still named after it.
        QVERIFY(approver.decide(name, 2, SetupVersion::State::Approved));
        QVERIFY(approver.decide(name, 2, SetupVersion::State::Retired));
        QVERIFY(!online.version(name).version);
        QVERIFY(!copy.version(name));
        QCOMPARE(copy.version(name, 1)->state, SetupVersion::State::Retired);
        QCOMPARE(copy.versionSending(sampleDraft(12).message)->title(), QStringLiteral("Copie v2"));
        QVERIFY(!offline.version(name).version);

        // A server that refuses is not away: its reason is said, the copy is not offered.
        QVERIFY(m_server.query(QStringLiteral("REVOKE tensiova_poste FROM poste"), m_database));
        const WorkshopSetups::Listing refused =
            WorkshopSetups(history, server(QStringLiteral("poste"))).list();
        QVERIFY(m_server.query(QStringLiteral("GRANT tensiova_poste TO poste"), m_database));
        QVERIFY(!refused.fromCopy);
        QVERIFY(!refused.setups);
        QCOMPARE(refused.code, QStringLiteral("42501"));
    }

    // Each device's state from its repère and its last bytes, as the station's copy gives it.
    void deviceStates()
    {
        m_database = freshDatabase(); // no repère given by another test
        SharedDatabase stationDb(server(QStringLiteral("poste")));
        SharedDatabase approverDb(server(QStringLiteral("autre")));
        SetupLibrary station(stationDb);
        SetupLibrary approver(approverDb);
        const QString current = QStringLiteral("États");
        const QString withdrawn = QStringLiteral("Retiré");
        for (int n : {21, 22}) {
            QVERIFY(station.propose(current, sampleDraft(n), {}));
            QVERIFY(approver.decide(current, n - 20, SetupVersion::State::Approved));
        }
        QVERIFY(station.propose(current, sampleDraft(23), {})); // proposed only
        QVERIFY(station.propose(withdrawn, sampleDraft(24), {}));
        QVERIFY(approver.decide(withdrawn, 1, SetupVersion::State::Approved));
        QVERIFY(approver.decide(withdrawn, 1, SetupVersion::State::Retired));
        QVERIFY(approver.assign(QStringLiteral("E-*"), current));
        QVERIFY(approver.assign(QStringLiteral("E-9"), withdrawn));
        QVERIFY(approver.assign(QStringLiteral("F-1"), current));
        QVERIFY(approver.assign(QStringLiteral("E-1*"), withdrawn)); // a longer prefix wins

        const QString history = m_folder.filePath(QStringLiteral("etats.sqlite"));
        WorkshopSetups setups(history, server(QStringLiteral("poste")));
        QVERIFY(setups.refreshCopy());
        const std::optional<DeviceStates> states = DeviceStates::fromCopy(setups.copy());
        QVERIFY(states);
        using Kind = DeviceState::Kind;
        const struct
        {
            const char *label;
            QByteArray message;
            Kind kind;
            const char *setup;
            int held;
        } cases[] {
            {"E-2", sampleDraft(22).message, Kind::UpToDate, "États", 2},
            {"e-3", sampleDraft(21).message, Kind::OldVersion, "États", 1},
            {"E-4", sampleDraft(23).message, Kind::Different, "États", 0},
            {"E-5", sampleDraft(24).message, Kind::Different, "États", 0},
            {"F-1", {}, Kind::NeverProgrammed, "États", 0},
            {"E-9", sampleDraft(24).message, Kind::NoApprovedVersion, "Retiré", 1},
            {"E-12", sampleDraft(22).message, Kind::NoApprovedVersion, "Retiré", 0},
            {"G-1", sampleDraft(22).message, Kind::NoSetupAssigned, "", 0},
        };
        for (const auto &c : cases) {
            const DeviceState state = states->of(QString::fromUtf8(c.label), c.message);
            QVERIFY2(state.kind == c.kind, c.label);
            QCOMPARE(state.setup, QString::fromUtf8(c.setup));
            QCOMPARE(state.held, c.held);
            QCOMPARE(state.needsProgramming(),
                     c.kind == Kind::OldVersion || c.kind == Kind::Different
                         || c.kind == Kind::NeverProgrammed);
        }
        QCOMPARE(states->unprogrammed({QStringLiteral("e-9")}),
                 QStringList {QStringLiteral("F-1")});
        QCOMPARE(states->unprogrammed({QStringLiteral("f-1"), QStringLiteral("e-9")}),
                 QStringList());
    }

    // The window: the list filtered as typed, "Ouvrir" into the grids (title and status line say
    // which), proposals checked as "Envoi" checks, a proposal examined beside the approved
    // version and decided, a scanned repère opening its set-up, Par repère with the state.
    void window()
    {
        m_database = freshDatabase();
        SharedDatabase stationDb(server(QStringLiteral("poste")));
        SetupLibrary station(stationDb);
        const QString name = QStringLiteral("Fenêtre");
        QCOMPARE(station.propose(name, sampleDraft(31), QStringLiteral("première")), 1);
        SharedDatabase adminDb(server(QStringLiteral("atelier_admin")));
        QVERIFY(SetupLibrary(adminDb).decide(name, 1, SetupVersion::State::Approved));

        WindowFixture fixture;
        MainWindow &window = fixture.open();
        QVERIFY(window.setSharedServer(server(QStringLiteral("autre"))));
        window.n_reglages_Click();
        SetupLibraryDialog *library = window.libraryDialog();
        QVERIFY(library);
        QSignalSpy answered(library, &SetupLibraryDialog::answered);
        QVERIFY(answered.wait(LongWaitMs));
        auto *list = library->findChild<QTableWidget *>(QStringLiteral("ListeReglages"));
        QCOMPARE(list->rowCount(), 1);
        // The list in sight, between its filter and its buttons.
        QVERIFY(list->isVisible());
        QVERIFY(list->geometry().top()
                > library->findChild<QWidget *>(QStringLiteral("FiltreReglages"))->y());
        QVERIFY(list->geometry().bottom()
                < library->findChild<QWidget *>(QStringLiteral("OuvrirReglage"))
                      ->mapTo(library, QPoint())
                      .y());
        QCOMPARE(list->item(0, 0)->text(), name);
        QCOMPARE(list->item(0, 1)->text(), QStringLiteral("v1"));
        QCOMPARE(list->item(0, 3)->text(), QStringLiteral("poste"));
        auto *filter = library->findChild<QLineEdit *>(QStringLiteral("FiltreReglages"));
        filter->setText(QStringLiteral("FENÊ"));
        QVERIFY(!list->isRowHidden(0));
        filter->setText(QStringLiteral("nord"));
        QVERIFY(list->isRowHidden(0));
        filter->clear();
        // Nothing chosen yet: both buttons say so instead of doing nothing.
        list->clearSelection();
        for (const char *button : {"OuvrirReglage", "ExaminerReglage"}) {
            library->findChild<QPushButton *>(QString::fromLatin1(button))->click();
        }
        QCOMPARE(
            fixture.dialogs.informations,
            QStringList(2, QStringLiteral("Réglages de l'atelier|Choisissez d'abord un réglage.")));
        fixture.dialogs.informations.clear();

        // Opened: the approved values, named in the title and the status line; a value typed
        // after it shows as changed.
        library->selectName(name);
        QSignalSpy opened(library, &SetupLibraryDialog::versionOpened);
        library->findChild<QPushButton *>(QStringLiteral("OuvrirReglage"))->click();
        QVERIFY(opened.wait(LongWaitMs));
        QCOMPARE(SetupDraft::of(window.setup(), QLocale::system()).message,
                 sampleDraft(31).message);
        QVERIFY2(window.windowTitle().startsWith(QStringLiteral("Réglage « Fenêtre » v1 - ")),
                 qPrintable(window.windowTitle()));
        QCOMPARE(fixture.find<QLabel>(QStringLiteral("SetupLine"))->text(),
                 QStringLiteral("Réglage « Fenêtre » v1"));
        QCOMPARE(window.unsentTyping(), 0);

        // A value "Envoi" would refuse is never proposed; a good one is, by this login.
        MonitoringSetup typed = window.setup();
        typed.setText(Family::Min, 2, QStringLiteral("300"));
        window.setSetup(typed);
        library->findChild<QPushButton *>(QStringLiteral("ProposerReglage"))->click();
        QVERIFY2(fixture.dialogs.warnings.size() == 1
                     && fixture.dialogs.warnings.front().contains(QStringLiteral("« 300 »")),
                 qPrintable(fixture.dialogs.warnings.join(QLatin1Char('\n'))));
        typed.setText(Family::Min, 2, QStringLiteral("30"));
        window.setSetup(typed);
        fixture.dialogs.textAnswer = name; // the name, then the comment
        library->findChild<QPushButton *>(QStringLiteral("ProposerReglage"))->click();
        QVERIFY(answered.wait(LongWaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(fixture.dialogs.informations.join(QLatin1Char('\n'))
                                     .contains(QStringLiteral("Proposé : Fenêtre v2")),
                                 LongWaitMs);
        QCOMPARE(station.version(name, 2)->author, QStringLiteral("autre"));

        // A proposal the server refuses: said, and the list's buttons usable again.
        QVERIFY(
            m_server.query(QStringLiteral("REVOKE tensiova_approbation FROM autre"), m_database));
        fixture.dialogs.warnings.clear();
        library->findChild<QPushButton *>(QStringLiteral("ProposerReglage"))->click();
        QVERIFY(answered.wait(LongWaitMs));
        QVERIFY2(fixture.dialogs.warnings.size() == 1
                     && fixture.dialogs.warnings.front().contains(QStringLiteral("pas ce droit")),
                 qPrintable(fixture.dialogs.warnings.join(QLatin1Char('\n'))));
        for (const char *button : {"OuvrirReglage", "ProposerReglage", "ExaminerReglage"}) {
            QVERIFY2(library->findChild<QPushButton *>(QString::fromLatin1(button))->isEnabled(),
                     button);
        }
        QVERIFY(m_server.query(QStringLiteral("GRANT tensiova_approbation TO autre"), m_database));

        // Examined beside v1: its own author may not approve it, the server says why; refused.
        // The proposal shown: the one before was closed by its decision.
        // (Its button is pressed once the library answered what was asked before.)
        const auto examine = [&] {
            auto *button = library->findChild<QPushButton *>(QStringLiteral("ExaminerReglage"));
            if (!QTest::qWaitFor([button] { return button->isEnabled(); }, LongWaitMs)) {
                return false;
            }
            library->selectName(name);
            button->click();
            return QTest::qWaitFor(
                [&] { return library->proposalDialog() && library->proposalDialog()->isVisible(); },
                LongWaitMs);
        };
        QVERIFY(examine());
        // The list stays usable beside the proposal.
        QVERIFY(library->findChild<QPushButton *>(QStringLiteral("OuvrirReglage"))->isEnabled());
        ProposalDialog *proposal = library->proposalDialog();
        QCOMPARE(proposal->proposal().number, 2);
        // Its decision is taken below the comparison, in sight.
        auto *approve = proposal->findChild<QPushButton *>(QStringLiteral("Approuver"));
        QVERIFY(approve->isVisible());
        QVERIFY(approve->mapTo(proposal, QPoint()).y()
                > proposal->findChild<QWidget *>(QStringLiteral("PropositionGrille"))
                      ->geometry()
                      .bottom());
        QCOMPARE(proposal->differences(), 1);
        auto *grid = proposal->findChild<SetupGrid *>(QStringLiteral("PropositionGrille"));
        QVERIFY(grid->isMarked(Family::Min, 2));
        QCOMPARE(grid->fieldText(Family::Min, 2), QStringLiteral("30 → 0"));
        QVERIFY(proposal->findChild<QLabel *>(QStringLiteral("PropositionTitre"))
                    ->text()
                    .contains(QStringLiteral("1 champ(s) diffèrent de v1 approuvée")));
        fixture.dialogs.warnings.clear();
        proposal->findChild<QPushButton *>(QStringLiteral("Approuver"))->click();
        QVERIFY(answered.wait(LongWaitMs));
        QVERIFY2(fixture.dialogs.warnings.join(QLatin1Char('\n'))
                     .contains(QStringLiteral("une autre personne")),
                 qPrintable(fixture.dialogs.warnings.join(QLatin1Char('\n'))));
        QVERIFY(examine());
        fixture.dialogs.textAnswer = QStringLiteral("AN2 trop bas");
        library->proposalDialog()->findChild<QPushButton *>(QStringLiteral("Refuser"))->click();
        QTRY_COMPARE_WITH_TIMEOUT(station.version(name, 2)->state, SetupVersion::State::Refused,
                                  LongWaitMs);
        QCOMPARE(station.version(name, 2)->reason, QStringLiteral("AN2 trop bas"));

        // Another person's proposal is approved here, and becomes what a scanned repère opens.
        QCOMPARE(station.propose(name, sampleDraft(33), {}), 3);
        QVERIFY(examine());
        QCOMPARE(library->proposalDialog()->proposal().number, 3);
        library->proposalDialog()->findChild<QPushButton *>(QStringLiteral("Approuver"))->click();
        QTRY_COMPARE_WITH_TIMEOUT(station.version(name, 3)->state, SetupVersion::State::Approved,
                                  LongWaitMs);
        QVERIFY(SetupLibrary(adminDb).assign(QStringLiteral("S-*"), name));

        auto *label = fixture.find<QLineEdit>(QStringLiteral("Repere"));
        QSignalSpy openedFromLabel(&window, &QWidget::windowTitleChanged);
        fixture.dialogs.confirmation = false; // values typed by hand: asked first, kept
        auto *coefficient = fixture.find<QLineEdit>(QStringLiteral("coeff(5)"));
        coefficient->selectAll();
        QTest::keyClicks(coefficient, QStringLiteral("9"));
        QVERIFY(window.unsentTyping() > 0);
        label->setText(QStringLiteral("s-1"));
        QTest::keyClick(label, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.dialogs.confirmQuestions.size(), 1, LongWaitMs);
        QVERIFY(!window.windowTitle().contains(QStringLiteral("v3")));
        fixture.dialogs.confirmation = true;
        QTest::keyClick(label, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(
            window.windowTitle().startsWith(QStringLiteral("Réglage « Fenêtre » v3")), LongWaitMs);
        QCOMPARE(SetupDraft::of(window.setup(), QLocale::system()).message,
                 sampleDraft(33).message);

        // Sent (no device behind the port: recorded all the same): Par repère says it holds v3.
        window.Command6_Click();
        window.n_historique_Click();
        HistoryWindow *history = window.historyWindow();
        QSignalSpy loaded(&history->model(), &HistoryModel::firstPageLoaded);
        history->showLatestByLabel(true);
        // Read at once from this station's history, or later from the server's.
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), LongWaitMs);
        const HistoryModel &model = history->model();
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.data(model.index(0, model.setupColumn()), Qt::DisplayRole).toString(),
                 QStringLiteral("Fenêtre v3"));
        QCOMPARE(model.data(model.index(0, model.stateColumn()), Qt::DisplayRole).toString(),
                 QStringLiteral("à jour"));

        // Several devices: a port whose repère is given the set-up gets its approved version,
        // the other the window's values.
        window.setSetup(workedExample());
        std::map<int, PtyPair> devices;
        for (const int port : {4, 5}) {
            QVERIFY(QFile::link(devices[port].devicePath(),
                                fixture.folder.filePath(QStringLiteral("COM%1").arg(port))));
        }
        window.n_plusieurs_Click();
        MultiSendWindow *several = window.multiSendWindow();
        // The rows by their port's number (the machine may have serial ports of its own).
        const auto row = [several](int port) {
            for (int index = 0;; ++index) {
                const auto *tick =
                    several->findChild<QCheckBox *>(QStringLiteral("Coche(%1)").arg(index));
                if (!tick || tick->text().startsWith(QStringLiteral("COM%1 ").arg(port))) {
                    return tick ? index : -1;
                }
            }
        };
        const auto field = [&](const char *kind, int port) {
            return several->findChild<QWidget *>(QStringLiteral("%1(%2)").arg(kind).arg(row(port)));
        };
        QTRY_VERIFY_WITH_TIMEOUT(row(4) >= 0 && row(5) >= 0, LongWaitMs);
        for (const auto &[port, repere] : {std::pair {4, "S-2"}, {5, "T-1"}}) {
            QTest::keyClicks(field("Repere", port), QString::fromLatin1(repere));
            QTest::keyClick(field("Repere", port), Qt::Key_Return);
        }
        QTRY_COMPARE_WITH_TIMEOUT(static_cast<QLabel *>(field("Reglage", 4))->text(),
                                  QStringLiteral("Fenêtre v3"), LongWaitMs);
        QCOMPARE(static_cast<QLabel *>(field("Reglage", 5))->text(), QStringLiteral("fenêtre"));
        QTest::mouseClick(several->findChild<QPushButton *>("EnvoyerATous"), Qt::LeftButton);
        QCOMPARE(devices[4].read(52), sampleDraft(33).message);
        QCOMPARE(devices[5].read(52), workedExampleBytes());
        // Once sent, each row names what its port got, from its bytes.
        QTRY_VERIFY_WITH_TIMEOUT(!several->sending().isRunning(), LongWaitMs);
        QCOMPARE(static_cast<QLabel *>(field("Reglage", 4))->text(), QStringLiteral("Fenêtre v3"));
        QCOMPARE(static_cast<QLabel *>(field("Reglage", 5))->text(),
                 QStringLiteral("hors bibliothèque"));
    }

    // Par repère comes a page at a time, this station's and the workshop's alike: every repère
    // once, in order, then the devices never programmed; "À reprogrammer" goes on through the
    // pages by itself.
    void byLabelComesByPages()
    {
        m_database = freshDatabase();
        constexpr int Repères = HistoryModel::PageSize * 2 + 50;
        SharedDatabase stationDb(server(QStringLiteral("poste")));
        SharedDatabase adminDb(server(QStringLiteral("atelier_admin")));
        QCOMPARE(SetupLibrary(stationDb).propose(QStringLiteral("Pages"), sampleDraft(51), {}), 1);
        SetupLibrary approver(adminDb);
        QVERIFY(approver.decide(QStringLiteral("Pages"), 1, SetupVersion::State::Approved));
        QVERIFY(approver.assign(QStringLiteral("R-*"), QStringLiteral("Pages")));
        QVERIFY(approver.assign(QStringLiteral("R-999"), QStringLiteral("Pages")));
        const QString path = m_folder.filePath(QStringLiteral("pages.sqlite"));
        HistoryStore store(path);
        for (int n = 0; n < Repères; ++n) {
            SendRecord record = sampleRecord(n);
            record.label = QStringLiteral("R-%1").arg(n, 3, 10, QLatin1Char('0'));
            // Every other device holds the approved version, the others other values.
            if (n % 2 == 0) {
                record.message = sampleDraft(51).message;
            }
            QVERIFY(store.append(record));
        }
        QVERIFY(!SharedPush(path, server(QStringLiteral("poste"))).run().failed);
        QVERIFY(WorkshopSetups(path, server(QStringLiteral("poste"))).refreshCopy());

        for (const bool shared : {false, true}) {
            HistoryModel model(store);
            QSignalSpy loaded(&model, &HistoryModel::firstPageLoaded);
            if (shared) {
                model.setShared(server(QStringLiteral("poste")));
                QVERIFY(loaded.wait(LongWaitMs));
            }
            HistoryFilter filter;
            filter.latestByLabel = true;
            const auto readAll = [&] {
                loaded.clear();
                model.setFilter(filter);
                if (!shared || loaded.wait(LongWaitMs)) {
                    // (A page that never comes ends the listing short, which the test says.)
                    while (model.canFetchMore({})) {
                        model.fetchMore({});
                        if (!QTest::qWaitFor([&model] { return !model.isLoading(); }, LongWaitMs)) {
                            break;
                        }
                    }
                }
                QStringList labels;
                for (int row = 0; row < model.rowCount(); ++row) {
                    labels.append(model.recordAt(row).label);
                }
                return labels;
            };
            QStringList labels = readAll();
            QCOMPARE(labels.size(), Repères + 1);
            QCOMPARE(labels.constLast(), QStringLiteral("R-999"));
            QVERIFY(model.isUnprogrammed(int(labels.size() - 1)));
            labels.removeLast();
            QStringList sorted = labels;
            sorted.sort();
            sorted.removeDuplicates();
            QCOMPARE(labels, sorted);
            QCOMPARE(model.total(), Repères + 1);

            model.setOutdatedOnly(true);
            labels = readAll();
            QCOMPARE(labels.size(), Repères / 2 + 1);
            for (int row = 0; row < model.rowCount(); ++row) {
                QVERIFY(model.deviceState(row).needsProgramming());
            }
        }
    }

    // From a script: propose, decide, list, and send a version's exact bytes, from the copy when
    // the server is away; each refusal with its exit status.
    void commandLine()
    {
        m_database = freshDatabase();
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
        const auto tensiova = [&](const QStringList &arguments, QString *out = nullptr,
                                  QString *err = nullptr) {
            return runProgram(QStringLiteral(PROGRAM), environment, arguments, out, err);
        };
        const auto as = [&](const QString &account) {
            return tensiova({QStringLiteral("--history-server"),
                             m_server.connection(account, m_database)})
                == 0;
        };
        QString out;
        QString err;
        const QString name = QStringLiteral("Ligne @ 2");
        const QString example = testDataPath(QStringLiteral("worked-example.ini"));
        QVERIFY(as(QStringLiteral("poste")));
        QCOMPARE(tensiova({QStringLiteral("--setup-propose"), example}, &out, &err), 2);
        QCOMPARE(tensiova({QStringLiteral("--setup-propose"), example, QStringLiteral("--name"),
                           name, QStringLiteral("--comment"), QStringLiteral("exemple")},
                          &out, &err),
                 0);
        QVERIFY2(out.contains(name + QStringLiteral(" v1")), qPrintable(out + err));
        QCOMPARE(tensiova({QStringLiteral("--setups")}, &out, &err), 0);
        QCOMPARE(out,
                 QStringLiteral("Ligne @ 2 : aucune version approuvée ; 1 proposition(s) en "
                                "attente\n"));
        // A value "Envoi" would refuse is never proposed.
        const QString wrong = home.filePath(QStringLiteral("faux.txt"));
        writeBytes(wrong, iniBytes({{"max0", "300"}}));
        QCOMPARE(
            tensiova({QStringLiteral("--setup-propose"), wrong, QStringLiteral("--name"), name},
                     &out, &err),
            3);
        QVERIFY2(err.contains(QStringLiteral("« 300 »")), qPrintable(err));
        QCOMPARE(
            tensiova({QStringLiteral("--setup-approve"), name + QStringLiteral("@1")}, &out, &err),
            4);
        QVERIFY2(err.contains(QStringLiteral("demandent le rôle tensiova_approbation")),
                 qPrintable(err));
        QVERIFY(as(QStringLiteral("autre")));
        QCOMPARE(
            tensiova({QStringLiteral("--setup-refuse"), name + QStringLiteral("@1")}, &out, &err),
            2);
        QCOMPARE(
            tensiova({QStringLiteral("--setup-approve"), name + QStringLiteral("@9")}, &out, &err),
            2);
        QCOMPARE(
            tensiova({QStringLiteral("--setup-approve"), name + QStringLiteral("@1")}, &out, &err),
            0);
        QCOMPARE(tensiova({QStringLiteral("--setup-assign"), QStringLiteral("L-*"), name}), 0);
        QCOMPARE(tensiova({QStringLiteral("--setups")}, &out, &err), 0);
        QVERIFY2(QRegularExpression(QStringLiteral("^Ligne @ 2 : v1 approuvée le .+, de poste\n$"))
                     .match(out)
                     .hasMatch(),
                 qPrintable(out));
        QCOMPARE(tensiova({QStringLiteral("--setups"), QStringLiteral("--json")}, &out, &err), 0);
        QVERIFY2(out.contains(QStringLiteral("\"name\":\"Ligne @ 2\"")), qPrintable(out));

        // Sent from the server, then from the copy with the server away: its 52 bytes exactly.
        for (const bool away : {false, true}) {
            if (away) {
                QVERIFY(m_server.signalServer(SIGSTOP));
            }
            PtyPair device;
            QVERIFY(device.isValid());
            QProcess program;
            program.setProcessEnvironment(environment);
            program.start(QStringLiteral(PROGRAM),
                          {QStringLiteral("--send"), QStringLiteral("--setup"), name,
                           QStringLiteral("--port"), device.devicePath(), QStringLiteral("--wait"),
                           QStringLiteral("0"), QStringLiteral("--label"), QStringLiteral("L-1")});
            const QByteArray received = device.read(52, LongWaitMs);
            QVERIFY(program.waitForFinished(LongWaitMs));
            if (away) {
                QVERIFY(m_server.signalServer(SIGCONT));
            }
            QCOMPARE(received, workedExampleBytes());
            QCOMPARE(program.exitCode(), 0);
            const QString said = QString::fromUtf8(program.readAllStandardOutput());
            QVERIFY2(said.contains(QStringLiteral("Réglage : Ligne @ 2 v1")), qPrintable(said));
            QCOMPARE(QString::fromUtf8(program.readAllStandardError())
                         .contains(QStringLiteral("copie des réglages approuvés")),
                     away);
        }
        QCOMPARE(tensiova({QStringLiteral("--send"), QStringLiteral("--setup"),
                           QStringLiteral("Inconnu"), QStringLiteral("--port"),
                           home.filePath(QStringLiteral("absent"))},
                          &out, &err),
                 2);
        QVERIFY2((out + err).contains(QStringLiteral("Aucune version « Inconnu »")),
                 qPrintable(out + err));
        QCOMPARE(tensiova({QStringLiteral("--setup"), name}, &out, &err), 2);

        // The devices to reprogram: none while L-1 holds the approved version.
        const QStringList outdated {QStringLiteral("--history"), QStringLiteral("--shared"),
                                    QStringLiteral("--by-label"), QStringLiteral("--outdated")};
        QCOMPARE(tensiova({QStringLiteral("--history"), QStringLiteral("--push")}), 0);
        QCOMPARE(tensiova(outdated, &out, &err), 0);
        QCOMPARE(out, QString());
        QCOMPARE(tensiova({QStringLiteral("--setup-assign"), QStringLiteral("L-2"), name}), 0);
        QCOMPARE(tensiova(outdated, &out, &err), 1);
        QCOMPARE(out, QStringLiteral("L-2  |  Ligne @ 2  |  jamais programmé\n"));
        QCOMPARE(tensiova(outdated + QStringList {QStringLiteral("--csv")}, &out, &err), 1);
        QVERIFY2(out.endsWith(QStringLiteral("L-2;Ligne @ 2;jamais programmé;;\r\n")),
                 qPrintable(out));
        QCOMPARE(tensiova({QStringLiteral("--history"), QStringLiteral("--outdated")}), 2);
        // Each record of the history names its set-up.
        QCOMPARE(tensiova({QStringLiteral("--history"), QStringLiteral("--json")}, &out), 0);
        QCOMPARE(out.count(QStringLiteral("\"setup\":\"Ligne @ 2 v1\"")), 2);
    }
};

QTEST_MAIN(SetupLibraryTest)
#include "tst_setuplibrary.moc"
