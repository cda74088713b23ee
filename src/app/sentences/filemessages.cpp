#include "app/sentences/filemessages.h"

#include <QDir>

namespace Tensiova::FileMessages {

namespace {

QString quoted(const QString &path)
{
    return QStringLiteral("« %1 »").arg(QDir::toNativeSeparators(path));
}

} // namespace

QString systemWords(QString text)
{
    if (text.endsWith(QLatin1Char('.'))) {
        text.chop(1);
    }
    return text;
}

QString reason(const FileStatus &status)
{
    switch (status.problem) {
    case FileStatus::Problem::None:
        break;
    case FileStatus::Problem::Folder:
        return QStringLiteral("c'est un dossier, pas un fichier");
    case FileStatus::Problem::TooLarge:
        return QStringLiteral("il dépasse %1 Mio, bien plus qu'un fichier de réglages")
            .arg(ProfileFile::LargestFileRead / (1024 * 1024));
    case FileStatus::Problem::ReadOnly:
        return QStringLiteral("le fichier est en lecture seule");
    case FileStatus::Problem::System:
        if (!status.systemReason.isEmpty()) {
            return systemWords(status.systemReason);
        }
        break;
    }
    return QStringLiteral("erreur inconnue");
}

QString notSaved(const QString &path, const FileStatus &status)
{
    return QStringLiteral("Les réglages n'ont pas pu être enregistrés dans %1 :\n%2.")
        .arg(quoted(path), reason(status));
}

QString notOpened(const QString &path, const FileStatus &status)
{
    return QStringLiteral("Le fichier %1 n'a pas pu être lu :\n%2.\n\nAucun réglage n'a changé.")
        .arg(quoted(path), reason(status));
}

QString sentButNotKept(const QString &path, const FileStatus &status)
{
    return QStringLiteral("Les réglages ont été envoyés à l'appareil, mais ils n'ont pas pu être "
                          "conservés dans %1 :\n%2.\n\nAu prochain démarrage, le programme "
                          "n'affichera pas ces réglages.")
        .arg(quoted(path), reason(status));
}

QString notKeptEither(const QString &path, const FileStatus &status)
{
    return QStringLiteral("Les réglages n'ont pas non plus pu être conservés dans %1 :\n%2.")
        .arg(quoted(path), reason(status));
}

QString portNotKept(int port, const QString &path, const FileStatus &status)
{
    return QStringLiteral("Le port COM%1 sera utilisé jusqu'à la fin de cette session, mais il "
                          "n'a pas pu être conservé dans %2 :\n%3.")
        .arg(port)
        .arg(quoted(path), reason(status));
}

namespace {

QString nothingChanged(const QString &text)
{
    return text + QStringLiteral("\n\nAucun réglage n'a changé.");
}

} // namespace

QString recentGone(const QString &path)
{
    return QStringLiteral("Le fichier %1 n'existe plus : il est retiré des réglages récents.\n\n"
                          "Aucun réglage n'a changé.")
        .arg(quoted(path));
}

QString notASetup(const QString &path)
{
    return nothingChanged(
        QStringLiteral("Le fichier %1 ne contient aucun réglage de voie : ce n'est pas un "
                       "fichier de réglages.")
            .arg(quoted(path)));
}

QString droppedNoFile()
{
    return nothingChanged(QStringLiteral(
        "Seul un fichier de réglages peut être déposé sur la fenêtre, pour l'ouvrir."));
}

QString droppedSeveralFiles(qsizetype count)
{
    return nothingChanged(
        QStringLiteral("Un seul fichier de réglages à la fois : %1 fichiers ont été déposés.")
            .arg(count));
}

QString droppedRemote(const QString &url)
{
    return nothingChanged(QStringLiteral("%1 n'est pas un fichier de cet ordinateur : "
                                         "enregistrez-le d'abord, puis déposez ce fichier.")
                              .arg(QStringLiteral("« %1 »").arg(url)));
}

QString droppedFolder(const QString &path)
{
    return nothingChanged(
        QStringLiteral("%1 est un dossier, pas un fichier de réglages.").arg(quoted(path)));
}

} // namespace Tensiova::FileMessages
