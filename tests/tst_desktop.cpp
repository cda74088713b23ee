// The habits of a desktop program: recent set-ups, a dropped file, the question before typed
// settings are lost, shortcuts and Alt letters, the guide.

#include "app/dialogs/guidewindow.h"
#include "app/mainwindow/mainmenus.h"
#include "app/mainwindow/programmingpanel.h"
#include "app/mainwindow/setupfiles.h"
#include "ptypair.h"
#include "settings/recentsetups.h"
#include "settings/setupstore.h"
#include "windowfixture.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>

using namespace Tensiova;

namespace {

QString withoutMnemonic(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
}

QAction *action(const WindowFixture &fixture, const QString &name)
{
    return fixture.window->findChild<QAction *>(name);
}

void type(WindowFixture &fixture, const QString &field, const QString &text)
{
    auto *box = fixture.find<QLineEdit>(field);
    box->selectAll();
    QTest::keyClicks(box, text);
}

QString saveSetup(const QString &path, const QString &min0)
{
    MonitoringSetup setup = uniformSetup(QStringLiteral("0"));
    setup.setText(Family::Min, 0, min0);
    return SetupStore::SaveSetup(path, setup) ? path : QString();
}

// COM1 names a port that is not there: "Envoi" fails to open it, whatever the machine has.
void noPort(WindowFixture &fixture)
{
    QFile::link(fixture.folder.filePath(QStringLiteral("absent")),
                fixture.folder.filePath(QStringLiteral("COM1")));
}

void drop(QWidget *window, const QMimeData &data)
{
    // Qt drops on the widget that took the drag as it entered.
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent event(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &event);
    QVERIFY(event.isAccepted()); // the program it came from is told the drop was taken
    QCoreApplication::processEvents(); // the answer comes once the drop is over
}

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        VERIFY_PROCESS_LOCALE();
        Design::prepareApplication();
    }

    void recentSetupsKeepTheLastEightNewestFirst()
    {
        QTemporaryDir folder;
        const QString store = folder.filePath(QStringLiteral("tensiova/recents.txt"));
        RecentSetups recents(store);
        QVERIFY(recents.paths().isEmpty());
        for (int i = 0; i < 10; ++i) {
            QVERIFY(recents.add(folder.filePath(QStringLiteral("réglage %1.txt").arg(i))));
        }
        // The same file named otherwise goes first, once.
        QVERIFY(recents.add(folder.filePath(QStringLiteral("sub/../réglage 5.txt"))));
        const QStringList paths = RecentSetups(store).paths();
        QCOMPARE(paths.size(), 8);
        QCOMPARE(paths.front(), folder.filePath(QStringLiteral("réglage 5.txt")));
        QCOMPARE(paths.at(1), folder.filePath(QStringLiteral("réglage 9.txt")));
        QCOMPARE(paths.back(), folder.filePath(QStringLiteral("réglage 2.txt")));
        QVERIFY(recents.remove(folder.filePath(QStringLiteral("réglage 9.txt"))));
        QCOMPARE(recents.paths().size(), 7);
        QCOMPARE(recents.paths().at(1), folder.filePath(QStringLiteral("réglage 8.txt")));
        // A folder that cannot be made: the list says it was not kept.
        writeBytes(folder.filePath(QStringLiteral("file")), "x");
        QVERIFY(!RecentSetups(folder.filePath(QStringLiteral("file/recents.txt"))).add(store));
    }

    void recentSetupsOpenAsOuvrirAndLoseTheGoneOnes()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        auto *recent = fixture.find<QMenu>(QStringLiteral("n_recents"));
        QVERIFY(!recent->isEnabled());
        const QString first = saveSetup(fixture.folder.filePath(QStringLiteral("nord.txt")), "11");
        const QString second = saveSetup(fixture.folder.filePath(QStringLiteral("sud.txt")), "22");
        for (const QString &path : {first, second}) {
            fixture.dialogs.fileChoice = path;
            window.n_ouvrir_Click();
        }
        QVERIFY(recent->isEnabled());
        QCOMPARE(recent->actions().size(), 2);
        QCOMPARE(withoutMnemonic(recent->actions().at(0)->text()), QStringLiteral("1 sud.txt"));
        QCOMPARE(recent->actions().at(1)->toolTip(), QDir::toNativeSeparators(first));
        QVERIFY(recent->toolTipsVisible());
        type(fixture, QStringLiteral("min(0)"), QStringLiteral("5"));
        recent->actions().at(1)->trigger();
        QCOMPARE(window.setup().text(Family::Min, 0), QStringLiteral("11"));
        QCOMPARE(window.setupFile(), first);
        QCOMPARE(window.unsentTyping(), 0);
        QCOMPARE(withoutMnemonic(recent->actions().at(0)->text()), QStringLiteral("1 nord.txt"));

        QFile::remove(second);
        recent->actions().at(1)->trigger();
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
        QVERIFY(fixture.dialogs.warnings.front().startsWith(
            QStringLiteral("Réglages récents|Le fichier « %1 » n'existe plus")
                .arg(QDir::toNativeSeparators(second))));
        QCOMPARE(recent->actions().size(), 1);
        QCOMPARE(window.setup().text(Family::Min, 0), QStringLiteral("11"));
        // A file that cannot be read stays in the list, with "Ouvrir"'s message.
        writeBytes(first, QByteArray(1, '\0'));
        QFile::setPermissions(first, QFileDevice::WriteOwner);
        QDir(fixture.folder.path()).mkdir(QStringLiteral("dossier.txt"));
        fixture.window->setupFiles().openRecent(fixture.folder.filePath("dossier.txt"));
        QVERIFY(fixture.dialogs.warnings.last().startsWith(QStringLiteral("Ouvrir|")));
    }

    void drops_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("said");
        QTest::newRow("a set-up file") << "setup"
                                       << "";
        QTest::newRow("a text") << "text"
                                << "Seul un fichier de réglages peut être déposé";
        QTest::newRow("two files") << "two"
                                   << "Un seul fichier de réglages à la fois : 2 fichiers";
        QTest::newRow("a web link") << "web"
                                    << "« https://exemple.fr/r.txt » n'est pas un fichier";
        QTest::newRow("a folder") << "folder"
                                  << "est un dossier, pas un fichier de réglages";
        QTest::newRow("a file with no setting") << "other"
                                                << "ne contient aucun réglage de voie";
        QTest::newRow("a file gone") << "gone"
                                     << "Déposer un fichier|Le fichier";
    }

    void drops()
    {
        QFETCH(QString, what);
        QFETCH(QString, said);
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        const MonitoringSetup before = window.setup();
        const QString setup = saveSetup(fixture.folder.filePath(QStringLiteral("posé.txt")), "42");
        const QString other = fixture.folder.filePath(QStringLiteral("notes.txt"));
        writeBytes(other, "[notes]\r\ntexte=bonjour\r\n");
        QMimeData data;
        const auto file = [](const QString &path) {
            return QUrl::fromLocalFile(path);
        };
        if (what == QLatin1String("setup")) {
            data.setUrls({file(setup)});
        } else if (what == QLatin1String("text")) {
            data.setText(QStringLiteral("[min0]\r\nvaleur=42"));
        } else if (what == QLatin1String("two")) {
            data.setUrls({file(setup), file(other)});
        } else if (what == QLatin1String("web")) {
            data.setUrls({QUrl(QStringLiteral("https://exemple.fr/r.txt"))});
        } else if (what == QLatin1String("folder")) {
            data.setUrls({file(fixture.folder.path())});
        } else if (what == QLatin1String("other")) {
            data.setUrls({file(other)});
        } else {
            data.setUrls({file(fixture.folder.filePath(QStringLiteral("parti.txt")))});
        }
        drop(&window, data);
        if (said.isEmpty()) {
            QCOMPARE(fixture.dialogs.warnings, QStringList());
            QCOMPARE(window.setup().text(Family::Min, 0), QStringLiteral("42"));
            QCOMPARE(window.setupFile(), setup);
            QCOMPARE(window.setupFiles().recentPaths(), QStringList {setup});
        } else {
            QCOMPARE(fixture.dialogs.warnings.size(), 1);
            QVERIFY2(fixture.dialogs.warnings.front().contains(said),
                     qPrintable(fixture.dialogs.warnings.front()));
            QVERIFY(fixture.dialogs.warnings.front().endsWith(
                QStringLiteral("Aucun réglage n'a changé.")));
            QCOMPARE(window.setup(), before);
            QVERIFY(window.setupFiles().recentPaths().isEmpty());
        }
    }

    void closingAsksOnlyWhenTypingWouldBeLost_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closed");
        using Choice = UserDialogs::QuitChoice;
        QTest::newRow("nothing typed") << "" << int(Choice::Cancel) << false << true;
        QTest::newRow("typed, cancel") << "type" << int(Choice::Cancel) << true << false;
        QTest::newRow("typed, quit") << "type" << int(Choice::QuitWithoutSending) << true << true;
        QTest::newRow("typed back") << "type back" << int(Choice::Cancel) << false << true;
        QTest::newRow("opened") << "open" << int(Choice::Cancel) << false << true;
        QTest::newRow("typed, saved") << "type save" << int(Choice::Cancel) << false << true;
        QTest::newRow("typed, opened") << "type open" << int(Choice::Cancel) << false << true;
        QTest::newRow("typed, no port") << "type" << int(Choice::Send) << true << false;
    }

    void closingAsksOnlyWhenTypingWouldBeLost()
    {
        QFETCH(QString, before);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, closed);
        WindowFixture fixture;
        noPort(fixture);
        MainWindow &window = fixture.open();
        window.show();
        fixture.dialogs.quitChoice = UserDialogs::QuitChoice(answer);
        const MonitoringSetup original = window.setup();
        const QString file = saveSetup(fixture.folder.filePath(QStringLiteral("f.txt")), "9");
        fixture.dialogs.fileChoice = file;
        if (before.startsWith(QLatin1String("type"))) {
            type(fixture, QStringLiteral("max(2)"), QStringLiteral("77"));
            type(fixture, QStringLiteral("coeff(4)"), QStringLiteral("3"));
        }
        if (before.endsWith(QLatin1String("back"))) {
            type(fixture, QStringLiteral("max(2)"), original.text(Family::Max, 2));
            type(fixture, QStringLiteral("coeff(4)"), original.text(Family::Coeff, 4));
        } else if (before.endsWith(QLatin1String("save"))) {
            window.n_enregistrer_Click();
        } else if (before.endsWith(QLatin1String("open"))) {
            window.n_ouvrir_Click();
        }
        QCOMPARE(window.close(), closed);
        QCOMPARE(fixture.dialogs.quitQuestions.size(), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(fixture.dialogs.quitQuestions.front(),
                     QStringLiteral("Quitter|2 réglages modifiés à la main n'ont pas été envoyés à "
                                    "l'appareil.\n\nSans « Envoi », ils sont perdus : au prochain "
                                    "démarrage, la fenêtre affichera les réglages du dernier "
                                    "envoi.\n\nLes envoyer avant de quitter ?"));
        }
        // "Envoyer" with no device: the port's failure is said, the window and the typing stay.
        if (answer == int(UserDialogs::QuitChoice::Send)) {
            QVERIFY(fixture.dialogs.warnings.value(0).startsWith("Port de communication|"));
            QCOMPARE(window.setup().text(Family::Max, 2), QStringLiteral("77"));
            window.n_quit_Click();
            QCOMPARE(fixture.dialogs.quitQuestions.size(), 2);
        }
    }

    void sendingBeforeQuittingSendsThenCloses()
    {
        WindowFixture fixture;
        PtyPair device;
        QFile::link(device.devicePath(), fixture.folder.filePath(QStringLiteral("COM1")));
        MainWindow &window = fixture.open();
        window.setSetup(workedExample());
        window.panel().settle();
        type(fixture, QStringLiteral("min(1)"), QStringLiteral("7"));
        fixture.dialogs.quitChoice = UserDialogs::QuitChoice::Send;
        QVERIFY(window.close());
        QByteArray expected = workedExampleBytes();
        expected[5] = 7;
        QCOMPARE(device.read(expected.size()), expected);
        QCOMPARE(window.unsentTyping(), 0);
    }

    void shortcutsAndAltLetters_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QKeySequence>("shortcut");
        QTest::newRow("Ouvrir") << "n_ouvrir" << QKeySequence(Qt::CTRL | Qt::Key_O);
        QTest::newRow("Enregistrer sous")
            << "n_enregistrer" << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
        QTest::newRow("Quitter") << "n_quit" << QKeySequence(Qt::CTRL | Qt::Key_Q);
        QTest::newRow("Aide") << "n_aide" << QKeySequence(Qt::Key_F1);
        QTest::newRow("Envoi") << "n_envoi" << QKeySequence(Qt::CTRL | Qt::Key_Return);
    }

    void shortcutsAndAltLetters()
    {
        QFETCH(QString, name);
        QFETCH(QKeySequence, shortcut);
        WindowFixture fixture;
        fixture.open();
        QCOMPARE(action(fixture, name)->shortcut(), shortcut);
        // Every menu and every entry has its Alt letter, none twice in the same menu.
        const auto letters = [](const QList<QAction *> &actions) {
            QString seen;
            for (const QAction *entry : actions) {
                if (entry->isSeparator()) {
                    continue;
                }
                const qsizetype mark = entry->text().indexOf(QLatin1Char('&'));
                if (mark < 0 || seen.contains(entry->text().at(mark + 1).toLower())) {
                    return QStringLiteral("no letter of its own: ") + entry->text();
                }
                seen += entry->text().at(mark + 1).toLower();
            }
            return QString();
        };
        QCOMPARE(letters(fixture.window->menuBar()->actions()), QString());
        for (QAction *top : fixture.window->menuBar()->actions()) {
            if (top->menu() && top->menu()->objectName() != QLatin1String("n_recents")) {
                QCOMPARE(letters(top->menu()->actions()), QString());
            }
        }
    }

    void sendShortcutLeavesTheFieldAsTyped()
    {
        WindowFixture fixture;
        noPort(fixture);
        MainWindow &window = fixture.open();
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *box = fixture.find<QLineEdit>(QStringLiteral("coeff(3)"));
        box->setFocus();
        box->end(false);
        const QString typed = box->text() + QStringLiteral("4");
        QTest::keyClicks(box, QStringLiteral("4"));
        QTest::keyClick(box, Qt::Key_Return, Qt::ControlModifier);
        // "Envoi" ran (no device here: it says so), and the keys typed nothing more.
        QCOMPARE(fixture.dialogs.warnings.size(), 1);
        QVERIFY(fixture.dialogs.warnings.front().startsWith("Port de communication|"));
        QCOMPARE(box->text(), typed);
    }

    void guideNamesOnlyWhatExists()
    {
        WindowFixture fixture;
        MainWindow &window = fixture.open();
        const QString guide = QString::fromUtf8(readBytes(TENSIOVA_GUIDE));
        // Each menu entry it names, "Fichier ▸ Ouvrir", is in the window's menus.
        const QRegularExpression entry(QStringLiteral("\\*([^*▸]+) ▸ ([^*]+)\\*"));
        int entries = 0;
        for (const auto &match : entry.globalMatch(guide)) {
            const QString top = match.captured(1).trimmed(), item = match.captured(2).trimmed();
            bool found = false;
            for (QAction *menu : window.menuBar()->actions()) {
                if (menu->menu() && withoutMnemonic(menu->text()) == top) {
                    for (QAction *in : menu->menu()->actions()) {
                        found = found || withoutMnemonic(in->text()) == item;
                    }
                }
            }
            QVERIFY2(found, qPrintable(top + " ▸ " + item));
            ++entries;
        }
        QVERIFY(entries >= 10);
        // Each of the program's words it quotes, « … », is in the program's sources.
        QString sources;
        QDirIterator files(QStringLiteral(TENSIOVA_SOURCES), {"*.cpp", "*.h"}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            sources += QString::fromUtf8(readBytes(files.next()));
        }
        const QRegularExpression quote(QStringLiteral("« ([^«»]+) »"));
        for (const auto &match : quote.globalMatch(guide)) {
            const QString words = match.captured(1).simplified();
            QVERIFY2(sources.contains(words), qPrintable(words));
        }
        // Built into the program with its pictures, shown on F1.
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F1);
        GuideWindow *shown = window.guideWindow();
        QVERIFY(shown && shown->isVisible());
        const QString page = shown->browser()->toHtml();
        QVERIFY(page.contains(QStringLiteral("Guide de Tensiova")));
        const QRegularExpression picture(QStringLiteral("<img src=\"([^\"]+)\""));
        int pictures = 0;
        for (const auto &match : picture.globalMatch(page)) {
            QVERIFY2(QFile::exists(QStringLiteral(":/guide/") + match.captured(1)),
                     qPrintable(match.captured(1)));
            ++pictures;
        }
        QVERIFY(pictures >= 2);
        // Its table of contents leads to its sections.
        const QString html = QString::fromUtf8(readBytes(QStringLiteral(":/guide/guide.html")));
        const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
        for (const auto &match : link.globalMatch(html)) {
            QVERIFY2(html.contains(QStringLiteral("name=\"%1\"").arg(match.captured(1))),
                     qPrintable(match.captured(1)));
        }
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
