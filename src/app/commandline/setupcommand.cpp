#include "app/commandline/setupcommand.h"

#include "app/commandline/console.h"
#include "app/sentences/clocktext.h"
#include "app/sentences/filemessages.h"
#include "app/sentences/librarymessages.h"
#include "app/sentences/linkmessages.h"
#include "history/historystore.h"
#include "settings/setupstore.h"
#include "setuplibrary/workshopsetups.h"
#include "sharedhistory/sharedserversetting.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace Tensiova::SetupCommand {

namespace {

int refuse(int exit, const QString &why)
{
    Console::write(stderr, why + QLatin1Char('\n'));
    return exit;
}

int refuseLine(const QString &why)
{
    return refuse(BadCommandLine, why + QStringLiteral("\nVoir « tensiova --help »."));
}

// "NOM@3": the set-up and its version; "NOM" alone: 0, its approved version. A name may hold an
// "@" of its own: only a number after the last one is a version.
std::pair<QString, int> nameAndNumber(const QString &wanted)
{
    static const QRegularExpression numbered(QStringLiteral("^(.+)@([1-9][0-9]{0,8})$"),
                                             QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = numbered.match(wanted);
    return match.hasMatch() ? std::pair(match.captured(1), match.captured(2).toInt())
                            : std::pair(wanted, 0);
}

// The library's failure: refused by the server's rules, unknown, or the server away.
int libraryFailure(const QString &code, const QString &detail)
{
    const QString why = LibraryMessages::failure(code, detail);
    if (code == QLatin1String("no-setup") || code == QLatin1String("no-version")) {
        return refuse(BadCommandLine, why);
    }
    return refuse(WorkshopSetups::isAway(code) ? ServerAway : Refused, why);
}

int library(const std::function<int(SetupLibrary &)> &command)
{
    const SharedServer server = SharedServerSetting::load();
    if (!server.isSet()) {
        return refuseLine(QStringLiteral("Aucun serveur d'atelier n'est réglé : tensiova "
                                         "--history-server CONNEXION."));
    }
    SharedDatabase database(server);
    database.setPatience(ScriptPatienceMs);
    SetupLibrary library(database);
    return command(library);
}

int list(bool json)
{
    WorkshopSetups setups(HistoryStore::defaultPath(), SharedServerSetting::load());
    setups.setPatience(ScriptPatienceMs);
    const WorkshopSetups::Listing listing = setups.list();
    if (!listing.fromCopy) {
        setups.refreshCopy();
    }
    if (!listing.setups) {
        return libraryFailure(listing.code, listing.error);
    }
    if (listing.fromCopy) {
        Console::write(stderr, LibraryMessages::fromCopy(listing.copiedAt) + QLatin1Char('\n'));
    }
    const QLocale locale = QLocale::system();
    for (const SetupSummary &setup : *listing.setups) {
        if (json) {
            const QJsonObject object {{QStringLiteral("name"), setup.name},
                                      {QStringLiteral("approved"), setup.approved},
                                      {QStringLiteral("approved_utc"),
                                       setup.approvedAt.isValid()
                                           ? setup.approvedAt.toString(Qt::ISODateWithMs)
                                           : QString()},
                                      {QStringLiteral("author"), setup.approvedAuthor},
                                      {QStringLiteral("proposals"), setup.proposals},
                                      {QStringLiteral("latest"), setup.latest}};
            Console::write(stdout,
                           QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact))
                               + QLatin1Char('\n'));
            continue;
        }
        QString line = setup.approved > 0
            ? QStringLiteral("%1 : v%2 approuvée le %3, de %4")
                  .arg(setup.name)
                  .arg(setup.approved)
                  .arg(clockText(setup.approvedAt.toLocalTime(), locale), setup.approvedAuthor)
            : QStringLiteral("%1 : aucune version approuvée").arg(setup.name);
        if (setup.proposals > 0) {
            line += QStringLiteral(" ; %1 proposition(s) en attente").arg(setup.proposals);
        }
        Console::write(stdout, line + QLatin1Char('\n'));
    }
    return Done;
}

int propose(const QCommandLineParser &parser)
{
    const QString file = parser.value(QStringLiteral("setup-propose"));
    const QString name = parser.value(QStringLiteral("name"));
    if (name.isEmpty()) {
        return refuseLine(QStringLiteral("--setup-propose attend le nom du réglage : --name NOM."));
    }
    if (!QFileInfo::exists(file)) {
        return refuse(BadCommandLine, QStringLiteral("Le fichier « %1 » n'existe pas.").arg(file));
    }
    const SetupStore::LoadedSetup loaded = SetupStore::LoadSetup(file, QLocale::system());
    if (!loaded.status) {
        return refuse(BadCommandLine, FileMessages::notOpened(file, loaded.status));
    }
    // The same checks as "Envoi": a version the device would refuse is never proposed.
    QList<FieldProblem> problems;
    const MonitoringSetup setup = scriptSetup(loaded, problems);
    SetupDraft draft = SetupDraft::of(setup, QLocale::system());
    problems += draft.problems;
    if (!problems.isEmpty()) {
        return refuse(WrongFields, LinkMessages::wrongFields(problems, LinkMessages::Saving::No));
    }
    return library([&](SetupLibrary &library) {
        const std::optional<int> number =
            library.propose(name, draft, parser.value(QStringLiteral("comment")));
        if (!number) {
            return libraryFailure(library.errorCode(), library.error());
        }
        Console::write(
            stdout,
            QStringLiteral("Proposé : %1 v%2, en attente d'approbation.\n").arg(name).arg(*number));
        return int(Done);
    });
}

int decide(const QCommandLineParser &parser, const QString &option, SetupVersion::State state)
{
    const auto [name, number] = nameAndNumber(parser.value(option));
    if (number == 0) {
        return refuseLine(QStringLiteral("--%1 attend une version : NOM@N.").arg(option));
    }
    const QString comment = parser.value(QStringLiteral("comment"));
    if (state == SetupVersion::State::Refused && comment.trimmed().isEmpty()) {
        return refuseLine(QStringLiteral("Un refus dit pourquoi : --comment RAISON."));
    }
    return library([&](SetupLibrary &library) {
        if (!library.decide(name, number, state, comment)) {
            return libraryFailure(library.errorCode(), library.error());
        }
        Console::write(stdout,
                       QStringLiteral("%1 v%2 : %3.\n")
                           .arg(name)
                           .arg(number)
                           .arg(LibraryMessages::stateName(state)));
        return int(Done);
    });
}

int assign(const QCommandLineParser &parser)
{
    const QString pattern = parser.value(QStringLiteral("setup-assign"));
    if (parser.positionalArguments().size() != 1 || pattern.isEmpty()
        || pattern == QLatin1String("*")) {
        return refuseLine(QStringLiteral("--setup-assign attend un repère (ou un préfixe suivi de "
                                         "*) puis le nom du réglage."));
    }
    const QString name = parser.positionalArguments().front();
    return library([&](SetupLibrary &library) {
        if (!library.assign(pattern, name)) {
            return libraryFailure(library.errorCode(), library.error());
        }
        Console::write(
            stdout, QStringLiteral("« %1 » doit recevoir le réglage « %2 ».\n").arg(pattern, name));
        return int(Done);
    });
}

} // namespace

QList<QCommandLineOption> options()
{
    return {{QStringLiteral("setups"), {}},
            {QStringLiteral("setup"), {}, QStringLiteral("nom[@n]")},
            {QStringLiteral("setup-propose"), {}, QStringLiteral("fichier")},
            {QStringLiteral("name"), {}, QStringLiteral("nom")},
            {QStringLiteral("comment"), {}, QStringLiteral("texte")},
            {QStringLiteral("setup-approve"), {}, QStringLiteral("nom@n")},
            {QStringLiteral("setup-refuse"), {}, QStringLiteral("nom@n")},
            {QStringLiteral("setup-retire"), {}, QStringLiteral("nom@n")},
            {QStringLiteral("setup-assign"), {}, QStringLiteral("repère")}};
}

QString help()
{
    return QStringLiteral(
        "Réglages de l'atelier (bibliothèque sur le serveur de l'historique partagé) :\n"
        "  tensiova --setups [--json]\n"
        "      Les réglages : version approuvée, sa date et son auteur, propositions en\n"
        "      attente. Serveur injoignable : la copie du poste, avec sa date.\n"
        "  tensiova --send --setup NOM[@N] [--port PORT]... [--label TEXTE]...\n"
        "      Envoie la version approuvée du réglage (ou la version N), exactement ses\n"
        "      52 octets ; depuis la copie du poste quand le serveur ne répond pas (dit sur\n"
        "      l'erreur standard). Codes de sortie de --send.\n"
        "  tensiova --setup-propose FICHIER --name NOM [--comment TEXTE]\n"
        "      Propose les valeurs du fichier comme nouvelle version (mêmes contrôles\n"
        "      qu'« Envoi »). L'auteur est le compte de connexion au serveur.\n"
        "  tensiova --setup-approve NOM@N | --setup-retire NOM@N\n"
        "  tensiova --setup-refuse NOM@N --comment RAISON\n"
        "      Rôle tensiova_approbation ; nul n'approuve une version qu'il a écrite.\n"
        "  tensiova --setup-assign REPÈRE|PRÉFIXE* NOM\n"
        "      Le réglage que doit recevoir un appareil, ou tous ceux dont le repère\n"
        "      commence par le préfixe (P20-*).\n"
        "  Code de sortie : 0 fait ; 1 serveur injoignable, rien n'est fait ; 2 ligne de\n"
        "  commande, fichier, réglage ou version inconnus ; 3 un champ ne peut pas être\n"
        "  envoyé, rien n'est proposé ; 4 refusé par le serveur (droits, auteur, état).\n");
}

bool isWanted(const QCommandLineParser &parser)
{
    for (const char *option : {"setups", "setup-propose", "setup-approve", "setup-refuse",
                               "setup-retire", "setup-assign"}) {
        if (parser.isSet(QLatin1String(option))) {
            return true;
        }
    }
    return false;
}

int run(const QCommandLineParser &parser)
{
    if (parser.isSet(QStringLiteral("setups"))) {
        return list(parser.isSet(QStringLiteral("json")));
    }
    if (parser.isSet(QStringLiteral("setup-propose"))) {
        return propose(parser);
    }
    if (parser.isSet(QStringLiteral("setup-assign"))) {
        return assign(parser);
    }
    const std::pair<const char *, SetupVersion::State> decisions[] {
        {"setup-approve", SetupVersion::State::Approved},
        {"setup-refuse", SetupVersion::State::Refused},
        {"setup-retire", SetupVersion::State::Retired}};
    for (const auto &[option, state] : decisions) {
        if (parser.isSet(QLatin1String(option))) {
            return decide(parser, QLatin1String(option), state);
        }
    }
    return refuseLine(QStringLiteral("Ligne de commande incorrecte."));
}

Chosen versionToSend(const QString &wanted, WorkshopSetups &setups)
{
    const auto [name, number] = nameAndNumber(wanted);
    setups.setPatience(ScriptPatienceMs);
    const WorkshopSetups::Found found = setups.version(name, number);
    Chosen chosen;
    if (!found.version) {
        chosen.sendExit = 2;
        chosen.status = QStringLiteral("unknown setup");
        chosen.message = found.fromCopy ? LibraryMessages::fromCopy(found.copiedAt)
                + QLatin1Char(' ') + LibraryMessages::failure(QStringLiteral("no-version"), wanted)
                                        : LibraryMessages::failure(found.code, found.error);
        return chosen;
    }
    if (found.fromCopy) {
        Console::write(stderr, LibraryMessages::fromCopy(found.copiedAt) + QLatin1Char('\n'));
    }
    chosen.version = found.version;
    return chosen;
}

} // namespace Tensiova::SetupCommand
