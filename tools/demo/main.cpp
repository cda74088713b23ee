// tensiova-demo: the program's whole job without a person at the screen. It opens the splash,
// clicks it, lets the main window restore its settings, presses "Envoi ", waits for the device's
// answer and tells what happened, with screenshots of each step.

#include "app/dialogs/guidewindow.h"
#include "app/dialogs/journalwindow.h"
#include "app/dialogs/multisendwindow.h"
#include "app/dialogs/portdialog.h"
#include "app/dialogs/proposaldialog.h"
#include "app/dialogs/qtuserdialogs.h"
#include "app/dialogs/setuplibrarydialog.h"
#include "app/dialogs/sharedhistorydialog.h"
#include "app/historywindow/historywindow.h"
#include "app/mainwindow/mainwindow.h"
#include "app/programstart.h"
#include "app/sentences/linkmessages.h"
#include "app/widgets/design.h"
#include "link/messagedescription.h"
#include "link/seriallink.h"
#include "scripteduserdialogs.h"
#include "sharedhistory/backgroundsharing.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>

using namespace Tensiova;

namespace {

void out(const QString &line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

QString saveScreenshot(QWidget *window, const QString &folder, const QString &name)
{
    const QString path = QDir(folder).absoluteFilePath(name);
    window->grab().save(path);
    return path;
}

// The window with its Fichier menu open on "Réglages récents": the menus are windows of their
// own, drawn here over the window where they stand.
QString saveMenuScreenshot(MainWindow *window, const QString &folder)
{
    auto *file = window->findChild<QMenu *>(QStringLiteral("n_fichier"));
    auto *recent = window->findChild<QMenu *>(QStringLiteral("n_recents"));
    QMenuBar *bar = window->menuBar();
    file->popup(bar->mapToGlobal(bar->actionGeometry(file->menuAction()).bottomLeft()));
    if (!QTest::qWaitForWindowExposed(file)) {
        out(QStringLiteral("échec : le menu Fichier ne s'affiche pas"));
    }
    file->setActiveAction(recent->menuAction());
    recent->popup(file->mapToGlobal(file->actionGeometry(recent->menuAction()).topRight()));
    if (!QTest::qWaitForWindowExposed(recent)) {
        out(QStringLiteral("échec : le menu des réglages récents ne s'affiche pas"));
    }
    recent->setActiveAction(recent->actions().value(0));
    QTest::qWait(100);
    QImage picture = window->grab().toImage();
    QPainter painter(&picture);
    for (QMenu *menu : {file, recent}) {
        painter.drawPixmap(window->mapFromGlobal(menu->mapToGlobal(QPoint(0, 0))), menu->grab());
    }
    painter.end();
    recent->close();
    file->close();
    const QString path = QDir(folder).absoluteFilePath(QStringLiteral("file-menu.png"));
    picture.save(path);
    return path;
}

// With a shared history set: its dialog after "Essayer", and the history window's "Atelier" view,
// then the latest of each repère there.
QStringList saveSharedScreenshots(MainWindow *window, const QString &screenshots)
{
    if (!window->sharing().server().isSet()) {
        return {};
    }
    QStringList shots;
    window->n_partage_Click();
    SharedHistoryDialog *dialog = window->sharedHistoryDialog();
    QSignalSpy tried(dialog, &SharedHistoryDialog::tried);
    dialog->tryConnection();
    if (QTest::qWaitForWindowExposed(dialog) && tried.wait(20000)) {
        shots.append(saveScreenshot(dialog, screenshots, QStringLiteral("shared-dialog.png")));
    } else {
        out(QStringLiteral("échec : l'essai de l'historique partagé ne répond pas"));
    }
    dialog->close();
    HistoryWindow *history = window->historyWindow();
    for (const auto &[byLabel, name] : {std::pair {false, QStringLiteral("atelier.png")},
                                        {true, QStringLiteral("par-repere.png")}}) {
        QSignalSpy loaded(&history->model(), &HistoryModel::firstPageLoaded);
        history->showSource(HistoryWindow::Source::Workshop);
        history->showLatestByLabel(byLabel);
        if (!loaded.wait(20000) || !history->model().failure().isEmpty()) {
            out(QStringLiteral("échec : l'atelier ne se lit pas (%1)")
                    .arg(history->model().failure()));
            continue;
        }
        QTest::qWait(100);
        shots.append(saveScreenshot(history, screenshots, name));
    }
    history->showLatestByLabel(false);
    history->showSource(HistoryWindow::Source::ThisStation);
    return shots;
}

// The workshop's set-up library: its list, a proposal beside the approved version, and the main
// window once the approved version is opened.
QStringList saveLibraryScreenshots(MainWindow *window, const QString &screenshots)
{
    if (!window->sharing().server().isSet()) {
        return {};
    }
    QStringList shots;
    window->n_reglages_Click();
    SetupLibraryDialog *library = window->libraryDialog();
    QSignalSpy answered(library, &SetupLibraryDialog::answered);
    if (!answered.wait(20000) || !QTest::qWaitForWindowExposed(library)) {
        out(QStringLiteral("échec : la bibliothèque des réglages ne répond pas"));
        return shots;
    }
    library->selectName(QStringLiteral("Armoire Nord"));
    shots.append(saveScreenshot(library, screenshots, QStringLiteral("library.png")));
    library->findChild<QPushButton *>(QStringLiteral("ExaminerReglage"))->click();
    if (answered.wait(20000) && library->proposalDialog()
        && QTest::qWaitForWindowExposed(library->proposalDialog())) {
        shots.append(
            saveScreenshot(library->proposalDialog(), screenshots, QStringLiteral("proposal.png")));
        library->proposalDialog()->close();
    } else {
        out(QStringLiteral("échec : la proposition ne s'affiche pas"));
    }
    QSignalSpy opened(library, &SetupLibraryDialog::versionOpened);
    library->findChild<QPushButton *>(QStringLiteral("OuvrirReglage"))->click();
    if (opened.wait(20000)) {
        library->close();
        QTest::qWait(100);
        shots.append(saveScreenshot(window, screenshots, QStringLiteral("main-setup.png")));
    } else {
        out(QStringLiteral("échec : la version approuvée ne s'ouvre pas"));
    }
    return shots;
}

// "Envoi à plusieurs appareils" to eight simulated devices beside the window's own: five that
// answer, one silent, one that hangs up as it gets the message, and a port with no device behind
// it. Pictured while the silent ones are still awaited, then once every port has ended.
QStringList saveMultiSendScreenshots(MainWindow *window, const QString &folder)
{
    const QDir settings = QFileInfo(window->paramIniPath()).absoluteDir();
    const QString devsim =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tensiova-devsim"));
    std::vector<std::unique_ptr<QProcess>> devices;
    const QList<QStringList> kinds {
        {},
        {},
        {},
        {},
        {},
        {QStringLiteral("--silent")},
        {QStringLiteral("--silent"), QStringLiteral("--hangup-after"), QStringLiteral("1")}};
    for (int n = 0; n < kinds.size(); ++n) {
        const QString link = settings.filePath(QStringLiteral("COM%1").arg(11 + n));
        QFile::remove(link);
        devices.push_back(std::make_unique<QProcess>());
        devices.back()->start(devsim, kinds.at(n) + QStringList {QStringLiteral("--link"), link});
    }
    const QString empty = settings.filePath(QStringLiteral("COM18"));
    QFile::remove(empty);
    QFile::link(QStringLiteral("/dev/null"), empty);

    window->n_plusieurs_Click();
    MultiSendWindow *multi = window->multiSendWindow();
    QStringList shots;
    const auto rowOf = [multi](int port) {
        for (int row = 0;; ++row) {
            auto *tick = multi->findChild<QCheckBox *>(QStringLiteral("Coche(%1)").arg(row));
            if (!tick) {
                return -1;
            }
            if (tick->text().startsWith(QStringLiteral("COM%1 ").arg(port))) {
                return row;
            }
        }
    };
    const auto everyPortListed = [&] {
        for (int port = 11; port <= 18; ++port) {
            if (rowOf(port) < 0) {
                return false;
            }
        }
        return true;
    };
    if (!QTest::qWaitForWindowExposed(multi) || !QTest::qWaitFor(everyPortListed, 10000)) {
        out(QStringLiteral("échec : l'envoi à plusieurs appareils ne montre pas ses ports"));
        return shots;
    }
    for (int port = 11; port <= 18; ++port) {
        auto *label = multi->findChild<QLineEdit *>(QStringLiteral("Repere(%1)").arg(rowOf(port)));
        QTest::keyClicks(label, QStringLiteral("Banc A, poste %1").arg(port - 10));
    }
    multi->EnvoyerATous_Click();
    const auto count = [multi](PortSend::State state) {
        return std::count_if(multi->sending().ports().begin(), multi->sending().ports().end(),
                             [state](const auto &port) { return port->state() == state; });
    };
    if (QTest::qWaitFor([&] { return count(PortSend::State::Answered) >= 5; }, 5000)) {
        shots << saveScreenshot(multi, folder, QStringLiteral("multi-send.png"));
    }
    if (QTest::qWaitFor([&] { return !multi->sending().isRunning(); }, 10000)) {
        shots << saveScreenshot(multi, folder, QStringLiteral("multi-send-done.png"));
    } else {
        out(QStringLiteral("échec : l'envoi à plusieurs appareils ne se termine pas"));
    }
    multi->close();
    for (auto &device : devices) {
        device->terminate();
        device->waitForFinished(5000);
    }
    QFile::remove(empty);
    return shots;
}

template<typename Condition> bool waitFor(Condition condition, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QTest::qWait(20);
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    Design::prepareApplication();

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs the program's whole job headless and tells what happened."));
    parser.addHelpOption();
    const QCommandLineOption settingsOption(QStringLiteral("settings"),
                                            QStringLiteral("Folder of param.ini."),
                                            QStringLiteral("folder"));
    const QCommandLineOption screenshotsOption(
        QStringLiteral("screenshots"), QStringLiteral("Folder for PNG files."),
        QStringLiteral("folder"), QStringLiteral("build/screenshots"));
    const QCommandLineOption noSendOption(QStringLiteral("no-send"),
                                          QStringLiteral("Stop before pressing \"Envoi \"."));
    const QCommandLineOption waitOption(QStringLiteral("wait"),
                                        QStringLiteral("Longest wait for the answer, in ms."),
                                        QStringLiteral("ms"), QStringLiteral("4000"));
    parser.addOptions({settingsOption, screenshotsOption, noSendOption, waitOption});
    parser.process(application);

    const QString screenshots = parser.value(screenshotsOption);
    QDir().mkpath(screenshots);

    // What the window would have shown in a message box goes to the terminal.
    auto dialogs = std::make_unique<ScriptedUserDialogs>();
    dialogs->echo = [](const QString &title, const QString &text) {
        std::fprintf(stderr, "[%s]\n%s\n", qPrintable(title), qPrintable(text));
    };
    ScriptedUserDialogs *terminal = dialogs.get();
    ProgramStart start(std::move(dialogs), QLocale::system());
    if (parser.isSet(settingsOption)) {
        const QString folder = QDir(parser.value(settingsOption)).absolutePath();
        start.setSettingsLocation(SettingsLocation(folder, folder));
    }

    start.showSplash();
    if (!QTest::qWaitForWindowExposed(start.splash())) {
        out(QStringLiteral("échec : la fenêtre d'accueil ne s'affiche pas"));
        return 1;
    }
    const QString splashShot =
        saveScreenshot(start.splash(), screenshots, QStringLiteral("splash.png"));
    QTest::mouseClick(start.splash(), Qt::LeftButton, {}, QPoint(20, 20));
    MainWindow *window = start.mainWindow();
    if (!window) {
        out(QStringLiteral("échec : la fenêtre principale ne s'est pas ouverte"));
        return 1;
    }
    if (!QTest::qWaitForWindowExposed(window)) {
        out(QStringLiteral("échec : la fenêtre principale ne s'affiche pas"));
        return 1;
    }
    // Let the clock show once, as a person would see the window.
    QTest::qWait(1100);
    const QString beforeShot =
        saveScreenshot(window, screenshots, QStringLiteral("main-before.png"));
    out(QStringLiteral("Paramètres lus dans : %1")
            .arg(QDir::toNativeSeparators(window->paramIniPath())));
    out(QStringLiteral("Port : COM%1 (%2)")
            .arg(window->serialLink().commPort())
            .arg(window->serialLink().deviceName()));
    if (parser.isSet(noSendOption)) {
        out(QStringLiteral("Captures : %1, %2").arg(splashShot, beforeShot));
        return 0;
    }

    QByteArray sent;
    QObject::connect(window, &MainWindow::messageSent,
                     [&sent](const QByteArray &bytes) { sent = bytes; });
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("Command6")), Qt::LeftButton);

    if (sent.isEmpty()) {
        const QString warning = terminal->warnings.value(terminal->warnings.size() - 1);
        out(QStringLiteral("échec : rien n'a été envoyé (%1)")
                .arg(QString(warning)
                         .replace(QLatin1Char('|'), QStringLiteral(" : "))
                         .replace(QLatin1Char('\n'), QLatin1Char(' '))));
        return 1;
    }
    out(QStringLiteral("Message envoyé (%1 octets) :").arg(sent.size()));
    for (const QString &row : hexRows(sent)) {
        out(QStringLiteral("  ") + row);
    }

    const bool answered =
        waitFor([window] { return window->answers().contains(QLatin1Char('\n')); },
                parser.value(waitOption).toInt());
    QTest::qWait(100);
    const QString afterShot = saveScreenshot(window, screenshots, QStringLiteral("main-after.png"));
    const MonitoringSetup sentSetup = window->setup();
    out(QStringLiteral("Réponse de l'appareil : \"%1\"").arg(escapedText(window->answers())));

    // The marks as a technician typing would see them: a wrong threshold, a state that will be
    // sent as 0, a list with a typed text, and a change not yet sent.
    const auto type = [window](const char *name, const QString &text) {
        auto *box = window->findChild<QWidget *>(QLatin1String(name));
        auto *edit = box->findChild<QLineEdit *>();
        edit = edit ? edit : qobject_cast<QLineEdit *>(box);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    };
    type("max(3)", QStringLiteral("300"));
    type("et(2)", QStringLiteral("2"));
    type("Combo2(1)", QStringLiteral("sirene"));
    type("min(4)", QStringLiteral("12"));
    const QString marksShot = saveScreenshot(window, screenshots, QStringLiteral("main-marks.png"));

    // The journal of this run, and the port box with the ports present.
    window->n_journal_Click();
    if (!QTest::qWaitForWindowExposed(window->journalWindow())) {
        out(QStringLiteral("échec : le journal ne s'affiche pas"));
    }
    QTest::qWait(100);
    const QString journalShot =
        saveScreenshot(window->journalWindow(), screenshots, QStringLiteral("journal.png"));
    PortDialog portBox(
        window, QStringLiteral("Changement du port de communication"),
        QStringLiteral("Port de communication"), QString::number(window->serialLink().commPort()),
        QFileInfo(window->paramIniPath()).absolutePath(), window->serialLink().openedDevice());
    portBox.show();
    if (!QTest::qWaitForWindowExposed(&portBox)) {
        out(QStringLiteral("échec : la boîte du port ne s'affiche pas"));
    }
    // The ports are listed on a thread of their own: the list fills a moment later.
    const auto *ports = portBox.findChild<QListWidget *>(QStringLiteral("PortList"));
    if (!QTest::qWaitFor([ports] { return ports->count() > 0; }, 5000)) {
        out(QStringLiteral("échec : la boîte du port ne liste aucun port"));
    }
    const QString portShot = saveScreenshot(&portBox, screenshots, QStringLiteral("port-box.png"));
    portBox.close();

    // The history with this "Envoi" on top, compared with the fields just typed, and its sheet.
    window->n_historique_Click();
    HistoryWindow *history = window->historyWindow();
    if (!QTest::qWaitForWindowExposed(history)) {
        out(QStringLiteral("échec : l'historique ne s'affiche pas"));
    }
    QTest::qWait(100);
    const QString historyShot = saveScreenshot(history, screenshots, QStringLiteral("history.png"));
    history->compare();
    auto *comparison = history->findChild<QDialog *>(QStringLiteral("HistoryComparison"));
    QString comparisonShot;
    if (comparison && QTest::qWaitForWindowExposed(comparison)) {
        comparisonShot = saveScreenshot(comparison, screenshots, QStringLiteral("comparison.png"));
        comparison->close();
    }
    terminal->exportChoice = QDir(screenshots).absoluteFilePath(QStringLiteral("fiche.pdf"));
    history->exportSheet();
    const QStringList sharedShots = saveSharedScreenshots(window, screenshots);
    history->close();

    // Two set-ups saved, then the Fichier menu open on its recent set-ups.
    for (const char *name : {"armoire-nord.txt", "armoire-sud.txt"}) {
        terminal->fileChoice = QFileInfo(window->paramIniPath()).absoluteDir().filePath(name);
        window->n_enregistrer_Click();
    }
    const QString menuShot = saveMenuScreenshot(window, screenshots);

    // The question before typed settings are lost, as the window asks it.
    type("coeff(5)", QStringLiteral("9"));
    const auto question = QtUserDialogs::quitQuestion(
        window, QStringLiteral("Quitter"), LinkMessages::unsentOnQuit(window->unsentTyping()));
    question->show();
    if (!QTest::qWaitForWindowExposed(question.get())) {
        out(QStringLiteral("échec : la question avant de quitter ne s'affiche pas"));
    }
    const QString questionShot =
        saveScreenshot(question.get(), screenshots, QStringLiteral("quit-question.png"));
    question->close();

    window->setSetup(sentSetup); // what was sent, without the wrong fields typed since
    const QStringList multiShots = saveMultiSendScreenshots(window, screenshots)
        + saveLibraryScreenshots(window, screenshots);

    // The guide (F1).
    window->n_aide_Click();
    QString guideShot;
    if (window->guideWindow() && QTest::qWaitForWindowExposed(window->guideWindow())) {
        QTest::qWait(100);
        guideShot = saveScreenshot(window->guideWindow(), screenshots, QStringLiteral("guide.png"));
    }
    const QStringList shots = QStringList {splashShot,  beforeShot,     afterShot,
                                           marksShot,   journalShot,    portShot,
                                           historyShot, comparisonShot, *terminal->exportChoice,
                                           menuShot,    questionShot,   guideShot}
        + multiShots + sharedShots;
    out(QStringLiteral("Captures : %1").arg(shots.join(QStringLiteral(", "))));
    if (!answered) {
        out(window->answers().isEmpty() ? QStringLiteral("échec : l'appareil n'a pas répondu")
                                        : QStringLiteral("échec : réponse incomplète"));
        return 1;
    }
    return 0;
}
