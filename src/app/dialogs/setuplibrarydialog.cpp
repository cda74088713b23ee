#include "app/dialogs/setuplibrarydialog.h"

#include "app/dialogs/proposaldialog.h"
#include "app/dialogs/userdialogs.h"
#include "app/sentences/clocktext.h"
#include "app/sentences/librarymessages.h"
#include "app/sentences/linkmessages.h"
#include "setuplibrary/librarythread.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace Tensiova {

namespace {

const QString Title = QStringLiteral("Réglages de l'atelier");

// A call's outcome: a version's number, or why it failed.
struct Outcome
{
    int number = 0;
    QString code;
    QString error;
    bool succeeded() const { return number > 0; }
};

Outcome failed(const SetupLibrary &library)
{
    return {0, library.errorCode(), library.error()};
}

QPushButton *button(const QString &name, const QString &text, QWidget *parent)
{
    auto *pushButton = new QPushButton(text, parent);
    pushButton->setObjectName(name);
    pushButton->setAutoDefault(false);
    return pushButton;
}

} // namespace

SetupLibraryDialog::SetupLibraryDialog(const QString &historyPath, const SharedServer &server,
                                       UserDialogs &dialogs,
                                       std::function<MonitoringSetup()> windowSetup,
                                       const QLocale &locale, QWidget *parent)
    : QDialog(parent)
    , m_dialogs(dialogs)
    , m_windowSetup(std::move(windowSetup))
    , m_locale(locale)
    , m_thread(new LibraryThread(historyPath, server, this))
{
    setObjectName(QStringLiteral("ReglagesAtelier"));
    setWindowTitle(Title);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("FiltreReglages"));
    m_filter->setAccessibleName(QStringLiteral("Filtrer les réglages"));
    m_filter->setPlaceholderText(QStringLiteral("Filtrer par nom…"));
    m_filter->setClearButtonEnabled(true);
    connect(m_filter, &QLineEdit::textChanged, this, &SetupLibraryDialog::applyFilter);
    m_list = new QTableWidget(0, 5, this);
    m_list->setObjectName(QStringLiteral("ListeReglages"));
    m_list->setAccessibleName(QStringLiteral("Réglages de l'atelier"));
    m_list->setHorizontalHeaderLabels({QStringLiteral("Réglage"), QStringLiteral("Approuvée"),
                                       QStringLiteral("Le"), QStringLiteral("Auteur"),
                                       QStringLiteral("Propositions")});
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, &SetupLibraryDialog::openSelected);
    m_source = new QLabel(this);
    m_source->setObjectName(QStringLiteral("SourceReglages"));
    m_source->setWordWrap(true);
    m_open = button(QStringLiteral("OuvrirReglage"), QStringLiteral("&Ouvrir"), this);
    m_propose = button(QStringLiteral("ProposerReglage"), QStringLiteral("&Proposer…"), this);
    m_examine = button(QStringLiteral("ExaminerReglage"), QStringLiteral("&Examiner…"), this);
    m_open->setToolTip(QStringLiteral("Met la version approuvée dans la fenêtre, sans l'envoyer"));
    m_propose->setToolTip(
        QStringLiteral("Propose les valeurs de la fenêtre comme nouvelle version"));
    m_examine->setToolTip(QStringLiteral("Compare une proposition à la version approuvée, pour "
                                         "l'approuver ou la refuser"));
    connect(m_open, &QPushButton::clicked, this, &SetupLibraryDialog::openSelected);
    connect(m_propose, &QPushButton::clicked, this, &SetupLibraryDialog::propose);
    connect(m_examine, &QPushButton::clicked, this, &SetupLibraryDialog::examine);
    auto *close = button(QStringLiteral("FermerReglages"), QStringLiteral("Fermer"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_open);
    buttons->addWidget(m_propose);
    buttons->addWidget(m_examine);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_filter);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_source);
    layout->addLayout(buttons);
    resize(640, 420);
    refresh();
}

SetupLibraryDialog::~SetupLibraryDialog() = default;

void SetupLibraryDialog::setBusy(bool busy)
{
    for (QPushButton *action : {m_open, m_propose, m_examine}) {
        action->setEnabled(!busy);
    }
    if (busy) {
        m_source->setText(QStringLiteral("Lecture de la bibliothèque…"));
    }
}

void SetupLibraryDialog::refresh()
{
    setBusy(true);
    m_thread->call<WorkshopSetups::Listing>([](WorkshopSetups &setups) { return setups.list(); },
                                            [this](const WorkshopSetups::Listing &listing) {
                                                showListing(listing);
                                                emit answered();
                                            });
}

void SetupLibraryDialog::showListing(const WorkshopSetups::Listing &listing)
{
    setBusy(false);
    const QString keep = m_selectAfterList.isEmpty() ? selectedName() : m_selectAfterList;
    m_selectAfterList.clear();
    m_list->setRowCount(0);
    const QList<SetupSummary> setups = listing.setups.value_or(QList<SetupSummary>());
    m_list->setRowCount(int(setups.size()));
    for (int row = 0; row < setups.size(); ++row) {
        const SetupSummary &setup = setups.at(row);
        const QStringList cells {
            setup.name,
            setup.approved > 0 ? QStringLiteral("v%1").arg(setup.approved)
                               : QStringLiteral("aucune"),
            setup.approvedAt.isValid() ? clockText(setup.approvedAt.toLocalTime(), m_locale)
                                       : QString(),
            setup.approvedAuthor,
            setup.proposals > 0 ? QString::number(setup.proposals) : QString()};
        for (int column = 0; column < cells.size(); ++column) {
            m_list->setItem(row, column, new QTableWidgetItem(cells.at(column)));
        }
    }
    if (!listing.setups) {
        m_source->setText(LibraryMessages::failure(listing.code, listing.error));
    } else if (listing.fromCopy) {
        m_source->setText(LibraryMessages::fromCopy(listing.copiedAt)
                          + QStringLiteral(" Proposer et examiner attendent le serveur."));
    } else {
        m_source->setText(
            QStringLiteral("%1 réglage(s) sur le serveur de l'atelier.").arg(setups.size()));
    }
    m_propose->setEnabled(!listing.fromCopy && listing.setups);
    m_examine->setEnabled(!listing.fromCopy && listing.setups);
    applyFilter();
    selectName(keep);
}

void SetupLibraryDialog::applyFilter()
{
    const QString filter = m_filter->text().trimmed();
    for (int row = 0; row < m_list->rowCount(); ++row) {
        m_list->setRowHidden(row,
                             !m_list->item(row, 0)->text().contains(filter, Qt::CaseInsensitive));
    }
}

QString SetupLibraryDialog::selectedName() const
{
    const QList<QTableWidgetItem *> selected = m_list->selectedItems();
    return selected.isEmpty() ? QString() : m_list->item(selected.front()->row(), 0)->text();
}

void SetupLibraryDialog::selectName(const QString &name)
{
    for (int row = 0; row < m_list->rowCount(); ++row) {
        if (!m_list->isRowHidden(row) && m_list->item(row, 0)->text() == name) {
            m_list->selectRow(row);
            return;
        }
    }
}

void SetupLibraryDialog::openSelected()
{
    const QString name = selectedName();
    if (name.isEmpty()) {
        m_dialogs.inform(this, Title, QStringLiteral("Choisissez d'abord un réglage."));
        return;
    }
    setBusy(true);
    m_thread->call<WorkshopSetups::Found>(
        [name](WorkshopSetups &setups) { return setups.version(name); },
        [this, name](const WorkshopSetups::Found &found) {
            setBusy(false);
            m_source->setText(found.fromCopy ? LibraryMessages::fromCopy(found.copiedAt)
                                             : QString());
            if (found.version) {
                m_openedName = name;
                emit versionOpened(*found.version, found.fromCopy);
            } else {
                m_dialogs.warn(
                    this, Title,
                    found.fromCopy ? LibraryMessages::fromCopy(found.copiedAt) + QLatin1Char(' ')
                            + LibraryMessages::failure(QStringLiteral("no-version"), name)
                                   : LibraryMessages::failure(found.code, found.error));
            }
            emit answered();
        });
}

void SetupLibraryDialog::propose()
{
    // The same checks as "Envoi": what the device would refuse is never proposed.
    const SetupDraft draft = SetupDraft::of(m_windowSetup(), m_locale);
    if (!draft.isValid()) {
        m_dialogs.warn(this, Title,
                       LinkMessages::wrongFields(draft.problems, LinkMessages::Saving::No));
        return;
    }
    const QString proposed = selectedName().isEmpty() ? m_openedName : selectedName();
    const QString name = m_dialogs.askText(
        this, QStringLiteral("Proposer une version"),
        QStringLiteral("Nom du réglage (un nouveau nom crée un réglage) :"), proposed);
    if (name.isEmpty()) {
        return;
    }
    const QString comment = m_dialogs.askText(this, QStringLiteral("Proposer une version"),
                                              QStringLiteral("Ce qui change, et pourquoi :"), {});
    setBusy(true);
    m_thread->call<Outcome>(
        [name, draft, comment](WorkshopSetups &setups) {
            const std::optional<int> number = setups.library().propose(name, draft, comment);
            return number ? Outcome {*number, {}, {}} : failed(setups.library());
        },
        [this, name](const Outcome &outcome) {
            setBusy(false);
            if (outcome.succeeded()) {
                m_dialogs.inform(this, Title,
                                 QStringLiteral("Proposé : %1 v%2, en attente d'approbation par "
                                                "une autre personne.")
                                     .arg(name)
                                     .arg(outcome.number));
                m_selectAfterList = name;
                refresh();
                return;
            }
            m_dialogs.warn(this, Title, LibraryMessages::failure(outcome.code, outcome.error));
            emit answered();
        });
}

void SetupLibraryDialog::examine()
{
    const QString name = selectedName();
    if (name.isEmpty()) {
        m_dialogs.inform(this, Title, QStringLiteral("Choisissez d'abord un réglage."));
        return;
    }
    using Versions = std::optional<QList<SetupVersion>>;
    setBusy(true);
    m_thread->call<std::pair<Versions, Outcome>>(
        [name](WorkshopSetups &setups) {
            Versions versions = setups.library().versions(name);
            return std::pair(versions, versions ? Outcome {} : failed(setups.library()));
        },
        [this](const std::pair<Versions, Outcome> &read) {
            setBusy(false);
            emit answered();
            if (!read.first) {
                m_dialogs.warn(this, Title,
                               LibraryMessages::failure(read.second.code, read.second.error));
                return;
            }
            // The oldest proposal first: they are decided in the order they came.
            std::optional<SetupVersion> proposal;
            std::optional<SetupVersion> approved;
            for (const SetupVersion &version : *read.first) {
                if (version.state == SetupVersion::State::Proposed) {
                    proposal = version;
                } else if (version.state == SetupVersion::State::Approved) {
                    approved = version;
                }
            }
            if (!proposal) {
                m_dialogs.inform(this, Title, QStringLiteral("Aucune proposition en attente."));
                return;
            }
            delete m_proposalDialog;
            m_proposalDialog = new ProposalDialog(*proposal, approved, m_dialogs, m_locale, this);
            connect(m_proposalDialog, &ProposalDialog::decided, this,
                    [this, version = *proposal](SetupVersion::State state, const QString &reason) {
                        decide(version, state, reason);
                    });
            m_proposalDialog->show();
        });
}

void SetupLibraryDialog::decide(const SetupVersion &version, SetupVersion::State state,
                                const QString &reason)
{
    setBusy(true);
    m_thread->call<Outcome>(
        [version, state, reason](WorkshopSetups &setups) {
            return setups.library().decide(version.name, version.number, state, reason)
                ? Outcome {version.number, {}, {}}
                : failed(setups.library());
        },
        [this, version, state](const Outcome &outcome) {
            setBusy(false);
            if (outcome.succeeded()) {
                m_dialogs.inform(this, Title,
                                 QStringLiteral("%1 : %2.")
                                     .arg(version.title(), LibraryMessages::stateName(state)));
                m_selectAfterList = version.name;
                refresh();
                return;
            }
            m_dialogs.warn(this, Title, LibraryMessages::failure(outcome.code, outcome.error));
            emit answered();
        });
}

} // namespace Tensiova
