#include "app/mainwindow.h"

#include "app/actioncombobox.h"
#include "app/answerbox.h"
#include "app/clocktext.h"
#include "app/design.h"
#include "app/fieldmarks.h"
#include "app/filemessages.h"
#include "app/framebox.h"
#include "app/historymessages.h"
#include "app/historywindow.h"
#include "app/journalwindow.h"
#include "app/linkmessages.h"
#include "app/paneldesign.h"
#include "app/picturebutton.h"
#include "app/userdialogs.h"
#include "conversions/windows1252.h"
#include "history/historyrecorder.h"
#include "link/deviceprogrammer.h"
#include "link/seriallink.h"
#include "model/actionchoice.h"
#include "settings/setupstore.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>

#include <limits>

namespace Tensiova {

namespace {

constexpr int ClockInterval = 1000;
constexpr int PortClosingDelay = 4500;
constexpr int AnswerBatchMs = 50; // under what the eye tells from at once
constexpr qsizetype AnswerBatchBytes = 4096; // a flooding device is shown a piece at a time

QString arrayName(const QString &array, int index)
{
    return QStringLiteral("%1(%2)").arg(array).arg(index);
}

void setColor(QWidget *widget, QPalette::ColorRole role, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(role, color);
    widget->setPalette(palette);
}

int textIndex(Family family)
{
    return int(family) - int(Family::Min);
}

int actionIndex(Family family)
{
    return family == Family::AnalogAction ? 0 : 1;
}

QString controlArrayName(Family family)
{
    static const std::array<QString, FamilyOrder.size()> Names {
        QStringLiteral("min"), QStringLiteral("max"),    QStringLiteral("coeff"),
        QStringLiteral("et"),  QStringLiteral("Combo2"), QStringLiteral("Combo1")};
    return Names.at(std::size_t(family));
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
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(
        QStringLiteral("Surveillance de tensions analogiques et logiques - BREVANNE  - Tensiova"));
    buildMenus();
    buildPanel();
    buildFocusOrder();
    // Below the design's panel, outside its client area: what has not been sent.
    m_unsentLine = new QLabel(this);
    m_unsentLine->setObjectName(QStringLiteral("UnsentLine"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_unsentLine, 1);
    m_historyLine = new QLabel(this);
    m_historyLine->setObjectName(QStringLiteral("HistoryLine"));
    setColor(m_historyLine, QPalette::WindowText, QColor(0xB0, 0x00, 0x00));
    statusBar()->addPermanentWidget(m_historyLine);
    connect(m_history, &HistoryRecorder::problem, this, &MainWindow::tellHistoryProblem);
    resize(static_cast<QScrollArea *>(centralWidget())->widget()->size()
           + QSize(0, menuBar()->sizeHint().height() + statusBar()->sizeHint().height()));
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            if (isActionFamily(family)) {
                connect(actionList(family, channel), &QComboBox::currentIndexChanged, this,
                        &MainWindow::refreshMarks);
                connect(actionList(family, channel), &QComboBox::editTextChanged, this,
                        &MainWindow::refreshMarks);
            } else {
                connect(textBox(family, channel), &QLineEdit::textChanged, this,
                        &MainWindow::refreshMarks);
            }
        }
    }

    m_clockTimer = new QTimer(this);
    m_clockTimer->setObjectName(QStringLiteral("Timer2"));
    m_clockTimer->setInterval(ClockInterval);
    connect(m_clockTimer, &QTimer::timeout, this, &MainWindow::Timer2_Timer);

    m_closeTimer = new QTimer(this);
    m_closeTimer->setObjectName(QStringLiteral("Timer3"));
    m_closeTimer->setInterval(PortClosingDelay);
    m_closeTimer->setSingleShot(true);
    // A coarse timer may fire 5 % early and cut off an answer due just before 4.5 s.
    m_closeTimer->setTimerType(Qt::PreciseTimer);
    connect(m_closeTimer, &QTimer::timeout, this, &MainWindow::Timer3_Timer);

    connect(m_link, &SerialLink::commEvent, this, &MainWindow::Comm1_OnComm);
    // A device that streams its text arrives a byte or two at a time, hundreds of times a second:
    // the box and the journal take what came in between two paints, in one piece.
    m_answerBatch = new QTimer(this);
    m_answerBatch->setSingleShot(true);
    m_answerBatch->setInterval(AnswerBatchMs);
    connect(m_answerBatch, &QTimer::timeout, this, &MainWindow::showPendingAnswer);
    connect(m_link, &SerialLink::connectionLost, this, [this](qint16 port, const QString &device) {
        showPendingAnswer();
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

void MainWindow::buildMenus()
{
    QMenuBar *bar = menuBar();
    // The menus belong in the window, also where the desktop offers a global menu bar.
    bar->setNativeMenuBar(false);

    QMenu *file = bar->addMenu(QStringLiteral("Fichier"));
    file->setObjectName(QStringLiteral("n_fichier"));
    file->menuAction()->setObjectName(QStringLiteral("n_fichier"));
    QAction *saveAs = file->addAction(QStringLiteral("Enregistrer sous"));
    saveAs->setObjectName(QStringLiteral("n_enregistrer"));
    connect(saveAs, &QAction::triggered, this, &MainWindow::n_enregistrer_Click);
    QAction *open = file->addAction(QStringLiteral("Ouvrir"));
    open->setObjectName(QStringLiteral("n_ouvrir"));
    connect(open, &QAction::triggered, this, &MainWindow::n_ouvrir_Click);
    QAction *quit = file->addAction(QStringLiteral("Quitter"));
    quit->setObjectName(QStringLiteral("n_quit"));
    connect(quit, &QAction::triggered, this, &MainWindow::n_quit_Click);

    QMenu *settings = bar->addMenu(QStringLiteral("Paramètrage"));
    settings->setObjectName(QStringLiteral("n_param"));
    settings->menuAction()->setObjectName(QStringLiteral("n_param"));
    QAction *port = settings->addAction(QStringLiteral("Port COM"));
    port->setObjectName(QStringLiteral("n_port"));
    connect(port, &QAction::triggered, this, &MainWindow::n_port_Click);
    QAction *panel = settings->addAction(QStringLiteral("Surveillance"));
    panel->setObjectName(QStringLiteral("n_surv"));
    connect(panel, &QAction::triggered, this, &MainWindow::n_surv_Click);
    // Beyond the design: after its items, never in place of them.
    QAction *journal = settings->addAction(QStringLiteral("Journal des échanges"));
    journal->setObjectName(QStringLiteral("n_journal"));
    connect(journal, &QAction::triggered, this, &MainWindow::n_journal_Click);
    QAction *history = settings->addAction(QStringLiteral("Historique des envois"));
    history->setObjectName(QStringLiteral("n_historique"));
    connect(history, &QAction::triggered, this, &MainWindow::n_historique_Click);

    QAction *about = bar->addAction(QStringLiteral("à propos de ..."));
    about->setObjectName(QStringLiteral("n_a_propos_de"));
    connect(about, &QAction::triggered, this, &MainWindow::n_a_propos_de_Click);
}

void MainWindow::buildPanel()
{
    using namespace PanelDesign;
    // On a screen smaller than the design's window, scroll bars rather than controls off-screen.
    auto *scroller = new QScrollArea(this);
    scroller->setFrameShape(QFrame::NoFrame);
    auto *client = new QWidget;
    client->setFixedSize(Design::pixels(ClientWidth), Design::pixels(ClientHeight));
    scroller->setWidget(client);
    setCentralWidget(scroller);

    m_panel = new FrameBox(QStringLiteral("Programmation des surveillances"), QColor(), client);
    m_panel->setObjectName(QStringLiteral("Frame4"));
    m_panel->setGeometry(Design::rect(Panel.left, Panel.top, Panel.width, Panel.height));

    static const std::array<QColor, 5> Colours {QColor(), QColor(0x00, 0x00, 0xFF),
                                                QColor(0xFF, 0x00, 0x00), QColor(0xFF, 0xFF, 0xFF),
                                                QColor(0xFF, 0xFF, 0xC0)};
    static const std::array<const char *, ChannelCount> InitialStates {"1", "1", "0", "0",
                                                                       "0", "1", "1", "1"};
    const QPixmap buttonPicture = Design::picture(QStringLiteral(":/pictures/button.png"));
    std::array<QWidget *, 2> frames {};
    int labelIndex = 0;
    for (const Row &row : Rows) {
        QWidget *parent = row.frame < 0 ? static_cast<QWidget *>(m_panel) : frames.at(row.frame);
        const QColor &colour = Colours.at(std::size_t(row.colour));
        QWidget *widget = nullptr;
        switch (row.control) {
        case Control::Frame: {
            const QString title = gridCaption(row.channel == 0 ? Family::Min : Family::Et);
            widget = frames.at(row.channel) = new FrameBox(title, colour, parent);
            widget->setObjectName(arrayName(QStringLiteral("Frame2"), row.channel));
            break;
        }
        case Control::Heading:
        case Control::RowCaption: {
            auto *label =
                new QLabel(row.control == Control::Heading ? columnCaption(row.family)
                                                           : rowCaption(row.family, row.channel),
                           parent);
            label->setObjectName(arrayName(QStringLiteral("Label2"), labelIndex++));
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            setColor(label, QPalette::WindowText, colour);
            widget = label;
            break;
        }
        case Control::TextBox: {
            static const std::array<const char *, 3> Initial {"0", "5", "1"};
            auto *box = new QLineEdit(row.family == Family::Et
                                          ? QString::fromLatin1(InitialStates.at(row.channel))
                                          : QString::fromLatin1(Initial.at(textIndex(row.family))),
                                      parent);
            box->setAlignment(Qt::AlignCenter);
            // The box holds whatever is typed or pasted, as the Windows text box did (Qt would cut
            // it at 32767 characters without a word).
            box->setMaxLength(std::numeric_limits<int>::max());
            if (colour.isValid()) {
                setColor(box, QPalette::Base, colour);
            }
            m_textBoxes[textIndex(row.family)][row.channel] = box;
            widget = box;
            break;
        }
        case Control::ActionList: {
            auto *list = new ActionComboBox(parent);
            list->setEditText(controlArrayName(row.family));
            m_actionLists[actionIndex(row.family)][row.channel] = list;
            widget = list;
            break;
        }
        case Control::Clock:
            widget = m_clock = new QLabel(QStringLiteral("..."), parent);
            m_clock->setObjectName(QStringLiteral("Label5"));
            break;
        case Control::Answers:
            widget = m_answers = new AnswerBox(parent);
            m_answers->setObjectName(QStringLiteral("Text1"));
            m_answers->setAccessibleName(QStringLiteral("Réponses de l'appareil"));
            m_answers->setText(QStringLiteral("...."));
            connect(m_answers, &AnswerBox::clicked, this, &MainWindow::Text1_Click);
            break;
        case Control::SendButton:
            widget = m_send = new PictureButton(QStringLiteral("Envoi "), buttonPicture, parent);
            m_send->setObjectName(QStringLiteral("Command6"));
            connect(m_send, &QPushButton::clicked, this, &MainWindow::Command6_Click);
            break;
        case Control::CloseButton:
            widget = m_closePanel =
                new PictureButton(QStringLiteral("Quitter"), buttonPicture, parent);
            m_closePanel->setObjectName(QStringLiteral("Command5"));
            connect(m_closePanel, &QPushButton::clicked, this, &MainWindow::Command5_Click);
            break;
        }
        if (row.control == Control::TextBox || row.control == Control::ActionList) {
            widget->setObjectName(arrayName(controlArrayName(row.family), row.channel));
            widget->setAccessibleName(rowCaption(row.family, row.channel) + QLatin1Char(' ')
                                      + columnCaption(row.family));
        }
        if (row.width > 0) {
            widget->setGeometry(Design::rect(row.left, row.top, row.width, row.height));
        } else {
            widget->move(Design::pixels(row.left), Design::pixels(row.top));
            widget->adjustSize();
        }
    }
}

void MainWindow::buildFocusOrder()
{
    std::array<QWidget *, PanelDesign::Rows.size()> order {};
    qsizetype count = 0;
    for (const PanelDesign::Row &row : PanelDesign::Rows) {
        if (row.focus >= 0) {
            order.at(std::size_t(row.focus)) = panelControl(row);
            ++count;
        }
    }
    for (qsizetype i = 1; i < count; ++i) {
        setTabOrder(order.at(std::size_t(i - 1)), order.at(std::size_t(i)));
    }
    order.front()->setFocus();
}

QWidget *MainWindow::panelControl(const PanelDesign::Row &row) const
{
    switch (row.control) {
    case PanelDesign::Control::TextBox:
    case PanelDesign::Control::ActionList:
        return control(row.family, row.channel);
    case PanelDesign::Control::Answers:
        return m_answers;
    case PanelDesign::Control::SendButton:
        return m_send;
    case PanelDesign::Control::CloseButton:
        return m_closePanel;
    default:
        return nullptr;
    }
}

QLineEdit *MainWindow::textBox(Family family, int channel) const
{
    return m_textBoxes.at(textIndex(family)).at(channel);
}

ActionComboBox *MainWindow::actionList(Family family, int channel) const
{
    return m_actionLists.at(actionIndex(family)).at(channel);
}

MonitoringSetup MainWindow::setup() const
{
    MonitoringSetup values;
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            if (isActionFamily(family)) {
                values.setAction(family, channel, actionList(family, channel)->action());
            } else {
                values.setText(family, channel, textBox(family, channel)->text());
            }
        }
    }
    return values;
}

void MainWindow::setSetup(const MonitoringSetup &values)
{
    m_settingUp = true;
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            if (isActionFamily(family)) {
                // Always set: -1 must also clear a text the user typed.
                actionList(family, channel)->setAction(values.action(family, channel));
            } else if (textBox(family, channel)->text() != values.text(family, channel)) {
                textBox(family, channel)->setText(values.text(family, channel));
            }
        }
    }
    m_settingUp = false;
    refreshMarks();
}

QWidget *MainWindow::control(Family family, int channel) const
{
    return isActionFamily(family) ? static_cast<QWidget *>(actionList(family, channel))
                                  : textBox(family, channel);
}

void MainWindow::refreshMarks()
{
    if (m_settingUp || !m_unsentLine) {
        return;
    }
    const MonitoringSetup current = setup();
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            FieldMarks::apply(
                control(family, channel), checkField(current, family, channel, m_locale),
                current.fieldText(family, channel) != m_sentSetup.fieldText(family, channel));
        }
    }
    m_unsentLine->setText(
        FieldMarks::unsentLine(changedFields(current, m_sentSetup), m_sentAt, m_locale));
}

QString MainWindow::answers() const
{
    return m_answers->text();
}

void MainWindow::setPanelVisible(bool visible)
{
    m_panel->setVisible(visible);
}

bool MainWindow::isPanelVisible() const
{
    return !m_panel->isHidden();
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
    // The marks are drawn once, when the restored values are in.
    m_settingUp = true;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        for (const Family family : {Family::AnalogAction, Family::LogicAction}) {
            actionList(family, channel)->addItems(ActionChoice::texts());
            actionList(family, channel)->setAction(0);
        }
    }
    m_settingUp = false;
    const QString path = m_location.paramIniPath();
    // An unreadable param.ini restores nothing; the next "Envoi" says why it cannot keep settings.
    const MonitoringSetup restored =
        SetupStore::applyLoadedEntries(setup(), SetupStore::LoadSetup(path, m_locale));
    m_sentSetup = restored;
    setSetup(restored);

    // A port number that names no port (0 when param.ini has none) leaves the design's port 1.
    if (const auto port = m_programmer->storedPort()) {
        m_link->setCommPort(*port);
    }
}

void MainWindow::Command6_Click()
{
    showPendingAnswer();
    m_answers->setText(QString());
    const bool wasOpen = m_link->portOpen();
    const DeviceProgrammer::Envoi envoi = m_programmer->send(setup());
    if (!wasOpen && m_link->portOpen()) {
        record(ExchangeJournal::Kind::Opened);
    }
    if (!envoi.sent.isEmpty()) {
        record(ExchangeJournal::Kind::Sent, envoi.sent);
    }
    if (envoi.problems.isEmpty()) {
        m_history->recordEnvoi(envoi, *m_link, m_link->commPort(), m_setupFile);
    }
    if (envoi.statesCorrected) {
        setSetup(envoi.setup);
    }
    const QString path = m_programmer->paramIniPath();
    if (!envoi.problems.isEmpty()) {
        m_dialogs.warn(this, QStringLiteral("Envoi impossible"),
                       LinkMessages::wrongFields(envoi.problems));
    } else if (!envoi.portOpened) {
        QString text = LinkMessages::openFailure(m_link->openFailure());
        if (!envoi.saved) {
            text += QStringLiteral("\n\n") + FileMessages::notKeptEither(path, envoi.saved);
        }
        m_dialogs.warn(this, QStringLiteral("Port de communication"), text);
    } else if (!envoi.sent.isEmpty()) {
        m_sentSetup = envoi.setup;
        m_sentAt = QTime::currentTime();
        refreshMarks();
        emit messageSent(envoi.sent);
        if (!envoi.saved) {
            m_dialogs.warn(this, QStringLiteral("Envoi"),
                           FileMessages::sentButNotKept(path, envoi.saved));
        }
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
    showPendingAnswer();
    m_answers->setText(QString());
}

void MainWindow::Comm1_OnComm(int event)
{
    if (event == SerialLink::Received) {
        // Read at once: a device that hangs up right after would take unread bytes with it.
        const QByteArray received = m_link->input();
        m_history->received(received);
        m_pendingAnswer += received;
        if (m_pendingAnswer.size() >= AnswerBatchBytes) {
            showPendingAnswer();
        } else if (!m_answerBatch->isActive()) {
            m_answerBatch->start();
        }
    }
}

void MainWindow::showPendingAnswer()
{
    m_answerBatch->stop();
    if (m_pendingAnswer.isEmpty()) {
        return;
    }
    const QByteArray received = std::exchange(m_pendingAnswer, {});
    record(ExchangeJournal::Kind::Received, received);
    m_answers->appendAnswer(Windows1252::decode(received));
}

void MainWindow::record(ExchangeJournal::Kind kind, const QByteArray &bytes, const QString &cause)
{
    m_journal->record(kind, m_link->commPort(), m_link->deviceName(), bytes, cause);
}

void MainWindow::Timer2_Timer()
{
    m_clock->setText(clockText(QDateTime::currentDateTime(), m_locale));
    m_clock->adjustSize();
}

void MainWindow::Timer3_Timer()
{
    showPendingAnswer();
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
    using Outcome = DeviceProgrammer::PortChange::Outcome;
    const DeviceProgrammer::PortChange change = m_programmer->changePort(answer);
    if (change.outcome == Outcome::Refused) {
        m_dialogs.warn(
            this, title,
            LinkMessages::refusedPort(answer, change.answer.problem, m_link->commPort()));
    } else if (change.outcome == Outcome::PortOpen) {
        m_dialogs.warn(this, title, LinkMessages::portIsOpen(m_link->commPort()));
    } else if (change.outcome == Outcome::Changed && !change.kept) {
        m_dialogs.warn(this, title,
                       FileMessages::portNotKept(m_link->commPort(), m_programmer->paramIniPath(),
                                                 change.kept));
    }
}

void MainWindow::n_journal_Click()
{
    if (!m_journalWindow) {
        m_journalWindow = new JournalWindow(*m_journal, m_dialogs, this);
    }
    m_journalWindow->show();
    m_journalWindow->raise();
    m_journalWindow->activateWindow();
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
        // Put on screen, not sent: the marks then show what differs from the device.
        connect(m_historyWindow, &HistoryWindow::settingsTaken, this, &MainWindow::setSetup);
    } else {
        m_historyWindow->refresh();
    }
    m_historyWindow->show();
    m_historyWindow->raise();
    m_historyWindow->activateWindow();
}

void MainWindow::tellHistoryProblem(const HistoryProblem &problem)
{
    const QString text = HistoryMessages::problem(problem);
    m_journal->record(ExchangeJournal::Kind::Notice, m_link->commPort(), m_link->deviceName(), {},
                      text);
    statusBar()->showMessage(text, 15000);
    m_historyLine->setText(HistoryMessages::statusWords(problem));
    m_historyLine->setToolTip(m_historyLine->text().isEmpty() ? QString() : text);
}

void MainWindow::finishHistory()
{
    m_history->endAnswer();
    if (const int unsaved = m_history->unsavedCount(); unsaved > 0 && !m_history->flush()) {
        m_dialogs.warn(
            this, QStringLiteral("Historique des envois"),
            HistoryMessages::problem({HistoryProblem::Kind::Unsaved, m_history->store().path(),
                                      m_history->store().error(), unsaved}));
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    finishHistory();
    QMainWindow::closeEvent(event);
}

void MainWindow::n_surv_Click()
{
    setPanelVisible(true);
}

void MainWindow::n_enregistrer_Click()
{
    if (const auto path = m_dialogs.chooseSetupFile(this, UserDialogs::FileMode::Save)) {
        if (const FileStatus saved = SetupStore::SaveSetup(*path, setup()); !saved) {
            m_dialogs.warn(this, QStringLiteral("Enregistrer sous"),
                           FileMessages::notSaved(*path, saved));
        } else {
            m_setupFile = *path;
        }
    }
}

void MainWindow::n_ouvrir_Click()
{
    if (const auto path = m_dialogs.chooseSetupFile(this, UserDialogs::FileMode::Open)) {
        const SetupStore::LoadedSetup loaded = SetupStore::LoadSetup(*path, m_locale);
        if (!loaded.status) {
            m_dialogs.warn(this, QStringLiteral("Ouvrir"),
                           FileMessages::notOpened(*path, loaded.status));
            return;
        }
        setSetup(SetupStore::applyLoadedEntries(setup(), loaded));
        m_setupFile = *path;
    }
}

void MainWindow::n_quit_Click()
{
    finishHistory();
    if (m_link->portOpen()) {
        record(ExchangeJournal::Kind::Closed, {}, QStringLiteral("fin du programme"));
    }
    m_link->close();
    QCoreApplication::quit();
}

void MainWindow::n_a_propos_de_Click()
{
    m_dialogs.inform(this, QStringLiteral("à propos de ..."),
                     QStringLiteral("Surveillance de tensions analogiques et logiques\n\n"
                                    "Tensiova, version %1\nQt %2")
                         .arg(QStringLiteral(TENSIOVA_VERSION), QString::fromLatin1(qVersion())));
}

} // namespace Tensiova
