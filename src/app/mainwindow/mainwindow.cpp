#include "app/mainwindow/mainwindow.h"

#include "app/dialogs/userdialogs.h"
#include "app/mainwindow/mainmenus.h"
#include "app/mainwindow/setupfiles.h"
#include "app/mainwindow/statusline.h"
#include "app/sentences/clocktext.h"
#include "app/sentences/historymessages.h"
#include "app/sentences/librarymessages.h"
#include "app/sentences/linkmessages.h"
#include "app/widgets/design.h"
#include "conversions/windows1252.h"
#include "history/historyrecorder.h"
#include "link/answerbatch.h"
#include "link/deviceprogrammer.h"
#include "link/seriallink.h"
#include "settings/setupstore.h"
#include "sharedhistory/backgroundsharing.h"

#include <memory>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollArea>
#include <QTimer>

namespace Tensiova {

namespace {

constexpr int ClockInterval = 1000;
const QString DesignTitle =
    QStringLiteral("Surveillance de tensions analogiques et logiques - BREVANNE  - Tensiova");
constexpr int PortClosingDelay = 4500;

QTimer *makeTimer(QObject *parent, const QString &name, int interval)
{
    auto *timer = new QTimer(parent);
    timer->setObjectName(name);
    timer->setInterval(interval);
    return timer;
}

} // namespace

MainWindow::MainWindow(const SettingsLocation &location, UserDialogs &dialogs,
                       const QLocale &locale, QWidget *parent)
    : QMainWindow(parent)
    , m_location(location)
    , m_dialogs(dialogs)
    , m_locale(locale)
    , m_link(new SerialLink(location.folder(), this))
    , m_programmer(std::make_unique<DeviceProgrammer>(*m_link, location.paramIniPath(), locale))
    , m_journal(new ExchangeJournal(ExchangeJournal::Capacity, this))
    , m_history(new HistoryRecorder(HistoryStore::defaultPath(), SendRecord::Origin::Window,
                                    QStringLiteral(TENSIOVA_VERSION), this))
    , m_setupFile(location.paramIniPath())
    , m_menus(new MainMenus(menuBar()))
    , m_panel(new ProgrammingPanel(locale))
    , m_files(new SetupFiles(*m_panel, dialogs, locale, this))
    , m_statusLine(new StatusLine(this))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(DesignTitle);
    setAcceptDrops(true);
    connectMenus();
    // On a screen smaller than the design's window, scroll bars rather than controls off-screen.
    auto *scroller = new QScrollArea(this);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidget(m_panel);
    setCentralWidget(scroller);
    m_panel->focusFirstField();
    connect(m_panel, &ProgrammingPanel::sendClicked, this, &MainWindow::Command6_Click);
    connect(m_panel, &ProgrammingPanel::closeClicked, this, &MainWindow::Command5_Click);
    connect(m_panel, &ProgrammingPanel::answersClicked, this, &MainWindow::Text1_Click);
    connect(m_panel, &ProgrammingPanel::labelEntered, this,
            [this](const QString &label) { m_workshop->openSetupOfLabel(label, unsentTyping()); });

    // Below the design's panel, outside its client area: what has not been sent.
    setStatusBar(m_statusLine);
    connect(m_panel, &ProgrammingPanel::unsentLineChanged, m_statusLine, &StatusLine::showUnsent);
    connect(m_history, &HistoryRecorder::problem, this, &MainWindow::tellHistoryProblem);
    // Every record written or completed here goes on to the workshop's server, in the background.
    m_workshop = new WorkshopControl(
        m_history->store().path(), *m_statusLine, dialogs,
        [this](const QString &notice) { record(ExchangeJournal::Kind::Notice, {}, notice); }, this);
    // Once the click is handled: the sender never takes the processor from "Envoi" itself.
    connect(m_history, &HistoryRecorder::written, &sharing(), &BackgroundSharing::nudge,
            Qt::QueuedConnection);
    connect(m_workshop, &WorkshopControl::versionOpened, this, &MainWindow::openVersion);
    m_side = new SideWindows({*m_journal, *m_history, dialogs, locale, location.folder(),
                              [this] { return setup(); }, [this] { return m_setupFile; },
                              [this] {
                                  return m_link->openedDevice();
                              }},
                             *m_workshop, this);
    // Put on screen, not sent: the marks then show what differs from the device.
    connect(m_side, &SideWindows::settingsTaken, this, [this](const MonitoringSetup &taken) {
        setSetup(taken);
        m_panel->settle();
    });
    resize(m_panel->size()
           + QSize(0, menuBar()->sizeHint().height() + statusBar()->sizeHint().height()));

    m_clockTimer = makeTimer(this, QStringLiteral("Timer2"), ClockInterval);
    connect(m_clockTimer, &QTimer::timeout, this, &MainWindow::Timer2_Timer);
    m_closeTimer = makeTimer(this, QStringLiteral("Timer3"), PortClosingDelay);
    m_closeTimer->setSingleShot(true);
    // A coarse timer may fire 5 % early and cut off an answer due just before 4.5 s.
    m_closeTimer->setTimerType(Qt::PreciseTimer);
    connect(m_closeTimer, &QTimer::timeout, this, &MainWindow::Timer3_Timer);

    connect(m_link, &SerialLink::commEvent, this, &MainWindow::Comm1_OnComm);
    m_answerBatch = new AnswerBatch(this);
    connect(m_answerBatch, &AnswerBatch::ready, this, &MainWindow::showAnswer);
    connect(m_link, &SerialLink::connectionLost, this, [this](qint16 port, const QString &device) {
        m_answerBatch->flush();
        m_journal->record(ExchangeJournal::Kind::Lost, port, device);
        m_history->endAnswer();
        m_dialogs.warn(this, QStringLiteral("Liaison perdue"),
                       LinkMessages::connectionLost(port, device));
    });

    m_clockTimer->start();
}

MainWindow::~MainWindow() = default;

std::unique_ptr<MainWindow> MainWindow::load(const SettingsLocation &location, UserDialogs &dialogs,
                                             const QLocale &locale)
{
    auto window = std::make_unique<MainWindow>(location, dialogs, locale);
    window->Form_Load();
    return window;
}

void MainWindow::connectMenus()
{
    connect(m_menus->saveAs, &QAction::triggered, this, &MainWindow::n_enregistrer_Click);
    connect(m_menus->open, &QAction::triggered, this, &MainWindow::n_ouvrir_Click);
    connect(m_menus->quit, &QAction::triggered, this, &MainWindow::n_quit_Click);
    connect(m_menus->port, &QAction::triggered, this, &MainWindow::n_port_Click);
    connect(m_menus->panel, &QAction::triggered, this, &MainWindow::n_surv_Click);
    connect(m_menus->journal, &QAction::triggered, this, &MainWindow::n_journal_Click);
    connect(m_menus->history, &QAction::triggered, this, &MainWindow::n_historique_Click);
    connect(m_menus->sharedHistory, &QAction::triggered, this, &MainWindow::n_partage_Click);
    connect(m_menus->workshopSetups, &QAction::triggered, this, &MainWindow::n_reglages_Click);
    connect(m_menus->send, &QAction::triggered, this, &MainWindow::Command6_Click);
    connect(m_menus->multiSend, &QAction::triggered, this, &MainWindow::n_plusieurs_Click);
    connect(m_menus->guide, &QAction::triggered, this, &MainWindow::n_aide_Click);
    connect(m_menus->about, &QAction::triggered, this, &MainWindow::n_a_propos_de_Click);
    connect(m_menus, &MainMenus::recentSetupChosen, m_files, &SetupFiles::openRecent);
    connect(m_files, &SetupFiles::recentPathsChanged, m_menus, &MainMenus::showRecentSetups);
    connect(m_files, &SetupFiles::settled, this, [this](const QString &path) {
        m_setupFile = path;
        showOpenedVersion({});
        m_panel->settle();
    });
    m_menus->showRecentSetups(m_files->recentPaths());
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        Design::fitOnScreen(this);
        Design::centerOnScreen(this);
    }
}

void MainWindow::Form_Load()
{
    m_panel->fillActionLists();
    const QString path = m_location.paramIniPath();
    // An unreadable param.ini restores nothing; the next "Envoi" says why it cannot keep settings.
    const MonitoringSetup restored =
        SetupStore::applyLoadedEntries(setup(), SetupStore::LoadSetup(path, m_locale));
    m_panel->showSent(restored, std::nullopt);
    m_panel->settle();

    // A port number that names no port (0 when param.ini has none) leaves the design's port 1.
    if (const auto port = m_programmer->storedPort()) {
        m_link->setCommPort(*port);
    }
}

void MainWindow::Command6_Click()
{
    Text1_Click(); // the box is emptied, as a click in it does
    const bool wasOpen = m_link->portOpen();
    const DeviceProgrammer::Envoi envoi = m_programmer->send(setup());
    if (!wasOpen && m_link->portOpen()) {
        record(ExchangeJournal::Kind::Opened);
    }
    if (!envoi.sent.isEmpty()) {
        record(ExchangeJournal::Kind::Sent, envoi.sent);
    }
    if (envoi.problems.isEmpty()) {
        m_history->recordEnvoi(envoi, *m_link, m_link->commPort(), m_setupFile, m_panel->label());
    }
    if (envoi.portOpened && !envoi.sent.isEmpty()) {
        m_panel->showSent(envoi.setup, QTime::currentTime());
        m_panel->settle();
        emit messageSent(envoi.sent);
    } else if (envoi.statesCorrected) {
        setSetup(envoi.setup);
    }
    const LinkMessages::Warning warning =
        LinkMessages::envoiOutcome(envoi, m_link->openFailure(), m_programmer->paramIniPath());
    if (!warning.title.isEmpty()) {
        m_dialogs.warn(this, warning.title, warning.text);
    }
}

void MainWindow::Command5_Click()
{
    setPanelVisible(false);
    if (!m_closeTimer->isActive()) {
        m_closeTimer->start();
    }
}

void MainWindow::Text1_Click()
{
    m_answerBatch->flush();
    m_panel->answers()->setText(QString());
}

void MainWindow::Comm1_OnComm(int event)
{
    if (event == SerialLink::Received) {
        // Read at once: a device that hangs up right after would take unread bytes with it.
        const QByteArray received = m_link->input();
        m_history->received(received);
        m_answerBatch->add(received);
    }
}

void MainWindow::showAnswer(const QByteArray &received)
{
    record(ExchangeJournal::Kind::Received, received);
    m_panel->answers()->appendAnswer(Windows1252::decode(received));
}

void MainWindow::record(ExchangeJournal::Kind kind, const QByteArray &bytes, const QString &cause)
{
    m_journal->record(kind, m_link->commPort(), m_link->deviceName(), bytes, cause);
}

void MainWindow::Timer2_Timer()
{
    m_panel->setClockText(clockText(QDateTime::currentDateTime(), m_locale));
}

void MainWindow::Timer3_Timer()
{
    m_answerBatch->flush();
    m_history->endAnswer();
    if (m_link->portOpen()) {
        record(ExchangeJournal::Kind::Closed, {}, QStringLiteral("minuterie de fermeture"));
    }
    m_link->close();
    m_closeTimer->stop();
}

void MainWindow::n_port_Click()
{
    const QString title = QStringLiteral("Changement du port de communication");
    const QString answer = m_dialogs.askPort(this, title, QStringLiteral("Port de communication"),
                                             QString::number(m_link->commPort()),
                                             m_location.folder(), m_link->openedDevice());
    const QString problem = LinkMessages::portChangeProblem(
        m_programmer->changePort(answer), answer, m_link->commPort(), m_programmer->paramIniPath());
    if (!problem.isEmpty()) {
        m_dialogs.warn(this, title, problem);
    }
}

void MainWindow::n_journal_Click()
{
    m_side->openJournal();
}

void MainWindow::n_historique_Click()
{
    m_side->openHistory();
}

void MainWindow::n_plusieurs_Click()
{
    m_side->openMultiSend();
}

void MainWindow::n_partage_Click()
{
    m_workshop->openSharedHistoryDialog();
}

void MainWindow::n_reglages_Click()
{
    m_workshop->openLibrary([this] { return setup(); }, m_locale, m_openedVersion);
}

void MainWindow::openVersion(const SetupVersion &version)
{
    setSetup(version.setup(m_locale, setup()));
    m_setupFile = version.title();
    showOpenedVersion(version.name);
    setWindowTitle(LibraryMessages::openedSetup(version) + QStringLiteral(" - ") + DesignTitle);
    m_statusLine->showOpenedSetup(LibraryMessages::openedSetup(version));
    m_panel->settle();
}

void MainWindow::showOpenedVersion(const QString &name)
{
    m_openedVersion = name;
    if (name.isEmpty()) {
        setWindowTitle(DesignTitle);
        m_statusLine->showOpenedSetup({});
    }
}

bool MainWindow::setSharedServer(const SharedServer &server)
{
    return m_workshop->setSharedServer(server);
}

void MainWindow::n_aide_Click()
{
    m_side->openGuide();
}

void MainWindow::tellHistoryProblem(const HistoryProblem &problem)
{
    const QString text = HistoryMessages::problem(problem);
    m_journal->record(ExchangeJournal::Kind::Notice, m_link->commPort(), m_link->deviceName(), {},
                      text);
    m_statusLine->showHistoryProblem(HistoryMessages::statusWords(problem), text);
}

void MainWindow::finishHistory()
{
    m_history->endAnswer();
    if (const int unsaved = m_history->unsavedCount();
        unsaved > 0 && !m_history->flush(HistoryRecorder::ExitPatienceMs)) {
        m_dialogs.warn(
            this, QStringLiteral("Historique des envois"),
            HistoryMessages::problem({HistoryProblem::Kind::Unsaved, m_history->store().path(),
                                      m_history->store().error(), unsaved}));
    }
}

bool MainWindow::mayQuit()
{
    // A session that ends does not wait for anyone to answer.
    if (m_quitAsked || qApp->isSavingSession()) {
        return true;
    }
    if (const int typed = unsentTyping(); typed > 0) {
        switch (m_dialogs.askBeforeQuit(this, QStringLiteral("Quitter"),
                                        LinkMessages::unsentOnQuit(typed))) {
        case UserDialogs::QuitChoice::Send:
            // An "Envoi" that fails has said why; the window stays, with the fields as typed.
            Command6_Click();
            if (unsentTyping() > 0) {
                return false;
            }
            break;
        case UserDialogs::QuitChoice::QuitWithoutSending:
            break;
        case UserDialogs::QuitChoice::Cancel:
            return false;
        }
    }
    m_quitAsked = true;
    return true;
}

void MainWindow::endLink()
{
    finishHistory();
    if (m_link->portOpen()) {
        record(ExchangeJournal::Kind::Closed, {}, QStringLiteral("fin du programme"));
    }
    m_link->close();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!mayQuit()) {
        event->ignore();
        return;
    }
    finishHistory();
    QMainWindow::closeEvent(event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    // Anything may be dropped: what is not a set-up file is refused with its reason.
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    auto dropped = std::make_shared<QMimeData>();
    dropped->setUrls(event->mimeData()->urls());
    event->acceptProposedAction();
    // Answered once the drop is over, so that the program it came from is not kept waiting.
    QMetaObject::invokeMethod(
        this, [this, dropped] { m_files->takeDrop(*dropped); }, Qt::QueuedConnection);
}

void MainWindow::n_surv_Click()
{
    setPanelVisible(true);
}

void MainWindow::n_enregistrer_Click()
{
    m_files->saveAs();
}

void MainWindow::n_ouvrir_Click()
{
    m_files->open();
}

void MainWindow::n_quit_Click()
{
    if (!mayQuit()) {
        return;
    }
    endLink();
    QCoreApplication::quit();
}

void MainWindow::n_a_propos_de_Click()
{
    m_dialogs.inform(this, QStringLiteral("à propos de ..."), MainMenus::aboutText());
}

} // namespace Tensiova
