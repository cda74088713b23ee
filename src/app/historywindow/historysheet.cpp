#include "app/historywindow/historysheet.h"

#include "app/widgets/setupgrid.h"
#include "link/messagedescription.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

namespace Tensiova::HistorySheet {

namespace {

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString infoRow(const QString &name, const QString &value)
{
    return QStringLiteral("<tr><td class='name'>%1</td><td>%2</td></tr>")
        .arg(escaped(name), value.isEmpty() ? QStringLiteral("—") : escaped(value));
}

template<typename Columns>
QString grid(const QString &caption, const Columns &columns,
             const std::optional<MonitoringSetup> &values)
{
    QString html = QStringLiteral("<p class='caption'>%1</p><table class='grid' cellspacing='0' "
                                  "cellpadding='3'><tr><th></th>")
                       .arg(escaped(caption));
    for (const Family family : columns) {
        html += QStringLiteral("<th width='110'>%1</th>").arg(escaped(columnCaption(family)));
    }
    html += QStringLiteral("</tr>");
    for (int channel = 0; channel < ChannelCount; ++channel) {
        html += QStringLiteral("<tr><th>%1</th>").arg(rowCaption(columns.front(), channel));
        for (const Family family : columns) {
            html += QStringLiteral("<td align='center'>%1</td>")
                        .arg(values ? escaped(SetupGrid::shownValue(*values, family, channel))
                                    : QString());
        }
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

} // namespace

QString html(const SendRecord &record, const QString &programVersion)
{
    const QString port = portAndDevice(record); // the adapter has a line of its own
    QString outcome = outcomeWord(record.outcome);
    if (!record.reason.isEmpty()) {
        outcome += QStringLiteral(" (%1)").arg(record.reason);
    }
    QString page = QStringLiteral(
        "<html><head><style>"
        "body { font-family: 'DejaVu Sans'; font-size: 10pt; }"
        "p.title { font-size: 16pt; font-weight: bold; margin-bottom: 2pt; }"
        "td.name { color: #444444; padding-right: 12pt; }"
        "p.caption { color: #0000FF; font-weight: bold; margin-top: 8pt; margin-bottom: 2pt; }"
        "table.grid { border-collapse: collapse; }"
        "table.grid td, table.grid th { border: 1px solid #999999; }"
        "pre { font-family: 'DejaVu Sans Mono'; font-size: 8pt; }"
        "</style></head><body>");
    page += QStringLiteral("<p class='title'>Fiche de programmation</p><p>Surveillance de tensions "
                           "analogiques et logiques — message envoyé par le poste Tensiova</p>");
    page += QStringLiteral("<table cellspacing='0' cellpadding='2'>");
    page += infoRow(QStringLiteral("Repère"), record.label);
    page += infoRow(QStringLiteral("Date (heure du poste)"), shownDate(record));
    page += infoRow(QStringLiteral("Date UTC"), record.sentAt.toString(Qt::ISODateWithMs));
    page += infoRow(QStringLiteral("Poste"),
                    QStringLiteral("%1, compte %2").arg(record.computer, record.account));
    page += infoRow(
        QStringLiteral("Envoyé depuis"),
        QStringLiteral("%1, Tensiova %2").arg(originWord(record.origin), record.programVersion));
    page += infoRow(QStringLiteral("Port"), port);
    page += infoRow(QStringLiteral("Adaptateur"), adapterText(record.adapter));
    page +=
        infoRow(QStringLiteral("Fichier de réglages"), QDir::toNativeSeparators(record.setupFile));
    page += infoRow(QStringLiteral("Résultat"), outcome);
    page += QStringLiteral("</table>");
    const std::optional<MonitoringSetup> values = record.values();
    page += grid(gridCaption(Family::Min), AnalogFields, values)
        + grid(gridCaption(Family::Et), LogicFields, values);
    page += QStringLiteral(
                "<p class='caption'>Message envoyé (%1 octets, hexadécimal)</p><pre>%2</pre>")
                .arg(record.message.size())
                .arg(escaped(hexRows(record.message).join(QLatin1Char('\n'))));
    page += QStringLiteral("<p class='caption'>Réponse de l'appareil</p>");
    page += record.answer.isEmpty()
        ? QStringLiteral("<p>Aucune réponse.</p>")
        : QStringLiteral("<p>« %1 »</p><pre>%2</pre>")
              .arg(escaped(escapedText(record.answerText)),
                   escaped(hexRows(record.answer.left(256)).join(QLatin1Char('\n'))));
    page += QStringLiteral("<p style='color: #666666; font-size: 7pt'>Fiche établie le %1 par "
                           "Tensiova %2.</p></body></html>")
                .arg(QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm")),
                     programVersion);
    return page;
}

bool write(const SendRecord &record, const QString &programVersion, const QString &path,
           QString &error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setTitle(QStringLiteral("Fiche de programmation %1").arg(shownDate(record)));
        writer.setCreator(QStringLiteral("Tensiova %1").arg(programVersion));
        QTextDocument document;
        document.documentLayout()->setPaintDevice(&writer);
        document.setHtml(html(record, programVersion));
        const QRect page = writer.pageLayout().paintRectPixels(writer.resolution());
        document.setPageSize(QSizeF(page.size()));
        QPainter painter(&writer);
        document.drawContents(&painter, QRectF(QPointF(0, 0), QSizeF(page.size())));
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace Tensiova::HistorySheet
