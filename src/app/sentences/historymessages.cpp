#include "app/sentences/historymessages.h"

#include "app/sentences/filemessages.h"

#include <QDir>

namespace Tensiova::HistoryMessages {

namespace {

QString quoted(const QString &path)
{
    return QStringLiteral("« %1 »").arg(QDir::toNativeSeparators(path));
}

} // namespace

QString problem(const HistoryProblem &problem)
{
    using Kind = HistoryProblem::Kind;
    switch (problem.kind) {
    case Kind::CannotWrite:
        return QStringLiteral("L'historique des envois %1 ne peut pas être écrit (%2). Les envois "
                              "continuent ; ils sont gardés et y seront inscrits dès que possible.")
            .arg(quoted(problem.path), FileMessages::systemWords(problem.detail));
    case Kind::NewerSchema:
        return QStringLiteral("L'historique des envois %1 vient d'une version plus récente de "
                              "Tensiova : il est lu, jamais modifié. Les envois de cette session "
                              "n'y sont pas inscrits.")
            .arg(quoted(problem.path));
    case Kind::SetAside:
        return QStringLiteral("L'historique des envois %1 était endommagé : il est mis de côté "
                              "sous %2 et un nouvel historique commence.")
            .arg(quoted(problem.path), quoted(problem.detail));
    case Kind::WrittenAgain:
        return problem.records > 1
            ? QStringLiteral("L'historique des envois %1 est de nouveau écrit : les %2 envois en "
                             "attente y sont inscrits.")
                  .arg(quoted(problem.path))
                  .arg(problem.records)
            : QStringLiteral("L'historique des envois %1 est de nouveau écrit : l'envoi en "
                             "attente y est inscrit.")
                  .arg(quoted(problem.path));
    case Kind::Unsaved:
        return (problem.records > 1
                    ? QStringLiteral("%1 envois de cette session n'ont pas pu être inscrits dans "
                                     "l'historique %2%3.")
                          .arg(problem.records)
                    : QStringLiteral("Un envoi de cette session n'a pas pu être inscrit dans "
                                     "l'historique %1%2."))
            .arg(quoted(problem.path),
                 problem.detail.isEmpty()
                     ? QString()
                     : QStringLiteral(" (%1)").arg(FileMessages::systemWords(problem.detail)));
    }
    return {};
}

QString statusWords(const HistoryProblem &problem)
{
    switch (problem.kind) {
    case HistoryProblem::Kind::CannotWrite:
        return QStringLiteral("Historique non écrit");
    case HistoryProblem::Kind::NewerSchema:
        return QStringLiteral("Historique en lecture seule");
    default:
        return {};
    }
}

} // namespace Tensiova::HistoryMessages
