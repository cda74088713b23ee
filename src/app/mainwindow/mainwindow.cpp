#include "app/mainwindow/mainwindow.h"

#include "app/dialogs/guidewindow.h"
#include "app/dialogs/journalwindow.h"
#include "app/dialogs/multisendwindow.h"
#include "app/dialogs/sharedhistorydialog.h"
#include "app/dialogs/userdialogs.h"
#include "app/historywindow/historywindow.h"
#include "app/mainwindow/mainmenus.h"
#include "app/mainwindow/programmingpanel.h"
#include "app/mainwindow/setupfiles.h"
#include "app/mainwindow/statusline.h"
#include "app/sentences/clocktext.h"
#include "app/sentences/historymessages.h"
#include "app/sentences/linkmessages.h"
#include "app/sentences/sharingmessages.h"
#include "app/widgets/answerbox.h"
#include "app/widgets/design.h"
#include "conversions/windows1252.h"
#include "history/historyrecorder.h"
#include "link/answerbatch.h"
#include "link/deviceprogrammer.h"
#include "link/seriallink.h"
#include "settings/setupstore.h"
#include "sharedhistory/backgroundsharing.h"
#include "sharedhistory/sharedserversetting.h"

#include <memory>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollArea>
#include <QTimer>

namespace Tensiova {

namespace {

constexpr int ClockInterval = 1000;
constexpr int PortClosingDelay = 4500;

void present(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

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
    setWindowTitle(
        QStringLiteral("Surveillance de tensions analogiques et logiques - BREVANNE  - Tensiova"));
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

    // Below the design's panel, outside its client area: what has not been sent.
    setStatusBar(m_statusLine);
    connect(m_panel, &ProgrammingPanel::unsentLineChanged, m_statusLine, &StatusLine::showUnsent);
    connect(m_history, &HistoryRecorder::problem, this, &MainWindow::tellHistoryProblem);
    // Every record written or completed here goes on to the workshop's server, in the background.
    m_sharing = new BackgroundSharing(m_history->store().path(), SharedServerSetting::load(), this);
    // Once the click is handled: the sender never takes the processor from "Envoi" itself.
    connect(m_history, &HistoryRecorder::written, m_sharing, &BackgroundSharing::nudge,
            Qt::QueuedConnection);
    connect(m_sharing, &BackgroundSharing::stateChanged, this, &MainWindow::showSharing);
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
    connect(m_menus->send, &QAction::triggered, this, &MainWindow::Command6_Click);
    connect(m_menus->multiSend, &QAction::triggered, this, &MainWindow::n_plusieurs_Click);
    connect(m_menus->guide, &QAction::triggered, this, &MainWindow::n_aide_Click);
    connect(m_menus->about, &QAction::triggered, this, &MainWindow::n_a_propos_de_Click);
    connect(m_menus, &MainMenus::recentSetupChosen, m_files, &SetupFiles::openRecent);
    connect(m_files, &SetupFiles::recentPathsChanged, m_menus, &MainMenus::showRecentSetups);
    connect(m_files, &SetupFiles::settled, this, [this](const QString &path) {
        m_setupFile = path;
        m_panel->settle();
    });
    m_menus->showRecentSetups(m_files->recentPaths());
}

MonitoringSetup MainWindow::setup() const
{
    return m_panel->setup();
}

void MainWindow::setSetup(const MonitoringSetup &values)
{
    m_panel->setSetup(values);
}

QString MainWindow::answers() const
{
    return m_panel->answers()->text();
}

void MainWindow::setPanelVisible(bool visible)
{
    m_panel->setFrameVisible(visible);
}

bool MainWindow::isPanelVisible() const
{
    return m_panel->isFrameVisible();
}

int MainWindow::unsentTyping() const
{
    return m_panel->typedSinceSettled();
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
    if (!m_journalWindow) {
        m_journalWindow = new JournalWindow(*m_journal, m_dialogs, this);
    }
    present(m_journalWindow);
}

void MainWindow::n_historique_Click()
{
    if (!m_historyWindow) {
        m_historyWindow = new HistoryWindow(
            m_history->store(), m_dialogs, [this] { return setup(); }, m_locale,
            QStringLiteral(TENSIOVA_VERSION), this);
        connect(m_history, &HistoryRecorder::written, m_historyWindow, [this] {
            if (m_historyWindow->isVisible()) {
                m_historyWindow->refresh();
            }
        });
        connect(m_historyWindow, &HistoryWindow::labelChanged, m_sharing,
                &BackgroundSharing::nudge);
        m_historyWindow->setSharedServer(m_sharing->server());
        // Put on screen, not sent: the marks then show what differs from the device.
        connect(m_historyWindow, &HistoryWindow::settingsTaken, this,
                [this](const MonitoringSetup &taken) {
                    setSetup(taken);
                    m_panel->settle();
                });
    } else {
        m_historyWindow->refresh();
    }
    present(m_historyWindow);
}

void MainWindow::n_plusieurs_Click()
{
    if (!m_multiSendWindow) {
        SendContext context;
        context.settingsFolder = m_location.folder();
        context.historyPath = m_history->store().path();
        context.origin = SendRecord::Origin::Window;
        context.programVersion = QStringLiteral(TENSIOVA_VERSION);
        context.locale = m_locale;
        m_multiSendWindow = new MultiSendWindow(
            context, m_dialogs, [this] { return setup(); }, [this] { return m_setupFile; }, this);
        connect(&m_multiSendWindow->sending(), &MultiSend::finished, this, [this] {
            m_sharing->nudge();
            if (m_historyWindow && m_historyWindow->isVisible()) {
                m_historyWindow->refresh();
            }
        });
    }
    m_multiSendWindow->setDeviceInUse(m_link->openedDevice());
    present(m_multiSendWindow);
}

void MainWindow::n_partage_Click()
{
    if (!m_sharedHistoryDialog) {
        m_sharedHistoryDialog = new SharedHistoryDialog(m_sharing->server(), this);
        connect(m_sharedHistoryDialog, &QDialog::accepted, this, [this] {
            if (!setSharedServer(m_sharedHistoryDialog->server())) {
                m_dialogs.warn(
                    this, QStringLiteral("Historique partagé"),
                    QStringLiteral("Le réglage %1 n'a pas pu être écrit.")
                        .arg(QDir::toNativeSeparators(SharedServerSetting::defaultPath())));
            }
        });
    }
    present(m_sharedHistoryDialog);
}

bool MainWindow::setSharedServer(const SharedServer &server)
{
    m_sharingFailed = false;
    m_sharing->setServer(server);
    if (m_historyWindow) {
        m_historyWindow->setSharedServer(server);
    }
    if (!server.isSet()) {
        m_statusLine->showSharing({}, {}, {});
    }
    return SharedServerSetting::save(server);
}

void MainWindow::showSharing(const SharingState &state)
{
    if (!m_sharing->server().isSet()) {
        m_statusLine->showSharing({}, {}, {});
        return;
    }
    const QString reason = state.failed ? SharingMessages::reason(state) : QString();
    QString message;
    // Told once when the server is lost, once when it is back.
    if (state.failed && !m_sharingFailed) {
        message = QStringLiteral("Historique partagé : %1").arg(reason);
        m_journal->record(ExchangeJournal::Kind::Notice, m_link->commPort(), m_link->deviceName(),
                          {}, message);
    } else if (!state.failed && m_sharingFailed) {
        message = QStringLiteral("Historique partagé : le serveur répond de nouveau, %1 envoi(s) "
                                 "copié(s).")
                      .arg(state.sent);
        m_journal->record(ExchangeJournal::Kind::Notice, m_link->commPort(), m_link->deviceName(),
                          {}, message);
    }
    m_sharingFailed = state.failed;
    m_statusLine->showSharing(SharingMessages::status(state),
                              state.failed ? reason : SharingMessages::identity(state.server),
                              message);
}

void MainWindow::n_aide_Click()
{
    if (!m_guideWindow) {
        m_guideWindow = new GuideWindow(this);
    }
    present(m_guideWindow);
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
