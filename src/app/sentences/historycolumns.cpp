#include "app/sentences/historycolumns.h"

#include <QFileInfo>

#include <array>

namespace Tensiova {

QString historyCellText(const SendRecord &record, int column)
{
    switch (column) {
    case DateColumn:
        return shownDate(record);
    case PortColumn:
        return shownPort(record);
    case SetupFileColumn:
        return QFileInfo(record.setupFile).fileName();
    case OutcomeColumn:
        return shownOutcome(record);
    case LabelColumn:
        return record.label;
    case StationColumn:
        return QStringLiteral("%1 (%2)").arg(record.computer, record.account);
    default:
        return {};
    }
}

QString historyColumnHeading(int column)
{
    static const std::array<QString, HistoryColumnCount> Headings {
        QStringLiteral("Date"), QStringLiteral("Port et adaptateur"),
        QStringLiteral("Fichier de réglages"), QStringLiteral("Résultat et réponse"),
        QStringLiteral("Repère")};
    if (column == StationColumn) {
        return QStringLiteral("Poste");
    }
    return column >= 0 && column < HistoryColumnCount ? Headings.at(std::size_t(column))
                                                      : QString();
}

} // namespace Tensiova
