#include "app/dialogs/multisendwindow.h"

#include "app/dialogs/portdialog.h"
#include "app/dialogs/userdialogs.h"
#include "app/sentences/librarymessages.h"
#include "app/sentences/linkmessages.h"
#include "link/portmap.h"
#include "setuplibrary/librarythread.h"
#include "setuplibrary/setupcopy.h"
#include "sharedhistory/sharedserversetting.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace Tensiova {

namespace {

const QString Title = QStringLiteral("Envoi à plusieurs appareils");
constexpr int RefreshMs = 700; // an adapter plugged in shows within about a second

QPushButton *button(const QString &text, const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    // Enter belongs to the repère fields, where a scanner presses it: it never sends.
    button->setAutoDefault(false);
    return button;
}

QString stateColour(PortSend::State state)
{
    switch (state) {
    case PortSend::State::Answered:
    case PortSend::State::Sent:
        return QStringLiteral("#006400");
    case PortSend::State::NoAnswer:
    case PortSend::State::PortNotOpened:
    case PortSend::State::LinkLost:
        return QStringLiteral("#B00000");
    case PortSend::State::Ready:
    case PortSend::State::Sending:
        break;
    }
    return {};
}

} // namespace

MultiSendWindow::MultiSendWindow(const SendContext &context, UserDialogs &dialogs,
                                 std::function<MonitoringSetup()> currentSetup,
                                 std::function<QString()> currentSetupFile, QWidget *parent)
    : QDialog(parent)
    , m_dialogs(dialogs)
    , m_currentSetup(std::move(currentSetup))
    , m_currentSetupFile(std::move(currentSetupFile))
    , m_sending(context)
    , m_historyPath(context.historyPath)
    , m_library(new LibraryThread(context.historyPath, SharedServerSetting::load(), this))
{
    setObjectName(QStringLiteral("EnvoiPlusieurs"));
    setWindowTitle(Title);
    auto *intro = new QLabel(
        QStringLiteral("Les réglages de la fenêtre principale sont envoyés en même temps à chaque "
                       "port coché, chacun avec son repère. Entrée dans un repère passe au "
                       "suivant ; un repère à qui l'atelier a attribué un réglage en reçoit la "
                       "version approuvée."),
        this);
    intro->setWordWrap(true);

    auto *rows = new QWidget(this);
    m_grid = new QGridLayout(rows);
    m_grid->setColumnStretch(3, 1);
    const QStringList headings {QStringLiteral("Port"), QStringLiteral("Repère"),
                                QStringLiteral("Réglage"), QStringLiteral("État")};
    for (int column = 0; column < headings.size(); ++column) {
        auto *heading = new QLabel(QStringLiteral("<b>%1</b>").arg(headings.at(column)), rows);
        m_grid->addWidget(heading, 0, column);
    }
    m_grid->setRowStretch(1000, 1);
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("Ports"));
    scroll->setWidgetResizable(true);
    scroll->setWidget(rows);

    m_summary = new QLabel(QStringLiteral("Recherche des ports présents…"), this);
    m_summary->setObjectName(QStringLiteral("Bilan"));
    m_sendToAll = button(QStringLiteral("&Envoyer à tous"), QStringLiteral("EnvoyerATous"), this);
    m_retry =
        button(QStringLiteral("&Renvoyer aux échecs"), QStringLiteral("RenvoyerAuxEchecs"), this);
    m_retry->setEnabled(false);
    QPushButton *close = button(QStringLiteral("&Fermer"), QStringLiteral("Fermer"), this);
    connect(m_sendToAll, &QPushButton::clicked, this, &MultiSendWindow::EnvoyerATous_Click);
    connect(m_retry, &QPushButton::clicked, this, &MultiSendWindow::RenvoyerAuxEchecs_Click);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_sendToAll);
    buttons->addWidget(m_retry);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(scroll, 1);
    layout->addWidget(m_summary);
    layout->addLayout(buttons);
    resize(820, 460);

    connect(&m_sending, &MultiSend::portChanged, this, &MultiSendWindow::showState);
    connect(&m_sending, &MultiSend::finished, this, [this] {
        if (std::exchange(m_listingWaits, false)) {
            showPorts(m_sending.portWatch().latest());
        }
        showSummary();
    });
    connect(&m_sending.portWatch(), &PortWatch::listed, this, &MultiSendWindow::showPorts);
    m_sending.portWatch().setInterval(RefreshMs);
}

void MultiSendWindow::showPorts(const QList<PortListing> &present)
{
    QList<PortListing> shown;
    std::copy_if(present.begin(), present.end(), std::back_inserter(shown),
                 [](const PortListing &port) { return port.number > 0; });
    // A port gone since its sending keeps its row and outcome: the user must see what it got.
    // The rows stand in the order of the ports they were last given to the sending as.
    QList<PortListing> current;
    for (int index = 0; index < m_rows.size(); ++index) {
        const PortListing &port = m_rows.at(index).port;
        current.append(port);
        const bool listed = std::any_of(shown.begin(), shown.end(), [&](const auto &listing) {
            return listing.number == port.number;
        });
        if (!listed && m_sending.ports()[std::size_t(index)]->state() != PortSend::State::Ready) {
            shown.append(port);
        }
    }
    sortByNumber(shown);
    if (shown == current) {
        return showSummary();
    }
    if (m_sending.isRunning()) {
        m_listingWaits = true; // the rows stay as they are while their ports are sent to
        return;
    }
    // The rows that stay keep their widgets, so that what is being typed keeps its focus.
    QList<Row> rows;
    QWidget *area = m_grid->parentWidget();
    for (const PortListing &port : std::as_const(shown)) {
        const auto kept = std::find_if(m_rows.begin(), m_rows.end(), [&](const Row &row) {
            return row.port.number == port.number;
        });
        Row row;
        if (kept != m_rows.end()) {
            row = *kept;
            m_rows.erase(kept);
        } else {
            row = {port,
                   new QCheckBox(area),
                   new QLineEdit(area),
                   new QLabel(area),
                   new QLabel(area),
                   std::nullopt};
            const QString com = QStringLiteral("COM%1").arg(port.number);
            row.tick->setAccessibleName(QStringLiteral("Port %1, à envoyer").arg(com));
            row.label->setAccessibleName(QStringLiteral("Port %1, repère").arg(com));
            row.label->setPlaceholderText(QStringLiteral("site, armoire, n° d'appareil"));
            row.state->setAccessibleName(QStringLiteral("Port %1, état").arg(com));
            // A scanner types the repère and presses Enter: the port is ticked, and the next
            // port's field takes the next one.
            row.setup->setAccessibleName(QStringLiteral("Port %1, réglage").arg(com));
            row.setup->setText(QStringLiteral("fenêtre"));
            connect(row.label, &QLineEdit::textEdited, row.tick,
                    [tick = row.tick] { tick->setChecked(true); });
            connect(row.label, &QLineEdit::textEdited, this,
                    [this, label = row.label] { askSetupOf(label); });
            connect(row.label, &QLineEdit::returnPressed, this, [this, label = row.label] {
                askSetupOf(label);
                moveOnFrom(label);
            });
        }
        row.port = port;
        const bool inUse =
            !m_deviceInUse.isEmpty() && PortMap::sameDevice(port.device, m_deviceInUse);
        row.tick->setText(PortDialog::lineText(port, inUse));
        if (inUse) {
            row.tick->setChecked(false); // the main window's own port is left to it
        }
        rows.append(row);
    }
    for (const Row &gone : std::as_const(m_rows)) {
        delete gone.tick;
        delete gone.label;
        delete gone.state;
        delete gone.setup;
    }
    m_rows = rows;
    for (int index = 0; index < m_rows.size(); ++index) {
        const Row &row = m_rows.at(index);
        row.tick->setObjectName(QStringLiteral("Coche(%1)").arg(index));
        row.label->setObjectName(QStringLiteral("Repere(%1)").arg(index));
        row.state->setObjectName(QStringLiteral("Etat(%1)").arg(index));
        row.setup->setObjectName(QStringLiteral("Reglage(%1)").arg(index));
        m_grid->addWidget(row.tick, index + 1, 0);
        m_grid->addWidget(row.label, index + 1, 1);
        m_grid->addWidget(row.setup, index + 1, 2);
        m_grid->addWidget(row.state, index + 1, 3);
        for (QWidget *widget :
             {static_cast<QWidget *>(row.tick), static_cast<QWidget *>(row.label),
              static_cast<QWidget *>(row.setup), static_cast<QWidget *>(row.state)}) {
            widget->show();
        }
        if (index > 0) {
            setTabOrder(m_rows.at(index - 1).label, row.tick);
        }
        setTabOrder(row.tick, row.label);
    }
    takeTargets();
    for (int index = 0; index < m_rows.size(); ++index) {
        showState(index);
    }
    showSummary();
}

void MultiSendWindow::moveOnFrom(QLineEdit *label)
{
    for (int index = 0; index < m_rows.size(); ++index) {
        if (m_rows.at(index).label != label) {
            continue;
        }
        if (index + 1 < m_rows.size()) {
            m_rows.at(index + 1).label->setFocus();
            m_rows.at(index + 1).label->selectAll();
        } else {
            m_sendToAll->setFocus();
        }
        return;
    }
}

void MultiSendWindow::askSetupOf(QLineEdit *label)
{
    const QString repere = label->text().trimmed();
    for (Row &row : m_rows) {
        if (row.label == label) {
            row.version.reset(); // the window's values until the library answers
            row.setup->setText(QStringLiteral("fenêtre"));
            row.setup->setToolTip({});
        }
    }
    if (repere.isEmpty()) {
        return;
    }
    m_library->call<WorkshopSetups::Found>(
        [repere](WorkshopSetups &setups) { return setups.versionForLabel(repere, false); },
        [this, label, repere](const WorkshopSetups::Found &found) {
            for (Row &row : m_rows) {
                // Still that port's repère: one typed on since waits for its own answer.
                if (row.label == label && row.label->text().trimmed() == repere) {
                    showSetup(row, found);
                }
            }
        });
}

void MultiSendWindow::showSetup(Row &row, const WorkshopSetups::Found &found)
{
    row.version = found.version;
    if (found.setup.isEmpty()) {
        return;
    }
    row.setup->setText(found.version
                           ? found.version->title()
                           : QStringLiteral("« %1 » sans version approuvée").arg(found.setup));
    row.setup->setToolTip(found.fromCopy ? LibraryMessages::fromCopy(found.copiedAt) : QString());
}

void MultiSendWindow::takeTargets()
{
    QList<PortSend::Target> targets;
    for (const Row &row : std::as_const(m_rows)) {
        targets.append({qint16(row.port.number), {}, row.label->text().trimmed()});
    }
    m_sending.setTargets(targets);
    for (int index = 0; index < m_rows.size(); ++index) {
        const std::optional<SetupVersion> &version = m_rows.at(index).version;
        m_sending.ports()[std::size_t(index)]->setOwnSetup(
            version ? std::optional(version->setup(QLocale::system(), m_currentSetup()))
                    : std::nullopt,
            version ? version->title() : QString());
    }
}

void MultiSendWindow::showState(int index)
{
    if (index < 0 || index >= m_rows.size() || index >= int(m_sending.ports().size())) {
        return;
    }
    const PortSend &port = *m_sending.ports()[std::size_t(index)];
    QLabel *state = m_rows.at(index).state;
    const QString text =
        port.state() == PortSend::State::Ready ? QString() : LinkMessages::portSendState(port);
    state->setText(text);
    state->setToolTip(text);
    const QString colour = stateColour(port.state());
    state->setStyleSheet(colour.isEmpty() ? QString() : QStringLiteral("color: %1").arg(colour));
    if (!port.sent().isEmpty()) {
        // What was sent, named from its bytes as its record is.
        SetupCopy copy(m_historyPath);
        if (copy.copiedAt().isValid()) {
            const std::optional<SetupVersion> sent = copy.versionSending(port.sent());
            m_rows.at(index).setup->setText(
                LibraryMessages::recordSetup(sent ? sent->title() : QString()));
        }
    }
    showSummary();
}

void MultiSendWindow::showSummary()
{
    int running = 0;
    int succeeded = 0;
    int failed = 0;
    for (const auto &port : m_sending.ports()) {
        running += port->state() == PortSend::State::Sending;
        succeeded +=
            port->state() == PortSend::State::Answered || port->state() == PortSend::State::Sent;
        failed += port->hasFailed();
    }
    QString text;
    if (m_rows.isEmpty()) {
        text = QStringLiteral("Aucun port série n'est présent.");
    } else if (running > 0) {
        text = QStringLiteral("Envoi en cours à %1 port(s)…").arg(running);
    } else if (succeeded + failed > 0) {
        text = QStringLiteral("Terminé : %1 réussi(s), %2 en échec.").arg(succeeded).arg(failed);
    } else {
        text = QStringLiteral("%1 port(s) présent(s).").arg(m_rows.size());
    }
    m_summary->setText(text);
    m_sendToAll->setEnabled(running == 0 && !m_rows.isEmpty());
    m_retry->setEnabled(running == 0 && failed > 0);
}

void MultiSendWindow::tellProblems(const QList<FieldProblem> &problems)
{
    if (!problems.isEmpty()) {
        m_dialogs.warn(this, Title, LinkMessages::wrongFields(problems, LinkMessages::Saving::No));
    }
}

void MultiSendWindow::EnvoyerATous_Click()
{
    if (m_sending.isRunning()) {
        return;
    }
    takeTargets();
    QList<int> ticked;
    for (int index = 0; index < m_rows.size(); ++index) {
        if (m_rows.at(index).tick->isChecked()) {
            ticked.append(index);
        }
    }
    if (ticked.isEmpty()) {
        m_dialogs.inform(this, Title, QStringLiteral("Cochez au moins un port."));
        return;
    }
    tellProblems(m_sending.start(m_currentSetup(), m_currentSetupFile(), ticked));
}

void MultiSendWindow::RenvoyerAuxEchecs_Click()
{
    if (m_sending.isRunning()) {
        return;
    }
    takeTargets();
    tellProblems(m_sending.retryFailed(m_currentSetup(), m_currentSetupFile()));
}

} // namespace Tensiova
