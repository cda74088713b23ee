#include "app/dialogs/proposaldialog.h"

#include "app/dialogs/userdialogs.h"
#include "app/sentences/clocktext.h"
#include "app/sentences/librarymessages.h"
#include "app/widgets/setupgrid.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace Tensiova {

ProposalDialog::ProposalDialog(const SetupVersion &proposal,
                               const std::optional<SetupVersion> &approved, UserDialogs &dialogs,
                               const QLocale &locale, QWidget *parent)
    : QDialog(parent)
    , m_proposal(proposal)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("PropositionReglage"));
    setWindowTitle(QStringLiteral("Proposition %1").arg(proposal.title()));
    m_grid = new SetupGrid(this);
    m_grid->setObjectName(QStringLiteral("PropositionGrille"));
    m_differences = m_grid->showValues(
        proposal.setup(locale), approved ? std::optional(approved->setup(locale)) : std::nullopt,
        QStringLiteral("proposée"), QStringLiteral("approuvée"));
    const QString author =
        QStringLiteral("v%1 proposée par %2 le %3")
            .arg(proposal.number)
            .arg(proposal.author, clockText(proposal.proposedAt.toLocalTime(), locale));
    QString comparison;
    if (!approved) {
        comparison = QStringLiteral("aucune version approuvée à comparer");
    } else if (m_differences == 0) {
        comparison = QStringLiteral("mêmes valeurs que v%1 approuvée").arg(approved->number);
    } else {
        comparison = QStringLiteral("%1 champ(s) diffèrent de v%2 approuvée, marqués « proposée "
                                    "→ approuvée »")
                         .arg(m_differences)
                         .arg(approved->number);
    }
    auto *heading = new QLabel(author + QStringLiteral(" : ") + comparison, this);
    heading->setObjectName(QStringLiteral("PropositionTitre"));
    heading->setWordWrap(true);
    auto *comment = new QLabel(
        QStringLiteral("Commentaire : %1")
            .arg(proposal.comment.isEmpty() ? QStringLiteral("(aucun)") : proposal.comment),
        this);
    comment->setObjectName(QStringLiteral("PropositionCommentaire"));
    comment->setWordWrap(true);
    comment->setTextFormat(Qt::PlainText);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *approve =
        buttons->addButton(QStringLiteral("&Approuver"), QDialogButtonBox::AcceptRole);
    approve->setObjectName(QStringLiteral("Approuver"));
    QPushButton *refuse =
        buttons->addButton(QStringLiteral("&Refuser…"), QDialogButtonBox::ActionRole);
    refuse->setObjectName(QStringLiteral("Refuser"));
    buttons->addButton(QStringLiteral("Fermer"), QDialogButtonBox::RejectRole);
    connect(approve, &QPushButton::clicked, this, [this] {
        emit decided(SetupVersion::State::Approved, {});
        accept();
    });
    connect(refuse, &QPushButton::clicked, this, [this] {
        const QString reason =
            m_dialogs.askText(this, QStringLiteral("Refuser %1").arg(m_proposal.title()),
                              QStringLiteral("Pourquoi ?"), {});
        if (reason.trimmed().isEmpty()) {
            return; // a refusal says why
        }
        emit decided(SetupVersion::State::Refused, reason);
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_grid);
    layout->addWidget(comment);
    layout->addWidget(buttons);
}

} // namespace Tensiova
