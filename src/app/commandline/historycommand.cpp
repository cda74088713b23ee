#include "app/commandline/historycommand.h"

#include "app/commandline/console.h"
#include "app/commandline/outdatedcommand.h"
#include "app/sentences/historycolumns.h"
#include "app/sentences/historymessages.h"
#include "app/sentences/librarymessages.h"
#include "app/sentences/sharingmessages.h"
#include "history/historycsv.h"
#include "history/historystore.h"
#include "link/portanswer.h"
#include "setuplibrary/devicestates.h"
#include "sharedhistory/sharedserversetting.h"

#include <QCommandLineParser>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>

namespace Tensiova::HistoryCommand {

namespace {

constexpr int BadOption = 2;

int refuse(const QString &why)
{
    Console::write(stderr, why + QStringLiteral("\nVoir « tensiova --help ».\n"));
    return BadOption;
}

// --shared or --push with no shared history set.
int refuseWithoutServer()
{
    return refuse(QStringLiteral("Aucun historique partagé n'est réglé : tensiova "
                                 "--history-server CONNEXION."));
}

// "2026-12-07", "2026-12-07 14:30", "2026-12-07T14:30:00+01:00", "07/12/2026": the station's
// local time unless an offset is given.
QDateTime parseDate(const QString &text)
{
    QDateTime date = QDateTime::fromString(text.trimmed(), Qt::ISODate);
    for (const QString &format :
         {QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-dd HH:mm"),
          QStringLiteral("dd/MM/yyyy HH:mm:ss"), QStringLiteral("dd/MM/yyyy HH:mm")}) {
        if (!date.isValid()) {
            date = QDateTime::fromString(text.trimmed(), format);
        }
    }
    for (const QString &format : {QStringLiteral("yyyy-MM-dd"), QStringLiteral("dd/MM/yyyy")}) {
        if (!date.isValid()) {
            date = QDate::fromString(text.trimmed(), format).startOfDay();
        }
    }
    return date;
}

std::optional<int> parsePort(QString text)
{
    if (text.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
        text = text.mid(3);
    }
    const PortAnswer answer = PortAnswer::parse(text, QLocale::c());
    return answer.port ? std::optional<int>(*answer.port) : std::nullopt;
}

QJsonObject json(const SendRecord &record)
{
    QJsonObject object {
        {QStringLiteral("id"), record.id},
        {QStringLiteral("sent_utc"), record.sentAt.toString(Qt::ISODateWithMs)},
        {QStringLiteral("sent_local"), record.localTime().toString(Qt::ISODateWithMs)},
        {QStringLiteral("origin"), originKey(record.origin)},
        {QStringLiteral("version"), record.programVersion},
        {QStringLiteral("account"), record.account},
        {QStringLiteral("computer"), record.computer},
        {QStringLiteral("port"),
         record.port > 0 ? QStringLiteral("COM%1").arg(record.port) : QString()},
        {QStringLiteral("device"), record.device},
        {QStringLiteral("maker"), record.adapter.maker},
        {QStringLiteral("product"), record.adapter.product},
        {QStringLiteral("serial_number"), record.adapter.serialNumber},
        {QStringLiteral("setup_file"), record.setupFile},
        {QStringLiteral("bytes"), QString::fromLatin1(record.message.toHex().toUpper())},
        {QStringLiteral("outcome"), outcomeKey(record.outcome)},
        {QStringLiteral("reason"), record.reason},
        {QStringLiteral("answer"), record.answerText},
        {QStringLiteral("answer_hex"), QString::fromLatin1(record.answer.toHex().toUpper())},
        {QStringLiteral("label"), record.label}};
    if (const std::optional<MonitoringSetup> values = record.values()) {
        QJsonArray analog;
        QJsonArray logic;
        for (int channel = 0; channel < ChannelCount; ++channel) {
            const AnalogChannelSetup &a = values->analog.at(channel);
            analog.append(QJsonObject {{QStringLiteral("min"), a.min.toInt()},
                                       {QStringLiteral("max"), a.max.toInt()},
                                       {QStringLiteral("coeff"), a.coeff.toInt()},
                                       {QStringLiteral("action"), a.action}});
            const LogicChannelSetup &l = values->logic.at(channel);
            logic.append(QJsonObject {{QStringLiteral("state"), l.et.toInt()},
                                      {QStringLiteral("action"), l.action}});
        }
        object.insert(QStringLiteral("analog"), analog);
        object.insert(QStringLiteral("logic"), logic);
    }
    return object;
}

// withStation: the workshop's records say which station sent each.
QString textLine(const SendRecord &record, bool withStation)
{
    QStringList columns;
    for (int column = 0; column < HistoryColumnCount; ++column) {
        columns.append(historyCellText(record, column));
    }
    if (withStation) {
        columns.insert(1, historyCellText(record, StationColumn));
    }
    if (columns.constLast().isEmpty()) {
        columns.removeLast();
    }
    return columns.join(QStringLiteral("  |  ")) + QLatin1Char('\n');
}

// The records of a source as text, CSV or JSON lines; 1 when they could not all be read.
int list(const QCommandLineParser &parser, HistorySource &source, const HistoryFilter &filter,
         int limit, const std::function<QString()> &why, const QString &name)
{
    const bool withStation = parser.isSet(QStringLiteral("shared"));
    bool read = true;
    if (parser.isSet(QStringLiteral("csv"))) {
        read = HistoryCsv::write(
            source, filter,
            [](const QByteArray &line) {
                Console::writeBytes(stdout, line);
                return true;
            },
            limit);
    } else {
        const bool asJson = parser.isSet(QStringLiteral("json"));
        // Each record's set-up, from its bytes, once the station has a copy of the library.
        SetupCopy copy(HistoryStore::defaultPath());
        const std::optional<DeviceStates> library =
            asJson && copy.copiedAt().isValid() ? DeviceStates::fromCopy(copy) : std::nullopt;
        int shown = 0;
        read = source.forEach(filter, limit, 0, [&](const SendRecord &record) {
            ++shown;
            QJsonObject object;
            if (asJson) {
                object = json(record);
                if (library) {
                    object.insert(
                        QStringLiteral("setup"),
                        LibraryMessages::recordSetup(library->versionTitle(record.message)));
                }
            }
            const QString line = asJson
                ? QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact))
                    + QLatin1Char('\n')
                : textLine(record, withStation);
            // A long listing goes out as it comes.
            Console::write(stdout, line);
            return true;
        });
        if (!asJson && shown == 0 && read) {
            Console::write(stdout, QStringLiteral("Aucun envoi dans %1.\n").arg(name));
        }
    }
    std::fflush(stdout);
    if (!read) {
        Console::write(stderr,
                       QStringLiteral("%1 n'a pas pu être lu en entier (%2).\n")
                           .arg(name.left(1).toUpper() + name.mid(1), why()));
        return 1;
    }
    return 0;
}

// --history --push: sends what waits; 0 only when nothing waits any more.
int push(SharedPush::Check check)
{
    const SharedServer server = SharedServerSetting::load();
    if (!server.isSet()) {
        return refuseWithoutServer();
    }
    const SharingState state =
        SharedPush(HistoryStore::defaultPath(), server).run(QDeadlineTimer::Forever, check);
    if (state.restored > 0 || check == SharedPush::Check::Now) {
        Console::write(stdout, SharingMessages::restored(state) + QLatin1Char('\n'));
    }
    Console::write(stdout,
                   QStringLiteral("%1 envoi(s) copié(s) sur le serveur. %2.\n")
                       .arg(state.sent)
                       .arg(SharingMessages::status(state)));
    if (state.failed) {
        Console::write(stderr, SharingMessages::reason(state) + QLatin1Char('\n'));
    }
    return state.waiting == 0 && !state.failed ? 0 : 1;
}

} // namespace

QList<QCommandLineOption> options()
{
    return {{QStringLiteral("history"), {}},
            {QStringLiteral("since"), {}, QStringLiteral("date")},
            {QStringLiteral("limit"), {}, QStringLiteral("n")},
            {QStringLiteral("csv"), {}},
            {QStringLiteral("shared"), {}},
            {QStringLiteral("by-label"), {}},
            {QStringLiteral("push"), {}},
            {QStringLiteral("verify"), {}},
            {QStringLiteral("outdated"), {}},
            {QStringLiteral("history-server"), {}, QStringLiteral("connexion")},
            {QStringLiteral("accept-unencrypted"), {}}};
}

QString help()
{
    return QStringLiteral(
               "Historique des envois :\n"
               "  tensiova --history [--since DATE] [--port COMn] [--label TEXTE] [--limit N]\n"
               "                     [--csv | --json]\n"
               "  Chaque « Envoi » (fenêtre ou --send) est inscrit : date, port et adaptateur,\n"
               "  fichier de réglages, les 52 octets, le résultat et la réponse, le repère.\n"
               "  Le plus récent d'abord ; texte, CSV (UTF-8, « ; », comme « Exporter… ») ou un\n"
               "  objet JSON par ligne. DATE : 2026-12-07, « 2026-12-07 14:30 » ou 07/12/2026\n"
               "  (heure du poste). --label garde les envois dont le repère contient TEXTE.\n"
               "  Code de sortie : 0, 1 si l'historique n'a pas pu être lu en entier, 2 pour\n"
               "  une option incorrecte.\n"
               "  L'historique : %1\n"
               "\n"
               "Historique partagé de l'atelier (serveur PostgreSQL) :\n"
               "  tensiova --history-server CONNEXION [--accept-unencrypted]\n"
               "  Garde la connexion (service=atelier, « host=… dbname=… user=… » ou\n"
               "  postgresql://…) et l'essaie ; --history-server '' l'enlève. Jamais de mot de\n"
               "  passe dans la connexion : il va dans %2. Une liaison\n"
               "  non chiffrée vers un autre ordinateur est refusée sans --accept-unencrypted.\n"
               "  Code de sortie : 0 si le serveur répond, 1 sinon (la connexion est gardée),\n"
               "  2 pour une connexion refusée (mot de passe écrit dedans, texte illisible).\n"
               "  Chaque envoi est d'abord inscrit sur ce poste, puis copié sur le serveur.\n"
               "  tensiova --history --shared [filtres] [--by-label] [--csv | --json]\n"
               "  Lit l'historique du serveur (tous les postes). --by-label : le dernier envoi\n"
               "  de chaque repère, ce que chaque appareil a reçu en dernier.\n"
               "  tensiova --history [--shared] --by-label --outdated [--csv | --json]\n"
               "  Les appareils à reprogrammer : ancienne version de leur réglage, valeurs\n"
               "  hors de ses versions approuvées, ou jamais programmés. Code de sortie : 0\n"
               "  aucun, 1 s'il y en a, 2 option incorrecte, 3 historique illisible.\n"
               "  tensiova --history --push [--verify]\n"
               "  Envoie au serveur ce qui attend ; code 0 seulement si rien n'attend plus.\n"
               "  --verify vérifie d'abord que le serveur a tout ce que ce poste lui a envoyé\n"
               "  (après une restauration ou la reprise par un serveur de secours) et lui\n"
               "  renvoie ce qui manque ; le poste le fait aussi seul à chaque connexion.\n")
        .arg(QDir::toNativeSeparators(HistoryStore::defaultPath()),
             SharingMessages::passwordFile());
}

int run(const QCommandLineParser &parser)
{
    if (parser.isSet(QStringLiteral("send"))) {
        return refuse(QStringLiteral("--history et --send ne vont pas ensemble."));
    }
    if (parser.isSet(QStringLiteral("csv")) && parser.isSet(QStringLiteral("json"))) {
        return refuse(QStringLiteral("--csv et --json ne vont pas ensemble : choisissez-en un."));
    }
    HistoryFilter filter;
    if (parser.isSet(QStringLiteral("since"))) {
        filter.since = parseDate(parser.value(QStringLiteral("since")));
        if (!filter.since.isValid()) {
            return refuse(QStringLiteral("--since attend une date (2026-12-07, « 2026-12-07 "
                                         "14:30 » ou 07/12/2026), pas « %1 ».")
                              .arg(parser.value(QStringLiteral("since"))));
        }
    }
    if (parser.isSet(QStringLiteral("port"))) {
        const std::optional<int> port = parsePort(parser.value(QStringLiteral("port")));
        if (!port) {
            return refuse(QStringLiteral("--port attend un port COM (COM3 ou 3), pas « %1 ».")
                              .arg(parser.value(QStringLiteral("port"))));
        }
        filter.port = *port;
    }
    filter.label = parser.value(QStringLiteral("label"));
    int limit = -1;
    if (parser.isSet(QStringLiteral("limit"))) {
        bool isNumber = false;
        limit = parser.value(QStringLiteral("limit")).toInt(&isNumber);
        if (!isNumber || limit < 0) {
            return refuse(
                QStringLiteral("--limit attend un nombre d'envois (0 ou plus), pas « %1 ».")
                    .arg(parser.value(QStringLiteral("limit"))));
        }
    }

    filter.latestByLabel = parser.isSet(QStringLiteral("by-label"));
    if (parser.isSet(QStringLiteral("verify")) && !parser.isSet(QStringLiteral("push"))) {
        return refuse(QStringLiteral("--verify va avec --history --push."));
    }
    if (parser.isSet(QStringLiteral("push"))) {
        return push(parser.isSet(QStringLiteral("verify")) ? SharedPush::Check::Now
                                                           : SharedPush::Check::WhenDue);
    }
    const bool outdated = parser.isSet(QStringLiteral("outdated"));
    if (outdated && !filter.latestByLabel) {
        return refuse(QStringLiteral("--outdated va avec --by-label : l'état de chaque appareil."));
    }
    if (parser.isSet(QStringLiteral("shared"))) {
        const SharedServer server = SharedServerSetting::load();
        if (!server.isSet()) {
            return refuseWithoutServer();
        }
        SharedDatabase shared(server);
        if (outdated) {
            return OutdatedCommand::run(parser, shared);
        }
        return list(
            parser, shared, filter, limit, [&shared] { return SharingMessages::failure(shared); },
            QStringLiteral("l'historique partagé"));
    }

    HistoryStore store(HistoryStore::defaultPath());
    const bool opened = store.open(HistoryStore::Access::Read);
    if (const QString aside = store.takeSetAsidePath(); !aside.isEmpty()) {
        Console::write(
            stderr,
            HistoryMessages::problem({HistoryProblem::Kind::SetAside, store.path(), aside})
                + QLatin1Char('\n'));
    }
    if (opened && store.isNewer()) {
        Console::write(
            stderr,
            HistoryMessages::problem({HistoryProblem::Kind::NewerSchema, store.path(), {}})
                + QLatin1Char('\n'));
    }
    if (outdated) {
        return OutdatedCommand::run(parser, store);
    }
    return list(
        parser, store, filter, limit, [&store] { return store.error(); },
        QStringLiteral("l'historique %1").arg(QDir::toNativeSeparators(store.path())));
}

int setServer(const QCommandLineParser &parser)
{
    const SharedServerChoice chosen = SharedServerSetting::choice();
    if (const QString problem = SharingMessages::policyProblem(chosen); !problem.isEmpty()) {
        Console::write(stderr, problem + QLatin1Char('\n'));
    }
    if (!chosen.changeable) {
        return refuse(SharingMessages::setByPolicy());
    }
    const SharedServer server {parser.value(QStringLiteral("history-server")).trimmed(),
                               parser.isSet(QStringLiteral("accept-unencrypted"))};
    if (const QString refusal = SharingMessages::connectionTextRefusal(server.connection);
        server.isSet() && !refusal.isEmpty()) {
        return refuse(refusal);
    }
    if (!SharedServerSetting::save(server)) {
        Console::write(stderr,
                       QStringLiteral("Le réglage %1 n'a pas pu être écrit.\n")
                           .arg(QDir::toNativeSeparators(SharedServerSetting::defaultPath())));
        return 1;
    }
    if (!server.isSet()) {
        Console::write(stdout,
                       QStringLiteral("Historique partagé enlevé : les envois restent "
                                      "sur ce poste.\n"));
        return 0;
    }
    SharedDatabase shared(server);
    if (!shared.connect()) {
        Console::write(stdout, QStringLiteral("Historique partagé réglé.\n"));
        Console::write(stderr, SharingMessages::failure(shared) + QLatin1Char('\n'));
        return 1;
    }
    Console::write(stdout,
                   QStringLiteral("Historique partagé réglé : %1.\n")
                       .arg(SharingMessages::identity(shared.identity())));
    return 0;
}

} // namespace Tensiova::HistoryCommand
