#include "history/historycsv.h"

#include "history/historysource.h"
#include "link/messagedescription.h"
#include "model/actionchoice.h"

namespace Tensiova::HistoryCsv {

namespace {

template<typename Visit> void forEachField(Visit visit)
{
    for (int channel = 0; channel < ChannelCount; ++channel) {
        for (const Family family : AnalogFields) {
            visit(family, channel);
        }
    }
    for (int channel = 0; channel < ChannelCount; ++channel) {
        for (const Family family : LogicFields) {
            visit(family, channel);
        }
    }
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace

QStringList header()
{
    QStringList names {QStringLiteral("Date (heure du poste)"),
                       QStringLiteral("Date UTC"),
                       QStringLiteral("Fuseau"),
                       QStringLiteral("Origine"),
                       QStringLiteral("Version"),
                       QStringLiteral("Compte"),
                       QStringLiteral("Ordinateur"),
                       QStringLiteral("Port"),
                       QStringLiteral("Périphérique"),
                       QStringLiteral("Fabricant"),
                       QStringLiteral("Produit"),
                       QStringLiteral("N° de série"),
                       QStringLiteral("Fichier de réglages"),
                       QStringLiteral("Résultat"),
                       QStringLiteral("Raison"),
                       QStringLiteral("Réponse"),
                       QStringLiteral("Réponse (hexadécimal)"),
                       QStringLiteral("Repère"),
                       QStringLiteral("Octets envoyés (hexadécimal)")};
    forEachField([&names](Family family, int channel) {
        names.append(rowCaption(family, channel) + QLatin1Char(' ') + columnCaption(family));
    });
    return names;
}

QStringList row(const SendRecord &record)
{
    QStringList fields {shownDate(record),
                        record.sentAt.toString(Qt::ISODateWithMs),
                        record.localTime().timeZoneAbbreviation(),
                        originWord(record.origin),
                        record.programVersion,
                        record.account,
                        record.computer,
                        record.portName(),
                        record.device,
                        record.adapter.maker,
                        record.adapter.product,
                        record.adapter.serialNumber,
                        record.setupFile,
                        outcomeWord(record.outcome),
                        record.reason,
                        escapedText(record.answerText), // one line, control characters shown
                        hex(record.answer),
                        record.label,
                        hex(record.message)};
    const std::optional<MonitoringSetup> values = record.values();
    forEachField([&](Family family, int channel) {
        if (!values) {
            fields.append(QString());
        } else if (isActionFamily(family)) {
            const int action = values->action(family, channel);
            fields.append(ActionChoice::texts().value(action, QString::number(action)));
        } else {
            fields.append(values->text(family, channel));
        }
    });
    return fields;
}

QString field(const QString &text)
{
    static const QString FormulaStarts = QStringLiteral("=+-@\t\r");
    QString written = text;
    if (!written.isEmpty() && FormulaStarts.contains(written.front())) {
        written.prepend(QLatin1Char('\''));
    }
    if (written.contains(QLatin1Char(';')) || written.contains(QLatin1Char('"'))
        || written.contains(QLatin1Char('\n')) || written.contains(QLatin1Char('\r'))) {
        written.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        written = QLatin1Char('"') + written + QLatin1Char('"');
    }
    return written;
}

QByteArray line(const QStringList &fields)
{
    QStringList written;
    written.reserve(fields.size());
    for (const QString &value : fields) {
        written.append(field(value));
    }
    return written.join(QLatin1Char(';')).toUtf8() + "\r\n";
}

bool write(HistorySource &store, const HistoryFilter &filter,
           const std::function<bool(const QByteArray &)> &sink, int limit)
{
    bool written = sink("\xEF\xBB\xBF" + line(header()));
    const bool read = written && store.forEach(filter, limit, 0, [&](const SendRecord &record) {
        written = sink(line(row(record)));
        return written;
    });
    return read && written;
}

} // namespace Tensiova::HistoryCsv
