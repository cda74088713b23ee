#include "app/dialogs/sharedhistorydialog.h"

#include "app/sentences/sharingmessages.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace Tensiova {

SharedHistoryDialog::SharedHistoryDialog(const SharedServer &server, const QString &setBy,
                                         QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("HistoriquePartage"));
    setWindowTitle(QStringLiteral("Historique partagé"));
    auto *explanation = new QLabel(
        QStringLiteral("Chaque envoi est d'abord inscrit sur ce poste, puis copié sur le serveur "
                       "PostgreSQL de l'atelier dès qu'il répond. Connexion de PostgreSQL "
                       "(service=atelier, « host=serveur dbname=atelier user=poste "
                       "sslmode=verify-full » ou postgresql://…) ; vide : pas d'historique "
                       "partagé. Le mot de passe va dans %1, jamais ici.")
            .arg(SharingMessages::passwordFile()),
        this);
    explanation->setWordWrap(true);
    m_connection = new QLineEdit(server.connection, this);
    m_connection->setObjectName(QStringLiteral("Connexion"));
    m_connection->setAccessibleName(QStringLiteral("Connexion au serveur"));
    m_connection->setPlaceholderText(QStringLiteral("service=atelier"));
    m_connection->setClearButtonEnabled(true);
    m_unencrypted = new QCheckBox(
        QStringLiteral("Accepter une liaison &non chiffrée vers un autre ordinateur"), this);
    m_unencrypted->setObjectName(QStringLiteral("NonChiffre"));
    m_unencrypted->setChecked(server.acceptUnencrypted);
    m_try = new QPushButton(QStringLiteral("&Essayer"), this);
    m_try->setObjectName(QStringLiteral("Essayer"));
    m_try->setAutoDefault(false);
    connect(m_try, &QPushButton::clicked, this, &SharedHistoryDialog::tryConnection);
    m_outcome = new QLabel(this);
    m_outcome->setObjectName(QStringLiteral("Resultat"));
    m_outcome->setWordWrap(true);
    m_outcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_outcome->setMinimumHeight(m_outcome->fontMetrics().height() * 3);
    auto *buttons = new QDialogButtonBox(this);
    if (setBy.isEmpty()) {
        buttons->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    } else {
        // What IT set is shown as it is, and may be tried, never changed here.
        m_connection->setReadOnly(true);
        m_connection->setClearButtonEnabled(false);
        m_unencrypted->setEnabled(false);
        buttons->setStandardButtons(QDialogButtonBox::Close);
        buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Fermer"));
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &SharedHistoryDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *policy = new QLabel(setBy, this);
    policy->setObjectName(QStringLiteral("Politique"));
    policy->setWordWrap(true);
    policy->setVisible(!setBy.isEmpty());

    auto *tryLine = new QHBoxLayout;
    tryLine->addWidget(m_try);
    tryLine->addWidget(m_outcome, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addWidget(m_connection);
    layout->addWidget(policy);
    layout->addWidget(m_unencrypted);
    layout->addLayout(tryLine);
    layout->addWidget(buttons);
    resize(560, sizeHint().height());
}

SharedHistoryDialog::~SharedHistoryDialog()
{
    if (m_trial) {
        m_trial->requestInterruption();
        m_trial->wait();
    }
}

SharedServer SharedHistoryDialog::server() const
{
    return {m_connection->text().trimmed(), m_unencrypted->isChecked()};
}

void SharedHistoryDialog::tryConnection()
{
    if (m_trial) {
        return; // one at a time
    }
    const SharedServer server = this->server();
    if (!server.isSet()) {
        showOutcome(false, QStringLiteral("Aucune connexion : les envois restent sur ce poste."));
        return;
    }
    m_try->setEnabled(false);
    m_outcome->setText(QStringLiteral("Connexion…"));
    auto outcome = std::make_shared<std::pair<bool, QString>>();
    m_trial = QThread::create([server, outcome] {
        SharedDatabase shared(server);
        outcome->first = shared.connect();
        outcome->second = outcome->first ? SharingMessages::identity(shared.identity())
                                         : SharingMessages::failure(shared);
    });
    connect(m_trial, &QThread::finished, this, [this, outcome] {
        m_trial->deleteLater();
        m_trial = nullptr;
        m_try->setEnabled(true);
        showOutcome(outcome->first, outcome->second);
    });
    m_trial->start();
}

void SharedHistoryDialog::showOutcome(bool connected, const QString &text)
{
    m_outcome->setText(connected ? QStringLiteral("Connecté : %1.").arg(text) : text);
    emit tried();
}

void SharedHistoryDialog::accept()
{
    const SharedServer server = this->server();
    if (const QString refusal = SharingMessages::connectionTextRefusal(server.connection);
        server.isSet() && !refusal.isEmpty()) {
        showOutcome(false, refusal);
        return;
    }
    QDialog::accept();
}

} // namespace Tensiova
