#include "app/historywindow/historysheet.h"

#include "app/widgets/setupgrid.h"
#include "link/messagedescription.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFontMetricsF>
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
    return QStringLiteral("<tr><td class='name' width='28%'>%1</td><td class='value'>%2</td></tr>")
        .arg(escaped(name), value.isEmpty() ? QStringLiteral("—") : escaped(value));
}

// A box to be filled in by hand: who, when, and room to sign.
QString visaBox(const QString &title)
{
    return QStringLiteral("<td class='visa' width='50%'><p class='visa'>%1</p>"
                          "<p>Nom : ________________________________</p>"
                          "<p>Date : _______ / _______ / ___________</p>"
                          "<p>Signature :</p><p>&nbsp;</p><p>&nbsp;</p></td>")
        .arg(escaped(title));
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

// The page as rich text; the foot of each page is drawn beside it.
QString html(const SendRecord &record)
{
    const QString port = portAndDevice(record); // the adapter has a line of its own
    QString outcome = outcomeWord(record.outcome);
    if (!record.reason.isEmpty()) {
        outcome += QStringLiteral(" (%1)").arg(record.reason);
    }
    QString page = QStringLiteral(
        "<html><head><style>"
        "body { font-family: 'DejaVu Sans'; font-size: 8.5pt; }"
        "p.title { font-size: 15pt; font-weight: bold; margin-bottom: 2pt; }"
        "p.subtitle { margin-bottom: 6px; }"
        "table.header { border-collapse: collapse; }"
        "table.header td { border-bottom: 1px solid #CCCCCC; }"
        "td.name { color: #444444; font-weight: bold; }"
        "p.caption { color: #0000FF; font-weight: bold; margin-top: 10px; margin-bottom: 3px; }"
        "table.grid { border-collapse: collapse; }"
        "table.grid td, table.grid th { border: 1px solid #999999; }"
        "pre { font-family: 'DejaVu Sans Mono'; font-size: 8pt; margin-top: 0; }"
        "table.visas { margin-top: 12px; border-collapse: collapse; }"
        "td.visa { border: 1px solid #444444; }"
        "p.visa { font-weight: bold; margin-bottom: 6px; }"
        "</style></head><body>");
    page += QStringLiteral("<p class='title'>Fiche de programmation</p><p class='subtitle'>"
                           "Surveillance de tensions analogiques et logiques — message envoyé par "
                           "le poste Tensiova</p>");
    page += QStringLiteral("<table class='header' width='100%' cellspacing='0' cellpadding='3'>");
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
    page += QStringLiteral("<table class='visas' width='100%' cellspacing='0' cellpadding='8'><tr>")
        + visaBox(QStringLiteral("Visa du technicien")) + visaBox(QStringLiteral("Visa du client"))
        + QStringLiteral("</tr></table>");
    return page + QStringLiteral("</body></html>");
}

} // namespace

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
        writer.setPageMargins(QMarginsF(15, 12, 15, 10), QPageLayout::Millimeter);
        writer.setTitle(QStringLiteral("Fiche de programmation %1").arg(shownDate(record)));
        writer.setCreator(QStringLiteral("Tensiova %1").arg(programVersion));
        QTextDocument document;
        document.documentLayout()->setPaintDevice(&writer);
        document.setHtml(html(record));
        // Each page leaves room at its foot for its number; a long answer goes on over a second
        // page instead of being cut at the first one's edge.
        const QRect page = writer.pageLayout().paintRectPixels(writer.resolution());
        QFont footerFont(QStringLiteral("DejaVu Sans"));
        footerFont.setPointSizeF(7);
        const qreal footerHeight = 2 * QFontMetricsF(footerFont, &writer).height();
        const QSizeF body(page.width(), page.height() - footerHeight);
        document.setPageSize(body);
        const int pages = document.pageCount();
        const QString madeOn =
            QStringLiteral("Fiche établie le %1 par Tensiova %2.")
                .arg(QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm")),
                     programVersion);
        QPainter painter(&writer);
        for (int index = 0; index < pages; ++index) {
            if (index > 0) {
                writer.newPage();
            }
            painter.save();
            painter.translate(0, -index * body.height());
            document.drawContents(&painter, QRectF(QPointF(0, index * body.height()), body));
            painter.restore();
            painter.setFont(footerFont);
            painter.setPen(QColor(0x66, 0x66, 0x66));
            const QRectF footer(0, body.height(), body.width(), footerHeight);
            painter.drawText(footer, Qt::AlignLeft | Qt::AlignBottom, madeOn);
            painter.drawText(footer, Qt::AlignRight | Qt::AlignBottom,
                             QStringLiteral("Page %1 / %2").arg(index + 1).arg(pages));
        }
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace Tensiova::HistorySheet
