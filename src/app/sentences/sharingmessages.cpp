#include "app/sentences/sharingmessages.h"

#include <QDir>
#include <QStandardPaths>

namespace Tensiova::SharingMessages {

QString passwordFile()
{
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(
        QDir(qEnvironmentVariable("APPDATA")).filePath(QStringLiteral("postgresql/pgpass.conf")));
#else
    return QDir::home().filePath(QStringLiteral(".pgpass"));
#endif
}

QString reason(const QString &code, const QString &detail)
{
    if (code == QLatin1String("password-in-text")) {
        return QStringLiteral("La connexion contient un mot de passe : il n'y est jamais gardé. "
                              "Mettez-le dans le fichier de mots de passe de PostgreSQL (%1).")
            .arg(passwordFile());
    }
    if (code == QLatin1String("bad-text")) {
        return QStringLiteral("La connexion n'est pas comprise : %1").arg(detail);
    }
    if (code == QLatin1String("unencrypted")) {
        return QStringLiteral("La liaison avec %1 n'est pas chiffrée : les envois traverseraient "
                              "le réseau en clair. Ajoutez sslmode=verify-full à la connexion, ou "
                              "acceptez une liaison non chiffrée.")
            .arg(detail);
    }
    if (code == QLatin1String("connection")) {
        return QStringLiteral("Connexion au serveur impossible : %1").arg(detail);
    }
    if (code == QLatin1String("no-schema")) {
        return QStringLiteral("Les tables de l'historique partagé manquent sur le serveur et ce "
                              "compte ne peut pas les créer : l'administrateur les crée avec "
                              "historique-postgresql.sql (%1).")
            .arg(detail);
    }
    if (code == QLatin1String("newer-schema")) {
        return QStringLiteral("Les tables du serveur sont d'une version plus récente de "
                              "Tensiova : l'historique partagé y est lu, rien n'y est écrit.");
    }
    if (code == QLatin1String("local")) {
        return QStringLiteral("L'historique de ce poste n'a pas pu être lu (%1).").arg(detail);
    }
    if (code == QLatin1String("42501")) {
        return QStringLiteral("Ce compte n'a pas le droit d'écrire dans l'historique partagé "
                              "(%1).")
            .arg(detail);
    }
    if (code == QLatin1String("25006")) { // read_only_sql_transaction
        return QStringLiteral("Le serveur n'accepte que des lectures (un serveur de secours, ou "
                              "mis en lecture seule) : les envois attendent qu'il accepte de "
                              "nouveau l'écriture. Pour un serveur et son secours, ajoutez "
                              "target_session_attrs=read-write à la connexion (%1).")
            .arg(detail);
    }
    if (code.startsWith(QLatin1String("53"))) { // disk full, out of memory, too many connections
        return QStringLiteral("Le serveur manque de ressources (disque plein ?) : les envois "
                              "attendent (%1).")
            .arg(detail);
    }
    if (code.isEmpty() || code.startsWith(QLatin1String("08"))
        || code.startsWith(QLatin1String("57P"))) {
        return QStringLiteral("Le serveur ne répond plus : %1").arg(detail);
    }
    return QStringLiteral("Le serveur a refusé les envois : %1 (%2)").arg(detail, code);
}

QString reason(const SharingState &state)
{
    return reason(state.code, state.reason);
}

QString failure(const SharedDatabase &shared)
{
    return reason(shared.errorCode(), shared.error());
}

QString connectionTextRefusal(const QString &connection)
{
    const ConnectionTextProblem problem = connectionTextProblem(connection);
    return problem.code.isEmpty() ? QString() : reason(problem.code, problem.detail);
}

QString status(const SharingState &state)
{
    if (state.waiting == 0) {
        return state.failed ? QStringLiteral("Historique partagé : serveur injoignable")
                            : QStringLiteral("Historique partagé : à jour");
    }
    return state.waiting == 1
        ? QStringLiteral("Historique partagé : 1 envoi en attente")
        : QStringLiteral("Historique partagé : %1 envois en attente").arg(state.waiting);
}

QString restored(const SharingState &state)
{
    if (state.restored == 0) {
        return state.failed ? QStringLiteral("Le serveur n'a pas pu être vérifié.")
                            : QStringLiteral("Le serveur a tous les envois de ce poste.");
    }
    const bool one = state.restored == 1;
    const QString lost = one
        ? QStringLiteral("1 envoi de ce poste manquait")
        : QStringLiteral("%1 envois de ce poste manquaient").arg(state.restored);
    const QString now = state.failed || state.waiting > 0
        ? (one ? QStringLiteral("il attend d'y être renvoyé")
               : QStringLiteral("ils attendent d'y être renvoyés"))
        : (one ? QStringLiteral("il y est de nouveau") : QStringLiteral("ils y sont de nouveau"));
    return QStringLiteral("%1 au serveur (restauré, ou repris par son secours) : %2.")
        .arg(lost, now);
}

QString identity(const ServerIdentity &server)
{
    const QString link = !server.encrypted ? QStringLiteral("liaison non chiffrée")
        : server.certificateChecked ? QStringLiteral("liaison chiffrée, certificat vérifié")
                                    : QStringLiteral("liaison chiffrée, certificat non vérifié");
    QString where = server.host.isEmpty() ? QStringLiteral("ce poste") : server.host;
    if (!server.port.isEmpty() && server.port != QLatin1String("5432")) {
        where += QStringLiteral(" (port %1)").arg(server.port);
    }
    return QStringLiteral("PostgreSQL %1 sur %2, %3").arg(server.version, where, link);
}

QString setByPolicy()
{
    return QStringLiteral(
               "Le serveur de l'historique partagé est réglé par le service informatique "
               "pour tous les utilisateurs de ce poste (%1) : il ne peut pas être "
               "changé ici.")
        .arg(MachinePolicy::defaultSource());
}

QString policyProblem(const SharedServerChoice &choice)
{
    QString why;
    if (choice.policyProblem) {
        why = QStringLiteral("la valeur %1 %2")
                  .arg(choice.policyProblem->key,
                       choice.policyProblem->kind == MachinePolicy::Problem::Kind::NotText
                           ? QStringLiteral("n'est pas un texte.")
                           : QStringLiteral("ne vaut ni 0 ni 1."));
    } else if (!choice.policyTextProblem.code.isEmpty()) {
        why = reason(choice.policyTextProblem.code, choice.policyTextProblem.detail);
    } else {
        return {};
    }
    return QStringLiteral("Le réglage du service informatique (%1) n'est pas appliqué : %2")
        .arg(MachinePolicy::defaultSource(), why);
}

} // namespace Tensiova::SharingMessages
