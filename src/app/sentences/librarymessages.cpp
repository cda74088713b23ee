#include "app/sentences/librarymessages.h"

#include "app/sentences/clocktext.h"
#include "app/sentences/sharingmessages.h"

#include <array>

namespace Tensiova::LibraryMessages {

QString failure(const QString &code, const QString &detail)
{
    if (code.startsWith(QLatin1String("TV"))) {
        return detail; // the server's rule, said by the server in French
    }
    if (code == QLatin1String("42501")) {
        return QStringLiteral("Votre compte n'a pas ce droit sur la bibliothèque des réglages : "
                              "approuver, refuser, retirer une version et attribuer un réglage "
                              "demandent le rôle tensiova_approbation ; rien ne se supprime (%1).")
            .arg(detail);
    }
    if (code == QLatin1String("no-library")) {
        return QStringLiteral("Les tables du serveur n'ont pas encore la bibliothèque des "
                              "réglages : l'administrateur les met à jour avec "
                              "historique-postgresql.sql.");
    }
    if (code == QLatin1String("no-setup")) {
        return QStringLiteral("Aucun réglage « %1 » dans la bibliothèque.").arg(detail);
    }
    if (code == QLatin1String("no-version")) {
        return QStringLiteral("Aucune version « %1 » dans la bibliothèque (ni approuvée, pour un "
                              "réglage sans numéro).")
            .arg(detail);
    }
    return SharingMessages::reason(code, detail);
}

QString stateName(SetupVersion::State state)
{
    static const std::array<QString, 4> Names {
        QStringLiteral("proposée"), QStringLiteral("approuvée"), QStringLiteral("refusée"),
        QStringLiteral("retirée")};
    return Names.at(std::size_t(state));
}

QString recordSetup(const QString &versionTitle)
{
    return versionTitle.isEmpty() ? QStringLiteral("hors bibliothèque") : versionTitle;
}

QString openedSetup(const SetupVersion &version)
{
    return QStringLiteral("Réglage « %1 » v%2").arg(version.name).arg(version.number);
}

QString deviceState(const DeviceState &state)
{
    switch (state.kind) {
    case DeviceState::Kind::UpToDate:
        return QStringLiteral("à jour");
    case DeviceState::Kind::OldVersion:
        return QStringLiteral("ancienne version (v%1 ; v%2 approuvée)")
            .arg(state.held)
            .arg(state.approved);
    case DeviceState::Kind::Different:
        return QStringLiteral("différent");
    case DeviceState::Kind::NeverProgrammed:
        return QStringLiteral("jamais programmé");
    case DeviceState::Kind::NoSetupAssigned:
        return QStringLiteral("sans réglage attribué");
    case DeviceState::Kind::NoApprovedVersion:
        return QStringLiteral("sans réglage approuvé");
    }
    return {};
}

QString fromCopy(const QDateTime &copiedAt)
{
    if (!copiedAt.isValid()) {
        return QStringLiteral("Serveur injoignable, et ce poste n'a encore aucune copie des "
                              "réglages approuvés.");
    }
    return QStringLiteral("Serveur injoignable : copie des réglages approuvés faite sur ce poste "
                          "le %1.")
        .arg(clockText(copiedAt.toLocalTime(), QLocale::system()));
}

} // namespace Tensiova::LibraryMessages
