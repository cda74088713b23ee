#include "app/commandline/historycommand.h"

#include "app/commandline/console.h"
#include "app/sentences/historycolumns.h"
#include "app/sentences/historymessages.h"
#include "history/historycsv.h"
#include "history/historystore.h"
#include "link/portanswer.h"

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

QString textLine(const SendRecord &record)
{
    QStringList columns;
    for (int column = 0; column < HistoryColumnCount; ++column) {
        columns.append(historyCellText(record, column));
    }
    if (columns.constLast().isEmpty()) {
        columns.removeLast();
    }
    return columns.join(QStringLiteral("  |  ")) + QLatin1Char('\n');
}

} // namespace

QList<QCommandLineOption> options()
{
    return {{QStringLiteral("history"), {}},
            {QStringLiteral("since"), {}, QStringLiteral("date")},
            {QStringLiteral("limit"), {}, QStringLiteral("n")},
            {QStringLiteral("csv"), {}}};
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
               "  L'historique : %1\n")
        .arg(QDir::toNativeSeparators(HistoryStore::defaultPath()));
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
    bool read = true;
    if (parser.isSet(QStringLiteral("csv"))) {
        read = HistoryCsv::write(
            store, filter,
            [](const QByteArray &line) {
                Console::writeBytes(stdout, line);
                return true;
            },
            limit);
    } else {
        const bool asJson = parser.isSet(QStringLiteral("json"));
        QString text;
        int shown = 0;
        read = store.forEach(filter, limit, 0, [&](const SendRecord &record) {
            ++shown;
            text += asJson
                ? QString::fromUtf8(QJsonDocument(json(record)).toJson(QJsonDocument::Compact))
                    + QLatin1Char('\n')
                : textLine(record);
            return true;
        });
        if (!asJson && shown == 0 && read) {
            text = QStringLiteral("Aucun envoi dans l'historique %1.\n")
                       .arg(QDir::toNativeSeparators(store.path()));
        }
        Console::write(stdout, text);
    }
    std::fflush(stdout);
    if (!read) {
        Console::write(stderr,
                       QStringLiteral("L'historique %1 n'a pas pu être lu en entier (%2).\n")
                           .arg(QDir::toNativeSeparators(store.path()), store.error()));
        return 1;
    }
    return 0;
}

} // namespace Tensiova::HistoryCommand
